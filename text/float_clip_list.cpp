#include "text/float_clip_list.h"

#include <algorithm>

#include "script/conversions.h"

namespace orva {

void TWdClipList::GetLimits(int32_t y, int32_t& left, int32_t& right) const {
  left = 0;
  right = width_;
  for (size_t i = 0; i < rects_.size(); ++i) {
    const TRect& r = rects_[i];
    if (r.Top > y || y >= r.Bottom) continue;
    if (rightFloat_[i])
      right = std::min(right, r.Left);
    else
      left = std::max(left, r.Right);
  }
}

TRect TWdClipList::AddFloat(int32_t y, int32_t width, int32_t height, bool right) {
  int32_t l = 0, r = 0;
  GetLimits(y, l, r);
  const int32_t left = right ? WrapSub(r, width) : l;
  const TRect rect{left, y, WrapAdd(left, width), WrapAdd(y, height)};
  rects_.push_back(rect);
  rightFloat_.push_back(right ? 1 : 0);
  return rect;
}

}  // namespace orva

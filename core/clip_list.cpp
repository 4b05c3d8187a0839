#include "core/clip_list.h"

#include <algorithm>
#include <cstdint>

#include "core/lists.h"

namespace orva {

TRect IntersectRectOf(const TRect& a, const TRect& b) {
  if (!RectsOverlap(a, b)) return {};
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}

TRect UnionRectOf(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

namespace {

// 64-bit sums: rectangles near the int32 limits must not overflow the margin.
bool IsNear(const TRect& r, const TRect& s) {
  constexpr int64_t m = TClipList::kMergeMargin;
  return r.Left <= int64_t{s.Right} + m && r.Top <= int64_t{s.Bottom} + m && r.Right >= int64_t{s.Left} - m &&
         r.Bottom >= int64_t{s.Top} - m;
}

bool Contains(const TRect& s, const TRect& r) {
  return s.Left <= r.Left && s.Top <= r.Top && s.Right >= r.Right && s.Bottom >= r.Bottom;
}

}  // namespace

void TClipList::AddRect(const TRect& rect) {
  TRect r = rect;
  // A union may reach further rectangles, so it is added again from the start.
  while (!RectIsEmpty(r)) {
    auto near = std::find_if(rects_.begin(), rects_.end(), [&](const TRect& s) { return IsNear(r, s); });
    if (near == rects_.end()) {
      rects_.push_back(r);
      Changed = true;
      return;
    }
    if (Contains(*near, r)) return;
    r = UnionRectOf(r, *near);
    rects_.erase(near);
    Changed = true;
  }
}

const TRect& TClipList::GetRect(int index) const {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  return rects_[static_cast<size_t>(index)];
}

void TClipList::Delete(int index) {
  if (index < 0 || index >= Count()) RaiseListIndexError(index);
  rects_.erase(rects_.begin() + index);
  Changed = true;
}

void TClipList::Clear() {
  rects_.clear();
  Changed = true;
}

}  // namespace orva

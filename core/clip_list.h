#pragma once
// A layer's dirty-rectangle list. Rectangles within 20 pixels of a stored one are merged
// into their union, trading some overdraw for fewer drawing passes.

#include <vector>

#include "core/rect.h"

namespace orva {

class TClipList {
 public:
  static constexpr int kMergeMargin = 20;

  // An empty rectangle is ignored; one inside a stored rectangle changes nothing.
  void AddRect(const TRect& r);
  int Count() const { return static_cast<int>(rects_.size()); }
  // Raise EListError outside 0..Count()-1.
  const TRect& GetRect(int index) const;
  void Delete(int index);
  void Clear();

  // Set by every change of the list; only its readers reset it.
  bool Changed = false;

 private:
  std::vector<TRect> rects_;
};

}  // namespace orva

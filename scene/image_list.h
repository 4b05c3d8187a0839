#pragma once
// The frames of one layered image borrowed from the decoded-image cache. TOrvaImageData is
// one frame: the cache's picture, or its own brightened or darkened copy while a brightness
// offset is set; it also draws itself for an object. TOrvaImageList holds the frames of one
// file for one user of the cache item, with a current index and a countdown to the next
// frame that its owner advances once per frame (Tick); the animated images keep their own
// index and countdown and use the list only for its frames.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/rect.h"
#include "graphics/vask_collection.h"
#include "script/conversions.h"

namespace orva {

class TOrvaObject;

class TOrvaImageData {
 public:
  explicit TOrvaImageData(TVaskItemFrame& frame) : frame_(frame) {}
  TOrvaImageData(const TOrvaImageData&) = delete;
  TOrvaImageData& operator=(const TOrvaImageData&) = delete;

  // The own copy while the offset is not 0 (none while it is released), else the cache's.
  TCustomDIBX* GetDIB() { return brightness_ != 0 ? own_.get() : frame_.Image.get(); }
  TCustomDIBX* GetMask() { return frame_.Mask.get(); }
  // 0x00BBGGRR, −1 for none.
  int32_t GetKeyColor() const { return frame_.KeyColor; }
  // Display time in ms.
  int32_t GetDelay() const { return frame_.Delay; }
  int32_t GetBrightness() const { return brightness_; }
  // Below 0 the grey |offset| is subtracted from every pixel, above 0 added, with
  // saturation; a colour key is transformed alike so that keyed pixels stay keyed. 0 shows
  // the cache's picture again (the copy is kept for later offsets).
  void SetBrightness(int32_t offset);
  void ReleaseSurface() { own_.reset(); }
  // Makes the copy again for the current offset.
  void RecreateSurface();

  // Draws the frame as the object would draw its picture: its ALPHA (nothing at 0 or less
  // and at 512 or more), turn, zoom, mirroring, offset, size and target surface.
  void DrawFor(TOrvaObject& object) { DrawFor(object, GetMask()); }
  // The same through another mask of the frame's size (or none).
  void DrawFor(TOrvaObject& object, TCustomDIBX* mask);
  // Part `source` of the frame 1:1 at (x, y) on the object's target surface, with the
  // object's ALPHA and mirroring.
  void DrawAt(TOrvaObject& object, int32_t x, int32_t y, const TRect& source);
  // The frame repeated over `rect` of the target from the pattern offset (offsetX, offsetY),
  // unzoomed and unmirrored, with the extended alpha 0..511.
  void DrawTiled(TCustomDIBX& target, const TRect& rect, int32_t offsetX, int32_t offsetY, int32_t alpha);

 private:
  TVaskItemFrame& frame_;
  std::unique_ptr<TDIBX> own_;
  int32_t brightness_ = 0;
};

class TOrvaImageList {
 public:
  TOrvaImageList() = default;
  ~TOrvaImageList() { Clear(); }
  TOrvaImageList(const TOrvaImageList&) = delete;
  TOrvaImageList& operator=(const TOrvaImageList&) = delete;

  // Frees the frames and gives the cache item back.
  void Clear();
  int Count() const { return static_cast<int>(frames_.size()); }
  // None outside 0 .. Count() − 1.
  TOrvaImageData* GetItem(int index);
  // The frames of the file (the variant with masks when asked) for the user, from the
  // collection or, without one, the scene globals' cache (none: no frames). Index 0, and
  // the countdown frame 0's time + 1. Errors of the cache pass on with the list empty.
  void LoadFromCache(TVaskUser user, std::string_view name, bool mask);
  void LoadFromCache(TVaskCollection& cache, TVaskUser user, std::string_view name, bool mask);

  int GetIndex() const { return index_; }
  int32_t GetCountdown() const { return countdown_; }
  // At most the last frame (no lower limit); from a frame, the countdown its time + 1.
  void SetIndex(int index);
  // Advances by the last frame's time (FrameDelta); true when the frame changed.
  bool Tick();

  void ReleaseSurfaces();
  void RecreateSurfaces();

 private:
  std::vector<std::unique_ptr<TOrvaImageData>> frames_;
  int index_ = 0;
  int32_t countdown_ = 0;
  TVaskItem* item_ = nullptr;
  TVaskUser user_ = nullptr;
};

// The frame step of a list of `count` frames: the countdown goes down by `step`; once it
// is below 1 the index moves on, adding the display time of each frame it reaches, so that
// frames shorter than the step are skipped, except that the wrap to frame 0 always stops
// there and drops the time left over. False (nothing changes) with fewer than 2 frames.
// delayOf answers the display time of a frame index.
template <class DelayOf>
bool AdvanceFrame(int& index, int32_t& countdown, int count, int32_t step, DelayOf delayOf) {
  if (count < 2) return false;
  countdown = WrapSub(countdown, step);
  if (countdown >= 1) return false;
  while (countdown < 1) {
    index = (index + 1) % count;
    if (index == 0) {
      countdown = delayOf(0);
      break;
    }
    // An index below 0 (set from outside) reaches frame 0 first.
    if (index > 0) countdown = WrapAdd(countdown, delayOf(index));
  }
  return true;
}

}  // namespace orva

#include "scene/strip_image.h"

#include "core/exceptions.h"
#include "scene/image_cache.h"

namespace orva {

void TStripImage::Release() {
  if (!item_) return;
  TVaskItem* item = item_;
  item_ = nullptr;
  item->Release(this);
}

void TStripImage::Load(std::string_view name) {
  Release();
  TOrvaImageCache* cache = GetImageCache();
  if (name.empty() || !cache) return;
  try {
    item_ = &cache->Collection().Acquire(this, name, false, false);
  } catch (const Exception&) {
    // A picture that cannot be decoded is no picture.
  }
}

TVaskItemFrame* TStripImage::Frame() const {
  return item_ && item_->GetFrameCount() > 0 ? &item_->GetFrame(0) : nullptr;
}

int32_t TStripImage::Width() const {
  const TVaskItemFrame* frame = Frame();
  return frame ? frame->Image->GetWidth() : 0;
}

int32_t TStripImage::Height() const {
  const TVaskItemFrame* frame = Frame();
  return frame ? frame->Image->GetHeight() : 0;
}

int TStripImage::MaskAt(int32_t x, int32_t y) const {
  const TVaskItemFrame* frame = Frame();
  if (!frame || !frame->Mask) return -1;
  TDIBX& mask = *frame->Mask;
  if (x < 0 || y < 0 || x >= mask.GetWidth() || y >= mask.GetHeight()) return 0;
  return static_cast<int>(mask.GetPixel(x, y));
}

}  // namespace orva

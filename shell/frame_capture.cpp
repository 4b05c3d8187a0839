#include "shell/frame_capture.h"

#include <algorithm>

#include "core/exceptions.h"
#include "graphics/dib.h"

namespace orva {

bool WriteXRGBBmp(const std::string& path, const uint32_t* pixels, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  try {
    TDIB dib;
    dib.SetSize(width, height, 24);
    for (int y = 0; y < height; ++y) {
      uint8_t* out = dib.ScanLine(y);
      const uint32_t* in = pixels + static_cast<ptrdiff_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<uint8_t>(in[x]);
        out[3 * x + 1] = static_cast<uint8_t>(in[x] >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(in[x] >> 16);
      }
    }
    dib.SaveToFile(path);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void TFrameCapture::Capture(TWindowSystem& window, const TWinRect& area, int32_t frame) {
  if (path_.empty()) return;
  const int pitch = window.ClientWidth();
  const TWinRect r{std::max(area.Left, 0), std::max(area.Top, 0), std::min(area.Right, pitch),
                   std::min(area.Bottom, window.ClientHeight())};
  if (r.IsEmpty()) return;
  width_ = r.Width();
  height_ = r.Height();
  last_.resize(size_t(width_) * size_t(height_));
  for (int y = 0; y < height_; ++y)
    std::copy_n(window.Pixels() + static_cast<ptrdiff_t>(r.Top + y) * pitch + r.Left, width_,
                last_.begin() + static_cast<ptrdiff_t>(y) * width_);
  const size_t mark = path_.find("%d");
  if (mark == std::string::npos) {
    pending_ = true;
    return;
  }
  std::string name = path_;
  name.replace(mark, 2, std::to_string(frame));
  WriteXRGBBmp(name, last_.data(), width_, height_);
}

void TFrameCapture::Finish() {
  if (!pending_) return;
  pending_ = false;
  WriteXRGBBmp(path_, last_.data(), width_, height_);
}

}  // namespace orva

#pragma once
// Frames of a headless run written as 24-bit BMP files: with "%d" in the path each presented
// frame goes to its own file (the frame count in place of "%d"); otherwise the last frame
// presented is written once the run ends. Nothing is written for a run that presented none.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace orva {

class TFrameCapture {
 public:
  // A real path; empty: no capture.
  explicit TFrameCapture(std::string path) : path_(std::move(path)) {}
  ~TFrameCapture() { Finish(); }
  TFrameCapture(const TFrameCapture&) = delete;
  TFrameCapture& operator=(const TFrameCapture&) = delete;

  bool Enabled() const { return !path_.empty(); }
  // The area of the client picture that was just presented.
  void Capture(TWindowSystem& window, const TWinRect& area, int32_t frame);
  void Finish();

 private:
  std::string path_;
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> last_;
  bool pending_ = false;
};

// Writes 0x00RRGGBB pixels (top row first) as a 24-bit BMP; false when the file cannot be written.
bool WriteXRGBBmp(const std::string& path, const uint32_t* pixels, int width, int height);

}  // namespace orva

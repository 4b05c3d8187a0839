#include "platform/display_control.h"

namespace orva {

namespace {
std::string ModeText(const TDisplayModeInfo& m) {
  return std::to_string(m.Width) + "x" + std::to_string(m.Height) + "x" + std::to_string(m.BitCount) + "@" +
         std::to_string(m.RefreshRate);
}
}  // namespace

TFakeDisplay::TFakeDisplay()
    : Modes{{640, 480, 16, 60}, {640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}} {}

bool TFakeDisplay::Open() {
  Calls.push_back("open");
  if (!HasService || FailOpen) return false;
  open_ = true;
  return true;
}

void TFakeDisplay::Close() {
  Calls.push_back("close");
  open_ = false;
  exclusive_ = false;
  fullScreen_ = false;
}

bool TFakeDisplay::SetExclusive(bool exclusive) {
  Calls.push_back(exclusive ? "exclusive 1" : "exclusive 0");
  if (!open_ || (exclusive ? FailExclusive : FailNormal)) return false;
  exclusive_ = exclusive;
  if (!exclusive) fullScreen_ = false;
  return true;
}

bool TFakeDisplay::GetCurrentMode(TDisplayModeInfo& mode, bool& is555) {
  Calls.push_back("read");
  if (!open_ || FailRead) return false;
  mode = Current();
  is555 = fullScreen_ ? FullScreen555 && current_.BitCount == 16 : Desktop555;
  return true;
}

std::vector<TDisplayModeInfo> TFakeDisplay::EnumModes() {
  Calls.push_back("enum");
  return open_ ? Modes : std::vector<TDisplayModeInfo>{};
}

bool TFakeDisplay::SetDisplayMode(const TDisplayModeInfo& mode) {
  Calls.push_back("mode " + ModeText(mode));
  if (!open_ || !exclusive_ || FailSetMode) return false;
  current_ = mode;
  fullScreen_ = true;
  return true;
}

}  // namespace orva

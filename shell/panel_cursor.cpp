#include "shell/panel_cursor.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/exceptions.h"

namespace orva {

void TPanelCursor::LoadCustomCursor(const std::string& realPath) {
  std::ifstream in(realPath, std::ios::binary);
  if (!in) return;
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    custom_ = ReadCursorFile(bytes);
  } catch (const Exception&) {
    return;  // a file that is no cursor leaves the old one
  }
  step_ = 0;
  stepStart_ = window_.Milliseconds();
  shownFrame_ = -1;
  Show();
}

void TPanelCursor::SetPanelCursor(TKind cursor) {
  kind_ = cursor;
  Show();
}

void TPanelCursor::SetOverPanel(bool over) {
  if (over == overPanel_) return;
  overPanel_ = over;
  Show();
}

void TPanelCursor::Animate(uint32_t now) {
  if (custom_.Steps.size() < 2) return;
  // A step of no duration lasts one tick of the file's clock.
  for (size_t guard = 0; guard < custom_.Steps.size(); ++guard) {
    const uint32_t duration = std::max<uint32_t>(custom_.Steps[step_].Duration, 16);
    if (now - stepStart_ < duration) break;
    stepStart_ += duration;
    step_ = (step_ + 1) % custom_.Steps.size();
  }
  // After a long pause the animation goes on from now rather than catching up.
  if (now - stepStart_ > 60000) stepStart_ = now;
  Show();
}

void TPanelCursor::Show() {
  const bool custom = overPanel_ && kind_ == Custom && !custom_.Frames.empty();
  if (!custom) {
    if (showingCustom_ || shownFrame_ != -2) window_.SetCursor(nullptr);
    showingCustom_ = false;
    shownFrame_ = -2;
    return;
  }
  const int frame = custom_.Steps.empty() ? 0 : custom_.Steps[step_].Frame;
  if (showingCustom_ && frame == shownFrame_) return;
  window_.SetCursor(&custom_.Frames[static_cast<size_t>(frame)]);
  showingCustom_ = true;
  shownFrame_ = frame;
}

}  // namespace orva

#include "shell/config_window.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "shell/chrome_paint.h"
#include "shell/chrome_text.h"

namespace orva {

namespace {

constexpr int kTrackMargin = 12;

// A caption with an "&" before its accelerator: the "&" is left out and the letter underlined.
void DrawCaption(uint32_t* pixels, int pitch, const TWinRect& clip, int x, int y, const std::string& caption,
                 uint32_t color) {
  TChromeText& text = TChromeText::Instance();
  const size_t amp = caption.find('&');
  if (amp == std::string::npos || amp + 1 >= caption.size()) {
    text.Draw(pixels, pitch, clip, x, y, caption, color);
    return;
  }
  const std::string before = caption.substr(0, amp), key = caption.substr(amp + 1, 1), after = caption.substr(amp + 2);
  text.Draw(pixels, pitch, clip, x, y, before, color);
  const int keyX = x + text.Width(before);
  text.Draw(pixels, pitch, clip, keyX, y, key, color);
  ChromeFill(pixels, pitch, clip, {keyX, y + TChromeText::PixelHeight, keyX + text.Width(key), y + TChromeText::PixelHeight + 1},
             color);
  text.Draw(pixels, pitch, clip, keyX + text.Width(key), y, after, color);
}

int TickX(int position) {
  const TWinRect& t = TConfigWindow::TrackRect;
  return t.Left + kTrackMargin + (position - 1) * (t.Width() - 2 * kTrackMargin) / 4;
}

}  // namespace

TConfigWindow::TConfigWindow(TWindowSystem& window, TConfigModel& model) : window_(window), model_(model) {}

int TConfigWindow::TrackPositionAt(int x) {
  int best = 1;
  for (int p = 2; p <= 5; ++p)
    if (std::abs(x - TickX(p)) < std::abs(x - TickX(best))) best = p;
  return best;
}

void TConfigWindow::Open() {
  window_.CreateWindow("動作設定", ClientWidth, ClientHeight);
  const TWinRect desktop = window_.WorkArea(), frame = window_.FrameRect();
  window_.MoveWindow(desktop.Left + (desktop.Width() - frame.Width()) / 2,
                     desktop.Top + (desktop.Height() - frame.Height()) / 2);
  running_ = true;
  model_.Load();
  window_.ShowWindow();
  Draw();
}

int TConfigWindow::Run() {
  while (running_) {
    TWindowEvent event;
    while (running_ && window_.PollEvent(event)) HandleEvent(event);
    if (running_) window_.WaitEvent();
  }
  return 0;
}

void TConfigWindow::HandleEvent(const TWindowEvent& event) {
  using TKind = TWindowEvent::TKind;
  switch (event.Kind) {
    case TKind::Close:
      Cancel();
      break;
    case TKind::Expose:
      Draw();
      break;
    case TKind::MouseDown:
      if (event.Button == TWindowEvent::TButton::Left) Press(event.Pos);
      break;
    case TKind::MouseUp:
      if (event.Button == TWindowEvent::TButton::Left) Release(event.Pos);
      break;
    case TKind::MouseMove:
      if (dragging_) {
        model_.SetTrackPosition(TrackPositionAt(event.Pos.X));
        Draw();
      }
      break;
    case TKind::KeyDown:
      // Enter is the default button's, Escape the cancel button's.
      if (event.VirtualKey == 0x0D) Confirm();
      else if (event.VirtualKey == 0x1B) Cancel();
      break;
    default:
      break;
  }
}

void TConfigWindow::Press(TWinPoint p) {
  if (CheckRect.Contains(p)) {
    model_.SetSoundChecked(!model_.SoundChecked());
  } else if (TrackRect.Contains(p) && model_.DelayEnabled()) {
    dragging_ = true;
    model_.SetTrackPosition(TrackPositionAt(p.X));
  } else if (OkRect.Contains(p)) {
    pressed_ = OkButton;
  } else if (CancelRect.Contains(p)) {
    pressed_ = CancelButton;
  }
  Draw();
}

void TConfigWindow::Release(TWinPoint p) {
  dragging_ = false;
  const TButton pressed = std::exchange(pressed_, NoButton);
  Draw();
  if (pressed == OkButton && OkRect.Contains(p)) Confirm();
  else if (pressed == CancelButton && CancelRect.Contains(p)) Cancel();
}

void TConfigWindow::Confirm() {
  if (model_.Ok()) running_ = false;
}

void TConfigWindow::Cancel() {
  model_.Cancel();
  running_ = false;
}

void TConfigWindow::Draw() {
  const int pitch = window_.ClientWidth();
  uint32_t* px = window_.Pixels();
  const TWinRect all{0, 0, pitch, window_.ClientHeight()};
  TChromeText& text = TChromeText::Instance();
  ChromeFill(px, pitch, all, all, ChromeFace);
  ChromeEdge(px, pitch, all, FrameRect, false);
  ChromeEdge(px, pitch, all, {FrameRect.Left + 1, FrameRect.Top + 1, FrameRect.Right - 1, FrameRect.Bottom - 1}, true);

  // The check box.
  const TWinRect box{CheckRect.Left, CheckRect.Top + 2, CheckRect.Left + 13, CheckRect.Top + 15};
  ChromeFill(px, pitch, all, box, ChromeHighlight);
  ChromeEdge(px, pitch, all, box, false);
  if (model_.SoundChecked()) {
    for (int i = 0; i < 7; ++i) {
      const int x = box.Left + 3 + i, y = box.Top + (i < 3 ? 5 + i : 9 - (i - 2));
      ChromeFill(px, pitch, all, {x, y, x + 1, y + 3}, ChromeText);
    }
  }
  DrawCaption(px, pitch, all, box.Right + 4, CheckRect.Top + 2, "DirectSoundを使用する(&S)", ChromeText);

  // The delay: label, value and track bar, greyed while the box is ticked.
  const bool enabled = model_.DelayEnabled();
  const uint32_t ink = enabled ? ChromeText : ChromeGrayText;
  DrawCaption(px, pitch, all, LabelPos.Left, LabelPos.Top, "サウンドの遅延時間(&D)：", ink);
  const std::string value = model_.DelayLabel();
  text.Draw(px, pitch, all, InfoRect.Right - text.Width(value), InfoRect.Top, value, ink);
  const int channelY = TrackRect.Top + 8;
  ChromeEdge(px, pitch, all, {TrackRect.Left + kTrackMargin - 2, channelY, TrackRect.Right - kTrackMargin + 2, channelY + 4}, false);
  for (int p = 1; p <= 5; ++p)
    ChromeFill(px, pitch, all, {TickX(p), TrackRect.Bottom - 5, TickX(p) + 1, TrackRect.Bottom - 2}, ink);
  const int thumbX = TickX(std::clamp(model_.TrackPosition(), 1, 5));
  const TWinRect thumb{thumbX - 5, TrackRect.Top + 2, thumbX + 6, TrackRect.Top + 18};
  ChromeFill(px, pitch, all, thumb, enabled ? ChromeFace : ChromeHighlight);
  ChromeEdge(px, pitch, all, thumb, true);

  // The buttons; OK is the default one.
  const auto button = [&](const TWinRect& r, const char* caption, bool down, bool isDefault) {
    if (isDefault) ChromeEdge(px, pitch, all, r, false);
    const TWinRect inner = isDefault ? TWinRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1} : r;
    ChromeEdge(px, pitch, all, inner, !down);
    const int shift = down ? 1 : 0;
    text.Draw(px, pitch, inner, inner.Left + (inner.Width() - text.Width(caption)) / 2 + shift,
              inner.Top + (inner.Height() - TChromeText::PixelHeight) / 2 + shift, caption, ChromeText);
  };
  button(OkRect, "OK", pressed_ == OkButton, true);
  button(CancelRect, "キャンセル", pressed_ == CancelButton, false);
  window_.Flush({all});
}

int RunConfigWindow(TWindowSystem& window, TConfigModel& model) {
  TConfigWindow config(window, model);
  config.Open();
  return config.Run();
}

}  // namespace orva

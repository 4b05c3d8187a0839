#include "shell/window_boxes.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/chrome_paint.h"
#include "shell/chrome_text.h"

namespace orva {

namespace {

constexpr int kButtonWidth = 75, kButtonHeight = 25, kMargin = 12, kLine = 16;

struct TChoice {
  const char* label;
  TMsgResult result;
};

std::vector<TChoice> Choices(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::OK: return {{"OK", TMsgResult::OK}};
    case TMsgButtons::OKCancel: return {{"OK", TMsgResult::OK}, {"キャンセル", TMsgResult::Cancel}};
    case TMsgButtons::YesNo: return {{"はい", TMsgResult::Yes}, {"いいえ", TMsgResult::No}};
    case TMsgButtons::YesNoCancel:
      return {{"はい", TMsgResult::Yes}, {"いいえ", TMsgResult::No}, {"キャンセル", TMsgResult::Cancel}};
  }
  return {{"OK", TMsgResult::OK}};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  return lines;
}

}  // namespace

TMsgResult TWindowBoxes::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                              TMsgIcon icon) {
  const TMsgResult answer = window_.MessageBoxes().Show(text, caption, buttons, icon);
  if (answer != TMsgResult::None || window_.IsVirtual()) return answer;
  if (!window_.IsShown() || window_.ClientWidth() <= 0 || window_.ClientHeight() <= 0) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return buttons == TMsgButtons::OK ? TMsgResult::OK : TMsgResult::None;
  }
  return ShowDrawnBox(window_, text, caption, buttons);
}

TMsgResult ShowDrawnBox(TWindowSystem& window, const std::string& text, const std::string& caption,
                        TMsgButtons buttons) {
  TChromeText& font = TChromeText::Instance();
  const std::vector<TChoice> choices = Choices(buttons);
  const std::vector<std::string> lines = Lines(text);
  const int pitch = window.ClientWidth(), height = window.ClientHeight();
  int width = static_cast<int>(choices.size()) * (kButtonWidth + 8) - 8;
  for (const std::string& line : lines) width = std::max(width, font.Width(line));
  width = std::min(width + 2 * kMargin, pitch);
  const int boxHeight = std::min(kLine + 2 * kMargin + static_cast<int>(lines.size()) * kLine + kButtonHeight + kMargin, height);
  const TWinRect box{(pitch - width) / 2, (height - boxHeight) / 2, (pitch - width) / 2 + width,
                     (height - boxHeight) / 2 + boxHeight};
  std::vector<TWinRect> buttonRects;
  const int buttonsWidth = static_cast<int>(choices.size()) * (kButtonWidth + 8) - 8;
  for (size_t i = 0; i < choices.size(); ++i) {
    const int left = box.Left + (width - buttonsWidth) / 2 + static_cast<int>(i) * (kButtonWidth + 8);
    buttonRects.push_back({left, box.Bottom - kMargin - kButtonHeight, left + kButtonWidth, box.Bottom - kMargin});
  }
  const std::vector<uint32_t> saved(window.Pixels(), window.Pixels() + size_t(pitch) * size_t(height));
  int pressed = -1;
  const auto draw = [&] {
    uint32_t* px = window.Pixels();
    const TWinRect all{0, 0, pitch, height};
    ChromeFill(px, pitch, all, box, ChromeFace);
    ChromeEdge(px, pitch, all, box, true);
    ChromeFill(px, pitch, all, {box.Left + 1, box.Top + 1, box.Right - 1, box.Top + kLine + 4}, 0x2B5797);
    font.Draw(px, pitch, box, box.Left + 6, box.Top + 3, caption, 0xFFFFFF);
    for (size_t i = 0; i < lines.size(); ++i)
      font.Draw(px, pitch, box, box.Left + kMargin, box.Top + kLine + kMargin + static_cast<int>(i) * kLine, lines[i],
                ChromeText);
    for (size_t i = 0; i < choices.size(); ++i) {
      const TWinRect& r = buttonRects[i];
      ChromeFill(px, pitch, all, r, ChromeFace);
      ChromeEdge(px, pitch, all, r, pressed != static_cast<int>(i));
      font.Draw(px, pitch, r, r.Left + (r.Width() - font.Width(choices[i].label)) / 2,
                r.Top + (r.Height() - TChromeText::PixelHeight) / 2, choices[i].label, ChromeText);
    }
    window.Flush({box});
  };
  draw();
  TMsgResult answer = TMsgResult::None;
  bool answered = false;
  while (!answered) {
    TWindowEvent e;
    if (!window.PollEvent(e)) {
      window.WaitEvent();
      continue;
    }
    using TKind = TWindowEvent::TKind;
    const auto hit = [&](TWinPoint p) {
      for (size_t i = 0; i < buttonRects.size(); ++i)
        if (buttonRects[i].Contains(p)) return static_cast<int>(i);
      return -1;
    };
    switch (e.Kind) {
      case TKind::Close:
        answered = true;
        break;
      case TKind::Expose:
        draw();
        break;
      case TKind::MouseDown:
        if (e.Button == TWindowEvent::TButton::Left) pressed = hit(e.Pos);
        draw();
        break;
      case TKind::MouseUp:
        if (pressed >= 0 && hit(e.Pos) == pressed) {
          answer = choices[static_cast<size_t>(pressed)].result;
          answered = true;
        }
        pressed = -1;
        draw();
        break;
      case TKind::KeyDown:
        if (e.VirtualKey == 0x0D || e.VirtualKey == 0x20) {
          answer = choices.front().result;
          answered = true;
        } else if (e.VirtualKey == 0x1B) {
          answer = choices.back().result;
          answered = true;
        }
        break;
      default:
        // The box is the player's own: focus changes and other input wait for it.
        break;
    }
  }
  std::copy(saved.begin(), saved.end(), window.Pixels());
  window.Flush({{0, 0, pitch, height}});
  // A Close that ended the box still closes the window.
  if (answer == TMsgResult::None) window.PostClose();
  return answer;
}

}  // namespace orva

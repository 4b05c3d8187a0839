#include "platform/headless_window_system.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace orva {

namespace {

using TKind = TWindowEvent::TKind;
using TButton = TWindowEvent::TButton;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool ParseNumber(const std::string& word, long long& value) {
  if (word.empty()) return false;
  size_t used = 0;
  try {
    value = std::stoll(word, &used, 0);
  } catch (...) {
    return false;
  }
  return used == word.size();
}

int ParseKey(const std::string& word) {
  long long number = 0;
  if (ParseNumber(word, number)) return static_cast<int>(number);
  const std::string w = Lower(word);
  if (w.size() == 1 && ((w[0] >= 'a' && w[0] <= 'z') || (w[0] >= '0' && w[0] <= '9')))
    return w[0] >= 'a' ? w[0] - 'a' + 'A' : w[0];
  static const struct {
    const char* name;
    int key;
  } names[] = {{"space", 0x20}, {"return", 0x0D}, {"enter", 0x0D}, {"escape", 0x1B}, {"tab", 0x09},
               {"back", 0x08},  {"left", 0x25},   {"up", 0x26},    {"right", 0x27},  {"down", 0x28}};
  for (const auto& n : names)
    if (w == n.name) return n.key;
  if (w.size() >= 2 && w[0] == 'f' && ParseNumber(w.substr(1), number) && number >= 1 && number <= 12)
    return 0x70 + static_cast<int>(number) - 1;
  throw std::invalid_argument("unknown key: " + word);
}

TButton ParseButton(const std::string& word) {
  const std::string w = Lower(word);
  if (w == "left") return TButton::Left;
  if (w == "right") return TButton::Right;
  if (w == "middle") return TButton::Middle;
  throw std::invalid_argument("unknown button: " + word);
}

}  // namespace

std::vector<TScriptedInput> ParseInputScript(std::string_view text) {
  std::vector<TScriptedInput> entries;
  std::string all(text);
  std::replace(all.begin(), all.end(), '\n', ';');
  std::istringstream split(all);
  std::string entry;
  while (std::getline(split, entry, ';')) {
    std::istringstream in(entry);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) continue;
    const auto fail = [&entry](const char* why) { throw std::invalid_argument(std::string(why) + ": \"" + entry + "\""); };
    long long time = 0;
    if (!ParseNumber(words[0], time) || time < 0 || time > 0xFFFFFFFFll) fail("bad time");
    const std::string action = words.size() > 1 ? Lower(words[1]) : std::string();
    const auto number = [&](size_t index) {
      long long v = 0;
      if (index >= words.size() || !ParseNumber(words[index], v)) fail("missing number");
      return static_cast<int>(v);
    };
    const auto argc = words.size() - 2;
    const auto add = [&](TWindowEvent e) { entries.push_back({static_cast<uint32_t>(time), e}); };
    TWindowEvent e;
    if (action == "close" || action == "activate" || action == "deactivate" || action == "expose") {
      e.Kind = action == "close" ? TKind::Close
               : action == "activate" ? TKind::Activate
               : action == "deactivate" ? TKind::Deactivate
                                        : TKind::Expose;
      add(e);
    } else if (action == "move") {
      e.Kind = TKind::MouseMove;
      e.Pos = {number(2), number(3)};
      add(e);
    } else if (action == "click" || action == "rclick") {
      e.Pos = {number(2), number(3)};
      e.Button = action == "click" ? TButton::Left : TButton::Right;
      e.Kind = TKind::MouseMove;
      add(e);
      e.Kind = TKind::MouseDown;
      add(e);
      e.Kind = TKind::MouseUp;
      add(e);
    } else if (action == "down" || action == "up") {
      if (argc != 3) fail("expected a button and a position");
      e.Kind = action == "down" ? TKind::MouseDown : TKind::MouseUp;
      e.Button = ParseButton(words[2]);
      e.Pos = {number(3), number(4)};
      add(e);
    } else if (action == "wheel") {
      if (argc != 1 || (Lower(words[2]) != "up" && Lower(words[2]) != "down")) fail("expected up or down");
      e.Kind = TKind::Wheel;
      e.WheelDown = Lower(words[2]) == "down";
      add(e);
    } else if (action == "keydown" || action == "keyup" || action == "key" || action == "repeat") {
      if (argc != 1) fail("expected a key");
      e.VirtualKey = ParseKey(words[2]);
      e.Kind = action == "keyup" ? TKind::KeyUp : TKind::KeyDown;
      e.Repeat = action == "repeat";
      add(e);
      if (action == "key") {
        e.Kind = TKind::KeyUp;
        add(e);
      }
    } else {
      fail("unknown action");
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TScriptedInput& a, const TScriptedInput& b) { return a.Time < b.Time; });
  return entries;
}

std::deque<TMsgResult> ParseBoxAnswers(std::string_view text) {
  std::deque<TMsgResult> answers;
  std::istringstream in{std::string(text)};
  std::string word;
  while (std::getline(in, word, ',')) {
    std::istringstream trimmed(word);
    std::string w;
    trimmed >> w;
    w = Lower(w);
    if (w == "ok") answers.push_back(TMsgResult::OK);
    else if (w == "cancel") answers.push_back(TMsgResult::Cancel);
    else if (w == "yes") answers.push_back(TMsgResult::Yes);
    else if (w == "no") answers.push_back(TMsgResult::No);
    else if (!w.empty()) throw std::invalid_argument("unknown box answer: " + word);
  }
  return answers;
}

THeadlessWindowSystem::THeadlessWindowSystem(std::vector<TScriptedInput> input, std::deque<TMsgResult> answers)
    : script_(input.begin(), input.end()), boxes_(std::move(answers)) {}

void THeadlessWindowSystem::CreateWindow(const std::string& title, int clientWidth, int clientHeight) {
  title_ = title;
  SetClientSize(clientWidth, clientHeight);
}

void THeadlessWindowSystem::ShowWindow() {
  if (shown_) return;
  shown_ = true;
  queue_.push_back(WindowEvent(TKind::Activate));
}

void THeadlessWindowSystem::SetClientSize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
}

TWinRect THeadlessWindowSystem::WorkArea() {
  const TDisplayModeInfo& d = display_.Current();
  return {0, 0, static_cast<int>(d.Width), static_cast<int>(d.Height)};
}

void THeadlessWindowSystem::TakeDueInput() {
  while (!script_.empty() && static_cast<int32_t>(clock_ - script_.front().Time) >= 0) {
    const TWindowEvent& e = script_.front().Event;
    if (e.Kind == TKind::MouseMove || e.Kind == TKind::MouseDown || e.Kind == TKind::MouseUp) cursor_ = e.Pos;
    queue_.push_back(e);
    script_.pop_front();
  }
}

bool THeadlessWindowSystem::PollEvent(TWindowEvent& event) {
  TakeDueInput();
  if (queue_.empty()) return false;
  event = queue_.front();
  queue_.pop_front();
  return true;
}

void THeadlessWindowSystem::WaitEvent() {
  TakeDueInput();
  if (!queue_.empty()) return;
  if (script_.empty()) {
    queue_.push_back(WindowEvent(TKind::Close));
    return;
  }
  clock_ = script_.front().Time;
  TakeDueInput();
}

void THeadlessWindowSystem::PostClose() { queue_.push_back(WindowEvent(TKind::Close)); }

void THeadlessWindowSystem::OpenAddress(const std::string& address) {
  opened_.push_back(address);
  std::fprintf(stderr, "[open] %s\n", address.c_str());
}

TMsgResult THeadlessWindowSystem::TBoxes::Show(const std::string& text, const std::string& caption,
                                               TMsgButtons buttons, TMsgIcon) {
  TMsgResult answer = buttons == TMsgButtons::OK ? TMsgResult::OK : TMsgResult::None;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  static const char* const names[] = {"none", "ok", "cancel", "yes", "no"};
  std::fprintf(stderr, "[%s] %s -> %s\n", caption.c_str(), text.c_str(), names[static_cast<int>(answer)]);
  return answer;
}

}  // namespace orva

#include "platform/headless_window_system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "platform/close_signals.h"

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
  } names[] = {{"space", 0x20},  {"return", 0x0D}, {"enter", 0x0D},   {"escape", 0x1B},   {"tab", 0x09},
               {"back", 0x08},   {"left", 0x25},   {"up", 0x26},      {"right", 0x27},    {"down", 0x28},
               {"shift", 0x10},  {"control", 0x11}, {"ctrl", 0x11},   {"home", 0x24},     {"end", 0x23},
               {"delete", 0x2E}, {"insert", 0x2D}, {"pageup", 0x21},  {"pagedown", 0x22}};
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

// The rest of an entry after its time and action, without the spaces around it.
std::string TextArgument(const std::string& entry) {
  std::istringstream in(entry);
  std::string skipped;
  in >> skipped >> skipped;
  std::string rest;
  std::getline(in, rest, '\0');
  const size_t first = rest.find_first_not_of(" \t\r"), last = rest.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : rest.substr(first, last - first + 1);
}

// The length of the UTF-8 sequence a byte starts (1 for a stray byte).
size_t Utf8Length(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

// The keys held when each event comes, for the modifiers of key and mouse events.
void MarkModifiers(std::vector<TScriptedInput>& entries) {
  bool shift = false, control = false;
  for (TScriptedInput& entry : entries) {
    TWindowEvent& e = entry.Event;
    if (e.Kind == TKind::KeyDown || e.Kind == TKind::KeyUp) {
      const bool down = e.Kind == TKind::KeyDown;
      if (e.VirtualKey == 0x10) shift = down;
      if (e.VirtualKey == 0x11) control = down;
    }
    if (e.Kind == TKind::KeyDown || e.Kind == TKind::KeyUp || e.Kind == TKind::MouseDown ||
        e.Kind == TKind::MouseUp || e.Kind == TKind::MouseMove) {
      e.Shift = shift;
      e.Control = control;
    }
  }
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
    } else if (action == "type") {
      // Letters, digits and spaces come with their keys, as a keyboard gives them; any other
      // character as text alone, as an input method commits it.
      const std::string text = TextArgument(entry);
      for (size_t i = 0; i < text.size();) {
        const size_t n = std::min(Utf8Length(static_cast<unsigned char>(text[i])), text.size() - i);
        const char c = text[i];
        const bool keyed = n == 1 && (std::isalnum(static_cast<unsigned char>(c)) || c == ' ');
        TWindowEvent key;
        key.VirtualKey = c == ' ' ? 0x20 : std::toupper(static_cast<unsigned char>(c));
        if (keyed) {
          key.Kind = TKind::KeyDown;
          add(key);
        }
        TWindowEvent typed;
        typed.Kind = TKind::TextInput;
        typed.Text = text.substr(i, n);
        add(typed);
        if (keyed) {
          key.Kind = TKind::KeyUp;
          add(key);
        }
        i += n;
      }
    } else if (action == "compose" || action == "commit") {
      e.Kind = action == "compose" ? TKind::TextEditing : TKind::TextInput;
      e.Text = TextArgument(entry);
      add(e);
    } else {
      fail("unknown action");
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TScriptedInput& a, const TScriptedInput& b) { return a.Time < b.Time; });
  MarkModifiers(entries);
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
  if (TakeCloseSignal()) {
    event = WindowEvent(TKind::Close);
    return true;
  }
  TakeDueInput();
  while (!queue_.empty()) {
    event = queue_.front();
    queue_.pop_front();
    // Text comes only while text input is on, as from a real window.
    const bool text = event.Kind == TKind::TextInput || event.Kind == TKind::TextEditing;
    if (!text || textInput_.TextInputOn()) return true;
  }
  return false;
}

void THeadlessWindowSystem::WaitEvent() {
  TakeDueInput();
  if (!queue_.empty() || CloseSignalPending()) return;
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

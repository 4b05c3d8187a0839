// The headless window: its input script, its virtual clock and waiting, and its box answers.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless_window_system.h"

namespace orva {
namespace {

using TKind = TWindowEvent::TKind;

std::string Describe(const TScriptedInput& in) {
  const TWindowEvent& e = in.Event;
  std::string s = std::to_string(in.Time) + " ";
  if (e.Shift) s += "shift+";
  if (e.Control) s += "ctrl+";
  switch (e.Kind) {
    case TKind::Close: return s + "close";
    case TKind::Activate: return s + "activate";
    case TKind::Deactivate: return s + "deactivate";
    case TKind::Expose: return s + "expose";
    case TKind::MouseDown:
    case TKind::MouseUp:
      return s + (e.Kind == TKind::MouseDown ? "down " : "up ") + std::to_string(static_cast<int>(e.Button)) + " " +
             std::to_string(e.Pos.X) + "," + std::to_string(e.Pos.Y);
    case TKind::MouseMove: return s + "move " + std::to_string(e.Pos.X) + "," + std::to_string(e.Pos.Y);
    case TKind::Wheel: return s + (e.WheelDown ? "wheel down" : "wheel up");
    case TKind::KeyDown: return s + (e.Repeat ? "repeat " : "keydown ") + std::to_string(e.VirtualKey);
    case TKind::KeyUp: return s + "keyup " + std::to_string(e.VirtualKey);
    case TKind::AudioDeviceRemoved: return s + "audio";
    case TKind::TextInput: return s + "text " + e.Text;
    case TKind::TextEditing: return s + "compose " + e.Text;
  }
  return s;
}

TEST(HeadlessWindow, TheInputScriptInTimeOrder) {
  const std::vector<TScriptedInput> script =
      ParseInputScript("500 click 10 20; 100 key space\n0x20 wheel down;200 keydown F12 ; 300 repeat a;"
                       "400 down right 1 2; 400 up middle 3 4; 600 close;700 deactivate");
  std::vector<std::string> described;
  for (const TScriptedInput& in : script) described.push_back(Describe(in));
  EXPECT_EQ(described, (std::vector<std::string>{
                           "32 wheel down", "100 keydown 32", "100 keyup 32", "200 keydown 123", "300 repeat 65",
                           "400 down 1 1,2", "400 up 2 3,4", "500 move 10,20", "500 down 0 10,20", "500 up 0 10,20",
                           "600 close", "700 deactivate"}));
}

TEST(HeadlessWindow, ScriptsThatCannotBeReadAreRefused) {
  for (const char* bad : {"soon close", "10 jump", "10 click 5", "10 key nokey", "10 down up 1 2", "10 wheel left",
                          "-5 close", "10 key"})
    EXPECT_THROW(ParseInputScript(bad), std::invalid_argument) << bad;
  EXPECT_THROW(ParseBoxAnswers("yes,maybe"), std::invalid_argument);
  EXPECT_EQ(ParseBoxAnswers("Yes, no ,OK"), (std::deque<TMsgResult>{TMsgResult::Yes, TMsgResult::No, TMsgResult::OK}));
}

TEST(HeadlessWindow, WaitingJumpsToTheNextInputAndClosesWhenNoneIsLeft) {
  THeadlessWindowSystem window(ParseInputScript("1000 move 5 6"), {});
  window.CreateWindow("t", 10, 10);
  window.ShowWindow();
  TWindowEvent e;
  ASSERT_TRUE(window.PollEvent(e));
  EXPECT_EQ(e.Kind, TKind::Activate) << "active once shown";
  EXPECT_FALSE(window.PollEvent(e));
  window.Sleep(15);
  window.FrameStepped();
  EXPECT_EQ(window.Milliseconds(), 16u);
  window.WaitEvent();
  EXPECT_EQ(window.Milliseconds(), 1000u);
  ASSERT_TRUE(window.PollEvent(e));
  EXPECT_EQ(e.Kind, TKind::MouseMove);
  EXPECT_EQ(window.CursorPos(), (TWinPoint{5, 6}));
  window.WaitEvent();
  ASSERT_TRUE(window.PollEvent(e));
  EXPECT_EQ(e.Kind, TKind::Close);
  EXPECT_EQ(window.Milliseconds(), 1000u);
}

// Typed text: letters, digits and spaces with their keys, anything else as committed text;
// compositions and commits of the input method; the modifiers held before each key or click.
TEST(HeadlessWindow, TypedTextCompositionsAndModifiers) {
  const std::vector<TScriptedInput> script = ParseInputScript(
      "10 type a 1;20 compose に ほ ;30 compose;40 commit 日本;50 type é;"
      "60 keydown shift; 61 key HOME; 62 click 1 2; 63 keyup SHIFT; 64 keydown ctrl; 65 key v; 66 keyup control");
  std::vector<std::string> described;
  for (const TScriptedInput& in : script) described.push_back(Describe(in));
  EXPECT_EQ(described, (std::vector<std::string>{
                           "10 keydown 65", "10 text a", "10 keyup 65", "10 keydown 32", "10 text  ", "10 keyup 32",
                           "10 keydown 49", "10 text 1", "10 keyup 49", "20 compose に ほ", "30 compose ",
                           "40 text 日本", "50 text é", "60 shift+keydown 16", "61 shift+keydown 36",
                           "61 shift+keyup 36", "62 shift+move 1,2", "62 shift+down 0 1,2", "62 shift+up 0 1,2",
                           "63 keyup 16", "64 ctrl+keydown 17", "65 ctrl+keydown 86", "65 ctrl+keyup 86",
                           "66 keyup 17"}));
}

// Text events come only while text input is on, as from a real window; keys always.
TEST(HeadlessWindow, TextArrivesOnlyWhileTextInputIsOn) {
  THeadlessWindowSystem window(ParseInputScript("10 type a; 20 compose x; 30 type b"), {});
  const auto take = [&] {
    std::vector<TKind> kinds;
    TWindowEvent e;
    while (window.PollEvent(e)) kinds.push_back(e.Kind);
    return kinds;
  };
  window.Sleep(25);
  EXPECT_EQ(take(), (std::vector<TKind>{TKind::KeyDown, TKind::KeyUp}));
  EXPECT_FALSE(window.TextInput().TextInputOn());
  window.TextInput().SetTextInput(true);
  window.Sleep(10);
  EXPECT_EQ(take(), (std::vector<TKind>{TKind::KeyDown, TKind::TextInput, TKind::KeyUp}));
  window.TextInput().SetClipboardText("c");
  EXPECT_EQ(window.TextInput().ClipboardText(), "c");
}

TEST(HeadlessWindow, BoxesAreAnsweredInOrderThenByDefault) {
  THeadlessWindowSystem window({}, {TMsgResult::No});
  TMessageBoxService& boxes = window.MessageBoxes();
  EXPECT_EQ(boxes.Show("q", "c", TMsgButtons::YesNo, TMsgIcon::Question), TMsgResult::No);
  EXPECT_EQ(boxes.Show("q", "c", TMsgButtons::YesNo, TMsgIcon::Question), TMsgResult::None);
  EXPECT_EQ(boxes.Show("w", "c", TMsgButtons::OK, TMsgIcon::Warning), TMsgResult::OK);
}

}  // namespace
}  // namespace orva

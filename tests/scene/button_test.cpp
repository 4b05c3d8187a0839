// Buttons played through the input step on a virtual clock: the looks the mouse and the
// left button choose, the click and its ONNOTIFY, the clicked look and its hand-over, radio
// and toggle groups, the one-shot button, Enter and Space with their repeats, and the stored
// form of this version and of the oldest.
#include <gtest/gtest.h>

#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "kit/scene_input.h"
#include "image_test_kit.h"
#include "scene/button.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;

constexpr int VkSpace = 32;

class ButtonTest : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    previous_ = RegisterObjectClass(LT_BUTTON,
                                    [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaButton>(s); });
    // 20 × 10 looks of their own colours; the clicked look plays three frames of 50 ms.
    AddPicture("n.vsk", {{.Width = 20, .Height = 10, .Colour = 0x101010}});
    AddPicture("h.vsk", {{.Width = 20, .Height = 10, .Colour = 0x202020}});
    AddPicture("p.vsk", {{.Width = 20, .Height = 10, .Colour = 0x303030}});
    AddPicture("c.vsk", {{.Width = 20, .Height = 10, .Colour = 0x404040, .Delay = 50},
                         {.Width = 20, .Height = 10, .Colour = 0x505050, .Delay = 50},
                         {.Width = 20, .Height = 10, .Colour = 0x606060, .Delay = 50}});
  }
  void TearDown() override {
    RegisterObjectClass(LT_BUTTON, previous_);
    ImageFixture::TearDown();
  }
  // A button at (100 + 30 × k, 100) with the looks named ("" for none).
  TOrvaButton* MakeButton(std::string_view name, int k, std::string_view hover = "h.vsk",
                          std::string_view pressed = "p.vsk", std::string_view clicked = "c.vsk") {
    auto* button = static_cast<TOrvaButton*>(Scene().CreateObject(LT_BUTTON));
    button->SetName(name);
    button->SetParent(Scene().ActiveLayer());
    button->SetSource("n.vsk");
    button->SetHoverSource(hover);
    button->SetPressedSource(pressed);
    button->SetClickedSource(clicked);
    button->SetLeft(100 + 30 * k);
    button->SetTop(100);
    button->SetOnNotify(std::string(name) + ".osb");
    return button;
  }
  static std::string At(int k) { return std::to_string(105 + 30 * k) + " 105"; }
  // Frames until the clicked look has ended (at most 40); their events.
  std::vector<std::string> UntilClickedEnds(TOrvaButton& button) {
    std::vector<std::string> events;
    for (int i = 0; i < 40 && button.GetState() == TOrvaButton::Clicked; ++i)
      for (std::string& e : input.Frame("")) events.push_back(e);
    return events;
  }

  kit::FrameScope frames;
  kit::SceneInput input;

 private:
  TObjectConstructor previous_;
};

TEST_F(ButtonTest, TheMouseChoosesTheLooksAndAReleaseOverTheButtonClicks) {
  TOrvaButton* b = MakeButton("b", 0);
  b->SetOnLBtnDown("down.osb");
  b->SetOnLBtnUp("up.osb");
  struct Step {
    std::string input;
    int32_t state;
    std::vector<std::string> events;
  };
  const Step steps[] = {
      {"move " + At(0), TOrvaButton::Hover, {}},
      // The press captures the button; no ONLBTNDOWN or ONLBTNUP is queued.
      {"press L", TOrvaButton::Pressed, {}},
      {"move 50 50", TOrvaButton::Normal, {}},
      {"move " + At(0), TOrvaButton::Pressed, {}},
      {"release", TOrvaButton::Clicked, {"33()"}},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(input.Frame(s.input), s.events) << s.input;
    EXPECT_EQ(b->GetState(), s.state) << s.input;
  }
  EXPECT_FALSE(b->GetRepeat()) << "the clicked look plays once";
  // The clicked look ends in the normal look: no other was asked for while it played.
  EXPECT_TRUE(UntilClickedEnds(*b).empty());
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);

  // Pressed, dragged off and released elsewhere: no click.
  input.Frame("move " + At(0));
  input.Frame("press L");
  input.Frame("move 50 50");
  EXPECT_TRUE(input.Frame("release").empty());
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);

  // A hover asked for while the clicked look plays comes when it ends.
  input.Frame("move " + At(0) + " press L");
  input.Frame("release");
  ASSERT_EQ(b->GetState(), TOrvaButton::Clicked);
  input.Frame("move 106 106");
  EXPECT_EQ(b->GetState(), TOrvaButton::Clicked);
  UntilClickedEnds(*b);
  EXPECT_EQ(b->GetState(), TOrvaButton::Hover);
}

TEST_F(ButtonTest, ALookThatDoesNotExistIsNeverEntered) {
  // No hover look: the mouse over it leaves it normal. A hover asked for while the clicked
  // look plays has no look either: the hand-over takes the normal look instead of none.
  TOrvaButton* b = MakeButton("b", 0, "", "p.vsk", "c.vsk");
  input.Frame("move " + At(0));
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);
  input.Frame("press L");
  input.Frame("release");
  ASSERT_EQ(b->GetState(), TOrvaButton::Clicked);
  b->SetState(TOrvaButton::Hover);
  UntilClickedEnds(*b);
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);
  EXPECT_EQ(b->GetImage(), b->GetFrameList()->GetItem(0)->GetDIB());

  // Without a clicked look a click stays in the pressed look until the release.
  TOrvaButton* plain = MakeButton("plain", 1, "h.vsk", "p.vsk", "");
  input.Frame("move " + At(1) + " press L");
  EXPECT_EQ(plain->GetState(), TOrvaButton::Pressed);
  EXPECT_EQ(input.Frame("release"), std::vector<std::string>{"33()"});
  EXPECT_EQ(plain->GetState(), TOrvaButton::Normal);
}

TEST_F(ButtonTest, RadioAndToggleGroups) {
  TOrvaButton* b[3] = {MakeButton("a", 0), MakeButton("b", 1), MakeButton("c", 2)};
  // Group 0 is no group: selecting is ignored.
  b[0]->SetSelected(true);
  EXPECT_FALSE(b[0]->GetSelected());
  for (TOrvaButton* x : b) x->SetGroupIndex(1);
  // The group update leaves its first member selected.
  EXPECT_TRUE(b[0]->GetSelected());
  auto click = [&](int k) {
    input.Frame("move " + At(k) + " press L");
    return input.Frame("release");
  };
  auto selected = [&] {
    std::vector<bool> s;
    for (TOrvaButton* x : b) s.push_back(x->GetSelected());
    return s;
  };
  EXPECT_EQ(click(1), std::vector<std::string>{"33()"});
  EXPECT_EQ(selected(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(b[1]->GetState(), TOrvaButton::Pressed);
  EXPECT_EQ(b[0]->GetState(), TOrvaButton::Normal);
  // A radio button stays down when it is clicked again.
  EXPECT_EQ(click(1), std::vector<std::string>{"33()"});
  EXPECT_EQ(selected(), (std::vector<bool>{false, true, false}));
  // With ALLOWALLUP (given to the whole group) the click lets it up, and none is down.
  b[2]->SetAllowAllUp(true);
  EXPECT_TRUE(b[0]->GetAllowAllUp() && b[1]->GetAllowAllUp());
  click(1);
  EXPECT_EQ(selected(), (std::vector<bool>{false, false, false}));
  input.Frame("move 50 50");
  EXPECT_EQ(b[1]->GetState(), TOrvaButton::Normal);
}

TEST_F(ButtonTest, AOneShotButtonGoesAfterItsClick) {
  // Without a clicked look: at the update after the click; with one: when it has played,
  // without ONPLAYEND.
  TOrvaButton* once = MakeButton("once", 0, "h.vsk", "p.vsk", "");
  once->SetAutoScrap(true);
  input.Frame("move " + At(0) + " press L");
  EXPECT_EQ(input.Frame("release noidle"), std::vector<std::string>{"33()"});
  EXPECT_EQ(once->GetPressPhase(), -1);
  input.Frame("");
  EXPECT_EQ(Scene().IndexOfName("once"), -1);

  TOrvaButton* played = MakeButton("played", 1);
  played->SetAutoScrap(true);
  played->SetOnPlayEnd("end.osb");
  input.Frame("move " + At(1) + " press L");
  input.Frame("release");
  int frames = 0;
  while (Scene().IndexOfName("played") >= 0 && frames < 40) {
    EXPECT_TRUE(input.Frame("").empty());
    ++frames;
  }
  EXPECT_GT(frames, 5);
  EXPECT_EQ(Scene().IndexOfName("played"), -1);
}

TEST_F(ButtonTest, EnterAndSpaceClickTheFocusButtonAtThePressAndAtEveryRepeat) {
  TOrvaButton* b = MakeButton("b", 0, "h.vsk", "p.vsk", "");
  b->SetHandleKey(true);
  input.Frame("");
  ASSERT_EQ(Scene().GetFocus(), b);
  std::vector<int> clicks;
  for (int frame = 0; frame < 30; ++frame) {
    const std::vector<std::string> events = input.Frame(frame == 0 ? "keydown 32" : "");
    if (!events.empty()) clicks.push_back(frame);
  }
  // At the press, after 300 ms of 16-ms frames, then every 50 ms.
  EXPECT_EQ(clicks, (std::vector<int>{0, 19, 22, 25, 29}));
  input.Frame("keyup 32");
}

TEST_F(ButtonTest, APausedButtonNeitherHoversNorTakesThePress) {
  TOrvaButton* b = MakeButton("b", 0);
  b->SetPaused(true);
  input.Frame("move " + At(0));
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);
  input.Frame("press L");
  EXPECT_EQ(b->GetPressPhase(), 0);
  EXPECT_TRUE(input.Frame("release").empty());
  b->SetState(TOrvaButton::Hover);
  b->SetPaused(false);
  EXPECT_EQ(b->GetState(), TOrvaButton::Normal);
}

TEST_F(ButtonTest, ARadioGroupComesBackFromASave) {
  TOrvaButton* b[3] = {MakeButton("a", 0), MakeButton("b", 1), MakeButton("c", 2)};
  for (TOrvaButton* x : b) x->SetGroupIndex(4);
  b[2]->SetSelected(true);
  b[1]->SetOnIdle("idle.osb");
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, 133);
  std::vector<bool> selected;
  std::vector<int32_t> states;
  for (const char* name : {"a", "b", "c"}) {
    auto* button = static_cast<TOrvaButton*>(Scene().FindObject(name));
    ASSERT_NE(button, nullptr) << name;
    selected.push_back(button->GetSelected());
    states.push_back(button->GetState());
    EXPECT_EQ(button->GetClickedSource(), "c.vsk");
    EXPECT_EQ(button->GetPressPhase(), 0);
  }
  EXPECT_EQ(selected, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(states, (std::vector<int32_t>{0, 0, 2}));
  EXPECT_EQ(Scene().FindObject("b")->GetOnIdle(), "idle.osb");
}

TEST_F(ButtonTest, AVersion103SaveHasNoIdleHandlerNorClickedLook) {
  kit::ControlRecord record;
  record.Name = "old";
  kit::Fields fields;
  // The image: alpha, zoom x, angle, flips, capture mask; countdown, index, brightness,
  // paused, the delay expression; repeat, auto-scrap, source, play-end handler. Then the
  // button: hover and pressed sources, group index, selected, allow-all-up, notify handler.
  fields.Int(255).Int(256).Int(0).Byte(0).Byte(0).Byte(0);
  fields.Int(0).Int(0).Int(0).Byte(0).Raw(kit::Expr(""));
  fields.Byte(1).Byte(0).Str("n.vsk").Str("");
  fields.Str("h.vsk").Str("p.vsk").Int(0).Byte(0).Byte(0).Str("old.osb");
  record.Extra = fields.Bytes();
  kit::SceneBuilder builder(103);
  builder.Control(record);
  TMemoryStream& old = builder.Done();
  auto* loaded = static_cast<TOrvaButton*>(Scene().CreateObject(LT_BUTTON));
  loaded->SetParent(Scene().ActiveLayer());
  loaded->LoadFromStream(old, 103);
  EXPECT_EQ(old.GetPosition(), old.GetSize());
  EXPECT_EQ(loaded->GetHoverSource(), "h.vsk");
  EXPECT_EQ(loaded->GetOnNotify(), "old.osb");
  EXPECT_EQ(loaded->GetClickedSource(), "");
  EXPECT_EQ(loaded->GetWidth(), 20);
}

}  // namespace
}  // namespace orva

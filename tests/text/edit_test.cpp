// Edits and memos on a headless scene: the notify event at every key, the input method's
// compositions and commits, where the box is shown and when it holds the text focus, the keys
// kept from the scene, its properties and stored form, and its window drawn over the scene.
// Text comes in as the main window hands it over (DispatchTextEvent); the platform's input
// method is a recording fake.
#include <gtest/gtest.h>

#include <functional>

#include "core/encoding.h"
#include "kit/scene_builder.h"
#include "kit/scene_doubles.h"
#include "mes_fixture.h"
#include "platform/text_input.h"
#include "text/orva_edit.h"

namespace orva {
namespace {

using mes_test::MesFixture;

constexpr int VK_RETURN = 13, VK_SHIFT = 16;

class EditTest : public MesFixture {
 protected:
  EditTest() {
    fake->fallback = kit::FakeGlyph::Box(8, 10, 1, 12, 10);
    fake->metrics.Height = 16;
    SetTextInputService(&input);
  }
  ~EditTest() override {
    SetTextInputService(nullptr);
    SetTextFocus(nullptr);
  }

  // A box of the type on the shown layer at (100, 100), 200 × 40, with a notify handler.
  TOrvaEdit& Make(int type = LT_EDIT, std::string_view name = "e", TOrvaControl* parent = nullptr) {
    auto* edit = static_cast<TOrvaEdit*>(Scene().CreateObject(type));
    edit->SetName(name);
    edit->SetOnNotify("notify.osb");
    edit->SetParent(parent ? parent : Scene().ActiveLayer());
    edit->SetBounds(100, 100, 200, 40);
    return *edit;
  }
  // The events of the notify handler, "key,text", and the others as "kind(args)".
  std::vector<std::string> Notified() {
    std::vector<std::string> out;
    for (const std::string& e : TakeEvents())
      out.push_back(e.starts_with("33(") ? e.substr(3, e.size() - 4) : e);
    return out;
  }
  static bool Key(int code, bool repeat = false) {
    TWindowEvent e;
    e.Kind = TWindowEvent::TKind::KeyDown;
    e.VirtualKey = code;
    e.Repeat = repeat;
    const bool taken = DispatchTextEvent(e);
    e.Kind = TWindowEvent::TKind::KeyUp;
    DispatchTextEvent(e);
    return taken;
  }
  static void Text(TWindowEvent::TKind kind, std::string utf8) {
    TWindowEvent e;
    e.Kind = kind;
    e.Text = std::move(utf8);
    DispatchTextEvent(e);
  }
  // A key as a keyboard without input method gives it: the key, then its character.
  static void Type(int code, std::string utf8) {
    TWindowEvent e;
    e.Kind = TWindowEvent::TKind::KeyDown;
    e.VirtualKey = code;
    DispatchTextEvent(e);
    Text(TWindowEvent::TKind::TextInput, std::move(utf8));
    e.Kind = TWindowEvent::TKind::KeyUp;
    DispatchTextEvent(e);
  }
  static void Compose(std::string utf8) { Text(TWindowEvent::TKind::TextEditing, std::move(utf8)); }
  static void Commit(std::string utf8) { Text(TWindowEvent::TKind::TextInput, std::move(utf8)); }

  TMemoryTextInput input;
};

TEST_F(EditTest, EveryKeyDownNotifiesItsCodeAndTheTextBeforeIt) {
  for (int type : {LT_EDIT, LT_MEMO}) {
    SCOPED_TRACE(type);
    TOrvaEdit& edit = Make(type);
    edit.SetText("x");
    Notified();
    Type('A', "A");
    EXPECT_EQ(Notified(), std::vector<std::string>{"65,x"});
    EXPECT_EQ(edit.GetText(), "Ax") << "the caret starts at the front";
    Key(VK_RETURN);
    EXPECT_EQ(Notified(), std::vector<std::string>{"13,Ax"});
    EXPECT_EQ(edit.GetText(), type == LT_EDIT ? "Ax" : "A\r\nx") << "the edit swallows Enter";
    Key(VK_SHIFT);
    Key('B', true);
    Key('B', true);
    EXPECT_EQ(Notified().size(), 3u) << "modifiers and repeats notify too";
    edit.SetOnNotify("");
    Type('C', "c");
    EXPECT_EQ(Notified(), std::vector<std::string>{});
    edit.FreeNow();
  }
}

// The input method takes the keys: each change of the composition and the commit notify 229,
// the composition stays out of TEXT, the commit enters it as CP932, and what CP932 cannot
// hold is dropped.
TEST_F(EditTest, TheInputMethodsTextNotifies229AndEntersAsCp932) {
  TOrvaEdit& edit = Make();
  Notified();
  for (const char* composing : {"に", "にほ", "にほん", "にほん"}) Compose(composing);
  EXPECT_EQ(Notified(), (std::vector<std::string>{"229,", "229,", "229,"})) << "an unchanged composition is no key";
  EXPECT_EQ(edit.Box().Composition(), Utf8ToSjis("にほん"));
  EXPECT_EQ(edit.GetText(), "");
  Commit("日本");
  EXPECT_EQ(Notified(), std::vector<std::string>{"229,"}) << "confirming with Enter sends no 13";
  EXPECT_EQ(edit.GetText(), Utf8ToSjis("日本"));
  EXPECT_EQ(edit.Box().Composition(), "");
  Commit("😀");
  EXPECT_EQ(Notified(), std::vector<std::string>{"229," + Utf8ToSjis("日本")});
  EXPECT_EQ(edit.GetText(), Utf8ToSjis("日本"));
  // The candidates stand at the caret, in scene coordinates: two characters in.
  EXPECT_EQ(input.candidate, (TWinRect{100 + 2 + 20, 100 + 1, 100 + 2 + 21, 100 + 1 + 16}));
}

TEST_F(EditTest, ABoxPlacedOnScreenTakesTheTextFocusAndTheScenesFocus) {
  Scene().SetKeyState('Z', true);
  TOrvaEdit& first = Make(LT_EDIT, "first");
  first.SetOnFocusIn("in.osb");
  EXPECT_TRUE(first.WindowShown());
  EXPECT_TRUE(first.HasTextFocus());
  EXPECT_TRUE(input.TextInputOn());
  EXPECT_EQ(Scene().GetFocus(), &first);
  EXPECT_FALSE(Scene().IsKeyDown('Z')) << "the scene's keys are cleared";
  EXPECT_TRUE(first.GetHandleKey());
  TOrvaEdit& second = Make(LT_MEMO, "second");
  EXPECT_TRUE(second.HasTextFocus()) << "the last placed";
  EXPECT_FALSE(first.HasTextFocus());
  EXPECT_EQ(Scene().GetFocus(), &second);
  // The scene gives the focus back: a shown, enabled box takes the text focus with it.
  Scene().SetFocus(&first);
  EXPECT_TRUE(first.HasTextFocus());
  second.FreeNow();
  EXPECT_TRUE(first.HasTextFocus());
  first.FreeNow();
  EXPECT_EQ(TextFocus(), nullptr);
  EXPECT_FALSE(input.TextInputOn()) << "text input is off while no box holds the focus";
}

TEST_F(EditTest, ABoxOffTheShownLayerOrInAHiddenParentIsHidden) {
  auto* box = CreateSceneObject<kit::FillBox>(Scene());
  box->SetParent(Scene().ActiveLayer());
  box->SetBounds(0, 0, 400, 400);
  auto* cabinet = static_cast<TOrvaControl*>(CreateSceneObject<TOrvaCabinet>(Scene()));
  cabinet->SetParent(Scene().ActiveLayer());
  struct Case {
    const char* where;
    TOrvaControl* parent;
    std::function<void()> hide, show;
  } cases[] = {
      {"the other layer", Scene().GetLayer(1), [] {}, [&] { Scene().SetActiveBase(1, 0, 0, 0, true, false); }},
      {"a hidden parent", box, [&] { box->SetVisible(false); }, [&] { box->SetVisible(true); }},
      {"its own flag", nullptr, [] {}, [] {}},
      {"a cabinet", cabinet, [] {}, [] {}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.where);
    Scene().SetActiveBase(0, 0, 0, 0, true, false);
    c.hide();
    TOrvaEdit& edit = Make(LT_EDIT, "e", c.parent);
    if (!c.parent) edit.SetVisible(false);
    EXPECT_FALSE(edit.WindowShown());
    EXPECT_FALSE(edit.HasTextFocus());
    EXPECT_FALSE(input.TextInputOn());
    c.show();
    if (!c.parent) edit.SetVisible(true);
    Idle();
    const bool shows = c.parent != cabinet;
    EXPECT_EQ(edit.WindowShown(), shows);
    // Shown again by its update it is placed and takes the focus; shown by VISIBLE it does not.
    EXPECT_EQ(edit.HasTextFocus(), shows && c.parent);
    edit.FreeNow();
  }
}

TEST_F(EditTest, APausedBoxTakesNoKeysAndAMovedFocusEndsTyping) {
  TOrvaEdit& edit = Make();
  edit.SetPaused(true);
  EXPECT_TRUE(edit.GetPaused());
  EXPECT_FALSE(edit.HasTextFocus());
  EXPECT_FALSE(Key('A')) << "the scene hears the key";
  Scene().SetFocus(nullptr);
  Scene().SetFocus(&edit);
  EXPECT_FALSE(edit.HasTextFocus()) << "a disabled window takes no focus";
  edit.SetPaused(false);
  Scene().SetFocus(nullptr);
  Scene().SetFocus(&edit);
  ASSERT_TRUE(edit.HasTextFocus());
  // While it types, the keys are the box's: the scene's key state stays as it was.
  EXPECT_TRUE(Key('A'));
  EXPECT_FALSE(Scene().IsKeyDown('A'));
  auto* other = CreateSceneObject<kit::FillBox>(Scene());
  other->SetParent(Scene().ActiveLayer());
  other->SetHandleKey(true);
  Scene().SetFocus(other);
  Idle();
  EXPECT_FALSE(edit.HasTextFocus()) << "the game's keys are the game's again";
  EXPECT_FALSE(Key('A'));
}

TEST_F(EditTest, PropertiesAsTheNativeControlAnswersThem) {
  TOrvaEdit& edit = Make();
  TOrvaEdit& memo = Make(LT_MEMO, "m");
  EXPECT_EQ(edit.GetCompoType(), LT_EDIT);
  EXPECT_EQ(memo.GetCompoType(), LT_MEMO);
  edit.SetFontHeight(-20);
  EXPECT_EQ(edit.GetFontHeight(), 20) << "a character height reads as a positive number";
  EXPECT_EQ(edit.Box().FontHeight(), -20);
  edit.SetFontHeight(INT32_MIN);
  EXPECT_EQ(edit.GetFontHeight(), INT32_MIN) << "as a 32-bit absolute value wraps";
  for (uint8_t align : {0, 1, 2}) {
    memo.SetHAlign(align);
    EXPECT_EQ(memo.GetHAlign(), align);
  }
  edit.SetHAlign(2);
  EXPECT_EQ(edit.GetHAlign(), 0) << "an edit has no alignment";
  edit.SetFontStyle(IntToFontStyles(5));
  EXPECT_EQ(FontStylesToInt(edit.GetFontStyle()), 5);
  edit.SetHandleKey(false);
  EXPECT_TRUE(edit.GetHandleKey());
}

// The stored form after the control's: paused, text, font name, height, style, colours,
// read-only, the memo's alignment, the handler. A load places the box, and the scene's stored
// focus decides which box types.
TEST_F(EditTest, TheStoredFormReadsBackAndPlacesTheBox) {
  for (uint8_t type : {uint8_t(LT_EDIT), uint8_t(LT_MEMO)}) {
    SCOPED_TRACE(int(type));
    TMemoryStream fields;
    WriteStreamBool(fields, false);
    WriteStreamString(fields, "ab");
    WriteStreamString(fields, "IPAGothic");
    WriteStreamInt(fields, -18);
    WriteStreamByte(fields, 1);
    WriteStreamInt(fields, 0x0000FF);
    WriteStreamInt(fields, 0x00FF00);
    WriteStreamBool(fields, true);
    if (type == LT_MEMO) WriteStreamByte(fields, 2);
    WriteStreamString(fields, "n.osb");
    kit::SceneRecord scene;
    for (const char* name : {"one", "two"}) {
      kit::ControlRecord record;
      record.Type = type;
      record.Name = name;
      record.Left = 10;
      record.Top = 20;
      record.Width = 100;
      record.Height = 30;
      record.Extra = std::string(fields.View());
      scene.Layers[0].Children.push_back(record);
    }
    scene.Focus = "one";
    kit::SceneBuilder builder(GameSaveVersion);
    builder.Scene(scene);
    TMemoryStream& stream = builder.Done();
    Scene().LoadFromStream(stream, GameSaveVersion);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    auto* one = dynamic_cast<TOrvaEdit*>(Scene().FindObject("one"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->GetText(), "ab");
    EXPECT_EQ(one->GetFontName(), "IPAGothic");
    EXPECT_EQ(one->GetFontHeight(), 18);
    EXPECT_EQ(FontStylesToInt(one->GetFontStyle()), 1);
    EXPECT_EQ(one->GetFontColor(), 0x0000FF);
    EXPECT_EQ(one->GetColor(), 0x00FF00);
    EXPECT_TRUE(one->GetReadOnly());
    EXPECT_EQ(one->GetHAlign(), type == LT_MEMO ? 2 : 0);
    EXPECT_EQ(one->GetOnNotify(), "n.osb");
    EXPECT_TRUE(one->WindowShown());
    EXPECT_EQ(one->WindowBounds(), (TRect{10, 20, 110, 50}));
    EXPECT_TRUE(one->HasTextFocus()) << "the stored focus";
    EXPECT_EQ(Scene().Events().Count(), 0) << "the load queues nothing";

    TMemoryStream again;
    one->SaveToStream(again);
    kit::SceneBuilder control(GameSaveVersion);
    kit::ControlRecord record = scene.Layers[0].Children[0];
    control.Control(record);
    EXPECT_EQ(again.View(), control.Done().View()) << "written as read";
  }
}

// The box is drawn over everything, whatever lies above it in the scene; hiding it shows
// again what it covered.
TEST_F(EditTest, TheWindowLiesOverTheSceneAndHidingItRepaints) {
  TOrvaEdit& edit = Make();
  edit.SetColor(0x00FF00);
  auto* cover = CreateSceneObject<kit::FillBox>(Scene());
  cover->SetParent(Scene().ActiveLayer());
  cover->SetPriority(100);
  cover->SetColor(0xFF0000);
  cover->SetBounds(0, 0, 640, 480);
  Frame();
  EXPECT_EQ(screen.Surface.GetPixel(150, 138), screen.Surface.ColorToPixel(0x00FF00));
  EXPECT_EQ(screen.Surface.GetPixel(150, 141), screen.Surface.ColorToPixel(0xFF0000));
  edit.SetVisible(false);
  Frame();
  EXPECT_EQ(screen.Surface.GetPixel(150, 138), screen.Surface.ColorToPixel(0xFF0000));
}

// A click on the box gives it the focus and its caret; the scene hears nothing of it.
TEST_F(EditTest, TheMouseOverAShownBoxIsTheBoxs) {
  TOrvaEdit& first = Make(LT_EDIT, "first");
  first.SetText("abcdef");
  TOrvaEdit& second = Make(LT_EDIT, "second");
  second.SetTop(200);
  ASSERT_TRUE(second.HasTextFocus());
  EXPECT_FALSE(Scene().WindowMouseDown({10, 10}, true, false)) << "off every box";
  EXPECT_TRUE(Scene().WindowMouseDown({100 + 2 + 21, 110}, true, false));
  EXPECT_TRUE(first.HasTextFocus());
  EXPECT_EQ(first.Box().Caret(), 2u);
  EXPECT_TRUE(Scene().WindowMouseMove({100 + 2 + 40, 110}));
  EXPECT_TRUE(Scene().WindowMouseUp());
  EXPECT_EQ(first.Box().SelectedText(), "cd");
  EXPECT_FALSE(Scene().WindowMouseMove({0, 0})) << "released";
  EXPECT_TRUE(Scene().WindowWheel({110, 110}, true)) << "the wheel over a box is the box's";
  EXPECT_FALSE(Scene().WindowWheel({10, 10}, true));
  first.SetPaused(true);
  EXPECT_TRUE(Scene().WindowMouseDown({110, 110}, true, false)) << "a disabled window still covers the panel";
  EXPECT_FALSE(first.HasTextFocus());
}

}  // namespace
}  // namespace orva

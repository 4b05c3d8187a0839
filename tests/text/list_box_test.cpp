// List boxes and choice menus over the fake rasteriser, played through the input step on a
// virtual clock: items from TEXT, the lazy layout, pieces, scroll-bar geometry, hover bands,
// scrolling by buttons, track and thumb, selection by mouse and keys, the paint order, the
// menu's opening and closing, right clicks and Escape, and the stored forms.
#include <gtest/gtest.h>

#include <functional>

#include "../script/builtin_rows.h"
#include "core/frame_clock.h"
#include "kit/fake_rasteriser.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "kit/scene_input.h"
#include "scene/image_test_kit.h"
#include "script/param_collection.h"
#include "text/font_pixel_manager.h"
#include "text/menu.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;
using scene_test::RecordingSurface;
using scene_test::TargetHost;

constexpr int VkReturn = 13, VkEscape = 27, VkPageUp = 33, VkPageDown = 34, VkUp = 38, VkDown = 40;

class ListBoxTest : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    fake = std::make_shared<kit::FakeRasteriserState>();
    fake->AddFace("IPAGothic");
    // Every letter 6 wide (5 of glyph); B is 4.
    fake->fallback = kit::FakeGlyph::Box(5, 8, 0, 10, 6);
    fake->glyphs[U'B'] = kit::FakeGlyph::Box(3, 8, 0, 10, 4);
    previous_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    SetSceneVariables(&vars);
    // The scroll strip: seven 10 × 10 cells; the check strip two of 8 × 8; pieces.
    AddPicture("scroll.vsk", {{.Width = 70, .Height = 10, .Colour = 0x204060}});
    AddPicture("check.vsk", {{.Width = 16, .Height = 8, .Colour = 0xFF8000}});
    AddPicture("corner.vsk", {{.Width = 6, .Height = 5}});
    AddPicture("edge.vsk", {{.Width = 3, .Height = 4}});
    recorder.SetSize(640, 480, 32);
    host = CreateSceneObject<TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->SetBounds(0, 0, 640, 480);
    host->Target = &recorder;
    // The recording host lies under everything but takes no mouse.
    host->SetIgnoreMouse(IM_ALL);
  }
  void TearDown() override {
    ImageFixture::TearDown();
    SetSceneVariables(nullptr);
    SetFontPixelManager(std::move(previous_));
  }
  // A list at (50, 60): border 2, margins 4 and 2, line space 4, three rows, the scroll and
  // check strips, font "IPAGothic" 12. With the items "A BB C D E" it is 38 × 52: items from
  // x 64 (after the check cell), rows 16 apart from y 64; the scroll bar at x 76..85, its
  // buttons at y 62..71 and 100..109, the track between, the thumb 10 high.
  template <class L = TOrvaCustomListBox>
  L* MakeList(std::string_view text = "A\r\nBB\r\nC\r\nD\r\nE", TOrvaControl* parent = nullptr,
              std::string_view name = "list") {
    L* list = CreateSceneObject<L>(Scene());
    list->SetName(name);
    list->SetParent(parent ? parent : Scene().ActiveLayer());
    list->SetLeft(50);
    list->SetTop(60);
    list->SetFontName("IPAGothic");
    list->SetFontHeight(12);
    list->SetBorderWidth(2);
    list->SetBorderColor(0x0000FF);
    list->SetMarginX(4);
    list->SetMarginY(2);
    list->SetLineSpace(4);
    list->SetRowCount(3);
    list->SetAlpha(255);
    list->SetScrollSource("scroll.vsk");
    list->SetCheckSource("check.vsk");
    list->SetText(text);
    list->Relayout();
    return list;
  }
  std::vector<std::string> Painted(TOrvaCustomListBox& list) {
    recorder.Calls.clear();
    list.Paint();
    return recorder.Calls;
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  TParamCollection vars;
  kit::FrameScope frames;
  kit::SceneInput input;
  RecordingSurface recorder;
  TargetHost* host = nullptr;

 private:
  std::unique_ptr<TFontPixelManager> previous_;
};

TEST_F(ListBoxTest, ItemsAreTheTrimmedLinesAndEmptyLinesCount) {
  TOrvaCustomListBox* list = MakeList();
  list->SetItemCheck(1, true);
  list->SetIndex(4);
  list->SetHoverIndex(2);
  list->SetIndex(4);
  list->SetTopIndex(2);
  list->SetText("\r\nA\r\n\r\nB\r\n");
  EXPECT_EQ(list->GetCount(), 3);
  EXPECT_EQ(list->GetText(), "A\r\n\r\nB");
  EXPECT_EQ(list->NormalLabels().Get(1)->Text(), "");
  EXPECT_EQ(list->HoverLabels().Get(2)->Text(), "B");
  EXPECT_FALSE(list->GetItemCheck(1));
  EXPECT_EQ(list->GetTopIndex(), 0);
  EXPECT_EQ(list->GetHoverIndex(), 2) << "kept";
  EXPECT_EQ(list->GetIndex(), 4) << "kept";
  EXPECT_TRUE(list->IsLayoutDirty());
  // Checks outside the items are ignored.
  list->SetItemCheck(3, true);
  list->SetItemCheck(-1, true);
  EXPECT_FALSE(list->GetItemCheck(3));
}

TEST_F(ListBoxTest, TheLayoutSizesTheBoxFromItsContent) {
  TOrvaCustomListBox* list = MakeList();
  EXPECT_FALSE(list->IsLayoutDirty());
  // Widest label 8 + 2 × border + 2 × margin + scroll 10 + check 8; 3 rows of 12, 2 spaces.
  EXPECT_EQ(list->GetWidth(), 8 + 4 + 8 + 10 + 8);
  EXPECT_EQ(list->GetHeight(), 36 + 8 + 4 + 4);
  // Not scrolling: no scroll bar in the width, TOPINDEX held at 0.
  list->SetRowCount(5);
  list->Relayout();
  EXPECT_EQ(list->GetWidth(), 28);
  list->SetTopIndex(1);
  EXPECT_EQ(list->GetTopIndex(), 0);
  // No items: one line space less than nothing, and nothing is hit.
  list->SetText("");
  list->Relayout();
  EXPECT_EQ(list->GetHeight(), 4 + 4 - 4);
  EXPECT_EQ(list->ItemAt({60, 62}), -1);
  // Changes mark the layout; the update lays it out.
  list->SetText("A");
  list->SetMarginY(10);
  EXPECT_TRUE(list->IsLayoutDirty());
  Scene().Idle();
  EXPECT_FALSE(list->IsLayoutDirty());
  EXPECT_EQ(list->GetHeight(), 12 + 4 + 20);
}

TEST_F(ListBoxTest, PiecesTouchTheMiddleAndAlignTheirTiles) {
  TOrvaCustomListBox* list = MakeList("A", host);
  list->SetBorderWidth(0);
  for (int i : {0, 2, 6, 8}) list->SetBorderSource(i, "corner.vsk");
  for (int i : {1, 3, 4, 5, 7}) list->SetBorderSource(i, "edge.vsk");
  list->SetBorderSource(5, "missing.vsk");
  EXPECT_EQ(list->GetBorderSource(5), "missing.vsk");
  list->Relayout();
  // leftW 6, rightW 6, topH 5, bottomH 5: the box is 6 + 6 + 8 + 8 + 6 wide, 12 + 10 + 4 high.
  ASSERT_EQ(list->GetWidth(), 34);
  ASSERT_EQ(list->GetHeight(), 26);
  EXPECT_EQ(list->PieceRect(0), (TRect{50, 60, 56, 65}));
  EXPECT_EQ(list->PieceRect(1), (TRect{56, 61, 78, 65}));
  EXPECT_EQ(list->PieceRect(3), (TRect{53, 65, 56, 81}));
  EXPECT_EQ(list->PieceRect(4), (TRect{56, 65, 78, 81}));
  EXPECT_EQ(list->PieceRect(5), (TRect{})) << "a missing file empties the piece";
  EXPECT_EQ(list->PieceRect(8), (TRect{78, 81, 84, 86}));
  // Centred and right-aligned tiles start from an offset into the picture: 22 wide over a
  // 3-wide picture leaves 1.
  list->SetBorderHAlign(4, HA_CENTER);
  list->SetBorderVAlign(4, VA_BOTTOM);
  const std::vector<std::string> calls = Painted(*list);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "FillPattern [56,65,78,81] from 0,0"), calls.end());
  // Bottom-aligned, 16 high over a 4-high picture leaves 0; right-aligned, 22 over 3 leaves
  // −1.
  list->SetBorderVAlign(4, VA_CENTER);
  list->SetBorderHAlign(4, HA_RIGHT);
  const std::vector<std::string> right = Painted(*list);
  EXPECT_NE(std::find(right.begin(), right.end(), "FillPattern [56,65,78,81] from -1,0"), right.end());
}

TEST_F(ListBoxTest, ScrollBarGeometryAndHoverBands) {
  TOrvaCustomListBox* list = MakeList();
  TOrvaCustomListBox::TScrollParts parts = list->ScrollParts();
  EXPECT_EQ(parts.Up, (TRect{76, 62, 86, 72}));
  EXPECT_EQ(parts.Down, (TRect{76, 100, 86, 110}));
  EXPECT_EQ(parts.Thumb, (TRect{76, 72, 86, 82}));
  EXPECT_TRUE(parts.Above.IsEmpty());
  EXPECT_EQ(parts.Below, (TRect{76, 82, 86, 100}));
  list->SetTopIndex(1);
  EXPECT_EQ(list->ScrollParts().Thumb, (TRect{76, 81, 86, 91}));
  EXPECT_EQ(list->TrackAt({80, 75}), -1);
  EXPECT_EQ(list->TrackAt({80, 95}), 1);
  list->SetTopIndex(0);
  // Each row owns the band from half a line space above it to half below it.
  struct Case {
    TPoint at;
    int32_t item;
  };
  for (const Case c : {Case{{52, 62}, 0}, Case{{75, 77}, 0}, Case{{60, 78}, 1}, Case{{60, 94}, 2},
                       Case{{60, 109}, 2}, Case{{60, 110}, -1}, Case{{76, 80}, -1}, Case{{51, 80}, -1},
                       Case{{60, 61}, -1}})
    EXPECT_EQ(list->ItemAt(c.at), c.item) << c.at.X << "," << c.at.Y;
  list->SetTopIndex(2);
  EXPECT_EQ(list->ItemAt({60, 64}), 2);
  // With a negative row count every point gives TOPINDEX − 1.
  list->SetRowCount(-1);
  list->SetTopIndex(1);
  EXPECT_EQ(list->ItemAt({60, 64}), 0);
}

TEST_F(ListBoxTest, ButtonsTrackAndThumbScroll) {
  TOrvaCustomListBox* list = MakeList("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9");
  ASSERT_EQ(list->GetHeight(), 52);
  // The down button moves one item at once, then after 300 ms every 50 ms while over it.
  input.Frame("move 80 105");
  input.Frame("press L");
  EXPECT_EQ(list->GetTopIndex(), 1);
  std::vector<int> moves;
  for (int frame = 1; frame <= 29; ++frame) {
    const int32_t before = list->GetTopIndex();
    input.Frame("");
    if (list->GetTopIndex() != before) moves.push_back(frame);
  }
  EXPECT_EQ(moves, (std::vector<int>{19, 22, 25, 29}));
  // Off the button the moves pause and the button is dark, but the capture stays.
  const int32_t top = list->GetTopIndex();
  input.Frame("move 200 200");
  for (int i = 0; i < 10; ++i) input.Frame("");
  EXPECT_EQ(list->GetTopIndex(), top);
  EXPECT_EQ(list->GetPressedPart(), TOrvaCustomListBox::DownButton);
  input.Frame("release");
  EXPECT_EQ(list->GetPressedPart(), TOrvaCustomListBox::NoPart);

  // The track pages by ROWCOUNT, at most to the end.
  list->SetTopIndex(0);
  input.Frame("move 80 95");
  input.Frame("press L");
  EXPECT_EQ(list->GetTopIndex(), 3);
  input.Frame("release");

  // The thumb follows the mouse with its grab point: the track is 18 long for 7 rows.
  list->SetTopIndex(0);
  input.Frame("move 80 77");
  input.Frame("press L");
  EXPECT_EQ(list->GetPressedPart(), TOrvaCustomListBox::Thumb);
  input.Frame("move 80 86");
  EXPECT_EQ(list->GetTopIndex(), 4);  // 7 × 9 / 18 = 3.5, to the even 4
  input.Frame("move 80 400");
  EXPECT_EQ(list->GetTopIndex(), 7);
  input.Frame("release");

  // A box too short for its track keeps the thumb at the track's start and does not drag.
  list->SetRowCount(1);
  list->Relayout();
  int32_t index = -1;
  EXPECT_FALSE(list->ThumbDragIndex(90, index));
  EXPECT_EQ(index, -1);
}

TEST_F(ListBoxTest, AReleaseOverAnItemSelectsItOnlyWhenThePressBeganThere) {
  TOrvaCustomListBox* list = MakeList();
  list->SetOnSelect("sel.osb");
  EXPECT_TRUE(input.Frame("move 60 80").empty());
  EXPECT_EQ(list->GetHoverIndex(), 1);
  EXPECT_EQ(list->GetIndex(), -1) << "a hover change clears INDEX";
  input.Frame("press L");
  EXPECT_EQ(input.Frame("release"), std::vector<std::string>{"72(BB,1)"});
  EXPECT_EQ(list->GetIndex(), 1);
  EXPECT_EQ(vars.SelStr, "BB");
  EXPECT_EQ(vars.SelIndex, 1);
  // Moving to another item clears INDEX again.
  input.Frame("move 60 96");
  EXPECT_EQ(list->GetIndex(), -1);
  // Pressed on the scroll bar, released over an item: no selection.
  input.Frame("move 80 105");
  input.Frame("press L");
  input.Frame("move 60 96");
  EXPECT_TRUE(input.Frame("release").empty());
  // A selection while the last ONSELECT still waits queues no second one.
  input.Drain = false;
  list->SetTopIndex(0);
  input.Frame("move 60 64");
  input.Frame("press L");
  input.Frame("release");
  input.Frame("press L");
  EXPECT_EQ(input.Frame("release"), std::vector<std::string>{"72(A,0)"});
  EXPECT_EQ(vars.SelIndex, 0);
}

TEST_F(ListBoxTest, KeysMoveTheHoverAndScrollToIt) {
  TOrvaCustomListBox* list = MakeList();
  list->SetHandleKey(true);
  input.Frame("");
  ASSERT_EQ(Scene().GetFocus(), list);
  auto key = [&](int code) {
    input.Frame("keydown " + std::to_string(code));
    input.Frame("keyup " + std::to_string(code));
    return std::pair{list->GetHoverIndex(), list->GetTopIndex()};
  };
  using P = std::pair<int32_t, int32_t>;
  EXPECT_EQ(key(VkUp), (P{4, 2})) << "Up from no hover goes to the last item";
  EXPECT_EQ(key(VkPageDown), (P{4, 2})) << "Page Down at the last stays";
  EXPECT_EQ(key(VkPageUp), (P{1, 1}));
  EXPECT_EQ(key(VkUp), (P{0, 0}));
  EXPECT_EQ(key(VkUp), (P{0, 0}));
  EXPECT_EQ(key(VkDown), (P{1, 0}));
  EXPECT_EQ(key(VkPageDown), (P{4, 2}));
  list->SetHoverIndex(-1);
  EXPECT_EQ(key(VkDown), (P{0, 0}));
}

TEST_F(ListBoxTest, PaintOrderAndCells) {
  TOrvaMenu* menu = MakeList<TOrvaMenu>("A\r\nBB\r\nC\r\nD\r\nE", host);
  menu->SetColor(0x000000);
  menu->SetHoverColor(0x00FF00);
  menu->SetItemCheck(1, true);
  menu->SetHoverIndex(1);
  std::vector<std::string> calls = Painted(*menu);
  ASSERT_GE(calls.size(), 8u);
  EXPECT_EQ(calls[0], "FrameRect [50,60,88,112] w2 pxff0000");
  EXPECT_EQ(calls[1], "FillRect [52,62,86,110] px0");
  // The scroll parts (up, down, upper track empty, lower track, thumb), each a tile.
  EXPECT_EQ(calls[2], "Draw 76,62");
  EXPECT_EQ(calls[3], "Draw 76,100");
  // Then the items: the hover bar behind the hover item, every label, the check mark of
  // item 1 in its hover cell.
  const std::vector<std::string> items(calls.end() - 5, calls.end());
  EXPECT_EQ(items, (std::vector<std::string>{"DrawColorMask 64,64 [0,0,6,12] pxffffff a255",
                                             "FillRect [53,78,75,94] pxff00",
                                             "DrawColorMask 64,80 [0,0,8,12] pxffffff a255", "Draw 56,82",
                                             "DrawColorMask 64,96 [0,0,6,12] pxffffff a255"}));
  // While the menu opens or closes only the frame and the background are drawn.
  menu->Play(LP_PLAYFADE);
  calls = Painted(*menu);
  EXPECT_EQ(calls.size(), 2u);
  // ALPHA 0: nothing of the box; its children still.
  menu->SetAlpha(0);
  EXPECT_TRUE(Painted(*menu).empty());
}

// Scripts reach the check flags by name through the built-in functions; a list has no enabled
// or hidden items, so those flags read TRUE; IndexOfMenu finds a line of its TEXT.
TEST_F(ListBoxTest, ScriptsReadAndSetTheCheckFlags) {
  TOrvaMenu* menu = MakeList<TOrvaMenu>("Alpha\r\nBeta\r\nGamma");
  menu->SetName("menu");
  TSysFuncMan functions{vars};
  vars.SetFunctions(&functions);
  functions.SetScene(&Scene().Link());
  const auto eval = [&](std::string_view text) { return script_test::RunExpression(vars, text); };
  ClearDirty();
  eval("SetCheck(\"menu\", 2, TRUE)");
  EXPECT_TRUE(menu->GetItemCheck(2));
  EXPECT_FALSE(Dirty(0).empty()) << "a change is drawn";
  ClearDirty();
  eval("SetCheck(\"menu\", 2, TRUE)");
  EXPECT_TRUE(Dirty(0).empty()) << "no change, nothing drawn";
  eval("SetCheck(\"menu\", 3, TRUE)");
  for (const char* text : {"GetCheck(\"menu\", 2)", "GetEnabled(\"menu\", 0)", "GetVisible(\"menu\", 9)"})
    EXPECT_EQ(eval(text), "B:TRUE") << text;
  for (const char* text : {"GetCheck(\"menu\", 0)", "GetCheck(\"menu\", 3)", "GetCheck(\"menu\", -1)"})
    EXPECT_EQ(eval(text), "B:FALSE") << text;
  EXPECT_EQ(eval("IndexOfMenu(\"menu\", \"beta\")"), "I:1");
  vars.SetFunctions(nullptr);
}

// ---- The menu ----

class MenuTest : public ListBoxTest {
 protected:
  TOrvaMenu* Menu(int32_t delay = 500) {
    TOrvaMenu* menu = MakeList<TOrvaMenu>();
    menu->SetDelay(delay);
    menu->SetOnOpening("opening.osb");
    menu->SetOnOpened("opened.osb");
    menu->SetOnClosing("closing.osb");
    menu->SetOnClosed("closed.osb");
    menu->SetOnSelect("sel.osb");
    menu->SetHandleKey(true);
    return menu;
  }
};

TEST_F(MenuTest, OpeningAndClosingAnimateTheHeightOverDelay) {
  TOrvaMenu* menu = Menu(500);
  menu->SetRowCount(20);  // not scrolling: 5 rows
  menu->Relayout();
  const int32_t full = menu->GetHeight();
  menu->Play(LP_PLAYFADE);
  EXPECT_EQ(Scene().GetFocus(), menu);
  EXPECT_EQ(menu->GetOrigHeight(), 0) << "nothing measured yet";
  // Three frames to begin: lay out and announce, take the clock, then grow.
  EXPECT_EQ(input.Frame(""), std::vector<std::string>{"74()"});
  EXPECT_EQ(menu->GetHeight(), 0);
  EXPECT_EQ(menu->GetOrigHeight(), full);
  input.Frame("");
  EXPECT_EQ(menu->GetAnimationState(), TOrvaMenu::Opening);
  input.Delta = 125;
  input.Frame("");
  EXPECT_EQ(menu->GetHeight(), full * 125 / 500);
  input.Delta = 16;
  while (menu->GetAnimationState() == TOrvaMenu::Opening) input.Frame("");
  EXPECT_EQ(menu->GetHeight(), full);

  menu->Play(LP_STOPFADE);
  EXPECT_EQ(input.Frame(""), std::vector<std::string>{"76()"});
  EXPECT_TRUE(menu->IsInputLocked());
  input.Delta = 125;
  input.Frame("");
  EXPECT_EQ(menu->GetHeight(), full - full * 125 / 500);
  input.Delta = 500;
  EXPECT_EQ(input.Frame(""), std::vector<std::string>{"77()"});
  EXPECT_EQ(menu->GetHeight(), full - full * 125 / 500) << "the last height stays";
  input.Frame("");
  EXPECT_EQ(Scene().IndexOfName("list"), -1);
}

TEST_F(MenuTest, DelayZeroStillPassesEveryStateAndTheMenuWaitsForItsHandlers) {
  TOrvaMenu* menu = Menu(0);
  menu->Play(LP_PLAYFADE);
  std::vector<int32_t> states;
  for (int i = 0; i < 3; ++i) {
    input.Frame("");
    states.push_back(menu->GetAnimationState());
  }
  EXPECT_EQ(states, (std::vector<int32_t>{TOrvaMenu::OpenClock, TOrvaMenu::Opening, TOrvaMenu::Open}));
  EXPECT_EQ(menu->GetHeight(), 52);
  input.Drain = false;
  menu->Play(LP_STOPFADE);
  input.Frame("");
  input.Frame("");
  EXPECT_EQ(menu->GetAnimationState(), TOrvaMenu::Closed);
  input.Frame("");
  EXPECT_GE(Scene().IndexOfName("list"), 0) << "its closing events still wait";
  Scene().Events().Clear();
  input.Frame("");
  EXPECT_EQ(Scene().IndexOfName("list"), -1);
}

TEST_F(MenuTest, PlayDoesNothingForTheStateTheMenuIsIn) {
  struct Case {
    uint8_t from, mode;
    bool changes;
  };
  const Case cases[] = {
      {LP_PLAY, LP_PLAY, false},        {LP_PLAY, LP_PLAYFADE, false},     {LP_STOP, LP_STOP, false},
      {LP_STOP, LP_STOPFADE, false},    {LP_PLAYFADE, LP_PLAYFADE, true}, {LP_STOPFADE, LP_STOPFADE, true},
      {LP_STOP, LP_PLAYFADE, true},     {LP_PLAY, LP_STOP, true},
  };
  for (const Case& c : cases) {
    // A new menu is closed (2); the others are reached from an open one, and a few frames
    // let an animation settle into a state of its own.
    TOrvaMenu* menu = Menu();
    if (c.from != LP_STOP) menu->Play(c.from == LP_STOPFADE ? uint8_t{LP_PLAY} : c.from);
    if (c.from == LP_STOPFADE) menu->Play(LP_STOPFADE);
    input.Frames(4);
    const int32_t state = menu->GetAnimationState();
    const uint8_t play = menu->GetPlayState();
    menu->Play(c.mode);
    const bool changed = menu->GetPlayState() != play || menu->GetAnimationState() != state ||
                         Scene().Events().Count() > 0;
    EXPECT_EQ(changed, c.changes) << int(c.from) << " " << int(c.mode);
    Scene().Events().Clear();
    menu->FreeNow();
  }
  // Play 0 opens at once, with both events; Play 2 closes at once to height 0.
  TOrvaMenu* menu = Menu();
  menu->Play(LP_PLAY);
  EXPECT_EQ(input.Events(), (std::vector<std::string>{"74()", "75()"}));
  menu->Play(LP_STOP);
  EXPECT_EQ(menu->GetHeight(), 0);
  EXPECT_EQ(input.Events(), (std::vector<std::string>{"76()", "77()"}));
  input.Frame("");
  EXPECT_GE(Scene().IndexOfName("list"), 0) << "closed at once, it stays";
}

TEST_F(MenuTest, ReturnDownSelectAndAutoScrapClosesWithoutAnimating) {
  TOrvaMenu* menu = Menu(500);
  menu->SetAutoScrap(true);
  menu->Play(LP_PLAY);
  input.Events();
  input.Frame("");
  // Return with no hover item selects nothing.
  EXPECT_TRUE(input.Frame("keydown 13").empty());
  input.Frame("keyup 13");
  input.Frame("keydown 40");
  input.Frame("keyup 40");
  input.Frame("keydown 40");
  input.Frame("keyup 40");
  EXPECT_EQ(menu->GetHoverIndex(), 1);
  const int32_t height = menu->GetHeight();
  EXPECT_EQ(input.Frame("keydown 13"), (std::vector<std::string>{"72(BB,1)", "76()", "77()"}));
  EXPECT_EQ(vars.SelIndex, 1);
  EXPECT_EQ(menu->GetHeight(), height);
  // Return after the menu began closing selects nothing.
  input.Frame("keyup 13");
  EXPECT_TRUE(input.Frame("keydown 13").empty());
  input.Frame("");
  EXPECT_EQ(Scene().IndexOfName("list"), -1);
}

TEST_F(MenuTest, AStaleHoverIndexSelectsNothingAndTheMenuStaysOpen) {
  TOrvaMenu* menu = Menu();
  menu->SetAutoScrap(true);
  menu->Play(LP_PLAY);
  input.Frame("");
  menu->SetHoverIndex(4);
  menu->SetText("A\r\nB");
  input.Events();
  vars.SelIndex = 99;
  EXPECT_TRUE(input.Frame("keydown 13").empty());
  EXPECT_EQ(vars.SelIndex, 99);
  EXPECT_EQ(menu->GetAnimationState(), TOrvaMenu::Open);
  EXPECT_FALSE(menu->IsInputLocked());
}

TEST_F(MenuTest, RightClicksAndEscapeCloseOnlyWithRClickScrap) {
  struct Case {
    uint8_t ignore;
    bool consumed;
  };
  for (const Case c : {Case{IM_NONE, true}, Case{IM_LCLICK, true}, Case{IM_CLICK, false}, Case{IM_RCLICK, false},
                       Case{IM_ALL, false}}) {
    TOrvaMenu* menu = Menu();
    menu->SetRClickScrap(true);
    menu->SetIgnoreMouse(c.ignore);
    menu->Play(LP_PLAY);
    input.Events();
    // A right click away from the menu is offered to it first.
    input.Frame("move 300 300 press R");
    input.Frame("release");
    EXPECT_EQ(menu->IsInputLocked(), c.consumed) << int(c.ignore);
    EXPECT_EQ(menu->GetPlayState(), c.consumed ? LP_STOPFADE : LP_PLAY) << int(c.ignore);
    menu->FreeNow();
  }
  // Escape closes only with RCLICKSCRAP.
  TOrvaMenu* menu = Menu();
  menu->Play(LP_PLAY);
  input.Frame("keydown 27");
  input.Frame("keyup 27");
  EXPECT_EQ(menu->GetPlayState(), LP_PLAY);
  menu->SetRClickScrap(true);
  input.Frame("keydown 27");
  EXPECT_EQ(menu->GetPlayState(), LP_STOPFADE);
  input.Frame("keyup 27");
  EXPECT_TRUE(menu->IsInputLocked()) << "once the close has begun";
  menu->FreeNow();

  // A right press on the menu itself empties the selection and closes it.
  TOrvaMenu* pressed = Menu();
  pressed->SetRClickScrap(true);
  pressed->Play(LP_PLAY);
  pressed->SetRClickScrap(false);
  pressed->SetOnRBtnDown("r.osb");
  input.Frame("move 60 80 press R");
  input.Frame("release");
  EXPECT_EQ(pressed->GetPlayState(), LP_PLAY) << "without RCLICKSCRAP the press is the control's";
  pressed->SetRClickScrap(true);
  vars.SelStr = "x";
  pressed->RButtonDown();
  EXPECT_EQ(vars.SelStr, "");
  EXPECT_EQ(vars.SelIndex, -1);
  EXPECT_EQ(pressed->GetPlayState(), LP_STOPFADE);
}

TEST_F(MenuTest, AMenuSavedMidOpenResumesAndTheLockIsNotSaved) {
  const TObjectConstructor previous =
      RegisterObjectClass(LT_MENU, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaMenu>(s); });
  TOrvaMenu* menu = Menu(500);
  menu->SetRowCount(20);
  menu->SetHoverColor(0x123456);
  menu->SetItemCheck(2, true);
  menu->SetRClickScrap(true);
  menu->Play(LP_PLAYFADE);
  input.Frame("");
  input.Frame("");
  input.Delta = 100;
  input.Frame("");
  ASSERT_EQ(menu->GetAnimationState(), TOrvaMenu::Opening);
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  const uint32_t clock = GameClock;
  Scene().LoadFromStream(saved, 133);
  auto* loaded = dynamic_cast<TOrvaMenu*>(Scene().FindObject("list"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetAnimationState(), TOrvaMenu::Opening);
  EXPECT_EQ(loaded->GetPlayState(), LP_PLAYFADE);
  EXPECT_EQ(loaded->FullHeight(), 84);
  EXPECT_EQ(loaded->GetHoverColor(), 0x123456);
  EXPECT_TRUE(loaded->GetItemCheck(2));
  EXPECT_EQ(loaded->GetCount(), 5);
  EXPECT_FALSE(loaded->IsInputLocked());
  // The phase starts again at the load.
  input.Frame("");
  EXPECT_EQ(loaded->GetHeight(), 84 * int32_t(GameClock - clock) / 500);
  loaded->Play(LP_STOPFADE);
  input.Frame("");
  ASSERT_TRUE(loaded->IsInputLocked());
  TMemoryStream closing;
  Scene().SaveToStream(closing);
  closing.SetPosition(0);
  Scene().LoadFromStream(closing, 133);
  EXPECT_FALSE(Scene().FindObject("list")->IsInputLocked());
  RegisterObjectClass(LT_MENU, previous);
}

// A long menu changed step by step and laid out by its frames paints what a menu made at once
// in the same state paints: labels kept, measured or rendered only where something changed
// show the same pixels, and the box, its scroll bar and hover bar keep their places. The view
// stays through the changes of style, so the labels drawn before are drawn again.
TEST_F(MenuTest, AMenuChangedStepByStepPaintsAsOneMadeAtOnce) {
  TDIBX canvas;
  canvas.SetSize(200, 260, 32);
  auto* painted = CreateSceneObject<TargetHost>(Scene());
  painted->SetParent(Scene().ActiveLayer());
  painted->SetBounds(0, 0, 200, 260);
  painted->Target = &canvas;
  painted->SetIgnoreMouse(IM_ALL);
  const auto frame = [&](TOrvaMenu& menu) {
    canvas.FillRect(canvas.GetBoundsRect(), 0x123456);
    menu.Paint();
    std::vector<uint32_t> pixels;
    for (int y = 0; y < canvas.GetHeight(); ++y)
      for (int x = 0; x < canvas.GetWidth(); ++x) pixels.push_back(canvas.GetPixel(x, y));
    return pixels;
  };
  // Items of two widths, one wide item, and item 20 replaced.
  const auto text = [](int count, int wide, std::string_view changed = "") {
    std::string lines;
    for (int i = 0; i < count; ++i) {
      std::string line = i == wide ? "BBBBBBB BBB Wide" : (i % 3 ? "Item " : "B ") + std::to_string(i);
      if (!changed.empty() && i == 20) line = changed;
      lines += line + "\r\n";
    }
    return lines;
  };
  const auto style = [](TOrvaMenu& menu) {
    menu.SetColor(0x400000);
    menu.SetHoverColor(0x00FF00);
    menu.SetRowCount(8);
  };

  struct Step {
    const char* what;
    // A change of properties is made on both menus; the keys only on the stepped one, whose
    // top index, hover item and checks the other then takes.
    std::function<void(TOrvaMenu&)> properties;
    std::vector<int> keys;
  };
  const Step steps[] = {
      {"opened", {}, {}},
      {"an item out of view changed", [&](TOrvaMenu& m) { m.SetText(text(40, 5, "Changed")); }, {}},
      {"hovered and scrolled by keys", {}, {VkDown, VkPageDown, VkPageDown}},
      {"an item checked", [](TOrvaMenu& m) { m.SetItemCheck(12, true); }, {}},
      {"an item's text changed", [&](TOrvaMenu& m) { m.SetText(text(40, 5, "Changed BB")); }, {VkPageDown}},
      {"the widest item removed", [&](TOrvaMenu& m) { m.SetText(text(40, -1, "Changed BB")); }, {VkDown}},
      {"an item put first", [&](TOrvaMenu& m) { m.SetText("New\r\n" + text(40, -1, "Changed BB")); }, {VkUp}},
      {"items added at the end", [&](TOrvaMenu& m) { m.SetText(text(60, 50)); }, {VkPageDown}},
      {"items removed at the end", [&](TOrvaMenu& m) { m.SetText(text(36, 50)); }, {VkDown}},
      {"font height", [](TOrvaMenu& m) { m.SetFontHeight(14); }, {}},
      {"font border", [](TOrvaMenu& m) {
         m.SetFontBorder(1);
         m.SetFontBorderColor(0x0000FF);
       }, {}},
      {"font colours, and a line space that lays out again", [](TOrvaMenu& m) {
         m.SetFontColor(0x00FFFF);
         m.SetFontBorderColor(0xFF00FF);
         m.SetLineSpace(6);
       }, {}},
      {"hover border and shadow", [](TOrvaMenu& m) {
         m.SetFontHoverBorder(2);
         m.SetFontHoverShadow(1);
         m.SetFontHoverShadowColor(0x808080);
       }, {}},
      {"font name and style", [](TOrvaMenu& m) {
         m.SetFontName("IPAPGothic");
         m.SetFontStyle(IntToFontStyles(4));
       }, {}},
      {"no anti-aliasing", [](TOrvaMenu& m) { m.SetAntialias(false); }, {}},
      {"narrower hover labels", [](TOrvaMenu& m) { m.SetFontHoverBorder(0); }, {}},
      {"the first items again", [&](TOrvaMenu& m) { m.SetText(text(40, 5)); }, {VkUp}},
  };
  fake->AddFace("IPAPGothic");
  // A grey glyph, whose pixels the anti-aliasing changes.
  fake->glyphs[U'e'] = kit::FakeGlyph::Picture({"#####", "#3.3#", "#9.9#", "#####"}, 0, 10, 6);
  TOrvaMenu* menu = MakeList<TOrvaMenu>(text(40, 5), painted);
  style(*menu);
  menu->SetHandleKey(true);
  menu->Play(LP_PLAY);
  std::vector<const Step*> done;
  int scrolledAndHovered = 0;
  for (const Step& step : steps) {
    done.push_back(&step);
    if (step.properties) step.properties(*menu);
    // Drawn once before the frame lays it out again, as a paused list box is.
    frame(*menu);
    input.Frame("");
    for (int key : step.keys) {
      input.Frame("keydown " + std::to_string(key));
      input.Frame("keyup " + std::to_string(key));
    }

    TOrvaMenu* once = MakeList<TOrvaMenu>(text(40, 5), painted, "once");
    style(*once);
    for (const Step* s : done)
      if (s->properties) s->properties(*once);
    once->SetTopIndex(menu->GetTopIndex());
    once->SetHoverIndex(menu->GetHoverIndex());
    for (int i = 0; i < menu->GetCount(); ++i) once->SetItemCheck(i, menu->GetItemCheck(i));
    once->Relayout();
    EXPECT_EQ(menu->GetWidth(), once->GetWidth()) << step.what;
    EXPECT_EQ(menu->GetHeight(), once->GetHeight()) << step.what;
    EXPECT_TRUE(frame(*menu) == frame(*once)) << step.what;
    once->FreeNow();
    const int32_t hover = menu->GetHoverIndex(), top = menu->GetTopIndex();
    scrolledAndHovered += top > 0 && hover >= top && hover < top + 8;
  }
  EXPECT_EQ(scrolledAndHovered, std::size(steps) - 2) << "the view moved by the keys, the hover item in it";
}

TEST_F(ListBoxTest, OlderStoredForms) {
  TWzLabelList labels;
  TMemoryStream labelBytes;
  labels.SaveToStream(labelBytes);
  // A version-103 list box: one more byte after TOPINDEX; a version-130 one: no ONIDLE.
  for (int version : {103, 130}) {
    kit::ControlRecord record;
    record.Name = "old";
    kit::Fields fields;
    std::string label(labelBytes.View());
    if (version < 122) label.resize(label.size() - 8);  // no shadow fields
    fields.Raw(label).Raw(label).Str("X\r\nY");
    fields.Int(4).Int(255).Int(1).Int(2).Int(0).Int(-1).Int(5);
    for (int i = 0; i < 9; ++i) fields.Str("").Byte(0).Byte(0);
    fields.Str("").Str("").Int(0);
    if (version < 104) fields.Byte(9);
    fields.Byte(HA_CENTER).Byte(1).Byte(0).Str("sel.osb").Byte(0).Int(-1).Int(0);
    kit::Fields menu;
    menu.Int(300).Int(-1).Byte(0).Byte(1).Byte(LP_PLAY).Str("").Str("").Str("").Str("");
    record.Extra = fields.Bytes() + menu.Bytes();
    kit::SceneBuilder builder(version);
    builder.Control(record);
    TMemoryStream& old = builder.Done();
    auto* loaded = CreateSceneObject<TOrvaMenu>(Scene());
    loaded->SetParent(Scene().ActiveLayer());
    loaded->LoadFromStream(old, version);
    EXPECT_EQ(old.GetPosition(), old.GetSize()) << version;
    EXPECT_EQ(loaded->GetCount(), 2);
    EXPECT_TRUE(loaded->GetItemCheck(0));
    EXPECT_FALSE(loaded->GetItemCheck(1));
    EXPECT_EQ(loaded->GetHAlign(), HA_CENTER);
    EXPECT_EQ(loaded->GetOnSelect(), "sel.osb");
    EXPECT_EQ(loaded->GetDelay(), 300);
    EXPECT_TRUE(loaded->GetRClickScrap());
    EXPECT_EQ(loaded->GetPlayState(), LP_PLAY);
    loaded->FreeNow();
  }
}

class MenuPixels : public ListBoxTest, public testing::WithParamInterface<int> {};

TEST_P(MenuPixels, FrameBackgroundHoverBarAndLabels) {
  UseDepth(GetParam());
  Scene().ActiveLayer()->SetColor(0x000000);
  TOrvaMenu* menu = MakeList<TOrvaMenu>();
  menu->SetColor(0x400000);
  menu->SetHoverColor(0x00FF00);
  menu->SetFontColor(0xFFFFFF);
  menu->SetHoverIndex(1);
  menu->Play(LP_PLAY);
  Repaint();
  TCustomDIBX& screen = BackBuffer();
  EXPECT_EQ(Pixel(50, 60), screen.ColorToPixel(0x0000FF)) << "the border";
  EXPECT_EQ(Pixel(60, 70), screen.ColorToPixel(0x400000)) << "the background";
  EXPECT_EQ(Pixel(55, 80), screen.ColorToPixel(0x00FF00)) << "the hover bar";
  EXPECT_NE(Pixel(66, 68), screen.ColorToPixel(0x400000)) << "a label's glyph";
  EXPECT_EQ(Pixel(80, 66), screen.ColorToPixel(0x604020)) << "the scroll strip";
  // Above 255 the background is added, while the labels stay as opaque as at 255.
  const uint32_t glyph = Pixel(66, 68);
  menu->SetAlpha(300);
  Repaint();
  EXPECT_EQ(Pixel(66, 68), glyph) << "a label's glyph";
  EXPECT_EQ(Pixel(60, 70), screen.ColorToPixel(0x400000 * 44 / 256 & 0xFF0000)) << "the background added";
}

INSTANTIATE_TEST_SUITE_P(Depths, MenuPixels, testing::Values(16, 32));

// The screen changes depth under an open menu: its border pieces and labels are made again
// and drawn at the new depth.
TEST_F(ListBoxTest, ARecreatedScreenDrawsThePiecesAndLabelsAtItsDepth) {
  Scene().ActiveLayer()->SetColor(0x000000);
  TOrvaMenu* menu = MakeList<TOrvaMenu>();
  menu->SetColor(0x400000);
  menu->SetFontColor(0xFFFFFF);
  menu->SetBorderSource(0, "corner.vsk");
  menu->Play(LP_PLAY);
  Repaint();
  UseDepth(16);
  Repaint();
  TCustomDIBX& screen = BackBuffer();
  // The corner piece fills [52, 58) × [62, 67) inside the border; the items start at x 70
  // (after it, the margin and the check cell) and y 69.
  EXPECT_EQ(Pixel(53, 63), screen.ColorToPixel(0x808080)) << "the corner piece";
  EXPECT_NE(Pixel(70, 72), screen.ColorToPixel(0x400000)) << "a label's glyph";
  EXPECT_EQ(Pixel(76, 72), screen.ColorToPixel(0x400000)) << "beside it";
}

}  // namespace
}  // namespace orva

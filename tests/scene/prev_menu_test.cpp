// Preview menus: the data file by version (tags, versions, cuts, relative names), and the menu
// headless: its button objects and the pictures held ahead, hover, leave and select looks
// with their overlays, the events, keys over visible buttons, disabled and hidden buttons,
// the end of a selection, films naming each other, and the stored flags by version.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "../script/builtin_rows.h"
#include "image_test_kit.h"
#include "kit/film_doubles.h"
#include "kit/interpreter_doubles.h"
#include "kit/map_files.h"
#include "kit/scene_builder.h"
#include "scene/cont_sels.h"
#include "scene/image_cache.h"
#include "scene/map_image.h"
#include "scene/prev_menu.h"
#include "script/param_collection.h"
#include "script/save_file.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

using kit::PrevMenuButton;
using kit::PrevMenuFile;
using scene_test::ImageFixture;
using scene_test::InputFrame;

PrevMenuButton NamedButton(std::string name, int32_t x = 0) {
  PrevMenuButton b;
  b.X = x;
  b.Name = std::move(name);
  return b;
}

PrevMenuFile MenuFile(std::string version, int32_t width, int32_t height, std::vector<PrevMenuButton> buttons) {
  PrevMenuFile file;
  file.Version = std::move(version);
  file.Width = width;
  file.Height = height;
  file.Buttons = std::move(buttons);
  return file;
}

PrevMenuButton FullButton() {
  PrevMenuButton b;
  b.X = 1;
  b.Y = 2;
  b.Normal = "n.vsk";
  b.CaptureMask = true;
  b.Name = "go";
  b.Hover = "h.vsk";
  b.Leave = "l.vsk";
  b.Select = "s.vsk";
  b.Disabled = "d.vsk";
  b.DisabledHover = "dh.vsk";
  b.DisabledLeave = "dl.vsk";
  b.HoverOverlay = "ho.vsk";
  b.LeaveOverlay = "lo.vsk";
  b.SelectOverlay = "so.vsk";
  b.DisabledHoverOverlay = "dho.vsk";
  b.DisabledLeaveOverlay = "dlo.vsk";
  b.OverlayX = 7;
  b.OverlayY = 8;
  b.Cursor = "hand.cur";
  return b;
}

TContSelList Read(const std::string& bytes, std::string_view base = "") {
  TMemoryStream stream(bytes);
  TContSelList list;
  list.LoadFromStream(stream, base);
  return list;
}

TEST(PrevMenuData, EachVersionReadsTheFieldsItHas) {
  struct Case {
    const char* version;
    bool disabled, disabledLooks, disabledOverlays;
  } cases[] = {{"100", false, false, false}, {"101", true, false, false}, {"102", true, false, true},
               {"103", true, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    PrevMenuFile file = MenuFile(c.version, 300, 100, {FullButton(), FullButton()});
    file.Buttons[1].Name = "back";
    const TContSelList list = Read(kit::MakePrevMenu(file));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Width(), 300);
    EXPECT_EQ(list.Height(), 100);
    const TContSelButton& b = list.Get(0);
    EXPECT_EQ(b.X, 1);
    EXPECT_EQ(b.Y, 2);
    EXPECT_EQ(b.Normal, "n.vsk");
    EXPECT_TRUE(b.CaptureMask);
    EXPECT_EQ(b.Name, "go");
    EXPECT_EQ(b.Select, "s.vsk");
    EXPECT_EQ(b.Disabled, c.disabled ? "d.vsk" : "");
    EXPECT_EQ(b.DisabledHover, c.disabledLooks ? "dh.vsk" : "");
    EXPECT_EQ(b.DisabledLeave, c.disabledLooks ? "dl.vsk" : "");
    EXPECT_EQ(b.SelectOverlay, "so.vsk");
    EXPECT_EQ(b.DisabledHoverOverlay, c.disabledOverlays ? "dho.vsk" : "");
    EXPECT_EQ(b.DisabledLeaveOverlay, c.disabledOverlays ? "dlo.vsk" : "");
    EXPECT_EQ(b.OverlayX, 7);
    EXPECT_EQ(b.OverlayY, 8);
    EXPECT_EQ(b.Cursor, "hand.cur");
    EXPECT_EQ(list.Get(1).Name, "back");
  }
}

TEST(PrevMenuData, WrongTagsAndVersionsGiveAnEmptyList) {
  for (const char* version : {"abc", "099", "1a3", "000"}) {
    SCOPED_TRACE(version);
    PrevMenuFile file = MenuFile(version, 300, 100, {FullButton()});
    const TContSelList list = Read(kit::MakePrevMenu(file));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Width(), 0);
  }
  PrevMenuFile badTag = MenuFile("103", 1, 1, {FullButton()});
  badTag.Tag = "OrvaPrevMen_";
  EXPECT_EQ(Read(kit::MakePrevMenu(badTag)).Count(), 0);
  EXPECT_EQ(Read("OrvaPrev").Count(), 0);
}

TEST(PrevMenuData, ACutRecordEndsTheReadingWithTheWholeButtonsKept) {
  PrevMenuFile file = MenuFile("103", 10, 10, {FullButton(), FullButton(), FullButton()});
  file.Buttons[1].Name = "";  // a stored empty name stays empty
  const std::string bytes = kit::MakePrevMenu(file);
  int last = 0;
  for (size_t n = 0; n <= bytes.size(); ++n) {
    const TContSelList list = Read(bytes.substr(0, n));
    ASSERT_GE(list.Count(), last) << n;
    last = list.Count();
    if (list.Count() >= 2) {
      EXPECT_EQ(list.Get(1).Name, "");
    }
  }
  EXPECT_EQ(last, 3);
  PrevMenuFile lying = MenuFile("103", 1, 1, {FullButton()});
  lying.Count = 0x7FFFFFFF;
  EXPECT_EQ(Read(kit::MakePrevMenu(lying)).Count(), 1);
  // A string length beyond the data.
  std::string cut = kit::MakePrevMenu(MenuFile("103", 1, 1, {FullButton()}));
  cut[27 + 8 + 3] = '\x7F';
  EXPECT_EQ(Read(cut).Count(), 0);
}

TEST(PrevMenuData, OnlyNamesClimbingOutOfTheDataFilesFolderMove) {
  PrevMenuButton b = FullButton();
  b.Normal = "..\\img\\n.vsk";
  b.Hover = "..\\..\\h.vsk";
  b.Leave = "menu\\l.vsk";
  b.Name = "..\\name";
  b.Cursor = "..\\c.cur";
  const TContSelList list = Read(kit::MakePrevMenu(MenuFile("103", 1, 1, {b})), "data\\menu\\");
  const TContSelButton& r = list.Get(0);
  EXPECT_EQ(r.Normal, "DATA\\img\\n.vsk");
  EXPECT_EQ(r.Hover, "h.vsk");
  EXPECT_EQ(r.Leave, "menu\\l.vsk");
  EXPECT_EQ(r.Name, "..\\name") << "a name is no file";
  EXPECT_EQ(r.Cursor, "DATA\\c.cur");
}

// ---- The menu on a scene ----

class PrevMenu : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    SetSceneVariables(&vars);
    for (const char* name : {"n0", "n1", "n2", "h0", "h1", "d0", "d1", "dh1", "ho", "lo", "dho", "dlo"})
      AddPicture(std::string(name) + ".vsk", {{.Width = 50, .Height = 20, .Delay = 20}});
    // Played once: two frames.
    for (const char* name : {"l0", "s0", "so"})
      AddPicture(std::string(name) + ".vsk",
                 {{.Width = 50, .Height = 20, .Delay = 20}, {.Width = 50, .Height = 20, .Delay = 20}});
    PrevMenuButton start = NamedButton("start");
    start.Normal = "n0.vsk";
    start.Hover = "h0.vsk";
    start.Leave = "l0.vsk";
    start.Select = "s0.vsk";
    start.Disabled = "d0.vsk";
    start.HoverOverlay = "ho.vsk";
    start.LeaveOverlay = "lo.vsk";
    start.SelectOverlay = "so.vsk";
    start.DisabledHoverOverlay = "dho.vsk";
    start.DisabledLeaveOverlay = "dlo.vsk";
    start.OverlayX = 0;
    start.OverlayY = 40;
    start.Cursor = "hand.cur";
    PrevMenuButton load = NamedButton("load", 60);
    load.Normal = "n1.vsk";
    load.Hover = "h1.vsk";
    load.Disabled = "d1.vsk";
    load.DisabledHover = "dh1.vsk";
    PrevMenuButton quit = NamedButton("quit", 120);
    quit.Normal = "n2.vsk";
    files.Add("menu\\top.dat", kit::MakePrevMenu(MenuFile("103", 200, 80, {start, load, quit})));
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    ImageFixture::TearDown();
  }
  TOrvaPrevMenu* Menu(const std::string& name = "menu") {
    auto* menu = CreateSceneObject<TOrvaPrevMenu>(Scene());
    menu->SetName(name);
    menu->SetParent(Scene().ActiveLayer());
    menu->SetLeft(100);
    menu->SetTop(100);
    menu->SetOnMapIn("in.osb");
    menu->SetOnMapOut("out.osb");
    menu->SetOnSelect("select.osb");
    menu->SetOnPlayEnd("end.osb");
    menu->SetSource("menu\\top.dat");
    return menu;
  }
  std::vector<std::string> Frame(const std::string& input) { return InputFrame(Scene(), input); }
  std::string Look(TOrvaPrevMenu& menu, int i) { return menu.Button(i)->GetSource(); }
  std::string OverlayLook(TOrvaPrevMenu& menu, int i) {
    TOrvaPrevImages* o = menu.Overlay(i);
    return o ? o->GetSource() + "@" + std::to_string(o->GetPriority()) : "-";
  }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) Scene().Idle();
  }

  kit::FrameScope frameScope;
  TParamCollection vars;
};

TEST_F(PrevMenu, TheDataMakesInternalButtonsAndHoldsTheirPictures) {
  TOrvaPrevMenu* menu = Menu();
  EXPECT_EQ(menu->GetWidth(), 200);
  EXPECT_EQ(menu->GetHeight(), 80);
  EXPECT_EQ(menu->GetCount(), 3);
  EXPECT_EQ(menu->GetText(), "start\r\nload\r\nquit");
  EXPECT_EQ(menu->IndexOfItemName("quit"), 2);
  EXPECT_EQ(menu->IndexOfItemName("QUIT"), -1);
  // The built-in functions reach the buttons through the scene.
  TOrvaSceneLink& link = Scene().Link();
  EXPECT_EQ(link.IndexOfItemName(menu->Handle(), "load"), 1);
  link.SetItemVisible(menu->Handle(), 2, false);
  EXPECT_FALSE(link.GetItemVisible(menu->Handle(), 2));
  EXPECT_TRUE(link.GetItemEnabled(menu->Handle(), 2));
  link.SetItemVisible(menu->Handle(), 2, true);
  ASSERT_NE(menu->Button(1), nullptr);
  EXPECT_EQ(menu->Button(1)->GetName(), "\x01menu\x01" "1");
  EXPECT_EQ(menu->Button(1)->GetParent(), menu);
  EXPECT_EQ(menu->Button(1)->GetScreenLeft(), 160);
  EXPECT_EQ(Look(*menu, 0), "n0.vsk");
  // Ten names of the first button (not its disabled hover or leave), then the others'.
  EXPECT_EQ(menu->PreloadedNames(),
            (std::vector<std::string>{"N0.VSK", "H0.VSK", "L0.VSK", "S0.VSK", "D0.VSK", "HO.VSK", "LO.VSK", "SO.VSK",
                                      "DHO.VSK", "DLO.VSK", "N1.VSK", "H1.VSK", "D1.VSK", "N2.VSK"}));
  TVaskItem* held = GetImageCache()->Collection().Find("so.vsk");
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->Users().size(), 1u);
  // A save leaves the buttons out; nothing of them is stored.
  EXPECT_EQ(menu->GetItemEnabled(3), false);
  EXPECT_EQ(menu->GetItemVisible(-1), false);
  menu->FreeNow();
  EXPECT_TRUE(held->Users().empty()) << "the cache items go back";
  EXPECT_EQ(Scene().GetItemCount(), 0) << "the buttons go with the menu";
}

TEST_F(PrevMenu, TheMouseMovesTheHoverWithLeaveAndHoverLooksAndOverlays) {
  TOrvaPrevMenu* menu = Menu();
  EXPECT_EQ(Frame("move 110 105"), std::vector<std::string>{"menu:104(start,0)"});
  EXPECT_EQ(Look(*menu, 0), "h0.vsk");
  EXPECT_EQ(OverlayLook(*menu, 0), "ho.vsk@1");
  EXPECT_EQ(menu->GetCursorAt(), "hand.cur");
  EXPECT_EQ(Frame("move 170 105"), (std::vector<std::string>{"menu:105(start,0)", "menu:104(load,1)"}));
  EXPECT_EQ(Look(*menu, 0), "l0.vsk");
  EXPECT_FALSE(menu->Button(0)->GetRepeat());
  EXPECT_EQ(OverlayLook(*menu, 0), "lo.vsk@0");
  EXPECT_EQ(Look(*menu, 1), "h1.vsk");
  EXPECT_EQ(OverlayLook(*menu, 1), "-");
  EXPECT_EQ(menu->GetCursorAt(), "");
  // The leave look and its overlay end: back to rest, the overlay gone.
  Updates(4);
  EXPECT_EQ(Look(*menu, 0), "n0.vsk");
  EXPECT_TRUE(menu->Button(0)->GetRepeat());
  EXPECT_EQ(OverlayLook(*menu, 0), "-");
  // Between the buttons the menu itself is under the mouse: no button.
  EXPECT_EQ(Frame("move 155 105"), std::vector<std::string>{"menu:105(load,1)"});
  EXPECT_EQ(Frame("move 400 400"), std::vector<std::string>{});
  EXPECT_EQ(menu->HoverIndex(), -1);
}

TEST_F(PrevMenu, ASelectionPlaysItsLooksAndFreezesTheMenuUntilTheyEnd) {
  TOrvaPrevMenu* menu = Menu();
  Frame("move 110 105");
  EXPECT_EQ(Frame("press L"), std::vector<std::string>{});
  EXPECT_EQ(Frame("release"), std::vector<std::string>{"menu:72(start,0)"});
  EXPECT_EQ(vars.SelStr, "start");
  EXPECT_EQ(vars.SelIndex, 0);
  EXPECT_EQ(menu->PendingCount(), 2);
  EXPECT_EQ(Look(*menu, 0), "s0.vsk");
  EXPECT_EQ(OverlayLook(*menu, 0), "so.vsk@2");
  // Frozen: no hover change, no second selection.
  EXPECT_EQ(Frame("move 170 105"), std::vector<std::string>{});
  EXPECT_EQ(menu->HoverIndex(), 0);
  Frame("move 110 105 press L");
  EXPECT_EQ(Frame("release"), std::vector<std::string>{});
  EXPECT_EQ(menu->PendingCount(), 2);
  Scene().Events().Clear();
  Updates(4);
  EXPECT_EQ(menu->PendingCount(), 0);
  ASSERT_EQ(Scene().Events().Count(), 1) << "both ended: the selection is finished";
  const TTimerData& end = *Scene().Events().GetEvent(0);
  EXPECT_EQ(end.Kind, PR_ONPLAYEND);
  ASSERT_EQ(end.Args.Count(), 2) << "the chosen button travels with the end too";
  EXPECT_EQ(end.Args[0], "start");
  EXPECT_EQ(end.Args[1], "0");
  EXPECT_EQ(Look(*menu, 0), "n0.vsk");
  EXPECT_EQ(OverlayLook(*menu, 0), "-");
}

TEST_F(PrevMenu, AButtonWithoutSelectLooksFinishesInTheSameStep) {
  TOrvaPrevMenu* menu = Menu();
  Frame("move 230 105");
  Frame("press L");
  EXPECT_EQ(Frame("release"), (std::vector<std::string>{"menu:72(quit,2)", "menu:43(quit,2)"}));
  menu->SetAutoScrap(true);
  Frame("press L");
  Frame("release");
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("menu"), nullptr) << "with AUTOSCRAP the menu goes";
  EXPECT_EQ(Scene().GetItemCount(), 0);
}

TEST_F(PrevMenu, DisabledButtonsShowTheirLookAtOnceAndTheirHoverLookOnTheNextHover) {
  TOrvaPrevMenu* menu = Menu();
  Frame("move 170 105");
  ASSERT_EQ(Look(*menu, 1), "h1.vsk");
  menu->SetItemEnabled(1, false);
  EXPECT_FALSE(menu->GetItemEnabled(1));
  EXPECT_EQ(Look(*menu, 1), "d1.vsk") << "at once, while hovered";
  Frame("press L");
  EXPECT_EQ(Frame("release"), std::vector<std::string>{}) << "a disabled button does not select";
  Frame("move 110 105");
  Frame("move 170 105");
  EXPECT_EQ(Look(*menu, 1), "dh1.vsk");
  // The disabled overlays of the first button.
  menu->SetItemEnabled(0, false);
  Frame("move 110 105");
  EXPECT_EQ(OverlayLook(*menu, 0), "dho.vsk@1");
  Frame("move 400 400");
  EXPECT_EQ(Look(*menu, 0), "d0.vsk") << "no disabled leave look: the disabled one";
  EXPECT_EQ(OverlayLook(*menu, 0), "dlo.vsk@0");
  menu->SetItemEnabled(0, true);
  EXPECT_EQ(Look(*menu, 0), "n0.vsk");
}

TEST_F(PrevMenu, KeysWalkTheVisibleButtonsAndWrap) {
  TOrvaPrevMenu* menu = Menu();
  menu->SetHandleKey(true);
  Scene().SetFocus(menu);
  menu->SetItemVisible(1, false);
  EXPECT_FALSE(menu->Button(1)->GetVisible());
  EXPECT_EQ(Look(*menu, 1), "");
  struct Step {
    std::string input;
    std::vector<std::string> events;
  } steps[] = {
      {"key 39", {"menu:104(start,0)"}},
      {"key 40", {"menu:105(start,0)", "menu:104(quit,2)"}},  // over the hidden one
      {"key 39", {"menu:105(quit,2)", "menu:104(start,0)"}},  // from the last visible: the first
      {"key 37", {"menu:105(start,0)", "menu:104(quit,2)"}},
      {"key 13", {"menu:72(quit,2)", "menu:43(quit,2)"}},
  };
  for (const Step& step : steps) EXPECT_EQ(Frame(step.input), step.events) << step.input;
  menu->SetItemVisible(1, true);
  EXPECT_EQ(Look(*menu, 1), "n1.vsk");
  for (int i = 0; i < 3; ++i) menu->SetItemVisible(i, false);
  EXPECT_EQ(Frame("key 39"), std::vector<std::string>{}) << "no visible button: no key works";
}

// Scripts reach the real buttons by index, by a number in a text or by name; a name no button
// has asks for button -1, which is neither enabled nor visible. A selection image keeps no
// item flags: its items are enabled and visible, never checked.
TEST_F(PrevMenu, BuiltInFunctionsReachTheButtonsByIndexOrName) {
  TSysFuncMan functions{vars};
  vars.SetFunctions(&functions);
  functions.SetScene(&Scene().Link());
  TOrvaPrevMenu* menu = Menu();
  auto* map = CreateSceneObject<TOrvaMapImage>(Scene());
  map->SetName("map");
  const auto eval = [&](std::string_view call) { return script_test::RunExpression(vars, call); };
  struct Step {
    const char* call;
    const char* result;
  } steps[] = {
      {"SetEnabled(\"menu\", \"load\", FALSE)", "I:0"},
      {"GetEnabled(\"menu\", 1)", "B:FALSE"},
      {"GetEnabled(\"menu\", \"quit\")", "B:TRUE"},
      {"GetEnabled(\"menu\", \"Quit\")", "B:FALSE"},
      {"GetEnabled(\"menu\", 3)", "B:FALSE"},
      {"SetVisible(\"menu\", \"2\", FALSE)", "B:FALSE"},
      {"GetVisible(\"menu\", \"quit\")", "B:FALSE"},
      {"GetVisible(\"menu\", 0)", "B:TRUE"},
      {"GetCheck(\"menu\", 0)", "B:FALSE"},
      {"SetEnabled(\"map\", 0, FALSE)", "I:0"},
      {"GetEnabled(\"map\", 0)", "B:TRUE"},
      {"GetVisible(\"map\", \"a\")", "B:TRUE"},
      {"GetCheck(\"map\", 0)", "B:FALSE"},
  };
  for (const Step& step : steps) EXPECT_EQ(eval(step.call), step.result) << step.call;
  EXPECT_EQ(Look(*menu, 1), "d1.vsk") << "a button disabled by a script shows its disabled look";
  EXPECT_FALSE(menu->Button(2)->GetVisible());
  vars.SetFunctions(nullptr);
}

TEST_F(PrevMenu, ARightPressWithRClickScrapFreesTheMenu) {
  TOrvaPrevMenu* menu = Menu();
  Frame("move 110 105 press R");
  Frame("release");
  Scene().Idle();
  ASSERT_NE(Scene().FindObject("menu"), nullptr);
  menu->SetRClickScrap(true);
  Frame("press R");
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("menu"), nullptr);
}

TEST_F(PrevMenu, FilmsNamingEachOtherArePreloadedOnceEach) {
  kit::TestFilms films;
  films.Library["a.omt"] = {"fa.vsk", "b.omt"};
  films.Library["b.omt"] = {"fb.vsk", "a.omt", "fa.vsk"};
  PrevMenuButton b = NamedButton("film");
  b.Normal = "a.omt";
  b.Hover = "B.OMT";
  files.Add("films.dat", kit::MakePrevMenu(MenuFile("103", 10, 10, {b})));
  auto* menu = CreateSceneObject<TOrvaPrevMenu>(Scene());
  menu->SetName("m");
  menu->SetSource("films.dat");
  EXPECT_EQ(menu->PreloadedNames(), (std::vector<std::string>{"FA.VSK", "FB.VSK"}));
  ASSERT_NE(menu->Button(0)->GetMotion(), nullptr) << "a film on a button plays as its motion";
}

TEST_F(PrevMenu, AMissingOrRejectedFileGivesAnEmptyMenu) {
  TOrvaPrevMenu* menu = Menu();
  menu->SetSource("none.dat");
  EXPECT_EQ(menu->GetCount(), 0);
  EXPECT_EQ(menu->GetWidth(), 0);
  EXPECT_EQ(Scene().GetItemCount(), 1);
  files.Add("old.dat", kit::MakePrevMenu(MenuFile("099", 10, 10, {FullButton()})));
  menu->SetSource("old.dat");
  EXPECT_EQ(menu->GetCount(), 0);
  EXPECT_EQ(menu->GetHeight(), 0);
}

TEST_F(PrevMenu, SavedFlagsComeBackByVersion) {
  struct Case {
    int version;
    std::vector<uint8_t> enabled, visible;
    std::vector<bool> enabledAfter, visibleAfter;
  } cases[] = {
      {126, {0, 0, 0}, {0, 0, 0}, {true, true, true}, {true, true, true}},
      {127, {0, 1, 0, 0, 0}, {0, 0, 0}, {false, true, false}, {true, true, true}},
      {132, {0}, {1, 0}, {false, true, true}, {true, false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TMemoryStream fields;
    WriteStreamString(fields, "menu\\top.dat");
    WriteStreamBool(fields, true);
    WriteStreamBool(fields, false);
    WriteStreamBool(fields, true);
    for (const char* s : {"in.osb", "out.osb", "idle.osb", "sel.osb", "end.osb"}) WriteStreamString(fields, s);
    if (c.version >= 127) {
      WriteStreamInt(fields, int32_t(c.enabled.size()));
      fields.WriteBuffer(c.enabled.data(), int64_t(c.enabled.size()));
    }
    if (c.version >= 132) {
      WriteStreamInt(fields, int32_t(c.visible.size()));
      fields.WriteBuffer(c.visible.data(), int64_t(c.visible.size()));
    }
    kit::ControlRecord record;
    record.Type = LT_PREVMENU;
    record.Name = "saved";
    record.Extra = std::string(fields.View());
    kit::SceneBuilder builder(c.version);
    builder.Control(record);
    auto* loaded = CreateSceneObject<TOrvaPrevMenu>(Scene());
    TMemoryStream& stream = builder.Done();
    loaded->LoadFromStream(stream, c.version);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    ASSERT_EQ(loaded->GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(loaded->GetItemEnabled(i), c.enabledAfter[size_t(i)]) << i;
      EXPECT_EQ(loaded->GetItemVisible(i), c.visibleAfter[size_t(i)]) << i;
    }
    EXPECT_EQ(loaded->GetOnSelect(), "sel.osb");
    EXPECT_TRUE(loaded->GetAutoScrap());
    EXPECT_TRUE(loaded->GetPaused());
    // What the player writes reads back whole, flags included.
    TMemoryStream again;
    loaded->SaveToStream(again);
    again.SetPosition(0);
    auto* copy = CreateSceneObject<TOrvaPrevMenu>(Scene());
    copy->LoadFromStream(again, GameSaveVersion);
    EXPECT_EQ(again.GetPosition(), again.GetSize());
    EXPECT_EQ(copy->GetItemEnabled(0), loaded->GetItemEnabled(0));
    EXPECT_EQ(copy->GetItemVisible(1), loaded->GetItemVisible(1));
    loaded->FreeNow();
    copy->FreeNow();
  }
  // A flag count beyond the data fails the load.
  TMemoryStream fields;
  WriteStreamString(fields, "");
  for (int i = 0; i < 3; ++i) WriteStreamBool(fields, false);
  for (int i = 0; i < 5; ++i) WriteStreamString(fields, "");
  WriteStreamInt(fields, 1000);
  kit::ControlRecord record;
  record.Type = LT_PREVMENU;
  record.Extra = std::string(fields.View());
  kit::SceneBuilder builder(GameSaveVersion);
  builder.Control(record);
  auto* bad = CreateSceneObject<TOrvaPrevMenu>(Scene());
  EXPECT_THROW(bad->LoadFromStream(builder.Done(), GameSaveVersion), EReadError);
}

}  // namespace
}  // namespace orva

// Message boxes, the backlog and the read marks in saves: a game saved in the middle of a
// page and a backlog view come back with the same glyphs and values, older saves written by
// the kit load, damaged counts fail the load, and the read marks travel in the status data.
#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "kit/project_file_builder.h"
#include "kit/scene_builder.h"
#include "kit/text_records.h"
#include "mes_fixture.h"
#include "platform/message_box.h"
#include "script/project.h"
#include "script/save_file.h"
#include "text/glyph_page.h"

namespace orva {
namespace {

using kit::PageBuilder;
using mes_test::Glyphs;
using mes_test::MesFixture;

class MesSaves : public MesFixture {
 protected:
  MesSaves() : boxScope(boxes) {}
  ~MesSaves() override {
    project_.reset();
    History().SetInterpreter(&man);
  }

  // A game in the temporary directory whose start page is `start`, run by a project with
  // the scene, the backlog and the read marks in its saves.
  void StartGame(PageBuilder& start) {
    files.Add("orva.opb", kit::ProjectFileBuilder(109).Bytes());
    files.Add("start.osb", start);
    TSaveSections sections{&Scene().Link(), &History(), &Marks(), nullptr};
    saves_ = std::make_unique<TSaveFile>(sections);
    TProjectSetup setup;
    setup.Arguments = {dir.Game()};
    setup.Scene = &Scene().Link();
    setup.Text = &TextLink();
    setup.Saves = saves_.get();
    project_ = std::make_unique<TProject>(vars, std::move(setup));
    History().SetInterpreter(project_->CallMan());
    engine.SetCallMan(project_->CallMan());
  }
  void GameFrames(int n) {
    for (int i = 0; i < n; ++i) {
      Scene().ProcessInput();
      FrameDelta = 16;
      project_->Execute();
      Scene().Idle();
      Scene().Paint();
    }
  }
  void SaveAndLoad(const std::function<void()>& between) {
    project_->RequestSave(1, "", 0, "saved");
    project_->ProcessRequests();
    between();
    project_->RequestLoad(1);
    ASSERT_TRUE(project_->ProcessRequests());
  }
  TOrvaMes& BoxNamed(std::string_view name) { return *dynamic_cast<TOrvaMes*>(Scene().FindObject(name)); }
  // The plain text of every page, each revealed to the end.
  std::vector<std::string> AllPages(TOrvaMes& box) {
    std::vector<std::string> out;
    for (const auto& page : box.Pages()) {
      page->SetAlphaAll(255);
      out.push_back(page->GetPlainText());
    }
    return out;
  }

  testing::TempDir dir;
  TScriptedMessageBox boxes;
  TMessageBoxScope boxScope;
  std::unique_ptr<TSaveFile> saves_;
  std::unique_ptr<TProject> project_;
};

// Two pages of ten characters, each starting with the value of v.
std::string TwoPagesWithV() {
  kit::GlyphStream text(102);
  text.Decoration({}).Var("v", 0, 100).Text(Sjis("あいうえおかきくけ"), 0, 100).Var("v", 0, 100).Text(Sjis("こさ"), 0, 100);
  return text.Bytes();
}

TEST_F(MesSaves, AGameSavedMidPageComesBackWithItsGlyphsAndTheValuesOfEveryPage) {
  PageBuilder start;
  start.VarNew("v", PT_INT, "5")
      .Component(TCommandCode::MesNew, {{PR_NAME, "\"m\""}, {PR_WIDTH, "100"}, {PR_HEIGHT, "40"},
                                        {PR_FONTHEIGHT, "20"}, {PR_TEXTDELAY, "256"}})
      .TextIns({.glyphs = TwoPagesWithV(), .box = "\"m\"", .history = "TRUE", .wait = "TRUE"});
  StartGame(start);
  GameFrames(12);
  TOrvaMes& before = BoxNamed("m");
  const std::string shown = before.GetText();
  const int32_t rows = before.CurrentPage()->RowCursor, glyphs = before.CurrentPage()->GlyphCursor;
  ASSERT_TRUE(before.CurrentPage()->IsPlaying());
  ASSERT_FALSE(shown.empty());
  // The value changes after the pages were laid out; the save keeps what they show.
  vars.Find("v")->SetAsInteger(9);
  SaveAndLoad([&] { GameFrames(20); });
  TOrvaMes& after = BoxNamed("m");
  EXPECT_EQ(after.Kind, TOrvaMes::kTextCommand);
  EXPECT_EQ(after.GetIndex(), 0);
  EXPECT_EQ(after.GetText(), shown);
  EXPECT_EQ(after.CurrentPage()->RowCursor, rows);
  EXPECT_EQ(after.CurrentPage()->GlyphCursor, glyphs);
  EXPECT_EQ(AllPages(after), (std::vector<std::string>{Sjis("5あいうえおかきくけ"), Sjis("5こさ")}));
  // The interrupted TextIns waits on the box again, and its page is armed as read.
  GameFrames(80);
  EXPECT_EQ(project_->CallMan()->CommandIndex(), 2);
  EXPECT_TRUE(Marks().IsRead("start.osb", 2, 0));
}

TEST_F(MesSaves, ABacklogViewComesBackWithTheValuesOfEachEntry) {
  kit::GlyphStream text(102);
  text.Decoration({}).Text("v").Var("v");
  PageBuilder start;
  start.VarNew("v", PT_INT, "1")
      .Component(TCommandCode::MesNew, {{PR_NAME, "\"m\""}, {PR_WIDTH, "200"}, {PR_HEIGHT, "400"},
                                        {PR_FONTHEIGHT, "20"}, {PR_TEXTDELAY, "0"}})
      .Component(TCommandCode::MesNew, {{PR_NAME, "\"tpl\""}, {PR_WIDTH, "400"}, {PR_HEIGHT, "600"},
                                        {PR_FONTHEIGHT, "20"}})
      .FormatHist("\"tpl\"")
      .TextIns({.glyphs = text.Bytes(), .box = "\"m\"", .history = "TRUE"})
      .Calc("v = 2")
      .TextIns({.glyphs = text.Bytes(), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .CallHist("\"m\"", "0", "1000", "FALSE")
      .Calc("v = 3")
      .Wait("100000");
  StartGame(start);
  GameFrames(8);
  ASSERT_EQ(BoxNamed("m").GetText(), "v1v2");
  SaveAndLoad([&] { vars.Find("v")->SetAsInteger(4); });
  TOrvaMes& after = BoxNamed("m");
  EXPECT_EQ(after.Kind, TOrvaMes::kBacklogView);
  EXPECT_EQ(AllPages(after), std::vector<std::string>{"v1v2"});
  EXPECT_EQ(History().GetTotal(), 40);
}

TEST_F(MesSaves, ReadMarksTravelInTheStatusData) {
  files.Add("end.osb", PageBuilder().TextClr("\"m\""));
  PageBuilder start;
  start.Component(TCommandCode::MesNew, {{PR_NAME, "\"m\""}, {PR_WIDTH, "100"}, {PR_HEIGHT, "40"},
                                         {PR_FONTHEIGHT, "20"}, {PR_TEXTDELAY, "0"}, {PR_ONPLAYEND, "\"end.osb\""}})
      .TextIns({.glyphs = Glyphs("ab"), .box = "\"m\"", .history = "TRUE", .wait = "TRUE"});
  StartGame(start);
  GameFrames(10);
  ASSERT_TRUE(Marks().IsRead("start.osb", 1, 0));
  project_.reset();  // writes the status data
  Marks().Clear();
  TSaveFile saves({&Scene().Link(), &History(), &Marks(), nullptr});
  TProjectSetup setup;
  setup.Arguments = {dir.Game()};
  setup.Saves = &saves;
  TProject again(vars, std::move(setup));
  EXPECT_TRUE(Marks().IsRead("START.osb", 1, 0));
}

// A scene of one message box on layer 0, written at a version.
TMemoryStream& SceneWithBox(kit::SceneBuilder& builder, int version, const kit::MesBoxRecord& box) {
  kit::SceneRecord scene;
  kit::ControlRecord control;
  control.Type = LT_MES;
  control.Name = "m";
  control.Left = 10;
  control.Top = 20;
  control.Width = box.Width;
  control.Height = box.Height;
  control.Extra = kit::MesBoxFields(version, box);
  scene.Layers[0].Children.push_back(control);
  builder.Scene(scene);
  return builder.Done();
}

TEST_F(MesSaves, OlderBoxRecordsLoad) {
  kit::GlyphStream text(102);
  text.Decoration({}).Text("ab").Var("v");
  files.Add("start.osb", PageBuilder().Calc("v = 1").TextIns({.glyphs = text.Bytes(), .box = "\"m\""}));
  vars.AddVariable(PT_INT).SetName("v");
  vars.Find("v")->SetAsInteger(1);
  struct Case {
    int version;
    std::string shown;
  };
  // Before 113 a command shown directly is an older-form entry of page index −1; from 124
  // the entry carries the values it was shown with.
  for (const Case& c : {Case{112, "ab1"}, Case{113, "ab1"}, Case{124, "ab7"}}) {
    kit::MesBoxRecord box;
    box.Kind = TOrvaMes::kTextCommand;
    box.PageName = "start.osb";
    box.CommandIndex = 1;
    if (c.version < 113)
      box.Old.push_back({"start.osb", 1, -1, 100, 40});
    else
      box.Record.Entries.push_back({"start.osb", 1, 0, -1, 0, "v=7\r\n"});
    kit::SceneBuilder builder(c.version);
    Scene().LoadFromStream(SceneWithBox(builder, c.version, box), c.version);
    TOrvaMes& loaded = BoxNamed("m");
    EXPECT_EQ(loaded.GetCount(), 1) << c.version;
    EXPECT_EQ(loaded.Word().Width, 100) << c.version;
    EXPECT_EQ(AllPages(loaded), std::vector<std::string>{c.shown}) << c.version;
    // The page shown is armed for the read marks.
    EXPECT_TRUE(Marks().HasPending()) << c.version;
  }
  // Markup that raised when it was assigned leaves the loaded box empty.
  kit::MesBoxRecord markup;
  markup.Text = "x<A>y";
  kit::SceneBuilder builder(133);
  Scene().LoadFromStream(SceneWithBox(builder, 133, markup), 133);
  EXPECT_EQ(BoxNamed("m").GetCount(), 0);
}

TEST_F(MesSaves, OlderHistoryRecordsLoadAndDamagedCountsFail) {
  kit::HistoryRecord old;
  old.Old = {{"a.osb", 1, 0, 100, 40}, {"", 2, 1, 100, 40}};
  old.CurrentPage = "a.osb";
  old.BoxName = "m";
  TMemoryStream bytes(kit::HistoryBytes(112, old));
  History().LoadFromStream(bytes, 112);
  ASSERT_EQ(History().OldRecords().size(), 2u);
  EXPECT_EQ(History().OldRecords()[1].CommandIndex, 2);
  EXPECT_EQ(History().OldRecords()[1].PageIndex, 1);
  EXPECT_EQ(History().GetTotal(), 2);
  EXPECT_TRUE(History().HasCurrent());

  kit::HistoryRecord formatted;
  formatted.MaxCount = 5;
  formatted.Format[3] = 400;
  formatted.Format[4] = 600;
  formatted.Records = {{{{"a.osb", 1, 0, 9, 200, "v=1\r\n"}, {"", 2, 0, -1, 100, ""}}, 300}};
  for (int version : {113, 124}) {
    TMemoryStream stream(kit::HistoryBytes(version, formatted));
    History().LoadFromStream(stream, version);
    EXPECT_EQ(History().GetMaxCount(), 5);
    EXPECT_EQ(History().GetTotal(), 300);
    ASSERT_EQ(History().Records().size(), 1u);
    EXPECT_EQ(History().Records()[0]->PageNameAt(1), "a.osb");
    EXPECT_EQ(History().Records()[0]->Entry(0).Snapshot, version >= 124 ? "v=1\r\n" : "");
  }
  // An entry count beyond the bytes left fails the load and keeps the backlog. The count
  // follows the record count, where a backlog without records has its (empty) snapshot.
  kit::HistoryRecord none = formatted;
  none.Records.clear();
  std::string bad = kit::HistoryBytes(124, formatted);
  bad[kit::HistoryBytes(124, none).size() - 4] = '\x7f';
  TMemoryStream broken(bad);
  EXPECT_THROW(History().LoadFromStream(broken, 124), EReadError);
  EXPECT_EQ(History().GetTotal(), 300);
}

}  // namespace
}  // namespace orva

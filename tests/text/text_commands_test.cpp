// The text and history commands under the real call manager: TextIns filling a box and
// waiting on it, TextClr, the backlog grouped into history pages and shown by CallHist,
// FormatHist, ClrHist, ClrRead and Reset, and the read marks behind ONPLAYSTART.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "core/encoding.h"
#include "mes_fixture.h"
#include "text/glyph_page.h"

namespace orva {
namespace {

using kit::PageBuilder;
using kit::Prop;
using mes_test::Glyphs;
using mes_test::MesFixture;

// A message box command: 100 × 40, 20 px characters, text at once.
std::vector<Prop> MesProps(std::string_view name, std::vector<Prop> more = {}) {
  std::vector<Prop> props = {{PR_NAME, "\"" + std::string(name) + "\""},
                             {PR_WIDTH, "100"},
                             {PR_HEIGHT, "40"},
                             {PR_FONTHEIGHT, "20"},
                             {PR_TEXTDELAY, "0"}};
  for (const Prop& p : more) {
    auto same = std::find_if(props.begin(), props.end(), [&](const Prop& q) { return q.code == p.code; });
    if (same != props.end())
      *same = p;
    else
      props.push_back(p);
  }
  return props;
}

// n lines of one character each: 50 px a line at the history format below.
std::string Lines(int n, char c = 'a') {
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (i) text += '\n';
    text += c;
  }
  return Glyphs(text);
}

class TextCommands : public MesFixture {
 protected:
  TOrvaMes& BoxNamed(std::string_view name) {
    auto* box = dynamic_cast<TOrvaMes*>(Scene().FindObject(name));
    EXPECT_NE(box, nullptr) << name;
    return *box;
  }
  // Frames until x reaches the value (at most n).
  bool RunUntil(int32_t x, int n = 40) {
    for (int i = 0; i < n; ++i) {
      if (Var("x") == x) return true;
      Frame();
    }
    return Var("x") == x;
  }
  // A history format of 50 px characters on 400 × 600 history pages.
  void Format(PageBuilder& page) {
    page.Component(TCommandCode::MesNew, {{PR_NAME, "\"tpl\""}, {PR_WIDTH, "400"}, {PR_HEIGHT, "600"},
                                          {PR_FONTHEIGHT, "50"}, {PR_LINESPACE, "0"}, {PR_VISIBLE, "FALSE"}})
        .FormatHist("\"tpl\"");
  }
  // Three commands of 4, 5 and 4 lines (200, 250 and 200 px at the format) shown in a 400 px
  // box "m", each left when the next one comes, the last when the box is emptied.
  bool RecordThreeCommands() {
    PageBuilder page;
    page.VarNew("x", PT_INT, "0").Component(TCommandCode::MesNew, MesProps("m", {{PR_HEIGHT, "400"}}));
    Format(page);
    for (int lines : {4, 5, 4}) page.TextIns({.glyphs = Lines(lines), .box = "\"m\"", .history = "TRUE"});
    page.TextClr("\"m\"").Calc("x = 1");
    StartPage(page);
    return RunUntil(1);
  }
  std::vector<std::vector<int32_t>> HistoryHeights() {
    std::vector<std::vector<int32_t>> out;
    for (const auto& record : History().Records()) {
      out.emplace_back();
      for (int i = 0; i < record->Count(); ++i) out.back().push_back(record->Entry(i).Height);
    }
    return out;
  }
};

TEST_F(TextCommands, TextInsWaitsOnItsBoxUntilItsHandlerEmptiesIt) {
  files.Add("end.osb", PageBuilder().TextClr("\"m\""));
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .Component(TCommandCode::MesNew, MesProps("m", {{PR_ONPLAYEND, "\"end.osb\""}}))
      .TextIns({.glyphs = Glyphs("abc"), .box = "\"missing\"", .history = "TRUE", .wait = "TRUE"})
      .Calc("x = 1")
      .TextIns({.glyphs = Glyphs("abc"), .box = "\"m\"", .history = "TRUE", .wait = "TRUE"})
      .Calc("x = 2");
  StartPage(page);
  Frame();
  // A box that does not exist: the command moves on at once.
  EXPECT_EQ(Var("x"), 1);
  TOrvaMes& box = BoxNamed("m");
  EXPECT_EQ(box.GetCount(), 1);
  EXPECT_EQ(box.Kind, TOrvaMes::kTextCommand);
  EXPECT_EQ(box.PageName, "start.osb");
  EXPECT_EQ(box.CommandIndex, 4);
  Frames(2);
  EXPECT_EQ(Var("x"), 1);
  // ONPLAYEND's handler empties the box (TextClr), which ends the wait.
  EXPECT_TRUE(RunUntil(2));
  EXPECT_EQ(box.GetCount(), 0);
  EXPECT_EQ(box.Kind, TOrvaMes::kPlainText);
}

TEST_F(TextCommands, ABoxThatLeavesTheSceneEndsTheWaitAndAPlainTextInsIsNotRecorded) {
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .Component(TCommandCode::MesNew, MesProps("m"))
      .TextIns({.glyphs = Glyphs("abc"), .box = "\"m\"", .history = "FALSE", .wait = "TRUE"})
      .Calc("x = 1");
  StartPage(page);
  Frames(5);
  TOrvaMes& box = BoxNamed("m");
  EXPECT_EQ(box.Kind, TOrvaMes::kPlainText);
  EXPECT_EQ(box.GetCount(), 1);
  EXPECT_EQ(Var("x"), 0);
  box.FreeNow();
  Frame();
  EXPECT_EQ(Var("x"), 1);
  // Nothing was recorded and nothing marked.
  EXPECT_EQ(History().GetTotal(), 0);
  EXPECT_FALSE(History().HasCurrent());
  EXPECT_EQ(Marks().Count(), 0);
}

TEST_F(TextCommands, APageSeenToTheEndIsMarkedAndStartsWithOneTheNextTime) {
  files.Add("end.osb", PageBuilder().TextClr("\"m\""));
  files.Add("ps.osb", PageBuilder().Calc("seen = seen ++ @ParamStr[0]"));
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .VarNew("n", PT_INT, "0")
      .VarNew("seen", PT_STR, "\"\"")
      .Component(TCommandCode::MesNew,
                 MesProps("m", {{PR_ONPLAYEND, "\"end.osb\""}, {PR_ONPLAYSTART, "\"ps.osb\""}}))
      .While("n < 2", [&] {
        page.TextIns({.glyphs = Glyphs("abc"), .box = "\"m\"", .history = "TRUE", .wait = "TRUE"})
            .Calc("n = n + 1");
      })
      .Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  EXPECT_EQ(vars.Find("seen")->GetAsString(), "01");
  EXPECT_TRUE(Marks().IsRead("START.OSB", 5, 0));
  // ClrRead forgets them.
  files.Add("clr.osb", PageBuilder().ClrRead());
  man.Start("clr.osb");
  Frame();
  EXPECT_EQ(Marks().Count(), 0);
}

TEST_F(TextCommands, TextAssignedInTheMiddleOfAPageLeavesItUnread) {
  PageBuilder page;
  page.Component(TCommandCode::MesNew, MesProps("m", {{PR_TEXTDELAY, "256"}}))
      .TextIns({.glyphs = Glyphs("abcdefghij", 100), .box = "\"m\"", .history = "TRUE", .wait = "FALSE"});
  StartPage(page);
  Frames(4);
  TOrvaMes& box = BoxNamed("m");
  ASSERT_TRUE(box.CurrentPage()->IsPlaying());
  TParamStr text;
  text.SetAsString("plain");
  Scene().Link().SetProp(box.Handle(), PR_TEXT, text);
  Frames(30);
  EXPECT_EQ(box.GetText(), "plain");
  EXPECT_FALSE(Marks().IsRead("start.osb", 1, 0));
  EXPECT_EQ(Marks().Count(), 0);
}

TEST_F(TextCommands, PagesGroupIntoHistoryPagesByTheFormatsHeight) {
  ASSERT_TRUE(RecordThreeCommands());
  EXPECT_EQ(HistoryHeights(), (std::vector<std::vector<int32_t>>{{200, 250}, {200}}));
  EXPECT_EQ(History().GetTotal(), 650);
  EXPECT_EQ(History().GetCount(), 2);
  // The commands' pages came from the interpreter's cache; the box read its page file once
  // into its layout cache, and each command's glyph stream once.
  EXPECT_EQ(History().PageLoads(), 0);
  EXPECT_EQ(BoxNamed("m").MesData().Cache().PageLoads(), 1);
  EXPECT_EQ(BoxNamed("m").MesData().Cache().StreamReads(), 3);
  // The same page committed twice adds two entries.
  TOrvaMes& box = BoxNamed("m");
  files.Add("again.osb", PageBuilder().TextIns({.glyphs = Lines(1), .box = "\"m\"", .history = "TRUE"}).TextClr("\"m\"")
                              .TextIns({.glyphs = Lines(1), .box = "\"m\"", .history = "TRUE"}).TextClr("\"m\""));
  man.Start("again.osb");
  Frame();
  EXPECT_EQ(HistoryHeights(), (std::vector<std::vector<int32_t>>{{200, 250}, {200, 50, 50}}));
  EXPECT_EQ(box.GetCount(), 0);
}

TEST_F(TextCommands, CallHistShowsAClampedRangeOfTheBacklog) {
  ASSERT_TRUE(RecordThreeCommands());
  TOrvaMes& box = BoxNamed("m");
  struct Case {
    std::string start, count;
    int entries;  // -1: the box is left as it was
    int32_t offset;
  };
  const Case cases[] = {
      {"-5", "300", 2, 0},     // from 0: the first two entries reach 300
      {"100", "1", 1, -100},   // inside the first entry
      {"450", "1000", 1, 0},   // cut at the end: the last entry
      {"650", "1", -1, 0},     // at the end: nothing
      {"2147483647", "2147483647", -1, 0},
      {"0", "", 1, 0},          // count 1 when none
  };
  TParamStr before;
  before.SetAsString("before");
  int n = 0;
  for (const Case& c : cases) {
    Scene().Link().SetProp(box.Handle(), PR_TEXT, before);
    // Each a page of its own name: the interpreter keeps the pages it loaded.
    const std::string name = "call" + std::to_string(n++) + ".osb";
    files.Add(name, PageBuilder().CallHist("\"m\"", c.start, c.count, "FALSE"));
    man.Start(name);
    Frame();
    if (c.entries < 0) {
      EXPECT_EQ(box.Kind, TOrvaMes::kPlainText) << c.start;
      continue;
    }
    EXPECT_EQ(box.Kind, TOrvaMes::kBacklogView) << c.start;
    EXPECT_EQ(box.MesData().Record().Count(), c.entries) << c.start;
    EXPECT_EQ(box.BacklogOffset, c.offset) << c.start;
    EXPECT_EQ(box.GetCount(), 1) << c.start;
    EXPECT_EQ(box.GetIndex(), 0);
  }
  // The view stacks the entries' rows: 4 + 5 rows of 20 px from the offset.
  files.Add("view.osb", PageBuilder().CallHist("\"m\"", "0", "450", "FALSE"));
  man.Start("view.osb");
  Frame();
  const TWdPage& view = *box.CurrentPage();
  ASSERT_EQ(view.GetCount(), 9);
  EXPECT_EQ(view.GetItem(4)->Top, 80);
  EXPECT_EQ(view.GetItem(8)->Top, 160);
}

TEST_F(TextCommands, TheBacklogShowsTheValuesAPageWasShownWith) {
  kit::GlyphStream shown(102);
  shown.Decoration({}).Text("v").Var("v");
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .VarNew("v", PT_INT, "1")
      .Component(TCommandCode::MesNew, MesProps("m", {{PR_WIDTH, "200"}, {PR_HEIGHT, "400"}}));
  Format(page);
  page.TextIns({.glyphs = shown.Bytes(), .box = "\"m\"", .history = "TRUE"})
      .Calc("v = 2")
      .TextIns({.glyphs = shown.Bytes(), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .Calc("v = 3")
      .CallHist("\"m\"", "0", "1000", "FALSE")
      .Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  Frames(6);
  TOrvaMes& box = BoxNamed("m");
  EXPECT_EQ(box.GetText(), "v1v2");
}

TEST_F(TextCommands, TheOlderFormKeepsTheNewestRecordsWithTheirPageNames) {
  PageBuilder page;
  page.VarNew("x", PT_INT, "0").Calc("@HistoryMaxCount = 3").Component(TCommandCode::MesNew, MesProps("m"));
  for (char c : {'a', 'b', 'c', 'd', 'e'}) page.TextIns({.glyphs = Glyphs(std::string(1, c)), .box = "\"m\"", .history = "TRUE"});
  page.TextClr("\"m\"").Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  ASSERT_EQ(History().OldRecords().size(), 3u);
  EXPECT_EQ(History().OldRecords()[0].PageName, "start.osb");  // handed on from the evicted one
  EXPECT_EQ(History().OldRecords()[1].PageName, "");
  EXPECT_EQ(History().OldRecords()[0].CommandIndex, 5);
  EXPECT_EQ(History().OldRecords()[0].Width, 100);
  EXPECT_EQ(History().GetTotal(), 3);
  EXPECT_EQ(History().GetMaxCount(), 3);
  // The older form's view: each record's page at its box size, stacked by box height.
  files.Add("call.osb", PageBuilder().CallHist("\"m\"", "1", "2", "FALSE"));
  man.Start("call.osb");
  Frames(6);
  TOrvaMes& box = BoxNamed("m");
  EXPECT_EQ(box.MesData().OldEntries().size(), 2u);
  EXPECT_EQ(box.GetText(), "de");
  EXPECT_EQ(box.CurrentPage()->GetItem(1)->Top, 40);
  // Markup assigned then leaves nothing of the view to rebuild (a load would show the
  // view again instead of the text).
  TParamStr text;
  text.SetAsString("plain");
  Scene().Link().SetProp(box.Handle(), PR_TEXT, text);
  EXPECT_TRUE(box.MesData().IsEmpty());
  // Reset empties the backlog and its maximum count.
  files.Add("reset.osb", PageBuilder().Reset("idle.osb", 0));
  files.Add("idle.osb", PageBuilder().Wait("100000"));
  man.Start("reset.osb");
  Frame();
  EXPECT_EQ(History().GetTotal(), 0);
  EXPECT_EQ(History().GetMaxCount(), 0);
}

TEST_F(TextCommands, TheHistoryWordIsKnownByPageNameAndCommandIndex) {
  // Command 0 of two pages: one line, then three; each commit reads its own text.
  files.Add("a.osb", PageBuilder().TextIns({.glyphs = Lines(1), .box = "\"m\"", .history = "TRUE"}));
  files.Add("b.osb", PageBuilder().TextIns({.glyphs = Lines(3), .box = "\"m\"", .history = "TRUE"}));
  PageBuilder page;
  page.VarNew("x", PT_INT, "0").Component(TCommandCode::MesNew, MesProps("m", {{PR_HEIGHT, "400"}}));
  Format(page);
  page.Call("a.osb", 0).Call("b.osb", 0).Call("a.osb", 0).TextClr("\"m\"").Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  EXPECT_EQ(HistoryHeights(), (std::vector<std::vector<int32_t>>{{50, 150, 50}}));
}

TEST_F(TextCommands, AFormatTakesEffectWhileTheBacklogHasNoHistoryPages) {
  PageBuilder page;
  page.VarNew("x", PT_INT, "0").Component(TCommandCode::MesNew, MesProps("m", {{PR_HEIGHT, "400"}}));
  Format(page);
  page.TextIns({.glyphs = Lines(2), .box = "\"m\"", .history = "TRUE"})
      .Component(TCommandCode::MesNew, {{PR_NAME, "\"wide\""}, {PR_WIDTH, "400"}, {PR_HEIGHT, "600"},
                                        {PR_FONTHEIGHT, "50"}, {PR_LINESPACE, "10"}})
      .FormatHist("\"wide\"")
      .TextIns({.glyphs = Lines(2), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .VarNew("before", PT_INT, "@HistoryCount")
      .ClrHist()
      .TextIns({.glyphs = Lines(2), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  // The line space of the later format counts only once the backlog was emptied.
  EXPECT_EQ(Var("before"), 100 + 100);
  EXPECT_EQ(HistoryHeights(), (std::vector<std::vector<int32_t>>{{100 + 10 + 10}}));
}

TEST_F(TextCommands, ABacklogViewQueuesItsPlayStartTwice) {
  files.Add("ps.osb", PageBuilder().Calc("starts = starts + 1"));
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .VarNew("starts", PT_INT, "0")
      .Component(TCommandCode::MesNew, MesProps("m", {{PR_ONPLAYSTART, "\"ps.osb\""}}))
      .TextIns({.glyphs = Lines(1), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .Calc("starts = 0")
      .CallHist("\"m\"", "0", "1", "FALSE")
      .Wait("200")
      .Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  // The rebuild with play-start, then the selection of page 0.
  EXPECT_EQ(Var("starts"), 2);
}

TEST_F(TextCommands, TheLayoutCacheKeepsFourPagesAndSixteenCommandsEach) {
  kit::PageBuilder many;
  for (int c = 0; c < 17; ++c) many.TextIns({.glyphs = Lines(1), .box = "\"m\""});
  for (const char* name : {"p0.osb", "p1.osb", "p2.osb", "p3.osb", "p4.osb"}) files.Add(name, many);
  TMesDataCacheList cache;
  for (const char* name : {"p0.osb", "p1.osb", "p2.osb", "p3.osb", "P3.OSB"}) ASSERT_NE(cache.GetLayout(name, 0), nullptr);
  EXPECT_EQ(cache.PageLoads(), 4);  // page names in any case
  cache.GetLayout("p4.osb", 0);     // the least recently used, p0, goes
  cache.GetLayout("p1.osb", 0);
  EXPECT_EQ(cache.PageLoads(), 5);
  cache.GetLayout("p0.osb", 0);
  EXPECT_EQ(cache.PageLoads(), 6);
  // Sixteen read commands a page: the seventeenth pushes out the least recently used.
  for (int c = 0; c < 17; ++c) cache.GetLayout("p0.osb", c);
  EXPECT_EQ(cache.StreamReads(), 6 + 16);
  cache.GetLayout("p0.osb", 16);
  EXPECT_EQ(cache.StreamReads(), 6 + 16);
  cache.GetLayout("p0.osb", 0);
  EXPECT_EQ(cache.StreamReads(), 6 + 17);
  // Past the commands, or no text command: no text.
  EXPECT_EQ(cache.GetLayout("p0.osb", 17), nullptr);
  EXPECT_EQ(cache.GetLayout("missing.osb", 0), nullptr);
}

TEST_F(TextCommands, ACommandWithoutPagesLeavesNoRecordOfThePageBefore) {
  kit::GlyphStream empty(102);
  empty.Decoration({});
  PageBuilder page;
  page.VarNew("x", PT_INT, "0")
      .Component(TCommandCode::MesNew, MesProps("m"))
      .TextIns({.glyphs = Glyphs("ab"), .box = "\"m\"", .history = "TRUE"})
      .TextIns({.glyphs = empty.Bytes(), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .Calc("x = 1");
  StartPage(page);
  ASSERT_TRUE(RunUntil(1));
  ASSERT_EQ(History().OldRecords().size(), 1u);
  EXPECT_EQ(History().OldRecords()[0].CommandIndex, 2);
}

TEST_F(TextCommands, FormatHistCopiesSixPropertiesAndClrHistEmptiesTheBacklog) {
  PageBuilder page;
  page.Component(TCommandCode::MesNew, {{PR_NAME, "\"tpl\""}, {PR_FONTHEIGHT, "24"}, {PR_FONTBORDER, "2"},
                                        {PR_FONTSHADOW, "3"}, {PR_WIDTH, "300"}, {PR_HEIGHT, "200"},
                                        {PR_LINESPACE, "4"}})
      .FormatHist("\"tpl\"")
      .Component(TCommandCode::MesNew, MesProps("m"))
      .TextIns({.glyphs = Glyphs("ab"), .box = "\"m\"", .history = "TRUE"})
      .TextClr("\"m\"")
      .FormatHist("\"missing\"");
  StartPage(page);
  Frame();
  EXPECT_EQ(vars.HistoryFormat, (std::array<int32_t, 6>{24, 2, 3, 300, 200, 4}));
  EXPECT_EQ(History().Word().Width, 300);
  EXPECT_EQ(History().Word().LineSpace, 4);
  // One row of 24 px characters (their own border and shadow are none), and the line space.
  EXPECT_EQ(HistoryHeights(), (std::vector<std::vector<int32_t>>{{24 + 4}}));
  files.Add("clr.osb", PageBuilder().ClrHist());
  man.Start("clr.osb");
  Frame();
  EXPECT_EQ(History().GetTotal(), 0);
  EXPECT_EQ(History().GetCount(), 0);
}

}  // namespace
}  // namespace orva

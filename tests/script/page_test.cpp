#include "script/page.h"

#include <gtest/gtest.h>

#include "../core/archive_builder.h"
#include "../core/temp_dir.h"
#include "core/app_control.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "platform/message_box.h"
#include "script/command.h"
#include "script/component_commands.h"
#include "script/flow_commands.h"
#include "script/param_collection.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;
using kit::PageBuilder;

namespace {

// One command of every code, in code order, then a Label "end" that only a reader that
// kept in step with every record finds.
PageBuilder EveryCommand(int32_t version) {
  PageBuilder p(version);
  const std::vector<kit::Prop> props = {{PR_NAME, "\"obj\""}, {PR_LEFT, "10"}, {PR_PLUSX, "5"}};
  const kit::FlipFields flip{"3", "500", "FALSE", "0", {"\"a\" ++ \"b\""}, "TRUE", "1", "2", "\"mask.bmp\"", "TRUE"};
  const kit::TextInsFields text{"WzWord104 glyphs", "\"box\"", "TRUE", "TRUE", "FALSE"};
  for (int code = 0; code < CommandCount; ++code) {
    switch (static_cast<TCommandCode>(code)) {
      case TCommandCode::If: p.If("a == 1", [] {}); break;
      case TCommandCode::Elseif: p.Elseif("a == 2", [] {}); break;
      case TCommandCode::Else: p.Else([] {}); break;
      case TCommandCode::Label: p.Label("here"); break;
      case TCommandCode::Jump: p.Jump("other.osb", 3, "a > 0"); break;
      case TCommandCode::Call: p.Call("other.osb", 2, "r", {"1", "\"x\"", "a + 1"}, "TRUE"); break;
      case TCommandCode::Exit: p.Exit("FALSE"); break;
      case TCommandCode::Wait: p.Wait("100", "a == 0", "TRUE"); break;
      case TCommandCode::Flip: p.Flip(flip); break;
      case TCommandCode::Calc: p.Calc("a = a + 1"); break;
      case TCommandCode::VarNew: p.VarNew("v", PT_STR, "\"init\"", vsLocal); break;
      case TCommandCode::VarDel: p.VarDel("v"); break;
      case TCommandCode::GetProp: p.GetProp("\"obj\"", "3", "x"); break;
      case TCommandCode::SetProp: p.SetProp("\"obj\"", "3", "20"); break;
      case TCommandCode::ObjDel: p.ObjDel("\"obj\""); break;
      case TCommandCode::TextIns: p.TextIns(text); break;
      case TCommandCode::MovieStop: p.MovieStop("\"bgm\"", "500", "TRUE", "FALSE"); break;
      case TCommandCode::ClrHist: p.ClrHist(); break;
      case TCommandCode::MenuClose: p.MenuClose("\"menu\""); break;
      case TCommandCode::Comment: p.Comment("a note"); break;
      case TCommandCode::TextClr: p.TextClr("\"box\""); break;
      case TCommandCode::CallHist: p.CallHist("\"box\"", "0", "5", "TRUE"); break;
      case TCommandCode::While: p.Command(code, kit::Fields().Expr("a < 3").Int(0)); break;
      case TCommandCode::WhileInit: p.Command(code, kit::Fields().Expr("i = 0")); break;
      case TCommandCode::WhileLoop: p.Command(code, kit::Fields().Expr("i = i + 1").Int(0)); break;
      case TCommandCode::Break: p.Break("a == 9"); break;
      case TCommandCode::Continue: p.Continue("a == 8"); break;
      case TCommandCode::GameSave: p.GameSave("1", "after.osb", 4, "\"caption\""); break;
      case TCommandCode::GameLoad: p.GameLoad("1"); break;
      case TCommandCode::PCReset: p.PCReset("start.osb", 0, true); break;
      case TCommandCode::Reset: p.Reset("start.osb", 0); break;
      case TCommandCode::Terminate: p.Terminate(); break;
      case TCommandCode::DoEvent: p.DoEvent(); break;
      case TCommandCode::ClrRead: p.ClrRead(); break;
      case TCommandCode::MediaPlay: p.MediaPlay("\"bgm\""); break;
      case TCommandCode::PropMotion:
        p.PropMotion({"\"m\"", "\"obj\"", "3", "100.5", "1000", "1", "FALSE"});
        break;
      case TCommandCode::FormatHist: p.FormatHist("\"box\""); break;
      case TCommandCode::SaveCabinet: p.SaveCabinet(props, "TRUE", {"\"a\"", "\"b\""}); break;
      case TCommandCode::LoadCabinet: p.LoadCabinet(props, "FALSE", {}); break;
      default: p.Component(static_cast<TCommandCode>(code), props); break;
    }
  }
  return p.Label("end");
}

class PageFile : public ::testing::Test {
 protected:
  std::unique_ptr<TPage> Load(const PageBuilder& builder) {
    files.Add("page.osb", builder);
    auto page = std::make_unique<TPage>();
    page->LoadFromFile("page.osb");
    return page;
  }
  kit::FrameScope frames;
  kit::GameFiles files;
};

}  // namespace

TEST_F(PageFile, EveryCommandOfEveryVersionReadsInStep) {
  for (int32_t version : {103, 104, 105, 106, 107, 108, 109}) {
    SCOPED_TRACE(version);
    files.Add("page.osb", EveryCommand(version));
    TPage page;
    page.LoadFromFile("page.osb");
    ASSERT_EQ(page.Count(), CommandCount + 1);
    EXPECT_EQ(page.Version(), version);
    for (int i = 0; i < CommandCount; ++i) {
      EXPECT_EQ(static_cast<int>(page.GetCommand(i).GetCommandType()), i);
      EXPECT_EQ(page.GetCommand(i).Line(), i + 1);
    }
    EXPECT_EQ(page.IndexOfLabel("end"), CommandCount);
  }
}

TEST_F(PageFile, HeaderAndCommonRecord) {
  PageBuilder builder;
  builder.ResultType(PT_STR).Yield().Disabled().AtLine(42).Calc("a = 1");
  builder.If("TRUE", [&] { builder.Calc("b = 2"); });
  auto page = Load(builder);
  EXPECT_EQ(page->Name(), "page.osb");
  EXPECT_EQ(page->ResultType(), PT_STR);
  const TCommand& first = page->GetCommand(0);
  EXPECT_FALSE(first.GetContinue());
  EXPECT_TRUE(first.GetDisabled());
  EXPECT_EQ(first.Line(), 42);
  EXPECT_EQ(first.Indent(), 0);
  EXPECT_TRUE(page->GetCommand(1).GetContinue());
  EXPECT_EQ(page->GetCommand(2).Indent(), 1);
}

TEST_F(PageFile, NewPageDefaults) {
  TPage page;
  EXPECT_EQ(page.Version(), PageVersion);
  EXPECT_EQ(page.ResultType(), PT_INT);
  EXPECT_EQ(page.Count(), 0);
}

TEST_F(PageFile, FixedOperationsOverrideTheRecord) {
  PageBuilder builder;
  builder.Yield().Else([] {});
  builder.Yield().Command(static_cast<uint8_t>(TCommandCode::WhileInit), kit::Fields().Expr(""));
  builder.Yield().Command(static_cast<uint8_t>(TCommandCode::WhileLoop), kit::Fields().Expr("").Int(0));
  builder.DoEvent().GameSave("1", "", 0, "\"c\"").GameLoad("1").Comment("c");
  auto page = Load(builder);
  const bool continues[] = {true, true, true, false, false, false, false};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(page->GetCommand(i).GetContinue(), continues[i]) << i;
  EXPECT_TRUE(page->GetCommand(6).GetDisabled());  // a comment is never stepped
  EXPECT_TRUE(page->GetCommand(3).IsEventPoint());
}

TEST_F(PageFile, VersionAboveTheNewestHoldsNoCommands) {
  PageBuilder builder(110);
  builder.Calc("a = 1");
  TScriptedMessageBox boxes;
  TMessageBoxScope scope(boxes);
  auto page = Load(builder);
  EXPECT_EQ(page->Count(), 0);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(QuitRequested);
}

TEST_F(PageFile, VersionBelowTheOldestAsksForARebuildAndQuits) {
  PageBuilder builder(102);
  builder.Calc("a = 1");
  TScriptedMessageBox boxes;
  TMessageBoxScope scope(boxes);
  int closes = 0;
  SetMainWindowCloseHandler([&] { ++closes; });
  auto page = Load(builder);
  SetMainWindowCloseHandler(nullptr);
  EXPECT_EQ(page->Count(), 0);
  EXPECT_TRUE(QuitRequested);
  EXPECT_EQ(closes, 1);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "page.osb\r\nリビルドしてください");
  EXPECT_EQ(boxes.Boxes()[0].caption, "警告");
  EXPECT_EQ(boxes.Boxes()[0].icon, TMsgIcon::Warning);
}

TEST_F(PageFile, CodesAbove60AreRefusedAndTheTopBitIsIgnored) {
  for (int code : {61, 100, 127}) {
    PageBuilder builder;
    builder.Calc("a = 1").Command(static_cast<uint8_t>(code), kit::Fields());
    EXPECT_EQ(Message([&] { Load(builder); }), "不正なコマンド") << code;
  }
  PageBuilder builder;
  builder.TopBit().Calc("a = 1");
  auto page = Load(builder);
  EXPECT_EQ(page->GetCommand(0).GetCommandType(), TCommandCode::Calc);
}

TEST_F(PageFile, PropertySetBitsGiveTheObjectCommandsTheirSlots) {
  // Bits 0, 7, 8 and 161: byte 0 bits 0 and 7, byte 1 bit 0, byte 20 bit 1.
  PageBuilder builder;
  builder.Component(TCommandCode::BoxNew, {{PR_NAME, "\"box\""}, {static_cast<TPropertyCode>(7), "1"},
                                           {static_cast<TPropertyCode>(8), "2"}, {PR_CARETHEIGHT, "3"}});
  builder.Component(TCommandCode::BoxNew, {{PR_NAME, "\"other\""}});
  builder.Label("end");
  auto page = Load(builder);
  const TPage::TPropertySet& set = page->PropertySet(static_cast<int>(TCommandCode::BoxNew));
  EXPECT_EQ(set[0], 0x81);
  EXPECT_EQ(set[1], 0x01);
  EXPECT_EQ(set[20], 0x02);
  EXPECT_EQ(PR_CARETHEIGHT, 161);
  // Both commands carry the page's four slots; the second has empty ones where it set none.
  for (int i : {0, 1}) {
    auto& box = static_cast<TComComponent&>(page->GetCommand(i));
    EXPECT_EQ(box.SlotCount(), 4);
    EXPECT_NE(box.Expression(PR_CARETHEIGHT), nullptr);
    EXPECT_EQ(box.Expression(PR_LEFT), nullptr);
  }
  EXPECT_EQ(static_cast<TComComponent&>(page->GetCommand(1)).Expression(8)->Count(), 0);
  EXPECT_EQ(page->IndexOfLabel("end"), 2);
}

TEST_F(PageFile, StoredSetTables) {
  struct Case {
    int32_t count, size;
    int slotsOfBox, slotsOfCGCaption;
  } cases[] = {
      {61, 21, 2, 1},  // the usual table
      {20, 21, 2, 0},  // sets of the missing codes are empty
      {61, 0, 0, 0},   // no set bytes at all
      {61, 1, 1, 0},   // only properties 0..7 fit
      {61, 25, 2, 1},  // the excess of each set is skipped
      {70, 21, 2, 1},  // sets beyond the 61 codes are skipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " x " + std::to_string(c.size));
    PageBuilder builder;
    builder.SetTable(c.count, c.size);
    builder.Component(TCommandCode::BoxNew, {{PR_NAME, "\"box\""}, {static_cast<TPropertyCode>(20), "1"}});
    builder.Component(TCommandCode::CGCaption, {{static_cast<TPropertyCode>(100), "1"}});
    builder.Label("end");
    auto page = Load(builder);
    EXPECT_EQ(static_cast<TComComponent&>(page->GetCommand(0)).SlotCount(), c.slotsOfBox);
    EXPECT_EQ(static_cast<TComComponent&>(page->GetCommand(1)).SlotCount(), c.slotsOfCGCaption);
    EXPECT_EQ(page->IndexOfLabel("end"), 2);
  }
}

TEST_F(PageFile, CountsBeyondTheDataAreRefused) {
  auto header = [](int32_t sets, int32_t size) {
    return kit::Fields().Int(109).Byte(1).Int(sets).Int(size);
  };
  const std::string cases[] = {
      header(61, 21).Bytes(),                                    // no room for the sets
      header(-1, 21).Bytes(),                                    // negative set count
      header(0, -4).Int(0).Bytes(),                              // negative set size
      header(1 << 30, 1 << 30).Bytes(),                          // a product beyond the data
      header(0, 21).Int(1000).Bytes(),                           // commands beyond the data
      // A Call whose argument count is beyond the data.
      header(0, 21).Int(1).Byte(5).Int(0).Byte(0).Byte(1).Int(1).Str("p").Int(0).Str("").Int(0).Int(0x7fffffff).Bytes(),
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    files.Add("bad.osb", cases[i]);
    TPage page;
    EXPECT_THROW(page.LoadFromFile("bad.osb"), EReadError) << i;
  }
  // A set count with sets of size 0 reads nothing, however large.
  files.Add("sizeless.osb", header(0x7fffffff, 0).Int(0).Bytes());
  TPage page;
  EXPECT_NO_THROW(page.LoadFromFile("sizeless.osb"));
}

TEST_F(PageFile, MissingFile) {
  TPage page;
  EXPECT_EQ(Message([&] { page.LoadFromFile("none.osb"); }), "none.osb:ファイルがありません");
}

// A page that cannot be read carries its file, and inside an archive the entry, beside a
// message that stays as it was.
TEST_F(PageFile, APageThatCannotBeReadNamesItsFile) {
  orva::testing::TempDir dir;
  PageBuilder badCode;
  badCode.Calc("a = 1").Command(100, kit::Fields());
  const std::string cut = kit::Fields().Int(109).Byte(1).Int(61).Int(21).Bytes();  // no room for its sets
  orva::testing::ArchiveBuilder archive(102);
  archive.Add({"code.osb", orva::testing::Zlib(badCode.Bytes())})
      .Add({"cut.osb", orva::testing::Zlib(cut)})
      .Add({"zlib.osb", "not zlib at all"});
  dir.Write("game.dat", archive.Archive());
  files.Manager().AddArchive(dir.Game("game.dat"));
  files.Add("mem.osb", badCode);
  const std::string inArchive = dir.Os("game.dat") + ": ";
  struct Case {
    const char* what;
    const char* page;
    std::string message, where;
  };
  const Case cases[] = {
      {"bad command code", "code.osb", "不正なコマンド", inArchive + "code.osb"},
      {"cut short", "cut.osb", "Stream read error", inArchive + "cut.osb"},
      {"damaged zlib data", "zlib.osb", "zlib: incorrect header check", inArchive + "zlib.osb"},
      {"in-memory page", "mem.osb", "不正なコマンド", "mem.osb"},
      {"missing page", "none.osb", "none.osb:ファイルがありません", ""},
  };
  for (const Case& c : cases) {
    TPage page;
    try {
      page.LoadFromFile(c.page);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Exception& e) {
      EXPECT_EQ(SjisToUtf8(e.Message()), c.message) << c.what;
      EXPECT_EQ(e.Where(), c.where) << c.what;
    }
  }
}

TEST_F(PageFile, LabelsAndComments) {
  PageBuilder builder;
  builder.Label("other").Label("top").Comment("note").Label("top").Label("Top");
  auto page = Load(builder);
  EXPECT_EQ(page->IndexOfLabel("top"), 1);
  EXPECT_EQ(page->IndexOfLabel("note"), 2);
  EXPECT_EQ(page->IndexOfLabel("Top"), 4);
  EXPECT_EQ(page->IndexOfLabel("missing"), -1);
  EXPECT_EQ(page->IndexOfCommand(&page->GetCommand(3)), 3);
}

TEST_F(PageFile, DestroyingAPageFreesItsOwnVariable) {
  TParamCollection vars;
  vars.AddVariable(PT_INT).SetName("\x01page.osb");
  vars.AddVariable(PT_INT).SetName("\x01other.osb");
  files.Add("page.osb", PageBuilder().Calc("a = 1"));
  {
    TPage page(&vars);
    page.LoadFromFile("page.osb");
  }
  EXPECT_EQ(vars.Find("\x01page.osb"), nullptr);
  EXPECT_NE(vars.Find("\x01other.osb"), nullptr);
}

TEST(RunStateTag, Reading) {
  struct Case {
    std::string bytes;
    int number;
    int64_t position;
  } cases[] = {
      {"orva100rest", 100, 7},
      {"orva042", 42, 7},
      {"orvaabc", 0, 7},   // consumed, not a number
      {"orva10", 0, 0},    // fewer than 7 bytes
      {"orvb100", 0, 0},   // not the tag
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    TMemoryStream m(c.bytes);
    EXPECT_EQ(ReadStateTag(m), c.number) << c.bytes;
    EXPECT_EQ(m.GetPosition(), c.position) << c.bytes;
  }
  TMemoryStream written;
  WriteStateTag(written);
  EXPECT_EQ(written.View(), "orva100");
}

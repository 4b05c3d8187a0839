// Game and status saves in "save.dat" in a temporary directory: round trips of every part,
// the after-load page, the caption list, unusable saves, a save interrupted before its file
// replaced the old one, and the status data's own rules.
#include "script/save_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/temp_dir.h"
#include "core/app_control.h"
#include "core/archive.h"
#include "core/big_stream.h"
#include "core/data_tables.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/project_doubles.h"
#include "kit/project_file_builder.h"
#include "platform/message_box.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script/project.h"

using namespace orva;
using kit::PageBuilder;
using kit::ProjectFileBuilder;

namespace {

// A part written by another subsystem: a text that it reads back, with the version given.
class TMarker : public TSaveSection {
 public:
  explicit TMarker(std::string text) : Text(std::move(text)) {}
  void SaveToStream(TStream& stream) override { WriteStreamString(stream, Text); }
  void LoadFromStream(TStream& stream, int version) override {
    Loaded = ReadStreamString(stream);
    Version = version;
  }
  std::string Text, Loaded;
  int Version = -1;
};

// Stops between writing the new file beside the old one and renaming it over it.
class TInterruptedSaveFile : public TSaveFile {
 public:
  using TSaveFile::TSaveFile;
  bool Interrupt = false;

 protected:
  void Commit(TWzBigFileStream& staged) override {
    if (Interrupt) throw EWriteError("the machine went down");
    TSaveFile::Commit(staged);
  }
};

class SavesTest : public ::testing::Test {
 protected:
  SavesTest() {
    files.Add("orva.opb", ProjectFileBuilder(109).IntVar("seen", 0).Bytes());
    // The save is taken while the page waits at command 1.
    files.Add("start.osb", PageBuilder().Calc("x = 1").Wait("100000").Calc("x = 2"));
    files.Add("after.osb", PageBuilder().Calc("y = 10").Calc("y = y + 1"));
  }
  ~SavesTest() override {
    DBManager().Clear();
    QuitRequested = false;
  }

  std::unique_ptr<TProject> Start(bool writeStatus = true) {
    if (!writeStatus) files.Add("orva.opb", ProjectFileBuilder(109).WriteStatus(false).IntVar("seen", 0).Bytes());
    TProjectSetup setup;
    setup.Arguments = {dir.Game()};
    setup.Saves = &saves;
    auto project = std::make_unique<TProject>(vars, std::move(setup));
    if (!vars.Find("x")) vars.AddVariable(PT_INT).SetName("x");
    if (!vars.Find("y")) vars.AddVariable(PT_INT).SetName("y");
    return project;
  }
  void Run(TProject& project, int frames = 1) {
    for (int i = 0; i < frames; ++i) kit::RunFrame(*project.CallMan());
  }
  int32_t Int(std::string_view name) { return vars.Find(name)->GetAsInteger(); }
  std::string SaveDat() { return dir.Read("save.dat"); }
  // A save.dat made of items with these names and bytes, in this order.
  void WriteArchive(const std::vector<std::pair<std::string, std::string>>& items) {
    TVrFileCollection archive;
    for (const auto& [name, bytes] : items)
      archive.AddMemoryFile(name).Data->WriteBuffer(bytes.data(), int64_t(bytes.size()));
    TMemoryStream out;
    archive.SaveToStream(out);
    dir.Write("save.dat", std::string(reinterpret_cast<const char*>(out.Memory()), size_t(out.GetSize())));
  }
  static std::string GameItem(int32_t version, std::string_view caption) {
    TMemoryStream s;
    WriteStreamInt(s, version);
    WriteStreamString(s, caption);
    return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.GetSize()));
  }
  std::vector<std::string> Captions(TProject& project) {
    std::vector<std::string> out;
    for (const TSaveCaption& c : project.SaveCaptions()) out.push_back(std::to_string(c.Slot) + " " + c.Caption);
    return out;
  }

  orva::testing::TempDir dir;
  kit::FrameScope frames;
  kit::GameFiles files;
  TScriptedMessageBox boxes;
  TMessageBoxScope boxScope{boxes};
  TParamCollection vars;
  TMarker scene{"scene"}, history{"history"}, readMarks{"marks"}, imageCache{"cache"};
  TInterruptedSaveFile saves{{&scene, &history, &readMarks, &imageCache}};
};

TEST_F(SavesTest, AGameSaveComesBackWithEveryPart) {
  auto project = Start();
  Run(*project);
  ASSERT_EQ(Int("x"), 1);
  DBManager().CreateTable("game", 0);
  DBManager().CreateTable("lasting", 1);
  project->RequestSave(3, "", 0, "chapter 1");
  EXPECT_FALSE(project->ProcessRequests());
  EXPECT_EQ(Captions(*project), std::vector<std::string>{"3 chapter 1"});

  // Everything changes, then the save is loaded.
  vars.Find("x")->SetAsInteger(7);
  DBManager().DeleteTable("game");
  project->CallMan()->Start("after.osb");
  scene.Text = history.Text = "changed";
  project->RequestLoad(3);
  EXPECT_TRUE(project->ProcessRequests());
  EXPECT_FALSE(QuitRequested);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(Int("x"), 1);
  EXPECT_NE(DBManager().IndexOf("game"), -1);
  EXPECT_EQ(scene.Loaded, "scene");
  EXPECT_EQ(history.Loaded, "history");
  EXPECT_EQ(scene.Version, GameSaveVersion);
  // The interpreter waits where it was saved, and goes on from there.
  EXPECT_EQ(project->CallMan()->CurrentPage()->Name(), "start.osb");
  EXPECT_EQ(project->CallMan()->CommandIndex(), 1);
}

TEST_F(SavesTest, TheAfterLoadPageRunsFirstAndReturnsToTheSavedCommand) {
  auto project = Start();
  Run(*project);
  project->RequestSave(1, "after.osb", 0, "with a page");
  project->ProcessRequests();
  project->RequestSave(2, "after.osb", 1, "from its second command");
  project->ProcessRequests();

  project->RequestLoad(1);
  project->ProcessRequests();
  EXPECT_EQ(project->CallMan()->CurrentPage()->Name(), "after.osb");
  EXPECT_EQ(project->CallMan()->Stack().Count(), 1);
  Run(*project);
  EXPECT_EQ(Int("y"), 11);
  EXPECT_EQ(project->CallMan()->CurrentPage()->Name(), "start.osb");
  EXPECT_EQ(project->CallMan()->CommandIndex(), 1);  // waiting again, not past the wait
  EXPECT_EQ(Int("x"), 1);

  vars.Find("y")->SetAsInteger(0);
  project->RequestLoad(2);
  project->ProcessRequests();
  Run(*project);
  EXPECT_EQ(Int("y"), 1);  // only "y = y + 1" ran
}

TEST_F(SavesTest, SaveAndLoadInOneFrameLoadFirstThenSaveTheLoadedGame) {
  auto project = Start();
  Run(*project);
  project->RequestSave(1, "", 0, "one");
  project->ProcessRequests();
  vars.Find("x")->SetAsInteger(5);
  project->RequestSave(2, "", 0, "two");
  project->RequestLoad(1);
  project->ProcessRequests();
  EXPECT_EQ(Int("x"), 1);
  vars.Find("x")->SetAsInteger(9);
  project->RequestLoad(2);
  project->ProcessRequests();
  EXPECT_EQ(Int("x"), 1);  // slot 2 holds the game as loaded from slot 1
  EXPECT_EQ(Captions(*project), (std::vector<std::string>{"1 one", "2 two"}));
}

TEST_F(SavesTest, EmptyCaptionsMissingSavesAndNegativeSlotsDoNothing) {
  auto project = Start();
  Run(*project);
  project->RequestSave(1, "", 0, "");
  project->ProcessRequests();
  EXPECT_FALSE(dir.Exists("save.dat"));
  EXPECT_TRUE(project->SaveCaptions().empty());
  project->RequestLoad(1);
  project->ProcessRequests();
  project->RequestSave(2, "", 0, "two");
  project->ProcessRequests();
  project->RequestLoad(4);  // no such slot
  project->ProcessRequests();
  project->RequestLoad(-1);
  project->RequestSave(-3, "", 0, "negative");
  EXPECT_FALSE(project->ProcessRequests());
  EXPECT_FALSE(QuitRequested);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(Captions(*project), std::vector<std::string>{"2 two"});
}

TEST_F(SavesTest, AnUnusableSaveEndsTheGameAndIsNotSavedOver) {
  WriteArchive({{"GAMESAVEDATA1", GameItem(106, "old")}, {"GAMESAVEDATA2", GameItem(133, "cut short")}});
  for (int slot : {1, 2}) {
    QuitRequested = false;
    auto project = Start();
    project->RequestLoad(slot);
    project->RequestSave(slot, "", 0, "over it");
    EXPECT_TRUE(project->ProcessRequests());
    EXPECT_TRUE(QuitRequested) << slot;
    ASSERT_EQ(boxes.Boxes().size(), size_t(slot));
    EXPECT_EQ(boxes.Boxes().back().text, "このセーブデータは使用できません\r\n終了してください");
    EXPECT_EQ(boxes.Boxes().back().icon, TMsgIcon::Warning);
    project.reset();  // writes the status data
  }
  // The game items are as they were; only the status item joined them.
  TVrFileCollection archive;
  archive.Open(dir.Game("save.dat"));
  TMemoryStream item;
  archive.LoadFileToStream(item, "GAMESAVEDATA1");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.Memory()), size_t(item.GetSize())), GameItem(106, "old"));
  EXPECT_NE(archive.Find("STATUSSAVEDATA"), nullptr);
}

TEST_F(SavesTest, AnInterruptedSaveLeavesTheOldFileAsItWas) {
  auto project = Start();
  Run(*project);
  project->RequestSave(1, "", 0, "first");
  project->ProcessRequests();
  const std::string before = SaveDat();
  saves.Interrupt = true;
  project->RequestSave(1, "", 0, "second");
  EXPECT_THROW(project->ProcessRequests(), EWriteError);
  EXPECT_EQ(SaveDat(), before);
  EXPECT_EQ(Captions(*project), std::vector<std::string>{"1 first"});
  // Nothing is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Os(""))) entries += entry.exists();
  EXPECT_EQ(entries, 1);
  // The status written at the end fails the same way, and says so like any failed save.
  ASSERT_TRUE(boxes.Boxes().empty());
  project.reset();
  EXPECT_EQ(SaveDat(), before);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "the machine went down");
  EXPECT_EQ(boxes.Boxes()[0].caption, "警告");
}

// A slot whose stored bytes are damaged blocks no other save and stays as it was; only
// loading it tells.
TEST_F(SavesTest, ADamagedSlotBlocksNoOtherSave) {
  WriteArchive({{"GAMESAVEDATA1", GameItem(133, "one")}});
  std::string bytes = SaveDat();
  const int64_t stored = [&] {
    TVrFileCollection archive;
    archive.Open(dir.Game("save.dat"));
    return archive.Find("GAMESAVEDATA1")->Offset;
  }();
  for (int i = 4; i < 12; ++i) bytes[size_t(stored) + i] ^= 0x21;
  dir.Write("save.dat", bytes);
  const auto slotOne = [&] {
    TVrFileCollection archive;
    archive.Open(dir.Game("save.dat"));
    const TVrFile& entry = *archive.Find("GAMESAVEDATA1");
    return SaveDat().substr(size_t(entry.Offset), size_t(entry.Size));
  };
  const std::string damaged = slotOne();

  auto project = Start();
  Run(*project);
  EXPECT_TRUE(project->SaveCaptions().empty());
  project->RequestSave(7, "", 0, "seven");
  EXPECT_NO_THROW(project->ProcessRequests());
  project->RequestSave(2, "", 0, "two");
  EXPECT_NO_THROW(project->ProcessRequests());
  vars.Find("seen")->SetAsInteger(5);
  project.reset();  // the status
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(slotOne(), damaged);

  project = Start();
  EXPECT_EQ(Captions(*project), (std::vector<std::string>{"7 seven", "2 two"}));
  EXPECT_EQ(Int("seen"), 5);
  project->RequestLoad(7);
  project->ProcessRequests();
  EXPECT_FALSE(QuitRequested);
  EXPECT_EQ(Int("x"), 1);
  project->RequestLoad(1);
  project->ProcessRequests();
  EXPECT_TRUE(QuitRequested);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "このセーブデータは使用できません\r\n終了してください");
}

TEST_F(SavesTest, CaptionsInArchiveOrderOfTheNumberedItems) {
  WriteArchive({{"GAMESAVEDATA10", GameItem(133, "ten")},
                {"OTHER", GameItem(133, "other")},
                {"GAMESAVEDATAx", GameItem(133, "not a number")},
                {"GAMESAVEDATA2", GameItem(120, "two")},
                {"GAMESAVEDATA-1", GameItem(133, "negative")},
                {"GAMESAVEDATA3", std::string("\x85\0\0\0\xff\xff\xff\x7f", 8)},  // damaged
                {"GAMESAVEDATA0", GameItem(99, "zero")}});
  auto project = Start();
  EXPECT_EQ(Captions(*project), (std::vector<std::string>{"10 ten", "2 two", "0 zero"}));
  EXPECT_EQ(project->GetCaption(2), "two");
  EXPECT_EQ(project->GetCaption(5), "");
  project->SetCaption(2, "again");
  project->SetCaption(5, "five");
  EXPECT_EQ(Captions(*project), (std::vector<std::string>{"10 ten", "2 again", "0 zero", "5 five"}));
}

TEST_F(SavesTest, StatusDataOutliveTheGame) {
  {
    auto project = Start();
    vars.Find("seen")->SetAsInteger(4);
    DBManager().CreateTable("lasting", 1);
    DBManager().CreateTable("game", 0);
    EXPECT_FALSE(dir.Exists("save.dat"));
  }  // written when the project ends
  DBManager().Clear();
  TParamCollection fresh;
  TSaveFile second({nullptr, nullptr, &readMarks, &imageCache});
  readMarks.Loaded.clear();
  TProjectSetup setup;
  setup.Arguments = {dir.Game()};
  setup.Saves = &second;
  TProject project(fresh, std::move(setup));
  // The saved value wins over the one the project file declares.
  EXPECT_EQ(fresh.Find("seen")->GetAsInteger(), 4);
  EXPECT_EQ(DBManager().IndexOf("lasting"), 0);
  EXPECT_EQ(DBManager().IndexOf("game"), -1);
  EXPECT_EQ(readMarks.Loaded, "marks");
  EXPECT_EQ(imageCache.Loaded, "cache");
  EXPECT_EQ(readMarks.Version, StatusSaveVersion);
  TVrFileCollection archive;
  archive.Open(dir.Game("save.dat"));
  TMemoryStream item;
  archive.LoadFileToStream(item, "STATUSSAVEDATA");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.Memory()), 9), "Status103");
}

TEST_F(SavesTest, AStatusWithoutTagIsReadAsVersionZeroFromItsFirstByte) {
  TMemoryStream status;
  vars.AddVariable(PT_INT).SetName("seen");
  vars.Find("seen")->SetStatus(true);
  vars.Find("seen")->SetAsInteger(8);
  vars.SaveStatusVars(status);
  WriteStreamString(status, "marks");
  WriteStreamString(status, "cache");
  WriteStreamInt(status, 0x7fffffff);  // no tables before version 103: never read
  WriteArchive({{"STATUSSAVEDATA", std::string(reinterpret_cast<const char*>(status.Memory()),
                                               size_t(status.GetSize()))}});
  vars.DeleteItem(*vars.Find("seen"));
  auto project = Start();
  EXPECT_EQ(Int("seen"), 8);
  EXPECT_EQ(readMarks.Version, 0);
  EXPECT_EQ(imageCache.Loaded, "cache");
}

TEST_F(SavesTest, AStatusThatCannotBeReadIsNeverWrittenOver) {
  WriteArchive({{"STATUSSAVEDATA", std::string("Status103\x05\0\0\0", 13)}});
  const std::string before = SaveDat();
  TProjectSetup setup;
  setup.Arguments = {dir.Game()};
  setup.Saves = &saves;
  try {
    std::make_unique<TProject>(vars, std::move(setup));
    FAIL() << "the status cannot be read";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error: " + dir.Game("save.dat")) << "the message names the file";
  }
  // Whoever asks for the status to be written afterwards gets nothing written.
  files.Add("orva.opb", ProjectFileBuilder(109).Bytes());
  kit::TestSaves noStatus;
  TProjectSetup other;
  other.Arguments = {dir.Game()};
  other.Saves = &noStatus;
  TProject project(vars, std::move(other));
  saves.SaveStatus(project);
  EXPECT_EQ(SaveDat(), before);
}

TEST_F(SavesTest, TheStatusIsNotWrittenWhenTheProjectSaysSoOrTheDirectoryIsGone) {
  Start(false).reset();
  EXPECT_FALSE(dir.Exists("save.dat"));
  files.Add("orva.opb", ProjectFileBuilder(109).Bytes());
  TProjectSetup setup;
  setup.Arguments = {dir.Game("missing")};
  setup.Saves = &saves;
  std::make_unique<TProject>(vars, std::move(setup)).reset();
  EXPECT_FALSE(std::filesystem::exists(dir.Os("missing")));
}

}  // namespace

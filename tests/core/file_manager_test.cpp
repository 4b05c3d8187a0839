#include "core/file_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "archive_builder.h"
#include "core/app_control.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/install_set.h"
#include "core/sjis.h"
#include "platform/message_box.h"
#include "temp_dir.h"

using namespace orva;
using orva::testing::ArchiveBuilder;
using orva::testing::TempDir;
using orva::testing::WriteArchiveFile;
using orva::testing::Zlib;

namespace {

const std::vector<std::string> kNoDiscs;

std::string Load(TVrFileManager& manager, const std::string& name) {
  TMemoryStream out;
  manager.LoadToStream(out, name);
  return std::string(out.View());
}

class FileManagerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    DeleteTempFiles();
    RemoveWorkDirectory();
    QuitRequested = false;
    SetMainWindowCloseHandler(nullptr);
  }
  TempDir dir;
};

}  // namespace

TEST_F(FileManagerTest, SourcesAreSearchedInOrder) {
  WriteArchiveFile(dir.Game("game.dat"), {{"title.osb", "from archive"}, {"only.txt", "archived"}});
  ::mkdir(dir.Os("loose").c_str(), 0700);
  dir.Write("loose/title.osb", "loose file");
  TVrFileManager manager(kNoDiscs);
  EXPECT_EQ(manager.AddArchive(""), 0);
  EXPECT_EQ(manager.AddArchive(""), -1);  // a second in-memory archive
  EXPECT_EQ(manager.AddArchive(dir.Game("game.dat")), 1);
  manager.SetDirectory(dir.Game("loose"));
  EXPECT_EQ(manager.Directory(), dir.Game("loose\\"));
  EXPECT_EQ(Load(manager, "TITLE.OSB"), "loose file");
  EXPECT_EQ(Load(manager, "only.txt"), "archived");
  EXPECT_TRUE(manager.FileExists("title.osb"));
  EXPECT_TRUE(manager.FileExists("\\EOF\\"));
  EXPECT_FALSE(manager.FileExists(""));
  EXPECT_FALSE(manager.FileExists("nothing"));
  EXPECT_NE(manager.FindEntry("ONLY.TXT"), nullptr);
  EXPECT_EQ(manager.FindEntry("title2.osb"), nullptr);
  try {
    Load(manager, "nothing.png");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "nothing.png" + Sjis(":ファイルがありません"));
  }
}

TEST_F(FileManagerTest, CacheKeepsTheMostRecentFourMegabytes) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 1; i <= 6; ++i) files.push_back({"f" + std::to_string(i), std::string(1 << 20, static_cast<char>('0' + i))});
  WriteArchiveFile(dir.Game("game.dat"), files);
  TVrFileManager manager(kNoDiscs);
  manager.AddArchive(dir.Game("game.dat"));
  for (const auto& file : files) EXPECT_EQ(Load(manager, file.first), file.second);
  ASSERT_EQ(manager.Cache().Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(manager.Cache().Item(i).Key, "F" + std::to_string(6 - i));
  // A hit is served from the cache even when its archive is gone, and moves to the front.
  manager.Delete(0);
  EXPECT_EQ(Load(manager, "f3"), files[2].second);
  EXPECT_EQ(manager.Cache().Item(0).Key, "F3");
}

TEST_F(FileManagerTest, MissesLeaveAnEmptyEntryThatALaterLoadFills) {
  TVrFileManager manager(kNoDiscs);
  EXPECT_THROW(Load(manager, "late.txt"), Exception);
  ASSERT_EQ(manager.Cache().Count(), 1);
  EXPECT_EQ(manager.Cache().Item(0).Data.GetSize(), 0);
  WriteArchiveFile(dir.Game("game.dat"), {{"late.txt", "here now"}});
  manager.AddArchive(dir.Game("game.dat"));
  EXPECT_EQ(Load(manager, "late.txt"), "here now");
  EXPECT_EQ(manager.Cache().Count(), 1);
}

TEST_F(FileManagerTest, InMemoryEntriesAreReadFreshAndNeverCached) {
  TVrFileManager manager(kNoDiscs);
  manager.AddArchive("");
  TVrFile& entry = manager.GetCollection(0).AddMemoryFile("mem:shot");
  entry.Data->WriteBuffer("one", 3);
  EXPECT_EQ(Load(manager, "MEM:SHOT"), "one");
  entry.Data->WriteBuffer("two", 3);
  EXPECT_EQ(Load(manager, "mem:shot"), "onetwo");
  EXPECT_EQ(manager.Cache().Count(), 0);
}

TEST_F(FileManagerTest, DamagedEntriesDoNotPoisonTheCache) {
  ArchiveBuilder builder(102);
  builder.Add({"bad.txt", "not zlib at all", 0, 0, 0, 0});
  dir.Write("game.dat", builder.Archive());
  TVrFileManager manager(kNoDiscs);
  manager.AddArchive(dir.Game("game.dat"));
  EXPECT_THROW(Load(manager, "bad.txt"), ECompressionError);
  EXPECT_THROW(Load(manager, "bad.txt"), ECompressionError);  // not the stored bytes from the cache
  EXPECT_THROW(manager.GetRealFileName("bad.txt"), ECompressionError);
  EXPECT_EQ(manager.WorkFiles().Count(), 0);  // not recorded
  EXPECT_TRUE(std::filesystem::is_empty(WorkDirectory()));
}

// An error of a read, or of making sense of the bytes read, carries the file it came from
// as the user finds it, and inside an archive the entry; its message stays as it was.
TEST_F(FileManagerTest, ErrorsCarryTheFileTheyCameFrom) {
  const std::string sjisName = Sjis("ページ.osb");
  ArchiveBuilder builder(102);
  builder.Add({"bad.txt", "not zlib at all", 0, 0, 0, 0})
      .Add({"good.osb", Zlib("page"), 0, 0, 0, 0})
      .Add({sjisName, "raw", 1, 0, 0, 0});
  const std::string archive = builder.Archive();
  dir.Write("game.dat", archive);
  dir.Write("cut.dat", archive.substr(0, 12));  // inside the first name
  dir.Write("short.dat", archive.substr(0, archive.size() - 1));  // data shorter than its directory says
  ::mkdir(dir.Os("loose").c_str(), 0700);
  dir.Write("loose/loose.osb", "loose");
  std::unique_ptr<TVrFileManager> saved = std::exchange(FileManager, std::make_unique<TVrFileManager>(kNoDiscs));
  FileManager->AddArchive("");
  FileManager->GetCollection(0).AddMemoryFile("mem.osb");
  FileManager->AddArchive(dir.Game("game.dat"));
  FileManager->SetDirectory(dir.Game("loose"));

  const std::string inArchive = dir.Os("game.dat") + ": ";
  auto made = [](const std::string& name) {
    return [name] { ReadingGameFile(name, [] { throw EReadError("Stream read error"); }); };
  };
  struct Case {
    const char* what;
    std::function<void()> read;
    std::string message, where;
  };
  const Case cases[] = {
      {"damaged zlib entry", [] { Load(*FileManager, "bad.txt"); }, "zlib: incorrect header check", inArchive + "bad.txt"},
      {"bytes of an entry", made("GOOD.OSB"), "Stream read error", inArchive + "good.osb"},
      {"entry named in Shift-JIS", made(sjisName), "Stream read error", inArchive + "ページ.osb"},
      {"loose file", made("loose.osb"), "Stream read error", dir.Os("loose/loose.osb")},
      {"in-memory entry", made("mem.osb"), "Stream read error", "mem.osb"},
      {"file found nowhere", made("none.osb"), "Stream read error", ""},
      {"missing file", [] { Load(*FileManager, "none.osb"); }, "none.osb" + Sjis(":ファイルがありません"), ""},
      {"the inner reader's place", [] { ReadingGameFile("good.osb", [] { Load(*FileManager, "bad.txt"); }); },
       "zlib: incorrect header check", inArchive + "bad.txt"},
      {"damaged directory", [&] { FileManager->AddArchive(dir.Game("cut.dat")); }, "Stream read error", dir.Os("cut.dat")},
      {"directory that names itself", [&] { FileManager->AddArchive(dir.Game("short.dat")); },
       "Invalid archive directory: " + dir.Game("short.dat"), ""},
  };
  for (const Case& c : cases) {
    try {
      c.read();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
      EXPECT_EQ(e.Where(), c.where) << c.what;
    }
  }
  FileManager = std::move(saved);
}

// Loads reuse memory: the caller's block, the blocks of evicted cache entries. Long and
// short entries, raw and compressed, a damaged one that fails after inflating most of its
// data, interleaved so that every block is reused by an entry of another size; into a
// stream the caller keeps, a fresh stream each time, and a stream that is not memory.
TEST_F(FileManagerTest, ReusedMemoryNeverLeaksBytesOfAnotherEntry) {
  std::string longRaw(3 << 20, '\0'), longText;
  for (size_t i = 0; i < longRaw.size(); ++i) longRaw[i] = static_cast<char>(i * 7 % 251);
  for (int i = 0; longText.size() < (5 << 19); ++i) longText += "line " + std::to_string(i) + " of the long entry\n";
  const std::string damaged = Zlib(longText).substr(0, Zlib(longText).size() / 2);
  std::string damagedMessage;
  try {
    TMemoryStream m(damaged);
    DecompressStream(m);
  } catch (const ECompressionError& e) {
    damagedMessage = e.Message();
  }
  ASSERT_FALSE(damagedMessage.empty());

  const std::map<std::string, std::string> plain = {
      {"LONG.RAW", longRaw}, {"LONG.Z", longText}, {"SHORT.RAW", "short raw"}, {"SHORT.Z", "short zlib"}, {"EMPTY", ""}};
  ArchiveBuilder builder(102);
  builder.Add({"long.raw", longRaw, 1, 0, 0, 0})
      .Add({"long.z", Zlib(longText), 0, 0, 0, 0})
      .Add({"short.raw", "short raw", 1, 0, 0, 0})
      .Add({"short.z", Zlib("short zlib"), 0, 0, 0, 0})
      .Add({"bad.z", damaged, 0, 0, 0, 0})
      .Add({"empty", "", 0, 0, 0, 0});
  dir.Write("game.dat", builder.Archive());
  const std::vector<std::string> order = {"long.raw", "short.z", "long.z", "short.raw", "bad.z",    "long.z",
                                          "short.z",  "empty",   "long.raw", "bad.z",   "short.raw", "long.z"};

  enum Destination { kKept, kFresh, kNotMemory };
  for (Destination destination : {kKept, kFresh, kNotMemory}) {
    SCOPED_TRACE(destination);
    TVrFileManager manager(kNoDiscs);
    manager.AddArchive(dir.Game("game.dat"));
    TMemoryStream kept;
    for (int pass = 0; pass < 2; ++pass)
      for (const std::string& name : order) {
        SCOPED_TRACE(name);
        TMemoryStream fresh;
        TWzBigMemoryStream other;
        TMemoryStream& memory = destination == kKept ? kept : fresh;
        TStream& out = destination == kNotMemory ? static_cast<TStream&>(other) : memory;
        auto bytes = [&] { return destination == kNotMemory ? other.Memory().View() : memory.View(); };
        if (name == "bad.z") {
          try {
            manager.LoadToStream(out, name);
            ADD_FAILURE() << "no error";
          } catch (const ECompressionError& e) {
            EXPECT_EQ(e.Message(), damagedMessage);
          }
          EXPECT_EQ(bytes().size(), 0u);
          continue;
        }
        manager.LoadToStream(out, name);
        EXPECT_EQ(out.GetPosition(), 0);
        EXPECT_TRUE(bytes() == plain.at(AnsiUpperCase(name))) << bytes().size() << " bytes";
      }
    // The cache's own copies hold exactly their entries.
    for (int i = 0; i < manager.Cache().Count(); ++i) {
      const TVrCache& entry = manager.Cache().Item(i);
      EXPECT_TRUE(entry.Data.View() == plain.at(entry.Key)) << entry.Key;
    }
  }
}

TEST_F(FileManagerTest, WorkFilesAreExtractedOnceAndRemovedAtTheEnd) {
  WriteArchiveFile(dir.Game("game.dat"), {{"bgm\\op.ogg", "OggS music"}, {"se.wav", "RIFF"}});
  ::mkdir(dir.Os("loose").c_str(), 0700);
  dir.Write("loose/readme.txt", "loose");
  auto manager = std::make_unique<TVrFileManager>(kNoDiscs);
  manager->AddArchive(dir.Game("game.dat"));
  std::string first = manager->GetRealFileName("bgm\\op.ogg");
  EXPECT_EQ(std::filesystem::path(first).filename(), "~ov00000000.ogg");
  EXPECT_EQ(manager->GetRealFileName("bgm\\op.ogg"), first);
  EXPECT_EQ(manager->WorkFiles().Item(0).RefCount, 2);
  std::string second = manager->GetRealFileName("se.wav");
  EXPECT_EQ(std::filesystem::path(second).filename(), "~ov00000001.wav");
  EXPECT_EQ(std::filesystem::path(first).parent_path(), WorkDirectory());
  struct stat st {};
  ASSERT_EQ(::stat(WorkDirectory().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(first.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(TempDir::ReadOs(first), "OggS music");

  manager->SetDirectory(dir.Game("loose"));
  EXPECT_EQ(manager->GetRealFileName("README.TXT"), dir.Os("loose/readme.txt"));
  EXPECT_EQ(manager->GetRealFileName("nowhere.txt"), "nowhere.txt");

  manager.reset();  // freeing the records queues their files
  EXPECT_EQ(TempFileList.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(first));
  DeleteTempFiles();
  EXPECT_FALSE(std::filesystem::exists(first));
  std::string workDirectory = WorkDirectory();
  RemoveWorkDirectory();
  EXPECT_FALSE(std::filesystem::exists(workDirectory));
}

TEST_F(FileManagerTest, DeferredReleasesCountDownByTheFrame) {
  TVrFileManager manager(kNoDiscs);
  auto& deferred = manager.WorkFiles().Deferred();
  deferred.Add(std::make_unique<TVrLockData>("a", 0, "/nonexistent/a"));
  deferred[0]->Countdown = 40;
  FrameDelta = 16;
  manager.WorkFiles().Tick();
  manager.WorkFiles().Tick();
  EXPECT_EQ(deferred.Count(), 1);
  manager.WorkFiles().Tick();  // 40 - 48 < 1
  EXPECT_EQ(deferred.Count(), 0);
  EXPECT_EQ(TempFileList, std::vector<std::string>{"/nonexistent/a"});
  FrameDelta = 0;
}

TEST_F(FileManagerTest, RangeStreamsOverLooseFilesAndRawEntries) {
  ArchiveBuilder builder(102);
  builder.Add({"movie.mpg", "MPEG-DATA", 1, 0, 0, 0});
  dir.Write("game.dat", builder.Archive());
  dir.Write("loose.bin", "0123456789");
  TVrFileManager manager(kNoDiscs);
  manager.AddArchive(dir.Game("game.dat"));
  auto movie = manager.OpenRangeStream("MOVIE.MPG");
  TMemoryStream bytes;
  CopyStream(bytes, *movie, 0);
  EXPECT_EQ(bytes.View(), "MPEG-DATA");
  manager.SetDirectory(dir.Game());
  EXPECT_EQ(manager.OpenRangeStream("loose.bin")->GetSize(), 10);
  EXPECT_THROW(manager.OpenRangeStream("missing.mpg"), Exception);
}

namespace {

// A disc in a "drive": game.dat and install.dat at the root.
void MakeDisc(const TempDir& dir, const std::string& folder, const std::string& identity, int32_t number) {
  ::mkdir(dir.Os(folder).c_str(), 0700);
  WriteArchiveFile(dir.Game(folder + "\\game.dat"), {{"disc.txt", folder}});
  TOrvaInstallSet record;
  record.GameIdentity = identity;
  record.DiscNumber = number;
  record.SaveToFile(dir.Game(folder + "\\install.dat"));
}

TDiscRequest Request() { return {Sjis("ゲーム"), Sjis("ディスク%dを入れてください"), Sjis("終了しますか？"), "GAME-ID"}; }

}  // namespace

TEST_F(FileManagerTest, RequestDiscAsksUntilTheDiscIsThere) {
  MakeDisc(dir, "cd1", "GAME-ID", 0);
  MakeDisc(dir, "cd2", "GAME-ID", 1);
  MakeDisc(dir, "other", "OTHER-GAME", 1);
  TVrFileManager manager({dir.Game("cd1\\"), dir.Game("other\\"), dir.Game("cd2\\")});
  manager.AddArchive("");
  manager.AddArchive(dir.Game("cd1\\game.dat"));  // closed by the request
  // Cancel, then Cancel at the quit question: the disc prompt again; then OK finds disc 2.
  TScriptedMessageBox script({TMsgResult::Cancel, TMsgResult::Cancel, TMsgResult::OK});
  TMessageBoxScope scope(script);
  EXPECT_TRUE(manager.RequestDisc(2, Request()));
  ASSERT_EQ(script.Boxes().size(), 3u);
  EXPECT_EQ(script.Boxes()[0].text, "ディスク2を入れてください");
  EXPECT_EQ(script.Boxes()[0].caption, "ゲーム");
  EXPECT_EQ(script.Boxes()[0].buttons, TMsgButtons::OKCancel);
  EXPECT_EQ(script.Boxes()[1].text, "終了しますか？");
  EXPECT_EQ(script.Boxes()[2].text, "ディスク2を入れてください");
  ASSERT_EQ(manager.Count(), 2);
  EXPECT_EQ(Load(manager, "disc.txt"), "cd2");
  EXPECT_FALSE(QuitRequested);
}

TEST_F(FileManagerTest, RequestDiscEndsThePlayWhenThePlayerQuits) {
  MakeDisc(dir, "cd1", "GAME-ID", 0);
  TVrFileManager manager({dir.Game("cd1\\")});
  bool closed = false;
  SetMainWindowCloseHandler([&] { closed = true; });
  // OK without the disc asks again; Cancel, then OK at the quit question ends it.
  TScriptedMessageBox script({TMsgResult::OK, TMsgResult::Cancel, TMsgResult::OK});
  TMessageBoxScope scope(script);
  EXPECT_FALSE(manager.RequestDisc(2, Request()));
  EXPECT_EQ(script.Boxes().size(), 3u);
  EXPECT_TRUE(QuitRequested);
  EXPECT_TRUE(closed);
}

TEST_F(FileManagerTest, RequestDiscWithNobodyToAnswerQuits) {
  TVrFileManager manager(kNoDiscs);
  TScriptedMessageBox script;  // every box answers None
  TMessageBoxScope scope(script);
  TDiscRequest request = Request();
  request.Prompt = "%s %n %d %d %%";  // the game's text is no format for us
  EXPECT_FALSE(manager.RequestDisc(3, request));
  EXPECT_EQ(script.Boxes()[0].text, "%s %n 3 %d %");
}

TEST_F(FileManagerTest, FindDiscSkipsDamagedAndForeignDiscs) {
  MakeDisc(dir, "good", "GAME-ID", 0);
  MakeDisc(dir, "foreign", "OTHER", 0);
  MakeDisc(dir, "broken", "GAME-ID", 0);
  dir.Write("broken/game.dat", "vf\x66\0\0\0\xFF\xFF\xFF\x7F");
  TVrFileManager manager({dir.Game("broken\\"), dir.Game("foreign\\"), dir.Game("good\\")});
  EXPECT_FALSE(manager.FindDisc(1, "GAME-ID"));
  EXPECT_TRUE(manager.FindDisc(0, "GAME-ID"));
  EXPECT_EQ(manager.Count(), 1);
}

TEST_F(FileManagerTest, GlobalManagerLifetime) {
  InitFileManager();
  ASSERT_NE(FileManager, nullptr);
  FileManager->AddArchive("");
  DoneFileManager();
  EXPECT_EQ(FileManager, nullptr);
  EXPECT_TRUE(TempFileList.empty());
}

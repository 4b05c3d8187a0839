#include "script/project.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "../core/archive_builder.h"
#include "../core/temp_dir.h"
#include "core/app_control.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/install_set.h"
#include "core/wipe_defaults.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/project_doubles.h"
#include "kit/project_file_builder.h"
#include "platform/message_box.h"
#include "script/call_manager.h"
#include "script/param_collection.h"

using namespace orva;
using kit::ProjectFileBuilder;

namespace {

using Boxes = std::vector<TScriptedMessageBox::Shown>;

class ProjectTest : public ::testing::Test {
 protected:
  ~ProjectTest() override { WipeDefaultParams() = savedWipes; }

  // Started with an argument (no data locator) unless told otherwise.
  std::unique_ptr<TProject> Start(std::vector<std::string> arguments = {"\\games\\demo"}) {
    TProjectSetup setup;
    setup.Arguments = std::move(arguments);
    setup.ProgramDirectory = programDirectory;
    setup.DiscRoots = [this] {
      ++searches;
      return searches >= discsFromSearch ? discRoots : std::vector<std::string>{};
    };
    setup.Scene = &scene;
    setup.Saves = &saves;
    return std::make_unique<TProject>(vars, std::move(setup));
  }
  void AddProject(const ProjectFileBuilder& file) {
    files.Add("orva.opb", file.Bytes());
    files.Add("start.osb", kit::PageBuilder());
  }
  const TParamCollectionItem* Var(std::string_view name) const { return vars.Find(name); }

  TWipeParamTable savedWipes = WipeDefaultParams();
  kit::FrameScope frames;
  kit::GameFiles files;
  TScriptedMessageBox boxes;
  TMessageBoxScope boxScope{boxes};
  TParamCollection vars;
  kit::TestScene scene;
  kit::TestSaves saves;
  std::string programDirectory = "\\no such directory\\";
  std::vector<std::string> discRoots;
  int searches = 0, discsFromSearch = 0;
};

TEST_F(ProjectTest, StartUpReadsTheProjectAndStartsTheStartPage) {
  saves.captions = {{3, "chapter 3"}};
  AddProject(ProjectFileBuilder(109)
                 .Title(Sjis("ゲーム"))
                 .Screen(801, 601)
                 .FullScreen(1024, 768)
                 .StartPage("first.osb")
                 .RegistryKey("Maker\\Demo")
                 .WriteStatus(false)
                 .FramePacing(true)
                 .MediaExtensions(".ogg")
                 .DiscPrompt("insert %d")
                 .QuitText("bye")
                 .Disc("movie", 2));
  files.Add("first.osb", kit::PageBuilder());
  auto project = Start();

  const TProjectFile& s = project->Settings();
  EXPECT_EQ(s.Version, 109);
  EXPECT_EQ(project->Title(), Sjis("ゲーム"));
  EXPECT_EQ(std::vector<int32_t>({s.ScreenWidth, s.ScreenHeight, s.FullScreenWidth, s.FullScreenHeight}),
            std::vector<int32_t>({801, 601, 1024, 768}));
  EXPECT_EQ(s.RegistryKey, "Maker\\Demo");
  EXPECT_FALSE(s.WriteStatus);
  EXPECT_TRUE(s.FramePacing);
  EXPECT_EQ(s.MediaExtensions, ".ogg");
  EXPECT_EQ(s.DiscPrompt, "insert %d");
  EXPECT_EQ(s.QuitText, "bye");
  EXPECT_EQ(project->Discs().DiskOfPath("movie\\op.mpg"), 2);
  // The zoom-in transition points at the middle of the screen, rounded toward zero.
  EXPECT_EQ(WipeDefaultParams()[WP_ZOOMIN], (TWipeParams{400, 300}));
  EXPECT_EQ(WipeDefaultParams()[WP_BLINDH], (TWipeParams{20, 1}));

  EXPECT_FALSE(QuitRequested);
  EXPECT_TRUE(boxes.Boxes().empty());  // with an argument nothing is located
  ASSERT_NE(project->CallMan(), nullptr);
  ASSERT_NE(project->CallMan()->CurrentPage(), nullptr);
  EXPECT_EQ(project->CallMan()->CurrentPage()->Name(), "first.osb");
  EXPECT_EQ(project->CallMan()->Scene(), &scene);
  EXPECT_EQ(project->CallMan()->Project(), project.get());
  ASSERT_EQ(project->SaveCaptions().size(), 1u);
  EXPECT_EQ(project->SaveCaptions()[0].Caption, "chapter 3");

  EXPECT_EQ(saves.calls, (std::vector<std::string>{"captions", "status"}));
  project.reset();
  EXPECT_EQ(saves.calls.back(), "save status");
}

TEST_F(ProjectTest, VersionGates) {
  struct Case {
    int32_t version;
    bool writeStatus, pacing;
    std::string media;
  };
  // Every file stores write status off, pacing on and media ".ogg" where its version has them.
  const Case cases[] = {
      {103, true, false, ".wav.wma.ogg.mid"},
      {104, false, false, ".wav.wma.ogg.mid"},
      {105, false, false, ".wav.wma.ogg.mid"},
      {106, false, true, ".wav.wma.ogg.mid"},
      {108, false, true, ".wav.wma.ogg.mid"},
      {109, false, true, ".ogg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    kit::GameFiles game;
    TParamCollection store;
    game.Add("orva.opb", ProjectFileBuilder(c.version)
                              .WriteStatus(false)
                              .FramePacing(true)
                              .MediaExtensions(".ogg")
                              .QuitText("bye")
                              .IntVar("score", 7)
                              .Disc("movie", 2)
                             .Bytes());
    game.Add("start.osb", kit::PageBuilder());
    TProjectSetup setup;
    setup.Arguments = {"\\games\\demo"};
    TProject project(store, std::move(setup));
    const TProjectFile& s = project.Settings();
    EXPECT_EQ(s.WriteStatus, c.writeStatus);
    EXPECT_EQ(s.FramePacing, c.pacing);
    EXPECT_EQ(s.MediaExtensions, c.media);
    // The fields after the gates are read from the right place.
    EXPECT_EQ(s.QuitText, "bye");
    ASSERT_NE(store.Find("score"), nullptr);
    EXPECT_EQ(store.Find("score")->GetAsInteger(), 7);
    EXPECT_EQ(project.Discs().DiskOfPath("movie\\a.osb"), 2);
    EXPECT_FALSE(QuitRequested);
  }
}

TEST_F(ProjectTest, StatusVariablesAreDeclaredUnlessRestored) {
  saves.restore = [](TProject& project) { kit::RestoreStatusInt(project, "score", 42); };
  AddProject(ProjectFileBuilder(109)
                 .IntVar("score", 7)
                 .IntVar("fresh", 3)
                 .FloatVar("ratio", 2.5L)
                 .BoolVar("seen", true)
                 .StrVar("name", Sjis("名前"))
                 .RawVar(0x81, "packed")  // an integer variable without value bytes
                 .RawVar(7, "odd")        // makes no value: skipped
                 .IntVar("after", 9)
                 .IntVar("fresh", 100));  // declared twice: the first stands
  const int before = vars.Count();
  auto project = Start();

  EXPECT_EQ(Var("score")->GetAsInteger(), 42);
  EXPECT_EQ(Var("fresh")->GetAsInteger(), 3);
  EXPECT_EQ(Var("ratio")->GetAsFloat(), 2.5L);
  EXPECT_TRUE(Var("seen")->GetAsBoolean());
  EXPECT_EQ(Var("name")->GetAsString(), Sjis("名前"));
  EXPECT_EQ(Var("packed")->GetParamType(), PT_INT);
  EXPECT_EQ(Var("packed")->GetAsInteger(), 0);
  EXPECT_EQ(Var("odd"), nullptr);
  EXPECT_EQ(Var("after")->GetAsInteger(), 9);
  EXPECT_EQ(vars.Count(), before + 7);
  for (const char* name : {"score", "fresh", "ratio", "seen", "name", "packed", "after"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Var(name)->IsStatus());
  }
}

TEST_F(ProjectTest, FailedStartUps) {
  struct Case {
    const char* what;
    std::string file;  // "(none)": no project file
    const char* message;
    bool callManager;
    std::string failure;  // what the start-up says it missed
  };
  const Case cases[] = {
      {"no project file", "(none)", nullptr, false, "orva.opb" + Sjis(":ファイルがありません")},
      {"empty project file", "", "プロジェクトがありません", false, Sjis("プロジェクトがありません")},
      {"version above 109", ProjectFileBuilder(110).Title("new").Bytes(), nullptr, false, "orva.opb: version 110"},
      {"no start page", ProjectFileBuilder(109).StartPage("gone.osb").Bytes(), "スタートページがありません", true,
       Sjis("スタートページがありません: ") + "gone.osb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kit::GameFiles game;
    TScriptedMessageBox script;
    TMessageBoxScope installed(script);
    if (c.file != "(none)") game.Add("orva.opb", c.file);
    WipeDefaultParams()[WP_ZOOMIN] = {};
    QuitRequested = false;
    auto project = Start();

    EXPECT_TRUE(QuitRequested);
    EXPECT_EQ(project->StartFailure(), c.failure);
    EXPECT_EQ(project->CallMan() != nullptr, c.callManager);
    if (c.message) {
      ASSERT_EQ(script.Boxes().size(), 1u);
      EXPECT_EQ(script.Boxes()[0].text, c.message);
      EXPECT_EQ(script.Boxes()[0].caption, "警告");
      EXPECT_EQ(script.Boxes()[0].icon, TMsgIcon::Warning);
      EXPECT_EQ(script.Boxes()[0].buttons, TMsgButtons::OK);
    } else {
      EXPECT_TRUE(script.Boxes().empty());
    }
    if (!c.callManager) {
      EXPECT_EQ(project->Title(), Sjis("情報"));
      EXPECT_TRUE(project->Settings().FramePacing);
      EXPECT_EQ(project->Settings().MediaExtensions, "wav.wma.ogg");
      EXPECT_EQ(WipeDefaultParams()[WP_ZOOMIN], TWipeParams{});
    } else {
      EXPECT_EQ(project->CallMan()->CurrentPage(), nullptr);
    }
  }
}

// A start that ends on a file it could not use says which, and inside an archive which
// entry; what the boxes show stays as it was.
TEST_F(ProjectTest, AFailedStartNamesTheFileItCouldNotUse) {
  orva::testing::TempDir dir;
  orva::testing::ArchiveBuilder archive(102);
  archive.Add({"orva.opb", "not zlib at all"});
  dir.Write("game.dat", archive.Archive());
  struct Case {
    const char* what;
    bool damagedProject;  // else a start page too old to run
    std::string failure, where;
    std::vector<std::string> boxes;  // their texts
  };
  const Case cases[] = {
      {"damaged project file", true, "zlib: incorrect header check", dir.Os("game.dat") + ": orva.opb", {}},
      {"start page too old", false, Sjis("リビルドしてください"), "start.osb",
       {"start.osb\r\nリビルドしてください"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kit::GameFiles game;
    TScriptedMessageBox script;
    TMessageBoxScope installed(script);
    if (c.damagedProject) {
      game.Manager().AddArchive(dir.Game("game.dat"));
    } else {
      game.Add("orva.opb", ProjectFileBuilder(109).Bytes());
      game.Add("start.osb", kit::PageBuilder(MinPageVersion - 1));
    }
    auto project = Start();
    EXPECT_TRUE(QuitRequested);
    EXPECT_EQ(project->StartFailure(), c.failure);
    EXPECT_EQ(project->StartFailureWhere(), c.where);
    std::vector<std::string> texts;
    for (const auto& box : script.Boxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, c.boxes);
  }
}

TEST_F(ProjectTest, DamagedProjectFilesRaise) {
  std::string longTitle = ProjectFileBuilder(109).IntVar("ok", 1).Bytes();
  longTitle.replace(4, 4, "\xff\xff\xff\x7f");  // the title's length, beyond the file
  const std::string badName = ProjectFileBuilder(109).IntVar("ok", 1).IntVar("two words", 2).Bytes();
  // A variable count beyond the bytes left, where the counts of variables and discs lie.
  std::string hugeCount = ProjectFileBuilder(109).Bytes();
  hugeCount.replace(hugeCount.size() - 8, 8, "\xff\xff\xff\x0f");
  for (const std::string& file : {longTitle, badName, hugeCount}) {
    kit::GameFiles game;
    TParamCollection store;
    const int before = store.Count();
    game.Add("orva.opb", file);
    TProjectSetup setup;
    setup.Arguments = {"\\games\\demo"};
    setup.Saves = &saves;
    saves.calls.clear();
    try {
      TProject project(store, std::move(setup));
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Where(), "orva.opb");
    }
    EXPECT_TRUE(QuitRequested);
    // No project is left whose end would write the status data over the save file.
    EXPECT_EQ(saves.calls, (std::vector<std::string>{"captions", "status"}));
    // The variables before the bad one stay, as they were declared; the bad one is gone.
    EXPECT_LE(store.Count(), before + 1);
    EXPECT_EQ(store.Find("two words"), nullptr);
  }
}

TEST_F(ProjectTest, OriginalProjectFileReplacesTheDiscTable) {
  struct Case {
    const char* what;
    std::string original;  // "(none)": no original file
    int32_t movie, voice;
  };
  const Case cases[] = {
      {"no original", "(none)", 2, 0},
      {"original table", ProjectFileBuilder(103).IntVar("x", 1).StrVar("s", "t").Disc("voice", 3).Bytes(), 0, 3},
      {"empty original table", ProjectFileBuilder(109).Bytes(), 0, 0},
      {"original of a later version", ProjectFileBuilder(110).Disc("voice", 3).Bytes(), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kit::GameFiles game;
    AddProject(ProjectFileBuilder(109).Disc("movie", 2));
    if (c.original != "(none)") game.Add("/original_orva.opb", c.original);
    auto project = Start();
    EXPECT_EQ(project->Discs().DiskOfPath("movie\\a.osb"), c.movie);
    EXPECT_EQ(project->Discs().DiskOfPath("voice\\a.osb"), c.voice);
    EXPECT_FALSE(QuitRequested);
  }
}

TEST_F(ProjectTest, FileAvailability) {
  struct Case {
    std::string media;  // "(v103)": a file before 109, which gives ".wav.wma.ogg.mid"
    std::string name;
    bool asks;
  };
  const Case cases[] = {
      {"(v103)", "movie\\A.WAV", false},      {"(v103)", "movie\\b.mid", false},
      {"(v103)", "movie\\c.osb", true},       {"(v103)", "movie\\sub\\d.OGG", false},
      {"wav.wma.ogg", "movie\\A.WAV", true},  {"wav.wma.ogg", "movie\\b.wma", false},
      {"wav.wma.ogg", "movie\\c.Ogg", false}, {"wav.wma.ogg", "movie\\d.mid", true},
      {"wav.wma.ogg", "movie\\e.osb", true},  {"wav.wma.ogg", "movie\\noext", false},
      // Whole extensions only: ".wm" and ".mi" are no media extensions.
      {"wav.wma.ogg", "movie\\f.wm", true},   {"(v103)", "movie\\g.mi", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.media + " " + c.name);
    kit::GameFiles game;
    ProjectFileBuilder file(c.media == "(v103)" ? 103 : 109);
    AddProject(file.MediaExtensions(c.media).Title("demo").DiscPrompt("disc %d please").QuitText("quit?").Disc("movie", 2));
    auto project = Start();
    // The player cancels, and confirms the quit.
    TScriptedMessageBox script({TMsgResult::Cancel, TMsgResult::OK});
    TMessageBoxScope installed(script);
    EXPECT_FALSE(project->FileAvailable(c.name));
    if (c.asks) {
      ASSERT_EQ(script.Boxes().size(), 2u);
      EXPECT_EQ(script.Boxes()[0].text, "disc 2 please");
      EXPECT_EQ(script.Boxes()[0].caption, "demo");
      EXPECT_EQ(script.Boxes()[1].text, "quit?");
      EXPECT_TRUE(QuitRequested);
    } else {
      EXPECT_TRUE(script.Boxes().empty());
      EXPECT_FALSE(QuitRequested);
    }
    QuitRequested = false;
  }
}

TEST_F(ProjectTest, FilesFoundOrOffTheDiscTableNeverAsk) {
  AddProject(ProjectFileBuilder(109).Disc("movie", 2).Disc("zero", 0).Disc("negative", -1));
  files.Add("movie\\here.osb", "present");
  auto project = Start();
  EXPECT_FALSE(project->FileAvailable(""));
  EXPECT_TRUE(project->FileAvailable("start.osb"));
  EXPECT_TRUE(project->FileAvailable("MOVIE\\HERE.OSB"));
  EXPECT_FALSE(project->FileAvailable("elsewhere\\a.osb"));
  EXPECT_FALSE(project->FileAvailable("zero\\a.osb"));
  EXPECT_FALSE(project->FileAvailable("negative\\a.osb"));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ProjectTest, RequestsRunAtTheEndOfTheFrameLoadFirst) {
  AddProject(ProjectFileBuilder(109));
  auto project = Start();
  saves.calls.clear();
  EXPECT_FALSE(project->ProcessRequests());
  project->RequestSave(1, "a.osb", 2, "first");
  project->RequestLoad(4);
  project->RequestSave(3, "after.osb", 5, "second");  // replaces the first
  EXPECT_TRUE(project->ProcessRequests());
  EXPECT_EQ(saves.calls, (std::vector<std::string>{"load 4", "save 3 after.osb 5 second"}));
  EXPECT_EQ(project->PendingLoad(), -1);
  EXPECT_EQ(project->PendingSave().Slot, -1);
  project->RequestSave(-1, "x.osb", 0, "ignored");
  EXPECT_FALSE(project->ProcessRequests());
  EXPECT_EQ(saves.calls.size(), 2u);
}

TEST_F(ProjectTest, ASaveAfterAFailedLoadInTheSameFrameIsNotMade) {
  AddProject(ProjectFileBuilder(109));
  auto project = Start();
  saves.calls.clear();
  saves.loadFails = true;
  project->RequestLoad(4);
  project->RequestSave(3, "", 0, "over a good save");
  EXPECT_TRUE(project->ProcessRequests());
  EXPECT_EQ(saves.calls, (std::vector<std::string>{"load 4"}));
  EXPECT_EQ(project->PendingSave().Slot, -1);
}

TEST_F(ProjectTest, PagesRunOverTheProject) {
  kit::PageBuilder page;
  page.Calc("score = score + 1").GameSave("2", "", 0, "\"saved\"");
  AddProject(ProjectFileBuilder(109).IntVar("score", 10));
  files.Add("start.osb", page);
  auto project = Start();
  project->Execute();
  EXPECT_EQ(Var("score")->GetAsInteger(), 11);
  EXPECT_FALSE(project->ProcessRequests());
  EXPECT_EQ(saves.calls.back(), "save 2  0 saved");
}

TEST_F(ProjectTest, SaveFileBesideTheFirstArgumentOrTheProgram) {
  AddProject(ProjectFileBuilder(109));
  EXPECT_EQ(Start({"\\games\\demo", "\\other"})->GetSaveFileName(), "\\games\\demo\\save.dat");
  EXPECT_EQ(Start({"\\games\\demo\\"})->GetSaveFileName(), "\\games\\demo\\save.dat");
  programDirectory = "\\opt\\player";
  EXPECT_EQ(Start({})->GetSaveFileName(), "\\opt\\player\\save.dat");
}

// ---- The data locator: started without arguments ----

class LocatorTest : public ProjectTest {
 protected:
  LocatorTest() { programDirectory = dir.Game("program\\"); }

  void MakeDirectory(const std::string& name) const { ::mkdir(dir.Os(name).c_str(), 0700); }
  void WriteInstall(const std::string& folder, const std::string& identity, bool installed) const {
    TOrvaInstallSet record;
    record.GameIdentity = identity;
    record.Installed = installed;
    record.SaveToFile(dir.Game(folder + "\\install.dat"));
  }
  // A disc of the game (or another) holding its project.
  void MakeDisc(const std::string& folder, const std::string& identity, const std::string& title) const {
    MakeDirectory(folder);
    WriteInstall(folder, identity, false);
    orva::testing::WriteArchiveFile(dir.Game(folder + "\\game.dat"),
                          {{"orva.opb", ProjectFileBuilder(109).Title(title).Bytes()}, {"start.osb", kit::PageBuilder().Bytes()}});
  }

  orva::testing::TempDir dir;
};

TEST_F(LocatorTest, WithoutInstallRecordAsksToInstallAgain) {
  MakeDirectory("program");
  AddProject(ProjectFileBuilder(109).Title("never read"));
  auto project = Start({});
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "インストールし直してください");
  EXPECT_EQ(boxes.Boxes()[0].caption, "情報");
  EXPECT_EQ(boxes.Boxes()[0].icon, TMsgIcon::Information);
  EXPECT_EQ(boxes.Boxes()[0].buttons, TMsgButtons::OK);
  EXPECT_TRUE(QuitRequested);
  EXPECT_EQ(project->StartFailure(), Sjis("インストールし直してください: ") + "install.dat");
  EXPECT_EQ(project->Title(), Sjis("情報"));
  EXPECT_EQ(project->CallMan(), nullptr);
}

TEST_F(LocatorTest, InstalledGameRunsFromTheProgramDirectory) {
  MakeDirectory("program");
  WriteInstall("program", "GAME", true);
  orva::testing::WriteArchiveFile(dir.Game("program\\game.dat"),
                        {{"orva.opb", ProjectFileBuilder(109).Title("installed").Bytes()}, {"start.osb", kit::PageBuilder().Bytes()}});
  MakeDisc("cd", "GAME", "from disc");
  discRoots = {dir.Game("cd\\")};
  auto project = Start({});
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_FALSE(QuitRequested);
  EXPECT_EQ(project->Title(), "installed");
  EXPECT_EQ(project->StartFailure(), "");
  EXPECT_EQ(project->GameIdentity(), "GAME");
  EXPECT_EQ(FileManager->Directory(), programDirectory);
  EXPECT_EQ(searches, 0);
}

TEST_F(LocatorTest, DiscSearchOpensTheDiscOfThisGame) {
  MakeDirectory("program");
  WriteInstall("program", "GAME", false);
  MakeDisc("foreign", "OTHER", "another game");
  MakeDirectory("bare");
  orva::testing::WriteArchiveFile(dir.Game("bare\\game.dat"), {{"orva.opb", ProjectFileBuilder(109).Title("no record").Bytes()}});
  MakeDisc("cd", "GAME", "from disc");
  discRoots = {dir.Game("foreign\\"), dir.Game("bare\\"), dir.Game("cd\\")};
  auto project = Start({});
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(project->Title(), "from disc");
  EXPECT_EQ(FileManager->Count(), 2);  // the in-memory archive and the disc's
  EXPECT_FALSE(QuitRequested);
}

TEST_F(LocatorTest, DiscPromptRepeatsUntilTheDiscIsThere) {
  MakeDirectory("program");
  WriteInstall("program", "GAME", false);
  MakeDisc("cd", "GAME", "from disc");
  discRoots = {dir.Game("cd\\")};
  discsFromSearch = 3;
  // OK without a disc asks again; Cancel, then Cancel at the quit question, searches again.
  boxes.Answer(TMsgResult::OK);
  boxes.Answer(TMsgResult::Cancel);
  boxes.Answer(TMsgResult::Cancel);
  auto project = Start({});
  const Boxes& shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_EQ(shown[i].text, "ディスクを入れてください");
    EXPECT_EQ(shown[i].caption, "情報");
    EXPECT_EQ(shown[i].icon, TMsgIcon::Information);
    EXPECT_EQ(shown[i].buttons, TMsgButtons::OKCancel);
  }
  EXPECT_EQ(shown[2].text, "終了します");
  EXPECT_EQ(shown[2].caption, "情報");  // the title before the project file is read
  EXPECT_EQ(shown[2].buttons, TMsgButtons::OKCancel);
  EXPECT_EQ(searches, 3);
  EXPECT_EQ(project->Title(), "from disc");
  EXPECT_FALSE(QuitRequested);
}

TEST_F(LocatorTest, QuittingAtTheDiscPromptEndsTheStartUp) {
  MakeDirectory("program");
  WriteInstall("program", "GAME", false);
  AddProject(ProjectFileBuilder(109).Title("never read"));
  for (const auto& answers : {std::deque<TMsgResult>{TMsgResult::Cancel, TMsgResult::OK}, std::deque<TMsgResult>{}}) {
    TScriptedMessageBox script(answers);  // nobody to answer ends it too
    TMessageBoxScope installed(script);
    auto project = Start({});
    EXPECT_EQ(script.Boxes().size(), 2u);
    EXPECT_TRUE(QuitRequested);
    EXPECT_EQ(project->StartFailure(), Sjis("ディスクを入れてください"));
    EXPECT_EQ(project->CallMan(), nullptr);
    EXPECT_EQ(project->Title(), Sjis("情報"));
  }
}

}  // namespace

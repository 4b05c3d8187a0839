// Pages that stop, restart and close media and menus and reset the game, under the real call
// manager and scene with sound and movie objects over stand-in media managers: MovieStop,
// MediaPlay, MenuClose, PCReset and Reset.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/sound.h"
#include "scene/video.h"
#include "scene_test_kit.h"
#include "script/call_manager.h"
#include "script/media_commands.h"
#include "script/param_collection.h"

namespace orva {
namespace {

using kit::FakeMediaItem;
using kit::PageBuilder;
using scene_test::TTestBox;

// A stand-in for a menu: it records its play requests.
class TTestMenu : public TTestBox {
 public:
  using TTestBox::TTestBox;
  void Play(uint8_t mode) override { Modes.push_back(mode); }
  uint8_t GetPlayState() override { return Modes.empty() ? uint8_t{LP_STOP} : Modes.back(); }
  std::vector<uint8_t> Modes;
};

class MediaCommands : public scene_test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    man.SetScene(&Scene().Link());
    vars.SetSystemVariables(&results);
    SetSceneVariables(&vars);
    vars.AddVariable(PT_INT).SetName("x");
    for (const char* media : {"bgm.ogg", "se.wav", "op.wmv"}) files.Add(media, "media bytes");
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    man.SetScene(nullptr);
    SceneFixture::TearDown();
  }
  void Start(PageBuilder& page) {
    files.Add("start.osb", page);
    man.Start("start.osb");
  }
  // One frame as the shell runs it: the interpreter, then the scene's update.
  void Frame(int32_t delta = 16) {
    kit::RunFrame(man, delta);
    Scene().Idle();
  }
  int X() { return vars.Find("x")->GetAsInteger(); }
  // A sound playing the file, made by the Sound command.
  static void AddSound(PageBuilder& page, const std::string& name, const std::string& source, bool repeat = true) {
    page.Component(TCommandCode::Sound, {{PR_NAME, "\"" + name + "\""},
                                         {PR_SOURCE, "\"" + source + "\""},
                                         {PR_VOLUME, "1000"},
                                         {PR_REPEAT, repeat ? "TRUE" : "FALSE"}});
  }
  FakeMediaItem* Item(std::string_view source) { return media_.Find(source); }

  kit::FrameScope frameScope;
  kit::GameFiles files;
  TParamCollection vars;
  TCallMan man{vars};
  kit::ResultProvider results{man};
};

TEST_F(MediaCommands, MovieStopWithoutFadeFreesTheObjectAtOnceAndDoesNotWait) {
  PageBuilder page;
  AddSound(page, "bgm", "bgm.ogg");
  page.Component(TCommandCode::BoxNew, {{PR_NAME, "\"box\""}})
      .MovieStop("\"bgm\"", "0", "TRUE")
      .MovieStop("\"box\"", "", "TRUE")  // any object
      .Calc("x = 1");
  Start(page);
  Frame();
  EXPECT_EQ(X(), 1);
  EXPECT_EQ(Scene().FindObject("bgm"), nullptr);
  EXPECT_EQ(Scene().FindObject("box"), nullptr);
  EXPECT_EQ(Item("bgm.ogg"), nullptr) << "the sound's item was given back";
}

TEST_F(MediaCommands, MovieStopFadesAndWaitsUntilTheObjectIsGone) {
  PageBuilder page;
  AddSound(page, "bgm", "bgm.ogg");
  page.MovieStop("\"bgm\"", "500", "TRUE").Calc("x = 1");
  Start(page);
  Frame();
  FakeMediaItem* item = Item("bgm.ogg");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Scene().FindObject("bgm"), nullptr) << "renamed while it fades";
  EXPECT_EQ(Scene().FindObject("\x01SCRAP_bgm")->GetDelay(), 500);
  for (int ms = 16; ms < 500; ms += 16) Frame();
  EXPECT_EQ(X(), 0);
  EXPECT_LT(item->Volume, -2500);
  Frame();
  Frame();
  EXPECT_EQ(Item("bgm.ogg"), nullptr);
  Frame();
  EXPECT_EQ(X(), 1);
}

TEST_F(MediaCommands, MovieStopWithAFadeLeavesAMissingOrStoppedSoundAlone) {
  PageBuilder page;
  AddSound(page, "gone", "gone.ogg");  // no such file: no item, yet an object
  AddSound(page, "idle", "se.wav");
  page.SetProp("\"idle\"", std::to_string(PR_SOURCE), "\"bgm.ogg\"")  // a new source stops it
      .MovieStop("\"gone\"", "300", "TRUE")
      .MovieStop("\"idle\"", "300", "TRUE")
      .MovieStop("\"nothing\"", "300", "TRUE")
      .Calc("x = 1");
  Start(page);
  Frame();
  EXPECT_EQ(X(), 1) << "nothing to wait for";
  EXPECT_NE(Scene().FindObject("gone"), nullptr);
  ASSERT_NE(Scene().FindObject("idle"), nullptr);
  EXPECT_EQ(Scene().FindObject("idle")->GetPlayState(), LP_STOP);
}

TEST_F(MediaCommands, AMovieStopWaitingOverASaveAndLoadWaitsOnTheLoadedMovie) {
  PageBuilder page;
  page.Component(TCommandCode::Movie, {{PR_NAME, "\"op\""}, {PR_SOURCE, "\"op.wmv\""}, {PR_OVERLAY, "FALSE"}})
      .MovieStop("\"op\"", "400", "TRUE")
      .Calc("x = 1");
  Start(page);
  Frame();
  Frame();
  ASSERT_NE(Scene().FindObject("op"), nullptr);
  EXPECT_EQ(Scene().FindObject("op")->GetPlayState(), LP_STOPFADE);
  // A game save of the scene and the interpreter, loaded again.
  TMemoryStream scene, interpreter;
  Scene().Link().SaveToStream(scene);
  man.SaveToStream(interpreter);
  scene.SetPosition(0);
  interpreter.SetPosition(0);
  Scene().Link().LoadFromStream(scene, GameSaveVersion);
  man.LoadFromStream(interpreter, GameSaveVersion);
  TOrvaObject* loaded = Scene().FindObject("op");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(media_.Items.size(), 1u) << "the movie was opened again for its fade";
  const auto& stop = dynamic_cast<TComMovieStop&>(man.CurrentPage()->GetCommand(man.CommandIndex()));
  EXPECT_EQ(stop.Object(), loaded->Handle());
  Frame();
  EXPECT_EQ(X(), 0);
  for (int ms = 0; ms < 500; ms += 16) Frame();
  EXPECT_EQ(Scene().FindObject("op"), nullptr);
  Frame();
  EXPECT_EQ(X(), 1);
}

TEST_F(MediaCommands, MediaPlayMovesOnThenStartsTheMediaAgain) {
  PageBuilder page;
  AddSound(page, "bgm", "bgm.ogg", false);
  page.Wait("100").MediaPlay("\"bgm\"").MediaPlay("\"nothing\"").MediaPlay("\"\"").Calc("x = 1");
  Start(page);
  Frame();
  FakeMediaItem* item = Item("bgm.ogg");
  ASSERT_NE(item, nullptr);
  item->Position = 5000;
  item->Pause();
  for (int ms = 0; ms < 120; ms += 16) Frame();
  EXPECT_EQ(X(), 1);
  EXPECT_EQ(item->Position, 0);
  EXPECT_TRUE(item->IsPlaying());
}

TEST_F(MediaCommands, MenuCloseClosesAnimatedAndWaitsForAMenuThatIsNotThere) {
  PageBuilder page;
  page.MenuClose("\"menu\"").Calc("x = 1");
  Start(page);
  Frame();
  Frame();
  EXPECT_EQ(X(), 0) << "stepped again at each page step, each frame's run ending";
  auto* menu = CreateSceneObject<TTestMenu>(Scene());
  menu->SetName("menu");
  menu->SetParent(Scene().ActiveLayer());
  Frame();
  EXPECT_EQ(menu->Modes, std::vector<uint8_t>{LP_STOPFADE});
  EXPECT_EQ(X(), 1);
}

TEST_F(MediaCommands, PCResetInTheHandlerOfASenderFreedMeanwhileResumesTheScriptUnderneath) {
  vars.AddVariable(PT_INT).SetName("h");
  vars.AddVariable(PT_INT).SetName("r");
  files.Add("after.osb", PageBuilder().Calc("r = 1"));
  // The button's handler deletes the button first, as an AUTOSCRAP button goes at its click.
  files.Add("click.osb", PageBuilder().ObjDel("\"button\"").PCReset("after.osb", 0, false).Calc("h = 1"));
  PageBuilder page;
  page.Wait("100000").Calc("x = 1");
  Start(page);
  Frame();
  TTestBox* button = Box("button", {0, 0, 10, 10});
  button->QueueEvent(PR_ONLBTNDOWN, "click.osb");
  Frame();
  Frame();
  EXPECT_EQ(vars.Find("h")->GetAsInteger(), 1) << "the handler finished";
  EXPECT_EQ(vars.Find("r")->GetAsInteger(), 1) << "then the script went on at the reset's target";
  EXPECT_EQ(X(), 0);
  EXPECT_EQ(man.Stack().Count(), 0);
}

TEST_F(MediaCommands, ResetStartsANewGameInSilenceAndKeepsTheStatus) {
  vars.AddVariable(PT_INT).SetName("g");
  TParamCollectionItem& status = vars.AddVariable(PT_INT);
  status.SetName("st");
  status.SetStatus(true);
  files.Add("title.osb", PageBuilder().Calc("st = st + 1"));
  PageBuilder page;
  AddSound(page, "bgm", "bgm.ogg");
  page.Component(TCommandCode::Movie, {{PR_NAME, "\"op\""}, {PR_SOURCE, "\"op.wmv\""}})
      .Calc("g = 5")
      .Calc("st = 40")
      .Reset("title.osb", 0);
  Start(page);
  Frame();
  EXPECT_TRUE(media_.Items.empty()) << "every sound and movie was given back";
  EXPECT_EQ(Scene().GetItemCount(), 0);
  EXPECT_EQ(vars.Find("g"), nullptr);
  EXPECT_EQ(vars.Find("st")->GetAsInteger(), 41);
  EXPECT_NE(std::find(media_.Log.begin(), media_.Log.end(), "bgm.ogg: volume -10000"), media_.Log.end());
}

}  // namespace
}  // namespace orva

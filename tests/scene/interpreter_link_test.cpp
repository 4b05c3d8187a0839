// The scene under the real call manager: events queued by scene objects run their handler
// pages between command steps, stay queued while they run, and lose their sender when it is
// freed meanwhile.
#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "core/data_tables.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/project_file_builder.h"
#include "platform/message_box.h"
#include "scene/base_list.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script/project.h"
#include "script/save_file.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using kit::PageBuilder;
using scene_test::SceneFixture;
using scene_test::TTestBox;

class InterpreterLinkTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    man.SetScene(&Scene().Link());
    man.SetProject(&project);
    vars.SetSystemVariables(&results);
    vars.AddVariable(PT_INT).SetName("x");
  }
  void TearDown() override {
    man.SetScene(nullptr);
    SceneFixture::TearDown();
  }
  void Start(const PageBuilder& page) {
    files.Add("start.osb", page);
    man.Start("start.osb");
  }
  void Frame() { kit::RunFrame(man); }
  int32_t X() { return vars.Find("x")->GetAsInteger(); }

  kit::FrameScope frameScope;
  kit::GameFiles files;
  TParamCollection vars;
  kit::TestProject project;
  TCallMan man{vars};
  kit::ResultProvider results{man};
};

TEST_F(InterpreterLinkTest, QueuedEventsRunTheirHandlersAndLeaveTheQueue) {
  files.Add("h.osb", PageBuilder().Calc("x = x + 1").Label("ten").Calc("x = x + 10"));
  Start(PageBuilder().Wait("100000"));
  Frame();
  TTestBox* a = Box("a", {0, 0, 1, 1});
  TTestBox* b = Box("b", {0, 0, 1, 1});
  a->QueueEvent(PR_ONLBTNDOWN, "h.obs");
  b->QueueEvent(PR_ONLBTNDOWN, "h.obs:ten");
  Frame();
  EXPECT_EQ(X(), 21);
  EXPECT_EQ(Scene().Events().Count(), 0);
  EXPECT_FALSE(a->HasEvent(PR_ONLBTNDOWN));
}

TEST_F(InterpreterLinkTest, ARunningHandlerKeepsItsEventUntilItReturns) {
  // The handler stops at its Wait (an event point) and runs on over later frames.
  files.Add("h.osb", PageBuilder().Wait("40").Calc("x = 1"));
  Start(PageBuilder().Wait("100000"));
  Frame();
  TTestBox* button = Box("button", {0, 0, 1, 1});
  button->SetOnLBtnDown("h.obs");
  button->QueueEvent(PR_ONLBTNDOWN, "h.obs");
  Frame();
  ASSERT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Level, 1);
  EXPECT_EQ(man.GetSenderName(), "button");
  // A second click while the first one's handler runs is suppressed.
  EXPECT_TRUE(button->HasEvent(PR_ONLBTNDOWN));
  // The sender goes away: the handler runs on without it, its event stays until it returns.
  button->FreeNow();
  EXPECT_EQ(man.GetSenderName(), "");
  EXPECT_EQ(Scene().Events().Count(), 1);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_EQ(X(), 1);
  EXPECT_EQ(Scene().Events().Count(), 0);
}

TEST_F(InterpreterLinkTest, TheLinkAnswersByHandle) {
  TSceneLink& link = Scene().Link();
  TTestBox* box = Box("box", {0, 0, 1, 1});
  const TObjectHandle handle = link.FindObject("box");
  EXPECT_EQ(handle, box->Handle());
  EXPECT_EQ(link.IndexOfObject(handle), 0);
  EXPECT_EQ(link.GetName(handle), "box");
  EXPECT_EQ(link.FindObject(""), Scene().ActiveLayer()->Handle());
  EXPECT_EQ(link.IndexOfObject(link.FindObject("")), -1);  // layers are not listed
  EXPECT_EQ(link.FindControl("\x01" "BASE1"), Layer(1).Handle());
  box->FreeNow();
  EXPECT_EQ(link.IndexOfObject(handle), -1);
  EXPECT_EQ(link.GetName(handle), "");
  // The reset command clears the scene through the link.
  Box("again", {0, 0, 1, 1});
  link.Clear();
  EXPECT_EQ(Scene().GetItemCount(), 0);
}

TEST_F(InterpreterLinkTest, AGameSaveCarriesTheSceneWithItsEventsAndTheInterpreter) {
  testing::TempDir dir;
  TScriptedMessageBox boxes;
  TMessageBoxScope boxScope(boxes);
  files.Add("orva.opb", kit::ProjectFileBuilder(109).Bytes());
  files.Add("start.osb", PageBuilder().Calc("x = 3").Wait("100000"));
  TSaveFile saves({&Scene().Link()});
  TProjectSetup setup;
  setup.Arguments = {dir.Game()};
  setup.Scene = &Scene().Link();
  setup.Saves = &saves;
  TProject project(vars, std::move(setup));
  TTestBox* a = Box("a", {10, 20, 30, 40});
  a->SetOnLBtnDown("down.osb");
  project.Execute();
  a->QueueEvent(PR_ONLBTNDOWN, "down.osb");
  project.RequestSave(1, "", 0, "saved");
  project.ProcessRequests();

  a->FreeNow();
  Box("b", {0, 0, 1, 1});
  vars.Find("x")->SetAsInteger(0);
  project.RequestLoad(1);
  EXPECT_TRUE(project.ProcessRequests());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(ObjectNames(), std::vector<std::string>{"a"});
  TOrvaObject* loaded = Scene().FindObject("a");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetScreenRect(), (TRect{10, 20, 40, 60}));
  EXPECT_TRUE(loaded->HasEvent(PR_ONLBTNDOWN));
  EXPECT_EQ(X(), 3);
  EXPECT_EQ(project.CallMan()->CommandIndex(), 1);
  DBManager().Clear();
}

}  // namespace
}  // namespace orva

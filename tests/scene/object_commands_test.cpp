// Pages that create pictures, move properties, delete objects and park them in cabinets,
// under the real call manager and scene: ImgNew with real images, PropMotion with the
// property motion it makes, ObjDel, SaveCabinet and LoadCabinet.
#include <gtest/gtest.h>

#include <cmath>

#include "core/frame_clock.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "image_test_kit.h"
#include "scene/prop_motion.h"
#include "script/call_manager.h"
#include "script/param_collection.h"

namespace orva {
namespace {

using kit::PageBuilder;
using scene_test::ImageFixture;
using scene_test::PictureFrame;
using scene_test::TTestBox;

// A control that keeps its PARAM1..3.
class ParamHolder : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  long double GetParam(int index) override { return params[index]; }
  void SetParam(int index, long double value) override { params[index] = value; }
  long double params[3] = {};
};

class ObjectCommands : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    man.SetScene(&Scene().Link());
    vars.SetSystemVariables(&results);
    SetSceneVariables(&vars);
    vars.AddVariable(PT_INT).SetName("x");
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    man.SetScene(nullptr);
    ImageFixture::TearDown();
  }
  // Starts the page (under a name of its own: pages are kept by name) and runs its first
  // frame: the interpreter, then the scene's update.
  void Start(PageBuilder& page, int32_t delta = 16) {
    const std::string name = "page" + std::to_string(++pages_) + ".osb";
    files.Add(name, page);
    man.Start(name);
    Frame(delta);
  }
  void Frame(int32_t delta = 16) {
    kit::RunFrame(man, delta);
    Scene().Idle();
  }
  ParamHolder* Holder(const std::string& name) {
    auto* holder = CreateSceneObject<ParamHolder>(Scene());
    holder->SetName(name);
    holder->SetParent(Scene().ActiveLayer());
    return holder;
  }
  TOrvaPropMotion* Motion(const std::string& name) { return dynamic_cast<TOrvaPropMotion*>(Scene().FindObject(name)); }

  kit::FrameScope frameScope;
  TParamCollection vars;
  TCallMan man{vars};
  kit::ResultProvider results{man};
  int pages_ = 0;
};

TEST_F(ObjectCommands, ImgNewShowsAnImageSizedAgainstItsImageParentBeforeItsLeft) {
  AddPicture("back.vsk", {{.Width = 3, .Height = 3}});
  AddPicture("dot.vsk", {{.Width = 1, .Height = 1, .Delay = 40}, {.Width = 1, .Height = 1, .Delay = 40}});
  PageBuilder page;
  page.Component(TCommandCode::ImgNew, {{PR_NAME, "\"back\""}, {PR_SOURCE, "\"back.vsk\""}, {PR_ZOOMX, "171"}})
      .Component(TCommandCode::ImgNew, {{PR_NAME, "\"dot\""},
                                        {PR_PARENT, "\"back\""},
                                        {PR_SOURCE, "\"dot.vsk\""},
                                        {PR_ZOOMX, "171"},
                                        {PR_POSZOOMED, "TRUE"},
                                        {PR_LEFT, "2"},
                                        {PR_DELAY, "x + 1000"},
                                        {PR_TOP, "1"}});
  ClearDirty();
  Start(page);
  auto* back = dynamic_cast<TOrvaImages*>(Scene().FindObject("back"));
  auto* dot = dynamic_cast<TOrvaImages*>(Scene().FindObject("dot"));
  ASSERT_NE(back, nullptr);
  ASSERT_NE(dot, nullptr);
  EXPECT_EQ(back->GetWidth(), 2);
  EXPECT_EQ(dot->GetParent(), back);
  EXPECT_EQ(dot->GetCount(), 2);
  EXPECT_GT(dot->DelayExpression().Count(), 0) << "the command's PR_DELAY";
  // Fitted before LEFT was set, at a left of 0: one pixel of the parent's scale; at the
  // next update with LEFT 2 it rounds to none (2 × 65536 rem 98304 = 32768 > 32767).
  Frame();
  EXPECT_EQ(dot->GetWidth(), 0);
  EXPECT_FALSE(Dirty(0).empty()) << "the new images were invalidated";
}

TEST_F(ObjectCommands, APropertyMotionMovesLinearlyAndEndsOnTheEndValue) {
  TTestBox* box = Box("box", {0, 0, 10, 10});
  PageBuilder page;
  page.PropMotion({.name = "\"m\"", .target = "\"box\"", .property = std::to_string(PR_LEFT), .endValue = "100",
                   .duration = "1000", .motionType = "0"});
  Start(page, 20);
  std::vector<int32_t> lefts = {box->GetLeft()};
  for (int frame = 0; frame < 60 && Motion("m"); ++frame) {
    Frame(20);
    lefts.push_back(box->GetLeft());
  }
  std::vector<int32_t> expected;
  for (int v = 0; v <= 100; v += 2) expected.push_back(v);
  EXPECT_EQ(lefts, expected) << "0, 2, …, 98 and 100 once t ≥ 999";
  EXPECT_EQ(Motion("m"), nullptr);
  EXPECT_EQ(ObjectNames(), std::vector<std::string>{"box"});
}

TEST_F(ObjectCommands, EasedMotionsAtHalfTimeInExtendedFloats) {
  struct Case {
    int type;
    long double expected;
  } cases[] = {
      {MT_DEC, 100 * std::sin(std::numbers::pi_v<long double> / 4)},
      {MT_INC, 100 - std::sin(499 * (std::numbers::pi_v<long double> / 2) / 1000) * 100},
      {MT_NORMAL, 50},
      {7, 50},  // any other type is linear
  };
  PageBuilder page;
  std::vector<ParamHolder*> holders;
  for (const Case& c : cases) {
    const std::string name = "h" + std::to_string(holders.size());
    holders.push_back(Holder(name));
    page.PropMotion({.target = "\"" + name + "\"", .property = std::to_string(PR_PARAM1), .endValue = "100",
                     .duration = "1000", .motionType = std::to_string(c.type)});
  }
  Start(page, 20);  // t = 0
  for (int frame = 0; frame < 25; ++frame) Frame(20);
  for (size_t i = 0; i < holders.size(); ++i)
    EXPECT_NEAR(static_cast<double>(holders[i]->params[0]), static_cast<double>(cases[i].expected), 1e-12)
        << cases[i].type;
}

TEST_F(ObjectCommands, MotionsWithoutTimeTargetOrPropertyEndAtOnce) {
  TTestBox* box = Box("box", {5, 0, 10, 10});
  PageBuilder page;
  page.PropMotion({.name = "\"zero\"", .target = "\"box\"", .property = std::to_string(PR_TOP), .endValue = "40",
                   .duration = "0"})
      .PropMotion({.name = "\"nowhere\"", .target = "\"missing\"", .property = std::to_string(PR_LEFT)})
      // No property: the command stops with "プロパティ指定が不正です" once the motion exists.
      .PropMotion({.name = "\"blank\"", .target = "\"box\"", .property = ""})
      .Calc("x = 1")
      .PropMotion({.name = "\"refused\"", .target = "\"box\"", .property = std::to_string(PR_APPEARX),
                   .endValue = "9", .duration = "100"});
  files.Add("start.osb", page);
  man.Start("start.osb");
  for (int i = 0; i < 3; ++i) kit::RunFrame(man);  // a step that raised ends its frame's run
  EXPECT_EQ(vars.Find("x")->GetAsInteger(), 1) << "the script goes on";
  ASSERT_NE(Motion("blank"), nullptr);
  EXPECT_EQ(Motion("blank")->PropertyCode, 255);
  box->SetTop(3);
  Scene().Idle();
  // D = 0: the start value first, the end value at the next update; the others end without
  // a write (the refused one after its failed write).
  EXPECT_EQ(box->GetTop(), 3);
  EXPECT_EQ(box->GetLeft(), 5);
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"box", "zero"}));
  Scene().Idle();
  EXPECT_EQ(box->GetTop(), 40);
  EXPECT_EQ(ObjectNames(), std::vector<std::string>{"box"});

  // A target that goes ends its motion at the next update.
  PageBuilder again;
  again.PropMotion({.name = "\"m\"", .target = "\"box\"", .property = std::to_string(PR_LEFT), .endValue = "100",
                    .duration = "1000"})
      .Wait("30")
      .ObjDel("\"box\"")
      .Wait("1000");
  Start(again);
  for (int frame = 0; frame < 10 && Scene().FindObject("box"); ++frame) Frame();
  EXPECT_EQ(Scene().GetItemCount(), 1) << "the box is gone";
  ASSERT_NE(Motion("m"), nullptr);
  Frame();
  EXPECT_EQ(Motion("m"), nullptr);
}

TEST_F(ObjectCommands, AMotionSavedMidwayGoesOnFromItsStoredStart) {
  TTestBox* box = Box("box", {10, 0, 10, 10});
  PageBuilder page;
  page.PropMotion({.name = "\"m\"", .target = "\"box\"", .property = std::to_string(PR_LEFT), .endValue = "110",
                   .duration = "1000", .motionType = "0"})
      .PropMotion({.name = "\"held\"", .target = "\"box\"", .property = std::to_string(PR_TOP), .endValue = "9",
                   .duration = "10", .paused = "TRUE"})
      .Wait("100000");
  Start(page, 20);
  for (int frame = 0; frame < 24; ++frame) Frame(20);
  EXPECT_EQ(box->GetLeft(), 10 + 48);
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, GameSaveVersion);
  TOrvaPropMotion* m = Motion("m");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->GetElapsed(), 500);
  EXPECT_EQ(m->GetStartValue(), 10);
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("box")->GetLeft(), 10 + 50);
  // A paused motion never looked for its target; it keeps its name through the save.
  TOrvaPropMotion* held = Motion("held");
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(held->GetPaused());
  EXPECT_EQ(held->TargetName, "box");
  held->SetPaused(false);
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(Scene().FindObject("box")->GetTop(), 9);
}

TEST_F(ObjectCommands, AMotionSavedAfterItsTargetWentEndsUntouchedOnceLoaded) {
  TTestBox* box = Box("box", {10, 0, 10, 10});
  PageBuilder page;
  page.PropMotion({.name = "\"m\"", .target = "\"box\"", .property = std::to_string(PR_LEFT), .endValue = "110",
                   .duration = "1000"})
      .Wait("100");
  Start(page);
  Frame();
  box->ScheduleFree();
  Scene().Idle();  // the motion still sees the box in this pass; then the box goes
  ASSERT_NE(Motion("m"), nullptr);
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, GameSaveVersion);
  Scene().ActiveLayer()->SetLeft(0);
  Scene().Idle();
  EXPECT_EQ(Motion("m"), nullptr);
  EXPECT_EQ(Scene().ActiveLayer()->GetLeft(), 0) << "not moved in the target's stead";
}

TEST_F(ObjectCommands, AStoredPropertyCodeOutsideAByteReadsAsNone) {
  for (int32_t code : {300, -1, int32_t{PR_LEFT}}) {
    kit::SceneBuilder stored(GameSaveVersion);
    stored.Object("m", 0, 0, "");
    WriteStreamString(stored.Stream(), "box");
    stored.Int(code);
    const uint8_t ten[10] = {};
    stored.Stream().WriteBuffer(ten, 10);
    for (int32_t v : {1000, int32_t{MT_NORMAL}}) stored.Int(v);
    stored.Stream().WriteBuffer(ten, 10);
    stored.Int(20);
    WriteStreamBool(stored.Stream(), false);
    stored.Stream().SetPosition(0);
    auto* motion = CreateSceneObject<TOrvaPropMotion>(Scene());
    motion->LoadFromStream(stored.Stream(), GameSaveVersion);
    EXPECT_EQ(stored.Stream().Remaining(), 0);
    EXPECT_EQ(motion->PropertyCode, code == PR_LEFT ? PR_LEFT : 255) << code;
    EXPECT_EQ(motion->TargetName, "box");
    EXPECT_EQ(motion->GetElapsed(), 20);
  }
}

TEST_F(ObjectCommands, ObjDelFreesANamedObjectAfterTheUpdateButNeverALayer) {
  TTestBox* a = Box("a", {10, 20, 30, 40});
  Box("child", {5, 5, 10, 10}, a);
  Box("b", {0, 0, 1, 1});
  PageBuilder page;
  page.ObjDel("\"a\"").ObjDel("\"nobody\"").ObjDel("\"\x01\" + \"BASE0\"").ObjDel("\"\"").Calc("x = 1");
  files.Add("start.osb", page);
  man.Start("start.osb");
  kit::RunFrame(man);
  EXPECT_EQ(vars.Find("x")->GetAsInteger(), 1);
  EXPECT_EQ(Scene().FindObject("a"), nullptr) << "nameless at once";
  EXPECT_EQ(Scene().GetItemCount(), 3) << "freed after the update";
  ClearDirty();
  Scene().Idle();
  EXPECT_EQ(ObjectNames(), std::vector<std::string>{"b"});
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{10, 20, 40, 60}})) << "drawn again where the box and its child were";
  EXPECT_TRUE(Scene().GetLayer(0)->GetVisible());
  EXPECT_EQ(Scene().GetLayer(0)->GetName(), LayerName0);
}

TEST_F(ObjectCommands, CabinetsTakeAndGiveBackTheSelectedObjectsOfTheInactiveLayer) {
  struct Case {
    bool save;
    const char* flag;
    std::vector<std::string> names;
    std::vector<std::string> inCabinet, onLayer;  // after the command and the update
  } cases[] = {
      {true, "TRUE", {}, {"a", "b", "c"}, {}},
      {true, "FALSE", {"\"b\""}, {"b"}, {"a", "c"}},
      {true, "TRUE", {"\"b\"", "\"z\""}, {"a", "c"}, {"b"}},
      {true, "", {}, {}, {"a", "b", "c"}},  // nothing to move: the new cabinet goes again
      {false, "FALSE", {}, {"a", "b", "c"}, {}},
      {false, "FALSE", {"\"a\""}, {"b", "c"}, {"a"}},
      {false, "TRUE", {}, {}, {"a", "b", "c"}},  // emptied: the cabinet goes
  };
  auto children = [](TOrvaObject* parent) {
    std::vector<std::string> names;
    for (int i = 0; parent && i < parent->GetChildCount(); ++i) names.push_back(parent->GetChild(i)->GetName());
    return names;
  };
  for (const Case& c : cases) {
    Scene().Clear();
    TOrvaControl* inactive = Scene().GetLayer(1);
    for (const char* name : {"a", "b", "c"}) Box(name, {0, 0, 1, 1}, inactive);
    if (!c.save) {
      auto* cabinet = dynamic_cast<TOrvaControl*>(Scene().CreateObject(LT_CABINET));
      cabinet->SetName("cab");
      cabinet->SetParent(Scene().GetLayer(0));
      for (const char* name : {"c", "b", "a"}) Scene().FindObject(name)->SetParent(cabinet);
    }
    PageBuilder page;
    if (c.save)
      page.SaveCabinet({{PR_NAME, "\"cab\""}}, c.flag, c.names);
    else
      page.LoadCabinet({{PR_NAME, "\"cab\""}}, c.flag, c.names);
    Start(page);
    TOrvaObject* cabinet = Scene().FindObject("cab");
    EXPECT_EQ(children(cabinet), c.inCabinet) << c.save << c.flag << c.names.size();
    EXPECT_EQ(children(inactive), c.onLayer) << c.save << c.flag << c.names.size();
    EXPECT_EQ(cabinet != nullptr, !c.inCabinet.empty());
    if (cabinet) EXPECT_EQ(cabinet->GetParent(), Scene().GetLayer(0));
    for (const char* name : {"a", "b", "c"}) EXPECT_EQ(Scene().FindObject(name)->IsInCabinet(), cabinet && cabinet->Contains(Scene().FindObject(name)));
  }
  // A name that is not a cabinet's gets a new cabinet; the box keeps working under
  // another name.
  Scene().Clear();
  Box("cab", {0, 0, 1, 1});
  Box("a", {0, 0, 1, 1}, Scene().GetLayer(1));
  PageBuilder page;
  page.SaveCabinet({{PR_NAME, "\"cab\""}}, "TRUE", {});
  Start(page);
  ASSERT_NE(Scene().FindObject("cab"), nullptr);
  EXPECT_TRUE(Scene().FindObject("cab")->IsCabinet());
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"cab_2", "a", "cab"}));
}

}  // namespace
}  // namespace orva

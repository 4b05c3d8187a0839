// The scene: lookups, the factory, the per-frame update with deferred deletion, the shown
// layer and transitions, the services it calls, the colour tables, and saving and loading.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/wipe_defaults.h"
#include "scene/base_list.h"
#include "scene/color_tables.h"
#include "kit/film_doubles.h"
#include "kit/scene_builder.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::Log;
using scene_test::SceneFixture;
using kit::SceneBuilder;
using kit::ControlRecord;
using kit::SceneRecord;
using scene_test::TTestBox;
using scene_test::TTestComponent;

using SceneTest = SceneFixture;

TEST_F(SceneTest, LayersAreNamedAndNeverListed) {
  EXPECT_EQ(Scene().GetItemCount(), 0);
  EXPECT_EQ(Layer(0).GetName(), "\x01" "BASE0");
  EXPECT_EQ(Layer(1).GetName(), "\x01" "BASE1");
  EXPECT_EQ(Scene().IndexOfObject(&Layer(0)), -1);
  EXPECT_EQ(Layer(0).GetBase(), &Layer(0));
  EXPECT_EQ(Layer(0).GetWidth(), 640);
  EXPECT_EQ(Layer(1).OwnSurface().GetWidth(), 640);
  EXPECT_EQ(Layer(1).OwnSurface().GetBitCount(), 32);
}

TEST_F(SceneTest, FindObjectFollowsTheShownLayerAndFindControlTheLayerNumber) {
  TTestBox* box = Box("box", {0, 0, 1, 1});
  TTestComponent* comp = Component("comp");
  TTestComponent* twin = Component("twin");
  TTestBox* twinBox = Box("other", {0, 0, 1, 1});
  twinBox->AssignName("twin");  // a component and a control of one name
  struct Case {
    std::string name;
    TOrvaObject* object;   // FindObject
    TOrvaControl* control;  // FindControl
  };
  auto check = [&](const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      EXPECT_EQ(Scene().FindObject(c.name), c.object) << c.name;
      EXPECT_EQ(Scene().FindControl(c.name), c.control) << c.name;
    }
  };
  check({{"", &Layer(0), &Layer(0)},
         {"\x01" "BASE0", &Layer(0), &Layer(0)},
         {"\x01", &Layer(1), &Layer(1)},
         {"\x01" "BASE1", &Layer(1), &Layer(1)},
         {"box", box, box},
         {"comp", comp, nullptr},
         {"twin", twin, twinBox},
         {"none", nullptr, nullptr}});
  Scene().SetActiveBase(1, 0, 0, 0, true, false);
  check({{"", &Layer(1), &Layer(1)},
         {"\x01" "BASE0", &Layer(1), &Layer(0)},
         {"\x01", &Layer(0), &Layer(0)},
         {"\x01" "BASE1", &Layer(0), &Layer(1)}});
  EXPECT_EQ(Scene().IndexOfName("twin"), 2);
  std::vector<std::string> names;
  EXPECT_EQ(Scene().GetObjectNames(names, LT_TIMER, &Scene()), 2);
  EXPECT_EQ(Scene().GetObjectNames(names, 0, &Layer(0)), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"comp", "twin", "box", "twin"}));
}

TEST_F(SceneTest, TheFactoryRefusesTheCodesWithoutAClass) {
  for (int code : {0, 1, 10, 28, 127, 128, 138}) {
    EXPECT_EQ(Scene().CreateObject(code), nullptr) << code;
    EXPECT_THROW(RegisterObjectClass(code, {}), EListError) << code;
  }
  // Only the low seven bits choose the class.
  TOrvaObject* cabinet = Scene().CreateObject(128 + LT_CABINET);
  ASSERT_NE(cabinet, nullptr);
  EXPECT_EQ(cabinet->GetCompoType(), LT_CABINET);
  EXPECT_EQ(cabinet->GetName(), "object0");
  EXPECT_EQ(Scene().CreateObject(LT_BOX)->GetCompoType(), LT_BOX);
}

TEST_F(SceneTest, IdleFreesAnObjectAtOnceAndStillUpdatesTheNext) {
  TTestComponent* a = Component("a");
  TTestComponent* b = Component("b");
  TTestComponent* c = Component("c");
  b->IdleAnswer = true;
  (void)a;
  (void)c;
  Scene().Idle();
  EXPECT_EQ(Log(), (std::vector<std::string>{"a:idle", "b:idle", "c:idle"}));
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"a", "c"}));
}

TEST_F(SceneTest, IdleEventsForPausedObjectsButNothingInsideACabinet) {
  TTestComponent* paused = Component("paused");
  paused->SetPaused(true);
  paused->SetOnIdle("idle.osb");
  TOrvaControl* cabinet = Scene().CreateObject(LT_CABINET)->AsControl();
  cabinet->SetParent(Scene().ActiveLayer());
  TTestBox* hidden = Box("hidden", {0, 0, 1, 1}, cabinet);
  hidden->SetOnIdle("idle.osb");
  TTestBox* locked = Box("locked", {0, 0, 1, 1});
  locked->SetOnIdle("idle.osb");
  locked->InputLocked = true;
  TTestBox* normal = Box("normal", {0, 0, 1, 1});
  normal->SetOnIdle("idle.osb");
  Scene().Idle();
  Scene().Idle();  // a queued idle event is not queued again
  EXPECT_EQ(Log(), (std::vector<std::string>{"locked:idle", "normal:idle", "locked:idle", "normal:idle"}));
  TTimerList& q = Scene().Events();
  ASSERT_EQ(q.Count(), 2);
  EXPECT_EQ(EventSender(*q.GetEvent(0)), paused);
  EXPECT_EQ(EventSender(*q.GetEvent(1)), normal);
  EXPECT_EQ(q.GetEvent(1)->Kind, PR_ONIDLE);
}

TEST_F(SceneTest, ControlsFreedDuringThePassAreNeverTouchedAgain) {
  // The parent is scheduled and its child answers true: the child goes at once, the parent
  // at the end, and the queued entry for the child resolves to nothing.
  TTestBox* parent = Box("p", {0, 0, 10, 10});
  TTestBox* child = Box("c", {0, 0, 10, 10}, parent);
  child->ScheduleFree();
  parent->ScheduleFree();
  TTestBox* after = Box("after", {0, 0, 1, 1});
  after->IdleAnswer = true;
  Scene().Idle();
  EXPECT_EQ(Scene().GetItemCount(), 0);
  EXPECT_EQ(Layer(0).GetChildCount(), 0);
}

TEST_F(SceneTest, ClearingFreesAChildListedBeforeItsParent) {
  TTestBox* child = CreateSceneObject<TTestBox>(Scene());
  TTestBox* parent = CreateSceneObject<TTestBox>(Scene());  // detached, listed after its child
  child->SetParent(parent);
  Scene().Clear();
  EXPECT_EQ(Scene().GetItemCount(), 0);
}

TEST_F(SceneTest, AMotionEndQueuesPlayEndOrScrapsTheControl) {
  kit::TestFilms films;
  films.Length = 1;
  FrameDelta = 16;
  TTestBox* ends = Box("ends", {0, 0, 1, 1});
  ends->SetOnPlayEnd("end.osb");
  ends->LoadMotion("film.omt");
  TTestBox* scrap = Box("scrap", {0, 0, 1, 1});
  scrap->SetAutoScrap(true);
  scrap->LoadMotion("film.omt");
  EXPECT_TRUE(ends->GetPlaying());
  // Two steps at tick 0, then the clock reaches tick 1, the end of a film of one tick.
  Scene().Idle();
  Scene().Idle();
  EXPECT_EQ(Scene().Events().Count(), 0);
  Scene().Idle();
  FrameDelta = 0;
  EXPECT_FALSE(ends->GetPlaying());
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"ends"}));
  ASSERT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(Scene().Events().GetEvent(0)->Kind, PR_ONPLAYEND);
}

// A transition that records what the scene asked of it.
class TFakeWipe : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override {
    ++Steps;
    ChangedRect = {0, 0, 640, 480};
    return Position >= Duration;
  }
  int Steps = 0;
};

class SceneTransitionTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    previous_ = RegisterWipeClass(WP_FADE, [](TCustomDIBX* d, TCustomDIBX* a, TCustomDIBX* b) {
      return std::make_unique<TFakeWipe>(d, a, b);
    });
  }
  void TearDown() override {
    RegisterWipeClass(WP_FADE, previous_);
    WipeDefaultParams() = InitialWipeParams();
    SceneFixture::TearDown();
  }
  TWipeConstructor previous_;
};

TEST_F(SceneTransitionTest, AFlipWithoutResetOnlyChangesTheIndex) {
  ClearDirty();
  EXPECT_EQ(Scene().SetActiveBase(1, 0, 0, 0, false, false), nullptr);
  EXPECT_EQ(Scene().ActiveIndex(), 1);
  EXPECT_TRUE(Dirty(0).empty());
  EXPECT_TRUE(Dirty(1).empty());
  Scene().SetActiveBase(0, 0, 0, 0, true, false);
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{0, 0, 640, 480}}));
  EXPECT_EQ(Dirty(1), (std::vector<TRect>{{0, 0, 640, 480}}));
}

TEST_F(SceneTransitionTest, ATransitionComposesBothLayersUntilTheFlip) {
  Layer(0).SetColor(0x0000FF);
  Layer(1).SetColor(0x00FF00);
  Layer(0).InvalidateAll();
  Scene().Paint();
  ClearDirty();
  TCustomWipe* wipe = Scene().SetActiveBase(0, WP_FADE, 500, 10, false, true);
  ASSERT_NE(wipe, nullptr);
  EXPECT_EQ(Scene().GetTransition(), wipe);
  EXPECT_EQ(wipe->Dest, &BackBuffer());
  EXPECT_EQ(wipe->SrcA, &Layer(0).OwnSurface());
  EXPECT_EQ(wipe->SrcB, &Layer(1).OwnSurface());
  EXPECT_EQ(wipe->Duration, 500);
  EXPECT_EQ(wipe->Position, 10);
  EXPECT_TRUE(wipe->Reverse);
  // The layer that drew into the back buffer keeps its picture as the old one.
  EXPECT_EQ(Layer(0).OwnSurface().GetPixel(3, 3), BackBuffer().ColorToPixel(0x0000FF));
  // During the transition the shown layer draws into its own surface.
  EXPECT_EQ(Layer(0).GetImage(), &Layer(0).OwnSurface());
  Scene().SetTransitionPosition(250);
  EXPECT_EQ(Scene().GetTransitionDuration(), 500);
  Scene().Paint();
  EXPECT_EQ(static_cast<TFakeWipe*>(wipe)->Steps, 1);
  EXPECT_TRUE(Scene().RedrawAllRect().IsEmpty());  // the rectangle of the step before
  Scene().Paint();
  EXPECT_EQ(Scene().RedrawAllRect(), (TRect{0, 0, 640, 480}));
  // A second start while one runs only moves the position.
  EXPECT_EQ(Scene().SetActiveBase(0, WP_FADE, 900, 300, false, false), nullptr);
  EXPECT_EQ(wipe->Position, 300);
  // The end: the other layer, type 0, reset.
  Scene().SetActiveBase(1, 0, 0, 0, true, false);
  EXPECT_EQ(Scene().GetTransition(), nullptr);
  EXPECT_EQ(Layer(1).GetImage(), &BackBuffer());
  EXPECT_EQ(Scene().GetTransitionDuration(), 0);
}

TEST_F(SceneTransitionTest, ANewTransitionGetsTheDefaultPairOfItsNumber) {
  std::vector<std::pair<int, int32_t>> seen;
  class TParamWipe : public TCustomWipe {
   public:
    TParamWipe(std::vector<std::pair<int, int32_t>>* seen) : TCustomWipe(nullptr, nullptr, nullptr), seen_(seen) {}
    void SetParam(int index, int32_t value) override {
      seen_->push_back({index, value});
      TCustomWipe::SetParam(index, value);
    }
    std::vector<std::pair<int, int32_t>>* seen_;
  };
  const TWipeConstructor previous =
      RegisterWipeClass(WP_ZOOMIN, [&seen](TCustomDIBX*, TCustomDIBX*, TCustomDIBX*) {
        return std::make_unique<TParamWipe>(&seen);
      });
  // The project points the zoom-in at the middle of its screen at start-up.
  WipeDefaultParams()[WP_ZOOMIN] = {320, 240};
  auto wipe = CreateWipe(WP_ZOOMIN + 256, nullptr, nullptr, nullptr);  // low 8 bits
  ASSERT_NE(wipe, nullptr);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int32_t>>{{0, 320}, {1, 240}}));
  EXPECT_EQ(CreateWipe(0, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWipe(39, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWipe(WP_BLINDH, nullptr, nullptr, nullptr), nullptr);  // no class yet
  RegisterWipeClass(WP_ZOOMIN, previous);
}

TEST_F(SceneTransitionTest, ChangingTheShownLayerDropsAFocusOnTheOtherOne) {
  TTestBox* box = Box("f", {0, 0, 1, 1});
  box->SetOnFocusOut("out.osb");
  Scene().SetFocus(box);
  Scene().Events().Clear();
  Scene().SetActiveBase(0, 0, 0, 0, true, false);
  EXPECT_EQ(Scene().GetFocus(), box);
  Scene().SetActiveBase(1, 0, 0, 0, true, false);
  EXPECT_EQ(Scene().GetFocus(), nullptr);
  EXPECT_TRUE(Scene().FocusUpdateRequested());
  EXPECT_EQ(Scene().Events().Count(), 0);  // without events
}

TEST_F(SceneTest, ServicesAreCalledOnChangeOnly) {
  Scene().SetAudioEnabled(true);
  Scene().SetAudioEnabled(false);
  Scene().SetAudioEnabled(false);
  EXPECT_EQ(media_.Calls, (std::vector<bool>{false}));
  ClearDirty();
  Scene().SetImageDither(false);
  EXPECT_EQ(cache_.Reloads, 0);
  Scene().SetImageDither(true);
  EXPECT_EQ(cache_.Reloads, 1);
  EXPECT_TRUE(Scene().GetImageDither());
  EXPECT_EQ(Dirty(0).size(), 1u);
  EXPECT_EQ(Dirty(1).size(), 1u);
  Scene().ReleaseSurfaces();
  Scene().RecreateSurfaces();
  EXPECT_EQ(cache_.Releases, 1);
  EXPECT_EQ(cache_.Recreates, 1);
}

TEST_F(SceneTest, RightClickReceiversAreListedOnceAndDropped) {
  TTestBox* menu = Box("menu", {0, 0, 1, 1});
  TTestBox* map = Box("map", {0, 0, 1, 1});
  Scene().AddRightClickReceiver(menu);
  Scene().AddRightClickReceiver(map);
  Scene().AddRightClickReceiver(menu);
  EXPECT_EQ(Scene().RightClickReceivers(), (std::vector<TObjectHandle>{menu->Handle(), map->Handle()}));
  Scene().RemoveRightClickReceiver(menu);
  EXPECT_EQ(Scene().RightClickReceivers(), (std::vector<TObjectHandle>{map->Handle()}));
  // An entry whose object is gone names nothing.
  const TObjectHandle gone = map->Handle();
  map->FreeNow();
  EXPECT_EQ(ResolveHandle(gone), nullptr);
}

TEST_F(SceneTest, ColourTablesFollowTheScreenDepth) {
  SetupColorTables(15);
  // Entry 64 of the ramp: red 18 of 31, green 15 of 63 in 5-6-5; green halves in 5-5-5.
  EXPECT_EQ(ToneTable565[64], 18 << 11 | 15 << 5);
  EXPECT_EQ(FireColorTable[64], 18 << 10 | 7 << 5);
  EXPECT_EQ(FireColorTable[255], 31 << 10 | (57 >> 1) << 5 | 21);
  EXPECT_EQ(GreyTable16[255], 0x7FFF);
  EXPECT_EQ(GreyTable16[8], 1 << 10 | 1 << 5 | 1);
  SetupColorTables(32);
  EXPECT_EQ(FireColorTable[64], ToneTable565[64]);
  EXPECT_EQ(GreyTable16[255], 0xFFFF);
  EXPECT_EQ(GreyTable16[4], 1 << 5);
  EXPECT_EQ(GreyTable32[0x12], 0x121212u);
}

TEST_F(SceneTest, ClearKeepsTheSizeAndGivesNewLayersTheCursor) {
  Box("a", {0, 0, 1, 1});
  Component("b");
  screen_.Cursor = {12, 34};
  TOrvaBase* before = &Layer(0);
  Scene().Clear();
  EXPECT_EQ(Scene().GetItemCount(), 0);
  EXPECT_NE(&Layer(0), before);
  EXPECT_EQ(Layer(0).GetWidth(), 640);
  EXPECT_EQ(Layer(1).OwnSurface().GetHeight(), 480);
  EXPECT_EQ(Layer(1).GetMousePos(), (TPoint{12, 34}));
  EXPECT_EQ(Scene().MakeUniqueName("object"), "object0");
}

// ---- Stored form ----

// A scene with a tree, components, events and a focus.
void Populate(SceneFixture& f, TOrvaBaseList& scene) {
  (void)f;
  TTestBox* panel = CreateSceneObject<TTestBox>(scene);
  panel->SetName("panel");
  panel->SetParent(scene.GetLayer(0));
  panel->SetBounds(10, 20, 300, 200);
  panel->SetColor(0x123456);
  panel->SetTag("tag");
  panel->SetPriority(3);
  panel->SetPriorityOffset(2);
  panel->SetOnLBtnDown("click.osb:down");
  panel->SetOnMouseIn("in.osb");
  panel->SetHandleKey(true);
  panel->SetOnKeyDown("key.osb");
  panel->SetPlusX(4);
  panel->SetClipWidth(50);
  panel->SetClipHeight(60);
  panel->SetBoundsRect({1, 2, 3, 4});
  panel->SetIgnoreMouse(IM_CLICK);
  panel->SetCursor("hand.cur");
  TTestBox* inner = CreateSceneObject<TTestBox>(scene);
  inner->SetName("inner");
  inner->SetParent(panel);
  TTestBox* innermost = CreateSceneObject<TTestBox>(scene);
  innermost->SetName("innermost");
  innermost->SetParent(inner);
  TTestBox* back = CreateSceneObject<TTestBox>(scene);
  back->SetName("back");
  back->SetParent(scene.GetLayer(1));
  back->SetVisible(false);
  // Not saved: queued for freeing, internal, untyped.
  TTestBox* queued = CreateSceneObject<TTestBox>(scene);
  queued->SetParent(scene.GetLayer(0));
  queued->ScheduleFree();
  TTestBox* internal = CreateSceneObject<TTestBox>(scene);
  internal->SetName("\x01part");
  internal->SetParent(panel);
  TTestComponent* timer = CreateSceneObject<TTestComponent>(scene);
  timer->SetName("timer");
  timer->SetDelay(77);
  TTestComponent* fading = CreateSceneObject<TTestComponent>(scene);
  fading->SetName("\x01" "fading");
  TArrayString args;
  args.Add("5");
  scene.Events().AddEvent(panel, "click.osb:down", PR_ONLBTNDOWN, &args);
  scene.Events().AddEvent(timer, "t.osb", PR_ONNOTIFY)->Level = 2;
  scene.SetFocus(panel);
  scene.Events().AddEvent(nullptr, "n.osb", PR_ONNOTIFY);
}

std::string Saved(TOrvaBaseList& scene) {
  TMemoryStream m;
  scene.SaveToStream(m);
  return std::string(m.View());
}

TEST_F(SceneTest, SaveAndLoadRoundTripAtTheCurrentVersion) {
  Populate(*this, Scene());
  Scene().SetActiveBase(1, 0, 0, 0, false, false);
  const std::string bytes = Saved(Scene());
  TMemoryStream m(bytes);
  Scene().LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(Saved(Scene()), bytes);

  EXPECT_EQ(Scene().ActiveIndex(), 1);
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"panel", "inner", "innermost", "back", "timer"}));
  auto* panel = static_cast<TTestBox*>(Scene().FindControl("panel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetParent(), &Layer(0));
  EXPECT_EQ(panel->GetLocalRect(), (TRect{10, 20, 310, 220}));
  EXPECT_EQ(panel->GetColor(), 0x123456);
  EXPECT_EQ(panel->GetTag(), "tag");
  EXPECT_EQ(panel->GetPriorityOffset(), 2);
  EXPECT_EQ(panel->GetOnMouseIn(), "in.osb");
  EXPECT_EQ(panel->GetOnKeyDown(), "key.osb");
  EXPECT_TRUE(panel->GetHandleKey());
  EXPECT_EQ(panel->GetPlusX(), 4);
  EXPECT_EQ(panel->GetBoundsRect(), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(panel->GetIgnoreMouse(), IM_CLICK);
  EXPECT_EQ(panel->GetChild(0)->GetName(), "inner");
  EXPECT_EQ(panel->GetChildCount(), 1);
  EXPECT_EQ(Scene().FindControl("innermost")->GetParent()->GetName(), "inner");
  EXPECT_FALSE(Scene().FindControl("back")->GetVisible());
  EXPECT_EQ(static_cast<TTestComponent*>(Scene().FindObject("timer"))->GetDelay(), 77);
  // The focus comes back directly, without events, and FocusGained runs.
  EXPECT_EQ(Scene().GetFocus(), panel);
  EXPECT_FALSE(Scene().FocusUpdateRequested());
  EXPECT_NE(std::find(Log().begin(), Log().end(), "panel:focus"), Log().end());
  TTimerList& q = Scene().Events();
  ASSERT_EQ(q.Count(), 3);
  EXPECT_EQ(EventSender(*q.GetEvent(0)), panel);
  EXPECT_EQ(EventSender(*q.GetEvent(1)), Scene().FindObject("timer"));
  EXPECT_EQ(q.GetEvent(1)->Level, 2);
  // Both layers are repainted after a load.
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{0, 0, 640, 480}}));
}

// Lefts of the controls under a control, depth first: tells siblings apart by position.
void CollectLefts(TOrvaControl& control, std::vector<int32_t>& lefts) {
  for (int i = 0; i < control.GetChildCount(); ++i) {
    lefts.push_back(control.GetChild(i)->GetLeft());
    CollectLefts(*control.GetChild(i), lefts);
  }
}

// Siblings that tie on sort key and name keep their stored order through every save and
// load; others take their sorted places at the first load and keep them.
TEST_F(SceneTest, SiblingOrderSurvivesSaveAndLoad) {
  auto box = [](const char* name, int32_t priority, int32_t offset, int32_t left,
                std::vector<ControlRecord> children = {}) {
    ControlRecord c;
    c.Name = name;
    c.Priority = priority;
    c.PriorityOffset = offset;
    c.Left = left;
    c.Children = std::move(children);
    return c;
  };
  struct Case {
    const char* what;
    std::vector<ControlRecord> children;
    std::vector<int32_t> lefts;  // in list order, depth first
    bool storedInOrder;          // the first save writes the bytes read
  } cases[] = {
      {"two equal", {box("dup", 5, 0, 1), box("dup", 5, 0, 2)}, {1, 2}, true},
      {"three equal", {box("dup", 5, 0, 1), box("dup", 5, 0, 2), box("dup", 5, 0, 3)}, {1, 2, 3}, true},
      {"equal keys from priority and offset", {box("dup", 3, 2, 1), box("dup", 5, 0, 2)}, {1, 2}, true},
      {"equal ones among others",
       {box("dup", 5, 0, 1), box("a", 5, 0, 2), box("b", 0, 0, 3), box("dup", 5, 0, 4)}, {3, 2, 1, 4}, false},
      {"equal children of equal parents",
       {box("p", 0, 0, 1, {box("c", 0, 0, 2), box("c", 0, 0, 3)}), box("p", 0, 0, 4, {box("c", 1, 0, 5)})},
       {1, 2, 3, 4, 5}, true},
      {"names break a priority tie", {box("b", 5, 0, 1), box("a", 5, 0, 2)}, {2, 1}, false},
      {"priority before name", {box("a", 7, 0, 1), box("b", 5, 0, 2)}, {2, 1}, false},
  };
  for (const Case& c : cases) {
    SceneRecord s;
    s.Layers[0].Children = c.children;
    SceneBuilder b(GameSaveVersion);
    b.Scene(s);
    const std::string stored(b.Done().View());
    std::string previous = stored;
    for (int round = 0; round < 3; ++round) {
      TMemoryStream m(previous);
      Scene().LoadFromStream(m, GameSaveVersion);
      std::vector<int32_t> lefts;
      CollectLefts(Layer(0), lefts);
      EXPECT_EQ(lefts, c.lefts) << c.what << ", round " << round;
      const std::string saved = Saved(Scene());
      if (round > 0 || c.storedInOrder) {
        EXPECT_EQ(saved, previous) << c.what << ", round " << round;
      }
      previous = saved;
    }
  }
}

TEST_F(SceneTest, ChildrenOfTheSameNameAndPriorityLoadInTheirSavedOrder) {
  // While it loads, a child carries an automatic name that sorts before "t".
  for (int32_t colour : {1, 2, 3}) Box("t" + std::to_string(colour), {0, 0, 1, 1}, nullptr, colour);
  for (TOrvaControl* child : Layer(0).Children()) child->AssignName("t");
  const auto colours = [&] {
    std::vector<int32_t> out;
    for (TOrvaControl* child : Layer(0).Children()) out.push_back(child->GetColor());
    return out;
  };
  EXPECT_EQ(colours(), (std::vector<int32_t>{1, 2, 3}));
  const std::string bytes = Saved(Scene());
  TMemoryStream m(bytes);
  Scene().LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(colours(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(Saved(Scene()), bytes);
}

TEST_F(SceneTest, OlderVersionsReadOnlyTheFieldsTheyHad) {
  SceneRecord s;
  ControlRecord panel;
  panel.Name = "panel";
  panel.Left = 5;
  panel.Tag = "tag";
  panel.PriorityOffset = 9;
  panel.MotionX = 7;
  panel.PlusX = 3;
  panel.ClipWidth = 10;
  panel.ClipHeight = 10;
  panel.AniPaused = true;
  panel.OnMouseIn = "in.osb";
  panel.OnMouseOut = "out.osb";
  panel.HandleKey = true;
  panel.OnKeyDown = "key.osb";
  panel.OnFocusOut = "fo.osb";
  s.Layers[0].Children.push_back(panel);
  s.Focus = "panel";
  struct Expect {
    int version;
    int32_t offset, plusX, clipWidth;
    bool aniPaused;
    std::string mouseIn, tag, keyDown;
    bool handleKey, focused;
  };
  const Expect cases[] = {
      {101, 0, 0, 0, false, "", "", "", false, false},
      {104, 9, 0, 10, true, "in.osb", "", "", false, false},
      {117, 9, 0, 10, true, "in.osb", "", "", false, false},
      {118, 9, 0, 10, true, "in.osb", "", "key.osb", true, false},
      {119, 9, 0, 10, true, "in.osb", "", "key.osb", true, true},
      {120, 9, 0, 10, true, "in.osb", "tag", "key.osb", true, true},
      {129, 9, 0, 10, true, "in.osb", "tag", "key.osb", true, true},
      {130, 9, 3, 10, true, "in.osb", "tag", "key.osb", true, true},
      {133, 9, 3, 10, true, "in.osb", "tag", "key.osb", true, true},
  };
  for (const Expect& e : cases) {
    SceneBuilder b(e.version);
    b.Scene(s);
    TMemoryStream& m = b.Done();
    Scene().RequestFocusUpdate(false);
    Scene().LoadFromStream(m, e.version);
    EXPECT_EQ(m.Remaining(), 0) << e.version;
    TOrvaControl* c = Scene().FindControl("panel");
    ASSERT_NE(c, nullptr) << e.version;
    EXPECT_EQ(c->GetPriorityOffset(), e.offset) << e.version;
    EXPECT_EQ(c->GetPlusX(), e.plusX) << e.version;
    EXPECT_EQ(c->GetMotionX(), e.plusX ? 7 : 0) << e.version;
    EXPECT_EQ(c->GetClipWidth(), e.clipWidth) << e.version;
    EXPECT_EQ(c->GetAniPaused(), e.aniPaused) << e.version;
    EXPECT_EQ(c->GetOnMouseIn(), e.mouseIn) << e.version;
    EXPECT_EQ(c->GetOnMouseOut(), "out.osb") << e.version;
    EXPECT_EQ(c->GetTag(), e.tag) << e.version;
    EXPECT_EQ(c->GetOnKeyDown(), e.keyDown) << e.version;
    EXPECT_EQ(c->GetOnFocusOut(), e.keyDown.empty() ? "" : "fo.osb") << e.version;
    EXPECT_EQ(c->GetHandleKey(), e.handleKey) << e.version;
    EXPECT_EQ(Scene().GetFocus() == c, e.focused) << e.version;
  }
}

TEST_F(SceneTest, HostileScenesFailTheLoad) {
  auto load = [&](SceneRecord s, int version = GameSaveVersion) {
    SceneBuilder b(version);
    b.Scene(s);
    Scene().LoadFromStream(b.Done(), version);
  };
  SceneRecord s;
  s.Active = 2;
  EXPECT_THROW(load(s), EReadError);
  s.Active = -1;
  EXPECT_THROW(load(s), EReadError);
  s = {};
  s.Width = -1;
  EXPECT_THROW(load(s), EReadError);
  s = {};
  s.Height = MaxStoredSceneSize + 1;
  EXPECT_THROW(load(s), EReadError);
  for (uint8_t code : {0, 1, 10, 28, 200}) {
    s = {};
    ControlRecord c;
    c.Type = code;
    s.Layers[1].Children.push_back(c);
    EXPECT_THROW(load(s), EReadError) << int(code);
  }
  s = {};
  s.Components.emplace_back();
  s.Components.back().Type = LT_MAP;
  EXPECT_THROW(load(s), EReadError);

  // Nesting beyond the bound.
  s = {};
  ControlRecord deep;
  for (int i = 0; i < MaxStoredControlDepth + 1; ++i) {
    ControlRecord parent;
    parent.Children.push_back(std::move(deep));
    deep = std::move(parent);
  }
  s.Layers[0].Children.push_back(std::move(deep));
  EXPECT_THROW(load(s), EReadError);

  // A component count beyond the bytes left.
  SceneBuilder b(GameSaveVersion);
  b.Int(640);
  b.Int(480);
  b.Int(0);
  b.Control(s.Layers[0]);
  b.Control(s.Layers[1]);
  b.Int(1000000);
  b.Int(0);
  EXPECT_THROW(Scene().LoadFromStream(b.Done(), GameSaveVersion), EReadError);

  // After a failed load the scene is still usable.
  SceneRecord ok;
  ok.Width = 320;
  ok.Height = 200;
  load(ok);
  EXPECT_EQ(Layer(0).OwnSurface().GetWidth(), 320);
}

TEST_F(SceneTest, SavedChildCountsMatchTheChildrenWritten) {
  TTestBox* p = Box("p", {0, 0, 1, 1});
  Box("keep", {0, 0, 1, 1}, p);
  Box("\x01skip", {0, 0, 1, 1}, p);
  Box("gone", {0, 0, 1, 1}, p)->ScheduleFree();
  class TUntyped : public TOrvaControl {
   public:
    using TOrvaControl::TOrvaControl;
  };
  CreateSceneObject<TUntyped>(Scene())->SetParent(p);
  const std::string bytes = Saved(Scene());
  TMemoryStream m(bytes);
  Scene().LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(ObjectNames(), (std::vector<std::string>{"p", "keep"}));
}

TEST_F(SceneTest, ASceneWithoutAScreenDrawsNothingAndSavesAsUsual) {
  SetSceneServices({});
  TOrvaBaseList scene;
  scene.SetWidth(100);
  scene.SetHeight(50);
  EXPECT_EQ(scene.GetLayer(0)->OwnSurface().GetBitCount(), 15);
  // A private scene draws into its own surface.
  EXPECT_EQ(scene.ActiveLayer()->GetImage(), scene.GetImage());
  EXPECT_EQ(scene.GetImage()->GetWidth(), 100);
  // The main scene without a screen has no picture.
  EXPECT_EQ(Scene().GetImage(), nullptr);
  Scene().ActiveLayer()->InvalidateAll();
  Scene().Paint();
  SetSceneServices({&screen_, &media_, &cache_});
}

}  // namespace
}  // namespace orva

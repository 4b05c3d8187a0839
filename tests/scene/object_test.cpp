// Scene objects: neutral property values, names, replacement and renaming, z-order, deferred
// deletion and weak handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scene/base_list.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::Log;
using scene_test::SceneFixture;
using scene_test::TTestBox;
using scene_test::TTestComponent;

// A component that overrides nothing: every property answers the neutral value.
class TBareComponent : public TOrvaComponent {
 public:
  using TOrvaComponent::TOrvaComponent;
};

using ObjectTest = SceneFixture;

TEST_F(ObjectTest, UnsupportedPropertiesReadNeutralValuesAndIgnoreWrites) {
  TBareComponent* sound = CreateSceneObject<TBareComponent>(Scene());
  EXPECT_EQ(sound->GetColor(), 16777215);
  EXPECT_EQ(sound->GetZoomX(), 256);
  EXPECT_EQ(sound->GetZoomY(), 256);
  EXPECT_EQ(sound->GetTextDelay(), 256);
  EXPECT_EQ(sound->GetAlpha(), 255);
  EXPECT_EQ(sound->GetBrightness(), 255);
  EXPECT_EQ(sound->GetIndex(), -1);
  EXPECT_EQ(sound->GetBorderColor(), -1);
  EXPECT_EQ(sound->GetHoverColor(), -1);
  EXPECT_EQ(sound->GetSmallChange(), 1);
  EXPECT_EQ(sound->GetLargeChange(), 1);
  EXPECT_EQ(sound->GetPartMotion(), 1);
  EXPECT_TRUE(sound->GetRewindOnLoad());
  EXPECT_TRUE(sound->GetOverlay());
  EXPECT_FALSE(sound->GetVisible());
  EXPECT_EQ(sound->GetIgnoreMouse(), IM_NONE);
  EXPECT_EQ(sound->GetParent(), nullptr);
  EXPECT_EQ(sound->GetParam(2), 0.0L);
  EXPECT_EQ(sound->GetBorderSource(8), "");
  EXPECT_EQ(sound->GetFontStyle(), TFontStyles{});
  EXPECT_EQ(sound->GetCompoType(), 0);
  EXPECT_EQ(sound->GetPlayState(), 2);
  EXPECT_TRUE(sound->GetItemEnabled(3));
  EXPECT_EQ(sound->GetBoundsRect(), (TRect{0, 0, 1, 1}));
  sound->SetColor(5);
  sound->SetZoomX(100);
  sound->SetText("x");
  EXPECT_EQ(sound->GetColor(), 16777215);
  EXPECT_EQ(sound->GetZoomX(), 256);
  EXPECT_EQ(sound->GetText(), "");

  // ORIGWIDTH follows the class's WIDTH; a control's stored WIDTH here.
  TTestBox* box = Box("b", {0, 0, 30, 20});
  EXPECT_EQ(box->GetOrigWidth(), 30);
  EXPECT_EQ(box->GetOrigHeight(), 20);
}

TEST_F(ObjectTest, AutoNamesTakeTheFirstFreeNumber) {
  TBareComponent* a = CreateSceneObject<TBareComponent>(Scene());
  TBareComponent* b = CreateSceneObject<TBareComponent>(Scene());
  TBareComponent* c = CreateSceneObject<TBareComponent>(Scene());
  EXPECT_EQ(a->GetName(), "object0");
  EXPECT_EQ(b->GetName(), "object1");
  EXPECT_EQ(c->GetName(), "object2");
  // A freed number is the next one handed out; a taken one is skipped.
  b->SetName("renamed");
  EXPECT_EQ(Scene().MakeUniqueName("object"), "object1");
  c->SetName("object1");
  EXPECT_EQ(Scene().MakeUniqueName("object"), "object2");
  // "object01" is not the number 1 in "%d" form and frees nothing.
  a->SetName("object01");
  EXPECT_EQ(Scene().MakeUniqueName("object"), "object0");
  EXPECT_EQ(Scene().MakeUniqueName("x"), "x0");
  // A prefix that ends in a digit.
  TBareComponent* d0 = CreateSceneObject<TBareComponent>(Scene());
  d0->AssignName(Scene().MakeUniqueName("obj1"));
  CreateSceneObject<TBareComponent>(Scene())->AssignName(Scene().MakeUniqueName("obj1"));
  EXPECT_EQ(Scene().MakeUniqueName("obj1"), "obj12");
  d0->AssignName("free");
  EXPECT_EQ(Scene().MakeUniqueName("obj1"), "obj10");
}

TEST_F(ObjectTest, AutoNamesMatchTheLinearRuleUnderChurn) {
  // The indexed names against a plain scan of the list, over creations, renames and frees.
  std::vector<TOrvaObject*> live;
  for (int step = 0; step < 400; ++step) {
    const int op = (step * 7919) % 5;
    if (op < 3 || live.empty()) {
      std::string expected;
      for (int n = 0;; ++n) {
        expected = "object" + std::to_string(n);
        bool taken = false;
        for (int i = 0; i < Scene().GetItemCount(); ++i) taken |= Scene().GetItem(i)->GetName() == expected;
        if (!taken) break;
      }
      live.push_back(CreateSceneObject<TBareComponent>(Scene()));
      ASSERT_EQ(live.back()->GetName(), expected) << "step " << step;
    } else if (op == 3) {
      TOrvaObject* o = live[size_t(step) % live.size()];
      o->AssignName("object" + std::to_string(step % 37));
    } else {
      const size_t i = size_t(step) % live.size();
      live[i]->ScheduleFree();
      Scene().Idle();
      live.erase(live.begin() + long(i));
    }
  }
}

TEST_F(ObjectTest, ANamesakeComponentIsScheduledForFreeingAndLosesItsNameAtOnce) {
  TTestComponent* old = Component("bgm");
  TTestComponent* fresh = CreateSceneObject<TTestComponent>(Scene());
  fresh->SetName("bgm");
  EXPECT_EQ(old->GetName(), "");
  EXPECT_TRUE(old->IsQueuedForFree());
  EXPECT_EQ(Scene().FindObject("bgm"), fresh);
  // The old one still runs until the end of the update pass.
  Log().clear();
  Scene().Idle();
  EXPECT_EQ(Scene().GetItemCount(), 1);
  EXPECT_EQ(Scene().GetItem(0), fresh);
}

TEST_F(ObjectTest, RenamingAControlGivesThePreviousHolderASuffixedName) {
  struct Case {
    std::vector<std::string> others;  // held before the rename; the first is the holder
    std::string newName, holderAfter;
  };
  const Case cases[] = {
      {{"a"}, "a", "a_2"},
      {{"a", "a_2"}, "a", "a_3"},
      {{"a_5"}, "a_5", "a_6"},
      {{"a_5", "a_6"}, "a_5", "a_7"},
      {{"a_1"}, "a_1", "a_1_2"},
      {{"a_b"}, "a_b", "a_b_2"},
      {{"a_3_x"}, "a_3_x", "a_3_x_2"},
      {{"x_9_4"}, "x_9_4", "x_9_5"},
      {{"_5"}, "_5", "_5_2"},
      {{"b_99999999999"}, "b_99999999999", "b_99999999999_2"},
  };
  for (const Case& c : cases) {
    Scene().Clear();
    std::vector<TOrvaObject*> others;
    for (const std::string& name : c.others) others.push_back(Box(name, {0, 0, 1, 1}));
    TTestBox* renamed = Box("other", {0, 0, 1, 1});
    renamed->SetName(c.newName);
    EXPECT_EQ(renamed->GetName(), c.newName);
    EXPECT_EQ(others[0]->GetName(), c.holderAfter) << c.newName;
    EXPECT_FALSE(others[0]->IsQueuedForFree());
  }
}

TEST_F(ObjectTest, ZOrderPutsInternalNamesBelowAndTheSnapshotOnTop) {
  TOrvaBase& layer = Layer(0);
  TTestBox* b = Box("b", {0, 0, 1, 1});
  TTestBox* a = Box("a", {0, 0, 1, 1});
  TTestBox* high = Box("high", {0, 0, 1, 1});
  high->SetPriority(10);
  TTestBox* internal = Box("\x01part", {0, 0, 1, 1});
  internal->SetPriority(1000);
  TTestBox* snapshot = Box("\x01\x01", {0, 0, 1, 1});
  snapshot->SetPriority(-1000);
  TTestBox* low = Box("low", {0, 0, 1, 1});
  low->SetPriority(-5);
  std::vector<TOrvaControl*> expected = {internal, low, a, b, high, snapshot};
  EXPECT_EQ(layer.Children(), expected);

  // The offset counts with the priority; equal keys fall back to the names, byte-wise.
  a->SetPriorityOffset(11);
  expected = {internal, low, b, high, a, snapshot};
  EXPECT_EQ(layer.Children(), expected);
  // Two snapshots (never made by the player) still sort consistently.
  TTestBox* second = Box("second", {0, 0, 1, 1});
  second->AssignName("\x01\x01");  // a namesake without the renaming rule
  second->SetPriority(-2000);
  EXPECT_EQ(layer.Children().back(), snapshot);
  EXPECT_EQ(layer.Children()[layer.Children().size() - 2], second);
}

// A parent that holds its sorting back, as an emitter does while its sprites turn.
class THoldingBox : public TTestBox {
 public:
  using TTestBox::TTestBox;
  void SortChildren() override {
    if (!Hold) TTestBox::SortChildren();
  }
  bool Hold = false;
};

TEST_F(ObjectTest, ManyChildrenMovedAtOnceTakeTheStableOrder) {
  auto* parent = CreateSceneObject<THoldingBox>(Scene());
  parent->SetName("parent");
  parent->SetParent(Scene().ActiveLayer());
  std::mt19937 random(38);
  std::vector<TTestBox*> boxes;
  for (int i = 0; i < 60; ++i) {
    // Internal names, namesakes and few priorities: every rule of the order comes to use.
    const std::string name = i % 7 == 0 ? "\x01p" + std::to_string(i % 3) : i % 5 == 0 ? "twin" : "b" + std::to_string(i);
    TTestBox* box = CreateSceneObject<TTestBox>(Scene());
    box->AssignName(name);
    box->SetParent(parent);
    box->SetPriority(int32_t(random() % 5));
    boxes.push_back(box);
  }
  parent->Hold = true;
  for (TTestBox* box : boxes)
    if (random() % 3 != 0) box->SetPriorityOffset(int32_t(random() % 7) - 3);
  std::vector<TOrvaControl*> expected = parent->Children();
  ASSERT_FALSE(std::is_sorted(expected.begin(), expected.end(), [](TOrvaControl* a, TOrvaControl* b) {
    return TOrvaControl::ComparePriority(a, b) < 0;
  }));
  std::stable_sort(expected.begin(), expected.end(),
                   [](TOrvaControl* a, TOrvaControl* b) { return TOrvaControl::ComparePriority(a, b) < 0; });
  parent->Hold = false;
  parent->SortChildren();
  EXPECT_EQ(parent->Children(), expected);
}

TEST_F(ObjectTest, SettingPriorityToItsValueKeepsTheOffset) {
  TTestBox* box = Box("b", {0, 0, 1, 1});
  box->SetPriority(10);
  box->SetPriorityOffset(5);
  box->SetPriority(10);
  EXPECT_EQ(box->GetPriorityOffset(), 5);
  EXPECT_EQ(box->GetPriority(), 10);
  box->SetPriority(11);
  EXPECT_EQ(box->GetPriorityOffset(), 0);
}

TEST_F(ObjectTest, ScheduledObjectsRunUntilTheEndOfThePassAndAreQueuedOnce) {
  TTestComponent* a = Component("a");
  TTestComponent* b = Component("b");
  a->ScheduleFree();
  a->ScheduleFree();
  EXPECT_EQ(a->GetName(), "");
  Scene().Idle();
  // Queued objects get no Idle of their own, and are gone after the pass.
  EXPECT_EQ(Log(), (std::vector<std::string>{"b:idle"}));
  EXPECT_EQ(Scene().GetItemCount(), 1);
  EXPECT_EQ(Scene().GetItem(0), b);
}

TEST_F(ObjectTest, WeakHandlesResolveToNoneOnceTheObjectIsGone) {
  TTestComponent* a = Component("a");
  const TObjectHandle handle = a->Handle();
  TWeakRef<TTestComponent> ref(a);
  EXPECT_EQ(ref.Get(), a);
  EXPECT_TRUE(Scene().HasObject(handle));
  a->FreeNow();
  EXPECT_EQ(ResolveHandle(handle), nullptr);
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_FALSE(Scene().HasObject(handle));
  // A new object may reuse the slot; the old handle still names nothing.
  TTestComponent* b = Component("b");
  EXPECT_EQ(ResolveHandle(handle), nullptr);
  EXPECT_EQ(ResolveHandle(b->Handle()), b);
}

TEST_F(ObjectTest, ObjectFormReadsFieldsByVersion) {
  TTestComponent* saved = Component("named");
  saved->SetPriority(7);
  saved->SetPriorityOffset(3);
  saved->SetTag("tagged");
  TMemoryStream m;
  saved->TOrvaObject::SaveToStream(m);
  struct Case {
    int version;
    int32_t offset;
    std::string tag;
  };
  for (const Case& c : {Case{103, 0, ""}, Case{104, 3, ""}, Case{119, 3, ""}, Case{120, 3, "tagged"}}) {
    m.SetPosition(0);
    TTestComponent* loaded = CreateSceneObject<TTestComponent>(Scene());
    loaded->TOrvaObject::LoadFromStream(m, c.version);
    EXPECT_EQ(loaded->GetName(), "named");
    EXPECT_EQ(loaded->GetPriority(), 7);
    EXPECT_EQ(loaded->GetPriorityOffset(), c.offset) << c.version;
    EXPECT_EQ(loaded->GetTag(), c.tag) << c.version;
  }
}

}  // namespace
}  // namespace orva

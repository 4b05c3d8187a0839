// Objects made and freed by the thousand: the z-order, the object list, name lookups, auto
// names, waiting events and the saved scene stay what a plain model of the rules gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/stream.h"
#include "scene/base_list.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::SceneFixture;
using scene_test::TTestBox;
using scene_test::TTestComponent;

using BulkObjectsTest = SceneFixture;

bool Below(TOrvaControl* a, TOrvaControl* b) { return TOrvaControl::ComparePriority(a, b) < 0; }

TEST_F(BulkObjectsTest, ChildrenKeepTheStableOrderThroughAddsRenamesPrioritiesAndFrees) {
  // The model: a sort is the stable sort of the list as it stands; a rename alone moves
  // nothing, so a renamed child stays out of place until the next sort.
  TOrvaControl& parent = Layer(0);
  std::vector<TOrvaControl*> model;
  std::mt19937 random(38);
  auto sort = [&] { std::stable_sort(model.begin(), model.end(), Below); };
  // Few names and priorities, internal names among them: ties and every band come to use.
  auto name = [&] {
    const unsigned r = random() % 40;
    return r < 3 ? "\x01i" + std::to_string(r) : r < 8 ? std::string("twin") : "b" + std::to_string(random() % 500);
  };
  for (int step = 0; step < 3000; ++step) {
    bool sortAfter = false;
    const unsigned op = model.empty() ? 0 : random() % 10;
    TOrvaControl* some = model.empty() ? nullptr : model[random() % model.size()];
    if (op < 4) {
      TTestBox* box = CreateSceneObject<TTestBox>(Scene());
      if (random() % 2) box->AssignName(name());
      box->SetParent(&parent);
      model.push_back(box);
      sort();
    } else if (op < 6) {
      some->AssignName(name());
    } else if (op == 6) {
      // An unchanged value sorts nothing.
      const int32_t priority = int32_t(random() % 3);
      if (priority != some->GetPriority()) sortAfter = true;
      some->SetPriority(priority);
    } else if (op == 7) {
      const int32_t offset = int32_t(random() % 3) - 1;
      if (offset != some->GetPriorityOffset()) sortAfter = true;
      some->SetPriorityOffset(offset);
    } else if (op == 8) {
      some->FreeNow();
      std::erase(model, some);
    } else {
      parent.SortChildren();
      sort();
    }
    if (sortAfter) sort();
    ASSERT_EQ(parent.Children(), model) << "step " << step << " op " << op;
  }
}

// An object of the bulk scene as the test makes it.
struct TMade {
  bool Control;
  std::string Name;  // empty: auto-named
  int Parent;        // index of the parent among the made objects; -1: the shown layer
  int32_t Priority;
  std::string Event;  // the handler of a waiting event, if any
};

TEST_F(BulkObjectsTest, ManyFreedInOnePassLeaveWhatTheSurvivorsAloneMake) {
  // 3,000 objects: boxes (a few hundred inside a panel), components, namesakes and auto
  // names, a third with a waiting event.
  std::vector<TMade> made;
  for (int i = 0; i < 3000; ++i) {
    const bool control = i % 4 != 3;
    made.push_back({control, i % 10 == 5 ? "" : i % 97 == 0 ? "twin" : "n" + std::to_string(i),
                    control && i > 100 && i % 5 == 1 ? 100 : -1, int32_t(i % 3),
                    i % 3 == 2 ? "h" + std::to_string(i) : ""});
  }
  made[100] = {true, "panel", -1, 0, ""};
  // Freed: a range, every seventh, and the panel with its children.
  std::vector<bool> freed(made.size());
  for (size_t i = 0; i < made.size(); ++i)
    freed[i] = (i >= 1200 && i < 1800) || i % 7 == 0 || made[i].Parent == 100 || i == 100;

  std::vector<std::string> names(made.size());
  auto build = [&](bool survivorsOnly) {
    std::vector<TOrvaObject*> objects(made.size(), nullptr);
    for (size_t i = 0; i < made.size(); ++i) {
      const TMade& m = made[i];
      if (survivorsOnly && freed[i]) continue;
      TOrvaObject* o = m.Control ? static_cast<TOrvaObject*>(CreateSceneObject<TTestBox>(Scene()))
                                 : CreateSceneObject<TTestComponent>(Scene());
      if (survivorsOnly)
        o->AssignName(names[i]);
      else if (!m.Name.empty())
        o->AssignName(m.Name);
      if (m.Control) o->SetParent(m.Parent < 0 ? Scene().ActiveLayer() : objects[size_t(m.Parent)]->AsControl());
      o->SetPriority(m.Priority);
      if (!m.Event.empty()) o->QueueEvent(PR_ONLBTNDOWN, m.Event);
      objects[i] = o;
    }
    return objects;
  };
  auto save = [&] {
    TMemoryStream stream;
    Scene().SaveToStream(stream);
    return std::string(stream.View());
  };

  std::vector<TOrvaObject*> objects = build(false);
  int autoNumber = 0;
  for (size_t i = 0; i < made.size(); ++i) {
    names[i] = objects[i]->GetName();
    if (made[i].Name.empty()) ASSERT_EQ(names[i], "object" + std::to_string(autoNumber++));
  }
  // Scheduled in a shuffled order, freed together at the end of the pass.
  std::vector<size_t> order(made.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(38));
  for (size_t i : order)
    if (freed[i] && made[i].Parent != 100) objects[i]->ScheduleFree();
  Scene().Idle();

  std::vector<std::string> survivors, events;
  std::vector<TOrvaObject*> live;
  for (size_t i = 0; i < made.size(); ++i) {
    if (freed[i]) continue;
    survivors.push_back(names[i]);
    live.push_back(objects[i]);
    if (!made[i].Event.empty()) events.push_back(made[i].Event);
  }
  EXPECT_EQ(ObjectNames(), survivors);
  for (size_t j = 0; j < live.size(); ++j) ASSERT_EQ(Scene().IndexOfObject(live[j]), int(j)) << survivors[j];
  std::vector<std::string> queued;
  for (int i = 0; i < Scene().Events().Count(); ++i) queued.push_back(Scene().Events().GetEvent(i)->Handler);
  EXPECT_EQ(queued, events);
  // Lookups find the first survivor of a name; the names of the freed alone find nothing.
  for (size_t i = 0; i < made.size(); ++i) {
    const auto first = std::find(survivors.begin(), survivors.end(), names[i]);
    TOrvaObject* expected = first == survivors.end() ? nullptr : live[size_t(first - survivors.begin())];
    ASSERT_EQ(Scene().FindObject(names[i]), expected) << names[i];
  }
  // The lowest auto number no survivor holds comes next.
  int next = 0;
  while (std::find(survivors.begin(), survivors.end(), "object" + std::to_string(next)) != survivors.end()) ++next;
  EXPECT_EQ(Scene().MakeUniqueName("object"), "object" + std::to_string(next));

  // The scene saves as one made of the survivors alone.
  const std::string churned = save();
  Scene().Clear();
  build(true);
  Scene().Idle();
  EXPECT_TRUE(save() == churned);
}

TEST_F(BulkObjectsTest, NamesakeControlsInALoopTakeTheFirstFreeSuffix) {
  // Each new "b" renames the previous holder to the first free "b_n" (n from 2), also after
  // frees and renames have opened gaps; the model scans every name.
  std::vector<TOrvaObject*> boxes;
  auto expectedSuffix = [&] {
    std::set<std::string> taken;
    for (int i = 0; i < Scene().GetItemCount(); ++i) taken.insert(Scene().GetItem(i)->GetName());
    for (int n = 2;; ++n)
      if (!taken.contains("b_" + std::to_string(n))) return "b_" + std::to_string(n);
  };
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 400; ++i) {
      TOrvaObject* holder = Scene().FindObject("b");
      const std::string renamed = holder ? expectedSuffix() : "";
      boxes.push_back(Box("b", {0, 0, 1, 1}));
      if (holder) ASSERT_EQ(holder->GetName(), renamed) << round << " " << i;
    }
    // Gaps: every fifth freed, and a few renamed away and back.
    for (size_t i = size_t(round); i < boxes.size(); i += 5) {
      if (!boxes[i]) continue;
      boxes[i]->ScheduleFree();
      boxes[i] = nullptr;
    }
    Scene().Idle();
    for (TOrvaObject* box : boxes)
      if (box && box->GetName() == "b_" + std::to_string(7 + round)) box->AssignName("elsewhere");
  }
  EXPECT_EQ(Scene().FindObject("b"), boxes.back());
}

}  // namespace
}  // namespace orva

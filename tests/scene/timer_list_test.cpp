// The event queue: waiting and running events, removal by level, sender and dispatch, copies
// of the arguments, and the stored form by version.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "scene/base_list.h"
#include "kit/scene_builder.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using scene_test::SceneFixture;
using kit::SceneBuilder;
using kit::EventRecord;
using scene_test::TTestBox;

using TimerListTest = SceneFixture;

std::vector<std::string> Handlers(const TTimerList& q) {
  std::vector<std::string> out;
  for (int i = 0; i < q.Count(); ++i) out.push_back(q.GetEvent(i)->Handler);
  return out;
}

TEST_F(TimerListTest, PendingAndRunningEventsAndTheirRemoval) {
  TTimerList& q = Scene().Events();
  TTestBox* a = Box("a", {0, 0, 1, 1});
  TTestBox* b = Box("b", {0, 0, 1, 1});
  q.AddEvent(a, "1", PR_ONLBTNDOWN);
  q.AddEvent(b, "2", PR_ONLBTNDOWN);
  q.AddEvent(a, "3", PR_ONNOTIFY);
  q.AddEvent(a, "4", PR_ONLBTNDOWN);
  EXPECT_EQ(q.IndexOfEvent(a, PR_ONLBTNDOWN), 0);
  EXPECT_EQ(q.IndexOfEvent(b, PR_ONNOTIFY), -1);
  EXPECT_TRUE(q.HasEvent(a, PR_ONNOTIFY));
  EXPECT_FALSE(q.HasEvent(b, PR_ONNOTIFY));

  // The call manager takes the first waiting event and marks it with its level.
  q.FirstPending()->Level = 1;
  EXPECT_EQ(q.FirstPending()->Handler, "2");
  q.FirstPending()->Level = 2;
  EXPECT_EQ(q.FirstPending()->Handler, "3");
  // A running event still counts for duplicate suppression.
  EXPECT_EQ(q.IndexOfEvent(a, PR_ONLBTNDOWN), 0);

  // Destroying a sender drops its waiting events; running ones stay.
  q.RemoveObject(a);
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(q.HasEvent(a, PR_ONLBTNDOWN));
  EXPECT_FALSE(q.HasEvent(a, PR_ONNOTIFY));
  q.RemoveLevel(2);
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"1"}));
  q.AddEvent(b, "5", PR_ONIDLE);
  q.RemoveDispatched();
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"5"}));
  EXPECT_FALSE(q.HasEvent(a, PR_ONLBTNDOWN));
}

// One event leaves (a handler page that cannot be loaded): the others keep their order and
// their counts, also those of the same sender and kind.
TEST_F(TimerListTest, OneEventIsRemovedAndTheCountsFollow) {
  TTimerList& q = Scene().Events();
  TTestBox* a = Box("a", {0, 0, 1, 1});
  TTestBox* b = Box("b", {0, 0, 1, 1});
  TTimerData* first = q.AddEvent(a, "1", PR_ONNOTIFY);
  q.AddEvent(b, "2", PR_ONNOTIFY);
  TTimerData* third = q.AddEvent(a, "3", PR_ONNOTIFY);
  q.RemoveEvent(first);
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"2", "3"}));
  EXPECT_TRUE(q.HasEvent(a, PR_ONNOTIFY));
  EXPECT_EQ(q.IndexOfEvent(a, PR_ONNOTIFY), 1);
  q.RemoveEvent(third);
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"2"}));
  EXPECT_FALSE(q.HasEvent(a, PR_ONNOTIFY));
  // An event of another queue is not this queue's to remove.
  TTimerList other(&Scene());
  q.RemoveEvent(other.AddEvent(b, "elsewhere", PR_ONNOTIFY));
  EXPECT_EQ(Handlers(q), (std::vector<std::string>{"2"}));
  EXPECT_TRUE(q.HasEvent(b, PR_ONNOTIFY));
  q.AddEvent(a, "4", PR_ONNOTIFY);
  EXPECT_EQ(q.IndexOfEvent(a, PR_ONNOTIFY), 1);
}

TEST_F(TimerListTest, AnEventKeepsItsOwnCopyOfTheArguments) {
  TTestBox* a = Box("a", {0, 0, 1, 1});
  auto args = std::make_unique<TArrayString>();
  args->Add("10");
  args->Add("20");
  TTimerData* e = Scene().Events().AddEvent(a, "h", PR_ONLBTNDOWN, args.get());
  (*args)[0] = "changed";
  args.reset();
  ASSERT_EQ(e->Args.Count(), 2);
  EXPECT_EQ(e->Args[0], "10");
  EXPECT_EQ(e->Args[1], "20");
}

TEST_F(TimerListTest, ASenderDestroyedWhileItsHandlerRunsIsGoneFromTheEvent) {
  TTestBox* a = Box("a", {0, 0, 1, 1});
  TTimerData* e = Scene().Events().AddEvent(a, "h", PR_ONLBTNDOWN);
  e->Level = 1;
  a->FreeNow();
  ASSERT_EQ(Scene().Events().Count(), 1);
  EXPECT_EQ(EventSender(*Scene().Events().GetEvent(0)), nullptr);
  // A new object in the freed slot is not mistaken for the sender.
  TTestBox* b = Box("b", {0, 0, 1, 1});
  EXPECT_FALSE(Scene().Events().HasEvent(b, PR_ONLBTNDOWN));
}

TEST_F(TimerListTest, SaveAndLoadKeepOrderKindsArgumentsAndLevels) {
  TTimerList& q = Scene().Events();
  TTestBox* a = Box("btn", {0, 0, 1, 1});
  TArrayString args;
  args.Add("3");
  args.Add("4");
  q.AddEvent(a, "click.osb:down", PR_ONLBTNDOWN, &args);
  q.AddEvent(Scene().ActiveLayer(), "layer.osb", PR_ONWHEELUP);  // a layer: saved without sender
  TTimerData* running = q.AddEvent(a, "idle.osb", PR_ONIDLE);
  running->Level = 2;
  TTestBox* gone = Box("gone", {0, 0, 1, 1});
  q.AddEvent(gone, "x", PR_ONNOTIFY)->Level = 1;
  gone->FreeNow();

  TMemoryStream m;
  q.SaveToStream(m);
  m.SetPosition(0);
  TTimerList loaded(&Scene());
  loaded.LoadFromStream(m, GameSaveVersion);
  EXPECT_EQ(m.Remaining(), 0);
  ASSERT_EQ(loaded.Count(), 4);
  EXPECT_EQ(EventSender(*loaded.GetEvent(0)), a);
  EXPECT_EQ(loaded.GetEvent(0)->Kind, PR_ONLBTNDOWN);
  EXPECT_EQ(loaded.GetEvent(0)->Args.Items(), (std::vector<std::string>{"3", "4"}));
  EXPECT_EQ(EventSender(*loaded.GetEvent(1)), nullptr);
  EXPECT_EQ(loaded.GetEvent(1)->Handler, "layer.osb");
  EXPECT_EQ(loaded.GetEvent(2)->Level, 2);
  EXPECT_EQ(EventSender(*loaded.GetEvent(3)), nullptr);
  EXPECT_EQ(loaded.GetEvent(3)->Level, 1);
  EXPECT_TRUE(loaded.HasEvent(a, PR_ONIDLE));
}

TEST_F(TimerListTest, BeforeVersion114TheLevelIsOneByteAndAnyNonZeroIsOne) {
  TTestBox* a = Box("btn", {0, 0, 1, 1});
  SceneBuilder b(113);
  b.Events({EventRecord{"a", "btn", PR_ONLBTNDOWN, 0, {"1", "2"}}, EventRecord{"b", "", PR_ONIDLE, 2, {}},
            EventRecord{"c", "nobody", 33, 255, {}}});
  TTimerList q(&Scene());
  q.LoadFromStream(b.Done(), 113);
  ASSERT_EQ(q.Count(), 3);
  EXPECT_EQ(EventSender(*q.GetEvent(0)), a);
  EXPECT_EQ(q.GetEvent(0)->Level, 0);
  EXPECT_EQ(q.GetEvent(1)->Level, 1);
  EXPECT_EQ(q.GetEvent(2)->Level, 1);
  EXPECT_EQ(EventSender(*q.GetEvent(2)), nullptr);
}

TEST_F(TimerListTest, ACountBeyondTheDataFailsTheLoad) {
  TMemoryStream m;
  WriteStreamInt(m, 1000);
  WriteStreamInt(m, 0);
  m.SetPosition(0);
  TTimerList q(&Scene());
  EXPECT_THROW(q.LoadFromStream(m, GameSaveVersion), EReadError);
}

}  // namespace
}  // namespace orva

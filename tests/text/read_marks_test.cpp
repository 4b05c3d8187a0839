// The read marks: page names in any case, box names exact, the pending mark committed only
// for the page it was armed for, and the status record by version.
#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/stream.h"
#include "text/read_marks.h"

namespace orva {
namespace {

TEST(ReadMarks, APendingMarkIsCommittedForItsBoxAndPageOnly) {
  TOrvaReadList marks;
  const TReadPlace page{"Start.osb", 4, 1};
  marks.SetPending("box", "start.OSB", 1, 4);
  // Another box's commit leaves the mark alone; box names are compared exactly.
  marks.Commit("Box", &page);
  EXPECT_TRUE(marks.HasPending());
  EXPECT_FALSE(marks.IsRead(page));
  // The box moved on to another page (or to plain text): the mark is dropped unmarked.
  const TReadPlace other{"start.osb", 4, 2};
  marks.Commit("box", &other);
  EXPECT_FALSE(marks.HasPending());
  EXPECT_FALSE(marks.IsRead(page));
  marks.SetPending("box", "start.OSB", 1, 4);
  marks.Commit("box", nullptr);
  EXPECT_FALSE(marks.IsRead(page));
  // Its own page: marked, under one item whatever the case of the name.
  marks.SetPending("box", "start.OSB", 1, 4);
  marks.Commit("box", &page);
  EXPECT_TRUE(marks.IsRead("START.osb", 4, 1));
  marks.SetPending("box", "START.OSB", 1, 4);
  marks.Commit("box", &page);
  EXPECT_EQ(marks.Count(), 1);
  EXPECT_EQ(marks.Find("start.osb")->Count(), 1);
  marks.Clear();
  EXPECT_EQ(marks.Count(), 0);
}

TEST(ReadMarks, TheStatusRecordRoundTripsAndOlderVersionsHaveNone) {
  TOrvaReadList marks;
  for (auto [page, command, index] : {std::tuple{"a.osb", 3, 0}, {"a.osb", 3, 1}, {"b.osb", 0, 0}}) {
    marks.SetPending("m", page, index, command);
    const TReadPlace place{page, command, index};
    marks.Commit("m", &place);
  }
  marks.SetPending("m", "b.osb", 5, 2);
  TMemoryStream bytes;
  marks.SaveToStream(bytes);
  // Item count, "a.osb" with two pairs (commands, then pages), "b.osb", the pending mark.
  const int64_t expected = 4 + (4 + 5 + 4 + 8 + 8) + (4 + 5 + 4 + 4 + 4) + (4 + 5 + 4 + 4 + 4 + 1);
  EXPECT_EQ(bytes.GetSize(), expected);

  TOrvaReadList loaded;
  bytes.SetPosition(0);
  loaded.LoadFromStream(bytes, 103);
  EXPECT_TRUE(loaded.IsRead("A.OSB", 3, 1));
  EXPECT_TRUE(loaded.IsRead("b.osb", 0, 0));
  EXPECT_FALSE(loaded.IsRead("b.osb", 2, 5));
  const TReadPlace pending{"b.osb", 2, 5};
  loaded.Commit("m", &pending);
  EXPECT_TRUE(loaded.IsRead(pending));

  bytes.SetPosition(0);
  loaded.LoadFromStream(bytes, 99);
  EXPECT_EQ(loaded.Count(), 0);
  EXPECT_FALSE(loaded.HasPending());
}

TEST(ReadMarks, CountsBeyondTheBytesLeftFailTheLoadAndLeaveNoMarks) {
  for (int32_t count : {1000, -1}) {
    TMemoryStream bytes;
    WriteStreamInt(bytes, 1);
    WriteStreamString(bytes, "a.osb");
    WriteStreamInt(bytes, count);
    WriteStreamInt(bytes, 0);
    bytes.SetPosition(0);
    TOrvaReadList marks;
    marks.SetPending("m", "x", 0, 0);
    EXPECT_THROW(marks.LoadFromStream(bytes, 103), EReadError) << count;
    EXPECT_EQ(marks.Count(), 0);
  }
}

}  // namespace
}  // namespace orva

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/hash_collection.h"
#include "core/lists.h"

using namespace orva;

TEST(HashName, Buckets) {
  struct Case {
    std::string name;
    int bucket;
  } cases[] = {
      {"", 0}, {"a", 16}, {"Z", 16}, {"\x81", 16}, {"ab", 226}, {"AB", 226}, {"Ab", 226},
      {"abc", (48 + 'a' + 'b') % 256},
  };
  for (const Case& c : cases) EXPECT_EQ(HashName(c.name), c.bucket) << c.name;
  EXPECT_EQ(HashName("\x82\x60x"), HashName("\x82\x81x"));  // Ａ and ａ share a bucket
}

TEST(HashCollection, NewestOfEqualNamesWins) {
  THashCollection c;
  c.AddNamed("a");
  c.AddNamed("A");
  EXPECT_EQ(c.IndexOf("a"), 1);
  EXPECT_EQ(c.IndexOf("missing"), -1);
  EXPECT_EQ(c.Find("A"), &c.Item(1));
}

TEST(HashCollection, LookupNeverFoldsATrailByte) {
  THashCollection c;
  c.AddNamed("\x83\x41");  // ア, whose trail byte is 'A'
  EXPECT_EQ(c.IndexOf("\x83\x41"), 0);
  EXPECT_EQ(c.IndexOf("\x83\x61"), -1);  // ャ is another character
  c.AddNamed("\x82\x60");  // Ａ
  EXPECT_EQ(c.IndexOf("\x82\x81"), 1);   // ａ
}

TEST(HashCollection, RenameRelinksAtTheHeadOfTheChain) {
  THashCollection c;
  THashCollectionItem& first = c.AddNamed("abc");
  c.AddNamed("ABC");
  EXPECT_EQ(c.IndexOf("abc"), 1);
  first.SetName("abc");  // same bytes: nothing changes
  EXPECT_EQ(c.IndexOf("abc"), 1);
  first.SetName("ABC");  // same bucket, now the newest link
  EXPECT_EQ(c.IndexOf("abc"), 0);
  first.SetName("other");
  EXPECT_EQ(c.IndexOf("abc"), 1);
  EXPECT_EQ(c.IndexOf("OTHER"), 0);
}

TEST(HashCollection, ChangesCountEveryRelink) {
  THashCollection c;
  const uint64_t start = c.Changes();
  THashCollectionItem& a = c.AddNamed("a");
  const uint64_t added = c.Changes();
  EXPECT_GT(added, start);
  a.SetName("a");  // same bytes: no relink
  EXPECT_EQ(c.Changes(), added);
  a.SetName("b");
  EXPECT_GT(c.Changes(), added);
  const uint64_t renamed = c.Changes();
  c.AddNamed("c");
  c.Delete(1);
  EXPECT_GT(c.Changes(), renamed);
  // The chain that holds a name, newest first.
  c.AddNamed("B");
  EXPECT_EQ(c.ChainHead("b"), &c.Item(1));
  EXPECT_EQ(c.ChainHead("b")->NextInChain(), &c.Item(0));
  EXPECT_EQ(c.Item(0).NextInChain(), nullptr);
}

TEST(HashCollection, DeleteRenumbers) {
  THashCollection c;
  c.AddNamed("x");
  c.AddNamed("y");
  c.AddNamed("z");
  c.Delete(0);
  ASSERT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(0).GetIndex(), 0);
  EXPECT_EQ(c.Item(1).GetIndex(), 1);
  EXPECT_EQ(c.IndexOf("y"), 0);
  EXPECT_EQ(c.IndexOf("z"), 1);
  EXPECT_EQ(c.IndexOf("x"), -1);
  EXPECT_THROW(c.Item(2), EListError);
  c.Clear();
  EXPECT_EQ(c.IndexOf("y"), -1);
}

namespace {
struct Named : THashCollectionItem {
  int value = 0;
};
}  // namespace

TEST(HashCollection, TypedItems) {
  THashCollectionOf<Named> c;
  c.AddNamed("v").value = 5;
  ASSERT_NE(c.Find("V"), nullptr);
  EXPECT_EQ(c.Find("V")->value, 5);
  EXPECT_EQ(c.Item(0).DisplayName(), "v");
}

TEST(TabStrings, SplitsFields) {
  struct Case {
    std::string line;
    std::vector<std::string> fields;
  } cases[] = {
      {"a\t\tb", {"a", "", "b"}},
      {"a\t", {"a"}},
      {"\t", {""}},
      {"", {}},
      {"\x81\tx\ty", {"\x81\tx", "y"}},  // the byte after a lead byte is never the delimiter
      {"x\t\x81", {"x", "\x81"}},
  };
  for (const Case& c : cases) {
    TTabStrings t;
    t.SetLine(c.line);
    ASSERT_EQ(t.Count(), static_cast<int>(c.fields.size())) << c.line;
    for (int i = 0; i < t.Count(); ++i) EXPECT_EQ(t.GetField(i), c.fields[i]);
    EXPECT_EQ(t.GetField(t.Count()), "");
  }
}

TEST(IntLists, SetItemGrowsAndGetItemChecks) {
  TIntList l;
  l.SetItem(5, 7);
  EXPECT_EQ(l.Values(), (std::vector<int32_t>{0, 0, 0, 0, 0, 7}));
  EXPECT_EQ(l.Add(9), 6);
  EXPECT_THROW(l.GetItem(7), EListError);
  EXPECT_THROW(l.GetItem(-1), EListError);

  TIntArray a;
  a.Add(3);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_EQ(a.GetItem(0), 3);
  EXPECT_THROW(a.GetItem(1), EListError);
}

TEST(ObjList, OwnsAndFreesInListOrder) {
  std::vector<int> freed;
  struct Probe {
    Probe(std::vector<int>* log, int id) : log(log), id(id) {}
    ~Probe() { log->push_back(id); }
    std::vector<int>* log;
    int id;
  };
  {
    TObjList<Probe> list;
    for (int i = 0; i < 3; ++i) list.Add(std::make_unique<Probe>(&freed, i));
    list.Delete(1);
    EXPECT_EQ(freed, std::vector<int>{1});
    EXPECT_EQ(list[1]->id, 2);
  }
  EXPECT_EQ(freed, (std::vector<int>{1, 0, 2}));
}

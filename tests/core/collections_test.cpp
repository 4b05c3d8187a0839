#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/exceptions.h"
#include "core/hash_collection.h"
#include "core/lists.h"
#include "core/sjis.h"

using namespace orva;

namespace {

// Names that share old buckets, names equal but for case (ASCII and full-width), a trail
// byte that looks like a capital, and the empty name.
const std::vector<std::string>& ChurnNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"ab", "AB", "aB", "", "x", "X", "flag", "FLAG",
                                  "\x83\x41", "\x83\x61", "\x82\x60x", "\x82\x81x", "\x82\x81X", "a\x83\x41z", "A\x83\x41Z",
                                  // a lead byte that ends one eight-byte word, its trail byte the next
                                  "abcdefg\x83\x41", "ABCDEFG\x83\x61", "abcdefg\x83\x61",
                                  // two words; bytes beside A..Z that differ from others by 0x20
                                  "LongerName_12", "longername_12", "longerName_13", "x@[", "X`{", "x`{"};
    for (int i = 0; i < 40; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, i % 3 ? "flag%04d" : "FLAG%04d", i % 20);
      n.push_back(name);
    }
    return n;
  }();
  return names;
}

}  // namespace

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

// The quick comparison of every lookup agrees with the locale's, and hashes what it calls
// equal alike.
TEST(HashCollection, NameComparisonAndHashAgreeWithTheLocale) {
  const auto& names = ChurnNames();
  for (const std::string& a : names)
    for (const std::string& b : names) {
      ASSERT_EQ(SameItemName(a, b), AnsiSameText(a, b)) << a << " / " << b;
      if (AnsiSameText(a, b)) {
        ASSERT_EQ(FoldedNameHash(a), FoldedNameHash(b)) << a << " / " << b;
      }
    }
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

// The lookup rules of 256 bucket chains keyed by HashName, newest link first: what every
// name lookup has always answered, kept here as the reference for the indexed collection.
class ChainReference {
 public:
  void Add(std::string name) {
    names_.push_back(std::move(name));
    ids_.push_back(nextId_);
    Link(nextId_++);
  }
  void Rename(int index, std::string name) {
    if (names_[static_cast<size_t>(index)] == name) return;
    Unlink(ids_[static_cast<size_t>(index)]);
    names_[static_cast<size_t>(index)] = std::move(name);
    Link(ids_[static_cast<size_t>(index)]);
  }
  void Delete(int index) {
    Unlink(ids_[static_cast<size_t>(index)]);
    names_.erase(names_.begin() + index);
    ids_.erase(ids_.begin() + index);
  }
  // Positions of the items the chain of `name` holds under an equal name, newest first.
  std::vector<int> EqualNames(std::string_view name) const {
    std::vector<int> found;
    for (int id : chains_[static_cast<size_t>(HashName(name))]) {
      const int index = PositionOf(id);
      if (AnsiSameText(names_[static_cast<size_t>(index)], name)) found.push_back(index);
    }
    return found;
  }
  int IndexOf(std::string_view name) const {
    std::vector<int> found = EqualNames(name);
    return found.empty() ? -1 : found.front();
  }
  int Count() const { return static_cast<int>(names_.size()); }
  const std::string& Name(int index) const { return names_[static_cast<size_t>(index)]; }

 private:
  int PositionOf(int id) const {
    return static_cast<int>(std::find(ids_.begin(), ids_.end(), id) - ids_.begin());
  }
  void Link(int id) {
    auto& chain = chains_[static_cast<size_t>(HashName(names_[static_cast<size_t>(PositionOf(id))]))];
    chain.insert(chain.begin(), id);
    bucketOf_[id] = HashName(names_[static_cast<size_t>(PositionOf(id))]);
  }
  void Unlink(int id) {
    auto& chain = chains_[static_cast<size_t>(bucketOf_[id])];
    chain.erase(std::find(chain.begin(), chain.end(), id));
  }
  std::vector<std::string> names_;
  std::vector<int> ids_;
  std::map<int, int> bucketOf_;
  std::array<std::vector<int>, 256> chains_;
  int nextId_ = 0;
};

void ExpectSameLookups(const THashCollection& c, const ChainReference& ref, const std::string& step) {
  ASSERT_EQ(c.Count(), ref.Count()) << step;
  for (int i = 0; i < c.Count(); ++i) {
    ASSERT_EQ(c.Item(i).GetIndex(), i) << step;
    ASSERT_EQ(c.Item(i).GetName(), ref.Name(i)) << step;
    ASSERT_EQ(c.Item(i).GetBucket(), HashName(ref.Name(i))) << step;
  }
  for (const std::string& name : ChurnNames()) {
    ASSERT_EQ(c.IndexOf(name), ref.IndexOf(name)) << step << " looking up " << name;
    // The chain walk meets the equal names in the old order, newest first.
    std::vector<int> walked;
    for (const THashCollectionItem* p = c.ChainHead(name); p; p = p->NextInChain())
      if (AnsiSameText(p->GetName(), name)) walked.push_back(p->GetIndex());
    ASSERT_EQ(walked, ref.EqualNames(name)) << step << " walking " << name;
  }
}

TEST(HashCollection, LookupsFollowTheChainRulesThroughChurn) {
  struct Step {
    char op;  // a: add name; r: rename item; d: delete item
    int index;
    std::string name;
  } steps[] = {
      {'a', 0, "ab"},        {'a', 0, "AB"},       {'a', 0, "aB"},   {'r', 0, "Ab"},  // rename to an equal name
      {'r', 1, "AB"},        {'d', 2, ""},         {'a', 0, ""},     {'r', 2, "x"},
      {'a', 0, "flag0001"},  {'a', 0, "FLAG0001"}, {'d', 4, ""},     {'r', 3, "FLAG0001"},
      {'a', 0, "\x83\x41"},  {'a', 0, "\x83\x61"}, {'r', 5, "\x82\x60x"}, {'a', 0, "\x82\x81X"},
      {'d', 0, ""},          {'r', 0, ""},         {'d', 5, ""},     {'a', 0, "a\x83\x41z"},
  };
  THashCollection c;
  ChainReference ref;
  int n = 0;
  for (const Step& s : steps) {
    const std::string step = "step " + std::to_string(n++);
    if (s.op == 'a') {
      c.AddNamed(s.name);
      ref.Add(s.name);
    } else if (s.op == 'r') {
      c.Item(s.index).SetName(s.name);
      ref.Rename(s.index, s.name);
    } else {
      c.Delete(s.index);
      ref.Delete(s.index);
    }
    ExpectSameLookups(c, ref, step);
  }

  // A longer random churn over the same names, growing and shrinking the index.
  std::mt19937 random(29);
  const auto& names = ChurnNames();
  for (int i = 0; i < 3000; ++i) {
    const unsigned roll = random() % 10;
    const std::string& name = names[random() % names.size()];
    if (c.Count() == 0 || roll < 4 || (i < 1500 && roll < 6)) {
      c.AddNamed(name);
      ref.Add(name);
    } else if (roll < 7) {
      const int index = static_cast<int>(random() % static_cast<unsigned>(c.Count()));
      c.Item(index).SetName(name);
      ref.Rename(index, name);
    } else {
      const int index = static_cast<int>(random() % static_cast<unsigned>(c.Count()));
      c.Delete(index);
      ref.Delete(index);
    }
    if (i % 50 == 0) ExpectSameLookups(c, ref, "churn " + std::to_string(i));
  }
  ExpectSameLookups(c, ref, "end");
  c.Clear();
  EXPECT_EQ(c.IndexOf("ab"), -1);
  EXPECT_EQ(c.ChainHead(""), nullptr);
}

// Thousands of one pattern, then every other one deleted: the index grows, and its holes
// never cut a probe short.
TEST(HashCollection, ManyNamesOfOnePatternStayFindable) {
  auto name = [](const char* pattern, int i) {
    char text[16];
    std::snprintf(text, sizeof text, pattern, i);
    return std::string(text);
  };
  THashCollection c;
  for (int i = 0; i < 6000; ++i) c.AddNamed(name("flag%04d", i));
  for (int i = 5998; i >= 0; i -= 2) c.Delete(c.IndexOf(name("FLAG%04d", i)));
  ASSERT_EQ(c.Count(), 3000);
  for (int i = 0; i < 6000; ++i) ASSERT_EQ(c.IndexOf(name("Flag%04d", i)), i % 2 ? i / 2 : -1) << i;
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

#include "script/param_collection.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "script/param_system.h"
#include "script/param_var.h"
#include "script/script_error.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

int UserCount(const TParamCollection& store) { return store.Count() - SystemVariableCount; }

}  // namespace

TEST(VariableStore, StartsWithTheSystemVariables) {
  TParamCollection store;
  ASSERT_EQ(store.Count(), 49);
  for (int id = 0; id < 49; ++id) {
    EXPECT_TRUE(store.Item(id).IsSystem());
    EXPECT_EQ(store.Item(id).GetName(), SystemVariableNames[static_cast<size_t>(id)]);
  }
  EXPECT_EQ(store.Find("@result"), &store.Item(0));
  EXPECT_EQ(store.Find("@WHEELUP"), &store.Item(48));
  // Without engine state they read as zeros of their type.
  EXPECT_EQ(store.Find("@TickCount")->GetParamType(), PT_INT);
  EXPECT_EQ(store.Find("@Pi")->GetParamType(), PT_FLOAT);
  EXPECT_EQ(store.Find("@Result")->GetParamType(), PT_NONE);
  EXPECT_EQ(store.Find("@Title")->GetAsString(), "");
}

TEST(VariableStore, SystemVariablesAnswerThroughTheProvider) {
  struct Provider : TSystemVariableProvider {
    TParamInt tick;
    TCustomParam* SystemVariable(uint8_t id) override { return id == svTickCount ? &tick : nullptr; }
  } provider;
  TParamCollection store;
  store.SetSystemVariables(&provider);
  provider.tick.SetAsInteger(1234);
  TParamCollectionItem& tick = *store.Find("@TickCount");
  EXPECT_EQ(tick.GetAsString(), "1234");
  tick.SetAsInteger(5);
  EXPECT_EQ(provider.tick.GetAsInteger(), 5);
  EXPECT_EQ(store.Find("@MouseX")->GetAsInteger(), 0);
}

TEST(VariableStore, NameRule) {
  TParamCollection store;
  TParamCollectionItem& item = Make(store, "ok", PT_INT);
  struct Case {
    const char* name;
    const char* message;
  } bad[] = {
      {"", "\"\"：変数名が不正です"},
      {"a b", "\"a b\"：変数名が不正です"},
      {"1abc", "\"1abc\"：変数名が不正です"},
      {"9", "\"9\"：変数名が不正です"},
  };
  for (const Case& c : bad) {
    EXPECT_EQ(Message([&] { item.SetName(c.name); }), c.message);
    EXPECT_EQ(item.GetName(), "ok");
  }
  for (const std::string& good : std::vector<std::string>{"@x", "_1", "a1", "a+b", Sjis("表示")}) {
    item.SetName(good);
    EXPECT_EQ(store.Find(good), &item);
  }
}

TEST(VariableStore, NamesIgnoreCaseButNeverFoldATrailByte) {
  TParamCollection store;
  TParamCollectionItem& abc = Make(store, "ABC", PT_INT);
  EXPECT_EQ(store.Find("abc"), &abc);
  TParamCollectionItem& a = Make(store, "\x83\x41", PT_INT);  // ア, trail byte 'A'
  EXPECT_EQ(store.Find("\x83\x41"), &a);
  EXPECT_EQ(store.Find("\x83\x61"), nullptr);
}

TEST(VariableStore, LocalsHideGlobalsAtTheirOwnDepthOnly) {
  TParamCollection store;
  TParamCollectionItem& global = Make(store, "x", PT_INT);
  store.SetCallDepth(1);
  EXPECT_EQ(store.FindItem("x", true), nullptr);
  TParamCollectionItem& local = Make(store, "x", PT_INT, vsLocal);
  EXPECT_EQ(store.Find("x"), &local);
  EXPECT_EQ(store.FindItem("x", true), &local);
  EXPECT_EQ(store.FindItem("x", false), &global);
  store.SetCallDepth(2);  // a page called from depth 1 does not see the caller's local
  EXPECT_EQ(store.Find("x"), &global);
  store.SetCallDepth(1);
  EXPECT_EQ(store.Find("X"), &local);
  store.DeleteDepth(1);
  EXPECT_EQ(store.Find("x"), &global);
  EXPECT_EQ(UserCount(store), 1);
}

TEST(VariableStore, AutoDestroyVariablesDieWithTheirDepth) {
  TParamCollection store;
  store.SetCallDepth(2);
  Make(store, "t", PT_STR, vsAutoDestroy);
  Make(store, "g", PT_STR);
  store.SetCallDepth(3);
  EXPECT_NE(store.Find("t"), nullptr);  // visible to pages called from depth 2
  store.DeleteDepth(3);
  EXPECT_NE(store.Find("t"), nullptr);
  store.SetCallDepth(2);
  store.DeleteDepth(2);
  EXPECT_EQ(store.Find("t"), nullptr);
  EXPECT_NE(store.Find("g"), nullptr);
  store.DeleteDepth(-1);  // never frees the system variables
  EXPECT_EQ(store.Count(), 49);
}

TEST(VariableStore, CopyValue) {
  TParamCollection store;
  EXPECT_EQ(store.CopyValue("missing"), nullptr);
  TParamCollectionItem& a = Make(store, "a", PT_FLOAT);
  const int32_t two[] = {2};
  a.Value().SetDims(two);
  a.Value().SetFloatItem(1, 2.5L);
  auto copy = store.CopyValue("A");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Kind(), pkFloat);
  EXPECT_EQ(copy->GetFloatItem(1), 2.5L);
  a.Value().SetFloatItem(1, 0);
  EXPECT_EQ(copy->GetFloatItem(1), 2.5L);
  Make(store, "r", PT_NONE);
  EXPECT_EQ(Message([&] { store.CopyValue("r"); }), "r:不正な変数です");
}

TEST(VariableStore, ElementReferences) {
  TParamCollection store;
  TParamCollectionItem& a = Make(store, "a", PT_INT);
  const int32_t sizes[] = {3, 4};
  a.Value().SetDims(sizes);
  TParamCollectionItem& d = store.AddVariable(PT_NONE);
  auto& ref = static_cast<TParamVar&>(d.Value());
  struct Case {
    std::vector<int32_t> indices;
    int32_t flat;
    const char* message;
  } cases[] = {
      {{1, 2}, 6, nullptr},
      {{0, 5}, 5, nullptr},  // only the flat index is checked
      {{2, 3}, 11, nullptr},
      {{3, 0}, 0, "a[3,0]\r\n要素数を超えています"},
      {{1}, 0, "a[1]\r\n添え字が不正です"},
      {{1, 2, 3}, 0, "a[1,2,3]\r\n添え字が不正です"},
      {{-1, 0}, -4, nullptr},  // stored; fails on access
  };
  for (const Case& c : cases) {
    if (c.message) {
      EXPECT_EQ(Message([&] { d.DimTo("a", c.indices); }), c.message);
      continue;
    }
    d.DimTo("a", c.indices);
    EXPECT_EQ(ref.ElementIndex(), c.flat);
  }
  d.DimTo("a", std::vector<int32_t>{1, 2});
  d.SetAsInteger(42);
  EXPECT_EQ(a.Value().GetIntItem(6), 42);
  EXPECT_EQ(d.GetAsString(), "42");
  EXPECT_EQ(d.GetParamType(), PT_INT);
  EXPECT_EQ(d.Value().GetCount(), 12);
  d.DimTo("a", std::vector<int32_t>{-1, 0});
  EXPECT_EQ(Message([&] { d.GetAsInteger(); }), "配列の添字が不正です");
  EXPECT_EQ(Message([&] { d.DimTo("nothing", std::vector<int32_t>{0}); }), "nothing[0]\r\n添え字が不正です");
}

TEST(VariableStore, ReferenceToAFreedVariableReadsAsUnbound) {
  TParamCollection store;
  TParamCollectionItem& x = Make(store, "x", PT_INT);
  x.SetAsInteger(7);
  TParamCollectionItem& r = Make(store, "r", PT_NONE);
  r.DimTo("x", std::vector<int32_t>{0});
  EXPECT_EQ(r.GetAsInteger(), 7);
  store.DeleteItem(x);
  Make(store, "y", PT_INT);  // may take the freed address
  EXPECT_EQ(static_cast<TParamVar&>(r.Value()).Target(), nullptr);
  EXPECT_EQ(r.GetAsInteger(), 0);
  EXPECT_EQ(r.GetParamType(), PT_NONE);
}

TEST(VariableStore, ReferenceCirclesEndUnbound) {
  TParamCollection store;
  TParamCollectionItem& a = Make(store, "a", PT_NONE);
  TParamCollectionItem& b = Make(store, "b", PT_NONE);
  static_cast<TParamVar&>(a.Value()).Bind(&b);
  static_cast<TParamVar&>(b.Value()).Bind(&a);
  EXPECT_EQ(a.GetAsInteger(), 0);
  EXPECT_EQ(a.Value().GetCount(), 0);
  a.SetAsString("x");  // nowhere to go
}

TEST(VariableStore, ResetGameVars) {
  TParamCollection store;
  Make(store, "g", PT_INT);
  Make(store, "s", PT_INT, vsStatus);
  store.GlobalTextDelay = 10;
  store.GameCursorFile = "c.cur";
  store.HistoryFormat = {1, 2, 3, 4, 5, 6};
  store.SelStr = "sel";
  store.SelIndex = 3;
  store.TempVariableName = "g";
  store.ResetGameVars();
  EXPECT_EQ(store.Find("g"), nullptr);
  EXPECT_NE(store.Find("s"), nullptr);
  EXPECT_EQ(store.Count(), 50);
  EXPECT_EQ(store.GlobalTextDelay, 50);
  EXPECT_EQ(store.GameCursorFile, "");
  EXPECT_EQ(store.HistoryFormat, (std::array<int32_t, 6>{}));
  EXPECT_EQ(store.SelStr, "sel");
  EXPECT_EQ(store.SelIndex, 3);
  EXPECT_EQ(store.TempVariableName, "g");
}

namespace {

void FillGame(TParamCollection& store) {
  Make(store, "i", PT_INT).SetAsInteger(-3);
  Make(store, "f", PT_FLOAT).SetAsFloat(0.1L);
  Make(store, "b", PT_BOOL).SetAsBoolean(true);
  TParamCollectionItem& s = Make(store, "s", PT_STR);
  const int32_t sizes[] = {2, 2};
  s.Value().SetDims(sizes);
  s.Value().SetStrItem(3, Sjis("表"));
  store.SetCallDepth(2);
  Make(store, "loc", PT_INT, vsLocal).SetAsInteger(9);
  Make(store, "auto", PT_INT, vsAutoDestroy);
  Make(store, "st", PT_STR, vsStatus).SetAsString("status");
  store.GlobalTextDelay = 30;
  store.GameCursorFile = "hand.cur";
  store.SelStr = "item";
  store.SelIndex = 4;
  store.HistoryFormat = {16, 1, 2, 400, 300, 4};
  store.TempVariableName = "i";
}

std::string SavedGame(const TParamCollection& store) {
  TMemoryStream m;
  store.SaveGameVars(m);
  return std::string(m.View());
}

}  // namespace

TEST(VariableStore, GameVariablesRoundTrip) {
  TParamCollection store;
  FillGame(store);
  const std::string bytes = SavedGame(store);

  TParamCollection loaded;
  loaded.SetCallDepth(2);
  Make(loaded, "stale", PT_INT);
  Make(loaded, "st", PT_STR, vsStatus).SetAsString("kept");
  TMemoryStream m(bytes);
  loaded.LoadGameVars(m, GameSaveVersion);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(loaded.Find("stale"), nullptr);
  EXPECT_EQ(loaded.Find("st")->GetAsString(), "kept");  // status variables are not game variables
  EXPECT_EQ(loaded.Find("i")->GetAsInteger(), -3);
  EXPECT_EQ(loaded.Find("f")->GetAsFloat(), 0.1L);
  EXPECT_TRUE(loaded.Find("b")->GetAsBoolean());
  EXPECT_EQ(loaded.Find("s")->Value().GetStrItem(3), Sjis("表"));
  EXPECT_TRUE(loaded.Find("loc")->IsLocal());
  EXPECT_EQ(loaded.Find("loc")->OwnerDepth(), 2);
  EXPECT_EQ(loaded.Find("auto")->OwnerDepth(), 2);
  EXPECT_EQ(loaded.GlobalTextDelay, 30);
  EXPECT_EQ(loaded.GameCursorFile, "hand.cur");
  EXPECT_EQ(loaded.SelStr, "item");
  EXPECT_EQ(loaded.SelIndex, 4);
  EXPECT_EQ(loaded.HistoryFormat, (std::array<int32_t, 6>{16, 1, 2, 400, 300, 4}));
  EXPECT_EQ(loaded.TempVariableName, "i");
  // A save writes in store order and a load appends: what loads saves back as it was read.
  EXPECT_EQ(SavedGame(loaded), bytes);
}

// Equal names only come from stored data, but whichever of them a lookup finds must stay
// the one it finds after any number of saves and loads.
TEST(VariableStore, SaveAndLoadKeepTheOrderOfEqualNames) {
  TParamCollection store;
  Make(store, "x", PT_INT).SetAsInteger(1);
  Make(store, "X", PT_INT).SetAsInteger(2);
  Make(store, "y", PT_STR, vsStatus).SetAsString("s1");
  Make(store, "y", PT_STR, vsStatus).SetAsString("s2");
  const int32_t foundX = store.Find("x")->GetAsInteger();
  const bool newestIsTwo = store.FindItem("x", false)->GetAsInteger() == 2;
  std::string game = SavedGame(store);
  TMemoryStream status;
  store.SaveStatusVars(status);
  for (int round = 0; round < 2; ++round) {
    TParamCollection loaded;
    TMemoryStream m(game);
    loaded.LoadGameVars(m, GameSaveVersion);
    status.SetPosition(0);
    loaded.LoadStatusVars(status);
    EXPECT_EQ(loaded.Find("x")->GetAsInteger(), foundX) << round;
    EXPECT_EQ(loaded.FindItem("x", false)->GetAsInteger() == 2, newestIsTwo) << round;
    EXPECT_EQ(loaded.Find("y")->GetAsString(), store.Find("y")->GetAsString()) << round;
    EXPECT_EQ(SavedGame(loaded), game) << round;
    TMemoryStream again;
    loaded.SaveStatusVars(again);
    EXPECT_EQ(again.View(), status.View()) << round;
    game = SavedGame(loaded);
  }
}

TEST(VariableStore, OlderGameSavesLeaveLaterFieldsAlone) {
  // One integer item, then the engine values each version wrote.
  auto build = [](int version) {
    TMemoryStream m;
    WriteStreamInt(m, 1);
    TParamCollection scratch;
    TParamCollectionItem& v = Make(scratch, "v", PT_INT);
    v.SetAsInteger(8);
    WriteStreamByte(m, PT_INT);
    v.SaveToStream(m);
    WriteStreamInt(m, 70);
    WriteStreamString(m, "old.cur");
    if (version >= 103) {
      WriteStreamString(m, "pick");
      WriteStreamInt(m, 2);
    }
    if (version >= 113)
      for (int k = 1; k <= 6; ++k) WriteStreamInt(m, k * 10);
    if (version >= 121) WriteStreamString(m, "v");
    return std::string(m.View());
  };
  struct Case {
    int version;
    bool sel, history, temp;
  } cases[] = {{102, false, false, false}, {103, true, false, false}, {112, true, false, false},
               {113, true, true, false},   {120, true, true, false},   {121, true, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    TParamCollection store;
    store.SelStr = "before";
    store.SelIndex = -1;
    store.HistoryFormat = {9, 9, 9, 9, 9, 9};
    store.TempVariableName = "t";
    TMemoryStream m(build(c.version));
    store.LoadGameVars(m, c.version);
    EXPECT_EQ(m.Remaining(), 0);
    EXPECT_EQ(store.Find("v")->GetAsInteger(), 8);
    EXPECT_EQ(store.GlobalTextDelay, 70);
    EXPECT_EQ(store.GameCursorFile, "old.cur");
    EXPECT_EQ(store.SelStr, c.sel ? "pick" : "before");
    EXPECT_EQ(store.SelIndex, c.sel ? 2 : -1);
    EXPECT_EQ(store.HistoryFormat[5], c.history ? 60 : 9);
    EXPECT_EQ(store.TempVariableName, c.temp ? "v" : "t");
  }
}

TEST(VariableStore, StatusVariablesRoundTripAndAddToWhatIsThere) {
  TParamCollection store;
  FillGame(store);
  TMemoryStream m;
  store.SaveStatusVars(m);
  TParamCollection loaded;
  Make(loaded, "early", PT_INT, vsStatus);
  m.SetPosition(0);
  loaded.LoadStatusVars(m);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_NE(loaded.Find("early"), nullptr);
  EXPECT_EQ(loaded.Find("st")->GetAsString(), "status");
  EXPECT_TRUE(loaded.Find("st")->IsStatus());
  EXPECT_EQ(loaded.Find("i"), nullptr);
}

TEST(VariableStore, ReferencesAreSavedAfterTheirTargets) {
  TParamCollection store;
  TParamCollectionItem& r = Make(store, "r", PT_NONE);  // made before its target
  TParamCollectionItem& a = Make(store, "a", PT_INT);
  const int32_t three[] = {3};
  a.Value().SetDims(three);
  a.Value().SetIntItem(2, 5);
  r.DimTo("a", std::vector<int32_t>{2});
  TMemoryStream m;
  store.SaveGameVars(m);
  // The target comes first in the stream, and the reference is stored as one.
  const std::string bytes(m.View());
  EXPECT_LT(bytes.find(std::string("\x01\0\0\0a", 5)), bytes.find(std::string("\x01\0\0\0r", 5)));

  TParamCollection loaded;
  m.SetPosition(0);
  loaded.LoadGameVars(m, GameSaveVersion);
  TParamCollectionItem& lr = *loaded.Find("r");
  EXPECT_EQ(lr.Value().Kind(), pkVar);
  EXPECT_EQ(lr.GetAsInteger(), 5);
  lr.SetAsInteger(6);
  EXPECT_EQ(loaded.Find("a")->Value().GetIntItem(2), 6);
}

TEST(VariableStore, SaveEndsWhenAReferenceCanNeverBeOrdered) {
  TParamCollection store;
  Make(store, "st", PT_INT, vsStatus);
  Make(store, "toStatus", PT_NONE).DimTo("st", std::vector<int32_t>{0});
  Make(store, "toSystem", PT_NONE).DimTo("@MouseX", std::vector<int32_t>{0});
  TParamCollectionItem& self = Make(store, "self", PT_NONE);
  EXPECT_THROW(self.DimTo("self", std::vector<int32_t>{}), EScriptError);  // stays bound to itself
  Make(store, "plain", PT_STR).SetAsString("p");
  TMemoryStream m;
  store.SaveGameVars(m);
  TParamCollection loaded;
  m.SetPosition(0);
  loaded.LoadGameVars(m, GameSaveVersion);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(UserCount(loaded), 4);
  EXPECT_EQ(loaded.Find("plain")->GetAsString(), "p");
  EXPECT_EQ(static_cast<TParamVar&>(loaded.Find("toSystem")->Value()).Target(), loaded.Find("@MouseX"));
}

TEST(VariableStore, StoredListsWithBadDataRaise) {
  auto list = [](uint8_t type) {
    TMemoryStream m;
    WriteStreamInt(m, 1);
    WriteStreamByte(m, type);
    TParamCollectionItem item(CreateParam(PT_INT));
    item.SetName("v");
    item.SaveToStream(m);
    return std::string(m.View());
  };
  for (uint8_t type : {5, 6, 127, 133}) {
    TParamCollection store;
    TMemoryStream m(list(type));
    EXPECT_THROW(store.LoadStatusVars(m), EReadError) << int(type);
    EXPECT_EQ(store.Count(), 49);
  }
  TParamCollection store;
  TMemoryStream huge(std::string("\xFF\xFF\xFF\x7F", 4));
  EXPECT_THROW(store.LoadStatusVars(huge), EReadError);
  TMemoryStream badName(std::string("\x01\0\0\0\x01\x01\0\0\0" "1", 10) + std::string(15, '\0'));
  EXPECT_THROW(store.LoadStatusVars(badName), EScriptError);
  EXPECT_EQ(store.Count(), 49);
}

TEST(VariableStore, UnnamedItemsAreReadInTheirOwnFormAndDropped) {
  TMemoryStream m;
  WriteStreamInt(m, 2);
  TParamCollectionItem unnamed(CreateParam(PT_STR));
  const int32_t two[] = {2};
  unnamed.Value().SetDims(two);
  unnamed.Value().SetStrItem(1, "long enough to matter");
  WriteStreamByte(m, PT_STR);
  unnamed.SaveToStream(m);
  TParamCollectionItem named(CreateParam(PT_INT));
  named.SetName("n");
  named.SetAsInteger(11);
  WriteStreamByte(m, PT_INT);
  named.SaveToStream(m);
  m.SetPosition(0);
  TParamCollection store;
  store.LoadStatusVars(m);
  EXPECT_EQ(m.Remaining(), 0);
  EXPECT_EQ(UserCount(store), 1);
  EXPECT_EQ(store.Find("n")->GetAsInteger(), 11);
}

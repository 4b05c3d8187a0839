#include "core/vocabulary.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/encoding.h"

using namespace orva;

TEST(Vocabulary, TableSizesAreFixed) {
  EXPECT_EQ(OperatorNames.size(), 21u);
  EXPECT_EQ(CommandNames.size(), 61u);
  EXPECT_EQ(BuiltinFunctionNames.size(), 142u);
  EXPECT_EQ(SystemVariableNames.size(), 49u);
  EXPECT_EQ(PropertyNames.size(), 162u);
  EXPECT_EQ(ObjectTypeNames.size(), 28u);
  EXPECT_EQ(WipeNames.size(), 39u);
  EXPECT_EQ(VirtualKeyNames.size(), 70u);
}

TEST(Vocabulary, CodesAreTablePositions) {
  EXPECT_EQ(OperatorNames[ocNEqual], "ocNEqual");
  EXPECT_EQ(OperatorNames[ocComboStr], "ocComboStr");
  EXPECT_EQ(CommandNames[static_cast<int>(TCommandCode::LoadCabinet)], "LoadCabinet");
  EXPECT_EQ(static_cast<int>(TCommandCode::TextIns), 20);
  EXPECT_EQ(SystemVariableNames[sv1Hour], "@1Hour");
  EXPECT_EQ(SystemVariableNames[svWheelUp], "@WheelUp");
  EXPECT_EQ(PropertyNames[PR_CARETHEIGHT], "PR_CARETHEIGHT");
  EXPECT_EQ(PR_PARAM3, 102);
  EXPECT_EQ(PropertyTypes[PR_PARAM1], PT_FLOAT);
  EXPECT_EQ(PropertyTypes[PR_VISIBLE], PT_BOOL);
  EXPECT_EQ(PropertyTypes[PR_NAME], PT_STR);
  EXPECT_EQ(ObjectTypeNames[LT_CABINET], "LT_CABINET");
  EXPECT_EQ(LT_MES, 13);
  EXPECT_EQ(WipeNames[WP_ZOOMIN], "WP_ZOOMIN");
  EXPECT_EQ(WP_BLOCKRANDOM, 38);
}

TEST(Vocabulary, FindFunctionIsExact) {
  EXPECT_EQ(FindFunction("IntToStr"), 0);
  EXPECT_EQ(FindFunction("SetVisible"), 141);
  EXPECT_EQ(FindFunction("inttostr"), std::nullopt);
  EXPECT_EQ(FindFunction("IntToStr "), std::nullopt);
}

TEST(Vocabulary, BuiltinSignatures) {
  struct Case {
    const char* name;
    int min, max;
    TParamType result;
  } cases[] = {
      {"SetArray", 2, -1, PT_INT},       {"DBInsert", 0, -1, PT_BOOL},   {"IntToStr", 1, 2, PT_STR},
      {"DBDirectGetStr", 7, 7, PT_STR},  {"StringReplace", 3, 5, PT_STR}, {"Hypot", 2, 2, PT_FLOAT},
      {"ListSaveCaption", 0, 2, PT_INT}, {"Calc", 1, 1, PT_STR},
  };
  for (const Case& c : cases) {
    auto n = FindFunction(c.name);
    ASSERT_TRUE(n) << c.name;
    EXPECT_EQ(BuiltinFunctionMinArgs[*n], c.min) << c.name;
    EXPECT_EQ(BuiltinFunctionMaxArgs[*n], c.max) << c.name;
    EXPECT_EQ(BuiltinFunctionResultTypes[*n], c.result) << c.name;
  }
}

TEST(Vocabulary, PropertyDisplayOrderIsAPermutationWithTheListedAdjacencies) {
  std::vector<int> sorted(PropertyDisplayOrder.begin(), PropertyDisplayOrder.end());
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < PropertyCount; ++i) ASSERT_EQ(sorted[i], i);

  auto pos = [](TPropertyCode code) {
    return std::find(PropertyDisplayOrder.begin(), PropertyDisplayOrder.end(), code) - PropertyDisplayOrder.begin();
  };
  EXPECT_EQ(pos(PR_NAME), 0);
  EXPECT_EQ(pos(PR_PARENT), 1);
  EXPECT_EQ(pos(PR_SOURCE), 2);
  EXPECT_EQ(pos(PR_ZOOMX), 3);
  EXPECT_EQ(pos(PR_ZOOMY), 4);
  EXPECT_EQ(pos(PR_POSZOOMED), 5);
  EXPECT_EQ(pos(PR_WIDTH), 6);
  EXPECT_EQ(pos(PR_HEIGHT), 7);
  EXPECT_EQ(pos(PR_LEFT), 8);
  EXPECT_EQ(pos(PR_TOP), 9);
  EXPECT_EQ(pos(PR_BARSIZE), pos(PR_COLOR) + 1);
  EXPECT_EQ(pos(PR_PLUSX), pos(PR_OFFSETY) + 1);
  EXPECT_EQ(pos(PR_PLUSY), pos(PR_OFFSETY) + 2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pos(TPropertyCode(PR_FONTHOVERBORDER + i)), pos(PR_HOVERCOLOR) + 1 + i);
  EXPECT_EQ(pos(PR_CARETHEIGHT), pos(PR_CARETY) + 1);
  EXPECT_EQ(pos(PR_MUTEONLOAD), PropertyCount - 1);
}

TEST(Vocabulary, ToneTableTellingRows) {
  auto rgb = [](int i) {
    uint16_t p = ToneTable565[i];
    return std::array<int, 3>{p >> 11, (p >> 5) & 63, p & 31};
  };
  EXPECT_EQ(rgb(0), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(rgb(64), (std::array<int, 3>{18, 15, 0}));
  EXPECT_EQ(rgb(128), (std::array<int, 3>{27, 29, 1}));
  EXPECT_EQ(rgb(192), (std::array<int, 3>{31, 48, 6}));
  EXPECT_EQ(rgb(255), (std::array<int, 3>{31, 57, 21}));
  EXPECT_EQ(rgb(173)[0], 30);
  EXPECT_EQ(rgb(174)[0], 31);
  EXPECT_EQ(rgb(117)[2], 0);
  EXPECT_GT(rgb(118)[2] + rgb(128)[2], 0);
  for (int i = 1; i < 256; ++i)
    for (int ch = 0; ch < 3; ++ch) ASSERT_GE(rgb(i)[ch], rgb(i - 1)[ch]) << i;  // a ramp never falls
}

TEST(Vocabulary, KeyNames) {
  EXPECT_EQ(SjisToUtf8(KeyName(0)), "(なし)");
  EXPECT_EQ(KeyName(1), "0");
  EXPECT_EQ(SjisToUtf8(KeyName(46)), "←");
  EXPECT_EQ(KeyName(KeyNameCount - 1), "Delete");
}

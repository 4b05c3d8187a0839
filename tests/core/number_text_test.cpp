#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace orva;

TEST(NumberText, IntegerTextRule) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  } cases[] = {
      {"12", true, 12},          {"  12", true, 12},       {"12 ", false, 0},        {"+5", true, 5},
      {"-7", true, -7},          {"$1F", true, 31},        {"x10", true, 16},        {"X10", true, 16},
      {"0x10", true, 16},        {"0X1f", true, 31},       {"-$10", true, -16},      {"1.5", false, 0},
      {"", false, 0},            {"-", false, 0},          {"$", false, 0},          {"0x", false, 0},
      {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0},
      {"-2147483649", false, 0}, {"99999999999999999999", false, 0}, {"1e3", false, 0}, {"TRUE", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(TryTextToInt(c.text, v), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(NumberText, FloatTextRule) {
  struct Case {
    const char* text;
    bool valid;
    long double value;
  } cases[] = {
      {"1.5", true, 1.5L}, {" 1.5 ", true, 1.5L}, {"-2.5E-2", true, -0.025L}, {"1e3", true, 1000},
      {"+.5", true, 0.5L}, {"5.", true, 5},         {"12", true, 12},           {"", false, 0},
      {".", false, 0},     {"1e", false, 0},        {"1e+", false, 0},          {"0x10", false, 0},
      {"inf", false, 0},   {"nan", false, 0},       {"1,5", false, 0},          {"1e5000", false, 0},
  };
  for (const Case& c : cases) {
    long double v = 0;
    EXPECT_EQ(TryTextToFloat(c.text, v), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  long double tenth = 0;
  ASSERT_TRUE(TryTextToFloat("0.1", tenth));
  EXPECT_EQ(tenth, 0.1L);  // correctly rounded to the extended value, not the double
}

// Below the smallest normal extended value a text reads as the nearest denormal; only
// what rounds below half the smallest denormal becomes 0.
TEST(NumberText, TinyFloatTextReadsAsTheNearestValue) {
  constexpr long double kMin = std::numeric_limits<long double>::min();
  constexpr long double kDenormMin = std::numeric_limits<long double>::denorm_min();
  const long double denormals[] = {kDenormMin, -kDenormMin, std::ldexp(1.0L, -16400), -std::ldexp(3.0L, -16420)};
  for (long double v : denormals) {
    const std::string text = FloatToText(v);
    long double back = 0;
    ASSERT_TRUE(TryTextToFloat(text, back)) << text;
    EXPECT_EQ(back, v) << text;
  }
  long double v = 0;
  ASSERT_TRUE(TryTextToFloat("1e-4940", v));
  EXPECT_GT(v, 0.0L);
  EXPECT_LT(v, kMin);
  ASSERT_TRUE(TryTextToFloat("-2e-4951", v));  // above half the smallest denormal
  EXPECT_EQ(v, -kDenormMin);
  ASSERT_TRUE(TryTextToFloat("1e-5000", v));
  EXPECT_EQ(v, 0.0L);
}

TEST(NumberText, GeneralFloatText) {
  struct Case {
    long double value;
    const char* text;
  } cases[] = {
      {3, "3"},
      {0.5L, "0.5"},
      {100, "100"},
      {-12.25L, "-12.25"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {1.5e-7L, "1.5E-7"},
      {1e20L, "1E20"},
      {1e15L, "1E15"},
      {999999999999999.0L, "999999999999999"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {-0.0L, "0"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<long double>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.value), c.text);
}

TEST(NumberText, RoundingHalvesToEven) {
  struct Case {
    long double value;
    bool valid;
    int32_t result;
  } cases[] = {
      {2.5L, true, 2},    {3.5L, true, 4},       {-2.5L, true, -2},      {-3.5L, true, -4},   {2.4999L, true, 2},
      {0x1p32L + 5, true, 5},  // beyond int32: the low 32 bits
      {1e19L, false, 0},  {std::numeric_limits<long double>::quiet_NaN(), false, 0},
  };
  for (const Case& c : cases) {
    int32_t r = 0;
    EXPECT_EQ(RoundToInt32(c.value, r), c.valid) << static_cast<double>(c.value);
    if (c.valid) {
      EXPECT_EQ(r, c.result) << static_cast<double>(c.value);
    }
  }
}

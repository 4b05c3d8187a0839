#include "script/conversions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "core/exceptions.h"

using namespace orva;

TEST(Conversions, IntegerTextRule) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  } cases[] = {
      {" 12", true, 12},        {"12 ", false, 0},       {"$1F", true, 31},         {"0x10", true, 16},
      {"0X1f", true, 31},       {"x10", true, 16},       {"X10", true, 16},         {"1.5", false, 0},
      {"+5", true, 5},          {"-$10", true, -16},     {"007", true, 7},          {"", false, 0},
      {"   ", false, 0},        {"-", false, 0},         {"$", false, 0},           {"0x", false, 0},
      {" - 5", false, 0},       {"\t12", false, 0},      {"1e3", false, 0},         {"12a", false, 0},
      {"2147483647", true, INT32_MAX},  {"2147483648", false, 0},  {"-2147483648", true, INT32_MIN},
      {"-2147483649", false, 0}, {"$7FFFFFFF", true, INT32_MAX}, {"$80000000", false, 0},
      {"-$80000000", true, INT32_MIN},  {"99999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int32_t value = -77;
    EXPECT_EQ(TryTextToInt(c.text, value), c.valid) << c.text;
    EXPECT_EQ(TextToInt(c.text), c.value) << c.text;
  }
}

TEST(Conversions, FloatTextRule) {
  struct Case {
    const char* text;
    bool valid;
    long double value;
  } cases[] = {
      {"1.5", true, 1.5L},   {" 1.5 ", true, 1.5L}, {"1e3", true, 1000.0L}, {"1E-2", true, 0.01L},
      {"-2.5", true, -2.5L}, {"+.5", true, 0.5L},   {"5.", true, 5.0L},     {"12 ", true, 12.0L},
      {".", false, 0},       {"e5", false, 0},      {"1e", false, 0},       {"1e+", false, 0},
      {"inf", false, 0},     {"nan", false, 0},     {"0x10", false, 0},     {"1,5", false, 0},
      {"", false, 0},        {"1e5000", false, 0},  {"- 1", false, 0},      {"$10", false, 0},
  };
  for (const Case& c : cases) {
    long double value = -77;
    EXPECT_EQ(TryTextToFloat(c.text, value), c.valid) << c.text;
    EXPECT_EQ(TextToFloat(c.text), c.value) << c.text;
  }
  EXPECT_EQ(TextToFloat("1e-5000"), 0.0L);  // underflow is a tiny number, not an error
  EXPECT_EQ(TextToFloat("0.1"), 0.1L);      // correctly rounded to extended precision
}

TEST(Conversions, GeneralFloatText) {
  struct Case {
    long double value;
    const char* text;
  } cases[] = {
      {3.0L, "3"},
      {0.5L, "0.5"},
      {1e20L, "1E20"},
      {1.5e-7L, "1.5E-7"},
      {100.0L, "100"},
      {-3.9L, "-3.9"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {1e15L, "1E15"},
      {1e14L, "100000000000000"},
      {123456789012345.6L, "123456789012346"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {1234.5L, "1234.5"},
      {-0.0L, "0"},
      {9.9999999999999999L, "10"},
      {999999999999999.9L, "1E15"},
      {1e-300L, "1E-300"},
      {-1.23456789012345678e300L, "-1.23456789012346E300"},
      {0.1L + 0.2L, "0.3"},
      {std::numeric_limits<long double>::infinity(), "INF"},
      {-std::numeric_limits<long double>::infinity(), "-INF"},
      {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << static_cast<double>(c.value);
}

TEST(Conversions, IntegerText) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-5), "-5");
  EXPECT_EQ(IntToText(INT32_MIN), "-2147483648");
}

TEST(Conversions, FloatToIntTruncatesAndKeepsTheLow32Bits) {
  struct Case {
    long double value;
    int32_t result;
  } cases[] = {
      {2.7L, 2},
      {-2.7L, -2},
      {-3.9L, -3},
      {4294967301.0L, 5},
      {2147483648.0L, INT32_MIN},
      {-9223372036854775808.0L, 0},
      {9223372036854775807.0L, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToInt(c.value), c.result) << static_cast<double>(c.value);
  for (long double bad : {9223372036854775808.0L, -9223372036854777856.0L, 1e30L, std::numeric_limits<long double>::quiet_NaN(),
                          std::numeric_limits<long double>::infinity()})
    EXPECT_THROW(FloatToInt(bad), EConvertError) << static_cast<double>(bad);
}

TEST(Conversions, ExtendedBytes) {
  uint8_t bytes[10];
  FloatToBytes(1.0L, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 10), std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10));
  EXPECT_EQ(FloatFromBytes(bytes), 1.0L);
  FloatToBytes(-2.5L, bytes);
  EXPECT_EQ(FloatFromBytes(bytes), -2.5L);
  // An unnormal (exponent set, integer bit clear) is no number the FPU accepts.
  const uint8_t unnormal[10] = {0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F};
  EXPECT_TRUE(std::isnan(FloatFromBytes(unnormal)));
  const uint8_t denormal[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_GT(FloatFromBytes(denormal), 0.0L);
}

TEST(Conversions, WrappingArithmetic) {
  EXPECT_EQ(WrapAdd(INT32_MAX, 1), INT32_MIN);
  EXPECT_EQ(WrapSub(INT32_MIN, 1), INT32_MAX);
  EXPECT_EQ(WrapMul(65536, 65536), 0);
  EXPECT_EQ(WrapMul(INT32_MIN, -1), INT32_MIN);
}

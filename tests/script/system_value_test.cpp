// The conversions of system variables, which are not those of plain values, and @Temp.
#include "script/system_value.h"

#include <gtest/gtest.h>

#include "builtin_rows.h"
#include "script/conversions.h"
#include "script/param_system.h"
#include "script/temp_value.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

// A system variable of a chosen own type whose engine state is a field per type; every
// write that reaches it is recorded as "scalar <value>" or "item <value>".
class FakeEngineValue : public TSystemValue {
 public:
  explicit FakeEngineValue(TParamType own) : own_(own) {}
  TParamType GetParamType() const override { return own_; }

  int32_t i = 0;
  long double f = 0;
  bool b = false;
  std::string s;
  std::vector<std::string> writes;

 protected:
  int32_t ReadInt(TElement) const override { return i; }
  long double ReadFloat(TElement) const override { return f; }
  bool ReadBool(TElement) const override { return b; }
  std::string ReadStr(TElement) const override { return s; }
  void WriteInt(TElement e, int32_t v) override { Record(e, IntToText(v)); }
  void WriteFloat(TElement e, long double v) override { Record(e, FloatToText(v)); }
  void WriteBool(TElement e, bool v) override { Record(e, BoolToText(v)); }
  void WriteStr(TElement e, std::string_view v) override { Record(e, std::string(v)); }

 private:
  void Record(TElement e, const std::string& v) { writes.push_back((e.Scalar ? "scalar " : "item ") + v); }
  TParamType own_;
};

void Hold(FakeEngineValue& v, const std::string& stored) {
  v.i = TextToInt(stored);
  v.f = TextToFloat(stored);
  v.b = stored == "TRUE";
  v.s = stored;
}

// Reads through one access: int, float, bool, str, and the same with "Item" (element 3).
std::string Read(const TCustomParam& v, std::string_view access) {
  try {
    if (access == "int") return IntToText(v.GetAsInteger());
    if (access == "float") return FloatToText(v.GetAsFloat());
    if (access == "bool") return BoolToText(v.GetAsBoolean());
    if (access == "str") return v.GetAsString();
    if (access == "intItem") return IntToText(v.GetIntItem(3));
    if (access == "floatItem") return FloatToText(v.GetFloatItem(3));
    if (access == "boolItem") return BoolToText(v.GetBoolItem(3));
    return v.GetStrItem(3);
  } catch (const Exception& e) {
    return "!" + e.Message();
  }
}

void Write(TCustomParam& v, std::string_view access, const std::string& input) {
  if (access == "int") v.SetAsInteger(TextToInt(input));
  else if (access == "float") v.SetAsFloat(TextToFloat(input));
  else if (access == "bool") v.SetAsBoolean(input == "TRUE");
  else if (access == "str") v.SetAsString(input);
  else if (access == "intItem") v.SetIntItem(3, TextToInt(input));
  else if (access == "floatItem") v.SetFloatItem(3, TextToFloat(input));
  else if (access == "boolItem") v.SetBoolItem(3, input == "TRUE");
  else v.SetStrItem(3, input);
}

}  // namespace

TEST(SystemValue, ReadsConvertFromTheOwnType) {
  struct Case {
    TParamType own;
    std::string stored, access, expected;
  } cases[] = {
      // A text reads as a number by the integer rule only.
      {PT_STR, "1.5", "int", "0"},
      {PT_STR, "1.5", "float", "0"},
      {PT_STR, "$10", "float", "16"},
      {PT_STR, "1.5", "floatItem", "0"},
      // A text is a true flag when not empty; an element when its integer is not 0.
      {PT_STR, "1.5", "bool", "TRUE"},
      {PT_STR, "", "bool", "FALSE"},
      {PT_STR, "1.5", "boolItem", "FALSE"},
      {PT_STR, "TRUE", "boolItem", "FALSE"},
      {PT_STR, "2", "boolItem", "TRUE"},
      {PT_INT, "-5", "str", "-5"},
      {PT_INT, "-5", "bool", "TRUE"},
      {PT_INT, "0", "boolItem", "FALSE"},
      {PT_INT, "7", "float", "7"},
      {PT_FLOAT, "-2.7", "int", "-2"},
      {PT_FLOAT, "2.5", "strItem", "2.5"},
      {PT_FLOAT, "0", "bool", "FALSE"},
      {PT_FLOAT, "1E20", "int", "!Invalid floating point operation"},
      {PT_BOOL, "TRUE", "int", "1"},
      {PT_BOOL, "TRUE", "floatItem", "1"},
      {PT_BOOL, "FALSE", "str", "FALSE"},
  };
  for (const Case& c : cases) {
    FakeEngineValue v(c.own);
    Hold(v, c.stored);
    EXPECT_EQ(Read(v, c.access), c.expected) << int(c.own) << " " << c.stored << " as " << c.access;
  }
}

TEST(SystemValue, WritesConvertIntoTheOwnType) {
  struct Case {
    TParamType own;
    std::string access, input, expected;  // the write that reaches the engine
  } cases[] = {
      {PT_INT, "str", "12", "scalar 12"},
      // A scalar write of a text that is no number is dropped; an element write stores 0.
      {PT_INT, "str", "x", "(none)"},
      {PT_INT, "str", "1.5", "(none)"},
      {PT_INT, "strItem", "x", "item 0"},
      {PT_INT, "float", "-2.9", "scalar -2"},
      {PT_INT, "bool", "TRUE", "scalar 1"},
      {PT_FLOAT, "str", "1.5", "scalar 1.5"},
      {PT_FLOAT, "str", "x", "(none)"},
      {PT_FLOAT, "strItem", "x", "item 0"},
      {PT_FLOAT, "int", "3", "scalar 3"},
      {PT_FLOAT, "boolItem", "TRUE", "item 1"},
      // Into a flag: the text's integer is not 0 (scalar), the exact "TRUE" (element).
      {PT_BOOL, "str", "1", "scalar TRUE"},
      {PT_BOOL, "str", "TRUE", "scalar FALSE"},
      {PT_BOOL, "strItem", "TRUE", "item TRUE"},
      {PT_BOOL, "strItem", "1", "item FALSE"},
      {PT_BOOL, "int", "2", "scalar TRUE"},
      {PT_BOOL, "float", "0.5", "scalar TRUE"},
      {PT_STR, "int", "5", "scalar 5"},
      {PT_STR, "floatItem", "0.5", "item 0.5"},
      {PT_STR, "bool", "TRUE", "scalar TRUE"},
  };
  for (const Case& c : cases) {
    FakeEngineValue v(c.own);
    Write(v, c.access, c.input);
    EXPECT_EQ(v.writes.empty() ? "(none)" : v.writes.back(), c.expected)
        << int(c.own) << " " << c.input << " as " << c.access;
  }
}

TEST(SystemValue, ArraysOnlyRecordTheirDimensions) {
  FakeEngineValue v(PT_INT);
  v.i = 4;
  EXPECT_EQ(v.GetDimSize(0), 1);
  EXPECT_EQ(v.GetDimSize(1), 1);
  const int32_t sizes[] = {2, 3};
  v.SetDims(sizes);
  EXPECT_EQ(v.GetDimCount(), 2);
  EXPECT_EQ(v.GetCount(), 1);
  v.FillInt(9);
  v.MakeScalar();
  EXPECT_TRUE(v.writes.empty());
  EXPECT_EQ(v.GetIntItem(7), 4);  // other elements read as the scalar
}

namespace {

struct TempProvider : TSystemVariableProvider {
  explicit TempProvider(TParamCollection& vars) : temp(vars) {}
  TCustomParam* SystemVariable(uint8_t id) override { return id == svTemp ? &temp : nullptr; }
  TTempValue temp;
};

}  // namespace

TEST(SystemValue, TempStandsForTheNamedVariable) {
  std::unique_ptr<TempProvider> provider;
  auto naming = [&provider](std::string_view name) {
    return [&provider, name](TParamCollection& vars, TSysFuncMan&) {
      provider = std::make_unique<TempProvider>(vars);
      vars.SetSystemVariables(provider.get());
      vars.TempVariableName = name;
    };
  };
  // An operand reads through a reference, that is through the item operations, which go to
  // the variable as they are; an assignment converts on the operand side.
  CheckRows({{{"v:I[3]=1|2|3"}, "@Temp[2]", "I:3", {}},
             {{"v:S=1.5"}, "0.0 + @Temp", "F:1.5", {}},
             {{"v:I=1"}, "@Temp = \"x\"", "(none)", {"v:I=0"}},
             {{"v:I[2]=1|2"}, "@Temp = 7", "(none)", {"v:I=7"}},
             {{"v:F=1"}, "@Temp", "F:1", {}}},
            naming("V"));
  CheckRows({{{"v:I=5"}, "@Temp + 1", "I:1", {}}}, naming(""));
  CheckRows({{{"v:I=5"}, "@Temp + 1", "I:1", {}}}, naming("w"));
  // A name that leads back to @Temp stands for nothing instead of running in a circle.
  CheckRows({{{}, "@Temp + 1", "I:1", {}}}, naming("@Temp"));
  CheckRows({{{"r:I=0"}, "@Temp + 1", "I:1", {}}}, naming("@temp"));

  // The scalar operations convert by the system rules first.
  TParamCollection vars;
  TempProvider temps(vars);
  vars.SetSystemVariables(&temps);
  TParamCollectionItem& v = MakeVariable(vars, "v:S=1.5");
  vars.TempVariableName = "v";
  TParamCollectionItem& temp = *vars.Find("@Temp");
  EXPECT_EQ(temp.GetParamType(), PT_STR);
  EXPECT_EQ(temp.GetAsFloat(), 0.0L);
  EXPECT_TRUE(temp.GetAsBoolean());
  EXPECT_EQ(temp.Value().GetFloatItem(0), 1.5L);
  MakeVariable(vars, "n:I=3");
  vars.TempVariableName = "n";
  temp.SetAsString("x");
  EXPECT_EQ(vars.Find("n")->GetAsInteger(), 3);
  temp.SetAsString("12");
  EXPECT_EQ(vars.Find("n")->GetAsInteger(), 12);
  EXPECT_EQ(v.GetAsString(), "1.5");
  vars.TempVariableName.clear();
  EXPECT_EQ(temp.GetParamType(), PT_NONE);
  EXPECT_EQ(temp.GetAsInteger(), 0);
  EXPECT_EQ(temp.Value().GetCount(), 1);
}

#include "script/param.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/stream.h"
#include "script/param_var.h"
#include "script/script_error.h"
#include "script_test_support.h"

using namespace orva;
using namespace orva::script_test;

namespace {

std::string Stored(const TCustomParam& p) {
  TMemoryStream m;
  p.SaveToStream(m);
  return std::string(m.View());
}

}  // namespace

TEST(ScriptValues, ReadAsEveryType) {
  struct Case {
    std::unique_ptr<TCustomParam> value;
    int32_t asInt;
    long double asFloat;
    bool asBool;
    const char* asString;
  } cases[] = {
      {Int(7), 7, 7.0L, true, "7"},
      {Int(-5), -5, -5.0L, true, "-5"},
      {Int(0), 0, 0.0L, false, "0"},
      {Float(-3.9L), -3, -3.9L, true, "-3.9"},
      {Float(1.5L), 1, 1.5L, true, "1.5"},
      {Float(100.0L), 100, 100.0L, true, "100"},
      {Float(0.0L), 0, 0.0L, false, "0"},
      {Flag(true), 1, 1.0L, true, "TRUE"},
      {Flag(false), 0, 0.0L, false, "FALSE"},
      {Str(" 12"), 12, 12.0L, false, " 12"},
      {Str("12 "), 0, 12.0L, false, "12 "},
      {Str("1.5"), 0, 1.5L, false, "1.5"},
      {Str("$1F"), 31, 0.0L, false, "$1F"},
      {Str("TRUE"), 0, 0.0L, true, "TRUE"},
      {Str("True"), 0, 0.0L, false, "True"},
      {Str(""), 0, 0.0L, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asString);
    EXPECT_EQ(c.value->GetAsInteger(), c.asInt);
    EXPECT_EQ(c.value->GetAsFloat(), c.asFloat);
    EXPECT_EQ(c.value->GetAsBoolean(), c.asBool);
    EXPECT_EQ(c.value->GetAsString(), c.asString);
    EXPECT_EQ(c.value->GetIntItem(0), c.asInt);
    EXPECT_EQ(c.value->GetStrItem(0), c.asString);
  }
}

TEST(ScriptValues, SettersConvertIntoTheOwnType) {
  TParamInt i;
  i.SetAsString("x");
  EXPECT_EQ(i.GetAsInteger(), 0);
  i.SetAsFloat(2.7L);
  EXPECT_EQ(i.GetAsInteger(), 2);
  i.SetAsBoolean(true);
  EXPECT_EQ(i.GetAsInteger(), 1);
  EXPECT_THROW(i.SetAsFloat(1e19L), EConvertError);

  TParamFlag f;
  f.SetAsString("True");
  EXPECT_FALSE(f.GetAsBoolean());
  f.SetAsInteger(5);
  EXPECT_TRUE(f.GetAsBoolean());
  EXPECT_EQ(f.GetAsInteger(), 1);

  TParamStr s;
  s.SetAsFloat(0.5L);
  EXPECT_EQ(s.GetAsString(), "0.5");
  s.SetAsBoolean(true);
  EXPECT_EQ(s.GetAsString(), "TRUE");
  s.SetAsInteger(-12);
  EXPECT_EQ(s.GetAsString(), "-12");

  TParamFloat d;
  d.SetAsString(" 1.5 ");
  EXPECT_EQ(d.GetAsFloat(), 1.5L);
  d.SetAsString("$10");
  EXPECT_EQ(d.GetAsFloat(), 0.0L);
}

TEST(ScriptValues, NewValuesAreScalarZeros) {
  for (int type = PT_INT; type <= PT_STR; ++type) {
    auto p = CreateParam(type);
    EXPECT_EQ(p->GetParamType(), type);
    EXPECT_EQ(p->GetCount(), 1);
    EXPECT_EQ(p->GetDimCount(), 1);
    EXPECT_EQ(p->GetAsInteger(), 0);
    EXPECT_FALSE(p->GetAsBoolean());
  }
  EXPECT_EQ(CreateParam(PT_STR)->GetAsString(), "");
  EXPECT_EQ(CreateParam(PT_BOOL)->GetAsString(), "FALSE");
  EXPECT_EQ(CreateParam(0)->Kind(), pkVar);
  EXPECT_EQ(CreateParam(129)->Kind(), pkInt);  // low 7 bits
  for (int none : {5, 6, 127, 133}) EXPECT_EQ(CreateParam(none), nullptr) << none;
}

TEST(ScriptValues, ScalarSetterMakesAnArrayScalar) {
  TParamInt a;
  const int32_t three[] = {3};
  a.SetDims(three);
  a.SetIntItem(1, 9);
  EXPECT_EQ(a.GetIntItem(0), 0);
  EXPECT_EQ(a.GetIntItem(1), 9);
  EXPECT_EQ(a.GetIntItem(2), 0);
  a.SetAsInteger(7);
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_TRUE(a.Dims().empty());
  EXPECT_EQ(a.GetAsInteger(), 7);
}

TEST(ScriptValues, SetDimsKeepsFlatOrderAndZeroFills) {
  TParamInt a;
  a.SetAsInteger(5);
  const int32_t sizes[] = {2, 3};
  a.SetDims(sizes);
  EXPECT_EQ(a.GetCount(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(a.GetIntItem(i), i == 0 ? 5 : 0);
  EXPECT_EQ(a.GetDimCount(), 2);
  EXPECT_EQ(a.GetDimSize(0), 2);
  EXPECT_EQ(a.GetDimSize(1), 3);
  EXPECT_EQ(a.GetDimSize(2), 1);
  EXPECT_EQ(a.GetDimSize(-1), 1);
  a.SetDims({});
  EXPECT_EQ(a.GetCount(), 1);
  EXPECT_EQ(a.GetDimCount(), 1);
}

TEST(ScriptValues, BadSizesRaiseAndLeaveTheValueUnchanged) {
  struct Case {
    std::vector<int32_t> sizes;
    const char* message;
  } cases[] = {
      {{2, 0}, "配列の要素数[2,0]が不正です"},
      {{-1}, "配列の要素数[-1]が不正です"},
      {{65536, 65536}, "配列の要素数[65536,65536]が不正です"},  // product beyond 32 bits
      {{1 << 30}, "配列の要素数[1073741824]が不正です"},        // beyond the memory bound
  };
  for (const Case& c : cases) {
    TParamStr s;
    const int32_t four[] = {4};
    s.SetDims(four);
    s.SetStrItem(3, "kept");
    EXPECT_EQ(Message([&] { s.SetDims(c.sizes); }), c.message);
    EXPECT_EQ(s.GetCount(), 4);
    EXPECT_EQ(s.Dims(), std::vector<int32_t>{4});
    EXPECT_EQ(s.GetStrItem(3), "kept");
  }
}

TEST(ScriptValues, ItemIndexOutsideTheElementsRaises) {
  for (int type = PT_INT; type <= PT_STR; ++type) {
    auto p = CreateParam(type);
    EXPECT_EQ(Message([&] { p->GetIntItem(-1); }), "配列の添字が不正です");
    EXPECT_EQ(Message([&] { p->GetStrItem(1); }), "配列の添字が不正です");
    EXPECT_EQ(Message([&] { p->SetFloatItem(1, 0); }), "配列の添字が不正です");
    EXPECT_EQ(Message([&] { p->SetBoolItem(-5, true); }), "配列の添字が不正です");
  }
}

TEST(ScriptValues, FillsOnlyInTheOwnType) {
  TParamInt i;
  const int32_t two[] = {2};
  i.SetDims(two);
  i.FillStr("9");
  i.FillFloat(9);
  EXPECT_EQ(i.GetIntItem(1), 0);
  i.FillInt(4);
  EXPECT_EQ(i.GetIntItem(0), 4);
  EXPECT_EQ(i.GetIntItem(1), 4);
  TParamStr s;
  s.SetDims(two);
  s.FillStr("ab");
  EXPECT_EQ(s.GetStrItem(1), "ab");
}

TEST(ScriptValues, CopyMemNeedsTheSameClass) {
  TParamInt source;
  source.SetAsInteger(3);
  TParamStr other;
  EXPECT_EQ(Message([&] { other.CopyMem(source); }), "CopyMem:変数の型があいません");
  EXPECT_EQ(other.GetAsString(), "");
  TParamInt target;
  const int32_t sizes[] = {2, 2};
  target.SetDims(sizes);
  target.CopyMem(source);
  EXPECT_EQ(target.GetCount(), 1);
  EXPECT_EQ(target.Dims(), std::vector<int32_t>{1});  // a scalar source gives [1]
  EXPECT_EQ(target.GetAsInteger(), 3);
}

TEST(ScriptValues, AssignConvertsWithTheSourceShape) {
  TParamStr source;
  const int32_t sizes[] = {2, 2};
  source.SetDims(sizes);
  source.SetStrItem(0, "12");
  source.SetStrItem(3, "$10");
  TParamInt target;
  target.Assign(source);
  EXPECT_EQ(target.Dims(), (std::vector<int32_t>{2, 2}));
  EXPECT_EQ(target.GetIntItem(0), 12);
  EXPECT_EQ(target.GetIntItem(3), 16);
  TParamFloat scalar;
  scalar.Assign(*Int(4));
  EXPECT_EQ(scalar.Dims(), std::vector<int32_t>{1});
  EXPECT_EQ(scalar.GetAsFloat(), 4.0L);
}

TEST(ScriptValues, CopyFromCopiesWithoutConversion) {
  TParamFloat source;
  const int32_t two[] = {2};
  source.SetDims(two);
  source.SetFloatItem(1, 2.5L);
  TParamFloat copy;
  copy.CopyFrom(source);
  EXPECT_EQ(copy.Dims(), std::vector<int32_t>{2});
  EXPECT_EQ(copy.GetFloatItem(1), 2.5L);
}

TEST(ScriptValues, IndexOfStr) {
  TParamStr s;
  const int32_t three[] = {3};
  s.SetDims(three);
  s.SetStrItem(0, "xyz");
  s.SetStrItem(1, "ab");
  s.SetStrItem(2, "abc");
  struct Case {
    const char* text;
    bool caseSensitive, partial;
    int32_t index;
  } cases[] = {
      {"AB", false, false, 1}, {"AB", true, false, -1}, {"b", true, true, 1},  {"BC", false, true, 2},
      {"q", false, true, -1},  {"", false, true, -1},   {"ab", true, false, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(s.IndexOfStr(c.text, c.caseSensitive, c.partial), c.index) << c.text;
  TParamInt numbers;
  numbers.SetDims(three);
  numbers.SetIntItem(2, 42);
  EXPECT_EQ(numbers.IndexOfStr("42", true, false), 2);
}

TEST(ScriptValues, StoredFormsAreExact) {
  TParamInt i;
  i.SetAsInteger(5);
  EXPECT_EQ(Stored(i), std::string("\0\0\0\0\x01\0\0\0\x05\0\0\0", 12));
  const int32_t two[] = {2};
  i.SetDims(two);
  i.SetIntItem(1, -1);
  EXPECT_EQ(Stored(i), std::string("\x01\0\0\0\x02\0\0\0\x02\0\0\0\x05\0\0\0\xFF\xFF\xFF\xFF", 20));
  EXPECT_EQ(Stored(*Float(1.0L)), std::string("\0\0\0\0\x01\0\0\0\0\0\0\0\0\0\0\x80\xFF\x3F", 18));
  EXPECT_EQ(Stored(*Flag(true)), std::string("\0\0\0\0\x01\0\0\0\x01", 9));
  EXPECT_EQ(Stored(*Str("ab")), std::string("\0\0\0\0\x01\0\0\0\x02\0\0\0ab", 14));
  TParamVar ref;
  ref.SetName("x");
  EXPECT_EQ(Stored(ref), std::string("\0\0\0\0\x01\0\0\0x\0\0\0\0\0\0\0\0\0", 18));
}

TEST(ScriptValues, StoredFormsRoundTrip) {
  std::unique_ptr<TCustomParam> values[] = {Int(-9), Float(-0.1L), Flag(true), Str("\x95\x5C")};
  for (auto& v : values) {
    const int32_t sizes[] = {2, 2};
    v->SetDims(sizes);
    v->SetStrItem(3, "1");
    TMemoryStream m;
    v->SaveToStream(m);
    m.SetPosition(0);
    auto loaded = CreateParam(v->GetParamType());
    loaded->LoadFromStream(m);
    EXPECT_EQ(m.Remaining(), 0);
    EXPECT_EQ(Stored(*loaded), Stored(*v));
    EXPECT_EQ(loaded->GetStrItem(3), v->GetStrItem(3));
  }
}

TEST(ScriptValues, HostileStoredCountsRaiseReadErrors) {
  const std::string bad[] = {
      std::string("\xFF\xFF\xFF\x7F", 4),                  // dimension count beyond the data
      std::string("\0\0\0\0\xFF\xFF\xFF\x7F", 8),          // element count beyond the data
      std::string("\0\0\0\0\xFF\xFF\xFF\xFF", 8),          // negative element count
      std::string("\0\0\0\0\x03\0\0\0\x01\0\0\0", 12),     // three elements, one present
      // Sizes of more elements than stored: the first copy would allocate them.
      std::string("\x01\0\0\0\0\0\0\x02\x01\0\0\0\x07\0\0\0", 16),  // 32 Mi over one
      std::string("\x02\0\0\0\x02\0\0\0\x02\0\0\0\x03\0\0\0\x01\0\0\0\x02\0\0\0\x03\0\0\0", 28),  // 2 x 2 over three
  };
  for (const std::string& bytes : bad) {
    TParamInt i;
    i.SetAsInteger(8);
    TMemoryStream m(bytes);
    EXPECT_THROW(i.LoadFromStream(m), EReadError);
    EXPECT_EQ(i.GetAsInteger(), 8);
  }
}

// What a save can hold: sizes that match the elements, fewer sizes' worth than elements, or
// sizes that no SetDims accepts (a failed one leaves them) and so never allocate.
TEST(ScriptValues, StoredSizesWithinTheStoredElementsLoad) {
  struct Case {
    std::vector<int32_t> dims;
    int32_t count;
  } cases[] = {{{2, 3}, 6}, {{}, 0}, {{2}, 3}, {{0}, 1}, {{1000000, 0}, 1}, {{-4}, 2}};
  for (const Case& c : cases) {
    TMemoryStream m;
    WriteStreamInt(m, static_cast<int32_t>(c.dims.size()));
    for (int32_t size : c.dims) WriteStreamInt(m, size);
    WriteStreamInt(m, c.count);
    for (int32_t k = 0; k < c.count; ++k) WriteStreamInt(m, k);
    m.SetPosition(0);
    TParamInt i;
    ASSERT_NO_THROW(i.LoadFromStream(m)) << c.dims.size();
    EXPECT_EQ(i.GetCount(), c.count);
    // Copying it costs no more than it holds, or fails as SetDims does.
    TParamInt copy;
    try {
      copy.Assign(i);
    } catch (const EScriptError&) {
    }
    EXPECT_LE(copy.GetCount(), std::max(c.count, 1));
  }
}

TEST(ScriptValues, EmptyStoredValueReadsAsZero) {
  TMemoryStream m(std::string("\0\0\0\0\0\0\0\0", 8));
  TParamStr s;
  s.LoadFromStream(m);
  EXPECT_EQ(s.GetCount(), 0);
  EXPECT_EQ(s.GetAsString(), "");
  EXPECT_EQ(s.GetAsInteger(), 0);
  s.SetAsString("x");
  EXPECT_EQ(s.GetCount(), 1);
  EXPECT_EQ(s.GetAsString(), "x");
}

// The array functions: size, fill, copy, search, sort, join, split and edit script arrays
// through their value objects. A "var" argument is normally a reference to a variable, so
// the variable itself changes; a reference to one element stands for its whole array.

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/sjis.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"
#include "script/param_var.h"
#include "script/script_error.h"

namespace orva {
namespace {

// The value a reference argument acts on, or none when the argument is a constant (a
// literal, a temporary of the expression) or names nothing.
TCustomParam* BoundValue(TCustomParam& arg) {
  if (arg.Kind() != pkVar) return nullptr;
  const auto& var = static_cast<const TParamVar&>(arg);
  const TParamCollectionItem* item = var.Target();
  // An element reference is a temporary of the expression that refers on to the variable.
  for (int step = 0; item && !item->Store() && item->Value().Kind() == pkVar && step < 256; ++step)
    item = static_cast<const TParamVar&>(item->Value()).Target();
  if (!item || !item->Store()) return nullptr;
  return var.Terminal();
}

TCustomParam& CheckBound(TBuiltinCall& c, size_t i) {
  TCustomParam* value = BoundValue(c.Arg(i));
  if (!value) RaiseScriptError(BuiltinFunctionNames[c.Index], ":変数が見つかりません");
  return c.Arg(i);
}

// The value itself behind a reference, for telling whether two arguments are one array.
const TCustomParam* Underlying(const TCustomParam& value) {
  return value.Kind() == pkVar ? static_cast<const TParamVar&>(value).Terminal() : &value;
}

// Element `to` of dst receives element `from` of src in dst's type; other types copy nothing.
void TypedCopy(TCustomParam& dst, int32_t to, const TCustomParam& src, int32_t from) {
  switch (dst.GetParamType()) {
    case PT_INT: dst.SetIntItem(to, src.GetIntItem(from)); break;
    case PT_FLOAT: dst.SetFloatItem(to, src.GetFloatItem(from)); break;
    case PT_BOOL: dst.SetBoolItem(to, src.GetBoolItem(from)); break;
    case PT_STR: dst.SetStrItem(to, src.GetStrItem(from)); break;
    default: break;
  }
}

void SetLength(TCustomParam& a, int64_t count) {
  const int32_t size = static_cast<int32_t>(std::clamp<int64_t>(count, std::numeric_limits<int32_t>::min(),
                                                                std::numeric_limits<int32_t>::max()));
  const int32_t sizes[] = {size};
  if (size != count) RaiseSizeError(sizes);
  a.SetDims(sizes);
}

// b's elements as they are now, apart from a when b is a itself.
struct TSource {
  const TCustomParam* value;
  std::unique_ptr<TCustomParam> copy;
};
TSource Snapshot(const TCustomParam& a, const TCustomParam& b) {
  const TCustomParam* underlying = Underlying(b);
  if (!underlying || underlying != Underlying(a)) return {&b, nullptr};
  std::unique_ptr<TCustomParam> copy = CreateParam(underlying->GetParamType());
  if (!copy || copy->Kind() == pkVar) return {&b, nullptr};
  copy->CopyFrom(*underlying);
  const TCustomParam* value = copy.get();
  return {value, std::move(copy)};
}

void GetArraySize(TBuiltinCall& c) {
  TCustomParam& a = CheckBound(c, 0);
  if (!c.Has(1)) {
    c.Dest.SetAsInteger(a.GetCount());
    return;
  }
  const int32_t d = c.Int(1), count = a.GetDimCount();
  c.Dest.SetAsInteger(d >= 0 && d < count ? a.GetDimSize(count - 1 - d) : 1);
}

void SetArray(TBuiltinCall& c) {
  TCustomParam& a = CheckBound(c, 0);
  std::vector<int32_t> sizes;
  for (size_t i = 1; i < c.Count(); ++i) sizes.push_back(c.Int(i));
  a.SetDims(sizes);
}

void FillMem(TBuiltinCall& c) {
  TCustomParam& a = CheckBound(c, 0);
  switch (a.GetParamType()) {
    case PT_INT: a.FillInt(c.Int(1)); break;
    case PT_FLOAT: a.FillFloat(c.Float(1)); break;
    case PT_BOOL: a.FillBool(c.Bool(1)); break;
    default: a.FillStr(c.Text(1)); break;
  }
}

void CopyMem(TBuiltinCall& c) {
  TCustomParam& dst = CheckBound(c, 0);
  CheckBound(c, 1);
  dst.CopyMem(*BoundValue(c.Arg(1)));
}

void ArrayToString(TBuiltinCall& c) {
  const TCustomParam& a = c.Arg(0);
  const std::string delim = c.Has(1) ? c.Text(1) : std::string("\r\n");
  const int32_t n = a.GetCount();
  // The delimiters alone may already be too long.
  CheckTextLength(int64_t{std::max(n - 1, 0)} * static_cast<int64_t>(delim.size()));
  std::string out;
  for (int32_t i = 0; i < n; ++i) {
    const std::string item = a.GetStrItem(i);
    CheckTextLength(static_cast<int64_t>(out.size()) + static_cast<int64_t>(item.size()) + (i ? static_cast<int64_t>(delim.size()) : 0));
    if (i) out += delim;
    out += item;
  }
  c.Dest.SetAsString(out);
}

void StringToArray(TBuiltinCall& c) {
  std::string s = c.Text(0);
  TCustomParam& a = c.Arg(1);
  std::vector<std::string> items;
  if (!c.Has(2) || c.Text(2) == "\r\n") {
    // Lines, as a text file is cut; a zero byte ends the text.
    items = SplitTsvLines(std::string_view(s).substr(0, s.find('\0')));
  } else {
    // Every byte of the delimiter text is a delimiter by itself.
    const std::string delim = c.Text(2);
    while (!s.empty()) items.push_back(SplitToken(s, delim));
  }
  SetLength(a, static_cast<int64_t>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) a.SetStrItem(static_cast<int32_t>(i), items[i]);
}

void IndexOfStr(TBuiltinCall& c) {
  const bool caseSensitive = !c.Has(2) || c.Bool(2);
  const bool partial = c.Has(3) && c.Bool(3);
  c.Dest.SetAsInteger(c.Arg(0).IndexOfStr(c.Text(1), caseSensitive, partial));
}

void SortStr(TBuiltinCall& c) {
  TCustomParam& a = c.Arg(0);
  const int32_t n = a.GetCount();
  std::vector<std::string> texts(static_cast<size_t>(std::max(n, 0)));
  for (int32_t i = 0; i < n; ++i) texts[static_cast<size_t>(i)] = a.GetStrItem(i);
  // Each text is case-folded once, not at every comparison.
  struct TKey {
    std::string folded;
    int32_t index;
  };
  std::vector<TKey> keys(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) keys[i] = {AnsiLowerCase(texts[i]), static_cast<int32_t>(i)};
  std::sort(keys.begin(), keys.end(), [](const TKey& x, const TKey& y) { return x.folded < y.folded; });
  for (size_t i = 0; i < keys.size(); ++i) a.SetStrItem(static_cast<int32_t>(i), texts[static_cast<size_t>(keys[i].index)]);
}

// Inserts the elements of argument `source` into the one-dimensional array of argument 0
// before the element that argument `position` names (clamped; without one: at the end).
void InsertElements(TBuiltinCall& c, size_t source, std::optional<size_t> position) {
  TCustomParam& a = c.Arg(0);
  const TSource b = Snapshot(a, c.Arg(source));
  const int32_t n = a.GetCount(), m = b.value->GetCount();
  if (a.GetDimCount() > 1 || b.value->GetDimCount() > 1) {
    c.Dest.SetAsInteger(n);
    return;
  }
  const int32_t i = position ? std::clamp(c.Int(*position), 0, n) : n;
  SetLength(a, int64_t{n} + m);
  for (int32_t j = n + m - 1; j >= i + m; --j) TypedCopy(a, j, a, j - m);
  for (int32_t j = 0; j < m; ++j) TypedCopy(a, i + j, *b.value, j);
  c.Dest.SetAsInteger(n + m);
}

void AddArray(TBuiltinCall& c) { InsertElements(c, 1, std::nullopt); }

void InsertArray(TBuiltinCall& c) { InsertElements(c, 2, 1); }

void DeleteArray(TBuiltinCall& c) {
  TCustomParam& a = c.Arg(0);
  const int32_t n = a.GetCount();
  if (a.GetDimCount() > 1) {
    c.Dest.SetAsInteger(n);
    return;
  }
  int64_t k = c.Int(2);
  // A negative count is refused before anything moves.
  if (k < 0) RaiseScriptError("配列の添字が不正です");
  const int64_t i = std::max<int64_t>(std::min<int64_t>(std::max(c.Int(1), 0), int64_t{n} - 1), 0);
  if (i + k > n) k = n - i;
  for (int64_t j = i; j < n - k; ++j) TypedCopy(a, static_cast<int32_t>(j), a, static_cast<int32_t>(j + k));
  SetLength(a, n - k);
  c.Dest.SetAsInteger(static_cast<int32_t>(n - k));
}

void CopyArray(TBuiltinCall& c) {
  TCustomParam& dst = c.Arg(0);
  const TCustomParam& src = c.Arg(1);
  std::vector<int32_t> sizes(static_cast<size_t>(std::max(src.GetDimCount(), 0)));
  for (size_t k = 0; k < sizes.size(); ++k) sizes[k] = src.GetDimSize(static_cast<int32_t>(k));
  dst.SetDims(sizes);
  for (int32_t i = 0, n = src.GetCount(); i < n; ++i) TypedCopy(dst, i, src, i);
  c.Dest.SetAsBoolean(true);
}

}  // namespace

void AddArrayFunctions(TBuiltinTable& t) {
  t[bfGetArraySize] = GetArraySize;
  t[bfSetArray] = SetArray;
  t[bfFillMem] = FillMem;
  t[bfCopyMem] = CopyMem;
  t[bfArrayToString] = ArrayToString;
  t[bfStringToArray] = StringToArray;
  t[bfIndexOfStr] = IndexOfStr;
  t[bfSortStr] = SortStr;
  t[bfAddArray] = AddArray;
  t[bfInsertArray] = InsertArray;
  t[bfDeleteArray] = DeleteArray;
  t[bfCopyArray] = CopyArray;
}

}  // namespace orva

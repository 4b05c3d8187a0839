#include "script/param.h"

#include <algorithm>
#include <limits>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "script/conversions.h"
#include "script/param_var.h"
#include "script/script_error.h"

namespace orva {
namespace {

// ---- Element conversions: reading a stored element as each script type ----

int32_t AsInt(int32_t v) { return v; }
int32_t AsInt(long double v) { return FloatToInt(v); }
int32_t AsInt(uint8_t v) { return v ? 1 : 0; }
int32_t AsInt(const std::string& v) { return TextToInt(v); }

long double AsFloat(int32_t v) { return v; }
long double AsFloat(long double v) { return v; }
long double AsFloat(uint8_t v) { return v ? 1.0L : 0.0L; }
long double AsFloat(const std::string& v) { return TextToFloat(v); }

bool AsBool(int32_t v) { return v != 0; }
bool AsBool(long double v) { return v != 0.0L; }
bool AsBool(uint8_t v) { return v != 0; }
bool AsBool(const std::string& v) { return TextToBool(v); }

std::string AsStr(int32_t v) { return IntToText(v); }
std::string AsStr(long double v) { return FloatToText(v); }
std::string AsStr(uint8_t v) { return BoolToText(v != 0); }
const std::string& AsStr(const std::string& v) { return v; }

// ---- Storing a value of each script type into an element ----

void Put(int32_t& e, int32_t v) { e = v; }
void Put(int32_t& e, long double v) { e = FloatToInt(v); }
void Put(int32_t& e, bool v) { e = v ? 1 : 0; }
void Put(int32_t& e, std::string_view v) { e = TextToInt(v); }

void Put(long double& e, int32_t v) { e = v; }
void Put(long double& e, long double v) { e = v; }
void Put(long double& e, bool v) { e = v ? 1.0L : 0.0L; }
void Put(long double& e, std::string_view v) { e = TextToFloat(v); }

void Put(uint8_t& e, int32_t v) { e = v != 0; }
void Put(uint8_t& e, long double v) { e = v != 0.0L; }
void Put(uint8_t& e, bool v) { e = v; }
void Put(uint8_t& e, std::string_view v) { e = TextToBool(v); }

void Put(std::string& e, int32_t v) { e = IntToText(v); }
void Put(std::string& e, long double v) { e = FloatToText(v); }
void Put(std::string& e, bool v) { e = BoolToText(v); }
void Put(std::string& e, std::string_view v) { e.assign(v.data(), v.size()); }

// ---- Stored element forms ----

void WriteElement(TStream& s, int32_t v) { WriteStreamInt(s, v); }
void WriteElement(TStream& s, long double v) {
  uint8_t bytes[10];
  FloatToBytes(v, bytes);
  s.WriteBuffer(bytes, 10);
}
void WriteElement(TStream& s, uint8_t v) { WriteStreamByte(s, v); }
void WriteElement(TStream& s, const std::string& v) { WriteStreamString(s, v); }

void ReadElement(TStream& s, int32_t& v) { v = ReadStreamInt(s); }
void ReadElement(TStream& s, long double& v) {
  uint8_t bytes[10] = {};
  s.Read(bytes, 10);
  v = FloatFromBytes(bytes);
}
void ReadElement(TStream& s, uint8_t& v) { v = ReadStreamByte(s) != 0; }
void ReadElement(TStream& s, std::string& v) { ReadStreamString(s, v); }

// The fewest bytes one stored element takes.
template <class E>
constexpr int64_t StoredElementBytes() {
  if constexpr (std::is_same_v<E, long double>) return 10;
  else if constexpr (std::is_same_v<E, uint8_t>) return 1;
  else return 4;
}

[[noreturn]] void RaiseIndexError() { RaiseScriptError("配列の添字が不正です"); }

bool TextMatches(std::string_view element, std::string_view text, std::string_view loweredText, bool caseSensitive, bool partial) {
  if (partial) return caseSensitive ? JPos(text, element) > 0 : JPos(loweredText, AnsiLowerCase(element)) > 0;
  return caseSensitive ? element == text : SameTextAscii(element, text);
}

}  // namespace

// ---- TCustomParam ----

int32_t TCustomParam::GetDimCount() const { return dims_.empty() ? 1 : static_cast<int32_t>(dims_.size()); }

int32_t TCustomParam::GetDimSize(int32_t dim) const {
  if (dim < 0 || dim >= static_cast<int32_t>(dims_.size())) return 1;
  return dims_[static_cast<size_t>(dim)];
}

void TCustomParam::CopyFrom(const TCustomParam& source) { dims_ = source.dims_; }

int32_t TCustomParam::CheckedProduct(std::span<const int32_t> sizes, size_t elementBytes) {
  int64_t product = 1;
  for (int32_t size : sizes) {
    if (size < 1) RaiseSizeError(sizes);
    product *= size;
    if (product > std::numeric_limits<int32_t>::max() || product * static_cast<int64_t>(elementBytes) > MaxParamBytes)
      RaiseSizeError(sizes);
  }
  return static_cast<int32_t>(product);
}

void TCustomParam::SetDims(std::span<const int32_t> sizes) {
  int32_t product = CheckedProduct(sizes, 1);
  dims_.assign(sizes.begin(), sizes.end());
  SetCount(product);
}

void TCustomParam::CopyMem(const TCustomParam& source) {
  if (source.Kind() != Kind()) RaiseScriptError("CopyMem:変数の型があいません");
  SetCount(source.GetCount());
  std::vector<int32_t> dims(static_cast<size_t>(std::max(source.GetDimCount(), 0)));
  for (size_t k = 0; k < dims.size(); ++k) dims[k] = source.GetDimSize(static_cast<int32_t>(k));
  dims_ = std::move(dims);
}

void TCustomParam::SaveDims(TStream& stream) const {
  WriteStreamInt(stream, static_cast<int32_t>(dims_.size()));
  for (int32_t size : dims_) WriteStreamInt(stream, size);
}

std::vector<int32_t> TCustomParam::LoadDims(TStream& stream) {
  std::vector<int32_t> dims(static_cast<size_t>(ReadStreamCount(stream, 4)));
  for (int32_t& size : dims) size = ReadStreamInt(stream);
  return dims;
}

void TCustomParam::CheckStoredDims(std::span<const int32_t> dims, size_t count) {
  // Sizes below 1 (left by a failed SetDims) are refused by every SetDims and allocate nothing.
  if (std::any_of(dims.begin(), dims.end(), [](int32_t size) { return size < 1; })) return;
  int64_t product = 1;
  for (int32_t size : dims) {
    product *= size;
    if (product > static_cast<int64_t>(count)) throw EReadError("Stream read error");
  }
}

void TCustomParam::SaveToStream(TStream& stream) const { SaveDims(stream); }

void TCustomParam::LoadFromStream(TStream& stream) { dims_ = LoadDims(stream); }

int32_t TCustomParam::IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const {
  const std::string lowered = partial && !caseSensitive ? AnsiLowerCase(text) : std::string();
  for (int32_t i = 0, n = GetCount(); i < n; ++i)
    if (TextMatches(GetStrItem(i), text, lowered, caseSensitive, partial)) return i;
  return -1;
}

void TCustomParam::Assign(const TCustomParam& source) {
  std::vector<int32_t> sizes(static_cast<size_t>(std::max(source.GetDimCount(), 0)));
  for (size_t k = 0; k < sizes.size(); ++k) sizes[k] = source.GetDimSize(static_cast<int32_t>(k));
  SetDims(sizes);
  const int32_t n = source.GetCount();
  switch (GetParamType()) {
    case PT_INT:
      for (int32_t i = 0; i < n; ++i) SetIntItem(i, source.GetIntItem(i));
      break;
    case PT_FLOAT:
      for (int32_t i = 0; i < n; ++i) SetFloatItem(i, source.GetFloatItem(i));
      break;
    case PT_BOOL:
      for (int32_t i = 0; i < n; ++i) SetBoolItem(i, source.GetBoolItem(i));
      break;
    case PT_STR:
      for (int32_t i = 0; i < n; ++i) SetStrItem(i, source.GetStrItem(i));
      break;
    default: break;
  }
}

// ---- TParamData ----

template <class E, TParamKind K>
const E& TParamData<E, K>::Element(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(items_.size())) RaiseIndexError();
  return items_[static_cast<size_t>(index)];
}

template <class E, TParamKind K>
E& TParamData<E, K>::Element(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(items_.size())) RaiseIndexError();
  return items_[static_cast<size_t>(index)];
}

template <class E, TParamKind K>
E& TParamData<E, K>::ScalarSlot() {
  MakeScalar();
  if (items_.empty()) items_.resize(1);
  return items_[0];
}

template <class E, TParamKind K>
int32_t TParamData<E, K>::CheckedCount(int32_t count) {
  count = std::max(count, 0);
  if (static_cast<int64_t>(count) * static_cast<int64_t>(sizeof(E)) > MaxParamBytes) {
    const int32_t sizes[] = {count};
    RaiseSizeError(sizes);
  }
  return count;
}

template <class E, TParamKind K>
void TParamData<E, K>::SetCount(int32_t count) {
  items_.resize(static_cast<size_t>(CheckedCount(count)));
}

template <class E, TParamKind K>
const E& TParamData<E, K>::First() const {
  // Only a stored form can leave the store empty; its value then reads as the zero.
  static const E zero{};
  return items_.empty() ? zero : items_[0];
}

template <class E, TParamKind K>
bool TParamData<E, K>::GetAsBoolean() const { return AsBool(First()); }
template <class E, TParamKind K>
long double TParamData<E, K>::GetAsFloat() const { return AsFloat(First()); }
template <class E, TParamKind K>
int32_t TParamData<E, K>::GetAsInteger() const { return AsInt(First()); }
template <class E, TParamKind K>
std::string TParamData<E, K>::GetAsString() const { return AsStr(First()); }

template <class E, TParamKind K>
void TParamData<E, K>::SetAsBoolean(bool value) { Put(ScalarSlot(), value); }
template <class E, TParamKind K>
void TParamData<E, K>::SetAsFloat(long double value) { Put(ScalarSlot(), value); }
template <class E, TParamKind K>
void TParamData<E, K>::SetAsInteger(int32_t value) { Put(ScalarSlot(), value); }
template <class E, TParamKind K>
void TParamData<E, K>::SetAsString(std::string_view value) { Put(ScalarSlot(), value); }

template <class E, TParamKind K>
int32_t TParamData<E, K>::GetIntItem(int32_t index) const { return AsInt(Element(index)); }
template <class E, TParamKind K>
void TParamData<E, K>::SetIntItem(int32_t index, int32_t value) { Put(Element(index), value); }
template <class E, TParamKind K>
long double TParamData<E, K>::GetFloatItem(int32_t index) const { return AsFloat(Element(index)); }
template <class E, TParamKind K>
void TParamData<E, K>::SetFloatItem(int32_t index, long double value) { Put(Element(index), value); }
template <class E, TParamKind K>
bool TParamData<E, K>::GetBoolItem(int32_t index) const { return AsBool(Element(index)); }
template <class E, TParamKind K>
void TParamData<E, K>::SetBoolItem(int32_t index, bool value) { Put(Element(index), value); }
template <class E, TParamKind K>
std::string TParamData<E, K>::GetStrItem(int32_t index) const { return AsStr(Element(index)); }
template <class E, TParamKind K>
void TParamData<E, K>::SetStrItem(int32_t index, std::string_view value) { Put(Element(index), value); }

template <class E, TParamKind K>
void TParamData<E, K>::CopyFrom(const TCustomParam& source) {
  if (source.Kind() == K) {
    const auto& same = static_cast<const TParamData&>(source);
    dims_ = same.dims_;
    items_ = same.items_;
    return;
  }
  // Another class (a reference or a system variable): its elements in this type.
  const int32_t n = CheckedCount(source.GetCount());
  const int32_t dimCount = source.GetDimCount();
  std::vector<int32_t> dims;
  if (!(dimCount == 1 && source.GetDimSize(0) == n))
    for (int32_t k = 0; k < dimCount; ++k) dims.push_back(source.GetDimSize(k));
  std::vector<E> items(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    E& e = items[static_cast<size_t>(i)];
    if constexpr (K == pkInt) e = source.GetIntItem(i);
    else if constexpr (K == pkFloat) e = source.GetFloatItem(i);
    else if constexpr (K == pkFlag) e = source.GetBoolItem(i);
    else e = source.GetStrItem(i);
  }
  if (dims.empty() && n > 1) dims.push_back(n);
  dims_ = std::move(dims);
  items_ = std::move(items);
}

template <class E, TParamKind K>
void TParamData<E, K>::SetDims(std::span<const int32_t> sizes) {
  int32_t product = CheckedProduct(sizes, sizeof(E));
  items_.resize(static_cast<size_t>(product));
  dims_.assign(sizes.begin(), sizes.end());
}

template <class E, TParamKind K>
void TParamData<E, K>::FillInt(int32_t value) {
  if constexpr (K == pkInt) std::fill(items_.begin(), items_.end(), value);
}
template <class E, TParamKind K>
void TParamData<E, K>::FillFloat(long double value) {
  if constexpr (K == pkFloat) std::fill(items_.begin(), items_.end(), value);
}
template <class E, TParamKind K>
void TParamData<E, K>::FillBool(bool value) {
  if constexpr (K == pkFlag) std::fill(items_.begin(), items_.end(), static_cast<uint8_t>(value));
}
template <class E, TParamKind K>
void TParamData<E, K>::FillStr(std::string_view value) {
  if constexpr (K == pkStr) std::fill(items_.begin(), items_.end(), std::string(value));
}

template <class E, TParamKind K>
void TParamData<E, K>::CopyMem(const TCustomParam& source) {
  if (source.Kind() != K) RaiseScriptError("CopyMem:変数の型があいません");
  const auto& same = static_cast<const TParamData&>(source);
  std::vector<int32_t> dims(static_cast<size_t>(same.GetDimCount()));
  for (size_t k = 0; k < dims.size(); ++k) dims[k] = same.GetDimSize(static_cast<int32_t>(k));
  items_ = same.items_;
  dims_ = std::move(dims);
}

template <class E, TParamKind K>
void TParamData<E, K>::SaveToStream(TStream& stream) const {
  SaveDims(stream);
  WriteStreamInt(stream, static_cast<int32_t>(items_.size()));
  for (const E& e : items_) WriteElement(stream, e);
}

template <class E, TParamKind K>
void TParamData<E, K>::LoadFromStream(TStream& stream) {
  std::vector<int32_t> dims = LoadDims(stream);
  std::vector<E> items(static_cast<size_t>(ReadStreamCount(stream, StoredElementBytes<E>())));
  for (E& e : items) ReadElement(stream, e);
  CheckStoredDims(dims, items.size());
  dims_ = std::move(dims);
  items_ = std::move(items);
}

template <class E, TParamKind K>
void TParamData<E, K>::MakeScalar() {
  if (dims_.empty()) return;
  dims_.clear();
  items_.resize(1);
}

template <class E, TParamKind K>
int32_t TParamData<E, K>::IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const {
  if constexpr (K != pkStr) {
    return TCustomParam::IndexOfStr(text, caseSensitive, partial);
  } else {
    const std::string lowered = partial && !caseSensitive ? AnsiLowerCase(text) : std::string();
    for (size_t i = 0; i < items_.size(); ++i)
      if (TextMatches(items_[i], text, lowered, caseSensitive, partial)) return static_cast<int32_t>(i);
    return -1;
  }
}

template <class E, TParamKind K>
void TParamData<E, K>::Reset() {
  dims_.clear();
  items_.resize(1);
  items_[0] = E{};
}

template class TParamData<int32_t, pkInt>;
template class TParamData<long double, pkFloat>;
template class TParamData<uint8_t, pkFlag>;
template class TParamData<std::string, pkStr>;

// ---- Factory and messages ----

std::unique_ptr<TCustomParam> CreateParam(int typeCode) {
  switch (typeCode & 0x7F) {
    case PT_NONE: return std::make_unique<TParamVar>();
    case PT_INT: return std::make_unique<TParamInt>();
    case PT_FLOAT: return std::make_unique<TParamFloat>();
    case PT_BOOL: return std::make_unique<TParamFlag>();
    case PT_STR: return std::make_unique<TParamStr>();
    default: return nullptr;
  }
}

void RaiseSizeError(std::span<const int32_t> sizes) {
  std::string list;
  for (size_t k = 0; k < sizes.size(); ++k) {
    if (k) list += ',';
    list += IntToText(sizes[k]);
  }
  throw EScriptError(Sjis("配列の要素数[") + list + Sjis("]が不正です"));
}

}  // namespace orva

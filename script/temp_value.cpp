#include "script/temp_value.h"

#include "script/param_collection.h"

namespace orva {

// The named variable's value for the length of one operation, or none.
class TTempValue::TTarget {
 public:
  explicit TTarget(const TTempValue& temp) : temp_(temp) {
    if (temp.busy_ || temp.vars_.TempVariableName.empty()) return;
    if (TParamCollectionItem* item = temp.vars_.Find(temp.vars_.TempVariableName)) {
      value_ = &item->Value();
      temp.busy_ = true;
    }
  }
  ~TTarget() {
    if (value_) temp_.busy_ = false;
  }
  TTarget(const TTarget&) = delete;
  TTarget& operator=(const TTarget&) = delete;

  explicit operator bool() const { return value_ != nullptr; }
  TCustomParam* operator->() const { return value_; }

 private:
  const TTempValue& temp_;
  TCustomParam* value_ = nullptr;
};

TParamType TTempValue::GetParamType() const {
  TTarget t(*this);
  return t ? t->GetParamType() : PT_NONE;
}

int32_t TTempValue::GetCount() const {
  TTarget t(*this);
  return t ? t->GetCount() : 1;
}

void TTempValue::SetCount(int32_t count) {
  if (TTarget t(*this); t) t->SetCount(count);
}

int32_t TTempValue::GetIntItem(int32_t index) const {
  TTarget t(*this);
  return t ? t->GetIntItem(index) : 0;
}
void TTempValue::SetIntItem(int32_t index, int32_t value) {
  if (TTarget t(*this); t) t->SetIntItem(index, value);
}
long double TTempValue::GetFloatItem(int32_t index) const {
  TTarget t(*this);
  return t ? t->GetFloatItem(index) : 0.0L;
}
void TTempValue::SetFloatItem(int32_t index, long double value) {
  if (TTarget t(*this); t) t->SetFloatItem(index, value);
}
bool TTempValue::GetBoolItem(int32_t index) const {
  TTarget t(*this);
  return t && t->GetBoolItem(index);
}
void TTempValue::SetBoolItem(int32_t index, bool value) {
  if (TTarget t(*this); t) t->SetBoolItem(index, value);
}
std::string TTempValue::GetStrItem(int32_t index) const {
  TTarget t(*this);
  return t ? t->GetStrItem(index) : std::string();
}
void TTempValue::SetStrItem(int32_t index, std::string_view value) {
  if (TTarget t(*this); t) t->SetStrItem(index, value);
}

int32_t TTempValue::GetDimCount() const {
  TTarget t(*this);
  return t ? t->GetDimCount() : 1;
}
int32_t TTempValue::GetDimSize(int32_t dim) const {
  TTarget t(*this);
  return t ? t->GetDimSize(dim) : 1;
}
void TTempValue::SetDims(std::span<const int32_t> sizes) {
  if (TTarget t(*this); t) t->SetDims(sizes);
}
void TTempValue::CopyFrom(const TCustomParam& source) {
  if (TTarget t(*this); t) t->CopyFrom(source);
}
void TTempValue::FillInt(int32_t value) {
  if (TTarget t(*this); t) t->FillInt(value);
}
void TTempValue::FillFloat(long double value) {
  if (TTarget t(*this); t) t->FillFloat(value);
}
void TTempValue::FillBool(bool value) {
  if (TTarget t(*this); t) t->FillBool(value);
}
void TTempValue::FillStr(std::string_view value) {
  if (TTarget t(*this); t) t->FillStr(value);
}
void TTempValue::CopyMem(const TCustomParam& source) {
  if (TTarget t(*this); t) t->CopyMem(source);
}
void TTempValue::MakeScalar() {
  if (TTarget t(*this); t) t->MakeScalar();
}
int32_t TTempValue::IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const {
  TTarget t(*this);
  return t ? t->IndexOfStr(text, caseSensitive, partial) : TCustomParam::IndexOfStr(text, caseSensitive, partial);
}

// Scalars reach the variable in its own type, after the conversion by the system rules.
int32_t TTempValue::ReadInt(TElement) const {
  TTarget t(*this);
  return t ? t->GetAsInteger() : 0;
}
long double TTempValue::ReadFloat(TElement) const {
  TTarget t(*this);
  return t ? t->GetAsFloat() : 0.0L;
}
bool TTempValue::ReadBool(TElement) const {
  TTarget t(*this);
  return t && t->GetAsBoolean();
}
std::string TTempValue::ReadStr(TElement) const {
  TTarget t(*this);
  return t ? t->GetAsString() : std::string();
}
void TTempValue::WriteInt(TElement, int32_t value) {
  if (TTarget t(*this); t) t->SetAsInteger(value);
}
void TTempValue::WriteFloat(TElement, long double value) {
  if (TTarget t(*this); t) t->SetAsFloat(value);
}
void TTempValue::WriteBool(TElement, bool value) {
  if (TTarget t(*this); t) t->SetAsBoolean(value);
}
void TTempValue::WriteStr(TElement, std::string_view value) {
  if (TTarget t(*this); t) t->SetAsString(value);
}

}  // namespace orva

#include "script/param_var.h"

#include "core/stream.h"
#include "script/param_collection.h"
#include "script/script_error.h"

namespace orva {

void TParamVar::Resolve(TParamCollection& store) {
  const uint64_t stamp = store.LookupStamp();
  if (lookupStore_ != &store || lookupStamp_ != stamp) {
    if (!nameKey_) nameKey_ = THashCollection::KeyOf(name_);
    lookup_ = store.Find(name_, nameKey_);
    lookupStore_ = &store;
    lookupStamp_ = stamp;
  }
  if (!lookup_) RaiseQuotedError(name_, " 変数がありません");
  BindOperand(lookup_);
}

void TParamVar::BindOperand(TParamCollectionItem* target) {
  Bind(target);
  // A subscript temporary passes its element on; any other target is addressed from 0.
  const TCustomParam* value = target ? &target->Value() : nullptr;
  elementIndex_ = value && value->Kind() == pkVar ? static_cast<const TParamVar*>(value)->elementIndex_ : 0;
}

void TParamVar::Bind(TParamCollectionItem* target) {
  target_ = target;
  targetStore_ = target ? target->Store() : nullptr;
  if (targetStore_) {
    targetChanges_ = targetStore_->Changes();
    targetSerial_ = target->Serial();
    targetHint_ = target->GetIndex();
  }
}

void TParamVar::Unbind() {
  target_ = nullptr;
  targetStore_ = nullptr;
}

TParamCollectionItem* TParamVar::Target() const {
  if (targetStore_ && targetStore_->Changes() != targetChanges_) {
    if (targetStore_->Holds(target_, targetSerial_, targetHint_)) {
      targetChanges_ = targetStore_->Changes();
    } else {
      target_ = nullptr;
      targetStore_ = nullptr;
    }
  }
  return target_;
}

TCustomParam* TParamVar::Terminal() const {
  // References only chain through stored data; a bound on the walk keeps a circle finite.
  const TParamVar* var = this;
  for (int step = 0; step < 256; ++step) {
    TParamCollectionItem* target = var->Target();
    if (!target) return nullptr;
    TCustomParam& value = target->Value();
    if (value.Kind() != pkVar) return &value;
    var = static_cast<const TParamVar*>(&value);
  }
  return nullptr;
}

int32_t TParamVar::GetCount() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetCount() : 0;
}
TParamType TParamVar::GetParamType() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetParamType() : PT_NONE;
}

bool TParamVar::GetAsBoolean() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetBoolItem(elementIndex_) : false;
}
long double TParamVar::GetAsFloat() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetFloatItem(elementIndex_) : 0.0L;
}
int32_t TParamVar::GetAsInteger() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetIntItem(elementIndex_) : 0;
}
std::string TParamVar::GetAsString() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetStrItem(elementIndex_) : std::string();
}
void TParamVar::SetAsBoolean(bool value) {
  if (TCustomParam* t = Terminal()) t->SetBoolItem(elementIndex_, value);
}
void TParamVar::SetAsFloat(long double value) {
  if (TCustomParam* t = Terminal()) t->SetFloatItem(elementIndex_, value);
}
void TParamVar::SetAsInteger(int32_t value) {
  if (TCustomParam* t = Terminal()) t->SetIntItem(elementIndex_, value);
}
void TParamVar::SetAsString(std::string_view value) {
  if (TCustomParam* t = Terminal()) t->SetStrItem(elementIndex_, value);
}


int32_t TParamVar::GetDimCount() const {
  const TCustomParam* t = Terminal();
  return t ? t->GetDimCount() : 0;
}
int32_t TParamVar::GetDimSize(int32_t dim) const {
  const TCustomParam* t = Terminal();
  return t ? t->GetDimSize(dim) : 0;
}
void TParamVar::CopyFrom(const TCustomParam& source) {
  if (TCustomParam* t = Terminal()) t->CopyFrom(source);
}
void TParamVar::SetDims(std::span<const int32_t> sizes) {
  if (TCustomParam* t = Terminal()) t->SetDims(sizes);
}
void TParamVar::CopyMem(const TCustomParam& source) {
  if (TCustomParam* t = Terminal()) t->CopyMem(source);
}
int32_t TParamVar::IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const {
  const TCustomParam* t = Terminal();
  return t ? t->IndexOfStr(text, caseSensitive, partial) : -1;
}

void TParamVar::SaveToStream(TStream& stream) const {
  SaveDims(stream);
  WriteStreamString(stream, name_);
  const TParamCollectionItem* target = Target();
  WriteStreamString(stream, target ? std::string_view(target->GetName()) : std::string_view());
  WriteStreamByte(stream, elementFlag_);
  WriteStreamInt(stream, elementIndex_);
}

void TParamVar::LoadFromStream(TStream& stream) {
  std::vector<int32_t> dims = LoadDims(stream);
  std::string name = ReadStreamString(stream);
  std::string target = ReadStreamString(stream);
  elementFlag_ = ReadStreamByte(stream);
  elementIndex_ = ReadStreamInt(stream);
  dims_ = std::move(dims);
  name_ = std::move(name);
  nameKey_ = 0;
  storedTarget_ = std::move(target);
  Unbind();
}

}  // namespace orva

#include "script/param_system.h"

#include <array>

#include "script/param_collection.h"
#include "script/script_error.h"

namespace orva {
namespace {

constexpr TParamType I = PT_INT, F = PT_FLOAT, B = PT_BOOL, S = PT_STR, N = PT_NONE;

// By id: @Result and @Temp take their type from what they stand for (none without it).
constexpr std::array<TParamType, SystemVariableCount> kTypes = {
    N, B, B, B, B, I, I, I, I, I,  // @Result .. @ParamCount
    S, S, I, I, I, I, I, I, I, I,  // @ParamStr .. @Day
    I, I, I, I, S, S, B, S, S, I,  // @Week .. @SelIndex
    F, B, F, F, F, B, B, I, I, S,  // @Pi .. @Title
    B, S, B, I, N, S, S, B, B,     // @SoundON .. @WheelUp
};

}  // namespace

TParamType DefaultSystemVariableType(uint8_t id) { return id < kTypes.size() ? kTypes[id] : PT_NONE; }

TParamSystem::TParamSystem(int id, const TParamCollection* store) : TForwardingParam(pkSystem), store_(store) {
  if (id < 0 || id >= SystemVariableCount) RaiseScriptError("内部エラー");
  id_ = static_cast<uint8_t>(id);
}

TCustomParam* TParamSystem::Forward() const {
  TSystemVariableProvider* provider = store_ ? store_->SystemVariables() : nullptr;
  return provider ? provider->SystemVariable(id_) : nullptr;
}

// Without engine state a system variable reads as the zero of its type and ignores writes.
int32_t TParamSystem::GetCount() const {
  const TCustomParam* s = Forward();
  return s ? s->GetCount() : 1;
}
TParamType TParamSystem::GetParamType() const {
  const TCustomParam* s = Forward();
  return s ? s->GetParamType() : DefaultSystemVariableType(id_);
}

bool TParamSystem::GetAsBoolean() const {
  const TCustomParam* s = Forward();
  return s ? s->GetAsBoolean() : false;
}
long double TParamSystem::GetAsFloat() const {
  const TCustomParam* s = Forward();
  return s ? s->GetAsFloat() : 0.0L;
}
int32_t TParamSystem::GetAsInteger() const {
  const TCustomParam* s = Forward();
  return s ? s->GetAsInteger() : 0;
}
std::string TParamSystem::GetAsString() const {
  const TCustomParam* s = Forward();
  return s ? s->GetAsString() : std::string();
}
void TParamSystem::SetAsBoolean(bool value) {
  if (TCustomParam* s = Forward()) s->SetAsBoolean(value);
}
void TParamSystem::SetAsFloat(long double value) {
  if (TCustomParam* s = Forward()) s->SetAsFloat(value);
}
void TParamSystem::SetAsInteger(int32_t value) {
  if (TCustomParam* s = Forward()) s->SetAsInteger(value);
}
void TParamSystem::SetAsString(std::string_view value) {
  if (TCustomParam* s = Forward()) s->SetAsString(value);
}


int32_t TParamSystem::GetDimCount() const {
  const TCustomParam* s = Forward();
  return s ? s->GetDimCount() : TCustomParam::GetDimCount();
}
int32_t TParamSystem::GetDimSize(int32_t dim) const {
  if (const TCustomParam* s = Forward()) return s->GetDimSize(dim);
  return dim == 0 ? GetCount() : 1;
}
void TParamSystem::CopyFrom(const TCustomParam& source) {
  if (TCustomParam* s = Forward()) return s->CopyFrom(source);
  dims_ = source.Dims();
}
void TParamSystem::SetDims(std::span<const int32_t> sizes) {
  if (TCustomParam* s = Forward()) return s->SetDims(sizes);
  dims_.assign(sizes.begin(), sizes.end());
}
void TParamSystem::CopyMem(const TCustomParam& source) {
  if (TCustomParam* s = Forward()) return s->CopyMem(source);
  dims_ = source.Dims();
}

}  // namespace orva

#pragma once
// A system variable: a value without storage of its own that answers from engine state. The
// engine state lives in later subsystems; the store reaches it through one provider, which
// hands out the value object that stands for each id.

#include <cstdint>

#include "script/param_forward.h"

namespace orva {

class TParamCollection;

// The engine side of the 49 system variables.
class TSystemVariableProvider {
 public:
  virtual ~TSystemVariableProvider() = default;
  // The value that answers for system variable `id` (0..48), or none when the part of the
  // engine behind it is absent.
  virtual TCustomParam* SystemVariable(uint8_t id) = 0;
};

// The type a system variable has when no engine state answers for it.
TParamType DefaultSystemVariableType(uint8_t id);

class TParamSystem final : public TForwardingParam {
 public:
  // Raises "内部エラー" for an id outside 0..48.
  TParamSystem(int id, const TParamCollection* store);
  uint8_t Id() const { return id_; }

  int32_t GetCount() const override;
  TParamType GetParamType() const override;
  bool GetAsBoolean() const override;
  long double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  void SetAsBoolean(bool value) override;
  void SetAsFloat(long double value) override;
  void SetAsInteger(int32_t value) override;
  void SetAsString(std::string_view value) override;
  int32_t GetDimCount() const override;
  int32_t GetDimSize(int32_t dim) const override;
  void CopyFrom(const TCustomParam& source) override;
  void SetDims(std::span<const int32_t> sizes) override;
  void CopyMem(const TCustomParam& source) override;

 private:
  TCustomParam* Forward() const override;

  uint8_t id_;
  const TParamCollection* store_;
};

}  // namespace orva

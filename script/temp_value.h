#pragma once
// The value of @Temp: it stands for the variable named by the store's TempVariableName,
// looked up at every access. Scalar operations convert by the system variables' rules into
// the named variable's type and then reach that variable; item and array operations go to it
// directly. Without such a variable reads give zero (count and dimension count 1) and writes
// do nothing; so does an access that comes back to @Temp while it is forwarding one (a name
// that leads to @Temp itself).

#include "script/system_value.h"

namespace orva {

class TParamCollection;

class TTempValue final : public TSystemValue {
 public:
  explicit TTempValue(const TParamCollection& vars) : vars_(vars) {}

  TParamType GetParamType() const override;
  int32_t GetCount() const override;
  void SetCount(int32_t count) override;

  int32_t GetIntItem(int32_t index) const override;
  void SetIntItem(int32_t index, int32_t value) override;
  long double GetFloatItem(int32_t index) const override;
  void SetFloatItem(int32_t index, long double value) override;
  bool GetBoolItem(int32_t index) const override;
  void SetBoolItem(int32_t index, bool value) override;
  std::string GetStrItem(int32_t index) const override;
  void SetStrItem(int32_t index, std::string_view value) override;

  int32_t GetDimCount() const override;
  int32_t GetDimSize(int32_t dim) const override;
  void SetDims(std::span<const int32_t> sizes) override;
  void CopyFrom(const TCustomParam& source) override;
  void FillInt(int32_t value) override;
  void FillFloat(long double value) override;
  void FillBool(bool value) override;
  void FillStr(std::string_view value) override;
  void CopyMem(const TCustomParam& source) override;
  void MakeScalar() override;
  int32_t IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const override;

 protected:
  int32_t ReadInt(TElement) const override;
  long double ReadFloat(TElement) const override;
  bool ReadBool(TElement) const override;
  std::string ReadStr(TElement) const override;
  void WriteInt(TElement, int32_t value) override;
  void WriteFloat(TElement, long double value) override;
  void WriteBool(TElement, bool value) override;
  void WriteStr(TElement, std::string_view value) override;

 private:
  class TTarget;

  const TParamCollection& vars_;
  mutable bool busy_ = false;
};

}  // namespace orva

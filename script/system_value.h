#pragma once
// The value behind a system variable: it answers in its own type from engine state and
// converts every other access by the rules of the system variables, which are not those of
// the plain values. A text reads as a number by the integer rule only ("1.5" reads 0 and
// 0.0); a text is a true flag when it is not empty (an element: when its integer is not 0);
// a text written to a number that is no number is dropped (an element stores 0); a text
// written to a flag is true when its integer is not 0 (an element: only "TRUE").
//
// Item operations ignore the index unless the variable has elements of its own. Arrays do
// not reach the engine: SetDims, CopyFrom and CopyMem only record a dimension list, fills
// and MakeScalar do nothing, and dimension 0 has the element count as its size.

#include <cstdint>
#include <string>
#include <string_view>

#include "script/param.h"

namespace orva {

// What an access of a system variable addresses: the scalar, or one element by index.
struct TSystemElement {
  bool Scalar = true;
  int32_t Index = 0;
};

class TSystemValue : public TCustomParam {
 public:
  using TElement = TSystemElement;

  TSystemValue() : TCustomParam(pkSystem) {}

  bool GetAsBoolean() const override { return ReadAsBool(kScalar); }
  long double GetAsFloat() const override { return ReadAsFloat(kScalar); }
  int32_t GetAsInteger() const override { return ReadAsInt(kScalar); }
  std::string GetAsString() const override { return ReadAsStr(kScalar); }
  void SetAsBoolean(bool value) override { WriteAsBool(kScalar, value); }
  void SetAsFloat(long double value) override { WriteAsFloat(kScalar, value); }
  void SetAsInteger(int32_t value) override { WriteAsInt(kScalar, value); }
  void SetAsString(std::string_view value) override { WriteAsStr(kScalar, value); }

  int32_t GetIntItem(int32_t index) const override { return ReadAsInt(TElement{false, index}); }
  void SetIntItem(int32_t index, int32_t value) override { WriteAsInt(TElement{false, index}, value); }
  long double GetFloatItem(int32_t index) const override { return ReadAsFloat(TElement{false, index}); }
  void SetFloatItem(int32_t index, long double value) override { WriteAsFloat(TElement{false, index}, value); }
  bool GetBoolItem(int32_t index) const override { return ReadAsBool(TElement{false, index}); }
  void SetBoolItem(int32_t index, bool value) override { WriteAsBool(TElement{false, index}, value); }
  std::string GetStrItem(int32_t index) const override { return ReadAsStr(TElement{false, index}); }
  void SetStrItem(int32_t index, std::string_view value) override { WriteAsStr(TElement{false, index}, value); }

  int32_t GetDimSize(int32_t dim) const override { return dim == 0 ? GetCount() : 1; }
  void CopyFrom(const TCustomParam& source) override { dims_ = source.Dims(); }
  void SetDims(std::span<const int32_t> sizes) override { dims_.assign(sizes.begin(), sizes.end()); }
  void CopyMem(const TCustomParam& source) override { dims_ = source.Dims(); }

 protected:
  static constexpr TElement kScalar{};

  // The engine, in the variable's own type (GetParamType); most variables ignore `element`.
  virtual int32_t ReadInt(TElement element) const { return 0; }
  virtual long double ReadFloat(TElement element) const { return 0.0L; }
  virtual bool ReadBool(TElement element) const { return false; }
  virtual std::string ReadStr(TElement element) const { return {}; }
  virtual void WriteInt(TElement element, int32_t value) {}
  virtual void WriteFloat(TElement element, long double value) {}
  virtual void WriteBool(TElement element, bool value) {}
  virtual void WriteStr(TElement element, std::string_view value) {}

 private:
  int32_t ReadAsInt(TElement element) const;
  long double ReadAsFloat(TElement element) const;
  bool ReadAsBool(TElement element) const;
  std::string ReadAsStr(TElement element) const;
  void WriteAsInt(TElement element, int32_t value);
  void WriteAsFloat(TElement element, long double value);
  void WriteAsBool(TElement element, bool value);
  void WriteAsStr(TElement element, std::string_view value);
};

}  // namespace orva

#pragma once
// Script values: every datum of the script language (a variable's contents, a literal, an
// expression's result, a function argument) is a TCustomParam. The four data classes hold
// elements of one type and convert on every read and write; TParamVar (a reference) and
// TParamSystem (a system variable) answer the same interface by forwarding.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/vocabulary.h"

namespace orva {

class TStream;

// The class of a value object. For the data classes it equals the value type; a reference's
// value type is its target's, so the class is kept apart from GetParamType.
enum TParamKind : uint8_t { pkVar = 0, pkInt = 1, pkFloat = 2, pkFlag = 3, pkStr = 4, pkSystem = 5 };

class TCustomParam {
 public:
  virtual ~TCustomParam() = default;
  TCustomParam(const TCustomParam&) = delete;
  TCustomParam& operator=(const TCustomParam&) = delete;

  TParamKind Kind() const { return kind_; }

  virtual int32_t GetCount() const { return 1; }
  virtual void SetCount(int32_t count) {}
  virtual TParamType GetParamType() const { return PT_INT; }

  // Scalar operations act on element 0; the setters first make an array a scalar.
  virtual bool GetAsBoolean() const { return false; }
  virtual long double GetAsFloat() const { return 0.0L; }
  virtual int32_t GetAsInteger() const { return 0; }
  virtual std::string GetAsString() const { return {}; }
  virtual void SetAsBoolean(bool value) {}
  virtual void SetAsFloat(long double value) {}
  virtual void SetAsInteger(int32_t value) {}
  virtual void SetAsString(std::string_view value) {}

  // Item operations take a zero-based element index and never change the dimensions.
  virtual int32_t GetIntItem(int32_t index) const { return 0; }
  virtual void SetIntItem(int32_t index, int32_t value) {}
  virtual long double GetFloatItem(int32_t index) const { return 0.0L; }
  virtual void SetFloatItem(int32_t index, long double value) {}
  virtual bool GetBoolItem(int32_t index) const { return false; }
  virtual void SetBoolItem(int32_t index, bool value) {}
  virtual std::string GetStrItem(int32_t index) const { return {}; }
  virtual void SetStrItem(int32_t index, std::string_view value) {}

  // 1 for a scalar; dimension `dim` (0-based) has size 1 outside the list.
  virtual int32_t GetDimCount() const;
  virtual int32_t GetDimSize(int32_t dim) const;
  // Copies a value of the same class as it is (other classes: element by element).
  virtual void CopyFrom(const TCustomParam& source);
  // Reshapes to the sizes (each at least 1), keeping the elements in flat order. A bad size,
  // or a product beyond the signed 32-bit range or the memory bound, raises
  // "配列の要素数[%s]が不正です" and leaves the value unchanged.
  virtual void SetDims(std::span<const int32_t> sizes);
  // Each data class fills only in its own type.
  virtual void FillInt(int32_t value) {}
  virtual void FillFloat(long double value) {}
  virtual void FillBool(bool value) {}
  virtual void FillStr(std::string_view value) {}
  // Copy from a value of the same class with the source's shape; raises
  // "CopyMem:変数の型があいません" otherwise.
  virtual void CopyMem(const TCustomParam& source);
  virtual void SaveToStream(TStream& stream) const;
  virtual void LoadFromStream(TStream& stream);
  virtual void MakeScalar() {}
  // Index of the first matching element, or -1.
  virtual int32_t IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const;

  // Conversion copy from a value of any class: the source's shape, then every element read
  // in this value's type.
  void Assign(const TCustomParam& source);

  // The stored dimension list (empty for a scalar).
  const std::vector<int32_t>& Dims() const { return dims_; }

 protected:
  explicit TCustomParam(TParamKind kind) : kind_(kind) {}
  // Validates the sizes of SetDims and returns the product.
  static int32_t CheckedProduct(std::span<const int32_t> sizes, size_t elementBytes);
  void SaveDims(TStream& stream) const;
  static std::vector<int32_t> LoadDims(TStream& stream);
  // Raises EReadError for stored sizes that describe more elements than were stored: the
  // first copy of such a value would allocate what the save never held.
  static void CheckStoredDims(std::span<const int32_t> dims, size_t count);

  std::vector<int32_t> dims_;

 private:
  const TParamKind kind_;
};

// An element store of one type with the conversions of the script.
template <class E, TParamKind K>
class TParamData : public TCustomParam {
 public:
  TParamData() : TCustomParam(K), items_(1) {}

  int32_t GetCount() const override { return static_cast<int32_t>(items_.size()); }
  void SetCount(int32_t count) override;
  TParamType GetParamType() const override { return static_cast<TParamType>(K); }

  bool GetAsBoolean() const override;
  long double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  void SetAsBoolean(bool value) override;
  void SetAsFloat(long double value) override;
  void SetAsInteger(int32_t value) override;
  void SetAsString(std::string_view value) override;

  int32_t GetIntItem(int32_t index) const override;
  void SetIntItem(int32_t index, int32_t value) override;
  long double GetFloatItem(int32_t index) const override;
  void SetFloatItem(int32_t index, long double value) override;
  bool GetBoolItem(int32_t index) const override;
  void SetBoolItem(int32_t index, bool value) override;
  std::string GetStrItem(int32_t index) const override;
  void SetStrItem(int32_t index, std::string_view value) override;

  void CopyFrom(const TCustomParam& source) override;
  void SetDims(std::span<const int32_t> sizes) override;
  void FillInt(int32_t value) override;
  void FillFloat(long double value) override;
  void FillBool(bool value) override;
  void FillStr(std::string_view value) override;
  void CopyMem(const TCustomParam& source) override;
  void SaveToStream(TStream& stream) const override;
  void LoadFromStream(TStream& stream) override;
  void MakeScalar() override;
  int32_t IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const override;

  // A scalar holding the type's zero again, keeping allocated capacity.
  void Reset();
  const std::vector<E>& Items() const { return items_; }
  // Elements written in place (the evaluator's fast steps); the count stays as it is.
  std::vector<E>& Items() { return items_; }

 private:
  static int32_t CheckedCount(int32_t count);
  const E& First() const;
  const E& Element(int32_t index) const;
  E& Element(int32_t index);
  // Element 0 of a scalar, after MakeScalar.
  E& ScalarSlot();

  std::vector<E> items_;
};

extern template class TParamData<int32_t, pkInt>;
extern template class TParamData<long double, pkFloat>;
extern template class TParamData<uint8_t, pkFlag>;
extern template class TParamData<std::string, pkStr>;

// Signed 32-bit integers.
class TParamInt final : public TParamData<int32_t, pkInt> {};
// 80-bit extended floats, stored as their 10 bytes.
class TParamFloat final : public TParamData<long double, pkFloat> {};
// One byte each, 0 false and 1 true.
class TParamFlag final : public TParamData<uint8_t, pkFlag> {};
// Shift-JIS byte strings.
class TParamStr final : public TParamData<std::string, pkStr> {};

// A new value for a stored type code (low 7 bits): 0 an unbound reference, 1 integer,
// 2 float, 3 flag, 4 string; none for any other code.
std::unique_ptr<TCustomParam> CreateParam(int typeCode);

// The text of "配列の要素数[%s]が不正です": the sizes in decimal joined by ",".
[[noreturn]] void RaiseSizeError(std::span<const int32_t> sizes);

// Element storage of one value is bounded so that a script or a stored form can never ask
// for more memory than a 32-bit player could have held.
constexpr int64_t MaxParamBytes = int64_t{1} << 30;
// The longest text an expression builds by concatenation (a stored expression can double a
// text with every operation).
constexpr int64_t MaxTextBytes = int64_t{1} << 28;

}  // namespace orva

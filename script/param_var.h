#pragma once
// A reference value: names another variable, or one element of an array variable. Bound to
// its target only while it is used (an expression operand) or while its target lives (a
// subscript temporary, a stored reference); every value operation goes to the target.

#include <cstdint>
#include <string>
#include <string_view>

#include "script/param_forward.h"

namespace orva {

class TParamCollection;
class TParamCollectionItem;

class TParamVar final : public TForwardingParam {
 public:
  TParamVar() : TForwardingParam(pkVar) {}

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) {
    name_.assign(name.data(), name.size());
    nameKey_ = 0;
  }
  uint8_t ElementFlag() const { return elementFlag_; }
  int32_t ElementIndex() const { return elementIndex_; }
  void SetElementIndex(int32_t index) { elementIndex_ = index; }

  // Binds the variable of this name; raises "\"%s\" 変数がありません" when there is none.
  // A target whose value is itself a reference lends this one its element index.
  void Resolve(TParamCollection& store);
  // Binds an item as an expression operand (the element index as in Resolve).
  void BindOperand(TParamCollectionItem* target);
  // Binds an item, keeping the element index; none unbinds.
  void Bind(TParamCollectionItem* target);
  void Unbind();
  // The target, or none when unbound or when the target has been freed since.
  TParamCollectionItem* Target() const;
  // The value at the end of a chain of references (none when the chain ends unbound, or
  // runs in a circle): where every forwarded operation lands.
  TCustomParam* Terminal() const;
  // The target name read by LoadFromStream, bound by the item that owns this value.
  const std::string& StoredTargetName() const { return storedTarget_; }

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
  int32_t IndexOfStr(std::string_view text, bool caseSensitive, bool partial) const override;
  // Dimension list, name, target name, element flag, element index.
  void SaveToStream(TStream& stream) const override;
  void LoadFromStream(TStream& stream) override;

 private:
  TCustomParam* Forward() const override { return Terminal(); }

  std::string name_;
  std::string storedTarget_;
  uint8_t elementFlag_ = 0;
  int32_t elementIndex_ = 0;

  // The bound target. A store item is checked against the store's change count before use,
  // so a freed target reads as unbound instead of being touched.
  mutable TParamCollectionItem* target_ = nullptr;
  mutable const TParamCollection* targetStore_ = nullptr;
  mutable uint64_t targetChanges_ = 0;
  uint64_t targetSerial_ = 0;
  int targetHint_ = 0;

  // The last name lookup, valid while the store's lookup stamp stands still, and the
  // name's index key (0 until first needed).
  TParamCollectionItem* lookup_ = nullptr;
  uint32_t nameKey_ = 0;
  const TParamCollection* lookupStore_ = nullptr;
  uint64_t lookupStamp_ = 0;
};

}  // namespace orva

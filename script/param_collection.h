#pragma once
// The one store of named script variables: the 49 system variables first, then global,
// auto-destroy, local and status variables. Names resolve local-before-global at the current
// call depth; a call depth's variables die with it; game and status variables are saved.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/hash_collection.h"
#include "script/param.h"

namespace orva {

class TParamCollection;
class TSysFuncMan;
class TSystemVariableProvider;
class TStream;

// One named variable.
class TParamCollectionItem : public THashCollectionItem {
 public:
  // An unbound reference until the store gives it a type.
  TParamCollectionItem();
  explicit TParamCollectionItem(std::unique_ptr<TCustomParam> value);

  // Raises "\"%s\"：変数名が不正です" for an empty name, one with a blank, or one that
  // begins with a digit; the item then keeps its name.
  void SetName(std::string_view name) override;

  TCustomParam& Value() const { return *value_; }
  TParamType GetParamType() const { return value_->GetParamType(); }
  // A new value of the type code; raises for a code that makes no value (the old one stays).
  void SetParamType(int typeCode);
  // Becomes system variable `id` (0..48) with its name.
  void SetSystem(int id);
  bool IsSystem() const { return value_->Kind() == pkSystem; }

  // The value's scalar operations.
  bool GetAsBoolean() const { return value_->GetAsBoolean(); }
  long double GetAsFloat() const { return value_->GetAsFloat(); }
  int32_t GetAsInteger() const { return value_->GetAsInteger(); }
  std::string GetAsString() const { return value_->GetAsString(); }
  void SetAsBoolean(bool v) { value_->SetAsBoolean(v); }
  void SetAsFloat(long double v) { value_->SetAsFloat(v); }
  void SetAsInteger(int32_t v) { value_->SetAsInteger(v); }
  void SetAsString(std::string_view v) { value_->SetAsString(v); }
  // Conversion copy into the value.
  using THashCollectionItem::Assign;
  void Assign(const TCustomParam& source) { value_->Assign(source); }

  // Makes this item (whose value is a reference) refer to one element of `target`, the
  // variable named `name` (none when absent). Raises name[i,j] + CR LF + "添え字が不正です"
  // when the index count is not the target's dimension count, and "要素数を超えています" when
  // the flat index is not below its element count.
  void DimTo(std::string_view name, TParamCollectionItem* target, std::span<const int32_t> indices);
  // The same, finding the target by name in this item's store.
  void DimTo(std::string_view name, std::span<const int32_t> indices);

  void SaveToStream(TStream& stream) const;
  // True when a named item was read; an unnamed one's value form is read and dropped.
  bool LoadFromStream(TStream& stream);

  bool IsStatus() const { return status_ != 0; }
  void SetStatus(bool status) { status_ = status; }
  uint8_t Reserved() const { return reserved_; }
  int32_t OwnerDepth() const { return ownerDepth_; }
  void SetOwnerDepth(int32_t depth);
  bool IsLocal() const { return local_ != 0; }
  void SetLocal(bool local);

  // The store holding this item, or none for a detached item (an expression temporary).
  TParamCollection* Store() const;
  // Unique for the life of the program: tells a live item from a new one at a freed address.
  uint64_t Serial() const { return serial_; }

 private:
  std::unique_ptr<TCustomParam> value_;
  uint8_t status_ = 0;
  uint8_t reserved_ = 0;
  int32_t ownerDepth_ = -1;
  uint8_t local_ = 0;
  uint64_t serial_;
  // Store() for the collection it was last asked with (asked on every bind).
  mutable const THashCollection* storeOf_ = nullptr;
  mutable TParamCollection* store_ = nullptr;
};

class TParamCollection : public THashCollectionOf<TParamCollectionItem> {
 public:
  // Creates the store with the 49 system variables, ids 0..48 in order.
  TParamCollection();

  // Name lookup: a local of the current call depth at once; else the last non-local item of
  // the chain with that name (locals of other depths are invisible).
  int IndexOf(std::string_view name) const override;
  // Find with the name's key (THashCollection::KeyOf) kept by the caller.
  TParamCollectionItem* Find(std::string_view name, uint32_t key) const;
  using THashCollectionOf::Find;
  // Appends an unnamed item of the type code; raises when the code makes no value.
  TParamCollectionItem& AddVariable(int typeCode);
  // With `local`: that name's local of the current depth; else its first non-local item.
  TParamCollectionItem* FindItem(std::string_view name, bool local) const;
  // A copy of the variable's value; none when absent. Raises "%s:不正な変数です" for a
  // variable that is not an integer, float, flag or string.
  std::unique_ptr<TCustomParam> CopyValue(std::string_view name) const;
  // Frees the item (it leaves the store).
  void DeleteItem(TParamCollectionItem& item) { Delete(item.GetIndex()); }
  // Frees every variable owned by the depth, last to first.
  void DeleteDepth(int32_t depth);

  void SaveGameVars(TStream& stream) const;
  void LoadGameVars(TStream& stream, int version);
  void SaveStatusVars(TStream& stream) const;
  void LoadStatusVars(TStream& stream);
  // Frees every variable that is neither system nor status and resets the engine values
  // (not SelStr, SelIndex or TempVariableName).
  void ResetGameVars();

  // Kept equal to the number of call frames by the call manager.
  int32_t CallDepth() const { return callDepth_; }
  void SetCallDepth(int32_t depth);

  // Changes whenever a name could resolve to another item (add, delete, rename, call depth,
  // scope flags): a lookup made at an equal stamp still holds.
  uint64_t LookupStamp() const { return Changes() + scopeChanges_; }
  void NoteScopeChange() { ++scopeChanges_; }
  // Whether `item` is still one of this store's items; `hint` is an index it had before.
  bool Holds(const TParamCollectionItem* item, uint64_t serial, int hint) const;

  // The executor of built-in functions and the engine state behind the system variables;
  // not owned, none until the engine sets them.
  TSysFuncMan* Functions() const { return functions_; }
  void SetFunctions(TSysFuncMan* functions) { functions_ = functions; }
  TSystemVariableProvider* SystemVariables() const { return systemVariables_; }
  void SetSystemVariables(TSystemVariableProvider* provider) { systemVariables_ = provider; }

  // Storage of @SelStr and @SelIndex (the last selected item of a selection control).
  std::string SelStr;
  int32_t SelIndex = 0;
  // Engine values saved with the game variables: @TextDelay, @Cursor, the history format
  // (font height, border, shadow, width, height, line space) and the name @Temp stands for.
  int32_t GlobalTextDelay = DefaultTextDelay;
  std::string GameCursorFile;
  std::array<int32_t, 6> HistoryFormat{};
  std::string TempVariableName;

 private:
  // The item list of a save: count, then type byte and item form, targets before references.
  static void SaveItems(TStream& stream, std::vector<const TParamCollectionItem*> items);
  void LoadItems(TStream& stream);
  void DeleteWhere(bool (*doomed)(const TParamCollectionItem&));
  // Of the chain of one name: the local of the current depth, else the last non-local item.
  TParamCollectionItem* Visible(THashCollectionItem* head) const;

  int32_t callDepth_ = 0;
  uint64_t scopeChanges_ = 0;
  TSysFuncMan* functions_ = nullptr;
  TSystemVariableProvider* systemVariables_ = nullptr;
};

}  // namespace orva

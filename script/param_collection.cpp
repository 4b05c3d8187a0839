#include "script/param_collection.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>
#include <vector>

#include "core/exceptions.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "script/conversions.h"
#include "script/param_system.h"
#include "script/param_var.h"
#include "script/script_error.h"

namespace orva {
namespace {

uint64_t NextSerial() {
  static std::atomic<uint64_t> serial{0};
  return ++serial;
}

// The fewest bytes of one stored item: type byte, empty name, the smallest value form
// (dimension count and element count) and the four trailing fields.
constexpr int64_t kMinStoredItemBytes = 1 + 4 + 8 + 7;

std::string ElementText(std::string_view name, std::span<const int32_t> indices) {
  std::string text(name);
  text += '[';
  for (size_t k = 0; k < indices.size(); ++k) {
    if (k) text += ',';
    text += IntToText(indices[k]);
  }
  text += "]\r\n";
  return text;
}

// Saves compare names ignoring case, as lookups do.
std::string NameKey(std::string_view name) { return AnsiLowerCase(name); }

}  // namespace

// ---- TParamCollectionItem ----

TParamCollectionItem::TParamCollectionItem() : TParamCollectionItem(std::make_unique<TParamVar>()) {}

TParamCollectionItem::TParamCollectionItem(std::unique_ptr<TCustomParam> value)
    : value_(std::move(value)), serial_(NextSerial()) {}

void TParamCollectionItem::SetName(std::string_view name) {
  if (name.empty() || name.find(' ') != std::string_view::npos || (name[0] >= '0' && name[0] <= '9'))
    RaiseQuotedError(name, "：変数名が不正です");
  THashCollectionItem::SetName(name);
}

void TParamCollectionItem::SetParamType(int typeCode) {
  std::unique_ptr<TCustomParam> value = CreateParam(typeCode);
  if (!value) RaiseScriptError("内部エラー");
  value_ = std::move(value);
}

void TParamCollectionItem::SetSystem(int id) {
  auto value = std::make_unique<TParamSystem>(id, Store());
  SetName(SystemVariableNames[static_cast<size_t>(id)]);
  value_ = std::move(value);
}

TParamCollection* TParamCollectionItem::Store() const {
  if (GetCollection() != storeOf_) {
    storeOf_ = GetCollection();
    store_ = dynamic_cast<TParamCollection*>(GetCollection());
  }
  return store_;
}

void TParamCollectionItem::SetOwnerDepth(int32_t depth) {
  ownerDepth_ = depth;
  if (TParamCollection* store = Store()) store->NoteScopeChange();
}

void TParamCollectionItem::SetLocal(bool local) {
  local_ = local;
  if (TParamCollection* store = Store()) store->NoteScopeChange();
}

void TParamCollectionItem::DimTo(std::string_view name, TParamCollectionItem* target, std::span<const int32_t> indices) {
  if (value_->Kind() != pkVar) RaiseScriptError("内部エラー");
  auto& var = static_cast<TParamVar&>(*value_);
  var.SetName(name);
  var.Bind(target);
  var.SetElementIndex(0);
  if (static_cast<int32_t>(indices.size()) != var.GetDimCount())
    RaiseScriptError(ElementText(name, indices), "添え字が不正です");
  // Signed 32-bit arithmetic that wraps, from the last index backwards.
  int32_t flat = 0, stride = 1;
  for (size_t k = indices.size(); k-- > 0;) {
    flat = WrapAdd(flat, WrapMul(indices[k], stride));
    stride = WrapMul(stride, var.GetDimSize(static_cast<int32_t>(k)));
  }
  if (flat >= var.GetCount()) RaiseScriptError(ElementText(name, indices), "要素数を超えています");
  var.SetElementIndex(flat);
}

void TParamCollectionItem::DimTo(std::string_view name, std::span<const int32_t> indices) {
  TParamCollection* store = Store();
  DimTo(name, store ? store->Find(name) : nullptr, indices);
}

void TParamCollectionItem::SaveToStream(TStream& stream) const {
  WriteStreamString(stream, GetName());
  value_->SaveToStream(stream);
  WriteStreamByte(stream, status_);
  WriteStreamByte(stream, reserved_);
  WriteStreamInt(stream, ownerDepth_);
  WriteStreamByte(stream, local_);
}

bool TParamCollectionItem::LoadFromStream(TStream& stream) {
  const std::string name = ReadStreamString(stream);
  const bool named = !name.empty();
  if (named) {
    SetName(name);
    value_->LoadFromStream(stream);
    if (value_->Kind() == pkVar) {
      auto& var = static_cast<TParamVar&>(*value_);
      TParamCollection* store = Store();
      var.Bind(store && !var.StoredTargetName().empty() ? store->Find(var.StoredTargetName()) : nullptr);
    }
  } else {
    // Read in the item's own form, so that the stream stays in step, and dropped.
    std::unique_ptr<TCustomParam> dropped = CreateParam(value_->Kind());
    if (dropped) dropped->LoadFromStream(stream);
  }
  status_ = ReadStreamByte(stream) != 0;
  reserved_ = ReadStreamByte(stream);
  ownerDepth_ = ReadStreamInt(stream);
  local_ = ReadStreamByte(stream) != 0;
  if (TParamCollection* store = Store()) store->NoteScopeChange();
  return named;
}

// ---- TParamCollection ----

TParamCollection::TParamCollection() {
  for (int id = 0; id < SystemVariableCount; ++id) Add(std::make_unique<TParamCollectionItem>()).SetSystem(id);
}

TParamCollectionItem* TParamCollection::Visible(THashCollectionItem* head) const {
  // The chain holds exactly the items of that name, newest first.
  TParamCollectionItem* remembered = nullptr;
  for (THashCollectionItem* p = head; p; p = p->NextInChain()) {
    auto* item = static_cast<TParamCollectionItem*>(p);
    if (item->IsLocal()) {
      if (item->OwnerDepth() == callDepth_) return item;
    } else {
      remembered = item;
    }
  }
  return remembered;
}

int TParamCollection::IndexOf(std::string_view name) const {
  const TParamCollectionItem* item = Visible(ChainHead(name));
  return item ? item->GetIndex() : -1;
}

TParamCollectionItem* TParamCollection::Find(std::string_view name, uint32_t key) const {
  return Visible(ChainHead(name, key));
}

TParamCollectionItem& TParamCollection::AddVariable(int typeCode) {
  std::unique_ptr<TCustomParam> value = CreateParam(typeCode);
  if (!value) RaiseScriptError("内部エラー");
  return Add(std::make_unique<TParamCollectionItem>(std::move(value)));
}

TParamCollectionItem* TParamCollection::FindItem(std::string_view name, bool local) const {
  for (THashCollectionItem* p = ChainHead(name); p; p = p->NextInChain()) {
    auto* item = static_cast<TParamCollectionItem*>(p);
    if (local ? item->IsLocal() && item->OwnerDepth() == callDepth_ : !item->IsLocal()) return item;
  }
  return nullptr;
}

std::unique_ptr<TCustomParam> TParamCollection::CopyValue(std::string_view name) const {
  const TParamCollectionItem* item = Find(name);
  if (!item) return nullptr;
  const TParamType type = item->GetParamType();
  if (type < PT_INT || type > PT_STR) RaiseScriptError(name, ":不正な変数です");
  std::unique_ptr<TCustomParam> copy = CreateParam(type);
  copy->CopyFrom(item->Value());
  return copy;
}

void TParamCollection::DeleteWhere(bool (*doomed)(const TParamCollectionItem&)) {
  for (int i = Count() - 1; i >= 0; --i)
    if (doomed(Item(i))) Delete(i);
}

void TParamCollection::DeleteDepth(int32_t depth) {
  for (int i = Count() - 1; i >= 0; --i) {
    const TParamCollectionItem& item = Item(i);
    if (item.OwnerDepth() == depth && !item.IsSystem()) Delete(i);
  }
}

void TParamCollection::SetCallDepth(int32_t depth) {
  if (depth == callDepth_) return;
  callDepth_ = depth;
  NoteScopeChange();
}

bool TParamCollection::Holds(const TParamCollectionItem* item, uint64_t serial, int hint) const {
  // Items only move towards the front (when earlier ones are freed).
  for (int i = std::min(hint, Count() - 1); i >= 0; --i)
    if (&Item(i) == item) return Item(i).Serial() == serial;
  return false;
}

void TParamCollection::SaveItems(TStream& stream, std::vector<const TParamCollectionItem*> items) {
  WriteStreamInt(stream, static_cast<int32_t>(items.size()));
  auto write = [&stream](const TParamCollectionItem& item) {
    // A reference is stored as one (its value type would be its target's).
    WriteStreamByte(stream, item.Value().Kind() == pkVar ? PT_NONE : item.GetParamType());
    item.SaveToStream(stream);
  };
  std::unordered_set<std::string> written;
  while (!items.empty()) {
    // One pass in store order: a bound reference waits until its target has been written.
    // (Store order, so that a load, which appends, gives the store back as it was.)
    std::vector<const TParamCollectionItem*> waiting;
    for (const TParamCollectionItem* item : items) {
      const TParamCollectionItem* target =
          item->Value().Kind() == pkVar ? static_cast<const TParamVar&>(item->Value()).Target() : nullptr;
      if (target && !written.count(NameKey(target->GetName()))) {
        waiting.push_back(item);
        continue;
      }
      write(*item);
      written.insert(NameKey(item->GetName()));
    }
    if (waiting.size() == items.size()) {
      // Targets that are never written (status or system variables) or a circle: the rest go
      // as they are, so the save always ends.
      for (const TParamCollectionItem* item : waiting) write(*item);
      break;
    }
    items = std::move(waiting);
  }
}

void TParamCollection::LoadItems(TStream& stream) {
  const int32_t count = ReadStreamCount(stream, kMinStoredItemBytes);
  for (int32_t n = 0; n < count; ++n) {
    const uint8_t type = ReadStreamByte(stream);
    if ((type & 0x7F) > PT_STR) throw EReadError("Invalid variable type " + IntToText(type));
    TParamCollectionItem& item = AddVariable(type);
    bool named = false;
    try {
      named = item.LoadFromStream(stream);
    } catch (...) {
      DeleteItem(item);
      throw;
    }
    if (!named) DeleteItem(item);
  }
}

void TParamCollection::SaveGameVars(TStream& stream) const {
  std::vector<const TParamCollectionItem*> items;
  for (int i = 0; i < Count(); ++i)
    if (!Item(i).IsStatus() && !Item(i).IsSystem()) items.push_back(&Item(i));
  SaveItems(stream, std::move(items));
  WriteStreamInt(stream, GlobalTextDelay);
  WriteStreamString(stream, GameCursorFile);
  WriteStreamString(stream, SelStr);
  WriteStreamInt(stream, SelIndex);
  for (int32_t v : HistoryFormat) WriteStreamInt(stream, v);
  WriteStreamString(stream, TempVariableName);
}

void TParamCollection::LoadGameVars(TStream& stream, int version) {
  DeleteWhere([](const TParamCollectionItem& item) { return !item.IsSystem() && !item.IsStatus(); });
  LoadItems(stream);
  GlobalTextDelay = ReadStreamInt(stream);
  ReadStreamString(stream, GameCursorFile);
  if (version >= 103) {
    ReadStreamString(stream, SelStr);
    SelIndex = ReadStreamInt(stream);
  }
  if (version >= 113)
    for (int32_t& v : HistoryFormat) v = ReadStreamInt(stream);
  if (version >= 121) ReadStreamString(stream, TempVariableName);
}

void TParamCollection::SaveStatusVars(TStream& stream) const {
  std::vector<const TParamCollectionItem*> items;
  for (int i = 0; i < Count(); ++i)
    if (Item(i).IsStatus() && !Item(i).IsSystem()) items.push_back(&Item(i));
  SaveItems(stream, std::move(items));
}

void TParamCollection::LoadStatusVars(TStream& stream) { LoadItems(stream); }

void TParamCollection::ResetGameVars() {
  DeleteWhere([](const TParamCollectionItem& item) { return !item.IsSystem() && !item.IsStatus(); });
  GlobalTextDelay = DefaultTextDelay;
  GameCursorFile.clear();
  HistoryFormat.fill(0);
}

}  // namespace orva

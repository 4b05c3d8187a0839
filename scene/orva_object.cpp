#include "scene/orva_object.h"

#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/orva_control.h"

namespace orva {

TOrvaObject::TOrvaObject(TOrvaBaseList* owner) : owner_(owner), handle_(object_handles::Acquire(this)) {}

TOrvaObject::~TOrvaObject() { object_handles::Release(handle_); }

TObjectHandle HandleOf(const TOrvaObject* object) { return object ? object->Handle() : TObjectHandle{}; }

#define ORVA_OBJECT_PROPERTY(name, type, neutral) \
  type TOrvaObject::Get##name() { return neutral; } \
  void TOrvaObject::Set##name(TPropArg<type>) {}
#include "scene/object_properties.def"
#undef ORVA_OBJECT_PROPERTY

void TOrvaObject::AssignName(std::string_view name) {
  if (name == name_) return;
  if (listed_ && owner_) {
    owner_->UnindexName(this);
    name_ = name;
    owner_->IndexName(this);
  } else {
    name_ = name;
  }
  SortKeyChanged();
}

void TOrvaObject::SortKeyChanged() {
  if (TOrvaControl* parent = GetParent()) parent->ChildKeyChanged(AsControl());
}

void TOrvaObject::SetName(std::string_view name) {
  if (name == name_) return;
  if (owner_) {
    // A new component replaces the old one of the same name.
    if (TOrvaObject* holder = owner_->FirstNamed(name); holder && holder != this) holder->ScheduleFree();
  }
  AssignName(name);
}

void TOrvaObject::SetPriority(int32_t value) {
  if (value == priority_) return;
  priority_ = value;
  priorityOffset_ = 0;
  SortKeyChanged();
  if (TOrvaControl* parent = GetParent()) {
    parent->SortChildren();
    Invalidate();
  }
}

void TOrvaObject::SetPriorityOffset(int32_t value) {
  if (value == priorityOffset_) return;
  priorityOffset_ = value;
  SortKeyChanged();
  if (TOrvaControl* parent = GetParent()) {
    parent->SortChildren();
    Invalidate();
  }
}

int32_t TOrvaObject::GetSortKey() const { return WrapAdd(priority_, priorityOffset_); }

TCustomDIBX* TOrvaObject::GetTargetSurface() {
  TOrvaControl* parent = GetParent();
  return parent ? parent->GetTargetSurface() : nullptr;
}

TOrvaBase* TOrvaObject::GetBase() {
  TOrvaControl* parent = GetParent();
  return parent ? parent->GetBase() : nullptr;
}

int32_t TOrvaObject::GetScreenLeft() { return WrapSub(GetLeft(), GetOffsetX()); }
int32_t TOrvaObject::GetScreenTop() { return WrapSub(GetTop(), GetOffsetY()); }

void TOrvaObject::AddText(std::string_view text) {
  std::string joined = GetText();
  joined += text;
  SetText(joined);
}

bool TOrvaObject::ClipToClient(TRect& rect) {
  rect = IntersectRectOf(rect, GetClientRect());
  return !rect.IsEmpty();
}

void TOrvaObject::NotifyInvalidate(TRect& rect) {
  if (TOrvaControl* parent = GetParent()) parent->NotifyInvalidate(rect);
}

bool TOrvaObject::IsActiveOnScreen() {
  TOrvaBaseList* main = GetMainScene();
  if (!main || !IsEffectivelyVisible() || GetBase() != main->ActiveLayer()) return false;
  for (TOrvaControl* p = GetParent(); p; p = p->GetParent())
    if (!p->IsEffectivelyVisible()) return false;
  return true;
}

void TOrvaObject::PositionChanged() {
  for (int i = 0; i < GetChildCount(); ++i)
    if (TOrvaControl* child = GetChild(i)) child->PositionChanged();
}

TRect TOrvaObject::GetLocalRect() { return WrapBounds(GetLeft(), GetTop(), GetWidth(), GetHeight()); }

TRect TOrvaObject::GetScreenRect() { return WrapBounds(GetScreenLeft(), GetScreenTop(), GetWidth(), GetHeight()); }

TRect TOrvaObject::GetClipRect() {
  const int32_t w = GetClipWidth(), h = GetClipHeight();
  if (w <= 0 || h <= 0) return {};
  return WrapBounds(WrapAdd(GetScreenLeft(), GetClipLeft()), WrapAdd(GetScreenTop(), GetClipTop()), w, h);
}

void TOrvaObject::ScheduleFree() {
  if (owner_) owner_->QueueFree(this);
  AssignName("");
}

namespace {
// The object and its visible descendants are drawn again where they were.
void InvalidateTree(TOrvaObject& object) {
  object.Invalidate();
  for (int i = 0; i < object.GetChildCount(); ++i)
    if (TOrvaControl* child = object.GetChild(i); child && child->IsEffectivelyVisible()) InvalidateTree(*child);
}
}  // namespace

void TOrvaObject::FreeNow() {
  if (!owner_ || !listed_) return;
  // While still attached, so that nothing of it stays on the screen.
  InvalidateTree(*this);
  if (TOrvaControl* parent = GetParent()) parent->RemoveChild(this->AsControl());
  std::unique_ptr<TOrvaObject> self = owner_->RemoveObject(this);
  self.reset();  // `this` is gone from here on
}

void TOrvaObject::QueueEvent(uint8_t kind, std::string_view handler, const TArrayString* args) {
  if (owner_) owner_->Events().AddEvent(this, handler, kind, args);
}

bool TOrvaObject::HasEvent(uint8_t kind) const { return owner_ && owner_->Events().HasEvent(this, kind); }

void TOrvaObject::SaveToStream(TStream& stream) {
  WriteStreamString(stream, name_);
  WriteStreamInt(stream, priority_);
  WriteStreamInt(stream, priorityOffset_);
  WriteStreamString(stream, tag_);
}

void TOrvaObject::LoadFromStream(TStream& stream, int version) {
  AssignName(ReadStreamString(stream));
  priority_ = ReadStreamInt(stream);
  if (version >= 104) priorityOffset_ = ReadStreamInt(stream);
  SortKeyChanged();
  if (version >= 120) tag_ = ReadStreamString(stream);
}

TOrvaComponent::~TOrvaComponent() {
  if (TOrvaBaseList* owner = GetOwner()) owner->Events().RemoveObject(this);
}

bool IntersectClipRect(TRect& a, const TRect& b) {
  if (a.IsEmpty() || b.IsEmpty() || !RectsOverlap(a, b)) return false;
  a = IntersectRectOf(a, b);
  return true;
}

}  // namespace orva

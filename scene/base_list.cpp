#include "scene/base_list.h"

#include <algorithm>
#include <utility>

#include "core/exceptions.h"
#include "core/lists.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "scene/color_tables.h"
#include "scene/custom_image.h"
#include "scene/geometry.h"
#include "scene/image_cache.h"
#include "scene/object_factory.h"
#include "scene/prop_motion.h"
#include "scene/property_access.h"
#include "scene/scene_services.h"
#include "scene/window_control.h"
#include "script/param.h"

namespace orva {

namespace {

std::unique_ptr<TOrvaBaseList>& MainSceneSlot() {
  static std::unique_ptr<TOrvaBaseList> scene;
  return scene;
}

// A surface that reports 0 × 0 until it is sized.
std::unique_ptr<TDIBX> EmptySurface() {
  auto surface = std::make_unique<TDIBX>();
  surface->Clear();
  return surface;
}

void SizeSurface(TDIBX& surface, int32_t width, int32_t height) {
  if (width > 0 && height > 0)
    surface.SetSize(width, height, ScreenBitCount());
  else
    surface.Clear();
}

// The number n when text is n in "%d" form (no sign, no leading zeros).
bool CanonicalNumber(std::string_view text, int64_t& n) {
  if (text.empty() || text.size() > 18 || (text.size() > 1 && text[0] == '0')) return false;
  n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  return true;
}

bool IsSavedComponent(TOrvaObject& object) {
  return !object.AsControl() && !object.IsQueuedForFree() && object.GetCompoType() != 0 &&
         !IsInternalName(object.GetName());
}

}  // namespace

// ==== TOrvaBase ====

TOrvaBase::TOrvaBase(TOrvaBaseList* owner) : TOrvaControl(owner), surface_(EmptySurface()) {}

TOrvaBase::~TOrvaBase() = default;

TCustomDIBX* TOrvaBase::GetImage() {
  TOrvaBaseList* scene = GetOwner();
  // The shown layer draws straight into the scene's picture unless a transition runs.
  if (!scene || scene->ActiveLayer() != this || scene->GetTransitionType() != 0) return surface_.get();
  return scene->GetImage();
}

void TOrvaBase::ResizeSurface() {
  if (GetWidth() > 0 && GetHeight() > 0) surface_->SetSize(GetWidth(), GetHeight(), ScreenBitCount());
}

void TOrvaBase::SetWidth(int32_t value) {
  TOrvaControl::SetWidth(value);
  ResizeSurface();
}

void TOrvaBase::SetHeight(int32_t value) {
  TOrvaControl::SetHeight(value);
  ResizeSurface();
}

void TOrvaBase::Paint() {
  if (!GetVisible()) return;
  TCustomDIBX* image = GetImage();
  if (!image || image->IsEmpty()) return;
  for (int i = 0; i < dirty_.Count(); ++i) {
    image->SetClipRect(dirty_.GetRect(i));
    if (GetColor() >= 0) {
      TRect fill = WrapBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
      const TRect clip = GetClipRect();
      if ((clip.IsEmpty() || IntersectClipRect(fill, clip)) && !fill.IsEmpty())
        image->FillRect(fill, image->ColorToPixel(GetColor()));
    }
    TOrvaControl::Paint();
  }
}

void TOrvaBase::ReleaseSurfaces() { surface_->ReleaseHandles(); }

void TOrvaBase::RecreateSurfaces() {
  TOrvaControl::RecreateSurfaces();
  ResizeSurface();
}

void TOrvaBase::AddDirtyRect(const TRect& rect) {
  const TRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, GetWidth()),
                std::min(rect.Bottom, GetHeight())};
  if (!r.IsEmpty()) dirty_.AddRect(r);
}

void TOrvaBase::SetMousePos(TPoint point) {
  if (point == mouse_) return;
  mouse_ = point;
  MouseMoved = true;
}

// ==== TOrvaBaseList ====

TOrvaBaseList::TOrvaBaseList()
    : TOrvaComponent(nullptr), surface_(EmptySurface()), events_(std::make_unique<TTimerList>(this)) {
  MakeLayers();
}

TOrvaBaseList::~TOrvaBaseList() {
  // Objects still reach the event queue and the focus while they go, so those go last.
  transition_.reset();
  surface_.reset();
  layers_[0].reset();
  layers_[1].reset();
  FreeObjects();
}

void TOrvaBaseList::MakeLayers() {
  static constexpr std::string_view names[2] = {LayerName0, LayerName1};
  for (int i = 0; i < 2; ++i) {
    layers_[i] = std::make_unique<TOrvaBase>(this);
    layers_[i]->AssignName(names[i]);
  }
}

void TOrvaBaseList::FreeObjects() {
  // The first listed object each time (a control takes its children along).
  while (TOrvaObject* first = objects_.Front().get()) RemoveObject(first).reset();
  for (TObjectHandle handle : toFree_)
    if (TOrvaObject* object = ResolveHandle(handle)) object->queuedForFree_ = false;
  toFree_.clear();
}

void TOrvaBaseList::Clear() {
  const int32_t width = width_, height = height_;
  transition_.reset();
  // Nothing runs the freed transition any more: the shown layer draws into the picture again.
  transitionType_ = 0;
  layers_[0].reset();
  layers_[1].reset();
  events_->Clear();
  FreeObjects();
  MakeLayers();
  width_ = height_ = 8;
  SetWidth(width);
  SetHeight(height);
  const TSceneServices& services = GetSceneServices();
  const TPoint cursor = services.Screen ? services.Screen->CursorPos() : TPoint{};
  layers_[0]->SetMousePos(cursor);
  layers_[1]->SetMousePos(cursor);
}

// ---- Object list ----

TOrvaObject* TOrvaBaseList::AdoptObject(std::unique_ptr<TOrvaObject> object) {
  TOrvaObject* raw = object.get();
  if (raw->NeedsAutoName()) raw->AssignName(MakeUniqueName("object"));
  raw->listed_ = true;
  raw->sequence_ = nextSequence_++;
  objects_.Insert(raw->sequence_, std::move(object));
  IndexName(raw);
  return raw;
}

std::unique_ptr<TOrvaObject> TOrvaBaseList::RemoveObject(TOrvaObject* object) {
  if (!object || !object->listed_ || object->owner_ != this) return nullptr;
  std::unique_ptr<TOrvaObject> owned = objects_.Take(object->sequence_);
  if (!owned) return nullptr;
  UnindexName(object);
  object->listed_ = false;
  return owned;
}

TOrvaObject* TOrvaBaseList::GetItem(int index) {
  return index >= 0 && index < GetItemCount() ? objects_.At(size_t(index)).get() : nullptr;
}

int TOrvaBaseList::IndexOfObject(const TOrvaObject* object) const {
  if (!object || !object->listed_ || object->owner_ != this) return -1;
  return objects_.IndexOf(object->sequence_);
}

bool TOrvaBaseList::HasObject(TObjectHandle handle) const {
  const TOrvaObject* object = ResolveHandle(handle);
  return object && object->listed_ && object->owner_ == this;
}

TOrvaObject* TOrvaBaseList::FirstNamed(std::string_view name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second.Front();
}

int TOrvaBaseList::IndexOfName(std::string_view name) const { return IndexOfObject(FirstNamed(name)); }

void TOrvaBaseList::IndexName(TOrvaObject* object) {
  names_[object->name_].Insert(object->sequence_, object);
}

void TOrvaBaseList::UnindexName(TOrvaObject* object) {
  auto it = names_.find(object->name_);
  if (it != names_.end()) {
    it->second.Take(object->sequence_);
    if (it->second.Empty()) names_.erase(it);
  }
  // A freed "prefix<n>" makes n the lowest candidate again for that prefix: every split of
  // the trailing digits is a prefix that may have been asked for.
  const std::string_view name = object->name_;
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  for (size_t split = digits; split < name.size(); ++split) {
    int64_t n;
    if (!CanonicalNumber(name.substr(split), n)) continue;
    auto it = nextNumber_.find(name.substr(0, split));
    if (it != nextNumber_.end() && n >= it->second.From && n < it->second.Next) it->second.Next = n;
  }
}

std::string TOrvaBaseList::MakeUniqueName(std::string_view prefix, int64_t from) {
  auto it = nextNumber_.find(prefix);
  if (it == nextNumber_.end()) it = nextNumber_.emplace(std::string(prefix), TTakenRun{from, from}).first;
  TTakenRun& run = it->second;
  // Within the known run the search goes on from its end; elsewhere a new run starts.
  const bool inRun = from >= run.From && from <= run.Next;
  std::string name;
  for (int64_t n = inRun ? run.Next : from;; ++n) {
    name.assign(prefix);
    name += std::to_string(n);
    if (!names_.contains(name)) {
      if (!inRun) run.From = from;
      run.Next = n;
      return name;
    }
  }
}

void TOrvaBaseList::QueueFree(TOrvaObject* object) {
  if (!object || object->queuedForFree_) return;
  object->queuedForFree_ = true;
  toFree_.push_back(object->Handle());
}

// ---- Lookups ----

TOrvaObject* TOrvaBaseList::FindObject(std::string_view name) const {
  if (name.empty() || name == LayerName0) return ActiveLayer();
  if (name == InactiveLayerName || name == LayerName1) return layers_[1 - activeIndex_].get();
  return FirstNamed(name);
}

TOrvaControl* TOrvaBaseList::FindControl(std::string_view name) const {
  if (name.empty()) return ActiveLayer();
  if (name == InactiveLayerName) return layers_[1 - activeIndex_].get();
  if (name == LayerName0) return layers_[0].get();
  if (name == LayerName1) return layers_[1].get();
  auto it = names_.find(name);
  if (it == names_.end()) return nullptr;
  for (const auto& slot : it->second.Slots())
    if (TOrvaControl* control = slot.Value ? slot.Value->AsControl() : nullptr) return control;
  return nullptr;
}

int TOrvaBaseList::GetObjectNames(std::vector<std::string>& names, uint8_t typeCode, TOrvaObject* parent) {
  int added = 0;
  for (const auto& slot : objects_.Slots()) {
    TOrvaObject* object = slot.Value.get();
    if (!object) continue;
    if (typeCode != 0 && object->GetCompoType() != typeCode) continue;
    if (parent != this && object->GetParent() != parent) continue;
    names.push_back(object->GetName());
    ++added;
  }
  return added;
}

TOrvaObject* TOrvaBaseList::CreateObject(int code) {
  const TObjectConstructor& constructor = ObjectClassOf(code);
  return constructor ? constructor(*this) : nullptr;
}

// ---- Frame ----

bool TOrvaBaseList::Idle() {
  layers_[0]->Idle();
  layers_[1]->Idle();
  for (updateIndex_ = 0; updateIndex_ < GetItemCount();) {
    TOrvaObject* object = objects_.At(size_t(updateIndex_)).get();
    const bool inCabinet = object->IsInCabinet();
    if (!inCabinet && !object->IsInputLocked() && !object->HasEvent(PR_ONIDLE)) {
      const std::string handler = object->GetOnIdle();
      if (!handler.empty()) object->QueueEvent(PR_ONIDLE, handler);
    }
    if (!object->GetPaused() && !object->IsQueuedForFree() && !inCabinet && object->Idle()) {
      // The next object moves into this index.
      object->FreeNow();
      continue;
    }
    ++updateIndex_;
  }
  if (!toFree_.empty()) {
    // Freeing may free later entries (children go with their parent); those resolve to none.
    for (size_t i = 0; i < toFree_.size(); ++i) {
      TOrvaObject* object = ResolveHandle(toFree_[i]);
      if (object && object->owner_ == this && object->listed_) object->FreeNow();
    }
    for (TObjectHandle handle : toFree_)
      if (TOrvaObject* object = ResolveHandle(handle)) object->queuedForFree_ = false;
    toFree_.clear();
  }
  return false;
}

void TOrvaBaseList::Paint() {
  redrawAll_ = {};
  layers_[0]->Paint();
  layers_[1]->Paint();
  if (transition_) {
    redrawAll_ = transition_->ChangedRect;
    transition_->Step();
  }
  PaintWindowControls();
}

void TOrvaBaseList::PaintWindowControls() {
  TCustomDIBX* picture = GetImage();
  if (windowControls_.empty() || !picture || picture->IsEmpty()) return;
  const TClipList& dirty = ActiveLayer()->DirtyRects();
  // A copy: a control may leave the list while it draws.
  const std::vector<TWindowControl*> controls = windowControls_;
  for (TWindowControl* control : controls) {
    if (std::find(windowControls_.begin(), windowControls_.end(), control) == windowControls_.end() ||
        !control->WindowShown())
      continue;
    const TRect bounds = IntersectRectOf(control->WindowBounds(), picture->GetBoundsRect());
    if (bounds.IsEmpty()) continue;
    // Only where the layers drew this frame: elsewhere the picture still shows it.
    bool repainted = RectsOverlap(bounds, redrawAll_);
    for (int i = 0; i < dirty.Count() && !repainted; ++i) repainted = RectsOverlap(bounds, dirty.GetRect(i));
    if (!repainted) continue;
    picture->SetClipRect(bounds);
    control->PaintWindow(*picture);
    picture->ClearClipRect();
  }
}

// ---- Shown layer and transitions ----

TCustomWipe* TOrvaBaseList::SetActiveBase(int index, int transitionType, int32_t duration, int32_t position,
                                          bool reset, bool reverse) {
  if (index < 0 || index > 1) RaiseListIndexError(index);
  activeIndex_ = index;
  TCustomWipe* created = nullptr;
  if (reset || (transitionType != 0 && !transition_)) {
    transition_.reset();
    layers_[0]->InvalidateAll();
    layers_[1]->InvalidateAll();
    TOrvaBase* shown = layers_[index].get();
    TOrvaBase* other = layers_[1 - index].get();
    TCustomDIBX* picture = GetImage();
    if (transitionType != 0 && picture) {
      // The layer that drew into the scene's picture keeps that picture as the old one.
      TCustomDIBX* image = shown->GetImage();
      if (image && image != &shown->OwnSurface()) shown->OwnSurface().Assign(*image);
      transition_ = CreateWipe(transitionType, picture, &shown->OwnSurface(), &other->OwnSurface());
      if (transition_) {
        transition_->Duration = duration;
        transition_->SetReverse(reverse);
        created = transition_.get();
      }
    }
    TOrvaControl* focus = focus_.Get();
    if (!focus || focus->GetBase() != shown) {
      focus_.Reset();
      recomputeFocus_ = true;
    }
  }
  transitionType_ = transition_ ? transitionType : 0;
  if (transition_) transition_->Position = position;
  return created;
}

void TOrvaBaseList::SetTransitionPosition(int32_t position) {
  if (transition_) transition_->Position = position;
}

// ---- Surfaces and properties ----

TCustomDIBX* TOrvaBaseList::GetImage() {
  if (this == GetMainScene()) {
    TSceneScreen* screen = GetSceneServices().Screen;
    return screen ? screen->BackBuffer() : nullptr;
  }
  return surface_.get();
}

void TOrvaBaseList::SetWidth(int32_t value) {
  width_ = value;
  SizeSurface(*surface_, width_, height_);
  layers_[0]->SetWidth(value);
  layers_[1]->SetWidth(value);
}

void TOrvaBaseList::SetHeight(int32_t value) {
  height_ = value;
  SizeSurface(*surface_, width_, height_);
  layers_[0]->SetHeight(value);
  layers_[1]->SetHeight(value);
}

void TOrvaBaseList::SetColor(int32_t value) {
  layers_[0]->SetColor(value);
  layers_[1]->SetColor(value);
}

void TOrvaBaseList::ReleaseSurfaces() {
  surface_->ReleaseHandles();
  layers_[0]->ReleaseSurfaces();
  layers_[1]->ReleaseSurfaces();
  for (size_t i = 0; i < objects_.Slots().size(); ++i)
    if (TOrvaObject* object = objects_.Slots()[i].Value.get()) object->ReleaseSurfaces();
  TSceneImageCache* cache = GetSceneServices().ImageCache;
  if (cache && this == GetMainScene()) cache->ReleaseSurfaces();
  transition_.reset();
  transitionType_ = 0;
}

void TOrvaBaseList::RecreateSurfaces() {
  SizeSurface(*surface_, width_, height_);
  TSceneImageCache* cache = GetSceneServices().ImageCache;
  if (cache && this == GetMainScene()) cache->RecreateSurfaces();
  layers_[0]->RecreateSurfaces();
  layers_[1]->RecreateSurfaces();
  for (size_t i = 0; i < objects_.Slots().size(); ++i)
    if (TOrvaObject* object = objects_.Slots()[i].Value.get()) object->RecreateSurfaces();
  layers_[0]->InvalidateAll();
  layers_[1]->InvalidateAll();
}

void TOrvaBaseList::SetImageDither(bool flag) {
  TSceneImageCache* cache = GetSceneServices().ImageCache;
  if (!cache || cache->GetDither() == flag) return;
  cache->SetDither(flag);
  if (TOrvaBaseList* main = GetMainScene()) {
    main->GetLayer(0)->InvalidateAll();
    main->GetLayer(1)->InvalidateAll();
  }
}

bool TOrvaBaseList::GetImageDither() const {
  TSceneImageCache* cache = GetSceneServices().ImageCache;
  return cache && cache->GetDither();
}

void TOrvaBaseList::SetAudioEnabled(bool flag) {
  if (flag == audioEnabled_) return;
  audioEnabled_ = flag;
  if (TSceneMedia* media = GetSceneServices().Media) media->SetAudioEnabled(flag);
}

// ---- Focus and right clicks ----

void TOrvaBaseList::SetFocus(TOrvaControl* control) {
  TOrvaControl* current = focus_.Get();
  if (control == current) return;
  if (current && current->IsListed() && current->GetOwner() == this && !current->GetName().empty() &&
      !current->IsInputLocked()) {
    const std::string handler = current->GetOnFocusOut();
    if (!handler.empty()) current->QueueEvent(PR_ONFOCUSOUT, handler);
  }
  focus_ = control;
  if (control && !control->IsInputLocked()) {
    const std::string handler = control->GetOnFocusIn();
    if (!handler.empty()) control->QueueEvent(PR_ONFOCUSIN, handler);
  }
  recomputeFocus_ = false;
  if (control) control->FocusGained();
}

void TOrvaBaseList::AddRightClickReceiver(TOrvaObject* object) {
  if (!object) return;
  if (std::find(rightClickReceivers_.begin(), rightClickReceivers_.end(), object->Handle()) ==
      rightClickReceivers_.end())
    rightClickReceivers_.push_back(object->Handle());
}

void TOrvaBaseList::RemoveRightClickReceiver(TOrvaObject* object) {
  if (!object) return;
  std::erase(rightClickReceivers_, object->Handle());
}

// ---- Window controls ----

void TOrvaBaseList::AddWindowControl(TWindowControl* control) {
  if (control && std::find(windowControls_.begin(), windowControls_.end(), control) == windowControls_.end())
    windowControls_.push_back(control);
}

void TOrvaBaseList::RemoveWindowControl(TWindowControl* control) {
  std::erase(windowControls_, control);
  if (windowPressed_ == control) windowPressed_ = nullptr;
}

TWindowControl* TOrvaBaseList::WindowControlAt(TPoint point) const {
  for (auto it = windowControls_.rbegin(); it != windowControls_.rend(); ++it)
    if ((*it)->WindowShown() && PointInRect(point, (*it)->WindowBounds())) return *it;
  return nullptr;
}

bool TOrvaBaseList::WindowMouseDown(TPoint point, bool left, bool shift) {
  TWindowControl* control = WindowControlAt(point);
  if (!control) return false;
  windowPressed_ = control;
  control->WindowMouseDown(point, left, shift);
  return true;
}

bool TOrvaBaseList::WindowWheel(TPoint point, bool down) {
  TWindowControl* control = WindowControlAt(point);
  if (!control) return false;
  control->WindowWheel(down);
  return true;
}

bool TOrvaBaseList::WindowMouseMove(TPoint point) {
  if (!windowPressed_) return false;
  windowPressed_->WindowMouseMove(point);
  return true;
}

bool TOrvaBaseList::WindowMouseUp() {
  TWindowControl* control = std::exchange(windowPressed_, nullptr);
  if (!control) return false;
  control->WindowMouseUp();
  return true;
}

// ---- Stored form ----

void TOrvaBaseList::SaveToStream(TStream& stream) {
  WriteStreamInt(stream, width_);
  WriteStreamInt(stream, height_);
  WriteStreamInt(stream, activeIndex_);
  layers_[0]->SaveToStream(stream);
  layers_[1]->SaveToStream(stream);
  std::vector<TOrvaObject*> components;
  for (const auto& slot : objects_.Slots())
    if (slot.Value && IsSavedComponent(*slot.Value)) components.push_back(slot.Value.get());
  WriteStreamInt(stream, static_cast<int32_t>(components.size()));
  for (TOrvaObject* component : components) {
    WriteStreamByte(stream, component->GetCompoType());
    component->SaveToStream(stream);
  }
  events_->SaveToStream(stream);
  TOrvaControl* focus = focus_.Get();
  WriteStreamString(stream, focus ? std::string_view(focus->GetName()) : std::string_view());
}

void TOrvaBaseList::LoadFromStream(TStream& stream, int version) {
  Clear();
  width_ = height_ = 8;
  const int32_t width = ReadStreamInt(stream);
  if (width < 0 || width > MaxStoredSceneSize) throw EReadError("scene: bad width " + std::to_string(width));
  SetWidth(width);
  const int32_t height = ReadStreamInt(stream);
  if (height < 0 || height > MaxStoredSceneSize) throw EReadError("scene: bad height " + std::to_string(height));
  SetHeight(height);
  const int32_t active = ReadStreamInt(stream);
  if (active != 0 && active != 1) throw EReadError("scene: bad active layer " + std::to_string(active));
  activeIndex_ = active;
  layers_[0]->LoadFromStream(stream, version);
  layers_[1]->LoadFromStream(stream, version);
  // The layers are known by these names whatever the data says.
  layers_[0]->AssignName(LayerName0);
  layers_[1]->AssignName(LayerName1);
  layers_[0]->InvalidateAll();
  layers_[1]->InvalidateAll();
  const int32_t count = ReadStreamCount(stream, 9);
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t code = ReadStreamByte(stream);
    TOrvaObject* object = CreateObject(code);
    if (!object) throw EReadError("scene: no object class for type " + std::to_string(code));
    object->LoadFromStream(stream, version);
  }
  events_->LoadFromStream(stream, version);
  if (version >= 119) {
    const std::string name = ReadStreamString(stream);
    if (!name.empty()) {
      if (TOrvaControl* control = FindControl(name)) {
        focus_ = control;
        control->FocusGained();
        recomputeFocus_ = false;
      }
    }
  }
}

// ==== TOrvaSceneLink ====

TObjectHandle TOrvaSceneLink::FindObject(std::string_view name) { return HandleOf(scene_.FindObject(name)); }

TObjectHandle TOrvaSceneLink::FindControl(std::string_view name) { return HandleOf(scene_.FindControl(name)); }

int TOrvaSceneLink::IndexOfObject(TObjectHandle object) { return scene_.IndexOfObject(ResolveHandle(object)); }

std::string TOrvaSceneLink::GetName(TObjectHandle object) {
  const TOrvaObject* o = ResolveHandle(object);
  return o ? o->GetName() : std::string();
}

TEventQueue& TOrvaSceneLink::Events() { return scene_.Events(); }

void TOrvaSceneLink::Clear() { scene_.Clear(); }

void TOrvaSceneLink::GetProp(TParamCollectionItem& item, TObjectHandle object, uint8_t code) {
  if (TOrvaObject* o = ResolveHandle(object)) orva::GetProp(item, *o, code);
}

void TOrvaSceneLink::SetProp(TObjectHandle object, uint8_t code, const TCustomParam& value) {
  if (TOrvaObject* o = ResolveHandle(object)) orva::SetProp(*o, code, value);
}

int TOrvaSceneLink::ActiveLayerIndex() { return scene_.ActiveIndex(); }

void TOrvaSceneLink::Paint() { scene_.Paint(); }

TObjectHandle TOrvaSceneLink::CreateSnapshot(std::string_view name) {
  TOrvaBase* layer = scene_.ActiveLayer();
  TCustomDIBX* shown = layer->GetImage();
  // An image holding its own copy of the shown picture, drawn 1:1.
  auto* snapshot = CreateSceneObject<TOrvaCustomImage>(scene_);
  snapshot->SetName(name);
  TDIBX& picture = *snapshot->OwnSurface();
  picture.SetSize(std::max(scene_.GetWidth(), 1), std::max(scene_.GetHeight(), 1), ScreenBitCount());
  if (shown) picture.Assign(*shown);
  picture.TransparentColor = -1;
  snapshot->SetWidth(picture.GetWidth());
  snapshot->SetHeight(picture.GetHeight());
  snapshot->SetParent(layer);
  snapshot->SetIgnoreMouse(IM_ALL);
  return snapshot->Handle();
}

std::vector<TObjectHandle> TOrvaSceneLink::LayerChildren(int layer) {
  std::vector<TObjectHandle> children;
  for (TOrvaControl* child : scene_.GetLayer(layer)->Children()) children.push_back(child->Handle());
  return children;
}

void TOrvaSceneLink::MoveToLayer(TObjectHandle object, int layer) {
  if (TOrvaObject* o = ResolveHandle(object)) o->SetParent(scene_.GetLayer(layer));
}

bool TOrvaSceneLink::IsCabinet(TObjectHandle object) {
  TOrvaObject* o = ResolveHandle(object);
  return o && o->IsCabinet();
}

bool TOrvaSceneLink::SetActiveBase(int layer, int transition, int32_t duration, int32_t position, bool reset,
                                   bool reverse) {
  return scene_.SetActiveBase(layer, transition, duration, position, reset, reverse) != nullptr;
}

void TOrvaSceneLink::SetTransitionParam(int index, int32_t value) {
  if (TCustomWipe* wipe = scene_.GetTransition()) wipe->SetParam(index, value);
}

void TOrvaSceneLink::SetTransitionMaskName(std::string_view name) {
  if (TCustomWipe* wipe = scene_.GetTransition()) wipe->SetMaskName(name);
}

void TOrvaSceneLink::PrepareTransition() {
  if (TCustomWipe* wipe = scene_.GetTransition()) wipe->Prepare();
}

int32_t TOrvaSceneLink::GetTransitionDuration() { return scene_.GetTransitionDuration(); }

void TOrvaSceneLink::SetTransitionPosition(int32_t position) { scene_.SetTransitionPosition(position); }

uint8_t TOrvaSceneLink::GetCompoType(TObjectHandle object) {
  TOrvaObject* o = ResolveHandle(object);
  return o ? o->GetCompoType() : 0;
}

bool TOrvaSceneLink::GetItemCheck(TObjectHandle object, int32_t index) {
  TOrvaObject* o = ResolveHandle(object);
  return o && o->GetItemCheck(index);
}

void TOrvaSceneLink::SetItemCheck(TObjectHandle object, int32_t index, bool value) {
  if (TOrvaObject* o = ResolveHandle(object)) o->SetItemCheck(index, value);
}

bool TOrvaSceneLink::GetItemEnabled(TObjectHandle object, int32_t index) {
  TOrvaObject* o = ResolveHandle(object);
  return !o || o->GetItemEnabled(index);
}

void TOrvaSceneLink::SetItemEnabled(TObjectHandle object, int32_t index, bool value) {
  if (TOrvaObject* o = ResolveHandle(object)) o->SetItemEnabled(index, value);
}

bool TOrvaSceneLink::GetItemVisible(TObjectHandle object, int32_t index) {
  TOrvaObject* o = ResolveHandle(object);
  return !o || o->GetItemVisible(index);
}

void TOrvaSceneLink::SetItemVisible(TObjectHandle object, int32_t index, bool value) {
  if (TOrvaObject* o = ResolveHandle(object)) o->SetItemVisible(index, value);
}

int32_t TOrvaSceneLink::IndexOfItemName(TObjectHandle object, std::string_view name) {
  TOrvaObject* o = ResolveHandle(object);
  return o ? o->IndexOfItemName(name) : -1;
}

std::vector<std::string> TOrvaSceneLink::GetObjectNames(uint8_t type, std::optional<TObjectHandle> parent) {
  // The scene itself as the parent stands for any parent.
  TOrvaObject* p = parent ? ResolveHandle(*parent) : &scene_;
  std::vector<std::string> names;
  scene_.GetObjectNames(names, type, p);
  return names;
}

TPoint TOrvaSceneLink::ClientToScreen(TObjectHandle object, TPoint point) {
  TOrvaObject* o = ResolveHandle(object);
  return o ? o->ClientToScreen(point) : point;
}

TPoint TOrvaSceneLink::ScreenToClient(TObjectHandle object, TPoint point) {
  TOrvaObject* o = ResolveHandle(object);
  return o ? o->ScreenToClient(point) : point;
}

bool TOrvaSceneLink::IsInPrimary(TObjectHandle object) {
  TOrvaObject* o = ResolveHandle(object);
  return o && o->GetBase() == scene_.ActiveLayer() && !o->IsInCabinet();
}

TOrvaObject* TOrvaSceneLink::Resolve(TObjectHandle handle) const {
  TOrvaObject* object = ResolveHandle(handle);
  return object && object->GetOwner() == &scene_ ? object : nullptr;
}

TObjectHandle TOrvaSceneLink::CreateObject(int typeCode) {
  TOrvaObject* object = scene_.CreateObject(typeCode);
  if (!object) return {};
  // A control starts on the shown layer; a PR_PARENT of the command moves it.
  if (object->AsControl()) object->SetParent(scene_.ActiveLayer());
  return object->Handle();
}

void TOrvaSceneLink::SetCreationProp(TObjectHandle handle, uint8_t code, const TCustomParam& value) {
  TOrvaObject* object = Resolve(handle);
  if (!object) return;
  switch (code) {
    case PR_NAME: {
      const std::string name = value.GetAsString();
      if (!name.empty()) object->SetName(name);
      return;
    }
    case PR_PARENT: {
      TOrvaControl* parent = scene_.FindControl(value.GetAsString());
      object->SetParent(parent ? parent : scene_.ActiveLayer());
      return;
    }
    case PR_LEFT:
      object->FitSizeToParent();
      break;
  }
  orva::SetProp(*object, code, value);
}

void TOrvaSceneLink::AssignExpression(TObjectHandle handle, uint8_t code, const TOrvaParser& expr) {
  if (TOrvaObject* object = Resolve(handle)) object->AssignExpression(code, expr);
}

void TOrvaSceneLink::Play(TObjectHandle handle, int32_t mode) {
  if (TOrvaObject* object = Resolve(handle)) object->Play(static_cast<uint8_t>(mode));
}

uint8_t TOrvaSceneLink::GetPlayState(TObjectHandle handle) {
  TOrvaObject* object = Resolve(handle);
  return object ? object->GetPlayState() : uint8_t{LP_STOP};
}

void TOrvaSceneLink::MediaPlay(TObjectHandle handle) {
  if (TOrvaObject* object = Resolve(handle)) object->MediaPlay();
}

std::string TOrvaSceneLink::GetSourceText(TObjectHandle handle) {
  TOrvaObject* object = Resolve(handle);
  return object ? object->GetSource() : std::string();
}

void TOrvaSceneLink::Invalidate(TObjectHandle handle) {
  if (TOrvaObject* object = Resolve(handle)) object->Invalidate();
}

void TOrvaSceneLink::ScheduleFree(TObjectHandle handle) {
  TOrvaObject* object = Resolve(handle);
  if (object && !object->AsLayer()) object->ScheduleFree();
}

void TOrvaSceneLink::SetPropMotion(TObjectHandle handle, const TPropMotionFields& fields) {
  auto* motion = dynamic_cast<TOrvaPropMotion*>(Resolve(handle));
  if (!motion) return;
  if (fields.Target) motion->TargetName = *fields.Target;
  if (fields.Property) motion->PropertyCode = *fields.Property;
  if (fields.EndValue) motion->EndValue = *fields.EndValue;
  if (fields.Duration) motion->Duration = *fields.Duration;
  if (fields.MotionType) motion->MotionType = *fields.MotionType;
}

TObjectHandle TOrvaSceneLink::FindCabinet(std::string_view name) {
  TOrvaObject* object = scene_.FindObject(name);
  return object && object->IsCabinet() ? object->Handle() : TObjectHandle{};
}

int TOrvaSceneLink::GetChildCount(TObjectHandle control) {
  TOrvaObject* object = Resolve(control);
  return object ? object->GetChildCount() : 0;
}

TObjectHandle TOrvaSceneLink::GetChild(TObjectHandle control, int index) {
  TOrvaObject* object = Resolve(control);
  return object ? HandleOf(object->GetChild(index)) : TObjectHandle{};
}

void TOrvaSceneLink::SetParent(TObjectHandle control, TObjectHandle parent) {
  TOrvaObject* object = Resolve(control);
  TOrvaObject* to = Resolve(parent);
  if (object && to && to->AsControl() && !object->AsLayer()) object->SetParent(to->AsControl());
}

void TOrvaSceneLink::SaveToStream(TStream& stream) { scene_.SaveToStream(stream); }

void TOrvaSceneLink::LoadFromStream(TStream& stream, int version) { scene_.LoadFromStream(stream, version); }

// ==== Scene-level globals ====

TOrvaBaseList* GetMainScene() { return MainSceneSlot().get(); }

namespace {
std::unique_ptr<TOrvaImageCache>& ImageCacheSlot() {
  static std::unique_ptr<TOrvaImageCache> cache;
  return cache;
}
struct TGlobalsHook {
  std::function<void()> Create, Free;
};
std::vector<TGlobalsHook>& GlobalsHooks() {
  static std::vector<TGlobalsHook> hooks;
  return hooks;
}
}  // namespace

TOrvaImageCache* GetImageCache() { return ImageCacheSlot().get(); }

void AddSceneGlobals(std::function<void()> create, std::function<void()> free) {
  GlobalsHooks().push_back({std::move(create), std::move(free)});
}

void CreateSceneGlobals() {
  ImageCacheSlot() = std::make_unique<TOrvaImageCache>();
  // The scene reaches it as its image-cache service unless another one is installed.
  TSceneServices services = GetSceneServices();
  if (!services.ImageCache) {
    services.ImageCache = ImageCacheSlot().get();
    SetSceneServices(services);
  }
  MainSceneSlot() = std::make_unique<TOrvaBaseList>();
  SetupColorTables(ScreenBitCount());
  for (const TGlobalsHook& hook : GlobalsHooks()) hook.Create();
}

void FreeSceneGlobals() {
  const std::vector<TGlobalsHook>& hooks = GlobalsHooks();
  for (size_t i = hooks.size(); i-- > 0;) hooks[i].Free();
  MainSceneSlot().reset();
  TSceneServices services = GetSceneServices();
  if (services.ImageCache == ImageCacheSlot().get()) {
    services.ImageCache = nullptr;
    SetSceneServices(services);
  }
  ImageCacheSlot().reset();
}

}  // namespace orva

#include "scene/prev_menu.h"

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/vask_collection.h"
#include "scene/base_list.h"
#include "scene/cont_sels.h"
#include "scene/film_manager.h"
#include "scene/image_cache.h"
#include "scene/motion.h"
#include "script/param_collection.h"

namespace orva {

namespace {

constexpr int VkReturn = 13, VkSpace = 32, VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40;

// Every IGNOREMOUSE value.
constexpr TIgnoreMouseSet AnyIgnoreMouse = 0xFF;

}  // namespace

// ==== TOrvaPrevImages ====

void TOrvaPrevImages::SetSource(std::string_view value) {
  if (value != GetSource()) {
    SetAlpha(255);
    SetAngle(0);
    SetZoomX(256);
    SetZoomY(256);
    SetFlipH(false);
    SetFlipV(false);
    SetClipWidth(0);
    SetClipHeight(0);
  }
  TOrvaImages::SetSource(value);
}

bool TOrvaPrevImages::RanOut() {
  if (GetRepeat()) return false;
  if (TOrvaMotion* motion = GetMotion()) return motion->IsFinished();
  TOrvaImageList* list = GetFrameList();
  const int count = list ? list->Count() : 0;
  return GetIndex() >= count - 1 && GetFrameCountdown() <= 0;
}

bool TOrvaPrevImages::Idle() {
  TOrvaImages::Idle();
  if (RanOut())
    if (auto* menu = dynamic_cast<TOrvaPrevMenu*>(GetParent())) menu->AnimationEnd(*this);
  return false;
}

// ==== TOrvaPrevMenu ====

TOrvaPrevMenu::TOrvaPrevMenu(TOrvaBaseList* owner) : TOrvaControl(owner) {}

TOrvaPrevMenu::~TOrvaPrevMenu() { ClearButtons(); }

TOrvaPrevImages* TOrvaPrevMenu::Button(int index) { return IsButton(index) ? buttons_[size_t(index)].Get() : nullptr; }

TOrvaPrevImages* TOrvaPrevMenu::Overlay(int index) {
  return IsButton(index) ? overlays_[size_t(index)].Get() : nullptr;
}

void TOrvaPrevMenu::ClearButtons() {
  for (auto& ref : buttons_)
    if (TOrvaPrevImages* object = ref.Get()) object->FreeNow();
  for (auto& ref : overlays_)
    if (TOrvaPrevImages* object = ref.Get()) object->FreeNow();
  buttons_.clear();
  overlays_.clear();
  records_.clear();
  for (TVaskItem* item : preloadedItems_) item->Release(this);
  preloadedItems_.clear();
  preloadedNames_.clear();
  openedFilms_.clear();
}

TOrvaPrevImages* TOrvaPrevMenu::MakeButtonObject() {
  TOrvaBaseList* scene = GetOwner();
  if (!scene) return nullptr;
  auto* object = CreateSceneObject<TOrvaPrevImages>(*scene);
  // An internal name: the object is never saved with the menu and lies below its siblings.
  object->SetName(scene->MakeUniqueName(std::string(1, InternalNameByte) + GetName() + InternalNameByte));
  object->SetParent(this);
  return object;
}

void TOrvaPrevMenu::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  ClearButtons();
  hover_ = -1;
  pending_ = 0;
  enabled_.clear();
  visible_.clear();
  int32_t width = 0, height = 0;
  if (!source_.empty() && GameFileAvailable(source_) && FileManager) {
    TContSelList list;
    {
      TMemoryStream data;
      FileManager->LoadToStream(data, source_);
      data.SetPosition(0);
      list.LoadFromStream(data, ExtractDataDir(source_));
    }
    if (list.Version() >= 100) {
      width = list.Width();
      height = list.Height();
    }
    for (int i = 0; i < list.Count(); ++i) {
      const TContSelButton& b = list.Get(i);
      TRecord r{b.Normal,       b.Hover,        b.Leave,         b.Select,
                b.Disabled,     b.DisabledHover, b.DisabledLeave, b.HoverOverlay,
                b.LeaveOverlay, b.SelectOverlay, b.DisabledHoverOverlay, b.DisabledLeaveOverlay,
                b.OverlayX,     b.OverlayY,     b.Name,          i};
      records_.push_back(r);
      enabled_.push_back(1);
      visible_.push_back(1);
      overlays_.emplace_back();
      TOrvaPrevImages* object = MakeButtonObject();
      buttons_.emplace_back(object);
      if (object) {
        object->SetLeft(b.X);
        object->SetTop(b.Y);
        object->SetSource(b.Normal);
        object->SetCaptureMask(b.CaptureMask);
        object->SetCursor(b.Cursor);
      }
      for (const std::string* name : {&r.Normal, &r.Hover, &r.Leave, &r.Select, &r.Disabled, &r.HoverOverlay,
                                      &r.LeaveOverlay, &r.SelectOverlay, &r.DisabledHoverOverlay,
                                      &r.DisabledLeaveOverlay})
        Preload(*name);
    }
  }
  SetWidth(width);
  SetHeight(height);
  Invalidate();
}

void TOrvaPrevMenu::Preload(const std::string& name) {
  if (name.empty()) return;
  const std::string key = AnsiUpperCase(name);
  for (const std::string& known : preloadedNames_)
    if (known == key) return;
  // Loading ahead is only a head start: a picture or film that cannot be read now is left
  // for its button to meet.
  try {
    if (!SameTextAscii(ExtractFileExt(name), ".omt")) {
      TOrvaImageCache* cache = GetImageCache();
      if (!cache) return;
      TVaskItem& item = cache->Collection().Acquire(this, name, false, false);
      preloadedNames_.push_back(key);
      preloadedItems_.push_back(&item);
      return;
    }
    // Films may name each other: each is opened once.
    if (!openedFilms_.insert(key).second) return;
    std::vector<std::string> images;
    if (std::unique_ptr<TFilmManager> film = CreateFilm()) {
      film->LoadFromFile(name);
      images = film->ImageTrackFiles();
    }
    for (const std::string& image : images) Preload(image);
  } catch (const Exception&) {
  }
}

std::string TOrvaPrevMenu::GetText() {
  std::string text;
  for (size_t i = 0; i < records_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += records_[i].Name;
  }
  return text;
}

// ---- Items ----

bool TOrvaPrevMenu::GetItemEnabled(int index) { return IsButton(index) && enabled_[size_t(index)] != 0; }

bool TOrvaPrevMenu::GetItemVisible(int index) { return IsButton(index) && visible_[size_t(index)] != 0; }

void TOrvaPrevMenu::SetItemEnabled(int index, bool value) {
  if (!IsButton(index) || GetItemEnabled(index) == value) return;
  enabled_[size_t(index)] = value;
  const TRecord& r = records_[size_t(index)];
  if (TOrvaPrevImages* object = Button(index)) object->SetSource(value ? r.Normal : r.Disabled);
}

void TOrvaPrevMenu::SetItemVisible(int index, bool value) {
  if (!IsButton(index) || GetItemVisible(index) == value) return;
  visible_[size_t(index)] = value;
  if (TOrvaPrevImages* object = Button(index)) {
    object->SetVisible(value);
    const TRecord& r = records_[size_t(index)];
    object->SetSource(!value ? std::string() : GetItemEnabled(index) ? r.Normal : r.Disabled);
  }
}

int32_t TOrvaPrevMenu::IndexOfItemName(std::string_view name) {
  for (const TRecord& r : records_)
    if (r.Name == name) return r.Index;
  return -1;
}

std::string TOrvaPrevMenu::GetCursorAt() {
  if (TOrvaPrevImages* object = Button(hover_)) return object->GetCursor();
  return GetCursor();
}

// ---- Looks ----

void TOrvaPrevMenu::Show(int index, const std::string& source, bool repeat) {
  if (TOrvaPrevImages* object = Button(index)) {
    object->SetSource(source);
    object->SetRepeat(repeat);
  }
}

void TOrvaPrevMenu::ShowRest(int index) {
  const TRecord& r = records_[size_t(index)];
  Show(index, !GetItemVisible(index) ? std::string() : GetItemEnabled(index) ? r.Normal : r.Disabled, true);
}

TOrvaPrevImages* TOrvaPrevMenu::MakeOverlay(int index) {
  if (TOrvaPrevImages* existing = Overlay(index)) return existing;
  TOrvaPrevImages* object = MakeButtonObject();
  if (!object) return nullptr;
  const TRecord& r = records_[size_t(index)];
  object->SetLeft(r.OverlayX);
  object->SetTop(r.OverlayY);
  overlays_[size_t(index)] = object;
  return object;
}

void TOrvaPrevMenu::FreeOverlay(int index) {
  if (TOrvaPrevImages* object = Overlay(index)) object->FreeNow();
  overlays_[size_t(index)].Reset();
}

void TOrvaPrevMenu::SetOverlay(int index, const std::string& name, bool looping, int32_t priority) {
  if (name.empty()) {
    FreeOverlay(index);
    return;
  }
  if (TOrvaPrevImages* object = MakeOverlay(index)) {
    object->SetPriority(priority);
    object->SetSource(name);
    object->SetRepeat(looping);
  }
}

void TOrvaPrevMenu::QueueButtonEvent(uint8_t kind, const std::string& handler, int index) {
  TArrayString args;
  args.Add(records_[size_t(index)].Name);
  args.Add(std::to_string(index));
  QueueEvent(kind, handler, &args);
}

void TOrvaPrevMenu::ChangeHover(int32_t index) {
  if (index == hover_ || pending_ > 0) return;
  if (IsButton(hover_)) {
    const int h = hover_;
    const TRecord& r = records_[size_t(h)];
    const bool enabled = GetItemEnabled(h);
    const std::string& leave = enabled ? r.Leave : r.DisabledLeave;
    if (!leave.empty())
      Show(h, leave, false);
    else
      Show(h, enabled ? r.Normal : r.Disabled, true);
    SetOverlay(h, enabled ? r.LeaveOverlay : r.DisabledLeaveOverlay, false, 0);
    if (!onMapOut_.empty()) QueueButtonEvent(PR_ONMAPOUT, onMapOut_, h);
  }
  hover_ = IsButton(index) ? index : -1;
  if (hover_ >= 0) {
    const TRecord& r = records_[size_t(hover_)];
    const bool enabled = GetItemEnabled(hover_);
    const std::string& look = enabled ? r.Hover : r.DisabledHover;
    Show(hover_, !look.empty() ? look : enabled ? r.Normal : r.Disabled, true);
    SetOverlay(hover_, enabled ? r.HoverOverlay : r.DisabledHoverOverlay, true, 1);
    if (!onMapIn_.empty()) QueueButtonEvent(PR_ONMAPIN, onMapIn_, hover_);
  }
}

// ---- Selection ----

void TOrvaPrevMenu::Select() {
  const int b = hover_;
  const TRecord& r = records_[size_t(b)];
  if (!r.Select.empty()) {
    if (TOrvaPrevImages* object = Button(b)) {
      object->SetSource("");
      object->SetSource(r.Select);
      object->SetRepeat(false);
    }
    ++pending_;
  }
  if (!r.SelectOverlay.empty()) {
    if (TOrvaPrevImages* object = MakeOverlay(b)) {
      object->SetPriority(2);
      object->SetSource(r.SelectOverlay);
      object->SetRepeat(false);
    }
    ++pending_;
  } else {
    FreeOverlay(b);
  }
  if (TParamCollection* vars = GetSceneVariables()) {
    vars->SelStr = r.Name;
    vars->SelIndex = b;
  }
  if (!onSelect_.empty() && !HasEvent(PR_ONSELECT)) QueueButtonEvent(PR_ONSELECT, onSelect_, b);
  if (pending_ == 0) Finish(b);
}

void TOrvaPrevMenu::Finish(int button) {
  if (autoScrap_)
    ScheduleFree();
  else if (!onPlayEnd_.empty())
    QueueButtonEvent(PR_ONPLAYEND, onPlayEnd_, button);
}

void TOrvaPrevMenu::AnimationEnd(TOrvaPrevImages& object) {
  int owner = -1;
  for (size_t i = 0; i < buttons_.size() && owner < 0; ++i) {
    if (buttons_[i].Get() == &object) {
      owner = static_cast<int>(i);
      ShowRest(owner);
    } else if (overlays_[i].Get() == &object) {
      owner = static_cast<int>(i);
      object.ScheduleFree();
      overlays_[i].Reset();
    }
  }
  if (owner < 0 || owner != hover_ || pending_ < 1) return;
  if (--pending_ == 0) Finish(owner);
}

// ---- Mouse and keys ----

TOrvaObject* TOrvaPrevMenu::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible() || !PointInRect(point, GetClientRect())) return nullptr;
  TOrvaObject* result = nullptr;
  const auto isButton = [&](TOrvaControl* child) {
    for (size_t i = 0; i < buttons_.size(); ++i)
      if (buttons_[i].Get() == child) return static_cast<int>(i);
    return -1;
  };
  const std::vector<TOrvaControl*>& children = Children();
  if (accepted & IgnoreMouseBit(GetIgnoreMouse())) {
    result = this;
    for (size_t i = children.size(); i-- > 0;) {
      const int b = isButton(children[i]);
      if (b >= 0 && GetItemEnabled(b) && children[i]->HitTest(point, AnyIgnoreMouse)) return this;
    }
  }
  for (size_t i = children.size(); i-- > 0;) {
    if (isButton(children[i]) >= 0) continue;
    if (TOrvaObject* hit = children[i]->HitTest(point, accepted)) return hit;
  }
  return result;
}

void TOrvaPrevMenu::MouseMove() {
  int32_t hit = -1;
  if (TOrvaBase* layer = GetBase()) {
    const TPoint mouse = layer->GetMousePos();
    for (size_t i = 0; i < buttons_.size() && hit < 0; ++i)
      if (TOrvaPrevImages* object = buttons_[i].Get(); object && object->HitTest(mouse, AnyIgnoreMouse))
        hit = static_cast<int32_t>(i);
  }
  ChangeHover(hit);
  TOrvaControl::MouseMove();
}

void TOrvaPrevMenu::MouseOut(TOrvaObject* next) {
  ChangeHover(-1);
  TOrvaControl::MouseOut(next);
}

void TOrvaPrevMenu::LButtonDown() {
  pressed_ = hover_;
  TOrvaControl::LButtonDown();
}

void TOrvaPrevMenu::LButtonUp() {
  if (pressed_ >= 0 && pressed_ == hover_ && pending_ == 0 && !IsInputLocked() && GetItemEnabled(hover_)) Select();
  TOrvaControl::LButtonUp();
}

void TOrvaPrevMenu::RButtonDown() {
  if (rClickScrap_) ScheduleFree();
  TOrvaControl::RButtonDown();
}

void TOrvaPrevMenu::KeyRepeat() {
  std::vector<int32_t> shown;
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (TOrvaPrevImages* object = buttons_[i].Get(); object && object->GetVisible())
      shown.push_back(static_cast<int32_t>(i));
  TOrvaBaseList* scene = GetOwner();
  if (shown.empty() || !scene) return;
  const int n = static_cast<int>(shown.size());
  int p = -1;
  for (int i = 0; i < n; ++i)
    if (shown[size_t(i)] == hover_) p = i;
  if (scene->IsKeyRepeated(VkLeft) || scene->IsKeyRepeated(VkUp)) {
    ChangeHover(shown[size_t(p < 1 ? n - 1 : p - 1)]);
  } else if (scene->IsKeyRepeated(VkRight) || scene->IsKeyRepeated(VkDown)) {
    ChangeHover(shown[size_t(p < 0 ? 0 : (p + 1) % n)]);
  } else if (GetItemEnabled(hover_) && (scene->IsKeyRepeated(VkSpace) || scene->IsKeyRepeated(VkReturn)) &&
             !IsInputLocked() && pending_ == 0) {
    Select();
  }
  TOrvaControl::KeyRepeat();
}

// ---- Stored form ----

void TOrvaPrevMenu::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, rClickScrap_);
  WriteStreamBool(stream, paused_);
  for (const std::string* s : {&onMapIn_, &onMapOut_, &onIdle_, &onSelect_, &onPlayEnd_}) WriteStreamString(stream, *s);
  for (const std::vector<uint8_t>* flags : {&enabled_, &visible_}) {
    WriteStreamInt(stream, static_cast<int32_t>(flags->size()));
    if (!flags->empty()) stream.WriteBuffer(flags->data(), static_cast<int64_t>(flags->size()));
  }
}

void TOrvaPrevMenu::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetSource(ReadStreamString(stream));
  autoScrap_ = ReadStreamBool(stream);
  rClickScrap_ = ReadStreamBool(stream);
  paused_ = ReadStreamBool(stream);
  for (std::string* s : {&onMapIn_, &onMapOut_, &onIdle_, &onSelect_, &onPlayEnd_}) ReadStreamString(stream, *s);
  const auto readFlags = [&](void (TOrvaPrevMenu::*set)(int, bool)) {
    const int32_t n = ReadStreamCount(stream, 1);
    std::string flags(size_t(n), '\0');
    if (n > 0) stream.ReadBuffer(flags.data(), n);
    for (int32_t i = 0; i < n && i < GetCount(); ++i) (this->*set)(i, flags[size_t(i)] != 0);
  };
  if (version >= 127) readFlags(&TOrvaPrevMenu::SetItemEnabled);
  if (version >= 132) readFlags(&TOrvaPrevMenu::SetItemVisible);
}

}  // namespace orva

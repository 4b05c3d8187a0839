#include "scene/orva_control.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/exceptions.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

namespace {

// A text of decimal digits within the int32 range.
bool ParseDecimal(std::string_view text, int64_t& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) return false;
  }
  return true;
}

// z-order bands: internal names below the script's objects, the transition snapshot on top.
int OrderBand(const std::string& name) {
  if (name == TransitionSnapshotName) return 2;
  return IsInternalName(name) ? 0 : 1;
}

bool Below(TOrvaControl* a, TOrvaControl* b) { return TOrvaControl::ComparePriority(a, b) < 0; }

// v × z div 256, truncating toward zero, in wrapping 32-bit arithmetic.
int32_t Zoomed(int32_t v, int32_t z) { return z == 256 ? v : WrapMul(v, z) / 256; }

}  // namespace

TOrvaControl::TOrvaControl(TOrvaBaseList* owner) : TOrvaComponent(owner) {
  if (owner && !owner->GetFocus()) owner->RequestFocusUpdate(true);
}

TOrvaControl::~TOrvaControl() {
  TOrvaBaseList* scene = GetOwner();
  // A scene clear frees in list order, so a child may go before its parent.
  if (parent_) parent_->RemoveChild(this);
  std::vector<TOrvaControl*> children = std::move(children_);
  children_.clear();
  for (TOrvaControl* child : children) {
    child->parent_ = nullptr;
    // A child the scene does not list (a layer given a parent) stays with its owner.
    if (scene) scene->RemoveObject(child).reset();
  }
  if (motion_) {
    motion_->SetOwner(nullptr);
    motion_.reset();
  }
  if (scene && scene->GetFocus() == this) {
    scene->SetFocus(nullptr);
    scene->RequestFocusUpdate(true);
  }
}

// ---- Tree ----

void TOrvaControl::SetParent(TOrvaControl* parent) {
  if (parent == parent_) return;
  for (TOrvaControl* p = parent; p; p = p->GetParent())
    if (p == this) return;
  Invalidate();
  if (parent_) {
    parent_->RemoveChild(this);
    if (parent_->IsCabinet()) LeaveCabinet();
  }
  parent_ = parent;
  if (parent_) {
    parent_->AddChild(this);
    parent_->SortChildren();
    if (parent_->IsCabinet()) EnterCabinet();
  }
  Invalidate();

  TOrvaBaseList* scene = GetOwner();
  if (!scene) return;
  TOrvaControl* focus = scene->GetFocus();
  const bool onActiveLayer = GetBase() == scene->ActiveLayer();
  if (focus && (focus == this || Contains(focus)) && !onActiveLayer) {
    scene->SetFocus(nullptr);
    scene->RequestFocusUpdate(true);
  } else if (!focus && onActiveLayer) {
    scene->RequestFocusUpdate(true);
  }
}

TOrvaControl* TOrvaControl::GetChild(int index) {
  return index >= 0 && index < GetChildCount() ? children_[size_t(index)] : nullptr;
}

void TOrvaControl::AddChild(TOrvaControl* child) { children_.push_back(child); }

void TOrvaControl::RemoveChild(TOrvaControl* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it != children_.end()) children_.erase(it);
}

int TOrvaControl::ComparePriority(TOrvaObject* a, TOrvaObject* b) {
  if (a == b) return 0;
  const int bandA = OrderBand(a->GetName()), bandB = OrderBand(b->GetName());
  if (bandA != bandB) return bandA < bandB ? -1 : 1;
  const int32_t keyA = a->GetSortKey(), keyB = b->GetSortKey();
  if (keyA != keyB) return keyA < keyB ? -1 : 1;
  const int c = a->GetName().compare(b->GetName());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void TOrvaControl::SortChildren() {
  // The list is normally sorted but for the child just added: place it after its equals,
  // as the stable sort would.
  const auto unsortedFrom = std::is_sorted_until(children_.begin(), children_.end(), Below);
  if (unsortedFrom == children_.end()) return;
  if (unsortedFrom + 1 == children_.end()) {
    const auto at = std::upper_bound(children_.begin(), children_.end() - 1, children_.back(), Below);
    std::rotate(at, children_.end() - 1, children_.end());
    return;
  }
  // Many moved at once (an emitter's turning sprites): the bands and keys are read once
  // each, not at every comparison; the order is the stable sort's by ComparePriority.
  struct TEntry {
    int band;
    int32_t key;
    TOrvaControl* child;
  };
  std::vector<TEntry> entries;
  entries.reserve(children_.size());
  for (TOrvaControl* child : children_) entries.push_back({OrderBand(child->GetName()), child->GetSortKey(), child});
  std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
    if (a.band != b.band) return a.band < b.band;
    if (a.key != b.key) return a.key < b.key;
    return a.child != b.child && a.child->GetName() < b.child->GetName();
  });
  for (size_t i = 0; i < entries.size(); ++i) children_[i] = entries[i].child;
}

void TOrvaControl::ClipChanged() {
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->ClipChanged();
}

bool TOrvaControl::Contains(const TOrvaObject* object) {
  if (!object) return false;
  for (TOrvaControl* child : children_)
    if (child == object || child->Contains(object)) return true;
  return false;
}

bool TOrvaControl::IsInCabinet() { return parent_ && (parent_->IsCabinet() || parent_->IsInCabinet()); }

int TOrvaControl::Depth() {
  int depth = 0;
  for (TOrvaControl* p = parent_; p; p = p->GetParent()) ++depth;
  return depth;
}

void TOrvaControl::SetName(std::string_view name) {
  if (name == GetName()) return;
  TOrvaBaseList* scene = GetOwner();
  TOrvaObject* holder = scene ? scene->FirstNamed(name) : nullptr;
  if (!holder) {
    AssignName(name);
    return;
  }
  // The previous holder becomes stem_n: a trailing "_N" (N >= 2) gives the stem and the
  // first number tried.
  std::string base(name);
  int64_t n = 2;
  for (size_t i = base.size(); i-- > 1;) {
    if (base[i] != '_') continue;
    int64_t number;
    if (ParseDecimal(std::string_view(base).substr(i + 1), number) && number >= 2) {
      base.resize(i);
      n = number;
      break;
    }
    n = 2;
  }
  std::string candidate;
  for (;; ++n) {
    candidate = base + "_" + std::to_string(n);
    if (!scene->FirstNamed(candidate)) break;
  }
  holder->AssignName(candidate);
  AssignName(name);
}

// ---- Properties ----

bool TOrvaControl::IsEffectivelyVisible() { return visible_ && parent_ && parent_->IsEffectivelyVisible(); }

void TOrvaControl::SetVisible(bool value) {
  if (value == visible_) return;
  TOrvaBaseList* scene = GetOwner();
  if (!value) {
    Invalidate();
    visible_ = false;
    if (!scene) return;
    TOrvaControl* focus = scene->GetFocus();
    if (focus && (focus == this || Contains(focus))) {
      scene->SetFocus(nullptr);
      scene->RequestFocusUpdate(true);
    }
  } else {
    visible_ = true;
    Invalidate();
    if (scene && !scene->GetFocus()) scene->RequestFocusUpdate(true);
  }
}

// LEFT, TOP, OFFSETX, OFFSETY: a new value moves the control (LEFT and TOP also end the
// motion's placement); the children hear of it even when nothing changed.
void TOrvaControl::MovePosition(int32_t& field, int32_t value, int32_t* motion) {
  if (value != field) {
    Invalidate();
    field = value;
    if (motion) *motion = 0;
    Invalidate();
  }
  PositionChanged();
}

void TOrvaControl::SetLeft(int32_t value) { MovePosition(left_, value, &motionX_); }
void TOrvaControl::SetTop(int32_t value) { MovePosition(top_, value, &motionY_); }
void TOrvaControl::SetOffsetX(int32_t value) { MovePosition(offsetX_, value, nullptr); }
void TOrvaControl::SetOffsetY(int32_t value) { MovePosition(offsetY_, value, nullptr); }

namespace {
// The setter rule of size and position fields: invalidate the old and the new place.
template <class T>
bool MoveField(TOrvaControl& control, T& field, T value) {
  if (field == value) return false;
  control.Invalidate();
  field = value;
  control.Invalidate();
  return true;
}
}  // namespace

void TOrvaControl::SetWidth(int32_t value) { MoveField(*this, width_, value); }
void TOrvaControl::SetHeight(int32_t value) { MoveField(*this, height_, value); }
void TOrvaControl::SetMotionX(int32_t value) { MoveField(*this, motionX_, value); }
void TOrvaControl::SetMotionY(int32_t value) { MoveField(*this, motionY_, value); }
void TOrvaControl::SetPlusX(int32_t value) { MoveField(*this, plusX_, value); }
void TOrvaControl::SetPlusY(int32_t value) { MoveField(*this, plusY_, value); }
void TOrvaControl::SetPosZoomed(bool value) { MoveField(*this, posZoomed_, value); }

void TOrvaControl::SetClipLeft(int32_t value) {
  if (MoveField(*this, clipLeft_, value)) ClipChanged();
}
void TOrvaControl::SetClipTop(int32_t value) {
  if (MoveField(*this, clipTop_, value)) ClipChanged();
}
void TOrvaControl::SetClipWidth(int32_t value) {
  if (MoveField(*this, clipWidth_, value)) ClipChanged();
}
void TOrvaControl::SetClipHeight(int32_t value) {
  if (MoveField(*this, clipHeight_, value)) ClipChanged();
}

void TOrvaControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TOrvaControl::SetColor(int32_t value) {
  if (value == color_) return;
  color_ = value;
  Invalidate();
}

void TOrvaControl::SetMarked(bool value) {
  if (value == marked_) return;
  marked_ = value;
  Invalidate();
}

bool TOrvaControl::GetAniPaused() {
  // Internal parts follow their parent.
  if (parent_ && IsInternalName(GetName())) return parent_->GetAniPaused();
  return aniPaused_;
}

void TOrvaControl::SetHandleKey(bool value) {
  if (value == handleKey_) return;
  handleKey_ = value;
  TOrvaBaseList* scene = GetOwner();
  if (!scene) return;
  TOrvaControl* focus = scene->GetFocus();
  if ((value && !focus) || (!value && focus == this)) scene->RequestFocusUpdate(true);
}

bool TOrvaControl::GetPlaying() {
  TOrvaMotion* motion = GetMotion();
  return motion && !motion->IsFinished() && !GetPaused() && !GetAniPaused();
}

// ---- Layer coordinates ----

int32_t TOrvaControl::ScreenPos(bool vertical) {
  const int32_t z = vertical ? GetZoomY() : GetZoomX();
  const int32_t pos = vertical ? top_ : left_;
  const int32_t offset = vertical ? offsetY_ : offsetX_;
  const int32_t plus = vertical ? plusY_ : plusX_;
  const bool flip = vertical ? GetFlipV() : GetFlipH();

  const bool moving = GetMotion() != nullptr;
  // Placement relative to the parent's picture, in 16.16 steps of its scale.
  if (posZoomed_ && parent_ && !moving) {
    TCustomDIBX* parentImage = parent_->GetImage();
    if (parentImage && !parent_->AsLayer() && (vertical ? parent_->GetZoomY() : parent_->GetZoomX()) == z) {
      TCustomDIBX* image = GetImage();
      const int32_t parentSize = vertical ? parent_->GetHeight() : parent_->GetWidth();
      // A parent of size 0 has no scale: the plain placement below applies.
      if (image && parentSize != 0) {
        const int32_t parentImageSize = vertical ? parentImage->GetHeight() : parentImage->GetWidth();
        const int32_t imageSize = vertical ? image->GetHeight() : image->GetWidth();
        const int64_t s = PictureStep(parentImageSize, parentSize);
        int32_t d = WrapSub(pos, offset);
        if (flip) d = WrapSub(WrapSub(parentImageSize, d), imageSize);
        const int64_t x = StepDivide(d, s, 32767);
        const int32_t parentPos = vertical ? parent_->GetScreenTop() : parent_->GetScreenLeft();
        const int32_t scroll = vertical ? parent_->GetScrollY() : parent_->GetScrollX();
        return WrapAdd(WrapAdd(static_cast<int32_t>(x), WrapSub(parentPos, scroll)), plus);
      }
    }
  }

  int32_t o = Zoomed(offset, z);
  if (flip) o = WrapSub(WrapSub(vertical ? GetHeight() : GetWidth(), 1), o);
  int32_t l = moving ? (vertical ? motionY_ : motionX_) : posZoomed_ ? Zoomed(pos, z) : pos;
  if (parent_) {
    const int32_t parentPos = vertical ? parent_->GetScreenTop() : parent_->GetScreenLeft();
    const int32_t scroll = vertical ? parent_->GetScrollY() : parent_->GetScrollX();
    l = WrapAdd(l, WrapSub(parentPos, scroll));
  }
  return WrapAdd(WrapSub(l, o), plus);
}

int32_t TOrvaControl::OriginPos(bool vertical) {
  const int32_t z = vertical ? GetZoomY() : GetZoomX();
  const int32_t pos = vertical ? top_ : left_;
  const int32_t offset = vertical ? offsetY_ : offsetX_;
  int32_t o = Zoomed(offset, z);
  if (vertical ? GetFlipV() : GetFlipH()) o = WrapSub(vertical ? GetHeight() : GetWidth(), o);
  const int32_t l = GetMotion() ? (vertical ? motionY_ : motionX_) : posZoomed_ ? Zoomed(pos, z) : pos;
  return WrapAdd(vertical ? plusY_ : plusX_, WrapSub(l, o));
}

int32_t TOrvaControl::GetScreenLeft() { return ScreenPos(false); }
int32_t TOrvaControl::GetScreenTop() { return ScreenPos(true); }
int32_t TOrvaControl::GetOriginX() { return OriginPos(false); }
int32_t TOrvaControl::GetOriginY() { return OriginPos(true); }

TPoint TOrvaControl::GetDrawOrigin() {
  int32_t x = left_, y = top_;
  if (GetMotion()) {
    x = motionX_;
    y = motionY_;
  } else if (posZoomed_) {
    x = WrapMul(left_, GetZoomX()) / 256;
    y = WrapMul(top_, GetZoomY()) / 256;
  }
  if (parent_) {
    x = WrapAdd(x, WrapSub(parent_->GetScreenLeft(), parent_->GetScrollX()));
    y = WrapAdd(y, WrapSub(parent_->GetScreenTop(), parent_->GetScrollY()));
  }
  return {WrapAdd(x, plusX_), WrapAdd(y, plusY_)};
}

TPoint TOrvaControl::ClientToScreen(TPoint point) {
  return {WrapAdd(point.X, GetScreenLeft()), WrapAdd(point.Y, GetScreenTop())};
}

TPoint TOrvaControl::ScreenToClient(TPoint point) {
  return {WrapSub(point.X, GetScreenLeft()), WrapSub(point.Y, GetScreenTop())};
}

// ---- Drawing, hit testing, keys, update ----

void TOrvaControl::Invalidate() {
  if (!IsEffectivelyVisible()) return;
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  TRect r = GetScreenRect();
  if (parent_ && !parent_->ClipToClient(r)) return;
  const TRect clip = GetClipRect();
  if (!clip.IsEmpty() && !IntersectClipRect(r, clip)) return;
  if (parent_) parent_->NotifyInvalidate(r);
  layer->AddDirtyRect(r);
}

void TOrvaControl::Paint() {
  TCustomDIBX* surface = GetTargetSurface();
  if (!surface) return;
  const TRect saved = surface->GetClipRect();
  // A control without children (every particle sprite) needs no client rectangle here.
  const TRect r = children_.empty() ? TRect{} : IntersectRectOf(GetClientRect(), saved);
  if (!r.IsEmpty()) {
    // By index: a child's paint must not change the tree, but a stale end is no crash.
    for (size_t i = 0; i < children_.size(); ++i) {
      TOrvaControl* child = children_[i];
      if (!child->IsEffectivelyVisible()) continue;
      TRect q = r;
      const TRect childClip = child->GetClipRect();
      if (!childClip.IsEmpty()) {
        q = IntersectRectOf(q, childClip);
        if (q.IsEmpty()) continue;
      }
      // The next child sets its own clip; a clear here would also clear the clip of a
      // decorating surface's target.
      surface->SetClipRect(q);
      child->Paint();
    }
  }
  surface->SetClipRect(saved);
  if (marked_ && GetCompoType() != LT_VIDEO) DrawMarkedFrame(*surface);
}

// The selection frame of inspection tools: 2 pixels wide, black and white in a checker.
void TOrvaControl::DrawMarkedFrame(TCustomDIBX& surface) {
  const TRect c = GetClientRect();
  const TRect clip = surface.GetClipRect();
  const uint32_t white = surface.ColorToPixel(0xFFFFFF), black = surface.ColorToPixel(0);
  // Bands in 64 bits, cut to the clip (which lies on the surface).
  auto band = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
    return TRect{int32_t(std::max<int64_t>(l, clip.Left)), int32_t(std::max<int64_t>(t, clip.Top)),
                 int32_t(std::min<int64_t>(r, clip.Right)), int32_t(std::min<int64_t>(b, clip.Bottom))};
  };
  const int64_t l = c.Left, t = c.Top, r = c.Right, b = c.Bottom;
  std::vector<TRect> bands = {band(l, t, r, t + 2), band(l, b - 2, r, b)};
  if (b - t > 4) {
    bands.push_back(band(l, t + 2, l + 2, b - 2));
    bands.push_back(band(r - 2, t + 2, r, b - 2));
  }
  for (const TRect& area : bands)
    for (int32_t y = area.Top; y < area.Bottom; ++y)
      for (int32_t x = area.Left; x < area.Right; ++x) surface.SetPixel(x, y, ((x ^ y) & 1) ? black : white);
}

TOrvaObject* TOrvaControl::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible() || !PointInRect(point, GetClientRect())) return nullptr;
  TOrvaObject* candidate = (accepted & IgnoreMouseBit(GetIgnoreMouse())) ? this : nullptr;
  for (size_t i = children_.size(); i-- > 0;)
    if (TOrvaObject* hit = children_[i]->HitTest(point, accepted)) return hit;
  return candidate;
}

TOrvaControl* TOrvaControl::FindKeyTarget() {
  for (size_t i = children_.size(); i-- > 0;) {
    TOrvaControl* child = children_[i];
    if (!child->IsEffectivelyVisible()) continue;
    if (TOrvaControl* target = child->FindKeyTarget()) return target;
  }
  return GetHandleKey() && !GetPaused() ? this : nullptr;
}

void TOrvaControl::QueueKeyEvent(uint8_t kind, Handler handler) {
  const std::string& name = handlers_[handler];
  if (name.empty() || GetPaused() || HasEvent(kind) || AsLayer() || IsInputLocked()) return;
  QueueEvent(kind, name);
}

void TOrvaControl::KeyDown() { QueueKeyEvent(PR_ONKEYDOWN, hKeyDown); }
void TOrvaControl::KeyUp() { QueueKeyEvent(PR_ONKEYUP, hKeyUp); }
void TOrvaControl::KeyRepeat() { QueueKeyEvent(PR_ONKEYREPEAT, hKeyRepeat); }

bool TOrvaControl::Idle() {
  TOrvaMotion* motion = GetMotion();
  if (motion && motion->Step()) {
    if (GetAutoScrap()) return true;
    const std::string handler = GetOnPlayEnd();
    if (!handler.empty()) QueueEvent(PR_ONPLAYEND, handler);
  }
  return false;
}

// ---- Motion ----

void TOrvaControl::FreeMotion() {
  if (!motion_) return;
  // Where the motion had put the control, and where it stands without one.
  Invalidate();
  std::unique_ptr<TOrvaMotion> motion = std::move(motion_);
  motion.reset();
  Invalidate();
}

void TOrvaControl::LoadMotion(std::string_view fileName) {
  std::unique_ptr<TFilmManager> film = CreateFilm();
  if (!film) return;
  FreeMotion();
  auto motion = std::make_unique<TOrvaMotion>(std::move(film));
  // A film that cannot be read leaves no motion behind.
  motion->Load(fileName);
  motion->SetOwner(this);
  motion_ = std::move(motion);
}

void TOrvaControl::LoadMotionSource(std::string_view fileName) {
  FreeMotion();
  if (SameTextAscii(ExtractFileExt(fileName), ".omt")) LoadMotion(fileName);
}

void TOrvaControl::RewindFinishedMotion() {
  if (motion_ && motion_->IsFinished()) motion_->Rewind();
}

void TOrvaControl::StartMotion() {
  if (TOrvaMotion* motion = GetMotion()) motion->Rewind();
}

void TOrvaControl::RecreateSurfaces() {
  if (TOrvaMotion* motion = GetMotion()) motion->Reapply();
}

// ---- Radio groups ----

void TOrvaControl::UpdateGroup(TOrvaControl* sender, int32_t group) {
  if (group == 0) return;
  std::vector<TOrvaControl*> members;
  for (TOrvaControl* child : children_)
    if (child->GetGroupIndex() == group) members.push_back(child);
  TOrvaControl* chosen = nullptr;
  if (sender && sender->GetSelected()) {
    chosen = sender;
  } else {
    for (TOrvaControl* m : members)
      if (m->GetSelected()) {
        chosen = m;
        break;
      }
  }
  if (!chosen && !members.empty() && !(sender && sender->GetAllowAllUp())) chosen = members.front();
  for (TOrvaControl* m : members) {
    const bool on = m == chosen;
    if (m->GetSelected() != on) m->GroupSelect(on);
  }
}

void TOrvaControl::SetGroupAllowAllUp(int32_t group, bool flag) {
  if (group == 0) return;
  for (size_t i = 0; i < children_.size(); ++i)
    if (children_[i]->GetGroupIndex() == group) children_[i]->GroupAllowAllUp(flag);
}

// ---- Stored form ----

namespace {
// Whether a saver writes the object: typed, not queued for freeing, not internal.
bool IsSaved(TOrvaObject& object) {
  return !object.IsQueuedForFree() && object.GetCompoType() != 0 && !IsInternalName(object.GetName());
}
}  // namespace

void TOrvaControl::SaveToStream(TStream& stream) {
  TOrvaComponent::SaveToStream(stream);
  for (int32_t v : {left_, top_, width_, height_, offsetX_, offsetY_}) WriteStreamInt(stream, v);
  WriteStreamBool(stream, posZoomed_);
  for (int32_t v : {motionX_, motionY_, plusX_, plusY_}) WriteStreamInt(stream, v);
  for (int32_t v : {clipLeft_, clipTop_, clipWidth_, clipHeight_}) WriteStreamInt(stream, v);
  WriteStreamBool(stream, aniPaused_);
  WriteStreamBool(stream, visible_);
  WriteStreamInt(stream, color_);
  for (int32_t v : {bounds_.Left, bounds_.Top, bounds_.Right, bounds_.Bottom}) WriteStreamInt(stream, v);
  WriteStreamByte(stream, ignoreMouse_);
  WriteStreamString(stream, cursor_);
  for (Handler h : {hMouseMove, hMouseIn, hMouseOut, hLBtnDown, hLBtnUp, hRBtnDown, hRBtnUp, hWheelDown, hWheelUp})
    WriteStreamString(stream, handlers_[h]);
  WriteStreamBool(stream, handleKey_);
  for (Handler h : {hKeyDown, hKeyUp, hKeyRepeat, hFocusIn, hFocusOut}) WriteStreamString(stream, handlers_[h]);

  std::vector<TOrvaControl*> saved;
  for (TOrvaControl* child : children_)
    if (IsSaved(*child)) saved.push_back(child);
  WriteStreamInt(stream, static_cast<int32_t>(saved.size()));
  for (TOrvaControl* child : saved) {
    WriteStreamByte(stream, child->GetCompoType());
    child->SaveToStream(stream);
  }
}

void TOrvaControl::LoadFromStream(TStream& stream, int version) {
  TOrvaComponent::LoadFromStream(stream, version);
  for (int32_t* v : {&left_, &top_, &width_, &height_, &offsetX_, &offsetY_}) *v = ReadStreamInt(stream);
  posZoomed_ = ReadStreamBool(stream);
  if (version >= 130)
    for (int32_t* v : {&motionX_, &motionY_, &plusX_, &plusY_}) *v = ReadStreamInt(stream);
  if (version >= 104) {
    for (int32_t* v : {&clipLeft_, &clipTop_, &clipWidth_, &clipHeight_}) *v = ReadStreamInt(stream);
    aniPaused_ = ReadStreamBool(stream);
  }
  visible_ = ReadStreamBool(stream);
  color_ = ReadStreamInt(stream);
  for (int32_t* v : {&bounds_.Left, &bounds_.Top, &bounds_.Right, &bounds_.Bottom}) *v = ReadStreamInt(stream);
  ignoreMouse_ = ReadStreamByte(stream);
  ReadStreamString(stream, cursor_);
  ReadStreamString(stream, handlers_[hMouseMove]);
  if (version >= 102) ReadStreamString(stream, handlers_[hMouseIn]);
  for (Handler h : {hMouseOut, hLBtnDown, hLBtnUp, hRBtnDown, hRBtnUp, hWheelDown, hWheelUp})
    ReadStreamString(stream, handlers_[h]);
  if (version >= 118) {
    handleKey_ = ReadStreamBool(stream);
    for (Handler h : {hKeyDown, hKeyUp, hKeyRepeat, hFocusIn, hFocusOut}) ReadStreamString(stream, handlers_[h]);
  }
  LoadChildren(stream, version);
}

void TOrvaControl::LoadChildren(TStream& stream, int version) {
  // Each child takes at least its type byte, name length and priority.
  const int32_t count = ReadStreamCount(stream, 9);
  if (count > 0 && Depth() >= MaxStoredControlDepth) throw EReadError("scene: controls nested too deep");
  TOrvaBaseList* scene = GetOwner();
  std::vector<TOrvaControl*> loaded;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t code = ReadStreamByte(stream);
    TOrvaObject* child = scene ? scene->CreateObject(code) : nullptr;
    if (!child) throw EReadError("scene: no object class for type " + std::to_string(code));
    child->SetParent(this);
    if (TOrvaControl* control = child->AsControl()) loaded.push_back(control);
    child->LoadFromStream(stream, version);
  }
  // Children were placed by the names they had while they loaded; equals (same name and
  // priority) keep the order they were saved in.
  if (loaded.size() == children_.size() && std::is_permutation(loaded.begin(), loaded.end(), children_.begin()))
    children_ = std::move(loaded);
  std::stable_sort(children_.begin(), children_.end(), Below);
}

}  // namespace orva

#include "scene/map_image.h"

#include <cstring>

#include "core/file_manager.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/dibx.h"
#include "scene/base_list.h"
#include "scene/image_cache.h"
#include "script/param_collection.h"

namespace orva {

namespace {

constexpr int VkReturn = 13, VkEscape = 27, VkSpace = 32, VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40;

void SetSelection(std::string_view name, int32_t index) {
  if (TParamCollection* vars = GetSceneVariables()) {
    vars->SelStr = name;
    vars->SelIndex = index;
  }
}

}  // namespace

TOrvaMapImage::TOrvaMapImage(TOrvaBaseList* owner) : TOrvaControl(owner) {
  if (TOrvaBaseList* main = GetMainScene()) main->AddRightClickReceiver(this);
}

TOrvaMapImage::~TOrvaMapImage() {
  if (TOrvaBaseList* main = GetMainScene()) main->RemoveRightClickReceiver(this);
  Invalidate();
}

// ---- Sources ----

void TOrvaMapImage::LoadLook(TLook& look, std::string_view name) {
  look.Masks.clear();
  look.Frames.Clear();
  // The variant with masks: every frame has one to cut the areas from.
  look.Frames.LoadFromCache(this, name, true);
  look.Masks.resize(size_t(look.Frames.Count()));
}

void TOrvaMapImage::SetSource(std::string_view value) {
  if (value == source_) return;
  Invalidate();
  source_ = value;
  LoadLook(normal_, source_);
  TOrvaImageData* first = normal_.Frames.GetItem(0);
  TCustomDIBX* picture = first ? first->GetDIB() : nullptr;
  AssignWidth(picture ? picture->GetWidth() : 0);
  AssignHeight(picture ? picture->GetHeight() : 0);
  if (first) Invalidate();
}

void TOrvaMapImage::SetHoverSource(std::string_view value) {
  if (value == hoverSource_) return;
  hoverSource_ = value;
  LoadLook(hover_, hoverSource_);
}

void TOrvaMapImage::SetMapSource(std::string_view value) {
  if (value == mapSource_) return;
  mapSource_ = value;
  selected_ = -1;
  areas_.clear();
  if (!GameFileAvailable(mapSource_) || !FileManager) return;
  TMemoryStream bytes;
  FileManager->LoadToStream(bytes, mapSource_);
  areas_ = ReadMapAreas(bytes.View());
}

void TOrvaMapImage::SetAlpha(int32_t value) {
  if (value == alpha_) return;
  alpha_ = value;
  Invalidate();
}

void TOrvaMapImage::SetBrightness(int32_t value) {
  if (value == brightness_) return;
  brightness_ = value;
  Invalidate();
}

// ---- Areas ----

TRect TOrvaMapImage::AreaBounds(int32_t area) {
  if (area < 0 || area >= static_cast<int32_t>(areas_.size())) return {};
  TRect r = areas_[size_t(area)].Region.BoundsWithin({0, 0, GetWidth(), GetHeight()});
  if (r.IsEmpty()) return {};
  const int32_t x = GetScreenLeft(), y = GetScreenTop();
  return {WrapAdd(r.Left, x), WrapAdd(r.Top, y), WrapAdd(r.Right, x), WrapAdd(r.Bottom, y)};
}

void TOrvaMapImage::InvalidateArea(int32_t area) {
  if (area < 0 || !IsEffectivelyVisible()) return;
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  TRect r = AreaBounds(area);
  if (r.IsEmpty()) return;
  if (TOrvaControl* parent = GetParent(); parent && !parent->ClipToClient(r)) return;
  const TRect clip = GetClipRect();
  if (!clip.IsEmpty() && !IntersectClipRect(r, clip)) return;
  NotifyInvalidate(r);
  layer->AddDirtyRect(r);
}

void TOrvaMapImage::SetSelectedArea(int32_t area) {
  if (area == selected_) return;
  TArrayString args;
  if (selected_ >= 0 && !onMapOut_.empty()) {
    args.Add(areas_[size_t(selected_)].Name);
    args.Add(std::to_string(selected_));
    QueueEvent(PR_ONMAPOUT, onMapOut_, &args);
  }
  InvalidateArea(selected_);
  selected_ = area;
  hover_.Frames.SetIndex(0);
  InvalidateArea(selected_);
  if (selected_ >= 0 && !onMapIn_.empty()) {
    args.Clear();
    args.Add(areas_[size_t(selected_)].Name);
    args.Add(std::to_string(selected_));
    QueueEvent(PR_ONMAPIN, onMapIn_, &args);
  }
}

void TOrvaMapImage::Select() {
  const TMapArea& area = areas_[size_t(selected_)];
  SetSelection(area.Name, selected_);
  if (!onSelect_.empty() && !inputLocked_ && !HasEvent(PR_ONSELECT)) {
    TArrayString args;
    args.Add(area.Name);
    args.Add(std::to_string(selected_));
    QueueEvent(PR_ONSELECT, onSelect_, &args);
  }
  if (autoScrap_) {
    closing_ = 100;
    inputLocked_ = true;
  }
}

void TOrvaMapImage::Close() {
  SetSelection("", -1);
  closing_ = 100;
}

// ---- Input ----

void TOrvaMapImage::MouseMove() {
  if (!inputLocked_) {
    if (TOrvaBase* layer = GetBase()) {
      const TPoint mouse = layer->GetMousePos();
      const int64_t x = int64_t{mouse.X} - GetScreenLeft(), y = int64_t{mouse.Y} - GetScreenTop();
      int32_t hit = -1;
      for (size_t i = 0; i < areas_.size() && hit < 0; ++i)
        if (areas_[i].Region.Contains(x, y)) hit = static_cast<int32_t>(i);
      SetSelectedArea(hit);
    }
  }
  TOrvaControl::MouseMove();
}

void TOrvaMapImage::MouseOut(TOrvaObject* next) {
  SetSelectedArea(-1);
  TOrvaControl::MouseOut(next);
}

void TOrvaMapImage::LButtonDown() {
  if (inputLocked_) return;
  const uint8_t ignore = GetIgnoreMouse();
  if ((ignore == IM_NONE || ignore == IM_RCLICK) && !paused_ && selected_ >= 0) Select();
  TOrvaControl::LButtonDown();
}

void TOrvaMapImage::KeyRepeat() {
  TOrvaBaseList* scene = GetOwner();
  if (!inputLocked_ && scene) {
    const int32_t count = static_cast<int32_t>(areas_.size());
    if (scene->IsKeyRepeated(VkUp) || scene->IsKeyRepeated(VkLeft)) {
      if (count > 0) SetSelectedArea(selected_ <= 0 ? count - 1 : selected_ - 1);
    } else if (scene->IsKeyRepeated(VkDown) || scene->IsKeyRepeated(VkRight)) {
      if (count > 0) SetSelectedArea(selected_ < 0 || selected_ >= count - 1 ? 0 : selected_ + 1);
    } else if ((scene->IsKeyHit(VkReturn) || scene->IsKeyHit(VkSpace)) && selected_ >= 0) {
      Select();
    } else if (scene->IsKeyHit(VkEscape) && rClickScrap_) {
      Close();
    }
  }
  TOrvaControl::KeyRepeat();
}

bool TOrvaMapImage::RClickScrap() {
  const uint8_t ignore = GetIgnoreMouse();
  if (inputLocked_ || (ignore != IM_NONE && ignore != IM_LCLICK)) return false;
  inputLocked_ = true;
  Close();
  return true;
}

// ---- Drawing ----

void TOrvaMapImage::ComposeMask(TLook& look, int index, bool hover) {
  TFrameMask& slot = look.Masks[size_t(index)];
  slot.State = selected_;
  if (selected_ < 0) return;
  TOrvaImageData& frame = *look.Frames.GetItem(index);
  TCustomDIBX* loaded = frame.GetMask();
  TCustomDIBX* picture = frame.GetDIB();
  const int w = loaded ? loaded->GetWidth() : picture ? picture->GetWidth() : 0;
  const int h = loaded ? loaded->GetHeight() : picture ? picture->GetHeight() : 0;
  if (!slot.Composed) slot.Composed = std::make_unique<TDIBX>();
  TDIBX& mask = *slot.Composed;
  mask.SetSize(std::max(w, 1), std::max(h, 1), 8);
  // The frame's own mask outside the area and nothing inside (normal), or the other way
  // round (hover); a frame without a mask counts as opaque.
  for (int y = 0; y < h; ++y) {
    uint8_t* row = mask.Lock(0, y);
    if (hover)
      std::memset(row, 0, size_t(w));
    else if (loaded)
      std::memcpy(row, loaded->Lock(0, y), size_t(w));
    else
      std::memset(row, 255, size_t(w));
  }
  const TMapRegion& region = areas_[size_t(selected_)].Region;
  if (!hover) {
    region.Paint(mask, 0);
    return;
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* row = mask.Lock(0, y);
    const uint8_t* from = loaded ? loaded->Lock(0, y) : nullptr;
    region.EachRun(y, 0, w, [&](int64_t a, int64_t b) {
      if (from)
        std::memcpy(row + a, from + a, size_t(b - a));
      else
        std::memset(row + a, 255, size_t(b - a));
    });
  }
}

TCustomDIBX* TOrvaMapImage::FrameMask(bool hover, int index) {
  TLook& look = hover ? hover_ : normal_;
  TOrvaImageData* frame = look.Frames.GetItem(index);
  if (!frame) return nullptr;
  const TFrameMask& slot = look.Masks[size_t(index)];
  return slot.State >= 0 && slot.Composed ? slot.Composed.get() : frame->GetMask();
}

void TOrvaMapImage::DrawLook(TLook& look, bool hover) {
  const int index = look.Frames.GetIndex();
  TOrvaImageData* frame = look.Frames.GetItem(index);
  if (!frame) return;
  if (look.Masks[size_t(index)].State != selected_) ComposeMask(look, index, hover);
  if (frame->GetBrightness() != brightness_) frame->SetBrightness(brightness_);
  frame->DrawFor(*this, FrameMask(hover, index));
}

void TOrvaMapImage::Paint() {
  DrawLook(normal_, false);
  if (selected_ >= 0) DrawLook(hover_, true);
  TOrvaControl::Paint();
}

// ---- Update ----

bool TOrvaMapImage::Idle() {
  bool result = TOrvaControl::Idle();
  if (closing_ == 100) {
    inputLocked_ = true;
    closing_ = 101;
    return result;
  }
  if (closing_ == 101) return true;
  if (GetAniPaused()) return result;
  if (normal_.Frames.Tick()) Invalidate();
  if (selected_ >= 0 && hover_.Frames.Tick() && IsEffectivelyVisible()) {
    TOrvaBase* layer = GetBase();
    const TRect r = AreaBounds(selected_);
    if (layer && !r.IsEmpty()) layer->AddDirtyRect(r);
  }
  return result;
}

// ---- Display changes and the stored form ----

void TOrvaMapImage::ReleaseSurfaces() {
  normal_.Frames.ReleaseSurfaces();
  hover_.Frames.ReleaseSurfaces();
}

void TOrvaMapImage::RecreateSurfaces() {
  for (TLook* look : {&normal_, &hover_}) {
    look->Frames.RecreateSurfaces();
    for (TFrameMask& mask : look->Masks) mask.State = -1;
  }
  TOrvaControl::RecreateSurfaces();
}

void TOrvaMapImage::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamString(stream, hoverSource_);
  WriteStreamString(stream, mapSource_);
  WriteStreamInt(stream, alpha_);
  WriteStreamInt(stream, brightness_);
  WriteStreamString(stream, onMapIn_);
  WriteStreamString(stream, onMapOut_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, rClickScrap_);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, paused_);
  WriteStreamString(stream, onSelect_);
  WriteStreamInt(stream, closing_);
}

void TOrvaMapImage::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetSource(ReadStreamString(stream));
  SetHoverSource(ReadStreamString(stream));
  SetMapSource(ReadStreamString(stream));
  alpha_ = ReadStreamInt(stream);
  brightness_ = ReadStreamInt(stream);
  ReadStreamString(stream, onMapIn_);
  ReadStreamString(stream, onMapOut_);
  autoScrap_ = ReadStreamBool(stream);
  rClickScrap_ = ReadStreamBool(stream);
  if (version >= 104) {
    ReadStreamString(stream, onIdle_);
    paused_ = ReadStreamBool(stream);
    ReadStreamString(stream, onSelect_);
  }
  if (version >= 115) closing_ = ReadStreamInt(stream);
}

}  // namespace orva

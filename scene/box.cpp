#include "scene/box.h"

#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/picture_draw.h"

namespace orva {

TOrvaBox::~TOrvaBox() { Invalidate(); }

void TOrvaBox::SetBorderWidth(int32_t value) { StoreAndInvalidate(borderWidth_, value); }
void TOrvaBox::SetBorderColor(int32_t value) { StoreAndInvalidate(borderColor_, value); }
void TOrvaBox::SetAlpha(int32_t value) { StoreAndInvalidate(alpha_, value); }

void TOrvaBox::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  LoadMotionSource(value);
}

void TOrvaBox::SetRepeat(bool value) {
  if (value == repeat_) return;
  repeat_ = value;
  if (value) RewindFinishedMotion();
}

void TOrvaBox::Paint() {
  TCustomDIBX* target = GetTargetSurface();
  if (target && GetVisible() && alpha_ > 0 && alpha_ < 512) {
    // Raw pixels of the layer's picture, the depth the box is composed at.
    TOrvaBase* layer = GetBase();
    TCustomDIBX* picture = layer ? layer->GetImage() : nullptr;
    TCustomDIBX& pixels = picture ? *picture : *target;
    const int32_t color = GetColor();
    const TRect s = GetScreenRect();
    const int32_t b = borderWidth_;
    if (b <= 0) {
      if (color >= 0) FillColor(*target, pixels, s, color, alpha_);
    } else {
      if (borderColor_ >= 0) FrameColor(*target, pixels, s, b, borderColor_, alpha_);
      // Inside the border band, whether or not the band was painted.
      const int32_t twice = WrapMul(b, 2);
      const TRect inner =
          WrapBounds(WrapAdd(s.Left, b), WrapAdd(s.Top, b), WrapSub(GetWidth(), twice), WrapSub(GetHeight(), twice));
      if (color >= 0) FillColor(*target, pixels, inner, color, alpha_);
    }
  }
  TOrvaControl::Paint();
}

void TOrvaBox::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamInt(stream, borderWidth_);
  WriteStreamInt(stream, borderColor_);
  WriteStreamInt(stream, alpha_);
  WriteStreamString(stream, onIdle_);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamBool(stream, paused_);
  WriteStreamBool(stream, TOrvaControl::GetAniPaused());
}

void TOrvaBox::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  borderWidth_ = ReadStreamInt(stream);
  borderColor_ = ReadStreamInt(stream);
  alpha_ = ReadStreamInt(stream);
  if (version < 104) return;
  ReadStreamString(stream, onIdle_);
  SetSource(ReadStreamString(stream));
  repeat_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  ReadStreamString(stream, onPlayEnd_);
  paused_ = ReadStreamBool(stream);
  SetAniPaused(ReadStreamBool(stream));
}

}  // namespace orva

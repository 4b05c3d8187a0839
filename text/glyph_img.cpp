#include "text/glyph_img.h"

#include <algorithm>

#include "core/frame_clock.h"
#include "graphics/custom_dibx.h"
#include "scene/image_list.h"
#include "script/conversions.h"
#include "text/stream_read.h"
#include "text/word.h"

namespace orva {
namespace {
TInlinePictureSource* gSource = nullptr;
}  // namespace

TInlinePictureSource* SetInlinePictureSource(TInlinePictureSource* source) {
  std::swap(gSource, source);
  return source;
}

TInlinePictureSource* GetInlinePictureSource() { return gSource; }

// ---- TWdImageFrames ----

TWdImageFrames::TWdImageFrames(std::unique_ptr<TInlinePicture> picture)
    : picture_(std::move(picture)), count_(std::max(0, picture_->Count())) {
  if (count_ > 0) countdown_ = WrapAdd(Frame(0).Delay, 1);
}

TInlineFrame TWdImageFrames::Frame(int index) const {
  return index >= 0 && index < count_ ? picture_->Frame(index) : TInlineFrame{};
}

TInlineFrame TWdImageFrames::Current() const { return Frame(index_); }

bool TWdImageFrames::Tick() {
  return AdvanceFrame(index_, countdown_, count_, FrameDelta, [this](int i) { return Frame(i).Delay; });
}

// ---- TWdImg ----

void TWdImg::Measure() {
  TInlinePictureSource* source = GetInlinePictureSource();
  std::unique_ptr<TInlinePicture> picture = source ? source->Load(source_, this) : nullptr;
  if (!picture) {
    frames_.reset();
    Width = Height = 0;
    return;
  }
  frames_ = std::make_unique<TWdImageFrames>(std::move(picture));
  const TInlineFrame first = frames_->Frame(0);
  Width = first.Surface ? first.Surface->GetWidth() : 0;
  Height = first.Surface ? first.Surface->GetHeight() : 0;
}

void TWdImg::Paint() {
  TWzWord& word = *Owner;
  if (!frames_ || !word.Target) return;
  TCustomDIBX* surface = frames_->Current().Surface;
  if (!surface) return;
  const int64_t glyphAlpha = GetAlpha(), wordAlpha = word.Alpha;
  int64_t a = wordAlpha == 255  ? glyphAlpha
              : wordAlpha < 256 ? glyphAlpha * wordAlpha / 256
                                : glyphAlpha * (wordAlpha - 256) / 256 + 256;
  a = std::clamp<int64_t>(a, 0, 511);
  const bool keyed = surface->TransparentColor != -1;
  const TRect whole = surface->GetBoundsRect();
  if (a > 255)
    word.Target->DrawAdd(GetScreenLeft(), GetScreenTop(), *surface, whole, keyed, false, false, int(a - 256));
  else
    word.Target->DrawAlpha(GetScreenLeft(), GetScreenTop(), *surface, whole, keyed, false, false, int(a));
}

void TWdImg::Tick() {
  if (frames_ && frames_->Tick()) Invalidate();
}

void TWdImg::ReleaseSurfaces() {
  if (frames_) frames_->ReleaseSurfaces();
}

void TWdImg::RecreateSurfaces() {
  if (frames_) frames_->RecreateSurfaces();
}

void TWdImg::LoadFromStream(TStream& stream, int) {
  SetLink(ReadString(stream));
  SetWait(ReadInt(stream));
  source_ = ReadString(stream);
  align_ = ReadByte(stream);
}

void TWdImg::CopyFrom(const TWdGlyph& source) {
  TWdReal::CopyFrom(source);
  source_ = source.GetName();
  align_ = source.GetAlign();
  frames_.reset();
}

}  // namespace orva

#include "scene/wave.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/geometry.h"

namespace orva {

namespace {

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

TOrvaWave::TOrvaWave(TOrvaBaseList* owner) : TOrvaControl(owner) { surface_.SetSize(0, 0, 0); }

TCustomDIBX* TOrvaWave::GetTargetSurface() {
  if (amp_ != 0) return &surface_;
  TOrvaBase* layer = GetBase();
  return layer ? layer->GetTargetSurface() : nullptr;
}

void TOrvaWave::Follow() {
  TOrvaBase* layer = GetBase();
  surface_.Target = layer ? layer->GetImage() : nullptr;
  const int32_t width = std::max(GetWidth(), 0), height = std::clamp(GetHeight(), 0, MaxWaveRows);
  if (surface_.GetWidth() != width || surface_.GetHeight() != height) surface_.SetSize(width, height, 0);
  surface_.OriginX = GetScreenLeft();
  surface_.OriginY = GetScreenTop();
}

void TOrvaWave::SetWidth(int32_t value) {
  TOrvaControl::SetWidth(value);
  Follow();
}

void TOrvaWave::SetHeight(int32_t value) {
  TOrvaControl::SetHeight(value);
  Follow();
}

void TOrvaWave::SetLeft(int32_t value) {
  TOrvaControl::SetLeft(value);
  Follow();
}

void TOrvaWave::SetTop(int32_t value) {
  TOrvaControl::SetTop(value);
  Follow();
}

void TOrvaWave::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  TOrvaControl::SetBounds(left, top, width, height);
  Follow();
}

bool TOrvaWave::Idle() {
  // A parent that moved takes the wave's origin along.
  Follow();
  const bool result = TOrvaControl::Idle();
  if (GetAniPaused()) return result;
  remainder_ += int64_t{FrameDelta} * 256;
  const int64_t steps = remainder_ / period_;
  remainder_ %= period_;
  if (steps == 0) return result;
  // 255 phases, not 256.
  phase_ = static_cast<int32_t>(((phase_ - steps) % 255 + 255) % 255);
  const long double step = 2 * std::numbers::pi_v<long double> / waveLength_;
  long double angle = static_cast<long double>(int64_t{waveLength_} * phase_) / 256 * step;
  bool changed = false;
  for (int32_t& offset : surface_.RowOffsets) {
    const int32_t o = SaturatingRound(amp_ * std::sin(angle));
    changed = changed || o != offset;
    offset = o;
    angle += step;
  }
  if (changed) Invalidate();
  return result;
}

void TOrvaWave::Paint() {
  TOrvaBase* layer = GetBase();
  TCustomDIBX* picture = layer ? layer->GetImage() : nullptr;
  surface_.Target = picture;
  // The children are cut to what the layer repaints before their rows are shifted.
  if (picture) surface_.ClipRect = picture->GetClipRect();
  TOrvaControl::Paint();
}

void TOrvaWave::NotifyInvalidate(TRect& rect) {
  TOrvaControl::NotifyInvalidate(rect);
  const int64_t amp = std::abs(int64_t{amp_});
  rect.Left = Saturate(rect.Left - amp);
  rect.Right = Saturate(rect.Right + amp);
}

void TOrvaWave::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamInt(stream, amp_);
  WriteStreamInt(stream, waveLength_);
  WriteStreamInt(stream, period_);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, paused_);
}

void TOrvaWave::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  amp_ = ReadStreamInt(stream);
  // Zero would divide by zero at the next update.
  SetWaveLen(ReadStreamInt(stream));
  SetDelay(ReadStreamInt(stream));
  Follow();
  if (version >= 104) {
    ReadStreamString(stream, onIdle_);
    paused_ = ReadStreamBool(stream);
  }
  phase_ = 0;
  remainder_ = 0;
}

}  // namespace orva

#include "scene/fire.h"

#include <algorithm>

#include "core/frame_clock.h"
#include "core/random.h"
#include "core/stream.h"
#include "scene/color_tables.h"
#include "scene/geometry.h"

namespace orva {

namespace {

// The heat value that is never drawn (the drawing skips values below the threshold).
constexpr uint8_t kCold = 16;
constexpr int kThreshold = 17;
constexpr uint8_t kHot = 254;

}  // namespace

TOrvaFire::TOrvaFire(TOrvaBaseList* owner) : TOrvaControl(owner) {
  heat_.SetSize(8, 8, 8);
  heat_.TransparentColor = kCold;
  BuildCooling();
}

TOrvaFire::~TOrvaFire() { Invalidate(); }

// ---- Properties ----

void TOrvaFire::SetPower(int32_t value) {
  if (value == power_) return;
  power_ = std::clamp(value, 0, 255);
  rate_ = (128 - power_) / 128.0 * 1.2825 + 4.2175;
  BuildCooling();
}

void TOrvaFire::BuildCooling() {
  const long double r = rate_ > 0 ? rate_ : 0.0001;
  for (int i = 0; i < 1024; ++i) {
    const long double f = (1023 - i) / 1023.0L;
    const int32_t v = SaturatingRound(i / (r - 0.05L * f * f * f));
    cooling_[size_t(i)] = static_cast<uint8_t>(std::clamp(v, 0, 254));
  }
}

void TOrvaFire::Resize() {
  AssignWidth(WrapMul(pictureWidth_, zoomX_) / 256);
  AssignHeight(WrapMul(pictureHeight_, zoomY_) / 256);
}

void TOrvaFire::ChangePictureSize(int32_t& side, int32_t value) {
  if (value == side) return;
  side = value;
  Invalidate();
  Resize();
  Invalidate();
  running_ = false;
}

void TOrvaFire::SetOrigWidth(int32_t value) { ChangePictureSize(pictureWidth_, value); }
void TOrvaFire::SetOrigHeight(int32_t value) { ChangePictureSize(pictureHeight_, value); }

void TOrvaFire::ChangeZoom(int32_t& zoom, int32_t value) {
  if (value == zoom) return;
  Invalidate();
  zoom = std::max(value, 1);
  Resize();
  Invalidate();
}

void TOrvaFire::SetZoomX(int32_t value) { ChangeZoom(zoomX_, value); }
void TOrvaFire::SetZoomY(int32_t value) { ChangeZoom(zoomY_, value); }

// ---- Update ----

bool TOrvaFire::Build() {
  const int32_t w = pictureWidth_, h = pictureHeight_;
  if (w < 1 || h < 1 || int64_t{w} * h > MaxFireCells) return false;
  if (heat_.GetWidth() != w || heat_.GetHeight() != h) heat_.SetSize(w, h, 8);
  noiseColumn_ = noiseRow_ = 0;
  noise_.resize(size_t(w) * size_t(h));
  for (uint8_t& n : noise_) n = static_cast<uint8_t>(RuntimeRandom(9));
  columns_.resize(2 * size_t(w));
  for (size_t i = 0; i < columns_.size(); ++i) columns_[i] = static_cast<uint8_t>(i % size_t(w));
  rows_.resize(2 * size_t(h));
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i] = static_cast<uint8_t>(i % size_t(h));
  for (int v = 0; v < 256; ++v) floor_[size_t(v)] = static_cast<uint8_t>(std::max<int>(v, kCold));
  heat_.Fill(kCold);
  return true;
}

bool TOrvaFire::Idle() {
  const bool result = TOrvaControl::Idle();
  if (!running_) running_ = Build();
  if (!running_ || GetAniPaused()) return result;
  stepClock_ = WrapAdd(stepClock_, FrameDelta);
  if (stepClock_ >= FireStepMilliseconds) {
    // At most one step however long the frame was.
    stepClock_ %= FireStepMilliseconds;
    Step();
    Invalidate();
  }
  return result;
}

void TOrvaFire::Step() {
  const int32_t w = pictureWidth_, h = pictureHeight_;
  if (!running_ || heat_.GetWidth() != w || heat_.GetHeight() != h) return;
  noiseRow_ = rows_[size_t(noiseRow_) + 1];
  if (noiseRow_ % 8 == 0) noiseColumn_ = columns_[size_t(noiseColumn_) + 1];
  uint8_t* base = heat_.Lock(0, 0);
  if (!base) return;
  const int64_t step = heat_.GetRowStep();
  auto row = [&](int32_t y) { return base + y * step; };
  for (int32_t y = std::max(h - 4, 0); y < h; ++y) std::fill_n(row(y), w, kHot);
  // Every cell written lies above the row whose neighbours are read, so each pass reads the
  // values from before it.
  for (int32_t y = 1; y < h - 1; ++y) {
    uint8_t* above = row(y - 1);
    const uint8_t* here = row(y);
    const uint8_t* below = row(y + 1);
    const size_t noiseRow = size_t(rows_[size_t(noiseRow_ + y)]) * size_t(w);
    for (int32_t x = 1; x < w - 1; ++x) {
      const int sum = here[x - 1] + here[x + 1] + above[x] + below[x];
      const int n = noise_[columns_[size_t(noiseColumn_ + x)] + noiseRow];
      above[x] = floor_[size_t(std::max(cooling_[size_t(sum)] - n, 0))];
    }
  }
  heat_.Unlock();
}

// ---- Drawing ----

void TOrvaFire::Paint() {
  TCustomDIBX* target = GetTargetSurface();
  const bool built = running_ && heat_.GetWidth() == pictureWidth_ && heat_.GetHeight() == pictureHeight_;
  if (target && built) {
    const int depth = target->GetStorageBitCount();
    const TIndexTable table = depth == 32 ? TIndexTable(FireColorTable32) : TIndexTable(FireColorTable);
    if (depth == 15 || depth == 16 || depth == 32) {
      const TRect whole = heat_.GetBoundsRect();
      if (zoomX_ == 256 && zoomY_ == 256)
        target->DrawIndexedAdd(GetScreenLeft(), GetScreenTop(), heat_, whole, kThreshold, false, false, 255, table);
      else
        target->StretchDrawIndexed(GetScreenRect(), heat_, whole, kThreshold, false, false, 255, table);
    }
  }
  TOrvaControl::Paint();
}

// ---- Stored form ----

void TOrvaFire::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamInt(stream, power_);
  WriteStreamInt(stream, pictureWidth_);
  WriteStreamInt(stream, pictureHeight_);
  WriteStreamInt(stream, zoomX_);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, paused_);
  WriteStreamInt(stream, zoomY_);
}

void TOrvaFire::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetPower(ReadStreamInt(stream));
  pictureWidth_ = ReadStreamInt(stream);
  pictureHeight_ = ReadStreamInt(stream);
  SetZoomX(ReadStreamInt(stream));
  if (version >= 104) {
    ReadStreamString(stream, onIdle_);
    paused_ = ReadStreamBool(stream);
    SetZoomY(ReadStreamInt(stream));
  } else {
    // Older fires had one zoom for both directions.
    SetZoomY(zoomX_);
  }
  Resize();
  running_ = false;
}

}  // namespace orva

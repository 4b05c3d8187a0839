#pragma once
// TOrvaWave (LT_WAVE): a container that makes its children ripple. It draws nothing itself;
// while AMP is not 0 its children draw through a row-shifting surface (TDIBXWave) over the
// layer's picture, each row shifted sideways by AMP × the sine of a phase that falls with the
// game time (one cycle every DELAY × 255 / 256 ms) and of the row over WAVELEN.

#include <algorithm>
#include <cstdint>
#include <string>

#include "graphics/dibx_wave.h"
#include "scene/orva_control.h"

namespace orva {

// Rows of a wave beyond this many are not drawn: the row table and its update stay bounded
// whatever height a page or a save gives.
constexpr int32_t MaxWaveRows = 16384;

class TOrvaWave : public TOrvaControl {
 public:
  explicit TOrvaWave(TOrvaBaseList* owner);

  uint8_t GetCompoType() override { return LT_WAVE; }
  // The wave surface while AMP is not 0, else the layer's picture.
  TCustomDIBX* GetTargetSurface() override;
  int32_t GetAmp() override { return amp_; }
  void SetAmp(int32_t value) override { amp_ = value; }
  int32_t GetWaveLen() override { return waveLength_; }
  void SetWaveLen(int32_t value) override { waveLength_ = std::max(value, 1); }
  int32_t GetDelay() override { return period_; }
  void SetDelay(int32_t value) override { period_ = std::max(value, 1); }
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  void SetLeft(int32_t value) override;
  void SetTop(int32_t value) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetPlaying() override { return !paused_ && !GetAniPaused(); }

  bool Idle() override;
  void Paint() override;
  // A child's rectangle widened by |AMP| on both sides, so that its shifted rows are drawn
  // again.
  void NotifyInvalidate(TRect& rect) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  TDIBXWave& Surface() { return surface_; }
  int32_t Phase() const { return phase_; }

 private:
  // The layer's picture becomes the target; the surface takes the control's size (one
  // offset per row) and its origin the control's place on the layer.
  void Follow();

  TDIBXWave surface_;
  int32_t amp_ = 10;
  int32_t waveLength_ = 200;
  int32_t phase_ = 0;
  // Milliseconds × 256 not yet turned into phase steps.
  int64_t remainder_ = 0;
  int32_t period_ = 2000;
  std::string onIdle_;
  bool paused_ = false;
};

}  // namespace orva

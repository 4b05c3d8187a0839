#pragma once
// TOrvaFire (LT_FIRE): a flame. A small 8-bit picture of heat values is renewed every 40 ms
// by a cellular rule (a hot band at the bottom, every cell cooling as the heat rises, with
// scrolling noise) and added to what lies below through the fire ramp, stretched when either
// zoom is not 256. POWER sets how far the flames reach. Changing the picture size builds the
// picture and its tables anew at the next update, so the flames grow again from the bottom.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "scene/orva_control.h"

namespace orva {

class TOrvaFire : public TOrvaControl {
 public:
  explicit TOrvaFire(TOrvaBaseList* owner);
  ~TOrvaFire() override;

  uint8_t GetCompoType() override { return LT_FIRE; }
  int32_t GetPower() override { return power_; }
  // Clamped to 0..255; rebuilds the cooling table.
  void SetPower(int32_t value) override;
  int32_t GetOrigWidth() override { return pictureWidth_; }
  void SetOrigWidth(int32_t value) override;
  int32_t GetOrigHeight() override { return pictureHeight_; }
  void SetOrigHeight(int32_t value) override;
  int32_t GetZoomX() override { return zoomX_; }
  void SetZoomX(int32_t value) override;
  int32_t GetZoomY() override { return zoomY_; }
  void SetZoomY(int32_t value) override;
  // The size follows the picture and the zoom.
  void SetWidth(int32_t) override {}
  void SetHeight(int32_t) override {}
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetPlaying() override { return !paused_ && !GetAniPaused(); }

  bool Idle() override;
  void Paint() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The picture, its tables and the step itself, for tests.
  TDIBX& Heat() { return heat_; }
  std::vector<uint8_t>& Noise() { return noise_; }
  const std::array<uint8_t, 1024>& Cooling() const { return cooling_; }
  double Rate() const { return rate_; }
  bool Running() const { return running_; }
  void Step();

 private:
  // Sizes the picture and fills the tables; false (nothing built) for a size below one pixel
  // or beyond MaxFireCells.
  bool Build();
  void BuildCooling();
  // WIDTH and HEIGHT from the picture size and the zooms.
  void Resize();
  // The setter rules of ORIGWIDTH and ORIGHEIGHT: a new picture at the next update.
  void ChangePictureSize(int32_t& side, int32_t value);
  void ChangeZoom(int32_t& zoom, int32_t value);

  int32_t power_ = 1;
  int32_t pictureWidth_ = 0, pictureHeight_ = 0;
  int32_t zoomX_ = 0, zoomY_ = 0;
  TDIBX heat_;
  std::vector<uint8_t> noise_;
  // Entry i is i modulo the picture width (height), kept as a byte.
  std::vector<uint8_t> columns_, rows_;
  std::array<uint8_t, 256> floor_{};
  std::array<uint8_t, 1024> cooling_{};
  double rate_ = 4.5;
  int32_t noiseColumn_ = 0, noiseRow_ = 0;
  // Built and stepping; false until the next update builds the picture.
  bool running_ = false;
  std::string onIdle_;
  bool paused_ = false;
  int32_t stepClock_ = 0;
};

// The fire's step period in milliseconds.
constexpr int32_t FireStepMilliseconds = 40;
// The most cells of a heat picture (4096 × 4096); a larger one draws nothing, as its step
// every 40 ms could not keep up (and a fire's picture is small and stretched anyway).
constexpr int64_t MaxFireCells = int64_t{1} << 24;

}  // namespace orva

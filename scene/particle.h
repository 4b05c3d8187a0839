#pragma once
// Particles. TOrvaParticle (LT_PARTICLE) is an emitter: at intervals it makes small animated
// sprites (TOrvaParticleImages) as its children and moves each of them in steps of 16 ms by
// one of four rules (PARTMOTION: snow, star, fluff, twister, tuned by PARAM1..3), or plays a
// motion file on each, until a sprite leaves the emitter's area and is freed. Where a sprite
// appears and how long the emitter waits before the next one come from expressions of the
// creating command evaluated for every sprite, or from the appear area and interval a film's
// particle track hands over. Sprites are internal objects: never saved, never found by name;
// a loaded emitter starts again.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scene/animated_image.h"
#include "scene/image_list.h"
#include "scene/motion.h"
#include "script/orva_parser.h"

namespace orva {

class TOrvaParticle;

// The integers a sprite's rule takes from sines and cosines of its long double angle, the
// values the long double functions give. Worked out in double precision and checked against
// a bound on the error of that; a value too near a rounding boundary takes the long double
// path.
// Snow: SaturatingRound(sin(angle) × width).
int32_t SnowSway(long double angle, long double width);
// Twister: z = |cos(angle / 2)| × 0.5 + 0.5; the zoom SaturatingRound(z × 256), the sway
// SaturatingTrunc(sin(angle) × sway × z) and the stacking offset
// SaturatingRound((z − 0.5) / 0.5 × 2000 − 1000).
struct TTwisterPose {
  int32_t zoom, sway, priority;
  bool operator==(const TTwisterPose&) const = default;
};
TTwisterPose TwisterPose(long double angle, long double sway);

// An emitter keeps at most this many living sprites; at that count it makes no more.
constexpr size_t MaxParticleSprites = 10000;

// A motion file played on every sprite of an emitter, one sprite at a time: each sprite hands
// it its own clock before the step.
class TOrvaMotionParticle : public TOrvaMotion {
 public:
  using TOrvaMotion::TOrvaMotion;
  // The sprite it last played on is left where it is.
  ~TOrvaMotionParticle() override;
  // Plays the tick of the clock on the sprite; true once the film has ended.
  bool Step() override;
};

// One sprite: the emitter's frames, looping, moved by the emitter's update.
class TOrvaParticleImages : public TOrvaCustomImages {
 public:
  TOrvaParticleImages(TOrvaBaseList* owner, TOrvaParticle* emitter);
  // Leaves the emitter's list and the shared motion player.
  ~TOrvaParticleImages() override;

  TOrvaImageList* GetFrameList() override;
  bool GetRepeat() override { return true; }
  bool NeedsAutoName() override { return false; }
  long double GetParam(int index) override;
  void SetParam(int index, long double value) override;
  bool Idle() override;

  // Where the rule starts from, after LEFT, TOP, the frame and the parameters are set.
  void Start(uint8_t motion);
  // n steps of the rule at once.
  void Step(int64_t n);
  bool IsDead() const { return dead_; }
  int32_t Clock() const { return clock_; }
  // The emitter is gone: nothing more of it is touched.
  void Detach() { emitter_ = nullptr; }

 protected:
  // The frames are the emitter's, which releases and makes them again itself.
  void ReleaseFrameSurfaces() override {}
  void RecreateFrameSurfaces() override {}

 private:
  // The sprite's corner (its place minus its offset) and its parent's size.
  int64_t OriginX() { return int64_t{GetLeft()} - GetOffsetX(); }
  int64_t OriginY() { return int64_t{GetTop()} - GetOffsetY(); }
  TPoint ParentSize();

  TOrvaParticle* emitter_;
  std::array<long double, 3> params_{};
  long double x_ = 0, y_ = 0, sway_ = 0, speed_ = 0, angle_ = 0, radius_ = 0;
  // cos and sin of angle_ while turned_ (a star between its start and its first step).
  long double cos_ = 0, sin_ = 0;
  bool turned_ = false;
  int32_t startX_ = 0, startY_ = 0;
  uint8_t motion_ = PM_NONE;
  int32_t clock_ = 0;
  long double limit_ = 0;
  bool dead_ = false;
};

class TOrvaParticle : public TOrvaControl {
 public:
  explicit TOrvaParticle(TOrvaBaseList* owner);
  // The sprites go first, while the frames and the motion player they show still exist.
  ~TOrvaParticle() override;

  uint8_t GetCompoType() override { return LT_PARTICLE; }
  std::string GetSource() override { return source_; }
  // ".vsk" (any case): the sprites show its frames; ".omt": every sprite plays it. The
  // sprites there are freed at once and the emitter starts again.
  void SetSource(std::string_view value) override;
  uint8_t GetPartMotion() override { return motion_; }
  void SetPartMotion(uint8_t value) override;
  long double GetParam(int index) override;
  void SetParam(int index, long double value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  // INDEX: the milliseconds by which a starting emitter is advanced at once.
  int32_t GetIndex() override { return preRun_; }
  void SetIndex(int32_t value) override { preRun_ = value; }
  // Emission time left; 0 or less: for ever.
  int32_t GetDuration() override { return duration_; }
  void SetDuration(int32_t value) override { duration_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetPlaying() override;
  // The creating command's APPEARX, APPEARY and DELAY become the emitter's own.
  void AssignExpression(uint8_t code, const TOrvaParser& expr) override;
  // The record belongs to the emitter: it keeps a copy.
  void SetParticleParam(const TOrvaParticleParam& param) override;

  bool Idle() override;
  // Held back while an update births and moves sprites, then done once.
  void SortChildren() override;
  // While the sprites step or paint, nothing they do moves or hides the emitter: its place
  // and visibility are worked out once for all of them instead of up the tree for each.
  int32_t GetScreenLeft() override { return held_.on ? held_.left : TOrvaControl::GetScreenLeft(); }
  int32_t GetScreenTop() override { return held_.on ? held_.top : TOrvaControl::GetScreenTop(); }
  bool IsEffectivelyVisible() override { return held_.on ? held_.visible : TOrvaControl::IsEffectivelyVisible(); }
  TRect GetClientRect() override { return held_.on ? held_.client : TOrvaControl::GetClientRect(); }
  TCustomDIBX* GetTargetSurface() override { return held_.on ? held_.surface : TOrvaControl::GetTargetSurface(); }
  void Paint() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;

  // 0 starting, 1 emitting, 2 draining (no more sprites; freed once none is left).
  int State() const { return state_; }
  const std::vector<TOrvaParticleImages*>& Sprites() const { return sprites_; }
  const std::optional<TOrvaParticleParam>& Area() const { return area_; }
  int64_t Countdown() const { return countdown_; }
  TOrvaImageList& Frames() { return frames_; }
  TOrvaMotionParticle* MotionPlayer() { return player_.get(); }
  // std::pow(base, exponent), worked out once for the sprites of an update, which all step
  // by the same count.
  long double Power(long double base, long double exponent);

 private:
  friend class TOrvaParticleImages;
  // n steps of every sprite, then the sprites born in that time.
  void Update(int64_t n, bool emitting);
  // Where the next sprite appears and the time until the one after it (0 for none).
  void NextPlace(int32_t& x, int32_t& y, int64_t& interval, bool& fixed);
  TOrvaParticleImages* AddSprite();
  void FreeSprites();
  void Forget(TOrvaParticleImages* sprite);

  int32_t state_ = 0;
  TOrvaParser appearX_, appearY_, interval_;
  std::optional<TOrvaParticleParam> area_;
  std::string source_;
  TOrvaImageList frames_;
  std::vector<TOrvaParticleImages*> sprites_;
  uint8_t motion_ = PM_SNOW;
  std::array<long double, 3> params_{};
  int32_t alpha_ = 255;
  int64_t countdown_ = 0;
  int32_t remainder_ = 0;
  int32_t preRun_ = 0;
  std::string onIdle_;
  bool paused_ = false;
  int32_t duration_ = 0;
  std::unique_ptr<TOrvaMotionParticle> player_;
  bool updating_ = false, sortPending_ = false;
  struct THeld {
    bool on = false, visible = false;
    int32_t left = 0, top = 0;
    TRect client;
    TCustomDIBX* surface = nullptr;
  } held_;
  // Holds the place and visibility for its lifetime.
  class THoldPlace {
   public:
    explicit THoldPlace(TOrvaParticle& emitter);
    ~THoldPlace() { emitter_.held_ = saved_; }
    THoldPlace(const THoldPlace&) = delete;
    THoldPlace& operator=(const THoldPlace&) = delete;

   private:
    TOrvaParticle& emitter_;
    THeld saved_;
  };
  struct {
    bool known = false;
    long double base = 0, exponent = 0, value = 0;
  } power_;
};

}  // namespace orva

#pragma once
// Effect tracks: a particle emitter (its rectangle, opacity and clip, sprite file, particle
// motion and parameters, the area where particles appear and the interval between births) and
// a fire (its position, the size of its own picture, the zoom that shows it, its power and
// clip). A chain of tracks of one class drives one effect object, held by the chain's first
// track, so the effect goes on without restarting from one track to the next.

#include <array>
#include <cstdint>
#include <string>

#include "film/rect_tracks.h"

namespace orva {

// What particle and fire tracks share: the chain's one object.
class TEffectFrameList : public TRectFrameList {
 public:
  using TRectFrameList::TRectFrameList;
  // Hides the object of every track passed on the way to the chain's first track, and
  // answers that track's object.
  TOrvaObject* RootEffect();
  // The chain's object, made by its first track when missing; none without a class.
  TOrvaObject* EnsureEffect();

 protected:
  // Steps 1 and 2 of both updates: whether the tick lies in the span; the last track of a
  // chain frees the object once the tick leaves the whole chain.
  bool EnterSpan(int32_t tick);
  // The object to drive: the control of the motion, or the chain's object; none when there
  // is nothing to drive.
  TOrvaObject* Target();
  virtual int ObjectType() const = 0;
};

class TParticleFrameList : public TEffectFrameList {
 public:
  // Rectangle of the film's size; interval 100, range 1, appear size 1.
  explicit TParticleFrameList(TFilm& film);

  int32_t StartAlpha = 0, EndAlpha = 0;
  std::string FileName;
  int32_t ParticleIndex = 0;
  uint8_t PartMotion = 0;
  int32_t StartInterval = 100, EndInterval = 100;
  int32_t StartIntervalRange = 1, EndIntervalRange = 1;
  TPoint StartAppearPos{}, EndAppearPos{};
  TPoint StartAppearSize{1, 1}, EndAppearSize{1, 1};
  uint8_t AppearXMode = 0, AppearYMode = 0;
  // Parameters 1..3 at [0..2].
  std::array<double, 3> StartParam{}, EndParam{};

  TTrackType GetTrackType() const override { return ttParticle; }
  // Not chained.
  std::string GetFileName() const override { return FileName; }
  void SetFileName(std::string_view name) override;
  int32_t GetEndAlpha() const override { return EndAlpha; }
  int32_t GetEndInterval() const override { return EndInterval; }
  int32_t GetEndIntervalRange() const override { return EndIntervalRange; }
  TPoint GetEndAppearPos() const override { return EndAppearPos; }
  TPoint GetEndAppearSize() const override { return EndAppearSize; }
  double GetEndParam(int k) const override { return k >= 1 && k <= 3 ? EndParam[size_t(k - 1)] : 0.0; }
  int32_t GetStartAlpha() const { return Parent ? Parent->GetEndAlpha() : StartAlpha; }
  int32_t GetStartInterval() const { return Parent ? Parent->GetEndInterval() : StartInterval; }
  int32_t GetStartIntervalRange() const { return Parent ? Parent->GetEndIntervalRange() : StartIntervalRange; }
  TPoint GetStartAppearPos() const { return Parent ? Parent->GetEndAppearPos() : StartAppearPos; }
  TPoint GetStartAppearSize() const { return Parent ? Parent->GetEndAppearSize() : StartAppearSize; }
  double GetStartParam(int k) const { return Parent ? Parent->GetEndParam(k) : StartParam[size_t(k - 1)]; }

  bool UpdateAt(int32_t tick) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;

 protected:
  int ObjectType() const override;
};

class TFireFrameList : public TEffectFrameList {
 public:
  // A picture of a quarter of the film's width and 30 high, shown at 4 times its size.
  explicit TFireFrameList(TFilm& film);

  double StartZoomX = 4.0, StartZoomY = 4.0, EndZoomX = 4.0, EndZoomY = 4.0;
  uint8_t ZoomXMode = 0, ZoomYMode = 0;
  int32_t Power = 100;

  TTrackType GetTrackType() const override { return ttFire; }
  double GetEndZoomX() const override { return EndZoomX; }
  double GetEndZoomY() const override { return EndZoomY; }
  double GetStartZoomX() const { return Parent ? Parent->GetEndZoomX() : StartZoomX; }
  double GetStartZoomY() const { return Parent ? Parent->GetEndZoomY() : StartZoomY; }

  bool UpdateAt(int32_t tick) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;

 protected:
  int ObjectType() const override;
};

}  // namespace orva

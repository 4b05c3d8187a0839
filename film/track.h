#pragma once
// TCustomFrameList: one track of a film, driving one scene object (or the page transition, or
// one sound) from a start state to an end state over a span of ticks. The base holds the
// timing (start, length, parent), the frames, the common record of the film file, the end
// values a chained track starts from, and the operations every track shares: the absolute
// start, the frame at a position, the interpolation of a value, the motion-relative positions
// and the page a track's object belongs on.
//
// A track that has a parent continues it: it starts on the tick after the parent's last one,
// and its start values are the parent's end values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"
#include "scene/object_handle.h"

namespace orva {

class TFilm;
class TOrvaBaseList;
class TOrvaControl;
class TOrvaObject;
class TStream;
class TVaskItemFrame;

// The type byte of a track record (its low 7 bits).
enum TTrackType : uint8_t {
  ttImage = 0,
  ttLabel = 1,
  ttBox = 2,
  ttWipe = 3,
  ttSound = 4,
  ttTile = 5,
  ttParticle = 6,
  ttFire = 7,
};
constexpr int TrackTypeCount = 8;

// The little-endian fields of a film file. Every read that runs past the end raises
// EReadError, and so does a string longer than the bytes left.
class TFilmReader {
 public:
  explicit TFilmReader(TStream& stream) : stream_(stream) {}
  int32_t Int();
  uint8_t Byte();
  bool Bool() { return Byte() != 0; }
  double Double();
  TPoint Point();
  std::string String();
  TStream& Stream() { return stream_; }

 private:
  TStream& stream_;
};

// One picture of a track's animation: a frame of the decoded-image cache (image and tile
// tracks; not owned), or nothing (the single frame of every other track), shown for
// Duration ticks.
struct TTrackFrame {
  TVaskItemFrame* Picture = nullptr;
  int32_t Duration = 1;
  int32_t Width() const;
  int32_t Height() const;
  TPoint Offset() const;
};

// The frame of a cache frame's delay in milliseconds: rounded to ticks, halves to even, at
// least 1.
int32_t FrameDurationOfDelay(int32_t delayMs);

// Interpolation modes: 0 linear, 1 accelerating, any other decelerating.
constexpr uint8_t imLinear = 0, imAccelerate = 1, imDecelerate = 2;

class TCustomFrameList {
 public:
  explicit TCustomFrameList(TFilm& film);
  virtual ~TCustomFrameList();
  TCustomFrameList(const TCustomFrameList&) = delete;
  TCustomFrameList& operator=(const TCustomFrameList&) = delete;

  // ---- Fields of the common record ----
  int32_t Length = 0;
  // Stored in the file, not used in playback.
  int32_t Unnamed = 0;
  // The start tick; ignored while the track has a parent.
  int32_t Start = 0;
  // One pass through the frames, in ticks.
  int32_t Cycle = 0;
  TCustomFrameList* Parent = nullptr;
  int32_t Priority = 0;
  bool FlipH = false, FlipV = false;
  // The track's object belongs on the page that the next transition shows.
  bool OtherPage = false;
  std::vector<TTrackFrame> Frames;
  // The parent's index in the film as read, until the film links the tracks.
  int32_t ParentIndex = -1;

  TFilm& Film() const { return film_; }

  // ---- Virtual operations ----
  virtual TTrackType GetTrackType() const = 0;
  // The object the track made; none by default.
  virtual TOrvaObject* GetObject() const { return nullptr; }
  virtual bool GetPaused() const { return false; }
  virtual void SetPaused(bool flag) {}
  virtual std::string GetFileName() const { return {}; }
  virtual void SetFileName(std::string_view name) {}
  // The size of the first frame.
  virtual int32_t GetImageWidth() const { return Frames.empty() ? 0 : Frames.front().Width(); }
  virtual int32_t GetImageHeight() const { return Frames.empty() ? 0 : Frames.front().Height(); }
  virtual TPoint GetBasePos() const { return {}; }

  // The position a track starts from: its parent's end position when it has a parent.
  virtual TPoint GetStartPos() const { return Parent ? Parent->GetEndPos() : TPoint{}; }
  // The end values a child track starts from; what a class without the value answers.
  virtual TPoint GetEndPos() const { return {}; }
  virtual int32_t GetEndAngle() const { return 0; }
  virtual int32_t GetEndAlpha() const { return 0; }
  virtual double GetEndZoomX() const { return 1.0; }
  virtual double GetEndZoomY() const { return 1.0; }
  virtual TPoint GetEndClipPos() const { return {}; }
  virtual TPoint GetEndClipSize() const { return {}; }
  virtual int32_t GetEndWidth() const { return GetImageWidth(); }
  virtual int32_t GetEndHeight() const { return GetImageHeight(); }
  virtual int32_t GetEndColor() const { return 0; }
  virtual int32_t GetEndBorderWidth() const { return 0; }
  virtual int32_t GetEndBorderColor() const { return 0; }
  virtual int32_t GetEndScrollX() const { return 0; }
  virtual int32_t GetEndScrollY() const { return 0; }
  virtual int32_t GetEndVolume() const { return 0; }
  virtual int32_t GetEndBalance() const { return 0; }
  virtual int32_t GetEndInterval() const { return 0; }
  virtual int32_t GetEndIntervalRange() const { return 0; }
  virtual TPoint GetEndAppearPos() const { return {}; }
  virtual TPoint GetEndAppearSize() const { return {}; }
  // Particle parameter 1..3.
  virtual double GetEndParam(int k) const { return 0.0; }

  // Frees the frames and sets Length to 0.
  virtual void ClearFrames();
  // The frame shown at a position (ticks since the absolute start); -1 without frames.
  virtual int FrameIndexAt(int32_t position) const;
  // Takes the track's object off the screen (freeing it).
  virtual void HideObject() {}
  // Puts the object into its state at the film tick; true when the tick lies in the span.
  virtual bool UpdateAt(int32_t tick) { return false; }
  // The common record, then the class's own fields.
  virtual void Load(TFilmReader& reader, std::string_view baseDir, int version);
  // After the whole film is read and linked.
  virtual void AfterLoad() {}

  // ---- Shared operations ----
  // With a parent, the parent's absolute start plus its length; else Start (wrapping).
  int32_t AbsoluteStart() const { return absoluteStart_; }
  // The first track of the film whose parent this is; none when none.
  TCustomFrameList* ChildTrack() const { return child_; }
  // Between start and end at the position of a span of length ticks: n = length, plus one
  // with a child track, so that a continued track never quite reaches its end; start at
  // position 0, end at n - 1; linearly by (d × position) div (n - 1), else along a quarter
  // sine rounded halves to even. Worked in 64 bits, the result saturated to 32.
  int32_t Interpolate(uint8_t mode, int32_t start, int32_t end, int32_t position, int32_t length) const;
  // The same in floating point, linearly by position / n.
  long double InterpolateReal(uint8_t mode, int32_t position, long double start, long double end, int32_t length) const;
  // The start and end positions, moved from the film's origin to the driven control's when
  // the film plays on a control with relative positions.
  void GetMotionPositions(TPoint& start, TPoint& end) const;

 protected:
  // The first track of the chain of this class: parents are followed while they are of the
  // track's own type.
  TCustomFrameList* ChainRoot();
  // The modes the film plays in.
  bool MotionMode() const;
  bool HostMode() const;
  // The layer of the owner scene the track's objects stand on (its page), or the host.
  TOrvaControl* PlaceParent() const;
  // Names a new object as the scene's internal film objects are named: the byte 0x01 and a
  // free number, after the host's name between two 0x01 bytes in host mode.
  void NameObject(TOrvaObject& object, TOrvaBaseList& scene) const;
  // The owner scene's object of the factory code, named; none without an owner or a class.
  TOrvaObject* MakeObject(int typeCode) const;
  // The clip rectangle at the position: (0, 0, 0, 0) when the width or height comes to
  // less than 1.
  TRect ClipAt(uint8_t modeX, uint8_t modeY, TPoint startPos, TPoint startSize, TPoint endPos, TPoint endSize,
               int32_t position) const;
  // The opacity at the position: 255 when both ends are 0, 0 reading as 255, linear, a
  // negative result v becoming 256 - v.
  int32_t AlphaAt(int32_t startAlpha, int32_t endAlpha, int32_t position) const;

  TFilm& film_;

 private:
  friend class TFilm;
  TCustomFrameList* child_ = nullptr;
  int32_t absoluteStart_ = 0;
  bool startKnown_ = false;
};

// The object behind a weak reference, or none when it is gone or about to be freed.
TOrvaObject* LiveObject(const TWeakRef<TOrvaObject>& ref);

// Sets the four clip properties of an object from a rectangle (width Right - Left).
void ApplyClip(TOrvaObject& object, const TRect& clip);

// trunc(v × 256), saturated (NaN gives 0): a zoom factor in 1/256.
int32_t ZoomUnits(double factor);

// The nearest 32-bit value.
int32_t SaturateInt32(int64_t value);
// Rounded to the nearest integer, halves to even, saturated to 32 bits; NaN gives 0.
int32_t RoundSaturated(long double value);

}  // namespace orva

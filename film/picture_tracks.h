#pragma once
// Picture-like tracks: the pictures of a layered image moved, zoomed, turned, faded and
// clipped from a start state to an end state (image tracks), the same picture repeated over
// a rectangle of animated size and scroll (tile tracks), and a text label animated like a
// picture (label tracks). In page and host mode each makes its own object while it is
// active; on a control (object-motion mode) it drives that control instead.

#include <cstdint>
#include <string>

#include "film/track.h"

namespace orva {

class TVaskItem;

// What image, tile and label tracks share: the animated values and the update of a picture.
class TCustomImageFrameList : public TCustomFrameList {
 public:
  using TCustomFrameList::TCustomFrameList;
  ~TCustomImageFrameList() override;

  // The pivot of the pictures: the point placed at the position, the centre of turns and
  // zooms.
  TPoint BasePos{};
  TPoint EndPos{}, StartPos{};
  uint8_t XMode = 0, YMode = 0;
  // Degrees.
  int32_t StartAngle = 0, EndAngle = 0;
  double StartZoomX = 1.0, EndZoomX = 1.0, StartZoomY = 1.0, EndZoomY = 1.0;
  uint8_t ZoomXMode = 0, ZoomYMode = 0;
  // 1..255, 0 reading as 255; negative values select the second blending mode.
  int32_t EndAlpha = 0, StartAlpha = 0;
  uint8_t AngleMode = 0;
  // A clip width or height below 1 shows the whole picture.
  TPoint StartClipPos{}, EndClipPos{}, StartClipSize{}, EndClipSize{};
  uint8_t ClipXMode = 0, ClipYMode = 0;

  TOrvaObject* GetObject() const override { return LiveObject(object_); }
  TPoint GetBasePos() const override { return BasePos; }
  TPoint GetStartPos() const override { return Parent ? Parent->GetEndPos() : StartPos; }
  TPoint GetEndPos() const override { return EndPos; }
  int32_t GetEndAngle() const override { return EndAngle; }
  int32_t GetEndAlpha() const override { return EndAlpha; }
  double GetEndZoomX() const override { return EndZoomX; }
  double GetEndZoomY() const override { return EndZoomY; }
  TPoint GetEndClipPos() const override { return EndClipPos; }
  TPoint GetEndClipSize() const override { return EndClipSize; }
  int32_t GetStartAngle() const { return Parent ? Parent->GetEndAngle() : StartAngle; }
  int32_t GetStartAlpha() const { return Parent ? Parent->GetEndAlpha() : StartAlpha; }
  double GetStartZoomX() const { return Parent ? Parent->GetEndZoomX() : StartZoomX; }
  double GetStartZoomY() const { return Parent ? Parent->GetEndZoomY() : StartZoomY; }
  TPoint GetStartClipPos() const { return Parent ? Parent->GetEndClipPos() : StartClipPos; }
  TPoint GetStartClipSize() const { return Parent ? Parent->GetEndClipSize() : StartClipSize; }

  // Invalidates the object, takes its picture and schedules it for freeing.
  void HideObject() override;
  bool UpdateAt(int32_t tick) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;

  // The track's object, made when missing; none when it cannot be made.
  virtual TOrvaObject* ShowObject() { return nullptr; }
  // Hands one computed state to the object (or the driven control).
  virtual void ApplyFrame(const TTrackFrame& frame, int32_t x, int32_t y, TPoint pivot, int32_t zoomX, int32_t zoomY,
                          int32_t angle, int32_t alpha, const TRect& clip) {}

 protected:
  // The values of a tick's position that the picture and the tile update share.
  struct TPictureState {
    int32_t Position = 0;
    const TTrackFrame* Frame = nullptr;
    TPoint Pivot{}, Start{}, End{};
    int32_t ZoomX = 256, ZoomY = 256, Alpha = 255;
    TRect Clip{};
  };
  // The first steps of both updates: outside the span the object is hidden (not on a
  // control) and inside is false; inside, the object is made (unless a control is driven)
  // and the frame and values of the position worked out. False when there is nothing to
  // apply.
  bool PrepareUpdate(int32_t tick, bool& inside, TPictureState& state);
  void LoadClip(TFilmReader& reader);
  // The frame's picture, mask and key colour on the driven control.
  static void ShowPicture(TOrvaControl& control, const TTrackFrame& frame);
  TWeakRef<TOrvaObject> object_;
};

class TImageFrameList : public TCustomImageFrameList {
 public:
  using TCustomImageFrameList::TCustomImageFrameList;
  // Gives the picture back.
  ~TImageFrameList() override;

  std::string FileName;
  // The picture size the decoded-image cache reports for the file.
  int32_t ImageWidth = 0, ImageHeight = 0;

  TTrackType GetTrackType() const override { return ttImage; }
  std::string GetFileName() const override { return FileName; }
  // A new name hides the object, gives the old picture back and takes the new one: a frame
  // per picture frame, Cycle their sum, Length kept when at least 1.
  void SetFileName(std::string_view name) override;
  int32_t GetImageWidth() const override { return ImageWidth; }
  int32_t GetImageHeight() const override { return ImageHeight; }
  void ClearFrames() override;
  // Loads the pictures; Length stays what the file says.
  void AfterLoad() override;
  TOrvaObject* ShowObject() override;
  void ApplyFrame(const TTrackFrame& frame, int32_t x, int32_t y, TPoint pivot, int32_t zoomX, int32_t zoomY,
                  int32_t angle, int32_t alpha, const TRect& clip) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;

 private:
  TVaskItem* item_ = nullptr;
};

class TTileFrameList : public TImageFrameList {
 public:
  using TImageFrameList::TImageFrameList;

  int32_t StartWidth = 0, StartHeight = 0, EndWidth = 0, EndHeight = 0;
  int32_t StartScrollX = 0, StartScrollY = 0, EndScrollX = 0, EndScrollY = 0;
  uint8_t ScrollXMode = 0, ScrollYMode = 0;
  int32_t DistanceX = 0, DistanceY = 0;

  TTrackType GetTrackType() const override { return ttTile; }
  // The first name given also fills the sizes still 0 from the first frame (the start sizes
  // only without a parent).
  void SetFileName(std::string_view name) override;
  int32_t GetEndWidth() const override { return EndWidth; }
  int32_t GetEndHeight() const override { return EndHeight; }
  int32_t GetEndScrollX() const override { return EndScrollX; }
  int32_t GetEndScrollY() const override { return EndScrollY; }
  int32_t GetStartWidth() const { return Parent ? Parent->GetEndWidth() : StartWidth; }
  int32_t GetStartHeight() const { return Parent ? Parent->GetEndHeight() : StartHeight; }
  int32_t GetStartScrollX() const { return Parent ? Parent->GetEndScrollX() : StartScrollX; }
  int32_t GetStartScrollY() const { return Parent ? Parent->GetEndScrollY() : StartScrollY; }
  bool UpdateAt(int32_t tick) override;
  TOrvaObject* ShowObject() override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;
};

class TLabelFrameList : public TCustomImageFrameList {
 public:
  // Length 5, one frame.
  explicit TLabelFrameList(TFilm& film);

  // Lines separated by line breaks; not a file name.
  std::string Text;
  uint8_t Antialias = 0;
  std::string FontName;
  int32_t FontHeight = 12;
  int32_t LineSpace = 0;
  // A set of font styles, one bit each.
  uint8_t FontStyle = 0;
  int32_t FontColor = 0xFFFFFF;
  uint8_t HAlign = 0;

  TTrackType GetTrackType() const override { return ttLabel; }
  int FrameIndexAt(int32_t) const override { return 0; }
  // A new label also stands on the shown layer of the owner scene (the other with
  // OtherPage) until the update moves it.
  TOrvaObject* ShowObject() override;
  void ApplyFrame(const TTrackFrame& frame, int32_t x, int32_t y, TPoint pivot, int32_t zoomX, int32_t zoomY,
                  int32_t angle, int32_t alpha, const TRect& clip) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;
};

}  // namespace orva

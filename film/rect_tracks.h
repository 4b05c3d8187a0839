#pragma once
// Rectangle tracks: a rectangle moved and sized from a start state to an end state, with a
// clip. Box tracks fill it (opacity, fill colour, border); particle and fire tracks
// (film/effect_tracks.h) build on the same rectangle.

#include <cstdint>

#include "film/track.h"

namespace orva {

class TRectFrameList : public TCustomFrameList {
 public:
  // Length 1, one frame, sizes 100.
  explicit TRectFrameList(TFilm& film);
  ~TRectFrameList() override;

  TPoint EndPos{}, StartPos{};
  uint8_t XMode = 0, YMode = 0;
  int32_t StartWidth = 100, StartHeight = 100, EndWidth = 100, EndHeight = 100;
  TPoint StartClipPos{}, EndClipPos{}, StartClipSize{}, EndClipSize{};
  uint8_t ClipXMode = 0, ClipYMode = 0;

  TOrvaObject* GetObject() const override { return LiveObject(object_); }
  int FrameIndexAt(int32_t) const override { return 0; }
  // Invalidates the object and schedules it for freeing.
  void HideObject() override;
  TPoint GetStartPos() const override { return Parent ? Parent->GetEndPos() : StartPos; }
  TPoint GetEndPos() const override { return EndPos; }
  int32_t GetEndWidth() const override { return EndWidth; }
  int32_t GetEndHeight() const override { return EndHeight; }
  TPoint GetEndClipPos() const override { return EndClipPos; }
  TPoint GetEndClipSize() const override { return EndClipSize; }
  int32_t GetStartWidth() const { return Parent ? Parent->GetEndWidth() : StartWidth; }
  int32_t GetStartHeight() const { return Parent ? Parent->GetEndHeight() : StartHeight; }
  TPoint GetStartClipPos() const { return Parent ? Parent->GetEndClipPos() : StartClipPos; }
  TPoint GetStartClipSize() const { return Parent ? Parent->GetEndClipSize() : StartClipSize; }

 protected:
  // The rectangle at the position, right and bottom inclusive, from the motion-relative
  // positions.
  TRect EdgesAt(int32_t position) const;
  TRect RectClipAt(int32_t position) const;
  // The parts of the records: positions and modes, sizes, the clip block; particle and fire
  // records hold the three in a row, box records have their opacity between them.
  void LoadPositions(TFilmReader& reader);
  void LoadSizes(TFilmReader& reader);
  void LoadClip(TFilmReader& reader);
  void LoadRect(TFilmReader& reader);
  // The object of the factory code, made when missing.
  TOrvaObject* ShowObjectOf(int typeCode);
  TWeakRef<TOrvaObject> object_;
};

class TBoxFrameList : public TRectFrameList {
 public:
  using TRectFrameList::TRectFrameList;

  int32_t StartAlpha = 0, EndAlpha = 0;
  int32_t StartColor = 0, EndColor = 0;
  int32_t StartBorderWidth = 0, EndBorderWidth = 0;
  int32_t StartBorderColor = 0, EndBorderColor = 0;

  TTrackType GetTrackType() const override { return ttBox; }
  int32_t GetEndAlpha() const override { return EndAlpha; }
  int32_t GetEndColor() const override { return EndColor; }
  int32_t GetEndBorderWidth() const override { return EndBorderWidth; }
  int32_t GetEndBorderColor() const override { return EndBorderColor; }
  int32_t GetStartAlpha() const { return Parent ? Parent->GetEndAlpha() : StartAlpha; }
  int32_t GetStartColor() const { return Parent ? Parent->GetEndColor() : StartColor; }
  int32_t GetStartBorderWidth() const { return Parent ? Parent->GetEndBorderWidth() : StartBorderWidth; }
  int32_t GetStartBorderColor() const { return Parent ? Parent->GetEndBorderColor() : StartBorderColor; }
  bool UpdateAt(int32_t tick) override;
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;

 private:
  // Equal ends pass unchanged; otherwise each of the three colour bytes runs linearly.
  int32_t ColorAt(int32_t start, int32_t end, int32_t position) const;
};

}  // namespace orva

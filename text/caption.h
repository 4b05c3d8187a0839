#pragma once
// TOrvaLabel (LT_LABEL): a caption. A few lines of plain Shift-JIS text in one face, height,
// style and colour, aligned, spaced, anti-aliased or not, laid out through the glyph cache
// into a colour picture and an 8-bit coverage mask whenever the text or a font setting
// changes, never while it is painted. It sizes itself to the text times its zoom, and is
// drawn faded, zoomed, turned and mirrored; unzoomed and unturned it paints only the
// rectangles of its lines that hold glyph pixels, straight from the mask in the font colour.
// Like the box it may carry a film as SOURCE.

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "scene/orva_control.h"

namespace orva {

class TOrvaLabel : public TOrvaControl {
 public:
  explicit TOrvaLabel(TOrvaBaseList* owner);
  ~TOrvaLabel() override;

  uint8_t GetCompoType() override { return LT_LABEL; }

  // The lines joined by CR LF, without one at the end.
  std::string GetText() override;
  // Split at CR LF, CR or LF; a last line left empty is dropped.
  void SetText(std::string_view value) override;
  std::string GetFontName() override { return fontName_; }
  void SetFontName(std::string_view value) override;
  int32_t GetFontHeight() override { return fontHeight_; }
  void SetFontHeight(int32_t value) override;
  TFontStyles GetFontStyle() override { return IntToFontStyles(fontStyle_); }
  void SetFontStyle(TFontStyles value) override;
  int32_t GetLineSpace() override { return lineSpace_; }
  void SetLineSpace(int32_t value) override;
  uint8_t GetHAlign() override { return halign_; }
  void SetHAlign(uint8_t value) override;
  bool GetAntialias() override { return antialias_; }
  void SetAntialias(bool value) override;
  int32_t GetFontColor() override { return fontColor_; }
  void SetFontColor(int32_t value) override;
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  bool GetFlipH() override { return flipH_; }
  void SetFlipH(bool value) override;
  bool GetFlipV() override { return flipV_; }
  void SetFlipV(bool value) override;
  int32_t GetAngle() override { return angle_; }
  void SetAngle(int32_t value) override;
  int32_t GetZoomX() override { return zoomX_; }
  // Below 1 is stored as 1.
  void SetZoomX(int32_t value) override;
  int32_t GetZoomY() override { return zoomY_; }
  void SetZoomY(int32_t value) override;
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool value) override;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }

  void Invalidate() override;
  void Paint() override;
  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  TRect GetClientRect() override;
  TRotationCenter GetRotationCenter() override;
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The text measured and drawn again; its size follows.
  void Layout();
  int32_t TextWidth() const { return textWidth_; }
  int32_t TextHeight() const { return textHeight_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines' rectangles of glyph pixels, in mask coordinates.
  const std::vector<TRect>& PaintedRects() const { return painted_; }
  TDIBX& ColourPicture() { return colour_; }
  TDIBX& Mask() { return mask_; }

 private:
  int TurnSteps() const { return angle_ & 255; }
  // The layer's picture, whose pixel values and depth the caption uses.
  TCustomDIBX* LayerPicture();
  template <class T>
  void Relayout(T& field, T value);
  void ChangeZoom(int32_t& zoom, int32_t value);

  std::vector<std::string> lines_;
  std::string fontName_;
  int32_t fontHeight_ = 12;
  int32_t lineSpace_ = 0;
  uint8_t fontStyle_ = 0;
  TDIBX colour_;
  TDIBX mask_;
  int32_t alpha_ = 255;
  int32_t fontColor_ = 0;
  uint8_t halign_ = HA_LEFT;
  bool antialias_ = false;
  bool flipH_ = false, flipV_ = false;
  int32_t angle_ = 0;
  int32_t textWidth_ = 0, textHeight_ = 0;
  int32_t zoomX_ = 256, zoomY_ = 256;
  std::string onIdle_;
  std::string source_;
  bool repeat_ = false;
  bool autoScrap_ = false;
  std::string onPlayEnd_;
  bool paused_ = false;
  std::vector<TRect> painted_;
};

}  // namespace orva

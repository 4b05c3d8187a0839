#pragma once
// TOrvaCustomImage: the control that shows one picture, with an optional 8-bit mask, drawn
// with ALPHA (0..511), a zoom per direction in 1/256, a turn (the low 8 bits of ANGLE, in
// 1/256 of a full turn, clockwise) and mirroring. It turns its settings into one drawing
// operation per paint, invalidates and clips its children to its turned bounds, hit-tests on
// its mask (CAPTUREMASK), and keeps WIDTH and HEIGHT following its picture and zoom. Every
// picture-showing object derives from it; a plain one holds a copy of a surface in its own
// picture (GetImage answers it until a picture is set from outside).
//
// TOrvaImage is the still image: a picture handed to it by a film, or its own copy of the
// first frame of SOURCE darkened by BRIGHTNESS. It is never saved nor made by the factory.

#include <cstdint>
#include <memory>
#include <string>

#include "scene/orva_control.h"

namespace orva {

class TDIBX;

class TOrvaCustomImage : public TOrvaControl {
 public:
  explicit TOrvaCustomImage(TOrvaBaseList* owner);
  ~TOrvaCustomImage() override;

  TRect GetClientRect() override;
  bool GetImageFlag() override { return sizePending_; }
  void SetImageFlag(bool value) override { sizePending_ = value; }
  // A size set by a script stretches the picture: the zoom of that direction becomes 0.
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  int32_t GetOrigWidth() override;
  int32_t GetOrigHeight() override;
  int32_t GetZoomX() override { return zoomX_; }
  void SetZoomX(int32_t value) override;
  int32_t GetZoomY() override { return zoomY_; }
  void SetZoomY(int32_t value) override;
  void SetPosZoomed(bool value) override;
  // The picture set from outside, else the own one (none between ReleaseSurfaces and
  // RecreateSurfaces).
  TCustomDIBX* GetImage() override;
  void SetImage(TCustomDIBX* image) override;
  TCustomDIBX* GetMaskImage() override { return mask_; }
  void SetMaskImage(TCustomDIBX* mask) override { mask_ = mask; }
  bool GetFlipH() override { return flipH_; }
  void SetFlipH(bool value) override;
  bool GetFlipV() override { return flipV_; }
  void SetFlipV(bool value) override;
  bool GetCaptureMask() override { return captureMask_; }
  void SetCaptureMask(bool value) override { captureMask_ = value; }
  int32_t GetAlpha() override { return alpha_; }
  void SetAlpha(int32_t value) override;
  int32_t GetAngle() override { return angle_; }
  void SetAngle(int32_t value) override;

  void Invalidate() override;
  void Paint() override;
  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;
  TRotationCenter GetRotationCenter() override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  // What a creating command does before it sets LEFT: a size waiting to be worked out is.
  void FitSizeToParent() override;

  // Draws the picture into the target surface.
  virtual void DrawPicture();
  // Whether WIDTH and HEIGHT follow the picture: without a motion.
  virtual bool IsAutoSized() { return GetMotion() == nullptr; }
  // WIDTH, resp. HEIGHT, from the picture and the zoom, or from the image parent's scaling
  // of its picture under POSZOOMED; the fields are written without invalidation.
  void FitToParentX();
  void FitToParentY();
  // The layer rectangle the turned picture covers.
  TRect GetRotatedBounds(const TRect& source);
  // The own picture (a snapshot's copy of a surface); none between ReleaseSurfaces and
  // RecreateSurfaces.
  TDIBX* OwnSurface() { return own_.get(); }

 protected:
  // The low 8 bits of ANGLE: 0 is not turned.
  int TurnSteps() const { return angle_ & 255; }
  // The picture field itself, without invalidation.
  void AssignPicture(TCustomDIBX* picture) { picture_ = picture; }
  TCustomDIBX* PictureField() const { return picture_; }
  // The own picture, made empty when it was released.
  TDIBX& EnsureOwnSurface();

 private:
  void FitToParent(bool vertical);
  // The setter rules of ZOOMX/ZOOMY and FLIPH/FLIPV.
  void ChangeZoom(int32_t& zoom, int32_t value);
  void ChangeFlip(bool& flip, bool value, bool vertical);
  // The 1:1 blit, once per drawing rectangle of the picture when it has a list.
  void DrawOneToOne(TCustomDIBX& target, TCustomDIBX& picture);
  bool PictureHit(TPoint point);
  bool RotatedHit(TPoint point);
  // Whether the mask decides and says the point (on the layer, unturned) is opaque.
  bool MaskHit(TPoint point);
  void MarkChildrenSizePending();

  std::unique_ptr<TDIBX> own_;
  TCustomDIBX* picture_ = nullptr;
  TCustomDIBX* mask_ = nullptr;
  int32_t alpha_ = 255;
  int32_t zoomX_ = 256, zoomY_ = 256;
  int32_t angle_ = 0;
  bool flipH_ = false, flipV_ = false;
  bool captureMask_ = false;
  bool sizePending_ = false;
};

class TOrvaImage : public TOrvaCustomImage {
 public:
  explicit TOrvaImage(TOrvaBaseList* owner);

  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  int32_t GetBrightness() override { return brightness_; }
  // Clamped to 0..255.
  void SetBrightness(int32_t value) override;
  void RecreateSurfaces() override;

  // One frame of a film's image track: every drawing property at once.
  void ApplyFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor, int32_t priority,
                  bool flipH, bool flipV, int32_t left, int32_t top, int32_t offsetX, int32_t offsetY, int32_t zoomX,
                  int32_t zoomY, int32_t angle, int32_t alpha, const TRect& clip);

 private:
  // The own picture from the first frame of SOURCE, darkened by BRIGHTNESS.
  void LoadPicture();

  std::string source_;
  int32_t brightness_ = 255;
};

}  // namespace orva

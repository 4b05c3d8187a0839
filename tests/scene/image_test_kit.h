#pragma once
// Pictures on a headless scene: layered images written by the kit into the game files, a
// surface that records each drawing operation it is asked for (with its clip), a host
// control that hands its children such a surface, and the fixture that puts the real image
// classes into the factory.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/dibx.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/animated_image.h"
#include "scene/image_cache.h"
#include "scene/object_factory.h"
#include "scene/object_handle.h"
#include "script/scene_link.h"
#include "scene_test_kit.h"

namespace orva::scene_test {

// One frame of a picture file: w × h of one colour (0x00RRGGBB), or `rows` when given; a
// key colour (the value of pixels drawn as transparent, −1 none), a display time and the
// drawing rectangles.
struct PictureFrame {
  int32_t Width = 1, Height = 1;
  uint32_t Colour = 0x808080;
  int32_t Delay = 100;
  int32_t Key = -1;
  std::vector<std::vector<uint32_t>> Rows = {};
  std::vector<TRect> Rects = {};
};

inline std::string PictureFile(const std::vector<PictureFrame>& frames) {
  kit::VaskFile file;
  for (const PictureFrame& f : frames) {
    auto rows = f.Rows.empty() ? std::vector<std::vector<uint32_t>>(size_t(f.Height), std::vector<uint32_t>(size_t(f.Width), f.Colour))
                               : f.Rows;
    kit::VaskFrame frame = kit::VaskFrame::Of(f.Width, f.Height, 24, rows);
    frame.Delay = f.Delay;
    frame.TransparentValue = f.Key;
    frame.Rects = f.Rects;
    file.Frames.push_back(frame);
  }
  return kit::MakeVask(file);
}

// Every drawing operation as a line: the operation, where, the alpha or strength, flips,
// "key" when the colour key is asked for, and the clip it met.
class RecordingSurface : public TDIBX {
 public:
  void Draw(int x, int y, TCustomDIBX&, const TRect&, bool k, bool fh, bool fv) override {
    Log("Draw", At(x, y), -1, fh, fv, k);
  }
  void DrawAlpha(int x, int y, TCustomDIBX&, const TRect&, bool k, bool fh, bool fv, int a) override {
    Log("DrawAlpha", At(x, y), a, fh, fv, k);
  }
  void DrawAdd(int x, int y, TCustomDIBX&, const TRect&, bool k, bool fh, bool fv, int a) override {
    Log("DrawAdd", At(x, y), a, fh, fv, k);
  }
  void DrawMask(int x, int y, TCustomDIBX&, const TRect&, bool fh, bool fv, TCustomDIBX&) override {
    Log("DrawMask", At(x, y), -1, fh, fv, false);
  }
  void DrawMaskAlpha(int x, int y, TCustomDIBX&, const TRect&, bool fh, bool fv, TCustomDIBX&, int a) override {
    Log("DrawMaskAlpha", At(x, y), a, fh, fv, false);
  }
  void DrawMaskAdd(int x, int y, TCustomDIBX&, const TRect&, bool fh, bool fv, TCustomDIBX&, int a) override {
    Log("DrawMaskAdd", At(x, y), a, fh, fv, false);
  }
  void StretchDrawAlpha(const TRect& d, TCustomDIBX&, const TRect&, bool k, bool fh, bool fv, uint32_t a) override {
    Log("StretchDrawAlpha", Rect(d), int(a), fh, fv, k);
  }
  void StretchDrawAdd(const TRect& d, TCustomDIBX&, const TRect&, bool k, bool fh, bool fv, uint32_t a) override {
    Log("StretchDrawAdd", Rect(d), int(a), fh, fv, k);
  }
  void StretchDrawMaskAlpha(const TRect& d, TCustomDIBX&, const TRect&, bool fh, bool fv, TCustomDIBX&,
                            uint32_t a) override {
    Log("StretchDrawMaskAlpha", Rect(d), int(a), fh, fv, false);
  }
  void StretchDrawMaskAdd(const TRect& d, TCustomDIBX&, const TRect&, bool fh, bool fv, TCustomDIBX&,
                          uint32_t a) override {
    Log("StretchDrawMaskAdd", Rect(d), int(a), fh, fv, false);
  }
  void DrawRotate(int x, int y, int zx, int zy, TCustomDIBX&, const TRect&, int px, int py, int angle, bool k, bool fh,
                  bool fv, uint32_t a) override {
    Log("DrawRotate", At(x, y) + " zoom " + At(zx, zy) + " about " + At(px, py) + " turn " + std::to_string(angle),
        int(a), fh, fv, k);
  }
  void DrawRotateMask(int x, int y, int zx, int zy, TCustomDIBX&, const TRect&, int px, int py, int angle, bool fh,
                      bool fv, TCustomDIBX&, uint32_t a) override {
    Log("DrawRotateMask",
        At(x, y) + " zoom " + At(zx, zy) + " about " + At(px, py) + " turn " + std::to_string(angle), int(a), fh, fv,
        false);
  }

  void StretchDrawTile(const TRect& d, int cw, int ch, int zx, int zy, TCustomDIBX&, const TRect&, bool k, bool fh,
                       bool fv, uint32_t a, int sx, int sy) override {
    Log("StretchDrawTile", Rect(d) + " cell " + At(cw, ch) + " zoom " + At(zx, zy) + " from " + At(sx, sy), int(a),
        fh, fv, k);
  }
  void StretchDrawTileMask(const TRect& d, int cw, int ch, int zx, int zy, TCustomDIBX&, const TRect&, TCustomDIBX&,
                           bool fh, bool fv, uint32_t a, int sx, int sy) override {
    Log("StretchDrawTileMask", Rect(d) + " cell " + At(cw, ch) + " zoom " + At(zx, zy) + " from " + At(sx, sy),
        int(a), fh, fv, false);
  }
  // Fills, frames and the repeated draws, with the raw pixel value as px<hex>.
  void FillRect(const TRect& r, uint32_t p) override { Log("FillRect", Rect(r) + Px(p), -1, false, false, false); }
  void FillRectAlpha(const TRect& r, uint32_t p, int a) override {
    Log("FillRectAlpha", Rect(r) + Px(p), a, false, false, false);
  }
  void FillRectAdd(const TRect& r, uint32_t p) override { Log("FillRectAdd", Rect(r) + Px(p), -1, false, false, false); }
  void FrameRect(const TRect& r, int w, uint32_t p) override {
    Log("FrameRect", Rect(r) + " w" + std::to_string(w) + Px(p), -1, false, false, false);
  }
  void FrameRectAlpha(const TRect& r, int w, uint32_t p, int a) override {
    Log("FrameRectAlpha", Rect(r) + " w" + std::to_string(w) + Px(p), a, false, false, false);
  }
  void FrameRectAdd(const TRect& r, int w, uint32_t p) override {
    Log("FrameRectAdd", Rect(r) + " w" + std::to_string(w) + Px(p), -1, false, false, false);
  }
  void FillPattern(const TRect& d, TCustomDIBX&, int sx, int sy, bool fh, bool fv) override {
    Log("FillPattern", Rect(d) + " from " + At(sx, sy), -1, fh, fv, false);
  }
  void StretchDrawEx(const TRect& d, int zx, int zy, TCustomDIBX&, int sx, int sy, bool k, bool fh, bool fv,
                     uint32_t a) override {
    Log("StretchDrawEx", Rect(d) + " zoom " + At(zx, zy) + " from " + At(sx, sy), int(a), fh, fv, k);
  }
  void StretchDrawMaskEx(const TRect& d, int zx, int zy, TCustomDIBX&, int sx, int sy, bool fh, bool fv, TCustomDIBX&,
                         uint32_t a) override {
    Log("StretchDrawMaskEx", Rect(d) + " zoom " + At(zx, zy) + " from " + At(sx, sy), int(a), fh, fv, false);
  }
  void DrawColorMask(int x, int y, TCustomDIBX&, const TRect& sr, bool fh, bool fv, uint32_t p, int a) override {
    Log("DrawColorMask", At(x, y) + " " + Rect(sr) + Px(p), a, fh, fv, false);
  }

  std::vector<std::string> Calls;
  // The clip each operation met.
  std::vector<TRect> Clips;

  static std::string At(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  static std::string Px(uint32_t p) {
    char text[16];
    std::snprintf(text, sizeof text, " px%x", p);
    return text;
  }
  static std::string Rect(const TRect& r) {
    return "[" + At(r.Left, r.Top) + "," + At(r.Right, r.Bottom) + "]";
  }

 private:
  void Log(const char* op, const std::string& where, int alpha, bool fh, bool fv, bool key) {
    std::string s = std::string(op) + " " + where;
    if (alpha >= 0) s += " a" + std::to_string(alpha);
    if (fh) s += " H";
    if (fv) s += " V";
    if (key) s += " key";
    Calls.push_back(s);
    Clips.push_back(GetClipRect());
  }
};

// Input words for one frame of the scene's input step: "move x y", "press L|R",
// "release", "key n" (pressed before the step and let go after it), "hold n" (pressed,
// kept down). The events the step queued are returned as "sender:kind(arg,arg)"; the queue
// itself is kept.
inline std::vector<std::string> InputFrame(TOrvaBaseList& scene, const std::string& input) {
  std::istringstream words(input);
  std::string word;
  std::vector<int> released;
  while (words >> word) {
    if (word == "move") {
      int x = 0, y = 0;
      words >> x >> y;
      scene.RecordMousePos({x, y});
    } else if (word == "press") {
      words >> word;
      scene.RecordButtonPress(word == "L" ? TOrvaBaseList::TMouseButton::Left : TOrvaBaseList::TMouseButton::Right);
    } else if (word == "release") {
      scene.RecordButtonRelease();
    } else if (word == "key" || word == "hold") {
      int code = 0;
      words >> code;
      scene.SetKeyState(code, true);
      scene.SetKeyHit(code, true);
      if (word == "key") released.push_back(code);
    } else {
      ADD_FAILURE() << "unknown input " << word;
    }
  }
  const int before = scene.Events().Count();
  scene.ProcessInput();
  for (int code : released) scene.SetKeyState(code, false);
  std::vector<std::string> out;
  for (int i = before; i < scene.Events().Count(); ++i) {
    const TTimerData& e = *scene.Events().GetEvent(i);
    const TOrvaObject* sender = ResolveHandle(e.Sender);
    std::string text = (sender ? sender->GetName() : std::string("?")) + ":" + std::to_string(e.Kind);
    for (int a = 0; a < e.Args.Count(); ++a) text += (a == 0 ? "(" : ",") + e.Args[a];
    if (e.Args.Count() > 0) text += ")";
    out.push_back(text);
  }
  return out;
}

// A control at the layer's origin whose children draw onto the given surface.
class TargetHost : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  TCustomDIBX* GetTargetSurface() override { return Target; }
  TCustomDIBX* Target = nullptr;
};

// The scene fixture with the game files in memory and the real animated images in the
// factory.
class ImageFixture : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    testImages_ = RegisterObjectClass(
        LT_IMAGES, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TOrvaImages>(s); });
  }
  void TearDown() override {
    RegisterObjectClass(LT_IMAGES, testImages_);
    SceneFixture::TearDown();
  }
  void AddPicture(const std::string& name, const std::vector<PictureFrame>& frames) {
    files.Add(name, PictureFile(frames));
  }
  // An animated image on the shown layer (or the parent) showing the file.
  TOrvaImages* Image(const std::string& name, const std::string& source, TOrvaControl* parent = nullptr) {
    auto* image = CreateSceneObject<TOrvaImages>(Scene());
    image->SetName(name);
    image->SetParent(parent ? parent : Scene().ActiveLayer());
    image->SetSource(source);
    return image;
  }
  // Paints every dirty rectangle of both layers into the back buffer and clears them.
  void PaintScene() {
    Scene().Paint();
    ClearDirty();
  }
  void Repaint() {
    Layer(0).InvalidateAll();
    Layer(1).InvalidateAll();
    PaintScene();
  }
  // The screen at another depth: the back buffer, the layers, the decoded pictures (as the
  // player's image-cache service would) and the objects' surfaces are made again at it.
  void UseDepth(int bits) {
    depthScreen_ = std::make_unique<THeadlessScreen>(bits);
    depthScreen_->BackBufferSurface.SetSize(640, 480, bits);
    SetSceneServices({depthScreen_.get(), &media_, &cache_});
    Scene().ReleaseSurfaces();
    GetImageCache()->ReleaseSurfaces();
    GetImageCache()->RecreateSurfaces();
    Scene().RecreateSurfaces();
  }
  TDIBX& BackBuffer() { return depthScreen_ ? depthScreen_->BackBufferSurface : SceneFixture::BackBuffer(); }
  uint32_t Pixel(int x, int y) { return BackBuffer().GetPixel(x, y); }

  kit::GameFiles files;

 private:
  TObjectConstructor testImages_;
  std::unique_ptr<THeadlessScreen> depthScreen_;
};

}  // namespace orva::scene_test

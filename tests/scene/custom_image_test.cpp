// Still and custom images on a headless scene: the drawing operation each setting chooses,
// the drawing rectangles of a picture, what is invalidated, hit tests on the mask, the size
// rule, the still image's own picture, and pixels on real 16- and 32-bit surfaces.
#include <gtest/gtest.h>

#include "graphics/dibx.h"
#include "image_test_kit.h"
#include "kit/scene_builder.h"
#include "scene/custom_image.h"
#include "scene/image_cache.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;
using scene_test::RecordingSurface;
using scene_test::TargetHost;
using scene_test::TTestBox;

std::unique_ptr<TDIBX> Surface(int w, int h, int bits = 32, uint32_t pixel = 0) {
  auto s = std::make_unique<TDIBX>();
  s->SetSize(w, h, bits);
  s->Fill(pixel);
  return s;
}

class CustomImage : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    recorder.SetSize(640, 480, 32);
    host = CreateSceneObject<TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->SetBounds(0, 0, 640, 480);
    host->Target = &recorder;
  }
  // A plain image showing the picture, sized by it, at LEFT 10, TOP 20 with its hot spot
  // at (2, 3): its top left lies at (8, 17).
  TOrvaCustomImage* Shown(TCustomDIBX& picture, TOrvaControl* parent = nullptr) {
    auto* image = CreateSceneObject<TOrvaCustomImage>(Scene());
    image->SetParent(parent ? parent : host);
    image->SetImage(&picture);
    image->FitToParentX();
    image->FitToParentY();
    image->SetLeft(10);
    image->SetTop(20);
    image->SetOffsetX(2);
    image->SetOffsetY(3);
    return image;
  }

  RecordingSurface recorder;
  TargetHost* host = nullptr;
};

TEST_F(CustomImage, EachSettingDrawsThroughOneSurfaceOperation) {
  std::unique_ptr<TDIBX> picture = Surface(6, 4), mask = Surface(6, 4, 8, 255);
  struct Case {
    int32_t angle;
    int sizeDelta;  // added to WIDTH (odd) or HEIGHT (even)
    bool mask, key, flipH;
    int32_t alpha;
    const char* call;  // "" for nothing
  } cases[] = {
      {0, 0, false, false, false, 255, "Draw 8,17"},
      {0, 0, false, true, false, 254, "DrawAlpha 8,17 a254 key"},
      {0, 0, false, false, true, 256, "DrawAdd 7,17 a0 H"},  // the hot spot mirrored: 10 − (6 − 1 − 2)
      {0, 0, true, true, false, 255, "DrawMask 8,17"},
      {0, 0, true, false, false, 254, "DrawMaskAlpha 8,17 a254"},
      {0, 0, true, false, false, 256, "DrawMaskAdd 8,17 a0"},
      {0, 0, false, false, false, 1000, "DrawAdd 8,17 a744"},
      {256, 0, false, false, false, 255, "Draw 8,17"},
      {-256, 0, true, false, false, 255, "DrawMask 8,17"},
      // A set size leaves a zoom of 0, and so an offset of 0.
      {0, 1, false, true, false, 255, "StretchDrawAlpha [10,17,17,21] a255 key"},
      {0, -1, false, false, false, 254, "StretchDrawAlpha [10,17,15,21] a254"},
      {0, 2, true, false, false, 256, "StretchDrawMaskAdd [8,20,14,25] a0"},
      {0, -2, true, false, true, 255, "StretchDrawMaskAlpha [7,20,13,23] a255 H"},
      {-1, 0, false, true, false, 255, "DrawRotate 10,20 zoom 256,256 about 2,3 turn 255 a255 key"},
      {64, 0, true, false, true, 254, "DrawRotateMask 10,20 zoom 256,256 about 3,3 turn 64 a254 H"},
      {320, 1, false, false, false, 300, "DrawRotate 10,20 zoom 0,256 about 2,3 turn 64 a300"},
      {0, 0, false, false, false, 0, ""},
      {64, 0, true, false, false, -3, ""},
  };
  for (const Case& c : cases) {
    picture->TransparentColor = c.key ? 0 : -1;
    TOrvaCustomImage* image = Shown(*picture);
    image->SetMaskImage(c.mask ? mask.get() : nullptr);
    image->SetAngle(c.angle);
    image->SetFlipH(c.flipH);
    image->SetAlpha(c.alpha);
    if (c.sizeDelta % 2 != 0) image->SetWidth(image->GetWidth() + c.sizeDelta);
    if (c.sizeDelta != 0 && c.sizeDelta % 2 == 0) image->SetHeight(image->GetHeight() + c.sizeDelta / 2);
    recorder.Calls.clear();
    image->Paint();
    const std::vector<std::string> expected = *c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{};
    EXPECT_EQ(recorder.Calls, expected) << "angle " << c.angle << " size " << c.sizeDelta << " alpha " << c.alpha;
    image->FreeNow();
  }
}

TEST_F(CustomImage, APictureWithDrawingRectanglesIsBlittedInsideEachMirroredUnderFlips) {
  std::unique_ptr<TDIBX> picture = Surface(10, 6);
  picture->Rects = {{0, 0, 3, 6}, {5, 0, 10, 2}};
  TOrvaCustomImage* image = Shown(*picture);
  struct Case {
    bool flipH, flipV;
    TRect clip;  // of the target before the paint; {} for none
    const char* call;
    std::vector<TRect> clips;
  } cases[] = {
      {false, false, {}, "Draw 8,17", {{8, 17, 11, 23}, {13, 17, 18, 19}}},
      // The rectangle at the left of the picture lies at the right of the control (whose
      // left is 10 − (10 − 1 − 2) = 3 under the flip).
      {true, false, {}, "Draw 3,17 H", {{10, 17, 13, 23}, {3, 17, 8, 19}}},
      {false, true, {}, "Draw 8,18 V", {{8, 18, 11, 24}, {13, 22, 18, 24}}},
      // A rectangle outside the clip is passed over; each one is cut to the clip.
      {false, false, {0, 0, 12, 20}, "Draw 8,17", {{8, 17, 11, 20}}},
  };
  for (const Case& c : cases) {
    image->SetFlipH(c.flipH);
    image->SetFlipV(c.flipV);
    recorder.Calls.clear();
    recorder.Clips.clear();
    recorder.ClipRect = c.clip;
    image->DrawPicture();
    EXPECT_EQ(recorder.Clips, c.clips) << c.flipH << c.flipV;
    EXPECT_EQ(recorder.Calls, std::vector<std::string>(c.clips.size(), c.call)) << "the whole picture each time";
    EXPECT_EQ(recorder.ClipRect, c.clip) << "the clip is given back";
  }
  // Stretched pictures and turned ones are drawn whole.
  image->SetWidth(11);
  recorder.Calls.clear();
  image->DrawPicture();
  EXPECT_EQ(recorder.Calls.size(), 1u);
}

TEST_F(CustomImage, InvalidationCoversThePictureOrItsTurnedBoundsCutToParentAndClip) {
  std::unique_ptr<TDIBX> picture = Surface(4, 4);
  TOrvaCustomImage* image = Shown(*picture, Scene().ActiveLayer());
  ClearDirty();
  image->Invalidate();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{8, 17, 12, 21}}));

  ClearDirty();
  image->SetAngle(-192);  // a quarter turn clockwise
  const TRect turned = CalcRotatedBounds(10, 20, 2, 3, 64, {0, 0, 4, 4}, 256, 256, 4, 4, false, false);
  ClearDirty();
  image->Invalidate();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{turned}));
  EXPECT_EQ(image->GetClientRect(), turned);

  // Nothing of it outside its parent's client rectangle and its own clip.
  TTestBox* parent = Box("parent", {0, 0, 9, 100});
  image->SetParent(parent);
  image->SetAngle(0);
  image->SetClipTop(1);
  image->SetClipHeight(2);
  image->SetClipWidth(100);
  ClearDirty();
  image->Invalidate();
  EXPECT_EQ(Dirty(0), (std::vector<TRect>{{8, 18, 9, 20}}));
  // An ALPHA of 0 still invalidates; an empty picture, an invisible image do not.
  image->SetAlpha(0);
  ClearDirty();
  image->Invalidate();
  EXPECT_EQ(Dirty(0).size(), 1u);
  image->SetVisible(false);
  ClearDirty();
  image->Invalidate();
  EXPECT_TRUE(Dirty(0).empty());
  image->SetVisible(true);
  image->SetImage(nullptr);
  ClearDirty();
  image->Invalidate();
  EXPECT_TRUE(Dirty(0).empty()) << "the own picture is empty";
}

TEST_F(CustomImage, HitTestsOnTheMaskUnturnedMirroredAndZoomed) {
  std::unique_ptr<TDIBX> picture = Surface(4, 4), mask = Surface(4, 4, 8, 0);
  mask->SetPixel(0, 0, 127);
  mask->SetPixel(1, 0, 128);
  mask->SetPixel(0, 1, 255);
  TOrvaCustomImage* image = Shown(*picture, Scene().ActiveLayer());
  image->SetOffsetX(0);
  image->SetOffsetY(0);  // the picture covers (10, 20) .. (14, 24)
  image->SetMaskImage(mask.get());
  auto hits = [&](int x, int y) { return Scene().ActiveLayer()->HitTest({x, y}, IgnoreMouseBit(IM_NONE)) == image; };

  EXPECT_TRUE(hits(12, 22)) << "without CAPTUREMASK a transparent pixel hits";
  EXPECT_FALSE(hits(14, 22));
  image->SetCaptureMask(true);
  EXPECT_FALSE(hits(10, 20)) << "127 misses";
  EXPECT_TRUE(hits(11, 20)) << "128 hits";
  EXPECT_FALSE(hits(12, 22));
  // Mirrored, the picture lies at 10 − (4 − 1) = 7 .. 11, its mask read from the right.
  image->SetFlipH(true);
  EXPECT_FALSE(hits(10, 20));
  EXPECT_TRUE(hits(9, 20));
  image->SetFlipH(false);

  image->SetZoomX(512);
  image->Idle();
  EXPECT_EQ(image->GetWidth(), 8);
  EXPECT_TRUE(hits(12, 20)) << "(12 − 10) × 256 div 512 = mask column 1";
  EXPECT_FALSE(hits(11, 20));
  // WIDTH set by a script leaves ZOOMX 0: the rectangle decides.
  image->SetWidth(6);
  EXPECT_EQ(image->GetZoomX(), 0);
  EXPECT_TRUE(hits(10, 20));
  EXPECT_FALSE(hits(16, 20));

  // Turned a quarter clockwise about (10, 20): the point is turned back before the mask
  // decides, and the mask row 1 now runs leftwards from x = 9.
  image->SetZoomX(256);
  image->Idle();
  image->SetAngle(64);
  EXPECT_TRUE(hits(9, 20)) << "back onto (10, 21): 255";
  EXPECT_FALSE(hits(9, 21)) << "back onto (11, 21): 0";
  EXPECT_FALSE(hits(10, 20)) << "back onto (10, 20): 127";
  EXPECT_FALSE(hits(12, 22)) << "outside the turned picture";
  image->SetCaptureMask(false);
  EXPECT_TRUE(hits(9, 21));
  // A full turn hit-tests as none.
  image->SetAngle(256);
  EXPECT_TRUE(hits(12, 22));
  image->SetIgnoreMouse(IM_ALL);
  EXPECT_FALSE(hits(12, 22));
}

TEST_F(CustomImage, SizeFollowsZoomOrTheImageParentsScaleInSixteenSixteenSteps) {
  // The parent shows a 3 pixels wide picture at zoom 171, 2 pixels wide: 98304 steps a pixel.
  std::unique_ptr<TDIBX> parentPicture = Surface(3, 3);
  auto* parent = CreateSceneObject<TOrvaCustomImage>(Scene());
  parent->SetParent(Scene().ActiveLayer());
  parent->SetImage(parentPicture.get());
  parent->SetZoomX(171);
  parent->Idle();
  ASSERT_EQ(parent->GetWidth(), 2);
  struct Case {
    int32_t left, width;
    bool flipH;
    int32_t zoom;
    int32_t expected;
  } cases[] = {
      // a = 2 × 65536 div 98304 = 1 rem 32768 > 32767 → 2 (half the step would not round);
      // b = 3 × 65536 div 98304 = 2 rem 0 → 2.
      {2, 1, false, 171, 0},
      {1, 1, false, 171, 1},  // a = 0 rem 65536 → 1; b = 1 rem 32768 → 2
      {0, 1, false, 171, 1},  // a = 0; b = 0 rem 65536 → 1
      {0, 3, false, 171, 2},
      {0, 1, true, 171, 0},   // a from 3 − 0 − 1 = 2 → 2; b from 3 → 2
      {2, 1, true, 171, 1},   // a from 0 → 0; b from 1 → 1
      {0, 2, false, 256, 2},  // another zoom than the parent's: the plain rule
  };
  for (const Case& c : cases) {
    std::unique_ptr<TDIBX> picture = Surface(c.width, 1);
    auto* child = CreateSceneObject<TOrvaCustomImage>(Scene());
    child->SetParent(parent);
    child->SetImage(picture.get());
    child->SetZoomX(c.zoom);
    child->SetPosZoomed(true);
    child->SetLeft(c.left);
    child->SetFlipH(c.flipH);
    child->FitToParentX();
    EXPECT_EQ(child->GetWidth(), c.expected) << c.left << " " << c.width << " " << c.flipH;
    child->FreeNow();
  }

  // A parent without a width gives no scale: the plain rule, 512 × 1 div 256.
  parent->SetZoomX(1);
  parent->Idle();
  ASSERT_EQ(parent->GetWidth(), 0);
  std::unique_ptr<TDIBX> wide = Surface(512, 1);
  auto* child = CreateSceneObject<TOrvaCustomImage>(Scene());
  child->SetParent(parent);
  child->SetImage(wide.get());
  child->SetZoomX(1);
  child->SetPosZoomed(true);
  child->FitToParentX();
  EXPECT_EQ(child->GetWidth(), 2);
}

TEST_F(CustomImage, ZoomAndSizeSettersAndThePendingSize) {
  std::unique_ptr<TDIBX> picture = Surface(10, 8);
  TOrvaCustomImage* image = Shown(*picture);
  EXPECT_EQ(image->GetOrigWidth(), 10);
  image->SetZoomX(0);
  EXPECT_EQ(image->GetZoomX(), 1);
  image->SetZoomY(-5);
  EXPECT_EQ(image->GetZoomY(), 1);
  EXPECT_TRUE(image->GetImageFlag());
  image->SetZoomX(512);
  image->SetZoomY(128);
  image->Idle();
  EXPECT_FALSE(image->GetImageFlag());
  EXPECT_EQ(image->GetWidth(), 20);
  EXPECT_EQ(image->GetHeight(), 4);
  // A set width stretches: ZOOMX reads 0, and a later recomputation makes the width 0
  // until ZOOMX is set again.
  image->SetWidth(13);
  EXPECT_EQ(image->GetZoomX(), 0);
  EXPECT_EQ(image->GetWidth(), 13);
  image->SetZoomY(256);
  image->Idle();
  EXPECT_EQ(image->GetWidth(), 0);
  EXPECT_EQ(image->GetHeight(), 8);
  image->SetZoomX(256);
  image->Idle();
  EXPECT_EQ(image->GetWidth(), 10);
  // A child placed by the image's picture hears of its zoom.
  auto* child = CreateSceneObject<TOrvaCustomImage>(Scene());
  child->SetParent(image);
  child->SetPosZoomed(true);
  child->SetImageFlag(false);
  image->SetZoomX(300);
  EXPECT_TRUE(child->GetImageFlag());
  // Without a source or a picture set from outside the size is 0 × 0.
  auto* empty = CreateSceneObject<TOrvaCustomImage>(Scene());
  empty->SetParent(host);
  empty->SetBounds(0, 0, 5, 5);
  empty->FitToParentY();
  EXPECT_EQ(empty->GetWidth(), 0);
  EXPECT_EQ(empty->GetHeight(), 0);
}

TEST_F(CustomImage, TheStillImageCopiesTheFirstFrameDarkenedByBrightness) {
  AddPicture("grey.vsk", {{.Width = 4, .Height = 2, .Colour = 0x808080}, {.Width = 9, .Height = 9}});
  auto* image = CreateSceneObject<TOrvaImage>(Scene());
  image->SetParent(host);
  image->SetZoomX(512);
  image->SetSource("grey.vsk");
  EXPECT_EQ(image->GetWidth(), 8);
  EXPECT_EQ(image->GetHeight(), 2);
  EXPECT_EQ(image->GetImage()->GetPixel(3, 1), 0x808080u);
  EXPECT_EQ(GetImageCache()->Collection().Find("grey.vsk")->Users().size(), 0u) << "the item is given back";
  struct Case {
    int32_t set, stored;
    uint32_t pixel;
  } cases[] = {{-5, 0, 0x000000}, {300, 255, 0x808080}, {128, 128, 0x010101}, {0, 0, 0x000000}};
  for (const Case& c : cases) {
    image->SetBrightness(c.set);
    EXPECT_EQ(image->GetBrightness(), c.stored) << c.set;
    EXPECT_EQ(image->GetImage()->GetPixel(0, 0), c.pixel) << c.set;
  }
  // A missing file: 0 × 0, nothing drawn.
  image->SetSource("missing.vsk");
  EXPECT_EQ(image->GetWidth(), 0);
  EXPECT_EQ(image->GetHeight(), 0);
  recorder.Calls.clear();
  image->Paint();
  EXPECT_TRUE(recorder.Calls.empty());
}

TEST_F(CustomImage, AFilmFrameSetsEveryDrawingPropertyAtOnce) {
  std::unique_ptr<TDIBX> picture = Surface(6, 4), mask = Surface(6, 4, 8, 255);
  auto* image = CreateSceneObject<TOrvaImage>(Scene());
  image->ApplyFrame(host, picture.get(), mask.get(), 0x0000FF, 7, false, true, 30, 40, 1, 2, 512, 256, 3, 200,
                    {1, 2, 5, 9});
  EXPECT_EQ(image->GetParent(), host);
  EXPECT_EQ(image->GetImage(), picture.get());
  EXPECT_EQ(image->GetMaskImage(), mask.get());
  EXPECT_EQ(picture->TransparentColor, int32_t(picture->ColorToPixel(0x0000FF)));
  EXPECT_EQ(image->GetWidth(), 6) << "the size at 100 %, before the zoom came in";
  EXPECT_EQ(image->GetZoomX(), 512);
  EXPECT_TRUE(image->GetImageFlag());
  EXPECT_EQ(image->GetPriority(), 7);
  EXPECT_TRUE(image->GetFlipV());
  EXPECT_EQ(image->GetLeft(), 30);
  EXPECT_EQ(image->GetOffsetY(), 2);
  EXPECT_EQ(image->GetAngle(), 3);
  EXPECT_EQ(image->GetAlpha(), 200);
  EXPECT_EQ(image->GetClipRect(), (TRect{image->GetScreenLeft() + 1, image->GetScreenTop() + 2,
                                         image->GetScreenLeft() + 5, image->GetScreenTop() + 9}));
  picture->TransparentColor = -1;
  image->ApplyFrame(nullptr, picture.get(), nullptr, -1, 7, false, true, 30, 40, 1, 2, 512, 256, 3, 200, {});
  EXPECT_EQ(picture->TransparentColor, -1);
  EXPECT_EQ(image->GetParent(), host) << "no parent given keeps the parent";
}

TEST_F(CustomImage, TheStoredFormKeepsTheDrawingFieldsAndReadsZoomYFrom104) {
  auto* image = CreateSceneObject<TOrvaCustomImage>(Scene());
  image->SetAlpha(300);
  image->SetZoomX(77);
  image->SetZoomY(99);
  image->SetAngle(-3);
  image->SetFlipV(true);
  image->SetCaptureMask(true);
  TMemoryStream stream;
  image->SaveToStream(stream);
  stream.SetPosition(0);
  auto* copy = CreateSceneObject<TOrvaCustomImage>(Scene());
  copy->LoadFromStream(stream, GameSaveVersion);
  EXPECT_EQ(stream.Remaining(), 0);
  EXPECT_EQ(copy->GetAlpha(), 300);
  EXPECT_EQ(copy->GetZoomX(), 77);
  EXPECT_EQ(copy->GetZoomY(), 99);
  EXPECT_EQ(copy->GetAngle(), -3);
  EXPECT_FALSE(copy->GetFlipH());
  EXPECT_TRUE(copy->GetFlipV());
  EXPECT_TRUE(copy->GetCaptureMask());
  EXPECT_FALSE(copy->GetImageFlag()) << "no setters on load";

  // Before 104 there is no ZOOMY; a zoom of 0 is kept as it was stored.
  kit::SceneBuilder old(103);
  old.Control(kit::ControlRecord{});
  for (int32_t v : {200, 0, 5}) old.Int(v);
  for (int i = 0; i < 3; ++i) WriteStreamBool(old.Stream(), i == 0);
  old.Stream().SetPosition(0);
  auto* early = CreateSceneObject<TOrvaCustomImage>(Scene());
  early->LoadFromStream(old.Stream(), 103);
  EXPECT_EQ(old.Stream().Remaining(), 0);
  EXPECT_EQ(early->GetAlpha(), 200);
  EXPECT_EQ(early->GetZoomX(), 0);
  EXPECT_EQ(early->GetZoomY(), 256);
  EXPECT_TRUE(early->GetFlipH());
}

// Pixels of pictures painted into the scene's own surfaces at the screen depths.
class ImagePixels : public ImageFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ImagePixels, KeyedTurnedAndStretchedPicturesOnTheLayer) {
  UseDepth(GetParam());
  // 2 × 2: red, key; green, blue. Keyed pixels show the layer's colour.
  const std::vector<std::vector<uint32_t>> rows = {{0xFF0000, 0x000001}, {0x00FF00, 0x0000FF}};
  AddPicture("keyed.vsk", {{.Width = 2, .Height = 2, .Key = 0x000001, .Rows = rows}});
  AddPicture("plain.vsk", {{.Width = 2, .Height = 2, .Rows = rows}});
  Scene().ActiveLayer()->SetColor(0x404040);
  TOrvaImages* image = Image("pic", "keyed.vsk");
  image->SetLeft(10);
  image->SetTop(20);
  Repaint();
  TCustomDIBX& screen = BackBuffer();
  auto rgb = [&](uint32_t c) { return screen.ColorToPixel(int32_t((c & 0xFF) << 16 | (c & 0xFF00) | c >> 16)); };
  EXPECT_EQ(Pixel(10, 20), rgb(0xFF0000));
  EXPECT_EQ(Pixel(11, 20), rgb(0x404040)) << "keyed";
  EXPECT_EQ(Pixel(10, 21), rgb(0x00FF00));
  EXPECT_EQ(Pixel(11, 21), rgb(0x0000FF));

  // A quarter turn clockwise about the top left: the first column becomes the top row,
  // running leftwards from x = 10.
  image->SetSource("plain.vsk");
  image->SetAngle(64);
  Repaint();
  EXPECT_EQ(Pixel(10, 20), rgb(0xFF0000));
  EXPECT_EQ(Pixel(9, 20), rgb(0x00FF00));
  EXPECT_EQ(Pixel(9, 21), rgb(0x0000FF));
  EXPECT_EQ(Pixel(10, 21), rgb(0x000001));
  EXPECT_EQ(Pixel(11, 20), rgb(0x404040));

  // Twice as wide: each column drawn twice.
  image->SetAngle(0);
  image->SetZoomX(512);
  image->Idle();
  Repaint();
  EXPECT_EQ(Pixel(11, 21), rgb(0x00FF00));
  EXPECT_EQ(Pixel(12, 21), rgb(0x0000FF));
  EXPECT_EQ(Pixel(13, 21), rgb(0x0000FF));
  EXPECT_EQ(Pixel(14, 21), rgb(0x404040));

  // Surfaces released and made again at the screen depth draw the same.
  Scene().ReleaseSurfaces();
  GetImageCache()->ReleaseSurfaces();
  GetImageCache()->RecreateSurfaces();
  Scene().RecreateSurfaces();
  Repaint();
  EXPECT_EQ(Pixel(12, 21), rgb(0x0000FF));
  EXPECT_EQ(image->GetImage()->GetBitCount(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Depths, ImagePixels, ::testing::Values(16, 32));

}  // namespace
}  // namespace orva

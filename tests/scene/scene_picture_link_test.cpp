// The scene's side of screen captures and the wallpaper: a layer's picture painted and copied
// into a 24-bit picture at the screen's size or resampled, and the shown picture as a BMP.
#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "core/stream.h"
#include "graphics/dib_surface.h"
#include "graphics/dibx.h"
#include "graphics/vask_frame_list.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/image_cache.h"
#include "scene/scene_picture_link.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

constexpr int32_t kRed = 0x0000FF, kBlue = 0xFF0000;  // 0x00BBGGRR

class ScenePictures : public scene_test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    Box("shown", {10, 20, 30, 40}, nullptr, kRed);
    Box("other", {100, 100, 20, 20}, &Layer(1), kBlue);
  }
  // 0xRRGGBB of a 24-bit picture.
  static uint32_t At(TDIBSurface& picture, int x, int y) { return picture.GetPixel(x, y); }
};

TEST_F(ScenePictures, LayersCapturedAtTheScreenSizeOrResampled) {
  TScenePictureLink link(Scene());
  EXPECT_EQ(link.ScreenWidth(), 640);
  EXPECT_EQ(link.ScreenHeight(), 480);

  TDIBSurface picture;
  CaptureLayer(Scene(), false, 640, 480, picture);
  ASSERT_EQ(picture.GetWidth(), 640);
  ASSERT_EQ(picture.GetHeight(), 480);
  EXPECT_EQ(picture.GetBitCount(), 24);
  EXPECT_EQ(At(picture, 10, 20), 0xFF0000u);
  EXPECT_EQ(At(picture, 39, 59), 0xFF0000u);
  EXPECT_EQ(At(picture, 40, 60), 0u);
  EXPECT_EQ(At(picture, 105, 105), 0u);

  CaptureLayer(Scene(), true, 640, 480, picture);
  EXPECT_EQ(At(picture, 105, 105), 0x0000FFu);
  EXPECT_EQ(At(picture, 15, 25), 0u);

  // Half the width: the box now spans x 5..20.
  CaptureLayer(Scene(), false, 320, 480, picture);
  ASSERT_EQ(picture.GetWidth(), 320);
  ASSERT_EQ(picture.GetHeight(), 480);
  EXPECT_EQ(At(picture, 12, 40), 0xFF0000u);
  EXPECT_EQ(At(picture, 30, 40), 0u);
}

// What the layer's picture does not cover stays black.
TEST_F(ScenePictures, ASmallerPictureLeavesTheRestBlack) {
  TDIBX small;
  small.SetSize(2, 1, 16);
  small.SetPixel(0, 0, small.ColorToPixel(kRed));
  small.SetPixel(1, 0, small.ColorToPixel(0x808080));
  TDIBSurface picture;
  picture.SetSize(3, 2, 24);
  picture.FillRect(picture.GetBounds(), 0);
  CopyPictureTo24(small, picture);
  // Five and six bits widened by repeating their high bits.
  EXPECT_EQ(At(picture, 0, 0), 0xFF0000u);
  EXPECT_EQ(At(picture, 1, 0), 0x848284u);
  EXPECT_EQ(At(picture, 2, 0), 0u);
  EXPECT_EQ(At(picture, 0, 1), 0u);
}

TEST_F(ScenePictures, TheShownPictureAsABmpFile) {
  orva::testing::TempDir dir;
  Scene().Paint();
  TScenePictureLink link(Scene());
  link.WriteScreenBmp(dir.Os("wall.bmp"));
  TDIB read;
  read.LoadFromFile(dir.Os("wall.bmp"));
  ASSERT_EQ(read.GetWidth(), 640);
  ASSERT_EQ(read.GetHeight(), 480);
  EXPECT_EQ(read.BitCount(), 24);
  EXPECT_EQ(read.GetPixel(10, 20), 0xFF0000u);
  EXPECT_EQ(read.GetPixel(0, 0), 0u);
}

// A capture reads back as a layered image of one 24-bit frame, in either data mode.
TEST_F(ScenePictures, CapturesReadBackAsLayeredImages) {
  TScenePictureLink link(Scene());
  for (int mode : {TPictureLink::ModeZlib, TPictureLink::ModeRaw}) {
    TMemoryStream bytes;
    link.WriteCapture(bytes, false, 640, 480, mode);
    bytes.SetPosition(0);
    TVaskFrameList frames;
    frames.LoadFromStream(bytes, false);
    ASSERT_EQ(frames.Count(), 1) << mode;
    TVaskFrame& frame = frames.GetFrame(0);
    EXPECT_EQ(frame.Surface.GetWidth(), 640);
    EXPECT_EQ(frame.Surface.GetHeight(), 480);
    EXPECT_EQ(frame.TransparentValue, -1);
    EXPECT_EQ(frame.Surface.GetPixel(10, 20), 0xFF0000u) << mode;
    EXPECT_EQ(frame.Surface.GetPixel(40, 60), 0u) << mode;
  }
}

// Pictures are held in the cache of the scene globals and given back with the hold.
TEST_F(ScenePictures, PicturesAreHeldInTheCache) {
  kit::VaskFile file;
  file.Frames = {kit::VaskFrame::Of(2, 1, 24, {{0x102030, 0x405060}})};
  kit::GameFiles files;
  files.Add("wall.vsk", kit::MakeVask(file));
  ASSERT_NE(GetImageCache(), nullptr);
  TVaskCollection& cache = GetImageCache()->Collection();
  TScenePictureLink link(Scene());
  orva::testing::TempDir dir;
  {
    const std::unique_ptr<TPictureHold> hold = link.AcquirePicture("wall.vsk");
    EXPECT_EQ(hold->FrameCount(), 1);
    EXPECT_EQ(cache.ReleasedCount(), 0);
    hold->SaveFirstFrame(dir.Os("wall.bmp"));
  }
  EXPECT_EQ(cache.ReleasedCount(), 1);
  TDIB read;
  read.LoadFromFile(dir.Os("wall.bmp"));
  EXPECT_EQ(read.GetWidth(), 2);
  EXPECT_EQ(read.GetPixel(1, 0), 0x405060u);
  link.RemoveCachedPicture("wall.vsk");
  EXPECT_EQ(cache.Count(), 0);
}

}  // namespace
}  // namespace orva

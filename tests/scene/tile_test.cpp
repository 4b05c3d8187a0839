// Tiles: the drawing operation chosen by distances, zoom, key, mask and ALPHA; the grid over
// the picture's drawing rectangles with its scroll and flips; real pixels at 16 and 32 bits;
// placement, the size rule, the frame step, the stored form and a film frame.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "image_test_kit.h"
#include "kit/film_doubles.h"
#include "kit/interpreter_doubles.h"
#include "scene/tile.h"
#include "script/save_file.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
using scene_test::PictureFrame;
using scene_test::RecordingSurface;

class Tile : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    FrameDelta = 16;
    recorder.SetSize(640, 480, 32);
    host = CreateSceneObject<scene_test::TargetHost>(Scene());
    host->SetParent(Scene().ActiveLayer());
    host->SetBounds(0, 0, 640, 480);
    host->Target = &recorder;
  }
  TOrvaTile* MakeTile(const std::string& source, TOrvaControl* parent = nullptr) {
    auto* tile = CreateSceneObject<TOrvaTile>(Scene());
    tile->SetParent(parent ? parent : Scene().ActiveLayer());
    tile->SetSource(source);
    return tile;
  }
  // The calls of one paint of the tile onto the recorder.
  std::vector<std::string> Drawn(TOrvaTile& tile) {
    recorder.Calls.clear();
    tile.DrawPicture();
    return recorder.Calls;
  }

  kit::FrameScope frameScope;
  RecordingSurface recorder;
  scene_test::TargetHost* host = nullptr;
};

TEST_F(Tile, DistancesZoomKeyMaskAndAlphaChooseTheOperation) {
  AddPicture("plain.vsk", {{.Width = 64, .Height = 64}});
  // A keyed picture without a mask, as a film hands it over.
  TDIBX keyed;
  keyed.SetSize(64, 64, 32);
  keyed.TransparentColor = 0;
  TDIBX mask;
  mask.SetSize(64, 64, 8);
  struct Case {
    const char* source;
    int32_t dx, dy, zoom, alpha;
    bool masked;
    const char* call;
  } cases[] = {
      // Under half the picture a distance is ignored: edge to edge.
      {"plain.vsk", 31, 0, 256, 255, false, "FillPattern [0,0,200,100] from 3,-4"},
      {"plain.vsk", 32, 0, 256, 255, false, "StretchDrawTile [0,0,200,100] cell 32,64 zoom 256,256 from 3,-4 a255"},
      {"plain.vsk", 100, 0, 256, 255, false,
       "StretchDrawTile [0,0,200,100] cell 100,64 zoom 256,256 from 3,-4 a255"},
      {"plain.vsk", 0, 40, 256, 255, false, "StretchDrawTile [0,0,200,100] cell 64,40 zoom 256,256 from 3,-4 a255"},
      {"plain.vsk", 0, 31, 256, 255, false, "FillPattern [0,0,200,100] from 3,-4"},
      {"plain.vsk", 100, 0, 512, 300, true,
       "StretchDrawTileMask [0,0,200,100] cell 100,64 zoom 512,512 from 3,-4 a300"},
      // Edge to edge: only a plain 1:1 opaque picture is a pattern fill.
      {"keyed.vsk", 0, 0, 256, 255, false, "StretchDrawEx [0,0,200,100] zoom 256,256 from 3,-4 a255 key"},
      {"plain.vsk", 0, 0, 256, 254, false, "StretchDrawEx [0,0,200,100] zoom 256,256 from 3,-4 a254"},
      {"plain.vsk", 0, 0, 128, 255, false, "StretchDrawEx [0,0,200,100] zoom 128,128 from 3,-4 a255"},
      {"plain.vsk", 0, 0, 256, 400, false, "StretchDrawEx [0,0,200,100] zoom 256,256 from 3,-4 a400"},
      {"plain.vsk", 0, 0, 256, 255, true, "StretchDrawMaskEx [0,0,200,100] zoom 256,256 from 3,-4 a255"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    TOrvaTile* tile = MakeTile("plain.vsk", host);
    tile->SetBounds(0, 0, 200, 100);
    tile->SetScrollX(3);
    tile->SetScrollY(-4);
    tile->SetDistanceX(c.dx);
    tile->SetDistanceY(c.dy);
    tile->SetZoomX(c.zoom);
    tile->SetZoomY(c.zoom);
    tile->SetAlpha(c.alpha);
    if (c.masked) tile->SetMaskImage(&mask);
    if (std::string(c.source) == "keyed.vsk") tile->SetImage(&keyed);
    EXPECT_EQ(Drawn(*tile), std::vector<std::string>{c.call});
    tile->FreeNow();
  }
}

TEST_F(Tile, NothingIsDrawnWithoutPictureSizeZoomOrAlpha) {
  AddPicture("plain.vsk", {{.Width = 8, .Height = 8}});
  TOrvaTile* tile = MakeTile("plain.vsk", host);
  tile->SetBounds(0, 0, 50, 50);
  ASSERT_EQ(Drawn(*tile).size(), 1u);
  tile->SetAlpha(0);
  EXPECT_TRUE(Drawn(*tile).empty());
  tile->SetAlpha(255);
  tile->SetWidth(0);
  EXPECT_TRUE(Drawn(*tile).empty());
  tile->SetWidth(50);
  tile->SetSource("missing.txt");
  EXPECT_EQ(tile->GetImage()->GetWidth(), 0) << "another source drops the picture";
  EXPECT_TRUE(Drawn(*tile).empty());
}

TEST_F(Tile, TheGridOverDrawingRectanglesStartsOneScrollLeftAndMirrorsUnderFlips) {
  // A 64 × 64 picture drawn only in its left strip 16 wide; cells 64 wide on a tile 200 wide.
  AddPicture("strip.vsk", {{.Width = 64, .Height = 64, .Rects = {{0, 0, 16, 64}}}});
  struct Case {
    int32_t scrollX;
    bool flipH;
    std::vector<std::string> calls;
  } cases[] = {
      {10, false, {"Draw -10,0", "Draw 54,0", "Draw 118,0", "Draw 182,0"}},
      // A negative multiple of the cell moves the first column a whole cell left, which
      // draws nothing inside the tile and is skipped.
      {-64, false, {"Draw 0,0", "Draw 64,0", "Draw 128,0", "Draw 192,0"}},
      {-10, false, {"Draw 10,0", "Draw 74,0", "Draw 138,0"}},
      // Mirrored, the left strip lands at W − R.Right = 48 from each cell's left.
      {0, true, {"Draw 48,0 H", "Draw 112,0 H", "Draw 176,0 H"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scrollX);
    TOrvaTile* tile = MakeTile("strip.vsk", host);
    tile->SetBounds(0, 0, 200, 64);
    tile->SetDistanceX(64);
    tile->SetScrollX(c.scrollX);
    tile->SetFlipH(c.flipH);
    EXPECT_EQ(Drawn(*tile), c.calls);
    for (const TRect& clip : recorder.Clips) EXPECT_EQ(clip, (TRect{0, 0, 200, 64})) << "the tile's rectangle";
    EXPECT_EQ(recorder.GetClipRect(), recorder.GetBoundsRect()) << "the clip is given back";
    tile->FreeNow();
  }
  // With SCROLLX −64 the first column really begins a whole cell to the left.
  TOrvaTile* tile = MakeTile("strip.vsk", host);
  tile->SetBounds(100, 0, 200, 64);
  tile->SetDistanceX(64);
  tile->SetScrollX(-64);
  recorder.SetClipRect({0, 0, 640, 480});
  EXPECT_EQ(Drawn(*tile).front(), "Draw 100,0") << "36 .. 52 lies outside the tile and is not blitted";
}

TEST_F(Tile, PixelsOfAPatternAndOfAGridAtSixteenAndThirtyTwoBits) {
  for (int bits : {16, 32}) {
    SCOPED_TRACE(bits);
    UseDepth(bits);
    const uint32_t a = 0xFF0000, b = 0x00FF00, c = 0x0000FF, d = 0xFFFFFF;
    // A name per depth: the cache keeps a released picture at the depth it was read at.
    const std::string name = "quad" + std::to_string(bits) + ".vsk";
    AddPicture(name, {{.Width = 2, .Height = 2, .Rows = {{a, b}, {c, d}}}});
    TOrvaTile* tile = MakeTile(name);
    tile->SetBounds(10, 10, 5, 3);
    tile->SetScrollX(1);
    Repaint();
    const auto px = [&](uint32_t rgb) {
      // 0x00RRGGBB to the screen's pixel.
      return BackBuffer().ColorToPixel(int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16));
    };
    // Shifted one pixel: the row starts with the second column.
    EXPECT_EQ(Pixel(10, 10), px(b));
    EXPECT_EQ(Pixel(11, 10), px(a));
    EXPECT_EQ(Pixel(12, 10), px(b));
    EXPECT_EQ(Pixel(11, 11), px(c));
    EXPECT_EQ(Pixel(14, 12), px(b));
    EXPECT_EQ(Pixel(15, 10), 0u) << "nothing beyond the tile";
    // A grid of cells 3 wide leaves a gap column after every copy.
    tile->SetScrollX(0);
    tile->SetDistanceX(3);
    Repaint();
    EXPECT_EQ(Pixel(10, 10), px(a));
    EXPECT_EQ(Pixel(11, 10), px(b));
    EXPECT_EQ(Pixel(12, 10), 0u);
    EXPECT_EQ(Pixel(13, 10), px(a));
    EXPECT_EQ(Pixel(10, 12), px(a)) << "cells keep the picture's height";
    EXPECT_EQ(Pixel(11, 11), px(d));
    tile->FreeNow();
    Repaint();
  }
}

TEST_F(Tile, PositionIgnoresOffsetsPlusesAndZoomedPlacement) {
  AddPicture("plain.vsk", {{.Width = 8, .Height = 8}});
  auto* parent = MakeTile("plain.vsk");
  parent->SetBounds(100, 50, 300, 300);
  parent->SetScrollX(7);
  parent->SetScrollY(3);
  TOrvaTile* tile = MakeTile("plain.vsk", parent);
  tile->SetBounds(20, 30, 40, 40);
  tile->SetOffsetX(5);
  tile->SetOffsetY(5);
  tile->SetPlusX(9);
  tile->SetPlusY(9);
  tile->SetPosZoomed(true);
  tile->SetZoomX(512);
  EXPECT_EQ(tile->GetScreenRect(), (TRect{113, 77, 153, 117}));
  EXPECT_EQ(tile->GetOriginX(), 20);
  EXPECT_EQ(tile->GetOriginY(), 30);
  EXPECT_EQ(tile->GetWidth(), 40) << "a zoom leaves the script's size";
  tile->SetWidth(90);
  EXPECT_EQ(tile->GetZoomX(), 512) << "a tile is not auto-sized";
  EXPECT_TRUE(tile->GetRepeat());
  tile->SetRepeat(false);
  EXPECT_TRUE(tile->GetRepeat());
  tile->SetAutoScrap(true);
  tile->SetOnPlayEnd("end.osb");
  EXPECT_FALSE(tile->GetAutoScrap());
  EXPECT_EQ(tile->GetOnPlayEnd(), "");
}

TEST_F(Tile, OneFrameIsNeverInvalidatedSeveralLoopForever) {
  AddPicture("one.vsk", {{.Width = 8, .Height = 8, .Delay = 20}});
  AddPicture("two.vsk", {{.Width = 8, .Height = 8, .Delay = 20}, {.Width = 8, .Height = 8, .Delay = 20}});
  TOrvaTile* one = MakeTile("one.vsk");
  one->SetBounds(0, 0, 30, 30);
  TOrvaTile* two = MakeTile("two.vsk");
  two->SetBounds(100, 0, 30, 30);
  ClearDirty();
  std::vector<int32_t> indices;
  for (int i = 0; i < 12; ++i) {
    Scene().Idle();
    indices.push_back(two->GetIndex());
    for (const TRect& r : Dirty(0)) EXPECT_GE(r.Left, 100) << "the single frame stays clean";
  }
  EXPECT_EQ(indices, (std::vector<int32_t>{0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0}));
  EXPECT_EQ(one->GetIndex(), 0);
}

TEST_F(Tile, ALoadShowsFrameZeroAndKeepsTheFields) {
  AddPicture("two.vsk", {{.Width = 8, .Height = 8, .Delay = 20}, {.Width = 8, .Height = 8, .Delay = 20}});
  TOrvaTile* tile = MakeTile("two.vsk");
  tile->SetName("floor");
  tile->SetBounds(5, 6, 70, 80);
  tile->SetScrollX(-3);
  tile->SetScrollY(4);
  tile->SetDistanceX(11);
  tile->SetDistanceY(12);
  tile->SetOnIdle("idle.osb");
  tile->SetIndex(1);
  host->FreeNow();
  TMemoryStream saved;
  Scene().SaveToStream(saved);
  saved.SetPosition(0);
  Scene().LoadFromStream(saved, GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaTile*>(Scene().FindObject("floor"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetIndex(), 0);
  EXPECT_EQ(loaded->GetImage(), loaded->GetFrameList()->GetItem(0)->GetDIB());
  EXPECT_EQ(loaded->GetSource(), "two.vsk");
  EXPECT_EQ(loaded->GetScrollX(), -3);
  EXPECT_EQ(loaded->GetScrollY(), 4);
  EXPECT_EQ(loaded->GetDistanceX(), 11);
  EXPECT_EQ(loaded->GetDistanceY(), 12);
  EXPECT_EQ(loaded->GetOnIdle(), "idle.osb");
  EXPECT_EQ(loaded->GetScreenRect(), (TRect{5, 6, 75, 86}));
}

TEST_F(Tile, AFilmSourcePlaysAsMotionAndAFilmFrameSetsEverything) {
  kit::TestFilms films;
  TOrvaTile* tile = MakeTile("scroll.omt");
  ASSERT_NE(tile->GetMotion(), nullptr);
  EXPECT_EQ(films.Last->Loaded, "scroll.omt");
  EXPECT_EQ(tile->GetCount(), 60);

  TOrvaTile* track = MakeTile("");
  TDIBX picture, mask;
  picture.SetSize(16, 16, 32);
  mask.SetSize(16, 16, 8);
  track->ApplyTileFrame(host, &picture, &mask, 0x0000FF, 7, 20, 21, true, false, 30, 40, 300, 200, 2, 3, 128, 512, 100,
                        -5, 6, {1, 2, 11, 22});
  EXPECT_EQ(track->GetParent(), host);
  EXPECT_EQ(track->GetImage(), &picture);
  EXPECT_EQ(track->GetMaskImage(), &mask);
  EXPECT_EQ(picture.TransparentColor, int32_t(picture.ColorToPixel(0x0000FF)));
  EXPECT_EQ(track->GetWidth(), 300) << "the size stays what the film set, whatever the zoom";
  EXPECT_EQ(track->GetHeight(), 200);
  EXPECT_EQ(track->GetZoomX(), 128);
  EXPECT_EQ(track->GetZoomY(), 512);
  EXPECT_EQ(track->GetPriority(), 7);
  EXPECT_EQ(track->GetDistanceX(), 20);
  EXPECT_EQ(track->GetDistanceY(), 21);
  EXPECT_TRUE(track->GetFlipH());
  EXPECT_EQ(track->GetOffsetX(), 2);
  EXPECT_EQ(track->GetLeft(), 30);
  EXPECT_EQ(track->GetTop(), 40);
  EXPECT_EQ(track->GetAlpha(), 100);
  EXPECT_EQ(track->GetScrollX(), -5);
  EXPECT_EQ(track->GetScrollY(), 6);
  EXPECT_EQ(track->GetClipRect(), (TRect{31, 42, 41, 62}));
  track->SetImage(nullptr);
  track->SetMaskImage(nullptr);
}

}  // namespace
}  // namespace orva

// Image, tile and label tracks: the object each makes for its span and frees after it, on its
// page or under its host, the values it works out (angle, alpha, zoom, clip, frames, the
// tiled rectangle) and the order in which it writes them, on its own object and on a driven
// control.
#include "film/picture_tracks.h"

#include <gtest/gtest.h>

#include <limits>

#include "film_test_kit.h"
#include "scene/custom_image.h"
#include "scene/tile.h"

namespace orva {
namespace {

using namespace film_test;
using kit::FilmBuilder;

class PictureTracksTest : public FilmFixture {
 protected:
  void SetUp() override {
    FilmFixture::SetUp();
    AddPicture("films\\p.vsk", {{.Width = 4, .Height = 2, .Colour = 0x102030, .Delay = 50}});
  }
  TOrvaBaseList pages;
};

// The calls that begin with one of the prefixes.
std::vector<std::string> Only(const std::vector<std::string>& calls, std::initializer_list<std::string_view> prefixes) {
  std::vector<std::string> kept;
  for (const std::string& call : calls)
    for (std::string_view prefix : prefixes)
      if (call.starts_with(prefix)) {
        kept.push_back(call);
        break;
      }
  return kept;
}

TEST_F(PictureTracksTest, AnImageTrackShowsAnImageOnlyInItsSpan) {
  const auto film = InPages(
      FilmBuilder().Size(64, 48).Add(kit::ImageTrack{.Common = {.Length = 3, .Start = 2, .Priority = 7, .FlipV = true},
                                                     .Picture = {.BasePos = {1, 1}, .StartPos = {10, 20}},
                                                     .FileName = "p.vsk"}),
      pages);
  film->SetTime(1);
  EXPECT_EQ(pages.GetItemCount(), 0);
  film->SetTime(2);
  auto* image = dynamic_cast<TOrvaImage*>(film->GetTrack(0)->GetObject());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetOwner(), &pages);
  EXPECT_EQ(image->GetName(),
            "\x01"
            "0");
  EXPECT_EQ(image->GetParent(), pages.GetLayer(0));
  EXPECT_EQ(image->GetLeft(), 10);
  EXPECT_EQ(image->GetTop(), 20);
  EXPECT_EQ(image->GetOffsetX(), 1);
  EXPECT_EQ(image->GetPriority(), 7);
  EXPECT_TRUE(image->GetFlipV());
  EXPECT_TRUE(image->GetCaptureMask());
  ASSERT_NE(image->GetImage(), nullptr);
  EXPECT_EQ(image->GetImage()->GetWidth(), 4);
  film->SetTime(4);
  EXPECT_EQ(film->GetTrack(0)->GetObject(), image) << "one object for the whole span";
  film->SetTime(5);
  EXPECT_EQ(film->GetTrack(0)->GetObject(), nullptr);
  EXPECT_TRUE(image->IsQueuedForFree());
  EXPECT_TRUE(image->GetImage()->IsEmpty()) << "the picture is taken";
  pages.Idle();
  EXPECT_EQ(pages.GetItemCount(), 0);
  // An object freed by someone else is made again at the next tick inside.
  film->SetTime(3);
  film->GetTrack(0)->GetObject()->ScheduleFree();
  film->SetTime(3);
  EXPECT_NE(film->GetTrack(0)->GetObject(), nullptr);
  pages.Idle();
  EXPECT_EQ(pages.GetItemCount(), 1);
  // A film that goes frees what it made.
  TOrvaObject* last = film->GetTrack(0)->GetObject();
  const_cast<std::unique_ptr<TFilm>&>(film).reset();
  EXPECT_TRUE(last->IsQueuedForFree());
}

TEST_F(PictureTracksTest, AHostedImageIsTheHostsChildAndNamedAfterIt) {
  kit::ProbeControl* host = Probe("cine");
  const auto film = Hosted(FilmBuilder().Add(kit::ImageTrack{.Common = {.Length = 5}, .FileName = "p.vsk"}), *host);
  film->SetTime(0);
  TOrvaObject* image = film->GetTrack(0)->GetObject();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetOwner(), &Scene());
  EXPECT_EQ(image->GetParent(), host);
  EXPECT_EQ(image->GetName(),
            "\x01"
            "cine\x01"
            "0");
}

// Driven controls show what the track works out: angles in 1/256 turns, alpha with 0 as 255
// and negative values as the second mode, zooms in 1/256 truncated, clips from 1 pixel up.
TEST_F(PictureTracksTest, TheValuesOfAPictureAtEachPosition) {
  struct Case {
    const char* what;
    kit::PictureRecord picture;
    int32_t version;
    std::vector<std::vector<std::string>> at;  // per position 0..2: the calls of interest
  };
  const Case cases[] = {
      {"no turn",
       {},
       108,
       {{"SetAngle 0", "SetAlpha 255"}, {"SetAngle 0", "SetAlpha 255"}, {"SetAngle 0", "SetAlpha 255"}}},
      {"a quarter turn back", {.StartAngle = -90}, 108, {{"SetAngle 192"}, {"SetAngle 213"}, {"SetAngle 0"}}},
      {"a full turn", {.EndAngle = 360}, 108, {{"SetAngle 0"}, {"SetAngle 85"}, {"SetAngle 0"}}},
      {"a fade to 128", {.EndAlpha = 128}, 108, {{"SetAlpha 255"}, {"SetAlpha 192"}, {"SetAlpha 128"}}},
      {"the second mode throughout",
       {.StartAlpha = -255, .EndAlpha = -255},
       108,
       {{"SetAlpha 511"}, {}, {"SetAlpha 511"}}},
      {"across zero", {.StartAlpha = 10, .EndAlpha = -20}, 108, {{"SetAlpha 10"}, {"SetAlpha 261"}, {"SetAlpha 276"}}},
      {"zooms truncated",
       {.StartZoomX = 1.5, .EndZoomX = 0.999, .StartZoomY = 0.5, .EndZoomY = 0.5},
       108,
       {{"SetZoomX 384", "SetZoomY 128"}, {}, {"SetZoomX 255", "SetZoomY 128"}}},
      {"zooms beyond 32 bits saturate, not a number is 0",
       {.StartZoomX = 1e300, .EndZoomX = std::numeric_limits<double>::quiet_NaN(), .StartZoomY = -1e300,
        .EndZoomY = 1e300},
       108,
       {{"SetZoomX 2147483647", "SetZoomY -2147483648"}, {}, {"SetZoomX 0", "SetZoomY 2147483647"}}},
      {"zoom Y is zoom X before 105",
       {.StartZoomX = 1.5, .EndZoomX = 0.999, .StartZoomY = 0.5, .EndZoomY = 0.5},
       104,
       {{"SetZoomX 384", "SetZoomY 384"}, {}, {}}},
      {"a clip of no width clips nothing",
       {.Clip = {.StartPos = {3, 3}, .StartSize = {0, 100}, .EndPos = {3, 3}, .EndSize = {0, 100}}},
       108,
       {{"SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"}, {}, {}}},
      {"a clip",
       {.Clip = {.StartPos = {10, 20}, .StartSize = {30, 40}, .EndPos = {20, 20}, .EndSize = {50, 40}}},
       108,
       {{"SetClipLeft 10", "SetClipTop 20", "SetClipWidth 30", "SetClipHeight 40"},
        {"SetClipLeft 15", "SetClipTop 20", "SetClipWidth 40", "SetClipHeight 40"},
        {}}},
  };
  for (const Case& c : cases) {
    kit::ProbeControl* target = Probe();
    const auto film = OnControl(
        FilmBuilder(c.version).Add(kit::ImageTrack{.Common = {.Length = 3}, .Picture = c.picture, .FileName = "p.vsk"}),
        *target);
    for (int32_t position = 0; position < 3; ++position) {
      const std::vector<std::string> calls = CallsAt(*film, position, "target");
      for (const std::string& expected : c.at[size_t(position)])
        EXPECT_NE(std::find(calls.begin(), calls.end(), expected), calls.end())
            << c.what << " at " << position << ": " << expected;
    }
  }
}

TEST_F(PictureTracksTest, AnImageTrackDrivesAControlInOrder) {
  // Relative positions: the film's origin (100, 100) stands for the control's (10, 20).
  kit::ProbeControl* target = Probe();
  const auto film = OnControl(FilmBuilder()
                                  .Relative(true)
                                  .Origin({100, 100})
                                  .Add(kit::ImageTrack{.Common = {.Length = 3, .Priority = 4, .FlipH = true},
                                                       .Picture = {.BasePos = {2, 1},
                                                                   .StartPos = {100, 100},
                                                                   .EndPos = {150, 90},
                                                                   .StartZoomX = 1.5,
                                                                   .EndZoomX = 1.5,
                                                                   .EndAlpha = 100},
                                                       .FileName = "p.vsk"}),
                              *target, {10, 20}, 50);
  EXPECT_EQ(CallsAt(*film, 2, "target"),
            (std::vector<std::string>{
                "SetImage 4x2",  "SetMaskImage none", "SetWidth 6",     "SetHeight 2",     "SetPriorityOffset 4",
                "SetFlipH 1",    "SetFlipV 0",        "SetMotionX 60",  "SetMotionY 10",   "SetOffsetX 2",
                "SetOffsetY 1",  "SetZoomX 384",      "SetZoomY 256",   "SetAngle 0",      "SetAlpha 100",
                "SetClipLeft 0", "SetClipTop 0",      "SetClipWidth 0", "SetClipHeight 0", "SetCaptureMask 1"}));
  EXPECT_EQ(Scene().GetItemCount(), 1) << "a film on a control makes no objects";
  film->SetTime(3);
  EXPECT_EQ(target->IsQueuedForFree(), false) << "nor hides any";
}

TEST_F(PictureTracksTest, APictureWithoutFramesMakesAnImageThatShowsNothing) {
  AddPicture("films\\none.vsk", {});
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::ImageTrack{.Common = {.Length = 4}, .FileName = "none.vsk"})
                                .Add(kit::ImageTrack{.Common = {.Length = 0}, .FileName = "..\\lacking.vsk"}),
                            pages);
  EXPECT_EQ(film->GetTrack(0)->Frames.size(), 0u);
  EXPECT_EQ(film->GetTrack(0)->Length, 4) << "the file's length stays";
  film->SetTime(1);
  TOrvaObject* image = film->GetTrack(0)->GetObject();
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->GetImage()->IsEmpty());
  EXPECT_EQ(image->GetParent(), nullptr) << "nothing applied, not even the page";
  // A name the game lacks gives the cache's placeholder frame; a length of 0 stays 0.
  EXPECT_EQ(film->GetTrack(1)->Frames.size(), 1u);
  EXPECT_EQ(film->GetTrack(1)->Length, 0);
}

TEST_F(PictureTracksTest, ATileTrackHandsItsFrameToTheTileInOrder) {
  const auto film =
      InPages(FilmBuilder().Size(64, 48).Add(kit::TileTrack{
                  .Common = {.Length = 11, .Priority = 2},
                  .Picture = {.BasePos = {1, 0}, .StartPos = {0, 0}, .EndPos = {100, 10}, .EndAlpha = 200},
                  .FileName = "p.vsk",
                  .EndWidth = 200,
                  .EndHeight = 30,
                  .EndScrollX = 20,
                  .DistanceX = 5}),
              pages);
  // Sizes 0 in the file are the picture's: 4 x 2 at the start.
  const auto& tile = dynamic_cast<const TTileFrameList&>(*film->GetTrack(0));
  EXPECT_EQ(tile.StartWidth, 4);
  EXPECT_EQ(tile.StartHeight, 2);
  EXPECT_EQ(tile.EndWidth, 200);
  EXPECT_EQ(
      CallsAt(*film, 0, "tile"),
      (std::vector<std::string>{"SetName #0", "SetParent #BASE0",
                                "ApplyTileFrame parent none picture 4x2 mask no key -1 priority 2 distance 5,0 "
                                "flip 00 rect 0,0,4,2 offset 1,0 zoom 256,256 alpha 255 scroll 0,0 clip 0,0,0,0"}));
  // Position 5 of 11: left 0 + 100 × 5 div 10, right 3 + (299 - 3) × 5 div 10.
  EXPECT_EQ(CallsAt(*film, 5, "tile"),
            (std::vector<std::string>{"SetParent #BASE0",
                                      "ApplyTileFrame parent none picture 4x2 mask no key -1 priority 2 distance 5,0 "
                                      "flip 00 rect 50,5,102,16 offset 1,0 zoom 256,256 alpha 228 scroll 10,0 clip "
                                      "0,0,0,0"}));
}

// The player's own tile under a tile track: the track's frame gives it its rectangle, scroll
// and picture, and a paint fills exactly that rectangle with the picture.
TEST_F(PictureTracksTest, ATileTrackDrivesTheRealTile) {
  probes.reset();  // the factory's own classes
  // The film gives the scene its size: the scene's own.
  const auto film = InPages(FilmBuilder().Size(640, 480).Add(kit::TileTrack{
                                .Common = {.Length = 11, .Priority = 2},
                                .Picture = {.StartPos = {10, 10}, .EndPos = {30, 20}},
                                .FileName = "p.vsk",
                                .EndWidth = 44,
                                .EndHeight = 22,
                                .EndScrollX = 6}),
                            Scene());
  film->SetTime(10);
  auto* tile = dynamic_cast<TOrvaTile*>(film->GetTrack(0)->GetObject());
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->GetScreenRect(), (TRect{30, 20, 74, 42}));
  EXPECT_EQ(tile->GetScrollX(), 6);
  EXPECT_TRUE(tile->GetRepeat());
  Layer(0).SetColor(0);
  Repaint();
  const uint32_t picture = BackBuffer().ColorToPixel(0x302010);
  for (const TPoint p : {TPoint{30, 20}, TPoint{73, 41}, TPoint{50, 30}}) EXPECT_EQ(Pixel(p.X, p.Y), picture) << p.X;
  for (const TPoint p : {TPoint{29, 20}, TPoint{74, 41}, TPoint{50, 42}}) EXPECT_EQ(Pixel(p.X, p.Y), 0u) << p.X;
}

TEST_F(PictureTracksTest, AChainedTileKeepsItsStartSizeFromItsParent) {
  const std::unique_ptr<TFilm> film =
      Read(FilmBuilder()
               .Add(kit::TileTrack{.FileName = "p.vsk", .EndWidth = 50, .EndHeight = 60})
               .Add(kit::TileTrack{.Common = {.Parent = 0}, .FileName = "p.vsk"}));
  const auto& child = dynamic_cast<const TTileFrameList&>(*film->GetTrack(1));
  EXPECT_EQ(child.StartWidth, 0);
  EXPECT_EQ(child.GetStartWidth(), 50);
  EXPECT_EQ(child.GetStartHeight(), 60);
  EXPECT_EQ(child.EndWidth, 4);
}

TEST_F(PictureTracksTest, ATileTrackDrivesAControlInOrder) {
  kit::ProbeControl* target = Probe();
  const auto film = OnControl(FilmBuilder().Add(kit::TileTrack{.Common = {.Length = 2, .Priority = 3},
                                                               .FileName = "p.vsk",
                                                               .StartScrollY = 7,
                                                               .EndScrollY = 7,
                                                               .DistanceY = 9}),
                              *target, {}, 40);
  EXPECT_EQ(
      CallsAt(*film, 0, "target"),
      (std::vector<std::string>{
          "SetImage 4x2",  "SetMaskImage none", "SetPriority 43", "SetDistanceX 0", "SetDistanceY 9", "SetFlipH 0",
          "SetFlipV 0",    "SetMotionX 0",      "SetMotionY 0",   "SetWidth 4",     "SetHeight 2",    "SetOffsetX 0",
          "SetOffsetY 0",  "SetZoomX 256",      "SetZoomY 256",   "SetAlpha 255",   "SetScrollX 0",   "SetScrollY 7",
          "SetClipLeft 0", "SetClipTop 0",      "SetClipWidth 0", "SetClipHeight 0"}));
}

TEST_F(PictureTracksTest, ALabelTrackWritesItsTextAndFontBeforeItsPlace) {
  const kit::LabelTrack label{.Common = {.Length = 3, .Priority = 6, .FlipH = true},
                              .Picture = {.BasePos = {5, 6}, .StartPos = {10, 10}, .EndPos = {30, 10}, .EndAngle = 90},
                              .Text = "abc",
                              .Antialias = 1,
                              .FontName = "gothic",
                              .FontHeight = 20,
                              .LineSpace = 4,
                              .FontStyle = 5,
                              .FontColor = 0xFF,
                              .HAlign = 1};
  const auto film = InPages(FilmBuilder().Size(64, 48).Add(label), pages);
  const std::vector<std::string> font = {"SetFontName gothic", "SetFontHeight 20", "SetLineSpace 4", "SetFontColor 255",
                                         "SetFontStyle 5",     "SetAntialias 1",   "SetHAlign 1",    "SetFlipH 1",
                                         "SetFlipV 0",         "SetText abc"};
  std::vector<std::string> expected = {"SetName #0", "SetParent #BASE0", "SetParent #BASE0", "SetParent #BASE0"};
  expected.insert(expected.end(), font.begin(), font.end());
  for (const char* call :
       {"SetPriority 6", "SetLeft 20", "SetTop 10", "SetOffsetX 5", "SetOffsetY 6", "SetAlpha 255", "SetAngle 21",
        "SetZoomX 256", "SetZoomY 256", "SetClipLeft 0", "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"})
    expected.push_back(call);
  EXPECT_EQ(CallsAt(*film, 1, "label"), expected);

  // On a control: the same font and text, then the film's priority base and the motion place.
  kit::ProbeControl* target = Probe();
  const auto motion = OnControl(FilmBuilder().Add(label), *target, {}, 100);
  expected = font;
  for (const char* call : {"SetPriority 106", "SetMotionX 20", "SetMotionY 10", "SetOffsetX 5", "SetOffsetY 6",
                           "SetAlpha 255", "SetAngle 21", "SetZoomX 256", "SetZoomY 256", "SetClipLeft 0",
                           "SetClipTop 0", "SetClipWidth 0", "SetClipHeight 0"})
    expected.push_back(call);
  EXPECT_EQ(CallsAt(*motion, 1, "target"), expected);
}

TEST_F(PictureTracksTest, TracksOfAKindWithoutAClassMakeNothing) {
  probes->Unregister(LT_LABEL);
  probes->Unregister(LT_TILE);
  const auto film = InPages(FilmBuilder()
                                .Size(64, 48)
                                .Add(kit::LabelTrack{.Text = "x"})
                                .Add(kit::TileTrack{.Common = {.Length = 5}, .FileName = "p.vsk"}),
                            pages);
  for (int32_t tick : {0, 2, 6}) EXPECT_NO_THROW(film->SetTime(tick));
  EXPECT_EQ(pages.GetItemCount(), 0);
  // On a control they still drive it.
  kit::ProbeControl* target = Probe();
  const auto motion = OnControl(FilmBuilder().Add(kit::LabelTrack{.Text = "x"}), *target);
  EXPECT_EQ(Only(CallsAt(*motion, 0, "target"), {"SetText"}), std::vector<std::string>{"SetText x"});
}

}  // namespace
}  // namespace orva

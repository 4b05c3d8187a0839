// Video objects over stand-in movies of one flat colour per frame: frames drawn into the
// picture at a zoom and clipped, the overlay's rectangles, the switch between the two, the
// pauses of cabinets, fades, ends and saves.
#include <gtest/gtest.h>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_doubles.h"
#include "kit/page_builder.h"
#include "scene/base_list.h"
#include "scene/video.h"
#include "scene_test_kit.h"

namespace orva {
namespace {

using kit::FakeMediaItem;
using scene_test::TTestBox;

class VideoTest : public scene_test::SceneFixture {
 protected:
  TOrvaVideo* Video(std::string_view name, bool overlay, TPoint at, TOrvaControl* parent = nullptr) {
    auto* video = static_cast<TOrvaVideo*>(Scene().CreateObject(LT_VIDEO));
    video->SetParent(parent ? parent : Scene().ActiveLayer());
    video->SetName(name);
    video->SetSource("movie.wmv");
    video->SetOverlay(overlay);
    video->SetLeft(at.X);
    video->SetTop(at.Y);
    video->SetVolume(1000);
    return video;
  }
  FakeMediaItem* Item(TOrvaVideo* video) { return static_cast<FakeMediaItem*>(video->Item()); }
  // One frame: the clocks move on, the scene updates and paints.
  void Frame(uint32_t ms = 40) {
    GameClock += ms;
    clock.milliseconds += ms;
    Scene().Idle();
    Scene().Paint();
    ClearDirty();
  }
  uint32_t Pixel(int x, int y) { return BackBuffer().GetPixel(x, y) & 0xFFFFFF; }

  kit::FrameScope frames;
  kit::VirtualClock clock;
  kit::AvailableFiles files;
};

TEST_F(VideoTest, FramesAreDrawnIntoThePictureAtTheZoomAndClipped) {
  for (int32_t zoom : {256, 512}) {
    SCOPED_TRACE(zoom);
    BackBuffer().Fill(0);
    TTestBox* frame = Box("frame", {100, 50, 80, 60});
    TOrvaVideo* video = Video("v", false, {0, 0}, frame);
    video->SetZoomX(zoom);
    video->SetZoomY(zoom);
    video->Play(LP_PLAY);
    FakeMediaItem* item = Item(video);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Surface);
    EXPECT_EQ(video->GetWidth(), 64 * zoom / 256);
    EXPECT_EQ(video->GetHeight(), 48 * zoom / 256);
    Frame();
    EXPECT_EQ(Pixel(110, 60), 0u) << "nothing before the first frame";
    item->ShowFrame(0x3060C0);
    Frame();
    // 64 × 48 at 100 %; at 200 % cut to the box's 80 × 60.
    const int right = zoom == 256 ? 164 : 180, bottom = zoom == 256 ? 98 : 110;
    EXPECT_EQ(Pixel(110, 60), 0x3060C0u);
    EXPECT_EQ(Pixel(right - 1, bottom - 1), 0x3060C0u);
    EXPECT_EQ(Pixel(right, 60), 0u);
    EXPECT_EQ(Pixel(110, bottom), 0u);
    // The next frame within 33 ms of the last look waits for the next look.
    item->ShowFrame(0x10E020);
    Frame(20);
    EXPECT_EQ(Pixel(110, 60), 0x3060C0u);
    Frame(20);
    EXPECT_EQ(Pixel(110, 60), 0x10E020u);
    frame->FreeNow();
  }
}

TEST_F(VideoTest, TheOverlaysRectanglesFollowTheZoomAndTheClip) {
  TTestBox* frame = Box("frame", {0, 0, 100, 80});
  TOrvaVideo* video = Video("v", true, {60, 40}, frame);
  video->SetZoomX(512);
  video->SetZoomY(512);
  Scene().Zoom = 200;
  video->Play(LP_PLAY);
  FakeMediaItem* item = Item(video);
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->Surface);
  EXPECT_TRUE(item->Visible);
  // The movie covers (60, 40)-(188, 136); the box keeps (60, 40)-(100, 80) of it: 20 × 20
  // movie pixels, shown at the scene's zoom of 200 %.
  EXPECT_EQ(item->Source, (TRect{0, 0, 20, 20}));
  EXPECT_EQ(item->Window, (TRect{120, 80, 200, 160}));
  // From the left: the movie's left part is cut.
  video->SetLeft(-30);
  EXPECT_EQ(item->Source, (TRect{15, 0, 64, 20}));
  EXPECT_EQ(item->Window, (TRect{0, 80, 196, 160}));
  // A clip rectangle of its own.
  video->SetLeft(0);
  video->SetClipWidth(10);
  video->SetClipHeight(100);
  video->SetTop(40);
  EXPECT_EQ(item->Source, (TRect{0, 0, 5, 20}));
  // Out of the box, hidden, or on the layer not shown: the overlay is hidden.
  video->SetClipWidth(0);
  video->SetLeft(200);
  EXPECT_FALSE(item->Visible);
  video->SetLeft(0);
  EXPECT_TRUE(item->Visible);
  video->SetVisible(false);
  EXPECT_FALSE(item->Visible);
  video->SetVisible(true);
  frame->SetParent(Scene().GetLayer(1));
  Frame();
  EXPECT_FALSE(item->Visible);
  frame->SetParent(Scene().GetLayer(0));
  Frame();
  EXPECT_TRUE(item->Visible);
  // An overlay is not drawn into the scene.
  item->ShowFrame(0xFFFFFF);
  Frame();
  EXPECT_EQ(Pixel(10, 50), 0u);
}

TEST_F(VideoTest, SwitchingTheOverlayReopensTheMovieWhereItWas) {
  TOrvaVideo* video = Video("v", true, {10, 10});
  video->Play(LP_PLAY);
  FakeMediaItem* overlay = Item(video);
  overlay->Position = 1234;
  video->SetOverlay(false);
  FakeMediaItem* picture = Item(video);
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->Surface);
  EXPECT_EQ(media_.Items.size(), 1u) << "the overlay was given back";
  EXPECT_EQ(picture->Position, 1234);
  EXPECT_TRUE(picture->IsPlaying());
  EXPECT_EQ(video->GetPlayState(), LP_PLAY);
  picture->ShowFrame(0x4080C0);
  Frame();
  EXPECT_EQ(Pixel(20, 20), 0x4080C0u);
}

TEST_F(VideoTest, ACabinetPausesAPlayingMovieAndResumesIt) {
  TOrvaControl* cabinet = static_cast<TOrvaControl*>(Scene().CreateObject(LT_CABINET));
  cabinet->SetParent(Scene().ActiveLayer());
  TOrvaVideo* playing = Video("a", true, {0, 0});
  TOrvaVideo* paused = Video("b", false, {0, 0});
  playing->Play(LP_PLAY);
  paused->Play(LP_PLAY);
  paused->SetPaused(true);
  playing->SetParent(cabinet);
  paused->SetParent(cabinet);
  EXPECT_FALSE(Item(playing)->IsPlaying());
  EXPECT_FALSE(Item(playing)->Visible);
  playing->SetParent(Scene().ActiveLayer());
  paused->SetParent(Scene().ActiveLayer());
  EXPECT_TRUE(Item(playing)->IsPlaying());
  Frame();
  EXPECT_TRUE(Item(playing)->Visible);
  EXPECT_FALSE(Item(paused)->IsPlaying());
}

TEST_F(VideoTest, PausesAndPlaying) {
  TOrvaVideo* video = Video("v", false, {0, 0});
  video->Play(LP_PLAY);
  FakeMediaItem* item = Item(video);
  EXPECT_TRUE(video->GetPlaying());
  video->SetAniPaused(true);
  EXPECT_FALSE(item->IsPlaying());
  EXPECT_FALSE(video->GetPlaying());
  video->SetPaused(true);
  video->SetAniPaused(false);
  EXPECT_FALSE(item->IsPlaying());
  video->SetPaused(false);
  EXPECT_TRUE(item->IsPlaying());
  // Near the end PLAYING is false unless it repeats.
  item->Position = item->Length - 1;
  EXPECT_FALSE(video->GetPlaying());
  video->SetRepeat(true);
  EXPECT_TRUE(video->GetPlaying());
  EXPECT_EQ(item->Position, 0) << "REPEAT at the end rewinds";
  // Resuming in a fade-in fades in again.
  video->SetDelay(300);
  video->Play(LP_PLAYFADE);
  video->SetPaused(true);
  video->SetPaused(false);
  ASSERT_NE(video->Fader(), nullptr);
  EXPECT_FALSE(video->Fader()->IsFadeOut());
}

TEST_F(VideoTest, AFadeOutFadesTheSoundThenFreesTheMovie) {
  TOrvaVideo* video = Video("v", false, {0, 0});
  const TWeakRef<TOrvaObject> ref(video);
  video->Play(LP_PLAY);
  FakeMediaItem* item = Item(video);
  video->SetDelay(1000);
  video->Play(LP_STOPFADE);
  EXPECT_EQ(video->GetName(), "v") << "a movie keeps its name";
  Frame(16);
  Frame(500);
  EXPECT_EQ(item->Volume, -2500);
  Frame(500);
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_TRUE(media_.Items.empty()) << "the movie is closed";
  // Stopped without a fade, a movie stays until the media-stop command frees it.
  TOrvaVideo* stopped = Video("w", false, {0, 0});
  stopped->Play(LP_PLAY);
  stopped->Play(LP_STOP);
  EXPECT_EQ(stopped->Item(), nullptr);
  EXPECT_FALSE(stopped->IsQueuedForFree());
}

TEST_F(VideoTest, AMovieThatCannotOpenLeavesNothing) {
  files.Unavailable = {"gone.wmv"};
  media_.MissingFiles = {"refused.wmv"};
  for (const char* source : {"gone.wmv", "refused.wmv"}) {
    TOrvaVideo* video = Video("v", false, {0, 0});
    video->SetSource(source);
    video->Play(LP_PLAY);
    EXPECT_EQ(video->Item(), nullptr);
    EXPECT_EQ(video->GetCount(), 0);
    EXPECT_FALSE(video->GetPlaying());
    EXPECT_EQ(video->GetWidth(), 0);
    Frame();
    EXPECT_EQ(Pixel(5, 5), 0u);
  }
  // Beyond the pixel cap the movie is given back.
  media_.MovieWidth = media_.MovieHeight = 1 << 16;
  TOrvaVideo* huge = Video("huge", false, {0, 0});
  huge->Play(LP_PLAY);
  EXPECT_EQ(huge->Item(), nullptr);
  EXPECT_TRUE(media_.Items.empty());
}

TEST_F(VideoTest, TheLengthWithoutAMovieComesFromItsRealFile) {
  kit::GameFiles game;
  game.Add("movie.wmv", "not really a movie");
  TOrvaVideo* video = Video("v", true, {0, 0});
  media_.MovieLength = 2500;
  EXPECT_EQ(video->GetCount(), 2500);
  EXPECT_TRUE(media_.Items.empty());
  ASSERT_FALSE(media_.Log.empty());
  EXPECT_EQ(media_.Log.back().substr(0, 1), "\\") << "a real file's name: " << media_.Log.back();
}

TEST_F(VideoTest, TheEndPostsOneEventOrFreesTheMovie) {
  TOrvaVideo* video = Video("v", false, {0, 0});
  video->SetOnPlayEnd("end.osb");
  video->Play(LP_PLAY);
  FakeMediaItem* item = Item(video);
  item->EndReport = FakeMediaItem::TEndReport::Every;
  item->Finish();
  Frame();
  Frame();
  EXPECT_EQ(Scene().Events().Count(), 1);
  video->SetIndex(0);
  item->Finish();
  Frame();
  EXPECT_EQ(Scene().Events().Count(), 2);
  video->SetAutoScrap(true);
  video->MediaPlay();
  item->Finish();
  Frame();
  EXPECT_EQ(Scene().FindObject("v"), nullptr);
}

TEST_F(VideoTest, MediaPlayStartsAMovieThatWasNotOpen) {
  TOrvaVideo* video = Video("v", false, {0, 0});
  video->MediaPlay();
  ASSERT_NE(Item(video), nullptr);
  EXPECT_TRUE(Item(video)->IsPlaying());
  EXPECT_EQ(Item(video)->Volume, 0);
  Item(video)->Position = 900;
  video->SetDelay(400);
  video->MediaPlay();
  EXPECT_EQ(Item(video)->Position, 0);
  EXPECT_EQ(Item(video)->Volume, -10000);
  Frame();
  EXPECT_TRUE(Item(video)->IsPlaying());
}

TEST_F(VideoTest, AMovieResumesInPlaceAfterALoad) {
  for (bool rewind : {false, true}) {
    TOrvaVideo* video = Video("v", false, {30, 20});
    video->SetRewindOnLoad(rewind);
    video->SetMuteOnLoad(rewind);
    video->SetRepeat(true);
    video->SetOnIdle("idle.osb");
    video->Play(LP_PLAY);
    Item(video)->Position = 1500;
    TMemoryStream stream;
    video->SaveToStream(stream);
    video->FreeNow();
    stream.SetPosition(0);
    auto* loaded = static_cast<TOrvaVideo*>(Scene().CreateObject(LT_VIDEO));
    loaded->LoadFromStream(stream, 133);
    EXPECT_EQ(stream.Remaining(), 0);
    FakeMediaItem* item = Item(loaded);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(loaded->GetOverlay());
    EXPECT_TRUE(item->Surface);
    EXPECT_EQ(item->Position, rewind ? 0 : 1500);
    EXPECT_EQ(item->Volume, rewind ? -10000 : 0) << "muted on load";
    EXPECT_TRUE(item->Loop);
    EXPECT_EQ(loaded->GetOnIdle(), "idle.osb");
    EXPECT_EQ(loaded->GetLeft(), 30);
    loaded->FreeNow();
  }
}

// A movie's stored form as a save of that version holds it: the object, control and image
// parts, then the movie's own fields.
std::string StoredMovie(int version, uint8_t state, bool overlayByte) {
  kit::Fields f;
  f.Str("old").Int(0).Int(0);
  if (version >= 120) f.Str("");
  f.Int(5).Int(6).Int(64).Int(48).Int(0).Int(0).Byte(0);  // left, top, size, offsets, pos-zoomed
  if (version >= 130) f.Int(0).Int(0).Int(0).Int(0);
  f.Int(0).Int(0).Int(0).Int(0).Byte(0);  // clip, animation pause
  f.Byte(1).Int(0).Int(0).Int(0).Int(1).Int(1).Byte(0).Str("").Str("").Str("");  // visible .. mouse in
  for (int i = 0; i < 7; ++i) f.Str("");
  if (version >= 118) f.Byte(0).Str("").Str("").Str("").Str("").Str("");
  f.Int(0);                                                           // children
  f.Int(255).Int(256).Int(0).Byte(0).Byte(0).Byte(0).Int(256);        // the image
  f.Str("movie.wmv").Byte(0).Byte(0).Byte(0).Int(500).Int(0).Int(0).Int(800).Byte(state).Str("").Str("");
  if (version >= 108) f.Byte(0);
  if (overlayByte) f.Byte(0);
  if (version >= 129) f.Byte(1);
  return f.Bytes();
}

TEST_F(VideoTest, OlderSavesOpenAsAnOverlayUnlessTheyHoldTheFlag) {
  struct Case {
    int version;
    bool overlayByte, overlay;
  };
  for (const Case& c : {Case{107, false, true}, Case{111, false, true}, Case{128, true, false}}) {
    SCOPED_TRACE(c.version);
    TMemoryStream stream(StoredMovie(c.version, LP_PLAY, c.overlayByte));
    auto* loaded = static_cast<TOrvaVideo*>(Scene().CreateObject(LT_VIDEO));
    loaded->LoadFromStream(stream, c.version);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(loaded->GetOverlay(), c.overlay);
    ASSERT_NE(Item(loaded), nullptr);
    EXPECT_EQ(Item(loaded)->Position, 800);
    EXPECT_EQ(Item(loaded)->Volume, -2500);
    loaded->FreeNow();
  }
}

}  // namespace
}  // namespace orva

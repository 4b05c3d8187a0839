// Movie objects over the real media module on the headless clock, with kit-made movies of one
// flat colour per frame (Windows Media in ASF, and MPEG-1 read as a stream): frames drawn into
// the scene at a zoom and clipped, overlays presented over the panel, the switch between the
// two, a cabinet's pause, and the length read from a movie not open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "core/frame_clock.h"
#include "graphics/dibx.h"
#include "graphics/screen.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/media_files.h"
#include "platform/audio_output.h"
#include "platform/display_control.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "scene/video.h"
#include "shell/media_library.h"
#include "shell/media_system.h"
#include "shell/overlay_presenter.h"
#include "shell/screen_manager.h"

namespace orva {
namespace {

// One colour per frame of 100 ms, far enough apart to tell after the codec's rounding.
const std::vector<uint32_t> kColours = {0xC02020, 0x20C020, 0x2020C0, 0xC0C020, 0x20C0C0, 0xC020C0,
                                        0x808080, 0xE08040, 0x4080E0, 0x40E080};

// The frame index whose colour the pixel shows, -1 for none.
int FrameOf(uint32_t pixel) {
  for (size_t i = 0; i < kColours.size(); ++i) {
    bool near = true;
    for (int shift : {0, 8, 16}) near = near && std::abs(int(pixel >> shift & 0xFF) - int(kColours[i] >> shift & 0xFF)) <= 24;
    if (near) return static_cast<int>(i);
  }
  return -1;
}

class TRecordingPanel : public TScreenPanel {
 public:
  TScreenDC& GetDC() override { return screen; }
  void ReleaseDC() override {}
  TMemoryScreen screen{800, 600};
};

class TManagerScreen : public TSceneScreen {
 public:
  int BitCount() override { return ScreenManager ? ScreenManager->BackBufferBitCount() : 15; }
  TCustomDIBX* BackBuffer() override { return ScreenManager ? ScreenManager->BackBuffer() : nullptr; }
  TPoint CursorPos() override { return {}; }
};

class VideoOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    SetAudioBackend(TAudioBackend::Headless);
    files.Add("flat.wmv", kit::EncodeMovie(64, 48, 10, kColours, true));
    files.Add("flat.mpg", kit::EncodeMovie(64, 48, 25, Repeat(kColours, 4), false, kit::MovieFormat::Mpeg1));
    StartMediaSystem(nullptr, nullptr, 0, 0, 0, 0);
    display.Desktop.BitCount = 32;
    ScreenManager = std::make_unique<TScreenManager>(display, panel, 320, 240, 320, 240);
    saved_ = GetSceneServices();
    TSceneServices services = saved_;
    services.Media = &MediaSceneService();
    services.Screen = &screen;
    SetSceneServices(services);
    CreateSceneGlobals();
    Scene().SetWidth(320);
    Scene().SetHeight(240);
  }
  void TearDown() override {
    FreeSceneGlobals();
    SetSceneServices(saved_);
    ScreenManager.reset();
    StopMediaSystem();
  }
  static std::vector<uint32_t> Repeat(const std::vector<uint32_t>& colours, size_t times) {
    std::vector<uint32_t> out;
    for (uint32_t c : colours) out.insert(out.end(), times, c);
    return out;
  }
  TOrvaBaseList& Scene() { return *GetMainScene(); }
  TOrvaVideo* Video(const std::string& source, bool overlay, TPoint at, TOrvaControl* parent = nullptr) {
    auto* video = static_cast<TOrvaVideo*>(Scene().CreateObject(LT_VIDEO));
    video->SetParent(parent ? parent : Scene().ActiveLayer());
    video->SetName("v");
    video->SetSource(source);
    video->SetOverlay(overlay);
    video->SetLeft(at.X);
    video->SetTop(at.Y);
    return video;
  }
  // Frames as the shell runs them: the clocks, the update, the paint, the presentation with
  // the overlays, and the sound of the frame pulled.
  void Run(uint32_t ms, uint32_t step = 20) {
    for (uint32_t done = 0; done < ms; done += step) {
      GameClock += step;
      clock.milliseconds += step;
      Scene().Idle();
      Scene().Paint();
      ScreenManager->Present(Scene());
      overlays.Present(*ScreenManager, Scene(), VideoManager.get());
      HeadlessAudioPull(step);
    }
  }
  uint32_t Back(int x, int y) { return ScreenManager->BackBuffer()->GetPixel(x, y) & 0xFFFFFF; }
  uint32_t Shown(int x, int y) { return panel.screen.Pixel(x, y); }

  kit::FrameScope frames;
  kit::VirtualClock clock;
  kit::GameFiles files;
  TFakeDisplay display;
  TRecordingPanel panel;
  TManagerScreen screen;
  TOverlayPresenter overlays;
  TSceneServices saved_;
};

TEST_F(VideoOutput, FramesAreDrawnIntoTheSceneAtTheZoomAndClipped) {
  for (const char* source : {"flat.wmv", "flat.mpg"}) {
    for (int32_t zoom : {256, 512}) {
      SCOPED_TRACE(std::string(source) + " " + std::to_string(zoom));
      TOrvaVideo* video = Video(source, false, {20, 10});
      video->SetZoomX(zoom);
      video->SetZoomY(zoom);
      video->SetClipWidth(100);
      video->SetClipHeight(200);
      video->Play(LP_PLAY);
      ASSERT_NE(video->Item(), nullptr);
      Run(260);
      const int frame = FrameOf(Back(25, 15));
      EXPECT_GE(frame, 1);
      EXPECT_LE(frame, 3);
      const int right = 20 + std::min(64 * zoom / 256, 100), bottom = 10 + 48 * zoom / 256;
      EXPECT_EQ(FrameOf(Back(right - 1, bottom - 1)), frame);
      EXPECT_EQ(FrameOf(Back(right, 15)), -1) << "beyond the movie or its clip";
      EXPECT_EQ(FrameOf(Back(25, bottom)), -1);
      EXPECT_EQ(FrameOf(Shown(25, 15)), frame) << "presented";
      video->FreeNow();
      Run(20);
    }
  }
}

TEST_F(VideoOutput, AnOverlayIsPresentedOverTheSceneAndLeavesNothingBehind) {
  TOrvaVideo* video = Video("flat.wmv", true, {40, 30});
  video->SetZoomX(512);
  video->SetZoomY(512);
  video->SetClipWidth(60);
  video->SetClipHeight(500);
  video->Play(LP_PLAY);
  Run(160);
  // 128 × 96 from (40, 30), cut to 60 wide.
  const int frame = FrameOf(Shown(45, 35));
  EXPECT_GE(frame, 0);
  EXPECT_EQ(FrameOf(Shown(99, 125)), frame);
  EXPECT_EQ(FrameOf(Shown(100, 35)), -1);
  EXPECT_EQ(FrameOf(Back(45, 35)), -1) << "not in the back buffer";
  // Moved away: the scene shows again where it stood.
  video->SetLeft(200);
  Run(40);
  EXPECT_EQ(FrameOf(Shown(45, 35)), -1);
  EXPECT_GE(FrameOf(Shown(205, 35)), 0);
  video->FreeNow();
  Run(40);
  EXPECT_EQ(FrameOf(Shown(205, 35)), -1);
}

TEST_F(VideoOutput, SwitchingToThePictureGoesOnWithinTwoFrames) {
  TOrvaVideo* video = Video("flat.wmv", true, {10, 10});
  video->Play(LP_PLAY);
  Run(300);
  const int before = FrameOf(Shown(15, 15));
  ASSERT_GE(before, 2);
  video->SetOverlay(false);
  Run(40);
  const int after = FrameOf(Back(15, 15));
  EXPECT_GE(after, before);
  EXPECT_LE(after, before + 1);
  Run(40);
  EXPECT_EQ(FrameOf(Shown(15, 15)), FrameOf(Back(15, 15))) << "the overlay's place was given back";
}

TEST_F(VideoOutput, ACabinetHoldsTheMovieWhereItWas) {
  TOrvaControl* cabinet = Scene().CreateObject(LT_CABINET)->AsControl();
  cabinet->SetParent(Scene().ActiveLayer());
  TOrvaVideo* video = Video("flat.wmv", false, {10, 10});
  video->Play(LP_PLAY);
  Run(200);
  video->SetParent(cabinet);
  const int32_t held = video->GetIndex();
  Run(400);
  EXPECT_NEAR(video->GetIndex(), held, 30);
  video->SetParent(Scene().ActiveLayer());
  Run(200);
  EXPECT_GT(video->GetIndex(), held + 150);
}

TEST_F(VideoOutput, TheLengthOfAMovieNotOpenAndOfOneMissing) {
  TOrvaVideo* video = Video("flat.wmv", true, {0, 0});
  EXPECT_NEAR(video->GetCount(), 1000, 100);
  EXPECT_EQ(VideoManager->Count(), 0);
  video->SetSource("missing.wmv");
  EXPECT_EQ(video->GetCount(), 0);
  video->Play(LP_PLAY);
  EXPECT_EQ(video->Item(), nullptr);
}

}  // namespace
}  // namespace orva

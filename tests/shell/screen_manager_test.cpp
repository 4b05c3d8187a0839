// The screen manager over a fake display: the choice of the full-screen mode, the back
// buffer's depth, failures of the display, and what a presentation copies at each zoom.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "graphics/dibx.h"
#include "graphics/screen.h"
#include "platform/display_control.h"
#include "scene/base_list.h"
#include "shell/screen_manager.h"

namespace orva {
namespace {

using TModes = std::vector<TDisplayModeInfo>;

// A panel whose device context is a screen in memory that keeps every call.
class TRecordingPanel : public TScreenPanel {
 public:
  TScreenDC& GetDC() override {
    ++gets;
    return screen;
  }
  void ReleaseDC() override { ++releases; }
  TMemoryScreen screen{1600, 1200};
  int gets = 0, releases = 0;
};

struct DisplaySetup {
  TModes modes;
  uint32_t desktopBits = 32;
  int32_t preferredWidth = 640, preferredHeight = 480;
};

class ScreenManagerTest : public ::testing::Test {
 protected:
  std::unique_ptr<TScreenManager> Make(const DisplaySetup& s, int32_t width = 640, int32_t height = 480) {
    display.Modes = s.modes;
    display.Desktop.BitCount = s.desktopBits;
    return std::make_unique<TScreenManager>(display, panel, width, height, s.preferredWidth, s.preferredHeight);
  }
  TFakeDisplay display;
  TRecordingPanel panel;
};

const TModes kSpecModes = {{640, 480, 16, 60}, {800, 600, 32, 60}, {640, 480, 32, 60}, {640, 480, 32, 75}};

TEST_F(ScreenManagerTest, TheBestModeIsThePreferredSizeAtTheDesktopDepthWithTheLowestRate) {
  struct Case {
    const char* what;
    DisplaySetup setup;
    int best;
    int count;
  };
  const Case cases[] = {
      {"preferred 640x480 on a 32-bit desktop", {kSpecModes, 32, 640, 480}, 2, 4},
      {"no preferred size: the first large enough", {kSpecModes, 32, 0, 0}, 0, 4},
      {"a 16-bit desktop keeps the first of the preferred size", {kSpecModes, 16, 640, 480}, 0, 4},
      {"the lower rate wins at the desktop depth", {{{640, 480, 32, 75}, {640, 480, 32, 60}}, 32, 640, 480}, 1, 2},
      {"a preferred size replaces the first mode", {{{800, 600, 32, 60}, {1024, 768, 32, 60}}, 32, 1024, 768}, 1, 2},
      {"8-bit, narrow and low modes are never listed",
       {{{1024, 768, 8, 60}, {320, 240, 32, 60}, {640, 400, 32, 60}, {640, 480, 15, 60}}, 32, 640, 480}, -1, 0},
      {"no modes", {{}, 32, 640, 480}, -1, 0},
  };
  for (const Case& c : cases) {
    auto manager = Make(c.setup);
    EXPECT_EQ(manager->BestMode, c.best) << c.what;
    EXPECT_EQ(manager->GetModeCount(), c.count) << c.what;
  }
}

TEST_F(ScreenManagerTest, CreationListsTheModesUnderExclusiveControlAndStartsWindowed) {
  auto manager = Make({kSpecModes});
  EXPECT_EQ(display.Calls, (std::vector<std::string>{"open", "exclusive 1", "read", "enum", "exclusive 0", "close",
                                                      "open", "exclusive 0", "read"}));
  EXPECT_EQ(manager->DesktopBitCount(), 32);
  EXPECT_EQ(manager->Mode(), -1);
  EXPECT_FALSE(manager->FullScreen());
  ASSERT_NE(manager->BackBuffer(), nullptr);
  EXPECT_EQ(manager->BackBuffer()->GetWidth(), 640);
  EXPECT_EQ(manager->BackBuffer()->GetHeight(), 480);
}

TEST_F(ScreenManagerTest, TheBackBufferFollowsTheDisplayDepth) {
  struct Case {
    uint32_t desktopBits;
    bool desktop555;
    int windowed;
    uint32_t modeBits;
    int full;
  };
  const Case cases[] = {
      {32, false, 32, 32, 32}, {24, false, 32, 24, 32}, {16, false, 16, 16, 16},
      {16, true, 15, 16, 16},  {8, false, 16, 32, 32},
  };
  for (const Case& c : cases) {
    display.Desktop555 = c.desktop555;
    auto manager = Make({{{640, 480, c.modeBits, 60}}, c.desktopBits});
    EXPECT_EQ(manager->BackBufferBitCount(), c.windowed) << c.desktopBits;
    EXPECT_EQ(manager->BackBuffer()->GetBitCount(), c.windowed) << c.desktopBits;
    manager->SetMode(0);
    EXPECT_TRUE(manager->FullScreen());
    EXPECT_EQ(manager->BackBufferBitCount(), c.full) << c.modeBits;
    EXPECT_EQ(display.Current().BitCount, c.modeBits);
    manager->SetMode(-1);
    EXPECT_FALSE(display.InFullScreen());
    EXPECT_EQ(manager->BackBufferBitCount(), c.windowed);
  }
  display.Desktop555 = false;
}

TEST_F(ScreenManagerTest, AFiveFiveFiveFullScreenModeGivesAFifteenBitBuffer) {
  display.FullScreen555 = true;
  auto manager = Make({{{640, 480, 16, 60}}, 32});
  manager->SetMode(0);
  EXPECT_EQ(manager->BackBufferBitCount(), 15);
  EXPECT_EQ(manager->BackBuffer()->GetBitCount(), 15);
}

TEST_F(ScreenManagerTest, SwitchingToTheSameModeDoesNothing) {
  auto manager = Make({kSpecModes});
  manager->SetMode(2);
  const size_t calls = display.Calls.size();
  manager->SetMode(2);
  EXPECT_EQ(display.Calls.size(), calls);
  EXPECT_EQ(display.Current(), (TDisplayModeInfo{640, 480, 32, 60}));
}

TEST_F(ScreenManagerTest, AFailedFullScreenStaysInTheWindowWithABackBuffer) {
  struct Case {
    const char* what;
    bool TFakeDisplay::*fail;
  };
  const Case cases[] = {
      {"the mode change fails", &TFakeDisplay::FailSetMode},
      {"exclusive control is refused", &TFakeDisplay::FailExclusive},
  };
  for (const Case& c : cases) {
    TFakeDisplay fresh;
    display = fresh;
    auto manager = Make({kSpecModes});
    display.*c.fail = true;
    manager->SetMode(manager->BestMode);
    EXPECT_EQ(manager->Mode(), -1) << c.what;
    EXPECT_FALSE(manager->FullScreen()) << c.what;
    EXPECT_FALSE(display.InFullScreen()) << c.what;
    ASSERT_NE(manager->BackBuffer(), nullptr) << c.what;
  }
}

TEST_F(ScreenManagerTest, AModeIndexOutsideTheListIsRefused) {
  auto manager = Make({kSpecModes});
  manager->SetMode(7);
  EXPECT_EQ(manager->Mode(), -1);
  EXPECT_NE(manager->BackBuffer(), nullptr);
  EXPECT_EQ(manager->GetMode(7), TDisplayModeInfo{});
  EXPECT_EQ(manager->GetMode(-1), TDisplayModeInfo{});
  EXPECT_EQ(manager->GetMode(1), (TDisplayModeInfo{800, 600, 32, 60}));
}

TEST_F(ScreenManagerTest, WithoutADisplayServiceTheWindowGetsASixteenBitBuffer) {
  display.HasService = false;
  auto manager = Make({kSpecModes});
  EXPECT_EQ(manager->GetModeCount(), 0);
  EXPECT_EQ(manager->BestMode, -1);
  EXPECT_EQ(manager->BackBufferBitCount(), 16);
  EXPECT_NE(manager->BackBuffer(), nullptr);
}

TEST_F(ScreenManagerTest, AControlObjectThatCannotBeHadEndsTheStart) {
  for (bool TFakeDisplay::*fail : {&TFakeDisplay::FailOpen, &TFakeDisplay::FailExclusive}) {
    TFakeDisplay fresh;
    display = fresh;
    display.*fail = true;
    try {
      Make({kSpecModes});
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("DirectDrawを初期化できません")) << "the system's own Shift-JIS";
    }
    EXPECT_FALSE(display.IsOpen());
  }
}

TEST_F(ScreenManagerTest, AWindowedResetThatCannotReadTheDisplayStillHasABackBuffer) {
  for (bool TFakeDisplay::*fail : {&TFakeDisplay::FailNormal, &TFakeDisplay::FailRead}) {
    TFakeDisplay fresh;
    display = fresh;
    auto manager = Make({kSpecModes});
    display.*fail = true;
    manager->ReleaseAll();
    EXPECT_EQ(manager->Mode(), -2);
    EXPECT_EQ(manager->BackBuffer(), nullptr);
    manager->SetMode(-1);
    ASSERT_NE(manager->BackBuffer(), nullptr);
    EXPECT_EQ(manager->BackBufferBitCount(), 16);
  }
}

// ---- Presentation ----

class PresentTest : public ScreenManagerTest {
 protected:
  void SetUp() override {
    manager = Make({kSpecModes});
    scene.SetWidth(640);
    scene.SetHeight(480);
    scene.GetLayer(0)->DirtyRects().Clear();
    scene.GetLayer(1)->DirtyRects().Clear();
  }
  std::vector<std::vector<int>> Calls() {
    std::vector<std::vector<int>> calls;
    for (const TMemoryScreen::Call& c : panel.screen.Calls())
      calls.push_back({c.dx, c.dy, c.dw, c.dh, c.sx, 480 - c.sy - c.sh, c.sw, c.sh});
    return calls;
  }
  std::unique_ptr<TScreenManager> manager;
  TOrvaBaseList scene;
};

TEST_F(PresentTest, EachZoomCopiesItsRectangles) {
  struct Case {
    int32_t zoom;
    std::vector<std::vector<int>> calls;  // dx, dy, dw, dh, sx, sy (from the top), sw, sh
  };
  const Case cases[] = {
      {100, {{10, 20, 30, 40, 10, 20, 30, 40}, {200, 100, 50, 10, 200, 100, 50, 10}}},
      {200, {{20, 40, 60, 80, 10, 20, 30, 40}, {400, 200, 100, 20, 200, 100, 50, 10}}},
      {150, {{0, 0, 960, 720, 0, 0, 640, 480}}},
      {250, {{0, 0, 1600, 1200, 0, 0, 640, 480}}},
  };
  for (const Case& c : cases) {
    panel.screen = TMemoryScreen(1600, 1200);
    scene.Zoom = c.zoom;
    scene.ActiveLayer()->AddDirtyRect({10, 20, 40, 60});
    scene.ActiveLayer()->AddDirtyRect({200, 100, 250, 110});
    scene.GetLayer(1 - scene.ActiveIndex())->AddDirtyRect({0, 0, 5, 5});  // not shown
    manager->Present(scene);
    EXPECT_EQ(Calls(), c.calls) << c.zoom;
    EXPECT_EQ(scene.GetLayer(0)->DirtyRects().Count(), 0);
    EXPECT_EQ(scene.GetLayer(1)->DirtyRects().Count(), 0);
  }
  EXPECT_EQ(panel.gets, panel.releases);
}

TEST_F(PresentTest, NothingDirtyCopiesNothing) {
  manager->Present(scene);
  EXPECT_TRUE(panel.screen.Calls().empty());
}

TEST_F(PresentTest, TheCopiedPixelsAreTheBackBuffers) {
  // The scene here is not the main one: its picture is its own surface.
  TCustomDIBX& picture = *scene.GetImage();
  picture.FillRect({0, 0, 640, 480}, picture.ColorToPixel(0x0000FF));
  scene.ActiveLayer()->AddDirtyRect({0, 0, 4, 4});
  manager->Present(scene);
  EXPECT_EQ(panel.screen.Pixel(3, 3), 0xFF0000u);
  EXPECT_EQ(panel.screen.Pixel(4, 4), 0u);
}

}  // namespace
}  // namespace orva

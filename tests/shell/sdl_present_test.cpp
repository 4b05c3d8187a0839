// 15- and 16-bit scenes presented through the screen manager onto the real SDL window (SDL's
// dummy driver): the picture the window shows is, pixel for pixel, the one the headless
// window gets, whose 0x00RRGGBB picture is the presentation copy captured frames are read
// from. Run under a 16-bit X server with SDL_VIDEODRIVER=x11 and SDL_RENDER_DRIVER=software,
// the 16-bit scene goes through a texture of its own layout.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "graphics/custom_dibx.h"
#include "platform/headless_window_system.h"
#include "platform/sdl_window_system.h"
#include "scene/base_list.h"
#include "scene/scene_services.h"
#include "shell/screen_manager.h"
#include "shell/window_panel.h"

namespace orva {
namespace {

constexpr int kW = 61, kH = 37, kDock = 22;

class TDepth : public TSceneScreen {
 public:
  explicit TDepth(int bits) : bits_(bits) {}
  int BitCount() override { return bits_; }
  TCustomDIBX* BackBuffer() override { return nullptr; }
  TPoint CursorPos() override { return {}; }

 private:
  int bits_;
};

// A scene of the depth with random pixels, presented whole, then changed and presented in
// odd rectangles; the window's client picture after each.
std::vector<std::vector<uint32_t>> PresentScenes(TWindowSystem& window, int bits) {
  TDepth depth(bits);
  const TSceneServices saved = SetSceneServices({&depth, nullptr, nullptr, nullptr});
  std::vector<std::vector<uint32_t>> pictures;
  {
    window.CreateWindow("present", kW, kH + kDock);
    window.ShowWindow();
    TWindowPanel panel(window);
    panel.SetBounds({0, kDock, kW, kH + kDock});
    TFakeDisplay display;
    display.Desktop.BitCount = bits == 15 ? 16 : static_cast<uint32_t>(bits);
    display.Desktop555 = bits == 15;
    TScreenManager manager(display, panel, kW, kH, kW, kH);
    EXPECT_EQ(manager.BackBufferBitCount(), bits);
    TOrvaBaseList scene;
    scene.SetWidth(kW);
    scene.SetHeight(kH);
    std::mt19937 random(static_cast<uint32_t>(bits));
    const auto scramble = [&] {
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) scene.GetImage()->SetPixel(x, y, random());
    };
    const auto read = [&] {
      const uint32_t* pixels = window.Pixels();
      pictures.emplace_back(pixels, pixels + size_t{kW} * (kH + kDock));
    };
    scramble();
    scene.ActiveLayer()->AddDirtyRect({0, 0, kW, kH});
    manager.Present(scene);
    read();
    scramble();
    scene.ActiveLayer()->AddDirtyRect({3, 5, 20, 6});
    scene.ActiveLayer()->AddDirtyRect({30, 1, 61, 36});
    manager.Present(scene);
    read();
  }
  SetSceneServices(saved);
  return pictures;
}

TEST(SdlPresent, FifteenAndSixteenBitScenesShowTheHeadlessPixels) {
#if defined(__SANITIZE_ADDRESS__)
  __lsan::ScopedDisabler keep;  // SDL keeps some of its allocations for the process's life
#endif
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  for (int bits : {15, 16}) {
    THeadlessWindowSystem headless({}, {});
    const std::vector<std::vector<uint32_t>> expected = PresentScenes(headless, bits);
    std::string error;
    std::unique_ptr<TWindowSystem> sdl = CreateSdlWindowSystem(error);
    if (!sdl) GTEST_SKIP() << error;
    const std::vector<std::vector<uint32_t>> actual = PresentScenes(*sdl, bits);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << bits << " bits, present " << i;
  }
}

}  // namespace
}  // namespace orva

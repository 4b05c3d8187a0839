#include "scene/image_cache.h"

#include <gtest/gtest.h>

#include "core/stream.h"
#include "kit/game_files.h"
#include "kit/interpreter_doubles.h"
#include "kit/vask_file.h"
#include "scene/base_list.h"
#include "scene_test_kit.h"

using namespace orva;
using namespace orva::scene_test;

namespace {

std::string Picture() {
  kit::VaskFile f;
  f.Frames = {kit::VaskFrame::Of(2, 1, 24, {{0xFFFFFF, 0x808080}})};
  return kit::MakeVask(f);
}

}  // namespace

TEST(SceneImageCache, TheSceneGlobalsMakeItAndInstallItUnlessACacheIsThere) {
  const TSceneServices saved = SetSceneServices({});
  CreateSceneGlobals();
  ASSERT_NE(GetImageCache(), nullptr);
  EXPECT_EQ(GetSceneServices().ImageCache, GetImageCache());
  FreeSceneGlobals();
  EXPECT_EQ(GetImageCache(), nullptr);
  EXPECT_EQ(GetSceneServices().ImageCache, nullptr);
  TFakeImageCache fake;
  SetSceneServices({nullptr, nullptr, &fake});
  CreateSceneGlobals();
  EXPECT_EQ(GetSceneServices().ImageCache, &fake);
  FreeSceneGlobals();
  EXPECT_EQ(GetSceneServices().ImageCache, &fake);
  SetSceneServices(saved);
}

TEST(SceneImageCache, ScreenDepthProjectDitherAndStatusData) {
  kit::GameFiles files;
  files.Add("pic.vsk", Picture());
  THeadlessScreen screen(16);
  const TSceneServices saved = SetSceneServices({&screen});
  CreateSceneGlobals();
  TOrvaImageCache& cache = *GetImageCache();
  int user = 0;
  TVaskItem& item = cache.Collection().Acquire(&user, "pic.vsk", false, false);
  EXPECT_EQ(item.GetFrame(0).Image->GetBitCount(), 16);
  EXPECT_EQ(item.Width, 2);

  // The project's file test decides what is there.
  kit::TestProject project;
  project.unavailable.insert("gone.vsk");
  files.Add("gone.vsk", Picture());
  cache.SetProject(&project);
  EXPECT_EQ(cache.Collection().Acquire(&user, "gone.vsk", false, false).Width, 0);
  cache.SetProject(nullptr);

  // The scene's dither switch reloads the pictures; the status data carry the flag.
  GetMainScene()->SetImageDither(true);
  EXPECT_TRUE(cache.GetDither());
  EXPECT_TRUE(GetMainScene()->GetImageDither());
  TSaveSection& section = cache;
  TMemoryStream status;
  section.SaveToStream(status);
  cache.SetDither(false);
  status.SetPosition(0);
  section.LoadFromStream(status, 103);
  EXPECT_TRUE(cache.GetDither());
  FreeSceneGlobals();
  SetSceneServices(saved);
}

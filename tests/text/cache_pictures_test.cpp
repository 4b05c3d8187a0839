#include "text/cache_pictures.h"

#include <gtest/gtest.h>

#include "graphics/dibx.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"
#include "scene/base_list.h"
#include "scene/image_cache.h"

using namespace orva;

namespace {

// Inline pictures lend the cache's frames to their glyph and give them back with it.
TEST(CachePictures, FramesComeFromTheCacheAndGoBackToIt) {
  kit::GameFiles files;
  kit::VaskFile two;
  two.Frames = {kit::VaskFrame::Of(3, 2, 24, {{1, 2, 3}, {4, 5, 6}}), kit::VaskFrame::Of(3, 2, 24, {{7, 8, 9}, {1, 2, 3}})};
  two.Frames[1].Delay = 40;
  files.Add("face.vsk", kit::MakeVask(two));
  files.Add("broken.vsk", "Vask106 and nothing more");
  const TSceneServices saved = SetSceneServices({});
  CreateSceneGlobals();
  {
    TCachePictureSource source;
    int user = 0;
    std::unique_ptr<TInlinePicture> picture = source.Load("face.vsk", &user);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Count(), 2);
    EXPECT_EQ(picture->Frame(0).Surface->GetWidth(), 3);
    EXPECT_EQ(picture->Frame(0).Surface->GetHeight(), 2);
    EXPECT_EQ(picture->Frame(1).Delay, 40);
    TVaskItem& item = GetImageCache()->Collection().Acquire(&source, "face.vsk", false, false);
    EXPECT_EQ(item.Users().size(), 2u);
    picture.reset();
    EXPECT_EQ(item.Users().size(), 1u);
    item.Release(&source);

    EXPECT_EQ(source.Load("missing.vsk", &user), nullptr);
    EXPECT_EQ(source.Load("broken.vsk", &user), nullptr);
  }
  FreeSceneGlobals();
  SetSceneServices(saved);
}

}  // namespace

#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/vask_frame_list.h"
#include "graphics_test_kit.h"
#include "kit/vask_file.h"

using namespace orva;
using namespace orva::test;

using Rows = std::vector<std::vector<uint32_t>>;

namespace {

std::string Bmp24(const Rows& colours) {
  std::string data;
  for (auto row = colours.rbegin(); row != colours.rend(); ++row) {
    std::string line;
    for (uint32_t c : *row) PutLE(line, c, 3);
    line.resize((line.size() + 3) / 4 * 4, '\0');
    data += line;
  }
  return MakeBmp(BmpFile().width(int32_t(colours[0].size())).height(int32_t(colours.size())).bits(24).imageSize(uint32_t(data.size())).data(data));
}

}  // namespace

TEST(SurfaceFiles, StreamsAreRecognisedByTheirFirstBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    int width;  // 0: left as it was
  } cases[] = {
      {"a bitmap", Bmp24(Rows{{0xFF0000, 0x00FF00, 0x0000FF}}), 3},
      {"BM first, whatever follows", Bmp24(Rows{{1}}) + "PNG and Vask", 1},
      {"a layered image, first frame only", [] {
         kit::VaskFile f;
         f.Frames = {kit::VaskFrame::Of(2, 1, 24, Rows{{0xFF0000, 0}}), kit::VaskFrame::Of(5, 1, 24, Rows{{0, 0, 0, 0, 0}})};
         return kit::MakeVask(f);
       }(), 2},
      {"an unknown signature", "GIF89a", 0},
      {"nothing", "", 0},
  };
  for (const Case& c : cases) {
    TDIBX s;
    s.SetSize(7, 4, 16);
    TMemoryStream m(c.bytes);
    m.SetPosition(m.GetSize());  // read from the stream's start whatever the position
    s.LoadFromStream(&m);
    EXPECT_EQ(s.GetWidth(), c.width ? c.width : 7) << c.what;
    EXPECT_EQ(s.GetBitCount(), 16) << c.what << ": the surface keeps its bit count";
    if (c.width) EXPECT_EQ(s.GetPixel(0, 0), c.width == 1 ? 0u : 0xF800u) << c.what;
  }
  TDIBX s;
  s.LoadFromStream(nullptr);
  EXPECT_EQ(s.GetWidth(), 1);
}

TEST(SurfaceFiles, PngIsTestedFromItsSecondByte) {
  // A PNG signature whose first byte is wrong is still taken for one, and libpng refuses it.
  std::string bytes = "\x89PNG\r\n\x1a\n";
  bytes[0] = 'Z';
  TDIBX s;
  TMemoryStream m(bytes);
  EXPECT_THROW(s.LoadFromStream(&m), EInvalidGraphic);
  EXPECT_EQ(s.GetWidth(), 1) << "unchanged";
}

TEST(SurfaceFiles, BitmapFilesByExtension) {
  orva::testing::TempDir dir;
  dir.Write("in.Bmp", Bmp24(Rows{{0x102030, 0x405060}}));
  dir.Write("in.png", Bmp24(Rows{{0x102030, 0x405060}}));
  TDIBX s;
  s.SetSize(1, 1, 32);
  s.LoadFromFile(dir.Game("in.png"));
  EXPECT_EQ(s.GetWidth(), 1) << "only .bmp files load";
  s.LoadFromFile(dir.Game("missing.bmp"));
  EXPECT_EQ(s.GetWidth(), 1);
  s.LoadFromFile(dir.Game("in.Bmp"));
  EXPECT_EQ(s.GetWidth(), 2);
  EXPECT_EQ(s.GetPixel(1, 0), 0x405060u);

  TDIBX out;
  Fill(out, 15, Rows{{0x7C00, 0x001F}, {0x03E0, 0x7FFF}});
  out.SaveToFile(dir.Game("out.png"));
  EXPECT_FALSE(dir.Exists("out.png"));
  out.SaveToFile(dir.Game("out.BMP"));
  EXPECT_EQ(dir.Read("out.BMP"), Bmp24(Rows{{0xFF0000, 0x0000FF}, {0x00FF00, 0xFFFFFF}}));
  // Written beside the old file and renamed over it.
  Fill(out, 32, Rows{{0x123456}});
  out.SaveToFile(dir.Game("out.BMP"));
  EXPECT_EQ(dir.Read("out.BMP"), Bmp24(Rows{{0x123456}}));
}

TEST(SurfaceFiles, LayeredImageFilesAreWrittenBesideAndRenamed) {
  orva::testing::TempDir dir;
  TVaskFrameList list;
  Fill(list.Add().Surface, 24, Rows{{1, 2}});
  list.SaveToFile(dir.Game("shot.vsk"));
  TVaskFrameList read;
  read.LoadFromFile(dir.Game("SHOT.VSK"), false);
  ASSERT_EQ(read.Count(), 1);
  EXPECT_EQ(Pixels(read.GetFrame(0).Surface), (Rows{{1, 2}}));
  read.LoadFromFile(dir.Game("shot.gif"), false);
  EXPECT_EQ(read.Count(), 1) << "another extension loads nothing";
}

// Cursor files: the pictures of each depth with their masks and hot spots, the size chosen,
// animated cursors, hostile data, and the panel's cursor that shows them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "../core/temp_dir.h"
#include "core/exceptions.h"
#include "kit/cursor_builder.h"
#include "platform/headless_window_system.h"
#include "shell/cursor_file.h"
#include "shell/panel_cursor.h"

namespace orva {
namespace {

using kit::AnimatedCursor;
using kit::CursorFile;
using kit::CursorPicture;

TCursorFile Read(const std::string& bytes) {
  return ReadCursorFile(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

uint32_t At(const TCursorImage& image, int x, int y) { return image.Pixels.at(size_t(y) * image.Width + x); }

TEST(CursorFile, EachDepthGivesItsColoursAndTheMaskItsTransparency) {
  struct Case {
    int bits;
    uint32_t stored;    // the pixel value written (an index at 8 bits and below)
    uint32_t colour;    // what it shows
  };
  for (const Case c : {Case{1, 1, 0xFFFFFFFF}, Case{4, 5, 0xFF102030}, Case{8, 200, 0xFF102030},
                       Case{24, 0x102030, 0xFF102030}}) {
    CursorPicture picture(32, 32, c.bits);
    if (c.bits <= 8 && c.stored > 1) picture.Colour(static_cast<int>(c.stored), 0x102030);
    picture.Pixel(3, 4, c.stored).Mask(0, 0, true).Mask(1, 0, true).Pixel(1, 0, c.stored);
    const TCursorFile file = Read(CursorFile().Add(picture, 7, 9).Bytes());
    ASSERT_EQ(file.Frames.size(), 1u);
    const TCursorImage& image = file.Frames[0];
    EXPECT_EQ(image.Width, 32);
    EXPECT_EQ(image.Height, 32);
    EXPECT_EQ(image.HotX, 7);
    EXPECT_EQ(image.HotY, 9);
    EXPECT_EQ(At(image, 3, 4), c.colour) << c.bits;
    EXPECT_EQ(At(image, 0, 0), 0u) << "the screen shows through: " << c.bits;
    EXPECT_EQ(At(image, 1, 0), 0xFF000000u) << "a colour over the mask inverts the screen; shown black: " << c.bits;
    EXPECT_EQ(file.Steps.size(), 1u);
  }
}

TEST(CursorFile, ThirtyTwoBitPicturesKeepTheirAlpha) {
  CursorPicture picture(16, 16, 32);
  picture.Pixel(2, 2, 0x80FF0000).Mask(2, 2, true);
  const TCursorImage image = Read(CursorFile().Add(picture).Bytes()).Frames.at(0);
  EXPECT_EQ(At(image, 2, 2), 0x80FF0000u);
  EXPECT_EQ(At(image, 0, 0), 0u);
}

TEST(CursorFile, ThePictureNearestTo32IsChosen) {
  CursorFile file;
  file.Add(CursorPicture(16, 16, 8), 1, 1).Add(CursorPicture(32, 32, 8), 2, 2).Add(CursorPicture(48, 48, 8), 3, 3);
  const TCursorImage image = Read(file.Bytes()).Frames.at(0);
  EXPECT_EQ(image.Width, 32);
  EXPECT_EQ(image.HotX, 2);
}

TEST(CursorFile, PngPicturesAndIconFiles) {
  std::vector<uint32_t> argb(24 * 24, 0x00000000);
  argb[5 * 24 + 6] = 0xFF00FF00;
  const TCursorImage png = Read(CursorFile().AddRaw(kit::PngPicture(24, 24, argb), 24, 24, 4, 5).Bytes()).Frames.at(0);
  EXPECT_EQ(png.Width, 24);
  EXPECT_EQ(At(png, 6, 5), 0xFF00FF00u);
  EXPECT_EQ(png.HotY, 5);
  // An icon has no hot spot: its top-left corner.
  const TCursorImage icon = Read(CursorFile(1).Add(CursorPicture(32, 32, 8), 9, 9).Bytes()).Frames.at(0);
  EXPECT_EQ(icon.HotX, 0);
  EXPECT_EQ(icon.HotY, 0);
}

TEST(CursorFile, AnimatedCursorsStepThroughTheirFrames) {
  const std::string a = CursorFile().Add(CursorPicture(32, 32, 8).Pixel(0, 0, 1), 1, 1).Bytes();
  const std::string b = CursorFile().Add(CursorPicture(32, 32, 8), 2, 2).Bytes();
  const TCursorFile plain = Read(AnimatedCursor().Frame(a).Frame(b).DefaultRate(6).Bytes());
  ASSERT_EQ(plain.Frames.size(), 2u);
  EXPECT_EQ(plain.Frames[1].HotX, 2);
  ASSERT_EQ(plain.Steps.size(), 2u);
  EXPECT_EQ(plain.Steps[1].Frame, 1);
  EXPECT_EQ(plain.Steps[1].Duration, 100u);
  const TCursorFile sequenced = Read(AnimatedCursor().Frame(a).Frame(b).Rates({3, 60, 30}).Sequence({1, 0, 1}).Bytes());
  ASSERT_EQ(sequenced.Steps.size(), 3u);
  EXPECT_EQ(sequenced.Steps[0].Frame, 1);
  EXPECT_EQ(sequenced.Steps[1].Duration, 1000u);
  EXPECT_EQ(sequenced.Steps[2].Duration, 500u);
}

TEST(CursorFile, DataThatIsNoCursorIsRefused) {
  const std::string good = CursorFile().Add(CursorPicture(32, 32, 8)).Bytes();
  const std::string frame = CursorFile().Add(CursorPicture(32, 32, 4)).Bytes();
  std::string badDepth = good;
  badDepth[6 + 16 + 14] = 2;  // biBitCount
  std::string compressed = good;
  compressed[6 + 16 + 16] = 1;
  std::string offsetOut = good;
  offsetOut[6 + 12] = static_cast<char>(0xF0);
  std::string huge = good;
  huge[6 + 16 + 4] = 0;
  huge[6 + 16 + 5] = 0x10;  // 4096 wide
  std::string shortTable = CursorFile().Add(CursorPicture(32, 32, 8).ColoursUsed(4).Pixel(0, 0, 9)).Bytes();
  // A second header after the lists raises the step count they were read with.
  std::string raisedSteps = AnimatedCursor().Frame(frame).Frame(frame).Counts(2, 1).Rates({5}).Bytes();
  std::string header("anih\x24\0\0\0\x24\0\0\0\2\0\0\0\2\0\0\0", 20);
  header += std::string(20, '\0') + std::string("\1\0\0\0", 4);
  raisedSteps += header;
  const uint32_t riffSize = static_cast<uint32_t>(raisedSteps.size() - 8);
  for (int k = 0; k < 4; ++k) raisedSteps[4 + k] = static_cast<char>(riffSize >> (8 * k));
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"a header only", good.substr(0, 6)},
      {"no entries", std::string("\0\0\2\0\0\0", 6)},
      {"a bitmap file", "BM" + good},
      {"cut short", good.substr(0, good.size() / 2)},
      {"a depth of 2", badDepth},
      {"compressed", compressed},
      {"an entry beyond the file", offsetOut},
      {"too wide", huge},
      {"an index beyond the table", shortTable},
      {"a bad PNG", CursorFile().AddRaw("\x89PNG\r\n\x1A\n garbage", 32, 32).Bytes()},
      {"no frames", AnimatedCursor().Bytes()},
      {"a sequence beyond the frames", AnimatedCursor().Frame(frame).Sequence({0, 3}).Bytes()},
      {"counts beyond reason", AnimatedCursor().Frame(frame).Counts(1, 0x7FFFFFFF).Bytes()},
      {"rates cut short", AnimatedCursor().Frame(frame).Frame(frame).Rates({1}).Counts(2, 2).Bytes()},
      {"lists shorter than a later header's steps", raisedSteps},
      {"an animated cursor cut short", AnimatedCursor().Frame(frame).Bytes().substr(0, 80)},
  };
  for (const auto& c : cases) EXPECT_THROW(Read(c.bytes), EReadError) << c.what;
}

TEST(PanelCursor, ShowsTheCustomCursorOverThePanelAndKeepsItForAFileThatIsNone) {
  testing::TempDir dir;
  dir.Write("hand.cur", CursorFile().Add(CursorPicture(32, 32, 8)).Bytes());
  dir.Write("broken.cur", "not a cursor");
  THeadlessWindowSystem window({}, {});
  TPanelCursor cursor(window);
  cursor.LoadCustomCursor(dir.Os("hand.cur"));
  EXPECT_FALSE(window.CustomCursor()) << "loaded, not yet the panel's";
  cursor.SetPanelCursor(TSceneCursor::Custom);
  EXPECT_TRUE(window.CustomCursor());
  cursor.SetOverPanel(false);
  EXPECT_FALSE(window.CustomCursor());
  cursor.SetOverPanel(true);
  cursor.LoadCustomCursor(dir.Os("broken.cur"));
  cursor.LoadCustomCursor(dir.Os("missing.cur"));
  EXPECT_TRUE(window.CustomCursor());
  cursor.SetPanelCursor(TSceneCursor::Arrow);
  EXPECT_FALSE(window.CustomCursor());
  EXPECT_EQ(cursor.GetPanelCursor(), TSceneCursor::Arrow);
}

}  // namespace
}  // namespace orva

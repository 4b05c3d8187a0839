#include "graphics/vask_collection.h"

#include <gtest/gtest.h>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics_test_kit.h"
#include "kit/game_files.h"
#include "kit/vask_file.h"

using namespace orva;
using namespace orva::test;
using kit::MakeVask;
using kit::VaskFile;
using kit::VaskFrame;

using Rows = std::vector<std::vector<uint32_t>>;

namespace {

// The game's files in memory at a chosen screen depth; names can be made unavailable.
class TestServices : public TFileManagerVaskServices {
 public:
  bool FileAvailable(std::string_view name) override { return !Unavailable && FileExists(name); }
  int BitCount() override { return Depth; }
  int Depth = 32;
  bool Unavailable = false;
};

struct CacheFixture : ::testing::Test {
  kit::GameFiles files;
  TestServices services;
  TVaskCollection cache{services};
  int a = 0, b = 0;  // two users
  void Add(const std::string& name, const std::vector<VaskFrame>& frames) {
    VaskFile f;
    f.Frames = frames;
    files.Add(name, MakeVask(f));
  }
  // A width × height 24-bit picture of one colour.
  void Plain(const std::string& name, int width, int height, uint32_t color = 0x102030) {
    Add(name, {VaskFrame::Of(width, height, 24, Rows(size_t(height), std::vector<uint32_t>(size_t(width), color)))});
  }
};

// Records the blits drawn onto it.
class RecordingDIBX : public TDIBX {
 public:
  void Draw(int x, int y, TCustomDIBX&, const TRect& sr, bool useKey, bool flipH, bool flipV) override {
    Log("Draw", x, y, sr, flipH, flipV, -1, useKey);
  }
  void DrawMask(int x, int y, TCustomDIBX&, const TRect& sr, bool flipH, bool flipV, TCustomDIBX&) override {
    Log("DrawMask", x, y, sr, flipH, flipV, -1);
  }
  void DrawAlpha(int x, int y, TCustomDIBX&, const TRect& sr, bool useKey, bool flipH, bool flipV, int a) override {
    Log("DrawAlpha", x, y, sr, flipH, flipV, a, useKey);
  }
  void DrawMaskAlpha(int x, int y, TCustomDIBX&, const TRect& sr, bool flipH, bool flipV, TCustomDIBX&, int a) override {
    Log("DrawMaskAlpha", x, y, sr, flipH, flipV, a);
  }
  void DrawAdd(int x, int y, TCustomDIBX&, const TRect& sr, bool useKey, bool flipH, bool flipV, int a) override {
    Log("DrawAdd", x, y, sr, flipH, flipV, a, useKey);
  }
  void DrawMaskAdd(int x, int y, TCustomDIBX&, const TRect& sr, bool flipH, bool flipV, TCustomDIBX&, int a) override {
    Log("DrawMaskAdd", x, y, sr, flipH, flipV, a);
  }
  std::vector<std::string> Calls;

 private:
  void Log(const char* op, int x, int y, const TRect& sr, bool fh, bool fv, int a, int key = -1) {
    std::string s = std::string(op) + " " + std::to_string(x) + "," + std::to_string(y) + " [" +
                    std::to_string(sr.Left) + "," + std::to_string(sr.Top) + "," + std::to_string(sr.Right) + "," +
                    std::to_string(sr.Bottom) + "]";
    if (fh) s += " H";
    if (fv) s += " V";
    if (a >= 0) s += " " + std::to_string(a);
    if (key >= 0) s += key ? " K" : " -";
    Calls.push_back(s);
  }
};

}  // namespace

TEST_F(CacheFixture, NamesIgnoreCaseAndVariantsAreItemsOfTheirOwn) {
  Plain("pic.vsk", 2, 1);
  TVaskItem& first = cache.Acquire(&a, "pic.vsk", false, false);
  TVaskItem& second = cache.Acquire(&b, "PIC.VSK", false, false);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(first.Users(), (std::vector<TVaskUser>{&a, &b}));
  cache.Acquire(&a, "Pic.Vsk", false, false);
  EXPECT_EQ(first.Users().size(), 2u) << "each user once";
  TVaskItem& both = cache.Acquire(&a, "pic.vsk", true, true);
  EXPECT_NE(&both, &first);
  EXPECT_EQ(both.GetName(), "pic.vsk?m?t");
  ASSERT_EQ(both.GetFrameCount(), 1);
  EXPECT_NE(both.GetFrame(0).Mask, nullptr) << "the mask variant has masks";
  EXPECT_EQ(first.GetFrame(0).Mask, nullptr);
  EXPECT_EQ(first.GetFrame(0).Image->GetBitCount(), 32);
  EXPECT_EQ(first.GetFrame(0).Image->GetPixel(1, 0), 0x102030u);
}

TEST_F(CacheFixture, ReleasedPicturesAreKeptWithinTheBudget) {
  Plain("a.vsk", 1000, 750);   // 3,000,000 bytes at 32 bits
  Plain("b.vsk", 1000, 750);
  Plain("big.vsk", 2000, 750);  // 6,000,000 bytes
  TVaskItem& itemA = cache.Acquire(&a, "a.vsk", false, false);
  TVaskItem& itemB = cache.Acquire(&a, "b.vsk", false, false);
  EXPECT_EQ(itemA.Memory(), 3000000);
  itemA.Release(&a);
  EXPECT_TRUE(itemA.IsReleased());
  EXPECT_EQ(cache.Count(), 2);
  itemB.Release(&a);
  EXPECT_EQ(cache.Find("a.vsk"), nullptr) << "6 MB over the budget: the oldest goes";
  EXPECT_NE(cache.Find("b.vsk"), nullptr);
  // Taken again, an item leaves the released list, so RemoveName leaves it alone.
  cache.Acquire(&b, "b.vsk", false, false);
  EXPECT_EQ(cache.ReleasedCount(), 0);
  cache.RemoveName("b.vsk");
  EXPECT_NE(cache.Find("b.vsk"), nullptr);
  cache.Find("b.vsk")->Release(&b);
  cache.RemoveName("B.VSK");
  EXPECT_EQ(cache.Find("b.vsk"), nullptr);
  // One released item larger than the budget stays.
  cache.Acquire(&a, "big.vsk", true, false).Release(&a);
  EXPECT_NE(cache.Find("big.vsk?m"), nullptr);
  cache.RemoveName("big.vsk");
  EXPECT_EQ(cache.Count(), 0) << "the variants go too";
}

TEST_F(CacheFixture, FramesDelaysPlaceholdersAndEmptyLists) {
  VaskFrame f1 = VaskFrame::Of(2, 1, 24, Rows{{1, 2}}), f2 = VaskFrame::Of(3, 2, 24, Rows{{1, 2, 3}, {4, 5, 6}});
  f1.Delay = 0;
  f2.Delay = 70;
  f2.TransparentValue = 5;
  Add("anim.vsk", {f1, f2});
  TVaskItem& anim = cache.Acquire(&a, "anim.vsk", false, false);
  ASSERT_EQ(anim.GetFrameCount(), 2);
  EXPECT_EQ(anim.GetFrame(0).Delay, 1);
  EXPECT_EQ(anim.TotalDelay, 71);
  EXPECT_EQ(anim.Width, 2);
  EXPECT_EQ(anim.Height, 1);
  EXPECT_EQ(anim.GetFrame(1).KeyColor, 0x050000);
  EXPECT_EQ(anim.GetFrame(1).Image->TransparentColor, 5);
  EXPECT_NE(anim.GetFrame(1).Mask, nullptr) << "a keyed frame gets a mask when read";

  // A name the project does not find: one invisible 8 × 8 frame, the item 0 × 0.
  services.Depth = 16;
  for (bool mask : {false, true}) {
    TVaskItem& missing = cache.Acquire(&a, "missing.vsk", mask, false);
    ASSERT_EQ(missing.GetFrameCount(), 1);
    TVaskItemFrame& frame = missing.GetFrame(0);
    EXPECT_EQ(missing.Width, 0);
    EXPECT_EQ(frame.Image->GetWidth(), 8);
    EXPECT_EQ(frame.Image->GetBitCount(), 16);
    EXPECT_EQ(frame.Image->TransparentColor, 0);
    EXPECT_EQ(frame.Mask != nullptr, mask);
    TDIBX target;
    target.SetSize(8, 8, 16);
    target.Fill(0x1234);
    for (int alpha : {100, 255, 300}) frame.Draw(target, 0, 0, {0, 0, 8, 8}, false, false, alpha);
    EXPECT_EQ(SurfacePixels(target), Rows(8, std::vector<uint32_t>(8, 0x1234))) << mask;
  }
  services.Unavailable = true;
  Plain("here.vsk", 1, 1);
  EXPECT_EQ(cache.Acquire(&a, "here.vsk", false, false).Width, 0) << "the project's test decides";
  services.Unavailable = false;

  // No frame: an empty item. A damaged file: an error and no item.
  Add("none.vsk", {});
  EXPECT_EQ(cache.Acquire(&a, "none.vsk", false, false).GetFrameCount(), 0);
  files.Add("bad.vsk", "Vask106garbage");
  const int count = cache.Count();
  EXPECT_THROW(cache.Acquire(&a, "bad.vsk", false, false), Exception);
  EXPECT_EQ(cache.Count(), count);
  EXPECT_EQ(cache.Find("bad.vsk"), nullptr);
}

TEST_F(CacheFixture, DrawPicksTheBlitByMaskAndAlpha) {
  Plain("plain.vsk", 4, 4);
  VaskFrame keyed = VaskFrame::Of(4, 4, 24, Rows(4, std::vector<uint32_t>(4, 7)));
  keyed.TransparentValue = 7;
  Add("keyed.vsk", {keyed});
  struct Case {
    const char* name;
    bool mask;
    int alpha;
    const char* call;
  } cases[] = {
      {"plain.vsk", true, 100, "DrawMaskAlpha 1,2 [0,0,3,3] H 100"},
      {"plain.vsk", true, 255, "DrawMask 1,2 [0,0,3,3] H"},
      {"plain.vsk", true, 300, "DrawMaskAdd 1,2 [0,0,3,3] H 44"},
      {"plain.vsk", false, 100, "DrawAlpha 1,2 [0,0,3,3] H 100 -"},
      {"plain.vsk", false, 255, "Draw 1,2 [0,0,3,3] H -"},
      {"plain.vsk", false, 511, "DrawAdd 1,2 [0,0,3,3] H 255 -"},
  };
  for (const Case& c : cases) {
    RecordingDIBX target;
    cache.Acquire(&a, c.name, c.mask, false).GetFrame(0).Draw(target, 1, 2, {0, 0, 3, 3}, true, false, c.alpha);
    EXPECT_EQ(target.Calls, (std::vector<std::string>{c.call})) << c.name << c.mask << c.alpha;
  }
  // A keyed image without a mask asks for its key. (Keyed frames read from files have
  // masks; a key without one comes from a picture whose mask was never made.)
  TVaskItemFrame& frame = cache.Acquire(&a, "keyed.vsk", false, false).GetFrame(0);
  frame.Mask.reset();
  RecordingDIBX target;
  frame.Draw(target, 0, 0, {0, 0, 1, 1}, false, false, 255);
  frame.Draw(target, 0, 0, {0, 0, 1, 1}, false, true, 0);
  EXPECT_EQ(target.Calls, (std::vector<std::string>{"Draw 0,0 [0,0,1,1] K"}));
}

TEST_F(CacheFixture, DrawTiledLaysOutPiecesFromTheOffset) {
  Plain("tile.vsk", 10, 10);
  TVaskItemFrame& frame = cache.Acquire(&a, "tile.vsk", false, false).GetFrame(0);
  RecordingDIBX target;
  target.SetSize(100, 100, 32);
  frame.DrawTiled(target, {0, 0, 25, 10}, {0, 0, 10, 10}, -3, 0, false, false, 255);
  EXPECT_EQ(target.Calls, (std::vector<std::string>{"Draw 0,0 [7,0,10,10] -", "Draw 3,0 [0,0,10,10] -",
                                                    "Draw 13,0 [0,0,10,10] -", "Draw 23,0 [0,0,2,10] -"}));
  // Flipped, the same pieces mirrored inside the rectangle.
  target.Calls.clear();
  frame.DrawTiled(target, {0, 0, 25, 5}, {0, 0, 10, 10}, -3, 8, true, true, 255);
  EXPECT_EQ(target.Calls, (std::vector<std::string>{"Draw 22,3 [7,8,10,10] H V -", "Draw 12,3 [0,8,10,10] H V -",
                                                    "Draw 2,3 [0,8,10,10] H V -", "Draw 0,3 [0,8,2,10] H V -",
                                                    "Draw 22,0 [7,0,10,3] H V -", "Draw 12,0 [0,0,10,3] H V -",
                                                    "Draw 2,0 [0,0,10,3] H V -", "Draw 0,0 [0,0,2,3] H V -"}));
  // Pieces outside the target's clip are not drawn at all; a source of no width draws nothing.
  target.Calls.clear();
  target.SetClipRect({40, 0, 55, 10});
  frame.DrawTiled(target, {0, 0, 2000000000, 10}, {0, 0, 10, 10}, 0, 0, false, false, 255);
  EXPECT_EQ(target.Calls, (std::vector<std::string>{"Draw 40,0 [0,0,10,10] -", "Draw 50,0 [0,0,10,10] -"}));
  target.Calls.clear();
  frame.DrawTiled(target, {0, 0, 50, 10}, {3, 0, 3, 10}, 0, 0, false, false, 255);
  EXPECT_TRUE(target.Calls.empty());
}

TEST_F(CacheFixture, TileVariantPicturesListsAndOffsetAgree) {
  // A 6 × 4 picture with a visible 3 × 2 part at (2, 1) and pieces named by its rectangles.
  Rows picture(4, std::vector<uint32_t>(6, 0));
  picture[1][2] = 1, picture[1][3] = 2, picture[1][4] = 3, picture[2][2] = 4, picture[2][3] = 5, picture[2][4] = 6;
  VaskFrame frame = VaskFrame::Of(6, 4, 24, picture);
  frame.TransparentValue = 0;
  frame.Rects = {{2, 1, 4, 3}, {3, 1, 5, 2}, {0, 0, 1, 1}};
  Add("tiles.vsk", {frame});
  TVaskItem& item = cache.Acquire(&a, "tiles.vsk", false, true);
  TVaskItemFrame& f = item.GetFrame(0);
  EXPECT_EQ(f.OffsetX, 2);
  EXPECT_EQ(f.OffsetY, 1);
  EXPECT_EQ(f.Image->GetWidth(), 3);
  EXPECT_EQ(item.Width, 6) << "the picture's size is the whole frame's";
  ASSERT_EQ(f.Image->Rects.size(), 2u) << "a rectangle outside the visible part is dropped";
  for (size_t k = 0; k < 2; ++k) {
    const TRect cut = f.Image->Rects[k], whole = frame.Rects[k];
    for (int y = cut.Top; y < cut.Bottom; ++y)
      for (int x = cut.Left; x < cut.Right; ++x)
        EXPECT_EQ(f.Image->GetPixel(x, y), picture[size_t(whole.Top + y - cut.Top)][size_t(whole.Left + x - cut.Left)]);
  }
}

TEST_F(CacheFixture, DitherAndDisplayChangesRefillTheSurfacesUsersHold) {
  // A 24-bit gradient at 16 bits: converted by the copy, without dither, until dither is on.
  Rows gradient(4, std::vector<uint32_t>(16));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 16; ++x) gradient[y][x] = uint32_t(x * 3 + y) * 0x010101u;
  Add("grad.vsk", {VaskFrame::Of(16, 4, 24, gradient)});
  services.Depth = 16;
  TVaskItem& item = cache.Acquire(&a, "grad.vsk", true, false);
  TDIBX* image = item.GetFrame(0).Image.get();
  TDIBX* mask = item.GetFrame(0).Mask.get();
  const Rows copied = SurfacePixels(*image);
  EXPECT_EQ(copied[0][5], image->ColorToPixel(0x0F0F0F)) << "truncated by the copy";
  cache.SetDither(true);
  EXPECT_EQ(item.GetFrame(0).Image.get(), image) << "the users' references stay";
  EXPECT_NE(SurfacePixels(*image), copied) << "reloaded with dithering";
  cache.SetDither(false);
  EXPECT_EQ(SurfacePixels(*image), copied);

  // A display change at 32 bits: the same surfaces, now at the new depth.
  services.Depth = 32;
  cache.ReleaseSurfaces();
  cache.RecreateSurfaces(true);
  EXPECT_EQ(item.GetFrame(0).Image.get(), image);
  EXPECT_EQ(item.GetFrame(0).Mask.get(), mask);
  EXPECT_EQ(image->GetBitCount(), 32);
  EXPECT_EQ(image->GetPixel(5, 1), 0x101010u);
  EXPECT_EQ(item.Width, 16);

  // A file gone leaves the item; one with fewer frames refills only those.
  files.Remove("grad.vsk");
  cache.RecreateSurfaces(true);
  EXPECT_EQ(image->GetPixel(5, 1), 0x101010u);
  Add("grad.vsk", {VaskFrame::Of(2, 1, 24, Rows{{0xFFFFFF, 0}})});
  cache.RecreateSurfaces(true);
  EXPECT_EQ(image->GetWidth(), 2);
  EXPECT_EQ(item.Width, 16) << "sizes and delays stay";
}

TEST_F(CacheFixture, StatusDataIsTheDitherFlag) {
  TMemoryStream out;
  cache.SetDither(true);
  cache.SaveToStream(out);
  EXPECT_EQ(out.View(), std::string_view("\x01", 1));
  TVaskCollection other{services};
  out.SetPosition(0);
  other.LoadFromStream(out, 100);
  EXPECT_FALSE(other.Dither()) << "version 100 has no flag";
  out.SetPosition(0);
  other.LoadFromStream(out, 101);
  EXPECT_TRUE(other.Dither());
}

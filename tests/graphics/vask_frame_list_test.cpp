#include "graphics/vask_frame_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/exceptions.h"
#include "core/stream.h"
#include "core/vask_header.h"
#include "graphics/dibx.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/jpeg_codec.h"
#include "graphics_test_kit.h"
#include "kit/vask_file.h"

using namespace orva;
using namespace orva::test;
using kit::MakeVask;
using kit::VaskBlock;
using kit::VaskFile;
using kit::VaskFrame;
using kit::VaskLayer;
using kit::VaskRows;

using Rows = std::vector<std::vector<uint32_t>>;

namespace {

void Read(TVaskFrameList& list, const std::string& bytes, bool firstOnly = false) {
  TMemoryStream m(bytes);
  list.LoadFromStream(m, firstOnly);
}

Rows PixelsOf(TDIB& dib) { return Pixels(dib); }

Rows MaskOf(TVaskFrame& frame) {
  if (!frame.HasMask()) return {};
  return Pixels(*frame.Surface.Alpha());
}

VaskFile OneFrame(const VaskFrame& frame, int version = 106) {
  VaskFile f;
  f.Version = version;
  f.Frames = {frame};
  return f;
}

// An 8-bit frame whose index 5 is the transparent value.
VaskFrame KeyedIndexFrame() {
  VaskFrame frame = VaskFrame::Of(3, 2, 8, Rows{{1, 5, 2}, {5, 2, 5}});
  frame.Table = {0x000000, 0xFF0000, 0x00FF00, 0, 0, 0x102030};
  frame.TransparentValue = 5;
  return frame;
}

}  // namespace

TEST(VaskReader, WithoutTagTheStreamIsVersionZeroFromItsFirstByte) {
  VaskFile f = OneFrame(VaskFrame::Of(2, 1, 24, Rows{{0x112233, 0x445566}}), 0);
  const std::string bytes = MakeVask(f);
  ASSERT_NE(bytes.substr(0, 4), "Vask");
  TMemoryStream m(bytes);
  TVaskFrameList list;
  list.LoadFromStream(m, false);
  EXPECT_EQ(list.Version, 0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(PixelsOf(list.GetFrame(0).Surface), (Rows{{0x112233, 0x445566}}));
  EXPECT_FALSE(list.GetFrame(0).HasMask());
  EXPECT_EQ(m.GetPosition(), m.GetSize());
}

TEST(VaskReader, HeaderSizesAndFirstOnly) {
  VaskFile f;
  for (int i = 0; i < 10; ++i) f.Frames.push_back(VaskFrame::Of(1, 1, 24, Rows{{uint32_t(i)}}));
  for (int32_t size : {40, 48, 24}) {
    f.HeaderSize = size;
    f.Background = 0x0000FF;  // at offset 24: not read from a 24-byte header
    TVaskFrameList list;
    Read(list, MakeVask(f));
    EXPECT_EQ(list.Count(), 10) << size;
    EXPECT_EQ(list.GetFrame(9).Surface.GetPixel(0, 0), 9u) << size;
    EXPECT_EQ(list.BackgroundColor, size > 24 ? 0x0000FF : 0) << size;
  }
  TVaskFrameList first;
  Read(first, MakeVask(f), true);
  EXPECT_EQ(first.Count(), 1);
}

TEST(VaskReader, TagWithoutThreeDigitsIsAConversionError) {
  VaskFile f = OneFrame(VaskFrame::Of(1, 1, 24, Rows{{0}}));
  for (const char* tag : {"Vask1x6", "Vask 10", "Vask-10"}) {
    f.Tag = tag;
    TVaskFrameList list;
    EXPECT_THROW(Read(list, MakeVask(f)), EConvertError) << tag;
    TMemoryStream m(MakeVask(f));
    EXPECT_FALSE(IsRawVaskStream(m));
  }
}

TEST(VaskReader, EightBitKeyBecomesTheFirstKeyPixelsValueAtTwentyFourBits) {
  TVaskFrameList list;
  Read(list, MakeVask(OneFrame(KeyedIndexFrame())));
  TVaskFrame& frame = list.GetFrame(0);
  EXPECT_EQ(frame.Surface.GetBitCount(), 24);
  EXPECT_EQ(frame.TransparentValue, 0x102030);
  EXPECT_EQ(frame.TransparentColor, 0x302010);
  EXPECT_EQ(PixelsOf(frame.Surface), (Rows{{0xFF0000, 0x102030, 0x00FF00}, {0x102030, 0x00FF00, 0x102030}}));
  EXPECT_EQ(MaskOf(frame), (Rows{{255, 0, 255}, {0, 255, 0}}));

  // Converted to the target depth instead, with its mask.
  TVaskFrameList sixteen;
  sixteen.TargetBitCount = 16;
  Read(sixteen, MakeVask(OneFrame(KeyedIndexFrame())));
  EXPECT_EQ(sixteen.GetFrame(0).Surface.GetBitCount(), 16);
  EXPECT_EQ(MaskOf(sixteen.GetFrame(0)), (Rows{{255, 0, 255}, {0, 255, 0}}));

  // A transparent value that no pixel holds ends as none.
  VaskFrame unused = KeyedIndexFrame();
  unused.TransparentValue = 4;
  TVaskFrameList none;
  Read(none, MakeVask(OneFrame(unused)));
  EXPECT_EQ(none.GetFrame(0).TransparentValue, -1);
  EXPECT_EQ(MaskOf(none.GetFrame(0)), (Rows{{255, 255, 255}, {255, 255, 255}}));
}

TEST(VaskReader, FramesNamesDelaysRectanglesAndVersionGates) {
  VaskFrame frame = VaskFrame::Of(2, 2, 16, Rows{{0x1234, 0x5678}, {0x9ABC, 0xDEF0}});
  frame.Name = "walk";
  frame.Delay = 120;
  frame.Rects = {{0, 0, 1, 1}};
  frame.Rects2 = {{1, 1, 2, 2}, {0, 1, 2, 2}};
  frame.Layers[0].Mask = VaskRows(8, Rows{{1, 2}, {3, 4}});
  frame.Layers[0].UseMask = true;
  struct Case {
    int version;
    bool rects, mask;
  } cases[] = {{0, false, false}, {99, false, false}, {100, false, true}, {103, false, true}, {104, true, true}, {106, true, true}};
  for (const Case& c : cases) {
    TVaskFrameList list;
    Read(list, MakeVask(OneFrame(frame, c.version)));
    TVaskFrame& f = list.GetFrame(0);
    EXPECT_EQ(f.Name, "walk");
    EXPECT_EQ(f.Delay, 120);
    EXPECT_EQ(f.Rects.size(), c.rects ? 1u : 0u) << c.version;
    EXPECT_EQ(f.Rects2.size(), c.rects ? 2u : 0u) << c.version;
    // Before 101 the layer has no use-mask flag: its mask is read but not composed.
    EXPECT_EQ(f.HasMask(), c.version >= 101) << c.version;
    EXPECT_EQ(PixelsOf(f.Surface), (Rows{{0x1234, 0x5678}, {0x9ABC, 0xDEF0}})) << c.version;
  }
  TVaskFrameList list;
  Read(list, MakeVask(OneFrame(frame)));
  EXPECT_EQ(list.GetFrame(0).Rects2[1], (TRect{0, 1, 2, 2}));
  EXPECT_EQ(MaskOf(list.GetFrame(0)), (Rows{{1, 2}, {3, 4}}));
}

TEST(VaskReader, BackgroundTakesTheSurfacesOwnFieldWidths) {
  // No layer: the frame is its background, 0x00BBGGRR through RGBToPixel.
  VaskFrame frame;
  frame.Width = 1, frame.Height = 1, frame.Bits = 32;
  VaskFile f = OneFrame(frame);
  f.Background = 0x00302010;
  TVaskFrameList list;
  Read(list, MakeVask(f));
  EXPECT_EQ(list.GetFrame(0).Surface.GetPixel(0, 0), 0x102030u);
  frame.Bits = 15;
  f = OneFrame(frame);
  f.Background = 0x00030201;  // components taken as 5-bit values
  Read(list, MakeVask(f));
  EXPECT_EQ(list.GetFrame(0).Surface.GetPixel(0, 0), (1u << 10) | (2u << 5) | 3u);
}

TEST(VaskReader, CompositionRules) {
  const uint32_t A = 0x102030, B = 0x405060, W = 0xFFFFFF;
  auto layer = [](Rows pixels, int32_t key = -1, int32_t opacity = 255) {
    VaskLayer l;
    l.Pixels = VaskRows(32, pixels);
    l.TransparentValue = key;
    l.Opacity = opacity;
    return l;
  };
  auto masked = [&](Rows pixels, Rows mask) {
    VaskLayer l = layer(pixels);
    l.Mask = VaskRows(8, mask);
    l.UseMask = true;
    return l;
  };
  VaskLayer hidden = layer(Rows{{W, W}});
  hidden.Visible = false;
  struct Case {
    const char* what;
    std::vector<VaskLayer> layers;
    bool firstLayerOpaque;
    Rows picture, mask;
  } cases[] = {
      {"layer 0 gives its mask to the frame and is copied", {masked(Rows{{A, B}}, Rows{{0, 200}})}, false, Rows{{A, B}}, Rows{{0, 200}}},
      {"a later masked layer draws through its mask", {layer(Rows{{A, A}}), masked(Rows{{B, B}}, Rows{{0, 255}})}, false, Rows{{A, B}}, {}},
      {"a layer without key is copied", {layer(Rows{{A, B}})}, false, Rows{{A, B}}, {}},
      {"a keyed layer skips its key", {layer(Rows{{A, B}}, int32_t(A))}, false, Rows{{0, B}}, {}},
      {"the first layer ignores its key when opaque", {layer(Rows{{A, B}}, int32_t(A))}, true, Rows{{A, B}}, {}},
      {"only the first visible layer", {layer(Rows{{A, A}}), layer(Rows{{B, A}}, int32_t(A))}, true, Rows{{B, A}}, {}},
      {"an invisible layer 0 leaves the next one first", {hidden, layer(Rows{{A, B}}, int32_t(A))}, true, Rows{{A, B}}, {}},
      {"opacity blends", {layer(Rows{{W, 0}}, -1, 128)}, false, Rows{{0x7F7F7F, 0}}, {}},
  };
  for (const Case& c : cases) {
    VaskFrame frame;
    frame.Width = 2, frame.Height = 1, frame.Bits = 32;
    frame.Layers = c.layers;
    VaskFile f = OneFrame(frame);
    f.FirstLayerOpaque = c.firstLayerOpaque;
    TVaskFrameList list;
    Read(list, MakeVask(f));
    EXPECT_EQ(PixelsOf(list.GetFrame(0).Surface), c.picture) << c.what;
    EXPECT_EQ(MaskOf(list.GetFrame(0)), c.mask) << c.what;
  }
}

TEST(VaskReader, BlocksRepeatEarlierBlocksAndFrames) {
  // 5 × 3 pictures in 2 × 2 blocks: 3 columns, 2 rows, the last column and row cut.
  const Rows first{{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}};
  auto rows = [](const Rows& p, int left, int top, int w, int h) {
    Rows out;
    for (int y = top; y < top + h; ++y) out.emplace_back(p[y].begin() + left, p[y].begin() + left + w);
    return out;
  };
  using kit::VaskBlockRows;
  VaskFrame f0;
  f0.Width = 5, f0.Height = 3, f0.Bits = 8;
  VaskLayer l0;
  // Block 1 repeats block 0; block 4 repeats block 3, the others are literal.
  l0.Pixels = kit::VaskBlocks({{-1, 0}, {-2, 0}, {-1, 0}, {-1, 0}, {-2, 3}, {-1, 0}},
                              VaskBlockRows(8, rows(first, 0, 0, 2, 2)) + VaskBlockRows(8, rows(first, 4, 0, 1, 2)) +
                                  VaskBlockRows(8, rows(first, 0, 2, 2, 1)) + VaskBlockRows(8, rows(first, 4, 2, 1, 1)));
  l0.Mask = kit::VaskBlocks({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, std::string(15, '\x80'));
  l0.UseMask = true;
  f0.Layers = {l0};
  // Frame 1 takes every block of frame 0's first layer, mask too, but the middle top one.
  VaskFrame f1 = f0;
  f1.Layers[0].Pixels = kit::VaskBlocks({{0, 0}, {-1, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}, std::string(4, '\x63'));
  f1.Layers[0].Mask = kit::VaskBlocks({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}, "");
  VaskFile f;
  f.BlockWidth = 2, f.BlockHeight = 2;
  // Index i is the colour i, so the 24-bit result shows the indices.
  for (uint32_t i = 0; i < 256; ++i) f0.Table.push_back(i);
  f1.Table = f0.Table;
  f.Frames = {f0, f1};
  TVaskFrameList list;
  Read(list, MakeVask(f));
  EXPECT_EQ(PixelsOf(list.GetFrame(0).Surface), (Rows{{1, 2, 1, 2, 5}, {6, 7, 6, 7, 10}, {11, 12, 11, 12, 15}}));
  EXPECT_EQ(PixelsOf(list.GetFrame(1).Surface), (Rows{{1, 2, 99, 99, 5}, {6, 7, 99, 99, 10}, {11, 12, 11, 12, 15}}));
  EXPECT_EQ(MaskOf(list.GetFrame(1))[2][4], 0x80u);
}

namespace {

template <class E>
void ExpectRaises(const VaskFile& f, const char* what) {
  TVaskFrameList list;
  EXPECT_THROW(Read(list, MakeVask(f)), E) << what;
}

// A frame of one layer whose pixel data are the given (block) bytes.
VaskFrame WithPixels(int32_t width, int32_t bits, std::string pixels) {
  VaskFrame frame;
  frame.Width = width, frame.Height = 1, frame.Bits = bits;
  frame.Layers.resize(1);
  frame.Layers[0].Pixels = std::move(pixels);
  return frame;
}

// In 1 × 1 blocks: frame 0 literal, then a frame whose entries are given.
VaskFile Blocks(VaskFrame second) {
  VaskFile f;
  f.BlockWidth = f.BlockHeight = 1;
  f.Frames = {WithPixels(1, 24, kit::VaskBlocks({{-1, 0}}, std::string(3, '\0'))), std::move(second)};
  return f;
}

}  // namespace

TEST(VaskReader, HostileFilesRaiseTheSystemsErrors) {
  const VaskFile good = OneFrame(VaskFrame::Of(1, 1, 24, Rows{{0x123456}}));
  auto changed = [&](auto change) {
    VaskFile f = good;
    change(f, f.Frames[0]);
    return f;
  };
  ExpectRaises<EInvalidGraphicOperation>(changed([](VaskFile&, VaskFrame& fr) { fr.Bits = 7; }), "bit count 7");
  ExpectRaises<EInvalidGraphic>(changed([](VaskFile&, VaskFrame& fr) { fr.Width = 0; }), "width 0");
  ExpectRaises<EInvalidGraphic>(changed([](VaskFile&, VaskFrame& fr) { fr.Width = fr.Height = 20000, fr.Bits = 32; }),
                                "pixels beyond the cap");
  ExpectRaises<EReadError>(changed([](VaskFile& f, VaskFrame&) { f.FrameCount = 1000; }), "more frames than bytes");
  ExpectRaises<EReadError>(changed([](VaskFile& f, VaskFrame&) { f.FrameCount = -1; }), "negative frame count");
  ExpectRaises<EReadError>(changed([](VaskFile&, VaskFrame& fr) { fr.LayerCount = 1000; }), "more layers than bytes");
  ExpectRaises<EReadError>(changed([](VaskFile& f, VaskFrame&) { f.Mode = 3; }), "unknown data mode");
  ExpectRaises<EReadError>(changed([](VaskFile& f, VaskFrame& fr) { f.Mode = 1, fr.Layers[0].StoredPixels = "abc"; }),
                           "raw rows cut short");
  ExpectRaises<EReadError>(changed([](VaskFile&, VaskFrame& fr) { fr.Height = 2; }), "inflated rows cut short");
  ExpectRaises<ECompressionError>(changed([](VaskFile&, VaskFrame& fr) { fr.Layers[0].StoredPixels = "\x78\x9c\xff\xff\xff"; }),
                                  "damaged zlib data");
  ExpectRaises<EInvalidGraphic>(changed([](VaskFile& f, VaskFrame& fr) {
                                  f.Mode = 2;
                                  TDIBSurface picture;
                                  picture.SetSize(2, 2, 24);
                                  const std::vector<uint8_t> jpeg = EncodeJpeg(picture, 70);
                                  fr.Layers[0].Pixels.assign(jpeg.begin(), jpeg.end());
                                }),
                                "JPEG of another size");
  ExpectRaises<EInvalidGraphic>(changed([](VaskFile& f, VaskFrame& fr) { f.Mode = 2, fr.Layers[0].Pixels = "\xFF\xD8junk"; }),
                                "damaged JPEG");

  // Block entries point backwards, at what is there, of the same depth, and fit.
  ExpectRaises<EReadError>(Blocks(WithPixels(1, 24, kit::VaskBlocks({{-2, 0}}, ""))), "a block copying itself");
  ExpectRaises<EReadError>(Blocks(WithPixels(2, 24, kit::VaskBlocks({{-2, 1}, {-1, 0}}, std::string(3, '\0')))),
                           "a block copying a later one");
  ExpectRaises<EReadError>(Blocks(WithPixels(1, 24, kit::VaskBlocks({{1, 0}}, ""))), "a block of a frame not read");
  ExpectRaises<EReadError>(Blocks(WithPixels(1, 24, kit::VaskBlocks({{0, 1}}, ""))), "a block of a missing layer");
  ExpectRaises<EReadError>(Blocks(WithPixels(1, 16, kit::VaskBlocks({{0, 0}}, ""))), "a block of another depth");
  ExpectRaises<EReadError>(Blocks(WithPixels(2, 24, kit::VaskBlocks({{-1, 0}, {0, 0}}, std::string(3, '\0')))),
                           "a block outside its source");
  ExpectRaises<EReadError>(Blocks(WithPixels(1, 24, kit::VaskBlocks({{-3, 0}}, ""))), "an unknown block entry");
  TVaskFrameList list;
  Read(list, MakeVask(Blocks(WithPixels(1, 24, kit::VaskBlocks({{0, 0}}, "")))));
  EXPECT_EQ(list.Count(), 2) << "the fitting reference reads";
}

TEST(VaskReader, TruncatedOrFlippedBytesGiveFramesOrTheSystemsErrors) {
  using kit::VaskBlockRows;
  // 4-bit frames: a short colour table, pixels packed inside the block rows.
  VaskFrame keyed = KeyedIndexFrame();
  keyed.Bits = 4;
  keyed.Layers[0].Pixels = kit::VaskBlocks({{-1, 0}, {-1, 0}}, VaskBlockRows(4, Rows{{1, 5}, {5, 2}}) + VaskBlockRows(4, Rows{{2}, {5}}));
  keyed.Layers[0].Mask = kit::VaskBlocks({{-1, 0}, {-2, 0}}, VaskBlockRows(8, Rows{{0, 255}, {9, 1}}));
  keyed.Layers[0].UseMask = true;
  keyed.Rects = {{0, 0, 1, 1}};
  VaskFrame second = keyed;
  second.Layers[0].Pixels = kit::VaskBlocks({{0, 0}, {-1, 0}}, VaskBlockRows(4, Rows{{7}, {8}}));
  VaskFile f;
  f.Mode = 1;
  f.BlockWidth = f.BlockHeight = 2;
  f.Frames = {keyed, second};
  const std::string bytes = MakeVask(f);
  int loaded = 0;
  auto attempt = [&](const std::string& b) {
    try {
      TVaskFrameList list;
      list.TargetBitCount = 16;
      Read(list, b);
      ++loaded;
    } catch (const Exception&) {
    }
  };
  for (size_t n = 0; n <= bytes.size(); ++n) attempt(bytes.substr(0, n));
  f.Mode = 0;
  const std::string zlib = MakeVask(f);
  for (size_t n = 0; n < zlib.size(); ++n) attempt(zlib.substr(0, n));
  for (size_t i = 0; i < bytes.size(); ++i)
    for (uint8_t flip : {0x01, 0x80}) {
      std::string b = bytes;
      b[i] = static_cast<char>(b[i] ^ flip);
      attempt(b);
    }
  EXPECT_GT(loaded, 0);
  TVaskFrameList list;
  Read(list, bytes);
  EXPECT_EQ(PixelsOf(list.GetFrame(1).Surface)[1], (std::vector<uint32_t>{0x102030, 0x00FF00, 0}));
}

TEST(VaskReader, JpegFramesDecodeAtTheFramesDepth) {
  TDIBSurface picture;
  picture.SetSize(16, 8, 24);
  picture.FillRect(picture.GetBounds(), 0x3080C0);
  const std::vector<uint8_t> jpeg = EncodeJpeg(picture, 70);
  for (int bits : {24, 32, 16}) {
    VaskFrame frame;
    frame.Width = 16, frame.Height = 8, frame.Bits = bits;
    VaskLayer layer;
    layer.Pixels.assign(jpeg.begin(), jpeg.end());
    layer.Mask = VaskRows(8, Rows(8, std::vector<uint32_t>(16, 77)));
    layer.UseMask = true;
    frame.Layers = {layer};
    VaskFile f = OneFrame(frame);
    f.Mode = 2;
    TVaskFrameList list;
    Read(list, MakeVask(f));
    TVaskFrame& read = list.GetFrame(0);
    EXPECT_EQ(read.Surface.GetBitCount(), bits);
    uint8_t r, g, b;
    read.Surface.PixelToRGB8(read.Surface.GetPixel(5, 5), r, g, b, false);
    EXPECT_NEAR(r, 0x30, 8) << bits;
    EXPECT_NEAR(g, 0x80, 8) << bits;
    EXPECT_NEAR(b, 0xC0, 8) << bits;
    EXPECT_EQ(MaskOf(read)[7][15], 77u);
  }
}

TEST(VaskWriter, WritesVask106ByteForByte) {
  TVaskFrameList list;
  list.BackgroundColor = 0x00112233;
  list.FirstLayerOpaque = true;
  TVaskFrame& a = list.Add();
  Fill(a.Surface, 15, Rows{{0x7FFF, 0x1234, 0}});
  a.Delay = 40;
  a.Surface.EnsureAlpha();
  Fill(*a.Surface.Alpha(), 8, Rows{{0, 128, 255}});
  TVaskFrame& b = list.Add();
  b.Surface.SetSize(2, 1, 8);
  b.Surface.ColorTable[1] = MakeRGBQuad(1, 2, 3);
  b.Surface.ApplyColorTable();
  b.Surface.SetPixel(1, 0, 1);
  for (int mode : {0, 1}) {
    VaskFile f;
    f.Mode = static_cast<uint8_t>(mode);
    f.HeaderWidth = 3, f.HeaderHeight = 1, f.HeaderBits = 15;
    f.Background = 0x00112233;
    f.FirstLayerOpaque = true;
    VaskFrame fa = VaskFrame::Of(3, 1, 15, Rows{{0x7FFF, 0x1234, 0}});
    fa.Delay = 40;
    fa.Layers[0].Mask = VaskRows(8, Rows{{0, 128, 255}});
    fa.Layers[0].UseMask = true;
    VaskFrame fb = VaskFrame::Of(2, 1, 8, Rows{{0, 1}});
    fb.Name = "Frame2";
    for (const TRGBQuad& q : b.Surface.ColorTable) fb.Table.push_back(uint32_t{q.rgbRed} << 16 | q.rgbGreen << 8 | q.rgbBlue);
    f.Frames = {fa, fb};
    TMemoryStream out;
    list.SaveToStream(out, mode);
    EXPECT_TRUE(out.View() == MakeVask(f)) << mode;
  }
}

TEST(VaskWriter, ScreenCapturesReadBackExactlyAndRawOnesAreRaw) {
  std::mt19937 random(3);
  for (int depth : {15, 16, 32}) {
    TDIBX screen;
    screen.SetSize(7, 5, depth);
    const uint32_t valueMask = depth == 32 ? 0xFFFFFFFF : depth == 16 ? 0xFFFF : 0x7FFF;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) screen.SetPixel(x, y, random() & valueMask);
    TVaskFrameList capture;
    capture.Add().Surface.AssignDIB(screen.Surface());
    capture.GetFrame(0).Surface.EnsureAlpha();
    capture.GetFrame(0).Surface.FillAlphaOpaque();
    for (int mode : {1, 0}) {
      TMemoryStream bytes;
      capture.SaveToStream(bytes, mode);
      bytes.SetPosition(0);
      EXPECT_EQ(IsRawVaskStream(bytes), mode == 1);
      TVaskFrameList read;
      Read(read, std::string(bytes.View()));
      EXPECT_EQ(read.GetFrame(0).Surface.GetBitCount(), depth);
      EXPECT_EQ(PixelsOf(read.GetFrame(0).Surface), PixelsOf(screen.Surface())) << depth << " mode " << mode;
      EXPECT_EQ(MaskOf(read.GetFrame(0)), Rows(5, std::vector<uint32_t>(7, 255)));
    }
  }
  TMemoryStream old(MakeVask(OneFrame(VaskFrame::Of(1, 1, 24, Rows{{0}}), 102)));
  EXPECT_FALSE(IsRawVaskStream(old));
}

TEST(VaskFrame, TrimBoundsCutsAndMovesTheRectangles) {
  TVaskFrameList list;
  TVaskFrame& frame = list.Add();
  Fill(frame.Surface, 24, Rows{{0, 0, 0, 0}, {0, 1, 2, 0}, {0, 3, 0, 0}});
  frame.TransparentValue = 0;
  frame.Rects = {{0, 0, 4, 3}, {3, 0, 4, 1}, {2, 1, 4, 2}};
  frame.Rects2 = {{1, 1, 2, 2}};
  EXPECT_EQ(frame.TrimBounds(), (TRect{1, 1, 3, 3}));
  EXPECT_EQ(frame.Rects, (std::vector<TRect>{{0, 0, 2, 2}, {1, 0, 2, 1}}));
  EXPECT_EQ(frame.Rects2, (std::vector<TRect>{{0, 0, 1, 1}}));
  // A mask decides over the key; a frame with neither is whole.
  frame.BuildMask();
  frame.Surface.Alpha()->SetPixel(3, 0, 9);
  EXPECT_EQ(frame.TrimBounds(), (TRect{1, 0, 4, 3}));
  TVaskFrame& whole = list.Add();
  Fill(whole.Surface, 24, Rows{{0, 0}});
  whole.Rects = {{5, 5, 6, 6}};
  EXPECT_EQ(whole.TrimBounds(), (TRect{0, 0, 2, 1}));
  EXPECT_EQ(whole.Rects.size(), 1u);
}

TEST(VaskFrame, MaskCopies) {
  TVaskFrameList list;
  TVaskFrame& frame = list.Add();
  Fill(frame.Surface, 24, Rows{{1, 2}});
  TDIBX none;
  frame.CopyMaskToSurface(none);
  EXPECT_EQ(none.GetWidth(), 1) << "nothing without a mask";
  frame.Surface.EnsureAlpha();
  Fill(*frame.Surface.Alpha(), 8, Rows{{10, 250}});
  TDIBX mask;
  frame.CopyMaskToSurface(mask);
  EXPECT_EQ(mask.GetBitCount(), 8);
  EXPECT_EQ(mask.GetPixel(1, 0), 250u);
  TDIB grey;
  frame.CopyMaskToDIB(grey);
  EXPECT_EQ(grey.BitCount(), 8);
  EXPECT_EQ(grey.GetPixel(0, 0), 10u);
  EXPECT_EQ(grey.ColorTable[250], MakeRGBQuad(250, 250, 250));
}

TEST(VaskImport, BitmapsAndTheirFourthByte) {
  TVaskFrameList list;
  auto import = [&](const std::string& bmp) {
    TMemoryStream m(bmp);
    list.LoadFromNamedStream(m, "x.DIB", false);
  };
  import(MakeBmp(BmpFile().width(2).bits(32).data(Bytes({1, 2, 3, 0x40, 4, 5, 6, 0xFF}))));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetFrame(0).Surface.GetBitCount(), 24);
  EXPECT_EQ(PixelsOf(list.GetFrame(0).Surface), (Rows{{0x030201, 0x060504}}));
  EXPECT_EQ(MaskOf(list.GetFrame(0)), (Rows{{0x40, 0xFF}}));
  // Fourth bytes that are all 0 carry no alpha.
  import(MakeBmp(BmpFile().width(2).bits(32).data(Bytes({1, 2, 3, 0, 4, 5, 6, 0}))));
  EXPECT_FALSE(list.GetFrame(0).HasMask());
  import(MakeBmp(BmpFile().width(1).bits(16).data(Bytes({0xFF, 0x7F, 0, 0}))));
  EXPECT_EQ(list.GetFrame(0).Surface.GetBitCount(), 15);
  EXPECT_EQ(list.GetFrame(0).Delay, 0);
}

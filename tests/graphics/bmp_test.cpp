#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <filesystem>
#include <map>

#include "core/encoding.h"
#include "core/stream.h"
#include "graphics/dib.h"
#include "graphics/graphic_exceptions.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

namespace {

void Load(TDIB& dib, const std::string& bytes) {
  TMemoryStream m(bytes);
  dib.LoadFromStream(m);
}

std::string Save(TDIB& dib) {
  TMemoryStream m;
  dib.SaveToStream(m);
  return std::string(m.View());
}

std::string MessageOf(const std::string& bytes) {
  TDIB dib;
  try {
    Load(dib, bytes);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

}  // namespace

TEST(BmpReader, TopDownRowsAndBottomUpRows) {
  // Two stored rows of 2 × 24-bit pixels, 8 bytes each with padding.
  const std::string rows = Bytes({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
  TDIB up, down;
  Load(up, MakeBmp(BmpFile().width(2).height(2).bits(24).data(rows)));
  Load(down, MakeBmp(BmpFile().width(2).height(-2).bits(24).data(rows)));
  EXPECT_EQ(up.GetPixel(0, 1), 0x030201u) << "the first stored row is the bottom one";
  EXPECT_EQ(down.GetPixel(0, 0), 0x030201u) << "a negative height stores the top row first";
  EXPECT_EQ(down.GetPixel(1, 1), 0x0C0B0Au);
  EXPECT_EQ(down.GetHeight(), 2);
}

TEST(BmpReader, SixteenBitLayoutsFromCompressionAndMasks) {
  TDIB plain, fields;
  Load(plain, MakeBmp(BmpFile().width(1).bits(16).data(Bytes({0xFF, 0x7F, 0, 0}))));
  EXPECT_EQ(plain.Layout(), Layout555());
  Load(fields, MakeBmp(BmpFile().width(1).bits(16).compression(3).masks(std::vector<uint32_t>{0xF800, 0x7E0, 0x1F}).data(Bytes({0xFF, 0xFF, 0, 0}))));
  EXPECT_EQ(fields.Layout(), Layout565());
  EXPECT_EQ(fields.GetPixel(0, 0), 0xFFFFu);
  // Masks at other positions than the layout's: the fields are moved into it.
  TDIB moved;
  Load(moved, MakeBmp(BmpFile().width(1).bits(32).compression(3).masks(std::vector<uint32_t>{0xFF, 0xFF00, 0xFF0000}).data(Bytes({0x11, 0x22, 0x33, 0}))));
  EXPECT_EQ(moved.GetPixel(0, 0), 0x112233u);
  EXPECT_EQ(MessageOf(MakeBmp(BmpFile().width(1).bits(16).compression(3).masks(std::vector<uint32_t>{0x30, 0xE, 0x1}).data(Bytes({0, 0, 0, 0})))),
            Sjis("不正なピクセルフォーマットです"));
}

TEST(BmpReader, ColourTableLengthAndCoreHeader) {
  TDIB dib;
  Load(dib, MakeBmp(BmpFile().width(2).bits(8).colorsUsed(2).table(std::vector<uint32_t>{0xFF0000, 0x00FF00}).data(Bytes({1, 0, 0, 0}))));
  EXPECT_EQ(dib.ColorTable[1], MakeRGBQuad(0, 255, 0));
  EXPECT_EQ(dib.ColorTable[2], MakeRGBQuad(0, 0, 0)) << "entries past the stored ones are black";
  EXPECT_EQ(dib.GetPixel(0, 0), 1u);
  // A core header: 16-bit sizes and 3-byte entries, 2^bits of them.
  TDIB core;
  Load(core, MakeBmp(BmpFile().headerSize(12).width(3).bits(1).table(std::vector<uint32_t>{0x000000, 0x0000FF}).data(Bytes({0xA0, 0, 0, 0}))));
  EXPECT_EQ(core.GetWidth(), 3);
  EXPECT_EQ(core.ColorTable[1], MakeRGBQuad(0, 0, 255));
  EXPECT_EQ(Pixels(core)[0], (std::vector<uint32_t>{1, 0, 1}));
}

TEST(BmpReader, PixelOffsetSkipsGapsAndShortensTables) {
  // Two bytes of gap between the table and the pixels.
  BmpFile gap = BmpFile().width(1).bits(8).colorsUsed(1).table(std::vector<uint32_t>{0x123456}).data(Bytes({9, 9, 0, 0, 0, 0}));
  gap.pixelOffset(14 + 40 + 4 + 2);
  TDIB dib;
  Load(dib, MakeBmp(gap));
  EXPECT_EQ(dib.GetPixel(0, 0), 0u);
  // A core-header table shorter than 2^bits, told by the pixel offset.
  BmpFile shortTable = BmpFile().headerSize(12).width(1).bits(8).table(std::vector<uint32_t>{0x010203, 0x040506}).data(Bytes({1, 0, 0, 0}));
  shortTable.pixelOffset(14 + 12 + 6);
  Load(dib, MakeBmp(shortTable));
  EXPECT_EQ(dib.GetPixel(0, 0), 1u);
  EXPECT_EQ(dib.ColorTable[1], MakeRGBQuad(4, 5, 6));
}

TEST(BmpReader, RLE8RecordsAndDelta) {
  // 03 41: three pixels 0x41; 00 00: end of row; 02 42; 00 01: end of picture.
  TDIB dib;
  Load(dib, MakeBmp(BmpFile().width(4).height(2).bits(8).compression(1).imageSize(8).colorsUsed(1).table(std::vector<uint32_t>{0}).data(Bytes({3, 0x41, 0, 0, 2, 0x42, 0, 1}))));
  EXPECT_TRUE(dib.IsCompressed());
  EXPECT_EQ(Pixels(dib), (std::vector<std::vector<uint32_t>>{{0x42, 0x42, 0, 0}, {0x41, 0x41, 0x41, 0}}));
  EXPECT_FALSE(dib.IsCompressed()) << "the first pixel access decodes";
  // Conversions start from the decoded picture.
  TDIB converted;
  Load(converted, MakeBmp(BmpFile().width(4).height(2).bits(8).compression(1).imageSize(8).colorsUsed(1).table(std::vector<uint32_t>{0x123456}).data(Bytes({3, 0, 0, 0, 2, 0, 0, 1}))));
  converted.SetBitCount(24);
  EXPECT_EQ(converted.GetPixel(0, 1), 0x123456u);
  // Delta 00 02 02 01: two pixels right and one row up.
  TDIB delta;
  Load(delta, MakeBmp(BmpFile().width(4).height(2).bits(8).compression(1).imageSize(8).colorsUsed(1).table(std::vector<uint32_t>{0}).data(Bytes({0, 2, 2, 1, 1, 7, 0, 1}))));
  EXPECT_EQ(delta.GetPixel(2, 0), 7u);
  // Absolute run of 3 bytes, padded to an even length, then a run.
  TDIB absolute;
  Load(absolute, MakeBmp(BmpFile().width(5).height(1).bits(8).compression(1).imageSize(10).colorsUsed(1).table(std::vector<uint32_t>{0}).data(Bytes({0, 3, 1, 2, 3, 0, 2, 9, 0, 1}))));
  EXPECT_EQ(Pixels(absolute)[0], (std::vector<uint32_t>{1, 2, 3, 9, 9}));
}

TEST(BmpReader, RLE4NibblesAndRunsPastTheEdges) {
  // A run of 5 nibbles alternating A and B, then an absolute run of 3 nibbles 1 2 3.
  TDIB dib;
  Load(dib, MakeBmp(BmpFile().width(8).height(1).bits(4).compression(2).imageSize(8).colorsUsed(1).table(std::vector<uint32_t>{0}).data(Bytes({5, 0xAB, 0, 3, 0x12, 0x30, 0, 1}))));
  EXPECT_EQ(Pixels(dib)[0], (std::vector<uint32_t>{0xA, 0xB, 0xA, 0xB, 0xA, 1, 2, 3}));
  // Runs past the right edge stop there; rows past the top end the decoding.
  TDIB edge;
  Load(edge, MakeBmp(BmpFile().width(2).height(1).bits(8).compression(1).imageSize(12).colorsUsed(1).table(std::vector<uint32_t>{0}).data(Bytes({200, 5, 0, 2, 255, 255, 9, 6, 0, 0, 3, 4}))));
  EXPECT_EQ(Pixels(edge)[0], (std::vector<uint32_t>{5, 5}));
}

TEST(BmpReader, RefusedHeadersAndHostileSizes) {
  const std::string invalid = Sjis("不正な DIB です");
  const std::string pixel = Bytes({0, 0, 0, 0});
  struct Case {
    const char* what;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"type", "BX" + MakeBmp(BmpFile()).substr(2), invalid},
      {"short file header", "BM\1\2", invalid},
      {"header size 108", MakeBmp(BmpFile().headerSize(108)), invalid},
      {"compression 4", MakeBmp(BmpFile().compression(4).data(pixel)), invalid},
      {"width 0", MakeBmp(BmpFile().width(0).data(pixel)), invalid},
      {"negative width", MakeBmp(BmpFile().width(-1).data(pixel)), invalid},
      {"height 0", MakeBmp(BmpFile().height(0).data(pixel)), invalid},
      {"height INT_MIN", MakeBmp(BmpFile().height(INT_MIN).data(pixel)), invalid},
      {"rows beyond the data", MakeBmp(BmpFile().width(0x7FFFFFFF).height(0x7FFFFFFF).bits(32).data(pixel)), invalid},
      {"one row short", MakeBmp(BmpFile().width(2).height(2).bits(24).data(std::string(8, '\0'))), invalid},
      {"RLE8 at 4 bits", MakeBmp(BmpFile().bits(4).compression(1).imageSize(2).data(Bytes({0, 1}))), invalid},
      {"RLE4 at 8 bits", MakeBmp(BmpFile().bits(8).compression(2).imageSize(2).data(Bytes({0, 1}))), invalid},
      {"RLE at 24 bits", MakeBmp(BmpFile().bits(24).compression(1).imageSize(2).data(Bytes({0, 1}))), invalid},
      {"RLE size beyond the data", MakeBmp(BmpFile().bits(8).compression(1).imageSize(100).data(Bytes({0, 1}))), invalid},
      {"RLE without data", MakeBmp(BmpFile().bits(8).compression(1).imageSize(0).data(Bytes({0, 1}))), invalid},
      {"RLE picture too large", MakeBmp(BmpFile().width(0x7FFFFFFF).height(0x7FFF).bits(8).compression(1).imageSize(2).data(Bytes({0, 1}))), invalid},
      {"2 bits", MakeBmp(BmpFile().bits(2).data(pixel)), Sjis("不正なビット数です (2)")},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageOf(c.bytes), c.message) << c.what;
  // A stream that ends inside the header or the table: the stream's read error.
  TDIB dib;
  EXPECT_THROW(Load(dib, MakeBmp(BmpFile()).substr(0, 30)), EReadError);
  EXPECT_THROW(Load(dib, MakeBmp(BmpFile().bits(8).colorsUsed(4).table({1, 2})).substr(0, 60)), EReadError);
}

TEST(BmpReader, StreamAtItsEndLeavesTheBitmap) {
  TDIB dib;
  dib.SetSize(2, 2, 8);
  TMemoryStream empty;
  dib.LoadFromStream(empty);
  EXPECT_EQ(dib.GetWidth(), 2);
}

TEST(BmpWriter, WritesInfoHeaderAndReadsBack) {
  struct Case {
    int bits;
    PixelLayout layout;
    size_t headerBlock;
  } cases[] = {{1, Layout888(), 40 + 8}, {4, Layout888(), 40 + 64}, {8, Layout888(), 40 + 1024},
               {16, Layout555(), 52}, {16, Layout565(), 52}, {24, Layout888(), 40}, {32, Layout888(), 52}};
  for (const Case& c : cases) {
    TDIB dib;
    dib.PixelFormat = c.layout;
    dib.SetSize(3, 2, c.bits);
    for (int x = 0; x < 3; ++x) dib.SetPixel(x, 1, 0x00FFFFFFu / (x + 1));
    const std::string file = Save(dib);
    ASSERT_EQ(file.size(), 14 + c.headerBlock + dib.Size()) << c.bits;
    EXPECT_EQ(static_cast<uint8_t>(file[10]) | static_cast<uint8_t>(file[11]) << 8, 14 + c.headerBlock);
    TDIB back;
    Load(back, file);
    EXPECT_EQ(Pixels(back), Pixels(dib)) << c.bits;
    EXPECT_EQ(back.Layout(), dib.Layout());
  }
  // RLE data still compressed is written as read.
  const std::string rle = MakeBmp(BmpFile().width(4).height(2).bits(8).compression(1).imageSize(8).table(std::vector<uint32_t>(256)).data(Bytes({3, 0x41, 0, 0, 2, 0x42, 0, 1})));
  TDIB compressed;
  Load(compressed, rle);
  EXPECT_EQ(Save(compressed), rle);
  TDIB empty;
  EXPECT_EQ(Save(empty), "");
}

// ---- Real files against the pixels a mature decoder gives them ----

namespace {

const std::filesystem::path kBmpDir = std::filesystem::path(ORVA_SHARED_TESTDATA_DIR) / "bmp";

struct Reference {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

bool ReadPng(const std::filesystem::path& path, Reference& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgba.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr) != 0;
}

uint32_t LoadPixelIndex(const uint8_t* row, int x, int bits) {
  return bits == 4 ? (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4) : row[x];
}

uint32_t LoadPixelFields(uint32_t p, const PixelLayout& l) {
  const int blue = 0, green = static_cast<int>(l.BlueWidth), red = green + static_cast<int>(l.GreenWidth);
  return (p & l.RedMask) >> red << 16 | (p & l.GreenMask) >> green << 8 | (p & l.BlueMask) >> blue;
}

// What each file must give: its reference pixels, or the message it is refused with.
enum class Outcome { Decodes, Refused, Lenient };

}  // namespace

TEST(BmpRealFiles, AcceptedKindsDecodeToTheReferenceOthersAreRefused) {
  if (!std::filesystem::exists(kBmpDir)) GTEST_SKIP() << "no shared test data";
  const std::string invalid = Sjis("不正な DIB です");
  const std::string format = Sjis("不正なピクセルフォーマットです");
  const std::string twoBits = Sjis("不正なビット数です (2)");
  // Files without an entry must decode to their reference picture.
  const std::map<std::string, std::string> refused = {
      {"imagemagick_invalid_run_length_issue_2321.bmp", invalid},  // header 124
      {"pal2.bmp", twoBits},
      {"pal2color.bmp", twoBits},
      {"pal8v4.bmp", invalid},
      {"pal8v5.bmp", invalid},
      {"rgb16-231.bmp", format},
      {"rgb24prof.bmp", invalid},
      {"rgb24prof2.bmp", invalid},
      {"rgb24rle24.bmp", invalid},  // header 64
      {"rgb32-111110.bmp", format},
      {"rgba16-1924.bmp", invalid},
      {"rgba32-61754.bmp", invalid},
      {"rgba32.bmp", invalid},
      {"rgba32abf.bmp", invalid},  // compression 6
      {"lenient/V5_A8_R8_G8_B8_Rgb_BadMask.bmp", invalid},
      {"lenient/rgb16-880.bmp", format},
      {"lenient/rle_overflow.bmp", invalid},  // RLE without an image size
  };
  int decoded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(kBmpDir / "images")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = std::filesystem::relative(entry.path(), kBmpDir / "images").generic_string();
    SCOPED_TRACE(name);
    TDIB dib;
    std::string message;
    try {
      dib.LoadFromFile(entry.path().string());
      dib.BitsReadOnly();
    } catch (const Exception& e) {
      message = e.Message();
    }
    if (auto it = refused.find(name); it != refused.end()) {
      EXPECT_EQ(message, it->second);
      continue;
    }
    ASSERT_EQ(message, "");
    Reference ref;
    if (!ReadPng(kBmpDir / "reference" / (entry.path().filename().string() + ".png"), ref)) {
      // Broken files without a reference: decoded somehow, never out of bounds.
      EXPECT_TRUE(name.starts_with("lenient/"));
      continue;
    }
    ASSERT_EQ(dib.GetWidth(), ref.width);
    ASSERT_EQ(dib.GetHeight(), ref.height);
    const bool rle = name.find("rle") != std::string::npos;
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y) {
      const uint8_t* row = dib.ScanLineReadOnly(y);
      for (int x = 0; x < ref.width; ++x) {
        const uint8_t* px = &ref.rgba[(size_t(y) * ref.width + x) * 4];
        if (px[3] == 0) continue;  // pixels the file leaves undefined
        uint32_t got = DIBPixelColor(dib.Image(), row, x);
        uint32_t want = uint32_t{px[0]} << 16 | uint32_t{px[1]} << 8 | px[2];
        if (dib.BitCount() == 16) {
          // Compared at the picture's own field widths: decoders widen 5 and 6-bit fields
          // differently (scaling or bit replication).
          const PixelLayout& l = dib.Layout();
          auto narrow = [](uint32_t c, uint32_t width) { return (c * ((1u << width) - 1) + 127) / 255; };
          got = LoadPixelFields(dib.GetPixel(x, y), l);
          want = narrow(px[0], l.RedWidth) << 16 | narrow(px[1], l.GreenWidth) << 8 | narrow(px[2], l.BlueWidth);
        }
        // Pixels an RLE stream skips are undefined: ours keep index 0, the reference black.
        if (rle && want == 0 && LoadPixelIndex(row, x, dib.BitCount()) == 0) continue;
        if (got != want && mismatches++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << got << " want " << want;
      }
    }
    EXPECT_EQ(mismatches, 0);
    ++decoded;
  }
  EXPECT_GE(decoded, 12);
}

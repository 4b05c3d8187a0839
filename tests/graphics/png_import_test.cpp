// PNG import against PngSuite and its reference pixels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/stream.h"
#include "graphics/dibx.h"
#include "graphics/graphic_exceptions.h"
#include "graphics/png_reader.h"
#include "graphics/vask_frame_list.h"

using namespace orva;

namespace {

const std::filesystem::path kSuite = std::filesystem::path(ORVA_SHARED_TESTDATA_DIR) / "pngsuite";

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The reference: [r, g, b, a, ...] with 8-bit samples (16-bit ones reduced to their high byte).
std::vector<uint32_t> Reference(const std::string& name) {
  std::filesystem::path path = kSuite / "json" / (name + "_to8.json");
  const bool eight = std::filesystem::exists(path);
  if (!eight) path = kSuite / "json" / (name + ".json");
  const std::string text = FileBytes(path);
  std::vector<uint32_t> values;
  uint32_t current = 0;
  bool inNumber = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      current = current * 10 + uint32_t(c - '0');
      inNumber = true;
    } else if (inNumber) {
      values.push_back(current);
      current = 0;
      inNumber = false;
    }
  }
  const bool sixteen = !eight && name.substr(name.size() - 2) == "16";
  if (sixteen)
    for (uint32_t& v : values) v >>= 8;
  return values;
}

std::vector<std::string> SuiteFiles(bool broken) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kSuite / "png")) {
    const std::string name = entry.path().stem().string();
    if ((name[0] == 'x') == broken) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(PngImport, EverySuitePictureMatchesItsReference) {
  if (!std::filesystem::exists(kSuite)) GTEST_SKIP() << "no shared test data";
  int checked = 0;
  for (const std::string& name : SuiteFiles(false)) {
    SCOPED_TRACE(name);
    const std::string bytes = FileBytes(kSuite / "png" / (name + ".png"));
    TVaskFrameList list;
    TMemoryStream m(bytes);
    list.LoadFromNamedStream(m, name + ".PNG", false);
    ASSERT_EQ(list.Count(), 1);
    TVaskFrame& frame = list.GetFrame(0);
    TDIBSurface& picture = frame.Surface;
    const std::vector<uint32_t> ref = Reference(name);
    ASSERT_EQ(ref.size(), size_t(picture.GetWidth()) * picture.GetHeight() * 4);
    // Some 16-bit references round the samples instead of taking the high byte.
    const int tolerance = name.substr(name.size() - 2) == "16" ? 1 : 0;
    TDIBX shown;  // the surface loader gives the same colours
    shown.SetSize(1, 1, 32);
    m.SetPosition(0);
    shown.LoadFromStream(&m);
    int wrong = 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
      for (int x = 0; x < picture.GetWidth(); ++x) {
        const uint32_t* want = &ref[(size_t(y) * picture.GetWidth() + x) * 4];
        const uint32_t raw = picture.GetPixel(x, y);
        const uint32_t alpha = frame.HasMask() ? picture.Alpha()->GetPixel(x, y)
                               : (frame.TransparentValue != -1 && raw == uint32_t(frame.TransparentValue)) ? 0 : 255;
        if (alpha != want[3]) ++wrong;
        if (want[3] == 0) continue;
        uint32_t colour = raw;
        if (picture.BitCount() == 8) {
          const TRGBQuad& q = picture.ColorTable[raw];
          colour = uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
        }
        for (uint32_t c : {colour, shown.GetPixel(x, y) & 0xFFFFFF})
          for (int k = 0; k < 3; ++k)
            if (std::abs(int((c >> (16 - 8 * k)) & 0xFF) - int(want[k])) > tolerance) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST(PngImport, OneExactKeyStaysAKeyAndEverythingElseIsThePlane) {
  if (!std::filesystem::exists(kSuite)) GTEST_SKIP() << "no shared test data";
  struct Case {
    const char* name;
    int32_t key;
    bool plane;
  } cases[] = {
      {"tbbn3p08", -2, false},        // one transparent palette entry: its index
      {"tbbn0g04", 255, false},       // a 4-bit grey key, scaled
      {"tbrn2c08", 0xFFFFFF, false},  // an 8-bit colour key
      {"tbbn2c16", -1, true},         // a 16-bit key: samples reduced to 8 bits might collide
      {"tm3n3p02", -1, true},         // partial alpha in the palette
      {"basn6a08", -1, true},
      {"basn2c08", -1, false},
  };
  for (const Case& c : cases) {
    TVaskFrameList list;
    TMemoryStream m(FileBytes(kSuite / "png" / (std::string(c.name) + ".png")));
    list.ImportPng(m);
    TVaskFrame& frame = list.GetFrame(0);
    if (c.key == -2)
      EXPECT_GE(frame.TransparentValue, 0) << c.name;
    else
      EXPECT_EQ(frame.TransparentValue, c.key) << c.name;
    EXPECT_EQ(frame.HasMask(), c.plane) << c.name;
    if (frame.TransparentValue >= 0) EXPECT_NE(frame.TransparentColor, -1) << c.name;
  }
}

TEST(PngImport, BrokenSuiteFilesRaiseOurError) {
  if (!std::filesystem::exists(kSuite)) GTEST_SKIP() << "no shared test data";
  for (const std::string& name : SuiteFiles(true)) {
    const std::string bytes = FileBytes(kSuite / "png" / (name + ".png"));
    TVaskFrameList list;
    TMemoryStream m(bytes);
    EXPECT_THROW(list.ImportPng(m), EInvalidGraphic) << name;
    EXPECT_EQ(list.Count(), 0) << name;
    // The surface loader raises too, or loads nothing when the signature is not a PNG's.
    TDIBX surface;
    surface.SetSize(3, 2, 16);
    TMemoryStream again(bytes);
    const bool signature = bytes.substr(1, 3) == "PNG";
    if (signature) {
      EXPECT_THROW(surface.LoadFromStream(&again), EInvalidGraphic) << name;
    } else {
      surface.LoadFromStream(&again);
    }
    EXPECT_EQ(surface.GetWidth(), 3) << name;
  }
}

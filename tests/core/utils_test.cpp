#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/clip_list.h"
#include "core/color.h"
#include "core/compression.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/fonts.h"
#include "core/game_path.h"
#include "core/paths.h"
#include "core/single_instance.h"
#include "core/stream.h"
#include "platform/temp_dir.h"

using namespace orva;

TEST(ClipList, MergesWithinTheTwentyPixelMargin) {
  struct Case {
    std::vector<TRect> added;
    std::vector<TRect> kept;
  } cases[] = {
      {{{0, 0, 10, 10}, {25, 0, 35, 10}}, {{0, 0, 35, 10}}},
      {{{0, 0, 10, 10}, {30, 0, 40, 10}}, {{0, 0, 40, 10}}},  // exactly 20 apart
      {{{0, 0, 10, 10}, {31, 0, 41, 10}}, {{0, 0, 10, 10}, {31, 0, 41, 10}}},
      {{{0, 0, 10, 10}, {0, 31, 10, 41}}, {{0, 0, 10, 10}, {0, 31, 10, 41}}},
      {{{5, 5, 5, 20}, {0, 0, 0, 0}}, {}},  // empty rectangles are ignored
      // The union of the first two reaches the third: all three become one.
      {{{0, 0, 10, 10}, {100, 0, 110, 10}, {0, 40, 10, 50}, {0, 20, 110, 30}}, {{0, 0, 110, 50}}},
  };
  for (const Case& c : cases) {
    TClipList list;
    for (const TRect& r : c.added) list.AddRect(r);
    std::vector<TRect> kept;
    for (int i = 0; i < list.Count(); ++i) kept.push_back(list.GetRect(i));
    EXPECT_EQ(kept, c.kept) << c.added.size();
  }
}

TEST(ClipList, ContainedRectangleChangesNothing) {
  TClipList list;
  list.AddRect({0, 0, 100, 100});
  EXPECT_TRUE(list.Changed);
  list.Changed = false;
  list.AddRect({10, 10, 20, 20});
  EXPECT_FALSE(list.Changed);
  EXPECT_EQ(list.Count(), 1);
  list.Clear();
  EXPECT_TRUE(list.Changed);
  EXPECT_THROW(list.GetRect(0), EListError);
}

TEST(ClipList, RectanglesAtTheIntegerLimitsDoNotOverflow) {
  TClipList list;
  list.AddRect({INT32_MAX - 5, INT32_MAX - 5, INT32_MAX, INT32_MAX});
  list.AddRect({INT32_MIN, INT32_MIN, INT32_MIN + 5, INT32_MIN + 5});
  EXPECT_EQ(list.Count(), 2);
}

TEST(Rect, OverlapIntersectionAndPoints) {
  EXPECT_FALSE(RectsOverlap({0, 0, 10, 10}, {10, 0, 20, 10}));  // a shared edge only
  EXPECT_TRUE(RectsOverlap({0, 0, 10, 10}, {9, 9, 20, 20}));
  EXPECT_EQ(IntersectRectOf({0, 0, 10, 10}, {5, 2, 20, 8}), (TRect{5, 2, 10, 8}));
  EXPECT_EQ(IntersectRectOf({0, 0, 10, 10}, {10, 0, 20, 10}), TRect{});
  EXPECT_TRUE(PointInRect(MakePoint(0, 9), {0, 0, 10, 10}));
  EXPECT_FALSE(PointInRect(MakePoint(10, 5), {0, 0, 10, 10}));
}

TEST(Paths, ExpandRelativePath) {
  struct Case {
    const char* name;
    const char* base;
    const char* result;
  } cases[] = {
      {"..\\..\\x.png", "c:\\a\\b\\c\\", "C:\\A\\x.png"},
      {"img\\x.png", "c:\\a\\", "c:\\a\\img\\x.png"},
      {"c:\\y.png", "c:\\a\\", "c:\\y.png"},
      {"\\y.png", "c:\\a\\", "\\y.png"},
      {"y", "c:\\a\\", "y"},
      {"..\\..\\..\\..\\x", "c:\\a\\", "..\\..\\x"},  // a "..\" with no component left stays
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandRelativePath(c.name, c.base), c.result) << c.name;
}

TEST(Paths, PathParserSplitsPrefixAndDirectories) {
  struct Case {
    const char* path;
    std::vector<std::string> components;
  } cases[] = {
      {"\\\\srv\\share\\dir", {"\\\\SRV\\", "SHARE\\", "DIR\\"}},
      {"c:\\games\\x\\", {"C:\\", "GAMES\\", "X\\"}},
      {"\\home\\u", {"\\", "HOME\\", "U\\"}},
      {"\x95\x5C\\a", {"\x95\x5C\\", "A\\"}},  // 表 ends in 0x5C and is not a delimiter
      {"", {}},
  };
  for (const Case& c : cases) {
    TPathParser parser;
    parser.SetPath(c.path);
    std::vector<std::string> got;
    for (int i = 0; i < parser.Count(); ++i) got.push_back(parser.Component(i));
    EXPECT_EQ(got, c.components) << c.path;
  }
}

TEST(Paths, FileNamePartsAndDataDirectory) {
  EXPECT_EQ(AddBackSlash("c:\\a"), "c:\\a\\");
  EXPECT_EQ(AddBackSlash("c:\\a\\"), "c:\\a\\");
  EXPECT_EQ(AddBackSlash("\x95\x5C"), "\x95\x5C\\");
  EXPECT_EQ(ExtractFileExt("dir.x\\game.DAT"), ".DAT");
  EXPECT_EQ(ExtractFileExt("dir.x\\game"), "");
  EXPECT_EQ(ChangeFileExt("dir\\game.dat", ".ext"), "dir\\game.ext");
  EXPECT_EQ(ChangeFileExt("dir.x\\game", ".ext"), "dir.x\\game.ext");
  EXPECT_EQ(ExtractFilePath("c:\\a\\b.txt"), "c:\\a\\");
  EXPECT_EQ(ExtractFileName("c:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractDataDir("c:x.omt"), "c:");
  EXPECT_EQ(ExtractDataDir("film\\op.omt"), "film\\");
  EXPECT_EQ(ExtractDataDir("op.omt"), "");
  EXPECT_EQ(ExtractDataDir("\\\\srv\\d\\op.omt"), "\\\\srv\\d\\");
}

TEST(Paths, GameRelativeNames) {
  const struct {
    std::string name;
    bool relative;
  } cases[] = {
      {"a.txt", true},
      {"sub\\..\\a.txt", true},
      {".\\a/./b", true},
      {"a\\b\\..\\..\\c", true},
      {"...\\x", true},
      {"", false},
      {"..", false},
      {"..\\..\\x", false},
      {"a\\..\\..\\x", false},
      {"a/../../x", false},
      {"\\etc\\passwd", false},
      {"/etc/passwd", false},
      {"\\\\server\\x", false},
      {"c:\\x", false},
      {"C:x", false},
      // The trail byte 0x5C of a double-byte character separates nothing.
      {"\x95\x5C..\\x", true},
      {"\x95\x5C\\..\\..\\x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsGameRelativeName(c.name), c.relative) << c.name;
}

TEST(Compression, RoundTripIncludingTheEmptyStream) {
  for (std::string data : {std::string(), std::string("hello hello hello hello"), std::string(300000, 'z')}) {
    TMemoryStream m(data);
    CompressStream(m);
    EXPECT_EQ(static_cast<uint8_t>(m.View()[0]), 0x78);  // a zlib header
    DecompressStream(m);
    EXPECT_EQ(m.View(), data);
  }
}

TEST(Compression, BadOrTruncatedDataRaisesAndKeepsTheContent) {
  TMemoryStream good(std::string(1000, 'q'));
  CompressStream(good);
  std::string packed(good.View());
  for (std::string bad : {std::string("not zlib"), packed.substr(0, packed.size() - 5), std::string()}) {
    TMemoryStream m(bad);
    EXPECT_THROW(DecompressStream(m), ECompressionError);
    EXPECT_EQ(m.View(), bad);
  }
}

TEST(Compression, Crc32OfTheCheckString) {
  TMemoryStream m("123456789");
  EXPECT_EQ(StreamCrc32(m), 0xCBF43926u);
  TMemoryStream empty;
  EXPECT_EQ(StreamCrc32(empty), 0u);
}

TEST(Color, ScaleColorPerChannelWithoutOverflow) {
  EXPECT_EQ(ScaleColor(0x00FFFFFF, 256), 0x00FFFFFF);
  EXPECT_EQ(ScaleColor(0x00FFFFFF, 0), 0);
  EXPECT_EQ(ScaleColor(0x00804020, 128), 0x00402010);
  EXPECT_EQ(ScaleColor(0x7FFF0000, 255), 0x00FE0000);  // the top byte is dropped
  EXPECT_EQ(ScaleColor(0x00FF0000, 511), 0x00FD0000);   // 0xFF0000 x 511 needs 64 bits
}

TEST(FontStyles, BitsRoundTripAndHighBitsAreIgnored) {
  for (int32_t v = 0; v < 16; ++v) EXPECT_EQ(FontStylesToInt(IntToFontStyles(v)), v);
  EXPECT_EQ(IntToFontStyles(0x12), (TFontStyles{false, true, false, false}));
  for (const std::string& name : ListFonts(true, false, false)) EXPECT_FALSE(name.empty());
  EXPECT_EQ(GetFontLogFont("no such face").CharSet, 0);
}

TEST(SingleInstance, SecondMutexOfTheSameNameFails) {
  TSingleInstanceMutex first = CreateSingleInstanceMutex("C:-ORVA-TEST-SINGLE-INSTANCE-");
  ASSERT_NE(first, nullptr);
  TSingleInstanceMutex second = CreateSingleInstanceMutex("C:-ORVA-TEST-SINGLE-INSTANCE-");
  EXPECT_EQ(second, nullptr);
  ReleaseSingleInstanceMutex(second);
  ReleaseSingleInstanceMutex(first);
  EXPECT_NE(CreateSingleInstanceMutex("C:-ORVA-TEST-SINGLE-INSTANCE-"), nullptr);
}

TEST(GamePath, ShiftJisNamesReachTheirRealFilesIgnoringCase) {
  std::string dir = MakePrivateTempDirectory("orva-test-");
  ASSERT_FALSE(dir.empty());
  ::mkdir((dir + "/データ").c_str(), 0700);
  std::ofstream(dir + "/データ/Title.osb") << "x";
  std::string game = GamePath(dir) + Sjis("\\データ\\TITLE.OSB");
  EXPECT_EQ(OsPath(game), dir + "/データ/Title.osb");
  EXPECT_TRUE(GameFileExists(game));
  EXPECT_TRUE(GameDirectoryExists(GamePath(dir) + Sjis("\\データ")));
  EXPECT_FALSE(GameFileExists(GamePath(dir) + Sjis("\\データ")));
  std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(GamePath, DirectoriesShiftJisCannotSpellStillWork) {
  std::string base = MakePrivateTempDirectory("orva-test-");
  std::string dir = base + "/josé";
  ::mkdir(dir.c_str(), 0700);
  std::ofstream(dir + "/game.dat") << "x";
  std::string game = GamePath(dir);
  EXPECT_EQ(game.find('?'), std::string::npos);
  EXPECT_TRUE(GameFileExists(AddBackSlash(game) + "GAME.DAT"));
  EXPECT_EQ(OsPath(AddBackSlash(game) + "GAME.DAT"), dir + "/game.dat");
  EXPECT_EQ(GamePath(dir), game);  // the same stand-in every time
  EXPECT_EQ(GamePath(dir + "/game.dat"), game + "\\game.dat");
  std::system(("rm -rf '" + base + "'").c_str());
}

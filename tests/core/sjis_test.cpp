#include "core/sjis.h"

#include <gtest/gtest.h>

#include "core/encoding.h"
#include "core/exceptions.h"

using namespace orva;

namespace {
// Fixture characters: 表 and ソ have a backslash (0x5C) as trail byte; 漢 is an ordinary kanji.
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";
const std::string KAN = "\x8A\xBF";
const std::string ZSPACE = "\x81\x40";  // full-width blank
}  // namespace

TEST(Sjis, LengthAndByteIndex) {
  EXPECT_EQ(JLength("ab" + KAN), 3);
  EXPECT_EQ(JLength(HYO + SO + "x"), 3);
  EXPECT_EQ(JLength("a\x81"), 2);  // a lone lead byte at the end is one character
  EXPECT_EQ(JByteIndex("a" + HYO + "b", 3), 4);
  EXPECT_EQ(JByteIndex("ab", 0), 1);
  EXPECT_EQ(JByteIndex("ab", 5), 3);
  EXPECT_EQ(JCharCode("a" + HYO, 2), 0x955C);
  EXPECT_EQ(JCharCode("a" + HYO, 1), 'a');
}

TEST(Sjis, IsTrailByte) {
  const std::string s = "a" + HYO + SO;  // a 95 5C 83 5C
  EXPECT_FALSE(IsTrailByte(s, 1));
  EXPECT_FALSE(IsTrailByte(s, 2));
  EXPECT_TRUE(IsTrailByte(s, 3));
  EXPECT_FALSE(IsTrailByte(s, 4));
  EXPECT_TRUE(IsTrailByte(s, 5));
  // A trail byte in the lead range: 0x88 0x9F is one character, the 0x5C after it is not a trail.
  EXPECT_FALSE(IsTrailByte("\x88\x9F\\", 3));
  try {
    IsTrailByte(s, 6);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Illegal Index");
  }
  EXPECT_THROW(IsTrailByte(s, 0), Exception);
}

TEST(Sjis, JCopy) {
  const std::string s = "ab" + KAN;
  struct Case {
    int index, count;
    std::string expected;
  } cases[] = {
      {3, 1, KAN}, {1, 0, "a"}, {2, 0, ""}, {0, 3, "ab"}, {1, 10, s}, {2, 2, "b" + KAN}, {4, 1, ""}, {-5, 2, "a"},
  };
  for (const Case& c : cases) EXPECT_EQ(JCopy(s, c.index, c.count), c.expected) << c.index << "," << c.count;
  EXPECT_EQ(JCopy("", 1, 1), "");
}

TEST(Sjis, JPosMatchesOnlyAtCharacterStarts) {
  EXPECT_EQ(JPos(KAN, "ab" + KAN), 3);
  EXPECT_EQ(JPos("\\", HYO + "\\"), 2);  // not the trail byte of 表
  EXPECT_EQ(JPos("\\x", SO + "x"), 0);
  EXPECT_EQ(JPos("", "abc"), 0);
  EXPECT_EQ(JPos("abcd", "abc"), 0);
}

TEST(Sjis, JInsertAndJDelete) {
  std::string s = "a" + KAN + "b";
  JInsert("X", s, 0);
  EXPECT_EQ(s, "Xa" + KAN + "b");
  JInsert("Y", s, 3);
  EXPECT_EQ(s, "XaY" + KAN + "b");
  JInsert("Z", s, 99);
  EXPECT_EQ(s, "XaY" + KAN + "bZ");

  std::string d = "a" + KAN + "bc";
  JDelete(d, 9, 1);
  EXPECT_EQ(d, "a" + KAN + "bc");
  JDelete(d, 2, 1);
  EXPECT_EQ(d, "abc");
  d = "a" + KAN + "bc";
  JDelete(d, 0, 2);
  EXPECT_EQ(d, "bc");
  d = "a" + KAN + "bc";
  JDelete(d, 2, 99);
  EXPECT_EQ(d, "a");
  d = "abc";
  JDelete(d, 2, 0);
  EXPECT_EQ(d, "abc");
}

TEST(Sjis, Trim) {
  EXPECT_EQ(JTrim("  " + ZSPACE + " x " + ZSPACE + ZSPACE + " "), "x");
  EXPECT_EQ(JTrim("\t x \t"), "\t x \t");
  EXPECT_EQ(JTrimLeft(ZSPACE + "a "), "a ");
  EXPECT_EQ(JTrimRight(" a" + ZSPACE), " a");
  // 0x81 0x40 that is not a character of its own (trail 0x81 of a kanji, then '@') is kept.
  EXPECT_EQ(JTrimRight("\x88\x81\x40"), "\x88\x81\x40");
  EXPECT_EQ(JTrim(""), "");
}

TEST(Sjis, SplitToken) {
  std::string s = "ab,cd;ef";
  EXPECT_EQ(SplitToken(s, ",;"), "ab");
  EXPECT_EQ(s, "cd;ef");
  std::string t = SO + "\\x";  // the first 0x5C is a trail byte
  EXPECT_EQ(SplitToken(t, "\\"), SO);
  EXPECT_EQ(t, "x");
  std::string u = "abc";
  EXPECT_EQ(SplitToken(u, ""), "abc");
  EXPECT_EQ(u, "");
  std::string v = "abc";
  EXPECT_EQ(SplitToken(v, ","), "abc");
  EXPECT_EQ(v, "");
}

TEST(Sjis, SplitLabel) {
  struct Case {
    std::string in, page, label;
  } cases[] = {
      {"title\\scene.osb:start", "title\\scene.osb", "start"},
      {"a:b:c", "a:b", "c"},
      {"a:b.c", "a:b.c", ""},
      {"a:dir\\b", "a:dir\\b", ""},
      {":abc", ":abc", ""},  // byte 1 is never examined
      {"p:" + SO, "p", SO},  // ソ's trail byte does not end the scan
      {"plain", "plain", ""},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(SplitLabel(s), c.label) << c.in;
    EXPECT_EQ(s, c.page) << c.in;
  }
}

TEST(Sjis, UnescapeText) {
  EXPECT_EQ(UnescapeText("a\\nb"), "a\r\nb");
  EXPECT_EQ(UnescapeText("\\\\"), "\\");
  EXPECT_EQ(UnescapeText("\\\"q\\\""), "\"q\"");
  EXPECT_EQ(UnescapeText("x\\"), "x\\");
  EXPECT_EQ(UnescapeText("\\t"), "\\t");
  EXPECT_EQ(UnescapeText("\\\\n"), "\\n");  // the kept backslash is not examined again
  EXPECT_EQ(UnescapeText(SO + "n"), SO + "n");
}

TEST(Sjis, HanToZen) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"\xB6\xDE", "\x83\x4B"},
      {"\xCA\xDF", "\x83\x70"},
      {"\xB3\xDE", "\x83\x45\x81\x4A"},
      {"\r\n", ""},
      {"Az9", "\x82\x60\x82\x9A\x82\x58"},
      {"\\", "\x81\x8F"},
      {" ", ZSPACE},
      {"\xDC\xDD\xDE\xDF", "\x83\x8F\x83\x93\x81\x4A\x81\x4B"},
      {KAN + "a", KAN + "\x82\x81"},
      {"\xCE\xDE\xCE\xDF", "\x83\x7B\x83\x7C"},
  };
  for (const Case& c : cases) EXPECT_EQ(HanToZen(c.in), c.out);
}

TEST(Sjis, ZenToHan) {
  EXPECT_EQ(ZenToHan(KAN), "");
  EXPECT_EQ(ZenToHan("\x83\x4B"), "\xB6\xDE");
  EXPECT_EQ(ZenToHan("\x81\x67\x81\x68"), "\"\"");
  EXPECT_EQ(ZenToHan("a\r\x82\xA0"), "a\r");  // hiragana is dropped, single bytes kept
  // Every byte of the table comes back through both conversions.
  std::string all;
  for (int c = 0x20; c <= 0x7E; ++c) all.push_back(static_cast<char>(c));
  for (int c = 0xA1; c <= 0xDF; ++c) all.push_back(static_cast<char>(c));
  all += "\xB6\xDE\xCA\xDF\xC2\xDE";
  EXPECT_EQ(ZenToHan(HanToZen(all)), all);
}

TEST(Sjis, EucToSjis) {
  EXPECT_EQ(EucToSjis("\xA4\xA2"), "\x82\xA0");
  EXPECT_EQ(EucToSjis("\x8E\xB1"), "\xB1");
  EXPECT_EQ(EucToSjis("ab\xFF"), "ab\xFF");
  EXPECT_EQ(EucToSjis("\xB4\xC1"), KAN);  // 漢
  EXPECT_EQ(EucToSjis("x\x8E"), "x");     // a lone 0x8E at the end is dropped
  EXPECT_EQ(EucToSjis("x\xA4"), "x");
  EXPECT_EQ(SjisToUtf8(EucToSjis(Utf8ToSjis("x"))), "x");
}

TEST(Sjis, CaseMappingNeverFoldsTrailBytes) {
  EXPECT_EQ(AnsiUpperCase("abc" + KAN + "xyz"), "ABC" + KAN + "XYZ");
  EXPECT_EQ(AnsiLowerCase("\x83\x41"), "\x83\x41");  // ア: trail byte 'A' is not a letter
  EXPECT_EQ(AnsiLowerCase("\x82\x60"), "\x82\x81");  // Ａ -> ａ
  EXPECT_EQ(AnsiUpperCase("\x84\x80"), "\x84\x4F");  // о -> О across the gap at 0x847F
  EXPECT_TRUE(AnsiSameText("Name", "nAME"));
  EXPECT_FALSE(AnsiSameText("\x83\x41", "\x83\x61"));
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
}

TEST(Sjis, PathDelimiters) {
  EXPECT_FALSE(EndsWithPathDelimiter("C:\\" + HYO));
  EXPECT_TRUE(EndsWithPathDelimiter("C:\\" + HYO + "\\"));
  EXPECT_EQ(LastDelimiter("\\", "a\\" + SO), 2);
  EXPECT_EQ(LastDelimiter("\\", SO), 0);
}

TEST(Encoding, ConvertsAtTheBoundary) {
  EXPECT_EQ(Utf8ToSjis("表ソ"), HYO + SO);
  EXPECT_EQ(SjisToUtf8(HYO + SO), "表ソ");
  EXPECT_EQ(Sjis("リビルドしてください"), Utf8ToSjis("リビルドしてください"));
  EXPECT_EQ(SjisToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a truncated character never throws
}

// Typed text keeps what CP932 holds and leaves out every other character whole, however many
// bytes it takes, never turning one into several replacement marks.
TEST(Encoding, TypedTextDropsWhatCp932CannotHold) {
  const struct {
    std::string utf8, sjis;
  } cases[] = {
      {"日本", Utf8ToSjis("日本")},
      {"a😀b", "ab"},                     // four bytes
      {"x\u00e9y", "xy"},                // é: two bytes, not in CP932
      {"\xE3\x81", ""},                 // cut off at the end
      {"\xE3" "A\xFF" "z", "Az"},         // a broken lead, a stray byte
      {"\xEF\xBD\x9E", "\x81\x60"},  // fullwidth tilde, as CP932 maps it
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToSjisDropping(c.utf8), c.sjis) << c.utf8;
}

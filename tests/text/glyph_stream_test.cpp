// Reading stored glyph streams: versions and their gates, every glyph type, decoration
// indexes and counts, and streams cut or corrupted anywhere.
#include <gtest/gtest.h>

#include <memory>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "kit/glyph_stream_builder.h"
#include "script/param_collection.h"
#include "text/glyph_char.h"
#include "text/glyph_img.h"
#include "text/glyph_var.h"
#include "text/word.h"

namespace orva {
namespace {

using kit::DecorationRecord;
using kit::GlyphStream;

void Load(TWzWord& word, const GlyphStream& stream) {
  TMemoryStream bytes = stream.Stream();
  word.LoadFromStream(bytes);
}

TDecorate* RecordOf(const TWdGlyph* g) {
  if (auto* c = dynamic_cast<const TWdChar*>(g)) return c->DecorationRecord();
  return dynamic_cast<const TWdOpeVar*>(g)->DecorationRecord();
}

// Every glyph type, in each version: what the version stores is read, what it lacks keeps
// its default.
TEST(GlyphStreamRead, EveryTypeInEveryVersion) {
  for (int version : {0, 100, 101, 102}) {
    SCOPED_TRACE(version);
    GlyphStream s(version);
    s.Decoration({.refCount = 7, .color = 0x123456, .borderColor = 0x654321, .size = 24, .style = 5, .noBr = true,
                  .borderWidth = 3, .fontName = "Face", .ruby = "r", .shadowWidth = 2, .shadowColor = 0x0000FF})
        .Char(0x82A0, 0, -50, "link")
        .Align(3)
        .Return(true)
        .Indent()
        .Undent()
        .Event("ev")
        .Var("1 + 2", 0, 40, "vl")
        .Img("pic.vsk", 2, 30, "il");
    TWzWord word;
    Load(word, s);
    ASSERT_EQ(word.GlyphCount(), 8);
    ASSERT_EQ(word.Pool().Count(), 1);
    const TDecorateValues& d = word.Pool().At(0)->Values;
    EXPECT_EQ(d.Color, 0x123456);
    EXPECT_EQ(d.BorderColor, 0x654321);
    EXPECT_EQ(d.Size, 24);
    EXPECT_EQ(d.Style, 5);
    EXPECT_TRUE(d.NoBr);
    EXPECT_EQ(d.FontName, "Face");
    EXPECT_EQ(d.Ruby, "r");
    EXPECT_EQ(d.BorderWidth, version < 100 ? 1 : 3);  // a flag before 100
    EXPECT_EQ(d.ShadowWidth, version < 100 ? 0 : 2);
    EXPECT_EQ(d.ShadowColor, version < 100 ? 0 : 0x0000FF);

    const TWdGlyph* c = word.GlyphAt(0);
    EXPECT_EQ(c->GetGlyphType(), kGlyphChar);
    EXPECT_EQ(c->GetCharCode(), 0x82A0);
    EXPECT_EQ(c->GetLink(), "link");
    EXPECT_EQ(c->GetWait(), -50);
    EXPECT_EQ(c->GetColor(), 0x123456);
    EXPECT_EQ(word.GlyphAt(1)->GetAlign(), 3);
    EXPECT_TRUE(word.GlyphAt(2)->GetClear());
    EXPECT_EQ(word.GlyphAt(3)->GetGlyphType(), kGlyphIndent);
    EXPECT_EQ(word.GlyphAt(4)->GetGlyphType(), kGlyphUndent);
    EXPECT_EQ(word.GlyphAt(5)->GetName(), "ev");
    EXPECT_EQ(word.GlyphAt(5)->GetWait(), 0);

    auto* var = dynamic_cast<TWdOpeVar*>(word.GlyphAt(6));
    ASSERT_NE(var, nullptr);
    EXPECT_EQ(var->GetColor(), 0x123456);
    EXPECT_EQ(var->GetWait(), version >= 101 ? 40 : 0);
    EXPECT_EQ(var->GetLink(), version >= 101 ? "vl" : "");
    EXPECT_EQ(var->GetName(), version >= 102 ? "1 + 2" : "");
    EXPECT_EQ(var->Parser().Count() > 0, version < 102);

    const TWdGlyph* img = word.GlyphAt(7);
    EXPECT_EQ(img->GetName(), "pic.vsk");
    EXPECT_EQ(img->GetAlign(), 2);
    EXPECT_EQ(img->GetWait(), 30);
    EXPECT_EQ(img->GetLink(), "il");
    EXPECT_EQ(RecordOf(c)->RefCount, 2);  // the stored 7 is replaced by the real users
  }
}

TEST(GlyphStreamRead, EventEndFlagComesFromALeadingByte) {
  GlyphStream s;
  s.Event("stop", true).Event("go").Event("\x01").Event("");
  TWzWord word;
  Load(word, s);
  const auto* stop = dynamic_cast<const TWdOpeEvent*>(word.GlyphAt(0));
  EXPECT_EQ(stop->GetName(), "stop");
  EXPECT_TRUE(stop->End());
  EXPECT_FALSE(dynamic_cast<const TWdOpeEvent*>(word.GlyphAt(1))->End());
  EXPECT_EQ(word.GlyphAt(2)->GetName(), "");
  EXPECT_TRUE(dynamic_cast<const TWdOpeEvent*>(word.GlyphAt(2))->End());
  EXPECT_FALSE(dynamic_cast<const TWdOpeEvent*>(word.GlyphAt(3))->End());
}

// Only the low 7 bits of a type byte count; a type without a glyph reads nothing more.
TEST(GlyphStreamRead, UnknownTypesConsumeOnlyTheirTypeByte) {
  GlyphStream s;
  s.Decoration({}).Raw(8).Raw(0).Raw(0x7F).Char('a').Raw(0x84).Raw(0x83, std::string(1, '\1'));
  TWzWord word;
  Load(word, s);
  ASSERT_EQ(word.GlyphCount(), 3);
  EXPECT_EQ(word.GlyphAt(0)->GetCharCode(), 'a');
  EXPECT_EQ(word.GlyphAt(1)->GetGlyphType(), kGlyphIndent);
  EXPECT_TRUE(word.GlyphAt(2)->GetClear());
}

TEST(GlyphStreamRead, ReadingAppendsAndIndexesFromTheDecorationBase) {
  TWzWord word;
  GlyphStream first;
  first.Decoration({.color = 1}).Char('a');
  Load(word, first);
  GlyphStream second;
  second.Decoration({.color = 2}).Char('b', 0);
  word.DecorationBase = 1;
  Load(word, second);
  ASSERT_EQ(word.GlyphCount(), 2);
  EXPECT_EQ(word.GlyphAt(0)->GetColor(), 1);
  EXPECT_EQ(word.GlyphAt(1)->GetColor(), 2);
  word.Clear();
  EXPECT_EQ(word.DecorationBase, 0);
  EXPECT_EQ(word.GlyphCount(), 0);
  EXPECT_EQ(word.Pool().Count(), 0);
}

// A count too low once freed a record still in use: counts are replaced by the real users.
TEST(GlyphStreamRead, StoredCountsAreReplacedByTheRealUsers) {
  GlyphStream s;
  s.Decoration({.refCount = 1, .color = 0x10}).Decoration({.refCount = 9, .color = 0x20}).Text("abc", 0);
  TWzWord word;
  Load(word, s);
  EXPECT_EQ(word.Pool().At(0)->RefCount, 3);
  EXPECT_EQ(word.Pool().At(1)->RefCount, 0);  // unused, but the pool order stays
  word.GlyphAt(0)->SetColor(0x30);
  EXPECT_EQ(word.GlyphAt(0)->GetColor(), 0x30);
  EXPECT_EQ(word.GlyphAt(1)->GetColor(), 0x10);
  EXPECT_EQ(word.GlyphAt(2)->GetColor(), 0x10);
  word.DeleteGlyph(0);
  word.DeleteGlyph(0);
  EXPECT_EQ(word.GlyphAt(0)->GetColor(), 0x10);
}

struct BadStream {
  const char* what;
  std::string bytes;
};

// Bad streams raise their error and leave the word as it was.
TEST(GlyphStreamRead, BadStreamsRaiseAndLeaveNothing) {
  GlyphStream outside;
  outside.Decoration({}).Char('a', 2);  // 0 the word's, 1 the stream's
  GlyphStream negative;
  negative.Decoration({}).Char('a', -1);
  const GlyphStream varOutside = GlyphStream().Decoration({}).Var("x", 5);
  std::string badVersion = GlyphStream().Decoration({}).Char('a').Bytes();
  badVersion.replace(6, 3, "1x2");
  std::string hugeCount = GlyphStream().Bytes();
  hugeCount.replace(9, 4, std::string("\xFF\xFF\xFF\x7F", 4));

  TWzWord word;
  GlyphStream good;
  good.Decoration({.color = 5}).Char('z');
  Load(word, good);
  auto expectUnchanged = [&] {
    ASSERT_EQ(word.GlyphCount(), 1);
    EXPECT_EQ(word.Pool().Count(), 1);
    EXPECT_EQ(word.Pool().At(0)->RefCount, 1);
  };
  for (const GlyphStream* s : std::initializer_list<const GlyphStream*>{&outside, &negative, &varOutside}) {
    TMemoryStream bytes = s->Stream();
    EXPECT_THROW(word.LoadFromStream(bytes), EListError);
    expectUnchanged();
  }
  TMemoryStream version(badVersion);
  EXPECT_THROW(word.LoadFromStream(version), EConvertError);
  expectUnchanged();
  TMemoryStream count(hugeCount);
  EXPECT_THROW(word.LoadFromStream(count), EReadError);
  expectUnchanged();
}

// A stream cut at any position raises the stream error; one corrupted at any byte reads or
// raises, never more.
TEST(GlyphStreamRead, CutAndCorruptedAtEveryPosition) {
  for (int version : {0, 101, 102}) {
    GlyphStream s(version);
    s.Decoration({.fontName = "F", .ruby = "r"})
        .Decoration({.color = 3})
        .Text("a" + Sjis("あ"), 1, 10, "l")
        .Align(2)
        .Return()
        .Indent()
        .Event("e", true)
        .Var("1", 0)
        .Img("p", 1)
        .Undent();
    const std::string bytes = s.Bytes();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      TWzWord word;
      TMemoryStream part(bytes.substr(0, cut));
      EXPECT_THROW(word.LoadFromStream(part), Exception) << version << " cut " << cut;
      EXPECT_EQ(word.GlyphCount(), 0);
      EXPECT_EQ(word.Pool().Count(), 0);
    }
    for (size_t at = 0; at < bytes.size(); ++at)
      for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        std::string corrupt = bytes;
        corrupt[at] = static_cast<char>(value);
        TWzWord word;
        TMemoryStream in(corrupt);
        try {
          word.LoadFromStream(in);
        } catch (const Exception&) {
          EXPECT_EQ(word.GlyphCount(), 0);
        }
      }
  }
}

}  // namespace
}  // namespace orva

// Line and page breaking with fixed square cells (no fonts): kinsoku runs, western words,
// widths, paging, returns, indents, alignment, and the bands of pictures and floats.
#include <gtest/gtest.h>

#include <string>

#include "core/encoding.h"
#include "kit/fake_pictures.h"
#include "kit/glyph_stream_builder.h"
#include "text/glyph_page.h"
#include "text/glyph_row.h"
#include "text/line_breaking.h"
#include "text/word.h"

namespace orva {
namespace {

using kit::GlyphStream;

// Rows joined by "|", pages by "#"; a return is "/", an indent space "_", a picture "*".
std::string Describe(const TWdPageList& pages) {
  std::string out;
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p) out += '#';
    for (int r = 0; r < pages[p]->GetCount(); ++r) {
      if (r) out += '|';
      const TWdGlyph* row = pages[p]->GetItem(r);
      for (int i = 0; i < row->GetCount(); ++i) {
        const TWdGlyph* g = row->GetItem(i);
        switch (g->GetGlyphType()) {
          case kGlyphReturn: out += '/'; break;
          case kGlyphImg: out += '*'; break;
          case kGlyphChar: out += SjisToUtf8(g->GetText()); break;
          default: out += '_';
        }
      }
    }
  }
  return out;
}

// UTF-8 text with "\n" for a return and "\f" for a clearing return.
GlyphStream Text(const std::string& utf8, GlyphStream s = GlyphStream().Decoration({})) {
  std::string piece;
  auto flush = [&] {
    if (!piece.empty()) s.Text(Utf8ToSjis(piece));
    piece.clear();
  };
  for (char c : utf8) {
    if (c == '\n' || c == '\f') {
      flush();
      s.Return(c == '\f');
    } else {
      piece += c;
    }
  }
  flush();
  return s;
}

class Breaking : public testing::Test {
 protected:
  Breaking() {
    word.FontHeight = 20;
    word.Width = 100;
    word.Height = 1000;
    SetInlinePictureSource(&pictures);
  }
  ~Breaking() override {
    pages.clear();
    SetInlinePictureSource(nullptr);
  }
  std::string Lay(const GlyphStream& s) {
    pages.clear();
    word.Clear();
    TMemoryStream bytes = s.Stream();
    word.LoadFromStream(bytes);
    word.Paginate(pages, 0, -1);
    return Describe(pages);
  }
  TWdGlyph* Row(size_t page, int row) { return pages.at(page)->GetItem(row); }

  kit::FakePictures pictures;
  TWzWord word;
  TWdPageList pages;
};

TEST_F(Breaking, KinsokuRunsAndWesternWords) {
  struct Case {
    const char* text;
    const char* rows;
  };
  const Case cases[] = {
      {"あいうえ「お」。", "あいうえ|「お」。"},
      {"あいうえお。", "あいうえ|お。"},           // 。 stays with the character before it
      {"あいうえ（お", "あいうえ|（お"},            // （ goes with the character after it
      {"あいう！？えお", "あいう！？|えお"},        // closing marks join one another
      {"あいうえお、かき", "あいうえ|お、かき"},
      {"ab cd ef", "ab |cd ef"},                    // a space stays with its word
      {"abcdefghij kl", "abcdefghij |kl"},          // a run wider than the row overflows it
      {"ｱｲｳｴｵｶ", "ｱｲｳｴｵｶ"},                       // half-width katakana is a western word
      {"あ\nい", "あ/|い"},
  };
  for (const Case& t : cases) EXPECT_EQ(Lay(Text(t.text)), t.rows) << t.text;
}

TEST_F(Breaking, BreakRulesInOrder) {
  auto make = [&](uint16_t code, bool noBr = false, const char* ruby = "") {
    TWdGlyph* g = word.AddGlyph(CreateGlyph(kGlyphChar, &word));
    g->SetCharCode(code);
    g->SetNoBr(noBr);
    g->SetRuby(ruby);
    return g;
  };
  const uint16_t kana = 0x82A0, comma = 0x8141;
  struct Case {
    const char* what;
    TWdGlyph *g, *p;
    bool can;
  };
  const Case cases[] = {
      {"both no-break", make(kana, true), make(kana, true), false},
      {"one no-break", make(kana, true), make(kana), true},
      {"same ruby", make(kana, false, "yomi"), make(kana, false, "yomi"), false},
      {"other ruby", make(kana, false, "yomi"), make(kana, false, "kana"), true},
      {"ruby only before", make(kana), make(kana, false, "yomi"), true},
      {"western letters", make('b'), make('a'), false},
      {"letter after kana", make('a'), make(kana), true},
      {"space after a letter", make(' '), make('a'), false},
      {"space after a space", make(' '), make(' '), true},
      {"letter after a space", make('a'), make(' '), true},
      {"comma", make(comma), make(kana), false},
      {"comma first", make(comma), nullptr, false},
      {"first", make(kana), nullptr, true},
  };
  for (const Case& t : cases) EXPECT_EQ(CanBreakBefore(*t.g, t.p), t.can) << t.what;
  EXPECT_FALSE(CanEndLine(*make(0x8175)));  // 「
  EXPECT_FALSE(CanEndLine(*make('(')));
  EXPECT_FALSE(CanEndLine(*make(0xA2)));    // half-width ｢
  EXPECT_TRUE(CanEndLine(*make(0x8176)));   // 」
  // A set member's trail byte (、 is 81 41) is no character of the set.
  EXPECT_TRUE(CanBreakBefore(*make('A'), make(kana)));
}

TEST_F(Breaking, WidthZeroNeverWrapsAndTakesTheWidestRow) {
  word.Width = 0;
  EXPECT_EQ(Lay(Text("あいうえおかきくけこ\nさ")), "あいうえおかきくけこ/|さ");
  EXPECT_EQ(word.Width, 200);
}

TEST_F(Breaking, PagingAndReturns) {
  word.Height = 45;
  word.LineSpace = 5;
  EXPECT_EQ(Lay(Text("あいうえおかきくけこさしすせそ")), "あいうえお|かきくけこ#さしすせそ");
  EXPECT_EQ(Row(0, 1)->Top, 25);
  EXPECT_EQ(Row(1, 0)->Top, 0);
  word.Paging = false;
  EXPECT_EQ(Lay(Text("あいうえおかきくけこさしすせそ")), "あいうえお|かきくけこ|さしすせそ");
  EXPECT_EQ(Lay(Text("あ\fい")), "あ/#い");  // a clearing return ends the page even so
  word.Paging = true;
  word.Height = 10;  // a page's first row stays even when taller than the page
  EXPECT_EQ(Lay(Text("あいうえおか")), "あいうえお#か");
  word.Height = 1000;
  word.LineSpace = 0;
  EXPECT_EQ(Lay(Text("あ\n\nい")), "あ/|/|い");
  EXPECT_EQ(Row(0, 1)->GetHeight(), 20);  // an empty line is as tall as the font
  EXPECT_EQ(Row(0, 2)->Top, 40);
}

TEST_F(Breaking, PagingRestartsTheRowThatDoesNotFit) {
  word.Height = 45;
  pictures.Add("tall.vsk", {{20, 30}});
  // The picture makes the second row too tall: the whole row moves to a new page.
  GlyphStream s = Text("あいうえお");
  s.Text(Utf8ToSjis("か")).Img("tall.vsk", kImgBottom).Text(Utf8ToSjis("き"));
  EXPECT_EQ(Lay(s), "あいうえお#か*き");
}

TEST_F(Breaking, IndentsAndUndents) {
  GlyphStream s;
  s.Decoration({}).Text(Utf8ToSjis("【名】")).Indent().Text(Utf8ToSjis("あいうえおかきく"));
  EXPECT_EQ(Lay(s), "【名】あい|_うえ|_おか|_きく");
  EXPECT_EQ(Row(0, 1)->GetItem(0)->Width, 60);

  GlyphStream atStart;
  atStart.Decoration({}).Indent().Text(Utf8ToSjis("あいうえおか"));
  EXPECT_EQ(Lay(atStart), "あいうえお|か");

  GlyphStream undent;
  undent.Decoration({}).Text(Utf8ToSjis("【名】")).Indent().Text(Utf8ToSjis("あいう")).Undent().Text(
      Utf8ToSjis("えおかき"));
  EXPECT_EQ(Lay(undent), "【名】あい|_うえ|おかき");
}

TEST_F(Breaking, AlignmentAppliesAtOnceOnlyBeforeTheFirstCharacter) {
  GlyphStream s;
  s.Decoration({}).Align(kAlignCenter).Text(Utf8ToSjis("あい")).Return().Text(Utf8ToSjis("う")).Align(kAlignRight)
      .Text(Utf8ToSjis("えおかきく"));
  EXPECT_EQ(Lay(s), "あい/|うえおかき|く");
  EXPECT_EQ(Row(0, 0)->GetAlign(), kAlignCenter);
  EXPECT_EQ(Row(0, 0)->GetItem(0)->Left, 30);
  EXPECT_EQ(Row(0, 0)->Width, 70);
  EXPECT_EQ(Row(0, 1)->GetAlign(), kAlignCenter);
  EXPECT_EQ(Row(0, 2)->GetAlign(), kAlignRight);
  EXPECT_EQ(Row(0, 2)->GetItem(0)->Left, 80);
}

// Centre-, top- and bottom-aligned pictures add bands above and below the base; the others
// sit on the base line.
TEST_F(Breaking, PictureBands) {
  pictures.Add("p40.vsk", {{20, 40}});
  pictures.Add("p30.vsk", {{20, 30}});
  struct Case {
    const char* name;
    uint8_t align;
    int32_t height, charTop, pictureTop;
  };
  const Case cases[] = {
      {"p40.vsk", kImgCenter, 40, 10, 0},
      {"p30.vsk", kImgTop, 30, 0, 0},
      {"p30.vsk", kImgBottom, 30, 10, 0},
      {"p30.vsk", 0, 30, 10, 0},
  };
  for (const Case& t : cases) {
    GlyphStream s;
    s.Decoration({}).Text(Utf8ToSjis("あ")).Img(t.name, t.align).Return().Text(Utf8ToSjis("い"));
    Lay(s);
    const TWdGlyph* row = Row(0, 0);
    EXPECT_EQ(row->GetHeight(), t.height) << int(t.align);
    EXPECT_EQ(row->GetItem(0)->Top, t.charTop) << int(t.align);
    EXPECT_EQ(row->GetItem(1)->Top, t.pictureTop) << int(t.align);
    EXPECT_EQ(pages[0]->Height, t.height + 20);
  }
  // Bands are kept while breaking from the base so far: a centred picture before any
  // character makes the row taller while it is broken than once it is arranged.
  GlyphStream first;
  first.Decoration({}).Img("p40.vsk", kImgCenter).Text(Utf8ToSjis("あ")).Return().Text(Utf8ToSjis("い"));
  Lay(first);
  EXPECT_EQ(Row(0, 0)->GetHeight(), 40);
  EXPECT_EQ(Row(0, 1)->Top, 60);
}

TEST_F(Breaking, FloatsNarrowTheRowsBesideThem) {
  pictures.Add("f.vsk", {{30, 30}});
  GlyphStream s;
  s.Decoration({}).Img("f.vsk", kImgFloatLeft).Text(Utf8ToSjis("あいうえおかきく"));
  EXPECT_EQ(Lay(s), "*あいう|えおかきく");
  EXPECT_EQ(Row(0, 0)->GetLeftLimit(), 30);
  EXPECT_EQ(Row(0, 0)->GetRightLimit(), 100);
  EXPECT_EQ(Row(0, 1)->GetLeftLimit(), 0);

  GlyphStream right;
  right.Decoration({}).Text(Utf8ToSjis("あ")).Img("f.vsk", kImgFloatRight).Text(Utf8ToSjis("いうえお"));
  EXPECT_EQ(Lay(right), "あ|*いうえ|お");  // a float closes a row that holds something
  EXPECT_EQ(Row(0, 1)->GetRightLimit(), 70);

  word.Height = 40;  // a float that would pass the page's height moves to a new page
  GlyphStream moving;
  moving.Decoration({}).Text(Utf8ToSjis("あ")).Return().Img("f.vsk", kImgFloatLeft).Text(Utf8ToSjis("い"));
  EXPECT_EQ(Lay(moving), "あ/#*い");
}

// A row that holds only its indent space takes a float (else the float would close it and
// open the same row again for ever).
TEST_F(Breaking, FloatInARowThatHoldsOnlyItsIndent) {
  pictures.Add("f.vsk", {{30, 30}});
  GlyphStream s;
  s.Decoration({}).Text("ab").Indent().Return().Img("f.vsk", kImgFloatLeft).Text("c");
  EXPECT_EQ(Lay(s), "ab/|_*c");
}

TEST_F(Breaking, RangesByStoredIndex) {
  GlyphStream s = Text("あい\nうえ");
  TMemoryStream bytes = s.Stream();
  word.LoadFromStream(bytes);
  word.Paginate(pages, 0, 1);  // through stored index 1
  EXPECT_EQ(Describe(pages), "あい");
  word.Paginate(pages, 3, -1);  // appends
  EXPECT_EQ(Describe(pages), "あい#うえ");
  // A western word is not followed past the range's end into glyphs not laid out.
  pages.clear();
  word.Clear();
  TMemoryStream western = GlyphStream().Decoration({}).Text("abc").Stream();
  word.LoadFromStream(western);
  word.Paginate(pages, 0, 0);
  EXPECT_EQ(Describe(pages), "a");
}

}  // namespace
}  // namespace orva

// The glyph tree: the shared style pool and its change rule, cells of characters and
// pictures, texts, neighbours, copies and the float clip list.
#include <gtest/gtest.h>

#include <memory>

#include "core/exceptions.h"
#include "graphics/dibx.h"
#include "text/font_pixel.h"
#include "text/float_clip_list.h"
#include "text/glyph_char.h"
#include "text/glyph_img.h"
#include "text/glyph_page.h"
#include "text/glyph_row.h"
#include "text/glyph_var.h"
#include "text/word.h"

namespace orva {
namespace {

TWdGlyph* Add(TWzWord& word, int type) { return word.AddGlyph(CreateGlyph(type, &word)); }

TWdGlyph* AddChar(TWzWord& word, uint16_t code) {
  TWdGlyph* g = Add(word, kGlyphChar);
  g->SetCharCode(code);
  return g;
}

TDecorate* RecordOf(const TWdGlyph* g) { return dynamic_cast<const TWdChar*>(g)->DecorationRecord(); }

TEST(DecoratePool, EqualStylesShareOneRecordAndAChangeSplitsIt) {
  TWzWord word;
  TWdGlyph* a = AddChar(word, 'a');
  TWdGlyph* b = AddChar(word, 'b');
  ASSERT_EQ(RecordOf(a), RecordOf(b));
  EXPECT_EQ(RecordOf(a)->RefCount, 2);
  EXPECT_EQ(word.Pool().Count(), 1);

  a->SetColor(0x0000FF);  // shared: a gets a record of its own
  EXPECT_NE(RecordOf(a), RecordOf(b));
  EXPECT_EQ(b->GetColor(), -1);
  EXPECT_EQ(RecordOf(b)->RefCount, 1);
  EXPECT_EQ(word.Pool().Count(), 2);

  TDecorate* own = RecordOf(a);
  a->SetStyle(kStyleBold);  // the only user: changed in place
  EXPECT_EQ(RecordOf(a), own);
  EXPECT_EQ(a->GetColor(), 0x0000FF);
  EXPECT_EQ(a->GetStyle(), kStyleBold);

  b->SetColor(0x0000FF);
  b->SetStyle(kStyleBold);  // another record has these values: it is shared, b's own goes
  EXPECT_EQ(RecordOf(b), own);
  EXPECT_EQ(own->RefCount, 2);
  EXPECT_EQ(word.Pool().Count(), 1);

  word.DeleteGlyph(0);
  EXPECT_EQ(own->RefCount, 1);
  word.DeleteGlyph(0);
  EXPECT_EQ(word.Pool().Count(), 0);
}

TEST(DecoratePool, FindComparesAllTenValuesExactly) {
  TDecorateList pool;
  TDecorateValues v;
  v.FontName = "Face";
  v.Ruby = "r";
  TDecorate* first = pool.FindOrAdd(v);
  TDecorateValues other = v;
  other.FontName = "face";
  EXPECT_EQ(pool.Find(other), nullptr);
  for (auto change : std::initializer_list<void (*)(TDecorateValues&)>{
           [](TDecorateValues& d) { d.Color = 1; }, [](TDecorateValues& d) { d.BorderColor = 1; },
           [](TDecorateValues& d) { d.ShadowColor = 1; }, [](TDecorateValues& d) { d.Size = 1; },
           [](TDecorateValues& d) { d.Style = 1; }, [](TDecorateValues& d) { d.NoBr = true; },
           [](TDecorateValues& d) { d.Ruby = "R"; }, [](TDecorateValues& d) { d.BorderWidth = -1; },
           [](TDecorateValues& d) { d.ShadowWidth = -1; }}) {
    TDecorateValues changed = v;
    change(changed);
    EXPECT_EQ(pool.Find(changed), nullptr);
  }
  EXPECT_EQ(pool.FindOrAdd(v), first);
  EXPECT_EQ(first->RefCount, 2);
  EXPECT_THROW(pool.At(1), EListError);
}

TEST(GlyphCells, CharacterCellFromSizeItalicRubyBorderAndShadow) {
  struct Case {
    int32_t size;
    uint8_t style;
    const char* ruby;
    int32_t border, shadow;
    int32_t w, h;
  };
  const Case cases[] = {
      {20, kStyleItalic, "", 1, 2, 28, 24},  // 20 + 4 + 2 + 2 wide, 20 + 2 + 2 high
      {0, 0, "", 0, 0, 16, 16},              // size 0: the word's font height
      {20, 0, "x", 0, 0, 20, 30},            // ruby: half the size above
      {1, 0, "x", 0, 0, 1, 2},               // at least 1
      {20, 0, "", -1, -1, 20 + 2 * 3 + 5, 20 + 2 * 3 + 5},  // negative widths: the word's
      {-7, kStyleItalic, "", 0, 0, -8, -7},  // truncation toward zero
  };
  for (const Case& t : cases) {
    TWzWord word;
    word.FontHeight = 16;
    word.BorderWidth = 3;
    word.ShadowWidth = 5;
    TWdGlyph* c = AddChar(word, 0x82A0);
    c->SetFontSize(t.size);
    c->SetStyle(t.style);
    c->SetRuby(t.ruby);
    c->SetBorder(t.border);
    c->SetShadow(t.shadow);
    c->Measure();
    EXPECT_EQ(c->Width, t.w) << t.size << " " << t.border;
    EXPECT_EQ(c->Height, t.h) << t.size << " " << t.border;
  }
}

TEST(GlyphCells, ReturnIsAsTallAsTheFontOnlyAloneOnItsRow) {
  TWzWord word;
  word.FontHeight = 18;
  TWdGlyph* ret = Add(word, kGlyphReturn);
  TWdGlyph* c = AddChar(word, 'a');
  EXPECT_EQ(ret->GetHeight(), 0);
  TWdRow row(&word);
  row.AddChild(ret);
  EXPECT_EQ(ret->GetHeight(), 18);
  EXPECT_EQ(row.Height, 18);
  row.AddChild(c);
  EXPECT_EQ(ret->GetHeight(), 0);
}

TEST(GlyphCells, MissingPictureIsZeroByZeroAndStillLaidOut) {
  TWzWord word;
  word.Width = 100;
  word.Height = 100;
  TWdGlyph* img = Add(word, kGlyphImg);
  img->SetName("none.vsk");
  AddChar(word, 'a');
  TWdPageList pages;
  word.Paginate(pages, 0, -1);
  EXPECT_EQ(img->Width, 0);
  EXPECT_EQ(img->Height, 0);
  EXPECT_FALSE(img->IsAnimated());
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0]->GetItem(0)->GetCount(), 2);
}

TEST(GlyphTexts, TextsAndPlainTexts) {
  TWzWord word;
  TWdGlyph* kana = AddChar(word, 0x82A0);
  TWdGlyph* letter = AddChar(word, 'x');
  TWdGlyph* img = Add(word, kGlyphImg);
  TWdGlyph* ret = Add(word, kGlyphReturn);
  EXPECT_EQ(kana->GetText(), "\x82\xA0");
  EXPECT_EQ(letter->GetText(), "x");
  EXPECT_EQ(img->GetText(), std::string(1, '\0'));
  EXPECT_EQ(ret->GetPlainText(), "\r\n");
  EXPECT_EQ(img->GetPlainText(), "");

  // A page's plain text stops in each row at the first glyph not yet revealed.
  TWdPage page(&word);
  auto row1 = std::make_unique<TWdRow>(&word), row2 = std::make_unique<TWdRow>(&word);
  row1->AddChild(kana);
  row1->AddChild(letter);
  row1->AddChild(ret);
  TWdGlyph* second = AddChar(word, 'y');
  row2->AddChild(second);
  page.AddChild(row1.get());
  page.AddChild(row2.get());
  EXPECT_EQ(page.GetPlainText(), "\x82\xA0x\r\ny");
  letter->SetAlpha(0);
  EXPECT_EQ(page.GetPlainText(), "\x82\xA0y");
  kana->SetAlpha(0);
  EXPECT_EQ(page.GetPlainText(), "y");
  EXPECT_EQ(page.GetText(), std::string("\x82\xA0x") + '\0' + "y");
}

TEST(GlyphTexts, StoredWeightsAndStoredIndexes) {
  TWzWord word;
  AddChar(word, 'a');                                      // 0: weight 1
  TWdGlyph* var = Add(word, kGlyphVar);                    // 1: weight 1
  word.InsertGlyph(2, std::make_unique<TWdVarChar>(&word));  // 2: expansion, weight 0
  word.InsertGlyph(3, std::make_unique<TWdVarReturn>(&word));  // 3: weight 0
  Add(word, kGlyphEvent);                                  // 4
  TWdGlyph* last = AddChar(word, 'b');                     // 5
  EXPECT_EQ(word.StoredIndexOf(var), 1);
  EXPECT_EQ(word.StoredIndexOf(last), 3);
  struct Case {
    int n, index;
  };
  for (Case t : {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{3, 5}, Case{4, -1}, Case{99, -1}})
    EXPECT_EQ(word.GlyphAtStoredIndex(t.n), t.index) << t.n;
  EXPECT_FALSE(word.GlyphAt(3)->GetClear());
  EXPECT_EQ(word.GlyphAt(2)->FirstStored(), nullptr);
  EXPECT_EQ(var->FirstStored(), var);
}

TEST(GlyphTexts, NeighboursStopAtLineBreaks) {
  TWzWord word;
  TWdGlyph* a = AddChar(word, 'a');
  TWdGlyph* ret = Add(word, kGlyphReturn);
  TWdGlyph* b = AddChar(word, 'b');
  TWdGlyph* c = AddChar(word, 'c');
  EXPECT_EQ(a->PrevGlyph(), nullptr);
  EXPECT_EQ(a->NextGlyph(), ret);
  EXPECT_EQ(ret->NextGlyph(), nullptr);
  EXPECT_EQ(b->PrevGlyph(), nullptr);
  EXPECT_EQ(c->PrevGlyph(), b);
  EXPECT_EQ(c->NextGlyph(), nullptr);
  word.DeleteGlyph(1);
  EXPECT_EQ(b->PrevGlyph(), a);
}

TEST(GlyphTexts, OperatorGlyphValues) {
  TWzWord word;
  TWdGlyph* event = Add(word, kGlyphEvent);
  EXPECT_EQ(event->GetWait(), 0);
  dynamic_cast<TWdOpeEvent*>(event)->SetEnd(true);
  EXPECT_EQ(event->GetWait(), 1);
  TWdGlyph* var = Add(word, kGlyphVar);
  var->SetBorder(-1);
  EXPECT_EQ(var->GetBorder(), -1);  // a variable glyph keeps what is stored
  TWdGlyph* c = AddChar(word, 'x');
  c->SetBorder(-1);
  word.BorderWidth = 4;
  EXPECT_EQ(c->GetBorder(), 4);
  c->SetAlpha(300);
  EXPECT_EQ(c->GetAlpha(), 255);
  c->SetAlpha(-3);
  EXPECT_EQ(c->GetAlpha(), 0);
}

// A copy into another word takes a record of that word's pool.
TEST(GlyphTexts, CopiesRepoolTheirStyle) {
  TWzWord source, target;
  TWdGlyph* from = AddChar(source, 0x82A0);
  from->SetColor(0x123456);
  from->SetLink("go");
  from->SetWait(-40);
  TWdGlyph* event = Add(source, kGlyphEvent);
  event->SetName("E");
  dynamic_cast<TWdOpeEvent*>(event)->SetEnd(true);
  target.ApplyCache(source, 0, -1);
  ASSERT_EQ(target.GlyphCount(), 2);
  const TWdGlyph* copy = target.GlyphAt(0);
  EXPECT_EQ(copy->GetCharCode(), 0x82A0);
  EXPECT_EQ(copy->GetColor(), 0x123456);
  EXPECT_EQ(copy->GetLink(), "go");
  EXPECT_EQ(copy->GetWait(), -40);
  EXPECT_EQ(target.Pool().Count(), 1);
  EXPECT_EQ(target.Pool().IndexOf(RecordOf(copy)), 0);
  EXPECT_EQ(target.GlyphAt(1)->GetName(), "E");
  EXPECT_EQ(target.GlyphAt(1)->GetWait(), 1);
}

// Pages and the glyphs laid out in them may be freed in either order, and a glyph laid out
// again leaves its old row.
TEST(GlyphLifetime, PagesAndGlyphsFreedInEitherOrder) {
  for (bool glyphsFirst : {false, true}) {
    TWzWord word;
    word.Width = 40;
    word.Height = 100;
    word.FontHeight = 20;
    for (uint16_t c : {'a', 'b', 'c'}) AddChar(word, static_cast<uint16_t>(0x8200 | c));
    TWdPageList old, pages;
    word.Paginate(old, 0, -1);
    word.Paginate(pages, 0, -1);
    EXPECT_EQ(old[0]->GetItem(0)->GetCount(), 0);  // taken by the new layout
    EXPECT_EQ(pages[0]->GetItem(0)->GetCount(), 2);
    old.clear();
    EXPECT_EQ(word.GlyphAt(0)->Parent, pages[0]->GetItem(0));
    if (glyphsFirst) {
      word.DeleteGlyph(0);
      EXPECT_EQ(pages[0]->GetItem(0)->GetCount(), 1);
      word.Clear();
      EXPECT_EQ(pages[0]->GetItem(1)->GetCount(), 0);
      pages.clear();
    } else {
      pages.clear();
      EXPECT_EQ(word.GlyphAt(0)->Parent, nullptr);
      word.Clear();
    }
  }
}

TEST(FloatClipList, FloatsNarrowTheRowsBesideThem) {
  TWdClipList clips(100);
  int32_t l = 0, r = 0;
  EXPECT_EQ(clips.AddFloat(0, 30, 20, false), (TRect{0, 0, 30, 20}));
  EXPECT_EQ(clips.AddFloat(10, 25, 40, true), (TRect{75, 10, 100, 50}));
  EXPECT_EQ(clips.AddFloat(15, 10, 10, false), (TRect{30, 15, 40, 25}));
  clips.GetLimits(5, l, r);
  EXPECT_EQ(l, 30);
  EXPECT_EQ(r, 100);
  clips.GetLimits(19, l, r);
  EXPECT_EQ(l, 40);
  EXPECT_EQ(r, 75);
  clips.GetLimits(20, l, r);  // bottom edges are outside
  EXPECT_EQ(l, 40);
  clips.GetLimits(50, l, r);
  EXPECT_EQ(l, 0);
  EXPECT_EQ(r, 100);
}

}  // namespace
}  // namespace orva

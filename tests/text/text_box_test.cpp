// The player's own text box: caret and selection keys over Shift-JIS text, line breaks as one
// character, the clipboard, typed text by kind of box, the memo's wrapping and scrolling, the
// mouse, and what it draws. Every character of the fake font is 10 px wide and lines 16 px.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "core/encoding.h"
#include "graphics/dibx.h"
#include "kit/fake_rasteriser.h"
#include "platform/text_input.h"
#include "text/font_pixel_manager.h"
#include "text/text_box.h"

namespace orva {
namespace {

constexpr int VK_BACK = 8, VK_RETURN = 13, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
              VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E;

const std::string NI = Utf8ToSjis("二"), HON = Utf8ToSjis("本");

class TextBoxTest : public ::testing::Test {
 protected:
  TextBoxTest() : fake(std::make_shared<kit::FakeRasteriserState>()) {
    fake->AddFace("IPAGothic");
    fake->fallback = kit::FakeGlyph::Box(8, 10, 1, 12, 10);
    fake->metrics.Height = 16;
    fake->metrics.Ascent = 12;
    previous_ = SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    SetTextInputService(&input);
  }
  ~TextBoxTest() override {
    SetTextInputService(nullptr);
    SetFontPixelManager(std::move(previous_));
  }

  // A box of the kind, 100 × 50: an edit's text 96 px wide, a memo's 80 beside its scroll bar.
  static TTextBox Box(bool multiLine, std::string_view text) {
    TTextBox box(multiLine);
    box.SetSize(100, 50);
    box.SetText(text);
    return box;
  }

  std::shared_ptr<kit::FakeRasteriserState> fake;
  TMemoryTextInput input;

 private:
  std::unique_ptr<TFontPixelManager> previous_;
};

struct Key {
  int code;
  bool shift = false, control = false;
};

// Caret and selection after keys, both kinds of box, one character of two bytes among them.
TEST_F(TextBoxTest, KeysMoveTheCaretBySelectionAndCharacter) {
  const std::string text = "ab" + NI + "cd";  // bytes: a0 b1 NI2..3 c4 d5
  struct Case {
    bool memo;
    size_t caret, anchor;
    std::vector<Key> keys;
    size_t wantCaret, wantAnchor;
  } cases[] = {
      {false, 0, 0, {{VK_RIGHT}, {VK_RIGHT}, {VK_RIGHT}}, 4, 4},    // over the two-byte character
      {false, 4, 4, {{VK_LEFT}}, 2, 2},
      {false, 6, 6, {{VK_HOME}}, 0, 0},
      {false, 0, 0, {{VK_END, true}}, 6, 0},
      {false, 1, 4, {{VK_LEFT}}, 1, 1},                             // a selection collapses to its start
      {false, 1, 4, {{VK_RIGHT}}, 4, 4},                            // or its end
      {false, 2, 2, {{VK_RIGHT, true}, {VK_RIGHT, true}}, 5, 2},
      {false, 2, 2, {{VK_UP}}, 1, 1},                               // an edit's up is left
      {false, 2, 2, {{VK_DOWN}}, 4, 4},
      {false, 0, 0, {{'A', false, true}}, 6, 0},                    // Ctrl+A
      {true, 0, 0, {{VK_END}, {VK_LEFT}}, 5, 5},
  };
  for (const Case& c : cases) {
    TTextBox box = Box(c.memo, text);
    box.Select(c.anchor, c.caret);
    for (const Key& k : c.keys) box.KeyDown(k.code, k.shift, k.control);
    EXPECT_EQ(box.Caret(), c.wantCaret) << c.caret << "," << c.anchor << " key " << c.keys[0].code;
    EXPECT_EQ(box.Anchor(), c.wantAnchor) << c.caret << "," << c.anchor << " key " << c.keys[0].code;
  }
}

TEST_F(TextBoxTest, DeletingTakesWholeCharactersAndLineBreaks) {
  struct Case {
    bool memo;
    std::string text;
    size_t anchor, caret;
    Key key;
    std::string want;
  } cases[] = {
      {false, "a" + NI, 3, 3, {VK_BACK}, "a"},
      {false, NI + "b", 0, 0, {VK_DELETE}, "b"},
      {false, "abc", 0, 2, {VK_BACK}, "c"},
      {false, "abc", 0, 0, {VK_BACK}, "abc"},
      {false, "abc", 3, 3, {VK_DELETE}, "abc"},
      {true, "a\r\nb", 3, 3, {VK_BACK}, "ab"},
      {true, "a\r\nb", 1, 1, {VK_DELETE}, "ab"},
      {true, "ab", 1, 1, {VK_RETURN}, "a\r\nb"},
      {false, "ab", 1, 1, {VK_RETURN}, "ab"},  // an edit takes no line break
  };
  for (const Case& c : cases) {
    TTextBox box = Box(c.memo, c.text);
    box.Select(c.anchor, c.caret);
    box.KeyDown(c.key.code, c.key.shift, c.key.control);
    EXPECT_EQ(box.Text(), c.want) << c.text << " key " << c.key.code;
  }
  TTextBox readOnly = Box(true, "abc");
  readOnly.ReadOnly = true;
  readOnly.Select(0, 3);
  for (int key : {VK_BACK, VK_DELETE, VK_RETURN}) readOnly.KeyDown(key, false, false);
  readOnly.Insert("x");
  readOnly.SetComposition("y");
  EXPECT_EQ(readOnly.Text(), "abc");
  EXPECT_EQ(readOnly.Composition(), "");
}

TEST_F(TextBoxTest, TheClipboardHoldsUtf8AndPastesByKindOfBox) {
  TTextBox edit = Box(false, "ab" + NI);
  edit.Select(1, 4);
  edit.KeyDown('C', false, true);
  EXPECT_EQ(input.clipboard, "b二");
  edit.KeyDown('X', false, true);
  EXPECT_EQ(edit.Text(), "a");
  input.clipboard = "x\ny😀z";
  edit.KeyDown(VK_INSERT, true, false);  // Shift+Insert
  EXPECT_EQ(edit.Text(), "ax") << "an edit pastes up to the first line break";
  TTextBox memo = Box(true, "");
  memo.KeyDown('V', false, true);
  EXPECT_EQ(memo.Text(), "x\r\nyz") << "a memo's breaks become CR LF; what CP932 cannot hold goes";
  memo.Select(0, 1);
  memo.KeyDown(VK_DELETE, true, false);  // Shift+Delete cuts
  EXPECT_EQ(input.clipboard, "x");
  memo.ReadOnly = true;
  memo.KeyDown('V', false, true);
  EXPECT_EQ(memo.Text(), "\r\nyz");
}

// 64 px of text: six characters of 10 px a line; a break falls after the last space that fits.
TEST_F(TextBoxTest, TheMemoWrapsToItsWidthAndWalksItsLines) {
  TTextBox memo = Box(true, "abc defghij\r\n\r\nk");
  memo.SetSize(84, 50);
  EXPECT_EQ(memo.LineCount(), 5);  // "abc ", "defghi", "j", "", "k"
  memo.Select(1, 1);
  memo.KeyDown(VK_DOWN, false, false);
  EXPECT_EQ(memo.Caret(), 5u) << "below b: e";
  memo.KeyDown(VK_DOWN, false, false);
  EXPECT_EQ(memo.Caret(), 11u) << "the short line's end";
  memo.KeyDown(VK_DOWN, false, false);
  memo.KeyDown(VK_DOWN, false, false);
  EXPECT_EQ(memo.Caret(), 16u) << "after the empty line, back under b as far as it goes";
  memo.KeyDown(VK_HOME, false, false);
  memo.KeyDown(VK_UP, false, false);
  EXPECT_EQ(memo.Caret(), 13u);
  memo.KeyDown(VK_HOME, false, true);
  EXPECT_EQ(memo.Caret(), 0u);
  memo.KeyDown(VK_END, false, false);
  EXPECT_EQ(memo.Caret(), 4u) << "the end of the first shown line";
}

// 50 px high: three lines of 16 px show; the scroll bar's thumb pages and drags.
TEST_F(TextBoxTest, TheMemoScrollsToItsCaretAndByItsScrollBar) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += std::string(1, char('0' + i)) + (i < 9 ? "\r\n" : "");
  TTextBox memo = Box(true, text);
  EXPECT_EQ(memo.TopLine(), 0);
  memo.KeyDown(VK_END, false, true);
  EXPECT_EQ(memo.TopLine(), 7);
  memo.KeyDown(VK_PRIOR, false, false);
  EXPECT_EQ(memo.TopLine(), 4);
  EXPECT_EQ(memo.Caret(), text.find('6') + 1);
  memo.KeyDown(VK_NEXT, false, false);
  EXPECT_EQ(memo.TopLine(), 7);
  memo.MouseDown({95, 1}, false);  // above the thumb: a page up
  EXPECT_EQ(memo.TopLine(), 4);
  memo.MouseUp();
  // The thumb is 15 px of the 50 and its top runs over 35 px for 7 lines.
  memo.MouseDown({95, 21}, false);
  memo.MouseMove({95, 1});
  EXPECT_EQ(memo.TopLine(), 0);
  memo.MouseMove({95, 46});
  EXPECT_EQ(memo.TopLine(), 7);
  memo.MouseUp();
  memo.MouseMove({95, 1});
  EXPECT_EQ(memo.TopLine(), 7) << "released";
  memo.Wheel(false);
  EXPECT_EQ(memo.TopLine(), 4) << "three lines a notch";
  memo.Wheel(true);
  memo.Wheel(true);
  EXPECT_EQ(memo.TopLine(), 7);
}

TEST_F(TextBoxTest, TheEditScrollsSidewaysToKeepTheCaretInSight) {
  TTextBox edit = Box(false, "0123456789abcdef");  // 160 px in 96
  edit.KeyDown(VK_END, false, false);
  EXPECT_EQ(edit.ScrollX(), 160 - 95);
  EXPECT_EQ(edit.CaretRect().Left, 2 + 95);
  edit.KeyDown(VK_HOME, false, false);
  EXPECT_EQ(edit.ScrollX(), 0);
  edit.SetComposition("xyz");
  EXPECT_EQ(edit.ScrollX(), 0) << "the composition fits";
  edit.Select(16, 16);
  edit.SetComposition("xyz");
  EXPECT_EQ(edit.ScrollX(), 190 - 95);
}

TEST_F(TextBoxTest, ClicksPlaceTheCaretAndDragsSelect) {
  TTextBox memo = Box(true, "abcdef\r\nghi");
  memo.MouseDown({2 + 18, 1 + 16 + 3}, false);  // right of the middle of h
  EXPECT_EQ(memo.Caret(), 10u);
  memo.MouseMove({2 + 4, 1});                    // left half of a
  memo.MouseUp();
  EXPECT_EQ(memo.Anchor(), 10u);
  EXPECT_EQ(memo.Caret(), 0u);
  EXPECT_EQ(memo.SelectedText(), "abcdef\r\ngh");
  memo.MouseDown({60, 200}, true);  // below the text, with Shift
  EXPECT_EQ(memo.Caret(), 11u);
  EXPECT_EQ(memo.Anchor(), 10u);
}

// Inserted text and compositions follow the kind of box.
TEST_F(TextBoxTest, TypedTextReplacesTheSelection) {
  TTextBox edit = Box(false, "abc");
  edit.Select(1, 2);
  edit.Insert(HON + "\r\nx");
  EXPECT_EQ(edit.Text(), "a" + HON + "c");
  EXPECT_EQ(edit.Caret(), 3u);
  TTextBox memo = Box(true, "");
  memo.Insert("a\rb\nc");
  EXPECT_EQ(memo.Text(), "a\r\nb\r\nc");
}

// What a box draws: its colour, the text in its colour from the margin, the caret after the
// composition, the selection only while focused, the memo's scroll bar.
TEST_F(TextBoxTest, ItDrawsItsTextCaretSelectionAndScrollBar) {
  TDIBX surface;
  surface.SetSize(200, 100, 32);
  surface.FillRect(surface.GetBoundsRect(), 0);
  const auto px = [&](int x, int y) { return surface.GetPixel(x, y); };
  // Glyph pixels within the rounding of the glyphs' coverage levels.
  const auto ink = [&](int x, int y, uint32_t want) {
    const uint32_t got = px(x, y);
    for (int shift : {0, 8, 16})
      if (std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 2) return false;
    return true;
  };
  TTextBox edit = Box(false, "ab");
  edit.Color = 0x00FF00;
  edit.FontColor = 0x0000FF;
  const uint32_t green = surface.ColorToPixel(0x00FF00), red = surface.ColorToPixel(0x0000FF);
  edit.Select(0, 1);
  edit.Paint(surface, {10, 20}, false);
  EXPECT_EQ(px(10, 20), green);
  EXPECT_EQ(px(109, 69), green);
  EXPECT_EQ(px(110, 69), 0u) << "nothing outside the box";
  // The first glyph: 8 × 10 from 1 px right of the pen, its top 12 px above the base line
  // at the cell's top (ascent 12).
  EXPECT_TRUE(ink(10 + 2 + 1, 20 + 1, red));
  EXPECT_EQ(px(10 + 2 + 1 + 8, 20 + 1), green);
  EXPECT_EQ(px(10 + 2 + 10, 20 + 5), green) << "no caret while not focused";
  edit.Paint(surface, {10, 20}, true);
  EXPECT_EQ(px(10 + 2 + 10, 20 + 5), red) << "the caret after a";
  EXPECT_EQ(px(10 + 2 + 9, 20 + 15), surface.ColorToPixel(0xD77800)) << "the selection's colour";
  EXPECT_TRUE(ink(10 + 2 + 1, 20 + 1, surface.ColorToPixel(0xFFFFFF))) << "selected text in white";
  edit.SetComposition("xy");
  edit.Paint(surface, {10, 20}, true);
  EXPECT_EQ(px(10 + 2 + 10, 20 + 16), red) << "the composition underlined";
  EXPECT_EQ(px(10 + 2 + 30, 20 + 5), red) << "the caret after it";
  edit.Enabled = false;
  edit.SetComposition("");
  edit.Select(2, 2);
  edit.Paint(surface, {10, 20}, true);
  EXPECT_TRUE(ink(10 + 2 + 1, 20 + 1, surface.ColorToPixel(0x808080))) << "a disabled box is grey";

  TTextBox memo = Box(true, "1\r\n2\r\n3\r\n4");
  memo.Paint(surface, {10, 20}, false);
  EXPECT_EQ(px(10 + 92, 20 + 5), surface.ColorToPixel(0xC0C0C0)) << "the thumb";
  EXPECT_EQ(px(10 + 92, 20 + 45), surface.ColorToPixel(0xF0F0F0)) << "the track below it";
}

}  // namespace
}  // namespace orva

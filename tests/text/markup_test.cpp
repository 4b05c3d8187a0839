// Markup assigned to a message box's TEXT: the tokenizer's whitespace, PRE, comments and
// escapes, tag parsing, and the glyphs and styles the 27 tags make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "scene/base_list.h"
#include "script/param_collection.h"
#include "text/glyph_char.h"
#include "text/glyph_img.h"
#include "text/glyph_var.h"
#include "text/markup.h"
#include "text/word.h"

namespace orva {
namespace {

// The glyphs in one line: characters as themselves, a line break "|" (a page break "#"),
// and the operator glyphs and pictures in braces.
std::string Describe(const TWzWord& word) {
  std::string out;
  for (int i = 0; i < word.GlyphCount(); ++i) {
    const TWdGlyph& g = *word.GlyphAt(i);
    switch (g.GetGlyphType()) {
      case kGlyphChar: out += g.GetText(); break;
      case kGlyphReturn: out += g.GetClear() ? "#" : "|"; break;
      case kGlyphAlign: out += "{align " + std::to_string(g.GetAlign()) + "}"; break;
      case kGlyphIndent: out += "{indent}"; break;
      case kGlyphUndent: out += "{undent}"; break;
      case kGlyphEvent:
        out += std::string(static_cast<const TWdOpeEvent&>(g).End() ? "{end " : "{event ") + g.GetName() + "}";
        break;
      case kGlyphVar: out += "{var " + g.GetName() + "}"; break;
      case kGlyphImg: out += "{img " + g.GetName() + " " + std::to_string(g.GetAlign()) + "}"; break;
      default: out += "{?}"; break;
    }
  }
  return out;
}

class Markup : public testing::Test {
 protected:
  Markup() { SetSceneVariables(&vars); }
  ~Markup() override {
    word.Clear();
    SetSceneVariables(nullptr);
  }
  std::string Glyphs(const std::vector<std::string>& lines) {
    word.SetText(lines);
    return Describe(word);
  }
  const TDecorateValues& Style(int index) {
    return static_cast<const TWdChar*>(word.GlyphAt(index))->Decoration();
  }

  TParamCollection vars;
  TWzWord word;
};

TEST_F(Markup, TextAndTagsBecomeGlyphs) {
  struct Case {
    std::vector<std::string> lines;
    std::string glyphs;
  };
  const Case cases[] = {
      // Whitespace: runs of spaces and line breaks become one space; none at the start.
      {{"a  b"}, "a b"},
      {{"a", "b"}, "a b"},
      {{"a ", "b"}, "a b"},
      {{"", "b"}, "b"},
      {{"a\tb"}, "ab"},
      {{"a\x14\x14" "b"}, "a b"},
      // PRE: each line ends with a break, but not the one before the closing tag; spaces
      // still collapse, a TAB gives eight.
      {{"<PRE>", "a  b", "c\td", "</PRE>"}, "a b|c        d"},
      {{"<pre>a\x14\x14" "b</pre>"}, "a  b"},
      {{"<TEXTAREA>", "a", "b</TEXTAREA>"}, "ab"},
      // Comments and script blocks show nothing; nested openers need as many closers.
      {{"x<!-- <B>y</B> -->z"}, "xz"},
      {{"x<!-- a <!-- b --> c -->z"}, "xz"},
      {{"x<SCRIPT>if (a<b) c</SCRIPT>z"}, "xz"},
      // Escapes: an escaped bracket is text, a backslash before a letter is dropped.
      {{"1\\<B\\>2"}, "1<B>2"},
      {{"\\q\\\\"}, "q\\"},
      // ... but an escaped tag that starts a token is read as the tag.
      {{"\\<B\\>"}, ""},
      // A double-byte character whose trail byte is a backslash escapes nothing.
      {{Sjis("表<BR>ソ")}, Sjis("表|ソ")},
      // Breaks, alignment, indents, events, variables, pictures.
      {{"a<BR>b<BR CLEAR>c<CLEAR>d"}, "a|b#c#d"},
      {{"<DIV ALIGN=center>c</DIV>x"}, "{align 3}c{align 1}x"},
      {{"<DIV ALIGN=top>c"}, "{align 1}c"},
      {{"<INDENT>a<UNDENT>"}, "{indent}a{undent}"},
      {{"<EVENT VALUE=\"a\\nb\">x"}, "{event a\r\nb}x"},
      {{"<event value=done end>"}, "{end done}"},
      {{"<EVENT>"}, "{event }"},
      {{"<VAR NAME=\"score + 1\"><VAR>"}, "{var score + 1}"},
      {{"<IMG SRC=a.vsk ALIGN=LEFT><IMG SRC=b.vsk align=Top><IMG>"}, "{img a.vsk 5}{img b.vsk 4}"},
      // Unknown and unbalanced tags are no errors.
      {{"<TABLE>a</FONT></DIV></WAIT>b"}, "a{align 1}b"},
      {{"a<B"}, "a<B"},
  };
  for (const Case& c : cases) EXPECT_EQ(Glyphs(c.lines), c.glyphs) << c.lines.front();
}

TEST_F(Markup, TagsAreCutIntoNamesAndAttributes) {
  TTag tag;
  tag.Parse("<font  COLOR=\"#FF 00\" size=3 BORDER NAME='x y' Q=\"open x>");
  EXPECT_EQ(tag.Text(), "<font>");
  EXPECT_EQ(tag.Kind(), kTagFont);
  EXPECT_EQ(tag.GetAttr("color"), "#FF 00");
  EXPECT_EQ(tag.GetAttr("SIZE"), "3");
  EXPECT_TRUE(tag.HasAttr("border"));
  EXPECT_EQ(tag.GetAttr("BORDER", "none"), "");
  EXPECT_EQ(tag.GetAttr("NAME"), "x y");
  EXPECT_EQ(tag.GetAttr("Q"), "open");  // an unclosed quote runs to the next space
  EXPECT_EQ(tag.GetAttr("MISSING", "none"), "none");
  EXPECT_EQ(tag.ParseInt("SIZE", 7), 3);
  EXPECT_EQ(tag.ParseInt("NAME", 7), 7);
  // Kinds: text, an unknown name, a comment.
  for (auto [token, kind] : std::vector<std::pair<std::string, int>>{
           {"plain", kTagText}, {"<>", kTagText}, {"<TABLE x=1>", kTagUnknown}, {"<!-- c -->", kTagUnknown},
           {"</a>", kTagEndA}, {"<img src=x>", kTagImg}}) {
    tag.Parse(token);
    EXPECT_EQ(tag.Kind(), kind) << token;
  }
}

TEST_F(Markup, ColoursBordersAndShadowsComeFromFontTags) {
  word.SetText({"<FONT COLOR=#FF0000 BCOLOR=#00ff00>r<FONT COLOR=FF0000 BORDER SHADOW=-3>s</FONT>t</FONT>u"
                "<FONT SIZE=30 NAME=\"x\" BORDER=2 SCOLOR=#123>v"});
  EXPECT_EQ(Style(0).Color, 0x0000FF);
  EXPECT_EQ(Style(0).BorderColor, 0x00FF00);
  EXPECT_EQ(Style(0).BorderWidth, -1);
  // A colour without '#' keeps the current one; BORDER alone is 1, a negative SHADOW 0.
  EXPECT_EQ(Style(1).Color, 0x0000FF);
  EXPECT_EQ(Style(1).BorderWidth, 1);
  EXPECT_EQ(Style(1).ShadowWidth, 0);
  EXPECT_EQ(Style(2).BorderWidth, -1);
  EXPECT_EQ(Style(3).Color, -1);
  EXPECT_EQ(Style(3).BorderWidth, -1);  // the box's own
  EXPECT_EQ(Style(4).Size, 30);
  EXPECT_EQ(Style(4).FontName, "x");
  EXPECT_EQ(Style(4).BorderWidth, 2);
  EXPECT_EQ(Style(4).ShadowColor, 0x230100);  // "#123" is 0x000123
  // Equal runs share one record.
  word.SetText({"<B>ab</B>cd"});
  EXPECT_EQ(Style(0).Style, 1);
  EXPECT_EQ(Style(2).Style, 0);
  EXPECT_EQ(word.Pool().Count(), 2);
  word.SetText({"<I><U><S>x</S></U></I><NOBR>y</NOBR><RUBY VALUE=\"" + Sjis("かな") + "\">z</RUBY>"});
  EXPECT_EQ(Style(0).Style, 2 | 4 | 8);
  EXPECT_TRUE(Style(1).NoBr);
  EXPECT_EQ(Style(2).Ruby, Sjis("かな"));
}

TEST_F(Markup, LinksWaitsAndTheirDefaults) {
  vars.GlobalTextDelay = 30;
  word.SetText({"<A HREF=\"p\\n2\">a<WAIT VALUE=5>b</WAIT></A>c<VAR NAME=v>"});
  EXPECT_EQ(word.GlyphAt(0)->GetLink(), "p\r\n2");
  EXPECT_EQ(word.GlyphAt(1)->GetWait(), 5);
  EXPECT_EQ(word.GlyphAt(2)->GetLink(), "");
  EXPECT_EQ(word.GlyphAt(0)->GetWait(), 30);  // @TextDelay when the text was assigned
  EXPECT_EQ(word.GlyphAt(2)->GetWait(), 30);
  EXPECT_EQ(word.GlyphAt(3)->GetWait(), 30);
  vars.GlobalTextDelay = 7;
  word.SetText({"x"});
  EXPECT_EQ(word.GlyphAt(0)->GetWait(), 7);
}

TEST_F(Markup, AnATagWithoutHrefRaisesAndKeepsTheGlyphsBeforeIt) {
  for (const char* text : {"ab<A>c", "ab<A HREF=\"\">c"}) {
    try {
      word.SetText({text});
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("<A>タグにHREF値がありません"));
    }
    EXPECT_EQ(Describe(word), "ab");
  }
}

}  // namespace
}  // namespace orva

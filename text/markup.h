#pragma once
// The HTML-like markup that scripts assign to a message box's TEXT: the tokenizer cuts the
// lines into text runs and whole tags (whitespace collapsed as in HTML outside PRE and
// TEXTAREA, comments and SCRIPT/STYLE blocks kept as tokens that nothing reads), and a token
// is read as a tag with attributes. TWzWord::SetText interprets the tokens into glyphs.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// Tag codes: 0 text, 1 a tag nothing knows, then the 27 tags.
enum TTagCode : int {
  kTagText = 0,
  kTagUnknown = 1,
  kTagA, kTagEndA, kTagB, kTagEndB, kTagFont, kTagEndFont, kTagI, kTagEndI, kTagS, kTagEndS, kTagU, kTagEndU,
  kTagNoBr, kTagEndNoBr, kTagRuby, kTagEndRuby, kTagDiv, kTagEndDiv, kTagIndent, kTagUndent, kTagBr, kTagClear,
  kTagEvent, kTagWait, kTagEndWait, kTagVar, kTagImg,
};

// One token: its text (for a tag '<', the name and '>') and its attributes, each the name
// alone or name, CR, value.
class TTag {
 public:
  // A token of at least two bytes that begins with '<' and ends with '>' (and is no comment,
  // SCRIPT or STYLE block) is cut into the name and the attributes; any other keeps its text.
  void Parse(std::string_view token);
  // kTagText for a text shorter than three bytes or not in brackets, else the code of the
  // name (any case), kTagUnknown for a name not in the table.
  int Kind() const;
  const std::string& Text() const { return items_.front(); }
  int AttrCount() const { return static_cast<int>(items_.size()) - 1; }

  // The first attribute of the name (any case), −1 when there is none.
  int IndexOfAttr(std::string_view name) const;
  bool HasAttr(std::string_view name) const { return IndexOfAttr(name) >= 0; }
  // Its value: empty for an attribute without one, the default when absent.
  std::string GetAttr(std::string_view name, std::string_view fallback = {}) const;
  // The value as an integer; the current value when absent or not a number.
  int32_t ParseInt(std::string_view name, int32_t current) const;
  // "#RRGGBB" (up to six hexadecimal digits) as 0x00BBGGRR; any other value keeps the
  // current one.
  int32_t ParseColor(std::string_view name, int32_t current) const;
  // ALIGN when it names an alignment of the allowed set (LEFT 1, RIGHT 2, CENTER 3, TOP 4,
  // BOTTOM 5), else the default.
  uint8_t ParseAlign(std::initializer_list<uint8_t> allowed, uint8_t fallback) const;

 private:
  std::vector<std::string> items_{std::string()};
};

// The tokens of markup lines (joined with CR between them).
std::vector<std::string> TokenizeMarkup(const std::vector<std::string>& lines);

}  // namespace orva

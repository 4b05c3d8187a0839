#pragma once
// The Japanese line-breaking rules: a character of the no-line-start set (closing brackets
// and stops) may not begin a line, one of the no-line-end set (opening brackets) may not end
// one; western words, no-break runs and ruby groups stay together.

#include <cstdint>

namespace orva {

class TWdGlyph;
class TWzWord;

// Whether a line may break between p (the glyph before g in the word's list; nil for the
// first) and g.
bool CanBreakBefore(const TWdGlyph& g, const TWdGlyph* p);
bool CanEndLine(const TWdGlyph& g);

struct TWordRun {
  int32_t Width = 0;
  int Count = 0;
};

// The unbreakable run that starts at list index `index`, within the glyphs before `end`. An
// opening bracket joins the run that follows it.
TWordRun WordWidth(const TWzWord& word, int index, int end);

}  // namespace orva

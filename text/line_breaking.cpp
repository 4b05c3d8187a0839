#include "text/line_breaking.h"

#include <string_view>
#include <vector>

#include "core/sjis.h"
#include "script/conversions.h"
#include "text/glyph.h"
#include "text/word.h"

namespace orva {
namespace {

// 。、｣」』)）､｡!?！？】
constexpr std::string_view kNoLineStart =
    "\x81\x42\x81\x41\xA3\x81\x76\x81\x78\x29\x81\x6A\xA4\xA1\x21\x3F\x81\x49\x81\x48\x81\x7A";
// ｢「『（([<【
constexpr std::string_view kNoLineEnd = "\xA2\x81\x75\x81\x77\x81\x69\x28\x5B\x3C\x81\x79";

// Membership of a glyph's text in a set, found once per character code: the text of every
// glyph of a word's list is the one or two bytes of its code.
class TCodeSet {
 public:
  explicit TCodeSet(std::string_view set) : set_(set), known_(65536, kUnknown) {}
  bool Has(const TWdGlyph& g) {
    const uint16_t code = g.GetCharCode();
    uint8_t& state = known_[code];
    if (state == kUnknown) state = JPos(g.GetText(), set_) != 0 ? kIn : kOut;
    return state == kIn;
  }

 private:
  enum : uint8_t { kUnknown, kIn, kOut };
  std::string_view set_;
  std::vector<uint8_t> known_;
};

bool CannotStartLine(const TWdGlyph& g) {
  static TCodeSet set(kNoLineStart);
  return set.Has(g);
}

bool IsWesternCode(uint16_t code) { return code >= 33 && code <= 255; }

}  // namespace

bool CanBreakBefore(const TWdGlyph& g, const TWdGlyph* p) {
  if (p) {
    if (p->GetNoBr() && g.GetNoBr()) return false;
    const std::string ruby = g.GetRuby();
    if (!ruby.empty() && ruby == p->GetRuby()) return false;
    if (IsWesternCode(p->GetCharCode()) && IsWesternCode(g.GetCharCode())) return false;
    if (p->GetCharCode() != 32 && g.GetCharCode() == 32) return false;
  }
  return !CannotStartLine(g);
}

bool CanEndLine(const TWdGlyph& g) {
  static TCodeSet noLineEnd(kNoLineEnd);
  return !noLineEnd.Has(g);
}

TWordRun WordWidth(const TWzWord& word, int index, int end) {
  const TWdGlyph* g = word.GlyphAt(index);
  TWordRun run{g->GetWidth(), 1};
  int next = index + 1;
  if (g->GetGlyphType() == kGlyphReturn || next >= end) return run;
  auto takeJoined = [&] {
    while (next < end && !CanBreakBefore(*word.GlyphAt(next), word.GlyphAt(next - 1))) {
      run.Width = WrapAdd(run.Width, word.GlyphAt(next)->GetWidth());
      ++run.Count;
      ++next;
    }
  };
  takeJoined();
  if (run.Count == 1 && !CanEndLine(*g) && next < end && word.GlyphAt(next)->GetGlyphType() != kGlyphReturn) {
    run.Width = WrapAdd(run.Width, word.GlyphAt(next)->GetWidth());
    ++run.Count;
    ++next;
    takeJoined();
  }
  return run;
}

}  // namespace orva

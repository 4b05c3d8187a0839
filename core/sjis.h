#pragma once
// Shift-JIS (CP932) character-level text routines. A character is one byte, or a lead byte
// (0x81..0x9F, 0xE0..0xFC) and the byte after it; a lead byte in the last position is a
// character of one byte. Positions are 1-based, as the script functions see them.

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

constexpr bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool IsLeadByte(char c) { return IsLeadByte(static_cast<uint8_t>(c)); }

int JLength(std::string_view s);
// Calls f(code, last) for each character: its byte, or lead × 256 + trail; last is true for
// the final character.
template <class F>
void ForEachCharCode(std::string_view text, F&& f) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint16_t code = static_cast<uint8_t>(text[i]);
    if (IsLeadByte(text[i]) && i + 1 < text.size()) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(text[++i]));
    f(code, i + 1 >= text.size());
  }
}
// Byte position of character n (n <= 1 gives 1); past the end when n exceeds the count.
int JByteIndex(std::string_view s, int n);
// Raises Exception("Illegal Index") outside 1..length.
bool IsTrailByte(std::string_view s, int i);
int JCharCode(std::string_view s, int n);
std::string JCopy(std::string_view s, int index, int count);
int JPos(std::string_view sub, std::string_view s);
void JInsert(std::string_view sub, std::string& s, int index);
void JDelete(std::string& s, int index, int count);
std::string JTrimLeft(std::string_view s);
std::string JTrimRight(std::string_view s);
std::string JTrim(std::string_view s);

// Cuts s at its first delimiter byte that is not a trail byte; returns the token before it.
std::string SplitToken(std::string& s, std::string_view delimiters);
// "page:label" -> label, s becomes the page; "." or "\" before any ":" means no label.
std::string SplitLabel(std::string& s);
// \n -> CR LF, \\ -> \, \" -> "; other escapes stay.
std::string UnescapeText(std::string_view s);

std::string HanToZen(std::string_view s);
std::string ZenToHan(std::string_view s);
std::string EucToSjis(std::string_view s);

// Case mapping of the Japanese system locale: ASCII letters and the full-width Latin, Greek
// and Cyrillic letters; a trail byte is never taken for a letter.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
bool AnsiSameText(std::string_view a, std::string_view b);
// Ordering of the case-folded bytes: < 0, 0, > 0.
int AnsiCompareText(std::string_view a, std::string_view b);
// ASCII-only case folding, for names compared "ignoring ASCII case".
bool SameTextAscii(std::string_view a, std::string_view b);

// Path delimiter tests that never take the trail byte of 表 or ソ (0x5C) for a backslash.
bool IsPathDelimiter(std::string_view s, int index);  // 1-based
bool EndsWithPathDelimiter(std::string_view s);
// 1-based position of the last byte of `delimiters` that starts a character; 0 when none.
int LastDelimiter(std::string_view delimiters, std::string_view s);

}  // namespace orva

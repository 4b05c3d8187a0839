// The text functions: Shift-JIS byte strings in and out; "byte" positions count bytes and
// the J functions count characters, 1-based. Position arithmetic is done in 64 bits, so no
// argument can make an index wrap.

#include <algorithm>
#include <vector>

#include "core/exceptions.h"
#include "core/number_text.h"
#include "core/sjis.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"

namespace orva {
namespace {

// Zero-padding is bounded so that a script cannot ask for a text of any length.
constexpr int64_t kMaxDigits = 1024;

bool IsBlankByte(char c) { return static_cast<uint8_t>(c) <= 0x20; }

[[noreturn]] void RaiseFormatError(std::string_view digits) {
  std::string text = "Format '%.";
  text.append(digits);
  text += "d' invalid or incompatible with argument";
  throw EConvertError(text);
}

// The digit count of IntToStr: a plain unsigned decimal number up to the cap, else the
// formatting error (the text never becomes part of a format).
int64_t DigitCount(std::string_view digits) {
  if (digits.empty()) RaiseFormatError(digits);
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') RaiseFormatError(digits);
    n = n * 10 + (c - '0');
    if (n > kMaxDigits) RaiseFormatError(digits);
  }
  return n;
}

std::string PadLeft(std::string digits, int64_t width) {
  if (static_cast<int64_t>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

void IntToStr(TBuiltinCall& c) {
  const int32_t v = c.Int(0);
  if (!c.Has(1)) {
    c.Dest.SetAsString(IntToText(v));
    return;
  }
  const int64_t width = DigitCount(c.Text(1));
  const int64_t magnitude = v < 0 ? -static_cast<int64_t>(v) : v;
  std::string text = PadLeft(std::to_string(magnitude), width);
  if (v < 0) text.insert(0, 1, '-');
  c.Dest.SetAsString(text);
}

void IntToHex(TBuiltinCall& c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  uint32_t v = static_cast<uint32_t>(c.Int(0));
  const int64_t width = std::clamp<int64_t>(c.Int(1), 0, kMaxDigits);
  std::string digits;
  do {
    digits.insert(digits.begin(), kHex[v & 15]);
    v >>= 4;
  } while (v != 0);
  c.Dest.SetAsString(PadLeft(std::move(digits), width));
}

void Length(TBuiltinCall& c) { c.Dest.SetAsInteger(static_cast<int32_t>(c.Text(0).size())); }

void JLengthOf(TBuiltinCall& c) { c.Dest.SetAsInteger(JLength(c.Text(0))); }

void Copy(TBuiltinCall& c) {
  const std::string s = c.Text(0);
  const int64_t length = static_cast<int64_t>(s.size());
  const int64_t i = std::max<int64_t>(c.Int(1), 1);
  const int64_t n = c.Has(2) ? c.Int(2) : length;
  if (i > length || n < 1) {
    c.Dest.SetAsString({});
    return;
  }
  c.Dest.SetAsString(std::string_view(s).substr(static_cast<size_t>(i - 1), static_cast<size_t>(std::min(n, length - i + 1))));
}

void JCopyOf(TBuiltinCall& c) {
  const std::string s = c.Text(0);
  const int32_t n = c.Has(2) ? c.Int(2) : static_cast<int32_t>(s.size());
  c.Dest.SetAsString(JCopy(s, c.Int(1), n));
}

// The edited text always goes back into the variable argument, as the text it was read as.
void Delete(TBuiltinCall& c) {
  std::string s = c.Text(0);
  const int64_t length = static_cast<int64_t>(s.size());
  const int64_t i = c.Int(1);
  const int64_t n = c.Has(2) ? c.Int(2) : length;
  if (i >= 1 && i <= length && n >= 1) s.erase(static_cast<size_t>(i - 1), static_cast<size_t>(std::min(n, length - i + 1)));
  c.Arg(0).SetAsString(s);
}

void JDeleteOf(TBuiltinCall& c) {
  std::string s = c.Text(0);
  const int32_t n = c.Has(2) ? c.Int(2) : JLength(s);
  JDelete(s, c.Int(1), n);
  c.Arg(0).SetAsString(s);
}

void Insert(TBuiltinCall& c) {
  const std::string sub = c.Text(0);
  std::string s = c.Text(1);
  CheckTextLength(static_cast<int64_t>(s.size()) + static_cast<int64_t>(sub.size()));
  const int64_t i = std::clamp<int64_t>(c.Int(2), 1, static_cast<int64_t>(s.size()) + 1);
  s.insert(static_cast<size_t>(i - 1), sub);
  c.Arg(1).SetAsString(s);
}

void JInsertOf(TBuiltinCall& c) {
  const std::string sub = c.Text(0);
  std::string s = c.Text(1);
  CheckTextLength(static_cast<int64_t>(s.size()) + static_cast<int64_t>(sub.size()));
  JInsert(sub, s, c.Int(2));
  c.Arg(1).SetAsString(s);
}

// The first differing bytes taken unsigned, subtracted; else the difference of the lengths.
template <class Fold>
int32_t CompareBytes(std::string_view a, std::string_view b, Fold fold) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t k = 0; k < n; ++k) {
    const int x = fold(static_cast<uint8_t>(a[k])), y = fold(static_cast<uint8_t>(b[k]));
    if (x != y) return x - y;
  }
  return static_cast<int32_t>(static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size()));
}

void CompareStr(TBuiltinCall& c) {
  c.Dest.SetAsInteger(CompareBytes(c.Text(0), c.Text(1), [](int x) { return x; }));
}

void CompareText(TBuiltinCall& c) {
  // ASCII letters only: a trail byte in 'a'..'z' stays as it is.
  c.Dest.SetAsInteger(CompareBytes(c.Text(0), c.Text(1), [](int x) { return x >= 'a' && x <= 'z' ? x - 0x20 : x; }));
}

void Pos(TBuiltinCall& c) {
  const std::string sub = c.Text(0), s = c.Text(1);
  const size_t at = sub.empty() ? std::string::npos : s.find(sub);
  c.Dest.SetAsInteger(at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
}

void JPosOf(TBuiltinCall& c) { c.Dest.SetAsInteger(JPos(c.Text(0), c.Text(1))); }

void Trim(TBuiltinCall& c) {
  const std::string s = c.Text(0);
  size_t b = 0, e = s.size();
  while (b < e && IsBlankByte(s[b])) ++b;
  while (e > b && IsBlankByte(s[e - 1])) --e;
  c.Dest.SetAsString(std::string_view(s).substr(b, e - b));
}

void JTrimOf(TBuiltinCall& c) { c.Dest.SetAsString(JTrim(c.Text(0))); }

void Not(TBuiltinCall& c) { c.Dest.SetAsBoolean(!c.Bool(0)); }

void FixStr(TBuiltinCall& c) {
  std::string s = c.Text(0);
  const int n = static_cast<int>(s.size());
  // The last byte starts a character when the one before is a trail byte, or is no lead byte.
  if (n >= 2 && (IsTrailByte(s, n - 1) || !IsLeadByte(s[static_cast<size_t>(n - 2)])) && IsLeadByte(s.back()))
    s.pop_back();
  c.Dest.SetAsString(s);
}

void LowerCase(TBuiltinCall& c) { c.Dest.SetAsString(AnsiLowerCase(c.Text(0))); }

void UpperCase(TBuiltinCall& c) { c.Dest.SetAsString(AnsiUpperCase(c.Text(0))); }

void StringOfChar(TBuiltinCall& c) {
  const std::string s = c.Text(0);
  const int32_t n = c.Int(1);
  std::string out;
  if (n >= 1 && !s.empty()) {
    CheckTextLength(static_cast<int64_t>(s.size()) * n);
    out.reserve(s.size() * static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) out += s;
  }
  c.Dest.SetAsString(out);
}

// Whether each byte position (and the end) begins a character.
std::vector<uint8_t> CharacterStarts(std::string_view s) {
  std::vector<uint8_t> starts(s.size() + 1, 0);
  size_t i = 0;
  while (i < s.size()) {
    starts[i] = 1;
    i += IsLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
  }
  starts[s.size()] = 1;
  return starts;
}

void StringReplace(TBuiltinCall& c) {
  const std::string s = c.Text(0), old = c.Text(1), replacement = c.Text(2);
  const bool all = c.Has(3) && c.Bool(3);
  const bool ignoreCase = c.Has(4) && c.Bool(4);
  if (old.empty()) {
    c.Dest.SetAsString(s);
    return;
  }
  // The case mapping keeps every character's length, so positions in the mapped texts are
  // positions in s.
  const std::string hay = ignoreCase ? AnsiUpperCase(s) : s;
  const std::string needle = ignoreCase ? AnsiUpperCase(old) : old;
  const std::vector<uint8_t> starts = CharacterStarts(s);
  // Calls `found` with each match, left to right and without overlap; a match never begins
  // or ends inside a double-byte character.
  auto forEachMatch = [&](auto found) {
    for (size_t from = 0; from + needle.size() <= hay.size();) {
      const size_t at = hay.find(needle, from);
      if (at == std::string::npos) break;
      if (!starts[at] || !starts[at + needle.size()]) {
        from = at + 1;
        continue;
      }
      found(at);
      from = at + needle.size();
      if (!all) break;
    }
  };
  // The length is known before anything is built.
  int64_t matches = 0;
  forEachMatch([&](size_t) { ++matches; });
  CheckTextLength(static_cast<int64_t>(s.size()) +
                  matches * (static_cast<int64_t>(replacement.size()) - static_cast<int64_t>(needle.size())));
  std::string out;
  out.reserve(s.size());
  size_t copied = 0;
  forEachMatch([&](size_t at) {
    out.append(s, copied, at - copied);
    out += replacement;
    copied = at + needle.size();
  });
  out.append(s, copied, std::string::npos);
  c.Dest.SetAsString(out);
}

void HanToZenOf(TBuiltinCall& c) { c.Dest.SetAsString(HanToZen(c.Text(0))); }

void ZenToHanOf(TBuiltinCall& c) { c.Dest.SetAsString(ZenToHan(c.Text(0))); }

void AddDelimiter(TBuiltinCall& c) {
  const std::string d = c.Text(0);
  std::string s = c.Text(1);
  if (!s.empty()) {
    CheckTextLength(static_cast<int64_t>(s.size()) + static_cast<int64_t>(d.size()));
    s += d;
  }
  c.Dest.SetAsString(s);
}

void StrToIntDef(TBuiltinCall& c) {
  int32_t v = 0;
  c.Dest.SetAsInteger(TryTextToInt(c.Text(0), v) ? v : c.Int(1));
}

void StrToFloatDef(TBuiltinCall& c) {
  long double v = 0;
  c.Dest.SetAsFloat(TryTextToFloat(c.Text(0), v) ? v : c.Float(1));
}

}  // namespace

void AddTextFunctions(TBuiltinTable& t) {
  t[bfIntToStr] = IntToStr;
  t[bfIntToHex] = IntToHex;
  t[bfLength] = Length;
  t[bfJLength] = JLengthOf;
  t[bfCopy] = Copy;
  t[bfJCopy] = JCopyOf;
  t[bfDelete] = Delete;
  t[bfJDelete] = JDeleteOf;
  t[bfInsert] = Insert;
  t[bfJInsert] = JInsertOf;
  t[bfCompareStr] = CompareStr;
  t[bfCompareText] = CompareText;
  t[bfPos] = Pos;
  t[bfJPos] = JPosOf;
  t[bfTrim] = Trim;
  t[bfJTrim] = JTrimOf;
  t[bfNot] = Not;
  t[bfFixStr] = FixStr;
  t[bfLowerCase] = LowerCase;
  t[bfUpperCase] = UpperCase;
  t[bfStringOfChar] = StringOfChar;
  t[bfStringReplace] = StringReplace;
  t[bfHanToZen] = HanToZenOf;
  t[bfZenToHan] = ZenToHanOf;
  t[bfAddDelimiter] = AddDelimiter;
  t[bfStrToIntDef] = StrToIntDef;
  t[bfStrToFloatDef] = StrToFloatDef;
}

}  // namespace orva

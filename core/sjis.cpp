#include "core/sjis.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/exceptions.h"

namespace orva {
namespace {

inline uint8_t At(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

// Length in bytes of the character starting at 0-based i.
inline size_t CharLen(std::string_view s, size_t i) { return (IsLeadByte(At(s, i)) && i + 1 < s.size()) ? 2 : 1; }

}  // namespace

int JLength(std::string_view s) {
  int count = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(At(s, i))) ++i;
    ++count;
  }
  return count;
}

int JByteIndex(std::string_view s, int n) {
  int p = 1;
  int rest = static_cast<int>(s.size());
  while (n > 1 && rest > 0) {
    if (IsLeadByte(At(s, p - 1))) {
      ++p;
      --rest;
    }
    --n;
    --rest;
    ++p;
  }
  return p;
}

bool IsTrailByte(std::string_view s, int i) {
  if (i < 1 || i > static_cast<int>(s.size())) throw Exception("Illegal Index");
  if (i == 1) return false;
  int leads = 0;
  for (int k = i - 1; k >= 1 && IsLeadByte(At(s, k - 1)); --k) ++leads;
  return leads % 2 == 1;
}

int JCharCode(std::string_view s, int n) {
  int p = JByteIndex(s, n);
  if (p < 1 || p > static_cast<int>(s.size())) return 0;
  size_t i = static_cast<size_t>(p - 1);
  if (CharLen(s, i) == 2) return At(s, i) * 256 + At(s, i + 1);
  return At(s, i);
}

std::string JCopy(std::string_view s, int index, int count) {
  std::string result;
  if (s.empty()) return result;
  // The first character is examined before the count is tested (JCopy(s, 1, 0) takes it).
  int64_t c = 1;
  const int64_t stop = static_cast<int64_t>(index) + count;
  size_t i = 0;
  do {
    size_t len = CharLen(s, i);
    if (c >= index) result.append(s.substr(i, len));
    i += len;
    ++c;
  } while (i < s.size() && c < stop);
  return result;
}

int JPos(std::string_view sub, std::string_view s) {
  if (sub.empty() || sub.size() > s.size()) return 0;
  int k = 1;
  for (size_t p = 0; p + sub.size() <= s.size(); p += CharLen(s, p), ++k)
    if (s.compare(p, sub.size(), sub) == 0) return k;
  return 0;
}

void JInsert(std::string_view sub, std::string& s, int index) {
  int p = JByteIndex(s, std::max(index, 1));
  if (p > static_cast<int>(s.size()))
    s.append(sub);
  else
    s.insert(static_cast<size_t>(p - 1), sub);
}

void JDelete(std::string& s, int index, int count) {
  int p = JByteIndex(s, std::max(index, 1));
  const int length = static_cast<int>(s.size());
  if (p > length) return;
  int q = p;
  for (int k = 0; k < count && q <= length; ++k) q += static_cast<int>(CharLen(s, static_cast<size_t>(q - 1)));
  if (q > length) {
    s.resize(static_cast<size_t>(p - 1));
    return;
  }
  if (IsTrailByte(s, q)) ++q;
  s.erase(static_cast<size_t>(p - 1), static_cast<size_t>(q - p));
}

std::string JTrimLeft(std::string_view s) {
  size_t i = 0;
  for (;;) {
    if (i < s.size() && s[i] == ' ')
      ++i;
    else if (i + 1 < s.size() && At(s, i) == 0x81 && At(s, i + 1) == 0x40)
      i += 2;
    else
      break;
  }
  return std::string(s.substr(i));
}

std::string JTrimRight(std::string_view s) {
  std::string r(s);
  for (;;) {
    const int n = static_cast<int>(r.size());
    if (n == 0) break;
    if (IsTrailByte(r, n)) {
      if (At(r, n - 2) == 0x81 && At(r, n - 1) == 0x40) {
        r.resize(n - 2);
        continue;
      }
    } else if (r[n - 1] == ' ') {
      r.resize(n - 1);
      continue;
    }
    break;
  }
  return r;
}

std::string JTrim(std::string_view s) { return JTrimRight(JTrimLeft(s)); }

std::string SplitToken(std::string& s, std::string_view delimiters) {
  std::string token;
  if (s.empty()) return token;
  if (delimiters.empty()) {
    token.swap(s);
    return token;
  }
  for (size_t i = 0; i < s.size(); i += CharLen(s, i)) {
    if (delimiters.find(s[i]) != std::string_view::npos) {
      token = s.substr(0, i);
      s.erase(0, i + 1);
      return token;
    }
  }
  token.swap(s);
  return token;
}

std::string SplitLabel(std::string& s) {
  for (int i = static_cast<int>(s.size()); i >= 2;) {
    if (IsLeadByte(At(s, i - 2))) {
      i -= 2;
      continue;
    }
    char c = s[i - 1];
    if (c == '.' || c == '\\') break;
    if (c == ':') {
      std::string label = s.substr(i);
      s.resize(i - 1);
      return label;
    }
    --i;
  }
  return {};
}

std::string UnescapeText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  // The last byte never starts an escape.
  while (i + 1 < s.size()) {
    char c = s[i];
    if (IsLeadByte(c)) {
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '\\') {
      char d = s[i + 1];
      if (d == 'n') {
        out.append("\r\n");
        i += 2;
        continue;
      }
      if (d == '\\' || d == '"') {
        out.push_back(d);
        i += 2;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  if (i < s.size()) out.append(s.substr(i));
  return out;
}

// ---- Half-width / full-width ----

namespace {

// Full-width code of a single byte (0 for bytes without one).
constexpr uint16_t ZenOf(uint8_t c) {
  constexpr uint16_t punct20[16] = {0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,
                                    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E};
  constexpr uint16_t punct3A[7] = {0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197};
  constexpr uint16_t punct5B[6] = {0x816D, 0x818F, 0x816E, 0x814F, 0x8151, 0x8165};
  constexpr uint16_t punct7B[4] = {0x816F, 0x8162, 0x8170, 0x8160};
  constexpr uint16_t kanaA1[6] = {0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392};
  if ((c >= 0x30 && c <= 0x39) || (c >= 0x41 && c <= 0x5A)) return 0x8200 | (c + 0x1F);
  if (c >= 0x61 && c <= 0x7A) return 0x8200 | (c + 0x20);
  if (c >= 0x20 && c <= 0x2F) return punct20[c - 0x20];
  if (c >= 0x3A && c <= 0x40) return punct3A[c - 0x3A];
  if (c >= 0x5B && c <= 0x60) return punct5B[c - 0x5B];
  if (c >= 0x7B && c <= 0x7E) return punct7B[c - 0x7B];
  if (c >= 0xA1 && c <= 0xA6) return kanaA1[c - 0xA1];
  if (c >= 0xA7 && c <= 0xAB) return 0x8300 | (0x40 + 2 * (c - 0xA7));
  if (c >= 0xAC && c <= 0xAE) return 0x8300 | (0x83 + 2 * (c - 0xAC));
  if (c == 0xAF) return 0x8362;
  if (c == 0xB0) return 0x815B;
  if (c >= 0xB1 && c <= 0xB5) return 0x8300 | (0x41 + 2 * (c - 0xB1));
  if (c >= 0xB6 && c <= 0xBF) return 0x8300 | (0x4A + 2 * (c - 0xB6));
  if (c >= 0xC0 && c <= 0xC1) return 0x8300 | (0x5E + 2 * (c - 0xC0));
  if (c >= 0xC2 && c <= 0xC4) return 0x8300 | (0x63 + 2 * (c - 0xC2));
  if (c >= 0xC5 && c <= 0xC9) return 0x8300 | (c - 0x5C);
  if (c >= 0xCA && c <= 0xCE) return 0x8300 | (0x6E + 3 * (c - 0xCA));
  if (c >= 0xCF && c <= 0xD0) return 0x8300 | (c - 0x52);
  if (c >= 0xD1 && c <= 0xD3) return 0x8300 | (c - 0x51);
  if (c >= 0xD4 && c <= 0xD6) return 0x8300 | (0x84 + 2 * (c - 0xD4));
  if (c >= 0xD7 && c <= 0xDB) return 0x8300 | (c - 0x4E);
  if (c == 0xDC) return 0x838F;
  if (c == 0xDD) return 0x8393;
  if (c == 0xDE) return 0x814A;
  if (c == 0xDF) return 0x814B;
  return 0;
}

// The voiced (mark 0xDE) or semi-voiced (0xDF) full-width code of kana c, 0 when none.
constexpr uint16_t VoicedZenOf(uint8_t c, uint8_t mark) {
  if (mark == 0xDE) {
    if (c >= 0xB6 && c <= 0xBF) return 0x8300 | (0x4B + 2 * (c - 0xB6));
    if (c >= 0xC0 && c <= 0xC1) return 0x8300 | (0x5F + 2 * (c - 0xC0));
    if (c >= 0xC2 && c <= 0xC4) return 0x8300 | (0x64 + 2 * (c - 0xC2));
    if (c >= 0xCA && c <= 0xCE) return 0x8300 | (0x6F + 3 * (c - 0xCA));
  } else if (mark == 0xDF) {
    if (c >= 0xCA && c <= 0xCE) return 0x8300 | (0x70 + 3 * (c - 0xCA));
  }
  return 0;
}

void PutCode(std::string& out, uint16_t code) {
  out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// Inverse of the HanToZen table: full-width code -> one or two half-width bytes.
struct HanEntry {
  uint16_t zen;
  char han[2];
  uint8_t length;
};

struct ZenTable {
  std::array<HanEntry, 184> entries{};
  size_t count = 0;
  ZenTable() {
    for (int c = 0; c < 256; ++c) {
      if (uint16_t z = ZenOf(static_cast<uint8_t>(c))) Add(z, static_cast<char>(c), 0, 1);
      for (uint8_t mark : {uint8_t{0xDE}, uint8_t{0xDF}})
        if (uint16_t v = VoicedZenOf(static_cast<uint8_t>(c), mark)) Add(v, static_cast<char>(c), static_cast<char>(mark), 2);
    }
    Add(0x8167, '"', 0, 1);  // the left double quotation mark has no half-width source of its own
    std::sort(entries.begin(), entries.begin() + count, [](const HanEntry& a, const HanEntry& b) { return a.zen < b.zen; });
  }
  void Add(uint16_t zen, char a, char b, uint8_t length) { entries[count++] = {zen, {a, b}, length}; }
  const HanEntry* Find(uint16_t zen) const {
    auto end = entries.begin() + count;
    auto it = std::lower_bound(entries.begin(), end, zen, [](const HanEntry& e, uint16_t z) { return e.zen < z; });
    return (it != end && it->zen == zen) ? &*it : nullptr;
  }
};

}  // namespace

std::string HanToZen(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size();) {
    uint8_t c = At(s, i);
    if (IsLeadByte(c)) {
      size_t len = CharLen(s, i);
      out.append(s.substr(i, len));
      i += len;
      continue;
    }
    if (i + 1 < s.size()) {
      if (uint16_t v = VoicedZenOf(c, At(s, i + 1))) {
        PutCode(out, v);
        i += 2;
        continue;
      }
    }
    if (uint16_t z = ZenOf(c)) PutCode(out, z);
    ++i;
  }
  return out;
}

std::string ZenToHan(std::string_view s) {
  static const ZenTable table;
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (CharLen(s, i) == 1) {
      out.push_back(s[i]);
      ++i;
      continue;
    }
    if (const HanEntry* e = table.Find(static_cast<uint16_t>(At(s, i) << 8 | At(s, i + 1)))) out.append(e->han, e->length);
    i += 2;
  }
  return out;
}

std::string EucToSjis(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint8_t b1 = At(s, i);
    if (b1 < 0x81 || b1 > 0xFE) {
      out.push_back(static_cast<char>(b1));
      ++i;
      continue;
    }
    // A lead byte without its second byte at the end is dropped.
    if (i + 1 >= s.size()) break;
    uint8_t b2 = At(s, i + 1);
    i += 2;
    if (b1 == 0x8E) {
      out.push_back(static_cast<char>(b2));
      continue;
    }
    int j1 = b1 % 128, j2 = b2 % 128;
    int trail = (j1 % 2 == 1) ? (j2 < 0x60 ? j2 + 0x1F : j2 + 0x20) : j2 + 0x7E;
    int lead = (j1 + 1) / 2 + (j1 < 0x5F ? 0x70 : 0xB0);
    out.push_back(static_cast<char>(lead));
    out.push_back(static_cast<char>(trail));
  }
  return out;
}

// ---- Case mapping ----

namespace {

// Maps one character (1 or 2 bytes at s[i]) to the other case in place in out.
void MapCase(std::string& out, bool upper) {
  for (size_t i = 0; i < out.size();) {
    uint8_t c = static_cast<uint8_t>(out[i]);
    if (CharLen(out, i) == 1) {
      if (upper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 0x20);
      if (!upper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 0x20);
      ++i;
      continue;
    }
    int code = c << 8 | static_cast<uint8_t>(out[i + 1]);
    int mapped = code;
    if (upper) {
      if (code >= 0x8281 && code <= 0x829A) mapped = code - 0x21;       // full-width Latin
      else if (code >= 0x83BF && code <= 0x83D6) mapped = code - 0x20;  // Greek
      else if (code >= 0x8470 && code <= 0x847E) mapped = code - 0x30;  // Cyrillic (lower skips 0x847F)
      else if (code >= 0x8480 && code <= 0x8491) mapped = code - 0x31;
    } else {
      if (code >= 0x8260 && code <= 0x8279) mapped = code + 0x21;
      else if (code >= 0x839F && code <= 0x83B6) mapped = code + 0x20;
      else if (code >= 0x8440 && code <= 0x844E) mapped = code + 0x30;
      else if (code >= 0x844F && code <= 0x8460) mapped = code + 0x31;
    }
    out[i + 1] = static_cast<char>(mapped & 0xFF);
    i += 2;
  }
}

}  // namespace

std::string AnsiUpperCase(std::string_view s) {
  std::string r(s);
  MapCase(r, true);
  return r;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string r(s);
  MapCase(r, false);
  return r;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  return AnsiLowerCase(a) == AnsiLowerCase(b);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  int c = AnsiLowerCase(a).compare(AnsiLowerCase(b));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

bool IsPathDelimiter(std::string_view s, int index) {
  if (index < 1 || index > static_cast<int>(s.size())) return false;
  return s[index - 1] == '\\' && !IsTrailByte(s, index);
}

bool EndsWithPathDelimiter(std::string_view s) { return IsPathDelimiter(s, static_cast<int>(s.size())); }

int LastDelimiter(std::string_view delimiters, std::string_view s) {
  int last = 0;
  for (size_t i = 0; i < s.size(); i += CharLen(s, i))
    if (delimiters.find(s[i]) != std::string_view::npos) last = static_cast<int>(i) + 1;
  return last;
}

}  // namespace orva

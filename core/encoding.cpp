#include "core/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

namespace orva {
namespace {

// The bytes of the UTF-8 character at the start of s: its lead byte and the continuation
// bytes that follow it, at least 1.
size_t Utf8CharLength(const char* s, size_t left) {
  const auto lead = static_cast<unsigned char>(s[0]);
  const size_t expected = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t n = 1;
  while (n < expected && n < left && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return n;
}

// Input that cannot be converted becomes the replacement, one per byte; without a replacement
// the whole UTF-8 character is left out.
std::string Convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char buffer[1024];
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): replace one byte and go on.
      const size_t skip = replacement.empty() ? Utf8CharLength(src, srcLeft) : 1;
      out.append(replacement);
      src += skip;
      srcLeft -= skip;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) { return Convert(sjis, "UTF-8", "CP932", "\xEF\xBF\xBD"); }

std::string Utf8ToSjis(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8", "?"); }

std::string Utf8ToSjisDropping(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8", ""); }

const std::string& Sjis(const char* utf8Literal) {
  static std::mutex lock;
  static std::unordered_map<const char*, std::string> cache;
  std::lock_guard<std::mutex> guard(lock);
  auto it = cache.find(utf8Literal);
  if (it == cache.end()) it = cache.emplace(utf8Literal, Utf8ToSjis(utf8Literal)).first;
  return it->second;
}

}  // namespace orva

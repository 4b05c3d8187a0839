// The stored glyph stream of a text command: an optional "WzWord" tag with a three-digit
// version, the decoration records, then the glyph records, each after its type byte.
#include <cstring>

#include "core/exceptions.h"
#include "core/number_text.h"
#include "text/glyph_char.h"
#include "text/glyph_var.h"
#include "text/stream_read.h"
#include "text/word.h"

namespace orva {
namespace {

constexpr char kTag[] = "WzWord";
constexpr size_t kTagLength = 6;
constexpr size_t kHeaderLength = 9;

// The version of the header; without the tag the stream goes back to where it began and the
// version is 0. Digits that are no number raise the number parser's error.
int ReadWordVersion(TStream& stream) {
  char header[kHeaderLength];
  const int64_t got = stream.Read(header, kHeaderLength);
  if (got < int64_t(kHeaderLength) || std::memcmp(header, kTag, kTagLength) != 0) {
    stream.Seek(-got, TSeekOrigin::soCurrent);
    return 0;
  }
  const std::string digits(header + kTagLength, kHeaderLength - kTagLength);
  int32_t version = 0;
  if (!TryTextToInt(digits, version)) throw EConvertError("'" + digits + "' is not a valid integer value");
  return version;
}

void Detach(TWdGlyph& glyph) {
  if (auto* c = dynamic_cast<TWdChar*>(&glyph))
    c->DetachDecoration();
  else if (auto* v = dynamic_cast<TWdOpeVar*>(&glyph))
    v->DetachDecoration();
}

}  // namespace

void TWzWord::LoadFromStream(TStream& stream) {
  const int poolBefore = pool_.Count();
  std::vector<std::unique_ptr<TWdGlyph>> read;
  try {
    const int version = ReadWordVersion(stream);
    pool_.LoadFromStream(stream, version);
    const int32_t count = ReadCount(stream, kMinGlyphBytes);
    for (int32_t i = 0; i < count; ++i) {
      std::unique_ptr<TWdGlyph> glyph = CreateGlyph(ReadByte(stream) & 0x7F, this, false);
      if (!glyph) continue;
      read.push_back(std::move(glyph));
      read.back()->LoadFromStream(stream, version);
    }
  } catch (...) {
    // Nothing of a bad stream stays: the glyphs let go of their records uncounted, and the
    // records appended go.
    for (auto& glyph : read) Detach(*glyph);
    read.clear();
    pool_.Truncate(poolBefore);
    throw;
  }
  for (auto& glyph : read) AddGlyph(std::move(glyph));
  // Stored reference counts are not trusted: a count too low would free a record in use.
  RecountDecorations();
}

}  // namespace orva

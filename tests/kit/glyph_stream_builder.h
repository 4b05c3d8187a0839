#pragma once
// Byte-exact glyph streams of text commands, as the authoring tool stores them, for every
// version the player reads (0: no header; 100, 101, 102) and every glyph type:
//
//   GlyphStream text(102);
//   text.Decoration({.color = 0x0000FF}).Text(Sjis("あい")).Return().Event("done", true);
//   word.LoadFromStream(text.Stream());

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/stream.h"
#include "kit/page_builder.h"

namespace orva::kit {

struct DecorationRecord {
  int32_t refCount = 1;
  int32_t color = -1, borderColor = -1, size = 0;
  uint8_t style = 0;
  bool noBr = false;
  int32_t borderWidth = 0;  // before version 100 stored as a flag: non-zero gives 1
  std::string fontName = {}, ruby = {};
  int32_t shadowWidth = 0, shadowColor = -1;  // from version 100
};

class GlyphStream {
 public:
  explicit GlyphStream(int version = 102) : version_(version) {}

  GlyphStream& Decoration(const DecorationRecord& record);
  GlyphStream& Char(uint16_t code, int32_t decoration = 0, int32_t wait = 0, std::string_view link = {});
  // One character record per Shift-JIS character.
  GlyphStream& Text(std::string_view sjis, int32_t decoration = 0, int32_t wait = 0, std::string_view link = {});
  GlyphStream& Align(uint8_t align);
  GlyphStream& Return(bool clear = false);
  GlyphStream& Indent();
  GlyphStream& Undent();
  // END is stored as a 0x01 byte before the name.
  GlyphStream& Event(std::string_view name, bool end = false);
  // The expression as text from version 102, compiled before.
  GlyphStream& Var(std::string_view expression, int32_t decoration = 0, int32_t wait = 0, std::string_view link = {});
  GlyphStream& Img(std::string_view source, uint8_t align = 0, int32_t wait = 0, std::string_view link = {});
  // A type byte as it is, and the record bytes after it.
  GlyphStream& Raw(uint8_t type, std::string_view record = {});

  int Version() const { return version_; }
  int GlyphCount() const { return glyphs_; }
  std::string Bytes() const;
  TMemoryStream Stream() const { return TMemoryStream(Bytes()); }

 private:
  int version_;
  int32_t decorationCount_ = 0;
  int32_t glyphs_ = 0;
  Fields decorations_, records_;
};

}  // namespace orva::kit

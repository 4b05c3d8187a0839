#include "kit/glyph_stream_builder.h"

#include <cstdio>

#include "core/sjis.h"

namespace orva::kit {

GlyphStream& GlyphStream::Decoration(const DecorationRecord& r) {
  ++decorationCount_;
  decorations_.Int(r.refCount).Int(r.color).Int(r.borderColor).Int(r.size).Byte(r.style).Byte(r.noBr ? 1 : 0);
  if (version_ < 100)
    decorations_.Byte(r.borderWidth != 0 ? 1 : 0);
  else
    decorations_.Int(r.borderWidth);
  decorations_.Str(r.fontName).Str(r.ruby);
  if (version_ >= 100) decorations_.Int(r.shadowWidth).Int(r.shadowColor);
  return *this;
}

GlyphStream& GlyphStream::Char(uint16_t code, int32_t decoration, int32_t wait, std::string_view link) {
  ++glyphs_;
  records_.Byte(1).Str(link).Int(wait).Byte(static_cast<uint8_t>(code)).Byte(static_cast<uint8_t>(code >> 8)).Int(decoration);
  return *this;
}

GlyphStream& GlyphStream::Text(std::string_view sjis, int32_t decoration, int32_t wait, std::string_view link) {
  for (size_t i = 0; i < sjis.size(); ++i) {
    uint16_t code = static_cast<uint8_t>(sjis[i]);
    if (IsLeadByte(sjis[i]) && i + 1 < sjis.size()) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(sjis[++i]));
    Char(code, decoration, wait, link);
  }
  return *this;
}

GlyphStream& GlyphStream::Align(uint8_t align) { return Raw(2, std::string(1, static_cast<char>(align))); }
GlyphStream& GlyphStream::Return(bool clear) { return Raw(3, std::string(1, clear ? '\1' : '\0')); }
GlyphStream& GlyphStream::Indent() { return Raw(4); }
GlyphStream& GlyphStream::Undent() { return Raw(5); }

GlyphStream& GlyphStream::Event(std::string_view name, bool end) {
  Fields record;
  record.Str((end ? std::string("\x01") : std::string()) + std::string(name));
  return Raw(6, record.Bytes());
}

GlyphStream& GlyphStream::Var(std::string_view expression, int32_t decoration, int32_t wait, std::string_view link) {
  Fields record;
  record.Int(decoration);
  if (version_ >= 101) record.Int(wait).Str(link);
  if (version_ >= 102)
    record.Str(expression);
  else
    record.Expr(expression);
  return Raw(7, record.Bytes());
}

GlyphStream& GlyphStream::Img(std::string_view source, uint8_t align, int32_t wait, std::string_view link) {
  Fields record;
  record.Str(link).Int(wait).Str(source).Byte(align);
  return Raw(9, record.Bytes());
}

GlyphStream& GlyphStream::Raw(uint8_t type, std::string_view record) {
  ++glyphs_;
  records_.Byte(type).Raw(record);
  return *this;
}

std::string GlyphStream::Bytes() const {
  Fields out;
  if (version_ != 0) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "WzWord%03d", version_ % 1000);
    out.Raw(tag);
  }
  out.Int(decorationCount_).Raw(decorations_.Bytes()).Int(glyphs_).Raw(records_.Bytes());
  return out.Bytes();
}

}  // namespace orva::kit

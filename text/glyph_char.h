#pragma once
// Characters: TWdChar with its shared decoration, measured as a square cell of its size and
// drawn through the glyph cache into the word's text surfaces; TWdVarChar, a character that
// a variable glyph inserted. TDecorated gives characters and variable glyphs their style
// values through the word's pool and its change rule.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/rect.h"
#include "text/decorate.h"
#include "text/glyph.h"
#include "text/word.h"

namespace orva {

template <class Base>
class TDecorated : public Base {
 public:
  // decorated: take the default record; else the glyph waits for AttachDecoration.
  TDecorated(TWzWord* owner, bool decorated) : Base(owner) {
    if (decorated) decoration_.Take(owner->Pool(), TDecorateValues{});
  }
  ~TDecorated() override { decoration_.Release(this->Owner->Pool()); }

  const TDecorateValues& Decoration() const { return decoration_.Values(); }
  TDecorate* DecorationRecord() const { return decoration_.Record(); }
  void ChangeDecoration(const TDecorateValues& values) { decoration_.Change(this->Owner->Pool(), values); }
  void AttachDecoration(TDecorate* record) {
    decoration_.Release(this->Owner->Pool());
    decoration_.Attach(record);
  }
  void DetachDecoration() { decoration_.Detach(); }

  std::string GetFontName() const override { return Decoration().FontName; }
  void SetFontName(std::string_view v) override { Set(&TDecorateValues::FontName, std::string(v)); }
  int32_t GetFontSize() const override { return Decoration().Size; }
  void SetFontSize(int32_t v) override { Set(&TDecorateValues::Size, v); }
  uint8_t GetStyle() const override { return Decoration().Style; }
  void SetStyle(uint8_t v) override { Set(&TDecorateValues::Style, v); }
  int32_t GetColor() const override { return Decoration().Color; }
  void SetColor(int32_t v) override { Set(&TDecorateValues::Color, v); }
  int32_t GetBorderColor() const override { return Decoration().BorderColor; }
  void SetBorderColor(int32_t v) override { Set(&TDecorateValues::BorderColor, v); }
  int32_t GetBorder() const override { return Decoration().BorderWidth; }
  void SetBorder(int32_t v) override { Set(&TDecorateValues::BorderWidth, v); }
  bool GetNoBr() const override { return Decoration().NoBr; }
  void SetNoBr(bool v) override { Set(&TDecorateValues::NoBr, v); }
  std::string GetRuby() const override { return Decoration().Ruby; }
  void SetRuby(std::string_view v) override { Set(&TDecorateValues::Ruby, std::string(v)); }
  int32_t GetShadow() const override { return Decoration().ShadowWidth; }
  void SetShadow(int32_t v) override { Set(&TDecorateValues::ShadowWidth, v); }
  int32_t GetShadowColor() const override { return Decoration().ShadowColor; }
  void SetShadowColor(int32_t v) override { Set(&TDecorateValues::ShadowColor, v); }

 protected:
  template <class T, class V>
  void Set(T TDecorateValues::*field, V value) {
    TDecorateValues values = Decoration();
    values.*field = std::move(value);
    ChangeDecoration(values);
  }

 private:
  TDecorationRef decoration_;
};

class TWdChar : public TDecorated<TWdReal> {
 public:
  explicit TWdChar(TWzWord* owner, bool decorated = true) : TDecorated(owner, decorated) {}

  int GetGlyphType() const override { return kGlyphChar; }
  uint16_t GetCharCode() const override { return code_; }
  void SetCharCode(uint16_t code) override { code_ = code; }
  // Negative widths are the word's.
  int32_t GetBorder() const override;
  int32_t GetShadow() const override;
  std::string GetPlainText() const override { return GetText(); }
  int GetStoredWeight() const override { return 1; }
  void Measure() override;
  void Render(bool reset) override;
  void Paint() override;
  void LoadFromStream(TStream& stream, int version) override;
  void CopyFrom(const TWdGlyph& source) override;

  // The colour the character shows: hover, its own, the link colour, the word's.
  int32_t TextColor() const;
  // The area of the text surface its last render touched.
  const TRect& RenderedRect() const { return rendered_; }

 private:
  uint16_t code_ = 0;
  TRect rendered_{};
};

class TWdVarChar : public TWdChar {
 public:
  using TWdChar::TWdChar;
  int GetStoredWeight() const override { return 0; }
  void SaveState(TStream&) override {}
  void LoadState(TStream&) override {}
};

}  // namespace orva

#include "text/glyph_char.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/number_text.h"
#include "core/sjis.h"
#include "scene/geometry.h"
#include "text/font_pixel_manager.h"
#include "text/stream_read.h"

namespace orva {
namespace {

TRect UnionNonEmpty(const TRect& a, const TRect& b) {
  if (b.IsEmpty()) return a;
  if (a.IsEmpty()) return b;
  return UnionRectOf(a, b);
}

// Whether the glyph is a character with the same border and shadow as this one.
bool SameLook(const TWdGlyph* a, const TWdGlyph* b) {
  return b && b->GetGlyphType() == kGlyphChar && a->GetBorder() == b->GetBorder() &&
         a->GetShadow() == b->GetShadow() && a->GetBorderColor() == b->GetBorderColor() &&
         a->GetShadowColor() == b->GetShadowColor();
}

// Draws one character, or nothing when its font cannot be made.
TRect DrawCharacter(TWzWord& word, uint16_t code, const std::string& font, int32_t size, uint8_t style,
                    const TRect& cell, int32_t border, int32_t shadow, bool prevDiffers, bool nextDiffers,
                    uint32_t color, uint32_t borderColor, uint32_t shadowColor) {
  try {
    TFontPixel* g = FontPixelManager().GetGlyph(code, font, size, style);
    return g->DrawText(word.TextSurface, word.MaskSurface, cell, border, shadow, prevDiffers, nextDiffers, color,
                       borderColor, shadowColor);
  } catch (const Exception&) {
    return {};
  }
}

}  // namespace

int32_t TWdChar::GetBorder() const {
  const int32_t own = Decoration().BorderWidth;
  return own >= 0 ? own : Owner->BorderWidth;
}

int32_t TWdChar::GetShadow() const {
  const int32_t own = Decoration().ShadowWidth;
  return own >= 0 ? own : Owner->ShadowWidth;
}

void TWdChar::Measure() {
  const TDecorateValues& d = Decoration();
  const int32_t s = d.Size != 0 ? d.Size : Owner->FontHeight;
  int32_t w = s, h = s;
  if (d.Style & 2) w = WrapAdd(w, s / 5);
  if (!d.Ruby.empty()) h = WrapAdd(h, std::max(1, s / 2));
  const int32_t border = GetBorder(), shadow = GetShadow();
  w = WrapAdd(WrapAdd(w, WrapMul(2, border)), shadow);
  h = WrapAdd(WrapAdd(h, WrapMul(2, border)), shadow);
  Width = w;
  Height = h;
}

int32_t TWdChar::TextColor() const {
  if (GetHover()) return Owner->HoverColor;
  if (Decoration().Color != -1) return Decoration().Color;
  if (!GetLink().empty()) return Owner->LinkColor;
  return Owner->FontColor;
}

void TWdChar::Render(bool reset) {
  TWdReal::Render(reset);
  rendered_ = {};
  TWzWord& word = *Owner;
  if (word.TextSurface.IsEmpty()) return;
  const TDecorateValues& d = Decoration();
  const std::string& font = !d.FontName.empty() ? d.FontName : !word.FontName.empty() ? word.FontName : DefaultFontName();
  const uint8_t style = static_cast<uint8_t>(d.Style | (GetLink().empty() ? 0 : kStyleUnderline));
  const int32_t size = d.Size != 0 ? d.Size : word.FontHeight;
  FontPixelManager().Quality = word.Quality;
  TDIBX& surface = word.TextSurface;
  const uint32_t color = surface.ColorToPixel(TextColor());
  const uint32_t borderColor = surface.ColorToPixel(d.BorderColor != -1 ? d.BorderColor : word.BorderColor);
  const uint32_t shadowColor = surface.ColorToPixel(d.ShadowColor != -1 ? d.ShadowColor : word.ShadowColor);
  const int32_t x = GetSurfaceLeft(), y = GetSurfaceTop();
  const int32_t border = GetBorder(), shadow = GetShadow();

  int32_t rubyHeight = 0;
  if (!d.Ruby.empty()) {
    const int32_t r = std::max(1, size / 2);
    rubyHeight = r;
    const TWdGlyph* prev = PrevGlyph();
    if (!prev || prev->GetRuby() != d.Ruby) {
      // The reading is spread over the whole group of glyphs with the same ruby text.
      int64_t total = GetWidth();
      for (const TWdGlyph* g = NextGlyph(); g && g->GetRuby() == d.Ruby; g = g->NextGlyph()) total += g->GetWidth();
      const int n = JLength(d.Ruby);
      const long double step = static_cast<long double>(total) / n / 2;
      size_t i = 0;
      for (int k = 1; k <= n; ++k) {
        uint16_t code = static_cast<uint8_t>(d.Ruby[i]);
        const bool wide = IsLeadByte(d.Ruby[i]) && i + 1 < d.Ruby.size();
        if (wide) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(d.Ruby[i + 1]));
        i += wide ? 2 : 1;
        int32_t centre = 0;
        if (!RoundToInt32(x + (2 * k - 1) * step, centre)) continue;
        const int32_t left = WrapSub(centre, wide ? r / 2 : r / 4);
        DrawCharacter(word, code, font, r, static_cast<uint8_t>(d.Style & (kStyleBold | kStyleItalic)),
                      WrapBounds(left, y, r, r), std::min(1, border), std::min(1, shadow), false, false, color,
                      borderColor, shadowColor);
      }
    }
    rendered_ = WrapBounds(x, y, GetWidth(), GetHeight());
  }

  const TWdComposite* row = Parent;
  const int index = row ? row->IndexOf(this) : -1;
  const bool prevDiffers = !(index > 0 && SameLook(this, row->GetItem(index - 1)));
  const bool nextDiffers = !(index >= 0 && SameLook(this, row->GetItem(index + 1)));
  const TRect cell = WrapBounds(x, WrapAdd(y, rubyHeight), GetWidth(), WrapSub(GetHeight(), rubyHeight));
  rendered_ = UnionNonEmpty(rendered_, DrawCharacter(word, code_, font, size, style, cell, border, shadow, prevDiffers,
                                                     nextDiffers, color, borderColor, shadowColor));
}

void TWdChar::Paint() {
  TWzWord& word = *Owner;
  const int32_t alpha = GetAlpha();
  if (alpha == 0 || rendered_.IsEmpty() || !word.Target || word.MaskSurface.IsEmpty()) return;
  // The rendered area moved to the screen, then cut to the text area; the source moves the
  // same amounts.
  const int64_t dx = int64_t{GetScreenLeft()} - GetSurfaceLeft(), dy = int64_t{GetScreenTop()} - GetSurfaceTop();
  const int64_t areaLeft = word.TextLeft, areaTop = word.TextTop;
  const int64_t areaRight = areaLeft + word.Width, areaBottom = areaTop + word.Height;
  int64_t sl = rendered_.Left, st = rendered_.Top, sr = rendered_.Right, sb = rendered_.Bottom;
  sl = std::max(sl, areaLeft - dx);
  st = std::max(st, areaTop - dy);
  sr = std::min(sr, areaRight - dx);
  sb = std::min(sb, areaBottom - dy);
  if (sl >= sr || st >= sb) return;
  const int64_t tx = sl + dx, ty = st + dy;
  constexpr int64_t kFar = int64_t{1} << 30;
  if (tx < -kFar || tx > kFar || ty < -kFar || ty > kFar) return;
  const TRect source{static_cast<int32_t>(sl), static_cast<int32_t>(st), static_cast<int32_t>(sr),
                     static_cast<int32_t>(sb)};
  TCustomDIBX& target = *word.Target;
  if (GetBorder() == 0 && GetShadow() == 0)
    target.DrawColorMask(int(tx), int(ty), word.MaskSurface, source, false, false, target.ColorToPixel(TextColor()),
                         alpha);
  else if (alpha >= 255)
    target.DrawMask(int(tx), int(ty), word.TextSurface, source, false, false, word.MaskSurface);
  else
    target.DrawMaskAlpha(int(tx), int(ty), word.TextSurface, source, false, false, word.MaskSurface, alpha);
}

void TWdChar::LoadFromStream(TStream& stream, int) {
  SetLink(ReadString(stream));
  SetWait(ReadInt(stream));
  code_ = ReadWord(stream);
  const int64_t index = int64_t{ReadInt(stream)} + Owner->DecorationBase;
  AttachDecoration(Owner->Pool().At(index));
}

void TWdChar::CopyFrom(const TWdGlyph& source) {
  TWdReal::CopyFrom(source);
  code_ = source.GetCharCode();
  if (auto* c = dynamic_cast<const TWdChar*>(&source)) {
    ChangeDecoration(c->Decoration());
    rendered_ = c->rendered_;
  }
}

}  // namespace orva

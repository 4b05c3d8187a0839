#include "text/label_list.h"

#include <algorithm>
#include <cstring>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "scene/scene_services.h"
#include "text/font_pixel_manager.h"
#include "text/stream_read.h"

namespace orva {
namespace {

constexpr size_t kHeightOffset = 4;
constexpr size_t kOverhangOffset = 36;

int32_t MetricAt(const TOutlineMetrics& m, size_t at) {
  return static_cast<int32_t>(uint32_t{m[at]} | uint32_t{m[at + 1]} << 8 | uint32_t{m[at + 2]} << 16 |
                              uint32_t{m[at + 3]} << 24);
}

void SetMetricAt(TOutlineMetrics& m, size_t at, int32_t v) {
  for (size_t i = 0; i < 4; ++i) m[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

int32_t MetricsHeight(const TOutlineMetrics& metrics) { return MetricAt(metrics, kHeightOffset); }
int32_t MetricsOverhang(const TOutlineMetrics& metrics) { return MetricAt(metrics, kOverhangOffset); }

// ---- TWzTagValList ----

int32_t& TWzTagValList::WidthOf(uint16_t code) {
  for (size_t i = 0; i < codes_.size(); ++i)
    if (codes_[i] == code) return widths_[i];
  codes_.push_back(code);
  widths_.push_back(0);
  return widths_.back();
}

void TWzTagValList::Clear() {
  codes_.clear();
  widths_.clear();
}

// ---- TWzLabelDIB ----

TWzLabelDIB::TWzLabelDIB(TWzLabelList& owner) : owner_(owner) {
  Colour.SetSize(0, 0, ScreenBitCount());
  Mask.SetSize(0, 0, 8);
}

TWzLabelDIB::~TWzLabelDIB() {
  if (pending_) owner_.Unpend(*this);
}

void TWzLabelDIB::SetText(std::string_view text) {
  if (text == text_) return;
  text_ = text;
  Dirty = true;
  held_.reset();
  owner_.Pend(*this);
}

void TWzLabelDIB::Reset(std::string_view text) {
  if (text != text_) {
    text_ = text;
    held_.reset();
  } else if (!pending_) {
    held_ = THeld{std::move(Advances), Width, Height, Dirty};
  }
  Advances.clear();
  Width = Height = 0;
  Dirty = true;
}

void TWzLabelDIB::MarkDirty() {
  Dirty = true;
  if (held_) held_->Dirty = true;
}

void TWzLabelDIB::Render() {
  TCustomDIBX* target = owner_.Target;
  const int depth = target ? target->GetBitCount() : ScreenBitCount();
  const bool fits = Width > 0 && Height > 0 && int64_t{Width} * Height <= int64_t{4096} * 4096;
  const int w = fits ? Width : 0, h = fits ? Height : 0;
  if (Colour.GetWidth() != w || Colour.GetHeight() != h || Colour.GetBitCount() != depth) {
    Colour.SetSize(w, h, depth);
    Mask.SetSize(w, h, 8);
  }
  TCustomDIBX& pixels = target ? *target : static_cast<TCustomDIBX&>(Colour);
  Dirty = false;
  // The surfaces no longer show what a held measure would give back.
  if (held_) held_->Dirty = true;
  renderedMeasure_ = owner_.measures_;
  renderedStyle_ = owner_.RenderStyleOn(pixels);
  if (Colour.IsEmpty()) return;
  Mask.FillRect(Mask.GetBoundsRect(), 0);
  TFontPixelManager& glyphs = FontPixelManager();
  glyphs.Quality = owner_.Quality;
  const uint32_t colour = pixels.ColorToPixel(owner_.Color), border = pixels.ColorToPixel(owner_.BorderColor),
                 shadow = pixels.ColorToPixel(owner_.ShadowColor);
  int64_t x = 0;
  size_t k = 0;
  ForEachCharCode(text_, [&](uint16_t code, bool last) {
    const int32_t advance = k < Advances.size() ? Advances[k] : 0;
    try {
      TFontPixel* glyph = glyphs.GetGlyph(code, owner_.FontName, owner_.FontSize, owner_.Style);
      const TRect cell{Clamp32(x), 0, Clamp32(x + advance), owner_.FontSize};
      // A label is one run: the first character starts it, the last ends it.
      glyph->DrawText(Colour, Mask, cell, owner_.BorderWidth, owner_.ShadowWidth, k == 0, last, colour, border, shadow);
    } catch (const Exception&) {
      // A font without metrics draws nothing.
    }
    x += advance;
    ++k;
  });
}

void TWzLabelDIB::Draw(int x, int y) {
  TCustomDIBX* target = owner_.Target;
  if (!target) return;
  if (Dirty || Colour.GetBitCount() != target->GetBitCount()) {
    Render();
  } else if (renderedMeasure_ != owner_.measures_) {
    // Measured again since the last render, with its own measure unchanged: rendering from
    // the same style would make the same pixels.
    if (renderedStyle_ == owner_.RenderStyleOn(*target))
      renderedMeasure_ = owner_.measures_;
    else
      Render();
  }
  if (Mask.IsEmpty()) return;
  const TRect all = Mask.GetBoundsRect();
  if (owner_.BorderWidth == 0 && owner_.ShadowWidth == 0)
    target->DrawColorMask(x, y, Mask, all, false, false, target->ColorToPixel(owner_.Color), owner_.Alpha);
  else if (owner_.Alpha < 255)
    target->DrawMaskAlpha(x, y, Colour, all, false, false, Mask, owner_.Alpha);
  else
    target->DrawMask(x, y, Colour, all, false, false, Mask);
}

// ---- TWzLabelList ----

TWzLabelList::TWzLabelList() : FontName(Sjis("ＭＳ Ｐゴシック")) {}

TWzLabelList::~TWzLabelList() { Clear(); }

TWzLabelDIB& TWzLabelList::Add(std::string_view text) {
  labels_.push_back(std::make_unique<TWzLabelDIB>(*this));
  TWzLabelDIB& label = *labels_.back();
  label.text_ = text;
  Pend(label);
  return label;
}

TWzLabelDIB* TWzLabelList::Get(int index) const {
  return index >= 0 && index < Count() ? labels_[size_t(index)].get() : nullptr;
}

void TWzLabelList::Clear() {
  for (TWzLabelDIB* label : pending_) label->pending_ = false;
  pending_.clear();
  labels_.clear();
  maxWidth_ = 0;
  maxWidthKnown_ = true;
}

void TWzLabelList::SetTexts(std::span<const std::string> texts) {
  std::vector<std::unique_ptr<TWzLabelDIB>> old = std::move(labels_);
  labels_.clear();
  pending_.clear();
  // Whether a label is kept by its text (its measure is held) or by its place (made new),
  // every label shows as a new one until measured.
  const size_t n = old.size(), m = texts.size();
  size_t front = 0, back = 0;
  while (front < n && front < m && old[front]->text_ == texts[front]) ++front;
  while (back < n - front && back < m - front && old[n - 1 - back]->text_ == texts[m - 1 - back]) ++back;
  labels_.reserve(m);
  pending_.reserve(m);
  for (size_t i = 0; i < m; ++i) {
    std::unique_ptr<TWzLabelDIB> label;
    if (i >= m - back)
      label = std::move(old[i + n - m]);
    else if (i < n - back)
      label = std::move(old[i]);
    else
      label = std::make_unique<TWzLabelDIB>(*this);
    label->Reset(texts[i]);
    label->pending_ = true;
    pending_.push_back(label.get());
    labels_.push_back(std::move(label));
  }
  for (const auto& label : old)
    if (label) label->pending_ = false;
  maxWidth_ = 0;
  maxWidthKnown_ = true;
}

int32_t TWzLabelList::MaxWidth() const {
  if (!maxWidthKnown_) {
    maxWidth_ = 0;
    for (const auto& label : labels_) maxWidth_ = std::max(maxWidth_, label->Width);
    maxWidthKnown_ = true;
  }
  return maxWidth_;
}

void TWzLabelList::WidthChanged(int32_t from, int32_t to) {
  if (!maxWidthKnown_ || from == to) return;
  if (to >= maxWidth_)
    maxWidth_ = to;
  else if (from == maxWidth_)
    maxWidthKnown_ = false;
}

void TWzLabelList::InvalidateAll() {
  for (const auto& label : labels_) label->MarkDirty();
}

void TWzLabelList::Pend(TWzLabelDIB& label) {
  if (label.pending_) return;
  label.pending_ = true;
  pending_.push_back(&label);
}

void TWzLabelList::Unpend(TWzLabelDIB& label) {
  label.pending_ = false;
  std::erase(pending_, &label);
}

uint64_t TWzLabelList::RenderStyleOn(TCustomDIBX& pixels) {
  TRenderStyle style{FontName,
                     FontSize,
                     BorderWidth,
                     ShadowWidth,
                     Quality,
                     Style,
                     pixels.GetBitCount(),
                     pixels.ColorToPixel(Color),
                     pixels.ColorToPixel(BorderColor),
                     pixels.ColorToPixel(ShadowColor)};
  if (!renderStyle_ || *renderStyle_ != style) {
    renderStyle_ = std::move(style);
    ++renderStyles_;
  }
  return renderStyles_;
}

void TWzLabelList::MeasureLabel(TWzLabelDIB& label, TWzTagValList& widths, std::vector<int32_t>& advances) {
  TFontPixelManager& glyphs = FontPixelManager();
  const int64_t twoBorders = int64_t{2} * BorderWidth;
  const int64_t overhang = MetricsOverhang(Metrics);
  advances.clear();
  int64_t total = 0;
  ForEachCharCode(label.Text(), [&](uint16_t code, bool last) {
    int32_t& plain = widths.WidthOf(code);
    int32_t advance = plain;
    if (plain == 0 || last) {
      const TAbcWidths abc = glyphs.AbcWidths(code, FontName, FontSize, Style);
      plain = Clamp32(int64_t{abc.A} + abc.B + abc.C + overhang + twoBorders);
      // Only the label's own last character is widened for an overhang to its right; the
      // cache keeps the plain advance for the labels after it.
      advance = last && abc.C < 0 ? Clamp32(int64_t{plain} - abc.C) : plain;
    }
    advances.push_back(advance);
    total += advance;
  });
  const int32_t width = Clamp32(total);
  if (label.Height == measuredHeight_ && label.Width == width && label.Advances == advances) return;
  WidthChanged(label.Width, width);
  label.Height = measuredHeight_;
  label.Width = width;
  label.Advances.assign(advances.begin(), advances.end());
  label.Dirty = true;
}

void TWzLabelList::Measure() {
  // Every label is marked to be rendered again: a draw compares what it was rendered from.
  ++measures_;
  TMeasureStyle style{FontName, FontSize, BorderWidth, Style};
  TWzTagValList widths;
  std::vector<int32_t> advances;
  if (measured_ && *measured_ == style) {
    // The style of the last measure: only new texts are measured.
    std::vector<TWzLabelDIB*> pending = std::move(pending_);
    pending_.clear();
    for (TWzLabelDIB* label : pending) {
      label->pending_ = false;
      if (label->held_) {
        TWzLabelDIB::THeld& held = *label->held_;
        label->Advances = std::move(held.Advances);
        label->Height = held.Height;
        label->Dirty = held.Dirty;
        WidthChanged(label->Width, held.Width);
        label->Width = held.Width;
        label->held_.reset();
      } else {
        MeasureLabel(*label, widths, advances);
      }
    }
    return;
  }
  TFontPixelManager& glyphs = FontPixelManager();
  TRasterFontMetrics font;
  Metrics.fill(0);
  if (glyphs.FontMetrics(FontName, FontSize, Style, font)) {
    SetMetricAt(Metrics, kHeightOffset, font.Height > 0 ? font.Height : Clamp32(std::abs(int64_t{FontSize})));
    SetMetricAt(Metrics, kOverhangOffset, 0);  // outline fonts have none
  }
  measuredHeight_ = Clamp32(MetricsHeight(Metrics) + int64_t{2} * BorderWidth);
  measured_ = std::move(style);
  for (TWzLabelDIB* label : pending_) label->pending_ = false;
  pending_.clear();
  for (const auto& label : labels_) {
    label->held_.reset();
    MeasureLabel(*label, widths, advances);
  }
}

void TWzLabelList::SaveToStream(TStream& stream) const {
  for (int32_t v : {Quality, BorderWidth, Alpha, FontSize}) WriteStreamInt(stream, v);
  WriteStreamString(stream, FontName);
  WriteStreamInt(stream, Color);
  WriteStreamInt(stream, BorderColor);
  WriteStreamByte(stream, Style);
  stream.WriteBuffer(Metrics.data(), static_cast<int64_t>(Metrics.size()));
  WriteStreamInt(stream, ShadowWidth);
  WriteStreamInt(stream, ShadowColor);
}

void TWzLabelList::LoadFromStream(TStream& stream, int version) {
  Quality = ReadInt(stream);
  if (version < 109) Quality = Quality < 2 ? 0 : 3;
  BorderWidth = ReadInt(stream);
  Alpha = ReadInt(stream);
  FontSize = ReadInt(stream);
  FontName = ReadString(stream);
  Color = ReadInt(stream);
  BorderColor = ReadInt(stream);
  Style = ReadByte(stream);
  stream.ReadBuffer(Metrics.data(), static_cast<int64_t>(Metrics.size()));
  if (version >= 122) {
    ShadowWidth = ReadInt(stream);
    ShadowColor = ReadInt(stream);
  }
  // The stored metrics are not this list's measure: the next one measures everything.
  measured_.reset();
  InvalidateAll();
}

}  // namespace orva

#pragma once
// The item texts of list boxes and menus: one rendered line of plain text per item, all in
// the list's one style. Characters are measured once per style change (their ABC widths and
// the font's outline metrics), each label is rasterised through the glyph cache into a
// private colour and coverage surface, and drawn onto the list's target surface.
//
// Lists of thousands of items are laid out again every time a list box's layout changes, so
// the work follows what changed: a measure under the style of the last one measures only the
// labels whose text is new, and a label marked for rendering again renders only when what it
// would be rendered from (its text, advances, style and target pixel format) is not what its
// surfaces already show.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/dibx.h"

namespace orva {

class TCustomDIBX;
class TStream;
class TWzLabelList;

// The font's outline text metrics as the system's 212-byte record: tmHeight at offset 4,
// tmOverhang at 36; stored and read back raw.
using TOutlineMetrics = std::array<uint8_t, 212>;
int32_t MetricsHeight(const TOutlineMetrics& metrics);
int32_t MetricsOverhang(const TOutlineMetrics& metrics);

// A measuring cache of character advances: codes and widths.
class TWzTagValList {
 public:
  // The width of the code, added with width 0 when missing.
  int32_t& WidthOf(uint16_t code);
  void Clear();

 private:
  std::vector<uint16_t> codes_;
  std::vector<int32_t> widths_;
};

class TWzLabelDIB {
 public:
  explicit TWzLabelDIB(TWzLabelList& owner);
  ~TWzLabelDIB();
  TWzLabelDIB(const TWzLabelDIB&) = delete;
  TWzLabelDIB& operator=(const TWzLabelDIB&) = delete;

  // A different text marks the label to be rendered and measured again.
  void SetText(std::string_view text);
  const std::string& Text() const { return text_; }
  void Render();
  // Draws the label at (x, y) on the list's target with its alpha, rendering first when
  // needed.
  void Draw(int x, int y);

  bool Dirty = true;
  // Height, Width and Advances are the list's Measure's to write.
  int32_t Height = 0;
  int32_t Width = 0;
  std::vector<int32_t> Advances;  // one per character
  TDIBX Colour;
  TDIBX Mask;  // 8 bits

 private:
  friend class TWzLabelList;
  // A label given its own text again in a new list of texts: it shows as a new label (no
  // size, nothing drawn) until the next measure, which takes these back when the style
  // stayed.
  struct THeld {
    std::vector<int32_t> Advances;
    int32_t Width, Height;
    bool Dirty;
  };
  // The label as a new one of the text.
  void Reset(std::string_view text);
  void MarkDirty();

  TWzLabelList& owner_;
  std::string text_;
  bool pending_ = false;  // waits in the owner's list of labels to measure
  std::optional<THeld> held_;
  // The owner's measure count and render style when the surfaces were last made.
  uint64_t renderedMeasure_ = 0;
  uint64_t renderedStyle_ = 0;
};

class TWzLabelList {
 public:
  TWzLabelList();
  ~TWzLabelList();
  TWzLabelList(const TWzLabelList&) = delete;
  TWzLabelList& operator=(const TWzLabelList&) = delete;

  int32_t Quality = 3;
  TCustomDIBX* Target = nullptr;
  int32_t BorderWidth = 0;
  int32_t Alpha = 255;
  int32_t FontSize = 12;
  std::string FontName;  // "ＭＳ Ｐゴシック"
  int32_t Color = 0xFFFFFF;
  int32_t BorderColor = 0;
  uint8_t Style = 0;  // bold 1, italic 2, underline 4, strike-out 8
  TOutlineMetrics Metrics{};
  int32_t ShadowWidth = 0;
  int32_t ShadowColor = 0;

  TWzLabelDIB& Add(std::string_view text = {});
  // None outside the list.
  TWzLabelDIB* Get(int index) const;
  int Count() const { return static_cast<int>(labels_.size()); }
  void Clear();
  // The labels become one per text, as if cleared and added again; the labels of the
  // unchanged texts at the start and at the end are kept, so that the next measure need not
  // measure them again.
  void SetTexts(std::span<const std::string> texts);
  // The widest label, 0 for none.
  int32_t MaxWidth() const;
  // Every label's height, advances and width from the current style; every label is marked
  // to be rendered again.
  void Measure();
  void InvalidateAll();
  void SetFontSize(int32_t size) { FontSize = size; }

  // quality, border width, alpha, font size (int32 each), font name STR, colour, border
  // colour (int32), style byte, the 212 metrics bytes; from save version 122 shadow width
  // and shadow colour.
  void SaveToStream(TStream& stream) const;
  // Before version 109 a quality below 2 reads as 0 and any other as 3.
  void LoadFromStream(TStream& stream, int version);

 private:
  friend class TWzLabelDIB;
  // What measuring depends on besides the text.
  struct TMeasureStyle {
    std::string FontName;
    int32_t FontSize, BorderWidth;
    uint8_t Style;
    bool operator==(const TMeasureStyle&) const = default;
  };
  // What rendering depends on besides the label, in the pixel values of the surface drawn
  // on.
  struct TRenderStyle {
    std::string FontName;
    int32_t FontSize, BorderWidth, ShadowWidth, Quality;
    uint8_t Style;
    int Depth;
    uint32_t Colour, BorderColour, ShadowColour;
    bool operator==(const TRenderStyle&) const = default;
  };

  // Marks the label dirty when its measure changes; advances is scratch space.
  void MeasureLabel(TWzLabelDIB& label, TWzTagValList& widths, std::vector<int32_t>& advances);
  void Pend(TWzLabelDIB& label);
  void Unpend(TWzLabelDIB& label);
  // Keeps the cached widest width up to date with one label's width change.
  void WidthChanged(int32_t from, int32_t to);
  // A number that changes whenever the render style on these pixels does.
  uint64_t RenderStyleOn(TCustomDIBX& pixels);

  std::vector<std::unique_ptr<TWzLabelDIB>> labels_;
  std::vector<TWzLabelDIB*> pending_;
  std::optional<TMeasureStyle> measured_;  // none: the next measure measures every label
  int32_t measuredHeight_ = 0;
  uint64_t measures_ = 0;
  std::optional<TRenderStyle> renderStyle_;
  uint64_t renderStyles_ = 0;
  mutable int32_t maxWidth_ = 0;
  mutable bool maxWidthKnown_ = true;
};

}  // namespace orva

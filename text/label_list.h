#pragma once
// The item texts of list boxes and menus: one rendered line of plain text per item, all in
// the list's one style. Characters are measured once per style change (their ABC widths and
// the font's outline metrics), each label is rasterised through the glyph cache into a
// private colour and coverage surface, and drawn onto the list's target surface.

#include <array>
#include <cstdint>
#include <memory>
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

  // A different text marks the label to be rendered again.
  void SetText(std::string_view text);
  const std::string& Text() const { return text_; }
  void Render();
  // Draws the label at (x, y) on the list's target with its alpha, rendering first when
  // needed.
  void Draw(int x, int y);

  bool Dirty = true;
  int32_t Height = 0;
  int32_t Width = 0;
  std::vector<int32_t> Advances;  // one per character
  TDIBX Colour;
  TDIBX Mask;  // 8 bits

 private:
  TWzLabelList& owner_;
  std::string text_;
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
  void Clear() { labels_.clear(); }
  // The widest label, 0 for none.
  int32_t MaxWidth() const;
  // Every label's height, advances and width from the current style.
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
  std::vector<std::unique_ptr<TWzLabelDIB>> labels_;
};

}  // namespace orva

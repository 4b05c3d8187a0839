#pragma once
// TWdRow: one laid-out line. Its vertical bands are kept while glyphs are added: the base is
// the tallest ordinary child, above and below what centre-, top- and bottom-aligned pictures
// need beyond it.

#include <cstdint>

#include "text/glyph.h"

namespace orva {

class TWdRow : public TWdComposite {
 public:
  using TWdComposite::TWdComposite;

  uint8_t GetAlign() const override { return align_; }
  void SetAlign(uint8_t align) override { align_ = align; }
  int32_t GetLeftLimit() const override { return leftLimit_; }
  void SetLeftLimit(int32_t v) override { leftLimit_ = v; }
  int32_t GetRightLimit() const override { return rightLimit_; }
  void SetRightLimit(int32_t v) override { rightLimit_ = v; }
  void AddChild(TWdGlyph* child) override;
  // Places the children from the start x of the alignment and bottom-aligns them on the base.
  void Arrange() override;
  // The children, when the row's screen rectangle meets the word's paint rectangle.
  void Paint() override;
  // x, y relative to the row: the first fully shown child there.
  TWdGlyph* HitTest(int32_t x, int32_t y) override;

  int32_t Above = 0, Base = 0, Below = 0;

 private:
  void AddBands(const TWdGlyph* child);

  int32_t leftLimit_ = 0, rightLimit_ = 0;
  uint8_t align_ = kAlignLeft;
};

}  // namespace orva

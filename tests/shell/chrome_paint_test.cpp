#include "shell/chrome_paint.h"

#include <gtest/gtest.h>

#include <vector>

namespace orva {
namespace {

TEST(ChromePaint, FillsOnlyInsideTheClip) {
  // A 4 × 2 picture in a buffer with a guard row: rectangles left, right, above and across it.
  std::vector<uint32_t> pixels(4 * 3, 0);
  const TWinRect clip{0, 0, 4, 2};
  for (const TWinRect& r : {TWinRect{10, 0, 20, 1}, TWinRect{-5, 0, -1, 2}, TWinRect{0, -3, 4, -1}, TWinRect{5, 5, 1, 1}})
    ChromeFill(pixels.data(), 4, clip, r, 7);
  EXPECT_EQ(pixels, std::vector<uint32_t>(12, 0));
  ChromeFill(pixels.data(), 4, clip, {-1, 1, 3, 9}, 7);
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0, 0, 0, 0, 7, 7, 7, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace orva

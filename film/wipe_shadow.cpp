#include "film/wipe_shadow.h"

#include <algorithm>
#include <memory>

#include "film/mask_images.h"
#include "film/mask_shapes.h"
#include "film/wipe_step.h"
#include "graphics/dib.h"
#include "graphics/packed_pixels.h"
#include "scene/color_tables.h"

namespace orva {

namespace {

// The ramps of the two families at t + level: the mask value 0 .. 255 of the fade, and the
// light 0 .. 511 of the flare (up to 255 on the old picture, back down from 256 on the new).
int64_t FadeRamp(int64_t i) { return std::clamp<int64_t>(i - 256, 0, 255); }
int64_t FlareRamp(int64_t i) { return std::clamp<int64_t>(i - 256, 0, 511); }

// The levels of the named mask image over width × height; 0 until it is read.
void LoadLevels(std::vector<int32_t>& levels, int width, int height, TMaskImages* images, std::string_view name,
                bool inverted) {
  TileMaskLevels(levels, width, height, nullptr, false);
  std::unique_ptr<TDIB> picture = images ? images->FirstFrame(name) : nullptr;
  TileMaskLevels(levels, width, height, picture.get(), inverted);
}

}  // namespace

// ==== Mask fade ====

void TWipeShadow::Prepare() {
  TWipeMask::Prepare();
  Levels.clear();
  if (!MaskPrepared()) return;
  LoadLevels(Levels, Mask.GetWidth(), Mask.GetHeight(), images_, MaskName, Reverse);
}

bool TWipeShadow::BuildMask() {
  const int64_t t = ScaledProgress(Position, 512, Duration) + 255;
  if (!TakeProgress(t)) return false;
  HardEdge = false;
  TMaskRows rows(Mask);
  const bool levelled = Levels.size() == size_t(rows.Width()) * size_t(rows.Height());
  for (int y = 0; y < rows.Height(); ++y) {
    uint8_t* row = rows.Row(y);
    const int32_t* level = levelled ? &Levels[size_t(y) * rows.Width()] : nullptr;
    for (int x = 0; x < rows.Width(); ++x) row[x] = static_cast<uint8_t>(FadeRamp(t + (level ? level[x] : 0)));
  }
  return true;
}

// ==== Through white and through black ====

void TWipeShadowWhite::Prepare() {
  Levels.clear();
  LevelsWidth = LevelsHeight = 0;
  if (WipeExtent(*this).IsEmpty()) return;
  LevelsWidth = Dest->GetWidth();
  LevelsHeight = Dest->GetHeight();
  LoadLevels(Levels, LevelsWidth, LevelsHeight, images_, MaskName, Reverse);
}

bool TWipeShadowWhite::Step() {
  if (WipeFinished(*this)) return true;
  const TWipeExtent extent = WipeExtent(*this);
  const int bits = Dest->GetStorageBitCount();
  if (extent.IsEmpty() || (bits != 16 && bits != 32)) return false;
  Dest->AddClipRect(Dest->GetBoundsRect());
  TLockedRows d(*Dest), a(*SrcA), b(*SrcB);
  if (!d.Ok() || !a.Ok() || !b.Ok()) return false;
  const int64_t t = ScaledProgress(Position, 768, Duration) + 255;
  const bool darkens = Darkens();
  const bool levelled = Levels.size() == size_t(LevelsWidth) * size_t(LevelsHeight);
  const int width = std::min(extent.Width, levelled ? LevelsWidth : extent.Width);
  const int height = std::min(extent.Height, levelled ? LevelsHeight : extent.Height);
  // The light k of a pixel, and whether it lights the new picture (then 511 − k is applied).
  auto light = [&](const int32_t* level, int x, bool& fromNew) {
    int64_t k = FlareRamp(t + (level ? level[x] : 0));
    fromNew = k >= 256;
    return static_cast<size_t>(fromNew ? 511 - k : k);
  };
  if (bits == 32) {
    const uint32_t masks[3] = {Dest->GetRedMask(), Dest->GetGreenMask(), Dest->GetBlueMask()};
    const bool packed = UseMMX;
    for (int y = 0; y < height; ++y) {
      uint32_t* dr = reinterpret_cast<uint32_t*>(d.Row(y));
      const uint32_t* ar = reinterpret_cast<const uint32_t*>(a.Row(y));
      const uint32_t* br = reinterpret_cast<const uint32_t*>(b.Row(y));
      const int32_t* level = levelled ? &Levels[size_t(y) * LevelsWidth] : nullptr;
      for (int x = 0; x < width; ++x) {
        bool fromNew;
        const uint32_t grey = GreyTable32[light(level, x, fromNew)];
        const uint32_t base = fromNew ? br[x] : ar[x];
        if (packed) {
          dr[x] = darkens ? packed::SubSat32(base, grey) : packed::AddSat32(base, grey);
          continue;
        }
        uint32_t out = 0;
        for (uint32_t mk : masks) {
          const int64_t v = darkens ? int64_t(base & mk) - int64_t(grey & mk) : int64_t(base & mk) + int64_t(grey & mk);
          out |= static_cast<uint32_t>(std::clamp<int64_t>(v, 0, mk));
        }
        dr[x] = out;
      }
    }
    return false;
  }
  const packed::Fields16 fields(Dest->GetBitCount() == 16);
  for (int y = 0; y < height; ++y) {
    uint16_t* dr = reinterpret_cast<uint16_t*>(d.Row(y));
    const uint16_t* ar = reinterpret_cast<const uint16_t*>(a.Row(y));
    const uint16_t* br = reinterpret_cast<const uint16_t*>(b.Row(y));
    const int32_t* level = levelled ? &Levels[size_t(y) * LevelsWidth] : nullptr;
    for (int x = 0; x < width; ++x) {
      bool fromNew;
      const uint32_t grey = GreyTable16[light(level, x, fromNew)];
      const uint32_t base = fromNew ? br[x] : ar[x];
      dr[x] = static_cast<uint16_t>(darkens ? packed::SubSat16(fields, base, grey) : packed::AddSat16(fields, base, grey));
    }
  }
  return false;
}

}  // namespace orva

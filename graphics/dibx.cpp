#include "graphics/dibx.h"

#include <algorithm>
#include <cstring>

#include "graphics/screen.h"

namespace orva {

TDIBX::TDIBX() : surface_(std::make_unique<TDIBSurface>()) {
  surface_->SetSize(1, 1, 15);
  TCustomDIBX::SetSize(1, 1, 15);
}

TDIBX::~TDIBX() = default;

int TDIBX::GetBitCount() { return surface_->GetBitCount(); }
int TDIBX::GetStorageBitCount() { return surface_->BitCount(); }
uint32_t TDIBX::GetRedMask() { return surface_->Layout().RedMask; }
uint32_t TDIBX::GetGreenMask() { return surface_->Layout().GreenMask; }
uint32_t TDIBX::GetBlueMask() { return surface_->Layout().BlueMask; }
int TDIBX::GetRedShift() { return static_cast<int>(surface_->Layout().GreenWidth + surface_->Layout().BlueWidth); }
int TDIBX::GetGreenShift() { return static_cast<int>(surface_->Layout().BlueWidth); }
int TDIBX::GetBlueShift() { return 0; }
int64_t TDIBX::GetRowStep() { return surface_->RowStep(); }
uint32_t TDIBX::GetPixel(int x, int y) { return surface_->GetPixel(x, y); }
void TDIBX::SetPixel(int x, int y, uint32_t value) { surface_->SetPixel(x, y, value); }

void TDIBX::SetBitCount(int bits) {
  if (bits == GetBitCount()) return;
  // The conversion of the bitmap; on a surface the depth alone decides the layout.
  surface_->SetBitCount(bits);
}

void TDIBX::SetSize(int width, int height, int bits) {
  surface_->SetSize(width, height, bits);
  TCustomDIBX::SetSize(surface_->GetWidth(), surface_->GetHeight(), bits);
}

uint8_t* TDIBX::Lock(int x, int y) {
  const int bits = surface_->BitCount();
  const int64_t offset = bits == 1 ? x / 8 : bits == 4 ? x / 2 : int64_t{x} * (bits / 8);
  return surface_->ScanLine(y) + offset;
}

void TDIBX::Unlock() {}

uint32_t TDIBX::ColorToPixel(int32_t color) {
  if (color < 0) return 0xFFFFFFFFu;
  const int bits = GetBitCount();
  if (bits != 15 && bits != 16 && bits != 32) return static_cast<uint32_t>(color);
  const PixelLayout& l = surface_->Layout();
  const uint32_t c = static_cast<uint32_t>(color);
  return ((c & 0xFF) >> (8 - l.RedWidth)) << (l.GreenWidth + l.BlueWidth) |
         (((c >> 8) & 0xFF) >> (8 - l.GreenWidth)) << l.BlueWidth | ((c >> 16) & 0xFF) >> (8 - l.BlueWidth);
}

void TDIBX::Fill(uint32_t pixel) {
  const int bits = GetBitCount();
  if (bits >= 24 || surface_->GetEmpty()) {
    FillRect(GetBoundsRect(), pixel);
    return;
  }
  // The whole block, padding included, whatever the clip.
  uint8_t* block = surface_->Bits();
  const size_t bytes = size_t(surface_->Size());
  switch (bits) {
    case 1: std::memset(block, pixel ? 0xFF : 0, bytes); break;
    case 4: std::memset(block, static_cast<int>((pixel | pixel << 4) & 0xFF), bytes); break;
    case 8: std::memset(block, static_cast<int>(pixel & 0xFF), bytes); break;
    default: {
      const uint16_t v = static_cast<uint16_t>(pixel);
      for (size_t i = 0; i + 2 <= bytes; i += 2) std::memcpy(block + i, &v, 2);
    }
  }
}

void TDIBX::Clear() {
  TCustomDIBX::Clear();
  surface_->SetSize(8, 8, surface_->GetBitCount() ? surface_->GetBitCount() : 15);
}

void TDIBX::GetPalette(TRGBQuad* entries) { GetPaletteEntries(entries, 0, 256); }

void TDIBX::GetPaletteEntries(TRGBQuad* entries, int start, int count) {
  start = std::clamp(start, 0, 256);
  count = std::clamp(count, 0, 256 - start);
  std::copy_n(surface_->ColorTable.begin() + start, count, entries);
}

void TDIBX::SetPalette(const TRGBQuad* entries) { SetPaletteEntries(entries, 0, 256); }

void TDIBX::SetPaletteEntries(const TRGBQuad* entries, int start, int count) {
  start = std::clamp(start, 0, 256);
  count = std::clamp(count, 0, 256 - start);
  std::copy_n(entries, count, surface_->ColorTable.begin() + start);
  surface_->ApplyColorTable();
}

int TDIBX::StretchToDC(TScreenDC& dc, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
  return dc.StretchDIBits(dx, dy, dw, dh, sx, GetHeight() - sy - sh, sw, sh, *surface_);
}

void TDIBX::ToMemoryImage() {}

}  // namespace orva

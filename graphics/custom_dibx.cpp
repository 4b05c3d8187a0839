#include "graphics/custom_dibx.h"

#include <algorithm>
#include <cstring>

#include "graphics/dibx.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {
bool DetectPackedArithmetic() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();  // runs during static initialisation, before the library's own
  return __builtin_cpu_supports("mmx");
#else
  return false;
#endif
}
}  // namespace

bool UseMMX = DetectPackedArithmetic();

TPackedRows ProcessorPackedRows() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return TPackedRows::AVX2;
#endif
#if defined(__SSE2__)
  return TPackedRows::SSE2;
#else
  return TPackedRows::Scalar;
#endif
}

TPackedRows PackedRows = ProcessorPackedRows();

// ---- Primitives: the base has no pixels ----

bool TCustomDIBX::IsEmpty() { return GetWidth() == 0 || GetHeight() == 0; }
int TCustomDIBX::GetBitCount() { return 0; }
void TCustomDIBX::SetBitCount(int) {}
uint32_t TCustomDIBX::GetRedMask() { return 0; }
uint32_t TCustomDIBX::GetGreenMask() { return 0; }
uint32_t TCustomDIBX::GetBlueMask() { return 0; }
int64_t TCustomDIBX::GetRowStep() { return 0; }
uint32_t TCustomDIBX::GetPixel(int, int) { return 0; }
void TCustomDIBX::SetPixel(int, int, uint32_t) {}
int TCustomDIBX::GetBlueShift() { return 0; }
int TCustomDIBX::GetGreenShift() { return 0; }
int TCustomDIBX::GetRedShift() { return 0; }
int TCustomDIBX::GetHeight() { return Height; }
int TCustomDIBX::GetWidth() { return Width; }
TCustomDIBX* TCustomDIBX::GetSurface() { return this; }
int TCustomDIBX::GetStorageBitCount() { return GetBitCount(); }
void TCustomDIBX::SetSize(int width, int height, int) {
  Width = width;
  Height = height;
}
uint8_t* TCustomDIBX::Lock(int, int) { return nullptr; }
void TCustomDIBX::Unlock() {}
void TCustomDIBX::Clear() {
  Width = 0;
  Height = 0;
}
void TCustomDIBX::ReleaseHandles() {}
void TCustomDIBX::GetPalette(TRGBQuad*) {}
void TCustomDIBX::GetPaletteEntries(TRGBQuad*, int, int) {}
void TCustomDIBX::SetPalette(const TRGBQuad*) {}
void TCustomDIBX::SetPaletteEntries(const TRGBQuad*, int, int) {}
int TCustomDIBX::StretchToDC(TScreenDC&, int, int, int, int, int, int, int, int) { return 0; }
void TCustomDIBX::ToMemoryImage() {}
uint32_t TCustomDIBX::ColorToPixel(int32_t color) { return static_cast<uint32_t>(color); }

// ---- Clip rectangle ----

TRect TCustomDIBX::GetClipRect() {
  const TRect bounds = GetBoundsRect();
  return ClipRect.Right != 0 ? IntersectRectOf(ClipRect, bounds) : bounds;
}

void TCustomDIBX::ClearClipRect() { ClipRect.Right = 0; }

void TCustomDIBX::AddClipRect(const TRect& rect) {
  const TRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, GetWidth()),
                std::min(rect.Bottom, GetHeight())};
  if (r.IsEmpty()) return;
  if (ClipRect.Right != 0)
    ClipRect = {std::min(ClipRect.Left, r.Left), std::min(ClipRect.Top, r.Top), std::max(ClipRect.Right, r.Right),
                std::max(ClipRect.Bottom, r.Bottom)};
  else
    ClipRect = r;
}

bool TCustomDIBX::ClipBlit(TRect& dr, TRect& sr, bool flipH, bool flipV, TCustomDIBX* source, TCustomDIBX* mask) {
  // In 64 bits: callers pass any coordinates.
  // The destination's right and bottom follow from its left and top and the source size.
  int64_t dl = dr.Left, dt = dr.Top, drt, db;
  int64_t sl = sr.Left, st = sr.Top, srt = sr.Right, sb = sr.Bottom;
  // The source rectangle is first cut to the source and the mask; the destination loses
  // the matching edge (the far one under a flip).
  for (TCustomDIBX* s : {source, mask}) {
    if (!s) continue;
    const int64_t w = s->GetWidth(), h = s->GetHeight();
    if (sl < 0) {
      if (!flipH) dl -= sl;
      sl = 0;
    }
    if (st < 0) {
      if (!flipV) dt -= st;
      st = 0;
    }
    if (srt > w) {
      if (flipH) dl += srt - w;
      srt = w;
    }
    if (sb > h) {
      if (flipV) dt += sb - h;
      sb = h;
    }
  }
  if (sl >= srt || st >= sb) return false;
  const TRect c = GetClipRect();
  if (dl < c.Left) {
    const int64_t d = c.Left - dl;
    flipH ? srt -= d : sl += d;
    dl = c.Left;
  }
  if (dt < c.Top) {
    const int64_t d = c.Top - dt;
    flipV ? sb -= d : st += d;
    dt = c.Top;
  }
  if (dl + (srt - sl) > c.Right) {
    const int64_t d = c.Right - dl;
    flipH ? sl = srt - d : srt = sl + d;
  }
  if (dt + (sb - st) > c.Bottom) {
    const int64_t d = c.Bottom - dt;
    flipV ? st = sb - d : sb = st + d;
  }
  drt = dl + (srt - sl);
  db = dt + (sb - st);
  if (!(dl < drt && dt < db)) return false;
  dr = {int32_t(dl), int32_t(dt), int32_t(drt), int32_t(db)};
  sr = {int32_t(sl), int32_t(st), int32_t(srt), int32_t(sb)};
  return true;
}

bool TCustomDIBX::ClipScrolled(TRect& dr, int64_t& scrollX, int64_t& scrollY) {
  const TRect c = GetClipRect();
  if (dr.Left < c.Left) scrollX += int64_t{c.Left} - dr.Left, dr.Left = c.Left;
  if (dr.Top < c.Top) scrollY += int64_t{c.Top} - dr.Top, dr.Top = c.Top;
  dr.Right = std::min(dr.Right, c.Right);
  dr.Bottom = std::min(dr.Bottom, c.Bottom);
  return !dr.IsEmpty();
}

// ---- Fills ----

void TCustomDIBX::Fill(uint32_t pixel) { FillRect(GetBoundsRect(), pixel); }

namespace {

// Runs f(row, count) over the clipped rectangle's rows through Lock.
template <class F>
void EachLockedRow(TCustomDIBX& s, const TRect& r, F f) {
  uint8_t* row = s.Lock(r.Left, r.Top);
  if (!row) return;
  const int64_t step = s.GetRowStep();
  for (int y = r.Top; y < r.Bottom; ++y, row += step) f(row, r.Width());
  s.Unlock();
}

// The three field masks of the plain path; an 8-bit index is the blue field.
struct FieldMasks {
  uint32_t m[3];
  explicit FieldMasks(TCustomDIBX& s) : m{s.GetRedMask(), s.GetGreenMask(), s.GetBlueMask()} {
    if (s.GetBitCount() == 8) m[0] = m[1] = 0, m[2] = 0xFF;
  }
};

// The plain per-pixel rules over rows of any byte depth.
template <class Rule>
void PlainRows(TCustomDIBX& s, const TRect& r, Rule rule) {
  const int bits = s.GetStorageBitCount();
  EachLockedRow(s, r, [&](uint8_t* row, int n) {
    for (int i = 0; i < n; ++i) {
      const uint32_t d = LoadRowPixel(row, i, bits);
      uint32_t out;
      if (rule(d, out)) StoreRowPixel(row, i, bits, out);
    }
  });
}

}  // namespace

void TCustomDIBX::FillRect(const TRect& rect, uint32_t pixel) {
  TRect dr = rect, sr = rect;
  if (!ClipBlit(dr, sr, false, false)) return;
  const int bits = GetBitCount();
  EachLockedRow(*this, dr, [&](uint8_t* row, int n) {
    switch (bits) {
      case 8: std::memset(row, static_cast<int>(pixel & 0xFF), size_t(n)); break;
      case 15:
      case 16: {
        const uint16_t v = static_cast<uint16_t>(pixel);
        for (int i = 0; i < n; ++i) std::memcpy(row + 2 * i, &v, 2);
        break;
      }
      case 24:
        for (int i = 0; i < n; ++i) StoreRowPixel(row, i, 24, pixel);
        break;
      case 32:
        for (int i = 0; i < n; ++i) std::memcpy(row + 4 * i, &pixel, 4);
        break;
    }
  });
}

void TCustomDIBX::FillRectAlpha(const TRect& rect, uint32_t pixel, int alpha) {
  if (alpha <= 0) return;
  TRect dr = rect, sr = rect;
  if (!ClipBlit(dr, sr, false, false)) return;
  const uint32_t a = static_cast<uint32_t>(std::min(alpha, 255));
  const int bits = GetBitCount();
  if (UseMMX && (bits == 15 || bits == 16 || bits == 32)) {
    if (bits == 32) {
      EachLockedRow(*this, dr, [&](uint8_t* row, int n) {
        int i = 0;
#if defined(__SSE2__)
        const __m128i p = _mm_set1_epi32(static_cast<int>(pixel));
        const packed::Weights32 w(_mm_set1_epi16(static_cast<short>(a)));
        for (; i + 4 <= n; i += 4) {
          __m128i* at = reinterpret_cast<__m128i*>(row + 4 * i);
          const __m128i d = _mm_loadu_si128(at);
          _mm_storeu_si128(at, packed::Select(_mm_cmpeq_epi32(d, p), d, packed::Blend32x4(d, p, w)));
        }
#endif
        for (; i < n; ++i) {
          uint32_t d;
          std::memcpy(&d, row + 4 * i, 4);
          if (d != pixel) d = packed::Blend32(d, pixel, a);
          std::memcpy(row + 4 * i, &d, 4);
        }
      });
    } else {
      const packed::Fields16 f(bits == 16);
      const uint16_t p = static_cast<uint16_t>(pixel);
      EachLockedRow(*this, dr, [&](uint8_t* row, int n) {
        uint16_t* px = reinterpret_cast<uint16_t*>(row);
        int i = 0;
#if defined(__SSE2__)
        const __m128i pv = _mm_set1_epi16(static_cast<short>(p)), w = _mm_set1_epi16(static_cast<short>(a));
        for (; i + 8 <= n; i += 8) {
          __m128i* at = reinterpret_cast<__m128i*>(px + i);
          const __m128i d = _mm_loadu_si128(at);
          _mm_storeu_si128(at, packed::Select(_mm_cmpeq_epi16(d, pv), d, packed::Blend16x8(f, d, pv, w)));
        }
#endif
        for (; i < n; ++i)
          if (px[i] != p) px[i] = static_cast<uint16_t>(packed::Blend16(f, px[i], p, a));
      });
    }
    return;
  }
  const FieldMasks fm(*this);
  PlainRows(*this, dr, [&](uint32_t d, uint32_t& out) {
    if (d == pixel) return false;
    out = 0;
    for (uint32_t m : fm.m) out |= static_cast<uint32_t>(((uint64_t(d & m) * (255 - a) + uint64_t(pixel & m) * a) >> 8) & m);
    return true;
  });
}

namespace {

// Saturating per-field addition or subtraction of a raw value.
template <bool Subtract>
void FillRectSaturating(TCustomDIBX& s, const TRect& rect, uint32_t pixel) {
  TRect dr = rect, sr = rect;
  if (!s.ClipBlit(dr, sr, false, false)) return;
  const int bits = s.GetBitCount();
  if (UseMMX && (bits == 15 || bits == 16 || bits == 32)) {
    if (bits == 32) {
      EachLockedRow(s, dr, [&](uint8_t* row, int n) {
        int i = 0;
#if defined(__SSE2__)
        const __m128i p = _mm_set1_epi32(static_cast<int>(pixel));
        for (; i + 4 <= n; i += 4) {
          __m128i* at = reinterpret_cast<__m128i*>(row + 4 * i);
          const __m128i d = _mm_loadu_si128(at);
          _mm_storeu_si128(at, Subtract ? _mm_subs_epu8(d, p) : _mm_adds_epu8(d, p));
        }
#endif
        for (; i < n; ++i) {
          uint32_t d;
          std::memcpy(&d, row + 4 * i, 4);
          d = Subtract ? packed::SubSat32(d, pixel) : packed::AddSat32(d, pixel);
          std::memcpy(row + 4 * i, &d, 4);
        }
      });
    } else {
      const packed::Fields16 f(bits == 16);
      EachLockedRow(s, dr, [&](uint8_t* row, int n) {
        uint16_t* px = reinterpret_cast<uint16_t*>(row);
        for (int i = 0; i < n; ++i)
          px[i] = static_cast<uint16_t>(Subtract ? packed::SubSat16(f, px[i], pixel) : packed::AddSat16(f, px[i], pixel));
      });
    }
    return;
  }
  const FieldMasks fm(s);
  PlainRows(s, dr, [&](uint32_t d, uint32_t& out) {
    out = 0;
    for (uint32_t m : fm.m) {
      const int64_t t = Subtract ? int64_t(d & m) - int64_t(pixel & m) : int64_t(d & m) + int64_t(pixel & m);
      out |= static_cast<uint32_t>(t < 0 ? 0 : t > m ? m : t);
    }
    return true;
  });
}

}  // namespace

void TCustomDIBX::FillRectAdd(const TRect& rect, uint32_t pixel) { FillRectSaturating<false>(*this, rect, pixel); }
void TCustomDIBX::FillRectSub(const TRect& rect, uint32_t pixel) { FillRectSaturating<true>(*this, rect, pixel); }

// ---- Frames ----

namespace {
// 32-bit sums that wrap as the original's do: a border width from stored data may be anywhere
// in the range, and clipping takes what the bands come to.
int32_t Wrapped(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

template <class Band>
void FrameBands(const TRect& r, int w, Band band) {
  const int32_t width = Wrapped(int64_t{r.Right} - r.Left);
  const auto bounds = [](int32_t left, int32_t top, int32_t width, int32_t height) {
    return TRect{left, top, Wrapped(int64_t{left} + width), Wrapped(int64_t{top} + height)};
  };
  band(bounds(r.Left, r.Top, width, w));
  band(bounds(r.Left, Wrapped(int64_t{r.Bottom} - w), width, w));
  const int32_t h = Wrapped(int64_t{r.Bottom} - r.Top - 2 * int64_t{w});
  if (h > 0) {
    band(bounds(r.Left, Wrapped(int64_t{r.Top} + w), w, h));
    band(bounds(Wrapped(int64_t{r.Right} - w), Wrapped(int64_t{r.Top} + w), w, h));
  }
}
}  // namespace

void TCustomDIBX::FrameRect(const TRect& rect, int width, uint32_t pixel) {
  FrameBands(rect, width, [&](const TRect& band) { FillRect(band, pixel); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& rect, int width, uint32_t pixel, int alpha) {
  if (alpha == 0) return;
  FrameBands(rect, width, [&](const TRect& band) { FillRectAlpha(band, pixel, alpha); });
}

void TCustomDIBX::FrameRectAdd(const TRect& rect, int width, uint32_t pixel) {
  FrameBands(rect, width, [&](const TRect& band) { FillRectAdd(band, pixel); });
}

// ---- Whole-surface copy ----

void TCustomDIBX::Assign(TCustomDIBX& source) {
  if (&source == this) return;
  auto* from = dynamic_cast<TDIBX*>(&source);
  if (from && dynamic_cast<TDIBX*>(this) && source.GetWidth() == GetWidth() && source.GetHeight() == GetHeight() &&
      source.GetRowStep() == GetRowStep() && !IsEmpty()) {
    // The whole block, padding included, in 32-bit words; no conversion between 15 and 16.
    const int64_t step = GetRowStep();
    const int lastRow = step < 0 ? GetHeight() - 1 : 0;
    const int64_t bytes = (step < 0 ? -step : step) * GetHeight() / 4 * 4;
    uint8_t* to = Lock(0, lastRow);
    const uint8_t* in = source.Lock(0, lastRow);
    if (to && in) std::memcpy(to, in, size_t(bytes));
    source.Unlock();
    Unlock();
    return;
  }
  Draw(0, 0, source, source.GetBoundsRect(), false, false, false);
}

}  // namespace orva

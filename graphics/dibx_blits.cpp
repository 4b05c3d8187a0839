// The six blits of TCustomDIBX: Draw, DrawMask, DrawAlpha, DrawMaskAlpha, DrawAdd and
// DrawMaskAdd, each with its direct (packed) and its plain path, on rows.
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "graphics/custom_dibx.h"
#include "graphics/packed_pixels.h"
#include "graphics/pixel_rows.h"

namespace orva {

namespace {

// Locks the three surfaces at the clipped rectangles and hands out rows in destination
// order. Source and mask rows come forward: under a horizontal flip they are copied
// reversed into scratch rows first, so the row loops never walk backwards.
class BlitRows {
 public:
  // Without a source only the destination and mask rows are walked.
  BlitRows(TCustomDIBX& dst, const TRect& dr, TCustomDIBX* src, const TRect& sr, TCustomDIBX* mask, bool flipH,
           bool flipV)
      : dst_(dst), src_(src), mask_(mask), flipH_(flipH), n_(dr.Width()), rows_(dr.Height()) {
    const int startRow = flipV ? sr.Bottom - 1 : sr.Top;
    d_ = dst.Lock(dr.Left, dr.Top);
    if (!d_) return;
    dstLocked_ = true;
    if (src) {
      s_ = src->Lock(sr.Left, startRow);
      if (!s_) return;
      srcLocked_ = true;
      sstep_ = flipV ? -src->GetRowStep() : src->GetRowStep();
      bpp_ = src->BytesPerPixel();
    }
    if (mask) {
      m_ = mask->Lock(sr.Left, startRow);
      if (!m_) return;
      maskLocked_ = true;
      mstep_ = flipV ? -mask->GetRowStep() : mask->GetRowStep();
    }
    dstep_ = dst.GetRowStep();
    if (flipH) {
      sbuf_.resize(size_t(n_) * bpp_);
      mbuf_.resize(size_t(n_));
    }
    ok_ = true;
  }
  ~BlitRows() {
    if (maskLocked_) mask_->Unlock();
    if (srcLocked_) src_->Unlock();
    if (dstLocked_) dst_.Unlock();
  }

  bool Ok() const { return ok_; }
  int Count() const { return n_; }
  int Rows() const { return rows_; }
  uint8_t* Dest(int j) const { return d_ + j * dstep_; }
  // Every source row is this one (the painted value of a colour mask).
  void SetSourceValue(const uint8_t* row) { value_ = row; }
  const uint8_t* Source(int j) {
    if (value_) return value_;
    const uint8_t* row = s_ + j * sstep_;
    if (!flipH_) return row;
    for (int i = 0; i < n_; ++i) std::memcpy(&sbuf_[size_t(i) * bpp_], row + size_t(n_ - 1 - i) * bpp_, bpp_);
    return sbuf_.data();
  }
  const uint8_t* Mask(int j) {
    const uint8_t* row = m_ + j * mstep_;
    if (!flipH_) return row;
    for (int i = 0; i < n_; ++i) mbuf_[i] = row[n_ - 1 - i];
    return mbuf_.data();
  }

 private:
  TCustomDIBX& dst_;
  TCustomDIBX* src_;
  TCustomDIBX* mask_;
  bool flipH_;
  int n_, rows_;
  uint8_t* d_ = nullptr;
  const uint8_t* s_ = nullptr;
  const uint8_t* m_ = nullptr;
  const uint8_t* value_ = nullptr;
  int64_t dstep_ = 0, sstep_ = 0, mstep_ = 0;
  int bpp_ = 0;
  bool dstLocked_ = false, srcLocked_ = false, maskLocked_ = false, ok_ = false;
  std::vector<uint8_t> sbuf_, mbuf_;
};

// ColorMask paints a constant (the source row holds it) through coverages.
enum class Op { Mask, Alpha, MaskAlpha, Add, MaskAdd, ColorMask };

constexpr bool Masked(Op op) { return op != Op::Alpha && op != Op::Add; }

struct MixParams {
  uint32_t A;         // alpha or strength, 0..255
  bool keyed;         // skip source pixels equal to key
  uint32_t key;
};

// ---- Direct path: one pixel (the SSE2 rows below give the same) ----

template <Op op, int Bits>
inline bool DirectPixel(const packed::Fields16& f, const MixParams& p, uint32_t d, uint32_t s, uint32_t m,
                        uint32_t& out) {
  auto blend = [&](uint32_t w) { return Bits == 32 ? packed::Blend32(d, s, w) : packed::Blend16(f, d, s, w); };
  auto add = [&](uint32_t a) { return Bits == 32 ? packed::Add32(d, s, a) : packed::Add16(f, d, s, a); };
  switch (op) {
    case Op::Mask:
      if (m == 0 || s == d) return false;
      out = m == 255 ? s : blend(m);
      return true;
    case Op::Alpha:
      if (s == d || (p.keyed && s == p.key)) return false;
      out = blend(p.A);
      return true;
    case Op::MaskAlpha:
      if (m == 0 || s == d) return false;
      out = blend(Bits == 32 && m == 255 ? p.A : (m * p.A) >> 8);
      return true;
    case Op::Add:
      if (p.keyed && s == p.key) return false;
      out = add(p.A);
      return true;
    case Op::MaskAdd:
      if (m == 0) return false;
      out = add(Bits == 32 && m == 255 ? p.A : (m * p.A) >> 8);
      return true;
    case Op::ColorMask:
      if (m == 0 || s == d) return false;
      out = blend(p.A >= 255 ? m : (m * p.A) >> 8);
      return true;
  }
  return false;
}

// Row bodies go into the loops over the rows, where what every row needs is made once.
#define ORVA_ROW [[gnu::always_inline]] inline

// The scalar rows: the reference of the vector rows, and their tails.
template <Op op, int Bits, class Pixel>
ORVA_ROW void ScalarRow(const packed::Fields16& f, Pixel* d, const Pixel* s, const uint8_t* m, int n, const MixParams& p) {
  for (int i = 0; i < n; ++i) {
    uint32_t out;
    if (DirectPixel<op, Bits>(f, p, d[i], s[i], Masked(op) ? m[i] : 0, out)) d[i] = static_cast<Pixel>(out);
  }
}

// Past the first i pixels of a row (m is null without a mask).
template <class T>
T* Past(T* row, int i) {
  return row ? row + i : row;
}

#if defined(__SSE2__)
// The weight (or strength) of each pixel in 16-bit lanes, from its mask value m.
template <Op op, int Bits>
inline __m128i LaneWeights(__m128i m, __m128i A) {
  const __m128i scaled = _mm_srli_epi16(_mm_mullo_epi16(m, A), 8);  // m × A ≤ 65025
  switch (op) {
    case Op::Mask: return m;
    case Op::Alpha:
    case Op::Add: return A;
    case Op::MaskAlpha:
    case Op::MaskAdd:
      return Bits == 32 ? packed::Select(_mm_cmpeq_epi16(m, _mm_set1_epi16(255)), A, scaled) : scaled;
    case Op::ColorMask: return scaled;
  }
  return A;
}
#endif

template <Op op>
ORVA_ROW void DirectRow32(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, const MixParams& p) {
  const packed::Fields16 f(false);
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), key = _mm_set1_epi32(static_cast<int>(p.key));
  const __m128i A = _mm_set1_epi16(static_cast<short>(op == Op::ColorMask && p.A >= 255 ? 256 : p.A));
  const packed::Weights32 constant(A);
  if constexpr (op == Op::Alpha || op == Op::Add) {
    // Constant weight: the key test is decided once per row, two vectors per turn.
    auto run = [&](auto keyedTag) {
      constexpr bool keyed = decltype(keyedTag)::value;
      auto four = [&](int at) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
        __m128i keep = op == Op::Alpha ? _mm_cmpeq_epi32(sv, dv) : zero;
        if constexpr (keyed) keep = _mm_or_si128(keep, _mm_cmpeq_epi32(sv, key));
        const __m128i v = op == Op::Add ? packed::Add32x4(dv, sv, constant) : packed::Blend32x4(dv, sv, constant);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + at), packed::Select(keep, dv, v));
      };
      for (; i + 8 <= n; i += 8) four(i), four(i + 4);
      for (; i + 4 <= n; i += 4) four(i);
    };
    if (p.keyed)
      run(std::true_type{});
    else
      run(std::false_type{});
  }
  for (; i + 4 <= n; i += 4) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i m16 = zero;
    if constexpr (Masked(op)) {
      uint32_t bytes;
      std::memcpy(&bytes, m + i, 4);
      if (bytes == 0) continue;
      if (bytes == 0xFFFFFFFFu) {
        // Opaque runs: a copy, or the constant alpha or strength.
        if (op == Op::Mask) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);
          continue;
        }
        if (op == Op::MaskAlpha || op == Op::MaskAdd) {
          const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
          const __m128i v = op == Op::MaskAdd ? packed::Add32x4(dv, sv, constant)
                                              : packed::Select(_mm_cmpeq_epi32(sv, dv), dv, packed::Blend32x4(dv, sv, constant));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
          continue;
        }
      }
      m16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero);
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i same = _mm_cmpeq_epi32(sv, dv);
    __m128i keep = zero, v;
    if constexpr (Masked(op)) keep = packed::Widen32(_mm_cmpeq_epi16(m16, zero));
    if constexpr (op != Op::Add && op != Op::MaskAdd) keep = _mm_or_si128(keep, same);
    if ((op == Op::Alpha || op == Op::Add) && p.keyed) keep = _mm_or_si128(keep, _mm_cmpeq_epi32(sv, key));
    if constexpr (op == Op::Alpha || op == Op::Add) {
      v = op == Op::Add ? packed::Add32x4(dv, sv, constant) : packed::Blend32x4(dv, sv, constant);
    } else {
      const packed::Weights32 w(LaneWeights<op, 32>(m16, A));
      v = op == Op::MaskAdd ? packed::Add32x4(dv, sv, w) : packed::Blend32x4(dv, sv, w);
      if (op == Op::Mask) v = packed::Select(packed::Widen32(_mm_cmpeq_epi16(m16, _mm_set1_epi16(255))), sv, v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(keep, dv, v));
  }
#endif
  ScalarRow<op, 32>(f, d + i, s + i, Past(m, i), n - i, p);
}

template <Op op>
ORVA_ROW void DirectRow16(const packed::Fields16& f, uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                 const MixParams& p) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i A = _mm_set1_epi16(static_cast<short>(op == Op::ColorMask && p.A >= 255 ? 256 : p.A));
  // Keys compare zero-extended: one beyond 16 bits matches nothing.
  const bool keyFits = p.keyed && p.key <= 0xFFFF;
  const __m128i key = _mm_set1_epi16(static_cast<short>(p.key));
  for (; i + 8 <= n; i += 8) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i m16 = zero;
    if constexpr (Masked(op)) {
      uint64_t bytes;
      std::memcpy(&bytes, m + i, 8);
      if (bytes == 0) continue;
      if (op == Op::Mask && bytes == ~uint64_t{0}) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);
        continue;
      }
      m16 = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(bytes)), zero);
    }
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    __m128i keep = zero, v;
    if constexpr (Masked(op)) keep = _mm_cmpeq_epi16(m16, zero);
    if constexpr (op != Op::Add && op != Op::MaskAdd) keep = _mm_or_si128(keep, _mm_cmpeq_epi16(sv, dv));
    if ((op == Op::Alpha || op == Op::Add) && keyFits) keep = _mm_or_si128(keep, _mm_cmpeq_epi16(sv, key));
    const __m128i w = LaneWeights<op, 16>(m16, A);
    v = op == Op::Add || op == Op::MaskAdd ? packed::Add16x8(f, dv, sv, w) : packed::Blend16x8(f, dv, sv, w);
    if (op == Op::Mask) v = packed::Select(_mm_cmpeq_epi16(m16, _mm_set1_epi16(255)), sv, v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed::Select(keep, dv, v));
  }
#endif
  ScalarRow<op, 16>(f, d + i, s + i, Past(m, i), n - i, p);
}

#if defined(ORVA_PACKED_AVX2)
// The AVX2 rows: eight 32-bit or sixteen 16-bit pixels a turn, the rest by the SSE2 rows.

template <Op op, int Bits>
ORVA_AVX2 inline __m256i LaneWeights(__m256i m, __m256i A) {
  const __m256i scaled = _mm256_srli_epi16(_mm256_mullo_epi16(m, A), 8);  // m × A ≤ 65025
  switch (op) {
    case Op::Mask: return m;
    case Op::Alpha:
    case Op::Add: return A;
    case Op::MaskAlpha:
    case Op::MaskAdd:
      return Bits == 32 ? packed::Select(_mm256_cmpeq_epi16(m, _mm256_set1_epi16(255)), A, scaled) : scaled;
    case Op::ColorMask: return scaled;
  }
  return A;
}

// Eight pixels of DrawAlpha or DrawAdd: one weight, keyed or not.
template <Op op, bool keyed>
ORVA_AVX2 inline void Constant32x8(uint32_t* d, const uint32_t* s, __m256i key, const packed::Weights32x8& w) {
  const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
  const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
  __m256i keep = op == Op::Alpha ? _mm256_cmpeq_epi32(sv, dv) : _mm256_setzero_si256();
  if constexpr (keyed) keep = _mm256_or_si256(keep, _mm256_cmpeq_epi32(sv, key));
  const __m256i v = op == Op::Add ? packed::Add32x8(dv, sv, w) : packed::Blend32x8(dv, sv, w);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), packed::Select(keep, dv, v));
}

template <Op op>
ORVA_ROW ORVA_AVX2 void DirectRow32Avx2(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, const MixParams& p) {
  int i = 0;
  const __m256i zero = _mm256_setzero_si256(), key = _mm256_set1_epi32(static_cast<int>(p.key));
  const int a = op == Op::ColorMask && p.A >= 255 ? 256 : static_cast<int>(p.A);
  const packed::Weights32x8 constant = packed::Weights32x8::Constant(p.A);
  if constexpr (op == Op::Alpha || op == Op::Add) {
    if (p.keyed)
      for (; i + 8 <= n; i += 8) Constant32x8<op, true>(d + i, s + i, key, constant);
    else
      for (; i + 8 <= n; i += 8) Constant32x8<op, false>(d + i, s + i, key, constant);
  } else {
    // Weights work in the low halves of the 32-bit lanes.
    const __m256i A = _mm256_set1_epi32(a), opaque = _mm256_set1_epi32(255);
    for (; i + 8 <= n; i += 8) {
      const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
      uint64_t bytes;
      std::memcpy(&bytes, m + i, 8);
      if (bytes == 0) continue;
      if (bytes == ~uint64_t{0}) {
        // Opaque runs: a copy, or the constant alpha or strength.
        if (op == Op::Mask) {
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), sv);
          continue;
        }
        if (op == Op::MaskAlpha || op == Op::MaskAdd) {
          const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
          const __m256i v = op == Op::MaskAdd ? packed::Add32x8(dv, sv, constant)
                                              : packed::Select(_mm256_cmpeq_epi32(sv, dv), dv, packed::Blend32x8(dv, sv, constant));
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), v);
          continue;
        }
      }
      const __m256i m32 = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(static_cast<long long>(bytes)));
      const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
      __m256i keep = _mm256_cmpeq_epi32(m32, zero);
      if constexpr (op != Op::MaskAdd) keep = _mm256_or_si256(keep, _mm256_cmpeq_epi32(sv, dv));
      const packed::Weights32x8 w = packed::Weights32x8::PerPixel(LaneWeights<op, 32>(m32, A));
      __m256i v = op == Op::MaskAdd ? packed::Add32x8(dv, sv, w) : packed::Blend32x8(dv, sv, w);
      if (op == Op::Mask) v = packed::Select(_mm256_cmpeq_epi32(m32, opaque), sv, v);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), packed::Select(keep, dv, v));
    }
  }
  if (i < n) DirectRow32<op>(d + i, s + i, Past(m, i), n - i, p);
}

template <Op op, bool is565>
ORVA_ROW ORVA_AVX2 void DirectRow16Avx2(const packed::Fields16& f, uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                               const MixParams& p) {
  int i = 0;
  const __m256i zero = _mm256_setzero_si256(), opaque = _mm256_set1_epi16(255);
  const __m256i A = _mm256_set1_epi16(static_cast<short>(op == Op::ColorMask && p.A >= 255 ? 256 : p.A));
  // Keys compare zero-extended: one beyond 16 bits matches nothing.
  const bool keyFits = p.keyed && p.key <= 0xFFFF;
  const __m256i key = _mm256_set1_epi16(static_cast<short>(p.key));
  for (; i + 16 <= n; i += 16) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i m16 = zero;
    if constexpr (Masked(op)) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i));
      if (_mm_testz_si128(bytes, bytes)) continue;
      if (op == Op::Mask && _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(-1))) == 0xFFFF) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), sv);
        continue;
      }
      m16 = _mm256_cvtepu8_epi16(bytes);
    }
    const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
    __m256i keep = zero;
    if constexpr (Masked(op)) keep = _mm256_cmpeq_epi16(m16, zero);
    if constexpr (op != Op::Add && op != Op::MaskAdd) keep = _mm256_or_si256(keep, _mm256_cmpeq_epi16(sv, dv));
    if ((op == Op::Alpha || op == Op::Add) && keyFits) keep = _mm256_or_si256(keep, _mm256_cmpeq_epi16(sv, key));
    const __m256i w = LaneWeights<op, 16>(m16, A);
    __m256i v = op == Op::Add || op == Op::MaskAdd ? packed::Add16x16<is565>(dv, sv, w)
                                                   : packed::Blend16x16<is565>(dv, sv, packed::WeightPairs16(w));
    if (op == Op::Mask) v = packed::Select(_mm256_cmpeq_epi16(m16, opaque), sv, v);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), packed::Select(keep, dv, v));
  }
  if (i < n) DirectRow16<op>(f, d + i, s + i, Past(m, i), n - i, p);
}
#endif

// ---- Plain path: the field rules through the surface's masks ----

template <Op op>
void PlainRow(const uint32_t (&masks)[3], int bits, uint8_t* d, const uint8_t* s, const uint8_t* m, int n,
              const MixParams& p) {
  auto blend = [&](uint32_t dv, uint32_t sv, uint32_t w) {
    uint32_t out = 0;
    for (uint32_t mk : masks) out |= static_cast<uint32_t>(((uint64_t(sv & mk) * w + uint64_t(dv & mk) * (255 - w)) >> 8) & mk);
    return out;
  };
  auto add = [&](uint32_t dv, uint32_t sv, uint32_t a) {
    uint32_t out = 0;
    for (uint32_t mk : masks) {
      const uint64_t t = uint64_t(dv & mk) + ((uint64_t(sv & mk) * a >> 8) & mk);
      out |= static_cast<uint32_t>(t > mk ? mk : t);
    }
    return out;
  };
  for (int i = 0; i < n; ++i) {
    const uint32_t sv = LoadRowPixel(s, i, bits);
    const uint32_t mv = Masked(op) ? m[i] : 0;
    uint32_t out;
    switch (op) {
      case Op::Mask:
        if (mv == 0) continue;
        out = mv == 255 ? sv : blend(LoadRowPixel(d, i, bits), sv, mv);
        break;
      case Op::Alpha: {
        if (p.keyed && sv == p.key) continue;
        const uint32_t dv = LoadRowPixel(d, i, bits);
        if (dv == sv) continue;
        out = blend(dv, sv, p.A);
        break;
      }
      case Op::MaskAlpha:
        if (mv == 0) continue;
        out = blend(LoadRowPixel(d, i, bits), sv, (mv * p.A) >> 8);
        break;
      case Op::Add:
        if (p.keyed && sv == p.key) continue;
        out = bits == 8 ? std::min(LoadRowPixel(d, i, bits) + sv, 255u) : add(LoadRowPixel(d, i, bits), sv, p.A);
        break;
      case Op::MaskAdd:
        if (mv == 0) continue;
        out = add(LoadRowPixel(d, i, bits), sv, (mv * p.A) >> 8);
        break;
      case Op::ColorMask:
        if (mv == 0) continue;
        out = blend(LoadRowPixel(d, i, bits), sv, (mv * p.A) >> 8);
        break;
    }
    StoreRowPixel(d, i, bits, out);
  }
}

// The direct path serves the screen depths while UseMMX is set. DrawAlpha at 15 and 16 bits
// has the plain rules, which the 16-bit direct row gives as well.
bool DirectAt(int bits) { return bits == 32 || bits == 15 || bits == 16; }

// All rows of a blit on the direct path at one row width.
using DirectRowsFn = void (*)(BlitRows& rows, const packed::Fields16& f, const MixParams& p);

template <class Pixel>
Pixel* RowAs(uint8_t* row) {
  return reinterpret_cast<Pixel*>(row);
}
template <class Pixel>
const Pixel* RowAs(const uint8_t* row) {
  return reinterpret_cast<const Pixel*>(row);
}

template <Op op>
void ScalarRows32(BlitRows& r, const packed::Fields16& f, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    ScalarRow<op, 32>(f, RowAs<uint32_t>(r.Dest(j)), RowAs<uint32_t>(r.Source(j)), Masked(op) ? r.Mask(j) : nullptr,
                      r.Count(), p);
}
template <Op op>
void ScalarRows16(BlitRows& r, const packed::Fields16& f, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    ScalarRow<op, 16>(f, RowAs<uint16_t>(r.Dest(j)), RowAs<uint16_t>(r.Source(j)), Masked(op) ? r.Mask(j) : nullptr,
                      r.Count(), p);
}
template <Op op>
void DirectRows32(BlitRows& r, const packed::Fields16&, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    DirectRow32<op>(RowAs<uint32_t>(r.Dest(j)), RowAs<uint32_t>(r.Source(j)), Masked(op) ? r.Mask(j) : nullptr,
                    r.Count(), p);
}
template <Op op>
void DirectRows16(BlitRows& r, const packed::Fields16& f, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    DirectRow16<op>(f, RowAs<uint16_t>(r.Dest(j)), RowAs<uint16_t>(r.Source(j)), Masked(op) ? r.Mask(j) : nullptr,
                    r.Count(), p);
}
#if defined(ORVA_PACKED_AVX2)
template <Op op>
ORVA_AVX2 void DirectRows32Avx2(BlitRows& r, const packed::Fields16&, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    DirectRow32Avx2<op>(RowAs<uint32_t>(r.Dest(j)), RowAs<uint32_t>(r.Source(j)), Masked(op) ? r.Mask(j) : nullptr,
                        r.Count(), p);
}
template <Op op, bool is565>
ORVA_AVX2 void DirectRows16Avx2(BlitRows& r, const packed::Fields16& f, const MixParams& p) {
  for (int j = 0; j < r.Rows(); ++j)
    DirectRow16Avx2<op, is565>(f, RowAs<uint16_t>(r.Dest(j)), RowAs<uint16_t>(r.Source(j)),
                               Masked(op) ? r.Mask(j) : nullptr, r.Count(), p);
}
#endif

// The rows of the width PackedRows asks for.
template <Op op>
DirectRowsFn DirectRows(int bits) {
  switch (PackedRows) {
    case TPackedRows::Scalar: return bits == 32 ? ScalarRows32<op> : ScalarRows16<op>;
    case TPackedRows::SSE2: break;
    case TPackedRows::AVX2:
#if defined(ORVA_PACKED_AVX2)
      return bits == 32 ? DirectRows32Avx2<op> : bits == 16 ? DirectRows16Avx2<op, true> : DirectRows16Avx2<op, false>;
#else
      break;
#endif
  }
  return bits == 32 ? DirectRows32<op> : DirectRows16<op>;
}

// Runs the rows on the direct or the plain path.
template <Op op>
void MixRows(TCustomDIBX& dst, BlitRows& rows, const MixParams& p) {
  const int bits = dst.GetBitCount();
  if (UseMMX && DirectAt(bits)) {
    DirectRows<op>(bits)(rows, packed::Fields16(bits == 16), p);
    return;
  }
  const int storage = dst.GetStorageBitCount(), n = rows.Count();
  uint32_t masks[3] = {dst.GetRedMask(), dst.GetGreenMask(), dst.GetBlueMask()};
  if (bits == 8) masks[0] = masks[1] = 0, masks[2] = 0xFF;
  for (int j = 0; j < rows.Rows(); ++j)
    PlainRow<op>(masks, storage, rows.Dest(j), rows.Source(j), Masked(op) ? rows.Mask(j) : nullptr, n, p);
}

template <Op op>
void Mix(TCustomDIBX& dst, int x, int y, TCustomDIBX& src, const TRect& rect, bool useKey, bool flipH, bool flipV,
         TCustomDIBX* mask, int alpha) {
  if (alpha <= 0) return;
  if (Masked(op) && (!mask || mask->GetStorageBitCount() != 8)) return;
  const int storage = dst.GetStorageBitCount();
  if (storage < 8 || src.GetStorageBitCount() != storage) return;
  TRect sr = rect;
  // Only the top-left counts: the clipping takes the size from the source, in 64 bits.
  TRect dr{x, y, x, y};
  if (!dst.ClipBlit(dr, sr, flipH, flipV, &src, mask)) return;
  BlitRows rows(dst, dr, &src, sr, mask, flipH, flipV);
  if (!rows.Ok()) return;
  // A transparent colour of -1 is no key: no stored pixel stands for it.
  const bool keyed = (op == Op::Add || useKey) && src.TransparentColor != -1;
  const MixParams p{static_cast<uint32_t>(std::min(alpha, 255)), keyed, static_cast<uint32_t>(src.TransparentColor)};
  MixRows<op>(dst, rows, p);
}

}  // namespace

void TCustomDIBX::Draw(int x, int y, TCustomDIBX& source, const TRect& rect, bool useKey, bool flipH, bool flipV) {
  const int storage = GetStorageBitCount();
  if (storage < 8 || source.GetStorageBitCount() != storage) return;
  TRect sr = rect;
  // Only the top-left counts: the clipping takes the size from the source, in 64 bits.
  TRect dr{x, y, x, y};
  if (!ClipBlit(dr, sr, flipH, flipV, &source)) return;
  BlitRows rows(*this, dr, &source, sr, nullptr, flipH, flipV);
  if (!rows.Ok()) return;
  const int bpp = storage / 8, n = rows.Count();
  const bool keyed = useKey && source.TransparentColor != -1;
  // The key at the pixel's stored width.
  const uint32_t key = storage == 32 ? static_cast<uint32_t>(source.TransparentColor)
                                     : static_cast<uint32_t>(source.TransparentColor) & ((1u << storage) - 1);
  for (int j = 0; j < rows.Rows(); ++j) {
    uint8_t* d = rows.Dest(j);
    const uint8_t* s = rows.Source(j);
    if (!keyed) {
      std::memmove(d, s, size_t(n) * bpp);
      continue;
    }
    switch (storage) {
      case 32: {
        uint32_t* dp = reinterpret_cast<uint32_t*>(d);
        const uint32_t* sp = reinterpret_cast<const uint32_t*>(s);
        for (int i = 0; i < n; ++i)
          if (sp[i] != key) dp[i] = sp[i];
        break;
      }
      case 16: {
        uint16_t* dp = reinterpret_cast<uint16_t*>(d);
        const uint16_t* sp = reinterpret_cast<const uint16_t*>(s);
        for (int i = 0; i < n; ++i)
          if (sp[i] != key) dp[i] = sp[i];
        break;
      }
      default:
        for (int i = 0; i < n; ++i) {
          const uint32_t v = LoadRowPixel(s, i, storage);
          if (v != key) StoreRowPixel(d, i, storage, v);
        }
    }
  }
}

void TCustomDIBX::DrawMask(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                           TCustomDIBX& mask) {
  Mix<Op::Mask>(*this, x, y, source, sr, false, flipH, flipV, &mask, 255);
}

void TCustomDIBX::DrawAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                            int alpha) {
  Mix<Op::Alpha>(*this, x, y, source, sr, useKey, flipH, flipV, nullptr, alpha);
}

void TCustomDIBX::DrawMaskAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                TCustomDIBX& mask, int alpha) {
  Mix<Op::MaskAlpha>(*this, x, y, source, sr, false, flipH, flipV, &mask, alpha);
}

void TCustomDIBX::DrawAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                          int alpha) {
  Mix<Op::Add>(*this, x, y, source, sr, useKey, flipH, flipV, nullptr, alpha);
}

void TCustomDIBX::DrawMaskAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                              TCustomDIBX& mask, int alpha) {
  Mix<Op::MaskAdd>(*this, x, y, source, sr, false, flipH, flipV, &mask, alpha);
}

void TCustomDIBX::DrawColorMask(int x, int y, TCustomDIBX& mask, const TRect& rect, bool flipH, bool flipV,
                                uint32_t pixel, int alpha) {
  if (alpha <= 0 || mask.GetStorageBitCount() != 8) return;
  const int storage = GetStorageBitCount();
  if (storage < 8) return;
  TRect sr = rect;
  // Only the top-left counts: the clipping takes the size from the source, in 64 bits.
  TRect dr{x, y, x, y};
  if (!ClipBlit(dr, sr, flipH, flipV, nullptr, &mask)) return;
  BlitRows rows(*this, dr, nullptr, sr, &mask, flipH, flipV);
  if (!rows.Ok()) return;
  // The painted value as a source row.
  std::vector<uint8_t> value(size_t(rows.Count()) * (storage / 8));
  for (int i = 0; i < rows.Count(); ++i) StoreRowPixel(value.data(), i, storage, pixel);
  const MixParams p{static_cast<uint32_t>(std::min(alpha, 255)), false, 0};
  rows.SetSourceValue(value.data());
  MixRows<Op::ColorMask>(*this, rows, p);
}

}  // namespace orva

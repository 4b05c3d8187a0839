#include "graphics/dibx_wave.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>

namespace orva {

namespace {

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

TRect ShiftedBy(const TRect& r, int64_t o) { return {Saturate(r.Left + o), r.Top, Saturate(r.Right + o), r.Bottom}; }

// One forwarded operation: the target's clip is kept in SavedClip and given back at the end;
// each piece draws with the target clipped to the piece's rows, to the given columns (not
// moved) and, when the wave has a clip of its own, to that clip moved by the piece's offset.
class Forwarding {
 public:
  explicit Forwarding(TDIBXWave& wave) : wave_(wave), target_(*wave.Target), visible_(target_.GetClipRect()) {
    wave.SavedClip = target_.ClipRect;
    own_ = wave.ClipRect.Right != 0;
    from_ = std::max<int64_t>(visible_.Top, wave.OriginY);
    to_ = std::min<int64_t>(visible_.Bottom, int64_t{wave.OriginY} + static_cast<int64_t>(wave.RowOffsets.size()));
    if (own_) {
      from_ = std::max<int64_t>(from_, wave.ClipRect.Top);
      to_ = std::min<int64_t>(to_, wave.ClipRect.Bottom);
    }
  }
  ~Forwarding() { target_.ClipRect = wave_.SavedClip; }
  Forwarding(const Forwarding&) = delete;
  Forwarding& operator=(const Forwarding&) = delete;

  TCustomDIBX& Target() { return target_; }
  // The rows that can show: the table's rows inside both clips.
  int64_t From() const { return from_; }
  int64_t To() const { return to_; }
  int32_t Offset(int64_t y) const { return wave_.RowOffsets[size_t(y - wave_.OriginY)]; }
  // The rows from y (a row that can show) with y's offset, up to end.
  int64_t Run(int64_t y, int64_t end) const {
    const int32_t o = Offset(y);
    int64_t n = 1;
    while (y + n < end && Offset(y + n) == o) ++n;
    return n;
  }
  // Clips the target for a piece on rows [top, bottom) and columns [left, right) shifted by
  // o; false when nothing of it can show.
  bool Clip(int64_t top, int64_t bottom, int64_t left, int64_t right, int32_t o) {
    int64_t l = std::max<int64_t>(visible_.Left, left), r = std::min<int64_t>(visible_.Right, right);
    if (own_) {
      l = std::max<int64_t>(l, int64_t{wave_.ClipRect.Left} + o);
      r = std::min<int64_t>(r, int64_t{wave_.ClipRect.Right} + o);
    }
    const int64_t t = std::max<int64_t>(top, visible_.Top), b = std::min<int64_t>(bottom, visible_.Bottom);
    if (l >= r || t >= b) return false;
    target_.ClipRect = {int32_t(l), int32_t(t), int32_t(r), int32_t(b)};
    return true;
  }

 private:
  TDIBXWave& wave_;
  TCustomDIBX& target_;
  TRect visible_;
  bool own_ = false;
  int64_t from_ = 0, to_ = 0;
};

// The pieces of the rows [top, bottom) of an operation that can show: runs of rows with one
// offset, or single rows; piece(target, y, n, o). Each piece is cut to the columns
// [left, right) of the target.
template <class Piece>
void Pieces(TDIBXWave& wave, int64_t top, int64_t bottom, bool single, Piece piece, int64_t left = INT64_MIN,
            int64_t right = INT64_MAX) {
  if (!wave.Target) return;
  Forwarding f(wave);
  const int64_t end = std::min(bottom, f.To());
  for (int64_t y = std::max(top, f.From()); y < end;) {
    const int32_t o = f.Offset(y);
    const int64_t n = single ? 1 : f.Run(y, end);
    if (f.Clip(y, y + n, left, right, o)) piece(f.Target(), y, n, o);
    y += n;
  }
}

// An unscaled draw of sr at (x, y) in pieces of rows: draw(target, x', y', source piece).
// Under a vertical flip destination row k shows source row sr.Bottom - 1 - k, as drawn
// directly; each piece takes its own source rows.
template <class Draw>
void DrawPieces(TDIBXWave& wave, int x, int y, const TRect& sr, bool flipV, bool single, Draw draw) {
  Pieces(wave, y, int64_t{y} + (int64_t{sr.Bottom} - sr.Top), single,
         [&](TCustomDIBX& target, int64_t row, int64_t n, int32_t o) {
           const int64_t k = row - y;
           const TRect piece = flipV ? TRect{sr.Left, int32_t(sr.Bottom - k - n), sr.Right, int32_t(sr.Bottom - k)}
                                     : TRect{sr.Left, int32_t(sr.Top + k), sr.Right, int32_t(sr.Top + k + n)};
           draw(target, Saturate(int64_t{x} + o), int(row), piece);
         });
}

// A colour-reduced draw one destination row at a time, each from factor source rows of sr
// cut to the source (as the draw itself cuts it).
template <class Draw>
void ReducedPieces(TDIBXWave& wave, int x, int y, TCustomDIBX& source, const TRect& rect, int factor, bool flipV,
                   Draw draw) {
  if (factor < 1 || factor > MaxReduceFactor || !std::has_single_bit(static_cast<unsigned>(factor))) return;
  const TRect sr = IntersectRectOf(rect, source.GetBoundsRect());
  if (sr.IsEmpty()) return;
  Pieces(wave, y, int64_t{y} + sr.Height() / factor, true, [&](TCustomDIBX& target, int64_t row, int64_t, int32_t o) {
    const int64_t k = row - y;
    const TRect piece = flipV ? TRect{sr.Left, int32_t(sr.Bottom - (k + 1) * factor), sr.Right, int32_t(sr.Bottom - k * factor)}
                              : TRect{sr.Left, int32_t(sr.Top + k * factor), sr.Right, int32_t(sr.Top + (k + 1) * factor)};
    draw(target, Saturate(int64_t{x} + o), int(row), piece);
  });
}

// A scaled, rotated or frame draw covering `covered`, once per row with the target clipped
// to that row of `covered`: the shifted row loses what moves past the covered columns and
// leaves a gap on the other side. draw(target, o).
template <class Draw>
void RowPieces(TDIBXWave& wave, const TRect& covered, Draw draw) {
  Pieces(
      wave, covered.Top, covered.Bottom, true,
      [&](TCustomDIBX& target, int64_t, int64_t, int32_t o) { draw(target, o); }, covered.Left, covered.Right);
}

}  // namespace

int TDIBXWave::GetBitCount() { return Target ? Target->GetBitCount() : 0; }

int TDIBXWave::GetStorageBitCount() { return Target ? Target->GetStorageBitCount() : 0; }

void TDIBXWave::SetSize(int width, int height, int bits) {
  TCustomDIBX::SetSize(width, height, bits);
  RowOffsets.resize(size_t(std::max(height, 0)), 0);
}

void TDIBXWave::ClearClipRect() {
  ClipRect.Right = 0;
  if (Target) Target->ClearClipRect();
}

void TDIBXWave::AddClipRect(const TRect& rect) {
  const TRect area{OriginX, OriginY, Saturate(int64_t{OriginX} + GetWidth()), Saturate(int64_t{OriginY} + GetHeight())};
  const TRect r = IntersectRectOf(rect, area);
  if (r.IsEmpty()) return;
  ClipRect = ClipRect.Right != 0 ? UnionRectOf(ClipRect, r) : r;
  if (Target) Target->AddClipRect(ClipRect);
}

TRect TDIBXWave::GetClipRect() {
  if (ClipRect.Right != 0) return ClipRect;
  if (!Target) return {};
  const TRect c = Target->GetClipRect();
  const int64_t top = std::max<int64_t>(c.Top, OriginY);
  const int64_t bottom = std::min<int64_t>(c.Bottom, int64_t{OriginY} + static_cast<int64_t>(RowOffsets.size()));
  if (top >= bottom) return {};
  int64_t reach = 0;
  for (int64_t y = top; y < bottom; ++y) {
    const int64_t o = RowOffsets[size_t(y - OriginY)];
    reach = std::max(reach, o < 0 ? -o : o);
  }
  return {Saturate(c.Left - reach), int32_t(top), Saturate(c.Right + reach), int32_t(bottom)};
}

uint32_t TDIBXWave::ColorToPixel(int32_t color) {
  return Target ? Target->ColorToPixel(color) : TCustomDIBX::ColorToPixel(color);
}

// ---- Fills: runs of rows ----

void TDIBXWave::Fill(uint32_t pixel) { FillRect({0, 0, GetWidth(), GetHeight()}, pixel); }

void TDIBXWave::FillRect(const TRect& rect, uint32_t pixel) {
  Pieces(*this, rect.Top, rect.Bottom, false, [&](TCustomDIBX& t, int64_t y, int64_t n, int32_t o) {
    t.FillRect(ShiftedBy({rect.Left, int32_t(y), rect.Right, int32_t(y + n)}, o), pixel);
  });
}

void TDIBXWave::FillRectAlpha(const TRect& rect, uint32_t pixel, int alpha) {
  Pieces(*this, rect.Top, rect.Bottom, false, [&](TCustomDIBX& t, int64_t y, int64_t n, int32_t o) {
    t.FillRectAlpha(ShiftedBy({rect.Left, int32_t(y), rect.Right, int32_t(y + n)}, o), pixel, alpha);
  });
}

void TDIBXWave::FillRectAdd(const TRect& rect, uint32_t pixel) {
  Pieces(*this, rect.Top, rect.Bottom, false, [&](TCustomDIBX& t, int64_t y, int64_t n, int32_t o) {
    t.FillRectAdd(ShiftedBy({rect.Left, int32_t(y), rect.Right, int32_t(y + n)}, o), pixel);
  });
}

void TDIBXWave::FillRectSub(const TRect& rect, uint32_t pixel) {
  Pieces(*this, rect.Top, rect.Bottom, false, [&](TCustomDIBX& t, int64_t y, int64_t n, int32_t o) {
    t.FillRectSub(ShiftedBy({rect.Left, int32_t(y), rect.Right, int32_t(y + n)}, o), pixel);
  });
}

void TDIBXWave::Assign(TCustomDIBX& source) { Draw(0, 0, source, source.GetBoundsRect(), false, false, false); }

// ---- Unscaled draws: runs of rows ----

void TDIBXWave::Draw(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.Draw(px, py, source, piece, useKey, flipH, flipV);
  });
}

void TDIBXWave::DrawMask(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                         TCustomDIBX& mask) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawMask(px, py, source, piece, flipH, flipV, mask);
  });
}

void TDIBXWave::DrawAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                          int alpha) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawAlpha(px, py, source, piece, useKey, flipH, flipV, alpha);
  });
}

void TDIBXWave::DrawMaskAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                              TCustomDIBX& mask, int alpha) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawMaskAlpha(px, py, source, piece, flipH, flipV, mask, alpha);
  });
}

void TDIBXWave::DrawAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                        int alpha) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawAdd(px, py, source, piece, useKey, flipH, flipV, alpha);
  });
}

void TDIBXWave::DrawMaskAdd(int x, int y, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                            TCustomDIBX& mask, int alpha) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawMaskAdd(px, py, source, piece, flipH, flipV, mask, alpha);
  });
}

void TDIBXWave::DrawColorMask(int x, int y, TCustomDIBX& mask, const TRect& sr, bool flipH, bool flipV,
                              uint32_t pixel, int alpha) {
  DrawPieces(*this, x, y, sr, flipV, false, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawColorMask(px, py, mask, piece, flipH, flipV, pixel, alpha);
  });
}

// ---- Scaled and rotated draws: one destination row at a time ----

void TDIBXWave::StretchDrawAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                                 bool flipV, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawAlpha(ShiftedBy(dr, o), source, sr, useKey, flipH, flipV, alpha);
  });
}

void TDIBXWave::StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                     TCustomDIBX& mask, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawMaskAlpha(ShiftedBy(dr, o), source, sr, flipH, flipV, mask, alpha);
  });
}

void TDIBXWave::StretchDrawAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH,
                               bool flipV, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawAdd(ShiftedBy(dr, o), source, sr, useKey, flipH, flipV, alpha);
  });
}

void TDIBXWave::StretchDrawMaskAdd(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool flipH, bool flipV,
                                   TCustomDIBX& mask, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawMaskAdd(ShiftedBy(dr, o), source, sr, flipH, flipV, mask, alpha);
  });
}

void TDIBXWave::StretchDrawEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX, int scrollY,
                              bool useKey, bool flipH, bool flipV, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawEx(ShiftedBy(dr, o), zoomX, zoomY, source, scrollX, scrollY, useKey, flipH, flipV, alpha);
  });
}

void TDIBXWave::StretchDrawMaskEx(const TRect& dr, int zoomX, int zoomY, TCustomDIBX& source, int scrollX,
                                  int scrollY, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawMaskEx(ShiftedBy(dr, o), zoomX, zoomY, source, scrollX, scrollY, flipH, flipV, mask, alpha);
  });
}

// The rows are those the draw covers: its bounds with the pivot as given (the draw does
// not mirror the pivot).
void TDIBXWave::DrawRotate(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                           int pivotY, int angle, bool useKey, bool flipH, bool flipV, uint32_t alpha) {
  const TRect b = CalcRotatedBounds(x, y, pivotX, pivotY, angle, sr, zoomX, zoomY, sr.Width(), sr.Height(), false, false);
  RowPieces(*this, b, [&](TCustomDIBX& t, int32_t o) {
    t.DrawRotate(Saturate(int64_t{x} + o), y, zoomX, zoomY, source, sr, pivotX, pivotY, angle, useKey, flipH, flipV,
                 alpha);
  });
}

void TDIBXWave::DrawRotateMask(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX,
                               int pivotY, int angle, bool flipH, bool flipV, TCustomDIBX& mask, uint32_t alpha) {
  const TRect b = CalcRotatedBounds(x, y, pivotX, pivotY, angle, sr, zoomX, zoomY, sr.Width(), sr.Height(), false, false);
  RowPieces(*this, b, [&](TCustomDIBX& t, int32_t o) {
    t.DrawRotateMask(Saturate(int64_t{x} + o), y, zoomX, zoomY, source, sr, pivotX, pivotY, angle, flipH, flipV, mask,
                     alpha);
  });
}

// ---- Colour-reduced and indexed draws: one row at a time ----

void TDIBXWave::DrawColorReduce(int x, int y, TCustomDIBX& source, const TRect& sr, uint32_t pixel, bool flipH,
                                bool flipV, int alpha, int factor) {
  ReducedPieces(*this, x, y, source, sr, factor, flipV, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawColorReduce(px, py, source, piece, pixel, flipH, flipV, alpha, factor);
  });
}

void TDIBXWave::DrawColorReduceEx(int x, int y, TCustomDIBX& source, const TRect& sr,
                                  const std::array<uint32_t, 3>& colours, bool flipH, bool flipV, int alpha,
                                  int factor) {
  ReducedPieces(*this, x, y, source, sr, factor, flipV, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawColorReduceEx(px, py, source, piece, colours, flipH, flipV, alpha, factor);
  });
}

void TDIBXWave::DrawIndexed(int x, int y, TCustomDIBX& source, const TRect& sr, int unused, bool flipH, bool flipV,
                            int alpha, const std::array<uint32_t, 16>& table) {
  DrawPieces(*this, x, y, sr, flipV, true, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawIndexed(px, py, source, piece, unused, flipH, flipV, alpha, table);
  });
}

void TDIBXWave::DrawIndexedAdd(int x, int y, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                               bool flipV, int alpha, TIndexTable table) {
  DrawPieces(*this, x, y, sr, flipV, true, [&](TCustomDIBX& t, int px, int py, const TRect& piece) {
    t.DrawIndexedAdd(px, py, source, piece, threshold, flipH, flipV, alpha, table);
  });
}

void TDIBXWave::StretchDrawIndexed(const TRect& dr, TCustomDIBX& source, const TRect& sr, int threshold, bool flipH,
                                   bool flipV, int alpha, TIndexTable table) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.StretchDrawIndexed(ShiftedBy(dr, o), source, sr, threshold, flipH, flipV, alpha, table);
  });
}

// ---- Patterns ----

void TDIBXWave::FillPattern(const TRect& dr, TCustomDIBX& source, int scrollX, int scrollY, bool flipH, bool flipV) {
  const int64_t h = source.GetHeight();
  if (h <= 0) return;
  Pieces(*this, dr.Top, dr.Bottom, false, [&](TCustomDIBX& t, int64_t y, int64_t n, int32_t o) {
    // The run goes on with the row of the pattern it reaches.
    const int64_t rest = (int64_t{scrollY} + (y - dr.Top)) % h;
    t.FillPattern(ShiftedBy({dr.Left, int32_t(y), dr.Right, int32_t(y + n)}, o), source, scrollX,
                  int(rest < 0 ? rest + h : rest), flipH, flipV);
  });
}

void TDIBXWave::FramePattern(const TRect& dr, int borderWidth, TCustomDIBX& source, const TRect& sr, int unused,
                             int scrollX, int scrollY) {
  RowPieces(*this, dr, [&](TCustomDIBX& t, int32_t o) {
    t.FramePattern(ShiftedBy(dr, o), borderWidth, source, sr, unused, scrollX, scrollY);
  });
}

}  // namespace orva

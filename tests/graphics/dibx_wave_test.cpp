#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "graphics/dibx.h"
#include "graphics/dibx_wave.h"
#include "graphics_test_kit.h"

using namespace orva;
using namespace orva::test;

using Row = std::vector<uint32_t>;

namespace {

// A target that records the draws and fills forwarded to it, with its clip at the time.
class RecordingTarget : public TDIBX {
 public:
  struct Call {
    const char* op;
    int x, y;
    TRect rect;  // the source piece of a draw, the destination of a fill or a stretch
    TRect clip;
    bool operator==(const Call&) const = default;
  };
  void FillRect(const TRect& r, uint32_t p) override {
    Calls.push_back({"FillRect", 0, 0, r, ClipRect});
    TDIBX::FillRect(r, p);
  }
  void Draw(int x, int y, TCustomDIBX& s, const TRect& sr, bool k, bool fh, bool fv) override {
    Calls.push_back({"Draw", x, y, sr, ClipRect});
    TDIBX::Draw(x, y, s, sr, k, fh, fv);
  }
  void StretchDrawAlpha(const TRect& dr, TCustomDIBX& s, const TRect& sr, bool k, bool fh, bool fv,
                        uint32_t a) override {
    Calls.push_back({"StretchDrawAlpha", 0, 0, dr, ClipRect});
    TDIBX::StretchDrawAlpha(dr, s, sr, k, fh, fv, a);
  }
  void DrawColorReduce(int x, int y, TCustomDIBX& s, const TRect& sr, uint32_t p, bool fh, bool fv, int a,
                       int f) override {
    Calls.push_back({"DrawColorReduce", x, y, sr, ClipRect});
    TDIBX::DrawColorReduce(x, y, s, sr, p, fh, fv, a, f);
  }
  void AddClipRect(const TRect& r) override {
    Added.push_back(r);
    TDIBX::AddClipRect(r);
  }
  std::vector<Call> Calls;
  std::vector<TRect> Added;
};

void Shape(TDIBXWave& wave, TCustomDIBX& target, int x, int y, int w, std::vector<int32_t> offsets) {
  wave.Target = &target;
  wave.OriginX = x;
  wave.OriginY = y;
  wave.SetSize(w, int(offsets.size()), 0);
  wave.RowOffsets = std::move(offsets);
}

}  // namespace

TEST(DIBXWave, RunsOfRowsShareOneForwardedDraw) {
  TDIBX src;
  src.SetSize(4, 4, 32);
  struct Case {
    const char* what;
    std::vector<int32_t> offsets;
    std::vector<RecordingTarget::Call> calls;
  } cases[] = {
      {"all 0: one call", {0, 0, 0, 0}, {{"Draw", 2, 0, {0, 0, 4, 4}, {0, 0, 20, 4}}}},
      {"0, 3, 0, 3: a call per row",
       {0, 3, 0, 3},
       {{"Draw", 2, 0, {0, 0, 4, 1}, {0, 0, 20, 1}},
        {"Draw", 5, 1, {0, 1, 4, 2}, {0, 1, 20, 2}},
        {"Draw", 2, 2, {0, 2, 4, 3}, {0, 2, 20, 3}},
        {"Draw", 5, 3, {0, 3, 4, 4}, {0, 3, 20, 4}}}},
      {"runs", {-1, -1, 2, 2}, {{"Draw", 1, 0, {0, 0, 4, 2}, {0, 0, 20, 2}}, {"Draw", 4, 2, {0, 2, 4, 4}, {0, 2, 20, 4}}}},
  };
  for (const Case& c : cases) {
    RecordingTarget target;
    target.SetSize(20, 10, 32);
    TDIBXWave wave;
    Shape(wave, target, 0, 0, 20, c.offsets);
    wave.Draw(2, 0, src, src.GetBoundsRect(), false, false, false);
    EXPECT_EQ(target.Calls, c.calls) << c.what;
    EXPECT_EQ(target.ClipRect, TRect{}) << c.what << ": the target's clip is given back";
  }
}

TEST(DIBXWave, RowsOutsideTheTableAndTheVerticalFlip) {
  TDIBX src;
  src.SetSize(4, 8, 32);
  RecordingTarget target;
  target.SetSize(20, 20, 32);
  TDIBXWave wave;
  Shape(wave, target, 0, 10, 20, {1, 1, 1, 1});
  wave.Draw(0, 8, src, src.GetBoundsRect(), false, false, false);
  wave.Draw(0, 8, src, src.GetBoundsRect(), false, false, true);
  wave.FillRect({0, 0, 5, 100}, 1);
  EXPECT_EQ(target.Calls, (std::vector<RecordingTarget::Call>{
                              {"Draw", 1, 10, {0, 2, 4, 6}, {0, 10, 20, 14}},
                              {"Draw", 1, 10, {0, 2, 4, 6}, {0, 10, 20, 14}},  // rows 5..2 read upward
                              {"FillRect", 0, 0, {1, 10, 6, 14}, {0, 10, 20, 14}},
                          }));
  // Under the flip the destination rows show the source rows as a direct flipped draw would.
  TDIBX numbered;
  numbered.SetSize(1, 8, 32);
  for (int y = 0; y < 8; ++y) numbered.SetPixel(0, y, uint32_t(y + 1));
  target.Fill(0);
  Shape(wave, target, 0, 10, 20, {0, 2, 2, 0});
  wave.Draw(3, 8, numbered, numbered.GetBoundsRect(), false, false, true);
  std::vector<uint32_t> seen;
  for (int y = 10; y < 14; ++y) seen.push_back(target.GetPixel(3 + wave.RowOffsets[size_t(y - 10)], y));
  EXPECT_EQ(seen, (std::vector<uint32_t>{6, 5, 4, 3}));
  // Without a target nothing happens; the storage depth is then 0.
  TDIBXWave loose;
  loose.SetSize(4, 4, 32);
  loose.Draw(0, 0, src, src.GetBoundsRect(), false, false, false);
  EXPECT_EQ(loose.GetStorageBitCount(), 0);
  EXPECT_EQ(loose.GetSurface(), nullptr);
  EXPECT_EQ(wave.GetStorageBitCount(), 32);
  EXPECT_EQ(wave.GetSurface(), &target);
}

TEST(DIBXWave, ClipPerRowAndTheClipsGivenBack) {
  TDIBX src;
  src.SetSize(4, 4, 32);
  RecordingTarget target;
  target.SetSize(30, 30, 32);
  target.SetClipRect({1, 2, 25, 28});
  TDIBXWave wave;
  Shape(wave, target, 0, 0, 30, std::vector<int32_t>(30, 0));
  wave.RowOffsets[3] = -2;
  wave.StretchDrawAlpha({0, 0, 8, 5}, src, src.GetBoundsRect(), false, false, false, 255);
  // Each row is clipped to the columns the draw covers (inside the target's clip), not moved.
  EXPECT_EQ(target.Calls, (std::vector<RecordingTarget::Call>{
                              {"StretchDrawAlpha", 0, 0, {0, 0, 8, 5}, {1, 2, 8, 3}},
                              {"StretchDrawAlpha", 0, 0, {-2, 0, 6, 5}, {1, 3, 8, 4}},
                              {"StretchDrawAlpha", 0, 0, {0, 0, 8, 5}, {1, 4, 8, 5}},
                          }));
  EXPECT_EQ(target.ClipRect, (TRect{1, 2, 25, 28}));
  EXPECT_EQ(wave.SavedClip, (TRect{1, 2, 25, 28}));
}

TEST(DIBXWave, ShiftedRowsOfAZoomedOrTurnedPictureStayInsideTheColumnsItCovers) {
  // A 4 × 4 picture zoomed to 8 × 8 at (10, 0), under offsets 0, 3, 0, 3, …: the shifted rows
  // lose their last 3 pixels and leave 3 uncovered at the left.
  TDIBX src;
  src.SetSize(4, 4, 32);
  src.FillRect(src.GetBoundsRect(), 0xFFFFFF);
  const std::pair<const char*, std::function<void(TCustomDIBX&)>> draws[] = {
      {"stretched", [&](TCustomDIBX& d) { d.StretchDrawAlpha({10, 0, 18, 8}, src, src.GetBoundsRect(), false, false, false, 255); }},
      {"turned", [&](TCustomDIBX& d) { d.DrawRotate(10, 0, 512, 512, src, src.GetBoundsRect(), 0, 0, 0, false, false, false, 255); }},
  };
  for (const auto& [what, draw] : draws) {
    TDIBX target;
    target.SetSize(30, 8, 32);
    target.Fill(0);
    TDIBXWave wave;
    Shape(wave, target, 0, 0, 30, {0, 3, 0, 3, 0, 3, 0, 3});
    draw(wave);
    for (int y = 0; y < 8; ++y) {
      std::string row;
      for (int x = 6; x < 24; ++x) row += target.GetPixel(x, y) != 0 ? '#' : '.';
      EXPECT_EQ(row, y % 2 == 0 ? "....########......" : ".......#####......") << what << " row " << y;
    }
  }
}

TEST(DIBXWave, AddClipRectIsCutToTheWaveArea) {
  RecordingTarget target;
  target.SetSize(40, 40, 32);
  TDIBXWave wave;
  Shape(wave, target, 10, 10, 10, std::vector<int32_t>(10, 0));
  wave.AddClipRect({0, 0, 5, 5});
  EXPECT_EQ(wave.ClipRect, TRect{});
  EXPECT_TRUE(target.Added.empty()) << "outside the area: neither clip changes";
  wave.AddClipRect({15, 0, 30, 12});
  wave.AddClipRect({0, 18, 12, 30});
  EXPECT_EQ(wave.ClipRect, (TRect{10, 10, 20, 20}));
  EXPECT_EQ(target.Added, (std::vector<TRect>{{15, 10, 20, 12}, {10, 10, 20, 20}})) << "the wave's whole clip";
  wave.ClearClipRect();
  EXPECT_EQ(wave.ClipRect.Right, 0);
  EXPECT_EQ(target.ClipRect.Right, 0);
  // Without a clip of its own the wave answers what can reach the target's clip.
  target.SetClipRect({5, 12, 30, 40});
  wave.RowOffsets[4] = -3;
  wave.RowOffsets[9] = 2;
  EXPECT_EQ(wave.GetClipRect(), (TRect{2, 12, 33, 20}));
}

TEST(DIBXWave, AssignAndColourReducedRowsTakeTheirSourceRows) {
  TDIBX src, bits;
  src.SetSize(3, 2, 32);
  bits.SetSize(8, 8, 1);
  RecordingTarget target;
  target.SetSize(20, 20, 32);
  TDIBXWave wave;
  Shape(wave, target, 0, 1, 20, {1, 0, 0});
  wave.Assign(src);
  wave.DrawColorReduce(0, 0, bits, {0, -2, 8, 8}, 0xFF, false, true, 255, 4);
  EXPECT_EQ(target.Calls, (std::vector<RecordingTarget::Call>{
                              {"Draw", 1, 1, {0, 1, 3, 2}, {0, 1, 20, 2}},
                              {"DrawColorReduce", 1, 1, {0, 0, 8, 4}, {0, 1, 20, 2}},
                          }));
}

// ---- Every operation through a wave equals drawing each row shifted directly ----

namespace {

// Sources of every kind for one depth, with hashed contents.
struct Sources {
  TDIBX picture, mask, bits1, bits4, index8;
  std::array<uint32_t, 16> table16{};
  std::array<uint32_t, 256> table256{};
  explicit Sources(int depth) {
    std::mt19937 random{static_cast<uint32_t>(depth)};
    auto fill = [&](TDIBX& s, int w, int h, int bits, uint32_t modulo) {
      s.SetSize(w, h, bits);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.SetPixel(x, y, random() % modulo);
    };
    fill(picture, 9, 7, depth, depth == 32 ? 0x1000000u : 0x10000u);
    picture.TransparentColor = int32_t(picture.GetPixel(1, 1));
    mask.SetSize(9, 7, 8);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) mask.SetPixel(x, y, (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 255 : random() % 256);
    fill(bits1, 16, 12, 1, 2);
    fill(bits4, 16, 12, 4, 16);
    fill(index8, 8, 6, 8, 256);
    bits4.TransparentColor = 3;
    for (auto& v : table16) v = random() % (depth == 32 ? 0x1000000u : 0x10000u);
    for (auto& v : table256) v = random() % (depth == 32 ? 0x1000000u : 0x10000u);
  }
};

struct Operation {
  const char* name;
  // Draws on the surface with the destination moved dx to the right.
  std::function<void(TCustomDIBX&, Sources&, int dx)> draw;
};

TRect Moved(TRect r, int dx) { return {r.Left + dx, r.Top, r.Right + dx, r.Bottom}; }

std::vector<Operation> Operations() {
  std::vector<Operation> ops;
  auto add = [&](const char* name, std::function<void(TCustomDIBX&, Sources&, int)> f) { ops.push_back({name, f}); };
  add("FillRect", [](TCustomDIBX& d, Sources&, int dx) { d.FillRect(Moved({3, -2, 20, 40}, dx), 0x1234); });
  add("FillRectAlpha", [](TCustomDIBX& d, Sources&, int dx) { d.FillRectAlpha(Moved({3, 5, 20, 30}, dx), 0x5678, 100); });
  add("FillRectAdd", [](TCustomDIBX& d, Sources&, int dx) { d.FillRectAdd(Moved({3, 5, 20, 30}, dx), 0x0841); });
  add("FillRectSub", [](TCustomDIBX& d, Sources&, int dx) { d.FillRectSub(Moved({3, 5, 20, 30}, dx), 0x0841); });
  add("FrameRectAlpha", [](TCustomDIBX& d, Sources&, int dx) { d.FrameRectAlpha(Moved({2, 4, 30, 33}, dx), 3, 0x4321, 77); });
  for (int flips = 0; flips < 4; ++flips) {
    const bool fh = flips & 1, fv = flips & 2;
    add("Draw", [=](TCustomDIBX& d, Sources& s, int dx) { d.Draw(4 + dx, 1, s.picture, {1, 0, 9, 7}, fv, fh, fv); });
    add("DrawMask", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawMask(4 + dx, 20, s.picture, {0, 1, 9, 7}, fh, fv, s.mask); });
    add("DrawAlpha", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawAlpha(6 + dx, 8, s.picture, {0, 0, 9, 7}, true, fh, fv, 99); });
    add("DrawMaskAlpha", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawMaskAlpha(6 + dx, 8, s.picture, {0, 0, 9, 7}, fh, fv, s.mask, 140); });
    add("DrawAdd", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawAdd(6 + dx, 8, s.picture, {0, 0, 9, 7}, fh, fh, fv, 200); });
    add("DrawMaskAdd", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawMaskAdd(6 + dx, 8, s.picture, {0, 0, 9, 7}, fh, fv, s.mask, 60); });
    add("DrawColorMask", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawColorMask(6 + dx, 8, s.mask, {0, 0, 9, 7}, fh, fv, 0x7777, 180); });
    add("StretchDrawAlpha", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawAlpha(Moved({5, 3, 25, 24}, dx), s.picture, {0, 0, 9, 7}, true, fh, fv, 130); });
    add("StretchDrawMaskAlpha", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawMaskAlpha(Moved({5, 3, 25, 24}, dx), s.picture, {1, 1, 8, 6}, fh, fv, s.mask, 255); });
    add("StretchDrawAdd", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawAdd(Moved({5, 3, 11, 9}, dx), s.picture, {0, 0, 9, 7}, false, fh, fv, 90); });
    add("StretchDrawMaskAdd", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawMaskAdd(Moved({5, 3, 25, 24}, dx), s.picture, {0, 0, 9, 7}, fh, fv, s.mask, 250); });
    add("StretchDrawEx", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawEx(Moved({-3, 2, 30, 35}, dx), 300, 200, s.picture, 5, -7, true, fh, fv, 400); });
    add("StretchDrawMaskEx", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawMaskEx(Moved({-3, 2, 30, 35}, dx), 256, 512, s.picture, -2, 3, fh, fv, s.mask, 120); });
    add("DrawRotate", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawRotate(15 + dx, 15, 400, 300, s.picture, {0, 0, 9, 7}, 2, 5, 37, true, fh, fv, 255); });
    add("DrawRotateMask", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawRotateMask(15 + dx, 15, 256, 512, s.picture, {0, 0, 9, 7}, 4, 3, 200, fh, fv, s.mask, 300); });
    add("DrawColorReduce", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawColorReduce(3 + dx, 5, s.bits1, {0, 0, 16, 12}, 0x5A5A, fh, fv, 200, 2); });
    add("DrawColorReduceEx", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawColorReduceEx(3 + dx, 5, s.bits4, {0, 0, 16, 12}, {0x1111, 0x2222, 0x3333}, fh, fv, fh ? 300 : 255, 2); });
    add("DrawIndexed", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawIndexed(2 + dx, 6, s.bits4, {1, 1, 15, 12}, 0, fh, fv, fv ? 128 : 400, s.table16); });
    add("DrawIndexedAdd", [=](TCustomDIBX& d, Sources& s, int dx) { d.DrawIndexedAdd(2 + dx, 6, s.index8, {0, 0, 8, 6}, 40, fh, fv, 200, s.table256); });
    add("StretchDrawIndexed", [=](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawIndexed(Moved({0, 4, 24, 30}, dx), s.index8, {0, 0, 8, 6}, 40, fh, fv, 255, s.table256); });
    add("FillPattern", [=](TCustomDIBX& d, Sources& s, int dx) { d.FillPattern(Moved({-2, 1, 28, 38}, dx), s.picture, 3, -5, fh, fv); });
  }
  add("FramePattern", [](TCustomDIBX& d, Sources& s, int dx) { d.FramePattern(Moved({1, 0, 30, 33}, dx), 4, s.picture, {}, 0, 2, 1); });
  add("DrawTile", [](TCustomDIBX& d, Sources& s, int dx) { d.DrawTile(Moved({2, 3, 29, 31}, dx), 1, 2, s.picture, {1, 1, 8, 6}, true, 3, -4); });
  add("DrawTileAlpha", [](TCustomDIBX& d, Sources& s, int dx) { d.DrawTileAlpha(Moved({2, 3, 29, 31}, dx), 0, 0, s.picture, {0, 0, 9, 7}, false, 128, 0, 0); });
  add("DrawTileMaskAdd", [](TCustomDIBX& d, Sources& s, int dx) { d.DrawTileMaskAdd(Moved({2, 3, 29, 31}, dx), 2, 1, s.picture, {0, 0, 9, 7}, s.mask, 90, -1, 2); });
  add("StretchDrawTile", [](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawTile(Moved({2, 3, 29, 31}, dx), 11, 9, 300, 300, s.picture, {0, 0, 9, 7}, false, true, false, 255, 4, 1); });
  // Copies start right of 0 even shifted: their positions are truncated toward zero.
  add("StretchDrawTileMask", [](TCustomDIBX& d, Sources& s, int dx) { d.StretchDrawTileMask(Moved({10, 3, 37, 31}, dx), 9, 7, 384, 256, s.picture, {0, 0, 9, 7}, s.mask, false, true, 300, 3, 5); });
  return ops;
}

// A surface drawn on directly, one row at a time with the destination moved by Offset, as a
// wave row shows it: each scaled, rotated or frame draw keeps to the columns it covers
// before the move (a draw inside another keeps to the outer one's).
class ShiftedRow : public TDIBX {
 public:
  int Offset = 0;

  void StretchDrawAlpha(const TRect& dr, TCustomDIBX& s, const TRect& sr, bool k, bool fh, bool fv, uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawAlpha(dr, s, sr, k, fh, fv, a); });
  }
  void StretchDrawMaskAlpha(const TRect& dr, TCustomDIBX& s, const TRect& sr, bool fh, bool fv, TCustomDIBX& m,
                            uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawMaskAlpha(dr, s, sr, fh, fv, m, a); });
  }
  void StretchDrawAdd(const TRect& dr, TCustomDIBX& s, const TRect& sr, bool k, bool fh, bool fv, uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawAdd(dr, s, sr, k, fh, fv, a); });
  }
  void StretchDrawMaskAdd(const TRect& dr, TCustomDIBX& s, const TRect& sr, bool fh, bool fv, TCustomDIBX& m,
                          uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawMaskAdd(dr, s, sr, fh, fv, m, a); });
  }
  void StretchDrawEx(const TRect& dr, int zx, int zy, TCustomDIBX& s, int sx, int sy, bool k, bool fh, bool fv,
                     uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawEx(dr, zx, zy, s, sx, sy, k, fh, fv, a); });
  }
  void StretchDrawMaskEx(const TRect& dr, int zx, int zy, TCustomDIBX& s, int sx, int sy, bool fh, bool fv,
                         TCustomDIBX& m, uint32_t a) override {
    Within(dr, [&] { TDIBX::StretchDrawMaskEx(dr, zx, zy, s, sx, sy, fh, fv, m, a); });
  }
  void StretchDrawIndexed(const TRect& dr, TCustomDIBX& s, const TRect& sr, int t, bool fh, bool fv, int a,
                          TIndexTable table) override {
    Within(dr, [&] { TDIBX::StretchDrawIndexed(dr, s, sr, t, fh, fv, a, table); });
  }
  void FramePattern(const TRect& dr, int w, TCustomDIBX& s, const TRect& sr, int u, int sx, int sy) override {
    Within(dr, [&] { TDIBX::FramePattern(dr, w, s, sr, u, sx, sy); });
  }
  void DrawRotate(int x, int y, int zx, int zy, TCustomDIBX& s, const TRect& sr, int px, int py, int angle, bool k,
                  bool fh, bool fv, uint32_t a) override {
    Within(CalcRotatedBounds(x, y, px, py, angle, sr, zx, zy, sr.Width(), sr.Height(), false, false),
           [&] { TDIBX::DrawRotate(x, y, zx, zy, s, sr, px, py, angle, k, fh, fv, a); });
  }
  void DrawRotateMask(int x, int y, int zx, int zy, TCustomDIBX& s, const TRect& sr, int px, int py, int angle,
                      bool fh, bool fv, TCustomDIBX& m, uint32_t a) override {
    Within(CalcRotatedBounds(x, y, px, py, angle, sr, zx, zy, sr.Width(), sr.Height(), false, false),
           [&] { TDIBX::DrawRotateMask(x, y, zx, zy, s, sr, px, py, angle, fh, fv, m, a); });
  }

 private:
  // `moved` is where the draw lands: its columns less Offset are those it covered.
  template <class F>
  void Within(const TRect& moved, F draw) {
    if (inside_) return draw();
    const TRect saved = ClipRect;
    const TRect cut = IntersectRectOf(GetClipRect(), {moved.Left - Offset, INT32_MIN, moved.Right - Offset, INT32_MAX});
    if (cut.IsEmpty()) return;
    ClipRect = cut;
    inside_ = true;
    draw();
    inside_ = false;
    ClipRect = saved;
  }
  bool inside_ = false;
};

// The rows of the wave: a few runs, single rows and large offsets.
std::vector<int32_t> WaveOffsets() {
  return {0, 0, 0, 3, -3, 3, -3, 1, 1, 1, 1, 2, -4, -4, 0, 5, 5, 0, -1, -2, -3, -2, -1, 0, 0, 7, -7, 7, 2, 2};
}

void Background(TDIBX& s, int depth) {
  s.SetSize(48, 40, depth);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 48; ++x) s.SetPixel(x, y, uint32_t(x * 977 + y * 131) & (depth == 32 ? 0xFFFFFF : 0xFFFF));
}

}  // namespace

TEST(DIBXWave, EveryOperationEqualsEachRowShiftedDirectly) {
  const std::vector<Operation> ops = Operations();
  const std::vector<int32_t> offsets = WaveOffsets();
  const int originY = 4;
  for (int depth : {16, 32})
    for (bool packed : {true, false})
      for (bool clipped : {false, true}) {
        PathScope path(packed);
        Sources sources(depth);
        const TRect clip = clipped ? TRect{3, 6, 40, 31} : TRect{};
        for (const Operation& op : ops) {
          TDIBX through;
          ShiftedRow direct;
          Background(through, depth);
          Background(direct, depth);
          through.SetClipRect(clip);
          TDIBXWave wave;
          Shape(wave, through, 6, originY, 30, offsets);
          op.draw(wave, sources, 0);
          EXPECT_EQ(through.ClipRect, clip) << op.name;
          const TRect whole = direct.GetBoundsRect();
          for (int r = 0; r < int(offsets.size()); ++r) {
            const int y = originY + r;
            const TRect row = IntersectRectOf(clipped ? clip : whole, {0, y, 48, y + 1});
            if (row.IsEmpty()) continue;
            direct.SetClipRect(row);
            direct.Offset = offsets[size_t(r)];
            op.draw(direct, sources, direct.Offset);
          }
          {
            auto a = SurfacePixels(through), b = SurfacePixels(direct);
            std::string diff;
            for (size_t yy = 0; yy < a.size(); ++yy)
              for (size_t xx = 0; xx < a[yy].size(); ++xx)
                if (a[yy][xx] != b[yy][xx]) diff += "(" + std::to_string(xx) + "," + std::to_string(yy) + ")";
            EXPECT_TRUE(diff.empty()) << op.name << " at " << depth << (packed ? " packed" : " plain") << (clipped ? " clipped" : "") << diff;
          }
        }
      }
}

TEST(DIBXWave, ItsOwnClipMovesWithTheRows) {
  // A control's paint clips the wave: what lies outside is not drawn before the shift.
  PathScope path(true);
  Sources sources(32);
  const std::vector<int32_t> offsets = WaveOffsets();
  const TRect own{8, 2, 20, 25};
  for (const Operation& op : Operations()) {
    TDIBX through;
    ShiftedRow direct;
    Background(through, 32);
    Background(direct, 32);
    TDIBXWave wave;
    Shape(wave, through, 6, 4, 30, offsets);
    wave.SetClipRect(own);
    op.draw(wave, sources, 0);
    for (int r = 0; r < int(offsets.size()); ++r) {
      const int y = 4 + r, o = offsets[size_t(r)];
      const TRect row = IntersectRectOf(direct.GetBoundsRect(), {own.Left + o, std::max(y, own.Top), own.Right + o,
                                                                 std::min(y + 1, own.Bottom)});
      if (row.IsEmpty()) continue;
      direct.SetClipRect(row);
      direct.Offset = o;
      op.draw(direct, sources, o);
    }
    EXPECT_EQ(SurfacePixels(through), SurfacePixels(direct)) << op.name;
  }
}

TEST(DIBXWave, WithoutThePackedPathsOnlyThoseWithoutAPlainOneDrawNothing) {
  PathScope path(false);
  Sources sources(32);
  for (const Operation& op : Operations()) {
    TDIBX through, before;
    Background(through, 32);
    Background(before, 32);
    TDIBXWave wave;
    Shape(wave, through, 6, 4, 30, WaveOffsets());
    op.draw(wave, sources, 0);
    const bool none = std::string_view(op.name) == "DrawIndexed" || std::string_view(op.name) == "StretchDrawIndexed";
    EXPECT_EQ(SurfacePixels(through) == SurfacePixels(before), none) << op.name;
  }
}

TEST(DIBXWave, FarCoordinatesAndOffsetsOverflowNothing) {
  // Positions, rectangles and offsets at the ends of the 32-bit range, directly and through a
  // wave (the sanitizers watch the arithmetic); what shows of the fill is drawn.
  PathScope path(true);
  Sources sources(32);
  TDIBX target;
  Background(target, 32);
  TDIBXWave wave;
  Shape(wave, target, INT32_MIN, 2, INT32_MAX, {INT32_MAX, INT32_MIN, 0, 1, -1});
  const TRect all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  for (TCustomDIBX* surface : {static_cast<TCustomDIBX*>(&target), static_cast<TCustomDIBX*>(&wave)})
    for (int x : {INT32_MIN, -5, INT32_MAX}) {
      TCustomDIBX& d = *surface;
      d.DrawColorReduce(x, x, sources.bits1, all, 1, true, true, 255, 2);
      d.DrawColorReduceEx(x, 3, sources.bits4, all, {1, 2, 3}, false, true, 300, 4);
      d.DrawIndexed(x, 3, sources.bits4, all, 0, true, false, 400, sources.table16);
      d.DrawIndexedAdd(3, x, sources.index8, all, 0, false, true, 255, sources.table256);
      d.StretchDrawIndexed(all, sources.index8, all, 0, true, true, 255, sources.table256);
      d.StretchDrawIndexed({x, 0, 40, 40}, sources.index8, {0, 0, 8, 6}, 0, false, false, 255, sources.table256);
      d.FillPattern(all, sources.picture, x, x, true, false);
      d.FramePattern(all, x, sources.picture, {}, 0, x, INT32_MIN);
      d.FramePattern({0, 0, 40, 30}, INT32_MAX, sources.picture, {}, 0, 0, 0);
      d.Draw(x, x, sources.picture, {0, 0, 9, 7}, true, true, true);
      d.DrawRotate(x, 4, 256, 256, sources.picture, {0, 0, 9, 7}, 0, 0, 30, false, false, false, 255);
      d.StretchDrawAlpha(all, sources.picture, {0, 0, 9, 7}, false, false, false, 255);
      d.FillRect({x, 0, INT32_MAX, 40}, 7);
    }
  // Rows shifted by the largest offsets fall off the surface; the others are shifted.
  TDIBX untouched;
  Background(untouched, 32);
  Background(target, 32);
  wave.FillRect({0, 0, 48, 40}, 7);
  EXPECT_EQ(SurfacePixels(target)[2], SurfacePixels(untouched)[2]);
  EXPECT_EQ(SurfacePixels(target)[3], SurfacePixels(untouched)[3]) << "rows moved off by INT32_MAX and INT32_MIN";
  EXPECT_EQ(SurfacePixels(target)[4], Row(48, 7));
  EXPECT_NE(target.GetPixel(0, 5), 7u);
  EXPECT_EQ(target.GetPixel(1, 5), 7u);
}

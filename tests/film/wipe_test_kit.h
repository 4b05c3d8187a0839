#pragma once
// The transitions' tests: small pictures of distinct pixels at a chosen depth, the packed and
// plain composition rules computed pixel by pixel, golden-frame comparison, and the class
// registration with a double of the mask images.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "film/mask_images.h"
#include "film/wipe_classes.h"
#include "graphics/custom_dibx.h"
#include "graphics/dib.h"
#include "graphics/dibx.h"
#include "kit/packed_scope.h"
#include "scene/color_tables.h"
#include "scene/wipe.h"

namespace orva::wipe_test {

using kit::PackedScope;

// The bits a raw pixel of the depth may use.
inline uint32_t UsedBits(int depth) {
  switch (depth) {
    case 8: return 0xFF;
    case 15: return 0x7FFF;
    case 16: return 0xFFFF;
    case 24: return 0xFFFFFF;
    default: return 0xFFFFFFFF;
  }
}

// Raw pixels that differ from pixel to pixel and from picture to picture.
inline uint32_t DistinctPixel(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

inline void Paint(TDIBX& picture, int width, int height, int depth, uint32_t seed) {
  picture.SetSize(width, height, depth);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixel(x, y, DistinctPixel(x, y, seed) & UsedBits(depth));
}

// A drawing operation a transition made on Dest, with the clip it was made under: the
// destination (a blit's top-left in Left and Top), the source picture and rectangle, and the
// alpha, zoom, pivot and angle where the operation has them (else 0).
struct Call {
  Call(std::string op, TRect dest, const TCustomDIBX* source = nullptr, TRect sourceRect = {}, int64_t alpha = 0,
       int64_t zoom = 0, int64_t angle = 0, TPoint pivot = {})
      : Op(std::move(op)), Dest(dest), Source(source), SourceRect(sourceRect), Alpha(alpha), Zoom(zoom), Angle(angle),
        Pivot(pivot) {}
  std::string Op;
  TRect Dest;
  const TCustomDIBX* Source = nullptr;
  TRect SourceRect;
  int64_t Alpha = 0, Zoom = 0, Angle = 0;
  TPoint Pivot;
  TRect Clip;
  // Equal without the clip, which tests check apart.
  bool operator==(const Call& o) const {
    return Op == o.Op && Dest == o.Dest && Source == o.Source && SourceRect == o.SourceRect && Alpha == o.Alpha &&
           Zoom == o.Zoom && Angle == o.Angle && Pivot == o.Pivot;
  }
};

inline std::ostream& operator<<(std::ostream& out, const TRect& r) {
  return out << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
inline std::ostream& operator<<(std::ostream& out, const Call& c) {
  out << c.Op << " " << c.Dest << " from " << c.Source << " " << c.SourceRect;
  if (c.Alpha) out << " alpha " << c.Alpha;
  if (c.Zoom || c.Angle) out << " zoom " << c.Zoom << " angle " << c.Angle << " pivot " << c.Pivot.X << "," << c.Pivot.Y;
  return out;
}

// A memory surface that records the operations made on it through its own interface
// (not those its operations make inside) and then makes them.
class RecordingDIBX : public TDIBX {
 public:
  void Assign(TCustomDIBX& source) override {
    Record({"Assign", {}, &source, source.GetBoundsRect()});
    Inside inside(*this);
    TDIBX::Assign(source);
  }
  void FillRect(const TRect& rect, uint32_t pixel) override {
    Record({"FillRect", rect, nullptr, {}, pixel});
    Inside inside(*this);
    TDIBX::FillRect(rect, pixel);
  }
  void FillRectAdd(const TRect& rect, uint32_t pixel) override {
    Record({"FillRectAdd", rect, nullptr, {}, pixel});
    Inside inside(*this);
    TDIBX::FillRectAdd(rect, pixel);
  }
  void FillRectSub(const TRect& rect, uint32_t pixel) override {
    Record({"FillRectSub", rect, nullptr, {}, pixel});
    Inside inside(*this);
    TDIBX::FillRectSub(rect, pixel);
  }
  void Draw(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV) override {
    Record({"Draw", {x, y, 0, 0}, &source, sr});
    Inside inside(*this);
    TDIBX::Draw(x, y, source, sr, useKey, flipH, flipV);
  }
  void DrawAlpha(int x, int y, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                 int alpha) override {
    Record({"DrawAlpha", {x, y, 0, 0}, &source, sr, alpha});
    Inside inside(*this);
    TDIBX::DrawAlpha(x, y, source, sr, useKey, flipH, flipV, alpha);
  }
  void StretchDrawAlpha(const TRect& dr, TCustomDIBX& source, const TRect& sr, bool useKey, bool flipH, bool flipV,
                        uint32_t alpha) override {
    Record({"Stretch", dr, &source, sr, alpha});
    Inside inside(*this);
    TDIBX::StretchDrawAlpha(dr, source, sr, useKey, flipH, flipV, alpha);
  }
  void DrawRotate(int x, int y, int zoomX, int zoomY, TCustomDIBX& source, const TRect& sr, int pivotX, int pivotY,
                  int angle, bool useKey, bool flipH, bool flipV, uint32_t alpha) override {
    EXPECT_EQ(zoomX, zoomY);
    Record({"Rotate", {x, y, 0, 0}, &source, sr, alpha, zoomX, angle, {pivotX, pivotY}});
    Inside inside(*this);
    TDIBX::DrawRotate(x, y, zoomX, zoomY, source, sr, pivotX, pivotY, angle, useKey, flipH, flipV, alpha);
  }

  std::vector<Call> Calls;

 private:
  struct Inside {
    explicit Inside(RecordingDIBX& s) : s_(s) { ++s_.depth_; }
    ~Inside() { --s_.depth_; }
    RecordingDIBX& s_;
  };
  void Record(Call call) {
    if (depth_ > 0) return;
    call.Clip = GetClipRect();
    Calls.push_back(std::move(call));
  }
  int depth_ = 0;
};

// The three pictures of a transition, and what Dest showed before the step (the sentinel).
struct Frames {
  Frames(int width, int height, int depth, int widthA = -1, int widthB = -1) {
    Paint(Sentinel, width, height, depth, 1);
    Paint(Dest, width, height, depth, 1);
    Paint(A, widthA < 0 ? width : widthA, height, depth, 2);
    Paint(B, widthB < 0 ? width : widthB, height, depth, 3);
  }
  // Dest shows the sentinel again, under a small clip that a step must widen; no calls.
  void ResetDest() {
    Dest.ClearClipRect();
    Dest.Assign(Sentinel);
    Dest.SetClipRect({1, 1, 2, 2});
    Dest.Calls.clear();
  }
  RecordingDIBX Dest;
  TDIBX A, B, Sentinel;
};

// ---- The composition rules ----

// The mask rule of the packed path: 0 the old pixel, 255 the new one; otherwise every byte
// (32 bits) or every field (16 bits, red blended from its top four bits) (new × m + old ×
// (255 − m)) shr 8.
inline uint32_t PackedMaskRule(int depth, uint32_t a, uint32_t b, uint32_t m) {
  if (m == 0) return a;
  if (m == 255) return b;
  auto mix = [m](uint32_t va, uint32_t vb) { return (vb * m + va * (255 - m)) >> 8; };
  if (depth == 32) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= mix(a >> k & 0xFF, b >> k & 0xFF) << k;
    return out;
  }
  const int redShift = depth == 16 ? 11 : 10, greenMax = depth == 16 ? 63 : 31;
  const uint32_t blue = mix(a & 31, b & 31), green = mix(a >> 5 & greenMax, b >> 5 & greenMax);
  const uint32_t red = mix((a >> redShift & 31) >> 1, (b >> redShift & 31) >> 1) << 1;
  return blue | green << 5 | red << redShift;
}

// The field masks of a depth (8 bits: the index as one field).
inline std::array<uint32_t, 3> FieldMasks(int depth) {
  switch (depth) {
    case 8: return {0, 0, 0xFF};
    case 15: return {0x7C00, 0x3E0, 0x1F};
    case 16: return {0xF800, 0x7E0, 0x1F};
    default: return {0xFF0000, 0xFF00, 0xFF};
  }
}

// The plain rule (DrawMask's): the colour fields through the surface's masks.
inline uint32_t PlainMaskRule(int depth, uint32_t a, uint32_t b, uint32_t m) {
  if (m == 0) return a;
  if (m == 255) return b;
  uint32_t out = 0;
  for (uint32_t mk : FieldMasks(depth))
    out |= static_cast<uint32_t>(((uint64_t(b & mk) * m + uint64_t(a & mk) * (255 - m)) >> 8) & mk);
  return out;
}

// The raw grey pixel of level k at the depth (the colour tables' entry k).
inline uint32_t Grey(int depth, uint32_t k) {
  const uint32_t g5 = k >> 3, g6 = k >> 2;
  if (depth == 15) return g5 << 10 | g5 << 5 | g5;
  if (depth == 16) return g5 << 11 | g6 << 5 | g5;
  return k << 16 | k << 8 | k;
}

// The saturating fills' rule: the grey added to (taken from) every field, saturating; the
// packed path at 32 bits works on all four bytes.
inline uint32_t LightRule(int depth, uint32_t base, uint32_t grey, bool darkens) {
  auto lane = [darkens](int64_t v, int64_t g, int64_t max) { return std::clamp<int64_t>(darkens ? v - g : v + g, 0, max); };
  uint32_t out = 0;
  if (depth == 32 && UseMMX) {
    for (int k = 0; k < 32; k += 8) out |= uint32_t(lane(base >> k & 0xFF, grey >> k & 0xFF, 255)) << k;
    return out;
  }
  for (uint32_t mk : FieldMasks(depth)) out |= uint32_t(lane(base & mk, grey & mk, mk));
  return out;
}

inline bool PackedPath(int depth) { return UseMMX && (depth == 15 || depth == 16 || depth == 32); }

inline uint32_t MaskRule(int depth, uint32_t a, uint32_t b, uint32_t m) {
  return PackedPath(depth) ? PackedMaskRule(depth, a, b, m) : PlainMaskRule(depth, a, b, m);
}

// DrawAlpha's rule: an equal pixel stays; the packed path blends every byte (32 bits) or every
// field (16 bits), the plain path the colour fields.
inline uint32_t AlphaRule(int depth, uint32_t d, uint32_t s, uint32_t w) {
  if (s == d) return d;
  auto mix = [w](uint32_t vd, uint32_t vs) { return (vs * w + vd * (255 - w)) >> 8; };
  if (PackedPath(depth) && depth == 32) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= mix(d >> k & 0xFF, s >> k & 0xFF) << k;
    return out;
  }
  uint32_t out = 0;
  for (uint32_t mk : FieldMasks(depth)) out |= static_cast<uint32_t>((uint64_t(s & mk) * w + uint64_t(d & mk) * (255 - w)) >> 8 & mk);
  return out;
}

// ---- Frames ----

// The first pixel of the picture that differs from the expectation (none: a pixel that is
// not checked), or "" when all agree.
inline std::string FirstDifference(TCustomDIBX& picture, const std::function<std::optional<uint32_t>(int, int)>& expected,
                                   int width = -1, int height = -1) {
  if (width < 0) width = picture.GetWidth();
  if (height < 0) height = picture.GetHeight();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::optional<uint32_t> want = expected(x, y);
      if (!want) continue;
      const uint32_t got = picture.GetPixel(x, y);
      if (got != *want) {
        std::ostringstream s;
        s << "pixel (" << x << ", " << y << "): 0x" << std::hex << got << ", expected 0x" << *want;
        return s.str();
      }
    }
  return "";
}

inline std::string DifferenceFrom(TCustomDIBX& picture, TCustomDIBX& other) {
  return FirstDifference(picture, [&](int x, int y) { return std::optional<uint32_t>(other.GetPixel(x, y)); });
}

// ---- Classes ----

// Mask images by name: a picture per name, a name whose load raises, the names asked for.
class FakeMaskImages : public TMaskImages {
 public:
  std::unique_ptr<TDIB> FirstFrame(std::string_view name) override {
    Asked.emplace_back(name);
    if (name == Broken) throw std::runtime_error("unreadable mask image");
    auto it = Pictures.find(std::string(name));
    if (it == Pictures.end()) return nullptr;
    auto copy = std::make_unique<TDIB>();
    copy->Assign(it->second.get());
    return copy;
  }
  // A grey picture at 24 bits from rows of grey levels.
  void AddGrey(const std::string& name, const std::vector<std::vector<int>>& rows) {
    auto picture = std::make_unique<TDIB>();
    picture->SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24);
    for (size_t y = 0; y < rows.size(); ++y)
      for (size_t x = 0; x < rows[y].size(); ++x) {
        const uint32_t v = static_cast<uint32_t>(rows[y][x]);
        picture->SetPixel(static_cast<int>(x), static_cast<int>(y), v << 16 | v << 8 | v);
      }
    Pictures[name] = std::move(picture);
  }
  std::map<std::string, std::unique_ptr<TDIB>> Pictures;
  std::string Broken = "broken.vsk";
  std::vector<std::string> Asked;
};

// Registers the classes with a double of the mask images for the test.
class WipeClassesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterWipeClasses(&Images); }
  void TearDown() override { RegisterWipeClasses(nullptr); }

  // A prepared transition at a position, as its callers make it.
  std::unique_ptr<TCustomWipe> Make(int number, Frames& f, int32_t duration, bool reverse = false,
                                    std::optional<int32_t> param0 = {}, std::optional<int32_t> param1 = {},
                                    const std::string& mask = {}) {
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(number, &f.Dest, &f.A, &f.B);
    if (!wipe) return nullptr;
    wipe->Duration = duration;
    wipe->SetReverse(reverse);
    if (param0) wipe->SetParam(0, *param0);
    if (param1) wipe->SetParam(1, *param1);
    if (!mask.empty()) wipe->SetMaskName(mask);
    wipe->Prepare();
    return wipe;
  }

  FakeMaskImages Images;
};

// The depths and paths every golden table runs: the screen depths with and without the packed
// arithmetic, and 24 bits (always plain).
struct DepthPath {
  int Depth;
  bool Packed;
};
inline constexpr DepthPath kDepthPaths[] = {{15, true}, {15, false}, {16, true}, {16, false},
                                            {32, true}, {32, false}, {24, true}};

inline std::string Describe(const DepthPath& dp) {
  return std::to_string(dp.Depth) + (dp.Packed ? " packed" : " plain");
}

// Parameters a caller sets after the factory's defaults (none: the default).
struct ParamCase {
  std::optional<int32_t> P0, P1;
};

// One step of a transition made fresh for it, as the golden tables see it.
struct StepCase {
  const DepthPath& Path;
  Frames& F;
  TCustomWipe& Wipe;
  int32_t P0, P1;  // as the class stored them, before Prepare
  bool Reverse;
  int32_t Position;
  bool Done;  // what the step answered
  std::string Where;
};

// For every depth and path (the colour tables made for it), parameter case, direction and
// position: a fresh transition made as its callers make it (beforeCreate runs first), stepped
// once over the sentinel picture under a small clip; the step frame is checked, then check runs.
inline void ForEachStep(int number, int width, int height, int32_t duration, const std::vector<ParamCase>& cases,
                        const std::vector<int32_t>& positions, const std::function<void(StepCase&)>& check,
                        const std::function<void()>& beforeCreate = {}) {
  for (const DepthPath& dp : kDepthPaths) {
    PackedScope packed(dp.Packed);
    SetupColorTables(dp.Depth == 24 ? 32 : dp.Depth);
    Frames f(width, height, dp.Depth);
    for (const ParamCase& c : cases)
      for (bool reverse : {false, true})
        for (int32_t position : positions) {
          if (beforeCreate) beforeCreate();
          std::unique_ptr<TCustomWipe> wipe = CreateWipe(number, &f.Dest, &f.A, &f.B);
          ASSERT_TRUE(wipe) << number;
          wipe->Duration = duration;
          wipe->SetReverse(reverse);
          if (c.P0) wipe->SetParam(0, *c.P0);
          if (c.P1) wipe->SetParam(1, *c.P1);
          const int32_t p0 = wipe->GetParam(0), p1 = wipe->GetParam(1);
          wipe->Prepare();
          wipe->Position = position;
          f.ResetDest();
          const bool done = wipe->Step();
          StepCase step{dp, f, *wipe, p0, p1, reverse, position, done,
                        "WP " + std::to_string(number) + " at " + Describe(dp) + ", params " + std::to_string(p0) + "/" +
                            std::to_string(p1) + (reverse ? " reversed" : "") + ", position " + std::to_string(position)};
          EXPECT_EQ(wipe->ChangedRect, (TRect{0, 0, width, height})) << step.Where;
          EXPECT_EQ(done, position >= duration) << step.Where;
          check(step);
        }
  }
  SetupColorTables(15);
}

}  // namespace orva::wipe_test

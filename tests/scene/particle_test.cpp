// Particles with a seeded generator: each motion's places against a reference worked out in
// long doubles, one step at a time or several at once; births by the interval and the appear
// expressions or the area a film hands over; the emitter's states, its duration and its end;
// the cap on living sprites; NaN parameters from a save; SOURCE freeing the sprites; the
// creating command's expressions; and the stored form.
#include "scene/particle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <set>

#include "core/frame_clock.h"
#include "core/random.h"
#include "kit/film_doubles.h"
#include "kit/interpreter_doubles.h"
#include "kit/page_builder.h"
#include "kit/scene_builder.h"
#include "image_test_kit.h"
#include "script/call_manager.h"
#include "scene/box.h"
#include "scene/geometry.h"
#include "script/param_collection.h"

namespace orva {
namespace {

using scene_test::ImageFixture;
constexpr long double kPi = std::numbers::pi_v<long double>;

std::unique_ptr<TOrvaParser> Compiled(std::string_view text) {
  auto expr = std::make_unique<TOrvaParser>();
  if (text.empty()) return expr;
  TMemoryStream stream(kit::Expr(text));
  expr->LoadFromStream(stream);
  return expr;
}

class Particles : public ImageFixture {
 protected:
  void SetUp() override {
    ImageFixture::SetUp();
    SetSceneVariables(&vars);
    // 4 × 4 sprites: their offset is (2, 2).
    AddPicture("dot.vsk", {{.Width = 4, .Height = 4, .Colour = 0xFFFFFF}});
  }
  void TearDown() override {
    SetSceneVariables(nullptr);
    ImageFixture::TearDown();
  }
  // An emitter over the whole layer whose sprites appear at (x, y) every `interval` ms.
  TOrvaParticle* Emitter(uint8_t motion, std::array<long double, 3> params, std::string_view interval = "1000000",
                         std::string_view x = "100", std::string_view y = "50", std::string_view name = "e") {
    auto* emitter = CreateSceneObject<TOrvaParticle>(Scene());
    emitter->SetName(name);
    emitter->SetParent(Scene().ActiveLayer());
    emitter->SetBounds(0, 0, 640, 480);
    emitter->SetSource("dot.vsk");
    emitter->SetPartMotion(motion);
    for (int i = 0; i < 3; ++i) emitter->SetParam(i, params[size_t(i)]);
    emitter->AssignExpression(PR_DELAY, *Compiled(interval));
    emitter->AssignExpression(PR_APPEARX, *Compiled(x));
    emitter->AssignExpression(PR_APPEARY, *Compiled(y));
    return emitter;
  }
  void Frame(int32_t ms, int frames = 1) {
    FrameDelta = ms;
    for (int i = 0; i < frames; ++i) Scene().Idle();
  }
  bool Exists(std::string_view name) { return Scene().FindObject(name) != nullptr; }

  kit::FrameScope frameScope;
  TParamCollection vars;
};

// Where a sprite born at (100, 50) stands after each call of its motion with n steps, worked
// out from the rules in long doubles; the random draws are taken in the sprite's order.
struct Reference {
  uint8_t motion;
  std::array<long double, 3> p;
  long double x = 0, y = 0, sway = 0, speed = 0, angle = 0, radius = 0;
  int32_t left = 100, top = 50, zoom = 256, priorityOffset = 0;

  static int32_t Round(long double v) { return static_cast<int32_t>(std::nearbyint(v)); }
  static int32_t Trunc(long double v) { return static_cast<int32_t>(std::trunc(v)); }
  static long double Draw() { return RuntimeRandomFloat(); }

  void Start() {
    switch (motion) {
      case PM_SNOW:
        if (p[2] > p[1]) sway = Draw() * (p[2] - p[1]);
        speed = Draw() * 0.02L + 0.02L;
        if (p[0] <= 0) p[0] = 0.1L;
        break;
      case PM_STAR:
        angle = Draw() * kPi * 2;
        radius = p[0] + 0.1L;
        left = Round(std::cos(angle) * radius) + 100;
        top = Round(std::sin(angle) * radius) + 50;
        p[2] = Draw() * (p[2] * 0.3L) + p[2] * 0.7L;
        break;
      case PM_FLUFF:
        p[1] = Draw() * (p[2] - p[1]) + p[1];
        x = 100;
        break;
      case PM_TWISTER:
        y = 50;
        sway = Draw() * (p[1] / 2 * 0.05L) + p[1] / 2 * 0.95L;
        speed = Draw() * (p[2] * 0.5L) + p[2] * 0.5L;
        break;
    }
  }
  void Step(int n) {
    switch (motion) {
      case PM_SNOW:
        angle += speed * n;
        left = Round(std::sin(angle) * (p[1] + sway)) + 100;
        y += p[0] * n;
        if (y >= 1) {
          top += Trunc(y);
          y -= std::trunc(y);
        }
        break;
      case PM_STAR:
        radius *= std::pow(p[1], n - 1);
        left = Round(std::cos(angle) * radius) + 100;
        top = Round(std::sin(angle) * radius) + 50;
        radius *= p[1];
        angle += p[2];
        break;
      case PM_FLUFF:
        x += p[1] * n;
        y += n;
        left = Trunc(x);
        top = 50 - Trunc(p[0] * y * y);
        break;
      case PM_TWISTER: {
        angle += speed * n;
        if (angle > 2 * kPi) angle -= 2 * kPi;
        const long double z = std::fabs(std::cos(angle / 2)) * 0.5L + 0.5L;
        zoom = Round(z * 256);
        left = Trunc(std::sin(angle) * sway * z) + 100;
        y -= p[0];
        top = Trunc(y);
        priorityOffset = Round((z - 0.5L) / 0.5L * 2000 - 1000);
        break;
      }
    }
  }
};

TEST_F(Particles, EachMotionMovesASpriteByItsRuleOneStepOrSeveralAtOnce) {
  struct Case {
    uint8_t motion;
    std::array<long double, 3> params;
  } cases[] = {
      {PM_SNOW, {0.35L, 20, 30}},     {PM_SNOW, {-1, 12, 5}},          {PM_STAR, {5, 1.05L, 0.1L}},
      {PM_STAR, {3, 0.97L, -0.4L}},   {PM_FLUFF, {0.005L, 1, 3}},      {PM_FLUFF, {0.004L, -1, -0.5L}},
      {PM_TWISTER, {1.5L, 40, 0.2L}}, {PM_TWISTER, {0.25L, 90, 0.9L}},
  };
  for (const Case& c : cases) {
    for (int32_t ms : {16, 48, 200}) {
      SeedRuntimeRandom(1234);
      TOrvaParticle* emitter = Emitter(c.motion, c.params);
      Frame(ms);
      ASSERT_EQ(emitter->Sprites().size(), 1u);
      TOrvaParticleImages* sprite = emitter->Sprites()[0];
      EXPECT_EQ(sprite->GetOffsetX(), 2);
      EXPECT_EQ(sprite->GetIgnoreMouse(), IM_ALL);
      SeedRuntimeRandom(1234);
      Reference ref{c.motion, c.params};
      ref.Start();
      int32_t remainder = 0, steps = 0;
      for (int frame = 1; frame <= 6; ++frame) {
        Frame(ms);
        // 200 ms frames carry 8 ms: 12 steps, then 13.
        remainder += ms;
        ref.Step(remainder / 16);
        steps += remainder / 16;
        remainder %= 16;
        const std::string at = "motion " + std::to_string(c.motion) + " p2 " + std::to_string(double(c.params[1])) +
                               " every " + std::to_string(ms) + " ms, frame " + std::to_string(frame);
        ASSERT_EQ(emitter->Sprites().size(), 1u) << at;
        ASSERT_EQ(sprite->GetLeft(), ref.left) << at;
        ASSERT_EQ(sprite->GetTop(), ref.top) << at;
        if (c.motion == PM_TWISTER) {
          ASSERT_EQ(sprite->GetZoomX(), ref.zoom) << at;
          ASSERT_EQ(sprite->GetPriorityOffset(), ref.priorityOffset) << at;
        }
      }
      EXPECT_EQ(sprite->Clock(), steps * 16);
      emitter->FreeNow();
    }
  }
}

TEST_F(Particles, TwistersStandInFrontOrBehindByTheirTurn) {
  SeedRuntimeRandom(3);
  TOrvaParticle* emitter = Emitter(PM_TWISTER, {0.5L, 60, 0.3L}, "16");
  Frame(16, 12);
  ASSERT_GE(emitter->Sprites().size(), 10u);
  std::set<int32_t> offsets;
  for (TOrvaParticleImages* sprite : emitter->Sprites()) offsets.insert(sprite->GetPriorityOffset());
  EXPECT_GT(offsets.size(), 3u);
  // The emitter's children in z-order after every update: behind first.
  const std::vector<TOrvaControl*>& children = emitter->Children();
  EXPECT_TRUE(std::is_sorted(children.begin(), children.end(), [](TOrvaControl* a, TOrvaControl* b) {
    return TOrvaControl::ComparePriority(a, b) < 0;
  }));
  EXPECT_LE(children.front()->GetPriorityOffset(), children.back()->GetPriorityOffset());
}

// The emitter's place is worked out once while its sprites step and paint: a move, a
// hiding or a move of its own parent between frames shows at the next frame, in the sprites'
// places and in the picture.
TEST_F(Particles, SpritesFollowTheirEmitterMovedOrHiddenBetweenFrames) {
  auto* holder = CreateSceneObject<TOrvaBox>(Scene());
  holder->SetParent(Scene().ActiveLayer());
  holder->SetBounds(0, 0, 640, 480);
  holder->SetColor(-1);
  TOrvaParticle* emitter = Emitter(PM_SNOW, {1e-6L, 0, 0});
  emitter->SetParent(holder);
  Frame(16);
  TOrvaParticleImages* sprite = emitter->Sprites().at(0);
  struct Move {
    int32_t holderLeft, emitterLeft, emitterTop;
  } moves[] = {{0, 0, 0}, {0, 30, 7}, {-12, 30, 7}, {5, -40, 20}};
  for (const Move& m : moves) {
    holder->SetLeft(m.holderLeft);
    emitter->SetLeft(m.emitterLeft);
    emitter->SetTop(m.emitterTop);
    Frame(16);
    PaintScene();
    const int32_t x = m.holderLeft + m.emitterLeft + sprite->GetLeft() - 2, y = m.emitterTop + sprite->GetTop() - 2;
    EXPECT_EQ(sprite->GetScreenLeft(), x);
    EXPECT_EQ(sprite->GetScreenTop(), y);
    EXPECT_EQ(Pixel(x + 1, y + 1), 0xFFFFFFu) << "emitter at " << m.emitterLeft << ", holder at " << m.holderLeft;
  }
  const int32_t x = sprite->GetScreenLeft(), y = sprite->GetScreenTop();
  emitter->SetVisible(false);
  Frame(16);
  PaintScene();
  EXPECT_FALSE(sprite->IsEffectivelyVisible());
  EXPECT_NE(Pixel(x + 1, y + 1), 0xFFFFFFu);
}

TEST_F(Particles, AFrameOf200MillisecondsGivesTwelveStepsAndCarriesEight) {
  TOrvaParticle* emitter = Emitter(PM_SNOW, {0.1L, 0, 0});
  Frame(16);
  TOrvaParticleImages* sprite = emitter->Sprites().at(0);
  Frame(200);
  EXPECT_EQ(sprite->Clock(), 192);
  Frame(8);
  EXPECT_EQ(sprite->Clock(), 208) << "8 carried and 8 more make a step";
  // Snow with P1 = 0 falls a tenth of a pixel per step.
  TOrvaParticle* slow = Emitter(PM_SNOW, {0, 0, 0}, "1000000", "100", "50", "slow");
  Frame(0);
  TOrvaParticleImages* flake = slow->Sprites().at(0);
  EXPECT_EQ(flake->GetParam(0), 0.1L);
  Frame(16, 25);
  EXPECT_EQ(flake->GetTop(), 52);
}

TEST_F(Particles, TheIntervalSetsTheBirthsAndOneBelowThreeIsTwo) {
  struct Case {
    const char* interval;
    size_t afterTwoFrames;
  } cases[] = {
      // One at the first update (no time has passed), then 16 ms of births.
      {"0", 9}, {"1", 9}, {"2", 9}, {"0 - 50", 9}, {"3", 6}, {"16", 2}, {"40", 1},
      // Without an interval expression a sprite every 16 ms.
      {"", 2},
      // A float far beyond the range saturates instead of failing.
      {"1.0E30", 1},
  };
  for (const Case& c : cases) {
    TOrvaParticle* emitter = Emitter(PM_SNOW, {0.1L, 0, 0}, c.interval);
    Frame(0);
    Frame(16);
    EXPECT_EQ(emitter->Sprites().size(), c.afterTwoFrames) << c.interval;
    emitter->FreeNow();
  }
}

TEST_F(Particles, TheAppearExpressionsAreEvaluatedForEverySprite) {
  vars.AddVariable(PT_INT).SetName("px");
  // Every 32 ms, and frames of 32 ms: one sprite each.
  TOrvaParticle* emitter = Emitter(PM_FLUFF, {0, 0, 0}, "32", "px * 10", "px + 300");
  for (int32_t px : {1, 2, 3}) {
    vars.Find("px")->SetAsInteger(px);
    Frame(px == 1 ? 0 : 32);
  }
  ASSERT_EQ(emitter->Sprites().size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(emitter->Sprites()[i]->GetLeft(), int32_t(i + 1) * 10);
    EXPECT_EQ(emitter->Sprites()[i]->GetTop(), int32_t(i) + 301);
  }
  // A film's area replaces the expressions: a place in it and an interval in its range.
  emitter->SetParticleParam({.AppearX = 500, .AppearY = 400, .AppearWidth = 20, .AppearHeight = 1,
                             .IntervalLow = 32, .IntervalRange = 1});
  Frame(32);
  ASSERT_EQ(emitter->Sprites().size(), 4u);
  EXPECT_GE(emitter->Sprites()[3]->GetLeft(), 500);
  EXPECT_LT(emitter->Sprites()[3]->GetLeft(), 520);
  EXPECT_EQ(emitter->Sprites()[3]->GetTop(), 400);
  // An empty area and range draw nothing: random(k) of k below 1 is 0.
  emitter->SetParticleParam({.AppearX = 7, .AppearY = 8, .IntervalLow = 32});
  Frame(32);
  ASSERT_EQ(emitter->Sprites().size(), 5u);
  EXPECT_EQ(emitter->Sprites()[4]->GetLeft(), 7);
  EXPECT_EQ(emitter->Sprites()[4]->GetTop(), 8);
}

TEST_F(Particles, StillEmittersRunStarsThatDoNotGrowDieOnlyBeyondTheirLimit) {
  TOrvaParticle* still = Emitter(PM_NONE, {1, 1, 1}, "2");
  still->SetDuration(0);
  Frame(16, 50);
  EXPECT_TRUE(still->Sprites().empty());
  EXPECT_EQ(still->State(), 1);
  EXPECT_TRUE(Exists("e"));
  still->FreeNow();

  // P2 = 1: the radius stays P1 + 0.1. From (100, 50) the farthest corner is (640, 480),
  // 690.6 away.
  for (const auto [p1, dies] : {std::pair{10.0L, false}, std::pair{690.0L, false}, std::pair{691.0L, true}}) {
    TOrvaParticle* stars = Emitter(PM_STAR, {p1, 1, 0.3L});
    Frame(16);
    ASSERT_EQ(stars->Sprites().size(), 1u);
    TOrvaParticleImages* star = stars->Sprites()[0];
    Frame(16, 3);
    EXPECT_EQ(stars->Sprites().empty(), dies) << double(p1);
    if (!dies) EXPECT_FALSE(star->IsDead());
    stars->FreeNow();
  }
}

TEST_F(Particles, AnEmitterStopsAfterItsDurationAndGoesWithItsLastSprite) {
  // Flakes that fall 60 px a step leave the 480 px area in 8 steps.
  TOrvaParticle* emitter = Emitter(PM_SNOW, {60, 0, 0}, "100");
  emitter->SetDuration(1000);
  EXPECT_TRUE(emitter->GetPlaying());
  size_t draining = MaxParticleSprites;
  int frame = 0;
  for (; frame < 200; ++frame) {
    Frame(16);
    if (!Exists("e")) break;
    if (frame == 62) EXPECT_EQ(emitter->State(), 1) << "992 ms";
    if (frame == 63) EXPECT_EQ(emitter->State(), 2) << "1008 ms";
    if (emitter->State() != 2) continue;
    EXPECT_LE(emitter->Sprites().size(), draining) << "no births while draining";
    draining = emitter->Sprites().size();
  }
  EXPECT_FALSE(Exists("e"));
  EXPECT_GT(frame, 63);
  EXPECT_LT(frame, 63 + 12);
  // Every sprite went with it.
  for (int i = 0; i < Scene().GetItemCount(); ++i) EXPECT_EQ(Scene().GetItem(i)->GetName().find('\x01'), std::string::npos);
}

TEST_F(Particles, AnEmitterKeepsAtMostTenThousandSprites) {
  // A huge pre-run with births every 2 ms would make a billion sprites in its first update.
  // Flakes that hardly move, so that all of them live through the first update.
  TOrvaParticle* emitter = Emitter(PM_SNOW, {1e-12L, 0, 0}, "0");
  emitter->SetIndex(INT32_MAX);
  Frame(16);
  EXPECT_EQ(emitter->Sprites().size(), MaxParticleSprites);
  EXPECT_EQ(emitter->Countdown(), 0);
  Frame(16);
  EXPECT_EQ(emitter->Sprites().size(), MaxParticleSprites);
  // Their names are internal and numbered after the emitter's.
  EXPECT_EQ(emitter->Sprites()[0]->GetName(), "\x01" "e\x01" "0");
}

TEST_F(Particles, ANewSourceOrMotionStartsAgainAndTheSpritesGoAtOnce) {
  TOrvaParticle* emitter = Emitter(PM_SNOW, {0.1L, 0, 0}, "16");
  Frame(16, 5);
  ASSERT_EQ(emitter->Sprites().size(), 5u);
  const int before = Scene().GetItemCount();
  emitter->SetSource("dot.vsk");
  EXPECT_EQ(emitter->Sprites().size(), 5u) << "the same name changes nothing";
  AddPicture("big.vsk", {{.Width = 10, .Height = 8}});
  emitter->SetSource("BIG.VSK");
  EXPECT_TRUE(emitter->Sprites().empty());
  EXPECT_EQ(Scene().GetItemCount(), before - 5);
  EXPECT_EQ(emitter->State(), 0);
  Frame(16);
  EXPECT_EQ(emitter->Sprites().at(0)->GetWidth(), 10);
  EXPECT_EQ(emitter->Sprites().at(0)->GetOffsetY(), 4);
  emitter->SetPartMotion(PM_SNOW);
  EXPECT_EQ(emitter->State(), 1);
  emitter->SetPartMotion(PM_FLUFF);
  EXPECT_EQ(emitter->State(), 0);
  // Freeing the emitter frees its sprites first.
  emitter->FreeNow();
  EXPECT_EQ(Scene().GetItemCount(), before - 6);
}

TEST_F(Particles, NaNParametersFromASaveNeitherFailNorMoveSprites) {
  for (uint8_t motion : {PM_SNOW, PM_STAR, PM_FLUFF, PM_TWISTER}) {
    kit::ControlRecord record{.Type = LT_PARTICLE, .Name = "nan", .Width = 640, .Height = 480};
    TMemoryStream fields;
    const TOrvaParser none;
    for (int i = 0; i < 3; ++i) none.SaveToStream(fields);
    WriteStreamString(fields, "dot.vsk");
    WriteStreamByte(fields, motion);
    for (int i = 0; i < 3; ++i) WriteStreamExtended(fields, std::numeric_limits<long double>::quiet_NaN());
    for (int32_t v : {255, 100}) WriteStreamInt(fields, v);
    WriteStreamString(fields, "");
    WriteStreamBool(fields, false);
    WriteStreamInt(fields, 0);
    record.Extra = std::string(fields.View());
    kit::SceneRecord scene;
    scene.Layers[0].Children.push_back(record);
    kit::SceneBuilder builder(GameSaveVersion);
    builder.Scene(scene);
    Scene().LoadFromStream(builder.Done(), GameSaveVersion);
    auto* emitter = dynamic_cast<TOrvaParticle*>(Scene().FindObject("nan"));
    ASSERT_NE(emitter, nullptr);
    EXPECT_TRUE(std::isnan(emitter->GetParam(1)));
    EXPECT_EQ(emitter->GetIndex(), 100);
    Frame(16, 20);
    for (TOrvaParticleImages* sprite : emitter->Sprites()) {
      EXPECT_GE(sprite->GetLeft(), -2);
      EXPECT_LE(sprite->GetLeft(), 0);
    }
    Repaint();
  }
}

TEST_F(Particles, TheStoredFormKeepsTheEmitterButNotItsSprites) {
  TOrvaParticle* emitter = Emitter(PM_TWISTER, {1.5L, 40, 0.2L}, "30", "320", "400");
  emitter->SetAlpha(200);
  emitter->SetIndex(500);
  emitter->SetDuration(3000);
  emitter->SetOnIdle("idle.osb");
  Frame(16, 3);
  ASSERT_FALSE(emitter->Sprites().empty());
  TMemoryStream first;
  Scene().SaveToStream(first);
  first.SetPosition(0);
  Scene().LoadFromStream(first, GameSaveVersion);
  auto* loaded = dynamic_cast<TOrvaParticle*>(Scene().FindObject("e"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(loaded->Sprites().empty());
  EXPECT_EQ(loaded->State(), 0) << "it starts again with its pre-run";
  EXPECT_EQ(loaded->GetSource(), "dot.vsk");
  EXPECT_EQ(loaded->GetPartMotion(), PM_TWISTER);
  EXPECT_EQ(loaded->GetParam(2), 0.2L);
  EXPECT_EQ(loaded->GetAlpha(), 200);
  EXPECT_EQ(loaded->GetIndex(), 500);
  EXPECT_EQ(loaded->GetDuration(), 2968) << "two updates counted it down";
  EXPECT_EQ(loaded->GetOnIdle(), "idle.osb");
  TMemoryStream second;
  Scene().SaveToStream(second);
  EXPECT_EQ(first.View(), second.View());
  // The pre-run of 500 ms: 31 steps at once, a birth every 30 ms, the first of them left with
  // 466 ms to make up.
  Frame(16);
  EXPECT_EQ(loaded->Sprites().size(), 17u);
  EXPECT_EQ(loaded->Sprites()[0]->GetAlpha(), 200);
  EXPECT_EQ(loaded->Sprites()[0]->Clock(), 29 * 16);
}

TEST_F(Particles, ParticleNewGivesTheEmitterItsOwnCopiesOfTheExpressions) {
  TCallMan man{vars};
  kit::ResultProvider results{man};
  man.SetScene(&Scene().Link());
  vars.SetSystemVariables(&results);
  vars.AddVariable(PT_INT).SetName("px");
  kit::PageBuilder page;
  page.Calc("px = 7")
      .Component(TCommandCode::ParticleNew, {{PR_NAME, "\"p\""},
                                             {PR_SOURCE, "\"dot.vsk\""},
                                             {PR_PARTMOTION, std::to_string(PM_FLUFF)},
                                             {PR_WIDTH, "640"},
                                             {PR_HEIGHT, "480"},
                                             {PR_APPEARX, "px * 2"},
                                             {PR_APPEARY, "px + 1"},
                                             {PR_DELAY, "32"}});
  files.Add("start.osb", page);
  man.Start("start.osb");
  kit::RunFrame(man);
  auto* emitter = dynamic_cast<TOrvaParticle*>(Scene().FindObject("p"));
  ASSERT_NE(emitter, nullptr);
  Frame(0);
  vars.Find("px")->SetAsInteger(20);
  Frame(32);
  ASSERT_EQ(emitter->Sprites().size(), 2u);
  EXPECT_EQ(emitter->Sprites()[0]->GetLeft(), 14);
  EXPECT_EQ(emitter->Sprites()[0]->GetTop(), 8);
  EXPECT_EQ(emitter->Sprites()[1]->GetLeft(), 40);
  EXPECT_EQ(emitter->Sprites()[1]->GetTop(), 21);
  man.SetScene(nullptr);
}


uint64_t Hashed(uint64_t h, const void* data, size_t size) {
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 0x100000001B3ull;
  return h;
}

// Every motion on a soft-masked sprite at 32 and 16 bits, with the layer left unfilled so
// that what each frame repaints shows: the back buffer, each sprite's place, zoom and
// stacking offset and the order of the emitter's children, hashed after painted frames. The
// hashes were taken before the per-sprite work was made faster (they rest on the long
// double sines of the C library).
TEST_F(Particles, FramesOfEveryMotionStayAsTheyWere) {
  files.Add("ball.vsk", kit::SoftBallVask(12));
  struct Case {
    uint8_t motion;
    std::array<long double, 3> params;
    uint32_t seed;
    int bits, alpha;
    uint64_t hash;
  } cases[] = {
      {PM_SNOW, {0.5L, 20, 40}, 1, 32, 255, 0x4B6744F359FE3E27ull},
      {PM_SNOW, {0.3L, 10, 5}, 2, 16, 200, 0x30F15C9CEA6890BEull},
      {PM_STAR, {5, 1.05L, 0.1L}, 3, 32, 255, 0x199D1374AC1A0BDFull},
      {PM_STAR, {2, 1.1L, -0.2L}, 4, 16, 255, 0x93D7CFAABCF07EB6ull},
      {PM_FLUFF, {0.01L, -1, 2}, 5, 32, 180, 0x42C66DF8B43F6EFBull},
      {PM_FLUFF, {0.002L, 1, 3}, 6, 16, 255, 0x4A13AF53B3EA6983ull},
      {PM_TWISTER, {0.5L, 100, 0.05L}, 7, 32, 255, 0xE1143389E202A4BDull},
      {PM_TWISTER, {1, 60, 0.2L}, 8, 16, 128, 0xE2A76A8FFE4A3C6Cull},
  };
  for (const Case& c : cases) {
    UseDepth(c.bits);
    Scene().ActiveLayer()->SetColor(-1);
    BackBuffer().Fill(0);
    SeedRuntimeRandom(c.seed);
    auto* emitter = CreateSceneObject<TOrvaParticle>(Scene());
    emitter->SetParent(Scene().ActiveLayer());
    emitter->SetBounds(0, 0, 640, 480);
    emitter->SetSource("ball.vsk");
    emitter->SetPartMotion(c.motion);
    emitter->SetAlpha(c.alpha);
    for (int i = 0; i < 3; ++i) emitter->SetParam(i, c.params[size_t(i)]);
    emitter->SetIndex(1500);
    emitter->SetParticleParam({.AppearX = 100, .AppearY = 150, .AppearWidth = 440, .AppearHeight = 250,
                               .IntervalLow = 15, .IntervalRange = 20});
    uint64_t h = 0xCBF29CE484222325ull;
    for (int frame = 0; frame < 40; ++frame) {
      Frame(frame % 5 == 4 ? 50 : 16);
      PaintScene();
      for (TOrvaControl* child : emitter->Children()) {
        const int32_t state[] = {child->GetLeft(), child->GetTop(), child->GetZoomX(), child->GetPriorityOffset()};
        h = Hashed(h, state, sizeof state);
      }
      if (frame % 8 != 7) continue;
      TDIBX& back = BackBuffer();
      for (int y = 0; y < back.GetHeight(); ++y) {
        h = Hashed(h, back.Lock(0, y), size_t(back.GetWidth()) * (c.bits / 8));
        back.Unlock();
      }
    }
    EXPECT_EQ(h, c.hash) << "motion " << int(c.motion) << ", seed " << c.seed << ", " << c.bits << " bits, "
                         << emitter->Sprites().size() << " sprites";
    emitter->FreeNow();
    PaintScene();
  }
}

// The double-precision shortcut of the snow and twister rules against the long double
// formulas: values sitting on or a few units beside a rounding boundary (where only the
// fallback can be right), then a sweep over angles and factors of every size.
TEST(ParticleRules, TheShortcutGivesTheLongDoubleIntegersEvenAtRoundingBoundaries) {
  auto snow = [](long double a, long double w) { return SaturatingRound(std::sin(a) * w); };
  auto twister = [](long double a, long double s) {
    const long double z = std::fabs(std::cos(a / 2)) * 0.5L + 0.5L;
    return TTwisterPose{SaturatingRound(z * 256), SaturatingTrunc(std::sin(a) * s * z),
                        SaturatingRound((z - 0.5L) / 0.5L * 2000 - 1000)};
  };
  // A value, its next neighbours and values from 2^-62 to 2^-34 of it away: from where only
  // the long double path can tell to where the double one must.
  auto around = [](long double v) {
    std::vector<long double> out{v, std::nextafter(v, 2 * v), std::nextafter(v, 0.0L)};
    for (int e = 62; e >= 34; e -= 2) {
      out.push_back(v + std::ldexp(v, -e));
      out.push_back(v - std::ldexp(v, -e));
    }
    return out;
  };
  for (long double a : {0.3L, 1.0L, 2.5L, -4.0L, 5.9L, 123.456L, 98765.4321L}) {
    const long double s = std::sin(a);
    // Snow: sin(a) × w on a half.
    for (long double k : {0.0L, 3.0L, -7.0L, 12.0L, 40.0L})
      for (long double w : around((k + 0.5L) / s)) {
        EXPECT_EQ(SnowSway(a, w), snow(a, w)) << "angle " << double(a) << ", width " << double(w);
      }
    // Twister: the sway on an integer.
    const long double z = std::fabs(std::cos(a / 2)) * 0.5L + 0.5L;
    for (long double k : {1.0L, -5.0L, 33.0L})
      for (long double sway : around(k / (s * z))) {
        EXPECT_EQ(TwisterPose(a, sway), twister(a, sway)) << "angle " << double(a) << ", sway " << double(sway);
      }
  }
  // Twister: the zoom and the stacking offset on a half, through the angle that gives it.
  for (long double k : {130.0L, 200.0L, 255.0L}) {
    const long double a = 2 * std::acos((k + 0.5L) / 256 * 2 - 1);
    for (long double angle : around(a)) {
      EXPECT_EQ(TwisterPose(angle, 50), twister(angle, 50)) << "zoom near " << double(k) + 0.5;
    }
  }
  for (long double k : {-1000.0L, -3.0L, 0.0L, 621.0L, 998.0L}) {
    const long double a = 2 * std::acos(((k + 0.5L + 1000) / 2000 * 0.5L + 0.5L) * 2 - 1);
    for (long double angle : around(a)) {
      EXPECT_EQ(TwisterPose(angle, 50), twister(angle, 50)) << "offset near " << double(k) + 0.5;
    }
  }
  // A sweep, with angles large enough for the long double path and factors of no sense.
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int i = 0; i < 50000; ++i) {
    const long double a = unit(random) * std::pow(10.0L, i % 8), f = unit(random) * std::pow(10.0L, i % 11);
    ASSERT_EQ(SnowSway(a, f), snow(a, f)) << double(a) << " " << double(f);
    ASSERT_EQ(TwisterPose(a, f), twister(a, f)) << double(a) << " " << double(f);
  }
  const long double inf = std::numeric_limits<long double>::infinity(), nan = std::nanl("");
  for (long double v : {inf, -inf, nan, 1e300L, 0.0L, -0.0L}) {
    EXPECT_EQ(SnowSway(v, 20), snow(v, 20));
    EXPECT_EQ(SnowSway(1, v), snow(1, v));
    EXPECT_EQ(TwisterPose(v, 20), twister(v, 20));
    EXPECT_EQ(TwisterPose(1, v), twister(1, v));
  }
}

}  // namespace
}  // namespace orva

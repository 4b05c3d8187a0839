#include "scene/particle.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/paths.h"
#include "core/random.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "script/param.h"
#include "script/param_collection.h"

namespace orva {

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

long double Random() { return RuntimeRandomFloat(); }

// cos and sin of one angle through one argument reduction: the values std::cos and std::sin
// give.
void CosSin(long double angle, long double& c, long double& s) {
#if defined(__GLIBC__)
  ::sincosl(angle, &s, &c);
#else
  c = std::cos(angle);
  s = std::sin(angle);
#endif
}

// The integer v rounds to (halves to even) or truncates to, when every value within margin
// of v gives the same one and it lies well inside the int32 range; none otherwise.
bool ClearRound(double v, double margin, int32_t& out) {
  if (!(std::fabs(v) < 2147483000.0)) return false;
  const double r = std::round(v);
  if (!(std::fabs(v - r) < 0.5 - margin)) return false;
  out = static_cast<int32_t>(r);
  return true;
}

bool ClearTrunc(double v, double margin, int32_t& out) {
  if (!(std::fabs(v) < 2147483000.0)) return false;
  const double t = std::trunc(v);
  const double f = std::fabs(v - t);
  if (!(f > margin && f < 1 - margin)) return false;
  out = static_cast<int32_t>(t);
  return true;
}

// The angles the double path takes; beyond them the long double one serves.
constexpr double kMaxFastAngle = 1e6;

// The bound on how far a double evaluation of the rules below lies from the long double one,
// for an angle of size a and factors up to f: the angle's conversion costs a × 2^-53, each
// function and operation a few units of 2^-53 relative to f; 2^-40 leaves a factor of
// thousands to spare.
double Margin(double a, double f) { return (f + 4096) * (a + 8) * 0x1p-40; }

// The same bits: a cached result serves only inputs identical to its own (signed zeros and
// NaNs included).
bool SameBits(long double a, long double b) {
  return std::memcmp(&a, &b, std::numeric_limits<long double>::digits == 64 ? 10 : sizeof a) == 0;
}

// 16 × n milliseconds added to a wrapping 32-bit clock.
int32_t AdvanceClock(int32_t clock, int64_t n) {
  return static_cast<int32_t>(static_cast<uint32_t>(clock) + static_cast<uint32_t>(static_cast<uint64_t>(n) * 16));
}

// An expression's value as an integer: floats beyond the range saturate, NaN is 0.
int32_t IntegerOf(const TCustomParam& value) {
  if (value.GetParamType() == PT_FLOAT) return SaturatingTrunc(value.GetAsFloat());
  try {
    return value.GetAsInteger();
  } catch (const Exception&) {
    return 0;
  }
}

// The value of an expression over the scene's variables, none when it gives none.
const TCustomParam* Evaluate(TOrvaParser& expr) {
  TParamCollection* vars = GetSceneVariables();
  if (!vars || expr.Count() == 0) return nullptr;
  try {
    expr.Evaluate(*vars);
  } catch (const Exception&) {
    return nullptr;
  }
  return expr.Result();
}

}  // namespace

int32_t SnowSway(long double angle, long double width) {
  const double a = static_cast<double>(angle), w = static_cast<double>(width);
  int32_t out;
  if (std::fabs(a) < kMaxFastAngle && ClearRound(std::sin(a) * w, Margin(std::fabs(a), std::fabs(w)), out)) return out;
  return SaturatingRound(std::sin(angle) * width);
}

TTwisterPose TwisterPose(long double angle, long double sway) {
  const double a = static_cast<double>(angle), s = static_cast<double>(sway);
  if (std::fabs(a) < kMaxFastAngle) {
    const double margin = Margin(std::fabs(a), std::fabs(s));
    const double z = std::fabs(std::cos(a / 2)) * 0.5 + 0.5;
    TTwisterPose pose;
    if (ClearRound(z * 256, margin, pose.zoom) && ClearTrunc(std::sin(a) * s * z, margin, pose.sway) &&
        ClearRound((z - 0.5) / 0.5 * 2000 - 1000, margin, pose.priority))
      return pose;
  }
  const long double z = std::fabs(std::cos(angle / 2)) * 0.5L + 0.5L;
  return {SaturatingRound(z * 256), SaturatingTrunc(std::sin(angle) * sway * z),
          SaturatingRound((z - 0.5L) / 0.5L * 2000 - 1000)};
}

// ==== TOrvaMotionParticle ====

TOrvaMotionParticle::~TOrvaMotionParticle() { SetOwner(nullptr); }

bool TOrvaMotionParticle::Step() {
  TOrvaControl* sprite = GetOwner();
  if (!sprite) return false;
  if (clock_ == 0 && film_->RelativePosition) {
    film_->MotionOrigin = {sprite->GetLeft(), sprite->GetTop()};
    film_->PriorityBase = sprite->GetPriority();
  }
  tick_ = SaturatingRound(clock_ / MotionTickMs);
  const int32_t length = film_->GetLength();
  bool finished = false;
  if (tick_ >= length) {
    tick_ = WrapSub(length, 1);
    finished = true;
  }
  film_->SetTime(tick_);
  clock_ = WrapAdd(clock_, FrameDelta);
  return finished;
}

// ==== TOrvaParticleImages ====

TOrvaParticleImages::TOrvaParticleImages(TOrvaBaseList* owner, TOrvaParticle* emitter)
    : TOrvaCustomImages(owner), emitter_(emitter) {}

TOrvaParticleImages::~TOrvaParticleImages() {
  if (emitter_) emitter_->Forget(this);
}

TOrvaImageList* TOrvaParticleImages::GetFrameList() { return emitter_ ? &emitter_->frames_ : nullptr; }

long double TOrvaParticleImages::GetParam(int index) {
  return index >= 0 && index < 3 ? params_[size_t(index)] : 0.0L;
}

void TOrvaParticleImages::SetParam(int index, long double value) {
  if (index >= 0 && index < 3) params_[size_t(index)] = value;
}

TPoint TOrvaParticleImages::ParentSize() {
  TOrvaControl* parent = GetParent();
  return parent ? TPoint{parent->GetWidth(), parent->GetHeight()} : TPoint{};
}

void TOrvaParticleImages::Start(uint8_t motion) {
  motion_ = motion;
  SetOffsetX(GetWidth() / 2);
  SetOffsetY(GetHeight() / 2);
  long double &p1 = params_[0], &p2 = params_[1], &p3 = params_[2];
  switch (motion) {
    case PM_SNOW:
      startX_ = GetLeft();
      startY_ = GetTop();
      sway_ = 0;
      if (p3 > p2) sway_ = Random() * (p3 - p2);
      speed_ = Random() * 0.02L + 0.02L;
      if (p1 <= 0) p1 = 0.1L;
      break;
    case PM_STAR: {
      startX_ = GetLeft();
      startY_ = GetTop();
      angle_ = Random() * kPi * 2;
      radius_ = p1 + 0.1L;
      CosSin(angle_, cos_, sin_);
      turned_ = true;
      SetLeft(WrapAdd(SaturatingRound(cos_ * radius_), startX_));
      SetTop(WrapAdd(SaturatingRound(sin_ * radius_), startY_));
      // As far as the parent's corner farthest from the start.
      const TPoint size = ParentSize();
      const long double targetX = startX_ >= size.X / 2.0L ? 0 : size.X;
      const long double targetY = startY_ >= size.Y / 2.0L ? 0 : size.Y;
      limit_ = std::hypot(std::fabs(targetX - startX_), std::fabs(targetY - startY_));
      p3 = Random() * (p3 * 0.3L) + p3 * 0.7L;
      break;
    }
    case PM_FLUFF:
      p2 = Random() * (p3 - p2) + p2;
      x_ = GetLeft();
      startY_ = GetTop();
      break;
    case PM_TWISTER:
      startX_ = GetLeft();
      y_ = GetTop();
      sway_ = Random() * (p2 / 2 * 0.05L) + p2 / 2 * 0.95L;
      speed_ = Random() * (p3 * 0.5L) + p3 * 0.5L;
      break;
    default:
      break;
  }
}

void TOrvaParticleImages::Step(int64_t n) {
  clock_ = AdvanceClock(clock_, n);
  const long double steps = static_cast<long double>(n);
  const long double p1 = params_[0], p2 = params_[1], p3 = params_[2];
  switch (motion_) {
    case PM_SNOW: {
      angle_ += speed_ * steps;
      SetLeft(WrapAdd(SnowSway(angle_, p2 + sway_), startX_));
      y_ += p1 * steps;
      if (y_ >= 1) {
        const long double k = std::trunc(y_);
        SetTop(WrapAdd(GetTop(), SaturatingTrunc(k)));
        y_ -= k;
      }
      // Fallen out at the bottom.
      if (ParentSize().Y <= OriginY()) dead_ = true;
      break;
    }
    case PM_STAR:
      if (n > 1) radius_ *= emitter_ ? emitter_->Power(p2, steps - 1) : std::pow(p2, steps - 1);
      if (radius_ > 2147483647.0L || radius_ < -2147483647.0L) {
        dead_ = true;
        return;
      }
      // The angle's cos and sin from the start serve the first step.
      if (!turned_) CosSin(angle_, cos_, sin_);
      SetLeft(WrapAdd(SaturatingRound(cos_ * radius_), startX_));
      SetTop(WrapAdd(SaturatingRound(sin_ * radius_), startY_));
      radius_ *= p2;
      if (limit_ <= radius_) dead_ = true;
      // Once per call, whatever n is.
      angle_ += p3;
      turned_ = false;
      break;
    case PM_FLUFF: {
      x_ += p2 * steps;
      SetLeft(SaturatingTrunc(x_));
      y_ += steps;
      SetTop(WrapSub(startY_, SaturatingTrunc(p1 * y_ * y_)));
      const int64_t x = OriginX(), y = OriginY();
      const bool gone = p2 >= 0 ? x >= ParentSize().X : x + GetWidth() < 0;
      if (gone || y + GetHeight() < 0) dead_ = true;
      break;
    }
    case PM_TWISTER: {
      angle_ += speed_ * steps;
      if (angle_ > 2 * kPi) angle_ -= 2 * kPi;
      const TTwisterPose pose = TwisterPose(angle_, sway_);
      SetZoomX(pose.zoom);
      SetZoomY(pose.zoom);
      SetLeft(WrapAdd(pose.sway, startX_));
      // Once per call, whatever n is.
      y_ -= p1;
      SetTop(SaturatingTrunc(y_));
      // From behind (-1000) to in front (+1000) as it turns.
      SetPriorityOffset(pose.priority);
      // Risen out at the top.
      if (OriginY() + GetHeight() < 0) dead_ = true;
      break;
    }
    default:
      dead_ = true;
      break;
  }
}

bool TOrvaParticleImages::Idle() {
  if (!dead_) {
    TOrvaMotionParticle* player = emitter_ ? emitter_->MotionPlayer() : nullptr;
    if (player) {
      player->SetOwner(this);
      player->SetClock(clock_);
      dead_ = player->Step();
    } else {
      dead_ = TOrvaCustomImages::Idle();
    }
  }
  if (!dead_) return false;
  if (emitter_) {
    emitter_->Forget(this);
    emitter_ = nullptr;
  }
  return true;
}

// ==== TOrvaParticle ====

TOrvaParticle::TOrvaParticle(TOrvaBaseList* owner) : TOrvaControl(owner) {}

TOrvaParticle::~TOrvaParticle() { FreeSprites(); }

void TOrvaParticle::Forget(TOrvaParticleImages* sprite) {
  if (player_ && player_->GetOwner() == sprite) player_->SetOwner(nullptr);
  std::erase(sprites_, sprite);
}

void TOrvaParticle::FreeSprites() {
  while (!sprites_.empty()) {
    TOrvaParticleImages* sprite = sprites_.back();
    sprites_.pop_back();
    sprite->Detach();
    sprite->FreeNow();
  }
  if (player_) player_->SetOwner(nullptr);
}

void TOrvaParticle::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  FreeSprites();
  frames_.Clear();
  player_.reset();
  state_ = 0;
  const std::string extension = ExtractFileExt(value);
  if (SameTextAscii(extension, ".vsk")) {
    frames_.LoadFromCache(this, value, false);
  } else if (SameTextAscii(extension, ".omt")) {
    if (std::unique_ptr<TFilmManager> film = CreateFilm()) {
      auto player = std::make_unique<TOrvaMotionParticle>(std::move(film));
      // A film that cannot be read leaves no player behind.
      player->Load(value);
      player_ = std::move(player);
    }
  }
}

void TOrvaParticle::SetPartMotion(uint8_t value) {
  if (value == motion_) return;
  motion_ = value;
  state_ = 0;
}

long double TOrvaParticle::GetParam(int index) { return index >= 0 && index < 3 ? params_[size_t(index)] : 0.0L; }

void TOrvaParticle::SetParam(int index, long double value) {
  if (index >= 0 && index < 3) params_[size_t(index)] = value;
}

void TOrvaParticle::SetAlpha(int32_t value) {
  if (value == alpha_) return;
  alpha_ = value;
  Invalidate();
}

bool TOrvaParticle::GetPlaying() {
  if (paused_ || GetAniPaused()) return false;
  TOrvaMotion* motion = GetMotion();
  return !motion || !motion->IsFinished();
}

void TOrvaParticle::AssignExpression(uint8_t code, const TOrvaParser& expr) {
  switch (code) {
    case PR_APPEARX: appearX_.Assign(expr); break;
    case PR_APPEARY: appearY_.Assign(expr); break;
    case PR_DELAY: interval_.Assign(expr); break;
    default: break;
  }
}

void TOrvaParticle::SetParticleParam(const TOrvaParticleParam& param) { area_ = param; }

long double TOrvaParticle::Power(long double base, long double exponent) {
  if (!power_.known || !SameBits(base, power_.base) || !SameBits(exponent, power_.exponent))
    power_ = {true, base, exponent, std::pow(base, exponent)};
  return power_.value;
}

// ---- Update ----

bool TOrvaParticle::Idle() {
  const bool result = TOrvaControl::Idle();
  if (GetAniPaused()) return result;
  auto steps = [&] {
    const int64_t n = remainder_ / FrameWait;
    remainder_ %= FrameWait;
    return n;
  };
  switch (state_) {
    case 0:
      state_ = 1;
      countdown_ = 0;
      remainder_ = preRun_;
      Update(steps(), true);
      break;
    case 1:
      remainder_ = WrapAdd(remainder_, FrameDelta);
      Update(steps(), true);
      if (duration_ > 0) {
        duration_ = WrapSub(duration_, FrameDelta);
        if (duration_ < 1) state_ = 2;
      }
      break;
    default:
      if (sprites_.empty()) return true;
      remainder_ = WrapAdd(remainder_, FrameDelta);
      Update(steps(), false);
      break;
  }
  return result;
}

void TOrvaParticle::NextPlace(int32_t& x, int32_t& y, int64_t& interval, bool& fixed) {
  fixed = false;
  if (area_) {
    x = WrapAdd(RuntimeRandom(area_->AppearWidth), area_->AppearX);
    y = WrapAdd(RuntimeRandom(area_->AppearHeight), area_->AppearY);
    interval = int64_t{RuntimeRandom(area_->IntervalRange)} + area_->IntervalLow;
    return;
  }
  x = y = 0;
  interval = 0;
  if (interval_.Count() == 0)
    fixed = true;
  else if (const TCustomParam* value = Evaluate(interval_))
    interval = IntegerOf(*value);
  if (const TCustomParam* value = Evaluate(appearX_)) x = IntegerOf(*value);
  if (const TCustomParam* value = Evaluate(appearY_)) y = IntegerOf(*value);
}

TOrvaParticleImages* TOrvaParticle::AddSprite() {
  TOrvaBaseList& scene = *GetOwner();
  auto* sprite = CreateSceneObject<TOrvaParticleImages>(scene, this);
  std::string prefix(1, InternalNameByte);
  prefix += GetName();
  prefix += InternalNameByte;
  sprite->AssignName(scene.MakeUniqueName(prefix));
  sprite->SetIgnoreMouse(IM_ALL);
  sprites_.push_back(sprite);
  return sprite;
}

void TOrvaParticle::SortChildren() {
  if (updating_)
    sortPending_ = true;
  else
    TOrvaControl::SortChildren();
}

TOrvaParticle::THoldPlace::THoldPlace(TOrvaParticle& emitter) : emitter_(emitter), saved_(emitter.held_) {
  if (saved_.on) return;
  THeld& held = emitter_.held_;
  held.visible = emitter_.TOrvaControl::IsEffectivelyVisible();
  held.left = emitter_.TOrvaControl::GetScreenLeft();
  held.top = emitter_.TOrvaControl::GetScreenTop();
  held.client = emitter_.TOrvaControl::GetClientRect();
  held.surface = emitter_.TOrvaControl::GetTargetSurface();
  held.on = true;
}

void TOrvaParticle::Paint() {
  THoldPlace hold(*this);
  TOrvaControl::Paint();
}

void TOrvaParticle::Update(int64_t n, bool emitting) {
  // The sprites born and turned here are sorted once at the end, not once each.
  struct TSortOnce {
    TOrvaParticle& emitter;
    explicit TSortOnce(TOrvaParticle& e) : emitter(e) { emitter.updating_ = true; }
    ~TSortOnce() {
      emitter.updating_ = false;
      if (std::exchange(emitter.sortPending_, false)) emitter.SortChildren();
    }
  } sortOnce(*this);
  int64_t budget = n * FrameWait;
  if (emitting) countdown_ -= budget;
  if (n > 0) {
    // Births below evaluate expressions, which may move the emitter: not held there.
    THoldPlace hold(*this);
    for (size_t i = sprites_.size(); i-- > 0;) sprites_[i]->Step(n);
  }
  if (!emitting || motion_ == PM_NONE || !GetOwner()) return;
  while (countdown_ < 1) {
    if (sprites_.size() >= MaxParticleSprites) {
      countdown_ = 0;
      break;
    }
    int32_t x = 0, y = 0;
    int64_t interval = 0;
    bool fixed = false;
    NextPlace(x, y, interval, fixed);
    if (interval < 3) interval = 2;
    // Without an interval expression a sprite every 16 ms.
    countdown_ = fixed ? FrameWait : countdown_ + interval;
    budget -= interval;
    TOrvaParticleImages* sprite = AddSprite();
    sprite->SetParent(this);
    sprite->SetLeft(x);
    sprite->SetTop(y);
    sprite->SetAlpha(alpha_);
    for (int i = 0; i < 3; ++i) sprite->SetParam(i, params_[size_t(i)]);
    if (frames_.Count() > 0) sprite->SetIndex(0);
    sprite->Start(motion_);
    // The time between its birth and the end of the update.
    if (budget > 0) sprite->Step(budget / FrameWait);
  }
}

// ---- Surfaces and stored form ----

void TOrvaParticle::ReleaseSurfaces() {
  TOrvaControl::ReleaseSurfaces();
  frames_.ReleaseSurfaces();
}

void TOrvaParticle::RecreateSurfaces() {
  frames_.RecreateSurfaces();
  TOrvaControl::RecreateSurfaces();
}

void TOrvaParticle::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  appearX_.SaveToStream(stream);
  appearY_.SaveToStream(stream);
  interval_.SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamByte(stream, motion_);
  for (long double p : params_) WriteStreamExtended(stream, p);
  WriteStreamInt(stream, alpha_);
  WriteStreamInt(stream, preRun_);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, paused_);
  WriteStreamInt(stream, duration_);
}

void TOrvaParticle::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  appearX_.LoadFromStream(stream);
  appearY_.LoadFromStream(stream);
  interval_.LoadFromStream(stream);
  const std::string source = ReadStreamString(stream);
  try {
    SetSource(source);
  } catch (const Exception&) {
    // A sprite file that can no longer be read costs the emitter its sprites, not the save.
  }
  motion_ = ReadStreamByte(stream);
  for (long double& p : params_) p = ReadStreamExtended(stream);
  alpha_ = ReadStreamInt(stream);
  if (version >= 104) {
    preRun_ = ReadStreamInt(stream);
    ReadStreamString(stream, onIdle_);
    paused_ = ReadStreamBool(stream);
    duration_ = ReadStreamInt(stream);
  }
  state_ = 0;
}

}  // namespace orva

#include "scene/cinema.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/exceptions.h"
#include "core/frame_clock.h"
#include "core/number_text.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/image_cache.h"
#include "scene/motion.h"

namespace orva {

namespace {

// Milliseconds to ticks and back, rounded halves to even.
int32_t RoundHalfEven(double n) {
  int32_t r = 0;
  return RoundToInt32(n, r) ? r : 0;
}

TRect Moved(const TRect& r, int32_t dx, int32_t dy) {
  return {WrapAdd(r.Left, dx), WrapAdd(r.Top, dy), WrapAdd(r.Right, dx), WrapAdd(r.Bottom, dy)};
}

}  // namespace

TOrvaCinema::TOrvaCinema(TOrvaBaseList* owner) : TOrvaControl(owner), scene_(std::make_unique<TOrvaBaseList>()) {}

TOrvaCinema::~TOrvaCinema() {
  Invalidate();
  film_.reset();
  scene_.reset();
}

bool TOrvaCinema::PlaysInPrivateScene() const { return film_ && film_->Owner == scene_.get(); }

void TOrvaCinema::SetSource(std::string_view value) {
  Invalidate();
  if (value == source_) return;
  source_ = value;
  film_.reset();
  if (GameFileAvailable(source_)) {
    std::unique_ptr<TFilmManager> film = CreateFilm();
    if (film) {
      film->VolumeScale = volume_;
      // A film that cannot be read leaves the cinema without one.
      film->LoadFromFile(source_);
      if (film->UsesPageFlip() || film->Color >= 0) {
        film->Owner = scene_.get();
      } else {
        // The film's objects stand on the cinema's own scene, under the cinema.
        film->Owner = GetOwner() ? GetOwner() : GetMainScene();
        film->HostObject = this;
        SetWidth(film->Width);
        SetHeight(film->Height);
      }
      // Started before it is kept: a film refused at its start leaves the cinema without one.
      film->Start();
      film_ = std::move(film);
    }
  }
  scene_->Idle();
  Invalidate();
  time_ = 0;
  ended_ = false;
  refresh_ = 2;
}

int32_t TOrvaCinema::GetWidth() { return scene_->GetWidth(); }

void TOrvaCinema::SetWidth(int32_t value) {
  Invalidate();
  scene_->SetWidth(value);
  AssignWidth(value);
  Invalidate();
}

int32_t TOrvaCinema::GetHeight() { return scene_->GetHeight(); }

void TOrvaCinema::SetHeight(int32_t value) {
  Invalidate();
  scene_->SetHeight(value);
  AssignHeight(value);
  Invalidate();
}

int32_t TOrvaCinema::GetIndex() { return film_ ? film_->CurrentTick : 0; }

void TOrvaCinema::SetIndex(int32_t value) {
  const double ms = std::trunc(value * MotionTickMs);
  time_ = ms >= std::numeric_limits<int32_t>::max()   ? std::numeric_limits<int32_t>::max()
          : ms <= std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                      : static_cast<int32_t>(ms);
  ended_ = false;
  refresh_ = 2;
}

int32_t TOrvaCinema::GetCount() { return film_ ? film_->GetLength() : 0; }

bool TOrvaCinema::GetPlaying() {
  return film_ && int64_t{GetIndex()} < int64_t{GetCount()} - 1 && !paused_ && !GetAniPaused();
}

void TOrvaCinema::SetPaused(bool value) {
  if (value == paused_) return;
  paused_ = value;
  if (film_) film_->SetPaused(paused_ || GetAniPaused());
}

void TOrvaCinema::SetAniPaused(bool value) {
  if (value == TOrvaControl::GetAniPaused()) return;
  TOrvaControl::SetAniPaused(value);
  if (film_) film_->SetPaused(paused_ || GetAniPaused());
}

void TOrvaCinema::SetRepeat(bool value) {
  if (value == repeat_) return;
  repeat_ = value;
  if (repeat_) ended_ = false;
}

void TOrvaCinema::SetVolume(int32_t value) {
  volume_ = std::max(value, 0);
  if (film_) film_->VolumeScale = volume_;
}

bool TOrvaCinema::Idle() {
  bool result = TOrvaControl::Idle();
  if (!film_) return result;
  const bool held = GetAniPaused();
  film_->SetEnabled(!held && !paused_);
  if (paused_) return result;
  if (!ended_ && !held && refresh_ <= 0) time_ = WrapAdd(time_, FrameDelta);
  int32_t tick = RoundHalfEven(time_ / MotionTickMs);
  const int32_t length = film_->GetLength();
  if (tick >= length) {
    if (!repeat_) {
      if (autoScrap_) {
        result = true;
      } else if (!ended_ && !onPlayEnd_.empty()) {
        QueueEvent(PR_ONPLAYEND, onPlayEnd_);
      }
      ended_ = true;
      tick = WrapSub(length, 1);
    } else {
      const int64_t next = int64_t{tick} % std::max(length, 1) + film_->LoopStart;
      tick = static_cast<int32_t>(std::min<int64_t>(next, int64_t{length} - 1));
      time_ = RoundHalfEven(tick * MotionTickMs);
    }
  }
  if (refresh_ == 2 || tick != film_->CurrentTick) film_->SetTime(tick);
  if (refresh_ > 0) --refresh_;
  scene_->Idle();
  if (TOrvaBase* layer = GetBase()) {
    if (scene_->GetTransitionType() != 0) {
      layer->AddDirtyRect(GetScreenRect());
    } else {
      TClipList& dirty = scene_->ActiveLayer()->DirtyRects();
      const int32_t left = GetScreenLeft(), top = GetScreenTop();
      for (int i = 0; i < dirty.Count(); ++i) layer->AddDirtyRect(Moved(dirty.GetRect(i), left, top));
    }
  }
  return result;
}

void TOrvaCinema::Paint() {
  if (PlaysInPrivateScene()) {
    TOrvaBase* inner = scene_->ActiveLayer();
    const int32_t left = GetScreenLeft(), top = GetScreenTop();
    if (TOrvaBase* layer = GetBase()) {
      TClipList& dirty = layer->DirtyRects();
      for (int i = 0; i < dirty.Count(); ++i)
        inner->AddDirtyRect(Moved(dirty.GetRect(i), WrapSub(0, left), WrapSub(0, top)));
    }
    scene_->Paint();
    TCustomDIBX* picture = scene_->GetImage();
    TCustomDIBX* target = GetTargetSurface();
    if (picture && target && !picture->IsEmpty()) {
      TClipList& changed = inner->DirtyRects();
      for (int i = 0; i < changed.Count(); ++i) {
        const TRect r = changed.GetRect(i);
        target->Draw(WrapAdd(r.Left, left), WrapAdd(r.Top, top), *picture, r, false, false, false);
      }
    }
  }
  scene_->GetLayer(0)->DirtyRects().Clear();
  scene_->GetLayer(1)->DirtyRects().Clear();
  TOrvaControl::Paint();
}

TOrvaObject* TOrvaCinema::HitTest(TPoint point, TIgnoreMouseSet accepted) {
  if (!IsEffectivelyVisible() || !PointInRect(point, GetClientRect())) return nullptr;
  TOrvaObject* hit = (accepted & IgnoreMouseBit(GetIgnoreMouse())) ? this : nullptr;
  const std::vector<TOrvaControl*>& children = Children();
  for (size_t i = children.size(); i-- > 0;) {
    if (IsInternalName(children[i]->GetName())) continue;
    if (TOrvaObject* child = children[i]->HitTest(point, accepted)) return child;
  }
  return hit;
}

void TOrvaCinema::ReleaseSurfaces() {
  TOrvaControl::ReleaseSurfaces();
  scene_->ReleaseSurfaces();
}

void TOrvaCinema::RecreateSurfaces() {
  TOrvaControl::RecreateSurfaces();
  scene_->RecreateSurfaces();
  if (film_ && !paused_) film_->SetTime(film_->CurrentTick);
}

void TOrvaCinema::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, paused_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamString(stream, onIdle_);
  WriteStreamInt(stream, GetIndex());
  WriteStreamBool(stream, rewindOnLoad_);
  WriteStreamInt(stream, volume_);
  WriteStreamBool(stream, muteOnLoad_);
  WriteStreamBool(stream, ended_);
}

void TOrvaCinema::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  const std::string source = ReadStreamString(stream);
  try {
    SetSource(source);
  } catch (const Exception&) {
    // A film that can no longer be read costs the cinema its film, not the save.
  }
  repeat_ = ReadStreamBool(stream);
  paused_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  onPlayEnd_ = ReadStreamString(stream);
  if (version >= 104) onIdle_ = ReadStreamString(stream);
  if (version >= 117) {
    const int32_t tick = ReadStreamInt(stream);
    rewindOnLoad_ = ReadStreamBool(stream);
    if (tick >= 1 && !rewindOnLoad_) SetIndex(tick);
  }
  int32_t volume = volume_;
  muteOnLoad_ = false;
  if (version >= 129) {
    volume = ReadStreamInt(stream);
    muteOnLoad_ = ReadStreamBool(stream);
  }
  SetVolume(muteOnLoad_ ? 0 : volume);
  if (version >= 133) ended_ = ReadStreamBool(stream);
}

}  // namespace orva

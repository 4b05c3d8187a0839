#include "film/sound_track.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/paths.h"
#include "core/vocabulary.h"
#include "film/film.h"
#include "scene/base_list.h"
#include "scene/motion.h"

namespace orva {

namespace {

// A drift of the sound from the film's clock smaller than this is left alone.
constexpr int64_t kSeekDrift = 3000;

}  // namespace

TSoundFrameList::TSoundFrameList(TFilm& film) : TCustomFrameList(film) { Frames.emplace_back(); }

TSoundFrameList::~TSoundFrameList() { HideObject(); }

void TSoundFrameList::SetPaused(bool flag) {
  if (flag == Paused) return;
  Paused = flag;
  if (TOrvaObject* sound = GetObject()) sound->SetPaused(flag);
}

std::string TSoundFrameList::GetFileName() const {
  const TCustomFrameList* t = this;
  while (t->Parent && t->GetTrackType() == ttSound) t = t->Parent;
  return t->GetTrackType() == ttSound ? static_cast<const TSoundFrameList*>(t)->FileName : t->GetFileName();
}

void TSoundFrameList::SetFileName(std::string_view name) {
  if (name == FileName) return;
  FileName = name;
  HideObject();
}

void TSoundFrameList::HideObject() {
  if (TOrvaObject* sound = sound_.Get()) sound->ScheduleFree();
  sound_.Reset();
}

void TSoundFrameList::AfterLoad() {
  // The chain's name is read before the own one is cleared, so that a first track keeps it.
  const std::string name = GetFileName();
  FileName.clear();
  SetFileName(name);
}

TOrvaObject* TSoundFrameList::RootSound() {
  TCustomFrameList* root = ChainRoot();
  for (TCustomFrameList* t = this; t != root; t = t->Parent) t->HideObject();
  return root->GetObject();
}

TOrvaObject* TSoundFrameList::EnsureSound() {
  if (TOrvaObject* sound = RootSound()) return sound;
  return static_cast<TSoundFrameList*>(ChainRoot())->CreateSound();
}

int32_t TSoundFrameList::ScaledVolume(int32_t volume) const {
  return SaturateInt32(int64_t{film_.VolumeScale} * volume / 1000);
}

TOrvaObject* TSoundFrameList::CreateSound() {
  // Sounds play in the main scene whatever scene the film draws in.
  TOrvaBaseList* scene = GetMainScene();
  if (!scene) return nullptr;
  TOrvaObject* sound = scene->CreateObject(LT_SOUND);
  if (!sound) return nullptr;
  NameObject(*sound, *scene);
  sound_ = sound;
  sound->SetSource(GetFileName());
  sound->SetVolume(ScaledVolume(GetStartVolume()));
  // Repeat when the span outlasts the sound, or when the span holds the point a repeating
  // player comes back to.
  const double span = std::trunc(Length * MotionTickMs);
  const int64_t start = AbsoluteStart(), end = start + Length;
  const int64_t loop = film_.LoopStart, length = film_.Length;
  const bool coversLoop = end >= length && start <= loop && loop < end && 0 < loop && loop < length - 1;
  sound->SetRepeat(span > sound->GetCount() || coversLoop);
  sound->SetBalance(GetStartBalance());
  sound->SetPaused(true);
  sound->Play(LP_PLAY);
  return sound;
}

bool TSoundFrameList::UpdateAt(int32_t tick) {
  EnsureSound();
  if (tick < LastTick && film_.Enabled)
    if (TOrvaObject* own = GetObject()) own->SetPaused(true);
  LastTick = tick;
  TCustomFrameList* root = ChainRoot();
  TOrvaObject* sound = root->GetObject();
  // The film's last tick is never heard.
  const int64_t start = AbsoluteStart(), end = std::min<int64_t>(start + Length, int64_t{film_.Length} - 1);
  if (start <= tick && tick < end) {
    if (!sound) return true;
    const int32_t position = static_cast<int32_t>(tick - start);
    sound->SetVolume(ScaledVolume(Interpolate(VolumeMode, GetStartVolume(), EndVolume, position, Length)));
    sound->SetBalance(Interpolate(BalanceMode, GetStartBalance(), EndBalance, position, Length));
    if (!film_.Enabled) {
      sound->SetPaused(true);
    } else if (sound->GetPaused() || sound->GetPlayState() == 2) {
      sound->MediaPlay();
    } else {
      const int64_t expected = (int64_t{tick} - root->AbsoluteStart()) * 1000 / 60;
      const int64_t drift = int64_t{sound->GetIndex()} - expected;
      if (drift >= kSeekDrift || drift <= -kSeekDrift) sound->SetIndex(SaturateInt32(expected));
    }
    return true;
  }
  // The chain's last track pauses the sound before the chain, after it and on the film's
  // last tick; inside an earlier track of the chain it is left alone.
  if (sound && !ChildTrack()) {
    const bool inChain = root->AbsoluteStart() <= tick && tick < end;
    if (!inChain) sound->SetPaused(true);
  }
  return false;
}

void TSoundFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TCustomFrameList::Load(reader, baseDir, version);
  const std::string name = reader.String();
  FileName = name.empty() ? name : ExpandRelativePath(name, baseDir);
  StartVolume = reader.Int();
  EndVolume = reader.Int();
  if (version < 108) {
    StartVolume = StartVolume / 10 + 1000;
    EndVolume = EndVolume / 10 + 1000;
  }
  StartBalance = reader.Int();
  EndBalance = reader.Int();
  VolumeMode = reader.Byte();
  BalanceMode = reader.Byte();
}

}  // namespace orva

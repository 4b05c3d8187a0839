#include "scene/sound.h"

#include <algorithm>
#include <vector>

#include "core/exceptions.h"
#include "core/paths.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/media_playback.h"

namespace orva {

namespace {

// Every live sound object, in creation order.
std::vector<TOrvaSound*>& WaveList() {
  static std::vector<TOrvaSound*> list;
  return list;
}

TSceneMedia* Media() { return GetSceneServices().Media; }

// Lengths below this are saved as stopped unless the sound repeats.
constexpr int32_t kShortSound = 3000;

}  // namespace

bool MediaKindOf(std::string_view name, TMediaKind& kind) {
  std::string ext = ExtractFileExt(name);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (ext == ".mid" || ext == ".sgt") {
    kind = TMediaKind::Midi;
  } else if (ext == ".wma" || ext == ".asf" || ext == ".wmv") {
    kind = TMediaKind::WindowsMedia;
  } else if (ext == ".ogg" || ext == ".wav") {
    kind = TMediaKind::Ogg;
  } else if (name.starts_with("CD_")) {
    kind = TMediaKind::CdAudio;
  } else {
    return false;
  }
  return true;
}

TOrvaSound::TOrvaSound(TOrvaBaseList* owner) : TOrvaComponent(owner) { WaveList().push_back(this); }

TOrvaSound::~TOrvaSound() {
  std::erase(WaveList(), this);
  if (TDMediaItem* item = item_.Get()) item->SetVol(-10000);
  fader_.reset();
  ReleaseItem();
}

// ---- The item ----

int32_t TOrvaSound::CurrentItemVolume() {
  TDMediaItem* item = item_.Get();
  return ItemVolume(volume_, item && item->IsMidi());
}

TDMediaItem* TOrvaSound::MakeItem(const std::string& name) {
  if (!name.starts_with("CD_") && !SceneFileAvailable(name)) return nullptr;
  TMediaKind kind;
  TSceneMedia* media = Media();
  if (!MediaKindOf(name, kind) || !media) return nullptr;
  try {
    return media->AddItem(kind, name);
  } catch (const Exception&) {
    // A missing or damaged file leaves the object without an item.
    return nullptr;
  }
}

void TOrvaSound::ReleaseItem() {
  TDMediaItem* item = item_.Get();
  item_.Reset();
  GiveBackMediaItem(item);
}

void TOrvaSound::StartFadeIn() {
  fader_ = std::make_unique<TOrvaMixerFadein>(item_.Get(), CurrentItemVolume(), delay_);
}

// ---- Properties ----

void TOrvaSound::SetSource(std::string_view value) {
  if (value == source_) return;
  fader_.reset();
  ReleaseItem();
  source_ = value;
  playState_ = LP_STOP;
  paused_ = false;
  startPosition_ = 0;
  ended_ = false;
}

void TOrvaSound::SetVolume(int32_t value) {
  if (value == volume_) return;
  volume_ = value;
  if (TDMediaItem* item = item_.Get()) item->SetVol(CurrentItemVolume());
}

void TOrvaSound::SetBalance(int32_t value) { ChangeBalance(balance_, value, item_.Get()); }

void TOrvaSound::SetRepeat(bool value) {
  repeat_ = value;
  if (ApplyRepeat(item_.Get(), value, paused_)) ended_ = false;
}

void TOrvaSound::SetPaused(bool value) {
  if (value == paused_) return;
  paused_ = value;
  PauseUpdate();
}

void TOrvaSound::SetAniPaused(bool value) {
  if (value == aniPaused_) return;
  aniPaused_ = value;
  PauseUpdate();
}

int32_t TOrvaSound::GetIndex() {
  TDMediaItem* item = item_.Get();
  return item ? item->GetPosition() : 0;
}

void TOrvaSound::SetIndex(int32_t value) {
  startPosition_ = value;
  TDMediaItem* item = item_.Get();
  if (!item) return;
  item->SetPosition(value);
  ended_ = false;
  if (!paused_ && !item->IsPlaying()) item->Play();
}

int32_t TOrvaSound::GetCount() {
  if (TDMediaItem* item = item_.Get()) return item->GetLen();
  if (!SceneFileAvailable(source_)) return 0;
  TDMediaItem* temporary = MakeItem(source_);
  if (!temporary) return 0;
  const int32_t length = temporary->GetLen();
  GiveBackMediaItem(temporary);
  return length;
}

bool TOrvaSound::GetPlaying() {
  TDMediaItem* item = item_.Get();
  return item && item->IsPlaying();
}

// ---- Playing ----

void TOrvaSound::Play(uint8_t mode) {
  fader_.reset();
  ended_ = false;
  playState_ = mode;
  if (mode == LP_PLAYFADE && delay_ < 1) playState_ = LP_PLAY;
  TDMediaItem* item = item_.Get();
  switch (playState_) {
    case LP_PLAY:
    case LP_PLAYFADE: {
      if (item) return;  // the item keeps its state
      item = MakeItem(source_);
      if (!item) return;
      item_ = item;
      item->SetPan(balance_);
      if (startPosition_ > 0) item->SetPosition(startPosition_);
      item->SetAutoRepeat(repeat_);
      if (playState_ == LP_PLAY) {
        item->SetVol(CurrentItemVolume());
        if (paused_)
          item->Pause();
        else
          item->Play();
        if (startPosition_ > 0) item->SetPosition(startPosition_);
      } else if (!paused_) {
        StartFadeIn();
      }
      return;
    }
    case LP_STOP:
      if (!item) return;
      ReleaseItem();
      startPosition_ = 0;
      ScheduleFree();
      return;
    case LP_STOPFADE:
      if (!item) {
        ScheduleFree();
        return;
      }
      fader_ = std::make_unique<TOrvaMixerFadeout>(item, delay_);
      startPosition_ = 0;
      // The name is free for a new object while this one fades out; as an internal name it
      // also keeps the fading sound out of saves.
      SetName(std::string(1, InternalNameByte) + "SCRAP_" + GetName());
      return;
    default: return;
  }
}

void TOrvaSound::MediaPlay() {
  startPosition_ = 0;
  paused_ = false;
  ended_ = false;
  Play(LP_PLAYFADE);
  if (TDMediaItem* item = item_.Get()) RestartItem(*item, CurrentItemVolume(), delay_, fader_);
}

void TOrvaSound::PauseUpdate() {
  TDMediaItem* item = item_.Get();
  if (!item) return;
  if (!paused_ && !aniPaused_) {
    if (playState_ == LP_PLAYFADE) {
      StartFadeIn();
    } else {
      item->SetVol(CurrentItemVolume());
      item->Play();
    }
  } else {
    item->Pause();
    item->SetVol(-10000);
  }
}

bool TOrvaSound::Idle() {
  if (TDMediaItem* item = item_.Get()) {
    if (EndCounts(*item, ended_)) {
      if (repeat_) {
        item->SetPosition(0);
      } else {
        ended_ = true;
        if (autoScrap_) return true;
        if (!onPlayEnd_.empty()) QueueEvent(PR_ONPLAYEND, onPlayEnd_);
      }
    }
  }
  if (fader_ && fader_->Step()) {
    const bool fadedOut = fader_->IsFadeOut();
    fader_.reset();
    if (fadedOut) return true;
  }
  return false;
}

void TOrvaSound::SetWaveListEnabled(bool flag) {
  // A copy: nothing here frees a sound, but the list must not be walked while it changes.
  const std::vector<TOrvaSound*> sounds = WaveList();
  for (TOrvaSound* sound : sounds) {
    TDMediaItem* item = sound->item_.Get();
    if (!flag) {
      sound->waveListPaused_ = item && item->IsPlaying() && !item->IsPaused() && !item->AtEnd();
      if (sound->waveListPaused_) item->Pause();
    } else if (sound->waveListPaused_) {
      sound->waveListPaused_ = false;
      if (item && !sound->paused_ && !sound->aniPaused_) item->Play();
    }
  }
}

// ---- Stored form ----

void TOrvaSound::SaveToStream(TStream& stream) {
  TOrvaComponent::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, paused_);
  WriteStreamBool(stream, aniPaused_);
  WriteStreamBool(stream, ended_);
  WriteStreamInt(stream, volume_);
  WriteStreamInt(stream, balance_);
  WriteStreamInt(stream, delay_);
  WriteStreamInt(stream, GetIndex());
  // A short effect that plays once is over by the time the save is loaded.
  const bool shortOnce = !repeat_ && (playState_ == LP_PLAY || playState_ == LP_PLAYFADE) && GetCount() < kShortSound;
  WriteStreamByte(stream, shortOnce ? uint8_t{LP_STOP} : playState_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamBool(stream, rewindOnLoad_);
  WriteStreamBool(stream, muteOnLoad_);
}

void TOrvaSound::LoadFromStream(TStream& stream, int version) {
  TOrvaComponent::LoadFromStream(stream, version);
  const std::string source = ReadStreamString(stream);
  repeat_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  const bool paused = ReadStreamBool(stream);
  const bool aniPaused = ReadStreamBool(stream);
  const bool ended = ReadStreamBool(stream);
  volume_ = ReadStreamInt(stream);
  balance_ = ReadStreamInt(stream);
  const int32_t delay = ReadStreamInt(stream);
  const int32_t position = ReadStreamInt(stream);
  const uint8_t state = ReadStreamByte(stream);
  onPlayEnd_ = ReadStreamString(stream);
  if (version >= 108) rewindOnLoad_ = ReadStreamBool(stream);
  muteOnLoad_ = version >= 129 ? ReadStreamBool(stream) : false;
  delay_ = 0;
  if (muteOnLoad_) volume_ = 0;
  SetSource(source);
  startPosition_ = rewindOnLoad_ ? 0 : position;
  paused_ = paused;
  aniPaused_ = aniPaused;
  ended_ = ended;
  // A fade-out goes on from a playing item.
  if (state == LP_STOPFADE) Play(LP_PLAY);
  delay_ = delay;
  if (!ended_)
    Play(state);
  else
    playState_ = state;
  if (paused_ || aniPaused_) PauseUpdate();
}

}  // namespace orva

#include "scene/media_playback.h"

#include <algorithm>

#include "scene/scene_services.h"

namespace orva {

void GiveBackMediaItem(TDMediaItem* item) {
  TSceneMedia* media = GetSceneServices().Media;
  if (item && media) media->RemoveItem(item);
}

bool ChangeBalance(int32_t& balance, int32_t value, TDMediaItem* item) {
  value = std::clamp(value, -10000, 10000);
  if (value == balance) return false;
  balance = value;
  if (item) item->SetPan(balance);
  return true;
}

bool ApplyRepeat(TDMediaItem* item, bool repeat, bool paused) {
  if (!item) return false;
  item->SetAutoRepeat(repeat);
  if (!repeat || paused || int64_t{item->GetPosition()} < int64_t{item->GetLen()} - 1) return false;
  item->SetPosition(0);
  return true;
}

bool EndCounts(TDMediaItem& item, bool ended) {
  const bool reported = item.IsEnd();
  return !ended && (reported || item.AtEnd());
}

void RestartItem(TDMediaItem& item, int32_t volume, int32_t delay, std::unique_ptr<TOrvaMixer>& fader) {
  fader.reset();
  if (delay > 0) {
    item.Pause();
    item.SetVol(-10000);
    item.SetPosition(0);
    fader = std::make_unique<TOrvaMixerFadein>(&item, volume, delay);
    return;
  }
  item.SetVol(volume);
  item.SetPosition(0);
  // A paused item may still call itself playing; one opened just now is neither.
  if (item.IsPaused() || !item.IsPlaying()) item.Play();
}

}  // namespace orva

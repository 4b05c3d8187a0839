#include "shell/media_managers.h"

#include <algorithm>

#include "shell/media_library.h"
#include "shell/sound_settings.h"
#include "shell/wav_out.h"

namespace orva {

TMediaManager::~TMediaManager() = default;

TDMediaItem* TMediaManager::Append(std::unique_ptr<TDMediaItem> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

void TMediaManager::Remove(TDMediaItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == item; });
  if (it == items_.end()) return;
  std::unique_ptr<TDMediaItem> freed = std::move(*it);
  items_.erase(it);
}

void TMediaManager::Clear() {
  // Each item is out of the list before it is freed.
  while (!items_.empty()) {
    std::unique_ptr<TDMediaItem> freed = std::move(items_.back());
    items_.pop_back();
  }
}

void TMediaManager::PauseAll() {
  if ((Switchable() && !Enabled) || Paused) return;
  Paused = true;
  for (auto& item : items_) {
    item->PauseMark = item->IsPlaying() && !item->IsPaused() && !item->AtEnd();
    if (item->PauseMark) item->Pause();
  }
}

void TMediaManager::ResumeAll() {
  if ((Switchable() && !Enabled) || !Paused) return;
  Paused = false;
  for (auto& item : items_) {
    if (!item->PauseMark) continue;
    item->PauseMark = false;
    item->Play();
  }
}

void TMediaManager::SetEnabled(bool value) {
  if (value == Enabled) return;
  if (!value) {
    PauseAll();
    Enabled = false;
  } else {
    Enabled = true;
    ResumeAll();
  }
}

TWmpItem* TWmpManager::Add(std::string_view fileName) {
  return static_cast<TWmpItem*>(Append(std::make_unique<TWmpItem>(*this, fileName)));
}

void TWmpManager::Restore() { OrvaLib().orvaWmpmanRestore(); }

TOggManager::TOggManager() : wavOut_(std::make_unique<TWavOut>()) {}

TOggManager::~TOggManager() { Clear(); }

TCustomOggItem* TOggManager::Add(std::string_view fileName) {
  if (UseDirectSound) return static_cast<TCustomOggItem*>(Append(std::make_unique<TOggItem>(*this, fileName)));
  wavOut_->Open();
  return static_cast<TCustomOggItem*>(Append(std::make_unique<TOggWaveItem>(*this, fileName)));
}

void TOggManager::Restore() { OrvaLib().orvaOggmanRestore(); }

TLibraryVideoItem* TVideoManager::Add(std::string_view fileName, bool surface) {
  return static_cast<TLibraryVideoItem*>(Append(std::make_unique<TLibraryVideoItem>(*this, fileName, surface)));
}

void TVideoManager::Suspend() { OrvaLib().orvaVidmanSuspend(); }

void TVideoManager::Resume() { OrvaLib().orvaVidmanResume(); }

}  // namespace orva

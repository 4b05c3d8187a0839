#pragma once
// The media managers: each keeps the items of its kind, and pauses and resumes them all
// together when the application loses or regains the foreground and when the script
// switches all sound off and on.

#include <memory>
#include <string_view>
#include <vector>

#include "shell/media_items.h"

namespace orva {

class TWavOut;

class TMediaManager {
 public:
  virtual ~TMediaManager();
  TMediaManager(const TMediaManager&) = delete;
  TMediaManager& operator=(const TMediaManager&) = delete;

  // Frees the item when it is one of this manager's.
  void Remove(TDMediaItem* item);
  // Frees every item.
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TDMediaItem* Item(int index) const { return items_.at(static_cast<size_t>(index)).get(); }

  // Pauses and marks what plays (nothing while disabled or already paused).
  virtual void PauseAll();
  // Plays what is marked (nothing while disabled or not paused).
  virtual void ResumeAll();
  // Disabling pauses first; enabling resumes after.
  void SetEnabled(bool value);

  bool Enabled = true;
  bool Paused = false;

 protected:
  TMediaManager() = default;
  TDMediaItem* Append(std::unique_ptr<TDMediaItem> item);
  // The video manager has no enabled flag.
  virtual bool Switchable() const { return true; }

 private:
  std::vector<std::unique_ptr<TDMediaItem>> items_;
};

class TWmpManager : public TMediaManager {
 public:
  TWmpManager() = default;
  // "%s:ファイルがありません" for a missing file.
  TWmpItem* Add(std::string_view fileName);
  // The library restores its lost sound buffers.
  void Restore();
};

class TOggManager : public TMediaManager {
 public:
  TOggManager();
  ~TOggManager() override;
  // A library-mixed item while UseDirectSound (shell/sound_settings.h) is set, else one of
  // the program's own mixer, which is opened first. Raises "%s:ファイルがありません" or
  // "サウンドデータが不正です".
  TCustomOggItem* Add(std::string_view fileName);
  void Restore();
  TWavOut& WavOut() { return *wavOut_; }

 private:
  std::unique_ptr<TWavOut> wavOut_;
};

class TVideoManager : public TMediaManager {
 public:
  TVideoManager() = default;
  // `surface`: the negation of the movie's OVERLAY.
  TLibraryVideoItem* Add(std::string_view fileName, bool surface);
  // Around every display change.
  void Suspend();
  void Resume();

 protected:
  bool Switchable() const override { return false; }
};

}  // namespace orva

#pragma once
// TOrvaCinema (LT_CINEMA): a film played as a rectangle of the screen. A film with page flips
// or a background colour plays in a private scene the cinema owns, whose changed parts the
// cinema copies onto its own layer; any other film plays on the cinema's scene with the
// cinema as the host of its objects, at the film's size. The cinema keeps the film's clock in
// milliseconds, holds the last tick or goes on at the loop start at the end, queues its
// play-end event once or frees itself, follows its pause flags and saves its place.

#include <cstdint>
#include <memory>
#include <string>

#include "scene/film_manager.h"
#include "scene/orva_control.h"

namespace orva {

class TOrvaCinema : public TOrvaControl {
 public:
  explicit TOrvaCinema(TOrvaBaseList* owner);
  // Invalidates, frees the film (and what it made), then the private scene.
  ~TOrvaCinema() override;

  uint8_t GetCompoType() override { return LT_CINEMA; }
  std::string GetSource() override { return source_; }
  // Loads and starts the film when the project finds the file; the cinema has none
  // otherwise. The next two updates show tick 0 without advancing.
  void SetSource(std::string_view value) override;
  // The private scene's size.
  int32_t GetWidth() override;
  void SetWidth(int32_t value) override;
  int32_t GetHeight() override;
  void SetHeight(int32_t value) override;
  // The film's current tick; setting it moves the clock there (and out of the end), shown
  // by the next two updates.
  int32_t GetIndex() override;
  void SetIndex(int32_t value) override;
  // The film's length in ticks.
  int32_t GetCount() override;
  bool GetPlaying() override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  void SetAniPaused(bool value) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool value) override;
  // Per mille on the film's sounds, at least 0.
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t value) override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  bool GetRewindOnLoad() override { return rewindOnLoad_; }
  void SetRewindOnLoad(bool value) override { rewindOnLoad_ = value; }
  bool GetMuteOnLoad() override { return muteOnLoad_; }
  void SetMuteOnLoad(bool value) override { muteOnLoad_ = value; }

  bool Idle() override;
  // Copies the changed parts of the private scene's picture, then paints the children.
  void Paint() override;
  // Children with internal names are not hit.
  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  void ReleaseSurfaces() override;
  // Also plays the film again at its tick unless paused.
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  TOrvaBaseList& PrivateScene() { return *scene_; }
  TFilmManager* Film() const { return film_.get(); }
  // Milliseconds of film played.
  int32_t Time() const { return time_; }
  bool Ended() const { return ended_; }

 private:
  // Whether the film plays in the private scene.
  bool PlaysInPrivateScene() const;

  std::unique_ptr<TOrvaBaseList> scene_;
  std::unique_ptr<TFilmManager> film_;
  std::string source_;
  int32_t time_ = 0;
  bool repeat_ = false, paused_ = false, autoScrap_ = false;
  std::string onPlayEnd_, onIdle_;
  bool ended_ = false;
  // 2 after the film or its place changed: the next two updates show the tick without
  // advancing.
  int32_t refresh_ = 0;
  int32_t volume_ = 0;
  bool rewindOnLoad_ = false, muteOnLoad_ = false;
};

}  // namespace orva

#pragma once
// TOrvaVideo (LT_VIDEO): a movie. An image whose picture is a frame surface of the movie's
// size at the screen's depth. As an overlay (OVERLAY, the default) the media side shows the
// movie over the window in an output rectangle that the object keeps placed and clipped;
// otherwise each new frame is copied into the picture and the scene composes it like any
// image. Play modes, volume, balance and fades are the sound object's; a movie loops,
// pauses, posts ONPLAYEND or frees itself at its end, and keeps its state in a game save.

#include <cstdint>
#include <memory>
#include <string>

#include "scene/custom_image.h"
#include "scene/media_item.h"
#include "scene/volume_fade.h"

namespace orva {

class TOrvaVideo : public TOrvaCustomImage {
 public:
  explicit TOrvaVideo(TOrvaBaseList* owner);
  ~TOrvaVideo() override;

  uint8_t GetCompoType() override { return LT_VIDEO; }
  // The size follows the movie and the zoom, not the picture rule of images.
  bool IsAutoSized() override { return false; }

  std::string GetSource() override { return source_; }
  // A new source gives the movie back and stops.
  void SetSource(std::string_view value) override;
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t value) override;
  int32_t GetBalance() override { return balance_; }
  void SetBalance(int32_t value) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool value) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override;
  void SetAniPaused(bool value) override;
  int32_t GetDelay() override { return delay_; }
  void SetDelay(int32_t value) override { delay_ = value; }
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
  int32_t GetIndex() override;
  void SetIndex(int32_t value) override;
  int32_t GetCount() override;
  bool GetPlaying() override;
  bool GetOverlay() override { return overlay_; }
  // Reopens a playing movie in the other mode where it was.
  void SetOverlay(bool value) override;
  void SetZoomX(int32_t value) override;
  void SetZoomY(int32_t value) override;
  void SetLeft(int32_t value) override;
  void SetTop(int32_t value) override;
  void SetOffsetX(int32_t value) override;
  void SetOffsetY(int32_t value) override;
  void SetPlusX(int32_t value) override;
  void SetPlusY(int32_t value) override;
  void SetVisible(bool value) override;

  uint8_t GetPlayState() override { return playState_; }
  void Play(uint8_t mode) override;
  void MediaPlay() override;
  bool Idle() override;
  void Paint() override;
  void EnterCabinet() override;
  void LeaveCabinet() override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  TVideoItem* Item() const { return item_.Get(); }
  TOrvaMixer* Fader() const { return fader_.get(); }
  TDIBX* FrameSurface() const { return frame_.get(); }

 private:
  bool Running() { return !paused_ && !GetAniPaused(); }
  int32_t CurrentItemVolume() const { return ItemVolume(volume_, false); }
  // The movie's size at the zoom (64-bit products wrapped to 32 bits).
  int32_t ZoomedWidth();
  int32_t ZoomedHeight();
  // The overlay's rectangles, or the overlay hidden when nothing of it is on screen.
  void PlaceOutput();
  void MakeFrameSurface();
  void FreeFrameSurface();
  void ReleaseItem();
  void StartFadeIn();
  // After PAUSED or ANIPAUSED changed, from the running state before.
  void PauseChanged(bool wasRunning);
  void AfterPositionChange();

  std::string source_;
  uint8_t playState_ = LP_STOP;
  TMediaRef<TVideoItem> item_;
  std::unique_ptr<TDIBX> frame_;
  bool repeat_ = false;
  bool paused_ = false;
  int32_t volume_ = 0;
  int32_t balance_ = 0;
  std::unique_ptr<TOrvaMixer> fader_;
  int32_t delay_ = 0;
  int32_t startPosition_ = 0;
  bool autoScrap_ = false;
  std::string onPlayEnd_, onIdle_;
  bool rewindOnLoad_ = false;
  bool muteOnLoad_ = false;
  bool overlay_ = true;
  uint32_t lastFrameCheck_ = 0;
  // The item's end was counted; a restart clears it.
  bool ended_ = false;
  // A new frame waits to be copied into the picture.
  bool frameDue_ = false;
  // The picture holds a frame of the movie.
  bool frameShown_ = false;
  // Paused by entering a cabinet.
  bool cabinetPaused_ = false;
};

}  // namespace orva

#include "scene/video.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/stream.h"
#include "graphics/dib.h"
#include "graphics/dibx.h"
#include "graphics/picture_to_surface.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/media_playback.h"
#include "scene/scene_services.h"

namespace orva {

namespace {

TSceneMedia* Media() { return GetSceneServices().Media; }

// A new frame is looked for at most this often (ms of the system clock).
constexpr uint32_t kFrameCheckPeriod = 33;

int32_t Wrapped(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

// size × zoom / 256 in 64 bits, wrapped to 32.
int32_t Zoomed(int32_t size, int32_t zoom) { return Wrapped(int64_t{size} * zoom / 256); }

// Whether a frame surface of the movie's size fits the pixel cap at the screen's depth.
bool FitsPixelCap(int32_t width, int32_t height) {
  return DIBPixelBytes(DIBRowLength(std::max(width, 1), ScreenBitCount() == 15 ? 16 : ScreenBitCount()),
                       std::max(height, 1)) >= 0;
}

}  // namespace

TOrvaVideo::TOrvaVideo(TOrvaBaseList* owner) : TOrvaCustomImage(owner) {}

TOrvaVideo::~TOrvaVideo() {
  Invalidate();
  AssignPicture(nullptr);
  fader_.reset();
  ReleaseItem();
  frame_.reset();
}

// ---- The item and its picture ----

void TOrvaVideo::ReleaseItem() {
  TVideoItem* item = item_.Get();
  item_.Reset();
  GiveBackMediaItem(item);
}

int32_t TOrvaVideo::ZoomedWidth() {
  TVideoItem* item = item_.Get();
  return item ? Zoomed(item->GetSourceWidth(), GetZoomX()) : 0;
}

int32_t TOrvaVideo::ZoomedHeight() {
  TVideoItem* item = item_.Get();
  return item ? Zoomed(item->GetSourceHeight(), GetZoomY()) : 0;
}

void TOrvaVideo::MakeFrameSurface() {
  TVideoItem* item = item_.Get();
  if (!item) return;
  frame_ = std::make_unique<TDIBX>();
  frame_->SetSize(std::max(item->GetSourceWidth(), 1), std::max(item->GetSourceHeight(), 1), ScreenBitCount());
  frame_->TransparentColor = -1;
  AssignPicture(frame_.get());
  frameShown_ = false;
  frameDue_ = true;
}

void TOrvaVideo::FreeFrameSurface() {
  AssignPicture(nullptr);
  frame_.reset();
  frameDue_ = frameShown_ = false;
}

void TOrvaVideo::StartFadeIn() {
  fader_ = std::make_unique<TOrvaMixerFadein>(item_.Get(), CurrentItemVolume(), delay_);
}

void TOrvaVideo::PlaceOutput() {
  TVideoItem* item = item_.Get();
  if (!overlay_ || !item) return;
  const int32_t sw = item->GetSourceWidth(), sh = item->GetSourceHeight();
  const int32_t zx = GetZoomX(), zy = GetZoomY();
  const TRect full = WrapBounds(GetScreenLeft(), GetScreenTop(), ZoomedWidth(), ZoomedHeight());
  TRect clipped = full;
  bool shown = !clipped.IsEmpty();
  if (TOrvaControl* parent = GetParent(); shown && parent) shown = parent->ClipToClient(clipped);
  if (const TRect clip = GetClipRect(); shown && !clip.IsEmpty()) shown = IntersectClipRect(clipped, clip);
  TRect source{};
  if (shown && zx > 0 && zy > 0) {
    source.Left = Wrapped((int64_t{clipped.Left} - full.Left) * 256 / zx);
    source.Top = Wrapped((int64_t{clipped.Top} - full.Top) * 256 / zy);
    source.Right = Wrapped(sw - (int64_t{full.Right} - clipped.Right) * 256 / zx);
    source.Bottom = Wrapped(sh - (int64_t{full.Bottom} - clipped.Bottom) * 256 / zy);
  }
  if (shown && !source.IsEmpty() && IsActiveOnScreen()) {
    const TOrvaBaseList* scene = GetMainScene();
    const int64_t zoom = scene ? scene->Zoom : 100;
    const TRect window{Wrapped(clipped.Left * zoom / 100), Wrapped(clipped.Top * zoom / 100),
                       Wrapped(clipped.Right * zoom / 100), Wrapped(clipped.Bottom * zoom / 100)};
    item->SetRect(window, source);
    item->SetVisible(true);
  } else {
    item->SetVisible(false);
  }
}

// ---- Properties ----

void TOrvaVideo::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  Invalidate();
  AssignPicture(nullptr);
  fader_.reset();
  ReleaseItem();
  FreeFrameSurface();
  playState_ = LP_STOP;
}

void TOrvaVideo::SetVolume(int32_t value) {
  if (value == volume_) return;
  volume_ = value;
  if (TVideoItem* item = item_.Get()) item->SetVol(CurrentItemVolume());
  if (fader_ && !fader_->IsFadeOut()) fader_->SetTarget(CurrentItemVolume());
}

void TOrvaVideo::SetBalance(int32_t value) { ChangeBalance(balance_, value, item_.Get()); }

void TOrvaVideo::SetRepeat(bool value) {
  repeat_ = value;
  if (ApplyRepeat(item_.Get(), value, paused_)) ended_ = false;
}

void TOrvaVideo::PauseChanged(bool wasRunning) {
  const bool running = Running();
  TVideoItem* item = item_.Get();
  if (running == wasRunning || !item) return;
  if (!running) {
    item->Pause();
  } else if (playState_ == LP_PLAYFADE) {
    StartFadeIn();
  } else {
    item->Play();
  }
}

void TOrvaVideo::SetPaused(bool value) {
  const bool wasRunning = Running();
  paused_ = value;
  PauseChanged(wasRunning);
}

void TOrvaVideo::SetAniPaused(bool value) {
  const bool wasRunning = Running();
  TOrvaCustomImage::SetAniPaused(value);
  PauseChanged(wasRunning);
}

int32_t TOrvaVideo::GetIndex() {
  TVideoItem* item = item_.Get();
  return item ? item->GetPosition() : 0;
}

void TOrvaVideo::SetIndex(int32_t value) {
  startPosition_ = value;
  if (TVideoItem* item = item_.Get()) {
    item->SetPosition(value);
    ended_ = false;
  }
}

int32_t TOrvaVideo::GetCount() {
  if (TVideoItem* item = item_.Get()) return item->GetLen();
  TSceneMedia* media = Media();
  if (!media || !SceneFileAvailable(source_) || !FileManager) return 0;
  try {
    TVideoItem* temporary = media->AddVideo(GamePath(FileManager->GetRealFileName(source_)), !overlay_);
    if (!temporary) return 0;
    const int32_t length = temporary->GetLen();
    GiveBackMediaItem(temporary);
    return length;
  } catch (const Exception&) {
    return 0;
  }
}

bool TOrvaVideo::GetPlaying() {
  return Running() && (repeat_ || int64_t{GetIndex()} < int64_t{GetCount()} - 1);
}

void TOrvaVideo::SetOverlay(bool value) {
  if (value == overlay_) return;
  overlay_ = value;
  TVideoItem* item = item_.Get();
  if (!item) return;
  const int32_t position = item->GetPosition();
  Play(LP_STOP);
  startPosition_ = position;
  Play(LP_PLAY);
}

void TOrvaVideo::SetZoomX(int32_t value) {
  if (value == GetZoomX()) return;
  TOrvaCustomImage::SetZoomX(value);
  AssignWidth(ZoomedWidth());
  AssignHeight(ZoomedHeight());
  if (overlay_)
    PlaceOutput();
  else
    Invalidate();
}

void TOrvaVideo::SetZoomY(int32_t value) {
  if (value == GetZoomY()) return;
  TOrvaCustomImage::SetZoomY(value);
  AssignWidth(ZoomedWidth());
  AssignHeight(ZoomedHeight());
  if (overlay_)
    PlaceOutput();
  else
    Invalidate();
}

void TOrvaVideo::AfterPositionChange() {
  if (overlay_) PlaceOutput();
}

void TOrvaVideo::SetLeft(int32_t value) {
  TOrvaCustomImage::SetLeft(value);
  AfterPositionChange();
}
void TOrvaVideo::SetTop(int32_t value) {
  TOrvaCustomImage::SetTop(value);
  AfterPositionChange();
}
void TOrvaVideo::SetOffsetX(int32_t value) {
  TOrvaCustomImage::SetOffsetX(value);
  AfterPositionChange();
}
void TOrvaVideo::SetOffsetY(int32_t value) {
  TOrvaCustomImage::SetOffsetY(value);
  AfterPositionChange();
}
void TOrvaVideo::SetPlusX(int32_t value) {
  TOrvaCustomImage::SetPlusX(value);
  AfterPositionChange();
}
void TOrvaVideo::SetPlusY(int32_t value) {
  TOrvaCustomImage::SetPlusY(value);
  AfterPositionChange();
}
void TOrvaVideo::SetVisible(bool value) {
  TOrvaCustomImage::SetVisible(value);
  AfterPositionChange();
}

// ---- Playing ----

void TOrvaVideo::Play(uint8_t mode) {
  fader_.reset();
  playState_ = mode;
  TVideoItem* item = item_.Get();
  if (mode == LP_PLAY || mode == LP_PLAYFADE) {
    if (item || !SceneFileAvailable(source_)) return;
    TSceneMedia* media = Media();
    if (!media) return;
    try {
      item = media->AddVideo(source_, !overlay_);
    } catch (const Exception&) {
      item = nullptr;
    }
    if (!item) return;
    // A movie whose frames would not fit the pixel cap is not played.
    if (!FitsPixelCap(item->GetSourceWidth(), item->GetSourceHeight())) {
      media->RemoveItem(item);
      return;
    }
    item_ = item;
    ended_ = false;
    item->SetAutoRepeat(repeat_);
    if (overlay_ && GetVisible()) PlaceOutput();
    MakeFrameSurface();
    AssignWidth(ZoomedWidth());
    AssignHeight(ZoomedHeight());
    Invalidate();
    item->SetPan(balance_);
  } else if (mode == LP_STOP) {
    if (!item) return;
    Invalidate();
    ReleaseItem();
    FreeFrameSurface();
    startPosition_ = 0;
    return;
  }
  switch (mode) {
    case LP_PLAY:
      item->SetVol(CurrentItemVolume());
      item->Play();
      if (!Running()) item->Pause();
      if (startPosition_ > 0) item->SetPosition(startPosition_);
      break;
    case LP_PLAYFADE:
      if (Running()) StartFadeIn();
      break;
    case LP_STOPFADE:
      if (!item) {
        ScheduleFree();
        break;
      }
      // The item stays until the object is freed at the end of the fade.
      fader_ = std::make_unique<TOrvaMixerFadeout>(item, delay_);
      startPosition_ = 0;
      break;
    default: break;
  }
}

void TOrvaVideo::MediaPlay() {
  startPosition_ = 0;
  paused_ = false;
  Play(LP_PLAYFADE);
  TVideoItem* item = item_.Get();
  if (!item) return;
  ended_ = false;
  RestartItem(*item, CurrentItemVolume(), delay_, fader_);
}

bool TOrvaVideo::Idle() {
  bool result = TOrvaCustomImage::Idle();
  if (TVideoItem* item = item_.Get()) {
    if (overlay_ && IsActiveOnScreen() != item->GetVisible()) PlaceOutput();
    const uint32_t now = timeGetTime();
    if (now - lastFrameCheck_ >= kFrameCheckPeriod) {
      lastFrameCheck_ = now;
      if (item->NeedPaint()) {
        frameDue_ = true;
        Invalidate();
      }
    }
    if (EndCounts(*item, ended_) && !repeat_) {
      ended_ = true;
      if (autoScrap_)
        ScheduleFree();
      else if (!onPlayEnd_.empty())
        QueueEvent(PR_ONPLAYEND, onPlayEnd_);
    }
  }
  if (fader_ && fader_->Step()) {
    if (fader_->IsFadeOut()) {
      result = true;
      Invalidate();
    }
    fader_.reset();
  }
  return result;
}

void TOrvaVideo::Paint() {
  TVideoItem* item = item_.Get();
  if (overlay_ || !item || !frame_) {
    TOrvaControl::Paint();
    return;
  }
  if (frameDue_) {
    const TVideoFrame* frame = item->GetDC();
    if (frame && frame->Pixels) {
      CopyXRGBToSurface(frame->Pixels, frame->Width, frame->Height, frame->Pitch, *frame_);
      frameDue_ = false;
      frameShown_ = true;
    }
  }
  // Nothing of the movie is drawn before its first frame.
  if (frameShown_)
    TOrvaCustomImage::Paint();
  else
    TOrvaControl::Paint();
}

void TOrvaVideo::EnterCabinet() {
  TVideoItem* item = item_.Get();
  if (!item) return;
  cabinetPaused_ = Running() && playState_ != LP_STOP && item->IsPlaying();
  if (cabinetPaused_) item->Pause();
  // Nothing in a cabinet is updated: the overlay is hidden now.
  if (overlay_) PlaceOutput();
}

void TOrvaVideo::LeaveCabinet() {
  TVideoItem* item = item_.Get();
  if (!item) return;
  // The overlay shows again at the next update, once the movie has left the cabinet.
  if (cabinetPaused_ && Running()) item->Play();
  cabinetPaused_ = false;
}

void TOrvaVideo::ReleaseSurfaces() {
  TOrvaCustomImage::ReleaseSurfaces();
  FreeFrameSurface();
}

void TOrvaVideo::RecreateSurfaces() {
  TOrvaCustomImage::RecreateSurfaces();
  MakeFrameSurface();
}

// ---- Stored form ----

void TOrvaVideo::SaveToStream(TStream& stream) {
  TOrvaCustomImage::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, paused_);
  WriteStreamInt(stream, volume_);
  WriteStreamInt(stream, balance_);
  WriteStreamInt(stream, delay_);
  WriteStreamInt(stream, GetIndex());
  WriteStreamByte(stream, playState_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamString(stream, onIdle_);
  WriteStreamBool(stream, rewindOnLoad_);
  WriteStreamBool(stream, overlay_);
  WriteStreamBool(stream, muteOnLoad_);
}

void TOrvaVideo::LoadFromStream(TStream& stream, int version) {
  TOrvaCustomImage::LoadFromStream(stream, version);
  const std::string source = ReadStreamString(stream);
  repeat_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  const bool paused = ReadStreamBool(stream);
  volume_ = ReadStreamInt(stream);
  balance_ = ReadStreamInt(stream);
  const int32_t delay = ReadStreamInt(stream);
  const int32_t position = ReadStreamInt(stream);
  const uint8_t state = ReadStreamByte(stream);
  onPlayEnd_ = ReadStreamString(stream);
  onIdle_ = ReadStreamString(stream);
  if (version >= 108) rewindOnLoad_ = ReadStreamBool(stream);
  if (version >= 112) overlay_ = ReadStreamBool(stream);
  muteOnLoad_ = version >= 129 ? ReadStreamBool(stream) : false;
  delay_ = 0;
  if (muteOnLoad_) volume_ = 0;
  SetSource(source);
  startPosition_ = rewindOnLoad_ ? 0 : position;
  paused_ = paused;
  if (state == LP_STOPFADE) Play(LP_PLAY);
  delay_ = delay;
  Play(state);
}

}  // namespace orva

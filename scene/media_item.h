#pragma once
// Media items as the scene's sound and movie objects see them: every sound, music track and
// movie is one item behind TDMediaItem, made and freed by the media manager of its kind (the
// shell's managers, reached through the scene's media service, scene/scene_services.h). An
// object never owns its item: it holds it by a TMediaRef, which reads as none once the
// manager has freed the item.

#include <cstdint>
#include <memory>

#include "core/rect.h"
#include "platform/orva_media.h"

namespace orva {

class TDMediaItem {
 public:
  virtual ~TDMediaItem() = default;
  virtual bool GetAutoRepeat() { return false; }
  virtual void SetAutoRepeat(bool) {}
  virtual int32_t GetPan() { return 0; }
  virtual int32_t GetVol() { return 0; }
  virtual void SetPan(int32_t) {}
  // Hundredths of a decibel: 0 full, -10000 silent (MIDI items take their own scale).
  virtual void SetVol(int32_t) {}
  // Milliseconds.
  virtual int32_t GetPosition() { return 0; }
  virtual void SetPosition(int32_t) {}
  virtual int32_t GetLen() { return 0; }
  // Some kinds report an end once.
  virtual bool IsEnd() { return false; }
  // Does nothing in every kind.
  virtual void Idle() {}
  virtual bool IsPlaying() { return false; }
  virtual bool IsPaused() { return false; }
  // Starts or resumes.
  virtual void Play() {}
  virtual void Pause() {}

  // Whether the item is at its end, without taking a one-shot end report (the managers'
  // pause and the objects' end test use it, so that a report is never lost).
  virtual bool AtEnd() { return IsEnd(); }
  // A MIDI item: its volume scale is its own, and fades cover the whole of it.
  virtual bool IsMidi() { return false; }

  // Used only by the item's manager: paused by PauseAll, or played while disabled.
  bool PauseMark = false;

  // Expires when the item is freed.
  std::weak_ptr<const void> Life() const { return life_; }

 private:
  std::shared_ptr<const char> life_ = std::make_shared<const char>('\0');
};

// A movie item: frames drawn into an object's picture, or shown by the media side over the
// window in an output rectangle (an overlay).
class TVideoItem : public TDMediaItem {
 public:
  // A new frame is due (once per frame).
  virtual bool NeedPaint() { return false; }
  // The current frame picture, 0x00RRGGBB rows top down; none before the first frame.
  virtual const TVideoFrame* GetDC() { return nullptr; }
  virtual int32_t GetSourceWidth() { return 0; }
  virtual int32_t GetSourceHeight() { return 0; }
  // An overlay's rectangle in window coordinates and the part of the movie shown in it.
  virtual void SetRect(const TRect& window, const TRect& source) {}
  virtual bool GetVisible() { return false; }
  virtual void SetVisible(bool) {}
};

// An item held by an object that does not own it: none once its manager has freed it.
template <class T>
class TMediaRef {
 public:
  TMediaRef() = default;
  TMediaRef(T* item) : item_(item), life_(item ? item->Life() : std::weak_ptr<const void>()) {}  // NOLINT

  T* Get() const { return item_ && !life_.expired() ? item_ : nullptr; }
  T* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  void Reset() { *this = {}; }

 private:
  T* item_ = nullptr;
  std::weak_ptr<const void> life_;
};

}  // namespace orva

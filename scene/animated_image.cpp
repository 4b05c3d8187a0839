#include "scene/animated_image.h"

#include "core/frame_clock.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/motion.h"

namespace orva {

// ==== TOrvaCustomImages ====

TOrvaCustomImages::TOrvaCustomImages(TOrvaBaseList* owner) : TOrvaCustomImage(owner) {}

TOrvaCustomImages::~TOrvaCustomImages() { DetachFrame(); }

void TOrvaCustomImages::DetachFrame() {
  Invalidate();
  AssignPicture(nullptr);
  SetMaskImage(nullptr);
}

bool TOrvaCustomImages::IsFrame(int32_t index) {
  TOrvaImageList* list = GetFrameList();
  return list && index >= 0 && index < list->Count();
}

void TOrvaCustomImages::SetVisible(bool value) {
  TOrvaCustomImage::SetVisible(value);
  countdown_ = 0;
}

bool TOrvaCustomImages::GetPlaying() {
  if (TOrvaMotion* motion = GetMotion()) return !motion->IsFinished() && !paused_ && !GetAniPaused();
  TOrvaImageList* list = GetFrameList();
  const int count = list ? list->Count() : 0;
  if (!GetRepeat() && index_ >= count - 1 && countdown_ <= 0) return false;
  return !paused_ && !GetAniPaused();
}

void TOrvaCustomImages::SetBrightness(int32_t value) {
  if (value == brightness_) return;
  brightness_ = value;
  if (!IsFrame(index_)) return;
  TOrvaImageData& frame = *GetFrameList()->GetItem(index_);
  frame.SetBrightness(value);
  SetImage(frame.GetDIB());
  Invalidate();
}

int32_t TOrvaCustomImages::GetIndex() {
  TOrvaMotion* motion = GetMotion();
  return motion ? motion->Tick() : index_;
}

void TOrvaCustomImages::SetIndex(int32_t value) {
  if (value == GetIndex()) return;
  if (TOrvaMotion* motion = GetMotion()) {
    // The index is the motion's tick: its clock moves there.
    const auto ms = static_cast<int64_t>(static_cast<double>(value) * MotionTickMs);
    motion->SetClock(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms))));
    return;
  }
  if (IsFrame(index_))
    Invalidate();
  else
    countdown_ = 0;
  index_ = value;
  if (!IsFrame(value)) return;
  TOrvaImageList& list = *GetFrameList();
  TOrvaImageData& frame = *list.GetItem(value);
  frame.SetBrightness(brightness_);
  SetImage(frame.GetDIB());
  SetMaskImage(frame.GetMask());
  countdown_ = WrapAdd(countdown_, frame.GetDelay());
  // The pause after the last frame of a pass: that frame's time plus the DELAY value now.
  if (value == list.Count() - 1 && list.Count() > 1) {
    if (TParamCollection* vars = GetSceneVariables()) {
      delay_.Evaluate(*vars);
      if (const TCustomParam* extra = delay_.Result()) countdown_ = WrapAdd(countdown_, extra->GetAsInteger());
    }
  }
  if (IsAutoSized()) {
    const int32_t width = GetWidth(), height = GetHeight();
    FitToParentX();
    FitToParentY();
    const int32_t newWidth = GetWidth(), newHeight = GetHeight();
    if (newWidth != width || newHeight != height) {
      AssignWidth(width);
      AssignHeight(height);
      Invalidate();
      AssignWidth(newWidth);
      AssignHeight(newHeight);
      Invalidate();
    }
  }
}

void TOrvaCustomImages::SetPaused(bool value) {
  if (value == paused_) return;
  paused_ = value;
  countdown_ = 0;
}

int32_t TOrvaCustomImages::GetCount() {
  if (TOrvaMotion* motion = GetMotion()) return motion->GetLength();
  TOrvaImageList* list = GetFrameList();
  return list ? list->Count() : 0;
}

bool TOrvaCustomImages::Idle() {
  bool result = TOrvaCustomImage::Idle();
  if (GetMotion() || !IsFrame(index_) || !GetVisible() || paused_ || GetAniPaused()) return result;
  if (countdown_ > 0) countdown_ = WrapSub(countdown_, FrameDelta);
  while (countdown_ <= 0) {
    const int count = GetFrameList()->Count();
    if (index_ < count - 1) {
      // One or two frames drop the time left over; more frames carry it on.
      if (count <= 2) countdown_ = 0;
      SetIndex(index_ + 1);
      continue;
    }
    if (GetRepeat()) {
      countdown_ = 0;
      SetIndex(0);
    } else if (GetAutoScrap()) {
      result = true;
    } else {
      // Resting on the last frame: the event comes at every update.
      const std::string handler = GetOnPlayEnd();
      if (!handler.empty()) QueueEvent(PR_ONPLAYEND, handler);
    }
    break;
  }
  return result;
}

void TOrvaCustomImages::AssignExpression(uint8_t code, const TOrvaParser& expr) {
  if (code == PR_DELAY) delay_.Assign(expr);
}

void TOrvaCustomImages::SaveToStream(TStream& stream) {
  TOrvaCustomImage::SaveToStream(stream);
  WriteStreamInt(stream, countdown_);
  WriteStreamInt(stream, GetIndex());
  WriteStreamInt(stream, brightness_);
  WriteStreamBool(stream, paused_);
  delay_.SaveToStream(stream);
}

void TOrvaCustomImages::LoadFromStream(TStream& stream, int version) {
  TOrvaCustomImage::LoadFromStream(stream, version);
  countdown_ = ReadStreamInt(stream);
  index_ = ReadStreamInt(stream);
  brightness_ = ReadStreamInt(stream);
  paused_ = ReadStreamBool(stream);
  delay_.LoadFromStream(stream);
}

void TOrvaCustomImages::ReleaseFrameSurfaces() {
  if (TOrvaImageList* list = GetFrameList()) list->ReleaseSurfaces();
}

void TOrvaCustomImages::RecreateFrameSurfaces() {
  if (TOrvaImageList* list = GetFrameList()) list->RecreateSurfaces();
}

void TOrvaCustomImages::ReleaseSurfaces() {
  AssignPicture(nullptr);
  TOrvaCustomImage::ReleaseSurfaces();
  ReleaseFrameSurfaces();
}

void TOrvaCustomImages::RecreateSurfaces() {
  RecreateFrameSurfaces();
  if (IsFrame(index_)) AssignPicture(GetFrameList()->GetItem(index_)->GetDIB());
  TOrvaCustomImage::RecreateSurfaces();
}

// ==== TOrvaImages ====

TOrvaImages::TOrvaImages(TOrvaBaseList* owner, int stateCount) : TOrvaCustomImages(owner) {
  for (int i = 0; i < stateCount; ++i) looks_.push_back(std::make_unique<TOrvaImageList>());
}

TOrvaImages::~TOrvaImages() { DetachFrame(); }

TOrvaImageList* TOrvaImages::GetFrameList() {
  const int32_t state = GetState();
  return state >= 0 && state < static_cast<int32_t>(looks_.size()) ? looks_[size_t(state)].get() : nullptr;
}

void TOrvaImages::SetSource(std::string_view value) {
  if (value == source_) return;
  source_ = value;
  if (GetState() == 0) {
    ForgetIndex();
    SetImage(nullptr);
    SetMaskImage(nullptr);
  }
  Look(0).Clear();
  FreeMotion();
  const std::string extension = ExtractFileExt(value);
  if (SameTextAscii(extension, ".vsk")) {
    Look(0).LoadFromCache(this, value, false);
  } else if (SameTextAscii(extension, ".omt")) {
    LoadMotion(value);
    if (TOrvaMotion* motion = TOrvaControl::GetMotion()) motion->Step();
  }
  if (GetState() == 0 && Look(0).Count() > 0) SetIndex(0);
}

void TOrvaImages::SetRepeat(bool value) {
  if (value == repeat_) return;
  repeat_ = value;
  if (!value) return;
  if (TOrvaMotion* motion = GetMotion()) {
    if (motion->IsFinished()) motion->Rewind();
  } else if (!IsFrame(GetIndex())) {
    SetIndex(0);
  }
}

void TOrvaImages::ReleaseFrameSurfaces() {
  for (auto& look : looks_) look->ReleaseSurfaces();
}

void TOrvaImages::RecreateFrameSurfaces() {
  for (auto& look : looks_) look->RecreateSurfaces();
}

void TOrvaImages::SaveToStream(TStream& stream) {
  TOrvaCustomImages::SaveToStream(stream);
  WriteStreamBool(stream, repeat_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamString(stream, source_);
  WriteStreamString(stream, onPlayEnd_);
  WriteStreamString(stream, onIdle_);
}

void TOrvaImages::LoadFromStream(TStream& stream, int version) {
  TOrvaCustomImages::LoadFromStream(stream, version);
  const int32_t index = GetIndex();
  repeat_ = ReadStreamBool(stream);
  autoScrap_ = ReadStreamBool(stream);
  // The frames come back through the source, and the frame shown through INDEX, whose
  // time adds to that of frame 0.
  SetSource(ReadStreamString(stream));
  ReadStreamString(stream, onPlayEnd_);
  if (version >= 104) ReadStreamString(stream, onIdle_);
  SetIndex(index);
}

}  // namespace orva

#include "scene/button.h"

#include "core/frame_clock.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "scene/motion.h"

namespace orva {

namespace {
constexpr TIgnoreMouseSet LeftClickSet = IgnoreMouseBit(IM_NONE) | IgnoreMouseBit(IM_RCLICK);
constexpr int KeyReturn = 13, KeySpace = 32;
}  // namespace

TOrvaButton::~TOrvaButton() {
  DetachFrame();
  for (auto& motion : motions_) {
    if (!motion) continue;
    motion->SetOwner(nullptr);
    motion.reset();
  }
}

TOrvaMotion* TOrvaButton::GetMotion() {
  if (state_ >= Hover && state_ <= Clicked) return motions_[size_t(state_)].get();
  return TOrvaImages::GetMotion();
}

void TOrvaButton::SetState(int32_t state) {
  if (state_ == Clicked) {
    returnState_ = state;
    return;
  }
  if (state == state_) return;
  if (state >= Hover) {
    const bool exists = state <= Clicked && (motions_[size_t(state)] || Look(state).Count() > 0);
    if (!exists) return;
  }
  state_ = state;
  if (state == Clicked) returnState_ = Normal;
  // Through −1, so that the first frame of the new look is shown.
  SetIndex(-1);
  SetIndex(0);
  if (TOrvaMotion* motion = GetMotion()) motion->Rewind();
}

void TOrvaButton::SetLookSource(int look, std::string_view value) {
  if (value == sources_[size_t(look)]) return;
  sources_[size_t(look)] = value;
  if (state_ == look) {
    ForgetIndex();
    SetImage(nullptr);
    SetMaskImage(nullptr);
  }
  Look(look).Clear();
  if (auto& motion = motions_[size_t(look)]) {
    motion->SetOwner(nullptr);
    motion.reset();
  }
  const std::string extension = ExtractFileExt(value);
  if (SameTextAscii(extension, ".vsk")) {
    Look(look).LoadFromCache(this, value, false);
  } else if (SameTextAscii(extension, ".omt")) {
    if (std::unique_ptr<TFilmManager> film = CreateFilm()) {
      auto motion = std::make_unique<TOrvaMotion>(std::move(film));
      motion->Load(value);
      motion->SetOwner(this);
      motions_[size_t(look)] = std::move(motion);
    }
  }
  if (state_ == look && Look(look).Count() > 0) SetIndex(0);
}

void TOrvaButton::UpdateGroup() {
  if (TOrvaControl* parent = GetParent()) parent->UpdateGroup(this, groupIndex_);
}

void TOrvaButton::SetGroupIndex(int32_t value) {
  if (value == groupIndex_) return;
  groupIndex_ = value;
  UpdateGroup();
}

void TOrvaButton::SetSelected(bool value) {
  if (value == selected_) return;
  if (value && groupIndex_ == 0) return;
  selected_ = value;
  SetState(value ? Pressed : Normal);
  UpdateGroup();
}

void TOrvaButton::SetAllowAllUp(bool value) {
  TOrvaControl* parent = GetParent();
  if (!parent || groupIndex_ == 0) return;
  parent->SetGroupAllowAllUp(groupIndex_, value);
  UpdateGroup();
}

void TOrvaButton::GroupSelect(bool value) {
  selected_ = value;
  SetState(value ? Pressed : Normal);
}

void TOrvaButton::SetPaused(bool value) {
  TOrvaImages::SetPaused(value);
  if (!GetPaused()) SetState(Normal);
}

bool TOrvaButton::UnderMouse() {
  TOrvaBase* layer = GetBase();
  return layer && layer->HitTest(layer->GetMousePos(), LeftClickSet) == this;
}

void TOrvaButton::MouseMove() {
  if (pressPhase_ == 0) {
    SetState(!GetPaused() && !selected_ ? Hover : selected_ ? Pressed : Normal);
    TOrvaImages::MouseMove();
  } else if (pressPhase_ == 1) {
    SetState(selected_ || UnderMouse() ? Pressed : Normal);
  }
}

void TOrvaButton::MouseOut(TOrvaObject* next) {
  if (state_ != Clicked) SetState(selected_ ? Pressed : Normal);
  TOrvaImages::MouseOut(next);
}

void TOrvaButton::LButtonDown() {
  const uint8_t ignore = GetIgnoreMouse();
  if (ignore != IM_NONE && ignore != IM_RCLICK) {
    TOrvaImages::LButtonDown();
    return;
  }
  TOrvaBase* layer = GetBase();
  if (!GetPaused() && state_ != Clicked) {
    if (layer) layer->Capture |= TOrvaBase::CaptureLeft;
    SetState(Pressed);
    pressPhase_ = 1;
  }
  if (layer) layer->LeftClick = false;
}

void TOrvaButton::LButtonUp() {
  if (pressPhase_ == 1 && UnderMouse()) {
    Click();
    if (pressPhase_ == -1) return;
  }
  pressPhase_ = 0;
  if (groupIndex_ == 0 && state_ != Clicked) SetState(Normal);
}

void TOrvaButton::KeyRepeat() {
  TOrvaBaseList* scene = GetOwner();
  if (scene && (scene->IsKeyRepeated(KeyReturn) || scene->IsKeyRepeated(KeySpace))) Click();
  TOrvaImages::KeyRepeat();
}

void TOrvaButton::Click() {
  if (!onNotify_.empty()) QueueEvent(PR_ONNOTIFY, onNotify_);
  if (groupIndex_ != 0) {
    // A radio button stays down.
    if (!allowAllUp_ && selected_) return;
    SetSelected(!selected_);
    return;
  }
  SetState(Clicked);
  if (state_ != Clicked && GetAutoScrap()) pressPhase_ = -1;
}

bool TOrvaButton::Idle() {
  if (pressPhase_ == -1) return true;
  bool finished = false;
  if (TOrvaMotion* motion = GetMotion()) {
    finished = motion->Step();
  } else {
    TOrvaImageList* list = GetFrameList();
    const int32_t index = GetIndex();
    if (index >= 0 && list && list->Count() > index && GetVisible() && !GetPaused() && !GetAniPaused()) {
      SetFrameCountdown(WrapSub(GetFrameCountdown(), FrameDelta));
      while (GetFrameCountdown() <= 0) {
        const int32_t at = GetIndex();
        if (at < list->Count() - 1) {
          SetIndex(at + 1);
          continue;
        }
        finished = state_ == Clicked;
        if (GetRepeat()) {
          SetFrameCountdown(0);
          SetIndex(0);
        }
        break;
      }
    }
  }
  if (!finished) return false;
  if (GetAutoScrap()) return true;
  const std::string handler = GetOnPlayEnd();
  if (!handler.empty()) QueueEvent(PR_ONPLAYEND, handler);
  state_ = -1;
  SetState(returnState_);
  // A return state without a look is refused; the button rests in its normal look instead
  // of in none.
  if (state_ == -1) SetState(Normal);
  return false;
}

void TOrvaButton::SaveToStream(TStream& stream) {
  TOrvaImages::SaveToStream(stream);
  WriteStreamString(stream, sources_[Hover]);
  WriteStreamString(stream, sources_[Pressed]);
  WriteStreamInt(stream, groupIndex_);
  WriteStreamBool(stream, selected_);
  WriteStreamBool(stream, allowAllUp_);
  WriteStreamString(stream, onNotify_);
  WriteStreamString(stream, onIdle_);
  WriteStreamString(stream, sources_[Clicked]);
}

void TOrvaButton::LoadFromStream(TStream& stream, int version) {
  TOrvaImages::LoadFromStream(stream, version);
  const int32_t index = GetIndex();
  SetHoverSource(ReadStreamString(stream));
  SetPressedSource(ReadStreamString(stream));
  groupIndex_ = ReadStreamInt(stream);
  const bool selected = ReadStreamBool(stream);
  allowAllUp_ = ReadStreamBool(stream);
  ReadStreamString(stream, onNotify_);
  if (version >= 104) {
    ReadStreamString(stream, onIdle_);
    SetClickedSource(ReadStreamString(stream));
  }
  SetSelected(selected);
  pressPhase_ = 0;
  SetIndex(index);
}

}  // namespace orva

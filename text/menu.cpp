#include "text/menu.h"

#include "core/frame_clock.h"
#include "core/stream.h"
#include "scene/base_list.h"
#include "script/param_collection.h"

namespace orva {

namespace {
constexpr int VkReturn = 13, VkEscape = 27, VkSpace = 32;

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
}  // namespace

TOrvaMenu::TOrvaMenu(TOrvaBaseList* owner) : TOrvaCustomListBox(owner) {
  if (TOrvaBaseList* main = GetMainScene()) main->AddRightClickReceiver(this);
}

TOrvaMenu::~TOrvaMenu() {
  if (TOrvaBaseList* main = GetMainScene()) main->RemoveRightClickReceiver(this);
}

void TOrvaMenu::SetHoverColor(int32_t value) { StoreAndInvalidate(hoverColor_, value); }
void TOrvaMenu::SetFontHoverColor(int32_t value) { StoreAndInvalidate(HoverLabels().Color, value); }

void TOrvaMenu::SetFontHoverStyle(TFontStyles value) {
  const auto style = static_cast<uint8_t>(FontStylesToInt(value));
  if (style == HoverLabels().Style) return;
  Invalidate();
  HoverLabels().Style = style;
  MarkLayout();
}

int32_t TOrvaMenu::GetOrigHeight() {
  return playState_ == LP_PLAYFADE || playState_ == LP_STOPFADE ? fullHeight_ : GetHeight();
}

void TOrvaMenu::Queue(uint8_t kind, const std::string& handler) {
  if (!handler.empty()) QueueEvent(kind, handler);
}

void TOrvaMenu::TakeFocus() {
  TOrvaBaseList* scene = GetOwner();
  if (scene && GetVisible() && !GetPaused() && GetHandleKey()) scene->SetFocus(this);
}

void TOrvaMenu::LeaveFocus() {
  TOrvaBaseList* scene = GetOwner();
  if (scene && scene->GetFocus() == this) scene->RequestFocusUpdate(true);
}

void TOrvaMenu::Play(uint8_t mode) {
  const int settled = mode == LP_PLAYFADE ? int{LP_PLAY} : mode == LP_STOPFADE ? int{LP_STOP} : int{mode};
  if (settled == playState_) return;
  playState_ = mode;
  switch (mode) {
    case LP_PLAY:
      Relayout();
      SetAnimationState(Open);
      TakeFocus();
      Queue(PR_ONOPENING, onOpening_);
      Queue(PR_ONOPENED, onOpened_);
      break;
    case LP_PLAYFADE:
      SetAnimationState(OpenStart);
      TakeFocus();
      break;
    case LP_STOP:
      SetHeight(0);
      SetAnimationState(Open);
      LeaveFocus();
      Queue(PR_ONCLOSING, onClosing_);
      Queue(PR_ONCLOSED, onClosed_);
      break;
    case LP_STOPFADE:
      SetAnimationState(CloseStart);
      LeaveFocus();
      break;
    default:
      break;
  }
}

bool TOrvaMenu::Idle() {
  StepPieces();
  const int64_t elapsed = GameClock - phaseStart_;
  // Heights in 64 bits, wrapped as the scene's.
  const auto part = [&] { return Wrap32(int64_t{fullHeight_} * elapsed / delay_); };
  switch (GetAnimationState()) {
    case Open:
      RelayoutIfDirty();
      break;
    case CloseAsked:
      RelayoutIfDirty();
      Play(LP_STOPFADE);
      break;
    case OpenStart:
      Relayout();
      Queue(PR_ONOPENING, onOpening_);
      fullHeight_ = GetHeight();
      SetHeight(0);
      SetAnimationState(OpenClock);
      break;
    case OpenClock:
      phaseStart_ = GameClock;
      SetAnimationState(Opening);
      break;
    case Opening:
      if (delay_ > elapsed) {
        SetHeight(part());
      } else {
        SetHeight(fullHeight_);
        Queue(PR_ONOPENED, onOpened_);
        SetAnimationState(Open);
      }
      break;
    case CloseStart:
      locked_ = true;
      phaseStart_ = GameClock;
      Queue(PR_ONCLOSING, onClosing_);
      SetAnimationState(Closing);
      break;
    case Closing:
      locked_ = true;
      if (delay_ > elapsed) {
        SetHeight(Wrap32(int64_t{fullHeight_} - part()));
      } else {
        // The height keeps its last value.
        Queue(PR_ONCLOSED, onClosed_);
        SetAnimationState(Closed);
      }
      break;
    case ClosedAtOnce:
      locked_ = true;
      Queue(PR_ONCLOSING, onClosing_);
      Queue(PR_ONCLOSED, onClosed_);
      SetAnimationState(ClosedWait);
      break;
    case ClosedWait:
      SetAnimationState(Closed);
      break;
    case Closed:
      return !HasEvent(PR_ONCLOSING) && !HasEvent(PR_ONCLOSED);
    default:
      break;
  }
  return false;
}

void TOrvaMenu::Select() {
  if (!HoverIsItem()) return;
  TOrvaCustomListBox::Select();
  if (!autoScrap_) return;
  locked_ = true;
  SetAnimationState(ClosedAtOnce);
}

void TOrvaMenu::KeyRepeat() {
  if (playState_ == LP_STOP || playState_ == LP_STOPFADE) return;
  TOrvaBaseList* scene = GetOwner();
  if (!scene) return;
  if ((scene->IsKeyHit(VkReturn) || scene->IsKeyHit(VkSpace)) && GetHoverIndex() >= 0 && !locked_) {
    Select();
    ListKeys();
    return;
  }
  if (rClickScrap_ && scene->IsKeyHit(VkEscape) && playState_ != LP_STOP) SetAnimationState(CloseAsked);
  ListKeys();
}

bool TOrvaMenu::RClickScrap() {
  const uint8_t ignore = GetIgnoreMouse();
  if (locked_ || (ignore != IM_NONE && ignore != IM_LCLICK)) return false;
  locked_ = true;
  SetAnimationState(CloseAsked);
  return true;
}

void TOrvaMenu::RButtonDown() {
  if (GetPaused() || !rClickScrap_) {
    TOrvaCustomListBox::RButtonDown();
    return;
  }
  if (TParamCollection* vars = GetSceneVariables()) {
    vars->SelStr.clear();
    vars->SelIndex = -1;
  }
  Play(LP_STOPFADE);
  if (TOrvaBase* layer = GetBase()) layer->RightClick = false;
}

void TOrvaMenu::SaveToStream(TStream& stream) {
  TOrvaCustomListBox::SaveToStream(stream);
  WriteStreamInt(stream, delay_);
  WriteStreamInt(stream, hoverColor_);
  WriteStreamBool(stream, autoScrap_);
  WriteStreamBool(stream, rClickScrap_);
  WriteStreamByte(stream, playState_);
  for (const std::string* s : {&onOpening_, &onOpened_, &onClosing_, &onClosed_}) WriteStreamString(stream, *s);
}

void TOrvaMenu::LoadFromStream(TStream& stream, int version) {
  TOrvaCustomListBox::LoadFromStream(stream, version);
  delay_ = ReadStreamInt(stream);
  hoverColor_ = ReadStreamInt(stream);
  autoScrap_ = ReadStreamBool(stream);
  rClickScrap_ = ReadStreamBool(stream);
  playState_ = ReadStreamByte(stream);
  for (std::string* s : {&onOpening_, &onOpened_, &onClosing_, &onClosed_}) ReadStreamString(stream, *s);
  Relayout();
  fullHeight_ = GetHeight();
  phaseStart_ = GameClock;
}

}  // namespace orva

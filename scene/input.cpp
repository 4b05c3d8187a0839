// The input step: once per frame the scene turns what the main window recorded (buttons,
// wheel, mouse position, keys) into calls of the objects under the mouse, of the object that
// captured a button and of the focus control, which queue the objects' events.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/string_lists.h"
#include "scene/base_list.h"
#include "scene/geometry.h"
#include "scene/scene_services.h"
#include "script/param_collection.h"

namespace orva {

namespace {

TParamCollection*& SceneVariablesSlot() {
  static TParamCollection* vars = nullptr;
  return vars;
}

bool AcceptsLeftClicks(uint8_t ignoreMouse) { return ignoreMouse == IM_NONE || ignoreMouse == IM_RCLICK; }
bool AcceptsRightClicks(uint8_t ignoreMouse) { return ignoreMouse == IM_NONE || ignoreMouse == IM_LCLICK; }

// The IGNOREMOUSE values a hit test accepts for a left click, a right click, anything else.
constexpr TIgnoreMouseSet LeftClickSet = IgnoreMouseBit(IM_NONE) | IgnoreMouseBit(IM_RCLICK);
constexpr TIgnoreMouseSet RightClickSet = IgnoreMouseBit(IM_NONE) | IgnoreMouseBit(IM_LCLICK);
constexpr TIgnoreMouseSet GeneralSet =
    IgnoreMouseBit(IM_NONE) | IgnoreMouseBit(IM_CLICK) | IgnoreMouseBit(IM_LCLICK) | IgnoreMouseBit(IM_RCLICK);

// The mouse position relative to the object, as the arguments of its mouse events.
TArrayString MouseArgs(TOrvaObject& object, const TOrvaBase& layer) {
  const TPoint mouse = layer.GetMousePos();
  TArrayString args;
  args.Add(std::to_string(WrapSub(mouse.X, object.GetScreenLeft())));
  args.Add(std::to_string(WrapSub(mouse.Y, object.GetScreenTop())));
  return args;
}

// A press of the button on the object: consumed when the object accepts the button; the
// event and the capture only when the object is free to take it.
void PressButton(TOrvaObject& object, bool accepts, uint8_t kind, const std::string& handler, uint8_t capture,
                 bool TOrvaBase::*click) {
  TOrvaBase* layer = object.GetBase();
  if (!layer || object.AsLayer() || !accepts) return;
  if (!object.GetPaused() && !object.HasEvent(kind) && !object.IsInputLocked()) {
    if (!handler.empty()) {
      const TArrayString args = MouseArgs(object, *layer);
      object.QueueEvent(kind, handler, &args);
    }
    layer->Capture |= capture;
  }
  layer->*click = false;
}

void ReleaseButton(TOrvaObject& object, uint8_t kind, const std::string& handler, uint8_t capture) {
  TOrvaBase* layer = object.GetBase();
  if (!layer || object.IsInputLocked()) return;
  if (!handler.empty()) {
    const TArrayString args = MouseArgs(object, *layer);
    object.QueueEvent(kind, handler, &args);
  }
  layer->Capture &= uint8_t(~capture);
}

}  // namespace

void SetSceneVariables(TParamCollection* vars) { SceneVariablesSlot() = vars; }
TParamCollection* GetSceneVariables() { return SceneVariablesSlot(); }

// ==== Mouse operations of every object ====

void TOrvaObject::LButtonDown() {
  PressButton(*this, AcceptsLeftClicks(GetIgnoreMouse()), PR_ONLBTNDOWN, GetOnLBtnDown(), TOrvaBase::CaptureLeft,
              &TOrvaBase::LeftClick);
}

void TOrvaObject::RButtonDown() {
  PressButton(*this, AcceptsRightClicks(GetIgnoreMouse()), PR_ONRBTNDOWN, GetOnRBtnDown(), TOrvaBase::CaptureRight,
              &TOrvaBase::RightClick);
}

void TOrvaObject::LButtonUp() { ReleaseButton(*this, PR_ONLBTNUP, GetOnLBtnUp(), TOrvaBase::CaptureLeft); }

void TOrvaObject::RButtonUp() { ReleaseButton(*this, PR_ONRBTNUP, GetOnRBtnUp(), TOrvaBase::CaptureRight); }

void TOrvaObject::MouseMove() {
  TOrvaBase* layer = GetBase();
  if (!layer) return;
  const std::string handler = GetOnMouseMove();
  if (handler.empty() || HasEvent(PR_ONMOUSEMOVE) || IsInputLocked()) return;
  const TArrayString args = MouseArgs(*this, *layer);
  QueueEvent(PR_ONMOUSEMOVE, handler, &args);
}

void TOrvaObject::MouseIn(TOrvaObject*) {
  const std::string handler = GetOnMouseIn();
  if (!handler.empty() && !IsInputLocked()) QueueEvent(PR_ONMOUSEIN, handler);
}

void TOrvaObject::MouseOut(TOrvaObject*) {
  const std::string handler = GetOnMouseOut();
  if (!handler.empty() && !IsInputLocked()) QueueEvent(PR_ONMOUSEOUT, handler);
}

// ==== The layer's mouse step ====

bool TOrvaBase::IsListedObject(TOrvaObject* object) const {
  return object && object->IsListed() && object->GetOwner() == GetOwner();
}

void TOrvaBase::OfferRightClick() {
  TOrvaBaseList* main = GetMainScene();
  if (!main) return;
  // A copy: a receiver may leave the list while it is asked.
  const std::vector<TObjectHandle> receivers = main->RightClickReceivers();
  for (TObjectHandle handle : receivers) {
    TOrvaObject* object = ResolveHandle(handle);
    if (!object || !object->GetRClickScrap() || !object->IsEffectivelyVisible() || object->GetBase() != this ||
        object->GetPaused() || !AcceptsRightClicks(object->GetIgnoreMouse()))
      continue;
    if (object->RClickScrap()) {
      RightClick = false;
      return;
    }
  }
}

void TOrvaBase::UpdateCursor(TOrvaObject& target) {
  TSceneCursor* cursor = GetSceneServices().Cursor;
  if (!cursor) return;
  std::string file = target.GetCursorAt();
  if (file.empty())
    if (TParamCollection* vars = GetSceneVariables()) file = vars->GameCursorFile;
  if (file.empty()) {
    if (cursor->GetPanelCursor() != TSceneCursor::Arrow) cursor->SetPanelCursor(TSceneCursor::Arrow);
    return;
  }
  if (file != CursorFile) {
    try {
      cursor->LoadCustomCursor(FileManager ? FileManager->GetRealFileName(file) : OsPath(file));
    } catch (const Exception&) {
      return;  // no work file for it: the cursor stays, and the file is tried again
    }
    CursorFile = file;
  }
  if (cursor->GetPanelCursor() != TSceneCursor::Custom) cursor->SetPanelCursor(TSceneCursor::Custom);
}

void TOrvaBase::DispatchMouse() {
  LeftClick = std::exchange(LeftClickPending, false);
  RightClick = std::exchange(RightClickPending, false);
  WheelDown = std::exchange(WheelDownPending, false);
  WheelUp = std::exchange(WheelUpPending, false);

  if (RightClick) OfferRightClick();

  // A captured button: every mouse change goes to the object holding it, nothing else.
  if (Capture != 0 && IsListedObject(Hover.Get())) {
    TOrvaObject* hover = Hover.Get();
    if ((Capture & CaptureLeft) && !LeftHeld) {
      hover->LButtonUp();
      Capture &= uint8_t(~CaptureLeft);
    } else if ((Capture & CaptureRight) && !RightHeld) {
      hover->RButtonUp();
      Capture &= uint8_t(~CaptureRight);
    }
    if (MouseMoved)
      if (TOrvaObject* h = Hover.Get()) h->MouseMove();
    if (TOrvaObject* h = Hover.Get()) h->MouseHold();
    MouseMoved = false;
    return;
  }

  const TIgnoreMouseSet accepted = LeftClick ? LeftClickSet : RightClick ? RightClickSet : GeneralSet;
  TWeakRef<TOrvaObject> target = HitTest(mouse_, accepted);
  Capture = 0;
  if (TOrvaObject* t = target.Get()) {
    UpdateCursor(*t);
    if (LeftClick) {
      t->LButtonDown();
      if (!IsListedObject(target.Get())) target.Reset();
      TOrvaControl* control = target.Get() ? target.Get()->AsControl() : nullptr;
      if (control && !control->GetPaused() && control->GetHandleKey() && GetOwner()) GetOwner()->SetFocus(control);
    } else if (RightClick) {
      t->RButtonDown();
      if (!IsListedObject(target.Get())) target.Reset();
    } else if (WheelDown || WheelUp) {
      const uint8_t kind = WheelDown ? PR_ONWHEELDOWN : PR_ONWHEELUP;
      const std::string handler = WheelDown ? t->GetOnWheelDown() : t->GetOnWheelUp();
      if (!handler.empty() && !t->HasEvent(kind) && !t->IsInputLocked()) t->QueueEvent(kind, handler);
    }
  }

  // Enter and leave.
  const TWeakRef<TOrvaObject> old = Hover;
  if (TOrvaObject* o = old.Get(); o && o != target.Get() && IsListedObject(o)) {
    o->MouseOut(target.Get());
    if (!IsListedObject(target.Get())) target.Reset();
  }
  if (TOrvaObject* t = target.Get(); t && (MouseMoved || old.Handle() != target.Handle())) {
    if (old.Handle() != target.Handle()) {
      t->MouseIn(old.Get());
      if (!IsListedObject(target.Get())) target.Reset();
    }
    if (TOrvaObject* still = target.Get()) still->MouseMove();
  }
  Hover = target;
  MouseMoved = false;
}

// ==== The scene's input step and keyboard ====

void TOrvaBaseList::RecordButtonPress(TMouseButton button) {
  const bool left = button == TMouseButton::Left, right = button == TMouseButton::Right;
  for (auto& layer : layers_) {
    layer->LeftHeld = left;
    layer->RightHeld = right;
  }
  ActiveLayer()->LeftClickPending = left;
  ActiveLayer()->RightClickPending = right;
}

void TOrvaBaseList::RecordButtonRelease() {
  for (auto& layer : layers_) layer->LeftHeld = layer->RightHeld = false;
}

void TOrvaBaseList::RecordWheel(bool down) {
  if (down)
    ActiveLayer()->WheelDownPending = true;
  else
    ActiveLayer()->WheelUpPending = true;
}

void TOrvaBaseList::RecordMousePos(TPoint point) {
  for (auto& layer : layers_) layer->SetMousePos(point);
}

namespace {
bool IsKeyCode(int code) { return code >= 0 && code < 256; }
}  // namespace

void TOrvaBaseList::SetKeyState(int code, bool down) {
  if (!IsKeyCode(code) || (keys_.Held[code] != 0) == down) return;
  keys_.Held[code] = down;
  keys_.Repeated[code] = down;
  if (down) {
    keys_.RepeatTimer[code] = KeyRepeatDelay;
    keys_.DownPending = keys_.RepeatPending = true;
  } else {
    keys_.UpPending = true;
  }
}

void TOrvaBaseList::SetKeyHit(int code, bool flag) {
  if (IsKeyCode(code)) keys_.HitPending[code] = flag;
}

bool TOrvaBaseList::IsKeyDown(int code) const { return IsKeyCode(code) && keys_.Held[code]; }
bool TOrvaBaseList::IsKeyHit(int code) const { return IsKeyCode(code) && keys_.Hit[code]; }
bool TOrvaBaseList::IsKeyRepeated(int code) const { return IsKeyCode(code) && keys_.RepeatedLatched[code]; }

void TOrvaBaseList::ClearKeys() {
  keys_.Held.fill(0);
  keys_.HitPending.fill(0);
  keys_.Repeated.fill(0);
  keys_.RepeatTimer.fill(0);
  keys_.DownPending = keys_.UpPending = keys_.RepeatPending = false;
}

void TOrvaBaseList::ProcessInput() {
  if (recomputeFocus_) {
    SetFocus(ActiveLayer()->FindKeyTarget());
    recomputeFocus_ = false;
  }
  keys_.Hit = keys_.HitPending;
  keys_.HitPending.fill(0);
  keys_.RepeatedLatched = keys_.Repeated;

  ActiveLayer()->DispatchMouse();

  if (TOrvaControl* focus = focus_.Get(); focus && focus->GetHandleKey()) {
    const TWeakRef<TOrvaControl> target = focus;
    if (keys_.DownPending) focus->KeyDown();
    if (TOrvaControl* f = target.Get(); f && keys_.RepeatPending) f->KeyRepeat();
    if (TOrvaControl* f = target.Get(); f && keys_.UpPending) f->KeyUp();
  }
  keys_.DownPending = keys_.UpPending = keys_.RepeatPending = false;

  for (int code = 0; code < 256; ++code) {
    if (!keys_.Held[code]) continue;
    int32_t& timer = keys_.RepeatTimer[code];
    timer = WrapSub(timer, FrameDelta);
    keys_.Repeated[code] = timer <= 0;
    if (timer <= 0) {
      timer = WrapAdd(timer, KeyRepeatInterval);
      keys_.RepeatPending = true;
    }
  }
}

}  // namespace orva

#pragma once
// TOrvaButton (LT_BUTTON): an animated image with four looks (normal, hover, pressed,
// clicked), each a layered image or a film. It follows the mouse, captures the left button
// while pressed, queues ONNOTIFY when a press is released over it, plays its clicked look
// once, may free itself after a click (AUTOSCRAP), and works as a toggle or a radio button
// among the siblings of its GROUPINDEX. With the focus, Enter and Space click it. A look that
// does not exist is never entered.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "scene/animated_image.h"

namespace orva {

class TOrvaButton : public TOrvaImages {
 public:
  enum TState : int32_t { Normal = 0, Hover = 1, Pressed = 2, Clicked = 3 };

  explicit TOrvaButton(TOrvaBaseList* owner) : TOrvaImages(owner, 4) {}
  ~TOrvaButton() override;

  uint8_t GetCompoType() override { return LT_BUTTON; }
  int32_t GetState() override { return state_; }
  void SetState(int32_t state) override;
  int32_t GetStateCount() override { return 4; }
  // The look's film in the hover, pressed and clicked states, the button's own in the normal
  // one.
  TOrvaMotion* GetMotion() override;

  std::string GetHoverSource() override { return sources_[Hover]; }
  void SetHoverSource(std::string_view value) override { SetLookSource(Hover, value); }
  std::string GetPressedSource() override { return sources_[Pressed]; }
  void SetPressedSource(std::string_view value) override { SetLookSource(Pressed, value); }
  std::string GetClickedSource() override { return sources_[Clicked]; }
  void SetClickedSource(std::string_view value) override { SetLookSource(Clicked, value); }
  int32_t GetGroupIndex() override { return groupIndex_; }
  void SetGroupIndex(int32_t value) override;
  bool GetSelected() override { return selected_; }
  void SetSelected(bool value) override;
  bool GetAllowAllUp() override { return allowAllUp_; }
  void SetAllowAllUp(bool value) override;
  // Every look but the clicked one repeats.
  bool GetRepeat() override { return state_ != Clicked; }
  void SetPaused(bool value) override;
  std::string GetOnNotify() override { return onNotify_; }
  void SetOnNotify(std::string_view value) override { onNotify_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }

  void GroupSelect(bool value) override;
  void GroupAllowAllUp(bool value) override { allowAllUp_ = value; }
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void LButtonDown() override;
  void LButtonUp() override;
  void KeyRepeat() override;
  bool Idle() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // 0 not pressed, 1 pressed (the left button captured), −1 clicked and to be freed.
  int32_t GetPressPhase() const { return pressPhase_; }

 private:
  void SetLookSource(int look, std::string_view value);
  // Whether the layer's left-click hit test at the mouse finds this button.
  bool UnderMouse();
  void Click();
  void UpdateGroup();

  int32_t pressPhase_ = 0;
  int32_t state_ = Normal;
  int32_t returnState_ = Normal;
  std::array<std::string, 4> sources_;  // [0] unused: the normal look is SOURCE
  int32_t groupIndex_ = 0;
  bool selected_ = false;
  bool allowAllUp_ = false;
  std::string onNotify_;
  std::string onIdle_;
  std::array<std::unique_ptr<TOrvaMotion>, 4> motions_;  // [0] unused: the control's own
};

}  // namespace orva

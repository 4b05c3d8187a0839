#pragma once
// TOrvaMenu (LT_MENU): the choice menu. A list box that opens and closes by growing and
// shrinking its height over DELAY milliseconds, queues ONOPENING, ONOPENED, ONCLOSING and
// ONCLOSED, takes the focus when it opens, selects with the mouse or with Return or Space,
// may close itself after a selection (AUTOSCRAP) or on a right click or Escape
// (RCLICKSCRAP), and frees itself once a close has finished and its closing handlers have
// run. Once it begins to close it is locked: its input is ignored for good.

#include <cstdint>
#include <string>

#include "text/list_box.h"

namespace orva {

class TOrvaMenu : public TOrvaCustomListBox {
 public:
  // The states of the opening and closing (the list box's animation state).
  enum TPhase : int32_t {
    Open = 0,
    CloseAsked = 10,
    OpenStart = 100,
    OpenClock = 101,
    Opening = 102,
    CloseStart = 200,
    Closing = 201,
    ClosedAtOnce = 300,
    ClosedWait = 301,
    Closed = 302,
  };

  // Registers with the main scene's right-click receivers.
  explicit TOrvaMenu(TOrvaBaseList* owner);
  ~TOrvaMenu() override;

  uint8_t GetCompoType() override { return LT_MENU; }
  int32_t GetDelay() override { return delay_; }
  void SetDelay(int32_t value) override { delay_ = value; }
  int32_t GetHoverColor() override { return hoverColor_; }
  void SetHoverColor(int32_t value) override;
  int32_t GetFontHoverColor() override { return HoverLabels().Color; }
  void SetFontHoverColor(int32_t value) override;
  TFontStyles GetFontHoverStyle() override { return IntToFontStyles(HoverLabels().Style); }
  void SetFontHoverStyle(TFontStyles value) override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  bool GetRClickScrap() override { return rClickScrap_; }
  void SetRClickScrap(bool value) override { rClickScrap_ = value; }
  std::string GetOnOpening() override { return onOpening_; }
  void SetOnOpening(std::string_view value) override { onOpening_ = value; }
  std::string GetOnOpened() override { return onOpened_; }
  void SetOnOpened(std::string_view value) override { onOpened_ = value; }
  std::string GetOnClosing() override { return onClosing_; }
  void SetOnClosing(std::string_view value) override { onClosing_ = value; }
  std::string GetOnClosed() override { return onClosed_; }
  void SetOnClosed(std::string_view value) override { onClosed_ = value; }
  // The full height while it opens or closes animated, else HEIGHT.
  int32_t GetOrigHeight() override;
  uint8_t GetPlayState() override { return playState_; }
  // 0 open at once, 1 open animated, 2 close at once, 3 close animated; asking for the
  // state the menu is in (1 counting as 0, 3 as 2) does nothing.
  void Play(uint8_t mode) override;
  bool IsInputLocked() override { return locked_; }

  bool Idle() override;
  void Select() override;
  void KeyRepeat() override;
  bool RClickScrap() override;
  void RButtonDown() override;
  void SaveToStream(TStream& stream) override;
  // Lays out again and starts the phase that was saved from the load.
  void LoadFromStream(TStream& stream, int version) override;

  int32_t FullHeight() const { return fullHeight_; }

 protected:
  int32_t HoverBarColor() override { return hoverColor_; }

 private:
  void Queue(uint8_t kind, const std::string& handler);
  // The focus moves to the menu when it can take keys.
  void TakeFocus();
  void LeaveFocus();

  int32_t fullHeight_ = 0;
  uint32_t phaseStart_ = 0;
  int32_t delay_ = 0;
  int32_t hoverColor_ = -1;
  bool autoScrap_ = false;
  bool rClickScrap_ = false;
  uint8_t playState_ = LP_STOP;
  std::string onOpening_, onOpened_, onClosing_, onClosed_;
  bool locked_ = false;
};

}  // namespace orva

#pragma once
// TOrvaPrevMenu (LT_PREVMENU): a menu of picture buttons described by a preview-menu data
// file (SOURCE). Each button is a child image object (TOrvaPrevImages) showing a layered
// image or playing a film for its state: normal, hover (looping), leave (once), selected
// (once), each with a disabled variant, plus an optional overlay object for hover, leave
// and selection. The mouse or the arrow keys move the hover; a click, Space or Return
// selects; when the selection's animations have ended the menu frees itself (AUTOSCRAP) or
// queues ONPLAYEND. Scripts disable or hide buttons by index. The pictures the buttons name
// are held in the decoded-image cache while the menu keeps its data.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "scene/animated_image.h"
#include "scene/object_handle.h"

namespace orva {

class TOrvaPrevMenu;
class TVaskItem;

// A button or overlay of a preview menu: an animated image that starts every new source with
// its drawing settings reset, and tells its menu when a pass that does not repeat has ended.
class TOrvaPrevImages : public TOrvaImages {
 public:
  using TOrvaImages::TOrvaImages;
  void SetSource(std::string_view value) override;
  // Never asks to be freed.
  bool Idle() override;
  // The animation does not repeat and has shown its last frame (or its film) to the end.
  bool RanOut();
};

class TOrvaPrevMenu : public TOrvaControl {
 public:
  explicit TOrvaPrevMenu(TOrvaBaseList* owner);
  ~TOrvaPrevMenu() override;

  uint8_t GetCompoType() override { return LT_PREVMENU; }
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view value) override;
  int32_t GetCount() override { return static_cast<int32_t>(records_.size()); }
  // The button names, one a line.
  std::string GetText() override;
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool value) override { autoScrap_ = value; }
  bool GetRClickScrap() override { return rClickScrap_; }
  void SetRClickScrap(bool value) override { rClickScrap_ = value; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool value) override { paused_ = value; }
  std::string GetOnSelect() override { return onSelect_; }
  void SetOnSelect(std::string_view value) override { onSelect_ = value; }
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view value) override { onIdle_ = value; }
  std::string GetOnMapIn() override { return onMapIn_; }
  void SetOnMapIn(std::string_view value) override { onMapIn_ = value; }
  std::string GetOnMapOut() override { return onMapOut_; }
  void SetOnMapOut(std::string_view value) override { onMapOut_ = value; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }

  // Out of range: false, and ignored.
  bool GetItemEnabled(int index) override;
  void SetItemEnabled(int index, bool value) override;
  bool GetItemVisible(int index) override;
  void SetItemVisible(int index, bool value) override;
  int32_t IndexOfItemName(std::string_view name) override;
  std::string GetCursorAt() override;

  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  void MouseMove() override;
  void MouseOut(TOrvaObject* next) override;
  void LButtonDown() override;
  void LButtonUp() override;
  void RButtonDown() override;
  void KeyRepeat() override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // What a button or overlay reports when its animation has run out.
  void AnimationEnd(TOrvaPrevImages& object);
  int32_t HoverIndex() const { return hover_; }
  int32_t PendingCount() const { return pending_; }
  TOrvaPrevImages* Button(int index);
  TOrvaPrevImages* Overlay(int index);
  // The names held in the decoded-image cache, upper-cased.
  const std::vector<std::string>& PreloadedNames() const { return preloadedNames_; }
  // Moves the hover (the mouse and keys do it), with the leave and hover looks.
  void ChangeHover(int32_t index);

 private:
  // A button's files, as read.
  struct TRecord {
    std::string Normal, Hover, Leave, Select, Disabled, DisabledHover, DisabledLeave;
    std::string HoverOverlay, LeaveOverlay, SelectOverlay, DisabledHoverOverlay, DisabledLeaveOverlay;
    int32_t OverlayX = 0, OverlayY = 0;
    std::string Name;
    int32_t Index = 0;
  };
  bool IsButton(int index) const { return index >= 0 && index < static_cast<int>(records_.size()); }
  // Frees the button and overlay objects at once and gives the cache items back.
  void ClearButtons();
  void Preload(const std::string& name);
  // SOURCE and REPEAT of a button object.
  void Show(int index, const std::string& source, bool repeat);
  // The look of a button at rest: normal, disabled, or nothing while hidden.
  void ShowRest(int index);
  void SetOverlay(int index, const std::string& name, bool looping, int32_t priority);
  TOrvaPrevImages* MakeOverlay(int index);
  void FreeOverlay(int index);
  void Select();
  void Finish(int button);
  void QueueButtonEvent(uint8_t kind, const std::string& handler, int index);
  TOrvaPrevImages* MakeButtonObject();

  std::string source_;
  bool paused_ = false, autoScrap_ = false, rClickScrap_ = false;
  std::string onSelect_, onIdle_, onMapIn_, onMapOut_, onPlayEnd_;
  std::vector<TRecord> records_;
  std::vector<TWeakRef<TOrvaPrevImages>> buttons_, overlays_;
  std::vector<std::string> preloadedNames_;
  std::vector<TVaskItem*> preloadedItems_;
  std::set<std::string> openedFilms_;
  int32_t hover_ = -1;
  int32_t pressed_ = -1;
  int32_t pending_ = 0;
  std::vector<uint8_t> enabled_, visible_;
};

}  // namespace orva

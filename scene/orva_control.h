#pragma once
// TOrvaControl: everything shown on screen. A position and size in its parent's coordinates,
// an offset (the hot spot), zoom-aware layer coordinates, a clip rectangle, visibility, a
// parent and a z-ordered child list, a background colour, the mouse and key handler
// properties, a cursor and an optional motion. Controls form a tree under the scene's two
// layers; a control draws into its layer's surface, children above their parent, each child
// clipped to its parent's client rectangle and its own clip rectangle.
//
// TOrvaCabinet is a control that hides what it holds.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "scene/motion.h"
#include "scene/orva_object.h"

namespace orva {

class TOrvaControl : public TOrvaComponent {
 public:
  explicit TOrvaControl(TOrvaBaseList* owner);
  // Frees every child (through the scene's list) and the motion (which leaves the control
  // alone), and drops the focus when it held it.
  ~TOrvaControl() override;

  TOrvaControl* AsControl() override { return this; }

  // ---- Tree ----
  TOrvaControl* GetParent() override { return parent_; }
  // Ignores itself and its descendants as the new parent.
  void SetParent(TOrvaControl* parent) override;
  TOrvaControl* GetChild(int index) override;
  int GetChildCount() override { return static_cast<int>(childSlots_.size() - childHoles_); }
  const std::vector<TOrvaControl*>& Children() const { return Kids(); }
  virtual void AddChild(TOrvaControl* child);
  virtual void RemoveChild(TOrvaControl* child);
  // Re-sorts the children by z-order (bottom first), stably.
  virtual void SortChildren();
  virtual void ClipChanged();
  bool Contains(const TOrvaObject* object) override;
  bool IsInCabinet() override;

  // Renames: the previous holder of the name takes the name with a "_n" suffix.
  void SetName(std::string_view name) override;

  // ---- Properties ----
  // VISIBLE as set, whatever the parent chain says.
  bool GetVisible() override { return visible_; }
  void SetVisible(bool value) override;
  bool IsEffectivelyVisible() override;
  int32_t GetLeft() override { return left_; }
  void SetLeft(int32_t value) override;
  int32_t GetTop() override { return top_; }
  void SetTop(int32_t value) override;
  int32_t GetWidth() override { return width_; }
  void SetWidth(int32_t value) override;
  int32_t GetHeight() override { return height_; }
  void SetHeight(int32_t value) override;
  int32_t GetOffsetX() override { return offsetX_; }
  void SetOffsetX(int32_t value) override;
  int32_t GetOffsetY() override { return offsetY_; }
  void SetOffsetY(int32_t value) override;
  int32_t GetColor() override { return color_; }
  void SetColor(int32_t value) override;
  uint8_t GetIgnoreMouse() override { return ignoreMouse_; }
  void SetIgnoreMouse(uint8_t value) override { ignoreMouse_ = value; }
  std::string GetCursor() override { return cursor_; }
  void SetCursor(std::string_view value) override { cursor_ = value; }
  bool GetPosZoomed() override { return posZoomed_; }
  void SetPosZoomed(bool value) override;
  int32_t GetClipLeft() override { return clipLeft_; }
  void SetClipLeft(int32_t value) override;
  int32_t GetClipTop() override { return clipTop_; }
  void SetClipTop(int32_t value) override;
  int32_t GetClipWidth() override { return clipWidth_; }
  void SetClipWidth(int32_t value) override;
  int32_t GetClipHeight() override { return clipHeight_; }
  void SetClipHeight(int32_t value) override;
  int32_t GetPlusX() override { return plusX_; }
  void SetPlusX(int32_t value) override;
  int32_t GetPlusY() override { return plusY_; }
  void SetPlusY(int32_t value) override;
  bool GetAniPaused() override;
  void SetAniPaused(bool value) override { aniPaused_ = value; }
  bool GetHandleKey() override { return handleKey_; }
  void SetHandleKey(bool value) override;
  bool GetPlaying() override;
  int32_t GetMotionX() override { return motionX_; }
  void SetMotionX(int32_t value) override;
  int32_t GetMotionY() override { return motionY_; }
  void SetMotionY(int32_t value) override;
  bool GetMarked() override { return marked_; }
  void SetMarked(bool value) override;
  // The saved rectangle that film tracks write and read; independent of the position.
  TRect GetBoundsRect() override { return bounds_; }
  void SetBoundsRect(const TRect& rect) override { bounds_ = rect; }
  // LEFT, TOP, WIDTH and HEIGHT at once, invalidating the old and the new rectangle.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  std::string GetOnMouseMove() override { return handlers_[hMouseMove]; }
  void SetOnMouseMove(std::string_view v) override { handlers_[hMouseMove] = v; }
  std::string GetOnMouseIn() override { return handlers_[hMouseIn]; }
  void SetOnMouseIn(std::string_view v) override { handlers_[hMouseIn] = v; }
  std::string GetOnMouseOut() override { return handlers_[hMouseOut]; }
  void SetOnMouseOut(std::string_view v) override { handlers_[hMouseOut] = v; }
  std::string GetOnLBtnDown() override { return handlers_[hLBtnDown]; }
  void SetOnLBtnDown(std::string_view v) override { handlers_[hLBtnDown] = v; }
  std::string GetOnLBtnUp() override { return handlers_[hLBtnUp]; }
  void SetOnLBtnUp(std::string_view v) override { handlers_[hLBtnUp] = v; }
  std::string GetOnRBtnDown() override { return handlers_[hRBtnDown]; }
  void SetOnRBtnDown(std::string_view v) override { handlers_[hRBtnDown] = v; }
  std::string GetOnRBtnUp() override { return handlers_[hRBtnUp]; }
  void SetOnRBtnUp(std::string_view v) override { handlers_[hRBtnUp] = v; }
  std::string GetOnWheelDown() override { return handlers_[hWheelDown]; }
  void SetOnWheelDown(std::string_view v) override { handlers_[hWheelDown] = v; }
  std::string GetOnWheelUp() override { return handlers_[hWheelUp]; }
  void SetOnWheelUp(std::string_view v) override { handlers_[hWheelUp] = v; }
  std::string GetOnKeyDown() override { return handlers_[hKeyDown]; }
  void SetOnKeyDown(std::string_view v) override { handlers_[hKeyDown] = v; }
  std::string GetOnKeyUp() override { return handlers_[hKeyUp]; }
  void SetOnKeyUp(std::string_view v) override { handlers_[hKeyUp] = v; }
  std::string GetOnKeyRepeat() override { return handlers_[hKeyRepeat]; }
  void SetOnKeyRepeat(std::string_view v) override { handlers_[hKeyRepeat] = v; }
  std::string GetOnFocusIn() override { return handlers_[hFocusIn]; }
  void SetOnFocusIn(std::string_view v) override { handlers_[hFocusIn] = v; }
  std::string GetOnFocusOut() override { return handlers_[hFocusOut]; }
  void SetOnFocusOut(std::string_view v) override { handlers_[hFocusOut] = v; }

  // ---- Layer coordinates ----
  int32_t GetScreenLeft() override;
  int32_t GetScreenTop() override;
  int32_t GetOriginX() override;
  int32_t GetOriginY() override;
  TPoint GetDrawOrigin() override;
  TPoint ClientToScreen(TPoint point) override;
  TPoint ScreenToClient(TPoint point) override;

  // ---- Drawing, hit testing, keys, update ----
  void Invalidate() override;
  // Draws the children; a subclass draws its own picture first and then calls this.
  void Paint() override;
  TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) override;
  TOrvaControl* FindKeyTarget() override;
  void KeyDown() override;
  void KeyUp() override;
  void KeyRepeat() override;
  bool Idle() override;

  // ---- Motion ----
  // The motion that drives the control now: its own, unless a class plays another (a
  // button's look).
  virtual TOrvaMotion* GetMotion() { return motion_.get(); }
  // Frees the current motion, which puts the control back at its own position.
  void FreeMotion();
  void LoadMotion(std::string_view fileName) override;
  // The SOURCE rule of the controls whose only source is a film: the motion goes, and a
  // name ending in ".omt" (any case) loads one in its place.
  void LoadMotionSource(std::string_view fileName);
  // REPEAT turned on: a motion that has finished plays again from its start.
  void RewindFinishedMotion();
  void StartMotion() override;
  void RecreateSurfaces() override;

  // ---- Radio groups (operations of the group's parent) ----
  void UpdateGroup(TOrvaControl* sender, int32_t group);
  void SetGroupAllowAllUp(int32_t group, bool flag);

  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

  // The z-order comparison: < 0 when a lies below b.
  static int ComparePriority(TOrvaObject* a, TOrvaObject* b);

 protected:
  // The setter rule of drawn settings: a new value is stored and the control drawn again.
  template <class T>
  void StoreAndInvalidate(T& field, T value) {
    if (field == value) return;
    field = value;
    Invalidate();
  }
  // The fields themselves, without invalidation: for the size rules of subclasses.
  void AssignWidth(int32_t value) { width_ = value; }
  void AssignHeight(int32_t value) { height_ = value; }
  void AssignPosZoomed(bool value) { posZoomed_ = value; }
  // Reads the children of the stored form; depth is the nesting of this control.
  void LoadChildren(TStream& stream, int version);
  // The axis rule of GetScreenLeft/GetScreenTop.
  int32_t ScreenPos(bool vertical);
  int32_t OriginPos(bool vertical);

 private:
  friend class TOrvaObject;
  // The child's z-order key changed (or it was just added): it may be out of place until
  // the next sort.
  void ChildKeyChanged(TOrvaControl* child);
  // Forgets which children may be out of place: the next sort looks at all of them.
  void ForgetChildOrder();
  // Every child is in place.
  void ChildOrderSettled();
  // Places the misplaced children as a stable sort of the whole list would.
  void PlaceMisplacedChildren();
  // The children, the holes of the removed ones closed first.
  std::vector<TOrvaControl*>& Kids() const {
    if (childHoles_ != 0) CloseChildHoles();
    return childSlots_;
  }
  void CloseChildHoles() const;
  // The index of the child in childSlots_, childSlots_.size() when it is not there.
  size_t SlotOf(const TOrvaControl* child) const;
  // Children from that index on may have moved: their slot_ is to be checked.
  void MovedFrom(size_t index) const { staleFrom_ = std::min(staleFrom_, index); }

  enum Handler { hMouseMove, hMouseIn, hMouseOut, hLBtnDown, hLBtnUp, hRBtnDown, hRBtnUp, hWheelDown, hWheelUp,
                 hKeyDown, hKeyUp, hKeyRepeat, hFocusIn, hFocusOut, HandlerCount };
  void QueueKeyEvent(uint8_t kind, Handler handler);
  void MovePosition(int32_t& field, int32_t value, int32_t* motion);
  // The parent chain length, for the bound on stored nesting.
  int Depth();
  void DrawMarkedFrame(TCustomDIBX& surface);

  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int32_t offsetX_ = 0, offsetY_ = 0;
  bool visible_ = true;
  TOrvaControl* parent_ = nullptr;
  int32_t color_ = 0;
  // The children in z-order; a removed one leaves a hole (none) until they are read, so that
  // freeing many costs no move of the rest each.
  mutable std::vector<TOrvaControl*> childSlots_;
  mutable size_t childHoles_ = 0;
  // Where this control was last seen in its parent's childSlots_; right unless it was at
  // or after the parent's staleFrom_.
  size_t slot_ = 0;
  mutable size_t staleFrom_ = 0;
  // Unless childOrderLost_, the children not listed here are in z-order among themselves,
  // so that a sort only has to place these few (the one just added, the one renamed).
  std::vector<TOrvaControl*> misplaced_;
  bool childOrderLost_ = false;
  // Listed in the parent's misplaced_.
  bool inMisplaced_ = false;
  TRect bounds_{0, 0, 1, 1};
  std::string handlers_[HandlerCount];
  uint8_t ignoreMouse_ = IM_NONE;
  std::string cursor_;
  bool posZoomed_ = false;
  bool marked_ = false;
  int32_t clipLeft_ = 0, clipTop_ = 0, clipWidth_ = 0, clipHeight_ = 0;
  int32_t motionX_ = 0, motionY_ = 0;
  int32_t plusX_ = 0, plusY_ = 0;
  bool aniPaused_ = false;
  bool handleKey_ = false;
  std::unique_ptr<TOrvaMotion> motion_;
};

// LT_CABINET: never visible, paints nothing; what it holds is neither drawn, hit-tested,
// focused nor updated, and is saved with it.
class TOrvaCabinet : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  uint8_t GetCompoType() override { return LT_CABINET; }
  bool IsCabinet() override { return true; }
  bool IsEffectivelyVisible() override { return false; }
  void Paint() override {}
};

// Stored controls nested deeper than this make a load fail instead of exhausting the stack.
constexpr int MaxStoredControlDepth = 256;

}  // namespace orva

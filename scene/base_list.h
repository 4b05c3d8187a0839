#pragma once
// The scene (TOrvaBaseList) and its two screen layers (TOrvaBase). The scene owns the layers
// (one shown, the other prepared off screen and brought in with or without a transition),
// every object in creation order, the list of objects to free after the update pass, the
// event queue, the focus and the running transition. It creates objects by type code,
// finds them by name, updates them once per frame, paints the changed rectangles of both
// layers and is saved and loaded inside a game save.
//
// There is one main scene (GetMainScene), made by CreateSceneGlobals; a cinema owns a
// private scene of the same class.

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/clip_list.h"
#include "scene/orva_control.h"
#include "scene/sequence_list.h"
#include "scene/timer_list.h"
#include "scene/wipe.h"
#include "script/save_link.h"

namespace orva {

class TDIBX;
class TParamCollection;
class TWindowControl;

// A screen layer: a control whose picture is its own surface or, while it is the shown layer
// and no transition runs, the scene's picture.
class TOrvaBase : public TOrvaControl {
 public:
  explicit TOrvaBase(TOrvaBaseList* owner);
  ~TOrvaBase() override;

  TOrvaBase* AsLayer() override { return this; }
  TOrvaBase* GetBase() override { return this; }
  // A layer has no parent: its own flag decides.
  bool IsEffectivelyVisible() override { return GetVisible(); }
  TCustomDIBX* GetImage() override;
  TCustomDIBX* GetTargetSurface() override { return GetImage(); }
  TDIBX& OwnSurface() { return *surface_; }
  void SetWidth(int32_t value) override;
  void SetHeight(int32_t value) override;
  void Paint() override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;

  // The rectangle clamped to the layer (0, 0, WIDTH, HEIGHT) joins the dirty rectangles.
  void AddDirtyRect(const TRect& rect);
  void InvalidateAll() { AddDirtyRect({0, 0, GetWidth(), GetHeight()}); }
  TClipList& DirtyRects() { return dirty_; }

  // ---- Mouse ----
  // The main window records the buttons, the wheel and the position; the layer's mouse step
  // latches the clicks once per frame and turns them into object calls. An object that
  // consumes a click clears the latched flag, so the script no longer sees it.
  // Mouse position in layer coordinates; a change sets the moved flag.
  void SetMousePos(TPoint point);
  TPoint GetMousePos() const { return mouse_; }
  // The mouse step of the frame (the shown layer's, from the scene's input step).
  void DispatchMouse();
  // @LPush and @RPush: the button is held and no object captured it.
  bool IsLeftButtonDown() const { return LeftHeld && !(Capture & CaptureLeft); }
  bool IsRightButtonDown() const { return RightHeld && !(Capture & CaptureRight); }

  static constexpr uint8_t CaptureLeft = 1, CaptureRight = 2;
  bool LeftClickPending = false, LeftClick = false;
  bool RightClickPending = false, RightClick = false;
  bool LeftHeld = false, RightHeld = false;
  bool MouseMoved = false;
  // The buttons an object took at its press; that object (Hover) then gets every mouse call
  // until they are released.
  uint8_t Capture = 0;
  // The object under the mouse at the last input step, or the one holding the capture.
  TWeakRef<TOrvaObject> Hover;
  bool WheelDownPending = false, WheelDown = false;
  bool WheelUpPending = false, WheelUp = false;
  // The cursor file last installed.
  std::string CursorFile;

 private:
  void ResizeSurface();
  // Whether the object is still in the scene's object list (a layer never is).
  bool IsListedObject(TOrvaObject* object) const;
  // Offers the latched right click to the main scene's right-click receivers on this layer.
  void OfferRightClick();
  void UpdateCursor(TOrvaObject& target);

  TClipList dirty_;
  std::unique_ptr<TDIBX> surface_;
  TPoint mouse_;
};

// The scene as the interpreter sees it: objects by weak handle, the event queue, a clear,
// property access; and the scene's part of a game save.
class TOrvaSceneLink : public TSceneLink, public TSaveSection {
 public:
  explicit TOrvaSceneLink(TOrvaBaseList& scene) : scene_(scene) {}
  TObjectHandle FindObject(std::string_view name) override;
  TObjectHandle FindControl(std::string_view name) override;
  // -1 for a layer, which is never in the list.
  int IndexOfObject(TObjectHandle object) override;
  std::string GetName(TObjectHandle object) override;
  TEventQueue& Events() override;
  void Clear() override;
  void GetProp(TParamCollectionItem& item, TObjectHandle object, uint8_t code) override;
  void SetProp(TObjectHandle object, uint8_t code, const TCustomParam& value) override;
  int ActiveLayerIndex() override;
  void Paint() override;
  TObjectHandle CreateSnapshot(std::string_view name) override;
  std::vector<TObjectHandle> LayerChildren(int layer) override;
  void MoveToLayer(TObjectHandle object, int layer) override;
  bool IsCabinet(TObjectHandle object) override;
  bool SetActiveBase(int layer, int transition, int32_t duration, int32_t position, bool reset,
                     bool reverse) override;
  void SetTransitionParam(int index, int32_t value) override;
  void SetTransitionMaskName(std::string_view name) override;
  void PrepareTransition() override;
  int32_t GetTransitionDuration() override;
  void SetTransitionPosition(int32_t position) override;
  uint8_t GetCompoType(TObjectHandle object) override;
  bool GetItemCheck(TObjectHandle object, int32_t index) override;
  void SetItemCheck(TObjectHandle object, int32_t index, bool value) override;
  bool GetItemEnabled(TObjectHandle object, int32_t index) override;
  void SetItemEnabled(TObjectHandle object, int32_t index, bool value) override;
  bool GetItemVisible(TObjectHandle object, int32_t index) override;
  void SetItemVisible(TObjectHandle object, int32_t index, bool value) override;
  int32_t IndexOfItemName(TObjectHandle object, std::string_view name) override;
  std::vector<std::string> GetObjectNames(uint8_t type, std::optional<TObjectHandle> parent) override;
  TPoint ClientToScreen(TObjectHandle object, TPoint point) override;
  TPoint ScreenToClient(TObjectHandle object, TPoint point) override;
  bool IsInPrimary(TObjectHandle object) override;
  TObjectHandle CreateObject(int typeCode) override;
  void SetCreationProp(TObjectHandle object, uint8_t code, const TCustomParam& value) override;
  void AssignExpression(TObjectHandle object, uint8_t code, const TOrvaParser& expr) override;
  void Play(TObjectHandle object, int32_t mode) override;
  uint8_t GetPlayState(TObjectHandle object) override;
  void MediaPlay(TObjectHandle object) override;
  std::string GetSourceText(TObjectHandle object) override;
  void Invalidate(TObjectHandle object) override;
  void ScheduleFree(TObjectHandle object) override;
  void SetPropMotion(TObjectHandle motion, const TPropMotionFields& fields) override;
  TObjectHandle FindCabinet(std::string_view name) override;
  int GetChildCount(TObjectHandle control) override;
  TObjectHandle GetChild(TObjectHandle control, int index) override;
  void SetParent(TObjectHandle control, TObjectHandle parent) override;
  void SaveToStream(TStream& stream) override;
  void LoadFromStream(TStream& stream, int version) override;

 private:
  // The live object of this scene behind the handle, or none.
  TOrvaObject* Resolve(TObjectHandle handle) const;

  TOrvaBaseList& scene_;
};

class TOrvaBaseList : public TOrvaComponent {
 public:
  TOrvaBaseList();
  ~TOrvaBaseList() override;

  // Frees the layers, the events and every object, and makes two new empty layers at the
  // scene's size (before a load).
  void Clear();

  // ---- Object list ----
  // Takes the object into the list: the auto name when it asks for one, then appended.
  TOrvaObject* AdoptObject(std::unique_ptr<TOrvaObject> object);
  // Takes the object out of the list and hands it over; none when it is not listed.
  std::unique_ptr<TOrvaObject> RemoveObject(TOrvaObject* object);
  TOrvaObject* GetItem(int index) override;
  int GetItemCount() override { return static_cast<int>(objects_.Size()); }
  // -1 when the object is not listed.
  int IndexOfObject(const TOrvaObject* object) const;
  // Whether the handle names a live object of this scene's list.
  bool HasObject(TObjectHandle handle) const;
  // The index of the first listed object with exactly that name, -1 when none.
  int IndexOfName(std::string_view name) const;
  // The first listed object with exactly that name, or none.
  TOrvaObject* FirstNamed(std::string_view name) const;
  void QueueFree(TOrvaObject* object);

  // ---- Layers and lookups ----
  TOrvaBase* GetLayer(int index) const { return layers_[index & 1].get(); }
  TOrvaBase* ActiveLayer() const { return layers_[activeIndex_].get(); }
  int ActiveIndex() const { return activeIndex_; }
  // "" and "\x01BASE0" give the shown layer, "\x01" and "\x01BASE1" the other one; any other
  // name the first listed object with it.
  TOrvaObject* FindObject(std::string_view name) const;
  // "" the shown layer, "\x01" the other; "\x01BASE0" and "\x01BASE1" layer 0 and 1; any
  // other name the first listed control with it.
  TOrvaControl* FindControl(std::string_view name) const;
  // prefix + the first n = from, from + 1, ... that no listed object has as its name.
  std::string MakeUniqueName(std::string_view prefix, int64_t from = 0);
  // Appends the names of the listed objects of the type code (0: any) whose parent is the
  // given one (the scene itself: any parent); returns the number added.
  int GetObjectNames(std::vector<std::string>& names, uint8_t typeCode, TOrvaObject* parent);

  // The factory: the class registered for code & 127, created in this scene; none for the
  // codes without a class.
  TOrvaObject* CreateObject(int code);

  // ---- Frame ----
  bool Idle() override;
  void Paint() override;

  // ---- Shown layer and transitions ----
  // The transition type is kept only while a transition object exists: a number without a
  // class (or a scene without a picture) changes the layers directly.
  TCustomWipe* SetActiveBase(int index, int transitionType, int32_t duration, int32_t position, bool reset,
                             bool reverse);
  int32_t GetTransitionDuration() const { return transition_ ? transition_->Duration : 0; }
  void SetTransitionPosition(int32_t position);
  TCustomWipe* GetTransition() const { return transition_.get(); }
  int GetTransitionType() const { return transitionType_; }
  // The transition's changed rectangle of this frame, else empty; read by the presentation.
  TRect RedrawAllRect() const { return redrawAll_; }
  int32_t Zoom = 100;

  // ---- Surfaces and properties ----
  // The main scene answers the screen's back buffer, any other scene its own surface.
  TCustomDIBX* GetImage() override;
  int32_t GetWidth() override { return width_; }
  void SetWidth(int32_t value) override;
  int32_t GetHeight() override { return height_; }
  void SetHeight(int32_t value) override;
  void SetColor(int32_t value) override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  void SetImageDither(bool flag);
  bool GetImageDither() const;
  void SetAudioEnabled(bool flag);
  bool GetAudioEnabled() const { return audioEnabled_; }

  // ---- Input ----
  // The frame's input step, before the interpreter runs: the focus found again when asked
  // for, the key hits and repeats latched, the shown layer's mouse step, then the key calls
  // of the focus (each at most once per frame) and the key repeat timers.
  void ProcessInput();
  // What the main window records. A press sets both layers' held buttons and the shown
  // layer's pending click of the button (a middle button clears them); any release clears
  // the held buttons; the wheel sets the shown layer's pending wheel flag; a move reaches
  // both layers.
  enum class TMouseButton { Left, Right, Middle };
  void RecordButtonPress(TMouseButton button);
  void RecordButtonRelease();
  void RecordWheel(bool down);
  void RecordMousePos(TPoint point);
  // Keys by virtual-key code; codes outside 0..255 are ignored and read as not set.
  void SetKeyState(int code, bool down);
  void SetKeyHit(int code, bool flag);
  bool IsKeyDown(int code) const;
  bool IsKeyHit(int code) const;
  bool IsKeyRepeated(int code) const;
  // The application lost the input: every key is up, without key-up calls.
  void ClearKeys();

  // ---- Events, focus, right clicks ----
  TTimerList& Events() { return *events_; }
  // What the call manager is given (TCallMan::SetScene), and the scene's part of a game
  // save (TSaveSections::Scene).
  TOrvaSceneLink& Link() { return link_; }
  TOrvaControl* GetFocus() const { return focus_.Get(); }
  // Queues ONFOCUSOUT of the old and ONFOCUSIN of the new focus.
  void SetFocus(TOrvaControl* control);
  void RequestFocusUpdate(bool flag) { recomputeFocus_ = flag; }
  bool FocusUpdateRequested() const { return recomputeFocus_; }
  // Map images and menus of any scene register in the main scene's list, which the input
  // step offers each right click in order.
  const std::vector<TObjectHandle>& RightClickReceivers() const { return rightClickReceivers_; }
  void AddRightClickReceiver(TOrvaObject* object);
  void RemoveRightClickReceiver(TOrvaObject* object);

  // ---- Window controls ----
  // Painted after everything else, in the order added (the last on top).
  void AddWindowControl(TWindowControl* control);
  void RemoveWindowControl(TWindowControl* control);
  // The main window's mouse: a press on a shown window control goes to the topmost one under
  // it, which then gets the moves and the release; each answers whether a window control
  // took the mouse (the scene then hears nothing of it).
  bool WindowMouseDown(TPoint point, bool left, bool shift);
  bool WindowMouseMove(TPoint point);
  bool WindowMouseUp();
  // The wheel over a shown window control goes to the topmost one under the point.
  bool WindowWheel(TPoint point, bool down);

  // ---- Stored form ----
  void SaveToStream(TStream& stream) override;
  // Fails (EReadError) on an active index outside 0..1, sizes that are negative or beyond
  // MaxStoredSceneSize, counts beyond the bytes left and type codes without a class.
  void LoadFromStream(TStream& stream, int version) override;

 private:
  friend class TOrvaObject;
  // Kept in step with every Name change of a listed object.
  void IndexName(TOrvaObject* object);
  void UnindexName(TOrvaObject* object);
  void MakeLayers();
  void FreeObjects();
  // The shown window controls over the picture, where the layers or the transition drew.
  void PaintWindowControls();
  // The topmost shown window control under the point; none.
  TWindowControl* WindowControlAt(TPoint point) const;

  std::array<std::unique_ptr<TOrvaBase>, 2> layers_;
  int32_t width_ = 0, height_ = 0;
  std::unique_ptr<TDIBX> surface_;
  int transitionType_ = 0;
  std::unique_ptr<TCustomWipe> transition_;
  TRect redrawAll_{};
  int activeIndex_ = 0;
  std::unique_ptr<TTimerList> events_;
  // In listing order (by sequence number); freed objects leave holes until an index is asked.
  TSequenceList<std::unique_ptr<TOrvaObject>> objects_;
  std::vector<TObjectHandle> toFree_;
  int updateIndex_ = 0;
  std::vector<TObjectHandle> rightClickReceivers_;
  std::vector<TWindowControl*> windowControls_;
  TWindowControl* windowPressed_ = nullptr;
  bool audioEnabled_ = true;
  // Keyboard state by virtual-key code.
  struct TKeys {
    std::array<uint8_t, 256> Held{}, HitPending{}, Hit{}, Repeated{}, RepeatedLatched{};
    std::array<int32_t, 256> RepeatTimer{};
    bool DownPending = false, UpPending = false, RepeatPending = false;
  } keys_;
  TWeakRef<TOrvaControl> focus_;
  bool recomputeFocus_ = false;
  TOrvaSceneLink link_{*this};

  // Name index: every listed object by name, each bucket in list order.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, TSequenceList<TOrvaObject*>, NameHash, std::equal_to<>> names_;
  // Per prefix of MakeUniqueName: every number in From .. Next - 1 is known to be taken.
  struct TTakenRun {
    int64_t From, Next;
  };
  std::unordered_map<std::string, TTakenRun, NameHash, std::equal_to<>> nextNumber_;
  uint64_t nextSequence_ = 0;
};

// Stored scene sizes beyond this (either side) make a load fail.
constexpr int32_t MaxStoredSceneSize = 4096;

// Makes a listed object of class T in the scene (auto-named when it asks for a name).
template <class T, class... Args>
T* CreateSceneObject(TOrvaBaseList& scene, Args&&... args) {
  auto object = std::make_unique<T>(&scene, std::forward<Args>(args)...);
  T* raw = object.get();
  scene.AdoptObject(std::move(object));
  return raw;
}

// ---- Scene-level globals ----

// The main scene, none outside CreateSceneGlobals .. FreeSceneGlobals.
TOrvaBaseList* GetMainScene();
// The variable store whose @Cursor the input step shows over objects without a cursor of
// their own; none: no game cursor.
void SetSceneVariables(TParamCollection* vars);
TParamCollection* GetSceneVariables();
// Makes the decoded-image cache (GetImageCache, scene/image_cache.h), installed as the image-cache
// service when none is, the main scene, and sets up the colour tables, then the globals of
// the subsystems above the scene (the backlog, the read marks) in the order they were added.
void CreateSceneGlobals();
// Frees those globals in the reverse order, then the main scene.
void FreeSceneGlobals();
// A subsystem above the scene adds the making and freeing of its globals (once).
void AddSceneGlobals(std::function<void()> create, std::function<void()> free);

}  // namespace orva

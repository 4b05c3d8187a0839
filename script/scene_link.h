#pragma once
// What the interpreter needs of the scene: objects found by name and held across frames by
// weak handle, and the scene's event queue. The scene implements these; until a scene
// exists the interpreter runs without one (no objects, no events).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"
#include "core/string_lists.h"

namespace orva {

class TCustomParam;
class TOrvaParser;
class TParamCollectionItem;

// A scene object held across frames: its id and the generation of that id, so that an
// object freed meanwhile (or a new one given the same id) is never taken for it.
struct TObjectHandle {
  uint32_t Id = 0;
  uint32_t Generation = 0;

  bool IsNone() const { return Id == 0; }
  friend bool operator==(const TObjectHandle&, const TObjectHandle&) = default;
};

// One queued event: the handler to run ("page file" or "page file:label"), the object it is
// about, the kind (the property code of the ON property that held the handler), the level
// of the handler running it (0 while it waits) and its argument texts.
struct TTimerData {
  std::string Handler;
  TObjectHandle Sender;
  uint8_t Kind = 0;
  int32_t Level = 0;
  TArrayString Args;
};

// The scene's event queue as the call manager uses it. Dispatched events stay in the queue,
// marked with their level, until that level ends.
class TEventQueue {
 public:
  virtual ~TEventQueue() = default;
  // The first event in queue order that has not been dispatched (Level 0), or none. The
  // caller marks it by setting its Level.
  virtual TTimerData* FirstPending() = 0;
  // Removes every event of that level.
  virtual void RemoveLevel(int32_t level) = 0;
  // Removes that one event of the queue.
  virtual void RemoveEvent(const TTimerData* event) = 0;
  // Removes every dispatched event (Level not 0).
  virtual void RemoveDispatched() = 0;
  // Removes every event.
  virtual void Clear() = 0;
};

// What a property-motion command gives its motion; a field without a value is left as it is.
struct TPropMotionFields {
  std::optional<std::string> Target;  // the name of the object to move
  std::optional<uint8_t> Property;    // its property code
  std::optional<long double> EndValue;
  std::optional<int32_t> Duration;    // ms
  std::optional<uint8_t> MotionType;  // MT_NORMAL, MT_INC, MT_DEC
};

class TSceneLink {
 public:
  virtual ~TSceneLink() = default;
  // The object of that name (exact comparison), none when there is none. The two differ
  // for the layer names: FindObject gives the shown layer for "" and "\x01BASE0" and the
  // other for "\x01" and "\x01BASE1"; FindControl gives the shown layer for "", the other
  // for "\x01", and layer 0 or 1 for "\x01BASE0" or "\x01BASE1"; it skips components.
  virtual TObjectHandle FindObject(std::string_view name) = 0;
  virtual TObjectHandle FindControl(std::string_view name) = 0;
  // The object's position in the scene's object list; -1 once it has left it.
  virtual int IndexOfObject(TObjectHandle object) = 0;
  // The object's name; empty for an object that has left the scene.
  virtual std::string GetName(TObjectHandle object) = 0;
  virtual TEventQueue& Events() = 0;
  // Frees every object and makes both layers anew.
  virtual void Clear() = 0;
  // Property access by code for the property commands: the property into the variable, the
  // value into the property. Errors of the access propagate; an object that is gone is left
  // alone. A scene without objects does nothing.
  virtual void GetProp(TParamCollectionItem& item, TObjectHandle object, uint8_t code) {}
  virtual void SetProp(TObjectHandle object, uint8_t code, const TCustomParam& value) {}

  // ---- Layers and the screen transition (Flip) ----
  // Without a scene there is one layer, 0, with no children, and no transition ever runs.
  // The index (0 or 1) of the shown layer.
  virtual int ActiveLayerIndex() { return 0; }
  // Draws the changed parts of both layers, so that the shown layer's picture is current.
  virtual void Paint() {}
  // Freezes the screen: a picture object of that name on top of the shown layer, ignoring the
  // mouse, holding a copy of what the shown layer shows; none without a scene.
  virtual TObjectHandle CreateSnapshot(std::string_view name) { return {}; }
  // The children of layer 0 or 1, bottom first.
  virtual std::vector<TObjectHandle> LayerChildren(int layer) { return {}; }
  // The object's parent becomes layer 0 or 1.
  virtual void MoveToLayer(TObjectHandle object, int layer) {}
  virtual bool IsCabinet(TObjectHandle object) { return false; }
  // Shows the layer, starting the transition of that WP_ number over the duration (reset:
  // whatever runs is dropped first); true when a transition object was made, which the next
  // three calls configure.
  virtual bool SetActiveBase(int layer, int transition, int32_t duration, int32_t position, bool reset,
                             bool reverse) {
    return false;
  }
  virtual void SetTransitionParam(int index, int32_t value) {}
  virtual void SetTransitionMaskName(std::string_view name) {}
  virtual void PrepareTransition() {}
  // The running transition's duration; 0 without one.
  virtual int32_t GetTransitionDuration() { return 0; }
  virtual void SetTransitionPosition(int32_t position) {}
  // What the scene object functions ask of a live object; the answers of a scene without
  // objects are those of an object of no particular kind.
  // The object's LT_ type code.
  virtual uint8_t GetCompoType(TObjectHandle object) { return 0; }
  // Per-item flags: list boxes keep check flags, preview menus enabled and visible flags;
  // any other object answers FALSE for the check, TRUE for the others, and ignores writes.
  virtual bool GetItemCheck(TObjectHandle object, int32_t index) { return false; }
  virtual void SetItemCheck(TObjectHandle object, int32_t index, bool value) {}
  virtual bool GetItemEnabled(TObjectHandle object, int32_t index) { return true; }
  virtual void SetItemEnabled(TObjectHandle object, int32_t index, bool value) {}
  virtual bool GetItemVisible(TObjectHandle object, int32_t index) { return true; }
  virtual void SetItemVisible(TObjectHandle object, int32_t index, bool value) {}
  // The index of the item (a preview menu's button) with exactly that name; -1 when none.
  virtual int32_t IndexOfItemName(TObjectHandle object, std::string_view name) { return -1; }
  // The names of the listed objects, in list order, of the type (0: any) whose parent is the
  // given object; a none handle asks for objects without a parent, no parent at all for any.
  virtual std::vector<std::string> GetObjectNames(uint8_t type, std::optional<TObjectHandle> parent) { return {}; }
  // A point moved between the object's client coordinates and the screen's.
  virtual TPoint ClientToScreen(TObjectHandle object, TPoint point) { return point; }
  virtual TPoint ScreenToClient(TObjectHandle object, TPoint point) { return point; }
  // Whether the control lies on the shown layer and outside any cabinet.
  virtual bool IsInPrimary(TObjectHandle object) { return false; }
  // ---- What the object-creating commands do ----
  // A new object of the LT_ type code, a control placed on the shown layer; none while no
  // class is registered for the code (the command then moves on).
  virtual TObjectHandle CreateObject(int typeCode) { return {}; }
  // The write of one property while a new object is configured: SetProp, except that
  // PR_NAME is set only when not empty, PR_PARENT names a control (else the shown layer),
  // and PR_LEFT first lets an image whose size waits on its image parent work it out.
  virtual void SetCreationProp(TObjectHandle object, uint8_t code, const TCustomParam& value) {}
  // The object keeps its own copy of a command's expression for the property code (an
  // animated image's PR_DELAY, a particle object's PR_APPEARX, PR_APPEARY and PR_DELAY).
  virtual void AssignExpression(TObjectHandle object, uint8_t code, const TOrvaParser& expr) {}
  // Starts, stops or opens the object in a play mode (LP_PLAY .. LP_STOPFADE).
  virtual void Play(TObjectHandle object, int32_t mode) {}
  // The mode of the object's last play request: 0 playing, 2 stopped (also for objects that
  // do not play, and for none).
  virtual uint8_t GetPlayState(TObjectHandle object) { return 2; }
  // Starts the object's media again from the beginning.
  virtual void MediaPlay(TObjectHandle object) {}
  // The object's PR_SOURCE as text; empty for none.
  virtual std::string GetSourceText(TObjectHandle object) { return {}; }
  // Adds the object's visible rectangle to its layer's dirty rectangles.
  virtual void Invalidate(TObjectHandle object) {}

  // ---- What the object, property-motion and cabinet commands do ----
  // Hands the object to the scene's deferred freeing (it loses its name at once); a layer
  // is never freed.
  virtual void ScheduleFree(TObjectHandle object) {}
  // Fills in the fields of a property motion (LT_PROPMOTION) that have a value.
  virtual void SetPropMotion(TObjectHandle motion, const TPropMotionFields& fields) {}
  // The object of that name when it is a cabinet, else none.
  virtual TObjectHandle FindCabinet(std::string_view name) { return {}; }
  // A control's children, bottom first; moving one out leaves those below it in place.
  virtual int GetChildCount(TObjectHandle control) { return 0; }
  virtual TObjectHandle GetChild(TObjectHandle control, int index) { return {}; }
  // Moves a control (never a layer) under another control or layer.
  virtual void SetParent(TObjectHandle control, TObjectHandle parent) {}
};

}  // namespace orva

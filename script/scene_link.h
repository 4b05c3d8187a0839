#pragma once
// What the interpreter needs of the scene: objects found by name and held across frames by
// weak handle, and the scene's event queue. The scene implements these; until a scene
// exists the interpreter runs without one (no objects, no events).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

#pragma once
// TOrvaObject: the root of every element of a scene, and the one wide interface through which
// the interpreter, the scene and other objects address any object without knowing its class.
// Every property has a getter and a setter; the bodies here answer a neutral value and ignore
// writes, and each class overrides what it supports.
//
// Objects are made with CreateSceneObject<T>(scene), which hands them to the scene's object
// list (the owner), and are freed only by the scene (ScheduleFree, an Idle answering true,
// their parent's destruction, or a scene clear).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/fonts.h"
#include "core/rect.h"
#include "core/vocabulary.h"
#include "scene/object_handle.h"

namespace orva {

class TArrayString;
class TCustomDIBX;
class TOrvaBase;
class TOrvaBaseList;
class TOrvaControl;
class TOrvaParser;
class TStream;

// The argument type of a property setter: text by view, everything else by value.
template <class T>
using TPropArg = std::conditional_t<std::is_same_v<T, std::string>, std::string_view, T>;

// Sets of IGNOREMOUSE values accepted by a hit test: bit n for value n.
using TIgnoreMouseSet = uint8_t;
constexpr TIgnoreMouseSet IgnoreMouseBit(int value) { return value >= 0 && value < 8 ? uint8_t(1u << value) : 0; }

// Where a particle emitter lets its particles appear and how long it waits between them, as
// a film's particle track hands it over: the appear area, and the interval's lower bound and
// range in milliseconds.
struct TOrvaParticleParam {
  int32_t AppearX = 0, AppearY = 0, AppearWidth = 0, AppearHeight = 0;
  int32_t IntervalLow = 0, IntervalRange = 0;
  friend bool operator==(const TOrvaParticleParam&, const TOrvaParticleParam&) = default;
};

// Names beginning with this byte are internal (layers, film parts, the transition snapshot,
// a fading sound): such objects are never saved and lie below their siblings.
constexpr char InternalNameByte = '\x01';
inline bool IsInternalName(std::string_view name) { return !name.empty() && name[0] == InternalNameByte; }

class TOrvaObject {
 public:
  // The scene that lists the object; none only for a scene itself.
  explicit TOrvaObject(TOrvaBaseList* owner);
  virtual ~TOrvaObject();
  TOrvaObject(const TOrvaObject&) = delete;
  TOrvaObject& operator=(const TOrvaObject&) = delete;

  // ---- Identity (fields, not virtual) ----
  TOrvaBaseList* GetOwner() const { return owner_; }
  TObjectHandle Handle() const { return handle_; }
  const std::string& GetName() const { return name_; }
  const std::string& GetTag() const { return tag_; }
  void SetTag(std::string_view tag) { tag_ = tag; }
  int32_t GetPriority() const { return priority_; }
  int32_t GetPriorityOffset() const { return priorityOffset_; }
  // PRIORITY: a different value resets the offset; the parent re-sorts and the object
  // invalidates itself. Virtual so that stand-ins can see the writes of films.
  virtual void SetPriority(int32_t value);
  virtual void SetPriorityOffset(int32_t value);
  // Priority + offset, the z-order key (32-bit, wrapping).
  int32_t GetSortKey() const;

  // Whether the object is in its scene's object list (layers and scenes never are).
  bool IsListed() const { return listed_; }

  // ---- Class queries ----
  virtual TOrvaControl* AsControl() { return nullptr; }
  virtual TOrvaBase* AsLayer() { return nullptr; }
  virtual bool IsCabinet() { return false; }

  // ---- The wide interface ----
  // A component that takes a name held by another object replaces it: the holder is
  // scheduled for freeing (controls rename the holder instead).
  virtual void SetName(std::string_view name);
  virtual TCustomDIBX* GetTargetSurface();
  // The LT_ type code; 0 for objects that are never saved as typed objects.
  virtual uint8_t GetCompoType() { return 0; }
  // Whether the object is drawn, hit-tested and invalidated: for a control its VISIBLE flag
  // and a parent chain up to a visible layer, never inside a cabinet. VISIBLE itself (the
  // property) reads the flag as set.
  virtual bool IsEffectivelyVisible() { return false; }
  virtual TOrvaControl* GetParent() { return nullptr; }
  virtual void SetParent(TOrvaControl* parent) {}
  // The scene's objects (a scene answers its list).
  virtual TOrvaObject* GetItem(int index) { return nullptr; }
  virtual int GetItemCount() { return 0; }
  virtual TOrvaControl* GetChild(int index) { return nullptr; }
  virtual int GetChildCount() { return 0; }
  virtual TOrvaBase* GetBase();
  virtual TStream* GetDataStream() { return nullptr; }

#define ORVA_OBJECT_PROPERTY(name, type, neutral) \
  virtual type Get##name();                       \
  virtual void Set##name(TPropArg<type> value);
#include "scene/object_properties.def"
#undef ORVA_OBJECT_PROPERTY

  // Read-only properties.
  virtual bool GetPlaying() { return false; }
  virtual TPoint GetCaretPos() { return {}; }
  virtual int32_t GetCaretHeight() { return 0; }
  // ORIGWIDTH and ORIGHEIGHT answer WIDTH and HEIGHT unless a class knows better.
  virtual int32_t GetOrigWidth() { return GetWidth(); }
  virtual void SetOrigWidth(int32_t value) {}
  virtual int32_t GetOrigHeight() { return GetHeight(); }
  virtual void SetOrigHeight(int32_t value) {}
  // Indexed properties: the nine border pictures (0..8), their alignments, PARAM1..3 (0..2).
  virtual std::string GetBorderSource(int index) { return {}; }
  virtual void SetBorderSource(int index, std::string_view value) {}
  virtual uint8_t GetBorderHAlign(int index) { return 0; }
  virtual void SetBorderHAlign(int index, uint8_t value) {}
  virtual uint8_t GetBorderVAlign(int index) { return 0; }
  virtual void SetBorderVAlign(int index, uint8_t value) {}
  virtual long double GetParam(int index) { return 0.0L; }
  virtual void SetParam(int index, long double value) {}

  // Where a message box's text comes from (0 plain text, 1 a text command, 2 the history);
  // assigning TEXT by property code makes it plain text. Nothing for other objects.
  virtual void SetTextSource(uint8_t kind) {}

  virtual bool GetMarked() { return false; }
  virtual void SetMarked(bool value) {}
  virtual TRect GetClientRect() { return GetScreenRect(); }
  virtual bool GetImageFlag() { return false; }
  virtual void SetImageFlag(bool value) {}
  // True suppresses the object's mouse, key and idle events.
  virtual bool IsInputLocked() { return false; }
  virtual int32_t GetScreenLeft();
  virtual int32_t GetScreenTop();
  virtual int32_t GetOriginX() { return GetScreenLeft(); }
  virtual int32_t GetOriginY() { return GetScreenTop(); }
  virtual TRect GetBoundsRect() { return {0, 0, 1, 1}; }
  virtual void SetBoundsRect(const TRect& rect) {}
  virtual int32_t GetMotionX() { return 0; }
  virtual void SetMotionX(int32_t value) {}
  virtual int32_t GetMotionY() { return 0; }
  virtual void SetMotionY(int32_t value) {}
  virtual TPoint GetDrawOrigin() { return {}; }
  virtual std::string GetTextCopy() { return GetText(); }
  virtual void AddText(std::string_view text);
  // The picture and its 8-bit mask that an image shows; set from outside they are borrowed,
  // not owned. Layers and the scene answer their surfaces.
  virtual TCustomDIBX* GetImage() { return nullptr; }
  virtual void SetImage(TCustomDIBX* image) {}
  virtual TCustomDIBX* GetMaskImage() { return nullptr; }
  virtual void SetMaskImage(TCustomDIBX* mask) {}
  // Where a turned picture's centre lands on the layer (Position) and that centre in the
  // picture (Center); nothing for objects that are not turned.
  struct TRotationCenter {
    TPoint Position;
    TPoint Center;
  };
  virtual TRotationCenter GetRotationCenter() { return {}; }
  virtual bool GetItemCheck(int index) { return false; }
  virtual void SetItemCheck(int index, bool value) {}
  virtual bool GetItemEnabled(int index) { return true; }
  virtual void SetItemEnabled(int index, bool value) {}
  virtual bool GetItemVisible(int index) { return true; }
  virtual void SetItemVisible(int index, bool value) {}
  // The index of the item with exactly that name (a preview menu's button); -1 when none.
  virtual int32_t IndexOfItemName(std::string_view name) { return -1; }
  // 0 playing, 2 stopped.
  virtual uint8_t GetPlayState() { return 2; }
  virtual void Play(uint8_t mode) {}
  virtual std::string GetProxy() { return {}; }
  virtual void SetProxy(std::string_view value) {}
  virtual bool IsBusy() { return false; }

  virtual void Invalidate() {}
  virtual void Paint() {}
  // The object under the layer point, honouring IGNOREMOUSE through the accepted set.
  virtual TOrvaObject* HitTest(TPoint point, TIgnoreMouseSet accepted) { return nullptr; }
  // The per-frame update; true asks the scene to free the object at once.
  virtual bool Idle() { return false; }
  // Mouse operations, called by the scene's input step. The base ones queue the ON events
  // with the mouse position relative to the object (x, y as decimal texts). A press on an
  // object that accepts the button is consumed even when the object is paused, busy with
  // the same event or locked; only a free one captures the button, so that its release
  // reaches it wherever the mouse is then.
  virtual void LButtonDown();
  virtual void LButtonUp();
  virtual void RButtonDown();
  virtual void RButtonUp();
  virtual void MouseMove();
  virtual void MouseOut(TOrvaObject* next);
  virtual void MouseIn(TOrvaObject* previous);
  virtual void MouseHold() {}
  virtual void GroupSelect(bool value) {}
  virtual void GroupAllowAllUp(bool value) {}
  // The stored form; a reader reads a field only from the save version that introduced it.
  virtual void SaveToStream(TStream& stream);
  virtual void LoadFromStream(TStream& stream, int version);
  virtual TPoint ClientToScreen(TPoint point) { return point; }
  virtual TPoint ScreenToClient(TPoint point) { return point; }
  virtual bool NeedsAutoName() { return true; }
  // An object made by a creating command keeps its own copy of the command's expression for
  // the code (an animated image's PR_DELAY, a particle object's appear and delay).
  virtual void AssignExpression(uint8_t code, const TOrvaParser& expr) {}
  // An image whose size waits on its image parent works out WIDTH and HEIGHT; a creating
  // command calls it before it sets the left position.
  virtual void FitSizeToParent() {}
  virtual void LoadMotion(std::string_view fileName) {}
  // One frame of a film's tile track, every drawing property at once: width and height, the
  // parent when one is given, the picture, its mask and key, zooms, priority, distances,
  // flips, offsets, position, alpha, scroll and clip (width Right - Left). Nothing for
  // objects that are no tile.
  virtual void ApplyTileFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor,
                              int32_t priority, int32_t distanceX, int32_t distanceY, bool flipH, bool flipV,
                              int32_t left, int32_t top, int32_t width, int32_t height, int32_t offsetX,
                              int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t alpha, int32_t scrollX,
                              int32_t scrollY, const TRect& clip) {}
  // A film's particle track writes the emitter's appear area and interval; the emitter keeps
  // its own copy (made at the first write). Nothing for objects that are no emitter.
  virtual void SetParticleParam(const TOrvaParticleParam& param) {}
  virtual void StartMotion() {}
  virtual void MediaPlay() {}
  // True consumes a right click (map images and menus).
  virtual bool RClickScrap() { return false; }
  // rect := rect ∩ client rectangle; false when that is empty.
  virtual bool ClipToClient(TRect& rect);
  virtual void ReleaseSurfaces() {}
  virtual void RecreateSurfaces() {}
  virtual TOrvaControl* FindKeyTarget() { return nullptr; }
  virtual void KeyDown() {}
  virtual void KeyUp() {}
  virtual void KeyRepeat() {}
  virtual bool Contains(const TOrvaObject* object) { return false; }
  // A rectangle on its way up to the layer; a class may widen it in place.
  virtual void NotifyInvalidate(TRect& rect);
  virtual bool IsInCabinet() { return false; }
  virtual std::string GetCursorAt() { return GetCursor(); }
  virtual void FocusGained() {}
  virtual void EnterCabinet() {}
  virtual void LeaveCabinet() {}
  // Effectively visible on the main scene's shown layer.
  virtual bool IsActiveOnScreen();
  virtual void PositionChanged();

  // ---- Non-virtual helpers ----
  // LEFT, TOP, WIDTH, HEIGHT in the parent's coordinates.
  TRect GetLocalRect();
  // GetScreenLeft, GetScreenTop, WIDTH, HEIGHT in layer coordinates.
  TRect GetScreenRect();
  // The clip rectangle in layer coordinates, or (0, 0, 0, 0) for no clipping.
  TRect GetClipRect();

  // Deferred deletion: the object loses its name at once and is freed after the scene's
  // update pass.
  void ScheduleFree();
  // Removes the object from its parent and the scene and destroys it. Nothing happens to
  // an object the scene does not list.
  void FreeNow();
  bool IsQueuedForFree() const { return queuedForFree_; }

  // Queues an event of this object on its scene's queue; nothing without an owner.
  void QueueEvent(uint8_t kind, std::string_view handler, const TArrayString* args = nullptr);
  // Whether an event of this object and kind waits or runs.
  bool HasEvent(uint8_t kind) const;

  // Sets the Name field directly, without the replacing or renaming rules of SetName.
  void AssignName(std::string_view name);

 private:
  friend class TOrvaBaseList;
  // Tells the parent that the z-order key (name, priority, offset) changed.
  void SortKeyChanged();

  TOrvaBaseList* owner_;
  std::string name_;
  std::string tag_;
  int32_t priority_ = 0;
  int32_t priorityOffset_ = 0;
  TObjectHandle handle_;
  // Kept by the scene: listed in its object list, the order of listing, queued for freeing.
  bool listed_ = false;
  bool queuedForFree_ = false;
  uint64_t sequence_ = 0;
};

// Objects that do not draw; the parent of the visual controls and of the scene.
class TOrvaComponent : public TOrvaObject {
 public:
  using TOrvaObject::TOrvaObject;
  // Drops the object's waiting events from its scene's queue; running ones stay.
  ~TOrvaComponent() override;
};

// IntersectClipRect: false when either is empty or they do not overlap (a unchanged);
// otherwise a := a ∩ b.
bool IntersectClipRect(TRect& a, const TRect& b);

}  // namespace orva

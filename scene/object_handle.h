#pragma once
// Weak references to scene objects. Every object holds an id (a slot of one table) for its
// whole life; destroying it bumps the slot's generation, so a handle kept by an event, the
// focus, a list or the interpreter resolves to none afterwards instead of dangling, also once
// the id is reused. Id 0 is never handed out. Main thread only, like the scene itself.

#include <cstdint>

#include "script/scene_link.h"

namespace orva {

class TOrvaObject;

// The live object behind the handle, or none.
TOrvaObject* ResolveHandle(TObjectHandle handle);
// The object's handle; the zero handle for none.
TObjectHandle HandleOf(const TOrvaObject* object);

namespace object_handles {
// Called by TOrvaObject's constructor and destructor only.
TObjectHandle Acquire(TOrvaObject* object);
void Release(TObjectHandle handle);
}  // namespace object_handles

// A typed weak reference. T is TOrvaObject or a subclass; the type is fixed when the
// reference is made, and a live handle always names the same object.
template <class T>
class TWeakRef {
 public:
  TWeakRef() = default;
  TWeakRef(T* object) : handle_(HandleOf(object)) {}  // NOLINT: implicit on purpose

  T* Get() const { return static_cast<T*>(ResolveHandle(handle_)); }
  TObjectHandle Handle() const { return handle_; }
  void Reset() { handle_ = {}; }

 private:
  TObjectHandle handle_;
};

}  // namespace orva

// The scene object functions. So far GetProp and SetProp: a property of the object of a name
// by property code, through the scene. An object that is not found is no error: nothing
// happens and a result keeps its initial value.

#include <string>

#include "script/builtin_call.h"
#include "script/scene_link.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

// The code counts by its low byte.
uint8_t PropertyCode(TBuiltinCall& c) { return static_cast<uint8_t>(c.Int(1)); }

void GetProp(TBuiltinCall& c) {
  TSceneLink* scene = c.Functions.Scene();
  if (!scene) return;
  const TObjectHandle object = scene->FindObject(c.Text(0));
  if (!object.IsNone()) scene->GetProp(c.Dest, object, PropertyCode(c));
}

void SetProp(TBuiltinCall& c) {
  TSceneLink* scene = c.Functions.Scene();
  if (!scene) return;
  const TObjectHandle object = scene->FindObject(c.Text(0));
  if (!object.IsNone()) scene->SetProp(object, PropertyCode(c), c.Arg(2));
}

}  // namespace

void AddObjectFunctions(TBuiltinTable& t) {
  t[bfGetProp] = GetProp;
  t[bfSetProp] = SetProp;
}

}  // namespace orva

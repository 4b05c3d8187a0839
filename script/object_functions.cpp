// The scene object functions: objects of the main scene reached by name, through the scene.
// An object that is not found is no error: nothing happens and a result keeps its initial
// value, except where a function names its own answer.

#include <optional>
#include <string>
#include <vector>

#include "core/data_tables.h"
#include "core/number_text.h"
#include "core/sjis.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"
#include "script/param_var.h"
#include "script/scene_link.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

// The code counts by its low byte.
uint8_t PropertyCode(TBuiltinCall& c) { return static_cast<uint8_t>(c.Int(1)); }

// The object named by argument 0, with the scene that has it; none when it is not found.
struct TFound {
  TSceneLink* scene = nullptr;
  TObjectHandle object;
  explicit operator bool() const { return scene && !object.IsNone(); }
};

TFound Find(TBuiltinCall& c) {
  TSceneLink* scene = c.Functions.Scene();
  if (!scene) return {};
  return {scene, scene->FindObject(c.Text(0))};
}

void GetProp(TBuiltinCall& c) {
  if (const TFound o = Find(c)) o.scene->GetProp(c.Dest, o.object, PropertyCode(c));
}

void SetProp(TBuiltinCall& c) {
  if (const TFound o = Find(c)) o.scene->SetProp(o.object, PropertyCode(c), c.Arg(2));
}

void Exists(TBuiltinCall& c) { c.Dest.SetAsBoolean(!c.Text(0).empty() && static_cast<bool>(Find(c))); }

void GetCheck(TBuiltinCall& c) {
  if (const TFound o = Find(c)) c.Dest.SetAsBoolean(o.scene->GetItemCheck(o.object, c.Int(1)));
}

void SetCheck(TBuiltinCall& c) {
  if (const TFound o = Find(c)) o.scene->SetItemCheck(o.object, c.Int(1), c.Bool(2));
}

// A preview menu's item may be named by a text: a strict integer, else the exact name of a
// button (-1 when no button has it). Every other item is an integer.
int32_t ItemIndex(TBuiltinCall& c, const TFound& o) {
  TCustomParam& item = c.Arg(1);
  if (item.GetParamType() != PT_STR || o.scene->GetCompoType(o.object) != LT_PREVMENU) return item.GetAsInteger();
  const std::string text = item.GetAsString();
  int32_t index = 0;
  return TryTextToInt(text, index) ? index : o.scene->IndexOfItemName(o.object, text);
}

void GetEnabled(TBuiltinCall& c) {
  if (const TFound o = Find(c)) c.Dest.SetAsBoolean(o.scene->GetItemEnabled(o.object, ItemIndex(c, o)));
}

void SetEnabled(TBuiltinCall& c) {
  if (const TFound o = Find(c)) o.scene->SetItemEnabled(o.object, ItemIndex(c, o), c.Bool(2));
}

void GetVisible(TBuiltinCall& c) {
  if (const TFound o = Find(c)) c.Dest.SetAsBoolean(o.scene->GetItemVisible(o.object, ItemIndex(c, o)));
}

void SetVisible(TBuiltinCall& c) {
  if (const TFound o = Find(c)) o.scene->SetItemVisible(o.object, ItemIndex(c, o), c.Bool(2));
}

// The value of the variable a reference names as a whole (its scalar setters make it a
// scalar, where those of the reference write its first element); any other argument itself.
TCustomParam& WholeValue(TCustomParam& arg) {
  if (arg.Kind() != pkVar) return arg;
  TParamCollectionItem* target = static_cast<TParamVar&>(arg).Target();
  if (!target || target->Value().Kind() == pkVar) return arg;
  return target->Value();
}

// ListCompo(var a [, type [, parent]]): the names of the objects of a type (its low byte;
// 0 or above the last type: any) under a parent (a name that finds nothing: objects without
// one; none given: any parent).
void ListCompo(TBuiltinCall& c) {
  uint8_t type = c.Has(1) ? static_cast<uint8_t>(c.Int(1)) : 0;
  if (type > LT_CABINET) type = 0;
  TSceneLink* scene = c.Functions.Scene();
  std::vector<std::string> names;
  if (scene) {
    std::optional<TObjectHandle> parent;
    if (c.Has(2)) parent = scene->FindObject(c.Text(2));
    names = scene->GetObjectNames(type, parent);
  }
  const int32_t count = static_cast<int32_t>(names.size());
  c.Dest.SetAsInteger(count);
  TCustomParam& a = WholeValue(c.Arg(0));
  if (count == 0) {
    a.SetCount(1);
    a.SetAsString("");
    return;
  }
  const int32_t sizes[] = {count};
  a.SetDims(sizes);
  for (int32_t i = 0; i < count; ++i) a.SetStrItem(i, names[static_cast<size_t>(i)]);
}

// A coordinate of the point (v, 0) or (0, v) moved by the object; not found: v itself.
template <bool ToScreen, bool Vertical>
void Convert(TBuiltinCall& c) {
  const int32_t v = c.Int(1);
  int32_t result = v;
  if (const TFound o = Find(c)) {
    const TPoint in = Vertical ? TPoint{0, v} : TPoint{v, 0};
    const TPoint out = ToScreen ? o.scene->ClientToScreen(o.object, in) : o.scene->ScreenToClient(o.object, in);
    result = Vertical ? out.Y : out.X;
  }
  c.Dest.SetAsInteger(result);
}

bool IsBlankByte(char ch) { return static_cast<uint8_t>(ch) <= 0x20; }

// The index of the first line of the object's trimmed text equal to s ignoring case; -1
// when none (or no object).
void IndexOfMenu(TBuiltinCall& c) {
  int32_t result = -1;
  if (const TFound o = Find(c)) {
    TParamCollectionItem text(CreateParam(PT_STR));
    o.scene->GetProp(text, o.object, PR_TEXT);
    const std::string whole = text.GetAsString();
    std::string_view s = whole;
    while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
    const std::string wanted = c.Text(1);
    const std::vector<std::string> lines = SplitTsvLines(s);
    for (size_t i = 0; i < lines.size(); ++i)
      if (AnsiSameText(lines[i], wanted)) {
        result = static_cast<int32_t>(i);
        break;
      }
  }
  c.Dest.SetAsInteger(result);
}

void InPrimary(TBuiltinCall& c) {
  const std::string name = c.Text(0);
  TSceneLink* scene = c.Functions.Scene();
  bool result = false;
  if (scene && !name.empty()) {
    const TObjectHandle control = scene->FindControl(name);
    result = !control.IsNone() && scene->IsInPrimary(control);
  }
  c.Dest.SetAsBoolean(result);
}

}  // namespace

void AddObjectFunctions(TBuiltinTable& t) {
  t[bfGetProp] = GetProp;
  t[bfSetProp] = SetProp;
  t[bfExists] = Exists;
  t[bfGetCheck] = GetCheck;
  t[bfSetCheck] = SetCheck;
  t[bfListCompo] = ListCompo;
  t[bfToClientX] = Convert<false, false>;
  t[bfToClientY] = Convert<false, true>;
  t[bfToScreenX] = Convert<true, false>;
  t[bfToScreenY] = Convert<true, true>;
  t[bfIndexOfMenu] = IndexOfMenu;
  t[bfInPrimary] = InPrimary;
  t[bfGetEnabled] = GetEnabled;
  t[bfSetEnabled] = SetEnabled;
  t[bfGetVisible] = GetVisible;
  t[bfSetVisible] = SetVisible;
}

}  // namespace orva

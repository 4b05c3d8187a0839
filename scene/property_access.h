#pragma once
// Property access by property code (PR_NAME 0 .. PR_CARETHEIGHT 161): the scripts' way to
// read and write any property of any scene object. Each code maps onto the getter and setter
// pair of the object interface, moving the value as the type of the code; an object without
// the property answers its neutral value and ignores writes. Neither operation checks the
// object's class or invalidates: the setters decide that.

#include <cstdint>

namespace orva {

class TCustomParam;
class TOrvaObject;
class TParamCollectionItem;

// Stores the property into the variable through its store operation for the value's type.
// Codes above 161 raise EScriptError "GetPropエラー".
void GetProp(TParamCollectionItem& item, TOrvaObject& object, uint8_t code);
// Writes the value, converted to the property's type, to the property. Codes above 161 and
// the appear codes raise EScriptError "SetPropエラー"; read-only codes ignore the write.
void SetProp(TOrvaObject& object, uint8_t code, const TCustomParam& value);

}  // namespace orva

#include "script/system_value.h"

#include "script/conversions.h"

namespace orva {

int32_t TSystemValue::ReadAsInt(TElement element) const {
  switch (GetParamType()) {
    case PT_INT: return ReadInt(element);
    case PT_FLOAT: return FloatToInt(ReadFloat(element));
    case PT_BOOL: return ReadBool(element) ? 1 : 0;
    case PT_STR: return TextToInt(ReadStr(element));
    default: return 0;
  }
}

long double TSystemValue::ReadAsFloat(TElement element) const {
  switch (GetParamType()) {
    case PT_INT: return ReadInt(element);
    case PT_FLOAT: return ReadFloat(element);
    case PT_BOOL: return ReadBool(element) ? 1.0L : 0.0L;
    case PT_STR: return TextToInt(ReadStr(element));
    default: return 0.0L;
  }
}

bool TSystemValue::ReadAsBool(TElement element) const {
  switch (GetParamType()) {
    case PT_INT: return ReadInt(element) != 0;
    case PT_FLOAT: return ReadFloat(element) != 0.0L;
    case PT_BOOL: return ReadBool(element);
    case PT_STR: return element.Scalar ? !ReadStr(element).empty() : TextToInt(ReadStr(element)) != 0;
    default: return false;
  }
}

std::string TSystemValue::ReadAsStr(TElement element) const {
  switch (GetParamType()) {
    case PT_INT: return IntToText(ReadInt(element));
    case PT_FLOAT: return FloatToText(ReadFloat(element));
    case PT_BOOL: return BoolToText(ReadBool(element));
    case PT_STR: return ReadStr(element);
    default: return {};
  }
}

void TSystemValue::WriteAsInt(TElement element, int32_t value) {
  switch (GetParamType()) {
    case PT_INT: WriteInt(element, value); break;
    case PT_FLOAT: WriteFloat(element, value); break;
    case PT_BOOL: WriteBool(element, value != 0); break;
    case PT_STR: WriteStr(element, IntToText(value)); break;
    default: break;
  }
}

void TSystemValue::WriteAsFloat(TElement element, long double value) {
  switch (GetParamType()) {
    case PT_INT: WriteInt(element, FloatToInt(value)); break;
    case PT_FLOAT: WriteFloat(element, value); break;
    case PT_BOOL: WriteBool(element, value != 0.0L); break;
    case PT_STR: WriteStr(element, FloatToText(value)); break;
    default: break;
  }
}

void TSystemValue::WriteAsBool(TElement element, bool value) {
  switch (GetParamType()) {
    case PT_INT: WriteInt(element, value ? 1 : 0); break;
    case PT_FLOAT: WriteFloat(element, value ? 1.0L : 0.0L); break;
    case PT_BOOL: WriteBool(element, value); break;
    case PT_STR: WriteStr(element, BoolToText(value)); break;
    default: break;
  }
}

void TSystemValue::WriteAsStr(TElement element, std::string_view value) {
  const bool scalar = element.Scalar;
  switch (GetParamType()) {
    case PT_INT: {
      int32_t v = 0;
      if (TryTextToInt(value, v)) WriteInt(element, v);
      else if (!scalar) WriteInt(element, 0);
      break;
    }
    case PT_FLOAT: {
      long double v = 0.0L;
      if (TryTextToFloat(value, v)) WriteFloat(element, v);
      else if (!scalar) WriteFloat(element, 0.0L);
      break;
    }
    case PT_BOOL: WriteBool(element, scalar ? TextToInt(value) != 0 : TextToBool(value)); break;
    case PT_STR: WriteStr(element, value); break;
    default: break;
  }
}

}  // namespace orva

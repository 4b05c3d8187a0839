#pragma once
// The graphic exception classes. Their messages are the system's CP932 texts.

#include <string>

#include "core/exceptions.h"

namespace orva {

class EInvalidGraphic : public Exception {
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
  using Exception::Exception;
};
class EOutOfResources : public Exception {
  using Exception::Exception;
};

[[noreturn]] void RaiseInvalidDIB();                  // "不正な DIB です"
[[noreturn]] void RaiseInvalidBitCount(int bits);     // "不正なビット数です (%d)"
[[noreturn]] void RaiseInvalidPixelFormat();          // "不正なピクセルフォーマットです"
[[noreturn]] void RaiseCannotCreate(const char* what);  // "%s を作成できません"
[[noreturn]] void RaiseScanLineRange(int row);        // "スキャンラインのインデックスが範囲を越えました (%d)"

}  // namespace orva

#include "graphics/graphic_exceptions.h"

#include "core/encoding.h"

namespace orva {

namespace {
std::string WithNumber(const char* utf8, int value) {
  std::string text = Sjis(utf8);
  auto at = text.find("%d");
  return text.replace(at, 2, std::to_string(value));
}
}  // namespace

void RaiseInvalidDIB() { throw EInvalidGraphic(Sjis("不正な DIB です")); }
void RaiseInvalidBitCount(int bits) { throw EInvalidGraphicOperation(WithNumber("不正なビット数です (%d)", bits)); }
void RaiseInvalidPixelFormat() { throw EInvalidGraphicOperation(Sjis("不正なピクセルフォーマットです")); }
void RaiseCannotCreate(const char* what) {
  std::string text = Sjis("%s を作成できません");
  throw EOutOfResources(text.replace(text.find("%s"), 2, what));
}
void RaiseScanLineRange(int row) {
  throw EInvalidGraphicOperation(WithNumber("スキャンラインのインデックスが範囲を越えました (%d)", row));
}

}  // namespace orva

#include "script/script_error.h"

#include "core/encoding.h"

namespace orva {

void RaiseScriptError(const char* utf8Message) { throw EScriptError(Sjis(utf8Message)); }

void RaiseScriptError(const std::string& sjisPrefix, const char* utf8Message) {
  throw EScriptError(sjisPrefix + Sjis(utf8Message));
}

}  // namespace orva

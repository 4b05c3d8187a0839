#include "script/script_error.h"

#include "core/encoding.h"

namespace orva {

void RaiseScriptError(const char* utf8Message) { throw EScriptError(Sjis(utf8Message)); }

void RaiseScriptError(std::string_view sjisPrefix, const char* utf8Message) {
  std::string text(sjisPrefix);
  text += Sjis(utf8Message);
  throw EScriptError(text);
}

void RaiseQuotedError(std::string_view name, const char* utf8Message) {
  std::string text = "\"";
  text.append(name);
  text += '"';
  RaiseScriptError(text, utf8Message);
}

}  // namespace orva

#pragma once
// Exceptions of the script engine. Their messages are the system's own CP932 texts; inside an
// expression they end the evaluation, elsewhere the command that raised them is dropped.

#include <string>
#include <string_view>

#include "core/exceptions.h"

namespace orva {

// Variable, value and compiler errors ("構文エラー", "配列の添字が不正です", ...).
class EScriptError : public Exception {
  using Exception::Exception;
};

// Integer division by zero, and float operations whose result is not a finite number.
class EMathError : public Exception {
  using Exception::Exception;
};

// Raises EScriptError with a message literal written in UTF-8.
[[noreturn]] void RaiseScriptError(const char* utf8Message);
// Raises EScriptError with CP932 text in front of a message literal.
[[noreturn]] void RaiseScriptError(std::string_view sjisPrefix, const char* utf8Message);
// The same with the text in double quotes: "\"%s\" 変数がありません".
[[noreturn]] void RaiseQuotedError(std::string_view name, const char* utf8Message);

}  // namespace orva

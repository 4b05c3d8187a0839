#pragma once
// What a built-in function's routine is given by the executor (the destination, the
// function number, the arguments and the executor itself), and the table of routines by
// function number the executor dispatches through. Each family of functions fills its
// entries from a unit of its own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/vocabulary.h"
#include "script/param.h"

namespace orva {

class TParamCollectionItem;
class TSysFuncMan;

struct TBuiltinCall {
  TSysFuncMan& Functions;
  TParamCollectionItem& Dest;
  uint8_t Index;
  std::span<TCustomParam* const> Args;

  size_t Count() const { return Args.size(); }
  bool Has(size_t i) const { return i < Args.size(); }
  TCustomParam& Arg(size_t i) const { return *Args[i]; }
  // The argument read through its own getters, with the conversions of script values.
  int32_t Int(size_t i) const { return Args[i]->GetAsInteger(); }
  long double Float(size_t i) const { return Args[i]->GetAsFloat(); }
  bool Bool(size_t i) const { return Args[i]->GetAsBoolean(); }
  std::string Text(size_t i) const { return Args[i]->GetAsString(); }
};

using TBuiltinRoutine = void (*)(TBuiltinCall& call);
// An empty entry leaves the destination at its initial value.
using TBuiltinTable = std::array<TBuiltinRoutine, BuiltinFunctionCount>;

void AddTextFunctions(TBuiltinTable& table);
void AddArrayFunctions(TBuiltinTable& table);
void AddMathFunctions(TBuiltinTable& table);
void AddVariableFunctions(TBuiltinTable& table);
void AddObjectFunctions(TBuiltinTable& table);
void AddFileFunctions(TBuiltinTable& table);
void AddTableFunctions(TBuiltinTable& table);
void AddSystemFunctions(TBuiltinTable& table);

// Texts a function builds are bounded as concatenation bounds them: beyond MaxTextBytes
// raises std::bad_alloc.
void CheckTextLength(int64_t bytes);

}  // namespace orva

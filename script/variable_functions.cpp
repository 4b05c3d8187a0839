// The functions of the variable store and of expression text: VarExists, AssignTemp,
// GetVarType and Calc, which compiles a text at run time and evaluates it in the store.

#include <string>

#include "core/stream.h"
#include "script/build_parser.h"
#include "script/builtin_call.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

// Any variable of the name, whatever its scope or call depth.
bool AnyVariableNamed(const TParamCollection& vars, std::string_view name) {
  if (vars.Find(name)) return true;
  // Locals of other call depths are invisible to the lookup.
  for (int i = 0; i < vars.Count(); ++i)
    if (SameItemName(vars.Item(i).GetName(), name)) return true;
  return false;
}

void VarExists(TBuiltinCall& c) {
  const TParamCollection* vars = c.Functions.Vars();
  const std::string name = c.Text(0);
  c.Dest.SetAsBoolean(vars && !name.empty() && AnyVariableNamed(*vars, name));
}

void AssignTemp(TBuiltinCall& c) {
  TParamCollection* vars = c.Functions.Vars();
  const std::string name = c.Text(0);
  const bool found = vars && !name.empty() && vars->Find(name);
  if (found) vars->TempVariableName = name;
  c.Dest.SetAsBoolean(found);
}

void GetVarType(TBuiltinCall& c) { c.Dest.SetAsInteger(c.Arg(0).GetParamType()); }

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// Never lets an error out: a text that does not compile gives the empty text, one that
// compiles gives "TRUE", also when its evaluation stopped part-way.
void Calc(TBuiltinCall& c) {
  TParamCollection* vars = c.Functions.Vars();
  const std::string text = TrimBlanks(c.Text(0));
  if (!vars || text.empty()) return;
  // A text that calls itself ends when the nesting bound is reached; deeper calls give the
  // empty text.
  if (!c.Functions.EnterCalc()) return;
  struct TLeave {
    TSysFuncMan& functions;
    ~TLeave() { functions.LeaveCalc(); }
  } leave{c.Functions};
  TMemoryStream compiled;
  try {
    TBuildOrvaParser compiler;
    compiler.Compile(text);
    compiler.SaveToStream(compiled);
  } catch (const std::exception&) {
    return;
  }
  TOrvaParser parser;
  try {
    compiled.SetPosition(0);
    parser.LoadFromStream(compiled);
  } catch (const std::exception&) {
    return;
  }
  try {
    parser.Evaluate(*vars);
  } catch (const std::exception&) {
    // An evaluation that stopped part-way still counts as done.
  }
  c.Dest.SetAsBoolean(true);
}

}  // namespace

void AddVariableFunctions(TBuiltinTable& t) {
  t[bfVarExists] = VarExists;
  t[bfAssignTemp] = AssignTemp;
  t[bfGetVarType] = GetVarType;
  t[bfCalc] = Calc;
}

}  // namespace orva

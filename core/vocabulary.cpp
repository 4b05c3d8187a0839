#include "core/vocabulary.h"

#include <vector>

#include "core/encoding.h"

namespace orva {

const std::array<std::string_view, OperatorCount> OperatorNames = {
#define ORVA_OPERATOR(name) #name,
#include "core/vocabulary/operators.def"
#undef ORVA_OPERATOR
};

const std::array<std::string_view, CommandCount> CommandNames = {
#define ORVA_COMMAND(name) #name,
#include "core/vocabulary/commands.def"
#undef ORVA_COMMAND
};

const std::array<std::string_view, BuiltinFunctionCount> BuiltinFunctionNames = {
#define ORVA_BUILTIN(name, minArgs, maxArgs, result) #name,
#include "core/vocabulary/builtins.def"
#undef ORVA_BUILTIN
};

const std::array<int8_t, BuiltinFunctionCount> BuiltinFunctionMinArgs = {
#define ORVA_BUILTIN(name, minArgs, maxArgs, result) minArgs,
#include "core/vocabulary/builtins.def"
#undef ORVA_BUILTIN
};

const std::array<int8_t, BuiltinFunctionCount> BuiltinFunctionMaxArgs = {
#define ORVA_BUILTIN(name, minArgs, maxArgs, result) maxArgs,
#include "core/vocabulary/builtins.def"
#undef ORVA_BUILTIN
};

const std::array<TParamType, BuiltinFunctionCount> BuiltinFunctionResultTypes = {
#define ORVA_BUILTIN(name, minArgs, maxArgs, result) result,
#include "core/vocabulary/builtins.def"
#undef ORVA_BUILTIN
};

const std::array<std::string_view, SystemVariableCount> SystemVariableNames = {
#define ORVA_SYSVAR(id, name) name,
#include "core/vocabulary/sysvars.def"
#undef ORVA_SYSVAR
};

const std::array<std::string_view, PropertyCount> PropertyNames = {
#define ORVA_PROPERTY(name, type) #name,
#include "core/vocabulary/properties.def"
#undef ORVA_PROPERTY
};

const std::array<TParamType, PropertyCount> PropertyTypes = {
#define ORVA_PROPERTY(name, type) type,
#include "core/vocabulary/properties.def"
#undef ORVA_PROPERTY
};

const std::array<std::string_view, ObjectTypeCount> ObjectTypeNames = {
#define ORVA_OBJTYPE(name) #name,
#include "core/vocabulary/objtypes.def"
#undef ORVA_OBJTYPE
};

const std::array<std::string_view, WipeTypeCount> WipeNames = {
#define ORVA_WIPE(name) #name,
#include "core/vocabulary/wipes.def"
#undef ORVA_WIPE
};

namespace {

// Ranges of codes, inclusive, in application order.
constexpr std::pair<int, int> kDisplayOrderRuns[] = {
    {0, 2},     {7, 7},     {132, 132}, {100, 100}, {5, 6},    {3, 4},     {8, 8},     {157, 157},
    {9, 14},    {159, 160}, {15, 24},   {153, 156}, {25, 79},  {161, 161}, {80, 99},   {101, 131},
    {133, 152}, {158, 158},
};

constexpr std::array<TPropertyCode, PropertyCount> MakeDisplayOrder() {
  std::array<TPropertyCode, PropertyCount> order{};
  size_t n = 0;
  for (auto [first, last] : kDisplayOrderRuns)
    for (int code = first; code <= last; ++code) order[n++] = static_cast<TPropertyCode>(code);
  return order;
}

// Knots of the fire ramp per channel (index, level); levels in between are the linear
// interpolation rounded down, which keeps red below 31 until 174 and blue at 0 to 117.
struct Knot {
  int index, level;
};
constexpr Knot kRed[] = {{0, 0}, {64, 18}, {128, 27}, {174, 31}, {255, 31}};
constexpr Knot kGreen[] = {{0, 0}, {64, 15}, {128, 29}, {192, 48}, {255, 57}};
constexpr Knot kBlue[] = {{0, 0}, {117, 0}, {128, 1}, {192, 6}, {255, 21}};

template <size_t N>
constexpr int Ramp(const Knot (&knots)[N], int i) {
  for (size_t k = 1; k < N; ++k)
    if (i <= knots[k].index) {
      const Knot& a = knots[k - 1];
      const Knot& b = knots[k];
      return a.level + (b.level - a.level) * (i - a.index) / (b.index - a.index);
    }
  return knots[N - 1].level;
}

constexpr std::array<uint16_t, 256> MakeToneTable() {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = static_cast<uint16_t>(Ramp(kRed, i) << 11 | Ramp(kGreen, i) << 5 | Ramp(kBlue, i));
  return table;
}

constexpr const char* kKeyNamesUtf8[KeyNameCount] = {
    "(なし)", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F", "G",
    "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "BackSpace",
    "Tab", "Enter", "Esc", "Space", "PageUp", "PageDown", "End", "Home", "←", "→", "↑", "↓", "Insert", "Delete",
};

}  // namespace

// Built at compile time, so a run list that misses or repeats codes fails the build.
constexpr auto kDisplayOrder = MakeDisplayOrder();
constexpr auto kToneTable = MakeToneTable();
const std::array<TPropertyCode, PropertyCount> PropertyDisplayOrder = kDisplayOrder;
const std::array<uint16_t, 256> ToneTable565 = kToneTable;

const std::array<std::string_view, VirtualKeyCount> VirtualKeyNames = {
    "VkmBACK", "VkmTAB",  "VkmRETURN", "VkmSHIFT", "VkmCONTROL", "VkmALT",    "VkmPAUSE", "VkmCAPITAL",
    "VkmESCAPE", "VkmSPACE", "VkmPAGEUP", "VkmPAGEDOWN", "VkmEND", "VkmHOME", "VkmLEFT", "VkmUP",
    "VkmRIGHT", "VkmDOWN", "VkmINSERT", "VkmDELETE", "Vkm0", "Vkm1", "Vkm2", "Vkm3", "Vkm4", "Vkm5",
    "Vkm6", "Vkm7", "Vkm8", "Vkm9", "VkmA", "VkmB", "VkmC", "VkmD", "VkmE", "VkmF", "VkmG", "VkmH",
    "VkmI", "VkmJ", "VkmK", "VkmL", "VkmM", "VkmN", "VkmO", "VkmP", "VkmQ", "VkmR", "VkmS", "VkmT",
    "VkmU", "VkmV", "VkmW", "VkmX", "VkmY", "VkmZ", "VkmF1", "VkmF2", "VkmF3", "VkmF4", "VkmF5", "VkmF6",
    "VkmF7", "VkmF8", "VkmF9", "VkmF10", "VkmF11", "VkmF12", "VkmWheelDown", "VkmWheelUp",
};

const std::string& KeyName(int index) { return Sjis(kKeyNamesUtf8[index]); }

std::optional<int> FindFunction(std::string_view name) {
  for (int i = 0; i < BuiltinFunctionCount; ++i)
    if (BuiltinFunctionNames[i] == name) return i;
  return std::nullopt;
}

}  // namespace orva

#pragma once
// The numbered vocabulary shared by compiled pages, saves and scene objects. Each table is
// generated from its .def file under core/vocabulary/; the position in a table is the code
// stored in data, so the order is part of every file format.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

// Value types of script values and properties.
enum TParamType : uint8_t { PT_NONE = 0, PT_INT = 1, PT_FLOAT = 2, PT_BOOL = 3, PT_STR = 4 };

enum TOperatorCode : uint8_t {
#define ORVA_OPERATOR(name) name,
#include "core/vocabulary/operators.def"
#undef ORVA_OPERATOR
  OperatorCount
};

enum class TCommandCode : uint8_t {
#define ORVA_COMMAND(name) name,
#include "core/vocabulary/commands.def"
#undef ORVA_COMMAND
  Count
};

enum TBuiltinFunction : uint8_t {
#define ORVA_BUILTIN(name, minArgs, maxArgs, result) bf##name,
#include "core/vocabulary/builtins.def"
#undef ORVA_BUILTIN
  BuiltinFunctionCount
};

enum TSystemVariable : uint8_t {
#define ORVA_SYSVAR(id, name) id,
#include "core/vocabulary/sysvars.def"
#undef ORVA_SYSVAR
  SystemVariableCount
};

enum TPropertyCode : uint8_t {
#define ORVA_PROPERTY(name, type) name,
#include "core/vocabulary/properties.def"
#undef ORVA_PROPERTY
  PropertyCount
};

enum TObjectType : uint8_t {
#define ORVA_OBJTYPE(name) name,
#include "core/vocabulary/objtypes.def"
#undef ORVA_OBJTYPE
  ObjectTypeCount
};

enum TWipeType : uint8_t {
#define ORVA_WIPE(name) name,
#include "core/vocabulary/wipes.def"
#undef ORVA_WIPE
  WipeTypeCount
};

constexpr int CommandCount = static_cast<int>(TCommandCode::Count);

// Names, by code. Callers check the range first.
extern const std::array<std::string_view, OperatorCount> OperatorNames;
extern const std::array<std::string_view, CommandCount> CommandNames;
extern const std::array<std::string_view, BuiltinFunctionCount> BuiltinFunctionNames;
extern const std::array<int8_t, BuiltinFunctionCount> BuiltinFunctionMinArgs;  // -1: no bound
extern const std::array<int8_t, BuiltinFunctionCount> BuiltinFunctionMaxArgs;  // -1: no bound
extern const std::array<TParamType, BuiltinFunctionCount> BuiltinFunctionResultTypes;
extern const std::array<std::string_view, SystemVariableCount> SystemVariableNames;
extern const std::array<std::string_view, PropertyCount> PropertyNames;
extern const std::array<TParamType, PropertyCount> PropertyTypes;
extern const std::array<std::string_view, ObjectTypeCount> ObjectTypeNames;
extern const std::array<std::string_view, WipeTypeCount> WipeNames;

// The order in which an object-creating command applies its property expressions.
extern const std::array<TPropertyCode, PropertyCount> PropertyDisplayOrder;

// Exact, case-sensitive lookup of a built-in function name.
std::optional<int> FindFunction(std::string_view name);

// Small enumerations.
enum TIgnoreMouse : int32_t { IM_NONE, IM_ALL, IM_CLICK, IM_LCLICK, IM_RCLICK };
enum TParticleMotion : int32_t { PM_NONE, PM_SNOW, PM_STAR, PM_FLUFF, PM_TWISTER };
enum TPlayMode : int32_t { LP_PLAY, LP_PLAYFADE, LP_STOP, LP_STOPFADE };
enum TVAlign : int32_t { VA_TOP, VA_CENTER, VA_BOTTOM };
enum THAlign : int32_t { HA_LEFT, HA_CENTER, HA_RIGHT };
enum TFlipCarry : int32_t { FL_OUT, FL_STAY };
enum TOrientation : int32_t { OT_HORIZONTAL, OT_VERTICAL };
enum TMotionCurve : int32_t { MT_NORMAL, MT_INC, MT_DEC };
enum TFontStyleBit : int32_t { FS_BOLD, FS_ITALIC, FS_UNDERLINE, FS_STRIKEOUT };
enum TVarScope : uint8_t { vsGlobal = 0, vsAutoDestroy = 1, vsLocal = 2, vsStatus = 3 };
enum TProjectText : int32_t { CHANGEMEDIA, EXIT };

// Key names (52, CP932 text) and virtual-key identifiers (70). Nothing resolves through
// them; they belong to the vocabulary with the other tables.
constexpr int KeyNameCount = 52;
constexpr int VirtualKeyCount = 70;
const std::string& KeyName(int index);
extern const std::array<std::string_view, VirtualKeyCount> VirtualKeyNames;

// Reserved names: the inactive layer, and the scene's own temporary surfaces.
inline constexpr std::string_view InactiveLayerName = "\x01";
// The layers' own names.
inline constexpr std::string_view LayerName0 = "\x01" "BASE0";
inline constexpr std::string_view LayerName1 = "\x01" "BASE1";
inline constexpr std::string_view TransitionSnapshotName = "\x01\x01";

// Shared constants.
constexpr int32_t FrameWait = 16;
constexpr int32_t PageVersion = 104;
constexpr int32_t MaxPageVersion = 109;
constexpr int32_t GameSaveVersion = 133;
constexpr int32_t StatusSaveVersion = 103;
constexpr int32_t ArchiveVersion = 102;
constexpr int32_t KeyRepeatDelay = 300;
constexpr int32_t KeyRepeatInterval = 50;
constexpr int32_t DefaultTextDelay = 50;
inline constexpr std::string_view FilmTag = "OrvaCinema";
constexpr int32_t FilmVersion = 108;
inline constexpr std::string_view PreviewMenuTag = "OrvaPrevMenu";
constexpr int32_t PreviewMenuVersion = 103;

// The fire colour ramp, 5-6-5 pixels from black through red and yellow to pale yellow.
extern const std::array<uint16_t, 256> ToneTable565;

}  // namespace orva

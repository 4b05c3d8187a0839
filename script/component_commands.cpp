#include "script/component_commands.h"

#include <algorithm>

#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/param.h"
#include "script/param_collection.h"

namespace orva {

void TComComponent::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  // The slots come from the page's set for this code, as the page was compiled.
  slots_.clear();
  const int code = static_cast<int>(GetCommandType());
  for (int property = 0; property < PropertyCount; ++property)
    if (Owner().HasProperty(code, property))
      slots_.emplace_back(static_cast<uint8_t>(property), std::make_unique<TOrvaParser>());
  for (auto& slot : slots_) slot.second->LoadFromStream(stream);
}

TOrvaParser* TComComponent::Expression(int property) const {
  auto it = std::lower_bound(slots_.begin(), slots_.end(), property,
                             [](const auto& slot, int code) { return slot.first < code; });
  return it != slots_.end() && it->first == property ? it->second.get() : nullptr;
}

namespace {

// The kinds of the codes 0..158, as ranges of codes (inclusive) with their default.
struct TKindRun {
  int First, Last;
  TParamType Type;
  int32_t Default;
};
constexpr TKindRun kKindRuns[] = {
    // Integers.
    {3, 6, PT_INT, 0}, {7, 7, PT_INT, 256}, {8, 8, PT_INT, -1}, {9, 9, PT_INT, 0}, {10, 10, PT_INT, -1},
    {11, 11, PT_INT, 255}, {12, 14, PT_INT, 0}, {16, 16, PT_INT, 16}, {17, 23, PT_INT, 0}, {24, 24, PT_INT, -1},
    {26, 26, PT_INT, 0}, {28, 28, PT_INT, 1000}, {30, 31, PT_INT, 0}, {42, 42, PT_INT, 0}, {44, 45, PT_INT, 0},
    {48, 49, PT_INT, 1}, {51, 53, PT_INT, 0}, {63, 68, PT_INT, 0}, {80, 80, PT_INT, 0}, {82, 82, PT_INT, 256},
    {85, 85, PT_INT, 0}, {89, 91, PT_INT, 0}, {94, 94, PT_INT, 0}, {97, 97, PT_INT, 0}, {107, 107, PT_INT, 1},
    {108, 108, PT_INT, 100}, {109, 110, PT_INT, 0}, {114, 120, PT_INT, 0}, {123, 126, PT_INT, 0}, {127, 128, PT_INT, 1},
    {130, 131, PT_INT, 1}, {132, 132, PT_INT, 256}, {141, 143, PT_INT, 0}, {153, 157, PT_INT, 0},
    // Booleans (PR_VISIBLE and PR_OVERLAY default to true).
    {25, 25, PT_BOOL, 0}, {27, 27, PT_BOOL, 0}, {29, 29, PT_BOOL, 0}, {47, 47, PT_BOOL, 1}, {71, 71, PT_BOOL, 0},
    {73, 73, PT_BOOL, 0}, {81, 81, PT_BOOL, 0}, {86, 88, PT_BOOL, 0}, {98, 98, PT_BOOL, 0}, {100, 100, PT_BOOL, 0},
    {111, 112, PT_BOOL, 0}, {134, 134, PT_BOOL, 0}, {137, 137, PT_BOOL, 0}, {139, 139, PT_BOOL, 0},
    {147, 147, PT_BOOL, 0}, {150, 150, PT_BOOL, 1}, {152, 152, PT_BOOL, 0}, {158, 158, PT_BOOL, 0},
    // Extended floats.
    {95, 96, PT_FLOAT, 0}, {102, 102, PT_FLOAT, 0},
    // Strings (PR_ONPLAYING is a handler reference).
    {0, 2, PT_STR, 0}, {15, 15, PT_STR, 0}, {32, 41, PT_STR, 0}, {43, 43, PT_STR, 0}, {46, 46, PT_STR, 0},
    {50, 50, PT_STR, 0}, {54, 62, PT_STR, 0}, {69, 70, PT_STR, 0}, {72, 72, PT_STR, 0}, {74, 77, PT_STR, 0},
    {83, 84, PT_STR, 0}, {99, 99, PT_STR, 0}, {101, 101, PT_STR, 0}, {103, 106, PT_STR, 0}, {113, 113, PT_STR, 0},
    {121, 122, PT_STR, 0}, {129, 129, PT_STR, 0}, {133, 133, PT_STR, 0}, {135, 136, PT_STR, 0},
    {144, 146, PT_STR, 0}, {148, 149, PT_STR, 0}, {151, 151, PT_STR, 0},
};

// The value of an expression read as the kind, the kind's default when it yields none.
std::unique_ptr<TCustomParam> ReadAs(const TCreationKind& kind, TOrvaParser& expr, TParamCollection& vars) {
  const TCustomParam* result = EvaluateExpr(expr, vars);
  std::unique_ptr<TCustomParam> value = CreateParam(kind.Type);
  switch (kind.Type) {
    case PT_INT: value->SetAsInteger(result ? result->GetAsInteger() : kind.Default); break;
    case PT_BOOL: value->SetAsBoolean(result ? result->GetAsBoolean() : kind.Default != 0); break;
    case PT_FLOAT: value->SetAsFloat(result ? result->GetAsFloat() : 0.0L); break;
    default: value->SetAsString(result ? result->GetAsString() : std::string()); break;
  }
  return value;
}

}  // namespace

TCreationKind CreationKindOf(int property) {
  for (const TKindRun& run : kKindRuns)
    if (property >= run.First && property <= run.Last) return {run.Type, run.Default};
  return {};
}

void TComComponent::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  if (ObjectType() == LT_NONE || !scene) return;
  const TObjectHandle object = scene->CreateObject(ObjectType());
  if (object.IsNone()) return;
  BeforeConfigure(*scene, object);
  CreateObject(runner, *scene, object);
  AfterConfigure(*scene, object);
}

void TComComponent::CreateObject(TCallMan& runner, TSceneLink& scene, TObjectHandle object) {
  for (const TPropertyCode code : PropertyDisplayOrder) {
    if (code > LastCreationProperty) continue;
    TOrvaParser* expr = Expression(code);
    if (!expr) continue;
    const TCreationKind kind = CreationKindOf(code);
    if (kind.Type == PT_NONE) continue;
    scene.SetCreationProp(object, code, *ReadAs(kind, *expr, runner.Vars()));
  }
  scene.Invalidate(object);
}

namespace {

// The object's copy of the command's expression; an empty one without a slot.
void CopyExpression(TComComponent& command, TSceneLink& scene, TObjectHandle object, uint8_t code) {
  static const TOrvaParser empty;
  const TOrvaParser* expr = command.Expression(code);
  scene.AssignExpression(object, code, expr ? *expr : empty);
}

}  // namespace

void TComImgNew::BeforeConfigure(TSceneLink& scene, TObjectHandle object) {
  CopyExpression(*this, scene, object, PR_DELAY);
}

void TComParticleNew::BeforeConfigure(TSceneLink& scene, TObjectHandle object) {
  for (const uint8_t code : {PR_APPEARX, PR_APPEARY, PR_DELAY}) CopyExpression(*this, scene, object, code);
}

namespace {

// Media start with a fade when their configured PR_DELAY is not 0.
void StartMedia(TSceneLink& scene, TObjectHandle object) {
  TParamCollectionItem delay(std::make_unique<TParamInt>());
  scene.GetProp(delay, object, PR_DELAY);
  scene.Play(object, delay.GetAsInteger() != 0 ? LP_PLAYFADE : LP_PLAY);
}

}  // namespace

void TComMovie::AfterConfigure(TSceneLink& scene, TObjectHandle object) { StartMedia(scene, object); }

void TComSound::AfterConfigure(TSceneLink& scene, TObjectHandle object) { StartMedia(scene, object); }

void TComMenu::AfterConfigure(TSceneLink& scene, TObjectHandle object) { scene.Play(object, LP_PLAYFADE); }

void TComCabinet::LoadFromStream(TStream& stream) {
  TComComponent::LoadFromStream(stream);
  flag_.LoadFromStream(stream);
  ReadExpressionList(stream, names_);
}

bool TComCabinet::IsSelected(std::string_view name, bool flag) const {
  for (const auto& expr : names_)
    if (const TCustomParam* value = expr->Result(); value && value->GetAsString() == name) return !flag;
  return flag;
}

std::string TComCabinet::CabinetName(TParamCollection& vars) {
  TOrvaParser* expr = Expression(PR_NAME);
  return expr ? ExprStr(*expr, vars) : std::string();
}

bool TComCabinet::EvaluateSelection(TParamCollection& vars) {
  const bool flag = ExprBool(flag_, vars, false);
  for (const auto& expr : names_) expr->Evaluate(vars);
  return flag;
}

void TComCabinet::MoveSelected(TSceneLink& scene, TObjectHandle from, TObjectHandle to, bool flag,
                               TObjectHandle cabinet) {
  for (int i = scene.GetChildCount(from); i-- > 0;) {
    const TObjectHandle child = scene.GetChild(from, i);
    if (IsSelected(scene.GetName(child), flag)) scene.SetParent(child, to);
  }
  if (scene.GetChildCount(cabinet) == 0) scene.ScheduleFree(cabinet);
}

void TComCabinetSave::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  if (!scene) return;
  TParamCollection& vars = runner.Vars();
  const std::string name = CabinetName(vars);
  TObjectHandle cabinet = name.empty() ? TObjectHandle{} : scene->FindCabinet(name);
  if (cabinet.IsNone()) {
    cabinet = scene->CreateObject(LT_CABINET);
    if (cabinet.IsNone()) return;
    TParamStr text;
    text.SetAsString(name);
    scene->SetCreationProp(cabinet, PR_NAME, text);
    scene->SetParent(cabinet, scene->FindControl(LayerName0));
  }
  const bool flag = EvaluateSelection(vars);
  MoveSelected(*scene, scene->FindControl(InactiveLayerName), cabinet, flag, cabinet);
}

void TComCabinetLoad::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  if (!scene) return;
  TParamCollection& vars = runner.Vars();
  const std::string name = CabinetName(vars);
  if (name.empty()) return;
  const TObjectHandle cabinet = scene->FindCabinet(name);
  if (cabinet.IsNone()) return;
  const bool flag = EvaluateSelection(vars);
  MoveSelected(*scene, cabinet, scene->FindControl(InactiveLayerName), flag, cabinet);
}

}  // namespace orva

#include "script/variable_commands.h"

#include "core/stream.h"
#include "script/call_manager.h"
#include "script/page.h"
#include "script/param_collection.h"
#include "script/script_error.h"

namespace orva {

void TComCalc::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  expression_.LoadFromStream(stream);
}

void TComCalc::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  expression_.Evaluate(runner.Vars());
}

void TComVarNew::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, name_);
  type_ = ReadStreamByte(stream);
  initial_.LoadFromStream(stream);
  scope_ = ReadStreamByte(stream);
}

void TComVarNew::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  if (name_.empty()) RaiseScriptError("変数名がありません");
  TParamCollection& vars = runner.Vars();
  TParamCollectionItem* item = vars.FindItem(name_, scope_ == vsLocal);
  if (!item) {
    item = &vars.AddVariable(type_);
    try {
      item->SetName(name_);
    } catch (...) {
      // A name the store refuses leaves no nameless variable behind.
      vars.DeleteItem(*item);
      throw;
    }
    if (scope_ == vsAutoDestroy || scope_ == vsLocal) item->SetOwnerDepth(vars.CallDepth());
    if (scope_ == vsLocal) item->SetLocal(true);
    if (scope_ == vsStatus) item->SetStatus(true);
  } else if (item->IsStatus()) {
    return;  // an existing status variable keeps its value
  }
  const TCustomParam* value = EvaluateExpr(initial_, vars);
  if (!value) return;
  switch (type_) {
    case PT_INT: item->SetAsInteger(value->GetAsInteger()); break;
    case PT_FLOAT: item->SetAsFloat(value->GetAsFloat()); break;
    case PT_BOOL: item->SetAsBoolean(value->GetAsBoolean()); break;
    case PT_STR: item->SetAsString(value->GetAsString()); break;
    default: break;
  }
}

void TComVarDel::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  ReadStreamString(stream, name_);
}

void TComVarDel::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  if (name_.empty()) return;
  if (TParamCollectionItem* item = runner.Vars().Find(name_)) runner.Vars().DeleteItem(*item);
}

void TComObjDel::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  object_.LoadFromStream(stream);
}

void TComObjDel::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  if (!scene) return;
  const std::string name = ExprStr(object_, runner.Vars());
  if (name.empty()) return;
  const TObjectHandle object = scene->FindObject(name);
  if (!object.IsNone()) scene->ScheduleFree(object);
}

void TComGetProp::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  object_.LoadFromStream(stream);
  property_.LoadFromStream(stream);
  ReadStreamString(stream, variable_);
}

namespace {

// The object of a property command: the name expression's text (empty: the shown layer).
TObjectHandle PropertyObject(TOrvaParser& name, TCallMan& runner) {
  TSceneLink* scene = runner.Scene();
  return scene ? scene->FindObject(ExprStr(name, runner.Vars())) : TObjectHandle{};
}

uint8_t PropertyCode(TOrvaParser& code, TParamCollection& vars) {
  const TCustomParam* value = EvaluateExpr(code, vars);
  if (!value) RaiseScriptError("プロパティ指定が不正です");
  return static_cast<uint8_t>(value->GetAsInteger());
}

}  // namespace

void TComGetProp::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  const TObjectHandle object = PropertyObject(object_, runner);
  if (object.IsNone()) return;
  const uint8_t code = PropertyCode(property_, runner.Vars());
  if (variable_.empty()) return;
  if (TParamCollectionItem* item = runner.Vars().Find(variable_)) runner.Scene()->GetProp(*item, object, code);
}

void TComSetProp::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  const TObjectHandle object = PropertyObject(object_, runner);
  if (object.IsNone()) return;
  const uint8_t code = PropertyCode(property_, runner.Vars());
  if (const TCustomParam* value = EvaluateExpr(value_, runner.Vars())) runner.Scene()->SetProp(object, code, *value);
}

void TComSetProp::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  object_.LoadFromStream(stream);
  property_.LoadFromStream(stream);
  value_.LoadFromStream(stream);
}

void TComPropMotion::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  for (TOrvaParser* expr : {&name_, &target_, &property_, &endValue_, &duration_, &motionType_})
    expr->LoadFromStream(stream);
  if (Owner().Version() >= 108) paused_.LoadFromStream(stream);
}

void TComPropMotion::Step(TCallMan& runner, TPage*&, int32_t& index) {
  ++index;
  TSceneLink* scene = runner.Scene();
  if (!scene) return;
  TParamCollection& vars = runner.Vars();
  const TObjectHandle motion = scene->CreateObject(LT_PROPMOTION);
  if (motion.IsNone()) return;
  TParamStr name;
  name.SetAsString(ExprStr(name_, vars));
  scene->SetCreationProp(motion, PR_NAME, name);
  TPropMotionFields aim;
  if (std::string target = ExprStr(target_, vars); !target.empty()) aim.Target = std::move(target);
  scene->SetPropMotion(motion, aim);

  TPropMotionFields fields;
  fields.Property = PropertyCode(property_, vars);
  if (const TCustomParam* value = EvaluateExpr(endValue_, vars)) fields.EndValue = value->GetAsFloat();
  if (const TCustomParam* value = EvaluateExpr(duration_, vars)) fields.Duration = value->GetAsInteger();
  if (const TCustomParam* value = EvaluateExpr(motionType_, vars))
    fields.MotionType = static_cast<uint8_t>(value->GetAsInteger());
  scene->SetPropMotion(motion, fields);
  if (const TCustomParam* paused = EvaluateExpr(paused_, vars)) scene->SetProp(motion, PR_PAUSED, *paused);
}

}  // namespace orva

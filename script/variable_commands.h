#pragma once
// Commands on variables and object properties. Calc, VarNew and VarDel act on the variable
// store; the object and property commands reach scene objects through the scene link:
// without a scene they only move on.

#include <string>

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// Calc: EXPR; its assignments are the effect.
class TComCalc : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser expression_;
};

// VarNew: STR name; byte value type; EXPR initial value; byte scope (TVarScope).
class TComVarNew : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  // "変数名がありません" for an empty name.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  std::string name_;
  uint8_t type_ = PT_INT;
  TOrvaParser initial_;
  uint8_t scope_ = vsGlobal;
};

// VarDel: STR name.
class TComVarDel : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  std::string name_;
};

// ObjDel: EXPR object name.
class TComObjDel : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  // The object of that name (not a layer) is freed after the scene's update.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser object_;
};

// GetProp: EXPR object name; EXPR property code; STR variable name.
class TComGetProp : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  // The object of that name (none: the shown layer) into the variable. "プロパティ指定が不正です"
  // for a code expression without a value.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser object_;
  TOrvaParser property_;
  std::string variable_;
};

// SetProp: EXPR object name; EXPR property code; EXPR value.
class TComSetProp : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  // The value, when its expression yields one, into the object's property.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser object_;
  TOrvaParser property_;
  TOrvaParser value_;
};

// PropMotion: EXPR motion name; EXPR target object name; EXPR property code; EXPR end value;
// EXPR duration; EXPR motion type; EXPR paused flag (pages of version 108 and later).
class TComPropMotion : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  // A property motion in the scene, named and aimed; "プロパティ指定が不正です" (the motion
  // stays, without a property) for a code expression without a value.
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;

 private:
  TOrvaParser name_;
  TOrvaParser target_;
  TOrvaParser property_;
  TOrvaParser endValue_;
  TOrvaParser duration_;
  TOrvaParser motionType_;
  TOrvaParser paused_;
};

}  // namespace orva

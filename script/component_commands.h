#pragma once
// The object-creating commands: each record holds one compiled expression per property that
// the author set, as the page's property set of the command's code says. The step creates
// the object through the scene link and applies the expressions to it.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "script/command.h"
#include "script/orva_parser.h"
#include "script/scene_link.h"

namespace orva {

// Record: for every property code 0..161 in ascending order whose bit is set in the page's
// set of this command's code, that expression.
//
// A command that creates an object (ObjectType not LT_NONE) moves on, makes the object in
// the scene and configures it: the expressions are applied in the vocabulary's creation
// order, each read as its code's kind with its default when it yields no value, and the
// object is invalidated last. Without a scene, or without a class for the type, nothing is
// made. Errors of a setter are dropped by the step; the object keeps what was applied.
class TComComponent : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
  // The expression for a property code, none when the record has no slot for it.
  TOrvaParser* Expression(int property) const;
  int SlotCount() const { return static_cast<int>(slots_.size()); }
  // The LT_ type code of the object the command creates; LT_NONE for none.
  virtual uint8_t ObjectType() const { return LT_NONE; }
  // Applies the command's expressions to a new object of the scene.
  void CreateObject(TCallMan& runner, TSceneLink& scene, TObjectHandle object);

 protected:
  // Around the configuration: what a kind of command does to its object before and after.
  virtual void BeforeConfigure(TSceneLink& scene, TObjectHandle object) {}
  virtual void AfterConfigure(TSceneLink& scene, TObjectHandle object) {}

 private:
  // Ascending by property code.
  std::vector<std::pair<uint8_t, std::unique_ptr<TOrvaParser>>> slots_;
};

// How a property code is read while a new object is configured: its kind (PT_NONE: never
// applied at creation) and the value passed when its expression yields none.
struct TCreationKind {
  TParamType Type = PT_NONE;
  int32_t Default = 0;  // integers; booleans 0 or 1; floats and strings have 0 and ""
};
TCreationKind CreationKindOf(int property);
// Codes above this are never applied at creation (PR_PLUSX, PR_PLUSY, PR_CARETHEIGHT).
constexpr int LastCreationProperty = PR_FONTHOVERSHADOWCOLOR;

// Parent of the commands that create a visible object.
class TComControl : public TComComponent {
 public:
  using TComComponent::TComComponent;
};

#define ORVA_COMPONENT_COMMAND(name, base, type)        \
  class name final : public base {                       \
   public:                                               \
    using base::base;                                    \
    uint8_t ObjectType() const override { return type; } \
  };
ORVA_COMPONENT_COMMAND(TComBoxNew, TComControl, LT_BOX)
ORVA_COMPONENT_COMMAND(TComMesNew, TComControl, LT_MES)
ORVA_COMPONENT_COMMAND(TComTimer, TComComponent, LT_TIMER)
ORVA_COMPONENT_COMMAND(TComCinema, TComControl, LT_CINEMA)
ORVA_COMPONENT_COMMAND(TComCaption, TComControl, LT_LABEL)
ORVA_COMPONENT_COMMAND(TComBtnNew, TComControl, LT_BUTTON)
ORVA_COMPONENT_COMMAND(TComFireNew, TComControl, LT_FIRE)
ORVA_COMPONENT_COMMAND(TComEditNew, TComControl, LT_EDIT)
ORVA_COMPONENT_COMMAND(TComMemoNew, TComControl, LT_MEMO)
ORVA_COMPONENT_COMMAND(TComMapImgNew, TComControl, LT_MAPIMG)
ORVA_COMPONENT_COMMAND(TComWaveNew, TComControl, LT_WAVE)
ORVA_COMPONENT_COMMAND(TComTileNew, TComControl, LT_TILE)
ORVA_COMPONENT_COMMAND(TComSliderNew, TComControl, LT_SLIDER)
ORVA_COMPONENT_COMMAND(TComScrollbarNew, TComControl, LT_SCROLLBAR)
ORVA_COMPONENT_COMMAND(TComGaugeNew, TComControl, LT_GAUGE)
ORVA_COMPONENT_COMMAND(TComCGCaption, TComControl, LT_CGLABEL)
ORVA_COMPONENT_COMMAND(TComPrevMenuNew, TComControl, LT_PREVMENU)
#undef ORVA_COMPONENT_COMMAND

// ImgNew: the image keeps a copy of the PR_DELAY expression (an empty one without a slot).
class TComImgNew final : public TComControl {
 public:
  using TComControl::TComControl;
  uint8_t ObjectType() const override { return LT_IMAGES; }

 protected:
  void BeforeConfigure(TSceneLink& scene, TObjectHandle object) override;
};

// ParticleNew: the object keeps copies of the PR_APPEARX, PR_APPEARY and PR_DELAY expressions.
class TComParticleNew final : public TComControl {
 public:
  using TComControl::TComControl;
  uint8_t ObjectType() const override { return LT_PARTICLE; }

 protected:
  void BeforeConfigure(TSceneLink& scene, TObjectHandle object) override;
};

// Movie and Sound start once configured: with a fade when their PR_DELAY is not 0.
class TComMovie final : public TComControl {
 public:
  using TComControl::TComControl;
  uint8_t ObjectType() const override { return LT_VIDEO; }

 protected:
  void AfterConfigure(TSceneLink& scene, TObjectHandle object) override;
};
class TComSound final : public TComComponent {
 public:
  using TComComponent::TComComponent;
  uint8_t ObjectType() const override { return LT_SOUND; }

 protected:
  void AfterConfigure(TSceneLink& scene, TObjectHandle object) override;
};

// Menu: opens with a fade once configured.
class TComMenu final : public TComControl {
 public:
  using TComControl::TComControl;
  uint8_t ObjectType() const override { return LT_MENU; }

 protected:
  void AfterConfigure(TSceneLink& scene, TObjectHandle object) override;
};

// A cabinet (a hidden container of objects): the component record (its PR_NAME names the
// cabinet), then EXPR selection flag; int32 n; n × EXPR object name.
class TComCabinet : public TComComponent {
 public:
  using TComComponent::TComComponent;
  void LoadFromStream(TStream& stream) override;
  // Whether an object of that name is selected: a true flag selects every object except
  // the named ones, a false flag only the named ones. The names are those of the last
  // evaluation of each name expression.
  bool IsSelected(std::string_view name, bool flag) const;
  TOrvaParser& SelectionFlag() { return flag_; }
  int NameCount() const { return static_cast<int>(names_.size()); }
  TOrvaParser& Name(int index) const { return *names_.at(static_cast<size_t>(index)); }

 protected:
  // The cabinet's name (PR_NAME), the selection flag, and every name evaluated once.
  std::string CabinetName(TParamCollection& vars);
  bool EvaluateSelection(TParamCollection& vars);
  // Moves the selected children of `from`, last to first, under `to`; frees `cabinet` when
  // it is left empty.
  void MoveSelected(TSceneLink& scene, TObjectHandle from, TObjectHandle to, bool flag, TObjectHandle cabinet);

 private:
  TOrvaParser flag_;
  std::vector<std::unique_ptr<TOrvaParser>> names_;
};

// SaveCabinet moves the selected objects of the inactive layer into the cabinet named by
// PR_NAME (made on layer 0 when there is none), LoadCabinet moves the selected objects of a
// cabinet back; the children are visited from the last to the first, and a cabinet left
// empty is freed.
class TComCabinetSave final : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};
class TComCabinetLoad final : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override;
};

}  // namespace orva

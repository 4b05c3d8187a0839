#pragma once
// The object-creating commands: each record holds one compiled expression per property that
// the author set, as the page's property set of the command's code says. Creating the
// objects and applying the expressions belongs to the scene; until one exists the commands
// only move on.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "script/command.h"
#include "script/orva_parser.h"

namespace orva {

// Record: for every property code 0..161 in ascending order whose bit is set in the page's
// set of this command's code, that expression.
class TComComponent : public TCommand {
 public:
  using TCommand::TCommand;
  void LoadFromStream(TStream& stream) override;
  void Step(TCallMan& runner, TPage*& page, int32_t& index) override { ++index; }
  // The expression for a property code, none when the record has no slot for it.
  TOrvaParser* Expression(int property) const;
  int SlotCount() const { return static_cast<int>(slots_.size()); }

 private:
  // Ascending by property code.
  std::vector<std::pair<uint8_t, std::unique_ptr<TOrvaParser>>> slots_;
};

// Parent of the commands that create a visible object.
class TComControl : public TComComponent {
 public:
  using TComComponent::TComComponent;
};

#define ORVA_COMPONENT_COMMAND(name, base) \
  class name final : public base {         \
   public:                                 \
    using base::base;                      \
  };
ORVA_COMPONENT_COMMAND(TComBoxNew, TComControl)
ORVA_COMPONENT_COMMAND(TComImgNew, TComControl)
ORVA_COMPONENT_COMMAND(TComMesNew, TComControl)
ORVA_COMPONENT_COMMAND(TComTimer, TComComponent)
ORVA_COMPONENT_COMMAND(TComMovie, TComControl)
ORVA_COMPONENT_COMMAND(TComCinema, TComControl)
ORVA_COMPONENT_COMMAND(TComCaption, TComControl)
ORVA_COMPONENT_COMMAND(TComMenu, TComControl)
ORVA_COMPONENT_COMMAND(TComBtnNew, TComControl)
ORVA_COMPONENT_COMMAND(TComParticleNew, TComControl)
ORVA_COMPONENT_COMMAND(TComFireNew, TComControl)
ORVA_COMPONENT_COMMAND(TComSound, TComComponent)
ORVA_COMPONENT_COMMAND(TComEditNew, TComControl)
ORVA_COMPONENT_COMMAND(TComMemoNew, TComControl)
ORVA_COMPONENT_COMMAND(TComMapImgNew, TComControl)
ORVA_COMPONENT_COMMAND(TComWaveNew, TComControl)
ORVA_COMPONENT_COMMAND(TComTileNew, TComControl)
ORVA_COMPONENT_COMMAND(TComSliderNew, TComControl)
ORVA_COMPONENT_COMMAND(TComScrollbarNew, TComControl)
ORVA_COMPONENT_COMMAND(TComGaugeNew, TComControl)
ORVA_COMPONENT_COMMAND(TComCGCaption, TComControl)
ORVA_COMPONENT_COMMAND(TComPrevMenuNew, TComControl)
#undef ORVA_COMPONENT_COMMAND

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

 private:
  TOrvaParser flag_;
  std::vector<std::unique_ptr<TOrvaParser>> names_;
};

// SaveCabinet moves objects of the inactive layer into a cabinet, LoadCabinet back.
class TComCabinetSave final : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
};
class TComCabinetLoad final : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
};

}  // namespace orva

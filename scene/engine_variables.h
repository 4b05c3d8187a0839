#pragma once
// The engine state behind the 49 system variables: the call manager (result, arguments,
// sender), the project file (screen size, title), the store's own fields, the main scene
// (mouse, keys, wheel, focus, sound and dither switches), the frame clock and the local
// date, the installed fonts, and through small links the message history, the screen
// manager with the main window and the MIDI manager.

#include <array>
#include <cstdint>
#include <memory>

#include "script/param_system.h"
#include "script/temp_value.h"

namespace orva {

class TCallMan;
class THistoryLink;
class TMidiLink;
class TParamCollection;
struct TProjectFile;
class TScreenLink;

class TEngineVariables final : public TSystemVariableProvider {
 public:
  explicit TEngineVariables(TParamCollection& vars);
  ~TEngineVariables() override;
  TEngineVariables(const TEngineVariables&) = delete;
  TEngineVariables& operator=(const TEngineVariables&) = delete;

  // The parts read; none of them owned, each none until it exists.
  void SetCallMan(TCallMan* man) { callMan_ = man; }
  void SetProjectFile(const TProjectFile* file) { projectFile_ = file; }
  void SetHistory(THistoryLink* history) { history_ = history; }
  void SetDisplay(TScreenLink* display) { display_ = display; }
  void SetMidi(TMidiLink* midi) { midi_ = midi; }

  TCustomParam* SystemVariable(uint8_t id) override;

 private:
  class TEngineValue;
  friend class TEngineValue;

  TParamCollection& vars_;
  TCallMan* callMan_ = nullptr;
  const TProjectFile* projectFile_ = nullptr;
  THistoryLink* history_ = nullptr;
  TScreenLink* display_ = nullptr;
  TMidiLink* midi_ = nullptr;
  TTempValue temp_;
  // By id; @Result and @Temp have none here.
  std::array<std::unique_ptr<TEngineValue>, SystemVariableCount> values_;
};

}  // namespace orva

#include "scene/engine_variables.h"

#include <numbers>
#include <string>

#include "core/day_count.h"
#include "core/fonts.h"
#include "core/frame_clock.h"
#include "scene/base_list.h"
#include "scene/engine_links.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script/screen_link.h"
#include "script/project_file.h"
#include "script/system_value.h"

namespace orva {
namespace {

// The wheel's two entries after the 256 keys of the key arrays.
constexpr int32_t kWheelDownKey = 256, kWheelUpKey = 257, kKeyArraySize = 258;

TOrvaBase* ActiveLayer() {
  TOrvaBaseList* scene = GetMainScene();
  return scene ? scene->ActiveLayer() : nullptr;
}

// The local date and time of this frame.
TDateTimeParts FrameNow() {
  TDateTimeParts parts;
  if (!DecodeDayCount(GetFrameNow(), parts)) parts = {};
  return parts;
}

// The font names joined with CR LF, without the last one's.
std::string FontList(bool fixedPitchOnly) {
  std::string text;
  for (const std::string& name : ListFonts(true, false, fixedPitchOnly)) {
    text += name;
    text += "\r\n";
  }
  size_t b = 0, e = text.size();
  while (b < e && static_cast<uint8_t>(text[b]) <= 0x20) ++b;
  while (e > b && static_cast<uint8_t>(text[e - 1]) <= 0x20) --e;
  return text.substr(b, e - b);
}

bool KeyState(int32_t key, bool (TOrvaBaseList::*state)(int) const) {
  TOrvaBaseList* scene = GetMainScene();
  if (!scene) return false;
  if (key == kWheelDownKey || key == kWheelUpKey) {
    const TOrvaBase* layer = scene->ActiveLayer();
    return layer && (key == kWheelDownKey ? layer->WheelDown : layer->WheelUp);
  }
  return (scene->*state)(key);
}

// A non-empty name moves the focus to that control when it is not paused, is visible and
// takes keys; anything else leaves the focus where it is.
void FocusControl(std::string_view name) {
  TOrvaBaseList* scene = GetMainScene();
  if (!scene || name.empty()) return;
  TOrvaControl* control = scene->FindControl(name);
  if (control && !control->GetPaused() && control->GetVisible() && control->GetHandleKey()) scene->SetFocus(control);
}

}  // namespace

// One system variable other than @Result and @Temp, answering in its own type.
class TEngineVariables::TEngineValue final : public TSystemValue {
 public:
  TEngineValue(TEngineVariables& engine, uint8_t id) : engine_(engine), id_(id) {}

  TParamType GetParamType() const override { return DefaultSystemVariableType(id_); }

  int32_t GetCount() const override {
    switch (id_) {
      case svParamStr: return engine_.callMan_ ? engine_.callMan_->ArgCount() : 0;
      case svKeyPush:
      case svKeyClick:
      case svKeyRepeat: return kKeyArraySize;
      case svMidiPorts: return engine_.midi_ ? engine_.midi_->GetDeviceCount() : 0;
      default: return 1;
    }
  }

 protected:
  int32_t ReadInt(TElement) const override {
    const TOrvaBase* layer = ActiveLayer();
    switch (id_) {
      case svMouseX: return layer ? layer->GetMousePos().X : 0;
      case svMouseY: return layer ? layer->GetMousePos().Y : 0;
      case svTextDelay: return engine_.vars_.GlobalTextDelay;
      case svHistoryCount: return engine_.history_ ? engine_.history_->GetTotal() : 0;
      case svParamCount: return engine_.callMan_ ? engine_.callMan_->ArgCount() : 0;
      case svScrWidth: return engine_.projectFile_ ? engine_.projectFile_->ScreenWidth : 0;
      case svScrHeight: return engine_.projectFile_ ? engine_.projectFile_->ScreenHeight : 0;
      case svTickCount: return static_cast<int32_t>(GameClock);
      case svPCTickCount: return static_cast<int32_t>(timeGetTime());
      case svUpdateCount: return FrameCount;
      case svYear: return FrameNow().Year;
      case svMonth: return FrameNow().Month;
      case svDay: return FrameNow().Day;
      case svWeek: return FrameNow().DayOfWeek;
      case svHour: return FrameNow().Hour;
      case svMin: return FrameNow().Minute;
      case svSec: return FrameNow().Second;
      case svSelIndex: return engine_.vars_.SelIndex;
      case svDisplayModeCount: return engine_.display_ ? engine_.display_->GetModeCount() : 0;
      case svDisplayModeIndex: return engine_.display_ ? engine_.display_->GetBestMode() : -1;
      case svHistoryMaxCount: return engine_.history_ ? engine_.history_->GetMaxCount() : 0;
      default: return 0;
    }
  }

  void WriteInt(TElement, int32_t value) override {
    switch (id_) {
      case svMouseX:
        if (engine_.display_) engine_.display_->SetMouseX(value);
        break;
      case svMouseY:
        if (engine_.display_) engine_.display_->SetMouseY(value);
        break;
      case svTextDelay: engine_.vars_.GlobalTextDelay = value; break;
      case svSelIndex: engine_.vars_.SelIndex = value; break;
      case svDisplayModeIndex:
        if (engine_.display_) engine_.display_->SetBestMode(value);
        break;
      case svHistoryMaxCount:
        if (engine_.history_) engine_.history_->SetMaxCount(value);
        break;
      default: break;
    }
  }

  // The fractions of a day are double quotients, as the date functions compute them.
  long double ReadFloat(TElement) const override {
    switch (id_) {
      case svPi: return std::numbers::pi_v<long double>;
      case sv1Hour: return 1.0 / 24;
      case sv1Min: return 1.0 / 1440;
      case sv1Sec: return 1.0 / 86400;
      default: return 0.0L;
    }
  }

  bool ReadBool(TElement element) const override {
    const TOrvaBaseList* scene = GetMainScene();
    const TOrvaBase* layer = ActiveLayer();
    switch (id_) {
      case svLClick: return layer && layer->LeftClick;
      case svRClick: return layer && layer->RightClick;
      case svLPush: return layer && layer->IsLeftButtonDown();
      case svRPush: return layer && layer->IsRightButtonDown();
      case svFullScr: return engine_.display_ && engine_.display_->GetFullScreen();
      case svCGDither: return scene && scene->GetImageDither();
      case svKeyPush: return !element.Scalar && KeyState(element.Index, &TOrvaBaseList::IsKeyDown);
      case svKeyClick: return !element.Scalar && KeyState(element.Index, &TOrvaBaseList::IsKeyHit);
      case svKeyRepeat: return !element.Scalar && KeyState(element.Index, &TOrvaBaseList::IsKeyRepeated);
      case svSoundON: return scene && scene->GetAudioEnabled();
      case svWheelDown: return layer && layer->WheelDown;
      case svWheelUp: return layer && layer->WheelUp;
      default: return false;
    }
  }

  void WriteBool(TElement, bool value) override {
    TOrvaBaseList* scene = GetMainScene();
    TOrvaBase* layer = ActiveLayer();
    switch (id_) {
      case svLClick:
        if (layer) layer->LeftClick = value;
        break;
      case svRClick:
        if (layer) layer->RightClick = value;
        break;
      case svFullScr:
        if (engine_.display_) engine_.display_->SetFullScreen(value);
        break;
      case svCGDither:
        if (scene) scene->SetImageDither(value);
        break;
      case svSoundON:
        if (scene) scene->SetAudioEnabled(value);
        break;
      default: break;
    }
  }

  std::string ReadStr(TElement element) const override {
    TCallMan* man = engine_.callMan_;
    switch (id_) {
      case svParamStr: return man && !element.Scalar ? man->GetArg(element.Index) : std::string();
      case svSender: return man ? man->GetSenderName() : std::string();
      case svFonts: return FontList(false);
      case svFixedFonts: return FontList(true);
      case svCursor: return engine_.vars_.GameCursorFile;
      case svSelStr: return engine_.vars_.SelStr;
      case svTitle: return engine_.projectFile_ ? engine_.projectFile_->Title : std::string();
      case svActiveCompo: {
        const TOrvaBaseList* scene = GetMainScene();
        const TOrvaControl* focus = scene ? scene->GetFocus() : nullptr;
        return focus ? focus->GetName() : std::string();
      }
      case svMidiPort: return engine_.midi_ ? engine_.midi_->GetDeviceName() : std::string();
      case svMidiPorts:
        return engine_.midi_ ? engine_.midi_->GetDeviceNameAt(element.Scalar ? 0 : element.Index) : std::string();
      default: return {};
    }
  }

  void WriteStr(TElement, std::string_view value) override {
    switch (id_) {
      case svCursor: engine_.vars_.GameCursorFile = value; break;
      case svSelStr: engine_.vars_.SelStr = value; break;
      case svActiveCompo: FocusControl(value); break;
      case svMidiPort:
        if (engine_.midi_) engine_.midi_->SelectDeviceName(value);
        break;
      default: break;
    }
  }

 private:
  TEngineVariables& engine_;
  uint8_t id_;
};

TEngineVariables::TEngineVariables(TParamCollection& vars) : vars_(vars), temp_(vars) {
  for (int id = 0; id < SystemVariableCount; ++id)
    if (id != svResult && id != svTemp) values_[static_cast<size_t>(id)] = std::make_unique<TEngineValue>(*this, static_cast<uint8_t>(id));
}

TEngineVariables::~TEngineVariables() = default;

TCustomParam* TEngineVariables::SystemVariable(uint8_t id) {
  if (id == svResult) return callMan_ ? callMan_->ResultValue() : nullptr;
  if (id == svTemp) return &temp_;
  return id < values_.size() ? values_[id].get() : nullptr;
}

}  // namespace orva

#pragma once
// Stand-ins for the objects films make before their real classes exist: a probe control per
// type code that records every property write of a film in order ("SetLeft 5"), a sound
// with a length and a position the test sets, and a transition class that records how the
// scene and the film configure it. FilmProbes registers them for a scope.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/fonts.h"
#include "scene/object_factory.h"
#include "scene/orva_control.h"
#include "scene/wipe.h"

namespace orva::kit {

// The calls of every probe, sound and recorded transition, in order: "<kind> <call>".
std::vector<std::string>& ProbeLog();
// The lines of ProbeLog for one kind ("box", "label", "tile", "particle", "fire", "sound",
// "wipe"), without the kind.
std::vector<std::string> ProbeCalls(std::string_view kind);

class ProbeControl : public TOrvaControl {
 public:
  ProbeControl(TOrvaBaseList* owner, int code, std::string kind);

  uint8_t GetCompoType() override { return static_cast<uint8_t>(code_); }
  void SetName(std::string_view name) override;
  void SetParent(TOrvaControl* parent) override;
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetPriority(int32_t value) override;
  void SetPriorityOffset(int32_t value) override;
  void SetLeft(int32_t v) override;
  void SetTop(int32_t v) override;
  void SetWidth(int32_t v) override;
  void SetHeight(int32_t v) override;
  void SetMotionX(int32_t v) override;
  void SetMotionY(int32_t v) override;
  void SetOffsetX(int32_t v) override;
  void SetOffsetY(int32_t v) override;
  void SetClipLeft(int32_t v) override;
  void SetClipTop(int32_t v) override;
  void SetClipWidth(int32_t v) override;
  void SetClipHeight(int32_t v) override;
  void SetColor(int32_t v) override;
  void SetZoomX(int32_t v) override { Log("SetZoomX", v); }
  void SetZoomY(int32_t v) override { Log("SetZoomY", v); }
  void SetAngle(int32_t v) override { Log("SetAngle", v); }
  void SetAlpha(int32_t v) override { Log("SetAlpha", v); }
  void SetFlipH(bool v) override { Log("SetFlipH", v); }
  void SetFlipV(bool v) override { Log("SetFlipV", v); }
  void SetBorderWidth(int32_t v) override { Log("SetBorderWidth", v); }
  void SetBorderColor(int32_t v) override { Log("SetBorderColor", v); }
  void SetFontName(std::string_view v) override { Log("SetFontName " + std::string(v)); }
  void SetFontHeight(int32_t v) override { Log("SetFontHeight", v); }
  void SetLineSpace(int32_t v) override { Log("SetLineSpace", v); }
  void SetFontColor(int32_t v) override { Log("SetFontColor", v); }
  void SetFontStyle(TFontStyles v) override { Log("SetFontStyle", FontStylesToInt(v)); }
  void SetAntialias(bool v) override { Log("SetAntialias", v); }
  void SetHAlign(uint8_t v) override { Log("SetHAlign", v); }
  void SetText(std::string_view v) override { Log("SetText " + std::string(v)); }
  void SetDistanceX(int32_t v) override { Log("SetDistanceX", v); }
  void SetDistanceY(int32_t v) override { Log("SetDistanceY", v); }
  void SetScrollX(int32_t v) override { Log("SetScrollX", v); }
  void SetScrollY(int32_t v) override { Log("SetScrollY", v); }
  void SetSource(std::string_view v) override { Log("SetSource " + std::string(v)); }
  void SetPartMotion(uint8_t v) override { Log("SetPartMotion", v); }
  void SetIndex(int32_t v) override { Log("SetIndex", v); }
  void SetParam(int index, long double v) override;
  void SetParticleParam(const TOrvaParticleParam& p) override;
  void SetOrigWidth(int32_t v) override { Log("SetOrigWidth", v); }
  void SetOrigHeight(int32_t v) override { Log("SetOrigHeight", v); }
  void SetPower(int32_t v) override { Log("SetPower", v); }
  void SetImage(TCustomDIBX* image) override;
  void SetMaskImage(TCustomDIBX* mask) override;
  void SetCaptureMask(bool v) override { Log("SetCaptureMask", v); }
  void ApplyTileFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor, int32_t priority,
                      int32_t distanceX, int32_t distanceY, bool flipH, bool flipV, int32_t left, int32_t top,
                      int32_t width, int32_t height, int32_t offsetX, int32_t offsetY, int32_t zoomX, int32_t zoomY,
                      int32_t alpha, int32_t scrollX, int32_t scrollY, const TRect& clip) override;

  // What the probe shows: its picture (from films that hand one over).
  TCustomDIBX* GetImage() override { return image_; }

  const std::string& Kind() const { return kind_; }

 private:
  void Log(const std::string& call);
  void Log(const std::string& call, int64_t value) { Log(call + " " + std::to_string(value)); }

  int code_;
  std::string kind_;
  TCustomDIBX* image_ = nullptr;
};

// LT_SOUND: a sound of Count milliseconds whose position (INDEX) the test moves; PAUSED,
// the play state, VOLUME, BALANCE, REPEAT and SOURCE as set.
class FakeSound : public TOrvaComponent {
 public:
  explicit FakeSound(TOrvaBaseList* owner);
  uint8_t GetCompoType() override { return LT_SOUND; }
  std::string GetSource() override { return source_; }
  void SetSource(std::string_view v) override;
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t v) override;
  int32_t GetBalance() override { return balance_; }
  void SetBalance(int32_t v) override;
  bool GetRepeat() override { return repeat_; }
  void SetRepeat(bool v) override;
  bool GetPaused() override { return paused_; }
  void SetPaused(bool v) override;
  int32_t GetIndex() override { return Position; }
  void SetIndex(int32_t v) override;
  int32_t GetCount() override { return Count; }
  uint8_t GetPlayState() override { return stopped_ ? 2 : 0; }
  void Play(uint8_t mode) override;
  void MediaPlay() override;

  // The sound's length and position in milliseconds.
  int32_t Count = 2000;
  int32_t Position = 0;
  // The test stops the sound as its end would.
  void Stop() { stopped_ = true; }

 private:
  void Log(const std::string& call);
  std::string source_;
  int32_t volume_ = 0, balance_ = 0;
  bool repeat_ = false, paused_ = false, stopped_ = true;
};

// A transition that records its configuration and its steps.
class RecordingWipe : public TCustomWipe {
 public:
  RecordingWipe(int number, TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB);
  void SetReverse(bool value) override;
  void SetParam(int index, int32_t value) override;
  void SetMaskName(std::string_view name) override;
  void Prepare() override;

 private:
  int number_;
};

// The codes and kinds of the probes: box, label, tile, particle and fire.
const std::vector<std::pair<int, std::string>>& ProbeKinds();
// The factory entry that makes a probe of the code.
TObjectConstructor ProbeClass(int code, std::string kind);

// Registers the probes for box, label, tile, particle and fire, the fake sound, and (with
// wipes) the recording transition for every number; gives the old classes back at the end.
class FilmProbes {
 public:
  explicit FilmProbes(bool wipes = true);
  ~FilmProbes();
  FilmProbes(const FilmProbes&) = delete;
  FilmProbes& operator=(const FilmProbes&) = delete;
  // Takes the class of a code away for the scope, as before its issue.
  void Unregister(int code);

  // The default length of the sounds made from now on.
  static int32_t& SoundCount();

 private:
  std::vector<std::pair<int, TObjectConstructor>> objects_;
  std::vector<std::pair<int, TWipeConstructor>> wipes_;
};

}  // namespace orva::kit

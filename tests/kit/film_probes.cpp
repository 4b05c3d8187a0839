#include "kit/film_probes.h"

#include <cstdio>

#include "graphics/custom_dibx.h"
#include "scene/base_list.h"

namespace orva::kit {

namespace {

// A name as the log shows it: the internal byte as "#".
std::string Shown(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == InternalNameByte) c = '#';
  return s;
}

std::string Float(long double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6Lg", v);
  return text;
}

}  // namespace

std::vector<std::string>& ProbeLog() {
  static std::vector<std::string> log;
  return log;
}

std::vector<std::string> ProbeCalls(std::string_view kind) {
  std::vector<std::string> calls;
  const std::string prefix = std::string(kind) + " ";
  for (const std::string& line : ProbeLog())
    if (line.starts_with(prefix)) calls.push_back(line.substr(prefix.size()));
  return calls;
}

// ==== Probe ====

ProbeControl::ProbeControl(TOrvaBaseList* owner, int code, std::string kind)
    : TOrvaControl(owner), code_(code), kind_(std::move(kind)) {}

void ProbeControl::Log(const std::string& call) { ProbeLog().push_back(kind_ + " " + call); }

void ProbeControl::SetName(std::string_view name) {
  Log("SetName " + Shown(name));
  TOrvaControl::SetName(name);
}

void ProbeControl::SetParent(TOrvaControl* parent) {
  Log("SetParent " + (parent ? Shown(parent->GetName()) : std::string("none")));
  TOrvaControl::SetParent(parent);
}

void ProbeControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Log("SetBounds " + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(width) + "," +
      std::to_string(height));
  TOrvaControl::SetBounds(left, top, width, height);
}

void ProbeControl::SetPriority(int32_t value) {
  Log("SetPriority", value);
  TOrvaControl::SetPriority(value);
}

void ProbeControl::SetPriorityOffset(int32_t value) {
  Log("SetPriorityOffset", value);
  TOrvaControl::SetPriorityOffset(value);
}

#define ORVA_PROBE_FORWARD(name)       \
  void ProbeControl::name(int32_t v) { \
    Log(#name, v);                     \
    TOrvaControl::name(v);             \
  }
ORVA_PROBE_FORWARD(SetLeft)
ORVA_PROBE_FORWARD(SetTop)
ORVA_PROBE_FORWARD(SetWidth)
ORVA_PROBE_FORWARD(SetHeight)
ORVA_PROBE_FORWARD(SetMotionX)
ORVA_PROBE_FORWARD(SetMotionY)
ORVA_PROBE_FORWARD(SetOffsetX)
ORVA_PROBE_FORWARD(SetOffsetY)
ORVA_PROBE_FORWARD(SetClipLeft)
ORVA_PROBE_FORWARD(SetClipTop)
ORVA_PROBE_FORWARD(SetClipWidth)
ORVA_PROBE_FORWARD(SetClipHeight)
ORVA_PROBE_FORWARD(SetColor)
#undef ORVA_PROBE_FORWARD

void ProbeControl::SetParam(int index, long double v) { Log("SetParam" + std::to_string(index + 1) + " " + Float(v)); }

void ProbeControl::SetParticleParam(const TOrvaParticleParam& p) {
  Log("SetParticleParam " + std::to_string(p.AppearX) + "," + std::to_string(p.AppearY) + "," +
      std::to_string(p.AppearWidth) + "," + std::to_string(p.AppearHeight) + " " + std::to_string(p.IntervalLow) + "+" +
      std::to_string(p.IntervalRange));
}

void ProbeControl::SetImage(TCustomDIBX* image) {
  Log(image ? "SetImage " + std::to_string(image->GetWidth()) + "x" + std::to_string(image->GetHeight())
            : std::string("SetImage none"));
  image_ = image;
}

void ProbeControl::SetMaskImage(TCustomDIBX* mask) { Log(mask ? "SetMaskImage" : "SetMaskImage none"); }

void ProbeControl::ApplyTileFrame(TOrvaControl* parent, TCustomDIBX* picture, TCustomDIBX* mask, int32_t keyColor,
                                  int32_t priority, int32_t distanceX, int32_t distanceY, bool flipH, bool flipV,
                                  int32_t left, int32_t top, int32_t width, int32_t height, int32_t offsetX,
                                  int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t alpha, int32_t scrollX,
                                  int32_t scrollY, const TRect& clip) {
  const auto n = [](int64_t v) { return std::to_string(v); };
  Log("ApplyTileFrame parent " + (parent ? Shown(parent->GetName()) : std::string("none")) + " picture " +
      (picture ? n(picture->GetWidth()) + "x" + n(picture->GetHeight()) : std::string("none")) + " mask " +
      (mask ? "yes" : "no") + " key " + n(keyColor) + " priority " + n(priority) + " distance " + n(distanceX) + "," +
      n(distanceY) + " flip " + n(flipH) + n(flipV) + " rect " + n(left) + "," + n(top) + "," + n(width) + "," +
      n(height) + " offset " + n(offsetX) + "," + n(offsetY) + " zoom " + n(zoomX) + "," + n(zoomY) + " alpha " +
      n(alpha) + " scroll " + n(scrollX) + "," + n(scrollY) + " clip " + n(clip.Left) + "," + n(clip.Top) + "," +
      n(clip.Right) + "," + n(clip.Bottom));
  image_ = picture;
}

// ==== Sound ====

FakeSound::FakeSound(TOrvaBaseList* owner) : TOrvaComponent(owner), Count(FilmProbes::SoundCount()) {}

void FakeSound::Log(const std::string& call) { ProbeLog().push_back("sound " + call); }

void FakeSound::SetSource(std::string_view v) {
  Log("SetSource " + std::string(v));
  source_ = v;
}

void FakeSound::SetVolume(int32_t v) {
  Log("SetVolume " + std::to_string(v));
  volume_ = v;
}

void FakeSound::SetBalance(int32_t v) {
  Log("SetBalance " + std::to_string(v));
  balance_ = v;
}

void FakeSound::SetRepeat(bool v) {
  Log(std::string("SetRepeat ") + (v ? "1" : "0"));
  repeat_ = v;
}

void FakeSound::SetPaused(bool v) {
  Log(std::string("SetPaused ") + (v ? "1" : "0"));
  paused_ = v;
}

void FakeSound::SetIndex(int32_t v) {
  Log("SetIndex " + std::to_string(v));
  Position = v;
}

void FakeSound::Play(uint8_t mode) {
  Log("Play " + std::to_string(mode));
  stopped_ = false;
}

void FakeSound::MediaPlay() {
  Log("MediaPlay");
  stopped_ = false;
  paused_ = false;
}

// ==== Transitions ====

RecordingWipe::RecordingWipe(int number, TCustomDIBX* dest, TCustomDIBX* srcA, TCustomDIBX* srcB)
    : TCustomWipe(dest, srcA, srcB), number_(number) {
  ProbeLog().push_back("wipe Create " + std::to_string(number));
}

void RecordingWipe::SetReverse(bool value) {
  ProbeLog().push_back(std::string("wipe SetReverse ") + (value ? "1" : "0"));
  TCustomWipe::SetReverse(value);
}

void RecordingWipe::SetParam(int index, int32_t value) {
  ProbeLog().push_back("wipe SetParam " + std::to_string(index) + " " + std::to_string(value));
  TCustomWipe::SetParam(index, value);
}

void RecordingWipe::SetMaskName(std::string_view name) {
  ProbeLog().push_back("wipe SetMaskName " + std::string(name));
  TCustomWipe::SetMaskName(name);
}

void RecordingWipe::Prepare() { ProbeLog().push_back("wipe Prepare " + std::to_string(number_)); }

// ==== Registration ====

int32_t& FilmProbes::SoundCount() {
  static int32_t count = 2000;
  return count;
}

const std::vector<std::pair<int, std::string>>& ProbeKinds() {
  static const std::vector<std::pair<int, std::string>> kinds = {
      {LT_BOX, "box"}, {LT_LABEL, "label"}, {LT_TILE, "tile"}, {LT_PARTICLE, "particle"}, {LT_FIRE, "fire"}};
  return kinds;
}

TObjectConstructor ProbeClass(int code, std::string kind) {
  return [code, kind = std::move(kind)](TOrvaBaseList& scene) -> TOrvaObject* {
    return CreateSceneObject<ProbeControl>(scene, code, kind);
  };
}

FilmProbes::FilmProbes(bool wipes) {
  ProbeLog().clear();
  SoundCount() = 2000;
  for (const auto& probe : ProbeKinds())
    objects_.emplace_back(probe.first, RegisterObjectClass(probe.first, ProbeClass(probe.first, probe.second)));
  objects_.emplace_back(LT_SOUND, RegisterObjectClass(LT_SOUND, [](TOrvaBaseList& scene) -> TOrvaObject* {
                          return CreateSceneObject<FakeSound>(scene);
                        }));
  if (!wipes) return;
  for (int number = 1; number < WipeTypeCount; ++number)
    wipes_.emplace_back(number, RegisterWipeClass(number, [number](TCustomDIBX* d, TCustomDIBX* a, TCustomDIBX* b) {
                          return std::make_unique<RecordingWipe>(number, d, a, b);
                        }));
}

FilmProbes::~FilmProbes() {
  for (auto& [code, constructor] : objects_) RegisterObjectClass(code, std::move(constructor));
  for (auto& [number, constructor] : wipes_) RegisterWipeClass(number, std::move(constructor));
}

void FilmProbes::Unregister(int code) { RegisterObjectClass(code, nullptr); }

}  // namespace orva::kit

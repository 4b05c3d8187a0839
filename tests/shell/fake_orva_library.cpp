#include "fake_orva_library.h"

#include "shell/media_library.h"

namespace orva::testing {

FakeOrvaLibrary* FakeOrvaLibrary::instance = nullptr;

namespace {
FakeOrvaLibrary& F() { return *FakeOrvaLibrary::instance; }
void Log(const std::string& call) { F().calls.push_back(call); }
FakeOrvaLibrary::Sound* Find(TOrvaHandle h) {
  auto it = F().sounds.find(h);
  return it == F().sounds.end() ? nullptr : &it->second;
}
TOrvaHandle Add(FakeOrvaLibrary::Sound sound) {
  const TOrvaHandle h = F().sounds.empty() ? 1 : F().sounds.rbegin()->first + 1;
  F().sounds[h] = std::move(sound);
  return h;
}
TOrvaBool B(bool v) { return v ? -1 : 0; }

// One family's sound calls, logged as family + name.
#define SOUND_CALLS(prefix, family)                                                                       \
  t.prefix##Play = [](TOrvaHandle h) {                                                                    \
    Log(family "Play");                                                                                   \
    if (auto* s = Find(h)) {                                                                              \
      if (s->ended) s->position = 0;                                                                      \
      s->playing = true, s->paused = false, s->ended = false;                                             \
    }                                                                                                     \
  };                                                                                                      \
  t.prefix##Pause = [](TOrvaHandle h) {                                                                   \
    Log(family "Pause");                                                                                  \
    if (auto* s = Find(h)) s->paused = true;                                                              \
  };                                                                                                      \
  t.prefix##IsPlaying = [](TOrvaHandle h) { return B(Find(h) && Find(h)->playing && !Find(h)->ended); };  \
  t.prefix##IsPaused = [](TOrvaHandle h) { return B(Find(h) && Find(h)->paused); };                       \
  t.prefix##IsEnd = [](TOrvaHandle h) { return B(Find(h) && Find(h)->ended); };                           \
  t.prefix##GetLen = [](TOrvaHandle h) { return Find(h) ? Find(h)->length : 0; };                         \
  t.prefix##GetPosition = [](TOrvaHandle h) { return Find(h) ? Find(h)->position : 0; };                  \
  t.prefix##GetVol = [](TOrvaHandle h) { return Find(h) ? Find(h)->volume : 0; };                         \
  t.prefix##GetPan = [](TOrvaHandle h) { return Find(h) ? Find(h)->pan : 0; };                            \
  t.prefix##GetAutoRepeat = [](TOrvaHandle h) { return B(Find(h) && Find(h)->loop); };                    \
  t.prefix##SetPosition = [](TOrvaHandle h, int32_t v) {                                                  \
    Log(family "SetPosition " + std::to_string(v));                                                       \
    if (auto* s = Find(h)) s->position = v, s->ended = false;                                             \
  };                                                                                                      \
  t.prefix##SetVol = [](TOrvaHandle h, int32_t v) {                                                       \
    if (auto* s = Find(h)) s->volume = v;                                                                 \
  };                                                                                                      \
  t.prefix##SetPan = [](TOrvaHandle h, int32_t v) {                                                       \
    if (auto* s = Find(h)) s->pan = v;                                                                    \
  };                                                                                                      \
  t.prefix##SetAutoRepeat = [](TOrvaHandle h, TOrvaBool v) {                                              \
    if (auto* s = Find(h)) s->loop = v != 0;                                                              \
  };
}  // namespace

FakeOrvaLibrary::FakeOrvaLibrary() {
  instance = this;
  TOrvaEntryPoints& t = table_;
  t = {};
  t.orvaVersion = [] { return F().version; };
  t.orvaInit = [](void* const* form, void* const* panel, void*, void* const* device, TOrvaStreamGetSize,
                  TOrvaStreamRead read, TOrvaStreamGetPosition, TOrvaStreamSeek, TOrvaFpuCallback, TOrvaFpuCallback,
                  int32_t reserved) {
    Log("orvaInit " + std::to_string(reserved));
    F().formHandle = form;
    F().panelHandle = panel;
    F().soundDevice = device;
    F().read = read;
    return B(true);
  };
  t.orvaFinal = [] { Log("orvaFinal"); };
  t.orvaWmpmanAdd = [](const void* data, int32_t size) {
    Log("orvaWmpmanAdd");
    Sound s;
    s.family = "wmp";
    s.data.assign(static_cast<const char*>(data), static_cast<size_t>(size));
    return Add(s);
  };
  t.orvaWmpmanDel = [](TOrvaHandle h) {
    Log("orvaWmpmanDel");
    F().sounds.erase(h);
  };
  t.orvaWmpmanProcessEvent = [](const TOrvaMessage*) {};
  t.orvaWmpmanRestore = [] { Log("orvaWmpmanRestore"); };
  SOUND_CALLS(orvaWmp, "orvaWmp")
  t.orvaOggmanAdd = [](void* stream, TOrvaBool isOgg) {
    Log("orvaOggmanAdd");
    Sound s;
    s.family = "ogg";
    s.stream = stream;
    s.isOgg = isOgg != 0;
    return Add(s);
  };
  t.orvaOggmanDel = [](TOrvaHandle h) {
    Log("orvaOggmanDel");
    F().sounds.erase(h);
  };
  t.orvaOggmanRestore = [] { Log("orvaOggmanRestore"); };
  t.orvaOggmanSetUseThread = [](TOrvaBool on) { Log("orvaOggmanSetUseThread " + std::to_string(on)); };
  SOUND_CALLS(orvaOgg, "orvaOgg")
  t.orvaOggStrmanAdd = [](void* stream, TOrvaBool isOgg) {
    Log("orvaOggStrmanAdd");
    Sound s;
    s.family = "str";
    s.stream = stream;
    s.isOgg = isOgg != 0;
    return Add(s);
  };
  t.orvaOggStrmanDel = [](TOrvaHandle h) {
    Log("orvaOggStrmanDel");
    F().sounds.erase(h);
  };
  t.orvaOggStrGetFormat = [](TOrvaHandle, TWaveFormatEx* f) {
    if (F().rejectPcm) return B(false);
    *f = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    return B(true);
  };
  t.orvaOggStrGetSize = [](TOrvaHandle) { return int32_t{176400}; };
  t.orvaOggStrRead = [](TOrvaHandle, void*, int32_t) { return int32_t{0}; };
  t.orvaOggStrGetPos = [](TOrvaHandle) { return int32_t{0}; };
  t.orvaOggStrSetPos = [](TOrvaHandle, int32_t) {};
  t.orvaOggStrGetLen = [](TOrvaHandle) { return int32_t{1000}; };
  t.orvaVidmanAdd = [](const char* name, void* stream, TOrvaBool surface) {
    Log("orvaVidmanAdd");
    Sound s;
    s.family = "video";
    s.stream = stream;
    s.fileName = name;
    s.surface = surface != 0;
    return Add(s);
  };
  t.orvaVidmanDel = [](TOrvaHandle h) {
    Log("orvaVidmanDel");
    F().sounds.erase(h);
  };
  t.orvaVidmanProcessEvent = [](const TOrvaMessage*) {};
  t.orvaVidmanSuspend = [] { Log("orvaVidmanSuspend"); };
  t.orvaVidmanResume = [] { Log("orvaVidmanResume"); };
  SOUND_CALLS(orvaVideo, "orvaVideo")
  t.orvaVideoGetVisible = [](TOrvaHandle h) { return B(Find(h) && Find(h)->visible); };
  t.orvaVideoGetSourceWidth = [](TOrvaHandle) { return int32_t{64}; };
  t.orvaVideoGetSourceHeight = [](TOrvaHandle) { return int32_t{48}; };
  t.orvaVideoNeedPaint = [](TOrvaHandle) { return B(false); };
  t.orvaVideoGetDC = [](TOrvaHandle) { return static_cast<const TVideoFrame*>(nullptr); };
  t.orvaVideoSetVisible = [](TOrvaHandle h, TOrvaBool v) {
    if (auto* s = Find(h)) s->visible = v != 0;
  };
  t.orvaVideoSetRect = [](TOrvaHandle, const TOrvaRect*, const TOrvaRect*) { Log("orvaVideoSetRect"); };
  SetOrvaLibrary(&table_);
}

FakeOrvaLibrary::~FakeOrvaLibrary() {
  SetOrvaLibrary(nullptr);
  instance = nullptr;
}

void FakeOrvaLibrary::Advance(int32_t ms) {
  for (auto& [h, s] : sounds) {
    if (!s.playing || s.paused || s.ended) continue;
    s.position += ms;
    if (s.position < s.length) continue;
    if (s.loop) {
      s.position %= s.length;
    } else {
      s.position = s.length;
      s.ended = true;
      s.playing = false;
    }
  }
}

}  // namespace orva::testing

#pragma once
// A recording stand-in for the companion library: every call is logged by name, sounds are
// plain records that end after a nominal length when the test advances the clock.

#include <map>
#include <string>
#include <vector>

#include "platform/orva_media.h"

namespace orva::testing {

class FakeOrvaLibrary {
 public:
  struct Sound {
    std::string family;  // "wmp", "ogg", "str", "video"
    void* stream = nullptr;
    bool isOgg = false;
    std::string data;  // what orvaWmpmanAdd copied
    std::string fileName;
    bool surface = false;
    bool playing = false, paused = false, ended = false, loop = false, visible = true;
    int32_t volume = 0, pan = 0, position = 0, length = 1000;
  };

  FakeOrvaLibrary();
  ~FakeOrvaLibrary();
  FakeOrvaLibrary(const FakeOrvaLibrary&) = delete;
  FakeOrvaLibrary& operator=(const FakeOrvaLibrary&) = delete;

  // Plays every playing sound on by `ms`; one that reaches its length ends (or loops).
  void Advance(int32_t ms);
  Sound& Last() { return sounds.rbegin()->second; }

  std::vector<std::string> calls;
  std::map<TOrvaHandle, Sound> sounds;
  int32_t version = 108;
  bool rejectPcm = false;  // orvaOggStrGetFormat gives 0
  // orvaInit's arguments.
  void* const* formHandle = nullptr;
  void* const* panelHandle = nullptr;
  void* const* soundDevice = nullptr;
  TOrvaStreamRead read = nullptr;

  static FakeOrvaLibrary* instance;

 private:
  TOrvaEntryPoints table_;
};

}  // namespace orva::testing

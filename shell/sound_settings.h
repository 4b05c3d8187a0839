#pragma once
// The two sound settings of "game.ini" in the program's directory: which path mixes the
// Ogg/WAV sounds and the block length of the program's own mixer. Read once when the main
// window is made; a change takes effect at the next start.

#include <cstdint>
#include <string>

namespace orva {

// True: the companion library mixes Ogg/WAV sounds; false: the program's own mixer does.
extern bool UseDirectSound;
// Milliseconds of sound per block of the program's own mixer, 100 .. 500 once read.
extern int32_t SoundDelayTime;

// Real path of "game.ini" in a real directory (the program's when empty).
std::string GameIniPath(const std::string& directory = {});

// Sets the two globals from "game.ini" when the file exists; without it they keep their values.
void ReadSoundSettings(const std::string& directory = {});

}  // namespace orva

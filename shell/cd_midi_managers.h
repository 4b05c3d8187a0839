#pragma once
// The CD-audio and MIDI managers as globals of the media system: made and freed by its hooks
// (shell/media_system.h), and switched with the other media by the script's sound switch.

#include <functional>
#include <memory>
#include <string>

#include "shell/cdda_manager.h"
#include "shell/midi_manager.h"

namespace orva {

extern std::unique_ptr<TCddaManager> CddaManager;
extern std::unique_ptr<TMidiManager> MidiManager;

// Fills the media system's CD-audio and MIDI hooks; `registryKey` gives the project's key
// when the CD manager is made (none: no drive setting is read).
void InstallCdAndMidiHooks(std::function<std::string()> registryKey);

}  // namespace orva

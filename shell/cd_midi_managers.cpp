#include "shell/cd_midi_managers.h"

#include "platform/midi_out.h"
#include "shell/media_system.h"

namespace orva {

std::unique_ptr<TCddaManager> CddaManager;
std::unique_ptr<TMidiManager> MidiManager;

void InstallCdAndMidiHooks(std::function<std::string()> registryKey) {
  MediaSystemHooks.CreateCddaManager = [registryKey] {
    CddaManager = std::make_unique<TCddaManager>(registryKey ? registryKey() : std::string());
  };
  MediaSystemHooks.FreeCddaManager = [] { CddaManager.reset(); };
  MediaSystemHooks.CreateMidiManager = [] {
    MidiManager = std::make_unique<TMidiManager>();
    // The SoundFont loads meanwhile, so that the first tune does not hold its frame up.
    MidiOutSystem().Prepare();
  };
  MediaSystemHooks.FreeMidiManager = [] { MidiManager.reset(); };
  MediaSystemHooks.SetCddaEnabled = [](bool flag) {
    if (CddaManager) CddaManager->SetEnabled(flag);
  };
  MediaSystemHooks.SetMidiEnabled = [](bool flag) {
    if (MidiManager) MidiManager->SetEnabled(flag);
  };
}

}  // namespace orva

#pragma once
// Start and stop of the media system, its global managers, and the scene's sound switch.
//
// The shell creates the screen manager and, later, the CD-audio and MIDI managers through
// the hooks below; with a hook unset that step does nothing. Its window and panel handles
// are whatever it wants the library to see (shell/media_library.h).

#include <functional>
#include <memory>

#include "shell/media_managers.h"

namespace orva {

class TDXSound;
class TSceneMedia;

extern std::unique_ptr<TVideoManager> VideoManager;
extern std::unique_ptr<TWmpManager> WmpManager;
extern std::unique_ptr<TOggManager> OggManager;

// The main window's sound component, which the first library sound initialises again (set
// by the shell; none: the library gets no device).
extern TDXSound* MainDXSound;
// The main window's component has been asked for its device.
extern bool DirectSoundRequested;

struct TMediaSystemHooks {
  // Called with the screen size and the preferred full-screen size when both of the screen's
  // are above 0.
  std::function<void(int width, int height, int fullWidth, int fullHeight)> CreateScreenManager;
  std::function<void()> FreeScreenManager;
  std::function<void()> CreateCddaManager;
  std::function<void()> FreeCddaManager;
  std::function<void()> CreateMidiManager;
  std::function<void()> FreeMidiManager;
  // The script's sound switch for the kinds kept elsewhere: the sound objects' own wave
  // list, CD audio, MIDI.
  std::function<void(bool)> SetWaveListEnabled;
  std::function<void(bool)> SetCddaEnabled;
  std::function<void(bool)> SetMidiEnabled;
};
extern TMediaSystemHooks MediaSystemHooks;

// Hands the handles to the library, initialises it, then makes the screen manager (when
// the screen size is given) and the video, Windows Media, Ogg, CD-audio and MIDI managers.
void StartMediaSystem(void* mainWindow, void* scenePanel, int screenWidth, int screenHeight, int fullScreenWidth,
                      int fullScreenHeight);
// Frees the screen manager and the managers in the same order, then calls orvaFinal.
void StopMediaSystem();

// The scene's media service (scene/scene_services.h): its sound switch reaches the wave
// list, the Windows Media, Ogg, CD-audio and MIDI managers, in that order; its items are made
// and freed by the managers that exist.
TSceneMedia& MediaSceneService();

}  // namespace orva

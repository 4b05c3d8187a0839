#pragma once
// What the main window needs of the media side, in one interface: the sound settings, the
// start and stop of the media system (inside which the screen manager is made and freed),
// the pauses while the player is in the background, the videos around display changes, the
// sound device coming back, and the audio of a headless run. The default does nothing but
// make and free the screen manager at its place.

#include <cstdint>
#include <functional>
#include <string>

namespace orva {

class TMidiLink;

class TShellMedia {
 public:
  virtual ~TShellMedia() = default;

  // Reads "game.ini" in the program's directory when it exists, at window creation.
  virtual void ReadSettings() {}
  // Initialises the sound device when the settings ask for it. The window swallows an
  // exception from it (the first sound tries again).
  virtual void InitSoundDevice() {}

  // Starts the media system for a screen of width × height with the project's preferred
  // full-screen size; registryKey is the project's key of its per-user settings (the CD
  // drive). createScreenManager makes the screen manager; it must be called at its place in
  // the start order, and only when width and height are both above 0.
  virtual void StartMediaSystem(int32_t width, int32_t height, int32_t preferredWidth, int32_t preferredHeight,
                                const std::string& registryKey, const std::function<void()>& createScreenManager) {
    if (width > 0 && height > 0) createScreenManager();
  }
  // Stops the media managers and the media system; freeScreenManager frees the screen
  // manager at its place in the stop order.
  virtual void StopMediaSystem(const std::function<void()>& freeScreenManager) { freeScreenManager(); }

  // The player left the foreground: videos paused, then the Windows Media, Ogg and CD-audio
  // managers (each when enabled), the CD line's mixer levels given back, the MIDI manager
  // (when enabled).
  virtual void Deactivate() {}
  // The player came back: videos resumed, then the Windows Media and Ogg managers (when
  // enabled), the CD line's mixer levels read, the CD-audio and MIDI managers (when enabled).
  virtual void Activate() {}

  // Around every change of the display: all videos suspended, then resumed.
  virtual void SuspendVideos() {}
  virtual void ResumeVideos() {}

  // An audio output device went away: when it was the player's, the sound output opens
  // again and the Windows Media and Ogg managers restore their sound buffers.
  virtual void AudioDeviceRemoved(uint32_t deviceId) {}

  // The MIDI output devices for @MidiPort and @MidiPorts; none: the variables read empty.
  virtual TMidiLink* MidiLink() { return nullptr; }

  // Once per pass of the idle loop, stepped or not: the media devices' own timers (the CD
  // player's end of play and disc detection).
  virtual void Idle() {}

  // Headless runs only: once per frame, the audio output of the virtual milliseconds that
  // passed since the last call is mixed and dropped, so that sounds advance with the clock.
  virtual void PullHeadlessAudio(uint32_t milliseconds) {}
};

}  // namespace orva

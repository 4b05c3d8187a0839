#pragma once
// CD audio: an optical drive (or a BIN/CUE image standing in for one) opened as a CD-audio
// device whose audio sectors are read and played into the sound output (platform/
// audio_output.h), scaled by the CD line of the system mixer (platform/system_mixer.h).
// Positions are a track and CD frames (75 a second) into it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva {

class TCdAudioDevice {
 public:
  virtual ~TCdAudioDevice() = default;
  // 0 without a disc.
  virtual int TrackCount() = 0;
  // In CD frames; 0 for no such audio track.
  virtual int32_t TrackLength(int track) = 0;
  virtual bool MediaPresent() = 0;
  // Plays from one position up to (not including) another; false when nothing lies between.
  virtual bool Play(int fromTrack, int32_t fromFrame, int toTrack, int32_t toFrame) = 0;
  virtual void Stop() = 0;
  // Stops there.
  virtual bool Seek(int track, int32_t frame) = 0;
  virtual bool Playing() = 0;
  virtual void Position(int& track, int32_t& frame) = 0;
  // Whether a play reached its end since the last call (read on the main thread).
  virtual bool TakeCompleted() = 0;
};

class TCdAudioSystem {
 public:
  virtual ~TCdAudioSystem() = default;
  // The drives by name (device paths).
  virtual std::vector<std::string> Drives() = 0;
  // None when it cannot be opened.
  virtual std::unique_ptr<TCdAudioDevice> Open(const std::string& drive) = 0;
};

// libcdio over the drives found, or over the given names (a name ending ".cue" is an image).
std::unique_ptr<TCdAudioSystem> MakeLibcdioSystem(std::vector<std::string> drives);
std::unique_ptr<TCdAudioSystem> MakeLibcdioSystem();

// The installed system: libcdio over the drives found, unless a test installed another.
TCdAudioSystem& CdAudioSystem();
// Not owned; nullptr restores the system's.
void SetCdAudioSystem(TCdAudioSystem* system);

// The CD line's levels (0 .. 65535 each) and mute, applied to what the CD plays.
void SetCdLineLevels(uint32_t left, uint32_t right, bool mute);

}  // namespace orva

#pragma once
// The CD-audio player: opens a drive as a CD-audio device, plays a track from a play list of
// track numbers (stopping a second before the track's reported end), follows each end on to
// the next entry, starts again when repeating or rewinds, and notices a disc put in or taken
// out. Its completion and its 200 ms timer run on the main thread through Idle.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cd_audio.h"

namespace orva {

class TCDP {
 public:
  enum TMode { mdPlaying = 0, mdStopped = 1, mdSeeking = 3, mdNotReady = 4, mdOpen = 5 };

  explicit TCDP(TCdAudioSystem& system = CdAudioSystem());
  ~TCDP();
  TCDP(const TCDP&) = delete;
  TCDP& operator=(const TCDP&) = delete;

  // The drive at that index of Drives; the timer runs while a device is open.
  void Open(int driveIndex);
  void Close();
  bool IsOpen() const { return device_ != nullptr; }
  int GetMode();
  // 0 while closed.
  int GetTrackCount();
  // Whole seconds; 0 while closed or for no such track.
  int GetTrackLength(int track);
  // Whole seconds into the current track.
  int GetPosition();
  // Plays the play list's entry from the start of its track.
  void PlayTrack(int index);
  // Plays from that second of the track.
  void SeekPlay(int track, int seconds);
  void Stop();
  bool MediaPresent();

  // Main thread, every frame: a play that ended is followed up, and the timer ticks every
  // 200 ms of `nowMs`.
  void Idle(uint32_t nowMs);
  // A play reached its end: the next entry, the first again when repeating, or rewind.
  void Completion();
  // One tick of the disc watch.
  void Timer();

  std::vector<std::string> Drives;
  std::vector<int> PlayList;  // track numbers
  int PlayIndex = 0;
  int Track = 1;
  bool Repeat = false;
  bool LastError = false;  // the last play failed
  std::function<void()> OnDiscIn;

 private:
  // From the track's `seconds` on, to a second before its end.
  void PlayFrom(int track, int seconds, int frame);
  void Rewind();

  TCdAudioSystem& system_;
  std::unique_ptr<TCdAudioDevice> device_;
  bool discPresent_ = false;
  bool busy_ = false;
  int checkCounter_ = 0;
  bool timerStarted_ = false;
  uint32_t lastTimer_ = 0;
};

}  // namespace orva

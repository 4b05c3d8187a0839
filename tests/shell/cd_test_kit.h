#pragma once
// Stand-ins for the CD-audio tests: drives holding discs of given track lengths, whose plays
// are recorded and end when the test says.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/cd_audio.h"

namespace orva::testing {

class FakeCdSystem : public TCdAudioSystem {
 public:
  struct Play {
    std::string drive;
    int fromTrack;
    int32_t fromFrame;
    int toTrack;
    int32_t toFrame;
    bool operator==(const Play&) const = default;
  };
  struct Disc {
    std::vector<int32_t> tracks;  // lengths in CD frames
    bool present = true;
  };

  std::vector<std::string> drives = {"/dev/sr0", "/dev/sr1"};
  std::map<std::string, Disc> discs;  // by drive
  std::vector<Play> plays;
  std::vector<std::pair<int, int32_t>> seeks;
  std::vector<std::string> openedDrives;
  // The device playing now and where it is.
  bool playing = false;
  int track = 1;
  int32_t frame = 0;
  bool completed = false;

  std::vector<std::string> Drives() override { return drives; }
  std::unique_ptr<TCdAudioDevice> Open(const std::string& drive) override {
    openedDrives.push_back(drive);
    return std::make_unique<Device>(*this, drive);
  }
  // The play under way reaches its end.
  void Complete() {
    playing = false;
    completed = true;
  }

 private:
  class Device : public TCdAudioDevice {
   public:
    Device(FakeCdSystem& owner, std::string drive) : o_(owner), drive_(std::move(drive)) {}
    ~Device() override { o_.playing = false; }
    int TrackCount() override { return Present() ? static_cast<int>(Disc().tracks.size()) : 0; }
    int32_t TrackLength(int t) override { return t >= 1 && t <= TrackCount() ? Disc().tracks[static_cast<size_t>(t - 1)] : 0; }
    bool MediaPresent() override { return Present(); }
    bool Play(int fromTrack, int32_t fromFrame, int toTrack, int32_t toFrame) override {
      o_.plays.push_back({drive_, fromTrack, fromFrame, toTrack, toFrame});
      o_.playing = false;
      if (fromTrack < 1 || fromTrack > TrackCount() || (fromTrack == toTrack && fromFrame >= toFrame)) return false;
      o_.playing = true;
      o_.track = fromTrack;
      o_.frame = fromFrame;
      return true;
    }
    void Stop() override { o_.playing = false; }
    bool Seek(int t, int32_t f) override {
      o_.seeks.push_back({t, f});
      o_.playing = false;
      o_.track = t;
      o_.frame = f;
      return true;
    }
    bool Playing() override { return o_.playing; }
    void Position(int& t, int32_t& f) override {
      t = o_.track;
      f = o_.frame;
    }
    bool TakeCompleted() override { return std::exchange(o_.completed, false); }

   private:
    bool Present() { return o_.discs.count(drive_) && o_.discs[drive_].present; }
    FakeCdSystem::Disc& Disc() { return o_.discs[drive_]; }
    FakeCdSystem& o_;
    std::string drive_;
  };
};

}  // namespace orva::testing

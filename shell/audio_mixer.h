#pragma once
// The system mixer as a read-only tree of destinations, their source lines and the controls
// of each, with the volume and mute of one line read and written. The CD manager finds the
// compact-disc line here and scales its level by the item's volume.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/system_mixer.h"

namespace orva {

struct TMixerConnection {
  TMixerLineInfo Line;
  std::vector<TMixerControlInfo> Controls;
};

struct TMixerDestination {
  TMixerLineInfo Line;
  std::vector<TMixerControlInfo> Controls;
  std::vector<TMixerConnection> Connections;
  // None beyond the end.
  const TMixerConnection* Connection(int index) const;
};

// A line's state; -1 where not found.
struct TMixerVolume {
  int32_t Left = -1;
  int32_t Right = -1;
  int32_t Mute = -1;
  bool Stereo = false;
  bool VolumeDisabled = true;
  bool MuteDisabled = true;
  bool Selected = false;  // the mute came from the destination's selection
};

class TAudioMixer {
 public:
  // Opens the first device when there is one.
  explicit TAudioMixer(TMixerSystem& system = MixerSystem());

  int MixerCount() const { return count_; }
  int MixerId() const { return id_; }
  // Closes the open device and opens that one (-1 when it cannot be opened).
  void SetMixerId(int id);
  const std::vector<TMixerDestination>& Destinations() const { return destinations_; }
  // None beyond the end.
  const TMixerDestination* Destination(int index) const;

  // `connection` -1: the destination line itself. False without such a line or controls.
  bool GetVolume(int destination, int connection, TMixerVolume& volume);
  // -1 leaves the mute or the left volume; a right of -1 is the left.
  bool SetVolume(int destination, int connection, int32_t mute, int32_t right, int32_t left);

 private:
  // The line and its destination; none when either does not exist.
  bool FindLine(int destination, int connection, const TMixerDestination*& dest, const TMixerLineInfo*& line,
                const std::vector<TMixerControlInfo>*& controls) const;

  TMixerSystem& system_;
  int count_ = 0;
  int id_ = -1;
  std::unique_ptr<TMixerDevice> device_;
  std::vector<TMixerDestination> destinations_;
};

}  // namespace orva

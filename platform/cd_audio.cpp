#include "platform/cd_audio.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <mutex>

#include "platform/audio_output.h"

namespace orva {

namespace {

constexpr int kFramesPerSector = CDIO_CD_FRAMESIZE_RAW / 4;  // stereo 16-bit frames
constexpr int kSectorsPerRead = 8;

std::atomic<uint32_t> lineLeft{65535}, lineRight{65535};
std::atomic<bool> lineMute{false};

class TLibcdioDevice final : public TCdAudioDevice, public TAudioInput {
 public:
  explicit TLibcdioDevice(CdIo_t* cdio) : cdio_(cdio) {}
  ~TLibcdioDevice() override {
    Stop();
    cdio_destroy(cdio_);
  }

  int TrackCount() override {
    std::lock_guard lock(mutex_);
    const track_t count = cdio_get_num_tracks(cdio_);
    return count == CDIO_INVALID_TRACK ? 0 : count;
  }
  int32_t TrackLength(int track) override {
    std::lock_guard lock(mutex_);
    if (!IsAudioTrack(track)) return 0;
    return cdio_get_track_last_lsn(cdio_, static_cast<track_t>(track)) - cdio_get_track_lsn(cdio_, static_cast<track_t>(track)) + 1;
  }
  bool MediaPresent() override { return TrackCount() > 0; }

  bool Play(int fromTrack, int32_t fromFrame, int toTrack, int32_t toFrame) override {
    std::lock_guard lock(mutex_);
    if (!IsAudioTrack(fromTrack) || !IsAudioTrack(toTrack)) {
      playing_ = false;
      return false;
    }
    const lsn_t from = cdio_get_track_lsn(cdio_, static_cast<track_t>(fromTrack)) + std::max(fromFrame, 0);
    const lsn_t last = cdio_get_track_last_lsn(cdio_, static_cast<track_t>(toTrack));
    const lsn_t to = std::min<lsn_t>(cdio_get_track_lsn(cdio_, static_cast<track_t>(toTrack)) + std::max(toFrame, 0), last + 1);
    // Nothing plays then, as a new play stops the last.
    if (from >= to) {
      playing_ = false;
      return false;
    }
    next_ = from;
    end_ = to;
    buffer_.clear();
    used_ = 0;
    if (!attached_) {
      if (!AcquireAudioOutput()) return false;
      AttachAudioInput(this);
      attached_ = true;
    }
    playing_ = true;
    return true;
  }

  void Stop() override {
    bool detach;
    {
      std::lock_guard lock(mutex_);
      playing_ = false;
      detach = attached_;
      attached_ = false;
    }
    if (detach) {
      DetachAudioInput(this);
      ReleaseAudioOutput();
    }
  }

  bool Seek(int track, int32_t frame) override {
    Stop();
    std::lock_guard lock(mutex_);
    if (!IsAudioTrack(track)) return false;
    next_ = cdio_get_track_lsn(cdio_, static_cast<track_t>(track)) + std::max(frame, 0);
    buffer_.clear();
    used_ = 0;
    return true;
  }

  bool Playing() override {
    std::lock_guard lock(mutex_);
    return playing_;
  }

  void Position(int& track, int32_t& frame) override {
    std::lock_guard lock(mutex_);
    // What has been heard: the sector being played.
    const lsn_t at = next_ - static_cast<lsn_t>((buffer_.size() / 2 - used_) / kFramesPerSector);
    track = cdio_get_track(cdio_, at);
    if (track == CDIO_INVALID_TRACK || track == CDIO_CDROM_LEADOUT_TRACK) track = cdio_get_num_tracks(cdio_);
    frame = std::max<int32_t>(at - cdio_get_track_lsn(cdio_, static_cast<track_t>(track)), 0);
  }

  bool TakeCompleted() override { return completed_.exchange(false); }

  void MixInto(int32_t* mix, int frames, bool) override {
    std::lock_guard lock(mutex_);
    // Levels 0 .. 65535 as 16.16 gains, the top one exactly 1.
    const auto gain = [](uint32_t level) { return static_cast<int32_t>(level + (level >> 15)); };
    const int32_t left = lineMute ? 0 : gain(lineLeft);
    const int32_t right = lineMute ? 0 : gain(lineRight);
    while (frames > 0 && playing_) {
      if (used_ * 2 >= buffer_.size()) {
        if (next_ >= end_ || !Read()) {
          playing_ = false;
          completed_ = true;
          break;
        }
      }
      const size_t take = std::min<size_t>(static_cast<size_t>(frames), buffer_.size() / 2 - used_);
      const int16_t* in = buffer_.data() + used_ * 2;
      for (size_t i = 0; i < take; ++i) {
        mix[i * 2] += (in[i * 2] * left) >> 16;
        mix[i * 2 + 1] += (in[i * 2 + 1] * right) >> 16;
      }
      mix += take * 2;
      frames -= static_cast<int>(take);
      used_ += take;
    }
  }

 private:
  bool IsAudioTrack(int track) {
    const track_t count = cdio_get_num_tracks(cdio_);
    const track_t first = cdio_get_first_track_num(cdio_);
    return count != CDIO_INVALID_TRACK && track >= first && track < first + count &&
           cdio_get_track_format(cdio_, static_cast<track_t>(track)) == TRACK_FORMAT_AUDIO;
  }

  bool Read() {
    const int sectors = std::min<int>(kSectorsPerRead, end_ - next_);
    buffer_.resize(static_cast<size_t>(sectors) * kFramesPerSector * 2);
    used_ = 0;
    if (cdio_read_audio_sectors(cdio_, buffer_.data(), next_, static_cast<uint32_t>(sectors)) != DRIVER_OP_SUCCESS) {
      buffer_.clear();
      return false;
    }
    // Audio sectors hold little-endian samples.
    if constexpr (std::endian::native == std::endian::big)
      for (int16_t& v : buffer_) v = static_cast<int16_t>(static_cast<uint16_t>(v) >> 8 | static_cast<uint16_t>(v) << 8);
    next_ += sectors;
    return true;
  }

  CdIo_t* cdio_;
  std::mutex mutex_;
  bool playing_ = false;
  bool attached_ = false;
  std::atomic<bool> completed_{false};
  lsn_t next_ = 0;
  lsn_t end_ = 0;
  std::vector<int16_t> buffer_;
  size_t used_ = 0;  // frames of the buffer played
};

// libcdio's own handler ends the program on an error (an unreadable image, say).
void QuietLog(cdio_log_level_t, const char*) {}

class TLibcdioSystem final : public TCdAudioSystem {
 public:
  explicit TLibcdioSystem(std::vector<std::string> drives, bool found) : drives_(std::move(drives)), found_(found) {
    cdio_log_set_handler(QuietLog);
  }
  std::vector<std::string> Drives() override {
    if (found_) {
      found_ = false;
      if (char** list = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** p = list; *p; ++p) drives_.emplace_back(*p);
        cdio_free_device_list(list);
      }
    }
    return drives_;
  }
  std::unique_ptr<TCdAudioDevice> Open(const std::string& drive) override {
    const bool image = drive.size() > 4 && drive.compare(drive.size() - 4, 4, ".cue") == 0;
    CdIo_t* cdio = image ? cdio_open_cue(drive.c_str()) : cdio_open(drive.c_str(), DRIVER_DEVICE);
    if (!cdio) return nullptr;
    return std::make_unique<TLibcdioDevice>(cdio);
  }

 private:
  std::vector<std::string> drives_;
  bool found_;
};

TCdAudioSystem* installed = nullptr;

}  // namespace

std::unique_ptr<TCdAudioSystem> MakeLibcdioSystem(std::vector<std::string> drives) {
  return std::make_unique<TLibcdioSystem>(std::move(drives), false);
}

std::unique_ptr<TCdAudioSystem> MakeLibcdioSystem() { return std::make_unique<TLibcdioSystem>(std::vector<std::string>{}, true); }

TCdAudioSystem& CdAudioSystem() {
  static std::unique_ptr<TCdAudioSystem> system = MakeLibcdioSystem();
  return installed ? *installed : *system;
}

void SetCdAudioSystem(TCdAudioSystem* system) { installed = system; }

void SetCdLineLevels(uint32_t left, uint32_t right, bool mute) {
  lineLeft = std::min<uint32_t>(left, 65535);
  lineRight = std::min<uint32_t>(right, 65535);
  lineMute = mute;
}

}  // namespace orva

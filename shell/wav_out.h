#pragma once
// The program's own PCM mixer: PCM sources in eight formats converted on the fly to 44100 Hz
// 16-bit stereo, scaled by their volume and added with saturation into blocks of
// SoundDelayTime milliseconds, of which a feeder thread keeps at most two queued on the
// wave-output device.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wave_format.h"
#include "platform/wave_out.h"

namespace orva {

class TStream;
class TWavOut;

// One source: a PCM stream (not owned) with its position, volume and flags.
class TWavBuffer {
 public:
  TWavBuffer(TWavOut& owner, const TWaveFormatEx& format, TStream* stream);

  // Joins the mixed sources; the position is kept, so a source that ended without looping
  // must be positioned again before it sounds again. Nothing while the device is closed.
  void Play();
  void Stop();
  void SetPosition(int32_t bytes);
  // 0 .. 256; 255 and 256 leave the samples unchanged.
  void SetVolume(int32_t volume);
  void SetLoop(bool loop);
  bool GetLoop();
  // True while the device is closed; otherwise once the stream has ended and more than two
  // blocks' time and 10 ms have passed without a mix.
  bool IsEnd() const;
  // The byte of the stream audible now: the position less one delay's worth, plus what has
  // played since the last mix, within 0 .. the stream's size.
  int32_t GetPosition();

  bool Playing();
  bool Stopped();
  int32_t Volume();
  const TWaveFormatEx& Format() const { return format_; }

 private:
  friend class TWavOut;
  // Mixes into the block's values; false when the source did not take part.
  bool MixInto(int16_t* block);
  // Reads up to `count` bytes from the position on into the work buffer, wrapping when
  // looping; returns the bytes read.
  size_t ReadSource(size_t count);

  TWavOut& owner_;
  TWaveFormatEx format_;
  TStream* stream_;
  std::vector<int16_t> work_;
  std::atomic<bool> ended_{false};
  std::atomic<uint32_t> lastMixTime_{0};
  int32_t position_ = 0;
  int32_t volume_ = 256;
  bool playing_ = false;
  bool stopped_ = false;
  bool loop_ = false;
};

class TWavPrimaryList;
struct TMemData;

// One output block handed to the device.
class TWavPrimary {
 public:
  TWavPrimary(TWavPrimaryList& list, TMemData& memory);
  TWavPrimaryList& List;
  TMemData& Memory;
  bool Prepared = false;
  bool Written = false;
  TWaveHeader& Header();
};

// The pooled memory of one block: its header and BlockSize bytes of samples.
struct TMemData {
  TWaveHeader Header;
  std::vector<uint8_t> Samples;
  TWavPrimary* User = nullptr;
};

class TMemList {
 public:
  explicit TMemList(size_t blockSize) : blockSize_(blockSize) {}
  void Fill(size_t count);
  // The first block without a user (a new one when all are in use).
  TMemData& Take(TWavPrimary* user);
  void Give(TMemData& memory) { memory.User = nullptr; }
  size_t Count() const { return items_.size(); }

 private:
  size_t blockSize_;
  std::vector<std::unique_ptr<TMemData>> items_;
};

class TWavPrimaryList {
 public:
  TWavPrimaryList(TWaveOutDevice& device, TMemList& pool) : device_(device), pool_(pool) {}
  TWavPrimary& Add();
  void Free(TWavPrimary& block);
  // Frees every block the device marked done.
  void FreeDone();
  // Frees every block that was never handed to the device.
  void FreeUnwritten();
  void Clear();
  size_t Count() const { return items_.size(); }
  TWavPrimary& Item(size_t index) { return *items_[index]; }

 private:
  TWaveOutDevice& device_;
  TMemList& pool_;
  std::vector<std::unique_ptr<TWavPrimary>> items_;
};

class TWavOut {
 public:
  // BlockSize and the feed period from SoundDelayTime as it is now; the device stays closed.
  explicit TWavOut(std::unique_ptr<TWaveOutDevice> device = CreateWaveOutDevice());
  ~TWavOut();
  TWavOut(const TWavOut&) = delete;
  TWavOut& operator=(const TWavOut&) = delete;

  // Opens the device and starts the feeder; false when it was open already or cannot open.
  bool Open();
  bool IsOpen() const { return open_; }
  TWavBuffer* AddSource(const TWaveFormatEx& format, TStream* stream);
  void RemoveSource(TWavBuffer* source);

  // One round of the feeder: frees the finished blocks and queues up to two new ones.
  void Feed();

  int32_t BlockSize() const { return blockSize_; }
  int32_t DelayTime() const { return delay_; }
  // The feeder's wake period in ms.
  uint32_t WakePeriod() const { return static_cast<uint32_t>(delay_ / 4); }
  // Blocks queued or waiting to be freed, and pooled memory blocks.
  size_t BlockCount();
  size_t PoolCount();

  static const TWaveFormatEx OutputFormat;

 private:
  friend class TWavBuffer;
  bool MixBlock(int16_t* block);

  std::unique_ptr<TWaveOutDevice> device_;
  int32_t delay_;
  int32_t blockSize_;
  bool open_ = false;
  std::mutex lock_;
  std::vector<std::unique_ptr<TWavBuffer>> sources_;
  std::vector<TWavBuffer*> active_;
  TMemList pool_;
  TWavPrimaryList blocks_;
  std::thread feeder_;
};

// Adds `count` values into `out` with saturation at the 16-bit range: the plain form and the
// packed one, which give the same results.
void AddSaturated(int16_t* out, const int16_t* in, size_t count);
void AddSaturatedPacked(int16_t* out, const int16_t* in, size_t count);

}  // namespace orva

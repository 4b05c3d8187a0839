#include "shell/wav_out.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/frame_clock.h"
#include "core/stream.h"
#include "graphics/custom_dibx.h"
#include "shell/sound_settings.h"

namespace orva {

const TWaveFormatEx TWavOut::OutputFormat = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

namespace {

// How a source format becomes output values: the source bytes one block asks for (as a
// divisor of BlockSize) and how often each converted sample or frame is repeated.
struct TConversion {
  int channels;
  uint32_t rate;
  int bits;
  int divisor;
};

constexpr TConversion kConversions[] = {
    {2, 44100, 16, 1}, {1, 44100, 16, 2}, {2, 22050, 16, 2}, {2, 44100, 8, 2},
    {1, 44100, 8, 4},  {2, 22050, 8, 4},  {1, 22050, 16, 4}, {1, 22050, 8, 8},
};

const TConversion* FindConversion(const TWaveFormatEx& f) {
  for (const TConversion& c : kConversions)
    if (c.channels == f.nChannels && c.rate == f.nSamplesPerSec && c.bits == f.wBitsPerSample) return &c;
  return nullptr;
}

// Expands `bytes` bytes of source data at the start of `work` into output values, in place
// from the end backwards; returns the number of values.
size_t Expand(int16_t* work, size_t bytes, const TConversion& c) {
  // A stereo frame repeats at 22050 Hz; a mono sample also fills both channels.
  const int repeat = (c.rate == 22050 ? 2 : 1) * (c.channels == 1 ? 2 : 1);
  auto* raw = reinterpret_cast<uint8_t*>(work);
  const size_t samples = c.bits == 16 ? bytes / 2 : bytes;
  const size_t frameValues = static_cast<size_t>(c.channels);
  const size_t frames = samples / frameValues;
  const auto sampleAt = [&](size_t i) -> int16_t {
    if (c.bits == 8) return static_cast<int16_t>((raw[i] - 128) * 256);
    int16_t s;
    std::memcpy(&s, raw + i * 2, 2);
    return s;
  };
  if (c.channels == 2) {
    for (size_t f = frames; f-- > 0;) {
      const int16_t left = sampleAt(f * 2), right = sampleAt(f * 2 + 1);
      for (int r = repeat; r-- > 0;) {
        work[(f * repeat + r) * 2] = left;
        work[(f * repeat + r) * 2 + 1] = right;
      }
    }
  } else {
    for (size_t s = frames; s-- > 0;) {
      const int16_t value = sampleAt(s);
      for (int r = repeat; r-- > 0;) work[s * repeat + r] = value;
    }
  }
  return frames * frameValues * static_cast<size_t>(repeat);
}

int32_t RoundHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

}  // namespace

void AddSaturated(int16_t* out, const int16_t* in, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>(std::clamp(out[i] + in[i], -32768, 32767));
}

void AddSaturatedPacked(int16_t* out, const int16_t* in, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_adds_epi16(a, b));
  }
  AddSaturated(out + i, in + i, count - i);
}

// ---- TWavBuffer ----

TWavBuffer::TWavBuffer(TWavOut& owner, const TWaveFormatEx& format, TStream* stream)
    : owner_(owner), format_(format), stream_(stream), work_(static_cast<size_t>(owner.BlockSize()) / 2) {}

void TWavBuffer::Play() {
  if (!owner_.open_) return;
  std::lock_guard lock(owner_.lock_);
  playing_ = true;
  stopped_ = false;
  ended_ = false;
  if (std::find(owner_.active_.begin(), owner_.active_.end(), this) == owner_.active_.end())
    owner_.active_.push_back(this);
}

void TWavBuffer::Stop() {
  if (!owner_.open_) return;
  std::lock_guard lock(owner_.lock_);
  stopped_ = true;
  std::erase(owner_.active_, this);
}

void TWavBuffer::SetPosition(int32_t bytes) {
  std::lock_guard lock(owner_.lock_);
  position_ = bytes;
}

void TWavBuffer::SetVolume(int32_t volume) {
  std::lock_guard lock(owner_.lock_);
  volume_ = volume;
}

void TWavBuffer::SetLoop(bool loop) {
  std::lock_guard lock(owner_.lock_);
  loop_ = loop;
}

bool TWavBuffer::GetLoop() {
  std::lock_guard lock(owner_.lock_);
  return loop_;
}

bool TWavBuffer::Playing() {
  std::lock_guard lock(owner_.lock_);
  return playing_;
}

int32_t TWavBuffer::Volume() {
  std::lock_guard lock(owner_.lock_);
  return volume_;
}

bool TWavBuffer::Stopped() {
  std::lock_guard lock(owner_.lock_);
  return stopped_;
}

bool TWavBuffer::IsEnd() const {
  if (!owner_.open_) return true;
  if (!ended_) return false;
  const auto since = static_cast<int32_t>(timeGetTime() - lastMixTime_.load());
  return since > 2 * owner_.delay_ + 10;
}

int32_t TWavBuffer::GetPosition() {
  std::lock_guard lock(owner_.lock_);
  const int32_t elapsed = std::max<int32_t>(0, static_cast<int32_t>(timeGetTime() - lastMixTime_.load()));
  if (2 * owner_.delay_ < elapsed) return position_;
  const double perMs = static_cast<double>(format_.wBitsPerSample) * format_.nChannels * format_.nSamplesPerSec / 8000.0;
  const int64_t played = RoundHalfEven(perMs * elapsed);
  const int64_t latency = RoundHalfEven(perMs * owner_.delay_);
  const int64_t size = stream_->GetSize();
  return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(size, position_ - latency + played)));
}

size_t TWavBuffer::ReadSource(size_t count) {
  auto* buffer = reinterpret_cast<uint8_t*>(work_.data());
  const int64_t size = stream_->GetSize();
  stream_->SetPosition(position_);
  size_t done = 0;
  while (done < count) {
    if (stream_->GetPosition() >= size) {
      if (!loop_) break;
      stream_->SetPosition(0);
    }
    const int64_t got = stream_->Read(buffer + done, static_cast<int64_t>(count - done));
    if (got <= 0) {
      if (stream_->GetPosition() >= size) continue;
      // The stream gives nothing before its reported end: treat it as ended.
      position_ = static_cast<int32_t>(size);
      return done;
    }
    done += static_cast<size_t>(got);
  }
  // A looping source whose read ends exactly at its end goes on from the start at the next
  // block: left at the end it would count as ended and fall silent until its end is polled.
  if (loop_ && size > 0 && stream_->GetPosition() >= size) stream_->SetPosition(0);
  position_ = static_cast<int32_t>(stream_->GetPosition());
  return done;
}

bool TWavBuffer::MixInto(int16_t* block) {
  const bool active = std::find(owner_.active_.begin(), owner_.active_.end(), this) != owner_.active_.end();
  if (!active || ended_ || stopped_ || !owner_.open_ || stream_->GetSize() <= 0) return false;
  const TConversion* conversion = FindConversion(format_);
  if (!conversion) {
    // Nothing can be mixed from it: it ends silently instead of holding its player forever.
    ended_ = true;
    lastMixTime_ = timeGetTime();
    return false;
  }
  const size_t bytes = ReadSource(static_cast<size_t>(owner_.blockSize_ / conversion->divisor));
  ended_ = stream_->GetSize() <= position_;
  if (bytes > 0) {
    const size_t values = Expand(work_.data(), bytes, *conversion);
    if (volume_ < 255)
      for (size_t i = 0; i < values; ++i) work_[i] = static_cast<int16_t>((work_[i] * volume_) >> 8);
    (UseMMX ? AddSaturatedPacked : AddSaturated)(block, work_.data(), values);
  }
  lastMixTime_ = timeGetTime();
  return true;
}

// ---- blocks and their memory ----

TWavPrimary::TWavPrimary(TWavPrimaryList& list, TMemData& memory) : List(list), Memory(memory) {}

TWaveHeader& TWavPrimary::Header() { return Memory.Header; }

void TMemList::Fill(size_t count) {
  while (items_.size() < count) {
    auto item = std::make_unique<TMemData>();
    item->Samples.resize(blockSize_);
    items_.push_back(std::move(item));
  }
}

TMemData& TMemList::Take(TWavPrimary* user) {
  for (auto& item : items_) {
    if (!item->User) {
      item->User = user;
      return *item;
    }
  }
  Fill(items_.size() + 1);
  items_.back()->User = user;
  return *items_.back();
}

TWavPrimary& TWavPrimaryList::Add() {
  // The block and its memory are made together; the memory knows its user.
  auto block = std::make_unique<TWavPrimary>(*this, pool_.Take(nullptr));
  block->Memory.User = block.get();
  items_.push_back(std::move(block));
  return *items_.back();
}

void TWavPrimaryList::Free(TWavPrimary& block) {
  if (block.Prepared) device_.UnprepareHeader(block.Header());
  pool_.Give(block.Memory);
  std::erase_if(items_, [&](const auto& item) { return item.get() == &block; });
}

void TWavPrimaryList::FreeDone() {
  for (size_t i = items_.size(); i-- > 0;)
    if (items_[i]->Header().Flags & WHDR_DONE) Free(*items_[i]);
}

void TWavPrimaryList::FreeUnwritten() {
  for (size_t i = items_.size(); i-- > 0;)
    if (!items_[i]->Written) Free(*items_[i]);
}

void TWavPrimaryList::Clear() {
  while (!items_.empty()) Free(*items_.back());
}

// ---- TWavOut ----

TWavOut::TWavOut(std::unique_ptr<TWaveOutDevice> device)
    : device_(std::move(device)),
      delay_(SoundDelayTime),
      blockSize_(SoundDelayTime * 176400 / 1000),
      pool_(static_cast<size_t>(std::max(blockSize_, 0))),
      blocks_(*device_, pool_) {}

TWavOut::~TWavOut() {
  if (open_) {
    {
      std::lock_guard lock(lock_);
      device_->Reset();
      device_->Wake();
    }
    if (feeder_.joinable()) feeder_.join();
    // A round that began before the wake may have queued more.
    device_->Reset();
  }
  sources_.clear();
  active_.clear();
  blocks_.FreeUnwritten();
  blocks_.FreeDone();
  blocks_.Clear();
  if (open_) device_->Close();
  open_ = false;
}

bool TWavOut::Open() {
  if (open_ || blockSize_ <= 0 || !device_->Open(WakePeriod())) return false;
  open_ = true;
  pool_.Fill(4);
  feeder_ = std::thread([this] {
    while (device_->WaitFeed()) Feed();
  });
  return true;
}

TWavBuffer* TWavOut::AddSource(const TWaveFormatEx& format, TStream* stream) {
  std::lock_guard lock(lock_);
  sources_.push_back(std::make_unique<TWavBuffer>(*this, format, stream));
  return sources_.back().get();
}

void TWavOut::RemoveSource(TWavBuffer* source) {
  std::lock_guard lock(lock_);
  std::erase(active_, source);
  std::erase_if(sources_, [&](const auto& item) { return item.get() == source; });
}

void TWavOut::Feed() {
  std::lock_guard lock(lock_);
  blocks_.FreeDone();
  for (int i = 0; i < 2; ++i) {
    if (!open_ || blocks_.Count() >= 2 || active_.empty()) break;
    TWavPrimary& block = blocks_.Add();
    TWaveHeader& header = block.Header();
    header.Data = block.Memory.Samples.data();
    header.BufferLength = static_cast<uint32_t>(blockSize_);
    header.Flags = 0;
    header.Loops = 1;
    header.Played = 0;
    block.Prepared = device_->PrepareHeader(header);
    // A block the device cannot take would never be marked done.
    if (!block.Prepared || !(header.Flags & WHDR_PREPARED) ||
        !MixBlock(reinterpret_cast<int16_t*>(block.Memory.Samples.data()))) {
      blocks_.Free(block);
      continue;
    }
    block.Written = true;
    if (!device_->Write(header)) header.Flags |= WHDR_DONE;
  }
}

bool TWavOut::MixBlock(int16_t* block) {
  std::memset(block, 0, static_cast<size_t>(blockSize_));
  bool mixed = false;
  for (auto& source : sources_) mixed = source->MixInto(block) || mixed;
  return mixed;
}

size_t TWavOut::BlockCount() {
  std::lock_guard lock(lock_);
  return blocks_.Count();
}

size_t TWavOut::PoolCount() {
  std::lock_guard lock(lock_);
  return pool_.Count();
}

}  // namespace orva

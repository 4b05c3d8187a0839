#include "shell/audio_capture.h"

#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/audio_output.h"

namespace orva {

namespace {

constexpr uint32_t kHeaderBytes = 44;

void PutLe(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A PCM header for that many bytes of 16-bit stereo at 44100 Hz.
void MakeHeader(uint8_t (&h)[kHeaderBytes], uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  PutLe(h + 4, dataBytes + kHeaderBytes - 8, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe(h + 16, 16, 4);
  PutLe(h + 20, 1, 2);
  PutLe(h + 22, kAudioChannels, 2);
  PutLe(h + 24, kAudioRate, 4);
  PutLe(h + 28, kAudioRate * kAudioChannels * 2, 4);
  PutLe(h + 32, kAudioChannels * 2, 2);
  PutLe(h + 34, 16, 2);
  std::memcpy(h + 36, "data", 4);
  PutLe(h + 40, dataBytes, 4);
}

}  // namespace

TAudioCapture::TAudioCapture(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  file_ = std::fopen((path_ + ".part").c_str(), "wb");
  if (!file_) {
    std::fprintf(stderr, "orva-player: cannot write %s\n", path_.c_str());
    path_.clear();
    return;
  }
  uint8_t header[kHeaderBytes];
  MakeHeader(header, 0);
  std::fwrite(header, 1, sizeof header, file_);
}

void TAudioCapture::Write(const int16_t* samples, size_t count) {
  // Little-endian samples, as the format stores them.
  uint8_t buffer[4096];
  size_t done = 0;
  while (done < count) {
    const size_t n = std::min(count - done, sizeof buffer / 2);
    for (size_t i = 0; i < n; ++i) PutLe(buffer + 2 * i, static_cast<uint16_t>(samples[done + i]), 2);
    std::fwrite(buffer, 2, n, file_);
    done += n;
  }
  frames_ += count / kAudioChannels;
}

void TAudioCapture::Append(const std::vector<int16_t>& samples, uint32_t milliseconds) {
  if (!file_) return;
  if (!samples.empty()) {
    Write(samples.data(), samples.size());
    return;
  }
  silenceCarry_ += uint64_t{milliseconds} * kAudioRate;
  const uint64_t frames = silenceCarry_ / 1000;
  silenceCarry_ %= 1000;
  const std::vector<int16_t> silence(static_cast<size_t>(frames) * kAudioChannels, 0);
  Write(silence.data(), silence.size());
}

void TAudioCapture::Finish() {
  if (!file_) return;
  const uint64_t bytes = frames_ * kAudioChannels * 2;
  uint8_t header[kHeaderBytes];
  MakeHeader(header, static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX - kHeaderBytes)));
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(header, 1, sizeof header, file_);
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  const std::string part = path_ + ".part";
  if (!ok || std::rename(part.c_str(), path_.c_str()) != 0) {
    std::fprintf(stderr, "orva-player: cannot write %s\n", path_.c_str());
    std::remove(part.c_str());
  }
}

}  // namespace orva

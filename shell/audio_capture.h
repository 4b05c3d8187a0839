#pragma once
// The sound of a headless run written as a WAV file (44100 Hz, 16-bit stereo): what the
// output mixed in each frame's pull, silence while it was closed, so that the file's time is
// the run's. The file is written beside its name and renamed into place at the end.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orva {

class TAudioCapture {
 public:
  // A real path; empty: no capture.
  explicit TAudioCapture(std::string path);
  ~TAudioCapture() { Finish(); }
  TAudioCapture(const TAudioCapture&) = delete;
  TAudioCapture& operator=(const TAudioCapture&) = delete;

  bool Enabled() const { return !path_.empty(); }
  // The samples mixed for `milliseconds` (left, right alternating); none: that much silence.
  void Append(const std::vector<int16_t>& samples, uint32_t milliseconds);
  // Completes the header and puts the file in place.
  void Finish();

 private:
  void Write(const int16_t* samples, size_t count);

  std::string path_;
  std::FILE* file_ = nullptr;
  uint64_t frames_ = 0;
  uint64_t silenceCarry_ = 0;  // ms × 44100 not yet written as frames
};

}  // namespace orva

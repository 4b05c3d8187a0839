#include "platform/audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace orva {

namespace {

enum class TOpenKind { Closed, Sdl, Silent, Headless };

TAudioBackend DefaultBackend() {
  const char* headless = std::getenv("ORVA_HEADLESS");
  return headless && std::strcmp(headless, "1") == 0 ? TAudioBackend::Headless : TAudioBackend::System;
}

struct TOutput {
  std::mutex mixMutex;  // the inputs, held for a whole mix
  std::vector<TAudioInput*> inputs;

  std::mutex stateMutex;  // everything below
  TAudioBackend backend = DefaultBackend();
  TOpenKind open = TOpenKind::Closed;
  int users = 0;
  SDL_AudioDeviceID device = 0;
  std::thread silentThread;
  std::atomic<bool> silentStop{false};
  std::map<int, std::function<void()>> restoreHandlers;
  int nextHandlerId = 1;

  uint64_t headlessMs = 0;
  bool headlessFails = false;
  bool capture = false;
  std::vector<int16_t> captured;
  std::vector<THeadlessPaced*> paced;
};

TOutput& Output() {
  static TOutput output;
  return output;
}

// Mixes every input and saturates the sums into `out`.
void MixInputs(int16_t* out, int frames, bool pulled) {
  thread_local std::vector<int32_t> sums;
  sums.assign(static_cast<size_t>(frames) * kAudioChannels, 0);
  {
    std::lock_guard lock(Output().mixMutex);
    for (TAudioInput* input : Output().inputs) input->MixInto(sums.data(), frames, pulled);
  }
  for (size_t i = 0; i < sums.size(); ++i) out[i] = static_cast<int16_t>(std::clamp(sums[i], -32768, 32767));
}

void SDLCALL SdlCallback(void*, Uint8* stream, int length) {
  MixInputs(reinterpret_cast<int16_t*>(stream), length / (kAudioChannels * 2), false);
}

// No device: consume the sound at the pace of the monotonic clock.
void SilentLoop() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  uint64_t done = 0;
  std::vector<int16_t> scratch;
  while (!Output().silentStop.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    const uint64_t due = static_cast<uint64_t>(elapsed) * kAudioRate / 1000000;
    const int frames = static_cast<int>(std::min<uint64_t>(due - done, kAudioRate));
    scratch.resize(static_cast<size_t>(frames) * kAudioChannels);
    MixInputs(scratch.data(), frames, false);
    done = due;
  }
}

bool OpenSdl(TOutput& o) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = kAudioRate;
  want.format = AUDIO_S16SYS;
  want.channels = kAudioChannels;
  want.samples = 1024;
  want.callback = SdlCallback;
  SDL_AudioSpec have{};
  o.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (o.device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(o.device, 0);
  return true;
}

// Opens the chosen backend; the system one falls back to the silent one.
bool OpenBackend(TOutput& o) {
  if (o.backend == TAudioBackend::Headless) {
    if (o.headlessFails) return false;
    o.open = TOpenKind::Headless;
    o.headlessMs = 0;
    return true;
  }
  if (OpenSdl(o)) {
    o.open = TOpenKind::Sdl;
    return true;
  }
  o.silentStop = false;
  o.silentThread = std::thread(SilentLoop);
  o.open = TOpenKind::Silent;
  return true;
}

void CloseBackend(TOutput& o) {
  if (o.open == TOpenKind::Sdl) {
    SDL_CloseAudioDevice(o.device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    o.device = 0;
  } else if (o.open == TOpenKind::Silent) {
    o.silentStop = true;
    o.silentThread.join();
  }
  o.open = TOpenKind::Closed;
}

}  // namespace

void SetAudioBackend(TAudioBackend backend) {
  std::lock_guard lock(Output().stateMutex);
  Output().backend = backend;
}

TAudioBackend AudioBackend() {
  std::lock_guard lock(Output().stateMutex);
  return Output().backend;
}

bool AcquireAudioOutput() {
  TOutput& o = Output();
  std::lock_guard lock(o.stateMutex);
  if (o.users == 0 && !OpenBackend(o)) return false;
  ++o.users;
  return true;
}

void ReleaseAudioOutput() {
  TOutput& o = Output();
  std::lock_guard lock(o.stateMutex);
  if (o.users == 0) return;
  if (--o.users == 0) CloseBackend(o);
}

bool AudioOutputOpen() {
  std::lock_guard lock(Output().stateMutex);
  return Output().open != TOpenKind::Closed;
}

void AttachAudioInput(TAudioInput* input) {
  std::lock_guard lock(Output().mixMutex);
  Output().inputs.push_back(input);
}

void DetachAudioInput(TAudioInput* input) {
  std::lock_guard lock(Output().mixMutex);
  std::erase(Output().inputs, input);
}

int AddAudioRestoreHandler(std::function<void()> handler) {
  std::lock_guard lock(Output().stateMutex);
  const int id = Output().nextHandlerId++;
  Output().restoreHandlers.emplace(id, std::move(handler));
  return id;
}

void RemoveAudioRestoreHandler(int id) {
  std::lock_guard lock(Output().stateMutex);
  Output().restoreHandlers.erase(id);
}

uint32_t AudioDeviceId() {
  std::lock_guard lock(Output().stateMutex);
  switch (Output().open) {
    case TOpenKind::Sdl: return Output().device;
    case TOpenKind::Headless: return 1;
    default: return 0;
  }
}

void HandleAudioDeviceRemoved(uint32_t deviceId) {
  TOutput& o = Output();
  std::vector<std::function<void()>> handlers;
  {
    std::lock_guard lock(o.stateMutex);
    const bool ours = (o.open == TOpenKind::Sdl && o.device == deviceId) || (o.open == TOpenKind::Headless && deviceId == 1);
    if (!ours) return;
    if (o.open == TOpenKind::Sdl) {
      CloseBackend(o);
      OpenBackend(o);
    }
    for (auto& entry : o.restoreHandlers) handlers.push_back(entry.second);
  }
  for (auto& handler : handlers) handler();
}

void HeadlessAudioPull(uint32_t milliseconds) {
  TOutput& o = Output();
  {
    std::lock_guard lock(o.stateMutex);
    if (o.open != TOpenKind::Headless) return;
  }
  const uint64_t target = o.headlessMs + milliseconds;
  std::vector<int16_t> out;
  for (;;) {
    // Feeders due by now run first, as their thread would have woken in time.
    uint64_t next = target;
    for (bool ran = true; ran;) {
      ran = false;
      for (THeadlessPaced* paced : std::vector<THeadlessPaced*>(o.paced)) {
        if (paced->DueAt() <= o.headlessMs) {
          paced->RunRound();
          ran = true;
        }
      }
    }
    if (o.headlessMs >= target) break;
    for (THeadlessPaced* paced : o.paced) next = std::min(next, paced->DueAt());
    const auto framesAt = [](uint64_t ms) { return ms * kAudioRate / 1000; };
    const int frames = static_cast<int>(framesAt(next) - framesAt(o.headlessMs));
    out.resize(static_cast<size_t>(frames) * kAudioChannels);
    MixInputs(out.data(), frames, true);
    o.headlessMs = next;
    std::lock_guard lock(o.stateMutex);
    if (o.capture) o.captured.insert(o.captured.end(), out.begin(), out.end());
  }
}

void SetHeadlessAudioCapture(bool on) {
  std::lock_guard lock(Output().stateMutex);
  Output().capture = on;
  if (!on) Output().captured.clear();
}

std::vector<int16_t> TakeHeadlessAudio() {
  std::lock_guard lock(Output().stateMutex);
  return std::exchange(Output().captured, {});
}

void SetHeadlessAudioOpenFails(bool fails) {
  std::lock_guard lock(Output().stateMutex);
  Output().headlessFails = fails;
}

void AddHeadlessPaced(THeadlessPaced* paced) { Output().paced.push_back(paced); }

void RemoveHeadlessPaced(THeadlessPaced* paced) { std::erase(Output().paced, paced); }

uint64_t HeadlessAudioTime() { return Output().headlessMs; }

}  // namespace orva

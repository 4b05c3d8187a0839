#pragma once
// The companion media library's entry points, as a table the program binds to, and our own
// module that provides them: Ogg, WAV and Windows Media audio mixed into the program's
// sound device, Ogg/WAV decoded to PCM for the program's own mixer, and movies decoded to
// 32-bit frame pictures with their sound.
//
// The module reads the program's streams only through the four stream callbacks given to
// orvaInit, and only on its own worker thread, which also decodes ahead of what plays.
// Booleans are 32-bit: -1 true, 0 false; any non-zero value passed in is true. Volumes are
// hundredths of a decibel (0 full, -10000 silent; the gain is 10^(v/2000)); a pan p
// attenuates the other channel by |p| hundredths of a decibel. Positions and lengths are
// milliseconds. A handle of 0 is no sound; calls with an unknown handle do nothing and give 0.

#include <cstdint>

#include "platform/wave_format.h"

namespace orva {

using TOrvaHandle = int32_t;
using TOrvaBool = int32_t;

// The program's stream callbacks; each gives 0 for a null stream.
using TOrvaStreamGetSize = int64_t (*)(void* stream);
using TOrvaStreamRead = int64_t (*)(void* stream, void* buffer, int64_t count);
using TOrvaStreamGetPosition = int64_t (*)(void* stream);
// Seeks from the start; gives the new position.
using TOrvaStreamSeek = int64_t (*)(void* stream, int64_t position);
// Save and restore of the floating-point control word.
using TOrvaFpuCallback = void (*)();

// {window, message, wParam, lParam}.
struct TOrvaMessage {
  uint32_t Window;
  uint32_t Message;
  uint32_t WParam;
  uint32_t LParam;
};

struct TOrvaRect {
  int32_t Left, Top, Right, Bottom;
};

// What orvaVideoGetDC gives: the current frame, 0x00RRGGBB pixels, rows top down. It stays
// valid until the next orvaVideoNeedPaint or the movie's deletion; the caller never frees it.
struct TVideoFrame {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Pitch = 0;  // bytes per row
  const uint32_t* Pixels = nullptr;
};

struct TOrvaEntryPoints {
  int32_t (*orvaVersion)();
  // Arguments: the addresses of the window and panel handles and of the sound device
  // pointer (a TSoundDevice*, platform/sound_device.h; read whenever a sound is made; while
  // it is null the module uses a device of its own), the module instance, the four stream
  // callbacks, the control-word callbacks, 0.
  TOrvaBool (*orvaInit)(void* const* formHandle, void* const* panelHandle, void* instance, void* const* soundDevice,
                        TOrvaStreamGetSize getSize, TOrvaStreamRead read, TOrvaStreamGetPosition getPosition,
                        TOrvaStreamSeek seek, TOrvaFpuCallback saveFpu, TOrvaFpuCallback restoreFpu, int32_t reserved);
  void (*orvaFinal)();

  // Windows Media audio from memory (copied during the call).
  TOrvaHandle (*orvaWmpmanAdd)(const void* data, int32_t size);
  void (*orvaWmpmanDel)(TOrvaHandle h);
  void (*orvaWmpmanProcessEvent)(const TOrvaMessage* message);
  void (*orvaWmpmanRestore)();
  void (*orvaWmpPlay)(TOrvaHandle h);
  void (*orvaWmpPause)(TOrvaHandle h);
  TOrvaBool (*orvaWmpIsPlaying)(TOrvaHandle h);
  TOrvaBool (*orvaWmpIsPaused)(TOrvaHandle h);
  TOrvaBool (*orvaWmpIsEnd)(TOrvaHandle h);
  int32_t (*orvaWmpGetLen)(TOrvaHandle h);
  int32_t (*orvaWmpGetPosition)(TOrvaHandle h);
  int32_t (*orvaWmpGetVol)(TOrvaHandle h);
  int32_t (*orvaWmpGetPan)(TOrvaHandle h);
  TOrvaBool (*orvaWmpGetAutoRepeat)(TOrvaHandle h);
  void (*orvaWmpSetPosition)(TOrvaHandle h, int32_t ms);
  void (*orvaWmpSetVol)(TOrvaHandle h, int32_t volume);
  void (*orvaWmpSetPan)(TOrvaHandle h, int32_t pan);
  void (*orvaWmpSetAutoRepeat)(TOrvaHandle h, TOrvaBool on);

  // Ogg (is-Ogg true) or WAV from a program stream, mixed into the sound device.
  TOrvaHandle (*orvaOggmanAdd)(void* stream, TOrvaBool isOgg);
  void (*orvaOggmanDel)(TOrvaHandle h);
  void (*orvaOggmanRestore)();
  void (*orvaOggmanSetUseThread)(TOrvaBool on);
  void (*orvaOggPlay)(TOrvaHandle h);
  void (*orvaOggPause)(TOrvaHandle h);
  TOrvaBool (*orvaOggIsPlaying)(TOrvaHandle h);
  TOrvaBool (*orvaOggIsPaused)(TOrvaHandle h);
  TOrvaBool (*orvaOggIsEnd)(TOrvaHandle h);
  int32_t (*orvaOggGetLen)(TOrvaHandle h);
  int32_t (*orvaOggGetPosition)(TOrvaHandle h);
  int32_t (*orvaOggGetVol)(TOrvaHandle h);
  int32_t (*orvaOggGetPan)(TOrvaHandle h);
  TOrvaBool (*orvaOggGetAutoRepeat)(TOrvaHandle h);
  void (*orvaOggSetPosition)(TOrvaHandle h, int32_t ms);
  void (*orvaOggSetVol)(TOrvaHandle h, int32_t volume);
  void (*orvaOggSetPan)(TOrvaHandle h, int32_t pan);
  void (*orvaOggSetAutoRepeat)(TOrvaHandle h, TOrvaBool on);

  // Ogg or WAV decoded to PCM: 44100 or 22050 Hz, 1 or 2 channels, 8 or 16 bits as stored,
  // anything else converted to 44100 Hz 16-bit. Sizes and positions are PCM bytes.
  TOrvaHandle (*orvaOggStrmanAdd)(void* stream, TOrvaBool isOgg);
  void (*orvaOggStrmanDel)(TOrvaHandle h);
  // False (and the record untouched) when the data is not valid.
  TOrvaBool (*orvaOggStrGetFormat)(TOrvaHandle h, TWaveFormatEx* format);
  int32_t (*orvaOggStrGetSize)(TOrvaHandle h);
  int32_t (*orvaOggStrRead)(TOrvaHandle h, void* buffer, int32_t count);
  int32_t (*orvaOggStrGetPos)(TOrvaHandle h);
  void (*orvaOggStrSetPos)(TOrvaHandle h, int32_t position);
  int32_t (*orvaOggStrGetLen)(TOrvaHandle h);

  // Movies; the flag is true for a movie drawn through its frame pictures, false for an
  // overlay.
  TOrvaHandle (*orvaVidmanAdd)(const char* fileName, void* stream, TOrvaBool notOverlay);
  void (*orvaVidmanDel)(TOrvaHandle h);
  void (*orvaVidmanProcessEvent)(const TOrvaMessage* message);
  void (*orvaVidmanSuspend)();
  void (*orvaVidmanResume)();
  void (*orvaVideoPlay)(TOrvaHandle h);
  void (*orvaVideoPause)(TOrvaHandle h);
  TOrvaBool (*orvaVideoIsPlaying)(TOrvaHandle h);
  TOrvaBool (*orvaVideoIsPaused)(TOrvaHandle h);
  TOrvaBool (*orvaVideoIsEnd)(TOrvaHandle h);
  int32_t (*orvaVideoGetLen)(TOrvaHandle h);
  int32_t (*orvaVideoGetPosition)(TOrvaHandle h);
  int32_t (*orvaVideoGetVol)(TOrvaHandle h);
  int32_t (*orvaVideoGetPan)(TOrvaHandle h);
  TOrvaBool (*orvaVideoGetAutoRepeat)(TOrvaHandle h);
  TOrvaBool (*orvaVideoGetVisible)(TOrvaHandle h);
  int32_t (*orvaVideoGetSourceWidth)(TOrvaHandle h);
  int32_t (*orvaVideoGetSourceHeight)(TOrvaHandle h);
  // True once for each new frame that is due; in headless runs it first lets the decoder
  // catch up with the movie's clock.
  TOrvaBool (*orvaVideoNeedPaint)(TOrvaHandle h);
  const TVideoFrame* (*orvaVideoGetDC)(TOrvaHandle h);
  void (*orvaVideoSetPosition)(TOrvaHandle h, int32_t ms);
  void (*orvaVideoSetVol)(TOrvaHandle h, int32_t volume);
  void (*orvaVideoSetPan)(TOrvaHandle h, int32_t pan);
  void (*orvaVideoSetAutoRepeat)(TOrvaHandle h, TOrvaBool on);
  void (*orvaVideoSetVisible)(TOrvaHandle h, TOrvaBool on);
  // The overlay's rectangle in the window, then the part of the movie shown in it.
  void (*orvaVideoSetRect)(TOrvaHandle h, const TOrvaRect* first, const TOrvaRect* second);
};

// Our module's table.
const TOrvaEntryPoints& OrvaModuleEntryPoints();

// The version our module answers.
constexpr int32_t kOrvaModuleVersion = 108;

}  // namespace orva

#pragma once
// The program's side of the companion media library: the bound table of entry points (our
// module, platform/orva_media.h, unless a test installs another), the globals whose
// addresses it receives, the stream and control-word callbacks, and the version check made
// before the main window exists.

#include "platform/orva_media.h"

namespace orva {

// The main window's and the scene panel's current handles; the library reads them through
// their addresses whenever it needs them.
extern void* FormHandle;
extern void* PanelHandle;
// The sound device the library mixes into (a TSoundDevice*, set when the first library
// sound is made); read through its address.
extern void* DirectSoundObject;

// The bound table.
const TOrvaEntryPoints& OrvaLib();
// Installs a table (not owned; nullptr binds our module again).
void SetOrvaLibrary(const TOrvaEntryPoints* table);

// The version check: any answer but 108 shows "orva.dllのバージョンがあいません" captioned
// "Error" and gives false, and the program ends.
bool BindOrvaLibrary();

// orvaInit with the globals' addresses, the callbacks below and 0, then
// orvaOggmanSetUseThread(true).
void InitOrvaLibrary();

constexpr TOrvaBool OrvaBool(bool value) { return value ? -1 : 0; }
constexpr bool FromOrvaBool(TOrvaBool value) { return value != 0; }

// Stream callbacks over a TStream* (core/stream.h); 0 for a null stream or a failing one.
int64_t OrvaStreamGetSize(void* stream);
int64_t OrvaStreamRead(void* stream, void* buffer, int64_t count);
int64_t OrvaStreamGetPosition(void* stream);
int64_t OrvaStreamSeek(void* stream, int64_t position);

// Save stores the thread's floating-point control state; restore loads it again with the
// pending exceptions cleared.
void SaveFpuControlWord();
void RestoreFpuControlWord();

}  // namespace orva

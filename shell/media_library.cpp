#include "shell/media_library.h"

#include <cfenv>

#include "core/stream.h"
#include "platform/message_box.h"

namespace orva {

void* FormHandle = nullptr;
void* PanelHandle = nullptr;
void* DirectSoundObject = nullptr;

namespace {
const TOrvaEntryPoints* installed = nullptr;
thread_local std::fenv_t savedFpu;
thread_local bool fpuSaved = false;

template <typename Action>
int64_t Guarded(void* stream, Action action) {
  if (!stream) return 0;
  try {
    return action(*static_cast<TStream*>(stream));
  } catch (...) {
    return 0;
  }
}
}  // namespace

const TOrvaEntryPoints& OrvaLib() { return installed ? *installed : OrvaModuleEntryPoints(); }

void SetOrvaLibrary(const TOrvaEntryPoints* table) { installed = table; }

bool BindOrvaLibrary() {
  if (OrvaLib().orvaVersion && OrvaLib().orvaVersion() == kOrvaModuleVersion) return true;
  MessageBoxService().Show("orva.dllのバージョンがあいません", "Error", TMsgButtons::OK, TMsgIcon::Warning);
  return false;
}

void InitOrvaLibrary() {
  OrvaLib().orvaInit(&FormHandle, &PanelHandle, nullptr, &DirectSoundObject, OrvaStreamGetSize, OrvaStreamRead,
                     OrvaStreamGetPosition, OrvaStreamSeek, SaveFpuControlWord, RestoreFpuControlWord, 0);
  OrvaLib().orvaOggmanSetUseThread(OrvaBool(true));
}

int64_t OrvaStreamGetSize(void* stream) {
  return Guarded(stream, [](TStream& s) { return s.GetSize(); });
}

int64_t OrvaStreamRead(void* stream, void* buffer, int64_t count) {
  if (!buffer || count <= 0) return 0;
  return Guarded(stream, [&](TStream& s) { return s.Read(buffer, count); });
}

int64_t OrvaStreamGetPosition(void* stream) {
  return Guarded(stream, [](TStream& s) { return s.GetPosition(); });
}

int64_t OrvaStreamSeek(void* stream, int64_t position) {
  return Guarded(stream, [&](TStream& s) { return s.Seek(position, TSeekOrigin::soBeginning); });
}

void SaveFpuControlWord() { fpuSaved = std::fegetenv(&savedFpu) == 0; }

void RestoreFpuControlWord() {
  if (fpuSaved) std::fesetenv(&savedFpu);
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace orva

// The page reader on any bytes; a page that loads is run for a few frames, with events whose
// handler is the page itself, and the interpreter's save of it reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script_fuzz_interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orva::FuzzInterpreter fuzz;
  fuzz.files.Add("start.osb", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    fuzz.man.Start("start.osb");
  } catch (const orva::Exception&) {
    return 0;
  }
  fuzz.RunFrames(3);

  const std::string saved = fuzz.Save();
  orva::TCallMan restored(fuzz.vars);
  restored.SetScene(&fuzz.scene);
  orva::TMemoryStream m(saved);
  try {
    restored.LoadFromStream(m, orva::GameSaveVersion);
  } catch (const orva::Exception&) {
    // Loading a page again may fail where the first load did not only when the file
    // changed; it did not.
    __builtin_trap();
  }
  orva::TMemoryStream again;
  restored.SaveToStream(again);
  if (again.View() != saved) __builtin_trap();
  return 0;
}

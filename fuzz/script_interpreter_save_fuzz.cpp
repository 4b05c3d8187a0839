// The interpreter's save form on any bytes, over a known page: what loads saves and loads
// again to the same bytes, runs frames without harm, and still saves and loads again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "kit/page_builder.h"
#include "script_fuzz_interpreter.h"

namespace {

void ExpectRoundTrip(orva::FuzzInterpreter& fuzz) {
  const std::string saved = fuzz.Save();
  orva::TMemoryStream m(saved);
  try {
    fuzz.man.LoadFromStream(m, orva::GameSaveVersion);
  } catch (const orva::Exception&) {
    __builtin_trap();  // a save the interpreter wrote itself must load
  }
  if (m.Remaining() != 0 || fuzz.Save() != saved) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  orva::FuzzInterpreter fuzz;
  orva::kit::PageBuilder page;
  page.Label("here").Wait("50", "", "a == 1").Call("start.osb", 0, "b", {"a"}, "b == 0");
  page.Flip({.duration = "20", .carry = "0"}).TextIns({.glyphs = "g", .wait = "TRUE"}).MovieStop("\"bgm\"", "5", "TRUE");
  page.If("a < 3", [&] { page.Calc("a = a + 1").Jump("start.osb", 0); }).DoEvent().Exit();
  fuzz.files.Add("start.osb", page);
  // The first byte picks the save version: before and after the event level.
  const int version = data[0] & 1 ? orva::GameSaveVersion : 115;
  orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    fuzz.man.LoadFromStream(m, version);
  } catch (const orva::Exception&) {
    return 0;
  } catch (const std::bad_alloc&) {
    __builtin_trap();  // every count is checked against the bytes left
  }
  ExpectRoundTrip(fuzz);
  fuzz.RunFrames(2);
  ExpectRoundTrip(fuzz);
  return 0;
}

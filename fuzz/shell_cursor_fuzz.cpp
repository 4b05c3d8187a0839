// The cursor file reader: ".cur" icon directories with DIB and PNG pictures, ".ani" lists.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/exceptions.h"
#include "shell/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const orva::TCursorFile file = orva::ReadCursorFile(std::span<const uint8_t>(data, size));
    // Every frame the animation names is there, with all its pixels.
    for (const orva::TCursorFile::TStep& step : file.Steps) {
      const orva::TCursorImage& image = file.Frames.at(static_cast<size_t>(step.Frame));
      if (image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height)) __builtin_trap();
      if (image.HotX < 0 || image.HotY < 0 || image.HotX >= image.Width || image.HotY >= image.Height) __builtin_trap();
    }
  } catch (const orva::Exception&) {
  }
  return 0;
}

// PNG import into a layered-image frame and its copy into a drawing surface. The seeds are
// PngSuite files (Willem van Schaik; free to use, copy, modify and distribute).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/dibx.h"
#include "graphics/vask_frame_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data), size));
    orva::TVaskFrameList list;
    list.ImportPng(m);
    orva::TVaskFrame& frame = list.GetFrame(0);
    if (int64_t{frame.Surface.GetWidth()} * frame.Surface.GetHeight() > 1 << 18) return 0;
    frame.BuildMask();
    orva::TDIBX image;
    image.SetSize(1, 1, 32);
    frame.CopyToSurface(image);
  } catch (const orva::Exception&) {
  }
  return 0;
}

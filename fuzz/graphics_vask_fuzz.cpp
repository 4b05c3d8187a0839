// The layered-image reader and what a decoded list goes through next: the copies into
// drawing surfaces, masks, trimming and the writer.
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
    list.TargetBitCount = size % 3 == 0 ? 16 : 0;  // both kinds of steps after a frame
    list.LoadFromStream(m, false);
    int64_t pixels = 0;
    for (int i = 0; i < list.Count(); ++i)
      pixels += int64_t{list.GetFrame(i).Surface.GetWidth()} * list.GetFrame(i).Surface.GetHeight();
    if (pixels > 1 << 18) return 0;
    list.BuildMasks();
    for (int i = 0; i < list.Count(); ++i) {
      orva::TVaskFrame& frame = list.GetFrame(i);
      orva::TDIBX image, mask;
      image.SetSize(1, 1, 16);
      frame.CopyToSurface(image);
      frame.CopyMaskToSurface(mask);
      frame.TrimBounds();
    }
    orva::TMemoryStream out;
    list.SaveToStream(out, orva::TVaskFrameList::ModeRaw);
    out.SetPosition(0);
    orva::TVaskFrameList again;
    again.LoadFromStream(out, false);
  } catch (const orva::Exception&) {
  }
  return 0;
}

// The BMP reader, RLE decoding and what a loaded picture goes through next.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/exceptions.h"
#include "core/stream.h"
#include "graphics/dib_surface.h"
#include "graphics/screen.h"

namespace {
constexpr int64_t kMaxDecodedPixels = int64_t{1} << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    orva::TMemoryStream m(std::string(reinterpret_cast<const char*>(data), size));
    orva::TDIBSurface s;
    s.LoadFromStream(m);
    if (s.GetEmpty()) return 0;
    orva::TMemoryStream out;
    s.SaveToStream(out);
    // Pictures of a sensible size go on through the conversions, first while RLE data is
    // still undecoded.
    const bool small = int64_t{s.GetWidth()} * s.GetHeight() <= 1 << 16;
    if (small) {
      orva::TDIB converted, shown;
      converted.Assign(&s);
      converted.SetBitCount(24);
      shown.Assign(&s);
      orva::TMemoryScreen screen(8, 8);
      shown.Draw(screen, 0, 0, 8, 8);
    }
    // A few RLE bytes may stand for any picture below the pixel cap; decoding those is
    // bounded by the cap, not by the input, and stays out of the runs' allocation limit.
    if (int64_t{s.GetWidth()} * s.GetHeight() <= kMaxDecodedPixels) s.BitsReadOnly();
    if (small) {
      s.GetOpaqueBounds(0);
      orva::TDIBSurface copy;
      copy.AssignDIB(s);
      copy.ChangeBitCount(16, 0, true);
      s.Greyscale(8);
    }
  } catch (const orva::Exception&) {
  }
  return 0;
}

#pragma once
// Cursor files of the games: ".cur" (an icon directory whose entries carry a hot spot, each
// picture a DIB with its AND mask, or a PNG) and animated ".ani" (a RIFF "ACON" list of such
// files with frame rates and an optional sequence). A file may come from anywhere: every
// count, size and offset is checked against the bytes there.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/window_system.h"

namespace orva {

struct TCursorFile {
  struct TStep {
    int Frame = 0;
    uint32_t Duration = 0;  // ms
  };
  // One picture per frame, at the size nearest to 32 × 32 that the file has.
  std::vector<TCursorImage> Frames;
  // The animation: frames in the order shown; one step of duration 0 for a still cursor.
  std::vector<TStep> Steps;
};

// Raises EReadError for bytes that are no cursor this reader can show.
TCursorFile ReadCursorFile(std::span<const uint8_t> bytes);

}  // namespace orva

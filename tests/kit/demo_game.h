#pragma once
// The demo game bundled with the player (tools/play runs it) and the end-to-end tests' games:
// files by name, and the writer of the "game.dat" archive that holds them. The demo's pages
// are all built in DemoGameFiles; new scenes of the demo are added there.

#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"

namespace orva::kit {

struct GameFile {
  std::string Name;   // as the game names it
  std::string Bytes;
};

// A 640 × 480 paced game that counts its starts in the status variable "starts", saves into
// slot 1 and loads that save once, and then cycles the shown layer's COLOR every 500 ms,
// while its pictures play: a star that counts the clicks on its opaque pixels in the status
// variable "hits", a spinning animation, a wheel turned by property motions, a puff that
// frees itself at the end of each pass, a square created and deleted every other pass.
std::vector<GameFile> DemoGameFiles();
// The colours the shown layer cycles through, 0x00BBGGRR.
const std::vector<int32_t>& DemoLayerColours();

// Where the demo's pictures are and what they show (colours 0x00RRGGBB as captured).
struct DemoPictureSpots {
  TPoint StarOpaque, StarTransparent;  // a pixel of the star's body, a keyed corner in its box
  uint32_t StarColour;
  TPoint Spinner;                      // the spinner's middle: one of its frames' colours
  std::vector<uint32_t> SpinnerColours;
  TPoint WheelHub;                     // the wheel turns about this pixel
  uint32_t WheelHubColour;
};
const DemoPictureSpots& DemoPictures();

// Writes the files as the data archive at a real path.
void WriteGameArchive(const std::string& realPath, const std::vector<GameFile>& files);

}  // namespace orva::kit

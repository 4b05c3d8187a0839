#pragma once
// The demo game bundled with the player (tools/play runs it) and the end-to-end tests' games:
// files by name, and the writer of the "game.dat" archive that holds them. The demo's pages
// are all built in DemoGameFiles; new scenes of the demo are added there.

#include <cstdint>
#include <string>
#include <vector>

namespace orva::kit {

struct GameFile {
  std::string Name;   // as the game names it
  std::string Bytes;
};

// A 640 × 480 paced game that counts its starts in the status variable "starts", saves into
// slot 1 and loads that save once, shows Japanese text in a message box whose pages a click
// on the box turns (two text commands, three pages, each waiting until read), shows them
// again from the backlog until one more click, and then cycles the shown layer's COLOR every
// 500 ms (the first colour from the start of the text).
std::vector<GameFile> DemoGameFiles();

// Where the demo's message box lies on the scene, and its text colour (0x00BBGGRR).
struct DemoMessageBox {
  int32_t Left, Top, Width, Height;
  int32_t Colour;
};
const DemoMessageBox& DemoMessage();
// The colours the shown layer cycles through, 0x00BBGGRR.
const std::vector<int32_t>& DemoLayerColours();

// Writes the files as the data archive at a real path.
void WriteGameArchive(const std::string& realPath, const std::vector<GameFile>& files);

}  // namespace orva::kit

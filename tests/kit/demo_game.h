#pragma once
// The demo game bundled with the player (tools/play runs it) and the end-to-end tests' games:
// files by name, and the writer of the "game.dat" archive that holds them. The demo's pages
// are all built in DemoGameFiles, one scene after the other; new scenes are added there.

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
// slot 1 and loads that save once, then plays its scenes in turn:
// - title: looping music that fades in over DemoMusicFadeMilliseconds, and a short opening
//   movie shown as an overlay at DemoMoviePlace that frees itself at its end; the text scene
//   starts with them;
// - text: Japanese text in a message box whose pages a click on the box turns (each click
//   plays a click effect; two text commands, three pages, each waiting until read), then the
//   same pages again from the backlog until one more click empties the box;
// - pictures: a star that counts the clicks on its opaque pixels in the status variable
//   "hits", its mirrored and faded copy, a spinning animation, a wheel turned by property
//   motions with its glow added as light, a puff that frees itself at the end of each pass, a
//   square created and deleted every other pass;
// - film: a cinema that plays a small film over and over, its pages changed by transitions;
// - effects: snow falling in DemoEffects().SnowArea, a fire burning in FireArea and a flag of
//   upright stripes rippling in a wave over WaveArea, carried by the flips with the pictures;
// - flips: over and over, the pictures step, the layer not shown is painted in the next
//   colour, and the game flips to it with the next transition in DemoFlipMilliseconds,
//   carrying the pictures, then pauses for DemoPauseMilliseconds. Its Flip stands on line
//   DemoFlipLine, the command after it on the next.
std::vector<GameFile> DemoGameFiles();

// Where the demo's message box lies on the scene, and its text colour (0x00BBGGRR).
struct DemoMessageBox {
  int32_t Left, Top, Width, Height;
  int32_t Colour;
};
const DemoMessageBox& DemoMessage();
// The colours the layers take in turn, 0x00BBGGRR; the shown layer starts in the first.
const std::vector<int32_t>& DemoLayerColours();
// The WP_ numbers of the flips in turn; the first is the cross-fade.
const std::vector<int>& DemoTransitions();
constexpr int32_t DemoFlipMilliseconds = 600, DemoPauseMilliseconds = 400;
constexpr int32_t DemoFlipLine = 900;
// The title's music command stands on DemoMusicLine; the movie's top-left corner.
constexpr int32_t DemoMusicLine = 700, DemoMusicFadeMilliseconds = 1500;
constexpr TPoint DemoMoviePlace{440, 20};
// Trace lines of the text scene: its second text command, the backlog view, and the command
// that ends the scene once the box is empty.
constexpr int32_t DemoSecondTextLine = 800, DemoBacklogLine = 801, DemoTextDoneLine = 802;

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

// Where the demo's cinema plays its film, and the film's background (0x00BBGGRR).
struct DemoFilm {
  TRect Place;
  int32_t Background;
};
const DemoFilm& DemoReel();

// Where the demo's effects are (colours 0x00RRGGBB as captured): the snow falls inside
// SnowArea; the fire burns over FireArea; the flag fills WaveArea with upright stripes
// FlagStripe wide in the two colours in turn, each row shifted by at most WaveAmp.
struct DemoEffectSpots {
  TRect SnowArea, FireArea, WaveArea;
  int32_t FlagStripe;
  uint32_t FlagColours[2];
  int32_t WaveAmp;
};
const DemoEffectSpots& DemoEffects();

// Writes the files as the data archive at a real path.
void WriteGameArchive(const std::string& realPath, const std::vector<GameFile>& files);

}  // namespace orva::kit

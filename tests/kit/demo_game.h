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
// - title: looping music that fades in over DemoMusicFadeMilliseconds at the volume of the
//   status variable "volume", and a short opening movie shown as an overlay at
//   DemoMoviePlace that frees itself at its end; the title screen starts with them;
// - title screen: the game's name, a start and a settings button on a box and a line that a
//   timer blinks every DemoBlinkMilliseconds; its loop stands on line DemoTitleLine and goes
//   on once the start button is clicked; the settings button opens the settings screen;
// - settings screen (settings.osb): a slider that sets the music's volume and "volume", a
//   caption over its thumb that shows the value and follows it, a button that closes it;
// - text: Japanese text in a message box whose pages a click on the box turns (each click
//   plays a click effect; two text commands, three pages, each waiting until read), then the
//   same pages again from the backlog until one more click empties the box;
// - choice: a menu that opens over DemoMenuOpenMilliseconds (its command on line
//   DemoChoiceLine) with two lines, chosen by the mouse or the keys: @SelIndex goes into the
//   status variable "choice" and @SelStr is shown a moment; line 1 opens the settings screen
//   (from line DemoChoiceDoneLine) before the pictures;
// - maps: tiles, a selection image, a preview menu whose "next" button ends the scene, a
//   gauge, an image caption, a memo and an edit (kit/demo_maps.h);
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
// The pictures' tune, a looping MIDI file, starts on DemoTuneLine as the title music fades out.
constexpr int32_t DemoTuneLine = 1100;
// Trace lines of the text scene: its second text command, the backlog view, and the command
// that ends the scene once the box is empty.
constexpr int32_t DemoSecondTextLine = 800, DemoBacklogLine = 801, DemoTextDoneLine = 802;

constexpr int32_t DemoTitleLine = 600, DemoChoiceLine = 650, DemoChoiceDoneLine = 651;
constexpr int32_t DemoBlinkMilliseconds = 500, DemoMenuOpenMilliseconds = 300;

// Where the title, choice and settings screens put their parts (scene coordinates; colours
// 0x00RRGGBB as captured).
struct DemoScreenSpots {
  TPoint StartButton, SettingsButton;    // the middles of the title's buttons
  TPoint ButtonBody;                     // a pixel of the start button's body, clear of its text
  std::vector<uint32_t> ButtonColours;   // the body in its normal, hover and pressed looks
  TRect Blink;                           // the blinking line's band
  uint32_t BlinkColour;
  TPoint ChoiceMenu;                     // the menu's top-left corner
  int32_t ChoiceHeight;                  // its height when open
  std::vector<TPoint> ChoiceLines;       // the middles of its lines' left parts
  TPoint VolumeThumb;                    // the middle of the volume thumb at 1000
  int32_t VolumeBarLength;               // how far the thumb's middle moves from 0 to 1000
  TRect VolumeText;                      // the band the value caption moves in
  uint32_t VolumeTextColour;
  TRect SettingsPanel;                   // the settings screen's box (wider than the title's)
  TPoint BackButton;                     // the middle of the settings screen's button
};
const DemoScreenSpots& DemoScreens();

// Scripted input for the headless player (ORVA_INPUT) that plays the demo. Clicks are in the
// window, whose scene lies below a toolbar DemoWindowTop pixels high.
constexpr int32_t DemoWindowTop = 22;
// "clock click x y; " at a scene point.
std::string DemoClickAt(int32_t clock, TPoint scenePoint);
// The title's start button, clicked at DemoStartClock.
constexpr int32_t DemoStartClock = 400;
std::string DemoStartClick();
// The start click, then clicks on the message box at these clock times.
std::string DemoBoxClicks(const std::vector<int>& clocks);
// A click on a line of the choice menu.
std::string DemoChoiceClick(int32_t clock, int line);
// "clock move x y; " to a scene point, and "clock+50 click x y; " there: the objects that
// light up under the mouse choose what is lit.
std::string DemoMoveAndClick(int32_t clock, TPoint scenePoint);
// Through the text (box clicks at 1000, 2000, 3000 and 4000) and the choice of the pictures
// at DemoPicturesClock: the maps scene stands by DemoMapsClock.
constexpr int32_t DemoPicturesClock = 4800;
constexpr int32_t DemoMapsClock = DemoPicturesClock + 700;
std::string DemoToMaps();
// On through the maps scene, whose "next" is chosen at DemoMapsClock + 200: the pictures and
// the flips follow at once.
std::string DemoToPictures();

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

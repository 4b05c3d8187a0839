#pragma once
// The demo's maps scene, between the text and the pictures: a scrolling, animated tile; a
// selection image whose three areas (square, moon, peak) light up under the mouse or the
// arrow keys and count their entries, exits and choices; a preview menu whose "next" button
// ends the scene (its "skip" button disabled by a script); an animated gauge and an image
// caption showing its level; a read-only memo with the instructions; and an edit taking
// typed text. Status variables: "mapins", "mapouts", "choices" (entries, exits and choices of
// areas), "place" (the last area chosen, @SelStr), "typed" (the edit's text) and "keys" (its
// notify events). The line after the scene in the start page is DemoMapsDoneLine.

#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"
#include "kit/demo_game.h"

namespace orva::kit {

class PageBuilder;

// Adds the scene's commands to the start page and its pages and pictures to the game.
void AddMapsScene(PageBuilder& start, std::vector<GameFile>& files);

constexpr int32_t DemoMapsDoneLine = 1000;

// Where the scene's objects stand and what they show, scene coordinates, colours 0x00RRGGBB.
struct DemoMapsSpots {
  TRect Tile;
  std::vector<uint32_t> TileColours;
  TPoint Square, Moon;  // the middle of two areas of the selection image
  uint32_t SquareColour, MoonColour, LitColour;
  TPoint Next, Skip;    // the middle of the menu's buttons
  uint32_t SkipDisabledColour;
  TPoint GaugeStart;    // the bar's first pixel
  uint32_t GaugeColour;
  TRect Caption;
  std::vector<uint32_t> DigitColours;
  TRect Edit, Memo;
};
const DemoMapsSpots& DemoMaps();

}  // namespace orva::kit

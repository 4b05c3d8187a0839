#pragma once
// The player's own start-up logo, as the archive linked into the program holds it: a short
// film (an orbit emblem that turns and grows in, the word ORVA rising beneath it, a caption
// that opens the player's page, all fading out), its two pictures and the hand cursor of the
// caption. make_logo writes the archive at build time.

#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"
#include "kit/demo_game.h"

namespace orva::kit {

struct LogoLayout {
  int32_t Width, Height;      // the film's size
  int32_t Length;             // ticks
  TPoint EmblemCentre;        // in the film
  uint32_t EmblemCoreColour;  // 0x00RRGGBB, at the emblem's centre
  TRect Caption;              // where the caption's text stands in the film
  std::string CaptionText;
};
const LogoLayout& Logo();

// The film, its pictures and the cursor, by their names in the archive.
std::vector<GameFile> LogoFiles();

}  // namespace orva::kit

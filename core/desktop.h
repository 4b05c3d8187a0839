#pragma once
// Desktop services the scripts may ask for.

#include <cstdint>
#include <string_view>

namespace orva {

// Makes a picture the desktop wallpaper (style 0 centred, 1 tiled, 2 stretched) and says
// whether it worked. Linux desktops share no wallpaper service, so the answer is false;
// it never raises.
bool SetWallPaper(std::string_view file, int32_t style);

}  // namespace orva

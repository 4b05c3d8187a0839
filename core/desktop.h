#pragma once
// Desktop services the scripts may ask for: the wallpaper and opening an address. Both run
// the desktop's own programs by argument vector (platform/process_launch.h).

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// Makes a picture file (a real path) the desktop wallpaper, style 0 centred, 1 tiled, any
// other stretched, and says whether it worked. Linux desktops share no wallpaper service:
// on a GNOME desktop (XDG_CURRENT_DESKTOP) the background settings are written with
// gsettings, true when every write succeeded; elsewhere the answer is false. Never raises.
bool SetWallPaper(std::string_view file, int32_t style);

// The real path of the wallpaper picture, "orvawall.bmp" in the player's own data directory
// ($XDG_DATA_HOME, else ~/.local/share, then "orva-player"), which is made when missing.
std::string WallPaperFileName();

// Opens the address (Shift-JIS text) with the desktop's handler, xdg-open, as its one
// argument, and returns without waiting for it.
void ShellOpen(std::string_view address);

}  // namespace orva

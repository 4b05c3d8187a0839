#pragma once
// The window on a real display through SDL: a fixed-size window whose client picture is a
// streaming texture shown by a renderer without vertical sync (the frame loop paces itself),
// SDL's display modes and exclusive full screen, SDL's message boxes, and the screen saver
// held off while the player runs. Where the video driver never reports focus (the dummy
// and offscreen drivers) the window counts as active once shown.

#include <memory>
#include <string>

#include "platform/window_system.h"

namespace orva {

// None, with the reason in error, when SDL's video cannot start.
std::unique_ptr<TWindowSystem> CreateSdlWindowSystem(std::string& error);

}  // namespace orva

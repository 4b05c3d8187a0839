#pragma once
// The player's own stop requests, raised from deep inside a frame and acted on by the shell.

#include <functional>

namespace orva {

// While set no frame step runs and the interpreter ends its run.
extern bool QuitRequested;

// Asks the main window to close once the current frame is done. The shell installs the
// handler; without one nothing happens.
void PostMainWindowClose();
void SetMainWindowCloseHandler(std::function<void()> handler);

}  // namespace orva

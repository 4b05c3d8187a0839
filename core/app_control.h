#pragma once
// The player's own stop requests, raised from deep inside a frame and acted on by the shell,
// and the optional debug log.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// While set no frame step runs and the interpreter ends its run.
extern bool QuitRequested;

// Asks the main window to close once the current frame is done. The shell installs the
// handler; without one nothing happens.
void PostMainWindowClose();
void SetMainWindowCloseHandler(std::function<void()> handler);

// A run of the interpreter that goes on without yielding calls LongRunCheck every
// kLongRunSteps steps, so that the shell can look at the window meanwhile: a close asked for
// sets QuitRequested, which ends the run. Without a handler nothing happens.
inline constexpr int kLongRunSteps = 64;
void SetLongRunHandler(std::function<void()> handler);
void LongRunCheck();

// Game paths of files deleted when the program ends (a script function adds them); a path
// already listed (ignoring case, as game paths compare) is not added again.
void AddExitDeleteFile(std::string_view path);
const std::vector<std::string>& ExitDeleteFileList();
// Deletes every listed file (failures ignored) and empties the list.
void DeleteExitFiles();

// The debug log's line writer: empty unless a log is open, and then nothing is traced.
// Tests install a capturing one.
extern std::function<void(std::string_view line)> OrvaLogWrite;
// When the environment variable ORVA_DBGLOG is "1", opens "dbglog.txt" in `directory` (a real
// path; the program's directory when empty) as the log, replacing an older one. Each line is
// on the disk before the call returns, so a crash keeps the trace that led to it.
void OrvaLogInit(const std::string& directory = {});
// Closes the log; OrvaLogWrite is empty again.
void OrvaLogFinal();

}  // namespace orva

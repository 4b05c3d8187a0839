#include "core/app_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <vector>

#include "core/game_path.h"
#include "core/sjis.h"
#include "platform/program_file.h"

namespace orva {

bool QuitRequested = false;
std::function<void(std::string_view line)> OrvaLogWrite;

namespace {
std::function<void()>& CloseHandler() {
  static std::function<void()> handler;
  return handler;
}

std::function<void()>& LongRunHandler() {
  static std::function<void()> handler;
  return handler;
}

std::FILE* logFile = nullptr;

std::vector<std::string>& ExitDeleteFiles() {
  static std::vector<std::string> files;
  return files;
}
}  // namespace

void PostMainWindowClose() {
  if (CloseHandler()) CloseHandler()();
}

void SetMainWindowCloseHandler(std::function<void()> handler) { CloseHandler() = std::move(handler); }

void SetLongRunHandler(std::function<void()> handler) { LongRunHandler() = std::move(handler); }

void LongRunCheck() {
  if (LongRunHandler()) LongRunHandler()();
}

void AddExitDeleteFile(std::string_view path) {
  std::vector<std::string>& files = ExitDeleteFiles();
  const auto same = [path](const std::string& listed) { return AnsiSameText(listed, path); };
  if (std::none_of(files.begin(), files.end(), same)) files.emplace_back(path);
}

const std::vector<std::string>& ExitDeleteFileList() { return ExitDeleteFiles(); }

void DeleteExitFiles() {
  for (const std::string& path : ExitDeleteFiles()) std::remove(OsPath(path).c_str());
  ExitDeleteFiles().clear();
}

void OrvaLogInit(const std::string& directory) {
  OrvaLogFinal();
  const char* wanted = std::getenv("ORVA_DBGLOG");
  if (!wanted || std::strcmp(wanted, "1") != 0) return;
  const std::string path = (directory.empty() ? ProgramFileDirectory() : directory) + "/dbglog.txt";
  logFile = std::fopen(path.c_str(), "wb");
  if (!logFile) return;
  OrvaLogWrite = [](std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), logFile);
    std::fputc('\n', logFile);
    std::fflush(logFile);
  };
}

void OrvaLogFinal() {
  OrvaLogWrite = nullptr;
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
}

}  // namespace orva

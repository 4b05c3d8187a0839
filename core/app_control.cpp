#include "core/app_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/program_file.h"

namespace orva {

bool QuitRequested = false;
std::function<void(std::string_view line)> OrvaLogWrite;

namespace {
std::function<void()>& CloseHandler() {
  static std::function<void()> handler;
  return handler;
}

std::FILE* logFile = nullptr;
}  // namespace

void PostMainWindowClose() {
  if (CloseHandler()) CloseHandler()();
}

void SetMainWindowCloseHandler(std::function<void()> handler) { CloseHandler() = std::move(handler); }

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

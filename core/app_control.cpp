#include "core/app_control.h"

namespace orva {

bool QuitRequested = false;

namespace {
std::function<void()>& CloseHandler() {
  static std::function<void()> handler;
  return handler;
}
}  // namespace

void PostMainWindowClose() {
  if (CloseHandler()) CloseHandler()();
}

void SetMainWindowCloseHandler(std::function<void()> handler) { CloseHandler() = std::move(handler); }

}  // namespace orva

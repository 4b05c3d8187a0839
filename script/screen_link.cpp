#include "script/screen_link.h"

namespace orva {

namespace {
TScreenLink* installed = nullptr;
}  // namespace

TScreenLink* GetScreenLink() { return installed; }
void SetScreenLink(TScreenLink* link) { installed = link; }

}  // namespace orva

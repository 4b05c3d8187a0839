#pragma once
// The movies shown as overlays: after each presentation of the scene, the current frame of
// every visible overlay movie, its source rectangle stretched to its window rectangle, over
// the scene panel (above every object, never in the back buffer). Where an overlay stood and
// stands no more (moved, hidden or closed), the scene is shown again.

#include <vector>

#include "core/rect.h"
#include "graphics/dibx.h"

namespace orva {

class TLibraryVideoItem;
class TOrvaBaseList;
class TScreenManager;
class TVideoManager;

class TOverlayPresenter {
 public:
  void Present(TScreenManager& screen, TOrvaBaseList& scene, TVideoManager* videos);
  // Forgets what was shown (the window was drawn again from the scene).
  void Reset() { shown_.clear(); }

 private:
  std::vector<TRect> shown_;
  // The frame being drawn, at 32 bits.
  TDIBX frame_;
};

}  // namespace orva

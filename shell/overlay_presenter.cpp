#include "shell/overlay_presenter.h"

#include <algorithm>
#include <limits>

#include "graphics/picture_to_surface.h"
#include "scene/base_list.h"
#include "shell/media_managers.h"
#include "shell/screen_manager.h"

namespace orva {

namespace {

int32_t Scaled(int32_t value, int32_t zoom) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{value} * zoom / 100, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void TOverlayPresenter::Present(TScreenManager& screen, TOrvaBaseList& scene, TVideoManager* videos) {
  struct TShown {
    TLibraryVideoItem* Item;
    const TVideoFrame* Frame;
  };
  std::vector<TShown> overlays;
  std::vector<TRect> rects;
  for (int i = 0; videos && i < videos->Count(); ++i) {
    auto* item = dynamic_cast<TLibraryVideoItem*>(videos->Item(i));
    if (!item || item->Surface() || !item->GetVisible() || item->WindowRect().IsEmpty()) continue;
    const TVideoFrame* frame = item->GetDC();
    if (!frame || !frame->Pixels || frame->Width <= 0 || frame->Height <= 0) continue;
    overlays.push_back({item, frame});
    rects.push_back(item->WindowRect());
  }
  if (overlays.empty() && shown_.empty()) return;
  TCustomDIBX* picture = scene.GetImage();
  TScreenDC& dc = screen.GetDC();
  // An overlay that moved or went leaves the scene to be shown where it stood.
  if (rects != shown_ && picture && !picture->IsEmpty()) {
    const int32_t w = picture->GetWidth(), h = picture->GetHeight();
    picture->StretchToDC(dc, 0, 0, Scaled(w, scene.Zoom), Scaled(h, scene.Zoom), 0, 0, w, h);
  }
  for (const TShown& shown : overlays) {
    const TVideoFrame& f = *shown.Frame;
    if (frame_.GetWidth() != f.Width || frame_.GetHeight() != f.Height || frame_.GetBitCount() != 32)
      frame_.SetSize(f.Width, f.Height, 32);
    CopyXRGBToSurface(f.Pixels, f.Width, f.Height, f.Pitch, frame_);
    const TRect& d = shown.Item->WindowRect();
    const TRect& s = shown.Item->SourceRect();
    frame_.StretchToDC(dc, d.Left, d.Top, d.Width(), d.Height(), s.Left, s.Top, s.Width(), s.Height());
  }
  screen.ReleaseDC();
  shown_ = std::move(rects);
}

}  // namespace orva

#include "shell/screen_manager.h"

#include <algorithm>
#include <limits>

#include "core/encoding.h"
#include "core/exceptions.h"
#include "graphics/dibx.h"
#include "graphics/screen.h"
#include "scene/base_list.h"

namespace orva {

std::unique_ptr<TScreenManager> ScreenManager;

namespace {

// Closes the display's control object however creation leaves.
struct TCloseGuard {
  TDisplayControl& display;
  ~TCloseGuard() { display.Close(); }
};

int32_t Scaled(int32_t value, int32_t zoom) {
  const int64_t v = int64_t{value} * zoom / 100;
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

TScreenManager::TScreenManager(TDisplayControl& display, TScreenPanel& panel, int32_t width, int32_t height,
                               int32_t preferredWidth, int32_t preferredHeight)
    : display_(display),
      panel_(panel),
      width_(width),
      height_(height),
      preferredWidth_(preferredWidth),
      preferredHeight_(preferredHeight) {
  if (display_.Available()) {
    TCloseGuard guard{display_};
    if (!display_.Open() || !display_.SetExclusive(true)) throw Exception(Sjis("DirectDrawを初期化できません"));
    TDisplayMode current;
    bool is555 = false;
    if (display_.GetCurrentMode(current, is555)) desktopBitCount_ = static_cast<int32_t>(current.BitCount);
    for (const TDisplayMode& mode : display_.EnumModes()) EnumModesCallback(mode);
    display_.SetExclusive(false);
  }
  mode_ = -2;
  SetMode(-1);
}

TScreenManager::~TScreenManager() {
  ReleaseDC();
  backBuffer_.reset();
  display_.Close();
}

void TScreenManager::EnumModesCallback(const TDisplayMode& mode) {
  if (int64_t{mode.Width} < width_ || int64_t{mode.Height} < height_ || mode.BitCount < 16) return;
  modes_.push_back(mode);
  const int index = GetModeCount() - 1;
  if (BestMode < 0) {
    BestMode = index;
    return;
  }
  const auto preferred = [this](const TDisplayMode& m) {
    return int64_t{m.Width} == preferredWidth_ && int64_t{m.Height} == preferredHeight_;
  };
  const TDisplayMode& best = modes_[static_cast<size_t>(BestMode)];
  if (!preferred(mode)) return;
  if (!preferred(best)) {
    BestMode = index;
    return;
  }
  const bool desktopDepth = int64_t{mode.BitCount} == desktopBitCount_;
  if (desktopDepth && (int64_t{best.BitCount} != desktopBitCount_ || best.RefreshRate > mode.RefreshRate))
    BestMode = index;
}

TDisplayMode TScreenManager::GetMode(int index) const {
  return IsModeIndex(index) ? modes_[static_cast<size_t>(index)] : TDisplayMode{};
}

TCustomDIBX* TScreenManager::BackBuffer() const { return backBuffer_.get(); }

void TScreenManager::MakeBackBuffer(int bits) {
  backBuffer_ = std::make_unique<TDIBX>();
  backBuffer_->SetSize(width_, height_, bits);
  panel_.SetDepth(bits);
}

void TScreenManager::SetMode(int index) {
  if (index == mode_) return;
  const int32_t old = mode_;
  mode_ = index;
  ReleaseDC();
  if ((old >= 0) != (index >= 0) && display_.IsOpen()) {
    backBuffer_.reset();
    display_.Close();
  }
  Reset();
  if (mode_ >= 0 && !display_.IsOpen()) {
    // The full-screen set-up failed: the display stays in the window.
    mode_ = -1;
    Reset();
  }
}

void TScreenManager::Reset() {
  fullScreen_ = false;
  backBuffer_.reset();
  const auto fallback = [this] {
    MakeBackBuffer(16);
    backBufferBitCount_ = 16;
  };
  if (!display_.IsOpen() && (!display_.Available() || !display_.Open())) {
    fallback();
    return;
  }
  TDisplayMode current;
  bool is555 = false;
  if (mode_ >= 0) {
    if (!display_.SetExclusive(true)) {
      display_.Close();
      return;
    }
    if (!IsModeIndex(mode_) || !display_.SetDisplayMode(GetMode(mode_))) {
      display_.SetExclusive(false);
      display_.Close();
      return;
    }
    if (display_.GetCurrentMode(current, is555)) displayBitCount_ = static_cast<int32_t>(current.BitCount);
    const int bits = displayBitCount_ < 16 || is555 ? 15 : displayBitCount_ == 16 ? 16 : 32;
    MakeBackBuffer(bits);
    backBufferBitCount_ = bits;
    fullScreen_ = true;
    return;
  }
  // The window always gets a back buffer, at 16 bits when the display cannot be asked.
  if (!display_.SetExclusive(false)) {
    display_.Close();
    fallback();
    return;
  }
  if (!display_.GetCurrentMode(current, is555)) {
    fallback();
    return;
  }
  displayBitCount_ = static_cast<int32_t>(current.BitCount);
  MakeBackBuffer(is555 ? 15 : displayBitCount_ <= 16 ? 16 : 32);
  backBufferBitCount_ = backBuffer_->GetBitCount();
}

TScreenDC& TScreenManager::GetDC() {
  if (!dc_) dc_ = &panel_.GetDC();
  return *dc_;
}

void TScreenManager::ReleaseDC() {
  if (!dc_) return;
  dc_ = nullptr;
  panel_.ReleaseDC();
}

void TScreenManager::ReleaseAll() {
  ReleaseDC();
  backBuffer_.reset();
  display_.Close();
  mode_ = -2;
}

void TScreenManager::Present(TOrvaBaseList& scene) {
  struct TPresentGuard {
    TScreenManager& manager;
    TOrvaBaseList& scene;
    ~TPresentGuard() {
      manager.ReleaseDC();
      scene.GetLayer(0)->DirtyRects().Clear();
      scene.GetLayer(1)->DirtyRects().Clear();
    }
  } guard{*this, scene};
  TCustomDIBX* picture = scene.GetImage();
  if (!picture || picture->IsEmpty()) return;
  TScreenDC& dc = GetDC();
  const int32_t zoom = scene.Zoom;
  const int32_t w = scene.GetWidth(), h = scene.GetHeight();
  if (zoom % 100 > 0) {
    picture->StretchToDC(dc, 0, 0, Scaled(w, zoom), Scaled(h, zoom), 0, 0, w, h);
    return;
  }
  const auto copy = [&](const TRect& r) {
    if (r.IsEmpty()) return;
    const int32_t left = Scaled(r.Left, zoom), top = Scaled(r.Top, zoom);
    picture->StretchToDC(dc, left, top, Scaled(r.Right, zoom) - left, Scaled(r.Bottom, zoom) - top, r.Left, r.Top,
                         r.Width(), r.Height());
  };
  const TRect all = scene.RedrawAllRect();
  if (!all.IsEmpty()) {
    copy(all);
    return;
  }
  const TClipList& dirty = scene.ActiveLayer()->DirtyRects();
  for (int i = 0; i < dirty.Count(); ++i) copy(dirty.GetRect(i));
}

}  // namespace orva

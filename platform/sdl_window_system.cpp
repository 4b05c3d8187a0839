#include "platform/sdl_window_system.h"

#include <SDL.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>

#include "platform/close_signals.h"
#include "platform/message_box.h"
#include "platform/sdl_keys.h"
#include "platform/text_input.h"

namespace orva {

namespace {

using TKind = TWindowEvent::TKind;
using TButton = TWindowEvent::TButton;

// Focus changes this long after one of the player's own boxes closed are the box's doing.
constexpr uint32_t kBoxFocusGrace = 300;
// A signal does not wake a wait for events: a wait looks for a close signal this often.
constexpr int kSignalLookMs = 100;

uint32_t BitCountOf(uint32_t format) {
  // 24-bit colour kept in 32-bit pixels counts as a 32-bit display.
  return SDL_BYTESPERPIXEL(format) == 4 ? 32 : SDL_BITSPERPIXEL(format);
}

uint32_t SdlFormatOf(TShownLayout layout) {
  switch (layout) {
    case TShownLayout::RGB565: return SDL_PIXELFORMAT_RGB565;
    case TShownLayout::RGB555: return SDL_PIXELFORMAT_RGB555;
    case TShownLayout::XRGB8888: break;
  }
  return SDL_PIXELFORMAT_RGB888;
}

bool Is555(uint32_t format) {
  return format == SDL_PIXELFORMAT_RGB555 || format == SDL_PIXELFORMAT_BGR555 ||
         format == SDL_PIXELFORMAT_ARGB1555 || format == SDL_PIXELFORMAT_XRGB1555;
}

class TSdlWindowSystem;

class TSdlDisplay final : public TDisplayControl {
 public:
  explicit TSdlDisplay(TSdlWindowSystem& owner) : owner_(owner) {}
  bool Available() override { return SDL_GetNumVideoDisplays() > 0; }
  bool Open() override {
    open_ = Available();
    return open_;
  }
  void Close() override;
  bool IsOpen() override { return open_; }
  bool SetExclusive(bool exclusive) override;
  bool GetCurrentMode(TDisplayModeInfo& mode, bool& is555) override;
  std::vector<TDisplayModeInfo> EnumModes() override;
  bool SetDisplayMode(const TDisplayModeInfo& mode) override;

 private:
  int DisplayIndex();
  void LeaveFullScreen();

  TSdlWindowSystem& owner_;
  bool open_ = false;
  bool exclusive_ = false;
};

class TSdlBoxes final : public TMessageBoxService {
 public:
  explicit TSdlBoxes(TSdlWindowSystem& owner) : owner_(owner) {}
  TMsgResult Show(const std::string& text, const std::string& caption, TMsgButtons buttons, TMsgIcon icon) override;

 private:
  TSdlWindowSystem& owner_;
};

// The input method and the clipboard through SDL. Text input starts off: SDL turns it on at
// start-up, and an input method would otherwise take the game's keys.
class TSdlTextInput final : public TTextInputService {
 public:
  explicit TSdlTextInput(TSdlWindowSystem& owner) : owner_(owner) { SDL_StopTextInput(); }
  void SetTextInput(bool on) override {
    if (on) SDL_StartTextInput();
    else SDL_StopTextInput();
  }
  bool TextInputOn() override { return SDL_IsTextInputActive() == SDL_TRUE; }
  void SetCandidateRect(const TWinRect& rect) override;
  std::string ClipboardText() override {
    char* text = SDL_GetClipboardText();
    std::string copy = text ? text : "";
    SDL_free(text);
    return copy;
  }
  void SetClipboardText(const std::string& text) override { SDL_SetClipboardText(text.c_str()); }

 private:
  TSdlWindowSystem& owner_;
};

class TSdlWindowSystem final : public TWindowSystem {
 public:
  TSdlWindowSystem() : display_(*this), boxes_(*this), textInput_(*this) { closeEvent_ = SDL_RegisterEvents(1); }
  ~TSdlWindowSystem() override {
    Unlock();
    if (cursor_) SDL_FreeCursor(cursor_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
  }

  uint32_t Milliseconds() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
  }
  void Sleep(uint32_t ms) override { SDL_Delay(ms); }
  bool IsVirtual() const override { return false; }

  void CreateWindow(const std::string& title, int clientWidth, int clientHeight) override {
    width_ = std::max(clientWidth, 1);
    height_ = std::max(clientHeight, 1);
    if (!window_) {
      window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width_, height_,
                                 SDL_WINDOW_HIDDEN);
      if (!window_) return;
      renderer_ = SDL_CreateRenderer(window_, -1, 0);
      if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    } else {
      SDL_SetWindowTitle(window_, title.c_str());
    }
    SetClientSize(clientWidth, clientHeight);
  }

  void ShowWindow() override {
    if (!window_) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
      pending_.push_back(WindowEvent(TKind::Activate));
    Render();
  }

  void SetTitle(const std::string& title) override {
    if (window_) SDL_SetWindowTitle(window_, title.c_str());
  }

  void SetClientSize(int width, int height) override {
    Unlock();
    clientWidth_ = std::max(width, 0);
    clientHeight_ = std::max(height, 0);
    pixels_.assign(static_cast<size_t>(clientWidth_) * static_cast<size_t>(clientHeight_), 0);
    stale_ = {};
    if (!window_) return;
    if (!fullScreen_) SDL_SetWindowSize(window_, std::max(clientWidth_, 1), std::max(clientHeight_, 1));
    MakeTexture();
    Render();
  }

  int ClientWidth() override { return clientWidth_; }
  int ClientHeight() override { return clientHeight_; }

  TWinRect FrameRect() override {
    int x = 0, y = 0, top = 0, left = 0, bottom = 0, right = 0;
    if (window_) {
      SDL_GetWindowPosition(window_, &x, &y);
      SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right);
    }
    return {x - left, y - top, x + clientWidth_ + right, y + clientHeight_ + bottom};
  }

  void MoveWindow(int left, int top) override {
    if (!window_ || fullScreen_) return;
    int bTop = 0, bLeft = 0, bBottom = 0, bRight = 0;
    SDL_GetWindowBordersSize(window_, &bTop, &bLeft, &bBottom, &bRight);
    SDL_SetWindowPosition(window_, left + bLeft, top + bTop);
  }

  void SetBordered(bool bordered) override {
    if (window_) SDL_SetWindowBordered(window_, bordered ? SDL_TRUE : SDL_FALSE);
  }

  TWinRect WorkArea() override {
    SDL_Rect r{0, 0, 0, 0};
    const int index = window_ ? std::max(SDL_GetWindowDisplayIndex(window_), 0) : 0;
    if (SDL_GetDisplayUsableBounds(index, &r) != 0 && SDL_GetDisplayBounds(index, &r) != 0) r = {0, 0, 1024, 768};
    return {r.x, r.y, r.x + r.w, r.y + r.h};
  }

  uint32_t* Pixels() override {
    TakeBackDrawn();
    return pixels_.data();
  }

  void Flush(const std::vector<TWinRect>& changed) override {
    if (!texture_) return;
    for (const TWinRect& c : changed) Upload(c);
    Render();
  }

  void SetSceneLayout(TShownLayout layout) override {
    sceneLayout_ = layout;
    KeepTextureLayout();
  }

  TShownRows OpenRect(const TWinRect& rect) override {
    if (texture_ && !rect.IsEmpty()) {
      const TShownRows rows = Lock(rect);
      if (rows.Pixels) {
        stale_ = stale_.IsEmpty() ? rect
                                  : TWinRect{std::min(stale_.Left, rect.Left), std::min(stale_.Top, rect.Top),
                                             std::max(stale_.Right, rect.Right), std::max(stale_.Bottom, rect.Bottom)};
        return rows;
      }
    }
    // No texture: the picture is drawn as the shell draws, and shown by nothing.
    return {reinterpret_cast<uint8_t*>(pixels_.data() + static_cast<ptrdiff_t>(rect.Top) * clientWidth_ + rect.Left),
            static_cast<ptrdiff_t>(clientWidth_) * 4, TShownLayout::XRGB8888};
  }

  void ShowOpened() override { Render(); }

  bool PollEvent(TWindowEvent& event) override {
    if (TakeCloseSignal()) {
      event = WindowEvent(TKind::Close);
      return true;
    }
    if (!pending_.empty()) {
      event = pending_.front();
      pending_.pop_front();
      return true;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (Translate(e, event)) return true;
    return false;
  }

  void WaitEvent() override {
    if (!pending_.empty()) return;
    while (!CloseSignalPending() && SDL_WaitEventTimeout(nullptr, kSignalLookMs) == 0) {
    }
  }

  void PostClose() override {
    SDL_Event e{};
    e.type = closeEvent_;
    SDL_PushEvent(&e);
  }

  bool IsShown() override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN); }

  TWinPoint CursorPos() override {
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    return ToClient(x, y);
  }

  void WarpMouse(TWinPoint client) override {
    if (!window_) return;
    const TWinPoint offset = Offset();
    SDL_WarpMouseInWindow(window_, client.X + offset.X, client.Y + offset.Y);
  }

  void SetCursor(const TCursorImage* image) override {
    SDL_Cursor* made = nullptr;
    if (image && image->Width > 0 && image->Height > 0 &&
        image->Pixels.size() == static_cast<size_t>(image->Width) * static_cast<size_t>(image->Height)) {
      std::vector<uint32_t> copy = image->Pixels;
      SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), image->Width, image->Height, 32,
                                                                image->Width * 4, SDL_PIXELFORMAT_ARGB8888);
      if (surface) {
        made = SDL_CreateColorCursor(surface, image->HotX, image->HotY);
        SDL_FreeSurface(surface);
      }
    }
    SDL_SetCursor(made ? made : SDL_GetDefaultCursor());
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = made;
  }

  void InhibitScreenSaver() override { SDL_DisableScreenSaver(); }
  void OpenAddress(const std::string& address) override { SDL_OpenURL(address.c_str()); }

  TDisplayControl& Display() override { return display_; }
  TMessageBoxService& MessageBoxes() override { return boxes_; }
  TTextInputService& TextInput() override { return textInput_; }

  // ---- For the display control, the boxes and the text input ----
  // Client coordinates to window coordinates.
  TWinPoint ToWindow(TWinPoint client) {
    const TWinPoint offset = Offset();
    return {client.X + offset.X, client.Y + offset.Y};
  }
  SDL_Window* Window() const { return window_; }
  void SetFullScreen(bool on) {
    fullScreen_ = on;
    KeepTextureLayout();  // the mode may have another depth
    Render();
  }
  void BoxShown(uint32_t start, uint32_t end) {
    boxStart_ = start;
    boxEnd_ = end;
    if (window_) SDL_RaiseWindow(window_);
  }
  void Render() {
    Unlock();
    // A hidden window is drawn when it is shown.
    if (!renderer_ || !texture_ || !(SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN)) return;
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(renderer_, &outW, &outH);
    const TWinPoint offset = Offset();
    const SDL_Rect target{offset.X, offset.Y, clientWidth_, clientHeight_};
    // Only a full screen larger than the picture shows a border to clear.
    if (offset.X != 0 || offset.Y != 0 || outW != clientWidth_ || outH != clientHeight_) {
      SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
      SDL_RenderClear(renderer_);
    }
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
    SDL_RenderPresent(renderer_);
  }

 private:
  // The texture's layout: a 16-bit scene's own where the renderer takes it as it is and the
  // window shows it as it is, so that presenting it is a copy and every pixel stays what
  // the scene's colour widened to 24 bits would show. Elsewhere 0x00RRGGBB: SDL would widen
  // a 16-bit texture its own way (rounding, not copying the high bits down), and a renderer
  // that does not take the layout would convert it again.
  TShownLayout TextureLayout() {
    if (sceneLayout_ == TShownLayout::XRGB8888 || !renderer_) return TShownLayout::XRGB8888;
    const uint32_t wanted = SdlFormatOf(sceneLayout_);
    SDL_RendererInfo info;
    if (SDL_GetWindowPixelFormat(window_) != wanted || SDL_GetRendererInfo(renderer_, &info) != 0)
      return TShownLayout::XRGB8888;
    for (uint32_t i = 0; i < info.num_texture_formats; ++i)
      if (info.texture_formats[i] == wanted) return sceneLayout_;
    return TShownLayout::XRGB8888;
  }

  void KeepTextureLayout() {
    if (!texture_ || TextureLayout() == textureLayout_) return;
    TakeBackDrawn();
    MakeTexture();
  }

  // A new texture for the client picture, showing pixels_.
  void MakeTexture() {
    Unlock();
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    stale_ = {};
    if (!renderer_) return;
    textureLayout_ = TextureLayout();
    texture_ = SDL_CreateTexture(renderer_, SdlFormatOf(textureLayout_), SDL_TEXTUREACCESS_STREAMING,
                                 std::max(clientWidth_, 1), std::max(clientHeight_, 1));
    if (texture_) Upload({0, 0, std::max(clientWidth_, 1), std::max(clientHeight_, 1)});
  }

  TShownRows Lock(const TWinRect& r) {
    Unlock();
    const SDL_Rect area{r.Left, r.Top, r.Width(), r.Height()};
    void* pixels = nullptr;
    int pitch = 0;
    if (!texture_ || SDL_LockTexture(texture_, &area, &pixels, &pitch) != 0) return {};
    locked_ = true;
    return {static_cast<uint8_t*>(pixels), pitch, textureLayout_};
  }

  void Unlock() {
    if (!locked_) return;
    SDL_UnlockTexture(texture_);
    locked_ = false;
  }

  // Copies a rectangle of the client picture into the texture.
  void Upload(const TWinRect& c) {
    const TWinRect r{std::max(c.Left, 0), std::max(c.Top, 0), std::min(c.Right, clientWidth_),
                     std::min(c.Bottom, clientHeight_)};
    if (r.IsEmpty()) return;
    const TShownRows rows = Lock(r);
    if (!rows.Pixels) return;
    for (int y = 0; y < r.Height(); ++y)
      XRGBToShownRow(textureLayout_, pixels_.data() + static_cast<ptrdiff_t>(r.Top + y) * clientWidth_ + r.Left,
                     r.Width(), rows.Pixels + y * rows.Pitch);
    Unlock();
  }

  // Brings what was drawn straight into the texture back into the client picture. A
  // streaming texture keeps what was written into it between locks with every renderer SDL 2
  // has.
  void TakeBackDrawn() {
    if (stale_.IsEmpty()) return;
    const TWinRect r = stale_;
    stale_ = {};
    const TShownRows rows = Lock(r);
    if (!rows.Pixels) return;
    for (int y = 0; y < r.Height(); ++y)
      ShownRowToXRGB(textureLayout_, rows.Pixels + y * rows.Pitch, r.Width(),
                     pixels_.data() + static_cast<ptrdiff_t>(r.Top + y) * clientWidth_ + r.Left);
    Unlock();
  }

  // Where the client picture sits in the window: centred in a full screen larger than it.
  TWinPoint Offset() {
    if (!fullScreen_ || !window_) return {};
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    return {std::max((w - clientWidth_) / 2, 0), std::max((h - clientHeight_) / 2, 0)};
  }

  TWinPoint ToClient(int x, int y) {
    const TWinPoint offset = Offset();
    return {x - offset.X, y - offset.Y};
  }

  static TButton ButtonOf(uint8_t button) {
    return button == SDL_BUTTON_LEFT    ? TButton::Left
           : button == SDL_BUTTON_RIGHT ? TButton::Right
           : button == SDL_BUTTON_MIDDLE ? TButton::Middle
                                         : TButton::Other;
  }

  bool FromBox(uint32_t timestamp) const {
    return boxEnd_ != 0 && static_cast<int32_t>(timestamp - boxStart_) >= 0 &&
           static_cast<int32_t>(boxEnd_ + kBoxFocusGrace - timestamp) >= 0;
  }

  bool Translate(const SDL_Event& e, TWindowEvent& out) {
    out = {};
    if (e.type == closeEvent_) {
      out.Kind = TKind::Close;
      return true;
    }
    switch (e.type) {
      case SDL_QUIT:
        out.Kind = TKind::Close;
        return true;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            out.Kind = TKind::Close;
            return true;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // The player's own boxes take the focus for a moment: that is no change of
            // foreground.
            if (FromBox(e.window.timestamp)) return false;
            out.Kind = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? TKind::Activate : TKind::Deactivate;
            return true;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_RESTORED:
            Render();
            out.Kind = TKind::Expose;
            return true;
          default:
            return false;
        }
      case SDL_MOUSEMOTION:
        out.Kind = TKind::MouseMove;
        out.Pos = ToClient(e.motion.x, e.motion.y);
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        out.Kind = e.type == SDL_MOUSEBUTTONDOWN ? TKind::MouseDown : TKind::MouseUp;
        out.Button = ButtonOf(e.button.button);
        out.Pos = ToClient(e.button.x, e.button.y);
        out.Shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
        out.Control = (SDL_GetModState() & KMOD_CTRL) != 0;
        return true;
      case SDL_MOUSEWHEEL: {
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        if (y == 0) return false;
        out.Kind = TKind::Wheel;
        out.WheelDown = y < 0;
        return true;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        const int key = VirtualKeyOfSdlKey(e.key.keysym.sym);
        if (key == 0) return false;
        out.Kind = e.type == SDL_KEYDOWN ? TKind::KeyDown : TKind::KeyUp;
        out.VirtualKey = key;
        out.Repeat = e.key.repeat != 0;
        out.Shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
        out.Control = (e.key.keysym.mod & KMOD_CTRL) != 0;
        return true;
      }
      case SDL_TEXTINPUT:
        out.Kind = TKind::TextInput;
        out.Text = e.text.text;
        return true;
      case SDL_TEXTEDITING:
        out.Kind = TKind::TextEditing;
        out.Text = e.edit.text;
        return true;
      case SDL_TEXTEDITING_EXT:
        out.Kind = TKind::TextEditing;
        out.Text = e.editExt.text ? e.editExt.text : "";
        SDL_free(e.editExt.text);
        return true;
      case SDL_AUDIODEVICEREMOVED:
        if (e.adevice.iscapture) return false;
        out.Kind = TKind::AudioDeviceRemoved;
        out.AudioDevice = e.adevice.which;
        return true;
      default:
        return false;
    }
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  TShownLayout sceneLayout_ = TShownLayout::XRGB8888, textureLayout_ = TShownLayout::XRGB8888;
  bool locked_ = false;
  // Where the texture holds what was drawn through OpenRect and pixels_ does not.
  TWinRect stale_;
  SDL_Cursor* cursor_ = nullptr;
  uint32_t closeEvent_ = 0;
  int width_ = 0, height_ = 0;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool fullScreen_ = false;
  uint32_t boxStart_ = 0, boxEnd_ = 0;
  std::vector<uint32_t> pixels_;
  std::deque<TWindowEvent> pending_;
  TSdlDisplay display_;
  TSdlBoxes boxes_;
  TSdlTextInput textInput_;
};

void TSdlTextInput::SetCandidateRect(const TWinRect& rect) {
  const TWinPoint at = owner_.ToWindow({rect.Left, rect.Top});
  SDL_Rect r{at.X, at.Y, rect.Width(), rect.Height()};
  SDL_SetTextInputRect(&r);
}

// ---- Display ----

int TSdlDisplay::DisplayIndex() {
  SDL_Window* window = owner_.Window();
  return window ? std::max(SDL_GetWindowDisplayIndex(window), 0) : 0;
}

void TSdlDisplay::LeaveFullScreen() {
  SDL_Window* window = owner_.Window();
  if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowFullscreen(window, 0);
  owner_.SetFullScreen(false);
}

void TSdlDisplay::Close() {
  // Releasing the control gives the desktop its mode back.
  if (open_) LeaveFullScreen();
  open_ = false;
  exclusive_ = false;
}

bool TSdlDisplay::SetExclusive(bool exclusive) {
  if (!open_) return false;
  if (!exclusive) LeaveFullScreen();
  exclusive_ = exclusive;
  return true;
}

bool TSdlDisplay::GetCurrentMode(TDisplayModeInfo& mode, bool& is555) {
  if (!open_) return false;
  SDL_DisplayMode m;
  if (SDL_GetCurrentDisplayMode(DisplayIndex(), &m) != 0) return false;
  mode = {static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h), BitCountOf(m.format),
          static_cast<uint32_t>(std::max(m.refresh_rate, 0))};
  is555 = Is555(m.format);
  return true;
}

std::vector<TDisplayModeInfo> TSdlDisplay::EnumModes() {
  std::vector<TDisplayModeInfo> modes;
  if (!open_) return modes;
  const int display = DisplayIndex();
  for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
    modes.push_back({static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h), BitCountOf(m.format),
                     static_cast<uint32_t>(std::max(m.refresh_rate, 0))});
  }
  return modes;
}

bool TSdlDisplay::SetDisplayMode(const TDisplayModeInfo& wanted) {
  SDL_Window* window = owner_.Window();
  if (!open_ || !exclusive_ || !window) return false;
  const int display = DisplayIndex();
  for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
    const TDisplayModeInfo info{static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h), BitCountOf(m.format),
                                static_cast<uint32_t>(std::max(m.refresh_rate, 0))};
    if (!(info == wanted)) continue;
    if (SDL_SetWindowDisplayMode(window, &m) != 0 || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)
      return false;
    owner_.SetFullScreen(true);
    return true;
  }
  return false;
}

// ---- Boxes ----

TMsgResult TSdlBoxes::Show(const std::string& text, const std::string& caption, TMsgButtons buttons, TMsgIcon icon) {
  struct TChoice {
    const char* label;
    TMsgResult result;
  };
  std::vector<TChoice> choices;
  switch (buttons) {
    case TMsgButtons::OK: choices = {{"OK", TMsgResult::OK}}; break;
    case TMsgButtons::OKCancel: choices = {{"OK", TMsgResult::OK}, {"キャンセル", TMsgResult::Cancel}}; break;
    case TMsgButtons::YesNo: choices = {{"はい", TMsgResult::Yes}, {"いいえ", TMsgResult::No}}; break;
    case TMsgButtons::YesNoCancel:
      choices = {{"はい", TMsgResult::Yes}, {"いいえ", TMsgResult::No}, {"キャンセル", TMsgResult::Cancel}};
      break;
  }
  std::vector<SDL_MessageBoxButtonData> data;
  for (size_t i = 0; i < choices.size(); ++i) {
    uint32_t flags = 0;
    if (i == 0) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (i + 1 == choices.size()) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data.push_back({flags, static_cast<int>(i), choices[i].label});
  }
  const uint32_t kind = icon == TMsgIcon::Error     ? SDL_MESSAGEBOX_ERROR
                        : icon == TMsgIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                    : SDL_MESSAGEBOX_INFORMATION;
  SDL_Window* parent = owner_.Window();
  if (parent && !(SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN)) parent = nullptr;
  const SDL_MessageBoxData box{kind,
                               parent,
                               caption.c_str(),
                               text.c_str(),
                               static_cast<int>(data.size()),
                               data.data(),
                               nullptr};
  const uint32_t start = SDL_GetTicks();
  int pressed = -1;
  const int status = SDL_ShowMessageBox(&box, &pressed);
  owner_.BoxShown(start, SDL_GetTicks());
  // Nobody could be asked (no box service on this display): the caller decides.
  if (status != 0) return TMsgResult::None;
  if (pressed < 0 || pressed >= static_cast<int>(choices.size()))
    return buttons == TMsgButtons::OK ? TMsgResult::OK : TMsgResult::Cancel;
  return choices[static_cast<size_t>(pressed)].result;
}

}  // namespace

std::unique_ptr<TWindowSystem> CreateSdlWindowSystem(std::string& error) {
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // Compositions longer than one short event arrive whole.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  // The program takes the close signals itself (platform/close_signals.h).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    error = SDL_GetError();
    return nullptr;
  }
  return std::make_unique<TSdlWindowSystem>();
}

}  // namespace orva

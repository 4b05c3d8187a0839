#include "shell/form_view.h"

#include <cstdio>
#include <fstream>

#include "core/app_control.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/frame_clock.h"
#include "core/game_path.h"
#include "core/main_thread_jobs.h"
#include "core/paths.h"
#include "film/film.h"
#include "film/mask_images.h"
#include "film/wipe_classes.h"
#include "graphics/custom_dibx.h"
#include "graphics/dib.h"
#include "platform/audio_output.h"
#include "platform/message_box.h"
#include "platform/program_file.h"
#include "platform/resources.h"
#include "platform/text_input.h"
#include "scene/base_list.h"
#include "scene/color_tables.h"
#include "scene/engine_variables.h"
#include "scene/image_cache.h"
#include "scene/scene_picture_link.h"
#include "script/param_collection.h"
#include "script/project.h"
#include "script/save_file.h"
#include "script/sys_func_man.h"
#include "shell/media_system.h"
#include "shell/screen_manager.h"
#include "shell/shell_media.h"
#include "text/history.h"
#include "text/read_marks.h"
#include "text/text_globals.h"

namespace orva {

namespace {

constexpr int kDock = TToolbar::DockHeight;
static_assert(TFormView::kHeadlessLookSteps % kLongRunSteps == 0, "a look comes after whole checks");

std::string ProgramDirectory() { return ExtractFilePath(GamePath(ProgramFileName())); }

// Whether the file's last two bytes are the tag.
bool EndsWithTag(const std::string& realPath, const char* tag) {
  std::ifstream in(realPath, std::ios::binary | std::ios::ate);
  if (!in || in.tellg() < 2) return false;
  in.seekg(-2, std::ios::end);
  char last[2] = {};
  in.read(last, 2);
  return in && last[0] == tag[0] && last[1] == tag[1];
}

bool ResourceEndsWithTag(const char* type, const char* name, const char* tag) {
  const auto bytes = FindResource(type, name);
  return bytes && bytes->size() >= 2 && (*bytes)[bytes->size() - 2] == tag[0] && (*bytes)[bytes->size() - 1] == tag[1];
}

}  // namespace

// The screen as the scene sees it: the back buffer and its depth, and the cursor on the panel.
class TFormView::TScreenService final : public TSceneScreen {
 public:
  explicit TScreenService(TFormView& form) : form_(form) {}
  int BitCount() override { return ScreenManager ? ScreenManager->BackBufferBitCount() : 15; }
  TCustomDIBX* BackBuffer() override { return ScreenManager ? ScreenManager->BackBuffer() : nullptr; }
  TPoint CursorPos() override {
    const TWinPoint p = form_.window_.CursorPos();
    return {p.X - form_.BasePanel.Origin().X, p.Y - form_.BasePanel.Origin().Y};
  }

 private:
  TFormView& form_;
};

// The window's input method for the text boxes, whose places are the scene panel's.
class TFormView::TPanelTextInput final : public TTextInputService {
 public:
  explicit TPanelTextInput(TFormView& form) : form_(form) {}
  void SetTextInput(bool on) override { Window().SetTextInput(on); }
  bool TextInputOn() override { return Window().TextInputOn(); }
  void SetCandidateRect(const TWinRect& rect) override {
    const TWinPoint origin = form_.BasePanel.Origin();
    Window().SetCandidateRect({rect.Left + origin.X, rect.Top + origin.Y, rect.Right + origin.X, rect.Bottom + origin.Y});
  }
  std::string ClipboardText() override { return Window().ClipboardText(); }
  void SetClipboardText(const std::string& text) override { Window().SetClipboardText(text); }

 private:
  TTextInputService& Window() { return form_.window_.TextInput(); }
  TFormView& form_;
};

TFormView::TFormView(TWindowSystem& window, TShellMedia& media, TPlayerSetup setup)
    : BasePanel(window),
      window_(window),
      media_(media),
      setup_(std::move(setup)),
      screenService_(std::make_unique<TScreenService>(*this)),
      textInput_(std::make_unique<TPanelTextInput>(*this)),
      cursor_(window),
      capture_(setup_.CapturePath),
      audioCapture_(setup_.AudioCapturePath) {
  if (audioCapture_.Enabled()) SetHeadlessAudioCapture(true);
}

TFormView::~TFormView() {
  Cleanup();
  capture_.Finish();
  if (audioCapture_.Enabled()) {
    audioCapture_.Finish();
    SetHeadlessAudioCapture(false);
  }
}

// ==== Creation ====

void TFormView::FormCreate() {
  SetMainWindowCloseHandler([this] { window_.PostClose(); });
  SetLongRunHandler([this] { LongRun(); });
  SetScreenLink(this);
  SetTextInputService(textInput_.get());
  TSceneServices services = savedServices_ = GetSceneServices();
  services.Screen = screenService_.get();
  services.Cursor = &cursor_;
  SetSceneServices(services);
  maskImages_ = std::make_unique<TGameMaskImages>(ReadMaskImageFrame);
  RegisterWipeClasses(maskImages_.get());
  RegisterFilms();
  window_.CreateWindow("", 640, 480 + kDock);
  try {
    media_.ReadSettings();
    if (!FileManager) InitFileManager();
    FileManager->AddArchive("");
    if (!setup_.Arguments.empty()) {
      FileManager->SetDirectory(setup_.Arguments.front());
      for (const std::string& directory : setup_.Arguments) {
        const std::string archive = AddBackSlash(directory) + "game.dat";
        if (GameFileExists(archive)) FileManager->AddArchive(archive);
      }
    } else {
      FileManager->SetDirectory(setup_.ProgramDirectory.empty() ? ProgramDirectory() : setup_.ProgramDirectory);
      const std::string program = ProgramFileName();
      if (ResourceEndsWithTag("BINTYPE", "DUMMY", "vf"))
        FileManager->AddResourceArchive(GamePath(program), "DUMMY", "BINTYPE");
      if (EndsWithTag(program, "ov")) FileManager->AddArchive(GamePath(program));
    }
    vars_ = std::make_unique<TParamCollection>();
    functions_ = std::make_unique<TSysFuncMan>(*vars_);
    vars_->SetFunctions(functions_.get());
    engine_ = std::make_unique<TEngineVariables>(*vars_);
    engine_->SetDisplay(this);
    engine_->SetMidi(media_.MidiLink());
    vars_->SetSystemVariables(engine_.get());
    InitPlayer();
  } catch (const Exception& e) {
    startFailure_ = e.Message();
    startFailureWhere_ = e.Where();
    ShowError(e.Message());
    FormClose();
  } catch (const std::exception& e) {
    startFailure_ = e.what();
    ShowError(e.what());
    FormClose();
  }
  if (QuitRequested && startFailure_.empty() && project_) {
    startFailure_ = project_->StartFailure();
    startFailureWhere_ = project_->StartFailureWhere();
  }
  if (QuitRequested) window_.PostClose();
}

void TFormView::InitPlayer() {
  try {
    media_.InitSoundDevice();
  } catch (...) {
    // The first sound tries again.
  }
  RegisterTextSubsystem();
  CreateSceneGlobals();
  SetInlinePictureSource(&inlinePictures_);
  SetSceneVariables(vars_.get());
  TOrvaBaseList& scene = *GetMainScene();
  functions_->SetScene(&scene.Link());
  pictures_ = std::make_unique<TScenePictureLink>(scene);
  functions_->SetPictures(pictures_.get());
  TSaveSections sections;
  sections.Scene = &scene.Link();
  sections.History = GetHistory();
  sections.ReadMarks = GetReadMarks();
  sections.ImageCache = GetImageCache();
  saves_ = std::make_unique<TSaveFile>(sections);
  engine_->SetHistory(GetHistory());
  TProjectSetup setup;
  setup.Arguments = setup_.Arguments;
  setup.ProgramDirectory = setup_.ProgramDirectory;
  setup.Scene = &scene.Link();
  setup.Text = &TextLink();
  setup.Saves = saves_.get();
  project_ = std::make_unique<TProject>(*vars_, std::move(setup));
  if (TOrvaImageCache* cache = GetImageCache()) cache->SetProject(project_.get());
  SetSceneProject(project_.get());
  maskImages_->SetProject(project_.get());
  functions_->SetProject(project_.get());
  engine_->SetCallMan(project_->CallMan());
  GetHistory()->SetInterpreter(project_->CallMan());
  engine_->SetProjectFile(&project_->Settings());
  window_.SetTitle(SjisToUtf8(project_->Title()));
  const TProjectFile& settings = project_->Settings();
  const int32_t width = settings.ScreenWidth, height = settings.ScreenHeight;
  media_.StartMediaSystem(width, height, settings.FullScreenWidth, settings.FullScreenHeight, settings.RegistryKey,
                          [this] { CreateScreenManager(); });
  SetupColorTables(ScreenBitCount());
  window_.SetClientSize(std::max(width, 0), std::max(height, 0) + kDock);
  const TWinRect work = window_.WorkArea(), frame = window_.FrameRect();
  window_.MoveWindow(work.Left + (work.Width() - frame.Width()) / 2, work.Top + (work.Height() - frame.Height()) / 2);
  scene.SetWidth(width);
  scene.SetHeight(height);
  PlacePanel();
}

void TFormView::CreateScreenManager() {
  const TProjectFile& settings = project_->Settings();
  if (settings.ScreenWidth <= 0 || settings.ScreenHeight <= 0) return;
  ScreenManager = std::make_unique<TScreenManager>(window_.Display(), BasePanel, settings.ScreenWidth,
                                                   settings.ScreenHeight, settings.FullScreenWidth,
                                                   settings.FullScreenHeight);
}

void TFormView::PlacePanel() {
  TOrvaBaseList* scene = GetMainScene();
  const int32_t width = scene ? scene->GetWidth() : 0, height = scene ? scene->GetHeight() : 0;
  SceneOffsetX = (window_.ClientWidth() - width) / 2;
  SceneOffsetY = ScreenManager && ScreenManager->FullScreen() ? (window_.ClientHeight() - height) / 2 : kDock;
  BasePanel.SetBounds({SceneOffsetX, SceneOffsetY, SceneOffsetX + width, SceneOffsetY + height});
}

int TFormView::Run() {
  window_.ShowWindow();
  window_.InhibitScreenSaver();
  PaintWindow();
  while (!closed_) {
    TWindowEvent event;
    while (!closed_ && NextEvent(event)) HandleEvent(event);
    if (closed_) break;
    if (ApplicationEventsIdle()) window_.WaitEvent();
  }
  return runaway_ ? 3 : 0;
}

// ==== Frame loop ====

bool TFormView::CanStep() { return !QuitRequested && Active && !closed_ && !runaway_ && ScreenManager; }

bool TFormView::Paced() { return project_ && project_->Settings().FramePacing; }

void TFormView::Sleep(uint32_t ms) { window_.Sleep(ms); }

bool TFormView::ApplicationEventsIdle() {
  bool done = true;
  try {
    done = Loop.Idle();
  } catch (const Exception& e) {
    // An error escaping a frame is shown, and the game goes on with the next frame.
    ReportFrameError(e.Message(), e.Subject());
    done = false;
  } catch (const std::exception& e) {
    ReportFrameError(e.what());
    done = false;
  }
  cursor_.Animate(window_.Milliseconds());
  media_.Idle();
  if (window_.IsVirtual()) {
    const uint32_t now = window_.Milliseconds();
    media_.PullHeadlessAudio(now - lastAudioPull_);
    if (audioCapture_.Enabled()) audioCapture_.Append(TakeHeadlessAudio(), now - lastAudioPull_);
    lastAudioPull_ = now;
    CheckFrameCap();
  }
  return done;
}

void TFormView::CheckFrameCap() {
  const int64_t frames = steps_ + longRunLooks_;
  if (setup_.FrameCap <= 0 || frames < setup_.FrameCap || runaway_) return;
  std::fprintf(stderr, "orva-player: stopped after %lld frames without an end\n", static_cast<long long>(frames));
  runaway_ = true;
  QuitRequested = true;
  window_.PostClose();
}

void TFormView::LongRun() {
  if (window_.IsVirtual()) {
    // Headless steps are time: a look's worth of them moves the clock and counts as a frame.
    if (++longRunChecks_ < kHeadlessLookSteps / kLongRunSteps) return;
    longRunChecks_ = 0;
    window_.Sleep(kLookMs);
    ++longRunLooks_;
    LookAtWindow();
    CheckFrameCap();
    return;
  }
  const uint32_t now = window_.Milliseconds();
  if (now - lastLook_ < kLookMs) return;
  lastLook_ = now;
  LookAtWindow();
}

void TFormView::LookAtWindow() {
  using TKind = TWindowEvent::TKind;
  TWindowEvent event;
  while (window_.PollEvent(event)) {
    // Nothing else may touch the scene in the middle of the run: the close ends the run
    // here and the window after the frame, the exit button asks here.
    if (event.Kind == TKind::Close) {
      QuitRequested = true;
    } else if (event.Kind == TKind::MouseDown && Toolbar.HitTest(event.Pos) == TToolbar::ExitButton) {
      Toolbar.Press(event.Pos);
      Toolbar.Draw(window_);
      continue;
    } else if (event.Kind == TKind::MouseUp && Toolbar.Pressed() == TToolbar::ExitButton) {
      const TToolbar::TButton clicked = Toolbar.Release(event.Pos);
      Toolbar.Draw(window_);
      if (clicked == TToolbar::ExitButton) ExitButtonClick();
    }
    heldEvents_.push_back(event);
  }
}

bool TFormView::NextEvent(TWindowEvent& event) {
  if (heldEvents_.empty()) return window_.PollEvent(event);
  event = heldEvents_.front();
  heldEvents_.pop_front();
  return true;
}

void TFormView::StepFrame() {
  ++steps_;
  struct TStepped {
    TWindowSystem& window;
    ~TStepped() { window.FrameStepped(); }
  } stepped{window_};
  if (!project_) return;
  TOrvaBaseList& scene = *GetMainScene();
  // What worker threads finished since the last step (the HTTP objects' requests).
  RunMainThreadJobs();
  FileManager->WorkFiles().Tick();
  DeleteTempFiles();
  scene.ProcessInput();
  if (!LogoDone) {
    LogoDone = logo_.Step(scene, window_);
  } else {
    lastLook_ = window_.Milliseconds();
    longRunChecks_ = 0;
    project_->Execute();
  }
  if (QuitRequested) return;
  scene.Idle();
  FrameCount = static_cast<int32_t>(static_cast<uint32_t>(FrameCount) + 1);
  if (project_->ProcessRequests()) RenderSkip = 1;
  if (RenderSkip > 0) {
    --RenderSkip;
    return;
  }
  scene.Paint();
  ScreenManager->Present(scene);
  overlays_.Present(*ScreenManager, scene, VideoManager.get());
  scene.GetLayer(0)->DirtyRects().Clear();
  scene.GetLayer(1)->DirtyRects().Clear();
  capture_.Capture(window_, BasePanel.Bounds(), FrameCount);
}

// ==== Messages ====

void TFormView::HandleEvent(const TWindowEvent& event) {
  using TKind = TWindowEvent::TKind;
  TOrvaBaseList* scene = GetMainScene();
  switch (event.Kind) {
    case TKind::Close:
      FormClose();
      break;
    case TKind::Activate:
      ApplicationActivate();
      break;
    case TKind::Deactivate:
      ApplicationDeactivate();
      break;
    case TKind::Expose:
      PaintWindow();
      break;
    case TKind::MouseDown:
      if (Toolbar.HitTest(event.Pos) != TToolbar::NoButton) {
        Toolbar.Press(event.Pos);
        Toolbar.Draw(window_);
      } else if (BasePanel.Bounds().Contains(event.Pos)) {
        // A text box lies above the panel: its clicks are its own.
        if (scene && Active &&
            scene->WindowMouseDown(PanelPoint(event.Pos), event.Button == TWindowEvent::TButton::Left, event.Shift))
          break;
        panelPressed_ = true;
        PanelMouseDown(event.Button);
      }
      break;
    case TKind::MouseUp: {
      panelPressed_ = false;
      if (scene) scene->WindowMouseUp();
      if (scene) scene->RecordButtonRelease();
      if (Toolbar.Pressed() != TToolbar::NoButton) {
        const TToolbar::TButton clicked = Toolbar.Release(event.Pos);
        Toolbar.Draw(window_);
        if (clicked == TToolbar::ExitButton) ExitButtonClick();
        if (clicked == TToolbar::ScreenButton) ScreenButtonClick();
      }
      break;
    }
    case TKind::MouseMove:
      if (scene && scene->WindowMouseMove(PanelPoint(event.Pos))) break;
      MouseMove(event.Pos);
      break;
    case TKind::Wheel:
      // A text box under the mouse scrolls instead of the scene hearing the wheel.
      if (scene && scene->WindowWheel(PanelPoint(window_.CursorPos()), event.WheelDown)) break;
      if (scene) scene->RecordWheel(event.WheelDown);
      break;
    case TKind::KeyDown:
      // While a text box holds the text focus the keys are its, not the scene's.
      if (Active && DispatchTextEvent(event)) break;
      KeyDown(event.VirtualKey, event.Repeat);
      break;
    case TKind::KeyUp:
      if (DispatchTextEvent(event)) break;
      if (scene && event.VirtualKey >= 0 && event.VirtualKey < 256) scene->SetKeyState(event.VirtualKey, false);
      break;
    case TKind::TextInput:
    case TKind::TextEditing:
      if (Active) DispatchTextEvent(event);
      break;
    case TKind::AudioDeviceRemoved:
      media_.AudioDeviceRemoved(event.AudioDevice);
      break;
  }
}

TPoint TFormView::PanelPoint(TWinPoint client) const {
  return {client.X - BasePanel.Origin().X, client.Y - BasePanel.Origin().Y};
}

void TFormView::PanelMouseDown(TWindowEvent::TButton button) {
  TOrvaBaseList* scene = GetMainScene();
  if (!Active || !scene) return;
  using TButton = TWindowEvent::TButton;
  using TMouse = TOrvaBaseList::TMouseButton;
  scene->RecordButtonPress(button == TButton::Left ? TMouse::Left : button == TButton::Right ? TMouse::Right : TMouse::Middle);
}

void TFormView::MouseMove(TWinPoint pos) {
  const bool overPanel = BasePanel.Bounds().Contains(pos);
  cursor_.SetOverPanel(overPanel && !(Toolbar.Visible && Toolbar.HitTest(pos) != TToolbar::NoButton));
  if (TOrvaBaseList* scene = GetMainScene(); scene && (overPanel || panelPressed_)) {
    // The system cursor's place now, not the message's.
    const TWinPoint cursor = window_.CursorPos();
    scene->RecordMousePos({cursor.X - BasePanel.Origin().X, cursor.Y - BasePanel.Origin().Y});
  }
  // In full screen the toolbar shows while the mouse is on the top row of the screen; once
  // shown, moves over the toolbar itself are its own and keep it.
  if (ScreenManager && ScreenManager->FullScreen()) {
    const bool overToolbar = Toolbar.Visible && pos.Y >= 0 && pos.Y < kDock;
    const bool shown = pos.Y <= 0 || overToolbar;
    if (shown != Toolbar.Visible) SetToolbarShown(shown);
  }
}

void TFormView::SetToolbarShown(bool shown) {
  Toolbar.Visible = shown;
  BasePanel.SetCoveredRows(shown ? kDock : 0);
  if (shown) Toolbar.Draw(window_);
  else PaintWindow();
}

void TFormView::KeyDown(int key, bool repeat) {
  // Auto-repeated keys are dropped: the scene makes its own repeats.
  TOrvaBaseList* scene = GetMainScene();
  if (repeat || !Active || key < 0 || key >= 256 || !scene) return;
  scene->SetKeyState(key, true);
  scene->SetKeyHit(key, true);
}

void TFormView::ApplicationActivate() {
  TOrvaBaseList* scene = GetMainScene();
  if (!scene || closed_) return;
  Active = true;
  Loop.Restart();
  media_.Activate();
}

void TFormView::ApplicationDeactivate() {
  TOrvaBaseList* scene = GetMainScene();
  if (!scene || closed_) return;
  Active = false;
  media_.Deactivate();
  scene->ClearKeys();
}

void TFormView::PaintWindow() {
  if (closed_) return;
  if (ScreenManager && ScreenManager->BackBuffer()) BasePanel.PaintAll(*ScreenManager->BackBuffer());
  overlays_.Reset();
  Toolbar.Draw(window_);
}

void TFormView::ShowError(const std::string& sjisMessage) {
  MessageBoxService().Show(SjisToUtf8(sjisMessage), "警告", TMsgButtons::OK, TMsgIcon::Warning);
}

void TFormView::ReportFrameError(const std::string& sjisMessage, const std::string& subject) {
  // Errors of the same text about different subjects (two damaged pages) are told apart.
  const std::string key = subject.empty() ? sjisMessage : sjisMessage + '\n' + subject;
  const TRepeatedErrors::TVerdict verdict = repeatedErrors_.Raise(key, window_.Milliseconds());
  if (!verdict.Show) {
    if (verdict.Repeats == 0) return;
    const std::string times = verdict.Repeats > 1 ? " (" + std::to_string(verdict.Repeats) + " times)" : "";
    const std::string about = subject.empty() ? "" : " (" + SjisToUtf8(subject) + ")";
    std::fprintf(stderr, "orva-player: again%s: [警告] %s%s\n", times.c_str(), SjisToUtf8(sjisMessage).c_str(),
                 about.c_str());
    if (OrvaLogWrite) {
      char clock[16];
      std::snprintf(clock, sizeof clock, "%.8X", GameClock);
      OrvaLogWrite(std::string(clock) + " : <Error>" + sjisMessage);
    }
    return;
  }
  ShowError(sjisMessage);
  // The quiet time runs from the box's close.
  repeatedErrors_.Shown(key, window_.Milliseconds());
}

void TFormView::ExitButtonClick() {
  const bool saved = QuitRequested;
  QuitRequested = true;
  const std::string title = project_ ? SjisToUtf8(project_->Title()) : std::string();
  if (MessageBoxService().Show("「" + title + "」を終了しますか？", title, TMsgButtons::YesNo, TMsgIcon::Question) ==
      TMsgResult::Yes)
    window_.PostClose();
  else
    QuitRequested = saved;
}

void TFormView::ScreenButtonClick() { SetFullScreen(!(ScreenManager && ScreenManager->FullScreen())); }

void TFormView::FormClose() {
  QuitRequested = true;
  Cleanup();
  closed_ = true;
}

void TFormView::Cleanup() {
  if (cleanedUp_) return;
  cleanedUp_ = true;
  if (maskImages_) maskImages_->SetProject(nullptr);
  SetSceneProject(nullptr);
  if (functions_) {
    functions_->SetProject(nullptr);
    functions_->SetPictures(nullptr);
  }
  project_.reset();  // writes the status data
  saves_.reset();
  functions_.reset();
  pictures_.reset();
  SetSceneVariables(nullptr);
  if (vars_) vars_->SetSystemVariables(nullptr);
  engine_.reset();
  vars_.reset();
  SetInlinePictureSource(nullptr);
  FreeSceneGlobals();
  // The transitions made from now on read no mask images.
  if (maskImages_) RegisterWipeClasses(nullptr);
  media_.StopMediaSystem([] { ScreenManager.reset(); });
  ScreenManager.reset();
  SetSceneServices(savedServices_);
  SetScreenLink(nullptr);
  SetTextFocus(nullptr);
  SetTextInputService(nullptr);
  SetMainWindowCloseHandler(nullptr);
  SetLongRunHandler(nullptr);
}

// ==== Display ====

void TFormView::RestoreWindowLayout() {
  TOrvaBaseList* scene = GetMainScene();
  const int32_t width = scene ? scene->GetWidth() : 0, height = scene ? scene->GetHeight() : 0;
  window_.SetBordered(true);
  window_.SetClientSize(width, height + kDock);
  if (placementKept_) window_.MoveWindow(placement_.Left, placement_.Top);
  Toolbar.Visible = true;
  BasePanel.SetCoveredRows(0);
}

void TFormView::SetFullScreen(bool value) {
  TOrvaBaseList* scene = GetMainScene();
  if (!ScreenManager || !scene || value == ScreenManager->FullScreen()) return;
  // No mode to switch to: full screen is refused.
  if (value && (!ScreenManager->IsModeIndex(ScreenManager->BestMode) || !ScreenManager->DisplayServiceAvailable()))
    return;
  scene->ReleaseSurfaces();
  media_.SuspendVideos();
  if (value) {
    Toolbar.Visible = false;
    ScreenManager->ReleaseAll();
    placement_ = window_.FrameRect();
    placementKept_ = true;
    window_.SetBordered(false);
    window_.MoveWindow(0, 0);
    window_.SetClientSize(scene->GetWidth(), scene->GetHeight());
    ScreenManager->SetMode(ScreenManager->BestMode);
    if (ScreenManager->Mode() != ScreenManager->BestMode) RestoreWindowLayout();
  } else {
    ScreenManager->ReleaseAll();
    RestoreWindowLayout();
    ScreenManager->SetMode(-1);
  }
  AfterDisplayChange(*scene);
}

void TFormView::ReapplyDisplayMode() {
  TOrvaBaseList* scene = GetMainScene();
  if (!ScreenManager || !scene || !ScreenManager->FullScreen()) return;
  const int32_t best = ScreenManager->BestMode;
  if (!ScreenManager->IsModeIndex(best) || best == ScreenManager->Mode()) return;
  scene->ReleaseSurfaces();
  media_.SuspendVideos();
  ScreenManager->SetMode(best);
  if (ScreenManager->Mode() != best) RestoreWindowLayout();
  AfterDisplayChange(*scene);
}

void TFormView::AfterDisplayChange(TOrvaBaseList& scene) {
  PlacePanel();
  // The new mode may have another depth.
  SetupColorTables(ScreenBitCount());
  scene.RecreateSurfaces();
  media_.ResumeVideos();
  PaintWindow();
}

bool TFormView::GetFullScreen() { return ScreenManager && ScreenManager->FullScreen(); }

int32_t TFormView::GetModeCount() { return ScreenManager ? ScreenManager->GetModeCount() : 0; }

TDisplayModeRecord TFormView::GetMode(int32_t index) {
  if (!ScreenManager) return {};
  const TDisplayMode m = ScreenManager->GetMode(index);
  return {m.Width, m.Height, m.BitCount, m.RefreshRate};
}

int32_t TFormView::GetBestMode() { return ScreenManager ? ScreenManager->BestMode : -1; }

void TFormView::SetBestMode(int32_t index) {
  if (!ScreenManager) return;
  ScreenManager->BestMode = index;
  ReapplyDisplayMode();
}

void TFormView::SetMouseX(int32_t x) {
  window_.WarpMouse({BasePanel.Origin().X + x, window_.CursorPos().Y});
}

void TFormView::SetMouseY(int32_t y) {
  window_.WarpMouse({window_.CursorPos().X, BasePanel.Origin().Y + y});
}

}  // namespace orva

#pragma once
// The player's main window: its creation builds the running system in a fixed order
// (settings, data sources, the variable store and the function executor, then under a guard
// the sound device, the scene, the project, the media system with the screen manager, and
// the window's geometry); its idle handler is the frame loop; it turns the window's mouse,
// wheel and keys into the scene's input state (keys and typed text go to the text box holding
// the text focus instead, and the mouse over a text box to that box), pauses while the player
// is in the background, switches between the window and full screen, and frees everything on
// close.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_system.h"
#include "scene/scene_services.h"
#include "script/screen_link.h"
#include "shell/audio_capture.h"
#include "shell/frame_capture.h"
#include "shell/frame_loop.h"
#include "shell/overlay_presenter.h"
#include "shell/panel_cursor.h"
#include "shell/repeated_errors.h"
#include "shell/start_logo.h"
#include "shell/toolbar.h"
#include "shell/window_panel.h"
#include "text/cache_pictures.h"

namespace orva {

class TOrvaBaseList;
class TParamCollection;
class TProject;
class TSaveFile;
class TScenePictureLink;
class TShellMedia;
class TEngineVariables;
class TGameMaskImages;
class TSysFuncMan;

struct TPlayerSetup {
  // The command-line arguments as game paths: the game directory first, then more archive
  // directories. None: the program's own directory.
  std::vector<std::string> Arguments;
  // The program's directory as a game path; empty: that of the program file.
  std::string ProgramDirectory;
  // Headless runs: where presented frames are written (see TFrameCapture), and the number of
  // frame steps after which a run that does not end is stopped as a failure (0: no limit).
  std::string CapturePath;
  int64_t FrameCap = 0;
  // Headless runs: where the sound heard is written as a WAV file; empty: nowhere.
  std::string AudioCapturePath;
};

class TFormView final : public TScreenLink, private TFrameLoop::THost {
 public:
  // Inside a run of the interpreter that does not yield, the window is looked at for a close
  // every kLookMs; headless, every kHeadlessLookSteps steps count as that time, and as a
  // frame towards the frame cap.
  static constexpr uint32_t kLookMs = 100;
  static constexpr int kHeadlessLookSteps = 10240;

  TFormView(TWindowSystem& window, TShellMedia& media, TPlayerSetup setup);
  ~TFormView() override;
  TFormView(const TFormView&) = delete;
  TFormView& operator=(const TFormView&) = delete;

  // Builds the system. When the start-up fails (QuitRequested), a close is posted and the
  // message loop is not to be entered.
  void FormCreate();
  // Why the start-up failed (Shift-JIS): the message shown, or what the project found
  // missing; empty when it did not fail or did not say.
  const std::string& StartFailure() const { return startFailure_; }
  // The file (and archive entry) being read when the start-up failed, as Exception::Where
  // gives it; empty when none.
  const std::string& StartFailureWhere() const { return startFailureWhere_; }
  // Shows the window and runs the message loop until the window is closed. Returns the exit
  // code: 0, or 3 for a headless run stopped at its frame cap.
  int Run();

  // ---- Frame loop ----
  // One pass of the idle handler; true (Done) when there is nothing to do until the next
  // event.
  bool ApplicationEventsIdle();
  void StepFrame();

  // ---- Messages ----
  void HandleEvent(const TWindowEvent& event);
  void ApplicationActivate();
  void ApplicationDeactivate();
  // The toolbar's buttons.
  void ExitButtonClick();
  void ScreenButtonClick();
  // Closing: QuitRequested, then Cleanup.
  void FormClose();

  // ---- Display ----
  void SetFullScreen(bool value);
  void ReapplyDisplayMode();

  // ---- TScreenLink ----
  bool GetFullScreen() override;
  int32_t GetModeCount() override;
  TDisplayModeRecord GetMode(int32_t index) override;
  int32_t GetBestMode() override;
  void SetBestMode(int32_t index) override;
  void SetMouseX(int32_t x) override;
  void SetMouseY(int32_t y) override;

  // ---- State ----
  bool Active = false;
  int32_t RenderSkip = 0;
  // The start-up logo has ended; until then no script runs.
  bool LogoDone = false;
  int32_t SceneOffsetX = 0, SceneOffsetY = 0;
  TToolbar Toolbar;
  TWindowPanel BasePanel;
  TFrameLoop Loop{*this};

  TProject* Project() const { return project_.get(); }
  bool Closed() const { return closed_; }
  // Frame steps run so far.
  int64_t Steps() const { return steps_; }

 private:
  class TScreenService;
  class TPanelTextInput;

  void InitPlayer();
  void Cleanup();
  // The panel at the scene's place: centred across, below the toolbar in the window and
  // centred down in full screen.
  void PlacePanel();
  // The whole window drawn again: the scene picture and the toolbar.
  void PaintWindow();
  void ShowError(const std::string& sjisMessage);
  // An error that escaped a frame, about the subject when it names one: a box, unless the
  // same error came shortly before; then, at a limited rate, a line on standard error and
  // in the trace log.
  void ReportFrameError(const std::string& sjisMessage, const std::string& subject = {});
  // The long-run check: at its time, LookAtWindow.
  void LongRun();
  // Answers a close and the toolbar's exit button now; every other event is held for the
  // end of the frame.
  void LookAtWindow();
  // The held events first, then the window's.
  bool NextEvent(TWindowEvent& event);
  // Headless: stops a run that went on for the frame cap.
  void CheckFrameCap();

  void CreateScreenManager();
  // Laying the window out for the window mode again: border, client size, placement.
  void RestoreWindowLayout();
  void SetToolbarShown(bool shown);
  // The end of every display change: the panel placed, the colour tables and the scene's
  // surfaces made for the new depth, videos resumed, the window drawn.
  void AfterDisplayChange(TOrvaBaseList& scene);
  // Client coordinates on the scene panel.
  TPoint PanelPoint(TWinPoint client) const;
  void PanelMouseDown(TWindowEvent::TButton button);
  void MouseMove(TWinPoint pos);
  void KeyDown(int key, bool repeat);

  // TFrameLoop::THost
  bool CanStep() override;
  bool Paced() override;
  void Sleep(uint32_t ms) override;

  TWindowSystem& window_;
  TShellMedia& media_;
  TPlayerSetup setup_;
  std::unique_ptr<TScreenService> screenService_;
  std::unique_ptr<TPanelTextInput> textInput_;
  TPanelCursor cursor_;
  TSceneServices savedServices_;
  TCachePictureSource inlinePictures_;
  std::unique_ptr<TParamCollection> vars_;
  std::unique_ptr<TSysFuncMan> functions_;
  std::unique_ptr<TScenePictureLink> pictures_;
  std::unique_ptr<TEngineVariables> engine_;
  std::unique_ptr<TSaveFile> saves_;
  std::unique_ptr<TProject> project_;
  // Where the mask-image transitions read the game's mask images.
  std::unique_ptr<TGameMaskImages> maskImages_;
  TFrameCapture capture_;
  TStartLogo logo_;
  TAudioCapture audioCapture_;
  TOverlayPresenter overlays_;
  // The window's outer rectangle before full screen.
  TWinRect placement_;
  bool placementKept_ = false;
  bool panelPressed_ = false;
  bool closed_ = false;
  bool cleanedUp_ = false;
  bool runaway_ = false;
  int64_t steps_ = 0;
  uint32_t lastAudioPull_ = 0;
  std::string startFailure_;
  std::string startFailureWhere_;
  TRepeatedErrors repeatedErrors_;
  // Events taken from the window inside a long run, for the message loop.
  std::deque<TWindowEvent> heldEvents_;
  // The long run of the frame: when the window was last looked at, the checks since then
  // (headless), and the looks of all long runs (headless, counted as frames).
  uint32_t lastLook_ = 0;
  int longRunChecks_ = 0;
  int64_t longRunLooks_ = 0;
};

}  // namespace orva

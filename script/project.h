#pragma once
// The running game: reads the project file, finds the game's data on an installation disc
// when the program was started without arguments, declares the project's status variables,
// owns the call manager and starts the start page. It answers whether a game file can be
// read now (asking for its disc), and keeps the save and load requests of the scripts for
// the end of the frame.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/project_file.h"
#include "script/project_link.h"

namespace orva {

class TCallMan;
class TParamCollection;
class TSaveLink;
class TSceneLink;
class TTextLink;

// What the project is started with. Links are not owned and outlive the project.
struct TProjectSetup {
  // The command-line arguments (game paths); without any the data locator runs.
  std::vector<std::string> Arguments;
  // The program's directory as a game path; empty: that of the program file.
  std::string ProgramDirectory;
  // The roots of the discs in the drives now, game paths ending with "\"; asked again at
  // every search. Empty: the mounted optical discs.
  std::function<std::vector<std::string>()> DiscRoots;
  TSceneLink* Scene = nullptr;
  TTextLink* Text = nullptr;
  TSaveLink* Saves = nullptr;
};

// A save or load that a script asked for in this frame; slot -1 for none.
struct TSaveRequest {
  int32_t Slot = -1;
  std::string AfterLoadPage;
  int32_t AfterLoadIndex = 0;
  std::string Caption;
};

class TProject final : public TProjectLink {
 public:
  // The whole start-up. QuitRequested is set from its first step and cleared once the
  // project file has been read; a start-up that fails returns with it set, after a message
  // where the failure has one. Errors of the status data and of a damaged project file
  // raise (and no project is left to write the status data back).
  TProject(TParamCollection& vars, TProjectSetup setup);
  // Writes the status data (a failure is shown in a warning box), then frees the call
  // manager.
  ~TProject() override;
  TProject(const TProject&) = delete;
  TProject& operator=(const TProject&) = delete;

  // Empty names and files of no listed disc are not available; a file on a disc of the
  // list is asked for, unless its extension is one of the media extensions.
  bool FileAvailable(std::string_view name) override;
  void RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                   std::string_view caption) override;
  void RequestLoad(int32_t slot) override;

  // The interpreter's run for the frame, once there is a call manager.
  void Execute();
  // A pending game load, then a pending game save, each taken off before it runs; true
  // when a load was pending. A save is not made after a load that failed: it would write the
  // half-loaded game over a good save.
  bool ProcessRequests();
  // The first argument's directory, else the program's, and "save.dat".
  std::string GetSaveFileName() const;

  // The project file's fields; the start-up defaults until the file was read.
  const TProjectFile& Settings() const { return file_; }
  const std::string& Title() const { return file_.Title; }
  // None until the project file was read.
  TCallMan* CallMan() const { return callMan_.get(); }
  TParamCollection& Vars() const { return vars_; }
  // Which folder of the game lies on which disc.
  TFolderDiskList& Discs() { return file_.Discs; }
  std::vector<TSaveCaption>& SaveCaptions() { return saveCaptions_; }
  const std::vector<TSaveCaption>& Captions() const override { return saveCaptions_; }
  // The caption of the slot's save; empty when the slot has none.
  std::string GetCaption(int32_t slot) const;
  // Replaces the slot's caption, or adds it.
  void SetCaption(int32_t slot, std::string_view caption);
  // The identity of the game that its discs must carry; found by the data locator.
  const std::string& GameIdentity() const { return gameIdentity_; }
  const std::vector<std::string>& Arguments() const { return setup_.Arguments; }
  const TSaveRequest& PendingSave() const { return pendingSave_; }
  int32_t PendingLoad() const { return pendingLoad_; }
  // Why a start-up ended without a game (Shift-JIS): the message shown, or the system's
  // words for what was missing where none is shown. Empty once the game could start.
  const std::string& StartFailure() const { return startFailure_; }
  // The file (and archive entry) that failed the start, as Exception::Where gives it; empty
  // when none was being read.
  const std::string& StartFailureWhere() const { return startFailureWhere_; }

 private:
  void Start();
  // Finds the game's data: the program's directory, else a disc of this game; false
  // when the game cannot run.
  bool LocateGameData();
  // Opens the data of the first disc root that carries this game.
  bool SearchDiscs();
  void DeclareStatusVariables();
  // Step 12: a disc table of the original project replaces the one read.
  void ReadOriginalDiscTable();

  TParamCollection& vars_;
  TProjectSetup setup_;
  TProjectFile file_;
  std::vector<TSaveCaption> saveCaptions_;
  std::string gameIdentity_;
  TSaveRequest pendingSave_;
  int32_t pendingLoad_ = -1;
  std::string startFailure_;
  std::string startFailureWhere_;
  std::unique_ptr<TCallMan> callMan_;
};

}  // namespace orva

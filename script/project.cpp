#include "script/project.h"

#include <type_traits>
#include <utility>
#include <variant>

#include "core/app_control.h"
#include "core/encoding.h"
#include "core/exceptions.h"
#include "core/file_manager.h"
#include "core/game_path.h"
#include "core/install_set.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "core/wipe_defaults.h"
#include "platform/message_box.h"
#include "platform/program_file.h"
#include "script/call_manager.h"
#include "script/param.h"
#include "script/page.h"
#include "script/param_collection.h"
#include "script/save_link.h"

namespace orva {

namespace {

constexpr std::string_view kProjectFileName = "orva.opb";
constexpr std::string_view kOriginalProjectFileName = "/original_orva.opb";
constexpr std::string_view kInstallRecordName = "install.dat";
constexpr std::string_view kDataArchiveName = "game.dat";

void Warn(const char* text) { MessageBoxService().Show(text, "警告", TMsgButtons::OK, TMsgIcon::Warning); }
void WarnSjis(const std::string& text) { Warn(SjisToUtf8(text).c_str()); }

std::string ProgramDirectory() { return ExtractFilePath(GamePath(ProgramFileName())); }

void GiveValue(TParamCollectionItem& item, const TProjectVariable& declared) {
  std::visit(
      [&item](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int32_t>) item.SetAsInteger(value);
        else if constexpr (std::is_same_v<T, long double>) item.SetAsFloat(value);
        else if constexpr (std::is_same_v<T, bool>) item.SetAsBoolean(value);
        else if constexpr (std::is_same_v<T, std::string>) item.SetAsString(value);
      },
      declared.Value);
}

}  // namespace

TProject::TProject(TParamCollection& vars, TProjectSetup setup) : vars_(vars), setup_(std::move(setup)) {
  if (setup_.ProgramDirectory.empty()) setup_.ProgramDirectory = ProgramDirectory();
  if (!setup_.ProgramDirectory.empty()) setup_.ProgramDirectory = AddBackSlash(setup_.ProgramDirectory);
  if (!setup_.DiscRoots) setup_.DiscRoots = OpticalDiscRoots;
  Start();
}

TProject::~TProject() {
  if (setup_.Saves) {
    // A status that cannot be written is reported like any failed save; the shut-down goes on.
    try {
      setup_.Saves->SaveStatus(*this);
    } catch (const Exception& e) {
      WarnSjis(e.Message());
    } catch (const std::exception& e) {
      WarnSjis(e.what());
    }
  }
  callMan_.reset();
}

void TProject::Start() {
  QuitRequested = true;
  if (setup_.Saves) setup_.Saves->LoadSaveCaptions(*this);
  if (setup_.Saves) setup_.Saves->LoadStatus(*this);

  if (!FileManager) return;
  if (setup_.Arguments.empty() && !LocateGameData()) return;

  TMemoryStream stream;
  try {
    FileManager->LoadToStream(stream, kProjectFileName);
  } catch (const Exception& e) {
    startFailure_ = e.Message();
    startFailureWhere_ = e.Where();
    return;
  }
  if (stream.GetSize() == 0) {
    Warn("プロジェクトがありません");
    startFailure_ = Sjis("プロジェクトがありません");
    return;
  }
  ReadingGameFile(kProjectFileName, [&] { file_.LoadFromStream(stream); });
  if (file_.Version > MaxPageVersion) {
    startFailure_ = std::string(kProjectFileName) + ": version " + std::to_string(file_.Version);
    return;
  }
  // A zoom-in without parameters zooms into the middle of the screen.
  WipeDefaultParams()[WP_ZOOMIN] = {file_.ScreenWidth / 2, file_.ScreenHeight / 2};
  // The declared names are the project file's.
  ReadingGameFile(kProjectFileName, [&] { DeclareStatusVariables(); });
  QuitRequested = false;

  ReadOriginalDiscTable();

  callMan_ = std::make_unique<TCallMan>(vars_);
  callMan_->SetScene(setup_.Scene);
  callMan_->SetText(setup_.Text);
  callMan_->SetProject(this);
  if (!FileManager->FileExists(file_.StartPage)) {
    Warn("スタートページがありません");
    startFailure_ = Sjis("スタートページがありません: ") + file_.StartPage;
    QuitRequested = true;
    return;
  }
  // A start page too old to run has asked for a rebuild and ended the start.
  if (callMan_->Start(file_.StartPage)->Version() < MinPageVersion) {
    startFailure_ = Sjis(RebuildPrompt);
    startFailureWhere_ = FileManager->Where(file_.StartPage);
  }
}

void TProject::DeclareStatusVariables() {
  for (const TProjectVariable& declared : file_.Variables) {
    if (vars_.IndexOf(declared.Name) >= 0) continue;  // restored from the save file
    std::unique_ptr<TCustomParam> value = CreateParam(declared.Type);
    if (!value) continue;  // a type that makes no value has no value bytes either
    TParamCollectionItem& item = vars_.Add(std::make_unique<TParamCollectionItem>(std::move(value)));
    try {
      item.SetName(declared.Name);
    } catch (...) {
      vars_.DeleteItem(item);
      throw;
    }
    item.SetStatus(true);
    GiveValue(item, declared);
  }
}

void TProject::ReadOriginalDiscTable() {
  if (!FileManager->FileExists(kOriginalProjectFileName)) return;
  file_.Discs.Clear();
  TMemoryStream stream;
  FileManager->LoadToStream(stream, kOriginalProjectFileName);
  TProjectFile original;
  ReadingGameFile(kOriginalProjectFileName, [&] { original.LoadFromStream(stream); });
  if (original.Version <= MaxPageVersion) file_.Discs = std::move(original.Discs);
}

bool TProject::LocateGameData() {
  const std::string& directory = setup_.ProgramDirectory;
  if (GameFileExists(directory + std::string(kInstallRecordName)) && FileManager->Directory().empty())
    FileManager->SetDirectory(directory);
  if (!FileManager->FileExists(kInstallRecordName)) {
    MessageBoxService().Show("インストールし直してください", "情報", TMsgButtons::OK, TMsgIcon::Information);
    startFailure_ = Sjis("インストールし直してください: ") + std::string(kInstallRecordName);
    return false;
  }
  TOrvaInstallSet install;
  {
    TMemoryStream stream;
    FileManager->LoadToStream(stream, kInstallRecordName);
    install.LoadFromStream(stream);
  }
  gameIdentity_ = install.GameIdentity;
  const bool onDisk = install.Installed != 0;
  const std::string archive = directory + std::string(kDataArchiveName);
  if (GameFileExists(archive)) {
    FileManager->AddArchive(archive);
    if (onDisk) return true;
  } else if (FileManager->Count() > 0 && onDisk) {
    return true;
  }
  for (;;) {
    if (SearchDiscs()) return true;
    if (MessageBoxService().Show("ディスクを入れてください", "情報", TMsgButtons::OKCancel, TMsgIcon::Information) ==
        TMsgResult::OK)
      continue;
    // Anything but Cancel (nobody to answer, say) ends the game rather than asking forever.
    if (MessageBoxService().Show(SjisToUtf8(file_.QuitText), SjisToUtf8(file_.Title), TMsgButtons::OKCancel,
                                 TMsgIcon::None) != TMsgResult::Cancel) {
      startFailure_ = Sjis("ディスクを入れてください");
      return false;
    }
  }
}

bool TProject::SearchDiscs() {
  for (const std::string& root : setup_.DiscRoots()) {
    const std::string archive = root + std::string(kDataArchiveName);
    const std::string record = root + std::string(kInstallRecordName);
    if (!GameFileExists(archive) || !GameFileExists(record)) continue;
    // A disc that cannot be read is not this game's disc: another may be.
    try {
      TOrvaInstallSet install;
      install.LoadFromFile(record);
      if (install.GameIdentity != gameIdentity_) continue;
      FileManager->AddArchive(archive);
      return true;
    } catch (const Exception&) {
    }
  }
  return false;
}

bool TProject::FileAvailable(std::string_view name) {
  if (name.empty() || !FileManager) return false;
  if (FileManager->FileExists(name)) return true;
  const int32_t disc = file_.Discs.DiskOfPath(name);
  if (disc <= 0) return false;
  // ".ogg." within "wav.wma.ogg." or ".wav.wma.ogg.mid.": media files never ask for a disc.
  const std::string extension = AnsiLowerCase(ExtractFileExt(name)) + ".";
  const std::string media = AnsiLowerCase(file_.MediaExtensions) + ".";
  if (media.find(extension) != std::string::npos) return false;
  return FileManager->RequestDisc(disc, {file_.Title, file_.DiscPrompt, file_.QuitText, gameIdentity_});
}

void TProject::RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                           std::string_view caption) {
  pendingSave_ = {slot, std::string(afterLoadPage), afterLoadIndex, std::string(caption)};
}

void TProject::RequestLoad(int32_t slot) { pendingLoad_ = slot; }

void TProject::Execute() {
  if (callMan_) callMan_->Execute();
}

bool TProject::ProcessRequests() {
  bool loaded = false, loadFailed = false;
  if (pendingLoad_ >= 0) {
    const int32_t slot = std::exchange(pendingLoad_, -1);
    if (setup_.Saves) loadFailed = !setup_.Saves->LoadGame(*this, slot);
    loaded = true;
  }
  if (pendingSave_.Slot >= 0) {
    const TSaveRequest request = std::exchange(pendingSave_, {});
    if (setup_.Saves && !loadFailed)
      setup_.Saves->SaveGame(*this, request.Slot, request.AfterLoadPage, request.Caption, request.AfterLoadIndex);
  }
  return loaded;
}

std::string TProject::GetCaption(int32_t slot) const {
  for (const TSaveCaption& caption : saveCaptions_)
    if (caption.Slot == slot) return caption.Caption;
  return {};
}

void TProject::SetCaption(int32_t slot, std::string_view caption) {
  for (TSaveCaption& entry : saveCaptions_)
    if (entry.Slot == slot) {
      entry.Caption = caption;
      return;
    }
  saveCaptions_.push_back({slot, std::string(caption)});
}

std::string TProject::GetSaveFileName() const {
  return AddBackSlash(setup_.Arguments.empty() ? setup_.ProgramDirectory : setup_.Arguments.front()) + "save.dat";
}

}  // namespace orva

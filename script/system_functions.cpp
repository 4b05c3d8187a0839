// The save-slot, display and system functions: the captions of the game saves, the display
// modes, the desktop wallpaper, web addresses, and captures of the screen into layered
// images, written as files of the override directory or as in-memory entries that later
// loads of the name read.

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/app_control.h"
#include "core/big_stream.h"
#include "core/desktop.h"
#include "core/file_manager.h"
#include "core/game_path.h"
#include "core/install_set.h"
#include "core/paths.h"
#include "core/sjis.h"
#include "core/stream.h"
#include "script/builtin_call.h"
#include "script/param_collection.h"
#include "script/picture_link.h"
#include "script/project_link.h"
#include "script/screen_link.h"
#include "script/sys_func_man.h"

namespace orva {
namespace {

void GetSaveCaption(TBuiltinCall& c) {
  const int32_t slot = c.Int(0);
  for (const TSaveCaption& caption : c.Functions.Project().Captions())
    if (caption.Slot == slot) {
      c.Dest.SetAsString(caption.Caption);
      return;
    }
  c.Dest.SetAsString("");
}

// All four values or none.
void GetDisplayMode(TBuiltinCall& c) {
  TScreenLink* screen = GetScreenLink();
  const int32_t index = c.Int(0);
  if (!screen || index < 0 || index >= screen->GetModeCount()) {
    c.Dest.SetAsBoolean(false);
    return;
  }
  const TDisplayModeRecord mode = screen->GetMode(index);
  c.Arg(1).SetAsInteger(static_cast<int32_t>(mode.Width));
  c.Arg(2).SetAsInteger(static_cast<int32_t>(mode.Height));
  c.Arg(3).SetAsInteger(static_cast<int32_t>(mode.BitCount));
  c.Arg(4).SetAsInteger(static_cast<int32_t>(mode.RefreshRate));
  c.Dest.SetAsBoolean(true);
}

// The count; with arguments also the captions and their slots. Without captions the arrays
// stay as they are, since an array cannot have no elements.
void ListSaveCaption(TBuiltinCall& c) {
  const std::vector<TSaveCaption>& captions = c.Functions.Project().Captions();
  const int32_t count = static_cast<int32_t>(captions.size());
  c.Dest.SetAsInteger(count);
  if (count == 0) return;
  const int32_t sizes[] = {count};
  if (c.Has(0)) {
    c.Arg(0).SetDims(sizes);
    for (int32_t i = 0; i < count; ++i) c.Arg(0).SetStrItem(i, captions[static_cast<size_t>(i)].Caption);
  }
  if (c.Has(1)) {
    c.Arg(1).SetDims(sizes);
    for (int32_t i = 0; i < count; ++i) c.Arg(1).SetIntItem(i, captions[static_cast<size_t>(i)].Slot);
  }
}

// Only web and ftp addresses, by their exact lower-case scheme.
void OpenUrl(TBuiltinCall& c) {
  const std::string url = c.Text(0);
  if (url.starts_with("http") || url.starts_with("ftp")) ShellOpen(url);
}

// The picture of a game file (or, for the empty name, the shown screen) becomes the desktop
// wallpaper. The picture is held only while its frame is written.
void SetWallPaper(TBuiltinCall& c) {
  const std::string name = c.Text(0);
  TPictureLink* pictures = c.Functions.Pictures();
  const auto answer = [&c](bool value) { c.Dest.SetAsBoolean(value); };
  if (!pictures || (!name.empty() && !c.Functions.FileAvailable(name))) return answer(false);
  const std::string file = WallPaperFileName();
  if (name.empty()) {
    pictures->WriteScreenBmp(file);
  } else {
    const std::unique_ptr<TPictureHold> picture = pictures->AcquirePicture(name);
    if (picture->FrameCount() < 1) return answer(false);
    picture->SaveFirstFrame(file);
  }
  answer(orva::SetWallPaper(file, c.Int(1)));
}

bool IsMemoryName(std::string_view name) { return name.size() >= 4 && SameTextAscii(name.substr(0, 4), "mem:"); }

// The in-memory entry of the name gets the bytes: the entry there is, or a new one of the
// in-memory archive.
void StoreMemoryEntry(std::string_view name, TMemoryStream& bytes) {
  TVrFile* entry = FileManager->FindEntry(name);
  if (!entry || !entry->InMemory()) entry = &FileManager->GetCollection(0).AddMemoryFile(name);
  entry->Data->Assign(std::move(bytes.Bytes()));
}

// A capture named in an install record is one the installer's uninstall removes too.
void ListInInstallRecord(const std::string& directory, std::string_view name) {
  const std::string record = directory + "install.dat";
  if (!GameFileExists(record)) return;
  TOrvaInstallSet install;
  install.LoadFromFile(record);
  if (install.IndexOfText(name) >= 0) return;
  install.IndexOfTextOrAdd(name);
  install.SaveToFile(record);
}

// A capture larger than this (64 M pixels, 192 MB at 24 bits) fails as the allocation of so
// large a picture fails in a 32-bit process.
constexpr int64_t kMaxCapturePixels = int64_t{1} << 26;

// SaveScreen(name [, w [, h [, other [, list]]]]): FALSE without an override directory, for
// a name that is not a game-relative ".vsk", for a size below 1, and when the capture cannot
// be made or written (no file is left then). Once the picture is written the answer is TRUE.
void SaveScreen(TBuiltinCall& c) {
  const auto answer = [&c](bool value) { c.Dest.SetAsBoolean(value); };
  const std::string name = c.Text(0);
  TPictureLink* pictures = c.Functions.Pictures();
  if (!FileManager || !pictures || !GameDirectoryExists(FileManager->Directory())) return answer(false);
  if (!SameTextAscii(ExtractFileExt(name), ".vsk") || !IsGameRelativeName(name)) return answer(false);
  const int32_t w = c.Has(1) && c.Int(1) != 0 ? c.Int(1) : pictures->ScreenWidth();
  const int32_t h = c.Has(2) && c.Int(2) != 0 ? c.Int(2) : pictures->ScreenHeight();
  if (w < 1 || h < 1 || int64_t{w} * h > kMaxCapturePixels) return answer(false);
  const bool otherLayer = c.Has(3) && c.Bool(3);
  const bool inMemory = IsMemoryName(name);
  const std::string directory = FileManager->Directory();
  const std::string path = directory + name;
  try {
    if (inMemory) {
      if (FileManager->Count() < 1) return answer(false);
      TMemoryStream bytes;
      pictures->WriteCapture(bytes, otherLayer, w, h, TPictureLink::ModeRaw);
      StoreMemoryEntry(name, bytes);
    } else {
      TWzBigFileStream file(path, TWzBigFileStream::fmCreate);
      pictures->WriteCapture(file, otherLayer, w, h, TPictureLink::ModeZlib);
      file.Commit();
    }
    // Later loads of the name read the new picture.
    pictures->RemoveCachedPicture(name);
    FileManager->Cache().Remove(name);
  } catch (const std::exception&) {
    return answer(false);
  }
  answer(true);
  try {
    if (!c.Has(4) || inMemory) return;
    const int32_t list = c.Int(4);
    if (list == 1) AddExitDeleteFile(path);
    if (list == 2) ListInInstallRecord(directory, name);
  } catch (const std::exception&) {
    // The capture is written; a record that cannot be updated does not undo it.
  }
}

}  // namespace

void AddSystemFunctions(TBuiltinTable& t) {
  t[bfGetSaveCaption] = GetSaveCaption;
  t[bfGetDisplayMode] = GetDisplayMode;
  t[bfSetWallPaper] = SetWallPaper;
  t[bfListSaveCaption] = ListSaveCaption;
  t[bfOpenUrl] = OpenUrl;
  t[bfSaveScreen] = SaveScreen;
}

}  // namespace orva

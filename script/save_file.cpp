#include "script/save_file.h"

#include <cstdio>

#include "core/app_control.h"
#include "core/archive.h"
#include "core/big_stream.h"
#include "core/data_tables.h"
#include "core/exceptions.h"
#include "core/game_path.h"
#include "core/number_text.h"
#include "core/paths.h"
#include "core/stream.h"
#include "core/vocabulary.h"
#include "platform/message_box.h"
#include "script/call_manager.h"
#include "script/param_collection.h"
#include "script/project.h"

namespace orva {

namespace {

constexpr std::string_view kStatusTag = "Status";
constexpr int64_t kStatusTagBytes = 9;

void SaveSection(TSaveSection* section, TStream& stream) {
  if (section) section->SaveToStream(stream);
}

void LoadSection(TSaveSection* section, TStream& stream, int version) {
  if (section) section->LoadFromStream(stream, version);
}

// An item read from the save file. The stream primitives read zeros past the end of the
// data; here a read that comes short means a damaged item, which must not load as an empty
// game.
class TSaveItem : public TMemoryStream {
 public:
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t done = TMemoryStream::Read(buffer, count);
    if (done < count) throw EReadError("Stream read error");
    return done;
  }
};

// The archive item into memory, positioned at 0.
void ReadItem(TVrFileCollection& archive, std::string_view name, TMemoryStream& item) {
  archive.LoadFileToStream(item, name);
  item.SetPosition(0);
}

// The number of a "Status%.3d" tag; without a tag 0, and the stream back at its start.
int ReadStatusTag(TStream& stream) {
  const int64_t start = stream.GetPosition();
  char tag[kStatusTagBytes];
  if (stream.Remaining() >= kStatusTagBytes && stream.Read(tag, kStatusTagBytes) == kStatusTagBytes &&
      std::string_view(tag, kStatusTag.size()) == kStatusTag)
    return TextToInt(std::string_view(tag + kStatusTag.size(), kStatusTagBytes - kStatusTag.size()));
  stream.SetPosition(start);
  return 0;
}

void WriteStatusTag(TStream& stream) {
  char tag[kStatusTagBytes + 1];
  std::snprintf(tag, sizeof tag, "Status%.3d", StatusSaveVersion);
  stream.WriteBuffer(tag, kStatusTagBytes);
}

// An error that stops a read of the save file at start-up names the file, unless its
// message does already.
void NameSaveFile(Exception& e, const std::string& path) {
  if (e.Message().find(path) == std::string::npos) e.AddContext(path);
}

// The directory of the save file exists (none named: the current one).
bool SaveDirectoryExists(const std::string& path) {
  const std::string directory = ExtractFilePath(path);
  return directory.empty() || GameDirectoryExists(directory);
}

}  // namespace

std::string TSaveFile::GameItemName(int32_t slot) { return std::string(GameItemPrefix) + std::to_string(slot); }

void TSaveFile::LoadSaveCaptions(TProject& project) {
  std::vector<TSaveCaption>& captions = project.SaveCaptions();
  captions.clear();
  const std::string path = project.GetSaveFileName();
  if (!GameFileExists(path)) return;
  TVrFileCollection archive;
  try {
    archive.Open(path);
  } catch (Exception& e) {
    NameSaveFile(e, path);
    throw;
  }
  for (int i = 0; i < archive.Count(); ++i) {
    const std::string& name = archive.Item(i).GetName();
    if (!name.starts_with(GameItemPrefix)) continue;
    int32_t slot;
    if (!TryTextToInt(std::string_view(name).substr(GameItemPrefix.size()), slot) || slot < 0) continue;
    try {
      TSaveItem item;
      ReadItem(archive, name, item);
      ReadStreamInt(item);
      captions.push_back({slot, ReadStreamString(item)});
    } catch (const Exception&) {
      // A damaged save shows no caption; the others are still offered.
    }
  }
}

void TSaveFile::LoadStatus(TProject& project) {
  statusRead_ = false;
  const std::string path = project.GetSaveFileName();
  if (GameFileExists(path)) {
    try {
      TVrFileCollection archive;
      archive.Open(path);
      if (archive.Find(StatusItemName)) {
        TSaveItem item;
        ReadItem(archive, StatusItemName, item);
        const int version = ReadStatusTag(item);
        project.Vars().LoadStatusVars(item);
        LoadSection(sections_.ReadMarks, item, version);
        LoadSection(sections_.ImageCache, item, version);
        if (version >= 103) DBManager().LoadFromStream(item, 1);
      }
    } catch (Exception& e) {
      NameSaveFile(e, path);
      throw;
    }
  }
  statusRead_ = true;
}

void TSaveFile::SaveStatus(TProject& project) {
  if (!statusRead_ || !project.Settings().WriteStatus) return;
  const std::string path = project.GetSaveFileName();
  if (!SaveDirectoryExists(path)) return;
  TMemoryStream bytes;
  {
    TVrFileCollection archive;
    archive.Open(path);
    archive.Remove(StatusItemName);
    TStream& item = *archive.AddMemoryFile(StatusItemName).Data;
    WriteStatusTag(item);
    project.Vars().SaveStatusVars(item);
    SaveSection(sections_.ReadMarks, item);
    SaveSection(sections_.ImageCache, item);
    DBManager().SaveToStream(item, 1);
    archive.SaveToStream(bytes);
  }
  WriteSaveFile(path, bytes);
}

void TSaveFile::SaveGame(TProject& project, int32_t slot, std::string_view afterLoadPage, std::string_view caption,
                         int32_t afterLoadIndex) {
  TCallMan* interpreter = project.CallMan();
  if (caption.empty() || !interpreter) return;
  const std::string path = project.GetSaveFileName();
  TMemoryStream bytes;
  {
    TVrFileCollection archive;
    archive.Open(path);
    const std::string name = GameItemName(slot);
    archive.Remove(name);
    TStream& item = *archive.AddMemoryFile(name).Data;
    WriteStreamInt(item, GameSaveVersion);
    WriteStreamString(item, caption);
    WriteStreamString(item, afterLoadPage);
    WriteStreamInt(item, afterLoadIndex);
    SaveSection(sections_.Scene, item);
    SaveSection(sections_.History, item);
    interpreter->SaveToStream(item);
    project.Vars().SaveGameVars(item);
    DBManager().SaveToStream(item, 0);
    archive.SaveToStream(bytes);
  }
  WriteSaveFile(path, bytes);
  project.SetCaption(slot, caption);
  SaveStatus(project);
}

bool TSaveFile::LoadGame(TProject& project, int32_t slot) {
  const std::string path = project.GetSaveFileName();
  if (!GameFileExists(path)) return true;
  try {
    TVrFileCollection archive;
    archive.Open(path);
    const std::string name = GameItemName(slot);
    if (!archive.Find(name)) return true;
    TCallMan* interpreter = project.CallMan();
    if (!interpreter) throw EReadError("no interpreter");
    TSaveItem item;
    ReadItem(archive, name, item);
    const int32_t version = ReadStreamInt(item);
    if (version < OldestGameSaveVersion) throw EReadError("save version " + std::to_string(version));
    ReadStreamString(item);  // the caption
    const std::string afterLoadPage = ReadStreamString(item);
    const int32_t afterLoadIndex = ReadStreamInt(item);
    LoadSection(sections_.Scene, item, version);
    LoadSection(sections_.History, item, version);
    interpreter->LoadFromStream(item, version);
    if (!afterLoadPage.empty()) interpreter->EnterAfterLoadPage(afterLoadPage, afterLoadIndex);
    project.Vars().LoadGameVars(item, version);
    if (version >= 123) DBManager().LoadFromStream(item, 0);
    return true;
  } catch (...) {
    QuitRequested = true;
    MessageBoxService().Show("このセーブデータは使用できません\r\n終了してください", "警告", TMsgButtons::OK,
                             TMsgIcon::Warning);
    return false;
  }
}

void TSaveFile::WriteSaveFile(const std::string& path, TMemoryStream& bytes) {
  TWzBigFileStream file(path, TWzBigFileStream::fmCreate);
  file.WriteBuffer(bytes.Memory(), bytes.GetSize());
  Commit(file);
}

void TSaveFile::Commit(TWzBigFileStream& staged) { staged.Commit(); }

}  // namespace orva

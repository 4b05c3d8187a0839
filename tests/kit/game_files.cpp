#include "kit/game_files.h"

#include "kit/page_builder.h"

namespace orva::kit {

GameFiles::GameFiles() : saved_(std::move(FileManager)) {
  // No optical roots: nothing on this machine joins the game.
  FileManager = std::make_unique<TVrFileManager>(std::vector<std::string>{});
  FileManager->AddArchive("");
}

GameFiles::~GameFiles() { FileManager = std::move(saved_); }

GameFiles& GameFiles::Add(std::string_view name, std::string_view bytes) {
  TVrFileCollection& archive = FileManager->GetCollection(0);
  archive.Remove(name);
  archive.AddMemoryFile(name).Data->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return *this;
}

GameFiles& GameFiles::Add(std::string_view name, const PageBuilder& page) { return Add(name, page.Bytes()); }

void GameFiles::Remove(std::string_view name) { FileManager->GetCollection(0).Remove(name); }

}  // namespace orva::kit

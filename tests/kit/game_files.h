#pragma once
// Game files held in memory and read through the real file manager: a scope that installs
// a file manager with one in-memory archive as the global one, and gives the old one back.

#include <memory>
#include <string>
#include <string_view>

#include "core/file_manager.h"

namespace orva::kit {

class PageBuilder;

class GameFiles {
 public:
  GameFiles();
  ~GameFiles();
  GameFiles(const GameFiles&) = delete;
  GameFiles& operator=(const GameFiles&) = delete;

  // Adds or replaces a file.
  GameFiles& Add(std::string_view name, std::string_view bytes);
  GameFiles& Add(std::string_view name, const PageBuilder& page);
  void Remove(std::string_view name);
  TVrFileManager& Manager() { return *FileManager; }

 private:
  std::unique_ptr<TVrFileManager> saved_;
};

}  // namespace orva::kit

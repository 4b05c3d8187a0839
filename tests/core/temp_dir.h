#pragma once
// A private directory for a test's files, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <string>

#include "core/game_path.h"
#include "platform/temp_dir.h"

namespace orva::testing {

class TempDir {
 public:
  TempDir() : path_(MakePrivateTempDirectory("orva-test-")) {}
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Real path of a file in the directory.
  std::string Os(const std::string& name) const { return path_ + "/" + name; }
  // Its game path ("\" between components).
  std::string Game(const std::string& name = "") const { return GamePath(path_) + "\\" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Os(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const { return ReadOs(Os(name)); }
  static std::string ReadOs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Os(name)); }

 private:
  std::string path_;
};

}  // namespace orva::testing

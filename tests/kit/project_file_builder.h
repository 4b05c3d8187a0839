#pragma once
// Byte-exact project files ("orva.opb", "/original_orva.opb") as the authoring tool writes
// them: the fields a version has and no others, so every version gate can be built.
//
//   files.Add("orva.opb", ProjectFileBuilder(103).Title("game").StartPage("start.osb")
//                             .IntVar("score", 5).Disc("movie", 2).Bytes());

#include <cstdint>
#include <string>
#include <string_view>

#include "core/vocabulary.h"

namespace orva::kit {

class ProjectFileBuilder {
 public:
  explicit ProjectFileBuilder(int32_t version = MaxPageVersion);

  ProjectFileBuilder& Title(std::string_view text);
  ProjectFileBuilder& Screen(int32_t width, int32_t height);
  ProjectFileBuilder& FullScreen(int32_t width, int32_t height);
  ProjectFileBuilder& StartPage(std::string_view name);
  ProjectFileBuilder& RegistryKey(std::string_view key);
  // Written from version 104, 106 and 109 on.
  ProjectFileBuilder& WriteStatus(bool on);
  ProjectFileBuilder& FramePacing(bool on);
  ProjectFileBuilder& MediaExtensions(std::string_view extensions);
  ProjectFileBuilder& DiscPrompt(std::string_view text);
  ProjectFileBuilder& QuitText(std::string_view text);

  // Status variable records.
  ProjectFileBuilder& IntVar(std::string_view name, int32_t value);
  ProjectFileBuilder& FloatVar(std::string_view name, long double value);
  ProjectFileBuilder& BoolVar(std::string_view name, bool value);
  ProjectFileBuilder& StrVar(std::string_view name, std::string_view value);
  // A record of any type with these value bytes as they are.
  ProjectFileBuilder& RawVar(uint8_t type, std::string_view name, std::string_view valueBytes = {});

  // An entry of the disc table.
  ProjectFileBuilder& Disc(std::string_view folder, int32_t disc);
  // Bytes after the disc table.
  ProjectFileBuilder& Trailer(std::string_view bytes);

  std::string Bytes() const;

 private:
  int32_t version_;
  std::string title_ = "game", startPage_ = "start.osb", registryKey_, media_ = "wav.wma.ogg";
  std::string prompt_ = "disc %d", quit_ = "quit";
  int32_t width_ = 640, height_ = 480, fullWidth_ = 640, fullHeight_ = 480;
  bool writeStatus_ = true, pacing_ = true;
  int32_t variableCount_ = 0;
  std::string variables_;
  int32_t discCount_ = 0;
  std::string discs_;
  std::string trailer_;
};

}  // namespace orva::kit

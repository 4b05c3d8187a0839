#include "kit/project_file_builder.h"

#include "core/stream.h"
#include "kit/stored_bytes.h"
#include "script/conversions.h"

namespace orva::kit {

ProjectFileBuilder::ProjectFileBuilder(int32_t version) : version_(version) {}

ProjectFileBuilder& ProjectFileBuilder::Title(std::string_view text) { title_ = text; return *this; }
ProjectFileBuilder& ProjectFileBuilder::StartPage(std::string_view name) { startPage_ = name; return *this; }
ProjectFileBuilder& ProjectFileBuilder::RegistryKey(std::string_view key) { registryKey_ = key; return *this; }
ProjectFileBuilder& ProjectFileBuilder::WriteStatus(bool on) { writeStatus_ = on; return *this; }
ProjectFileBuilder& ProjectFileBuilder::FramePacing(bool on) { pacing_ = on; return *this; }
ProjectFileBuilder& ProjectFileBuilder::MediaExtensions(std::string_view extensions) { media_ = extensions; return *this; }
ProjectFileBuilder& ProjectFileBuilder::DiscPrompt(std::string_view text) { prompt_ = text; return *this; }
ProjectFileBuilder& ProjectFileBuilder::QuitText(std::string_view text) { quit_ = text; return *this; }
ProjectFileBuilder& ProjectFileBuilder::Trailer(std::string_view bytes) { trailer_ = bytes; return *this; }

ProjectFileBuilder& ProjectFileBuilder::Screen(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  return *this;
}

ProjectFileBuilder& ProjectFileBuilder::FullScreen(int32_t width, int32_t height) {
  fullWidth_ = width;
  fullHeight_ = height;
  return *this;
}

ProjectFileBuilder& ProjectFileBuilder::RawVar(uint8_t type, std::string_view name, std::string_view valueBytes) {
  variables_ += static_cast<char>(type);
  variables_ += Str(name);
  variables_ += valueBytes;
  ++variableCount_;
  return *this;
}

ProjectFileBuilder& ProjectFileBuilder::IntVar(std::string_view name, int32_t value) {
  return RawVar(PT_INT, name, Int(value));
}

ProjectFileBuilder& ProjectFileBuilder::FloatVar(std::string_view name, long double value) {
  uint8_t bytes[10];
  FloatToBytes(value, bytes);
  return RawVar(PT_FLOAT, name, std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

ProjectFileBuilder& ProjectFileBuilder::BoolVar(std::string_view name, bool value) {
  return RawVar(PT_BOOL, name, std::string(1, value ? '\1' : '\0'));
}

ProjectFileBuilder& ProjectFileBuilder::StrVar(std::string_view name, std::string_view value) {
  return RawVar(PT_STR, name, Str(value));
}

ProjectFileBuilder& ProjectFileBuilder::Disc(std::string_view folder, int32_t disc) {
  discs_ += Str(folder) + Int(disc);
  ++discCount_;
  return *this;
}

std::string ProjectFileBuilder::Bytes() const {
  std::string out = Int(version_) + Str(title_) + Int(width_) + Int(height_) + Int(fullWidth_) + Int(fullHeight_) +
                    Str(startPage_) + Str(registryKey_) + Int(0);
  if (version_ >= 104) out += static_cast<char>(writeStatus_ ? 1 : 0);
  if (version_ >= 106) out += static_cast<char>(pacing_ ? 1 : 0);
  if (version_ >= 109) out += Str(media_);
  out += Str(prompt_) + Str(quit_) + Int(variableCount_) + variables_;
  out += Int(discCount_) + discs_ + trailer_;
  return out;
}

}  // namespace orva::kit

#pragma once
// A settings file of "[section]" headers and "key=value" lines, read and rewritten the way the
// system's profile functions do: names ignore case, values are trimmed, and a rewrite keeps
// every other line of the file as it was.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class TIniFile {
 public:
  // A missing or unreadable file reads as empty.
  explicit TIniFile(std::string realPath);

  // The value of the first such key of the first such section; `fallback` when absent.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The integer text rule (core/number_text.h); `fallback` for a missing or non-numeric value.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer: 0 false, any other true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Replaces the key's value, or appends the key to its section (the section to the file).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value) { WriteInteger(section, key, value ? 1 : 0); }

  // Replaces the file only once the whole new text is on the disk; raises the stream errors
  // (core/exceptions.h) when it cannot be written.
  void UpdateFile() const;

  const std::string& Path() const { return path_; }
  // The file's text as it would be written.
  std::string Text() const;

 private:
  struct Line {
    std::string text;  // as read, without the line break
  };
  // Index of the section's header line, -1 when absent.
  int FindSection(std::string_view section) const;
  // Index of the key's line inside the section that starts after `header`, -1 when absent.
  int FindKey(int header, std::string_view key) const;
  // One past the last line that belongs to the section starting after `header`.
  int SectionEnd(int header) const;

  std::string path_;
  std::vector<Line> lines_;
  bool endsWithBreak_ = true;
  std::string lineBreak_ = "\r\n";  // the file's own, from its first line
};

}  // namespace orva

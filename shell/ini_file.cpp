#include "shell/ini_file.h"

#include <fstream>
#include <iterator>

#include "core/big_stream.h"
#include "core/game_path.h"
#include "core/number_text.h"

namespace orva {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The section name of a header line; false for any other line.
bool HeaderName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  const size_t close = line.find(']');
  name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  return true;
}

// The key and value of a "key=value" line; false for comments and other lines.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(line.substr(0, equals));
  value = Trim(line.substr(equals + 1));
  return true;
}

}  // namespace

TIniFile::TIniFile(std::string realPath) : path_(std::move(realPath)) {
  std::ifstream in(path_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines_.push_back({text.substr(start)});
      endsWithBreak_ = false;
      break;
    }
    const bool crlf = end > start && text[end - 1] == '\r';
    if (lines_.empty()) lineBreak_ = crlf ? "\r\n" : "\n";
    const size_t stop = crlf ? end - 1 : end;
    lines_.push_back({text.substr(start, stop - start)});
    start = end + 1;
  }
}

int TIniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (HeaderName(lines_[i].text, name) && SameName(name, section)) return static_cast<int>(i);
  }
  return -1;
}

int TIniFile::SectionEnd(int header) const {
  int end = header + 1;
  for (int i = header + 1; i < static_cast<int>(lines_.size()); ++i) {
    std::string_view name;
    if (HeaderName(lines_[i].text, name)) break;
    if (!Trim(lines_[i].text).empty()) end = i + 1;
  }
  return end;
}

int TIniFile::FindKey(int header, std::string_view key) const {
  for (int i = header + 1; i < static_cast<int>(lines_.size()); ++i) {
    std::string_view name, k, v;
    if (HeaderName(lines_[i].text, name)) break;
    if (KeyValue(lines_[i].text, k, v) && SameName(k, key)) return i;
  }
  return -1;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const int header = FindSection(section);
  const int line = header < 0 ? -1 : FindKey(header, key);
  if (line < 0) return std::string(fallback);
  std::string_view k, value;
  KeyValue(lines_[static_cast<size_t>(line)].text, k, value);
  return std::string(value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  int32_t value = 0;
  return TryTextToInt(ReadString(section, key, ""), value) ? value : fallback;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string line = std::string(key) + "=" + std::string(value);
  endsWithBreak_ = true;
  int header = FindSection(section);
  if (header < 0) {
    lines_.push_back({"[" + std::string(section) + "]"});
    header = static_cast<int>(lines_.size()) - 1;
  }
  const int existing = FindKey(header, key);
  if (existing >= 0) {
    // The file's own spelling of the key stays.
    std::string& text = lines_[static_cast<size_t>(existing)].text;
    std::string_view k, v;
    KeyValue(text, k, v);
    text = std::string(k) + "=" + std::string(value);
    return;
  }
  lines_.insert(lines_.begin() + SectionEnd(header), {line});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, IntToText(value));
}

std::string TIniFile::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i].text;
    if (i + 1 < lines_.size() || endsWithBreak_) text += lineBreak_;
  }
  return text;
}

void TIniFile::UpdateFile() const {
  TWzBigMemoryStream out;
  const std::string text = Text();
  out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  out.SaveToFile(GamePath(path_));
}

}  // namespace orva

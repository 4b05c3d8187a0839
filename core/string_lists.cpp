#include "core/string_lists.h"

#include "core/sjis.h"
#include "core/stream.h"

namespace orva {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

void TArrayString::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, Count());
  for (const std::string& s : items_) WriteStreamString(stream, s);
}

void TArrayString::LoadFromStream(TStream& stream) {
  Clear();
  int32_t count = ReadStreamCount(stream, 4);
  items_.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) items_.push_back(ReadStreamString(stream));
}

namespace {

std::string WithBackslash(std::string_view path) {
  std::string r(path);
  if (!EndsWithPathDelimiter(r)) r.push_back('\\');
  return r;
}

}  // namespace

int TFolderDiskList::IndexOfPath(std::string_view path) const {
  const std::string key = WithBackslash(path);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (SameTextAscii(WithBackslash(entries_[i].folder), key)) return static_cast<int>(i);
  return -1;
}

int32_t TFolderDiskList::DiskOfPath(std::string_view path) const {
  std::string key = AnsiUpperCase(path);
  while (!key.empty()) {
    int index = IndexOfPath(key);
    if (index >= 0) return entries_[static_cast<size_t>(index)].disk;
    int delimiter = LastDelimiter("\\", key);
    key.resize(delimiter > 0 ? static_cast<size_t>(delimiter - 1) : 0);
  }
  return 0;
}

void TFolderDiskList::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, Count());
  for (const Entry& e : entries_) {
    WriteStreamString(stream, e.folder);
    WriteStreamInt(stream, e.disk);
  }
}

void TFolderDiskList::LoadFromStream(TStream& stream) {
  Clear();
  int32_t count = ReadStreamCount(stream, 8);
  for (int32_t i = 0; i < count; ++i) {
    std::string folder = ReadStreamString(stream);
    int32_t disk = ReadStreamInt(stream);
    AddEntry(folder, disk);
  }
}

}  // namespace orva

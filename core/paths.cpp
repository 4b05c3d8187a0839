#include "core/paths.h"

#include "core/sjis.h"

namespace orva {

std::string AddBackSlash(std::string_view path) {
  std::string result(path);
  if (!EndsWithPathDelimiter(result)) result += '\\';
  return result;
}

std::string ExtractFilePath(std::string_view path) {
  return std::string(path.substr(0, static_cast<size_t>(LastDelimiter("\\:", path))));
}

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(static_cast<size_t>(LastDelimiter("\\:", path))));
}

std::string ExtractFileExt(std::string_view path) {
  int dot = LastDelimiter(".\\:", path);
  if (dot > 0 && path[static_cast<size_t>(dot - 1)] == '.') return std::string(path.substr(static_cast<size_t>(dot - 1)));
  return {};
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
  int dot = LastDelimiter(".\\:", path);
  size_t end = dot > 0 && path[static_cast<size_t>(dot - 1)] == '.' ? static_cast<size_t>(dot - 1) : path.size();
  return std::string(path.substr(0, end)) + std::string(extension);
}

namespace {

// 0-based index of the first path delimiter at or after `from`; npos when none.
size_t FindDelimiter(std::string_view s, size_t from) {
  for (size_t i = from; i < s.size(); ++i)
    if (IsPathDelimiter(s, static_cast<int>(i) + 1)) return i;
  return std::string_view::npos;
}

}  // namespace

void TPathParser::SetPath(std::string_view path) {
  components_.clear();
  if (path.empty()) return;
  std::string p = AddBackSlash(AnsiUpperCase(path));
  size_t start = 0;
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
    size_t end = FindDelimiter(p, 2);
    components_.push_back(p.substr(0, end + 1));
    start = end + 1;
  } else if (p.size() >= 2 && p[1] == ':') {
    components_.push_back(p.substr(0, 3));
    start = 3;
  }
  while (start < p.size()) {
    size_t end = FindDelimiter(p, start);
    components_.push_back(p.substr(start, end - start + 1));
    start = end + 1;
  }
}

std::string TPathParser::Join() const {
  std::string result;
  for (const std::string& c : components_) result += c;
  return result;
}

std::string ExpandRelativePath(std::string_view name, std::string_view base) {
  if (name.size() <= 1 || name[0] == '\\' || name[1] == ':') return std::string(name);
  if (name.substr(0, 3) != "..\\") return std::string(base) + std::string(name);
  TPathParser parser;
  parser.SetPath(base);
  std::string_view rest = name;
  while (parser.Count() > 0 && rest.substr(0, 3) == "..\\") {
    parser.RemoveLast();
    rest.remove_prefix(3);
  }
  return parser.Join() + std::string(rest);
}

std::string ExtractDataDir(std::string_view path) {
  if (path.empty()) return {};
  if ((path.size() >= 2 && path[0] == '\\' && path[1] == '\\') || (path.size() >= 2 && path[1] == ':'))
    return ExtractFilePath(path);
  return std::string(path.substr(0, static_cast<size_t>(LastDelimiter("\\", path))));
}

bool IsGameRelativeName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    return false;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    const bool end = i == name.size() || name[i] == '/' || IsPathDelimiter(name, static_cast<int>(i) + 1);
    if (!end) continue;
    const std::string_view component = name.substr(start, i - start);
    if (component == "..") {
      if (--depth < 0) return false;
    } else if (!component.empty() && component != ".") {
      ++depth;
    }
    start = i + 1;
  }
  return true;
}

}  // namespace orva

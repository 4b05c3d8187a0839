#include "platform/path_resolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace orva {
namespace {

// Decodes one UTF-8 character at s[i]; an invalid byte is taken alone as a value above the
// Unicode range, so it only ever equals itself.
char32_t NextChar(std::string_view s, size_t& i) {
  auto b = static_cast<uint8_t>(s[i]);
  int extra = b < 0x80 ? 0 : b >= 0xC2 && b < 0xE0 ? 1 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xF0 && b < 0xF5 ? 3 : -1;
  char32_t c = extra <= 0 ? b : b & (0x3F >> extra);
  bool valid = extra >= 0 && i + extra < s.size();
  for (int k = 1; valid && k <= extra; ++k) {
    auto t = static_cast<uint8_t>(s[i + k]);
    valid = (t & 0xC0) == 0x80;
    c = (c << 6) | (t & 0x3F);
  }
  if (!valid) {
    ++i;
    return 0x110000u + b;
  }
  i += 1 + extra;
  return c;
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;                 // full-width Latin
  if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return c + 0x20;  // Greek
  if (c >= 0x0410 && c <= 0x042F) return c + 0x20;                 // Cyrillic
  if (c == 0x0401) return 0x0451;                                  // Ё
  return c;
}

struct DirectoryListing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  std::vector<std::string> names;  // sorted
};

// Listings of the directories searched lately, checked against the directory's change time
// on every use, so that a lookup that misses does not read the directory each time.
class ListingCache {
 public:
  bool Find(const std::string& directory, std::string_view name, std::string& match) {
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    std::lock_guard<std::mutex> guard(lock_);
    DirectoryListing* listing = Lookup(directory, st);
    if (!listing) return false;
    for (const std::string& entry : listing->names)
      if (SameFileNameIgnoringCase(entry, name)) {
        match = entry;
        return true;
      }
    return false;
  }

 private:
  static constexpr size_t kMaxDirectories = 64;

  DirectoryListing* Lookup(const std::string& directory, const struct stat& st) {
    auto it = map_.find(directory);
    if (it != map_.end()) {
      DirectoryListing& l = it->second;
      if (l.device == st.st_dev && l.inode == st.st_ino && l.modified.tv_sec == st.st_mtim.tv_sec &&
          l.modified.tv_nsec == st.st_mtim.tv_nsec)
        return &l;
      map_.erase(it);
      order_.remove(directory);
    }
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return nullptr;
    DirectoryListing listing{st.st_dev, st.st_ino, st.st_mtim, {}};
    while (dirent* e = ::readdir(dir)) {
      std::string_view n = e->d_name;
      if (n != "." && n != "..") listing.names.emplace_back(n);
    }
    ::closedir(dir);
    std::sort(listing.names.begin(), listing.names.end());
    if (map_.size() >= kMaxDirectories) {
      map_.erase(order_.front());
      order_.pop_front();
    }
    order_.push_back(directory);
    return &map_.emplace(directory, std::move(listing)).first->second;
  }

  std::mutex lock_;
  std::unordered_map<std::string, DirectoryListing> map_;
  std::list<std::string> order_;
};

ListingCache& Listings() {
  static ListingCache cache;
  return cache;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool SameFileNameIgnoringCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (FoldCase(NextChar(a, i)) != FoldCase(NextChar(b, j))) return false;
  return i == a.size() && j == b.size();
}

std::string ResolvePath(std::string_view path) {
  std::string result;
  bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
  if (absolute) result.push_back('/');
  bool searching = true;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    std::string directory = result.empty() ? "." : result;
    if (!result.empty() && result.back() != '/') result += '/';
    std::string candidate = result + std::string(component);
    if (searching && component != "." && component != ".." && !Exists(candidate)) {
      std::string match;
      if (Listings().Find(directory, component, match))
        candidate = result + match;
      else
        searching = false;  // nothing below a missing directory can exist
    }
    result = std::move(candidate);
  }
  if (!path.empty() && (path.back() == '/' || path.back() == '\\') && !result.empty() && result.back() != '/')
    result += '/';
  return result;
}

}  // namespace orva

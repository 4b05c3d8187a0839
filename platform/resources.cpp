#include "platform/resources.h"

#include <map>
#include <mutex>
#include <string>

namespace orva {
namespace {

struct Registry {
  std::mutex lock;
  std::map<std::string, std::span<const uint8_t>> blobs;
};

// Built on first use: the generated registrars run during static initialisation.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string Key(std::string_view type, std::string_view name) {
  std::string key;
  key.reserve(type.size() + name.size() + 1);
  for (char c : type) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
  key += '\0';
  for (char c : name) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
  return key;
}

}  // namespace

void RegisterResource(std::string_view type, std::string_view name, std::span<const uint8_t> bytes) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.blobs[Key(type, name)] = bytes;
}

void UnregisterResource(std::string_view type, std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.blobs.erase(Key(type, name));
}

std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.blobs.find(Key(type, name));
  if (it == r.blobs.end()) return std::nullopt;
  return it->second;
}

}  // namespace orva

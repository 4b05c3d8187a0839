#pragma once
// Blobs linked into the program at build time (orva_embed_resource in CMake), found by type
// and name as a module's resources were ("BINTYPE"/"DUMMY", the start-up logo). Tests
// register their own.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace orva {

// The bytes must outlive their registration. A second registration of the same type and
// name replaces the first. Types and names are compared ignoring ASCII case.
void RegisterResource(std::string_view type, std::string_view name, std::span<const uint8_t> bytes);
void UnregisterResource(std::string_view type, std::string_view name);
std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name);

}  // namespace orva

#pragma once
// A private directory for the player's temporary work files.

#include <string>
#include <string_view>

namespace orva {

// A new directory of mode 0700 under $TMPDIR (else /tmp), named prefix + random letters,
// without a trailing "/"; empty when it cannot be made.
std::string MakePrivateTempDirectory(std::string_view prefix);

// Removes the files directly inside the directory and then the directory; links are
// removed, never followed. Failures are ignored.
void RemoveDirectoryWithFiles(const std::string& directory);

}  // namespace orva

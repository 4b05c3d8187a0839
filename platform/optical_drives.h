#pragma once
// Roots of the mounted optical discs, where a game's installation discs are looked for.

#include <string>
#include <string_view>
#include <vector>

namespace orva {

// Mount points of iso9660 and udf file systems in the text of /proc/self/mounts, in its
// order, each with a trailing "/". Octal escapes of the mount table (\040) are decoded.
std::vector<std::string> ParseOpticalMounts(std::string_view mounts);

// The optical mount points of this system that can be read now.
std::vector<std::string> MountedOpticalRoots();

// Whether a file system type number (statfs) is that of an optical disc: iso9660 or udf.
bool IsOpticalFileSystemType(long long type);
// Whether the file lies on an optical disc; false when that cannot be told.
bool IsOnOpticalDisc(const std::string& path);

}  // namespace orva

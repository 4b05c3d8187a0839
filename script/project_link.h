#pragma once
// What the interpreter needs of the project (the running game): whether a game file can be
// read now, asking for its disc when needed, and the save and load requests that the
// project carries out after the frame's interpreter run.

#include <cstdint>
#include <string_view>

namespace orva {

class TProjectLink {
 public:
  virtual ~TProjectLink() = default;
  virtual bool FileAvailable(std::string_view name) = 0;
  // A later request in the same frame replaces an earlier one.
  virtual void RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                           std::string_view caption) = 0;
  virtual void RequestLoad(int32_t slot) = 0;
};

}  // namespace orva

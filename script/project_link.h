#pragma once
// What the interpreter needs of the project (the running game): whether a game file can be
// read now, asking for its disc when needed, the save and load requests that the project
// carries out after the frame's interpreter run, and the captions of the saves.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct TSaveCaption {
  int32_t Slot = 0;
  std::string Caption;
};

class TProjectLink {
 public:
  virtual ~TProjectLink() = default;
  virtual bool FileAvailable(std::string_view name) = 0;
  // A later request in the same frame replaces an earlier one.
  virtual void RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                           std::string_view caption) = 0;
  virtual void RequestLoad(int32_t slot) = 0;
  // The captions of the game saves with their slots, in the list's order; none by default.
  virtual const std::vector<TSaveCaption>& Captions() const {
    static const std::vector<TSaveCaption> none;
    return none;
  }
};

}  // namespace orva

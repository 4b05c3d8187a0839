#pragma once
// The data file of a preview menu: its size and, per button, a position, a name, the image
// or film files of its states, an overlay position and a cursor. TContSelList reads it and
// only stores names and numbers; the preview menu makes its buttons from it.
//
// Layout: the bytes "OrvaPrevMenu", a version of three decimal digits (100 .. 103), int32
// width, height and button count, then the button records. Strings are an int32 byte count
// and the bytes; fields a version lacks stay empty.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class TStream;

struct TContSelButton {
  int32_t X = 0, Y = 0;
  std::string Normal;
  bool CaptureMask = false;
  std::string Name;
  std::string Hover, Leave, Select;
  std::string Disabled;                      // from version 101
  std::string DisabledHover, DisabledLeave;  // from version 103
  std::string HoverOverlay, LeaveOverlay, SelectOverlay;
  std::string DisabledHoverOverlay, DisabledLeaveOverlay;  // from version 102
  int32_t OverlayX = 0, OverlayY = 0;
  std::string Cursor;
};

class TContSelList {
 public:
  // Clears the list and reads the file; the file names beginning with "..\" are resolved
  // against the base directory. A wrong tag or a version below 100 leaves the list empty;
  // counts and strings are checked against the bytes left, and a record the data cuts ends
  // the reading with the buttons read whole.
  void LoadFromStream(TStream& stream, std::string_view baseDir);
  void Clear() { buttons_.clear(); }
  int Count() const { return static_cast<int>(buttons_.size()); }
  const TContSelButton& Get(int index) const { return *buttons_[size_t(index)]; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int Version() const { return version_; }

 private:
  std::vector<std::unique_ptr<TContSelButton>> buttons_;
  int32_t width_ = 0, height_ = 0;
  int version_ = 0;
};

}  // namespace orva

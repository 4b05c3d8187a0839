#include "film/wipe_track.h"

namespace orva {

TWipeFrameList::TWipeFrameList(TFilm& film) : TCustomFrameList(film) {
  Length = 1;
  Frames.emplace_back();
}

void TWipeFrameList::Load(TFilmReader& reader, std::string_view baseDir, int version) {
  TCustomFrameList::Load(reader, baseDir, version);
  WipeType = reader.Byte();
  if (version < 101) return;
  MaskName = reader.String();
  const bool absolute = !MaskName.empty() && (MaskName[0] == '\\' || (MaskName.size() > 1 && MaskName[1] == ':'));
  if (!MaskName.empty() && !absolute) MaskName = std::string(baseDir) + MaskName;
  Param0 = reader.Int();
  Param1 = reader.Int();
  Reverse = reader.Bool();
}

}  // namespace orva

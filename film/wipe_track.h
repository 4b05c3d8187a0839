#pragma once
// Transition tracks: a span of a film during which the owner scene changes its page through a
// screen transition. The track only holds the transition's settings; the film makes it the
// scene's running transition (TFilm::SetTime).

#include <cstdint>
#include <string>

#include "film/track.h"

namespace orva {

class TWipeFrameList : public TCustomFrameList {
 public:
  // Length 1, one frame, transition 1.
  explicit TWipeFrameList(TFilm& film);

  // WP_ number; numbers above the last transition play as none.
  uint8_t WipeType = 1;
  // The mask picture of the mask transitions: the film's directory put before a name that
  // is not absolute, by plain concatenation ("..\" stays).
  std::string MaskName;
  int32_t Param0 = 0, Param1 = 0;
  bool Reverse = false;

  TTrackType GetTrackType() const override { return ttWipe; }
  int FrameIndexAt(int32_t) const override { return 0; }
  void Load(TFilmReader& reader, std::string_view baseDir, int version) override;
};

}  // namespace orva

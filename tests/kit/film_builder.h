#pragma once
// Byte-exact film files ("omt") as the authoring tool writes them: the header and track
// records with exactly the fields the version has, so every version gate can be built, and
// hostile variants (a raw type byte, a stored track count of any value, raw version digits,
// bytes cut off or added).
//
//   files.Add("op.omt", FilmBuilder(108).Size(640, 480).Color(0)
//                           .Add(ImageTrack{.Common = {.Length = 60}, .FileName = "a.vsk"})
//                           .Add(WipeTrack{.Common = {.Parent = 0, .Length = 30}, .WipeType = WP_FADE})
//                           .Bytes());
//
// Values are written as given, in the units of the version (films before 107 count in 1/30 s,
// sounds before 108 in hundredths of a decibel).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/rect.h"
#include "core/vocabulary.h"

namespace orva::kit {

// The record every track begins with.
struct TrackCommon {
  int32_t Parent = -1;
  int32_t Length = 1;
  int32_t Unnamed = 0;
  int32_t Start = 0;
  int32_t Cycle = 0;
  int32_t Priority = 0;
  bool FlipH = false, FlipV = false, OtherPage = false;
};

// A clip block: written from version 101.
struct ClipBlock {
  TPoint StartPos{}, StartSize{}, EndPos{}, EndSize{};
  uint8_t XMode = 0, YMode = 0;
};

// The record of image, tile and label tracks; the Y zooms from version 105.
struct PictureRecord {
  TPoint BasePos{}, StartPos{}, EndPos{};
  uint8_t XMode = 0, YMode = 0;
  int32_t StartAngle = 0, EndAngle = 0;
  double StartZoomX = 1.0, EndZoomX = 1.0;
  uint8_t ZoomXMode = 0;
  int32_t StartAlpha = 0, EndAlpha = 0;
  uint8_t AngleMode = 0;
  ClipBlock Clip{};
  double StartZoomY = 1.0, EndZoomY = 1.0;
  uint8_t ZoomYMode = 0;
};

struct ImageTrack {
  TrackCommon Common{};
  PictureRecord Picture{};
  std::string FileName{};
};

struct TileTrack {
  TrackCommon Common{};
  PictureRecord Picture{};
  std::string FileName{};
  int32_t StartWidth = 0, StartHeight = 0, EndWidth = 0, EndHeight = 0;
  int32_t StartScrollX = 0, StartScrollY = 0, EndScrollX = 0, EndScrollY = 0;
  uint8_t ScrollXMode = 0, ScrollYMode = 0;
  int32_t DistanceX = 0, DistanceY = 0;
  // The second clip block (from version 101), which replaces the first.
  ClipBlock Clip2{};
};

struct LabelTrack {
  TrackCommon Common{.Length = 5};
  PictureRecord Picture{};
  std::string Text{};
  uint8_t Antialias = 0;
  std::string FontName{};
  int32_t FontHeight = 12;
  // Written in every version; read only from 103.
  int32_t LineSpace = 0;
  uint8_t FontStyle = 0;
  int32_t FontColor = 0xFFFFFF;
  // From version 103.
  uint8_t HAlign = 0;
};

struct BoxTrack {
  TrackCommon Common{};
  TPoint StartPos{}, EndPos{};
  uint8_t XMode = 0, YMode = 0;
  int32_t StartAlpha = 0, EndAlpha = 0;
  int32_t StartWidth = 100, StartHeight = 100, EndWidth = 100, EndHeight = 100;
  int32_t StartColor = 0, EndColor = 0;
  int32_t StartBorderWidth = 0, EndBorderWidth = 0;
  int32_t StartBorderColor = 0, EndBorderColor = 0;
  ClipBlock Clip{};
};

// The fields after WipeType from version 101.
struct WipeTrack {
  TrackCommon Common{};
  uint8_t WipeType = 1;
  std::string MaskName{};
  int32_t Param0 = 0, Param1 = 0;
  bool Reverse = false;
};

struct SoundTrack {
  TrackCommon Common{};
  std::string FileName{};
  int32_t StartVolume = 1000, EndVolume = 1000;
  int32_t StartBalance = 0, EndBalance = 0;
  uint8_t VolumeMode = 0, BalanceMode = 0;
};

struct ParticleTrack {
  TrackCommon Common{};
  std::string FileName{};
  uint8_t PartMotion = 0;
  int32_t ParticleIndex = 0;
  int32_t StartInterval = 100, EndInterval = 100;
  int32_t StartIntervalRange = 1, EndIntervalRange = 1;
  TPoint StartAppearPos{}, EndAppearPos{};
  TPoint StartAppearSize{1, 1}, EndAppearSize{1, 1};
  uint8_t AppearXMode = 0, AppearYMode = 0;
  std::array<double, 3> StartParam{}, EndParam{};
  TPoint StartPos{}, EndPos{};
  uint8_t XMode = 0, YMode = 0;
  int32_t StartWidth = 640, StartHeight = 480, EndWidth = 640, EndHeight = 480;
  ClipBlock Clip{};
  int32_t StartAlpha = 0, EndAlpha = 0;
};

struct FireTrack {
  TrackCommon Common{};
  TPoint StartPos{}, EndPos{};
  uint8_t XMode = 0, YMode = 0;
  int32_t StartWidth = 160, StartHeight = 30, EndWidth = 160, EndHeight = 30;
  ClipBlock Clip{};
  double StartZoomX = 4.0, StartZoomY = 4.0, EndZoomX = 4.0, EndZoomY = 4.0;
  uint8_t ZoomXMode = 0, ZoomYMode = 0;
  int32_t Power = 100;
};

using FilmTrack =
    std::variant<ImageTrack, LabelTrack, BoxTrack, WipeTrack, SoundTrack, TileTrack, ParticleTrack, FireTrack>;

class FilmBuilder {
 public:
  explicit FilmBuilder(int32_t version = FilmVersion, std::string_view tag = FilmTag);

  FilmBuilder& Size(int32_t width, int32_t height);
  FilmBuilder& Color(int32_t color);
  // Version 102 on.
  FilmBuilder& Relative(bool on);
  // Version 104 on.
  FilmBuilder& Origin(TPoint origin);
  // Version 106 on.
  FilmBuilder& LoopStart(int32_t tick);
  // The type byte is the track's (its variant index), or typeByte when given (bit 7, say).
  FilmBuilder& Add(const FilmTrack& track, int typeByte = -1);
  // A track record of any bytes after a type byte.
  FilmBuilder& Raw(uint8_t typeByte, std::string_view bytes);
  // The stored track count instead of the number added.
  FilmBuilder& Count(int32_t count);
  // The three characters after the tag instead of the version's digits.
  FilmBuilder& Digits(std::string_view digits);

  std::string Bytes() const;

 private:
  int32_t version_;
  std::string tag_, digits_;
  int32_t width_ = 640, height_ = 480, color_ = -1;
  bool relative_ = false;
  TPoint origin_{};
  int32_t loopStart_ = 0;
  std::optional<int32_t> count_;
  int32_t added_ = 0;
  std::string records_;
};

}  // namespace orva::kit

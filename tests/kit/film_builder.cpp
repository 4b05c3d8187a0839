#include "kit/film_builder.h"

#include <cstring>

namespace orva::kit {

namespace {

class Writer {
 public:
  explicit Writer(int32_t version) : version(version) {}
  void Int(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out += static_cast<char>(u >> (8 * i) & 0xFF);
  }
  void Byte(uint8_t v) { out += static_cast<char>(v); }
  void Bool(bool v) { Byte(v ? 1 : 0); }
  void Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) out += static_cast<char>(bits >> (8 * i) & 0xFF);
  }
  void Point(TPoint p) {
    Int(p.X);
    Int(p.Y);
  }
  void Str(std::string_view s) {
    Int(static_cast<int32_t>(s.size()));
    out += s;
  }

  void Common(const TrackCommon& c) {
    Int(c.Parent);
    Int(c.Length);
    Int(c.Unnamed);
    Int(c.Start);
    Int(c.Cycle);
    Int(c.Priority);
    Bool(c.FlipH);
    Bool(c.FlipV);
    Bool(c.OtherPage);
  }
  void Clip(const ClipBlock& c) {
    Point(c.StartPos);
    Point(c.StartSize);
    Point(c.EndPos);
    Point(c.EndSize);
    Byte(c.XMode);
    Byte(c.YMode);
  }
  void Picture(const PictureRecord& p) {
    Point(p.BasePos);
    Point(p.StartPos);
    Point(p.EndPos);
    Byte(p.XMode);
    Byte(p.YMode);
    Int(p.StartAngle);
    Int(p.EndAngle);
    Double(p.StartZoomX);
    Double(p.EndZoomX);
    Byte(p.ZoomXMode);
    Int(p.StartAlpha);
    Int(p.EndAlpha);
    Byte(p.AngleMode);
    if (version >= 101) Clip(p.Clip);
    if (version >= 105) {
      Double(p.StartZoomY);
      Double(p.EndZoomY);
      Byte(p.ZoomYMode);
    }
  }

  void operator()(const ImageTrack& t) {
    Common(t.Common);
    Picture(t.Picture);
    Str(t.FileName);
  }
  void operator()(const TileTrack& t) {
    Common(t.Common);
    Picture(t.Picture);
    Str(t.FileName);
    for (int32_t v : {t.StartWidth, t.StartHeight, t.EndWidth, t.EndHeight, t.StartScrollX, t.StartScrollY,
                      t.EndScrollX, t.EndScrollY})
      Int(v);
    Byte(t.ScrollXMode);
    Byte(t.ScrollYMode);
    Int(t.DistanceX);
    Int(t.DistanceY);
    if (version >= 101) Clip(t.Clip2);
  }
  void operator()(const LabelTrack& t) {
    Common(t.Common);
    Picture(t.Picture);
    Str(t.Text);
    Byte(t.Antialias);
    Str(t.FontName);
    Int(t.FontHeight);
    Int(t.LineSpace);
    Byte(t.FontStyle);
    Int(t.FontColor);
    if (version >= 103) Byte(t.HAlign);
  }
  void operator()(const BoxTrack& t) {
    Common(t.Common);
    Point(t.StartPos);
    Point(t.EndPos);
    Byte(t.XMode);
    Byte(t.YMode);
    for (int32_t v : {t.StartAlpha, t.EndAlpha, t.StartWidth, t.StartHeight, t.EndWidth, t.EndHeight, t.StartColor,
                      t.EndColor, t.StartBorderWidth, t.EndBorderWidth, t.StartBorderColor, t.EndBorderColor})
      Int(v);
    if (version >= 101) Clip(t.Clip);
  }
  void operator()(const WipeTrack& t) {
    Common(t.Common);
    Byte(t.WipeType);
    if (version < 101) return;
    Str(t.MaskName);
    Int(t.Param0);
    Int(t.Param1);
    Bool(t.Reverse);
  }
  void operator()(const SoundTrack& t) {
    Common(t.Common);
    Str(t.FileName);
    Int(t.StartVolume);
    Int(t.EndVolume);
    Int(t.StartBalance);
    Int(t.EndBalance);
    Byte(t.VolumeMode);
    Byte(t.BalanceMode);
  }
  void operator()(const ParticleTrack& t) {
    Common(t.Common);
    Str(t.FileName);
    Byte(t.PartMotion);
    for (int32_t v : {t.ParticleIndex, t.StartInterval, t.EndInterval, t.StartIntervalRange, t.EndIntervalRange})
      Int(v);
    Point(t.StartAppearPos);
    Point(t.EndAppearPos);
    Point(t.StartAppearSize);
    Point(t.EndAppearSize);
    Byte(t.AppearXMode);
    Byte(t.AppearYMode);
    for (double p : t.StartParam) Double(p);
    for (double p : t.EndParam) Double(p);
    Point(t.StartPos);
    Point(t.EndPos);
    Byte(t.XMode);
    Byte(t.YMode);
    for (int32_t v : {t.StartWidth, t.StartHeight, t.EndWidth, t.EndHeight}) Int(v);
    Clip(t.Clip);
    Int(t.StartAlpha);
    Int(t.EndAlpha);
  }
  void operator()(const FireTrack& t) {
    Common(t.Common);
    Point(t.StartPos);
    Point(t.EndPos);
    Byte(t.XMode);
    Byte(t.YMode);
    for (int32_t v : {t.StartWidth, t.StartHeight, t.EndWidth, t.EndHeight}) Int(v);
    Clip(t.Clip);
    for (double z : {t.StartZoomX, t.StartZoomY, t.EndZoomX, t.EndZoomY}) Double(z);
    Byte(t.ZoomXMode);
    Byte(t.ZoomYMode);
    Int(t.Power);
  }

  int32_t version;
  std::string out;
};

std::string VersionDigits(int32_t version) {
  std::string digits = std::to_string(version);
  while (digits.size() < 3) digits.insert(digits.begin(), '0');
  return digits.substr(digits.size() - 3);
}

}  // namespace

FilmBuilder::FilmBuilder(int32_t version, std::string_view tag)
    : version_(version), tag_(tag), digits_(VersionDigits(version)) {}

FilmBuilder& FilmBuilder::Size(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  return *this;
}
FilmBuilder& FilmBuilder::Color(int32_t color) {
  color_ = color;
  return *this;
}
FilmBuilder& FilmBuilder::Relative(bool on) {
  relative_ = on;
  return *this;
}
FilmBuilder& FilmBuilder::Origin(TPoint origin) {
  origin_ = origin;
  return *this;
}
FilmBuilder& FilmBuilder::LoopStart(int32_t tick) {
  loopStart_ = tick;
  return *this;
}
FilmBuilder& FilmBuilder::Count(int32_t count) {
  count_ = count;
  return *this;
}
FilmBuilder& FilmBuilder::Digits(std::string_view digits) {
  digits_ = digits;
  return *this;
}

FilmBuilder& FilmBuilder::Add(const FilmTrack& track, int typeByte) {
  Writer writer(version_);
  writer.Byte(static_cast<uint8_t>(typeByte >= 0 ? typeByte : static_cast<int>(track.index())));
  std::visit(writer, track);
  records_ += writer.out;
  ++added_;
  return *this;
}

FilmBuilder& FilmBuilder::Raw(uint8_t typeByte, std::string_view bytes) {
  records_ += static_cast<char>(typeByte);
  records_ += bytes;
  ++added_;
  return *this;
}

std::string FilmBuilder::Bytes() const {
  Writer writer(version_);
  writer.out = tag_ + digits_;
  writer.Int(width_);
  writer.Int(height_);
  writer.Int(color_);
  if (version_ >= 102) writer.Bool(relative_);
  if (version_ >= 104) writer.Point(origin_);
  if (version_ >= 106) writer.Int(loopStart_);
  writer.Int(count_.value_or(added_));
  return writer.out + records_;
}

}  // namespace orva::kit

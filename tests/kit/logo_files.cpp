#include "kit/logo_files.h"

#include <cmath>
#include <numbers>
#include <string_view>

#include "kit/cursor_builder.h"
#include "kit/film_builder.h"
#include "kit/vask_file.h"
#include "shell/start_logo.h"

namespace orva::kit {

namespace {

constexpr uint32_t kKey = 0xFF00FF;
constexpr int kEmblem = 96;
constexpr int kGlyphScale = 6, kGlyphGap = 8;
constexpr uint32_t kCore = 0xE8F0FF;
// The film's interpolation mode that starts fast and ends slowly.
constexpr uint8_t kDecelerate = 2;
constexpr double kPi = std::numbers::pi;

// Rows of a picture from a function of the position.
template <class F>
std::string Keyed(int w, int h, F pixel) {
  std::vector<std::vector<uint32_t>> rows(static_cast<size_t>(h), std::vector<uint32_t>(static_cast<size_t>(w)));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rows[size_t(y)][size_t(x)] = pixel(x, y);
  VaskFile file;
  file.Frames.push_back(VaskFrame::Of(w, h, 24, rows));
  file.Frames.back().TransparentValue = static_cast<int32_t>(kKey);
  return MakeVask(file);
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  uint32_t c = 0;
  for (int shift : {0, 8, 16}) {
    const double v = (a >> shift & 0xFF) * (1 - t) + (b >> shift & 0xFF) * t;
    c |= static_cast<uint32_t>(std::lround(v)) << shift;
  }
  return c;
}

// A ring whose colour runs from teal at the top to blue at the bottom, a planet on it up to the right, a core.
std::string EmblemPicture() {
  const double c = (kEmblem - 1) / 2.0;
  return Keyed(kEmblem, kEmblem, [&](int x, int y) {
    const double dx = x - c, dy = y - c, r = std::hypot(dx, dy);
    const double px = c + 38 * std::cos(-kPi / 4), py = c + 38 * std::sin(-kPi / 4);
    if (std::hypot(x - px, y - py) <= 8.5) return Mix(0xFFC060, 0xF07820, std::hypot(x - px + 3, y - py + 3) / 12);
    if (r <= 12.5) return Mix(kCore, 0x90B0F0, r / 13);
    if (r >= 34 && r <= 42.5) return Mix(0x30D0C0, 0x3050E0, (1 + std::sin(std::atan2(dy, dx))) / 2);
    return kKey;
  });
}

// The word ORVA in a 5 x 7 pixel face, each pixel a 6 x 6 block, lighter at the top.
std::string WordPicture() {
  static const char* const glyphs[4][7] = {
      {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
      {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},
      {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},
      {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},
  };
  const int cell = 5 * kGlyphScale + kGlyphGap, w = 4 * cell - kGlyphGap, h = 7 * kGlyphScale;
  return Keyed(w, h, [&](int x, int y) {
    const int letter = x / cell, gx = (x % cell) / kGlyphScale, gy = y / kGlyphScale;
    if (gx >= 5 || glyphs[letter][gy][gx] != '#') return kKey;
    return Mix(0xF4F8FF, 0x7890D8, double(y) / h);
  });
}

// A white hand pointing up, outlined in black, its finger tip the hot spot.
std::string HandCursor() {
  const auto inside = [](int x, int y) {
    const bool finger = x >= 12 && x <= 17 && y >= 2 && y <= 16;
    const bool palm = x >= 8 && x <= 25 && y >= 14 && y <= 28;
    const bool thumb = x >= 3 && x <= 9 && y >= 17 && y <= 22;
    return finger || palm || thumb;
  };
  CursorPicture hand(32, 32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if (inside(x, y)) {
        const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
        hand.Pixel(x, y, edge ? 0xFF000000u : 0xFFFFFFFFu);
      } else {
        hand.Pixel(x, y, 0).Mask(x, y, true);
      }
    }
  return CursorFile().Add(hand, 14, 2).Bytes();
}

std::string LogoFilm() {
  const LogoLayout& logo = Logo();
  const TPoint emblem = logo.EmblemCentre, word{logo.Width / 2, 155};
  const TPoint emblemPivot{kEmblem / 2, kEmblem / 2}, wordPivot{72, 21};
  FilmBuilder film;
  film.Size(logo.Width, logo.Height)
      // The emblem turns and grows in, stays, and fades out growing a little.
      .Add(ImageTrack{.Common = {.Length = 40},
                      .Picture = {.BasePos = emblemPivot,
                                  .StartPos = emblem,
                                  .EndPos = emblem,
                                  .StartAngle = -90,
                                  .StartZoomX = 0.3,
                                  .ZoomXMode = kDecelerate,
                                  .StartAlpha = 1,
                                  .EndAlpha = 255,
                                  .AngleMode = kDecelerate,
                                  .StartZoomY = 0.3,
                                  .ZoomYMode = kDecelerate},
                      .FileName = "emblem.vsk"})
      .Add(ImageTrack{.Common = {.Parent = 0, .Length = 60},
                      .Picture = {.BasePos = emblemPivot, .EndPos = emblem, .EndAlpha = 255},
                      .FileName = "emblem.vsk"})
      .Add(ImageTrack{
          .Common = {.Parent = 1, .Length = 20},
          .Picture = {.BasePos = emblemPivot, .EndPos = emblem, .EndZoomX = 1.15, .EndAlpha = 1, .EndZoomY = 1.15},
          .FileName = "emblem.vsk"})
      // The word rises in under it.
      .Add(ImageTrack{.Common = {.Length = 25, .Start = 15},
                      .Picture = {.BasePos = wordPivot,
                                  .StartPos = {word.X, word.Y + 20},
                                  .EndPos = word,
                                  .YMode = kDecelerate,
                                  .StartAlpha = 1,
                                  .EndAlpha = 255},
                      .FileName = "word.vsk"})
      .Add(ImageTrack{.Common = {.Parent = 3, .Length = 60},
                      .Picture = {.BasePos = wordPivot, .EndPos = word, .EndAlpha = 255},
                      .FileName = "word.vsk"})
      .Add(ImageTrack{.Common = {.Parent = 4, .Length = 20},
                      .Picture = {.BasePos = wordPivot, .EndPos = word, .EndAlpha = 1},
                      .FileName = "word.vsk"})
      // The caption, while the logo stands.
      .Add(LabelTrack{.Common = {.Length = 70, .Start = 30},
                      .Picture = {.StartPos = {logo.Caption.Left, logo.Caption.Top},
                                  .EndPos = {logo.Caption.Left, logo.Caption.Top}},
                      .Text = logo.CaptionText,
                      .Antialias = 1,
                      .FontHeight = logo.Caption.Height(),
                      .FontColor = 0xC0C0C0});
  return film.Bytes();
}

}  // namespace

const LogoLayout& Logo() {
  static const LogoLayout logo{.Width = 320,
                               .Height = 200,
                               .Length = 120,
                               .EmblemCentre = {160, 80},
                               .EmblemCoreColour = kCore,
                               .Caption = {127, 184, 127 + 66, 184 + 12},
                               .CaptionText = "orva-player"};
  return logo;
}

std::vector<GameFile> LogoFiles() {
  const std::string dir = "MadeWithCorvanthLogo\\";
  return {
      {std::string(TStartLogo::FilmName), LogoFilm()},
      {dir + "emblem.vsk", EmblemPicture()},
      {dir + "word.vsk", WordPicture()},
      {std::string(TStartLogo::CursorName), HandCursor()},
  };
}

}  // namespace orva::kit

#pragma once
// Byte-exact region files of selection images and preview-menu data of every version, for
// fixtures, fuzz seeds and the demo game:
//
//   kit::RegionFile map{{kit::RegionArea::Rect("gate", 10, 10, 19, 19)}};
//   std::string bytes = kit::MakeRegionFile(map);
//   kit::PrevMenuFile menu{.Version = "103", .Width = 200, .Height = 100};
//   menu.Buttons.push_back({.X = 0, .Y = 0, .Name = "start", .Normal = "start.vsk"});
//   std::string data = kit::MakePrevMenu(menu);

#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"

namespace orva::kit {

struct RegionArea {
  std::string Name;
  uint8_t Shape = 0;  // 0 rectangle, 1 ellipse, anything else a polygon
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  std::vector<TPoint> Points;
  // Written as the point count instead of Points.size().
  int32_t PointCount = -1;

  static RegionArea Rect(std::string name, int32_t l, int32_t t, int32_t r, int32_t b) {
    return {std::move(name), 0, l, t, r, b, {}, -1};
  }
  static RegionArea Ellipse(std::string name, int32_t l, int32_t t, int32_t r, int32_t b) {
    return {std::move(name), 1, l, t, r, b, {}, -1};
  }
  static RegionArea Polygon(std::string name, std::vector<TPoint> points) {
    return {std::move(name), 2, 0, 0, 0, 0, std::move(points), -1};
  }
};

// The area count written is Areas.size() unless Count is set.
struct RegionFile {
  std::vector<RegionArea> Areas;
  int32_t Count = -1;
};

std::string MakeRegionFile(const RegionFile& file);

struct PrevMenuButton {
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

struct PrevMenuFile {
  std::string Tag = "OrvaPrevMenu";  // the 12 bytes as they are
  std::string Version = "103";       // the 3 bytes as they are; fields by its value
  int32_t Width = 0, Height = 0;
  std::vector<PrevMenuButton> Buttons;
  int32_t Count = -1;  // written instead of Buttons.size() when set
};

std::string MakePrevMenu(const PrevMenuFile& file);

}  // namespace orva::kit

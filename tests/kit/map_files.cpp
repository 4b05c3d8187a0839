#include "kit/map_files.h"

#include <cstdlib>

#include "kit/stored_bytes.h"

namespace orva::kit {

namespace {

// The version's value as the reader takes it: three digits, else 0.
int VersionOf(const std::string& digits) {
  if (digits.size() != 3) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return std::atoi(digits.c_str());
}

}  // namespace

std::string MakeRegionFile(const RegionFile& file) {
  std::string out = Int(file.Count >= 0 ? file.Count : static_cast<int32_t>(file.Areas.size()));
  for (const RegionArea& a : file.Areas) {
    out += Str(a.Name);
    out.push_back(static_cast<char>(a.Shape));
    if (a.Shape == 0 || a.Shape == 1) {
      out += Int(a.Left) + Int(a.Top) + Int(a.Right) + Int(a.Bottom);
      continue;
    }
    out += Int(a.PointCount >= 0 ? a.PointCount : static_cast<int32_t>(a.Points.size()));
    for (const TPoint& p : a.Points) out += Int(p.X) + Int(p.Y);
  }
  return out;
}

std::string MakePrevMenu(const PrevMenuFile& file) {
  const int version = VersionOf(file.Version);
  std::string out = file.Tag + file.Version;
  out += Int(file.Width) + Int(file.Height);
  out += Int(file.Count >= 0 ? file.Count : static_cast<int32_t>(file.Buttons.size()));
  for (const PrevMenuButton& b : file.Buttons) {
    out += Int(b.X) + Int(b.Y);
    out += Str(b.Normal);
    out.push_back(b.CaptureMask ? '\x01' : '\x00');
    out += Str(b.Name);
    out += Str(b.Hover) + Str(b.Leave) + Str(b.Select);
    if (version >= 101) out += Str(b.Disabled);
    if (version >= 103) out += Str(b.DisabledHover) + Str(b.DisabledLeave);
    out += Str(b.HoverOverlay) + Str(b.LeaveOverlay) + Str(b.SelectOverlay);
    if (version >= 102) out += Str(b.DisabledHoverOverlay) + Str(b.DisabledLeaveOverlay);
    out += Int(b.OverlayX) + Int(b.OverlayY);
    out += Str(b.Cursor);
  }
  return out;
}

}  // namespace orva::kit

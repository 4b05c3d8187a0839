#include "scene/cont_sels.h"

#include <cstdio>

#include "core/paths.h"
#include "core/stream.h"

namespace orva {

namespace {

// Reads what the stream holds, refusing what it cannot: every read answers whether it was
// whole.
class TMenuReader {
 public:
  explicit TMenuReader(TStream& stream) : stream_(stream) {}
  int64_t Left() { return stream_.GetSize() - stream_.GetPosition(); }
  bool Bytes(std::string& out, int64_t n) {
    if (n < 0 || n > Left()) return false;
    out.resize(size_t(n));
    if (n > 0) stream_.ReadBuffer(out.data(), n);
    return true;
  }
  bool Int(int32_t& out) {
    if (Left() < 4) return false;
    out = ReadStreamInt(stream_);
    return true;
  }
  bool Byte(uint8_t& out) {
    if (Left() < 1) return false;
    out = ReadStreamByte(stream_);
    return true;
  }
  bool Text(std::string& out) {
    int32_t n = 0;
    return Int(n) && Bytes(out, n);
  }

 private:
  TStream& stream_;
};

// Three decimal digits, else 0.
int VersionOf(const std::string& digits) {
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

void TContSelList::LoadFromStream(TStream& stream, std::string_view baseDir) {
  Clear();
  width_ = height_ = 0;
  version_ = 0;
  TMenuReader in(stream);
  std::string tag, digits;
  if (!in.Bytes(tag, 12) || tag != "OrvaPrevMenu" || !in.Bytes(digits, 3)) return;
  version_ = VersionOf(digits);
  if (version_ < 100) return;
  int32_t count = 0;
  if (!in.Int(width_) || !in.Int(height_) || !in.Int(count)) return;
  // Only "..\" names move: one directory up the data file's own per "..\".
  const auto file = [&](std::string& out) {
    if (!in.Text(out)) return false;
    if (out.starts_with("..\\")) out = ExpandRelativePath(out, baseDir);
    return true;
  };
  for (int32_t i = 0; i < count; ++i) {
    auto b = std::make_unique<TContSelButton>();
    char name[24];
    std::snprintf(name, sizeof name, "Button%.2d", i);
    b->Name = name;
    uint8_t capture = 0;
    bool whole = in.Int(b->X) && in.Int(b->Y) && file(b->Normal) && in.Byte(capture) && in.Text(b->Name) &&
                 file(b->Hover) && file(b->Leave) && file(b->Select);
    if (whole && version_ >= 101) whole = file(b->Disabled);
    if (whole && version_ >= 103) whole = file(b->DisabledHover) && file(b->DisabledLeave);
    whole = whole && file(b->HoverOverlay) && file(b->LeaveOverlay) && file(b->SelectOverlay);
    if (whole && version_ >= 102) whole = file(b->DisabledHoverOverlay) && file(b->DisabledLeaveOverlay);
    whole = whole && in.Int(b->OverlayX) && in.Int(b->OverlayY) && file(b->Cursor);
    if (!whole) break;
    b->CaptureMask = capture != 0;
    buttons_.push_back(std::move(b));
  }
}

}  // namespace orva

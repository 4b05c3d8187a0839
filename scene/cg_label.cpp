#include "scene/cg_label.h"

#include <algorithm>

#include "core/sjis.h"
#include "core/stream.h"
#include "core/string_lists.h"
#include "graphics/custom_dibx.h"
#include "scene/geometry.h"

namespace orva {

TOrvaCGLabel::TOrvaCGLabel(TOrvaBaseList* owner) : TOrvaControl(owner) { frames_.SetIndex(-1); }

TOrvaCGLabel::~TOrvaCGLabel() {
  lines_.clear();
  Invalidate();
}

TCustomDIBX* TOrvaCGLabel::CurrentSurface() {
  TOrvaImageData* frame = frames_.GetItem(frames_.GetIndex());
  return frame ? frame->GetDIB() : nullptr;
}

int32_t TOrvaCGLabel::GetOrigWidth() {
  TCustomDIBX* surface = CurrentSurface();
  return surface ? surface->GetWidth() : 0;
}

int32_t TOrvaCGLabel::GetOrigHeight() {
  TCustomDIBX* surface = CurrentSurface();
  return surface ? surface->GetHeight() : 0;
}

void TOrvaCGLabel::SetSource(std::string_view value) {
  if (value == source_) return;
  Invalidate();
  source_ = value;
  frames_.Clear();
  frames_.SetIndex(-1);
  if (!source_.empty()) frames_.LoadFromCache(this, source_, false);
  frames_.SetIndex(frames_.Count() > 0 ? 0 : -1);
}

void TOrvaCGLabel::SetText(std::string_view value) {
  if (value == text_) return;
  text_ = value;
  Map();
  LayOut();
}

void TOrvaCGLabel::SetMapText(std::string_view value) {
  if (value == mapText_) return;
  mapText_ = value;
  Map();
  Invalidate();
}

void TOrvaCGLabel::ChangeLayout(int32_t& field, int32_t value) {
  if (value == field) return;
  field = value;
  LayOut();
}

void TOrvaCGLabel::SetHAlign(uint8_t value) {
  if (value == hAlign_) return;
  hAlign_ = value;
  Invalidate();
}

void TOrvaCGLabel::SetAlpha(int32_t value) {
  if (value == alpha_) return;
  alpha_ = value;
  Invalidate();
}

void TOrvaCGLabel::Map() {
  lines_.clear();
  for (const std::string& line : SplitLines(text_)) {
    std::vector<int32_t>& cells = lines_.emplace_back();
    for (size_t p = 0; p < line.size();) {
      // A lead byte takes its trail byte with it (a lone lead byte at the end stands alone).
      const size_t n = IsLeadByte(line[p]) && p + 1 < line.size() ? 2 : 1;
      cells.push_back(JPos(std::string_view(line).substr(p, n), mapText_) - 1);
      p += n;
    }
  }
}

void TOrvaCGLabel::LayOut() {
  size_t longest = 0;
  for (const auto& line : lines_) longest = std::max(longest, line.size());
  const int32_t count = static_cast<int32_t>(lines_.size());
  int32_t height = WrapMul(glyphHeight_, count);
  if (count > 1) height = WrapAdd(height, WrapMul(lineSpace_, count - 1));
  SetWidth(WrapMul(glyphWidth_, static_cast<int32_t>(longest)));
  SetHeight(height);
  Invalidate();
}

void TOrvaCGLabel::Paint() {
  if (GetWidth() == 0 || GetHeight() == 0) return;
  TOrvaImageData* frame = frames_.GetItem(frames_.GetIndex());
  if (!frame) return;
  if (alpha_ > 0) {
    TCustomDIBX* surface = frame->GetDIB();
    if (!surface) return;
    const int32_t cols = surface->GetWidth() / glyphWidth_;
    if (cols < 1) return;
    const int64_t cells = int64_t{surface->GetHeight() / glyphHeight_} * cols;
    const int64_t left = GetScreenLeft(), width = GetWidth();
    int64_t y = GetScreenTop();
    for (const auto& line : lines_) {
      const int64_t n = static_cast<int64_t>(line.size());
      int64_t x = left;
      if (hAlign_ == HA_CENTER) x += (width - n * glyphWidth_) / 2;
      if (hAlign_ == HA_RIGHT) x += width - n * glyphWidth_;
      for (int32_t g : line) {
        // Glyphs placed beyond the 32-bit range lie outside every surface.
        if (g >= 0 && g < cells && x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX) {
          const TRect source = WrapBounds((g % cols) * glyphWidth_, (g / cols) * glyphHeight_, glyphWidth_,
                                          glyphHeight_);
          frame->DrawAt(*this, static_cast<int32_t>(x), static_cast<int32_t>(y), source);
        }
        x += glyphWidth_;
      }
      y += int64_t{glyphHeight_} + lineSpace_;
    }
  }
  TOrvaControl::Paint();
}

bool TOrvaCGLabel::Idle() {
  const bool result = TOrvaControl::Idle();
  if (!result && !GetAniPaused() && frames_.Tick()) Invalidate();
  return result;
}

void TOrvaCGLabel::RecreateSurfaces() {
  frames_.RecreateSurfaces();
  TOrvaControl::RecreateSurfaces();
}

void TOrvaCGLabel::SaveToStream(TStream& stream) {
  TOrvaControl::SaveToStream(stream);
  WriteStreamString(stream, source_);
  WriteStreamString(stream, text_);
  WriteStreamString(stream, mapText_);
  WriteStreamInt(stream, glyphWidth_);
  WriteStreamInt(stream, glyphHeight_);
  WriteStreamInt(stream, lineSpace_);
  WriteStreamBool(stream, paused_);
  WriteStreamByte(stream, hAlign_);
  WriteStreamInt(stream, alpha_);
  WriteStreamString(stream, onIdle_);
}

void TOrvaCGLabel::LoadFromStream(TStream& stream, int version) {
  TOrvaControl::LoadFromStream(stream, version);
  SetSource(ReadStreamString(stream));
  ReadStreamString(stream, text_);
  ReadStreamString(stream, mapText_);
  // A stored cell size below 1 would divide by zero when drawn: it reads as 1, as set.
  glyphWidth_ = std::max(ReadStreamInt(stream), 1);
  glyphHeight_ = std::max(ReadStreamInt(stream), 1);
  lineSpace_ = ReadStreamInt(stream);
  paused_ = ReadStreamBool(stream);
  hAlign_ = ReadStreamByte(stream);
  alpha_ = ReadStreamInt(stream);
  if (version >= 125) ReadStreamString(stream, onIdle_);
  Map();
  LayOut();
}

}  // namespace orva

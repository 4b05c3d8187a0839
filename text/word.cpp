#include "text/word.h"

#include <algorithm>
#include <map>

#include "scene/scene_services.h"
#include "text/font_pixel_manager.h"
#include "text/glyph_char.h"
#include "text/glyph_page.h"
#include "text/glyph_var.h"
#include "text/stream_read.h"

namespace orva {

TWzWord::TWzWord() : FontName(DefaultFontName()) {
  TextSurface.SetSize(0, 0, 15);
  TextSurface.TransparentColor = 0;
  MaskSurface.SetSize(0, 0, 8);
}

// The glyphs give their records back to the pool, so they go first.
TWzWord::~TWzWord() { glyphs_.clear(); }

void TWzWord::Clear() {
  glyphs_.clear();
  pool_.Clear();
  DecorationBase = 0;
  Snapshot.clear();
  indexValid_ = true;
}

TWdGlyph* TWzWord::GlyphAt(int index) const {
  return index >= 0 && index < GlyphCount() ? glyphs_[size_t(index)].get() : nullptr;
}

void TWzWord::RebuildIndex() const {
  for (size_t i = 0; i < glyphs_.size(); ++i) glyphs_[i]->listIndex_ = static_cast<int>(i);
  indexValid_ = true;
}

int TWzWord::IndexOf(const TWdGlyph* glyph) const {
  if (!glyph || glyph->Owner != this) return -1;
  if (!indexValid_) RebuildIndex();
  const int index = glyph->listIndex_;
  return index >= 0 && index < GlyphCount() && glyphs_[size_t(index)].get() == glyph ? index : -1;
}

int TWzWord::FindGlyph(const TWdGlyph* glyph) const {
  for (size_t i = 0; i < glyphs_.size(); ++i)
    if (glyphs_[i].get() == glyph) return static_cast<int>(i);
  return -1;
}

TWdGlyph* TWzWord::InsertGlyph(int index, std::unique_ptr<TWdGlyph> glyph) {
  index = std::clamp(index, 0, GlyphCount());
  TWdGlyph* raw = glyph.get();
  glyphs_.insert(glyphs_.begin() + index, std::move(glyph));
  if (index == GlyphCount() - 1 && indexValid_)
    raw->listIndex_ = index;
  else
    indexValid_ = false;
  return raw;
}

void TWzWord::DeleteGlyph(int index) {
  if (index < 0 || index >= GlyphCount()) return;
  std::unique_ptr<TWdGlyph> gone = std::move(glyphs_[size_t(index)]);
  glyphs_.erase(glyphs_.begin() + index);
  indexValid_ = false;
}

namespace {
// Variable glyphs are visited from the last index down, so that the glyphs they insert or
// free after themselves leave the indexes still to visit alone.
template <class F>
void EachGlyphDown(TWzWord& word, int first, int last, F&& f) {
  if (last < 0 || last >= word.GlyphCount()) last = word.GlyphCount() - 1;
  for (int i = last; i >= std::max(first, 0); --i)
    if (TWdGlyph* g = word.GlyphAt(i)) f(*g);
}
}  // namespace

void TWzWord::ExpandVars(int first, int last) {
  EachGlyphDown(*this, first, last, [](TWdGlyph& g) { g.ExpandVar(); });
}

void TWzWord::CollapseVars(int first, int last) {
  EachGlyphDown(*this, first, last, [](TWdGlyph& g) { g.CollapseVar(); });
}

void TWzWord::ApplyCache(const TWzWord& source, int first, int last) {
  if (last < 0 || last >= source.GlyphCount()) last = source.GlyphCount() - 1;
  for (int i = std::max(first, 0); i <= last; ++i) {
    const TWdGlyph* from = source.GlyphAt(i);
    std::unique_ptr<TWdGlyph> copy = CreateGlyph(from->GetGlyphType(), this);
    if (!copy) continue;
    AddGlyph(std::move(copy))->CopyFrom(*from);
  }
}

int TWzWord::StoredIndexOf(const TWdGlyph* glyph) const {
  const int index = IndexOf(glyph);
  if (index < 0) return -1;
  int sum = 0;
  for (int i = 0; i < index; ++i) sum += glyphs_[size_t(i)]->GetStoredWeight();
  return sum;
}

int TWzWord::GlyphAtStoredIndex(int n) const {
  int i = 0;
  while (n > 0) {
    if (i >= GlyphCount()) return -1;
    n -= glyphs_[size_t(i)]->GetStoredWeight();
    ++i;
  }
  return i < GlyphCount() ? i : -1;
}

void TWzWord::RecountDecorations() {
  std::map<const TDecorate*, int32_t> users;
  for (const auto& g : glyphs_) {
    if (auto* c = dynamic_cast<const TWdChar*>(g.get()))
      ++users[c->DecorationRecord()];
    else if (auto* v = dynamic_cast<const TWdOpeVar*>(g.get()))
      ++users[v->DecorationRecord()];
  }
  for (int i = 0; i < pool_.Count(); ++i) {
    TDecorate* record = pool_.At(i);
    auto it = users.find(record);
    record->RefCount = it == users.end() ? 0 : it->second;
  }
}

// ---- Settings ----

void TWzWord::SaveSettings(TStream& s) const {
  WriteStreamInt(s, TextLeft);
  WriteStreamInt(s, TextTop);
  WriteStreamInt(s, FontHeight);
  WriteStreamString(s, FontName);
  WriteStreamInt(s, FontColor);
  WriteStreamInt(s, Height);
  WriteStreamInt(s, Width);
  WriteStreamInt(s, Quality);
  WriteStreamInt(s, LineSpace);
  WriteStreamBool(s, Paging);
  WriteStreamInt(s, LinkColor);
  WriteStreamInt(s, HoverColor);
  WriteStreamInt(s, FadeTime);
  WriteStreamInt(s, BorderColor);
  WriteStreamInt(s, Alpha);
  WriteStreamBool(s, Paused);
  WriteStreamInt(s, Caret.X);
  WriteStreamInt(s, Caret.Y);
  WriteStreamInt(s, TextDelay);
  WriteStreamBool(s, Notify);
  WriteStreamInt(s, ShadowColor);
  WriteStreamInt(s, BorderWidth);
  WriteStreamInt(s, ShadowWidth);
}

void TWzWord::LoadSettings(TStream& s, int version) {
  TextLeft = ReadInt(s);
  TextTop = ReadInt(s);
  FontHeight = ReadInt(s);
  FontName = ReadString(s);
  FontColor = ReadInt(s);
  Height = ReadInt(s);
  Width = ReadInt(s);
  Quality = ReadInt(s);
  LineSpace = ReadInt(s);
  Paging = ReadByte(s) != 0;
  LinkColor = ReadInt(s);
  HoverColor = ReadInt(s);
  FadeTime = ReadInt(s);
  BorderColor = ReadInt(s);
  Alpha = ReadInt(s);
  Paused = ReadByte(s) != 0;
  Caret.X = ReadInt(s);
  Caret.Y = ReadInt(s);
  TextDelay = ReadInt(s);
  Notify = ReadByte(s) != 0;
  if (version >= 110) ShadowColor = ReadInt(s);
  if (version >= 111) {
    BorderWidth = ReadInt(s);
    ShadowWidth = ReadInt(s);
  }
}

// ---- Surfaces and events ----

void TWzWord::ReleaseSurfaces() {
  for (const auto& g : glyphs_) g->ReleaseSurfaces();
}

void TWzWord::RecreateSurfaces() {
  for (const auto& g : glyphs_) g->RecreateSurfaces();
}

void TWzWord::AddDirtyRect(const TRect& rect) {
  if (!rect.IsEmpty()) DirtyRects.push_back(rect);
}

void TWzWord::FireEvent(const std::string& name) {
  if (OnEvent) OnEvent(*this, name);
}

bool TWzWord::PrepareSurfaces(int32_t pageHeight) {
  const int depth = ScreenBitCount();
  const bool fits = Width > 0 && pageHeight > 0 && int64_t{Width} * pageHeight <= kMaxSurfacePixels;
  const int w = fits ? Width : 0, h = fits ? pageHeight : 0;
  if (TextSurface.GetWidth() != w || TextSurface.GetHeight() != h || TextSurface.GetBitCount() != depth) {
    try {
      TextSurface.SetSize(w, h, depth);
      MaskSurface.SetSize(w, h, 8);
    } catch (const std::exception&) {
      TextSurface.SetSize(0, 0, depth);
      MaskSurface.SetSize(0, 0, 8);
    }
  }
  TextSurface.FillRect(TextSurface.GetBoundsRect(), 0);
  MaskSurface.FillRect(MaskSurface.GetBoundsRect(), 0);
  return !TextSurface.IsEmpty() && !MaskSurface.IsEmpty();
}

}  // namespace orva

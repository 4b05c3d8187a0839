#pragma once
// TWzWord: the text engine of one message box, backlog record or cached text command. It
// owns the flat glyph list and the style pool, lays the glyphs out into pages, and holds what
// the reveal, the rendering and the painting of its pages read: fonts and colours, the text
// area, the two private surfaces (colour and 8-bit coverage) and the dirty rectangles.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/rect.h"
#include "graphics/dibx.h"
#include "text/decorate.h"
#include "text/glyph.h"

namespace orva {

class TStream;
class TWdPage;

using TWdPageList = std::vector<std::unique_ptr<TWdPage>>;

class TWzWord {
 public:
  using TEventCallback = std::function<void(TWzWord& word, const std::string& name)>;

  // Text surfaces beyond this many pixels are not made (the page stays blank).
  static constexpr int64_t kMaxSurfacePixels = int64_t{4096} * 4096;

  TWzWord();
  ~TWzWord();
  TWzWord(const TWzWord&) = delete;
  TWzWord& operator=(const TWzWord&) = delete;

  int32_t FontHeight = 12;
  std::string FontName;  // "ＭＳ ゴシック"
  int32_t FontColor = 0;
  int32_t Height = 0;  // layout and text-area height
  int32_t Width = 0;   // layout and text-area width; 0 = unlimited
  TDIBX TextSurface;   // colour pixels of the rendered page, transparent colour 0
  int32_t LineSpace = 0;
  int32_t TextLeft = 0, TextTop = 0;  // the text area on the target
  TCustomDIBX* Target = nullptr;      // where painting goes, set before each paint
  bool Paging = true;
  int32_t LinkColor = 0xFF0000;
  int32_t HoverColor = 0x008000;
  int32_t FadeTime = 1;  // ms for a revealed glyph to go from alpha 0 to 255
  int32_t BorderColor = 0x808080;
  TRect PaintRect{};     // the part of the target being painted
  int32_t Alpha = 255;   // pictures only: 0..255 blend, 256..511 add
  bool Paused = false;
  TEventCallback OnEvent;
  TPoint Caret{};
  int32_t CaretHeight = 0;
  int32_t TextDelay = 0;  // reveal speed in 1/256: 256 = each glyph costs its wait in ms
  bool Notify = false;    // events are collected only while set
  TDIBX MaskSurface;      // 8-bit coverage of the rendered page
  int32_t Quality = 3;
  int32_t ShadowColor = 0;
  int32_t BorderWidth = 0;
  int32_t ShadowWidth = 0;
  std::vector<std::string> Snapshot;  // NAME=value: while not empty, variables show these
  std::vector<TRect> DirtyRects;
  int32_t DecorationBase = 0;

  TDecorateList& Pool() { return pool_; }
  const TDecorateList& Pool() const { return pool_; }

  // Frees all glyphs, clears the pool and the snapshot, decoration base 0. Pages laid out
  // from the glyphs may still be freed afterwards, but no longer used.
  void Clear();
  int GlyphCount() const { return static_cast<int>(glyphs_.size()); }
  TWdGlyph* GlyphAt(int index) const;
  int IndexOf(const TWdGlyph* glyph) const;
  // IndexOf by identity alone, for a glyph that may be gone.
  int FindGlyph(const TWdGlyph* glyph) const;
  TWdGlyph* InsertGlyph(int index, std::unique_ptr<TWdGlyph> glyph);
  TWdGlyph* AddGlyph(std::unique_ptr<TWdGlyph> glyph) { return InsertGlyph(GlyphCount(), std::move(glyph)); }
  void DeleteGlyph(int index);

  // Replaces the glyphs by those of markup lines (text/markup.h); an A tag without HREF
  // raises "<A>タグにHREF値がありません", leaving the glyphs made before it.
  void SetText(const std::vector<std::string>& lines);
  // Appends the decorations and glyphs of one stored glyph stream. On a bad or short stream
  // it raises, leaving the word as it was.
  void LoadFromStream(TStream& stream);
  // Lays out the glyphs from list index `first` to the glyph at stored index `last` (−1 or
  // beyond the glyphs: to the end) and appends the pages made.
  void Paginate(TWdPageList& pages, int first, int last);
  // Variable glyphs from index last down to first (last −1 or beyond: the last glyph).
  void ExpandVars(int first, int last);
  void CollapseVars(int first, int last);
  // Appends copies of the source's glyphs first..last (clamped the same way).
  void ApplyCache(const TWzWord& source, int first, int last);
  // The stored weights of the glyphs before it.
  int StoredIndexOf(const TWdGlyph* glyph) const;
  // The list index at stored index n; −1 when the list ends first.
  int GlyphAtStoredIndex(int n) const;

  void SetFadeTime(int32_t ms) { FadeTime = ms; }
  void SaveSettings(TStream& stream) const;
  void LoadSettings(TStream& stream, int version);
  void ReleaseSurfaces();
  void RecreateSurfaces();
  void AddDirtyRect(const TRect& rect);
  void ClearDirtyRects() { DirtyRects.clear(); }
  void FireEvent(const std::string& name);

  // Sizes both text surfaces for a page at the screen's depth; false when the page is too
  // large to hold (the surfaces are then empty).
  bool PrepareSurfaces(int32_t pageHeight);

 private:
  void RebuildIndex() const;
  // Sets every record's count to the number of glyphs using it.
  void RecountDecorations();

  std::vector<std::unique_ptr<TWdGlyph>> glyphs_;
  TDecorateList pool_;
  mutable bool indexValid_ = true;
};

}  // namespace orva

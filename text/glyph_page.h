#pragma once
// TWdPage: one page of rows and its reveal. Each frame the page reveals glyphs against a time
// budget at the word's text delay, fades them in, stops at event glyphs until the script has
// been told, moves the caret, and keeps the link run under the mouse drawn in the hover
// colour. Its characters are rendered once into the word's text surfaces and painted from
// there.

#include <cstdint>
#include <string>
#include <vector>

#include "text/glyph.h"

namespace orva {

class TWdPage : public TWdComposite {
 public:
  explicit TWdPage(TWzWord* owner);

  TWdPage* GetPage() const override { return const_cast<TWdPage*>(this); }
  int32_t GetWidth() const override;
  int32_t GetScreenLeft() const override;
  // The text area's top, less the scroll offset when paging is off.
  int32_t GetScreenTop() const override;
  int32_t GetSurfaceTop() const override { return 0; }
  void ClearChildren() override;
  void Arrange() override;
  // The height that holds every row and floating picture, the rows left where they are.
  void FitHeight();
  // Sizes and clears the word's surfaces for this page and renders every row into them.
  void Render(bool reset) override;
  // Screen coordinates: the fully shown glyph there, else a picture whose box holds it.
  TWdGlyph* HitTest(int32_t x, int32_t y) override;
  void SaveState(TStream& stream) override;
  void LoadState(TStream& stream) override;

  void Start();
  // Continues after a pause: a fresh budget, and the start frame again when fading.
  void Resume();
  // One frame of reveal. finished is set once, in the first frame the page is complete;
  // frameText gets what was revealed ("*" for a picture).
  void Step(bool& finished, std::string& frameText);
  bool IsComplete() const;
  bool IsPlaying() const;
  void SetHoverAt(int32_t x, int32_t y);
  std::string HoverText() const;
  void SnapshotVars();
  bool IsFading(const TWdGlyph* glyph) const;
  bool RowsLeft() const { return RowCursor < GetCount(); }

  int32_t ScrollOffset = 0;
  TWdGlyph* HoverGlyph = nullptr;   // first glyph of the link run under the mouse
  std::vector<TWdGlyph*> Fading;    // revealed, alpha still below 255
  int32_t Budget = 0;               // ms
  int32_t RowCursor = 0, GlyphCursor = 0;
  int32_t StartDelay = 1;           // frames
  std::string EventNames;           // collected, tab-separated
  int32_t FadeAccumulator = 0;      // ms × 256
  bool Finished = false;
  std::vector<TWdGlyph*> Animated;  // revealed pictures with frames
  bool EventWait = false;
  std::string VarSnapshot;          // NAME=value lines, CR LF

 private:
  void ResetReveal();
  // The glyphs of a link run, from its first glyph, on this page.
  std::vector<TWdGlyph*> LinkRun(TWdGlyph* first) const;
  void RedrawRun(TWdGlyph* first, bool hover);
  void MoveCaret(TWdGlyph* revealed, TWdGlyph* row);
  void ClampCursors();
};

}  // namespace orva

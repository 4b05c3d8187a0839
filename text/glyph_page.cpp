#include "text/glyph_page.h"

#include <algorithm>

#include "core/frame_clock.h"
#include "scene/geometry.h"
#include "text/glyph_row.h"
#include "text/stream_read.h"
#include "text/word.h"

namespace orva {
namespace {

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

bool IsEndEvent(const TWdGlyph* g) { return g->GetGlyphType() == kGlyphEvent && g->GetWait() == 1; }

}  // namespace

TWdPage::TWdPage(TWzWord* owner) : TWdComposite(owner) {}

int32_t TWdPage::GetWidth() const { return Owner->Width; }
int32_t TWdPage::GetScreenLeft() const { return Owner->TextLeft; }
int32_t TWdPage::GetScreenTop() const {
  return Owner->Paging ? Owner->TextTop : WrapSub(Owner->TextTop, ScrollOffset);
}

void TWdPage::ResetReveal() {
  HoverGlyph = nullptr;
  Fading.clear();
  Animated.clear();
  Budget = 0;
  RowCursor = GlyphCursor = 0;
  EventNames.clear();
  FadeAccumulator = 0;
  Finished = false;
  EventWait = false;
}

void TWdPage::ClearChildren() {
  TWdComposite::ClearChildren();
  ResetReveal();
}

void TWdPage::Arrange() {
  for (TWdGlyph* row : children_) row->Arrange();
  FitHeight();
}

void TWdPage::FitHeight() {
  int32_t height = 0;
  for (TWdGlyph* row : children_) {
    height = std::max(height, WrapAdd(row->Top, row->GetHeight()));
    for (int i = 0; i < row->GetCount(); ++i) {
      const TWdGlyph* child = row->GetItem(i);
      if (child->GetAlign() != 0) height = std::max(height, WrapAdd(child->Top, child->GetHeight()));
    }
  }
  Height = height;
}

void TWdPage::Render(bool reset) {
  if (Owner->PrepareSurfaces(Height)) TWdComposite::Render(reset);
}

TWdGlyph* TWdPage::HitTest(int32_t x, int32_t y) {
  const int64_t px = int64_t{x} - Owner->TextLeft, py = int64_t{y} - Owner->TextTop;
  if (px < 0 || py < 0 || px >= Owner->Width || py >= Owner->Height) return nullptr;
  const int64_t ys = py + ScrollOffset;
  for (TWdGlyph* row : children_)
    if (row->Top <= ys && ys < int64_t{row->Top} + row->GetHeight())
      if (TWdGlyph* hit = row->HitTest(static_cast<int32_t>(px - row->Left), static_cast<int32_t>(ys - row->Top)))
        return hit;
  for (TWdGlyph* row : children_)
    for (int i = 0; i < row->GetCount(); ++i) {
      TWdGlyph* child = row->GetItem(i);
      if (child->GetAlign() == 0) continue;
      const int64_t left = child->Left, top = int64_t{child->Top} + row->Top;
      if (left <= px && px < left + child->GetWidth() && top <= ys && ys < top + child->GetHeight()) return child;
    }
  return nullptr;
}

// ---- Reveal ----

void TWdPage::Start() {
  RowCursor = GlyphCursor = 0;
  Budget = 0;
  FadeAccumulator = 0;
  Finished = false;
  Fading.clear();
  Animated.clear();
  Resume();
}

void TWdPage::Resume() {
  Budget = 0;
  FadeAccumulator = 0;
  StartDelay = Owner->FadeTime >= 1 ? 1 : 0;
}

bool TWdPage::IsComplete() const { return !RowsLeft() && Fading.empty(); }

bool TWdPage::IsPlaying() const {
  if (Owner->Paging) return (RowsLeft() && !Owner->Paused) || !Fading.empty();
  if (!Fading.empty()) return true;
  if (!RowsLeft()) return false;
  const TWdGlyph* row = GetItem(RowCursor);
  return int64_t{row->Top} - ScrollOffset + row->GetHeight() <= Owner->Height;
}

bool TWdPage::IsFading(const TWdGlyph* glyph) const {
  return std::find(Fading.begin(), Fading.end(), glyph) != Fading.end();
}

void TWdPage::MoveCaret(TWdGlyph* revealed, TWdGlyph* row) {
  TWzWord& word = *Owner;
  if (!RowsLeft()) {
    word.Caret = {WrapAdd(WrapSub(revealed->GetScreenLeft(), word.TextLeft), revealed->GetWidth()),
                  WrapSub(row->GetScreenTop(), word.TextTop)};
    word.CaretHeight = row->GetHeight();
    return;
  }
  const TWdGlyph* nextRow = GetItem(RowCursor);
  const TWdGlyph* next = nextRow->GetItem(GlyphCursor);
  word.Caret = {WrapSub(next ? next->GetScreenLeft() : nextRow->GetScreenLeft(), word.TextLeft),
                WrapSub(nextRow->GetScreenTop(), word.TextTop)};
  word.CaretHeight = nextRow->GetHeight();
}

void TWdPage::Step(bool& finished, std::string& frameText) {
  TWzWord& word = *Owner;
  finished = !Finished && IsComplete();
  if (finished) Finished = true;
  frameText.clear();
  word.ClearDirtyRects();
  if (StartDelay > 0) {
    --StartDelay;
    return;
  }
  int64_t ms = FrameDelta;
  if (RowsLeft() && !word.Paused && EventNames.empty()) {
    if (RowCursor == 0 && GlyphCursor == 0) {
      Budget = 0;
      FadeAccumulator = 0;
      ms = 0;
    } else if (EventWait) {
      // The time spent waiting for the script is not counted.
      EventWait = false;
      ms = 0;
    }
    Budget = Clamp32(Budget - ms);
    while (RowsLeft() && Budget <= 0) {
      TWdGlyph* row = GetItem(RowCursor);
      if (int64_t{row->Top} - ScrollOffset > word.Height) break;  // not visible yet
      if (GlyphCursor >= row->GetCount()) {
        GlyphCursor = 0;
        ++RowCursor;
        continue;
      }
      TWdGlyph* g = row->GetItem(GlyphCursor);
      g->SetAlpha(0);
      const int64_t w = g->GetWait();
      if (w >= 0)
        Budget = Clamp32(Budget + ((w * std::max(0, word.TextDelay)) >> 8));
      else if (word.TextDelay >= 0)
        Budget = Clamp32(Budget - w);  // a fixed wait that ignores the speed
      Fading.push_back(g);
      if (g->IsAnimated()) Animated.push_back(g);
      if (++GlyphCursor >= row->GetCount()) {
        GlyphCursor = 0;
        ++RowCursor;
      }
      MoveCaret(g, row);
      const int type = g->GetGlyphType();
      if (type == kGlyphEvent) {
        if (!word.Notify) continue;
        if (!EventNames.empty()) EventNames += '\t';
        EventNames += g->GetName();
        EventWait = true;
        if (IsEndEvent(g)) break;
        // Consecutive events are collected in the same frame.
        const TWdGlyph* next = RowsLeft() ? GetItem(RowCursor)->GetItem(GlyphCursor) : nullptr;
        if (!next || next->GetGlyphType() != kGlyphEvent) break;
      } else if (type == kGlyphChar) {
        frameText += g->GetPlainText();
      } else if (type == kGlyphImg) {
        frameText += '*';
      }
    }
  }

  FadeAccumulator = Clamp32(FadeAccumulator + ms * 256);
  const int64_t step = word.FadeTime > 0 ? FadeAccumulator / word.FadeTime : 255;
  if (step > 0) {
    FadeAccumulator %= std::max(word.FadeTime, 1);
    for (size_t i = Fading.size(); i-- > 0;) {
      TWdGlyph* g = Fading[i];
      g->SetAlpha(Clamp32(g->GetAlpha() + step));
      g->Invalidate();
      if (g->GetAlpha() >= 255) Fading.erase(Fading.begin() + static_cast<ptrdiff_t>(i));
    }
  }
  for (TWdGlyph* g : Animated) g->Tick();

  if (!EventNames.empty() && Fading.empty()) {
    const std::string names = std::move(EventNames);
    EventNames.clear();
    size_t start = 0;
    while (true) {
      const size_t tab = names.find('\t', start);
      word.FireEvent(names.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
}

// ---- Hover ----

std::vector<TWdGlyph*> TWdPage::LinkRun(TWdGlyph* first) const {
  std::vector<TWdGlyph*> run;
  const std::string link = first->GetLink();
  // A run ends at the page's end: glyphs of another page are not drawn into this one.
  for (TWdGlyph* g = first; g && g->GetPage() == this && g->GetLink() == link; g = g->NextGlyph()) run.push_back(g);
  return run;
}

void TWdPage::RedrawRun(TWdGlyph* first, bool hover) {
  std::vector<TWdGlyph*> run = LinkRun(first);
  for (TWdGlyph* g : run) {
    g->SetHover(hover);
    g->ClearCell();
    g->Render(false);
    g->Invalidate();
  }
  // The glyph after the run may reach into it with its outline.
  TWdGlyph* after = run.empty() ? nullptr : run.back()->NextGlyph();
  if (after && after->GetPage() == this) {
    after->ClearCell();
    after->Render(false);
  }
}

void TWdPage::SetHoverAt(int32_t x, int32_t y) {
  TWdGlyph* under = x < 0 || y < 0 ? nullptr : HitTest(x, y);
  TWdGlyph* first = nullptr;
  if (under && !under->GetLink().empty()) {
    first = under;
    const std::string link = under->GetLink();
    for (TWdGlyph* p = first->PrevGlyph(); p && p->GetLink() == link; p = p->PrevGlyph()) first = p;
  }
  if (first == HoverGlyph) return;
  if (HoverGlyph) RedrawRun(HoverGlyph, false);
  HoverGlyph = first;
  if (first) RedrawRun(first, true);
}

std::string TWdPage::HoverText() const {
  std::string text;
  if (HoverGlyph)
    for (const TWdGlyph* g : LinkRun(HoverGlyph)) text += g->GetText();
  return text;
}

void TWdPage::SnapshotVars() {
  std::vector<std::string> list;
  CollectVarValues(list);
  VarSnapshot.clear();
  for (const std::string& line : list) VarSnapshot += line + "\r\n";
}

// ---- Game-save state ----

void TWdPage::SaveState(TStream& stream) {
  WriteStreamInt(stream, ScrollOffset);
  WriteStreamInt(stream, RowCursor);
  WriteStreamInt(stream, GlyphCursor);
  WriteStreamBool(stream, Finished);
  WriteStreamString(stream, EventNames);
  TWdComposite::SaveState(stream);
}

void TWdPage::ClampCursors() {
  RowCursor = std::clamp(RowCursor, 0, GetCount());
  const int glyphs = RowsLeft() ? GetItem(RowCursor)->GetCount() : 0;
  GlyphCursor = std::clamp(GlyphCursor, 0, std::max(0, glyphs - 1));
}

void TWdPage::LoadState(TStream& stream) {
  // The page's own fields change only once all of them are read.
  const int32_t scroll = ReadInt(stream), rowCursor = ReadInt(stream), glyphCursor = ReadInt(stream);
  const bool finished = ReadByte(stream) != 0;
  std::string names = ReadString(stream);
  ScrollOffset = scroll;
  RowCursor = rowCursor;
  GlyphCursor = glyphCursor;
  Finished = finished;
  EventNames = std::move(names);
  ClampCursors();
  TWdComposite::LoadState(stream);
  // What was fading when saved shows fully now.
  Fading.clear();
  Animated.clear();
  for (TWdGlyph* row : children_)
    for (int i = 0; i < row->GetCount(); ++i) {
      TWdGlyph* child = row->GetItem(i);
      if (child->GetAlpha() > 0 && child->IsAnimated()) Animated.push_back(child);
    }
}

}  // namespace orva

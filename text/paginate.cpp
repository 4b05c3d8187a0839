// TWzWord::Paginate: the glyphs of a range cut into unbreakable runs and filled into rows up
// to the layout width; rows that pass the layout height start a new page; alignment,
// indentation and floating pictures as they come; at the end every new page is arranged.
#include <algorithm>

#include "script/conversions.h"
#include "text/float_clip_list.h"
#include "text/glyph_page.h"
#include "text/glyph_row.h"
#include "text/line_breaking.h"
#include "text/word.h"

namespace orva {
namespace {

bool IsFloat(const TWdGlyph& g) {
  return g.GetGlyphType() == kGlyphImg && (g.GetAlign() == kImgFloatLeft || g.GetAlign() == kImgFloatRight);
}

// A row holds nothing yet when it holds at most its indent space.
bool HoldsNothing(const TWdRow& row) {
  return std::all_of(row.Children().begin(), row.Children().end(),
                     [](const TWdGlyph* g) { return dynamic_cast<const TWdSpace*>(g) != nullptr; });
}

class TPaginator {
 public:
  TPaginator(TWzWord& word, TWdPageList& pages) : word_(word), pages_(pages), clips_(word.Width) {}

  void Run(int first, int end) {
    const size_t firstPage = pages_.size();
    for (int i = first; i < end; ++i) {
      TWdGlyph* g = word_.GlyphAt(i);
      if (g->Parent) g->Parent->DeleteChild(g->Parent->IndexOf(g));
      g->Measure();
    }
    int i = first;
    while (i < end) i = Place(i, end);
    int32_t widest = 0;
    for (size_t p = firstPage; p < pages_.size(); ++p) {
      pages_[p]->Arrange();
      for (int r = 0; r < pages_[p]->GetCount(); ++r) widest = std::max(widest, pages_[p]->GetItem(r)->Width);
    }
    if (word_.Width == 0) word_.Width = widest;
  }

 private:
  // Handles the glyph at i; returns the index to go on with.
  int Place(int i, int end) {
    TWdGlyph* g = word_.GlyphAt(i);
    switch (g->GetGlyphType()) {
      case kGlyphAlign:
        align_ = g->GetAlign();
        if (row_ && !row_->HasReal()) row_->SetAlign(align_);
        return i + 1;
      case kGlyphIndent:
        if (row_) indent_ = row_->Width;
        return i + 1;
      case kGlyphUndent:
        indent_ = 0;
        return i + 1;
    }
    if (!row_) OpenRow();
    if (IsFloat(*g)) return PlaceFloat(i);

    const TWordRun run = WordWidth(word_, i, end);
    if (word_.Width != 0 && row_->Width > indent_ &&
        WrapAdd(row_->Width, run.Width) > WrapSub(row_->GetRightLimit(), row_->GetLeftLimit())) {
      y_ = WrapAdd(WrapAdd(y_, row_->GetHeight()), word_.LineSpace);
      row_ = nullptr;
      return i;
    }
    for (int k = 0; k < run.Count; ++k) {
      row_->AddChild(word_.GlyphAt(i + k));
      if (Overflows()) return DropRow();
    }
    row_->Width = WrapAdd(row_->Width, run.Width);
    if (g->GetGlyphType() == kGlyphReturn) {
      y_ = WrapAdd(WrapAdd(y_, row_->GetHeight()), word_.LineSpace);
      row_ = nullptr;
      if (g->GetClear()) page_ = nullptr;
    }
    return i + run.Count;
  }

  int PlaceFloat(int i) {
    TWdGlyph* g = word_.GlyphAt(i);
    if (!HoldsNothing(*row_)) {
      y_ = WrapAdd(y_, row_->GetHeight());
      row_ = nullptr;
      return i;
    }
    if (word_.Paging && page_->GetCount() > 1 && WrapAdd(y_, g->GetHeight()) > word_.Height) {
      DropRow();
      return i;
    }
    const TRect reserved = clips_.AddFloat(y_, g->GetWidth(), g->GetHeight(), g->GetAlign() == kImgFloatRight);
    g->Left = reserved.Left;
    g->Top = 0;
    row_->AddChild(g);
    SetLimits();
    return i + 1;
  }

  void OpenRow() {
    if (!page_) {
      pages_.push_back(std::make_unique<TWdPage>(&word_));
      page_ = pages_.back().get();
      y_ = 0;
    }
    auto row = std::make_unique<TWdRow>(&word_);
    row_ = row.get();
    page_->AddChild(row_);
    page_->Own(std::move(row));
    row_->Top = y_;
    row_->SetAlign(align_);
    row_->Width = indent_;
    SetLimits();
    if (indent_ > 0) {
      auto space = std::make_unique<TWdSpace>(&word_);
      space->Width = indent_;
      row_->AddChild(space.get());
      row_->Own(std::move(space));
    }
  }

  void SetLimits() {
    int32_t left = 0, right = 0;
    clips_.GetLimits(y_, left, right);
    row_->SetLeftLimit(left);
    row_->SetRightLimit(right);
  }

  // With paging, a row that passes the layout height moves to a new page unless it is the
  // page's first.
  bool Overflows() const {
    return word_.Paging && page_->GetCount() > 1 && WrapAdd(y_, row_->GetHeight()) > word_.Height;
  }

  // Drops the current row and closes the page; its glyphs are laid out again from the first.
  int DropRow() {
    int restart = -1;
    for (const TWdGlyph* child : row_->Children())
      if (!dynamic_cast<const TWdSpace*>(child)) {
        restart = word_.IndexOf(child);
        break;
      }
    row_->ClearChildren();
    page_->DeleteChild(page_->IndexOf(row_));
    page_->Disown(row_);
    row_ = nullptr;
    page_ = nullptr;
    return restart;
  }

  TWzWord& word_;
  TWdPageList& pages_;
  TWdClipList clips_;
  TWdPage* page_ = nullptr;
  TWdRow* row_ = nullptr;
  int32_t y_ = 0;
  uint8_t align_ = kAlignLeft;
  int32_t indent_ = 0;
};

}  // namespace

void TWzWord::Paginate(TWdPageList& pages, int first, int last) {
  int end = GlyphCount();
  if (last >= 0 && last < GlyphCount()) {
    const int at = GlyphAtStoredIndex(last);
    if (at >= 0) end = at + 1;
  }
  TPaginator(*this, pages).Run(std::max(first, 0), end);
}

}  // namespace orva

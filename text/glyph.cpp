#include "text/glyph.h"

#include <algorithm>

#include "scene/geometry.h"
#include "text/glyph_char.h"
#include "text/glyph_img.h"
#include "text/glyph_page.h"
#include "text/glyph_var.h"
#include "text/stream_read.h"
#include "text/word.h"

namespace orva {

// ---- TWdGlyph ----

TWdGlyph::~TWdGlyph() {
  if (Parent) Parent->DeleteChild(Parent->IndexOf(this));
}

TWdPage* TWdGlyph::GetPage() const { return Parent ? Parent->GetPage() : nullptr; }

int32_t TWdGlyph::GetScreenLeft() const { return Parent ? WrapAdd(Parent->GetScreenLeft(), Left) : Left; }
int32_t TWdGlyph::GetScreenTop() const { return Parent ? WrapAdd(Parent->GetScreenTop(), Top) : Top; }
int32_t TWdGlyph::GetSurfaceTop() const { return Parent ? WrapAdd(Parent->GetSurfaceTop(), Top) : Top; }

int32_t TWdGlyph::GetSurfaceLeft() const {
  int32_t x = Left;
  for (const TWdGlyph* p = Parent; p; p = p->Parent) x = WrapAdd(x, p->Left);
  return x;
}

TRect TWdGlyph::GetScreenRect() const { return WrapBounds(GetScreenLeft(), GetScreenTop(), GetWidth(), GetHeight()); }

std::string TWdGlyph::GetText() const {
  const uint16_t code = GetCharCode();
  if (code >= 256) return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::string(1, static_cast<char>(code));
}

void TWdGlyph::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TWdGlyph::Invalidate() { Owner->AddDirtyRect(GetScreenRect()); }

TWdGlyph* TWdGlyph::FirstStored() { return GetStoredWeight() == 1 ? this : nullptr; }
TWdGlyph* TWdGlyph::LastStored() { return GetStoredWeight() == 1 ? this : nullptr; }

void TWdGlyph::CopyFrom(const TWdGlyph& source) {
  Left = source.Left;
  Top = source.Top;
  Width = source.Width;
  Height = source.Height;
}

TWdGlyph* TWdGlyph::PrevGlyph() const {
  const int index = Owner->IndexOf(this);
  if (index <= 0) return nullptr;
  TWdGlyph* prev = Owner->GlyphAt(index - 1);
  return prev->GetGlyphType() == kGlyphReturn ? nullptr : prev;
}

TWdGlyph* TWdGlyph::NextGlyph() const {
  if (GetGlyphType() == kGlyphReturn) return nullptr;
  const int index = Owner->IndexOf(this);
  return index < 0 ? nullptr : Owner->GlyphAt(index + 1);
}

// ---- TWdComposite ----

TWdComposite::~TWdComposite() {
  for (TWdGlyph* child : children_)
    if (child->Parent == this) child->Parent = nullptr;
}

TWdGlyph* TWdComposite::GetItem(int index) const {
  return index >= 0 && index < GetCount() ? children_[size_t(index)] : nullptr;
}

std::string TWdComposite::GetText() const {
  std::string text;
  for (const TWdGlyph* child : children_) text += child->GetText();
  return text;
}

std::string TWdComposite::GetPlainText() const {
  std::string text;
  for (const TWdGlyph* child : children_) {
    if (child->GetAlpha() == 0) break;
    text += child->GetPlainText();
  }
  return text;
}

int TWdComposite::IndexOf(const TWdGlyph* child) const {
  auto it = std::find(children_.begin(), children_.end(), child);
  return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

void TWdComposite::AddChild(TWdGlyph* child) {
  if (child->Parent && child->Parent != this) child->Parent->DeleteChild(child->Parent->IndexOf(child));
  children_.push_back(child);
  child->Parent = this;
}

void TWdComposite::Own(std::unique_ptr<TWdGlyph> child) { owned_.push_back(std::move(child)); }

std::unique_ptr<TWdGlyph> TWdComposite::Disown(TWdGlyph* child) {
  auto it = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == child; });
  if (it == owned_.end()) return nullptr;
  std::unique_ptr<TWdGlyph> out = std::move(*it);
  owned_.erase(it);
  return out;
}

void TWdComposite::DeleteChild(int index) {
  if (index < 0 || index >= GetCount()) return;
  if (children_[size_t(index)]->Parent == this) children_[size_t(index)]->Parent = nullptr;
  children_.erase(children_.begin() + index);
}

void TWdComposite::ClearChildren() {
  for (TWdGlyph* child : children_)
    if (child->Parent == this) child->Parent = nullptr;
  children_.clear();
}

void TWdComposite::Render(bool reset) {
  for (TWdGlyph* child : children_) child->Render(reset);
}
void TWdComposite::Paint() {
  for (TWdGlyph* child : children_) child->Paint();
}
void TWdComposite::SetAlphaAll(int32_t alpha) {
  for (TWdGlyph* child : children_) child->SetAlphaAll(alpha);
}
void TWdComposite::HideAll() {
  for (TWdGlyph* child : children_) child->HideAll();
}
void TWdComposite::SaveState(TStream& stream) {
  for (TWdGlyph* child : children_) child->SaveState(stream);
}
void TWdComposite::LoadState(TStream& stream) {
  for (TWdGlyph* child : children_) child->LoadState(stream);
}
void TWdComposite::ReleaseSurfaces() {
  for (TWdGlyph* child : children_) child->ReleaseSurfaces();
}
void TWdComposite::RecreateSurfaces() {
  for (TWdGlyph* child : children_) child->RecreateSurfaces();
}
void TWdComposite::CollectVarValues(std::vector<std::string>& list) {
  for (TWdGlyph* child : children_) child->CollectVarValues(list);
}

TWdGlyph* TWdComposite::FirstStored() {
  for (TWdGlyph* child : children_)
    if (TWdGlyph* found = child->FirstStored()) return found;
  return nullptr;
}

TWdGlyph* TWdComposite::LastStored() {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it)
    if (TWdGlyph* found = (*it)->LastStored()) return found;
  return nullptr;
}

bool TWdComposite::HasReal() const {
  return std::any_of(children_.begin(), children_.end(),
                     [](const TWdGlyph* child) { return dynamic_cast<const TWdReal*>(child) != nullptr; });
}

// ---- TWdReal ----

void TWdReal::SetAlpha(int32_t alpha) { alpha_ = std::clamp(alpha, 0, 255); }

void TWdReal::Render(bool reset) {
  if (reset) alpha_ = 0;
}

void TWdReal::ClearCell() {
  // The mask too: a run rendered again would otherwise build its border rings up.
  const TRect cell = WrapBounds(GetSurfaceLeft(), GetSurfaceTop(), GetWidth(), GetHeight());
  Owner->TextSurface.FillRect(cell, 0);
  Owner->MaskSurface.FillRect(cell, 0);
}

void TWdReal::SaveState(TStream& stream) {
  const TWdPage* page = GetPage();
  WriteStreamInt(stream, page && page->IsFading(this) ? 255 : alpha_);
}

void TWdReal::LoadState(TStream& stream) { SetAlpha(ReadInt(stream)); }

void TWdReal::CopyFrom(const TWdGlyph& source) {
  TWdGlyph::CopyFrom(source);
  link_ = source.GetLink();
  hover_ = source.GetHover();
  alpha_ = source.GetAlpha();
  wait_ = source.GetWait();
}

// ---- Operator glyphs ----

int32_t TWdOpeReturn::GetHeight() const {
  return Parent && Parent->GetCount() == 1 && Parent->GetItem(0) == this ? Owner->FontHeight : 0;
}

void TWdOpeReturn::LoadFromStream(TStream& stream, int) { clear_ = ReadByte(stream) != 0; }

void TWdOpeReturn::CopyFrom(const TWdGlyph& source) {
  TWdGlyph::CopyFrom(source);
  clear_ = source.GetClear();
}

void TWdOpeAlign::LoadFromStream(TStream& stream, int) { align_ = ReadByte(stream); }

void TWdOpeAlign::CopyFrom(const TWdGlyph& source) {
  TWdGlyph::CopyFrom(source);
  align_ = source.GetAlign();
}

void TWdOpeEvent::LoadFromStream(TStream& stream, int) {
  name_ = ReadString(stream);
  end_ = !name_.empty() && name_[0] == '\x01';
  if (end_) name_.erase(0, 1);
}

void TWdOpeEvent::CopyFrom(const TWdGlyph& source) {
  TWdGlyph::CopyFrom(source);
  name_ = source.GetName();
  if (auto* event = dynamic_cast<const TWdOpeEvent*>(&source)) end_ = event->end_;
}

// ---- Factory ----

std::unique_ptr<TWdGlyph> CreateGlyph(int type, TWzWord* owner, bool decorated) {
  switch (type) {
    case kGlyphChar: return std::make_unique<TWdChar>(owner, decorated);
    case kGlyphAlign: return std::make_unique<TWdOpeAlign>(owner);
    case kGlyphReturn: return std::make_unique<TWdOpeReturn>(owner);
    case kGlyphIndent: return std::make_unique<TWdOpeIndent>(owner);
    case kGlyphUndent: return std::make_unique<TWdOpeUndent>(owner);
    case kGlyphEvent: return std::make_unique<TWdOpeEvent>(owner);
    case kGlyphVar: return std::make_unique<TWdOpeVar>(owner, decorated);
    case kGlyphImg: return std::make_unique<TWdImg>(owner);
    default: return nullptr;
  }
}

}  // namespace orva

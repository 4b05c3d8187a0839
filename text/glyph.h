#pragma once
// The glyph tree of laid-out text. A word (TWzWord) owns one flat, ordered list of glyphs:
// characters, inline pictures and operator glyphs (line breaks, alignment changes, indents,
// events, variables). Breaking groups them into rows and the rows into pages, which are
// glyphs too, so that layout, reveal, painting and saving treat all of them through one
// wide interface whose base does nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/rect.h"

namespace orva {

class TStream;
class TWzWord;
class TWdComposite;
class TWdPage;

// Glyph type codes, as stored in glyph streams.
enum TGlyphType : int {
  kGlyphNone = 0,
  kGlyphChar = 1,
  kGlyphAlign = 2,
  kGlyphReturn = 3,
  kGlyphIndent = 4,
  kGlyphUndent = 5,
  kGlyphEvent = 6,
  kGlyphVar = 7,
  kGlyphImg = 9,
};

// Row alignment (operator glyphs and rows) and picture alignment.
enum : uint8_t { kAlignLeft = 1, kAlignRight = 2, kAlignCenter = 3 };
enum : uint8_t { kImgFloatLeft = 1, kImgFloatRight = 2, kImgCenter = 3, kImgTop = 4, kImgBottom = 5 };

class TWdGlyph {
 public:
  explicit TWdGlyph(TWzWord* owner) : Owner(owner) {}
  // Leaves the composite that holds it, so that pages and the glyphs laid out in them may be
  // freed in either order.
  virtual ~TWdGlyph();
  TWdGlyph(const TWdGlyph&) = delete;
  TWdGlyph& operator=(const TWdGlyph&) = delete;

  TWzWord* Owner;
  // Relative to the parent: for glyphs of a row the row, for rows the page.
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  TWdComposite* Parent = nullptr;  // nil while not laid out

  virtual TWdPage* GetPage() const;
  virtual int GetGlyphType() const { return kGlyphNone; }
  virtual int GetCount() const { return 0; }
  virtual TWdGlyph* GetItem(int) const { return nullptr; }
  virtual int32_t GetWidth() const { return Width; }
  virtual int32_t GetHeight() const { return Height; }

  // Style values; on characters and variable glyphs they live in the shared decoration.
  virtual std::string GetFontName() const { return {}; }
  virtual void SetFontName(std::string_view) {}
  virtual int32_t GetFontSize() const { return 0; }
  virtual void SetFontSize(int32_t) {}
  virtual uint8_t GetStyle() const { return 0; }
  virtual void SetStyle(uint8_t) {}
  virtual int32_t GetColor() const { return 0; }
  virtual void SetColor(int32_t) {}
  virtual int32_t GetBorderColor() const { return 0; }
  virtual void SetBorderColor(int32_t) {}
  virtual int32_t GetBorder() const { return 0; }
  virtual void SetBorder(int32_t) {}
  virtual bool GetNoBr() const { return false; }
  virtual void SetNoBr(bool) {}
  virtual std::string GetRuby() const { return {}; }
  virtual void SetRuby(std::string_view) {}
  virtual uint16_t GetCharCode() const { return 0; }
  virtual void SetCharCode(uint16_t) {}
  virtual uint8_t GetAlign() const { return 0; }
  virtual void SetAlign(uint8_t) {}
  virtual int32_t GetLeftLimit() const { return 0; }
  virtual void SetLeftLimit(int32_t) {}
  virtual int32_t GetRightLimit() const { return 0; }
  virtual void SetRightLimit(int32_t) {}
  virtual int32_t GetScreenLeft() const;
  virtual int32_t GetScreenTop() const;
  // The character of the glyph's code: two bytes from 256 on, else one (a zero byte for
  // glyphs that are no character).
  virtual std::string GetText() const;
  // y inside the page's text surface.
  virtual int32_t GetSurfaceTop() const;
  virtual std::string GetLink() const { return {}; }
  virtual void SetLink(std::string_view) {}
  virtual bool GetHover() const { return false; }
  virtual void SetHover(bool) {}
  virtual int32_t GetAlpha() const { return 255; }
  virtual void SetAlpha(int32_t) {}
  virtual int32_t GetWait() const { return 0; }
  virtual void SetWait(int32_t) {}
  virtual bool GetClear() const { return false; }
  virtual void SetClear(bool) {}
  virtual std::string GetName() const { return {}; }
  virtual void SetName(std::string_view) {}
  virtual std::string GetPlainText() const { return {}; }
  virtual int32_t GetShadow() const { return 0; }
  virtual void SetShadow(int32_t) {}
  virtual int32_t GetShadowColor() const { return 0; }
  virtual void SetShadowColor(int32_t) {}
  // How many places the glyph takes in the stored glyph list (0 for expansion glyphs).
  virtual int GetStoredWeight() const { return 0; }
  virtual TWdGlyph* GetFirstChild() const { return nullptr; }
  virtual TWdGlyph* GetLastChild() const { return nullptr; }

  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  virtual int IndexOf(const TWdGlyph*) const { return -1; }
  // Takes the child from the composite that held it before.
  virtual void AddChild(TWdGlyph*) {}
  virtual void Own(std::unique_ptr<TWdGlyph>) {}
  virtual std::unique_ptr<TWdGlyph> Disown(TWdGlyph*) { return nullptr; }
  virtual void DeleteChild(int) {}
  virtual void ClearChildren() {}

  virtual void Measure() {}
  virtual void Arrange() {}
  virtual void Render(bool /*reset*/) {}
  virtual void ClearCell() {}
  virtual void Paint() {}
  virtual TWdGlyph* HitTest(int32_t /*x*/, int32_t /*y*/) { return nullptr; }
  virtual void SetAlphaAll(int32_t) {}
  virtual void HideAll() { SetAlpha(0); }
  // Adds the glyph's screen rectangle to the owner's dirty rectangles.
  void Invalidate();

  // One glyph record of a stream, after its type byte.
  virtual void LoadFromStream(TStream&, int /*version*/) {}
  virtual void ExpandVar() {}
  virtual void CollapseVar() {}
  virtual void SaveState(TStream&) {}
  virtual void LoadState(TStream&) {}
  virtual bool IsAnimated() const { return false; }
  virtual void Tick() {}
  virtual void ReleaseSurfaces() {}
  virtual void RecreateSurfaces() {}
  virtual TWdGlyph* FirstStored();
  virtual TWdGlyph* LastStored();
  virtual void CopyFrom(const TWdGlyph& source);
  // NAME=value lines of the variables shown.
  virtual void CollectVarValues(std::vector<std::string>&) {}

  // Neighbours in the owner's list; a line break has none after it and is none before.
  TWdGlyph* PrevGlyph() const;
  TWdGlyph* NextGlyph() const;
  // x inside the page's text surface: the left offsets of the glyph and its parents.
  int32_t GetSurfaceLeft() const;
  TRect GetScreenRect() const;

 private:
  friend class TWzWord;
  int listIndex_ = -1;  // the owner's index cache
};

// A glyph with children; it frees the members of its owned list.
class TWdComposite : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  ~TWdComposite() override;
  int GetCount() const override { return static_cast<int>(children_.size()); }
  TWdGlyph* GetItem(int index) const override;
  std::string GetText() const override;
  std::string GetPlainText() const override;
  TWdGlyph* GetFirstChild() const override { return children_.empty() ? nullptr : children_.front(); }
  TWdGlyph* GetLastChild() const override { return children_.empty() ? nullptr : children_.back(); }
  int IndexOf(const TWdGlyph* child) const override;
  void AddChild(TWdGlyph* child) override;
  void Own(std::unique_ptr<TWdGlyph> child) override;
  std::unique_ptr<TWdGlyph> Disown(TWdGlyph* child) override;
  void DeleteChild(int index) override;
  void ClearChildren() override;
  void Render(bool reset) override;
  void Paint() override;
  void SetAlphaAll(int32_t alpha) override;
  void HideAll() override;
  void SaveState(TStream& stream) override;
  void LoadState(TStream& stream) override;
  void ReleaseSurfaces() override;
  void RecreateSurfaces() override;
  TWdGlyph* FirstStored() override;
  TWdGlyph* LastStored() override;
  void CollectVarValues(std::vector<std::string>& list) override;

  // Whether any child occupies space and is revealed.
  bool HasReal() const;
  const std::vector<TWdGlyph*>& Children() const { return children_; }

 protected:
  std::vector<TWdGlyph*> children_;
  std::vector<std::unique_ptr<TWdGlyph>> owned_;
};

// A glyph that occupies space and is revealed: link, hover, alpha and wait.
class TWdReal : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  std::string GetLink() const override { return link_; }
  void SetLink(std::string_view link) override { link_ = link; }
  bool GetHover() const override { return hover_; }
  void SetHover(bool hover) override { hover_ = hover; }
  int32_t GetAlpha() const override { return alpha_; }
  void SetAlpha(int32_t alpha) override;
  int32_t GetWait() const override { return wait_; }
  void SetWait(int32_t wait) override { wait_ = wait; }
  void Render(bool reset) override;
  void ClearCell() override;
  void SetAlphaAll(int32_t alpha) override { SetAlpha(alpha); }
  void SaveState(TStream& stream) override;
  void LoadState(TStream& stream) override;
  void CopyFrom(const TWdGlyph& source) override;

 private:
  std::string link_;
  bool hover_ = false;
  int32_t alpha_ = 255;
  int32_t wait_ = 0;
};

// A blank of a given width, the filler of an indent.
class TWdSpace : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
};

// A line break; with the clear flag a page break.
class TWdOpeReturn : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int GetGlyphType() const override { return kGlyphReturn; }
  // As tall as the owner's font when alone on its row.
  int32_t GetHeight() const override;
  bool GetClear() const override { return clear_; }
  void SetClear(bool clear) override { clear_ = clear; }
  std::string GetPlainText() const override { return "\r\n"; }
  int GetStoredWeight() const override { return 1; }
  void LoadFromStream(TStream& stream, int version) override;
  void CopyFrom(const TWdGlyph& source) override;

 private:
  bool clear_ = false;
};

// A line break from a variable's value; never stored.
class TWdVarReturn : public TWdOpeReturn {
 public:
  using TWdOpeReturn::TWdOpeReturn;
  bool GetClear() const override { return false; }
  int GetStoredWeight() const override { return 0; }
};

class TWdOpeAlign : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int GetGlyphType() const override { return kGlyphAlign; }
  uint8_t GetAlign() const override { return align_; }
  void SetAlign(uint8_t align) override { align_ = align; }
  int GetStoredWeight() const override { return 1; }
  void LoadFromStream(TStream& stream, int version) override;
  void CopyFrom(const TWdGlyph& source) override;

 private:
  uint8_t align_ = kAlignLeft;
};

class TWdOpeIndent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int GetGlyphType() const override { return kGlyphIndent; }
  int GetStoredWeight() const override { return 1; }
};

class TWdOpeUndent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int GetGlyphType() const override { return kGlyphUndent; }
  int GetStoredWeight() const override { return 1; }
};

// A named event raised when the reveal reaches it; with END it ends a collection.
class TWdOpeEvent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int GetGlyphType() const override { return kGlyphEvent; }
  int32_t GetWait() const override { return end_ ? 1 : 0; }
  std::string GetName() const override { return name_; }
  void SetName(std::string_view name) override { name_ = name; }
  int GetStoredWeight() const override { return 1; }
  void LoadFromStream(TStream& stream, int version) override;
  void CopyFrom(const TWdGlyph& source) override;
  bool End() const { return end_; }
  void SetEnd(bool end) { end_ = end; }

 private:
  bool end_ = false;
  std::string name_;
};

// The glyph of a type code, nil for codes without one. Characters and variable glyphs take
// the default decoration unless `decorated` is false (the stream reader attaches its own).
std::unique_ptr<TWdGlyph> CreateGlyph(int type, TWzWord* owner, bool decorated = true);

}  // namespace orva

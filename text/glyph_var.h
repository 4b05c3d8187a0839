#pragma once
// TWdOpeVar: a script expression shown as text. Expanding it inserts, after it in the word's
// list, one character per character of the value (a line break for CR), with the variable's
// style, link and wait; collapsing frees them again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/orva_parser.h"
#include "text/glyph_char.h"

namespace orva {

class TWdOpeVar : public TDecorated<TWdGlyph> {
 public:
  explicit TWdOpeVar(TWzWord* owner, bool decorated = true);
  ~TWdOpeVar() override;

  int GetGlyphType() const override { return kGlyphVar; }
  std::string GetLink() const override { return link_; }
  void SetLink(std::string_view link) override { link_ = link; }
  int32_t GetWait() const override { return wait_; }
  void SetWait(int32_t wait) override { wait_ = wait; }
  // The expression text.
  std::string GetName() const override { return name_; }
  void SetName(std::string_view name) override { name_ = name; }
  int GetStoredWeight() const override { return 1; }
  void LoadFromStream(TStream& stream, int version) override;
  void ExpandVar() override;
  void CollapseVar() override;
  void SaveState(TStream& stream) override;
  void LoadState(TStream& stream) override;
  void CopyFrom(const TWdGlyph& source) override;
  void CollectVarValues(std::vector<std::string>& list) override;

  const std::vector<TWdGlyph*>& Expansion() const { return expansion_; }
  // The expression of streams before version 102.
  TOrvaParser& Parser() { return *parser_; }

 private:
  // The value to show; false when nothing is shown.
  bool Value(std::string& text);

  std::unique_ptr<TOrvaParser> parser_;
  std::string name_;
  std::vector<TWdGlyph*> expansion_;  // in the word's list, owned by it
  int32_t wait_ = 0;
  std::string link_;
};

}  // namespace orva

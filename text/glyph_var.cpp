#include "text/glyph_var.h"

#include <algorithm>

#include "core/exceptions.h"
#include "core/sjis.h"
#include "scene/base_list.h"
#include "script/build_parser.h"
#include "script/param_collection.h"
#include "text/glyph_page.h"
#include "text/stream_read.h"

namespace orva {
namespace {

// The result of an expression as text; false when it gives none or fails.
bool Evaluate(TOrvaParser& parser, std::string& text) {
  TParamCollection* vars = GetSceneVariables();
  if (!vars) return false;
  try {
    parser.Evaluate(*vars);
    const TCustomParam* result = parser.Result();
    if (!result) return false;
    text = result->GetAsString();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

TWdOpeVar::TWdOpeVar(TWzWord* owner, bool decorated)
    : TDecorated(owner, decorated), parser_(std::make_unique<TOrvaParser>()) {}

TWdOpeVar::~TWdOpeVar() = default;

void TWdOpeVar::LoadFromStream(TStream& stream, int version) {
  const int64_t index = int64_t{ReadInt(stream)} + Owner->DecorationBase;
  AttachDecoration(Owner->Pool().At(index));
  if (version >= 101) {
    wait_ = ReadInt(stream);
    link_ = ReadString(stream);
  }
  if (version >= 102)
    name_ = ReadString(stream);
  else
    parser_->LoadFromStream(stream);
}

bool TWdOpeVar::Value(std::string& text) {
  if (name_.empty()) return Evaluate(*parser_, text);
  if (Owner->Snapshot.empty()) {
    const std::string trimmed = JTrim(name_);
    if (trimmed.empty()) return false;
    TOrvaParser parser;
    try {
      CompileExpression(trimmed, parser);
    } catch (const Exception&) {
      return false;
    }
    return Evaluate(parser, text);
  }
  text.clear();
  for (const std::string& line : Owner->Snapshot) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && std::string_view(line).substr(0, eq) == name_) {
      text = line.substr(eq + 1);
      break;
    }
  }
  std::replace(text.begin(), text.end(), '\x01', '\r');
  return true;
}

void TWdOpeVar::ExpandVar() {
  CollapseVar();
  std::string text;
  if (!Value(text)) return;
  int at = Owner->IndexOf(this) + 1;
  if (at <= 0) return;
  const TDecorateValues& style = Decoration();
  for (size_t i = 0; i < text.size(); ++i) {
    uint16_t code = static_cast<uint8_t>(text[i]);
    if (IsLeadByte(text[i]) && i + 1 < text.size()) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(text[++i]));
    std::unique_ptr<TWdGlyph> glyph;
    if (code == '\r') {
      glyph = std::make_unique<TWdVarReturn>(Owner);
    } else if (code >= 32) {
      auto c = std::make_unique<TWdVarChar>(Owner, false);
      c->ChangeDecoration(style);
      c->SetCharCode(code);
      c->SetLink(link_);
      c->SetWait(wait_);
      glyph = std::move(c);
    } else {
      continue;
    }
    expansion_.push_back(Owner->InsertGlyph(at++, std::move(glyph)));
  }
}

void TWdOpeVar::CollapseVar() {
  int next = Owner->IndexOf(this) + 1;
  for (TWdGlyph* glyph : expansion_) {
    // The expansion sits right after the variable; anywhere else it is looked up by identity.
    const int index = next > 0 && Owner->GlyphAt(next) == glyph ? next : Owner->FindGlyph(glyph);
    if (index >= 0) Owner->DeleteGlyph(index);
  }
  expansion_.clear();
}

void TWdOpeVar::SaveState(TStream& stream) {
  int32_t alpha = 0;
  if (!expansion_.empty()) {
    const TWdGlyph* first = expansion_.front();
    const TWdPage* page = first->GetPage();
    alpha = page && page->IsFading(first) ? 255 : first->GetAlpha();
  }
  WriteStreamInt(stream, alpha);
}

void TWdOpeVar::LoadState(TStream& stream) {
  const int32_t alpha = ReadInt(stream);
  for (TWdGlyph* glyph : expansion_) glyph->SetAlpha(alpha);
}

void TWdOpeVar::CopyFrom(const TWdGlyph& source) {
  TWdGlyph::CopyFrom(source);
  auto* var = dynamic_cast<const TWdOpeVar*>(&source);
  if (!var) return;
  ChangeDecoration(var->Decoration());
  name_ = var->name_;
  wait_ = var->wait_;
  link_ = var->link_;
  if (name_.empty()) parser_->Assign(*var->parser_);
}

void TWdOpeVar::CollectVarValues(std::vector<std::string>& list) {
  for (const std::string& line : list)
    if (std::string_view(line).substr(0, line.find('=')) == name_ && line.find('=') != std::string::npos) return;
  std::string value;
  for (const TWdGlyph* glyph : expansion_) value += glyph->GetGlyphType() == kGlyphReturn ? "\x01" : glyph->GetText();
  list.push_back(name_ + "=" + value);
}

}  // namespace orva

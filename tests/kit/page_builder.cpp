#include "kit/page_builder.h"

#include <algorithm>

#include "core/stream.h"
#include "script/build_parser.h"

namespace orva::kit {

std::string Expr(std::string_view text) {
  TMemoryStream out;
  if (text.empty()) {
    WriteStreamInt(out, 0);
  } else {
    TBuildOrvaParser compiler;
    compiler.Compile(text);
    compiler.SaveToStream(out);
  }
  return std::string(out.View());
}

// ---- Fields ----

Fields& Fields::Expr(std::string_view text) {
  bytes_ += kit::Expr(text);
  return *this;
}

Fields& Fields::Exprs(const std::vector<std::string>& texts) {
  Int(static_cast<int32_t>(texts.size()));
  for (const std::string& text : texts) Expr(text);
  return *this;
}

Fields& Fields::Str(std::string_view text) {
  Int(static_cast<int32_t>(text.size()));
  bytes_ += text;
  return *this;
}

Fields& Fields::Int(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) bytes_ += static_cast<char>((v >> shift) & 0xFF);
  return *this;
}

Fields& Fields::Byte(uint8_t value) {
  bytes_ += static_cast<char>(value);
  return *this;
}

Fields& Fields::Raw(std::string_view bytes) {
  bytes_ += bytes;
  return *this;
}

void Fields::PatchInt(size_t offset, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int k = 0; k < 4; ++k) bytes_.at(offset + static_cast<size_t>(k)) = static_cast<char>((v >> (8 * k)) & 0xFF);
}

// ---- PageBuilder ----

PageBuilder::PageBuilder(int32_t version)
    : version_(version), bits_(CommandCount, std::vector<uint8_t>(21, 0)) {}

PageBuilder& PageBuilder::ResultType(uint8_t type) {
  resultType_ = type;
  return *this;
}

PageBuilder& PageBuilder::SetTable(int32_t count, int32_t size) {
  setCount_ = count;
  setSize_ = size;
  return *this;
}

PageBuilder& PageBuilder::SetBit(int code, int property) {
  bits_.at(static_cast<size_t>(code)).at(static_cast<size_t>(property / 8)) |= static_cast<uint8_t>(1u << (property % 8));
  return *this;
}

bool PageBuilder::StoredBit(int code, int property) const {
  if (code >= setCount_ || property / 8 >= setSize_) return false;
  return (bits_[static_cast<size_t>(code)][static_cast<size_t>(property / 8)] >> (property % 8)) & 1;
}

PageBuilder& PageBuilder::Yield() {
  nextYield_ = true;
  return *this;
}

PageBuilder& PageBuilder::Disabled() {
  nextDisabled_ = true;
  return *this;
}

PageBuilder& PageBuilder::TopBit() {
  nextTopBit_ = true;
  return *this;
}

PageBuilder& PageBuilder::AtLine(int32_t line) {
  nextLine_ = line;
  return *this;
}

PageBuilder::Entry& PageBuilder::Add(TCommandCode code, Fields fields) {
  Entry entry{static_cast<uint8_t>(static_cast<uint8_t>(code) | (nextTopBit_ ? 0x80 : 0)),
              depth_,
              nextDisabled_,
              !nextYield_,
              nextLine_ >= 0 ? nextLine_ : Next() + 1,
              false,
              {},
              std::move(fields)};
  nextYield_ = nextDisabled_ = nextTopBit_ = false;
  nextLine_ = -1;
  entries_.push_back(std::move(entry));
  return entries_.back();
}

PageBuilder& PageBuilder::Command(uint8_t codeByte, const Fields& fields) {
  Add(static_cast<TCommandCode>(codeByte & 0x7F), fields).codeByte = codeByte;
  return *this;
}

void PageBuilder::Nested(const Block& body) {
  ++depth_;
  body();
  --depth_;
}

void PageBuilder::PatchLastInt(int32_t index, int32_t value) {
  Fields& fields = entries_.at(static_cast<size_t>(index)).fields;
  fields.PatchInt(fields.Size() - 4, value);
}

// ---- Flow ----

PageBuilder& PageBuilder::If(std::string_view condition, const Block& body) {
  Add(TCommandCode::If, Fields().Expr(condition));
  Nested(body);
  return *this;
}

PageBuilder& PageBuilder::Elseif(std::string_view condition, const Block& body) {
  Add(TCommandCode::Elseif, Fields().Expr(condition));
  Nested(body);
  return *this;
}

PageBuilder& PageBuilder::Else(const Block& body) {
  Add(TCommandCode::Else, Fields());
  Nested(body);
  return *this;
}

PageBuilder& PageBuilder::AddLoop(std::string_view init, bool hasInit, std::string_view condition,
                                  std::string_view step, const Block& body) {
  if (hasInit) Add(TCommandCode::WhileInit, Fields().Expr(init));
  const int32_t head = Next();
  Add(TCommandCode::While, Fields().Expr(condition).Int(0));
  loops_.emplace_back();
  Nested(body);
  const int32_t loopBack = Next();
  Add(TCommandCode::WhileLoop, Fields().Expr(step).Int(head));
  const int32_t exit = Next();
  PatchLastInt(head, exit);
  for (int32_t index : loops_.back().breaks) PatchLastInt(index, exit);
  for (int32_t index : loops_.back().continues) PatchLastInt(index, loopBack);
  loops_.pop_back();
  return *this;
}

PageBuilder& PageBuilder::While(std::string_view condition, const Block& body) {
  return AddLoop({}, false, condition, {}, body);
}

PageBuilder& PageBuilder::For(std::string_view init, std::string_view condition, std::string_view step,
                              const Block& body) {
  return AddLoop(init, true, condition, step, body);
}

PageBuilder& PageBuilder::AddExit(TCommandCode code, std::string_view condition) {
  const int32_t index = Next();
  Add(code, Fields().Expr(condition).Int(-1));
  if (!loops_.empty()) (code == TCommandCode::Break ? loops_.back().breaks : loops_.back().continues).push_back(index);
  return *this;
}

PageBuilder& PageBuilder::Break(std::string_view condition) { return AddExit(TCommandCode::Break, condition); }

PageBuilder& PageBuilder::Continue(std::string_view condition) { return AddExit(TCommandCode::Continue, condition); }

PageBuilder& PageBuilder::Label(std::string_view name) {
  Add(TCommandCode::Label, Fields().Str(name));
  return *this;
}

PageBuilder& PageBuilder::Comment(std::string_view text) {
  Add(TCommandCode::Comment, Fields().Str(text));
  return *this;
}

PageBuilder& PageBuilder::Jump(std::string_view page, int32_t target, std::string_view condition) {
  Add(TCommandCode::Jump, Fields().Str(page).Int(target).Expr(condition));
  return *this;
}

PageBuilder& PageBuilder::Call(std::string_view page, int32_t target, std::string_view result,
                               const std::vector<std::string>& args, std::string_view condition) {
  Add(TCommandCode::Call, Fields().Str(page).Int(target).Str(result).Expr(condition).Exprs(args));
  return *this;
}

PageBuilder& PageBuilder::Exit(std::string_view condition) {
  Add(TCommandCode::Exit, Fields().Expr(condition));
  return *this;
}

// ---- Wait and event points ----

PageBuilder& PageBuilder::Wait(std::string_view time, std::string_view condition, std::string_view blocksEvents) {
  Fields fields;
  fields.Expr(condition).Expr(time);
  if (version_ >= 107) fields.Expr(blocksEvents);
  Add(TCommandCode::Wait, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::DoEvent() {
  Add(TCommandCode::DoEvent, Fields());
  return *this;
}

// ---- Variables, objects, properties ----

PageBuilder& PageBuilder::Calc(std::string_view text) {
  Add(TCommandCode::Calc, Fields().Expr(text));
  return *this;
}

PageBuilder& PageBuilder::VarNew(std::string_view name, TParamType type, std::string_view init, TVarScope scope) {
  Add(TCommandCode::VarNew, Fields().Str(name).Byte(type).Expr(init).Byte(scope));
  return *this;
}

PageBuilder& PageBuilder::VarDel(std::string_view name) {
  Add(TCommandCode::VarDel, Fields().Str(name));
  return *this;
}

PageBuilder& PageBuilder::ObjDel(std::string_view name) {
  Add(TCommandCode::ObjDel, Fields().Expr(name));
  return *this;
}

PageBuilder& PageBuilder::GetProp(std::string_view object, std::string_view property, std::string_view variable) {
  Add(TCommandCode::GetProp, Fields().Expr(object).Expr(property).Str(variable));
  return *this;
}

PageBuilder& PageBuilder::SetProp(std::string_view object, std::string_view property, std::string_view value) {
  Add(TCommandCode::SetProp, Fields().Expr(object).Expr(property).Expr(value));
  return *this;
}

PageBuilder& PageBuilder::PropMotion(const PropMotionFields& f) {
  Fields fields;
  fields.Expr(f.name).Expr(f.target).Expr(f.property).Expr(f.endValue).Expr(f.duration).Expr(f.motionType);
  if (version_ >= 108) fields.Expr(f.paused);
  Add(TCommandCode::PropMotion, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::Component(TCommandCode code, const std::vector<Prop>& props) {
  for (const Prop& prop : props) SetBit(static_cast<int>(code), prop.code);
  Entry& entry = Add(code, Fields());
  entry.component = true;
  entry.props = props;
  return *this;
}

PageBuilder& PageBuilder::Cabinet(TCommandCode code, const std::vector<Prop>& props, std::string_view flag,
                                  const std::vector<std::string>& names) {
  Component(code, props);
  entries_.back().fields.Expr(flag).Exprs(names);
  return *this;
}

PageBuilder& PageBuilder::SaveCabinet(const std::vector<Prop>& props, std::string_view flag,
                                      const std::vector<std::string>& names) {
  return Cabinet(TCommandCode::SaveCabinet, props, flag, names);
}

PageBuilder& PageBuilder::LoadCabinet(const std::vector<Prop>& props, std::string_view flag,
                                      const std::vector<std::string>& names) {
  return Cabinet(TCommandCode::LoadCabinet, props, flag, names);
}

// ---- Transition, text, media, resets, saves ----

PageBuilder& PageBuilder::Flip(const FlipFields& f) {
  Fields fields;
  fields.Expr(f.transition).Expr(f.duration).Expr(f.reverse).Expr(f.carry).Exprs(f.nameLists);
  fields.Expr(f.freeOld).Expr(f.param0).Expr(f.param1);
  if (version_ >= 101) fields.Expr(f.mask);
  if (version_ >= 107) fields.Expr(f.blocksEvents);
  Add(TCommandCode::Flip, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::TextIns(const TextInsFields& f) {
  Fields fields;
  fields.Int(static_cast<int32_t>(f.glyphs.size())).Raw(f.glyphs).Expr(f.box).Expr(f.history).Expr(f.wait);
  if (version_ >= 107) fields.Expr(f.blocksEvents);
  Add(TCommandCode::TextIns, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::TextClr(std::string_view box) {
  Add(TCommandCode::TextClr, Fields().Expr(box));
  return *this;
}

PageBuilder& PageBuilder::CallHist(std::string_view box, std::string_view start, std::string_view count,
                                   std::string_view option) {
  Add(TCommandCode::CallHist, Fields().Expr(box).Expr(start).Expr(count).Expr(option));
  return *this;
}

PageBuilder& PageBuilder::ClrHist() {
  Add(TCommandCode::ClrHist, Fields());
  return *this;
}

PageBuilder& PageBuilder::FormatHist(std::string_view object) {
  Add(TCommandCode::FormatHist, Fields().Expr(object));
  return *this;
}

PageBuilder& PageBuilder::ClrRead() {
  Add(TCommandCode::ClrRead, Fields());
  return *this;
}

PageBuilder& PageBuilder::MovieStop(std::string_view name, std::string_view fade, std::string_view wait,
                                    std::string_view blocksEvents) {
  Fields fields;
  fields.Expr(name).Expr(fade).Expr(wait);
  if (version_ >= 107) fields.Expr(blocksEvents);
  Add(TCommandCode::MovieStop, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::MediaPlay(std::string_view name) {
  Add(TCommandCode::MediaPlay, Fields().Expr(name));
  return *this;
}

PageBuilder& PageBuilder::MenuClose(std::string_view name) {
  Add(TCommandCode::MenuClose, Fields().Expr(name));
  return *this;
}

PageBuilder& PageBuilder::PCReset(std::string_view page, int32_t target, bool resetAll) {
  Add(TCommandCode::PCReset, Fields().Str(page).Int(target).Byte(resetAll ? 1 : 0));
  return *this;
}

PageBuilder& PageBuilder::Reset(std::string_view page, int32_t target) {
  Add(TCommandCode::Reset, Fields().Str(page).Int(target).Byte(0));
  return *this;
}

PageBuilder& PageBuilder::Terminate() {
  Add(TCommandCode::Terminate, Fields());
  return *this;
}

PageBuilder& PageBuilder::GameSave(std::string_view slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                                   std::string_view caption) {
  Fields fields;
  fields.Expr(slot).Str(afterLoadPage);
  if (version_ >= 105) fields.Int(afterLoadIndex);
  fields.Expr(caption);
  Add(TCommandCode::GameSave, std::move(fields));
  return *this;
}

PageBuilder& PageBuilder::GameLoad(std::string_view slot) {
  Add(TCommandCode::GameLoad, Fields().Expr(slot));
  return *this;
}

// ---- Bytes ----

std::string PageBuilder::Bytes() const {
  Fields out;
  out.Int(version_).Byte(resultType_).Int(setCount_).Int(setSize_);
  for (int32_t set = 0; set < setCount_; ++set)
    for (int32_t byte = 0; byte < setSize_; ++byte) {
      const bool held = set < CommandCount && byte < 21;
      out.Byte(held ? bits_[static_cast<size_t>(set)][static_cast<size_t>(byte)] : 0xEE);
    }
  out.Int(Next());
  for (const Entry& entry : entries_) {
    out.Byte(entry.codeByte).Int(entry.indent).Byte(entry.disabled).Byte(entry.continueFlag).Int(entry.line);
    if (entry.component) {
      const int code = entry.codeByte & 0x7F;
      for (int property = 0; property < PropertyCount; ++property) {
        if (!StoredBit(code, property)) continue;
        auto it = std::find_if(entry.props.begin(), entry.props.end(),
                               [&](const Prop& prop) { return prop.code == property; });
        out.Expr(it != entry.props.end() ? it->expr : std::string());
      }
    }
    out.Raw(entry.fields.Bytes());
  }
  return out.Bytes();
}

}  // namespace orva::kit

#pragma once
// Byte-exact compiled pages, as the authoring tool writes them: the header, the property-set
// table, and command records that begin with the common record. Expressions are compiled
// from their text by the real compiler. Blocks are written as nested calls, and loop exits
// and jumps back are resolved by the builder:
//
//   PageBuilder page;
//   page.Calc("i = 0")
//       .While("i < 10", [&] {
//         page.Calc("i = i + 1");
//         page.If("i == 5", [&] { page.Break(); });
//       });
//   files.Add("start.osb", page);

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/vocabulary.h"

namespace orva::kit {

using Block = std::function<void()>;

// The stored form of the expression compiled from `text`; "" is the empty expression.
std::string Expr(std::string_view text);

// The fields of a record after its common record, in order.
class Fields {
 public:
  Fields& Expr(std::string_view text);
  // int32 count, then the expressions.
  Fields& Exprs(const std::vector<std::string>& texts);
  Fields& Str(std::string_view text);
  Fields& Int(int32_t value);
  Fields& Byte(uint8_t value);
  Fields& Raw(std::string_view bytes);
  const std::string& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }
  // Rewrites the int32 written at `offset`.
  void PatchInt(size_t offset, int32_t value);

 private:
  std::string bytes_;
};

// A property expression of an object-creating command.
struct Prop {
  TPropertyCode code;
  std::string expr;
};

// Expression texts of the records with many fields ("" for an empty expression); name the
// fields that matter with designated initializers.
struct FlipFields {
  std::string transition = {}, duration = {}, reverse = {}, carry = {};
  std::vector<std::string> nameLists = {};
  std::string freeOld = {}, param0 = {}, param1 = {}, mask = {}, blocksEvents = {};
};

struct TextInsFields {
  std::string glyphs = {};  // the stored glyph stream, as it is
  std::string box = {}, history = {}, wait = {}, blocksEvents = {};
};

struct PropMotionFields {
  std::string name = {}, target = {}, property = {}, endValue = {}, duration = {}, motionType = {}, paused = {};
};

class PageBuilder {
 public:
  explicit PageBuilder(int32_t version = MaxPageVersion);

  // ---- Header ----
  PageBuilder& ResultType(uint8_t type);
  // The stored table: `count` sets of `size` bytes (61 × 21 unless set). Sets beyond 61 and
  // bytes beyond 21 are written as filler; bits that the table cannot hold are not set.
  PageBuilder& SetTable(int32_t count, int32_t size);
  // Bit `property` of set `code`; Component sets the bits of its properties itself.
  PageBuilder& SetBit(int code, int property);

  // ---- The next command only ----
  PageBuilder& Yield();     // its continue flag clear (set by default)
  PageBuilder& Disabled();  // its disabled flag set
  PageBuilder& TopBit();    // its code byte with the top bit set
  PageBuilder& AtLine(int32_t line);  // its line number (default: its index + 1)

  // ---- Flow ----
  PageBuilder& If(std::string_view condition, const Block& body);
  PageBuilder& Elseif(std::string_view condition, const Block& body);
  PageBuilder& Else(const Block& body);
  // While, the body, WhileLoop back to the While; Break leaves, Continue goes to the WhileLoop.
  PageBuilder& While(std::string_view condition, const Block& body);
  // WhileInit, then a While loop whose WhileLoop evaluates `step`.
  PageBuilder& For(std::string_view init, std::string_view condition, std::string_view step, const Block& body);
  // Inside a loop the target is resolved; outside one it is -1 (the page ends).
  PageBuilder& Break(std::string_view condition = "TRUE");
  PageBuilder& Continue(std::string_view condition = "TRUE");
  PageBuilder& Label(std::string_view name);
  PageBuilder& Comment(std::string_view text);
  PageBuilder& Jump(std::string_view page, int32_t target, std::string_view condition = "TRUE");
  PageBuilder& Call(std::string_view page, int32_t target, std::string_view result = "",
                    const std::vector<std::string>& args = {}, std::string_view condition = "TRUE");
  PageBuilder& Exit(std::string_view condition = "TRUE");

  // ---- Wait and event points ----
  PageBuilder& Wait(std::string_view time, std::string_view condition = "", std::string_view blocksEvents = "");
  PageBuilder& DoEvent();

  // ---- Variables, objects, properties ----
  PageBuilder& Calc(std::string_view text);
  PageBuilder& VarNew(std::string_view name, TParamType type, std::string_view init, TVarScope scope = vsGlobal);
  PageBuilder& VarDel(std::string_view name);
  PageBuilder& ObjDel(std::string_view name);
  PageBuilder& GetProp(std::string_view object, std::string_view property, std::string_view variable);
  PageBuilder& SetProp(std::string_view object, std::string_view property, std::string_view value);
  PageBuilder& PropMotion(const PropMotionFields& fields);
  // Any of the 22 object-creating commands.
  PageBuilder& Component(TCommandCode code, const std::vector<Prop>& props);
  PageBuilder& SaveCabinet(const std::vector<Prop>& props, std::string_view flag, const std::vector<std::string>& names);
  PageBuilder& LoadCabinet(const std::vector<Prop>& props, std::string_view flag, const std::vector<std::string>& names);

  // ---- Transition, text, media, resets, saves ----
  PageBuilder& Flip(const FlipFields& fields);
  PageBuilder& TextIns(const TextInsFields& fields);
  PageBuilder& TextClr(std::string_view box);
  PageBuilder& CallHist(std::string_view box, std::string_view start, std::string_view count, std::string_view option);
  PageBuilder& ClrHist();
  PageBuilder& FormatHist(std::string_view object);
  PageBuilder& ClrRead();
  PageBuilder& MovieStop(std::string_view name, std::string_view fade, std::string_view wait,
                         std::string_view blocksEvents = "");
  PageBuilder& MediaPlay(std::string_view name);
  PageBuilder& MenuClose(std::string_view name);
  PageBuilder& PCReset(std::string_view page, int32_t target, bool resetAll);
  PageBuilder& Reset(std::string_view page, int32_t target);
  PageBuilder& Terminate();
  PageBuilder& GameSave(std::string_view slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                        std::string_view caption);
  PageBuilder& GameLoad(std::string_view slot);

  // Any record: the code byte and the fields after the common record.
  PageBuilder& Command(uint8_t codeByte, const Fields& fields);

  // The index the next command gets.
  int32_t Next() const { return static_cast<int32_t>(entries_.size()); }
  int32_t Version() const { return version_; }
  std::string Bytes() const;

 private:
  struct Entry {
    uint8_t codeByte;
    int32_t indent;
    bool disabled;
    bool continueFlag;
    int32_t line;
    bool component = false;
    std::vector<Prop> props;
    Fields fields;
  };
  struct Loop {
    std::vector<int32_t> breaks;     // commands whose target is the loop's end
    std::vector<int32_t> continues;  // commands whose target is the WhileLoop
  };

  Entry& Add(TCommandCode code, Fields fields);
  PageBuilder& AddLoop(std::string_view init, bool hasInit, std::string_view condition, std::string_view step,
                       const Block& body);
  PageBuilder& AddExit(TCommandCode code, std::string_view condition);
  PageBuilder& Cabinet(TCommandCode code, const std::vector<Prop>& props, std::string_view flag,
                       const std::vector<std::string>& names);
  void Nested(const Block& body);
  // Rewrites the int32 that ends the fields of command `index`.
  void PatchLastInt(int32_t index, int32_t value);
  bool StoredBit(int code, int property) const;

  int32_t version_;
  uint8_t resultType_ = PT_INT;
  int32_t setCount_ = CommandCount;
  int32_t setSize_ = 21;
  std::vector<std::vector<uint8_t>> bits_;  // [code][byte] of the 61 sets as they would be
  std::vector<Entry> entries_;
  std::vector<Loop> loops_;
  int32_t depth_ = 0;
  // Options of the next command.
  bool nextYield_ = false, nextDisabled_ = false, nextTopBit_ = false;
  int32_t nextLine_ = -1;
};

}  // namespace orva::kit

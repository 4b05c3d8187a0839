#pragma once
// The run-time expression compiler: infix text of an expression or assignment in, the
// operation list of a compiled expression out (through SaveToStream, read back by
// TOrvaParser::LoadFromStream). Used where text becomes an expression while a game runs.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class TOrvaParser;
class TStream;

// One operation in text form: each operand is the text of a number, TRUE or FALSE, a quoted
// literal with its quotes, or a variable or temporary name; a call's first operand is the
// function name.
struct TBuildOpeData {
  uint8_t Opcode = 0;
  std::string Dest;
  std::vector<std::string> Operands;

  // The binary record, typing each operand (integer, float, flag, string, else a variable
  // name). Raises "\"%s\" 関数名がありません" for an unknown function (names are
  // case-sensitive) and "<name> 引数の数が不正です" for a wrong argument count.
  void SaveToStream(TStream& stream) const;
};

class TBuildOrvaParser {
 public:
  // Appends the operations of the text, then drops copies from one temporary to another.
  // Raises "構文エラー" and "配列の添え字が不正です"; the operations appended before an
  // error stay, and the caller discards the compiler.
  void Compile(std::string_view text);
  // The operation count, then every operation as a binary record.
  void SaveToStream(TStream& stream) const;
  // Frees the operations; the temporary counter keeps counting.
  void Clear() { operations_.clear(); }

  int Count() const { return static_cast<int>(operations_.size()); }
  const TBuildOpeData& Operation(int index) const { return operations_.at(static_cast<size_t>(index)); }

 private:
  void Parse(std::string text);
  // The operand for an argument or index piece, compiling it first when it is an expression.
  std::string ArgumentOperand(std::string_view piece);
  void Append(uint8_t opcode, std::string dest, std::vector<std::string> operands);
  std::string NewTempName();
  std::string NewSubscriptTempName();
  void RemoveTempCopies();

  std::vector<TBuildOpeData> operations_;
  int32_t counter_ = 0;
};

// Compiles the text and loads the result into `parser`, the way run-time text becomes an
// expression. Raises what Compile and SaveToStream raise; the parser is then left as it was.
void CompileExpression(std::string_view text, TOrvaParser& parser);

}  // namespace orva

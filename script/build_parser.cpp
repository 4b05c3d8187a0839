#include "script/build_parser.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/sjis.h"
#include "core/stream.h"
#include "core/vocabulary.h"
#include "script/conversions.h"
#include "script/orva_parser.h"
#include "script/script_error.h"

namespace orva {
namespace {

[[noreturn]] void SyntaxError() { RaiseScriptError("構文エラー"); }

bool IsBlank(char c) { return static_cast<uint8_t>(c) <= 0x20; }
bool IsNameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }
bool IsOperatorChar(char c) { return c != 0 && std::string_view("+-*/%|&^=[](),<>").find(c) != std::string_view::npos; }
bool IsTokenChar(char c) { return c != 0 && std::string_view("%&*+-/<=>^|").find(c) != std::string_view::npos; }

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// The text as Shift-JIS characters: a lead byte and its trail byte are one character, so a
// trail byte is never read as a bracket, operator or letter.
class TChars {
 public:
  explicit TChars(std::string_view s) : s_(s) {
    for (size_t p = 0; p < s.size(); p += IsLeadByte(s[p]) && p + 1 < s.size() ? 2 : 1) starts_.push_back(p);
  }
  int Count() const { return static_cast<int>(starts_.size()); }
  size_t Pos(int i) const { return i < Count() ? starts_[static_cast<size_t>(i)] : s_.size(); }
  // The byte of a one-byte character, else 0 (no test below matches 0).
  char Byte(int i) const { return Pos(i + 1) - Pos(i) == 1 ? s_[Pos(i)] : '\0'; }

 private:
  std::string_view s_;
  std::vector<size_t> starts_;
};

// The character index of the bracket that closes the one opened at `open`.
int MatchClose(const TChars& chars, int open, char opening, char closing) {
  int depth = 0;
  for (int i = open; i < chars.Count(); ++i) {
    if (chars.Byte(i) == opening) ++depth;
    if (chars.Byte(i) == closing && --depth == 0) return i;
  }
  SyntaxError();
}

// Pairs every closing bracket with the last open one; an unpaired one raises.
void CheckPairs(std::string_view s, char opening, char closing) {
  TChars chars(s);
  int depth = 0;
  for (int i = 0; i < chars.Count(); ++i) {
    if (chars.Byte(i) == opening) ++depth;
    if (chars.Byte(i) == closing && --depth < 0) SyntaxError();
  }
  if (depth != 0) SyntaxError();
}

bool HasOperator(std::string_view s) {
  TChars chars(s);
  for (int i = 0; i < chars.Count(); ++i)
    if (IsOperatorChar(chars.Byte(i))) return true;
  return false;
}

// Removes parentheses around the whole text while they pair with each other.
std::string StripOuterParens(std::string_view piece) {
  std::string s = Trim(piece);
  while (s.size() >= 2 && s.front() == '(' && s.back() == ')') {
    int depth = 1;
    for (size_t i = 1; i + 1 < s.size() && depth > 0; ++i) depth += s[i] == '(' ? 1 : s[i] == ')' ? -1 : 0;
    if (depth == 0) break;
    s = Trim(std::string_view(s).substr(1, s.size() - 2));
  }
  return s;
}

// Splits at the commas outside square brackets; the empty text has no pieces.
std::vector<std::string> SplitArguments(std::string_view s) {
  std::vector<std::string> pieces;
  if (s.empty()) return pieces;
  TChars chars(s);
  int depth = 0;
  size_t start = 0;
  for (int i = 0; i < chars.Count(); ++i) {
    const char c = chars.Byte(i);
    if (c == '[') ++depth;
    if (c == ']' && --depth < 0) SyntaxError();
    if (c == ',' && depth == 0) {
      pieces.push_back(Trim(s.substr(start, chars.Pos(i) - start)));
      start = chars.Pos(i) + 1;
    }
  }
  if (depth != 0) SyntaxError();
  pieces.push_back(Trim(s.substr(start)));
  return pieces;
}

struct TPiece {
  size_t begin;  // first byte of the piece
  size_t open;   // the opening bracket
  size_t end;    // one past the closing bracket
};

// The last '(' whose nearest non-blank character before it is (calls) or is not (groups) a
// letter, digit or '_'.
std::optional<TPiece> FindLastParen(std::string_view s, bool call) {
  TChars chars(s);
  for (int i = chars.Count() - 1; i >= 0; --i) {
    if (chars.Byte(i) != '(') continue;
    int k = i - 1;
    while (k >= 0 && chars.Byte(k) != '\0' && IsBlank(chars.Byte(k))) --k;
    const bool afterName = k >= 0 && IsNameChar(chars.Byte(k));
    if (afterName != call) continue;
    int first = i;
    if (call) {
      first = k;
      while (first > 0 && IsNameChar(chars.Byte(first - 1))) --first;
    }
    const int close = MatchClose(chars, i, '(', ')');
    return TPiece{chars.Pos(first), chars.Pos(i), chars.Pos(close) + 1};
  }
  return std::nullopt;
}

// The last '[' with the name run before it.
std::optional<TPiece> FindLastSubscript(std::string_view s) {
  TChars chars(s);
  int i = chars.Count() - 1;
  while (i >= 0 && chars.Byte(i) != '[') --i;
  if (i < 0) return std::nullopt;
  int k = i - 1;
  while (k >= 0 && chars.Byte(k) != '\0' && IsBlank(chars.Byte(k))) --k;
  if (k >= 0 && IsOperatorChar(chars.Byte(k))) SyntaxError();
  int first = k + 1;
  while (first > 0) {
    const char c = chars.Byte(first - 1);
    if (c != '\0' && (IsBlank(c) || IsOperatorChar(c))) break;
    --first;
  }
  if (first > k) first = i;  // no name
  const int close = MatchClose(chars, i, '[', ']');
  return TPiece{chars.Pos(first), chars.Pos(i), chars.Pos(close) + 1};
}

std::optional<TPiece> ExtractQuoted(std::string& text, std::string& literal) {
  const size_t q = text.find('"');
  if (q == std::string::npos) return std::nullopt;
  literal = "\"";
  for (size_t j = q + 1; j < text.size();) {
    const char c = text[j];
    if (IsLeadByte(c) && j + 1 < text.size()) {
      literal.append(text, j, 2);
      j += 2;
    } else if (c == '\\' && j + 1 < text.size() && (text[j + 1] == '"' || text[j + 1] == '\\')) {
      literal += text[j + 1];
      j += 2;
    } else if (c == '\\' && j + 1 < text.size() && text[j + 1] == 'n') {
      literal += "\r\n";
      j += 2;
    } else if (c == '"') {
      literal += '"';
      return TPiece{q, q, j + 1};
    } else {
      literal += c;
      ++j;
    }
  }
  return std::nullopt;  // unclosed: stays in the text
}

struct TOperatorText {
  std::string_view text;
  uint8_t opcode;
};

// Binding levels, tightest first.
const std::array<std::vector<TOperatorText>, 9> kLevels = {{
    {{"*", ocMul}, {"/", ocDiv}, {"%", ocMod}},
    {{"+", ocPlus}, {"-", ocMinus}},
    {{"<<", ocShiftL}, {">>", ocShiftR}},
    {{"==", ocEqual}, {">=", ocEBig}, {"<=", ocESmall}, {">", ocBig}, {"<", ocSmall}, {"<>", ocNEqual}},
    {{"++", ocComboStr}},
    {{"&", ocAnd}},
    {{"^", ocXor}},
    {{"|", ocOr}},
    {{"=", ocTo}},
}};

std::vector<std::string> Tokenize(std::string_view s) {
  static constexpr std::array<std::string_view, 7> kPairs = {"==", ">=", "<=", "++", "<>", "<<", ">>"};
  std::vector<std::string> tokens;
  TChars chars(s);
  size_t operandStart = 0;
  auto flush = [&](size_t end) {
    std::string operand = Trim(s.substr(operandStart, end - operandStart));
    if (!operand.empty()) tokens.push_back(std::move(operand));
  };
  for (int i = 0; i < chars.Count(); ++i) {
    if (!IsTokenChar(chars.Byte(i))) continue;
    const size_t p = chars.Pos(i);
    flush(p);
    size_t length = 1;
    if (i + 1 < chars.Count() && std::find(kPairs.begin(), kPairs.end(), s.substr(p, 2)) != kPairs.end()) {
      length = 2;
      ++i;
    }
    tokens.emplace_back(s.substr(p, length));
    operandStart = p + length;
  }
  flush(s.size());
  return tokens;
}

bool BeginsWithAny(const std::string& token, std::string_view chars) {
  return !token.empty() && chars.find(token[0]) != std::string_view::npos;
}

bool IsPlainTemp(std::string_view name) {
  return name.substr(0, TempPrefix.size()) == TempPrefix && name.substr(0, SubscriptTempPrefix.size()) != SubscriptTempPrefix &&
         name != ResultTempName;
}

void WriteTypedOperand(TStream& stream, const std::string& text) {
  int32_t i = 0;
  long double f = 0;
  if (TryTextToInt(text, i)) {
    WriteStreamByte(stream, PT_INT);
    WriteStreamInt(stream, i);
  } else if (TryTextToFloat(text, f)) {
    WriteStreamByte(stream, PT_FLOAT);
    uint8_t bytes[10];
    FloatToBytes(f, bytes);
    stream.WriteBuffer(bytes, 10);
  } else if (text == "TRUE" || text == "FALSE") {
    WriteStreamByte(stream, PT_BOOL);
    WriteStreamByte(stream, text == "TRUE");
  } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    WriteStreamByte(stream, PT_STR);
    WriteStreamString(stream, std::string_view(text).substr(1, text.size() - 2));
  } else {
    WriteStreamByte(stream, PT_NONE);
    WriteStreamString(stream, text);
  }
}

}  // namespace

// ---- TBuildOpeData ----

void TBuildOpeData::SaveToStream(TStream& stream) const {
  size_t first = 0;
  int function = 0;
  if (Opcode == ocFunc) {
    const std::string name = Operands.empty() ? std::string() : Operands[0];
    std::optional<int> found = FindFunction(name);
    if (!found) RaiseQuotedError(name, " 関数名がありません");
    function = *found;
    const int n = static_cast<int>(Operands.size()) - 1;
    const int minArgs = BuiltinFunctionMinArgs[static_cast<size_t>(function)];
    const int maxArgs = BuiltinFunctionMaxArgs[static_cast<size_t>(function)];
    if ((minArgs >= 0 && minArgs > n) || (maxArgs >= 0 && maxArgs < n)) RaiseScriptError(name, " 引数の数が不正です");
    first = 1;
  }
  WriteStreamByte(stream, Opcode);
  WriteStreamString(stream, Dest);
  WriteStreamInt(stream, static_cast<int32_t>(Operands.size() - std::min(first, Operands.size())));
  if (Opcode == ocFunc) WriteStreamByte(stream, static_cast<uint8_t>(function));
  for (size_t i = first; i < Operands.size(); ++i) WriteTypedOperand(stream, Operands[i]);
}

// ---- TBuildOrvaParser ----

std::string TBuildOrvaParser::NewTempName() { return std::string(TempPrefix) + IntToText(counter_++); }

std::string TBuildOrvaParser::NewSubscriptTempName() { return std::string(SubscriptTempPrefix) + IntToText(counter_++); }

void TBuildOrvaParser::Append(uint8_t opcode, std::string dest, std::vector<std::string> operands) {
  operations_.push_back(TBuildOpeData{opcode, std::move(dest), std::move(operands)});
}

void TBuildOrvaParser::Compile(std::string_view text) {
  Parse(std::string(text));
  RemoveTempCopies();
}

void TBuildOrvaParser::SaveToStream(TStream& stream) const {
  WriteStreamInt(stream, static_cast<int32_t>(operations_.size()));
  for (const TBuildOpeData& op : operations_) op.SaveToStream(stream);
}

void TBuildOrvaParser::RemoveTempCopies() {
  for (size_t i = 0; i < operations_.size();) {
    const TBuildOpeData& op = operations_[i];
    if (op.Opcode != ocTo || op.Operands.size() != 1 || !IsPlainTemp(op.Dest) || !IsPlainTemp(op.Operands[0])) {
      ++i;
      continue;
    }
    const std::string from = op.Dest, to = op.Operands[0];
    for (size_t j = i + 1; j < operations_.size(); ++j) {
      if (operations_[j].Dest == from) operations_[j].Dest = to;
      for (std::string& operand : operations_[j].Operands)
        if (operand == from) operand = to;
    }
    operations_.erase(operations_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

std::string TBuildOrvaParser::ArgumentOperand(std::string_view piece) {
  std::string s = StripOuterParens(piece);
  if (s.empty() || !HasOperator(s)) return s;
  std::string temp = NewTempName();
  Parse(temp + " = " + s);
  return temp;
}

void TBuildOrvaParser::Parse(std::string text) {
  // String literals become temporaries first, so that nothing inside them is scanned.
  std::string literal;
  while (std::optional<TPiece> quoted = ExtractQuoted(text, literal)) {
    std::string temp = NewTempName();
    text.replace(quoted->begin, quoted->end - quoted->begin, temp);
    Append(ocTo, std::move(temp), {literal});
  }

  // Calls, innermost and last first.
  CheckPairs(text, '(', ')');
  while (std::optional<TPiece> call = FindLastParen(text, true)) {
    const std::string piece = text.substr(call->begin, call->end - call->begin);
    const size_t open = call->open - call->begin;
    std::string temp = NewTempName();
    text.replace(call->begin, call->end - call->begin, temp);
    std::vector<std::string> operands{Trim(std::string_view(piece).substr(0, open))};
    for (const std::string& argument : SplitArguments(Trim(std::string_view(piece).substr(open + 1, piece.size() - open - 2))))
      operands.push_back(ArgumentOperand(argument));
    Append(ocFunc, std::move(temp), std::move(operands));
  }

  // Subscripts, last first.
  CheckPairs(text, '[', ']');
  while (std::optional<TPiece> subscript = FindLastSubscript(text)) {
    const std::string piece = text.substr(subscript->begin, subscript->end - subscript->begin);
    const size_t open = subscript->open - subscript->begin;
    std::string temp = NewSubscriptTempName();
    text.replace(subscript->begin, subscript->end - subscript->begin, temp);
    const std::string indices = Trim(std::string_view(piece).substr(open + 1, piece.size() - open - 2));
    if (indices.empty()) RaiseScriptError("配列の添え字が不正です");
    std::vector<std::string> operands{Trim(std::string_view(piece).substr(0, open))};
    size_t start = 0;
    for (size_t comma; (comma = indices.find(',', start)) != std::string::npos; start = comma + 1)
      operands.push_back(ArgumentOperand(std::string_view(indices).substr(start, comma - start)));
    operands.push_back(ArgumentOperand(std::string_view(indices).substr(start)));
    Append(ocDimTo, std::move(temp), std::move(operands));
  }

  // Parenthesised groups, each compiled into its own temporary.
  while (std::optional<TPiece> group = FindLastParen(text, false)) {
    const std::string inner = Trim(std::string_view(text).substr(group->open + 1, group->end - group->open - 2));
    std::string temp = NewTempName();
    text.replace(group->begin, group->end - group->begin, temp);
    Parse(temp + " = " + inner);
  }

  std::vector<std::string> tokens = Tokenize(text);
  if (tokens.empty()) {
    Append(ocTo, std::string(ResultTempName), {text});
    return;
  }

  // Unary signs after an operator, from the right.
  for (int i = static_cast<int>(tokens.size()) - 2; i >= 1; --i) {
    if ((tokens[i] != "+" && tokens[i] != "-") || !BeginsWithAny(tokens[i - 1], "=+-*/%&^|[(,<>")) continue;
    if (tokens[i] == "-") {
      std::string temp = NewTempName();
      Append(ocMinus, temp, {"0", tokens[i + 1]});
      tokens[i] = std::move(temp);
      tokens.erase(tokens.begin() + i + 1);
    } else {
      tokens.erase(tokens.begin() + i);
    }
  }

  // Operators by binding level, left to right within a level.
  bool assigned = false;
  while (!tokens.empty()) {
    int p = -1;
    uint8_t opcode = ocNone;
    for (const auto& level : kLevels) {
      for (size_t j = 0; j < tokens.size() && p < 0; ++j)
        for (const TOperatorText& op : level)
          if (tokens[j] == op.text) {
            p = static_cast<int>(j);
            opcode = op.opcode;
            break;
          }
      if (p >= 0) break;
    }
    if (p < 0) {
      if (assigned || tokens.size() > 1) SyntaxError();
      Append(ocTo, std::string(ResultTempName), {tokens[0]});
      tokens.clear();
      break;
    }
    const auto at = tokens.begin() + p;
    if (opcode == ocTo) {
      if (p == 0 || p + 1 >= static_cast<int>(tokens.size())) SyntaxError();
      Append(ocTo, tokens[p - 1], {tokens[p + 1]});
      tokens.erase(at - 1, at + 2);
      assigned = true;
    } else if (p == 0) {
      if ((opcode != ocPlus && opcode != ocMinus) || tokens.size() < 2) SyntaxError();
      std::string temp = NewTempName();
      Append(opcode, temp, {"0", tokens[1]});
      tokens.erase(at, at + 2);
      tokens.insert(tokens.begin(), std::move(temp));
    } else {
      if (BeginsWithAny(tokens[p - 1], "+-*/%|&^=[(<>") || p + 1 >= static_cast<int>(tokens.size())) SyntaxError();
      std::string temp = NewTempName();
      Append(opcode, temp, {tokens[p - 1], tokens[p + 1]});
      tokens.erase(at - 1, at + 2);
      tokens.insert(tokens.begin() + p - 1, std::move(temp));
    }
  }
}

void CompileExpression(std::string_view text, TOrvaParser& parser) {
  TBuildOrvaParser compiler;
  compiler.Compile(text);
  TMemoryStream compiled;
  compiler.SaveToStream(compiled);
  compiled.SetPosition(0);
  parser.LoadFromStream(compiled);
}

}  // namespace orva

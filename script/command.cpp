#include "script/command.h"

#include <atomic>
#include <cstring>

#include "core/stream.h"
#include "script/orva_parser.h"
#include "script/param_collection.h"

namespace orva {
namespace {

// The fewest bytes of a stored expression (its operation count).
constexpr int64_t kMinExpressionBytes = 4;

uint64_t NextSerial() {
  static std::atomic<uint64_t> serial{0};
  return ++serial;
}

}  // namespace

TCommand::TCommand(TPage& owner, TCommandCode code) : owner_(&owner), code_(code), serial_(NextSerial()) {}

void TCommand::LoadFromStream(TStream& stream) {
  indent_ = ReadStreamInt(stream);
  disabled_ = ReadStreamBool(stream);
  continue_ = ReadStreamBool(stream);
  line_ = ReadStreamInt(stream);
}

void TCommand::SaveRunState(std::unique_ptr<TMemoryStream>& stream, const TCallMan& runner) const {
  if (!KeepsRunState()) return;
  if (!stream) stream = std::make_unique<TMemoryStream>();
  WriteRunState(*stream, runner);
}

int32_t ExprInt(TOrvaParser& expr, TParamCollection& vars, int32_t fallback) {
  const TCustomParam* value = EvaluateExpr(expr, vars);
  return value ? value->GetAsInteger() : fallback;
}

bool ExprBool(TOrvaParser& expr, TParamCollection& vars, bool fallback) {
  const TCustomParam* value = EvaluateExpr(expr, vars);
  return value ? value->GetAsBoolean() : fallback;
}

std::string ExprStr(TOrvaParser& expr, TParamCollection& vars, std::string_view fallback) {
  const TCustomParam* value = EvaluateExpr(expr, vars);
  return value ? value->GetAsString() : std::string(fallback);
}

void ReadExpressionList(TStream& stream, std::vector<std::unique_ptr<TOrvaParser>>& list) {
  list.clear();
  list.resize(static_cast<size_t>(ReadStreamCount(stream, kMinExpressionBytes)));
  for (auto& expr : list) {
    expr = std::make_unique<TOrvaParser>();
    expr->LoadFromStream(stream);
  }
}

int ReadStateTag(TStream& stream) {
  const int64_t start = stream.GetPosition();
  char tag[7];
  if (stream.Remaining() < 7 || stream.Read(tag, 7) != 7 || std::memcmp(tag, StateTag.data(), StateTag.size()) != 0) {
    stream.SetPosition(start);
    return 0;
  }
  int number = 0;
  for (int i = 4; i < 7; ++i) {
    if (tag[i] < '0' || tag[i] > '9') return 0;
    number = number * 10 + (tag[i] - '0');
  }
  return number;
}

void WriteStateTag(TStream& stream) { WriteVersionTag(stream, StateTag, StateFormat); }

}  // namespace orva

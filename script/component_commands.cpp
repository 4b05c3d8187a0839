#include "script/component_commands.h"

#include <algorithm>

#include "core/stream.h"
#include "script/page.h"
#include "script/param.h"

namespace orva {

void TComComponent::LoadFromStream(TStream& stream) {
  TCommand::LoadFromStream(stream);
  // The slots come from the page's set for this code, as the page was compiled.
  slots_.clear();
  const int code = static_cast<int>(GetCommandType());
  for (int property = 0; property < PropertyCount; ++property)
    if (Owner().HasProperty(code, property))
      slots_.emplace_back(static_cast<uint8_t>(property), std::make_unique<TOrvaParser>());
  for (auto& slot : slots_) slot.second->LoadFromStream(stream);
}

TOrvaParser* TComComponent::Expression(int property) const {
  auto it = std::lower_bound(slots_.begin(), slots_.end(), property,
                             [](const auto& slot, int code) { return slot.first < code; });
  return it != slots_.end() && it->first == property ? it->second.get() : nullptr;
}

void TComCabinet::LoadFromStream(TStream& stream) {
  TComComponent::LoadFromStream(stream);
  flag_.LoadFromStream(stream);
  ReadExpressionList(stream, names_);
}

bool TComCabinet::IsSelected(std::string_view name, bool flag) const {
  for (const auto& expr : names_)
    if (const TCustomParam* value = expr->Result(); value && value->GetAsString() == name) return !flag;
  return flag;
}

}  // namespace orva

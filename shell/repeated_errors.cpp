#include "shell/repeated_errors.h"

#include <algorithm>

namespace orva {

bool TRepeatedErrors::Repeated(const std::string& message, uint32_t now) {
  const auto same = std::find_if(recent_.begin(), recent_.end(), [&](const TRaised& r) { return r.Message == message; });
  bool repeated = false;
  if (same != recent_.end()) {
    repeated = now - same->Time < kQuietMs;
    recent_.erase(same);
  }
  recent_.push_front({message, now});
  if (recent_.size() > kRemembered) recent_.pop_back();
  return repeated;
}

}  // namespace orva

#include "shell/repeated_errors.h"

#include <algorithm>

namespace orva {

std::deque<TRepeatedErrors::TRaised>::iterator TRepeatedErrors::Find(const std::string& message) {
  return std::find_if(recent_.begin(), recent_.end(), [&](const TRaised& r) { return r.Message == message; });
}

TRepeatedErrors::TVerdict TRepeatedErrors::Raise(const std::string& message, uint32_t now) {
  TRaised raised{message};
  bool repeated = false;
  if (const auto same = Find(message); same != recent_.end()) {
    repeated = now - same->Time < kQuietMs;
    if (repeated) raised = std::move(*same);
    recent_.erase(same);
  }
  raised.Time = now;
  TVerdict verdict;
  verdict.Show = !repeated;
  if (repeated) {
    ++raised.Unwritten;
    if (!raised.Lined || now - raised.LineTime >= kLineMs) {
      verdict.Repeats = raised.Unwritten;
      raised.Unwritten = 0;
      raised.Lined = true;
      raised.LineTime = now;
    }
  }
  recent_.push_front(std::move(raised));
  if (recent_.size() > kRemembered) recent_.pop_back();
  return verdict;
}

void TRepeatedErrors::Shown(const std::string& message, uint32_t now) {
  if (const auto same = Find(message); same != recent_.end()) {
    same->Time = now;
    return;
  }
  recent_.push_front({message, now});
  if (recent_.size() > kRemembered) recent_.pop_back();
}

}  // namespace orva

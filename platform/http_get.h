#pragma once
// One blocking HTTP GET of a URL into memory, run on a worker thread. Only http and https are
// fetched (redirects followed among them, at most 10), through no proxy (not the
// environment's either), with no headers or time-outs of our own. Another thread may abort
// it at any time; the transfer then ends at once.

#include <cstddef>
#include <memory>
#include <string>

namespace orva {

class THttpTransfer {
 public:
  THttpTransfer();
  ~THttpTransfer();
  THttpTransfer(const THttpTransfer&) = delete;
  THttpTransfer& operator=(const THttpTransfer&) = delete;

  // Fetches url into body, keeping at most maxBytes (the transfer ends there). Whatever
  // arrived stays in body when the transfer fails or is aborted, an error page's body too.
  // True when the whole response arrived. Once per transfer object.
  bool Get(const std::string& url, std::string& body, size_t maxBytes);
  // Ends a running Get, or makes a coming one end before it starts. Any thread.
  void Abort();

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace orva

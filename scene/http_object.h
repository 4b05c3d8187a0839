#pragma once
// TOrvaHttp (LT_HTTP): fetches one URL with an HTTP GET on a worker thread and keeps the
// response body. Setting SOURCE starts a request (a URL, or "!" and the name of an object
// whose data holds the URL); while it runs the object is busy and ignores SOURCE. Its end
// reaches the main thread through the main-thread jobs, where the body is taken over and
// ONPLAYEND is queued, for a failed request too. TEXT reads the body as EUC-JP text with its
// lines joined by the byte 0x01. Nothing of its own is saved.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "core/stream.h"
#include "scene/orva_object.h"

namespace orva {

// Bodies stop here: the request ends with what arrived so far.
constexpr size_t HttpBodyLimit = size_t{64} << 20;

class TOrvaHttp : public TOrvaComponent {
 public:
  explicit TOrvaHttp(TOrvaBaseList* owner);
  // Aborts a running request and waits for its worker; a freed object queues nothing.
  ~TOrvaHttp() override;

  uint8_t GetCompoType() override { return LT_HTTP; }
  // The URL of the last request.
  std::string GetSource() override { return url_; }
  void SetSource(std::string_view value) override;
  std::string GetText() override;
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view value) override { onPlayEnd_ = value; }
  // The body of the last finished request (empty while one runs).
  TStream* GetDataStream() override { return &body_; }
  bool IsBusy() override { return request_ != nullptr; }

 private:
  struct TRequest;
  // The end of a request on the main thread.
  void EndRequest(TRequest& request);

  std::string url_;
  TMemoryStream body_;
  std::string onPlayEnd_;
  std::shared_ptr<TRequest> request_;
  std::thread worker_;
};

}  // namespace orva

#include "scene/http_object.h"

#include <system_error>
#include <utility>
#include <vector>

#include "core/data_tables.h"
#include "core/main_thread_jobs.h"
#include "core/sjis.h"
#include "platform/http_get.h"
#include "scene/base_list.h"

namespace orva {

// What the worker and the main thread share. The worker fills Body, a buffer of its own; the
// main thread takes it over at the end. Owner is touched by the main thread only.
struct TOrvaHttp::TRequest {
  std::string Url;
  std::string Body;
  THttpTransfer Transfer;
  TOrvaHttp* Owner = nullptr;
};

TOrvaHttp::TOrvaHttp(TOrvaBaseList* owner) : TOrvaComponent(owner) {}

TOrvaHttp::~TOrvaHttp() {
  if (!request_) return;
  request_->Owner = nullptr;
  request_->Transfer.Abort();
  if (worker_.joinable()) worker_.join();
}

void TOrvaHttp::SetSource(std::string_view value) {
  if (request_) return;
  body_.Clear();
  std::string url;
  if (!value.empty() && value[0] == '!') {
    // The data of another object: for an HTTP object its body.
    TOrvaBaseList* scene = GetOwner();
    TOrvaObject* source = scene ? scene->FindObject(value.substr(1)) : nullptr;
    if (TStream* data = source ? source->GetDataStream() : nullptr) {
      TMemoryStream whole;
      whole.LoadFromStream(*data);
      url = whole.View();
    }
  } else {
    url = value;
  }
  url_ = url;
  auto request = std::make_shared<TRequest>();
  request->Url = std::move(url);
  request->Owner = this;
  request_ = request;
  auto end = [request] {
    if (request->Owner) request->Owner->EndRequest(*request);
  };
  try {
    worker_ = std::thread([request, end] {
      try {
        request->Transfer.Get(request->Url, request->Body, HttpBodyLimit);
      } catch (...) {
        // A failed request ends like any other, with what arrived.
      }
      PostToMainThread(end);
    });
  } catch (const std::system_error&) {
    // No thread: the request fails at once.
    PostToMainThread(end);
  }
}

void TOrvaHttp::EndRequest(TRequest& request) {
  if (&request != request_.get()) return;
  if (worker_.joinable()) worker_.join();
  const std::string& bytes = request.Body;
  body_.Assign(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  request_.reset();
  if (!onPlayEnd_.empty()) QueueEvent(PR_ONPLAYEND, onPlayEnd_);
}

std::string TOrvaHttp::GetText() {
  if (body_.GetSize() == 0) return {};
  const std::vector<std::string> lines = SplitTsvLines(EucToSjis(body_.View()));
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\x01';
    text += lines[i];
  }
  return text;
}

}  // namespace orva

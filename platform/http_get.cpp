#include "platform/http_get.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace orva {

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

struct THttpTransfer::TState {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  std::atomic<bool> aborted{false};
  std::string* body = nullptr;
  size_t limit = 0;
  bool overflow = false;

  static size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* s = static_cast<TState*>(user);
    const size_t bytes = size * count;
    const size_t room = s->limit - std::min(s->limit, s->body->size());
    s->body->append(data, std::min(bytes, room));
    if (bytes <= room) return bytes;
    // A short count ends the transfer with what fits.
    s->overflow = true;
    return room;
  }
  static int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TState*>(user)->aborted.load() ? 1 : 0;
  }
};

THttpTransfer::THttpTransfer() : state_(std::make_unique<TState>()) {
  GlobalInit();
  state_->multi = curl_multi_init();
  state_->easy = curl_easy_init();
}

THttpTransfer::~THttpTransfer() {
  if (state_->easy) curl_easy_cleanup(state_->easy);
  if (state_->multi) curl_multi_cleanup(state_->multi);
}

void THttpTransfer::Abort() {
  state_->aborted = true;
  if (state_->multi) curl_multi_wakeup(state_->multi);
}

bool THttpTransfer::Get(const std::string& url, std::string& body, size_t maxBytes) {
  TState& s = *state_;
  if (!s.multi || !s.easy || s.aborted) return false;
  s.body = &body;
  s.limit = maxBytes;
  CURL* e = s.easy;
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROXY, "");
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &TState::Write);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &s);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &TState::Progress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &s);
  if (curl_multi_add_handle(s.multi, e) != CURLM_OK) return false;
  bool complete = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(s.multi, &running) != CURLM_OK) break;
    if (running == 0) {
      int left = 0;
      while (CURLMsg* m = curl_multi_info_read(s.multi, &left))
        if (m->msg == CURLMSG_DONE) complete = m->data.result == CURLE_OK;
      break;
    }
    // Woken by the sockets or by Abort.
    if (curl_multi_poll(s.multi, nullptr, 0, 1000, nullptr) != CURLM_OK || s.aborted) break;
  }
  curl_multi_remove_handle(s.multi, e);
  return complete && !s.overflow;
}

}  // namespace orva

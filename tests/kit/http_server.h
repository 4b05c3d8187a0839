#pragma once
// An HTTP server of our own for the tests: it listens on 127.0.0.1 at a port the system picks,
// runs in its own threads (one per connection) and answers each GET by the reply scripted for
// its path; a path without a script gets 404. Every connection is closed after its reply.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace orva::kit {

class THttpTestServer {
 public:
  struct TReply {
    int Status = 200;
    std::string Body;
    // Extra header lines, such as {"Location", "file:///etc/passwd"}.
    std::vector<std::pair<std::string, std::string>> Headers;
    // Waited before the reply (the server's stop cuts it short).
    int DelayMs = 0;
    // No reply at all until the server stops.
    bool Hang = false;
    // The headers announce more than Body: Body is sent and the connection closed.
    int64_t ClaimedLength = -1;
    // Instead of Body: this many bytes of a repeated pattern (with their length announced).
    int64_t StreamedBytes = -1;
  };

  THttpTestServer();
  // Stops accepting, ends every connection (hanging and waiting ones too) and joins them.
  ~THttpTestServer();
  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  void Script(std::string path, TReply reply);
  // "http://127.0.0.1:<port>" + path.
  std::string Url(std::string_view path) const;
  // The paths requested so far, in order of arrival.
  std::vector<std::string> Requests();
  // Bytes of the pattern the streamed replies send.
  static char PatternByte(int64_t offset) { return static_cast<char>('a' + offset % 26); }

 private:
  void Accept();
  void Serve(int socket);
  // Sleeps up to ms; false when the server stopped meanwhile.
  bool Wait(int ms);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex lock_;
  std::condition_variable stopped_;
  std::map<std::string, TReply> replies_;
  std::vector<std::string> requests_;
  std::vector<int> open_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace orva::kit

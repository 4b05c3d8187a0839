#include "kit/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace orva::kit {

namespace {

bool SendAll(int socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(size_t(sent));
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
  }
}

}  // namespace

THttpTestServer::THttpTestServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("test server: no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listener_);
    throw std::runtime_error("test server: cannot listen");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

THttpTestServer::~THttpTestServer() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    // Wakes the connections blocked in a receive and the acceptor in its poll.
    for (int socket : open_) ::shutdown(socket, SHUT_RDWR);
  }
  stopped_.notify_all();
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  for (std::thread& t : connections_) t.join();
  ::close(listener_);
}

void THttpTestServer::Script(std::string path, TReply reply) {
  std::lock_guard<std::mutex> hold(lock_);
  replies_[std::move(path)] = std::move(reply);
}

std::string THttpTestServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> THttpTestServer::Requests() {
  std::lock_guard<std::mutex> hold(lock_);
  return requests_;
}

bool THttpTestServer::Wait(int ms) {
  std::unique_lock<std::mutex> hold(lock_);
  return !stopped_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void THttpTestServer::Accept() {
  for (;;) {
    pollfd p{listener_, POLLIN, 0};
    ::poll(&p, 1, 50);
    if (stopping_) return;
    if (!(p.revents & POLLIN)) continue;
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) continue;
    std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) {
      ::close(socket);
      return;
    }
    open_.push_back(socket);
    connections_.emplace_back([this, socket] { Serve(socket); });
  }
}

void THttpTestServer::Serve(int socket) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, size_t(got));
  }
  // "GET <path> HTTP/1.1"
  std::string path;
  const size_t space = request.find(' ');
  if (space != std::string::npos) path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
  TReply reply;
  bool scripted = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    requests_.push_back(path);
    if (auto it = replies_.find(path); it != replies_.end()) reply = it->second, scripted = true;
  }
  if (!scripted) reply.Status = 404, reply.Body = "no such page";
  bool go = reply.Hang ? Wait(24 * 3600 * 1000) : reply.DelayMs <= 0 || Wait(reply.DelayMs);
  if (go) {
    const int64_t length = reply.StreamedBytes >= 0   ? reply.StreamedBytes
                           : reply.ClaimedLength >= 0 ? reply.ClaimedLength
                                                      : int64_t(reply.Body.size());
    std::string head = "HTTP/1.1 " + std::to_string(reply.Status) + " " + Reason(reply.Status) + "\r\n";
    head += "Content-Length: " + std::to_string(length) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : reply.Headers) head += name + ": " + value + "\r\n";
    head += "\r\n";
    go = SendAll(socket, head);
    if (go && reply.StreamedBytes >= 0) {
      // One block of the pattern with a period to spare, sent from the right phase.
      constexpr int64_t kBlock = 65536;
      std::string block(size_t(kBlock + 26), ' ');
      for (int64_t i = 0; i < int64_t(block.size()); ++i) block[size_t(i)] = PatternByte(i);
      for (int64_t sent = 0; go && sent < reply.StreamedBytes && !stopping_;) {
        const int64_t n = std::min(kBlock, reply.StreamedBytes - sent);
        go = SendAll(socket, std::string_view(block).substr(size_t(sent % 26), size_t(n)));
        sent += n;
      }
    } else if (go) {
      SendAll(socket, reply.Body);
    }
  }
  std::lock_guard<std::mutex> hold(lock_);
  open_.erase(std::remove(open_.begin(), open_.end(), socket), open_.end());
  ::close(socket);
}

}  // namespace orva::kit

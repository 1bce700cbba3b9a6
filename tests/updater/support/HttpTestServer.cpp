#include "HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace gallivo::test {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kServerLifetime = std::chrono::seconds(300);
constexpr size_t kMaxRequestBytes = 64 * 1024;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

int listenLoopback(uint16_t* port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen on 127.0.0.1");
  }
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

bool sendAll(int fd, const std::string& data) {
  size_t off = 0;
  while (off < data.size()) {
    ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    off += size_t(n);
  }
  return true;
}

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}
}  // namespace

std::optional<std::string> HttpRequest::header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (lower(k) == lower(name)) return v;
  return std::nullopt;
}

HttpTestServer::HttpTestServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = listenLoopback(&port_);
  thread_ = std::thread([this] { serve(); });
}

HttpTestServer::HttpTestServer(std::map<std::string, HttpReply> routes)
    : HttpTestServer([routes = std::move(routes)](const HttpRequest& r) {
        auto it = routes.find(r.path());
        return it != routes.end() ? it->second : HttpReply::text("missing", 404);
      }) {}

HttpTestServer::~HttpTestServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string HttpTestServer::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<HttpRequest> HttpTestServer::requests() const {
  std::lock_guard guard(mutex_);
  return requests_;
}

std::vector<HttpRequest> HttpTestServer::requestsFor(const std::string& path) const {
  std::vector<HttpRequest> out;
  for (auto& r : requests())
    if (r.path() == path) out.push_back(r);
  return out;
}

bool HttpTestServer::waitFor(size_t n, const std::string& path, std::chrono::milliseconds limit) const {
  std::unique_lock guard(mutex_);
  return arrived_.wait_for(guard, limit, [&] {
    return size_t(std::count_if(requests_.begin(), requests_.end(), [&](const HttpRequest& r) {
             return path.empty() || r.path() == path;
           })) >= n;
  });
}

void HttpTestServer::serve() {
  const auto end = Clock::now() + kServerLifetime;
  while (!stop_ && Clock::now() < end) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    answer(client);
    ::close(client);
  }
}

void HttpTestServer::answer(int client) {
  std::string raw;
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (raw.find("\r\n\r\n") == std::string::npos && raw.size() < kMaxRequestBytes) {
    if (stop_ || Clock::now() > deadline) return;
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[4096];
    ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n <= 0) return;
    raw.append(buf, size_t(n));
  }
  HttpRequest req;
  size_t lineEnd = raw.find("\r\n");
  req.requestLine = raw.substr(0, lineEnd);
  size_t sp1 = req.requestLine.find(' '), sp2 = req.requestLine.rfind(' ');
  if (sp1 != std::string::npos && sp2 > sp1) req.target = req.requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
  size_t pos = lineEnd + 2;
  for (;;) {
    size_t e = raw.find("\r\n", pos);
    if (e == std::string::npos || e == pos) break;
    std::string line = raw.substr(pos, e - pos);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      size_t v = line.find_first_not_of(' ', colon + 1);
      req.headers.emplace_back(line.substr(0, colon), v == std::string::npos ? "" : line.substr(v));
    }
    pos = e + 2;
  }
  HttpReply reply = handler_(req);
  {
    std::lock_guard guard(mutex_);
    requests_.push_back(req);
  }
  arrived_.notify_all();
  if (reply.dropConnection) return;
  // Silence, cut short when the client gives up or the server stops.
  for (int waited = 0; waited < reply.delayMs && !stop_; waited += 20) {
    pollfd p{client, POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) {
      char c;
      if (::recv(client, &c, 1, MSG_PEEK) <= 0) return;
    }
  }
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
  if (reply.sendLength)
    head += "Content-Length: " + std::to_string(reply.declaredLength.value_or(reply.body.size())) + "\r\n";
  head += "Connection: close\r\n" + reply.extraHeaders + "\r\n";
  if (sendAll(client, head)) sendAll(client, reply.body);
  ::shutdown(client, SHUT_WR);
}

uint16_t closedPort() {
  uint16_t port = 0;
  int fd = listenLoopback(&port);
  ::close(fd);
  return port;
}

}  // namespace gallivo::test

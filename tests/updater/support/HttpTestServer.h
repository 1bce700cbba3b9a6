// A small HTTP server on 127.0.0.1 for the updater tests: one thread, one connection at a
// time, every answer scripted by the test, bounded in time.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace gallivo::test {

struct HttpRequest {
  std::string requestLine;  // "GET /vd/up.ini HTTP/1.1"
  std::string target;       // "/vd/up.ini"
  std::vector<std::pair<std::string, std::string>> headers;
  // First header of that name (case-insensitive), or nullopt.
  std::optional<std::string> header(const std::string& name) const;
  std::string path() const { return target.substr(0, target.find('?')); }
};

struct HttpReply {
  int status = 200;
  std::string body;
  std::string extraHeaders;                 // raw "Name: value\r\n" lines
  std::optional<size_t> declaredLength;     // Content-Length sent; more than body: cut short
  bool sendLength = true;                   // false: the body ends when the connection closes
  int delayMs = 0;                          // silence before the status line
  bool dropConnection = false;              // close without answering
  static HttpReply text(std::string body, int status = 200) {
    HttpReply r;
    r.status = status;
    r.body = std::move(body);
    return r;
  }
};

class HttpTestServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequest&)>;
  explicit HttpTestServer(Handler handler);
  // Answers by path (query ignored); unknown paths get 404.
  explicit HttpTestServer(std::map<std::string, HttpReply> routes);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  uint16_t port() const { return port_; }
  std::string base() const;  // "http://127.0.0.1:<port>"
  std::vector<HttpRequest> requests() const;
  std::vector<HttpRequest> requestsFor(const std::string& path) const;
  // Waits until at least n requests for path (any path when empty) arrived.
  bool waitFor(size_t n, const std::string& path, std::chrono::milliseconds limit) const;

 private:
  void serve();
  void answer(int client);

  Handler handler_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  std::vector<HttpRequest> requests_;
  std::thread thread_;
};

// A 127.0.0.1 port on which nothing listens.
uint16_t closedPort();

}  // namespace gallivo::test

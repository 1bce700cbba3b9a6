// Downloads the body of one HTTP GET into a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zlvup {

class HttpFetcher {
 public:
  static constexpr const char* kUserAgent = "Mozila/4.0 (compatible; MSIE 5.0; Zelvo)";
  // Without a time-out of their own, requests use these (the classic WinInet defaults), so a
  // silent server cannot hold a worker forever.
  static constexpr uint32_t kDefaultConnectMs = 60000;
  static constexpr uint32_t kDefaultReceiveMs = 30000;
  // No answer of ours is anywhere near this; a server streaming without end is cut here.
  static constexpr uint64_t kMaxBodyBytes = uint64_t(8) << 20;

  // 0 leaves the default in force.
  void setTimeouts(uint32_t connectMs, uint32_t sendMs, uint32_t receiveMs) {
    connectMs_ = connectMs;
    sendMs_ = sendMs;
    receiveMs_ = receiveMs;
  }

  // True once a 200 answer has begun and its body was read into file, also when the body
  // ends early. The file is created or truncated first.
  bool fetch(std::u16string_view address, const std::u16string& file);

  // HTTP status of the last request, 0 before one.
  uint32_t status() const { return status_; }

 private:
  uint32_t connectMs_ = 0, sendMs_ = 0, receiveMs_ = 0;
  uint32_t status_ = 0;
};

// The address as libcurl takes it: UTF-8, with bytes that cannot stand in a request line
// (controls, space, non-ASCII) percent-encoded and everything else left as it is.
std::string requestAddress(std::u16string_view address);

// True for 127.0.0.0/8, ::1 and "localhost": reachable whatever the network state.
bool isLoopbackHost(std::string_view host);

}  // namespace zlvup

#include "HttpFetcher.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlvplatform.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

#include "Settings.h"

namespace zlvup {

namespace {

struct CurlDeleter {
  void operator()(CURL* h) const { curl_easy_cleanup(h); }
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
  void operator()(char* s) const { curl_free(s); }
};
template <class T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// What the transfer callbacks share.
struct Transfer {
  CURL* curl = nullptr;
  int fd = -1;
  uint64_t written = 0;
  bool bodyStarted = false;  // the headers of a 200 answer are complete
  bool writeFailed = false;
  bool capped = false;
};

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

size_t onBody(char* data, size_t, size_t size, void* user) {
  auto* t = static_cast<Transfer*>(user);
  if (!t->bodyStarted) return 0;  // the body of an error answer is not the document
  size_t keep = size_t(std::min<uint64_t>(size, HttpFetcher::kMaxBodyBytes - t->written));
  if (!writeAll(t->fd, data, keep)) {
    t->writeFailed = true;
    return 0;
  }
  t->written += keep;
  if (keep < size) {
    t->capped = true;
    return 0;  // ends the transfer
  }
  return size;
}

size_t onHeader(char* data, size_t, size_t size, void* user) {
  auto* t = static_cast<Transfer*>(user);
  bool blank = (size == 2 && data[0] == '\r' && data[1] == '\n') || (size == 1 && data[0] == '\n');
  if (blank) {
    long code = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &code);
    t->bodyStarted = (code == 200);
  }
  return size;
}

int onProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return stopRequested() ? 1 : 0;
}

long seconds(uint32_t ms) { return long((ms + 999) / 1000); }

}  // namespace

std::string requestAddress(std::u16string_view address) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : zlv::toUtf8(address)) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

bool isLoopbackHost(std::string_view host) {
  std::string h(host);
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (h == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, h.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, h.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool HttpFetcher::fetch(std::u16string_view address, const std::u16string& file) {
  status_ = 0;
  if (address.empty() || stopRequested()) return false;

  CurlPtr<CURLU> url(curl_url());
  if (!url) return false;
  const std::string request = requestAddress(address);
  if (curl_url_set(url.get(), CURLUPART_URL, request.c_str(), 0) != CURLUE_OK) return false;
  char* raw = nullptr;
  if (curl_url_get(url.get(), CURLUPART_SCHEME, &raw, 0) != CURLUE_OK) return false;
  CurlPtr<char> scheme(raw);
  if (std::string_view(scheme.get()) != "http") return false;
  if (curl_url_get(url.get(), CURLUPART_HOST, &raw, 0) != CURLUE_OK) return false;
  CurlPtr<char> hostPart(raw);
  std::string host(hostPart.get());
  if (host.size() > 256) {
    host.resize(256);
    if (curl_url_set(url.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK) return false;
  }
  if (!isLoopbackHost(host) && !zlvIsOnline()) return false;

  FileHandle out(::open(zlv::toUtf8(file).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (out.get() < 0) return false;

  CurlPtr<CURL> curl(curl_easy_init());
  if (!curl) return false;
  CurlPtr<curl_slist> headers(curl_slist_append(nullptr, "Pragma: no-cache"));
  if (!headers) return false;

  Transfer t;
  t.curl = curl.get();
  t.fd = out.get();
  const uint32_t connectMs = connectMs_ ? connectMs_ : kDefaultConnectMs;
  const uint32_t stallMs = std::max(sendMs_ ? sendMs_ : kDefaultReceiveMs,
                                    receiveMs_ ? receiveMs_ : kDefaultReceiveMs);
  CURL* h = curl.get();
  curl_easy_setopt(h, CURLOPT_CURLU, url.get());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectMs));
  // The send and receive limits: a transfer that stalls that long is given up.
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, seconds(stallMs));
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 1024L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);

  const CURLcode rc = curl_easy_perform(h);
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  status_ = uint32_t(code);
  if (rc == CURLE_ABORTED_BY_CALLBACK || t.writeFailed) return false;
  // Once a 200 answer has begun, a body that ends early still counts as fetched.
  return t.bodyStarted && status_ == 200;
}

}  // namespace zlvup

// The process-wide OperationStatus pair (exports i, j, k) that long operations publish to.
#include "Status.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "Image.h"

namespace zelvo {
namespace {

char16_t statusText[kStatusUnits] = {};
std::atomic<int32_t> statusCode{0};
// Two export workers may publish at once; the lock keeps the text whole.
std::mutex textLock;

void storeText(const char16_t* text) {
  std::lock_guard<std::mutex> guard(textLock);
  size_t n = 0;
  if (text)
    while (n < kStatusUnits && text[n]) ++n;
  std::copy(text, text + n, statusText);
  std::fill(statusText + n, statusText + kStatusUnits, u'\0');
}

}  // namespace

char16_t* statusSetText(const char16_t* text) {
  storeText(text);
  return statusText;
}

int32_t statusSetCode(int32_t code) {
  statusCode.store(code, std::memory_order_relaxed);
  return code;
}

int32_t statusRead(char16_t* out) {
  if (out) {
    std::lock_guard<std::mutex> guard(textLock);
    std::copy(statusText, statusText + kStatusUnits, out);
    out[kStatusUnits - 1] = u'\0';
  }
  return statusCode.load(std::memory_order_relaxed);
}

void statusBegin(const char16_t* name) {
  storeText(name);
  statusSetCode(1);
}

void statusProgress(int32_t percent) { statusSetCode(std::clamp(percent, 0, 99)); }

void statusEnd() {
  storeText(nullptr);
  statusSetCode(0);
}

}  // namespace zelvo

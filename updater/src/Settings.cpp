#include "Settings.h"

#include <zlvplatform.h>

#include <atomic>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace zlvup {

namespace {
std::atomic<bool> gStop{false};

std::u16string baseAddress(const char* variable, std::u16string_view fallback) {
  const char* value = std::getenv(variable);
  std::u16string base = (value && *value) ? zlv::toUtf16(value) : std::u16string(fallback);
  while (!base.empty() && base.back() == u'/') base.pop_back();
  return base;
}
}  // namespace

Settings settingsFromEnvironment() {
  Settings s;
  s.updateServer = baseAddress("ZLVUP_UPDATE_SERVER", u"http://update.gallivo.invalid");
  s.statsServer = baseAddress("ZLVUP_STATS_SERVER", u"http://stats.gallivo.invalid");
  if (const char* t = std::getenv("ZLVUP_TIMEOUT_MS")) {
    uint32_t ms = 0;
    auto [end, ec] = std::from_chars(t, t + std::strlen(t), ms);
    if (ec == std::errc() && *end == '\0') s.timeoutOverrideMs = ms;
  }
  return s;
}

void requestStop() { gStop.store(true); }
void clearStop() { gStop.store(false); }
bool stopRequested() { return gStop.load(); }

}  // namespace zlvup

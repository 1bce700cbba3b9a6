// Where the updater's servers are, and the test-only time-out override, read once at load.
#pragma once

#include <cstdint>
#include <string>

namespace zlvup {

struct Settings {
  std::u16string updateServer;  // base address, no trailing "/"
  std::u16string statsServer;
  uint32_t timeoutOverrideMs = 0;  // 0: each request uses its own time-outs
};

// ZLVUP_UPDATE_SERVER and ZLVUP_STATS_SERVER replace the default hosts; ZLVUP_TIMEOUT_MS
// (tests only) replaces every request's time-outs.
Settings settingsFromEnvironment();

// Stops running transfers when the library is being unloaded.
void requestStop();
void clearStop();
bool stopRequested();

}  // namespace zlvup

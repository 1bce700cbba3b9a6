// The five exports and the agent's life: built when the library is loaded, torn down when
// it is unloaded.
#include <zlvup.h>

#include <curl/curl.h>

#include <memory>

#include "UpdateAgent.h"

namespace {

std::unique_ptr<zlvup::UpdateAgent> gAgent;

bool accepted(int32_t selector) { return selector == 0 || selector == 1; }

__attribute__((constructor)) void loadAgent() {
  try {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    gAgent = std::make_unique<zlvup::UpdateAgent>(zlvup::settingsFromEnvironment(),
                                                  zlvup::prepareDataFiles());
  } catch (...) {
    gAgent.reset();  // without an agent every export answers 0
  }
}

__attribute__((destructor)) void unloadAgent() {
  gAgent.reset();
  curl_global_cleanup();
}

}  // namespace

extern "C" {

ZLVUP_API int32_t Check(int32_t selector, uint32_t window) {
  if (accepted(selector) && gAgent) gAgent->check(window);
  return 0;
}

ZLVUP_API int32_t Update(int32_t selector) {
  if (accepted(selector) && gAgent) gAgent->update();
  return 0;
}

ZLVUP_API int32_t State(int32_t selector, void* record) {
  return (accepted(selector) && gAgent && gAgent->copyRecord(record)) ? 1 : 0;
}

ZLVUP_API int32_t Clear(int32_t selector) {
  if (!accepted(selector) || !gAgent) return 0;
  gAgent->clear();
  return 1;
}

ZLVUP_API int32_t SetParam(int32_t selector, uint32_t value) {
  if (!accepted(selector) || !gAgent) return 0;
  gAgent->setParam(value);
  return 1;
}

}  // extern "C"

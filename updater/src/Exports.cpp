// The five exports and the agent's life: built when the library is loaded, torn down when
// it is unloaded.
#include <zlvup.h>

#include <curl/curl.h>

#include <memory>

#include "UpdateAgent.h"

namespace {

// Owns the agent for the library's life. Its destructor is the only teardown and runs once:
// at dlclose, or at process exit for a library that stays loaded. (A global agent plus an
// unload hook deleted the agent twice at exit: exit() destroys the global first, then the
// hook ran on the stale pointer.)
struct AgentHolder {
  std::unique_ptr<zlvup::UpdateAgent> agent;
  bool curlReady = false;
  ~AgentHolder() {
    agent.reset();
    if (curlReady) curl_global_cleanup();
  }
};
constinit AgentHolder gHolder;

bool accepted(int32_t selector) { return selector == 0 || selector == 1; }

__attribute__((constructor)) void loadAgent() {
  try {
    gHolder.curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    gHolder.agent = std::make_unique<zlvup::UpdateAgent>(zlvup::settingsFromEnvironment(),
                                                         zlvup::prepareDataFiles());
  } catch (...) {
    gHolder.agent.reset();  // without an agent every export answers 0
  }
}

}  // namespace

extern "C" {

ZLVUP_API int32_t Check(int32_t selector, uint32_t window) {
  if (accepted(selector) && gHolder.agent) gHolder.agent->check(window);
  return 0;
}

ZLVUP_API int32_t Update(int32_t selector) {
  if (accepted(selector) && gHolder.agent) gHolder.agent->update();
  return 0;
}

ZLVUP_API int32_t State(int32_t selector, void* record) {
  return (accepted(selector) && gHolder.agent && gHolder.agent->copyRecord(record)) ? 1 : 0;
}

ZLVUP_API int32_t Clear(int32_t selector) {
  if (!accepted(selector) || !gHolder.agent) return 0;
  gHolder.agent->clear();
  return 1;
}

ZLVUP_API int32_t SetParam(int32_t selector, uint32_t value) {
  if (!accepted(selector) || !gHolder.agent) return 0;
  gHolder.agent->setParam(value);
  return 1;
}

}  // extern "C"

// An updater library that exports Check but lacks State: its answer must be ignored.
#include <zlvplatform.h>
#include <zlvup.h>

#include <thread>

extern "C" __attribute__((visibility("default"))) int32_t Check(int32_t selector, uint32_t window) {
  if (selector != 0 && selector != 1) return 0;
  std::thread([window] { zlvPostMessage(window, UpdateResultMessage, 0, 0); }).detach();
  return 0;
}

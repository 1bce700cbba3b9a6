// The lock that keeps two processes from checking (or sending the install ping) at once.
// It is only ever tried, never waited for.
#pragma once

#include <zlvplatform.h>

#include <cstdint>

namespace zlvup {

inline constexpr char16_t kCheckLockName[] = u"ZLVVD_EDIT_{1CBFDB6D-47CB-43df-98EB-803D47E035AD}";

class CheckLock {
 public:
  CheckLock() : handle_(zlvTryLockNamed(kCheckLockName)) {}
  ~CheckLock() {
    if (handle_ >= 0) zlvUnlockNamed(handle_);
  }
  CheckLock(const CheckLock&) = delete;
  CheckLock& operator=(const CheckLock&) = delete;
  // False when another process is inside a guarded step.
  bool acquired() const { return handle_ >= 0; }

 private:
  int32_t handle_;
};

}  // namespace zlvup

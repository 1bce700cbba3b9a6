#include "JobContext.h"

JobContext& JobContext::Instance() {
  static JobContext context;
  return context;
}

void JobContext::SetRefresher(std::function<void(const QImage&)> refresher) {
  std::lock_guard lock(refresherLock_);
  refresher_ = std::move(refresher);
}

void JobContext::Refresh(const QImage& picture) {
  std::function<void(const QImage&)> call;
  {
    std::lock_guard lock(refresherLock_);
    call = refresher_;
  }
  if (call) call(picture);
}

#include "Workers.h"

#include <algorithm>
#include <system_error>

namespace zlvup {

bool WorkerThreads::start(std::function<void()> body) {
  std::lock_guard<std::mutex> guard(mutex_);
  joinFinished();
  try {
    workers_.reserve(workers_.size() + 1);  // so the push below cannot throw
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([body = std::move(body), done]() {
      try {
        body();
      } catch (...) {
        // A worker has nobody to report to; it just ends.
      }
      done->store(true);
    });
    workers_.push_back(Worker{std::move(thread), std::move(done)});
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void WorkerThreads::joinFinished() {
  auto finished = std::partition(workers_.begin(), workers_.end(),
                                 [](const Worker& w) { return !w.done->load(); });
  for (auto it = finished; it != workers_.end(); ++it)
    if (it->thread.joinable()) it->thread.join();
  workers_.erase(finished, workers_.end());
}

void WorkerThreads::joinAll() {
  std::vector<Worker> all;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    all.swap(workers_);
  }
  for (Worker& w : all)
    if (w.thread.joinable()) w.thread.join();
}

}  // namespace zlvup

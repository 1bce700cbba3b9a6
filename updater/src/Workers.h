// The check and update threads. To the host they are fire-and-forget; the library keeps
// their handles so that unloading can wait for them instead of unmapping running code.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zlvup {

class WorkerThreads {
 public:
  WorkerThreads() = default;
  ~WorkerThreads() { joinAll(); }
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // False when no thread could be started.
  bool start(std::function<void()> body);
  void joinAll();

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void joinFinished();  // caller holds mutex_

  std::mutex mutex_;
  std::vector<Worker> workers_;
};

}  // namespace zlvup

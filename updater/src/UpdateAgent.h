// The one updater object of the process: the record shared with the host, its lock, the
// parameter word and the worker threads.
#pragma once

#include <zlvup.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "DataFiles.h"
#include "Settings.h"
#include "Workers.h"

namespace zlvup {

// The texts a check copies into the record when a newer version is published.
struct PublishedUpdate {
  std::u16string currentVersion;
  std::u16string newVersion;
  std::u16string url;
  std::u16string urlDownload;
  std::u16string info;
};

class UpdateAgent {
 public:
  // Builds the record, works out DataDir and records the first run.
  UpdateAgent(Settings settings, DataFiles files);
  // Stops running transfers and waits for the workers.
  ~UpdateAgent();
  UpdateAgent(const UpdateAgent&) = delete;
  UpdateAgent& operator=(const UpdateAgent&) = delete;

  // The exports' work (selector already checked).
  void check(uint32_t window);
  void update();
  bool copyRecord(void* out);
  void setParam(uint32_t value);
  void clear();

  // For the workers.
  const Settings& settings() const { return settings_; }
  const DataFiles& files() const { return files_; }
  uint32_t paramWord();
  void setState(UpdateState state);
  void setUpdateAvailable(const PublishedUpdate& update);
  // Posts UpdateResultMessage to the record's window with the parameter word.
  void postResult();
  // The record's url and new version, for the update action.
  void pendingUpdate(std::u16string& url, std::u16string& newVersion);
  void finishUpdate();
  // True for the first caller in the process only.
  bool claimStatistics() { return !statisticsSent_.exchange(true); }

 private:
  const Settings settings_;
  const DataFiles files_;
  std::mutex lock_;
  UpdateRecord record_{};
  uint32_t param_ = 0;
  std::atomic<bool> statisticsSent_{false};
  WorkerThreads workers_;  // last: joined before the rest goes
};

}  // namespace zlvup

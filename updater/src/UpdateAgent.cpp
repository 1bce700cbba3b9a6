#include "UpdateAgent.h"

#include <zlvplatform.h>

#include <cstring>
#include <span>

#include "Statistics.h"
#include "Text.h"
#include "UpdateCheck.h"

namespace zlvup {

namespace {
constexpr std::size_t kMaxInfoChars = 1022;

template <std::size_t N>
void fill(char16_t (&field)[N], std::u16string_view text, std::size_t maxUnits = N - 1) {
  copyTruncated(std::span<char16_t>(field, N), text, maxUnits);
}
}  // namespace

UpdateAgent::UpdateAgent(Settings settings, DataFiles files)
    : settings_(std::move(settings)), files_(std::move(files)) {
  record_.size = UpdateRecordSize;
  record_.state = UpdateStateIdle;
  recordFirstRun(files_);
}

UpdateAgent::~UpdateAgent() {
  requestStop();
  workers_.joinAll();
  clearStop();
}

void UpdateAgent::check(uint32_t window) {
  std::lock_guard<std::mutex> guard(lock_);
  if (record_.state != UpdateStateIdle && record_.state != UpdateStateDone) return;
  record_.state = UpdateStateChecking;
  record_.window = window;
  // A thread that cannot start leaves the state at Checking and no message comes.
  workers_.start([this] {
    if (claimStatistics()) sendStatistics(*this);
    runUpdateCheck(*this);
  });
}

void UpdateAgent::update() {
  std::lock_guard<std::mutex> guard(lock_);
  if (record_.state != UpdateStateUpdateAvailable) return;
  workers_.start([this] { runUpdateAction(*this); });
}

bool UpdateAgent::copyRecord(void* out) {
  if (!out) return false;
  uint32_t size = 0;
  std::memcpy(&size, out, sizeof size);
  if (size != UpdateRecordSize) return false;
  std::lock_guard<std::mutex> guard(lock_);
  std::memcpy(out, &record_, sizeof record_);
  return true;
}

void UpdateAgent::setParam(uint32_t value) {
  std::lock_guard<std::mutex> guard(lock_);
  if (record_.state == UpdateStateIdle || record_.state == UpdateStateDone) param_ = value;
}

void UpdateAgent::clear() {
  std::lock_guard<std::mutex> guard(lock_);
  param_ = 0;
  record_.state = UpdateStateDone;
}

uint32_t UpdateAgent::paramWord() {
  std::lock_guard<std::mutex> guard(lock_);
  return param_;
}

void UpdateAgent::setState(UpdateState state) {
  std::lock_guard<std::mutex> guard(lock_);
  record_.state = state;
}

void UpdateAgent::setUpdateAvailable(const PublishedUpdate& u) {
  std::lock_guard<std::mutex> guard(lock_);
  record_.state = UpdateStateUpdateAvailable;
  fill(record_.currentVersion, u.currentVersion);
  fill(record_.newVersion, u.newVersion);
  fill(record_.url, u.url);
  fill(record_.urlDownload, u.urlDownload);
  fill(record_.info, u.info, kMaxInfoChars);
}

void UpdateAgent::postResult() {
  std::lock_guard<std::mutex> guard(lock_);
  if (stopRequested()) return;  // the library is going away; so, most likely, is the window
  zlvPostMessage(record_.window, UpdateResultMessage, uintptr_t(param_), 0);
}

void UpdateAgent::pendingUpdate(std::u16string& url, std::u16string& newVersion) {
  std::lock_guard<std::mutex> guard(lock_);
  url = std::u16string(fieldText(record_.url));
  newVersion = std::u16string(fieldText(record_.newVersion));
}

void UpdateAgent::finishUpdate() {
  std::lock_guard<std::mutex> guard(lock_);
  param_ = 0;
  record_.state = UpdateStateDone;
}

}  // namespace zlvup

#include "UpdaterHost.h"

#include <dlfcn.h>
#include <zlvplatform.h>

#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <thread>

#include "TestEnv.h"

namespace gallivo::test {

namespace fs = std::filesystem;

MessageWindow::MessageWindow() { id_ = zlvRegisterWindow(&MessageWindow::onMessage, this); }
MessageWindow::~MessageWindow() { zlvUnregisterWindow(id_); }

void MessageWindow::onMessage(void* context, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* self = static_cast<MessageWindow*>(context);
  {
    std::lock_guard guard(self->mutex_);
    self->queue_.push_back({msg, wparam, lparam});
  }
  self->posted_.notify_all();
}

std::optional<PostedMessage> MessageWindow::wait(std::chrono::milliseconds limit) {
  std::unique_lock guard(mutex_);
  if (!posted_.wait_for(guard, limit, [&] { return !queue_.empty(); })) return std::nullopt;
  PostedMessage m = queue_.front();
  queue_.pop_front();
  return m;
}

size_t MessageWindow::pending() {
  std::lock_guard guard(mutex_);
  return queue_.size();
}

fs::path updaterLibraryPath() { return buildDir() / "libZlvUp.so"; }

bool updaterUnloaded() {
  void* h = dlopen(updaterLibraryPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h == nullptr;
}

UpdaterLibrary::UpdaterLibrary() {
  handle_ = dlopen(updaterLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) return;
  Check = reinterpret_cast<ZlvUpCheckFn>(dlsym(handle_, "Check"));
  Update = reinterpret_cast<ZlvUpUpdateFn>(dlsym(handle_, "Update"));
  State = reinterpret_cast<ZlvUpStateFn>(dlsym(handle_, "State"));
  Clear = reinterpret_cast<ZlvUpClearFn>(dlsym(handle_, "Clear"));
  SetParam = reinterpret_cast<ZlvUpSetParamFn>(dlsym(handle_, "SetParam"));
}

UpdaterLibrary::~UpdaterLibrary() {
  if (handle_) dlclose(handle_);
}

UpdateRecord UpdaterLibrary::record() const {
  UpdateRecord r{};
  r.size = UpdateRecordSize;
  if (!State || State(1, &r) != 1) r = UpdateRecord{};
  return r;
}

UpdaterScene makeScene(const std::string& name, const std::string& updateServer,
                       const std::string& statsServer, uint32_t timeoutMs) {
  UpdaterScene s;
  s.programDir = freshDir(name);
  setenv("GALLIVO_PROGRAM_DIR", s.programDir.c_str(), 1);
  setenv("ZLVUP_UPDATE_SERVER", updateServer.c_str(), 1);
  setenv("ZLVUP_STATS_SERVER", statsServer.c_str(), 1);
  setenv("ZLVUP_TIMEOUT_MS", std::to_string(timeoutMs).c_str(), 1);
  for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
  return s;
}

fs::path fakeProgram(const std::string& version) {
  return buildDir() / "tests" / ("updater_fake_gallivo_" + version);
}

std::string iniValue(const fs::path& file, const std::string& section, const std::string& key) {
  std::u16string out(1 << 16, u'\0');
  std::u16string f = zlv::toUtf16(file.string()), sec = zlv::toUtf16(section), k = zlv::toUtf16(key);
  uint32_t n = zlvGetProfileString(sec.c_str(), k.c_str(), u"", out.data(), uint32_t(out.size()), f.c_str());
  out.resize(n);
  return zlv::toUtf8(out);
}

void writeStateIni(const UpdaterScene& scene, const std::string& ver, const std::string& time) {
  writeText(scene.stateIni(), "[main]\nver=" + ver + "\ntime=" + time + "\n");
}

void setMachinePartner(const std::optional<std::string>& tag) {
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  fs::path file = fs::path(dirs ? dirs : "/nonexistent") / "registry/software/zlvvd/coop.ini";
  std::error_code ec;
  if (!tag) {
    fs::remove(file, ec);
    return;
  }
  writeText(file, "[values]\nPrePartner=" + *tag + "\n");
}

void installProgram(const UpdaterScene& scene, const std::string& version) {
  fs::copy_file(fakeProgram(version), scene.programDir / "Gallivo",
                fs::copy_options::overwrite_existing);
}

void recordOpens(const fs::path& log) {
  fs::path script = log.parent_path() / "record-open.sh";
  writeText(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.string() + "'\n");
  fs::permissions(script, fs::perms::owner_all);
  setenv("ZLV_OPEN_COMMAND", script.c_str(), 1);
}

bool waitForFile(const fs::path& file, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    std::error_code ec;
    if (fs::file_size(file, ec) > 0 && !ec) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

CheckRun runCheck(UpdaterLibrary& library, MessageWindow& window, std::chrono::milliseconds limit) {
  CheckRun run;
  library.Check(1, window.id());
  run.message = window.wait(limit);
  run.record = library.record();
  return run;
}

std::string utf8(std::u16string_view text) { return zlv::toUtf8(text); }
uint32_t nowSeconds() { return uint32_t(std::time(nullptr)); }

}  // namespace gallivo::test

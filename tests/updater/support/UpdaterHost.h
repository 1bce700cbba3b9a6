// Drives libZlvUp.so as the program does: loaded by file name, the exports bound by name,
// the answer read from a registered window.
#pragma once

#include <zlvup.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "TestFiles.h"

namespace gallivo::test {

struct PostedMessage {
  uint32_t msg;
  uintptr_t wparam;
  intptr_t lparam;
};

// A window of the platform's window table that queues what is posted to it.
class MessageWindow {
 public:
  MessageWindow();
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  uint32_t id() const { return id_; }
  std::optional<PostedMessage> wait(std::chrono::milliseconds limit);
  size_t pending();

 private:
  static void onMessage(void* context, uint32_t msg, uintptr_t wparam, intptr_t lparam);
  uint32_t id_ = 0;
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<PostedMessage> queue_;
};

// The library, loaded on construction and unloaded (workers joined) on destruction.
class UpdaterLibrary {
 public:
  UpdaterLibrary();
  ~UpdaterLibrary();
  UpdaterLibrary(const UpdaterLibrary&) = delete;
  UpdaterLibrary& operator=(const UpdaterLibrary&) = delete;
  bool loaded() const { return handle_ != nullptr; }
  UpdateRecord record() const;  // State(1, ...) copy; size 0 when refused
  uint32_t state() const { return record().state; }

  ZlvUpCheckFn Check = nullptr;
  ZlvUpUpdateFn Update = nullptr;
  ZlvUpStateFn State = nullptr;
  ZlvUpClearFn Clear = nullptr;
  ZlvUpSetParamFn SetParam = nullptr;

 private:
  void* handle_ = nullptr;
};

std::filesystem::path updaterLibraryPath();
// True when no copy of the library is mapped any more.
bool updaterUnloaded();

// A program folder of its own for one test: $GALLIVO_PROGRAM_DIR, the servers and the
// test time-out. Set before loading the library (it reads them once, at load).
struct UpdaterScene {
  std::filesystem::path programDir;
  std::filesystem::path dataDir() const { return programDir / "Data"; }
  std::filesystem::path stateIni() const { return dataDir() / "zlvvd.ini"; }
  std::filesystem::path partnerIni() const { return dataDir() / "zlvd.ini"; }
};
UpdaterScene makeScene(const std::string& name, const std::string& updateServer,
                       const std::string& statsServer, uint32_t timeoutMs = 2000);

// Fake "Gallivo" programs with an embedded version (see fake_gallivo.cpp).
std::filesystem::path fakeProgram(const std::string& version);  // "1.0.0.1003" or "2.3.4.5"

// The stored state the library left: "main"/key of an ini file, "" when missing.
std::string iniValue(const std::filesystem::path& file, const std::string& section,
                     const std::string& key);
// "[main]\nver=...\ntime=...\n"
void writeStateIni(const UpdaterScene& scene, const std::string& ver, const std::string& time);
// The machine-wide partner value under $XDG_CONFIG_DIRS.
void setMachinePartner(const std::optional<std::string>& tag);

// Copies a fake program into the scene as "Gallivo".
void installProgram(const UpdaterScene& scene, const std::string& version);
// Makes the shell "open" of the library append its argument to log (one line per call).
void recordOpens(const std::filesystem::path& log);
// Waits until the file exists and is not empty.
bool waitForFile(const std::filesystem::path& file, std::chrono::milliseconds limit);

// Calls Check(1, window) and waits for the answer.
struct CheckRun {
  std::optional<PostedMessage> message;
  UpdateRecord record;
};
CheckRun runCheck(UpdaterLibrary& library, MessageWindow& window,
                  std::chrono::milliseconds limit = std::chrono::seconds(15));

std::string utf8(std::u16string_view text);
uint32_t nowSeconds();

}  // namespace gallivo::test

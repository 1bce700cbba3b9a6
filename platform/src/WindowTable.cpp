// The window table: ids stand in for window handles that cross a library boundary.
// Posting calls the window's callback on the posting thread; unregistering waits until
// callbacks running on other threads have returned, so the context can be freed after it.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Internal.h"
#include "zlvplatform.h"

namespace {

struct Window {
  ZlvWindowCallback callback;
  void* context;
  std::vector<std::thread::id> running;  // threads inside the callback now
  bool closing = false;                  // being unregistered: no new posts get in
};

struct Table {
  std::mutex lock;
  std::condition_variable idle;
  std::unordered_map<uint32_t, Window> windows;
  uint32_t lastId = 0;
  bool exhausted = false;
};

Table& table() {
  static zlv::detail::NoDestructor<Table> t;
  return t.get();
}

}  // namespace

extern "C" {

uint32_t zlvRegisterWindow(ZlvWindowCallback callback, void* context) {
  if (!callback) return 0;
  Table& t = table();
  std::lock_guard guard(t.lock);
  // Ids are never handed out twice in a process: when they run out, registering fails.
  if (t.exhausted) return 0;
  uint32_t id = ++t.lastId;
  if (id == UINT32_MAX) t.exhausted = true;
  t.windows.emplace(id, Window{callback, context, {}, false});
  return id;
}

void zlvUnregisterWindow(uint32_t window) {
  Table& t = table();
  std::unique_lock guard(t.lock);
  auto it = t.windows.find(window);
  if (it == t.windows.end()) return;
  it->second.closing = true;
  // Wait for other threads' callbacks; one running on this thread (a callback that
  // unregisters its own window) cannot be waited for.
  const auto self = std::this_thread::get_id();
  t.idle.wait(guard, [&] {
    auto found = t.windows.find(window);
    if (found == t.windows.end()) return true;  // another thread unregistered it meanwhile
    auto& running = found->second.running;
    return std::all_of(running.begin(), running.end(), [&](auto id) { return id == self; });
  });
  t.windows.erase(window);
}

bool zlvPostMessage(uint32_t window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  Table& t = table();
  ZlvWindowCallback callback;
  void* context;
  const auto self = std::this_thread::get_id();
  {
    std::lock_guard guard(t.lock);
    auto it = t.windows.find(window);
    if (it == t.windows.end() || it->second.closing) return false;
    callback = it->second.callback;
    context = it->second.context;
    it->second.running.push_back(self);
  }
  callback(context, msg, wparam, lparam);
  {
    std::lock_guard guard(t.lock);
    auto it = t.windows.find(window);
    if (it != t.windows.end()) {
      auto& running = it->second.running;
      running.erase(std::find(running.begin(), running.end(), self));
    }
  }
  t.idle.notify_all();
  return true;
}

}  // extern "C"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "zlvplatform.h"

namespace {

struct Inbox {
  std::mutex lock;
  std::vector<uint32_t> messages;
  std::atomic<int> inside{0};
  std::atomic<bool> slow{false};
};

void record(void* context, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  auto* inbox = static_cast<Inbox*>(context);
  inbox->inside++;
  if (inbox->slow) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  {
    std::lock_guard g(inbox->lock);
    inbox->messages.push_back(msg + uint32_t(wparam) + uint32_t(lparam));
  }
  inbox->inside--;
}

TEST(PlatformWindowTable, PostReachesTheRegisteredCallback) {
  Inbox inbox;
  EXPECT_EQ(zlvRegisterWindow(nullptr, &inbox), 0u);
  uint32_t id = zlvRegisterWindow(record, &inbox);
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(zlvPostMessage(id, 7544, 1, 2));
  EXPECT_EQ(inbox.messages, std::vector<uint32_t>{7547});
  zlvUnregisterWindow(id);
  EXPECT_FALSE(zlvPostMessage(id, 7544, 0, 0));
  EXPECT_FALSE(zlvPostMessage(0, 1, 0, 0));
  EXPECT_FALSE(zlvPostMessage(0xFFFFFFF0u, 1, 0, 0));
  zlvUnregisterWindow(id);  // twice is harmless
  EXPECT_EQ(inbox.messages.size(), 1u);
}

TEST(PlatformWindowTable, IdsAreUniqueAcrossThreadsAndNeverReused) {
  std::mutex lock;
  std::set<uint32_t> seen;
  std::vector<std::thread> threads;
  Inbox inbox;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        uint32_t id = zlvRegisterWindow(record, &inbox);
        {
          std::lock_guard g(lock);
          EXPECT_TRUE(seen.insert(id).second) << id;
        }
        zlvUnregisterWindow(id);  // an unregistered id must still not come back
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(seen.size(), 800u);
  EXPECT_EQ(seen.count(0), 0u);
}

TEST(PlatformWindowTable, UnregisterWaitsForRunningCallbacks) {
  auto inbox = std::make_unique<Inbox>();
  inbox->slow = true;
  uint32_t id = zlvRegisterWindow(record, inbox.get());
  std::atomic<bool> stop{false};
  std::vector<std::thread> posters;
  for (int t = 0; t < 3; ++t)
    posters.emplace_back([&] {
      while (!stop) zlvPostMessage(id, 1, 0, 0);
    });
  while (inbox->inside == 0) std::this_thread::yield();
  zlvUnregisterWindow(id);
  // After unregistering, no callback may still be using the context.
  EXPECT_EQ(inbox->inside.load(), 0);
  stop = true;
  for (auto& t : posters) t.join();
  size_t count = inbox->messages.size();
  EXPECT_GT(count, 0u);
  inbox.reset();  // freeing the context now is safe: later posts find no window
  EXPECT_FALSE(zlvPostMessage(id, 1, 0, 0));
}

uint32_t selfId = 0;
void unregisterSelf(void*, uint32_t, uintptr_t, intptr_t) { zlvUnregisterWindow(selfId); }

TEST(PlatformWindowTable, CallbackMayUnregisterItsOwnWindow) {
  selfId = zlvRegisterWindow(unregisterSelf, nullptr);
  EXPECT_TRUE(zlvPostMessage(selfId, 1, 0, 0));  // must not deadlock
  EXPECT_FALSE(zlvPostMessage(selfId, 1, 0, 0));
}

}  // namespace

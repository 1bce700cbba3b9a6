// The five exports, the record and the state machine, driven through the loaded library.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>

#include "HttpTestServer.h"
#include "TestEnv.h"
#include "UpdaterHost.h"

namespace fs = std::filesystem;
using namespace gallivo::test;
using namespace std::chrono_literals;

namespace {

// A server that takes its time over the update list, so a check stays in Checking.
std::map<std::string, HttpReply> slowList(int delayMs) {
  HttpReply list = HttpReply::text("[new]\nver=0.1\n");
  list.delayMs = delayMs;
  return {{"/vd/up.ini", list}, {"/vd/inst.htm", HttpReply::text("")},
          {"/vd/op.htm", HttpReply::text("")}};
}

}  // namespace

TEST(UpdaterInterface, ExportsExactlyTheFiveFunctions) {
  std::string out;
  ASSERT_EQ(run("nm -D --defined-only " + updaterLibraryPath().string(), &out), 0) << out;
  std::istringstream lines(out);
  std::vector<std::string> names;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string address, type, name;
    if (words >> address >> type >> name) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::istringstream expected(readText(sourceDir() / "tests/data/updater/exports.txt"));
  std::vector<std::string> want;
  for (std::string name; expected >> name;) want.push_back(name);
  EXPECT_EQ(names, want);
}

TEST(UpdaterInterface, UnloadingLeavesNothingMapped) {
  makeScene("unload", "http://127.0.0.1:1", "http://127.0.0.1:1");
  { UpdaterLibrary lib; ASSERT_TRUE(lib.loaded()); }
  EXPECT_TRUE(updaterUnloaded());  // each load below gets a fresh agent
}

TEST(UpdaterInterface, FreshRecordAndTheSizeRule) {
  makeScene("record", "http://127.0.0.1:1", "http://127.0.0.1:1");
  UpdaterLibrary lib;
  ASSERT_TRUE(lib.loaded());

  UpdateRecord r;
  std::memset(&r, 0xAB, sizeof r);
  r.size = UpdateRecordSize;
  ASSERT_EQ(lib.State(1, &r), 1);
  UpdateRecord zero{};
  zero.size = UpdateRecordSize;
  EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0) << "all but the size must be zero";

  EXPECT_EQ(lib.State(1, nullptr), 0);
  for (uint32_t size : {0u, 4239u, 4241u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    UpdateRecord block;
    std::memset(&block, 0x5A, sizeof block);
    block.size = size;
    UpdateRecord before = block;
    EXPECT_EQ(lib.State(1, &block), 0);
    EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0);
  }
}

TEST(UpdaterInterface, OnlySelectorsZeroAndOneAreAccepted) {
  HttpTestServer server(slowList(0));
  makeScene("selector", server.base(), server.base());
  UpdaterLibrary lib;
  MessageWindow window;
  for (int32_t selector : {-1, 2, 3, 255, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(selector);
    UpdateRecord r{};
    r.size = UpdateRecordSize;
    EXPECT_EQ(lib.Check(selector, window.id()), 0);
    EXPECT_EQ(lib.Update(selector), 0);
    EXPECT_EQ(lib.State(selector, &r), 0);
    EXPECT_EQ(r.state, 0u);
    EXPECT_EQ(lib.Clear(selector), 0);
    EXPECT_EQ(lib.SetParam(selector, 1), 0);
    EXPECT_EQ(lib.state(), uint32_t(UpdateStateIdle));
  }
  EXPECT_FALSE(window.wait(300ms));
  EXPECT_TRUE(server.requests().empty());

  // Selector 0 behaves like 1.
  UpdateRecord r{};
  r.size = UpdateRecordSize;
  EXPECT_EQ(lib.State(0, &r), 1);
  EXPECT_EQ(lib.Check(0, window.id()), 0);
  auto m = window.wait(15s);
  ASSERT_TRUE(m);
  EXPECT_EQ(lib.Clear(0), 1);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateDone));
}

TEST(UpdaterInterface, StateMachineAndParameterWord) {
  HttpTestServer server(slowList(1000));
  UpdaterScene scene = makeScene("machine", server.base(), server.base(), 5000);
  writeStateIni(scene, "1.0", "1");
  UpdaterLibrary lib;
  MessageWindow window, other;

  EXPECT_EQ(lib.SetParam(1, 0x10001), 1);  // ForceCheck and a bit only the host knows
  EXPECT_EQ(lib.Check(1, window.id()), 0);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateChecking));
  EXPECT_EQ(lib.record().window, window.id());

  // Refused while checking: no second check, no new window, the word stays.
  EXPECT_EQ(lib.Check(1, other.id()), 0);
  EXPECT_EQ(lib.SetParam(1, 0x20), 1);
  EXPECT_EQ(lib.Update(1), 0);
  EXPECT_EQ(lib.record().window, window.id());

  auto m = window.wait(15s);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->msg, 7544u);
  EXPECT_EQ(m->wparam, 0x10001u);
  EXPECT_EQ(m->lparam, 0);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateUpToDate));

  // A result refuses Check too; Clear resets and lets a new check run.
  EXPECT_EQ(lib.Check(1, other.id()), 0);
  EXPECT_FALSE(other.wait(300ms));
  EXPECT_EQ(lib.Clear(1), 1);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateDone));
  EXPECT_EQ(lib.SetParam(1, 1), 1);
  EXPECT_EQ(lib.Check(1, other.id()), 0);
  auto second = other.wait(15s);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->wparam, 1u);
  EXPECT_EQ(window.pending(), 0u);
  // Statistics went out with the first check of the process only.
  EXPECT_EQ(server.requestsFor("/vd/op.htm").size(), 1u);
  EXPECT_EQ(server.requestsFor("/vd/up.ini").size(), 2u);

  // Clear also zeroes the word: the next check's message carries 0.
  EXPECT_EQ(lib.Clear(1), 1);
  writeStateIni(scene, "9.9", "1");
  EXPECT_EQ(lib.Check(1, window.id()), 0);
  auto third = window.wait(15s);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->wparam, 0u);
}

TEST(UpdaterInterface, ClearWhileCheckingLeavesCheckingToTheWorker) {
  HttpTestServer server(slowList(800));
  writeStateIni(makeScene("clear", server.base(), server.base(), 5000), "1.0", "1");
  UpdaterLibrary lib;
  MessageWindow window;
  EXPECT_EQ(lib.Check(1, window.id()), 0);
  EXPECT_EQ(lib.Clear(1), 1);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateDone));
  auto m = window.wait(15s);
  ASSERT_TRUE(m);  // the running check still ends and reports
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateUpToDate));
}

TEST(UpdaterInterface, UnloadDuringACheckStopsItPromptly) {
  HttpReply silent = HttpReply::text("[new]\nver=9\n");
  silent.delayMs = 20000;
  HttpTestServer server({{"/vd/up.ini", silent}, {"/vd/op.htm", HttpReply::text("")},
                         {"/vd/inst.htm", HttpReply::text("")}});
  makeScene("unloadbusy", server.base(), server.base(), 30000);
  MessageWindow window;
  auto start = std::chrono::steady_clock::now();
  {
    UpdaterLibrary lib;
    lib.Check(1, window.id());
    ASSERT_TRUE(server.waitFor(1, "/vd/up.ini", 10s));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
  EXPECT_TRUE(updaterUnloaded());
  EXPECT_FALSE(window.wait(100ms));
}

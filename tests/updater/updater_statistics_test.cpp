// The install and open pings: partner tag, request lines, once per process, the lock.
#include <gtest/gtest.h>
#include <zlvplatform.h>

#include "HttpTestServer.h"
#include "TestEnv.h"
#include "UpdaterHost.h"

namespace fs = std::filesystem;
using namespace gallivo::test;
using namespace std::chrono_literals;

namespace {

std::map<std::string, HttpReply> routes(int installStatus = 200) {
  return {{"/vd/up.ini", HttpReply::text("[new]\nver=0.1\n")},
          {"/vd/inst.htm", HttpReply::text("ok", installStatus)},
          {"/vd/op.htm", HttpReply::text("ok")}};
}

std::vector<std::string> requestLines(const HttpTestServer& server) {
  std::vector<std::string> lines;
  for (auto& r : server.requests()) lines.push_back(r.requestLine);
  return lines;
}

std::string get(const std::string& target) { return "GET " + target + " HTTP/1.1"; }

}  // namespace

TEST(UpdaterStatistics, PartnerTagDecidesTheInstallPing) {
  const std::string tag259(259, 'p');
  struct Case {
    const char* name;
    std::optional<std::string> registry;  // machine-wide "PrePartner"
    std::optional<std::string> reported;  // "Partner" of zlvd.ini
    std::string pid;
    bool install;
  } cases[] = {
      {"first start", std::nullopt, std::nullopt, "h_lvse", true},
      {"empty registry value", std::string(""), std::nullopt, "h_lvse", true},
      {"installer's tag", std::string("coopA"), std::nullopt, "coopA", true},
      {"installed through another channel", std::string("coopB"), std::string("coopA"), "coopB", true},
      {"same tag, other case", std::string("CoopA"), std::string("cOOPa"), "CoopA", false},
      {"default already reported", std::nullopt, std::string("h_lvse"), "h_lvse", false},
      {"reported value empty", std::string("coopA"), std::string(""), "coopA", true},
      {"259 characters: cut to 258", tag259, std::nullopt, tag259.substr(0, 258), true},
      {"too long for the value buffer", std::string(300, 'q'), std::nullopt, "h_lvse", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpTestServer server(routes());
    UpdaterScene scene = makeScene("partner", server.base(), server.base());
    writeStateIni(scene, "1.0.0.1003", "1");
    setMachinePartner(c.registry);
    if (c.reported) writeText(scene.partnerIni(), "[main]\nPartner=" + *c.reported + "\n");
    {
      UpdaterLibrary lib;
      MessageWindow window;
      ASSERT_TRUE(runCheck(lib, window).message);
    }
    std::vector<std::string> want;
    if (c.install) want.push_back(get("/vd/inst.htm?pid=" + c.pid + "&ver=1.0.0.1003"));
    want.push_back(get("/vd/op.htm?pid=" + c.pid + "&ver=1.0.0.1003"));
    want.push_back(get("/vd/up.ini"));
    EXPECT_EQ(requestLines(server), want);
    const std::string recorded = c.install ? c.pid : c.reported.value_or("");
    EXPECT_EQ(iniValue(scene.partnerIni(), "main", "Partner"), recorded);
    EXPECT_EQ(iniValue(scene.partnerIni(), "main", "PrePartner"), c.install ? c.pid : "");
  }
  setMachinePartner(std::nullopt);
}

TEST(UpdaterStatistics, NextStartSendsOnlyTheOpenPing) {
  HttpTestServer server(routes());
  UpdaterScene scene = makeScene("nextstart", server.base(), server.base());
  writeStateIni(scene, "1.0", "1");
  for (int start = 0; start < 2; ++start) {
    UpdaterLibrary lib;
    MessageWindow window;
    lib.SetParam(1, 1);
    ASSERT_TRUE(runCheck(lib, window).message);
  }
  EXPECT_EQ(server.requestsFor("/vd/inst.htm").size(), 1u);
  EXPECT_EQ(server.requestsFor("/vd/op.htm").size(), 2u);
}

TEST(UpdaterStatistics, FailedInstallPingIsTriedAgainNextStart) {
  for (int status : {500, 404}) {
    SCOPED_TRACE(status);
    HttpTestServer server(routes(status));
    UpdaterScene scene = makeScene("instfail", server.base(), server.base());
    writeStateIni(scene, "1.0", "1");
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_EQ(run.record.state, uint32_t(UpdateStateUpToDate));  // the check is unaffected
    EXPECT_FALSE(fs::exists(scene.partnerIni()));
    EXPECT_EQ(server.requestsFor("/vd/op.htm").size(), 1u);
  }
}

TEST(UpdaterStatistics, UnreachableStatisticsServerOnlyDelaysTheCheck) {
  HttpTestServer server(routes());
  UpdaterScene scene = makeScene("nostats", server.base(),
                                 "http://127.0.0.1:" + std::to_string(closedPort()));
  writeStateIni(scene, "1.0", "1");
  UpdaterLibrary lib;
  MessageWindow window;
  CheckRun run = runCheck(lib, window);
  ASSERT_TRUE(run.message);
  EXPECT_EQ(run.record.state, uint32_t(UpdateStateUpToDate));
  EXPECT_FALSE(fs::exists(scene.partnerIni()));
}

TEST(UpdaterStatistics, LockHeldElsewhereMeansOpenPingWithEmptyPid) {
  HttpTestServer server(routes());
  UpdaterScene scene = makeScene("lockstats", server.base(), server.base());
  writeStateIni(scene, "1.0.0.7", "1");
  int32_t held = zlvTryLockNamed(u"ZLVVD_EDIT_{1CBFDB6D-47CB-43df-98EB-803D47E035AD}");
  ASSERT_GE(held, 0);
  {
    UpdaterLibrary lib;
    MessageWindow window;
    lib.Check(1, window.id());
    ASSERT_TRUE(server.waitFor(1, "/vd/op.htm", 10s));
    EXPECT_FALSE(window.wait(500ms));
  }
  zlvUnlockNamed(held);
  EXPECT_EQ(requestLines(server), std::vector<std::string>{get("/vd/op.htm?pid=&ver=1.0.0.7")});
  EXPECT_FALSE(fs::exists(scene.partnerIni()));
}

TEST(UpdaterStatistics, VersionGoesIntoTheQueryUnescaped) {
  HttpTestServer server(routes());
  UpdaterScene scene = makeScene("unescaped", server.base(), server.base());
  writeStateIni(scene, "1.0&x=1 beta", "1");
  setMachinePartner(std::string("a&b"));
  {
    UpdaterLibrary lib;
    MessageWindow window;
    ASSERT_TRUE(runCheck(lib, window).message);
  }
  setMachinePartner(std::nullopt);
  // "&" stays as it is; a space cannot stand in a request line and goes as %20.
  auto op = server.requestsFor("/vd/op.htm");
  ASSERT_EQ(op.size(), 1u);
  EXPECT_EQ(op[0].requestLine, get("/vd/op.htm?pid=a&b&ver=1.0&x=1%20beta"));
}

TEST(UpdaterStatistics, PingsReportTheVersionRecordedByUpdate) {
  HttpTestServer server({{"/vd/up.ini", HttpReply::text("[new]\nver=1.0.0.2000\n")},
                         {"/vd/inst.htm", HttpReply::text("")},
                         {"/vd/op.htm", HttpReply::text("")}});
  UpdaterScene scene = makeScene("afterupdate", server.base(), server.base());
  writeStateIni(scene, "1.0.0.1000", "1");
  {
    UpdaterLibrary lib;
    MessageWindow window;
    ASSERT_EQ(runCheck(lib, window).record.state, uint32_t(UpdateStateUpdateAvailable));
    lib.Update(1);
    for (int i = 0; i < 200 && lib.state() != UpdateStateDone; ++i) std::this_thread::sleep_for(20ms);
    ASSERT_EQ(lib.state(), uint32_t(UpdateStateDone));
  }
  {
    UpdaterLibrary lib;  // the next start
    MessageWindow window;
    lib.Check(1, window.id());
    ASSERT_TRUE(server.waitFor(2, "/vd/op.htm", 10s));
  }
  auto op = server.requestsFor("/vd/op.htm");
  ASSERT_EQ(op.size(), 2u);
  EXPECT_EQ(op[1].target, "/vd/op.htm?pid=h_lvse&ver=1.0.0.2000");
}

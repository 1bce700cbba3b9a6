// The once-a-day update check, its outcomes, hostile update lists and the update action.
#include <gtest/gtest.h>
#include <zlvplatform.h>

#include <random>
#include <span>
#include <thread>

#include "HttpTestServer.h"
#include "UpdateCheck.h"
#include "TestEnv.h"
#include "UpdaterHost.h"

namespace fs = std::filesystem;
using namespace gallivo::test;
using namespace std::chrono_literals;

namespace {

std::map<std::string, HttpReply> withList(HttpReply list) {
  return {{"/vd/up.ini", std::move(list)}, {"/vd/inst.htm", HttpReply::text("")},
          {"/vd/op.htm", HttpReply::text("")}};
}
std::map<std::string, HttpReply> withList(const std::string& body) {
  return withList(HttpReply::text(body));
}

std::string field(std::span<const char16_t> f) {
  auto end = std::find(f.begin(), f.end(), u'\0');
  EXPECT_NE(end, f.end()) << "field not terminated";
  return utf8(std::u16string_view(f.data(), size_t(end - f.begin())));
}

std::vector<fs::path> leftoverTempFiles() {
  std::vector<fs::path> out;
  for (auto& e : fs::directory_iterator(std::getenv("TMPDIR")))
    if (e.path().filename().string().rfind("~DF", 0) == 0) out.push_back(e.path());
  return out;
}

// A check that is not due sends its statistics, then nothing: no list request, no message.
void expectNoCheck(HttpTestServer& server, UpdaterLibrary& lib, MessageWindow& window) {
  ASSERT_TRUE(server.waitFor(1, "/vd/op.htm", 10s));
  EXPECT_FALSE(window.wait(700ms));
  EXPECT_TRUE(server.requestsFor("/vd/up.ini").empty());
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateChecking));
}

}  // namespace

TEST(UpdaterCheck, VersionComparisonIsOrdinal) {
  struct Case {
    const char* current;
    const char* published;  // nullptr: the list has no section "new"
    UpdateState expected;
  } cases[] = {
      {"1.0.0.1003", "1.0.0.1004", UpdateStateUpdateAvailable},
      {"1.0.0.9", "1.0.0.10", UpdateStateUpToDate},  // unit by unit, not by number
      {"1.0.0.5", "1.0.0.5", UpdateStateUpToDate},
      {"2.0.0.0", "1.9.9.9", UpdateStateUpToDate},
      {"", "1.0.0.1", UpdateStateUpdateAvailable},
      {"1.0.0.1", "1.0.0.1a", UpdateStateUpdateAvailable},  // an ended text orders first
      {"1.0.0.a", "1.0.0.B", UpdateStateUpToDate},          // no case folding
      {"1.0.0.1", nullptr, UpdateStateUpToDate},
      {"1.0.0.1", "", UpdateStateUpToDate},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.current) + " vs " + (c.published ? c.published : "(none)"));
    std::string list = c.published ? std::string("[new]\nver=") + c.published +
                                         "\nurl=http://example.invalid/new\n"
                                         "urldownload=http://example.invalid/setup\ninfo=Fixes\n"
                                   : "[old]\nver=9.9.9.9\n";
    HttpTestServer server(withList(list));
    UpdaterScene scene = makeScene("compare", server.base(), server.base());
    writeStateIni(scene, c.current, "1");
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_EQ(run.record.state, uint32_t(c.expected));
    const std::string time = iniValue(scene.stateIni(), "main", "time");
    if (c.expected == UpdateStateUpdateAvailable) {
      EXPECT_EQ(field(run.record.currentVersion), c.current);
      EXPECT_EQ(field(run.record.newVersion), c.published);
      EXPECT_EQ(field(run.record.url), "http://example.invalid/new");
      EXPECT_EQ(field(run.record.urlDownload), "http://example.invalid/setup");
      EXPECT_EQ(field(run.record.info), "Fixes");
      EXPECT_EQ(time, "1");  // the next start checks again
    } else {
      EXPECT_EQ(field(run.record.newVersion), "");  // texts only change on a newer version
      EXPECT_NEAR(std::stod(time), double(nowSeconds()), 5.0);
    }
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), c.current);
    EXPECT_TRUE(leftoverTempFiles().empty());
  }
}

TEST(UpdaterCheck, DueRuleAtItsBoundaries) {
  const uint32_t now = 1800000000u;
  struct Case {
    uint32_t param, stored, now;
    bool due;
  } cases[] = {
      {0, now - 86399, now, false}, {0, now - 86400, now, true},  {0, now - 86401, now, true},
      {0, now, now, false},         {0, now + 1, now, true},      // clock set back
      {0, 1, now, true},            {0, 0xFFFFFFFFu, 5, false},   // wraps: 6 seconds apart
      {1, now, now, true},          {0x10001, now - 5, now, true}, {0xFFFE, now - 5, now, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zlvup::checkIsDue(c.param, c.stored, c.now), c.due)
        << "param " << c.param << " stored " << c.stored << " now " << c.now;
}

TEST(UpdaterCheck, OncePerDayUnlessForced) {
  const uint32_t now = nowSeconds();
  struct Case {
    const char* name;
    std::string time;
    uint32_t param;
    bool due;
  } cases[] = {
      {"recorded, never checked", "1", 0, true},
      {"clock set back", std::to_string(now + 100000), 0, true},
      {"just under a day", std::to_string(now - 86395), 0, false},
      {"exactly a day", std::to_string(now - 86400), 0, true},
      {"an hour, forced", std::to_string(now - 3600), 1, true},
      {"an hour, other bits only", std::to_string(now - 3600), 0x100, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpTestServer server(withList("[new]\nver=0.1\n"));
    UpdaterScene scene = makeScene("due", server.base(), server.base());
    writeStateIni(scene, "1.0", c.time);
    UpdaterLibrary lib;
    MessageWindow window;
    lib.SetParam(1, c.param);
    if (!c.due) {
      lib.Check(1, window.id());
      expectNoCheck(server, lib, window);
      EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), c.time);
      continue;
    }
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_EQ(run.message->wparam, c.param);
    EXPECT_EQ(run.record.state, uint32_t(UpdateStateUpToDate));
  }
}

TEST(UpdaterCheck, AnotherProcessCheckingMeansNoCheckHere) {
  HttpTestServer server(withList("[new]\nver=9.0\n"));
  UpdaterScene scene = makeScene("locked", server.base(), server.base());
  writeStateIni(scene, "1.0", "1");
  int32_t held = zlvTryLockNamed(u"ZLVVD_EDIT_{1CBFDB6D-47CB-43df-98EB-803D47E035AD}");
  ASSERT_GE(held, 0);
  {
    UpdaterLibrary lib;
    MessageWindow window;
    lib.Check(1, window.id());
    expectNoCheck(server, lib, window);
  }
  zlvUnlockNamed(held);
  EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), "1");
}

TEST(UpdaterCheck, TwoProcessesAtOnce) {
  // A second process holding the lock file, as a second Gallivo inside its check would.
  HttpTestServer server(withList("[new]\nver=9.0\n"));
  UpdaterScene scene = makeScene("twoproc", server.base(), server.base());
  writeStateIni(scene, "1.0", "1");
  const fs::path ready = scene.programDir / "ready", release = scene.programDir / "release";
  const std::string lockFile = std::string(std::getenv("XDG_RUNTIME_DIR")) +
                               "/ZLVVD_EDIT_{1CBFDB6D-47CB-43df-98EB-803D47E035AD}";
  std::string cmd = "timeout 20 flock -n '" + lockFile + "' sh -c 'echo x > \"" + ready.string() +
                    "\"; while [ ! -e \"" + release.string() + "\" ]; do sleep 0.05; done' " +
                    ">/dev/null 2>&1 &";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ASSERT_TRUE(waitForFile(ready, 10s));
  {
    UpdaterLibrary lib;
    MessageWindow window;
    lib.Check(1, window.id());
    expectNoCheck(server, lib, window);
  }
  writeText(release, "x");
  int32_t lock = -1;
  for (int i = 0; i < 200 && (lock = zlvTryLockNamed(u"ZLVVD_EDIT_{1CBFDB6D-47CB-43df-98EB-803D47E035AD}")) < 0; ++i)
    std::this_thread::sleep_for(50ms);
  ASSERT_GE(lock, 0) << "the other process did not let go";
  zlvUnlockNamed(lock);
}

TEST(UpdaterCheck, FailuresEndInCheckFailed) {
  HttpReply slow = HttpReply::text("[new]\nver=9\n");
  slow.delayMs = 6000;
  HttpReply dropped;
  dropped.dropConnection = true;
  const std::string closed = "http://127.0.0.1:" + std::to_string(closedPort());
  struct Case {
    const char* name;
    std::optional<HttpReply> list;  // nullopt: nobody listens
  } cases[] = {
      {"404", HttpReply::text("[new]\nver=9\n", 404)},
      {"500", HttpReply::text("[new]\nver=9\n", 500)},
      {"407", HttpReply::text("", 407)},
      {"silent beyond the time-out", slow},
      {"connection dropped", dropped},
      {"unreachable", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpTestServer server(withList(c.list.value_or(HttpReply::text(""))));
    UpdaterScene scene = makeScene("failed", c.list ? server.base() : closed, server.base(), 1000);
    writeStateIni(scene, "1.0", "1");
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_EQ(run.message->msg, 7544u);
    EXPECT_EQ(run.record.state, uint32_t(UpdateStateCheckFailed));
    EXPECT_EQ(field(run.record.newVersion), "");
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), "1");
    EXPECT_TRUE(leftoverTempFiles().empty());
  }
}

TEST(UpdaterCheck, ABodyCutShortIsReadAsFarAsItCame) {
  HttpReply cut = HttpReply::text("[new]\nver=3.0\nurl=http://exa");
  cut.declaredLength = 4000;
  HttpTestServer server(withList(cut));
  writeStateIni(makeScene("cut", server.base(), server.base()), "1.0", "1");
  UpdaterLibrary lib;
  MessageWindow window;
  CheckRun run = runCheck(lib, window);
  ASSERT_TRUE(run.message);
  EXPECT_EQ(run.record.state, uint32_t(UpdateStateUpdateAvailable));
  EXPECT_EQ(field(run.record.newVersion), "3.0");
  EXPECT_EQ(field(run.record.url), "http://exa");
  EXPECT_EQ(field(run.record.info), "");
}

TEST(UpdaterCheck, OversizedTextsAreCutToTheirFields) {
  std::string info;
  for (int i = 0; info.size() < 1024 * 1024; ++i) info += char('A' + i % 26);
  const std::string longVer = "1.0.0." + std::string(100, '7');
  const std::string longUrl = "http://example.invalid/" + std::string(400, 'u');
  HttpTestServer server(withList("[new]\nver=" + longVer + "\nurl=" + longUrl +
                                 "\nurldownload=" + longUrl + "\ninfo=" + info + "\n"));
  UpdaterScene scene = makeScene("oversized", server.base(), server.base(), 5000);
  writeStateIni(scene, "1.0", "1");
  UpdaterLibrary lib;
  MessageWindow window;
  CheckRun run = runCheck(lib, window);
  ASSERT_TRUE(run.message);
  const UpdateRecord& r = run.record;
  EXPECT_EQ(r.state, uint32_t(UpdateStateUpdateAvailable));
  EXPECT_EQ(field(r.info), info.substr(0, 1022));
  EXPECT_EQ(r.info[1022], u'\0');
  EXPECT_EQ(field(r.newVersion), longVer.substr(0, 19));
  EXPECT_EQ(field(r.url), longUrl.substr(0, 259));
  EXPECT_EQ(field(r.urlDownload), longUrl.substr(0, 259));
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&r);
  EXPECT_TRUE(std::all_of(bytes + 12, bytes + 536, [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(bytes + 3704, bytes + 4240, [](uint8_t b) { return b == 0; }));
}

TEST(UpdaterCheck, BinaryGarbageListGivesADocumentedState) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk) c = char(rng());
    if (round == 1) junk = "[new]\nver=\xff\xfe\x00\x01" + junk;  // invalid UTF-8 and a NUL in the value
    if (round == 2) junk = "[new]\r\n" + junk;
    HttpTestServer server(withList(junk));
    writeStateIni(makeScene("garbage", server.base(), server.base(), 5000), "1.0", "1");
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_TRUE(run.record.state == UpdateStateUpdateAvailable || run.record.state == UpdateStateUpToDate);
    field(run.record.info), field(run.record.newVersion), field(run.record.url);
  }
}

TEST(UpdaterCheck, UnusableDataFolderStillAnswers) {
  HttpTestServer server(withList("[new]\nver=1.0.0.1\n"));
  struct Case {
    const char* name;
    void (*spoil)(const UpdaterScene&);
  } cases[] = {
      {"zlvvd.ini is a folder", [](const UpdaterScene& s) { fs::create_directories(s.stateIni()); }},
      {"Data is a file", [](const UpdaterScene& s) { writeText(s.dataDir(), "not a folder"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdaterScene scene = makeScene("unusable", server.base(), server.base());
    installProgram(scene, "1.0.0.1003");
    c.spoil(scene);
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    // Nothing recorded can be read back, so the current version is empty.
    EXPECT_EQ(run.record.state, uint32_t(UpdateStateUpdateAvailable));
    EXPECT_EQ(field(run.record.currentVersion), "");
  }
  EXPECT_TRUE(leftoverTempFiles().empty());
}

TEST(UpdaterCheck, FirstLoadRecordsTheProgramVersionOnce) {
  struct Case {
    const char* name;
    std::optional<std::string> program;  // fake version, "text" or none
    const char* ver;
  } cases[] = {
      {"versioned program", "1.0.0.1003", "1.0.0.1003"},
      {"file without a version", std::string("text"), ""},
      {"no program file", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdaterScene scene = makeScene("firstrun", "http://127.0.0.1:1", "http://127.0.0.1:1");
    if (c.program == "text") writeText(scene.programDir / "Gallivo", "#!/bin/sh\necho no version\n");
    else if (c.program) installProgram(scene, *c.program);
    { UpdaterLibrary lib; ASSERT_TRUE(lib.loaded()); }
    EXPECT_TRUE(fs::is_directory(scene.dataDir()));
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), c.ver);
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), "1");

    // Later loads leave both keys, also after a newer program replaced the old one.
    installProgram(scene, "2.3.4.5");
    { UpdaterLibrary lib; }
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), c.ver);
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), "1");
  }

  // A stored time of 0 counts as never loaded.
  UpdaterScene scene = makeScene("firstrun", "http://127.0.0.1:1", "http://127.0.0.1:1");
  installProgram(scene, "2.3.4.5");
  writeStateIni(scene, "0.9", "0");
  { UpdaterLibrary lib; }
  EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), "2.3.4.5");
  EXPECT_EQ(iniValue(scene.stateIni(), "main", "time"), "1");
}

TEST(UpdaterCheck, UpdateOpensThePageAndRecordsTheNewVersion) {
  HttpTestServer server(withList("[new]\nver=1.0.0.1004\nurl=http://127.0.0.1:9/page?a=1&b=2\n"));
  UpdaterScene scene = makeScene("update", server.base(), server.base());
  writeStateIni(scene, "1.0.0.1003", "1");
  const fs::path opened = scene.programDir / "opened.log";
  recordOpens(opened);
  UpdaterLibrary lib;
  MessageWindow window;

  EXPECT_EQ(lib.Update(1), 0);  // not in UpdateAvailable: nothing
  lib.SetParam(1, 0x101);
  CheckRun run = runCheck(lib, window);
  ASSERT_TRUE(run.message);
  ASSERT_EQ(run.record.state, uint32_t(UpdateStateUpdateAvailable));

  EXPECT_EQ(lib.Update(1), 0);
  ASSERT_TRUE(waitForFile(opened, 10s));
  for (int i = 0; i < 200 && lib.state() != UpdateStateDone; ++i) std::this_thread::sleep_for(20ms);
  EXPECT_EQ(lib.state(), uint32_t(UpdateStateDone));
  EXPECT_EQ(readText(opened), "http://127.0.0.1:9/page?a=1&b=2\n");
  EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), "1.0.0.1004");
  EXPECT_NEAR(std::stod(iniValue(scene.stateIni(), "main", "time")), double(nowSeconds()), 5.0);
  EXPECT_FALSE(window.wait(200ms));  // the update action posts nothing

  // The next check compares with the recorded version, and the word was reset to 0.
  writeStateIni(scene, "1.0.0.1004", "1");
  CheckRun again = runCheck(lib, window);
  ASSERT_TRUE(again.message);
  EXPECT_EQ(again.message->wparam, 0u);
  EXPECT_EQ(again.record.state, uint32_t(UpdateStateUpToDate));
}

TEST(UpdaterCheck, UpdateOpensOnlyWebPages) {
  struct Case {
    const char* url;
    bool opened;
  } cases[] = {
      {"", false},
      {"HTTPS://127.0.0.1:9/new", true},
      {"file:///etc/passwd", false},  // a hostile list must not open local files
      {"/usr/bin/xterm", false},
      {"--help", false},
      {"http://", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    HttpTestServer server(withList(std::string("[new]\nver=5.0\nurl=") + c.url + "\n"));
    UpdaterScene scene = makeScene("nopage", server.base(), server.base());
    writeStateIni(scene, "1.0", "1");
    const fs::path opened = scene.programDir / "opened.log";
    recordOpens(opened);
    UpdaterLibrary lib;
    MessageWindow window;
    ASSERT_EQ(runCheck(lib, window).record.state, uint32_t(UpdateStateUpdateAvailable));
    lib.Update(1);
    for (int i = 0; i < 200 && lib.state() != UpdateStateDone; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(lib.state(), uint32_t(UpdateStateDone));
    EXPECT_EQ(iniValue(scene.stateIni(), "main", "ver"), "5.0");  // recorded either way
    if (c.opened) {
      ASSERT_TRUE(waitForFile(opened, 10s));
      EXPECT_EQ(readText(opened), std::string(c.url) + "\n");
    } else {
      std::this_thread::sleep_for(150ms);
      EXPECT_FALSE(fs::exists(opened));
    }
  }
}

TEST(UpdaterCheck, NoTemporaryFolderMeansCheckFailed) {
  HttpTestServer server(withList("[new]\nver=9.0\n"));
  UpdaterScene scene = makeScene("notmp", server.base(), server.base());
  writeStateIni(scene, "1.0", "1");
  const std::string tmp = std::getenv("TMPDIR");
  setenv("TMPDIR", (scene.programDir / "no-such-folder").c_str(), 1);
  {
    UpdaterLibrary lib;
    MessageWindow window;
    CheckRun run = runCheck(lib, window);
    ASSERT_TRUE(run.message);
    EXPECT_EQ(run.record.state, uint32_t(UpdateStateCheckFailed));
  }
  setenv("TMPDIR", tmp.c_str(), 1);
  EXPECT_TRUE(server.requests().empty());  // nothing to download into, so nothing asked
  EXPECT_FALSE(fs::exists(scene.partnerIni()));
}

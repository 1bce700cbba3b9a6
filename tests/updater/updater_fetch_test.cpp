// The HTTP fetcher and the temporary-file download against a local server.
#include <gtest/gtest.h>
#include <zlvplatform.h>

#include <filesystem>

#include "HttpFetcher.h"
#include "HttpTestServer.h"
#include "Settings.h"
#include "TempDownload.h"
#include "TestEnv.h"
#include "UpdaterHost.h"

namespace fs = std::filesystem;
using namespace gallivo::test;
using namespace std::chrono_literals;

namespace {

std::u16string u16(const std::string& s) { return zlv::toUtf16(s); }

struct Fetched {
  bool ok;
  uint32_t status;
  std::string body;
};

Fetched fetch(const std::string& address, uint32_t timeoutMs = 1000) {
  fs::path file = freshDir("fetch") / "out.bin";
  zlvup::HttpFetcher f;
  f.setTimeouts(timeoutMs, timeoutMs, timeoutMs);
  bool ok = f.fetch(u16(address), u16(file.string()));
  return {ok, f.status(), fs::exists(file) ? readText(file) : std::string()};
}

std::vector<fs::path> tempFiles() {
  std::vector<fs::path> out;
  for (auto& e : fs::directory_iterator(std::getenv("TMPDIR")))
    if (e.path().filename().string().rfind("~DF", 0) == 0) out.push_back(e.path());
  return out;
}

}  // namespace

TEST(UpdaterFetch, SendsTheRequestAsTheOldClientDid) {
  HttpTestServer server({{"/vd/up.ini", HttpReply::text("[new]\nver=1\n")}});
  Fetched r = fetch(server.base() + "/vd/up.ini?a=1&b=2");
  ASSERT_TRUE(r.ok);
  auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].requestLine, "GET /vd/up.ini?a=1&b=2 HTTP/1.1");
  EXPECT_EQ(reqs[0].header("User-Agent").value_or(""), "Mozila/4.0 (compatible; MSIE 5.0; Zelvo)");
  EXPECT_EQ(reqs[0].header("Pragma").value_or(""), "no-cache");
  EXPECT_EQ(reqs[0].header("Accept").value_or(""), "*/*");
  EXPECT_EQ(reqs[0].header("Host").value_or(""), "127.0.0.1:" + std::to_string(server.port()));
  EXPECT_FALSE(reqs[0].header("Accept-Encoding"));  // bodies arrive as the server holds them
}

TEST(UpdaterFetch, AnswersAndTheirOutcome) {
  std::string big(300 * 1024, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
  HttpReply cut = HttpReply::text("[new]\nver=1.0");
  cut.declaredLength = 500;  // connection closes after 13 of 500 bytes
  HttpReply noLength = HttpReply::text("streamed until close");
  noLength.sendLength = false;
  HttpReply shorter = HttpReply::text("0123456789");
  shorter.declaredLength = 4;
  HttpReply headersOnly = HttpReply::text("");
  headersOnly.declaredLength = 100;
  HttpReply redirect = HttpReply::text("", 302);
  HttpReply dropped;
  dropped.dropConnection = true;
  HttpTestServer server({{"/ok", HttpReply::text("hello")},
                         {"/big", HttpReply::text(big)},
                         {"/empty", HttpReply::text("")},
                         {"/cut", cut},
                         {"/nolength", noLength},
                         {"/shorter", shorter},
                         {"/headersonly", headersOnly},
                         {"/404", HttpReply::text("gone", 404)},
                         {"/500", HttpReply::text("broken", 500)},
                         {"/407", HttpReply::text("proxy", 407)},
                         {"/204", HttpReply::text("", 204)},
                         {"/dropped", dropped}});
  struct Case {
    const char* path;
    bool ok;
    uint32_t status;
    std::string body;
  } cases[] = {
      {"/ok", true, 200, "hello"},
      {"/big", true, 200, big},  // many 1024-byte chunks, in order
      {"/empty", true, 200, ""},
      {"/cut", true, 200, "[new]\nver=1.0"},  // cut short still counts as fetched
      {"/nolength", true, 200, "streamed until close"},
      {"/shorter", true, 200, "0123"},  // reading stops at the announced length
      {"/headersonly", true, 200, ""},
      {"/404", false, 404, ""},
      {"/500", false, 500, ""},
      {"/407", false, 407, ""},  // no one to ask for proxy credentials
      {"/204", false, 204, ""},
      {"/dropped", false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Fetched r = fetch(server.base() + c.path);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.status, c.status);
    if (c.ok) EXPECT_EQ(r.body, c.body);
    else EXPECT_EQ(r.body.find("gone"), std::string::npos);  // an error page is no list
  }
}

TEST(UpdaterFetch, FollowsAPlainHttpRedirect) {
  HttpTestServer server([](const HttpRequest& r) {
    if (r.path() == "/moved") {
      HttpReply m = HttpReply::text("", 302);
      m.extraHeaders = "Location: /target\r\n";
      return m;
    }
    return r.path() == "/target" ? HttpReply::text("arrived") : HttpReply::text("", 404);
  });
  Fetched r = fetch(server.base() + "/moved");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.body, "arrived");
}

TEST(UpdaterFetch, RefusesWhatItMustNotFetch) {
  HttpTestServer server({{"/ok", HttpReply::text("hello")}});
  const std::string port = std::to_string(server.port());
  for (const std::string& address : {std::string(""), "https://127.0.0.1:" + port + "/ok",
                                    "ftp://127.0.0.1:" + port + "/ok", std::string("file:///etc/hostname"),
                                    "127.0.0.1:" + port + "/ok", std::string("http://"),
                                    std::string("not an address at all")}) {
    SCOPED_TRACE(address);
    EXPECT_FALSE(fetch(address).ok);
  }
  EXPECT_TRUE(server.requests().empty());
}

TEST(UpdaterFetch, UnreachableAndSilentServersFailWithinTheTimeOut) {
  EXPECT_FALSE(fetch("http://127.0.0.1:" + std::to_string(closedPort()) + "/x").ok);

  HttpReply slow = HttpReply::text("late");
  slow.delayMs = 8000;
  HttpTestServer server({{"/slow", slow}});
  auto start = std::chrono::steady_clock::now();
  Fetched r = fetch(server.base() + "/slow", 1000);
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
}

TEST(UpdaterFetch, OutputFileThatCannotBeCreatedFailsBeforeAnyRequest) {
  HttpTestServer server({{"/ok", HttpReply::text("hello")}});
  fs::path dir = freshDir("nofile");
  zlvup::HttpFetcher f;
  EXPECT_FALSE(f.fetch(u16(server.base() + "/ok"), u16((dir / "missing" / "out").string())));
  EXPECT_FALSE(f.fetch(u16(server.base() + "/ok"), u16(dir.string())));  // a folder
  EXPECT_TRUE(server.requests().empty());
}

TEST(UpdaterFetch, BodyIsCutAtTheLimitInsteadOfFillingTheDisk) {
  // A server that streams without end: the fetch stops at the limit and keeps what came.
  const size_t limit = zlvup::HttpFetcher::kMaxBodyBytes;
  HttpReply endless = HttpReply::text(std::string(limit + 4096, 'z'));
  endless.sendLength = false;
  HttpTestServer server({{"/endless", endless}});
  Fetched r = fetch(server.base() + "/endless", 5000);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.body.size(), limit);
}

TEST(UpdaterFetch, RequestAddressEncodesOnlyWhatCannotStandInARequestLine) {
  struct Case {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"http://h/vd/op.htm?pid=a&ver=1.0&x", "http://h/vd/op.htm?pid=a&ver=1.0&x"},
      {u"http://h/p?ver=1.0 beta", "http://h/p?ver=1.0%20beta"},
      {u"http://h/p?pid=\u4E2D", "http://h/p?pid=%E4%B8%AD"},
      {u"http://h/p?a=%41\t", "http://h/p?a=%41%09"},
  };
  for (const Case& c : cases) EXPECT_EQ(zlvup::requestAddress(c.in), c.out);
}

TEST(UpdaterFetch, LoopbackHostsAreAlwaysReachable) {
  for (const char* h : {"127.0.0.1", "127.1.2.3", "localhost", "LocalHost", "[::1]"})
    EXPECT_TRUE(zlvup::isLoopbackHost(h)) << h;
  for (const char* h : {"128.0.0.1", "10.0.0.1", "localhost.example", "update.gallivo.invalid", ""})
    EXPECT_FALSE(zlvup::isLoopbackHost(h)) << h;
}

TEST(UpdaterFetch, TemporaryDownloadKeepsTheFileOnlyOnSuccess) {
  HttpTestServer server({{"/ok", HttpReply::text("body")}, {"/404", HttpReply::text("", 404)}});
  zlvup::Settings settings;
  ASSERT_TRUE(tempFiles().empty());
  {
    auto file = zlvup::downloadToTemp(u16(server.base() + "/ok"), 1000, settings);
    ASSERT_TRUE(file);
    fs::path p = utf8(file->path());
    EXPECT_EQ(p.parent_path(), fs::path(std::getenv("TMPDIR")));
    EXPECT_EQ(p.filename().string().substr(0, 3), "~DF");
    EXPECT_EQ(readText(p), "body");
  }
  EXPECT_TRUE(tempFiles().empty());  // deleted by its owner
  EXPECT_FALSE(zlvup::downloadToTemp(u16(server.base() + "/404"), 1000, settings));
  EXPECT_TRUE(tempFiles().empty());  // deleted on failure
}

// The update prompt against a local server: only a newer version asks, and OK opens the
// update page; equal, older, missing list, no server, no library or no State entry: nothing.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QSignalSpy>
#include <QUrl>

#include "AppTestSupport.h"
#include "HttpTestServer.h"
#include "MainWindow.h"
#include "MakerSite.h"
#include "TestEnv.h"
#include "UpdatePrompt.h"

using namespace apptest;
using namespace gallivo::test;

namespace {

// Catches what the program hands to the desktop.
class OpenedUrls : public QObject {
  Q_OBJECT
 public:
  OpenedUrls() {
    for (const char* scheme : {"http", "https", "file"})
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
  }
  ~OpenedUrls() override {
    for (const char* scheme : {"http", "https", "file"})
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  }
  QStringList opened;
 public slots:
  void Open(const QUrl& url) { opened << url.toString(); }
};

enum class Library { Real, Missing, WithoutState };

// A program folder of its own with the updater library (or a stand-in) and a state file
// saying the version was recorded and no check was made since.
std::filesystem::path MakeProgramFolder(const std::string& name, Library library,
                                        const std::string& server) {
  std::filesystem::path dir = freshDir(name);
  setenv("GALLIVO_PROGRAM_DIR", dir.c_str(), 1);
  setenv("ZLVUP_UPDATE_SERVER", server.c_str(), 1);
  setenv("ZLVUP_STATS_SERVER", server.c_str(), 1);
  setenv("ZLVUP_TIMEOUT_MS", "3000", 1);
  for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
  const std::filesystem::path target = dir / "libZlvUp.so";
  if (library == Library::Real)
    std::filesystem::copy_file(buildDir() / "libZlvUp.so", target);
  else if (library == Library::WithoutState)
    std::filesystem::copy_file(buildDir() / "tests" / "libapp_fake_zlvup_nostate.so", target);
  std::filesystem::create_directories(dir / "Data");
  QFile ini(QString::fromStdString((dir / "Data" / "zlvvd.ini").string()));
  EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[main]\nver=1.0.0.5\ntime=1\n");
  return dir;
}

struct Outcome {
  bool started = false;
  int state = -2;  // -2: no answer handled
  QStringList asked, opened;
};

Outcome RunWindow(Library library, const std::string& server, bool answerOk = true) {
  ScriptedDialogs dialogs;
  dialogs.askAnswer = answerOk;
  OpenedUrls urls;
  MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name(), library, server);
  MainWindowOptions options;
  options.list = std::make_unique<FakeList>();
  options.settings = std::make_unique<FakePanel>();
  MainWindow window(std::move(options));
  Outcome out;
  out.started = window.Updates() != nullptr;
  if (out.started) {
    QSignalSpy spy(window.Updates(), &UpdatePrompt::handled);
    EXPECT_TRUE(SpinUntil([&] { return spy.count() > 0; }, 20000)) << "no answer from the updater";
    if (!spy.isEmpty()) out.state = spy.first().first().toInt();
  }
  // A little longer: nothing else may come.
  SpinUntil([] { return false; }, 200);
  out.asked = dialogs.asked;
  out.opened = urls.opened;
  return out;
}

std::map<std::string, HttpReply> ListSaying(const std::string& version) {
  return {{"/vd/up.ini", HttpReply::text("[new]\nver=" + version +
                                         "\nurl=http://127.0.0.1:9/new\ninfo=Fixes\n")},
          {"/vd/inst.htm", HttpReply::text("")},
          {"/vd/op.htm", HttpReply::text("")}};
}

const QString kQuestion = QStringLiteral("检测到新的版本，是否要进行升级？");

}  // namespace

TEST(UpdatePrompt, NewerVersionAsksAndOkOpensTheUpdatePage) {
  HttpTestServer server(ListSaying("1.0.0.6"));
  Outcome out = RunWindow(Library::Real, server.base());
  ASSERT_TRUE(out.started);
  EXPECT_EQ(out.state, int(UpdateStateUpdateAvailable));
  EXPECT_EQ(out.asked, QStringList{kQuestion});
  EXPECT_EQ(out.opened, QStringList{MakerSite::UpdatePage()});
  EXPECT_EQ(MakerSite::UpdatePage(), QStringLiteral("https://www.gallivo.invalid/vd-update.html"));
}

TEST(UpdatePrompt, NewerVersionCancelOpensNothing) {
  HttpTestServer server(ListSaying("2.0"));
  Outcome out = RunWindow(Library::Real, server.base(), /*answerOk=*/false);
  EXPECT_EQ(out.state, int(UpdateStateUpdateAvailable));
  EXPECT_EQ(out.asked, QStringList{kQuestion});
  EXPECT_TRUE(out.opened.isEmpty());
}

TEST(UpdatePrompt, EqualVersionShowsNothing) {
  HttpTestServer server(ListSaying("1.0.0.5"));
  Outcome out = RunWindow(Library::Real, server.base());
  EXPECT_EQ(out.state, int(UpdateStateUpToDate));
  EXPECT_TRUE(out.asked.isEmpty());
  EXPECT_TRUE(out.opened.isEmpty());
}

TEST(UpdatePrompt, OlderVersionShowsNothing) {
  HttpTestServer server(ListSaying("1.0.0.4"));
  Outcome out = RunWindow(Library::Real, server.base());
  EXPECT_EQ(out.state, int(UpdateStateUpToDate));
  EXPECT_TRUE(out.asked.isEmpty());
}

TEST(UpdatePrompt, MissingListShowsNothing) {
  HttpTestServer server(std::map<std::string, HttpReply>{});  // 404 for everything
  Outcome out = RunWindow(Library::Real, server.base());
  EXPECT_EQ(out.state, int(UpdateStateCheckFailed));
  EXPECT_TRUE(out.asked.isEmpty());
}

TEST(UpdatePrompt, UnreachableServerShowsNothing) {
  Outcome out =
      RunWindow(Library::Real, "http://127.0.0.1:" + std::to_string(closedPort()));
  EXPECT_EQ(out.state, int(UpdateStateCheckFailed));
  EXPECT_TRUE(out.asked.isEmpty());
}

TEST(UpdatePrompt, MissingLibraryStartsNoCheck) {
  Outcome out = RunWindow(Library::Missing, "http://127.0.0.1:9");
  EXPECT_FALSE(out.started);
  EXPECT_TRUE(out.asked.isEmpty());
}

TEST(UpdatePrompt, LibraryWithoutStateIsIgnored) {
  Outcome out = RunWindow(Library::WithoutState, "http://127.0.0.1:9");
  ASSERT_TRUE(out.started);
  EXPECT_EQ(out.state, -1);
  EXPECT_TRUE(out.asked.isEmpty());
}

#include "mainwindow_update_test.moc"

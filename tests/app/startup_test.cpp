// The Gallivo program from start to exit: it runs offscreen with a hand-made settings file,
// closes on request and leaves the settings as the window had them; a settings file that is
// not XML gives the defaults; without its engine it refuses to start with a message.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <fstream>

#include "SetMgr.h"
#include "TestEnv.h"

using namespace gallivo::test;
namespace fs = std::filesystem;

namespace {

struct ProgramRun {
  int exitCode = -1;
  bool crashed = false;
  QByteArray errors;
};

// True once the process catches SIGTERM (bit 15 of SigCgt in its status).
bool CatchesTerm(qint64 pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> 14) & 1;
  return false;
}

// A program folder with the engine and the data but no updater: no network at all.
fs::path ProgramFolder(const std::string& name, bool withEngine, bool withUpdater = false) {
  fs::path dir = freshDir(name);
  if (withEngine) fs::create_symlink(buildDir() / "libzelvo.so", dir / "libzelvo.so");
  if (withUpdater) fs::create_symlink(buildDir() / "libZlvUp.so", dir / "libZlvUp.so");
  fs::create_directory_symlink(buildDir() / "data", dir / "data");
  return dir;
}

// Starts Gallivo, asks it to close once it listens for the request, waits for the end.
ProgramRun StartAndClose(const fs::path& programDir, const fs::path& dataHome,
                  const fs::path& program = buildDir() / "Gallivo") {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("GALLIVO_PROGRAM_DIR"), QString::fromStdString(programDir.string()));
  env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(dataHome.string()));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // An updater, when there is one, finds no server.
  env.insert(QStringLiteral("ZLVUP_UPDATE_SERVER"), QStringLiteral("http://127.0.0.1:9"));
  env.insert(QStringLiteral("ZLVUP_STATS_SERVER"), QStringLiteral("http://127.0.0.1:9"));
  process.setProcessEnvironment(env);
  process.setProgram(QString::fromStdString(program.string()));
  process.start();
  ProgramRun result;
  if (!process.waitForStarted(10000)) {
    ADD_FAILURE() << "Gallivo did not start";
    return result;
  }
  for (int i = 0; i < 1000 && !CatchesTerm(process.processId()); ++i) QThread::msleep(10);
  // Give the window time to come up, so the request meets a running program.
  QThread::msleep(700);
  ::kill(pid_t(process.processId()), SIGTERM);
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << "Gallivo did not close on request";
  }
  result.crashed = process.exitStatus() == QProcess::CrashExit;
  result.exitCode = process.exitCode();
  result.errors = process.readAllStandardError();
  return result;
}

void Write(const fs::path& file, const QByteArray& content) {
  fs::create_directories(file.parent_path());
  QFile f(QString::fromStdString(file.string()));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
}

// Reads the settings file the program left, as the program would.
SettingsData Saved(const fs::path& dataHome) {
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome.string()));
  CSetMgr::Instance().ResetToDefaults();
  EXPECT_TRUE(CSetMgr::Instance().LoadSettings());
  return CSetMgr::Instance().Data();
}

}  // namespace

TEST(Startup, RunsClosesOnRequestAndSavesWhatTheWindowHad) {
  const fs::path dataHome = freshDir("data-home");
  Write(dataHome / "Gallivo" / "settings.xml",
        "<settings><bPhotoResize>1</bPhotoResize><nResizeType>1</nResizeType>"
        "<nResizeWidth>480</nResizeWidth><bPhotoMark>1</bPhotoMark>"
        "<strMarkText>小店水印</strMarkText><nGIFSpeed>500</nGIFSpeed>"
        "<strExportDir>/srv/exports/</strExportDir></settings>");
  ProgramRun result = StartAndClose(ProgramFolder("program", true), dataHome);
  EXPECT_FALSE(result.crashed) << result.errors.toStdString();
  EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
  SettingsData saved = Saved(dataHome);
  EXPECT_EQ(saved.bPhotoResize, 1);
  EXPECT_EQ(saved.nResizeType, 1);
  EXPECT_EQ(saved.nResizeWidth, 480);
  EXPECT_EQ(saved.bPhotoMark, 1);
  EXPECT_EQ(saved.strMarkText, QStringLiteral("小店水印"));
  EXPECT_EQ(saved.nGIFSpeed, 500);
  EXPECT_EQ(saved.strExportDir, QStringLiteral("/srv/exports/"));
}

TEST(Startup, WithTheUpdaterLoadedItStillEndsCleanly) {
  // The updater stays loaded until the process ends; its teardown then must run once.
  const fs::path dataHome = freshDir("data-home-updater");
  ProgramRun result = StartAndClose(ProgramFolder("program-updater", true, true), dataHome);
  EXPECT_FALSE(result.crashed) << result.errors.toStdString();
  EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
  EXPECT_TRUE(fs::exists(dataHome / "Gallivo" / "settings.xml"));
}

TEST(Startup, SettingsFileThatIsNotXmlGivesTheDefaults) {
  const fs::path dataHome = freshDir("data-home-bad");
  Write(dataHome / "Gallivo" / "settings.xml", QByteArray("\x89PNG\r\n not settings <<<", 22));
  ProgramRun result = StartAndClose(ProgramFolder("program-bad", true), dataHome);
  EXPECT_FALSE(result.crashed) << result.errors.toStdString();
  EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
  EXPECT_TRUE(Saved(dataHome) == SettingsData{});
}

TEST(Startup, WithoutTheEngineRefusesToStartWithAMessage) {
  const fs::path dataHome = freshDir("data-home-noengine");
  // No engine beside the program and no editor folder recorded. A copy of the program, so
  // that its own library path does not lead back to the build folder's engine.
  const fs::path dir = ProgramFolder("program-noengine", false);
  fs::copy_file(buildDir() / "Gallivo", dir / "Gallivo");
  fs::create_symlink(buildDir() / "libzlvplatform.so", dir / "libzlvplatform.so");
  ProgramRun result = StartAndClose(dir, dataHome, dir / "Gallivo");
  EXPECT_FALSE(result.crashed) << result.errors.toStdString();
  EXPECT_EQ(result.exitCode, 1) << result.errors.toStdString();
  // It never got as far as the settings.
  EXPECT_FALSE(fs::exists(dataHome / "Gallivo" / "settings.xml"));
}

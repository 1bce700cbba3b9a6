// The progress window over real exports: status texts and buttons through a run, cancelling,
// closing while the workers still run, an export folder that goes away, an unwritable
// showcase GIF; and the whole generate command ending in the next batch.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AppTestSupport.h"
#include "EngineApi.h"
#include "JobContext.h"
#include "MainWindow.h"
#include "PictureListWidget.h"
#include "ProgressWindow.h"
#include "SetMgr.h"
#include "TestEnv.h"

using namespace apptest;
namespace fs = std::filesystem;

namespace {

namespace Id = ProgressWindowId;

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString problem;
    ASSERT_TRUE(BindEngine(&problem)) << problem.toStdString();
    CSetMgr& s = CSetMgr::Instance();
    s.ResetToDefaults();
    s.set_bPhotoResize(1);
    out = gallivo::test::freshDir("out");
    s.set_strExportDir(QString::fromStdString(out.string()) + QLatin1Char('/'));
  }

  template <class T = QPushButton>
  static T* Control(QWidget* window, int id) {
    T* c = window->findChild<T*>(QString::number(id));
    EXPECT_NE(c, nullptr) << "control " << id;
    return c;
  }
  static QString Status(QWidget* w) { return Control<QLabel>(w, Id::kStatus)->text(); }

  static std::vector<fs::path> Outputs(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
      for (auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
  }

  // n photographs, repeating the few real ones.
  static QStringList Photos(int n) {
    QStringList base = Photographs(4), out;
    for (int i = 0; i < n && !base.isEmpty(); ++i) out << base[i % base.size()];
    return out;
  }

  fs::path out;
};

TEST_F(ProgressWindowTest, ExportOfRealPhotosEndsAllDone) {
  VectorSource source(Photos(3));
  ProgressWindow window(source);
  EXPECT_EQ(window.windowTitle(), QStringLiteral("导出进度"));
  EXPECT_EQ(Control(&window, Id::kClose)->text(), QStringLiteral("取消导出文件"));
  EXPECT_FALSE(Control(&window, Id::kNextBatch)->isVisibleTo(&window));
  EXPECT_FALSE(Control(&window, Id::kOpen)->isVisibleTo(&window));
  ASSERT_TRUE(SpinUntil([&] { return window.IsFinished(); }));

  EXPECT_EQ(Status(&window), QStringLiteral(" 3 个文件全部导出完成！"));
  auto* bar = Control<QProgressBar>(&window, Id::kBar);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(bar->maximum(), 3);
  EXPECT_EQ(Control(&window, Id::kClose)->text(), QStringLiteral("关闭"));
  EXPECT_TRUE(Control(&window, Id::kNextBatch)->isVisibleTo(&window));
  EXPECT_EQ(Control(&window, Id::kNextBatch)->text(), QStringLiteral("处理下一批文件 ..."));
  EXPECT_EQ(Control(&window, Id::kOpen)->text(), QStringLiteral("打开导出目录 ..."));
  // No failure report.
  EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("failureSummary"))->isVisibleTo(&window));

  // Three JPEG files, one per photograph (two share a name: the second gets [1]).
  auto files = Outputs(out);
  ASSERT_EQ(files.size(), 3u);
  for (const fs::path& f : files) {
    QImageReader reader(QString::fromStdString(f.string()));
    EXPECT_EQ(reader.format(), QByteArray("jpeg")) << f;
    EXPECT_FALSE(reader.read().isNull()) << f;
  }

  Control(&window, Id::kNextBatch)->click();
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(ProgressWindowTest, ProgressTextCarriesItsLineBreaks) {
  VectorSource source(Photos(2));
  ProgressWindow window(source);
  QStringList seen;
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout, [&] { seen << Status(&window); });
  sample.start(1);
  ASSERT_TRUE(SpinUntil([&] { return window.IsFinished(); }));
  seen << Status(&window);
  const QRegularExpression progress(QStringLiteral("^正在导出文件 ...\n\n已经完成 [0-2] 个文件，共 2 个文件。$"));
  for (const QString& text : seen)
    EXPECT_TRUE(progress.match(text).hasMatch() || text == QStringLiteral(" 2 个文件全部导出完成！"))
        << text.toStdString();
}

TEST_F(ProgressWindowTest, CancelStopsBeforeTheEndAndKeepsTheWindowUntilDone) {
  VectorSource source(Photos(12));
  ProgressWindow window(source);
  QPushButton* close = Control(&window, Id::kClose);
  // Escape acts as the cancel button once the third picture was handed out.
  source.onHandOut = [&window](int handed) {
    if (handed == 3)
      QMetaObject::invokeMethod(&window, [&window] { window.reject(); }, Qt::QueuedConnection);
  };
  ASSERT_TRUE(SpinUntil([&] { return window.IsFinished(); }));
  const ExportSummary summary = window.Summary();
  EXPECT_TRUE(summary.Cancelled());
  const int handed = summary.total - summary.remaining;
  EXPECT_GE(handed, 3);
  EXPECT_LT(handed, 12);
  EXPECT_EQ(Status(&window), QStringLiteral(" 已经导出 %1 个文件！").arg(handed));
  EXPECT_EQ(close->text(), QStringLiteral("关闭"));
  EXPECT_TRUE(close->isEnabled());
  // Now button 2 closes with cancel.
  close->click();
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_EQ(JobContext::Instance().cancel.load(), 0);
}

TEST_F(ProgressWindowTest, ClosingWhileWorkersRunWaitsForThem) {
  VectorSource source(Photos(10));
  std::atomic<int> handed{0};
  source.onHandOut = [&](int n) { handed = n; };
  auto window = std::make_unique<ProgressWindow>(source);
  // The close button while running only cancels: the window stays.
  window->show();
  EXPECT_TRUE(SpinUntil([&] { return handed >= 1; }));
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  // Destroyed while workers run: it waits for them, and nothing arrives afterwards.
  window.reset();
  const int atEnd = handed;
  EXPECT_LT(atEnd, 10);
  SpinUntil([] { return false; }, 300);
  EXPECT_EQ(handed.load(), atEnd);
}

// The list hands pictures out by blocking calls to this thread: closing the window while
// workers wait for one must keep answering them, or the close never returns.
TEST_F(ProgressWindowTest, ClosingWhileWorkersTakeFromTheRealListEnds) {
  PictureListWidget list;
  for (const QString& photo : Photos(12)) list.AddFile(photo);
  ASSERT_EQ(list.Source().Count(), 12);
  auto window = std::make_unique<ProgressWindow>(list.Source());
  window->show();
  EXPECT_TRUE(SpinUntil([&] { return list.Source().Remaining() <= 10; }));
  // Keep this thread busy until both workers are done with their picture and wait in Next.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  window.reset();
  const int left = list.Source().Remaining();
  EXPECT_GT(left, 0);
  const size_t written = Outputs(out).size();
  EXPECT_LT(written, 12u);
  // Nothing is handed out or written after the window has gone.
  SpinUntil([] { return false; }, 300);
  EXPECT_EQ(list.Source().Remaining(), left);
  EXPECT_EQ(Outputs(out).size(), written);
  // The list still serves a new run.
  ProgressWindow again(list.Source());
  ASSERT_TRUE(SpinUntil([&] { return again.IsFinished(); }));
  EXPECT_EQ(Status(&again), QStringLiteral(" 12 个文件全部导出完成！"));
}

TEST_F(ProgressWindowTest, ExportFolderThatDisappearsIsReportedPerPicture) {
  VectorSource source(Photos(6));
  // After the second hand-out the folder is gone and a plain file takes its name.
  source.onHandOut = [this](int n) {
    if (n != 2) return;
    std::error_code ec;
    fs::remove_all(out, ec);
    std::ofstream(out.string()) << "not a folder";
  };
  ProgressWindow window(source);
  ASSERT_TRUE(SpinUntil([&] { return window.IsFinished(); }));
  const ExportSummary summary = window.Summary();
  EXPECT_FALSE(summary.Cancelled());
  ASSERT_GT(summary.failures.size(), 0);
  EXPECT_EQ(summary.written + summary.failures.size(), 6);
  auto* report = window.findChild<QLabel*>(QStringLiteral("failureSummary"));
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->isVisibleTo(&window));
  EXPECT_TRUE(report->text().startsWith(QStringLiteral("%1 个图片未能导出。").arg(summary.failures.size())));
  auto* list = window.findChild<QTreeWidget*>(QStringLiteral("failureList"));
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->isVisibleTo(&window));  // until asked for
  window.findChild<QAbstractButton*>(QStringLiteral("failureToggle"))->click();
  EXPECT_TRUE(list->isVisibleTo(&window));
  EXPECT_EQ(list->topLevelItemCount(), summary.failures.size());
  EXPECT_TRUE(Photos(6).contains(list->topLevelItem(0)->text(0)));
  EXPECT_FALSE(list->topLevelItem(0)->text(1).isEmpty());
}

TEST_F(ProgressWindowTest, ShowcaseGifThatCannotBeWrittenIsReported) {
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoResize(0);
  s.set_bPhotoGIF(1);
  // A folder nobody may create files in, not even root.
  s.set_strExportDir(QStringLiteral("/proc/self/"));
  s.set_strGIFPath(QStringLiteral("/proc/self/show.gif"));
  VectorSource source(Photos(2));
  ProgressWindow window(source);
  ASSERT_TRUE(SpinUntil([&] { return window.IsFinished(); }));
  EXPECT_FALSE(window.Summary().gifWritten);
  auto* report = window.findChild<QLabel*>(QStringLiteral("failureSummary"));
  EXPECT_TRUE(report->isVisibleTo(&window));
  EXPECT_TRUE(report->text().contains(QStringLiteral("动态展示图片未能保存"))) << report->text().toStdString();
  EXPECT_EQ(Control(&window, Id::kOpen)->text(), QStringLiteral("打开生成图片"));
}

TEST_F(ProgressWindowTest, GenerateCommandRunsTheExportAndNextBatchClearsTheList) {
  ScriptedDialogs dialogs;
  auto* list = new FakeList;
  list->SetFiles(Photos(3));
  MainWindowOptions options;
  options.list.reset(list);
  options.settings = std::make_unique<FakePanel>();
  options.checkForUpdates = false;
  MainWindow main(std::move(options));
  dialogs.answers = {QString::fromStdString(out.string())};
  QString finalStatus;
  // Once the modal progress window has finished, press "处理下一批文件 ...".
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* progress = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
    if (progress && progress->IsFinished()) {
      finalStatus = Status(progress);
      Control(progress, Id::kNextBatch)->click();
    }
  });
  poll.start(20);
  main.findChild<QPushButton*>(QStringLiteral("1056"))->click();
  EXPECT_EQ(finalStatus, QStringLiteral(" 3 个文件全部导出完成！"));
  EXPECT_EQ(Outputs(out).size(), 3u);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_TRUE(dialogs.informed.isEmpty());
}

}  // namespace

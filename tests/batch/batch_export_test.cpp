// The export job: progress and completion texts, cancellation, failures counted with their
// reasons while the run goes on, hostile export folders, and engine objects given back.
#include <malloc.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <set>

#include "OutputName.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

class ExportTest : public BatchTest {
 protected:
  // n small photographs-like pictures p0.jpg .. p(n-1).jpg.
  std::vector<fs::path> Pictures(const fs::path& dir, int n, int w = 64, int h = 48) {
    std::vector<fs::path> files;
    for (int i = 0; i < n; ++i) {
      files.push_back(dir / ("p" + std::to_string(i) + ".jpg"));
      WritePicture(files.back(), Pattern(w, h, i));
    }
    return files;
  }
  void Slim(const fs::path& out) {
    CSetMgr& s = CSetMgr::Instance();
    s.set_bPhotoResize(1);
    s.set_nResizeSimpleType(3);
    s.set_nResizeWidth(32);
    s.set_strExportDir(Q(out) + QLatin1Char('/'));
  }
};

TEST_F(ExportTest, ProgressAndCompletion) {
  const fs::path src = gallivo::test::freshDir("progress-src"), out = gallivo::test::freshDir("progress-out");
  Slim(out);
  FixedPictureSource source(Items(Pictures(src, 10)));
  ExportJob job(source);
  std::vector<std::pair<int, int>> steps;
  std::mutex lock;
  int finishedCalls = 0;
  QObject::connect(&job, &ExportJob::progress, &job, [&](int handed, int total) {
    std::lock_guard g(lock);
    steps.emplace_back(handed, total);
  }, Qt::DirectConnection);
  QObject::connect(&job, &ExportJob::finished, &job, [&](const ExportSummary&) { ++finishedCalls; },
                   Qt::DirectConnection);
  job.Start();
  job.Wait();
  ASSERT_EQ(steps.size(), 10u);
  for (const auto& [handed, total] : steps) {
    EXPECT_EQ(total, 10);
    EXPECT_GE(handed, 1);
    EXPECT_LE(handed, 10);
  }
  EXPECT_EQ(finishedCalls, 1);
  const ExportSummary s = job.Summary();
  EXPECT_EQ(s.written, 10);
  EXPECT_TRUE(s.failures.isEmpty());
  EXPECT_EQ(CompletionText(s), QStringLiteral(" 10 个文件全部导出完成！"));
  EXPECT_EQ(ProgressText(3, 10), QStringLiteral("正在导出文件 ...\n\n已经完成 3 个文件，共 10 个文件。"));
  EXPECT_EQ(FileNames(out).size(), 10u);
  for (const std::string& name : FileNames(out)) EXPECT_EQ(ReadPicture(out / name).width(), 32) << name;
}

// Sets the cancel flag while handing out the third picture, as a user pressing cancel then.
class CancellingSource : public FixedPictureSource {
 public:
  using FixedPictureSource::FixedPictureSource;
  bool Next(PictureItem& out) override {
    if (!FixedPictureSource::Next(out)) return false;
    if (++handed_ == 3) JobContext::Instance().cancel = 1;
    return true;
  }

 private:
  std::atomic<int> handed_{0};
};

TEST_F(ExportTest, CancelAfterThreeOfTen) {
  const fs::path src = gallivo::test::freshDir("cancel-src"), out = gallivo::test::freshDir("cancel-out");
  Slim(out);
  CancellingSource source(Items(Pictures(src, 10)));
  ExportJob job(source);
  job.Start();
  job.Wait();
  const ExportSummary s = job.Summary();
  EXPECT_EQ(s.remaining, 7);
  EXPECT_TRUE(s.Cancelled());
  EXPECT_EQ(CompletionText(s), QStringLiteral(" 已经导出 3 个文件！"));
  // The picture in hand when the flag was set is finished and saved.
  EXPECT_EQ(s.written, 3);
  EXPECT_EQ(FileNames(out).size(), 3u);
  // The flag does not outlive the run.
  EXPECT_EQ(JobContext::Instance().cancel.load(), 0);
}

// Hands out pictures on the main thread through blocking calls, as the picture list does.
class MainThreadSource : public FixedPictureSource {
 public:
  using FixedPictureSource::FixedPictureSource;
  bool Next(PictureItem& out) override {
    bool handed = false;
    PictureItem copy;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { handed = FixedPictureSource::Next(copy); },
                              Qt::BlockingQueuedConnection);
    if (handed) out = copy;
    return handed;
  }
};

TEST_F(ExportTest, WaitingOnTheMainThreadKeepsHandingOut) {
  const fs::path src = gallivo::test::freshDir("main-src"), out = gallivo::test::freshDir("main-out");
  Slim(out);
  MainThreadSource source(Items(Pictures(src, 6)));
  {
    ExportJob job(source);
    job.Start();
    job.Wait();  // would never return if the workers' blocking calls went unanswered
    EXPECT_EQ(job.Summary().written, 6);
  }
  // Destroyed while running: cancels, answers the workers, ends.
  MainThreadSource again(Items(Pictures(src, 6)));
  Slim(gallivo::test::freshDir("main-out-2"));
  {
    ExportJob job(again);
    job.Start();
  }
  EXPECT_EQ(JobContext::Instance().cancel.load(), 0);
}

TEST_F(ExportTest, OnePictureTwoWorkers) {
  const fs::path src = gallivo::test::freshDir("one-src"), out = gallivo::test::freshDir("one-out");
  Slim(out);
  const ExportSummary s = RunJob(Items(Pictures(src, 1)), 2);
  EXPECT_EQ(s.written, 1);
  EXPECT_EQ(s.total, 1);
  EXPECT_EQ(FileNames(out), std::vector<std::string>{"p0.jpg"});
}

TEST_F(ExportTest, FailuresAreCountedWithTheirReasonAndTheRunGoesOn) {
  const fs::path src = gallivo::test::freshDir("fail-src"), out = gallivo::test::freshDir("fail-out");
  Slim(out);
  std::vector<fs::path> files = Pictures(src, 4);
  // Provokes a decode failure: a PNG signature followed by garbage.
  {
    QFile f(Q(src / "corrupt.png"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x89PNG\r\n\x1a\n garbage garbage garbage", 33);
  }
  // Provokes a format-detection failure: text under a picture name.
  {
    QFile f(Q(src / "text.jpg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture\n");
  }
  files.insert(files.begin() + 1, src / "corrupt.png");
  files.insert(files.begin() + 3, src / "missing.jpg");
  files.push_back(src / "text.jpg");
  const ExportSummary s = RunJob(Items(files));
  EXPECT_EQ(s.written, 4);
  ASSERT_EQ(s.failures.size(), 3);
  std::set<QString> failed;
  for (const PictureFailure& f : s.failures) {
    EXPECT_EQ(f.kind, FailureKind::Unreadable) << f.source.toStdString();
    failed.insert(QFileInfo(f.source).fileName());
  }
  EXPECT_EQ(failed, (std::set<QString>{"corrupt.png", "missing.jpg", "text.jpg"}));
  EXPECT_EQ(FileNames(out), (std::vector<std::string>{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg"}));
  EXPECT_EQ(FailureText(FailureKind::Unreadable), QStringLiteral("无法读取图片"));
  // Never "all done" when pictures were left out.
  EXPECT_EQ(CompletionText(s), QStringLiteral(" 已经导出 4 个文件！"));
}

TEST_F(ExportTest, SameBaseNamesOverTwoWorkersAllLand) {
  const fs::path src = gallivo::test::freshDir("same-src"), out = gallivo::test::freshDir("same-out");
  Slim(out);
  // An existing file among the names the run will want.
  {
    QFile keep(Q(out / "p[500].jpg"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("existing");
  }
  WritePicture(src / "template.bmp", Pattern(40, 30), ZV_TYPE_BMP);
  std::vector<fs::path> files;
  for (int i = 0; i < 1000; ++i) {
    const fs::path dir = src / std::to_string(i);
    fs::create_directory(dir);
    fs::copy_file(src / "template.bmp", dir / "p.bmp");
    files.push_back(dir / "p.bmp");
  }
  const ExportSummary s = RunJob(Items(files));
  EXPECT_EQ(s.written, 1000);
  EXPECT_TRUE(s.failures.isEmpty());
  EXPECT_EQ(FileNames(out).size(), 1001u);
  QFile keep(Q(out / "p[500].jpg"));
  ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
  EXPECT_EQ(keep.readAll(), QByteArray("existing"));
  EXPECT_TRUE(fs::exists(out / "p.jpg"));
  EXPECT_TRUE(fs::exists(out / "p[1000].jpg"));
}

// A tmpfs mounted for one test; unmounted when the test ends.
class TmpfsMount {
 public:
  TmpfsMount(const fs::path& where, const char* options) : where_(where) {
    fs::create_directories(where);
    mounted_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
  }
  ~TmpfsMount() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path where_;
  bool mounted_ = false;
};

TEST_F(ExportTest, HostileExportFolders) {
  ASSERT_EQ(::geteuid(), 0u) << "mounting a small tmpfs for the full and read-only folders needs root";
  const fs::path src = gallivo::test::freshDir("hostile-src"), root = gallivo::test::freshDir("hostile");
  // Pictures of a few kilobytes each: an 8 KiB file system is full after one or two.
  std::vector<fs::path> files = Pictures(src, 6, 400, 300);
  struct Case {
    const char* what;
    fs::path folder;
    const char* mountOptions;  // null: no mount
    bool readOnly;
    int minFailed;
  };
  const Case cases[] = {
      {"missing folder", root / "missing", nullptr, false, 6},
      {"read-only file system", root / "readonly", "size=1m", true, 6},
      {"full file system", root / "full", "size=8k", false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<TmpfsMount> mount;
    if (c.mountOptions) {
      mount.emplace(c.folder, c.mountOptions);
      ASSERT_TRUE(mount->mounted()) << "cannot mount a tmpfs on " << c.folder;
      if (c.readOnly) {
        ASSERT_EQ(::mount("tmpfs", c.folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
      }
    }
    CSetMgr::Instance().set_bPhotoResize(0);
    CSetMgr::Instance().set_bPhotoFrames(1);
    CSetMgr::Instance().set_nFrameType(0);
    CSetMgr::Instance().set_strExportDir(Q(c.folder) + QLatin1Char('/'));
    const ExportSummary s = RunJob(Items(files));
    EXPECT_EQ(s.written + s.failures.size(), 6);
    EXPECT_GE(s.failures.size(), c.minFailed);
    for (const PictureFailure& f : s.failures) {
      EXPECT_EQ(f.kind, FailureKind::WriteFailed);
      EXPECT_FALSE(f.detail.isEmpty());
    }
    if (fs::exists(c.folder)) {
      // Whatever was written is a whole picture; nothing half-written or empty is left.
      for (const std::string& name : FileNames(c.folder))
        EXPECT_FALSE(ReadPicture(c.folder / name).isNull()) << name;
      EXPECT_EQ(FileNames(c.folder).size(), size_t(s.written));
    }
  }
}

TEST_F(ExportTest, EngineObjectsAreGivenBack) {
  const fs::path src = gallivo::test::freshDir("leak-src"), out = gallivo::test::freshDir("leak-out");
  // Each picture decodes to ~180 KB: one object kept per picture would show as megabytes.
  std::vector<fs::path> files = Pictures(src, 20, 240, 250);
  {
    QFile f(Q(src / "broken.jpg"));  // provokes the load failure path once per round
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xFF\xD8\xFF garbage", 12);
  }
  files.push_back(src / "broken.jpg");
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoResize(1);
  s.set_nResizeSimpleType(3);
  s.set_nResizeWidth(200);
  s.set_bPhotoFrames(1);
  s.set_nFrameType(0);
  s.set_nFrameRoundRize(1);
  auto inUse = [] {
    malloc_trim(0);
    return mallinfo2().uordblks;
  };
  auto round = [&](int n) {
    for (int i = 0; i < n; ++i) {
      const fs::path dir = out / std::to_string(i);
      fs::create_directory(dir);
      s.set_strExportDir(Q(dir) + QLatin1Char('/'));
      RunJob(Items(files));
      fs::remove_all(dir);
    }
  };
  round(1);  // warm-up: engine tables, Qt caches
  const size_t before = inUse();
  round(10);  // 210 pictures, 200 of them written
  const size_t after = inUse();
  EXPECT_LT(after, before + 2 * 1024 * 1024) << "before " << before << " after " << after;
}

}  // namespace

// Picture list figures, measured in one run:
//   thumbs <with-exif.jpg> <without-exif.jpg> <count>: thumbnails per second through the list's
//     thumbnail maker for <count> camera JPEGs with and without an embedded EXIF thumbnail,
//     against `vipsthumbnail --size 115` of the same files (one thread each);
//   folder <count>: time until a folder of <count> empty picture files is listed, and the
//     longest time the user interface thread went without running its 1 ms timer;
//   memory <picture> <count>: resident memory with <count> items listed and the thumbnails of
//     the visible range made.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "EngineApi.h"
#include "PictureListWidget.h"
#include "PictureTileView.h"
#include "ThumbnailMaker.h"

namespace fs = std::filesystem;

namespace {

// Hard links: many files of one content without filling the disk.
QStringList linkCopies(const QString& picture, const QString& folder, int count) {
  QStringList files;
  QDir().mkpath(folder);
  for (int i = 0; i < count; ++i) {
    const QString name = folder + QStringLiteral("/p%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
    std::error_code ec;
    fs::create_hard_link(picture.toStdString(), name.toStdString(), ec);
    if (ec) fs::copy_file(picture.toStdString(), name.toStdString(), ec);
    files << name;
  }
  return files;
}

double ourRate(const QStringList& files, int* failed) {
  QElapsedTimer clock;
  clock.start();
  *failed = 0;
  for (const QString& file : files)
    if (MakeThumbnail(file).isNull()) ++*failed;
  return files.size() * 1000.0 / std::max<qint64>(1, clock.elapsed());
}

double vipsRate(const QStringList& files, const QString& out) {
  QDir().mkpath(out);
  QProcess vips;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VIPS_CONCURRENCY"), QStringLiteral("1"));
  vips.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  vips.start(QStringLiteral("vipsthumbnail"),
             QStringList{QStringLiteral("--size"), QStringLiteral("115"), QStringLiteral("-o"), out + QStringLiteral("/%s.jpg")} + files);
  if (!vips.waitForFinished(-1) || vips.exitCode() != 0) {
    std::fprintf(stderr, "vipsthumbnail failed (package libvips-tools): %s\n", vips.readAllStandardError().constData());
    return 0;
  }
  return files.size() * 1000.0 / std::max<qint64>(1, clock.elapsed());
}

int thumbs(const QString& withExif, const QString& withoutExif, int count) {
  QTemporaryDir work;
  const QStringList exif = linkCopies(withExif, work.path() + "/exif", count);
  const QStringList plain = linkCopies(withoutExif, work.path() + "/plain", count);
  int failedExif = 0, failedPlain = 0;
  MakeThumbnail(exif.first()), MakeThumbnail(plain.first());  // warm the file cache and the engine
  const double ourExif = ourRate(exif, &failedExif);
  const double ourPlain = ourRate(plain, &failedPlain);
  const double vipsExif = vipsRate(exif, work.path() + "/vips-exif");
  const double vipsPlain = vipsRate(plain, work.path() + "/vips-plain");
  std::printf("thumbnails, %d camera JPEGs with EXIF thumbnail: %8.1f /s vs vipsthumbnail %7.1f /s  ratio %6.2f (target >= 10)%s\n",
              count, ourExif, vipsExif, vipsExif > 0 ? ourExif / vipsExif : 0.0, failedExif ? "  FAILURES" : "");
  std::printf("thumbnails, %d camera JPEGs without:           %8.1f /s vs vipsthumbnail %7.1f /s  ratio %6.2f (target >= 1)%s\n",
              count, ourPlain, vipsPlain, vipsPlain > 0 ? ourPlain / vipsPlain : 0.0, failedPlain ? "  FAILURES" : "");
  return failedExif || failedPlain || vipsExif <= 0 || vipsPlain <= 0;
}

// Longest gap between two runs of a 1 ms timer on the user interface thread.
class BlockMeter {
 public:
  BlockMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - last_);
      if (trace_ && now - last_ > 20000000)
        std::fprintf(stderr, "  gap %.1f ms ending at %.1f ms\n", (now - last_) / 1e6, now / 1e6);
      last_ = now;
    });
    clock_.start();
    timer_.start(1);
  }
  double LongestMs() const { return longest_ / 1e6; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  const bool trace_ = qEnvironmentVariableIsSet("GALLIVO_BENCH_GAPS");
  qint64 last_ = 0;
  qint64 longest_ = 0;
};

bool runUntil(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  return true;
}

int folder(int count) {
  QTemporaryDir work;
  for (int i = 0; i < count; ++i) {
    QFile file(work.path() + QStringLiteral("/IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
    file.open(QIODevice::WriteOnly);
  }
  PictureListWidget list;
  list.resize(1000, 700);
  list.show();
  runUntil([] { return false; }, 200);  // settle the window
  // What the machine alone costs: the same timer over an idle second before the scan.
  double idle;
  {
    BlockMeter baseline;
    runUntil([] { return false; }, 1000);
    idle = baseline.LongestMs();
  }
  BlockMeter meter;
  QElapsedTimer clock;
  clock.start();
  list.QueueFolderScan(work.path());
  const bool listed = runUntil([&] { return !list.IsScanning() && list.Count() == count; }, 60000);
  const qint64 elapsed = clock.elapsed();
  runUntil([] { return false; }, 300);  // the first tiles' (broken) thumbnails and paints
  std::printf("folder of %d empty picture files: listed in %lld ms (target < 2000), longest UI block %.1f ms (target <= 50; "
              "idle window before the scan: %.1f ms)%s\n",
              count, static_cast<long long>(elapsed), meter.LongestMs(), idle, listed ? "" : "  NOT ALL LISTED");
  return listed ? 0 : 1;
}

long residentKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

int memory(const QString& picture, int count) {
  QTemporaryDir work;
  linkCopies(picture, work.path() + "/many", count);
  const long before = residentKb();
  PictureListWidget list;
  list.resize(1000, 700);
  list.show();
  list.QueueFolderScan(work.path() + "/many");
  const bool listed = runUntil([&] { return !list.IsScanning() && list.Count() == count; }, 60000);
  const auto [first, last] = list.View()->VisibleRange();
  const int to = std::min(count - 1, last + 100);
  auto made = [&] {
    for (int i = 0; i <= to; ++i)
      if (list.Model().At(i).state == kThumbPending) return false;
    return true;
  };
  const bool thumbnails = runUntil(made, 120000);
  int madeCount = 0;
  for (int i = 0; i < count; ++i) madeCount += list.Model().At(i).state == kThumbMade;
  const long after = residentKb();
  std::printf("resident memory with %d items listed, %d thumbnails made (tiles %d..%d shown): %.1f MB (%.1f MB before the list)%s\n",
              count, madeCount, first, last, after / 1024.0, before / 1024.0, listed && thumbnails ? "" : "  INCOMPLETE");
  return listed && thumbnails ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  QString problem;
  if (!BindEngineFrom(QCoreApplication::applicationDirPath() + "/libzelvo.so", &problem)) {
    std::fprintf(stderr, "engine: %s\n", qPrintable(problem));
    return 2;
  }
  if (args.size() == 5 && args[1] == "thumbs") return thumbs(args[2], args[3], args[4].toInt());
  if (args.size() == 3 && args[1] == "folder") return folder(args[2].toInt());
  if (args.size() == 4 && args[1] == "memory") return memory(args[2], args[3].toInt());
  std::fprintf(stderr, "usage: picturelist_timing thumbs WITH.jpg WITHOUT.jpg N | folder N | memory PICTURE N\n");
  return 2;
}

// gallivo-batch: runs an export without the windows, with the program's own job and chain.
//   gallivo-batch [-o DIR | --gif FILE] [--settings FILE] [--set KEY=VALUE]... [-j N] [-q] [--exact] INPUT...
// Exit status: 0 every picture written, 1 some failed, 2 usage, settings or set-up errors.
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

#include "EngineApi.h"
#include "ExportJob.h"
#include "FixedPictureSource.h"
#include "FrameCatalogue.h"
#include "GenerateChecks.h"
#include "JobContext.h"
#include "PictureFiles.h"
#include "SetMgr.h"
#include "SettingKeys.h"

namespace {

constexpr int kAllWritten = 0, kSomeFailed = 1, kRefused = 2;
constexpr int kMaxWorkers = 64;

const char kUsage[] =
    "Usage: gallivo-batch [-o DIR | --gif FILE] [--settings FILE] [--set KEY=VALUE]... [-j N] [-q]\n"
    "                     [--exact] INPUT...\n"
    "Processes pictures with Gallivo's settings and writes one JPEG per picture into DIR, or\n"
    "one animated showcase GIF.\n"
    "\n"
    "  INPUT             picture files and folders (folders are scanned for pictures, their\n"
    "                    sub-folders too when the setting bSubDir is 1)\n"
    "  -o DIR            the export folder; existing files in it are never overwritten\n"
    "  --gif FILE        merge all pictures into one animated showcase GIF\n"
    "  --settings FILE   read the settings from FILE instead of the user's settings file\n"
    "  --set KEY=VALUE   change one setting by its file key (repeatable), e.g.\n"
    "                    --set bPhotoResize=1 --set nResizeSimpleType=3 --set nResizeWidth=640\n"
    "  -j N              worker threads (default 2)\n"
    "  -q                no progress display\n"
    "  --exact           decode every picture at full size before shrinking it (by default a\n"
    "                    JPEG that will be shrunk is decoded at a reduced scale, at least\n"
    "                    twice the target size)\n"
    "  -h, --help        this text\n"
    "\n"
    "Exit status: 0 every picture was written, 1 some failed (each named on standard error),\n"
    "2 usage, settings or set-up errors. The settings file is never written.\n";

void say(const QString& line) {
  std::fprintf(stderr, "gallivo-batch: %s\n", line.toLocal8Bit().constData());
}

int refuse(const QString& line) {
  say(line);
  return kRefused;
}

struct Options {
  QString exportDir, gifPath, settingsFile;
  std::vector<std::pair<QString, QString>> sets;
  int workers = 2;
  bool quiet = false, help = false, exact = false;
  QStringList inputs;
};

// Parses the command line; an error text on a usage mistake.
std::optional<QString> parse(const QStringList& args, Options& o) {
  bool onlyInputs = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&](QString& into) -> std::optional<QString> {
      if (i + 1 >= args.size()) return QStringLiteral("%1 needs a value").arg(a);
      into = args[++i];
      return std::nullopt;
    };
    if (onlyInputs || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
      o.inputs << a;
    } else if (a == QLatin1String("--")) {
      onlyInputs = true;
    } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
      o.help = true;
    } else if (a == QLatin1String("-q")) {
      o.quiet = true;
    } else if (a == QLatin1String("--exact")) {
      o.exact = true;
    } else if (a == QLatin1String("-o")) {
      if (auto e = value(o.exportDir)) return e;
    } else if (a == QLatin1String("--gif")) {
      if (auto e = value(o.gifPath)) return e;
    } else if (a == QLatin1String("--settings")) {
      if (auto e = value(o.settingsFile)) return e;
    } else if (a == QLatin1String("--set")) {
      QString kv;
      if (auto e = value(kv)) return e;
      const qsizetype eq = kv.indexOf(QLatin1Char('='));
      if (eq <= 0) return QStringLiteral("--set wants KEY=VALUE, not \"%1\"").arg(kv);
      o.sets.emplace_back(kv.left(eq), kv.mid(eq + 1));
    } else if (a == QLatin1String("-j")) {
      QString n;
      if (auto e = value(n)) return e;
      bool ok = false;
      o.workers = n.toInt(&ok);
      if (!ok || o.workers < 1 || o.workers > kMaxWorkers)
        return QStringLiteral("-j wants a number of workers from 1 to %1").arg(kMaxWorkers);
    } else {
      return QStringLiteral("unknown option %1").arg(a);
    }
  }
  if (o.help) return std::nullopt;
  if (!o.exportDir.isEmpty() && !o.gifPath.isEmpty()) return QStringLiteral("-o and --gif exclude each other");
  if (o.exportDir.isEmpty() && o.gifPath.isEmpty()) return QStringLiteral("say where the results go: -o DIR or --gif FILE");
  return std::nullopt;
}

// The pictures of the inputs, in the order given; folders scanned as the folder browser does.
std::vector<PictureItem> collect(const QStringList& inputs, bool subFolders) {
  std::vector<PictureItem> items;
  for (const QString& input : inputs) {
    const QFileInfo info(input);
    if (info.isDir()) {
      for (const QString& file : ScanFolder(input, subFolders))
        items.push_back(FixedPictureSource::ItemFor(QFileInfo(file).absoluteFilePath()));
    } else if (!info.exists() || IsSupportedPicture(input)) {
      // A missing file stays in the run: it fails there and is named with the others.
      items.push_back(FixedPictureSource::ItemFor(info.absoluteFilePath()));
    } else {
      say(QStringLiteral("%1: skipped, not a picture type Gallivo reads").arg(input));
    }
  }
  return items;
}

const char* reasonOf(FailureKind kind) {
  switch (kind) {
    case FailureKind::Unreadable: return "unreadable";
    case FailureKind::FrameMissing: return "frame file missing";
    case FailureKind::WatermarkMissing: return "watermark picture missing";
    case FailureKind::WriteFailed: return "write failed";
    case FailureKind::None:
    case FailureKind::Other: break;
  }
  return "failed";
}

// The progress bar on a terminal: count, pictures per second, time left.
class ProgressLine {
 public:
  explicit ProgressLine(bool shown) : shown_(shown) { clock_.start(); }
  void Update(int handed, int total, bool force = false) {
    if (!shown_) return;
    std::lock_guard guard(lock_);
    const qint64 ms = clock_.elapsed();
    if (!force && ms - lastDraw_ < 100) return;
    lastDraw_ = ms;
    constexpr int kWidth = 30;
    const int filled = total > 0 ? int(int64_t(handed) * kWidth / total) : kWidth;
    const double rate = ms > 0 ? handed * 1000.0 / double(ms) : 0.0;
    const int left = rate > 0 ? int((total - handed) / rate + 0.5) : 0;
    std::fprintf(stderr, "\r[%s%s] %d/%d  %.1f pictures/s  %d:%02d left ",
                 std::string(size_t(filled), '#').c_str(), std::string(size_t(kWidth - filled), '.').c_str(),
                 handed, total, rate, left / 60, left % 60);
    std::fflush(stderr);
  }
  void End() {
    if (!shown_) return;
    std::lock_guard guard(lock_);
    std::fprintf(stderr, "\n");
  }
  double Seconds() const { return double(clock_.elapsed()) / 1000.0; }

 private:
  bool shown_;
  std::mutex lock_;
  QElapsedTimer clock_;
  qint64 lastDraw_ = -1000;
};

extern "C" void onInterrupt(int) { JobContext::Instance().cancel.store(1); }

}  // namespace

int main(int argc, char** argv) {
  // No display is needed: painting and fonts work offscreen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);

  Options options;
  if (auto error = parse(app.arguments(), options)) {
    say(*error);
    std::fputs("Try 'gallivo-batch --help'.\n", stderr);
    return kRefused;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return kAllWritten;
  }

  QString problem;
  if (!BindEngine(&problem)) return refuse(problem);
  JobContext::Instance().exactDecode.store(options.exact);

  CSetMgr& settings = CSetMgr::Instance();
  if (!options.settingsFile.isEmpty()) {
    const QFileInfo file(options.settingsFile);
    if (!file.isFile()) return refuse(QStringLiteral("%1: no such settings file").arg(options.settingsFile));
    if (!settings.LoadSettingsFile(file.absoluteFilePath(), false))
      return refuse(QStringLiteral("%1: not a settings file Gallivo can read").arg(options.settingsFile));
  } else {
    // Read as the program reads it, but never changed: an unreadable file stays.
    settings.LoadSettingsFile(CSetMgr::SettingsFilePath(), false);
  }
  for (const auto& [key, value] : options.sets) {
    QString message;
    if (SetByKey(settings, key, value, &message) != SetResult::Stored) return refuse(message);
  }
  if (!options.gifPath.isEmpty()) {
    const QFileInfo gif(options.gifPath);
    settings.set_bPhotoGIF(1);
    settings.set_strGIFPath(gif.absoluteFilePath());
    settings.set_strExportDir(gif.absolutePath() + QLatin1Char('/'));
  } else {
    settings.set_bPhotoGIF(0);
    settings.set_strExportDir(QDir(options.exportDir).absolutePath() + QLatin1Char('/'));
  }

  const std::vector<PictureItem> items = collect(options.inputs, settings.bSubDir() == 1);
  const QString refusal = GenerateRefusal(int(items.size()), settings);
  if (!refusal.isEmpty()) return refuse(refusal);

  FrameCatalogue::Instance().LoadCatalogue();

  FixedPictureSource source(items);
  ExportJob job(source, options.workers);
  ProgressLine line(!options.quiet && isatty(STDERR_FILENO));
  QObject::connect(&job, &ExportJob::progress, &job,
                   [&line](int handed, int total) { line.Update(handed, total); }, Qt::DirectConnection);
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
  job.Start();
  job.Wait();
  const ExportSummary summary = job.Summary();
  line.Update(summary.total - summary.remaining, summary.total, true);
  line.End();

  for (const PictureFailure& f : summary.failures)
    say(QStringLiteral("%1: %2%3").arg(f.source, QLatin1String(reasonOf(f.kind)),
                                       f.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(f.detail)));
  if (summary.showcase && !summary.Cancelled() && !summary.gifWritten)
    say(QStringLiteral("%1: showcase GIF not written (%2)").arg(settings.strGIFPath(), summary.gifError));
  if (summary.Cancelled())
    say(QStringLiteral("interrupted: %1 pictures never started").arg(summary.remaining));

  const int failed = int(summary.failures.size());
  std::printf("written %d, failed %d, time %.2f s\n", summary.written, failed, line.Seconds());
  std::fflush(stdout);
  const bool allDone = failed == 0 && !summary.Cancelled() && (!summary.showcase || summary.gifWritten);
  return allDone ? kAllWritten : kSomeFailed;
}

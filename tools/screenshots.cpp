// Drives the real windows with a few photographs in the list and writes screenshots:
// the main window (default and larger size), the settings dialog on each page and the
// progress window after an export. Run under Xvfb by tools/screenshots.sh.
// Usage: gallivo_screenshots <output folder> <export folder> <picture>...
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

#include "EngineApi.h"
#include "MainWindow.h"
#include "PictureListWidget.h"
#include "ProgressWindow.h"
#include "SetMgr.h"
#include "SettingsDialog.h"

namespace {

void Spin(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool SpinUntil(const std::function<bool()>& done, int ms) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// What the X server shows of the window (no decorations: Xvfb runs no window manager).
bool Shoot(QWidget* window, const QString& file) {
  Spin(300);
  QPixmap shot = window->screen()->grabWindow(window->winId());
  if (shot.isNull() || !shot.save(file, "PNG")) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(file));
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(file), shot.width(), shot.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Gallivo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Gallivo"));
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <output folder> <export folder> <picture>...\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString exportDir = QString::fromLocal8Bit(argv[2]);
  QString problem;
  if (!BindEngine(&problem)) {
    std::fprintf(stderr, "screenshots: %s\n", qPrintable(problem));
    return 1;
  }
  CSetMgr& settings = CSetMgr::Instance();
  settings.ResetToDefaults();
  settings.set_bPhotoResize(1);
  settings.set_bPhotoFrames(1);
  settings.set_bPhotoMark(1);
  settings.set_strMarkText(QStringLiteral("Vendaro 小店"));
  settings.set_strExportDir(exportDir.endsWith(QLatin1Char('/')) ? exportDir
                                                                  : exportDir + QLatin1Char('/'));

  MainWindowOptions options;
  options.checkForUpdates = false;
  MainWindow window(std::move(options));
  window.Settings().SettingsToPanel();
  window.move(0, 0);
  window.show();
  for (int i = 3; i < argc; ++i) window.List().AddPath(QString::fromLocal8Bit(argv[i]));
  SpinUntil([&] { return window.List().Count() == argc - 3; }, 10000);
  Spin(3000);  // thumbnails
  bool ok = Shoot(&window, out.filePath(QStringLiteral("main-window.png")));
  window.resize(1180, 780);
  ok &= Shoot(&window, out.filePath(QStringLiteral("main-window-large.png")));
  window.resize(MainWindow::kInitialWidth, MainWindow::kInitialHeight);

  auto* list = qobject_cast<PictureListWidget*>(window.List().Widget());
  const char* pages[] = {"settings-frames.png", "settings-watermark.png"};
  for (int page = 0; page < 2; ++page) {
    SettingsDialog dialog(list, page, &window);
    dialog.move(40, 40);
    dialog.show();
    SpinUntil([&] { return !dialog.PreviewRunning() && !dialog.PreviewPending(); }, 20000);
    Spin(500);
    ok &= Shoot(&dialog, out.filePath(QString::fromLatin1(pages[page])));
    dialog.reject();
  }

  {
    ProgressWindow progress(window.List().Source(), &window);
    progress.move(200, 200);
    progress.show();
    SpinUntil([&] { return progress.IsFinished(); }, 120000);
    ok &= Shoot(&progress, out.filePath(QStringLiteral("progress-window.png")));
  }
  return ok ? 0 : 1;
}

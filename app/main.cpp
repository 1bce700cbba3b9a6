// Gallivo: binds the engine, loads the settings, runs the main window, saves the settings.
// The engine library is released last, at process exit.
#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "Artwork.h"
#include "EngineApi.h"
#include "MainWindow.h"
#include "MessageBoxReporter.h"
#include "QuitSignals.h"
#include "SetMgr.h"
#include "UserDialogs.h"
#include "zlvplatform.h"

ZLV_EMBED_VERSION(GALLIVO_VERSION_A, GALLIVO_VERSION_B, GALLIVO_VERSION_C, GALLIVO_VERSION_D);

int main(int argc, char** argv) {
  CatchQuitSignals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Gallivo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Gallivo"));
  QApplication::setApplicationVersion(QStringLiteral(GALLIVO_VERSION_TEXT));
  QApplication::setDesktopFileName(QStringLiteral("gallivo"));
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
  QApplication::setWindowIcon(icon);
  CloseWindowsOnQuitSignal(&app);

  // Every picture goes through the engine: without it there is nothing the program can do.
  QString problem;
  if (!BindEngine(&problem)) {
    UserDialogs::Current().Inform(
        nullptr, QStringLiteral("Gallivo 无法启动：图片引擎库无法使用。\n\n%1\n\n请重新安装 Gallivo。")
                     .arg(problem));
    return 1;
  }

  CSetMgr& settings = CSetMgr::Instance();
  // Out-of-range settings are shown in a message box (the settings library has no widgets).
  static MessageBoxReporter reporter;
  settings.SetReporter(&reporter);
  settings.LoadSettings();
  {
    MainWindow window;
    window.exec();
  }
  settings.SaveSettings();
  return 0;
}

#include "QuitSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

namespace {

int gPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already holds a request.
  (void)!::write(gPipe[1], &byte, 1);
}

}  // namespace

void CatchQuitSignals() {
  if (gPipe[0] >= 0 || pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

void CloseWindowsOnQuitSignal(QObject* owner) {
  if (gPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
    char buffer[16];
    while (::read(gPipe[0], buffer, sizeof buffer) > 0) {
    }
    QWidget* last = nullptr;
    while (QWidget* top = QApplication::activeModalWidget()) {
      if (top == last || !top->close()) break;
      last = top;
    }
  });
}

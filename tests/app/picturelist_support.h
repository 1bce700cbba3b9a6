// Shared pieces of the picture list tests: a list widget with the engine bound, scripted
// dialogs, picture files and waiting on the event loop.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QThread>
#include <filesystem>
#include <functional>

#include "EngineApi.h"
#include "PictureListWidget.h"
#include "ScriptedDialogs.h"
#include "TestEnv.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace picturelist_test {

namespace fs = std::filesystem;
using gallivo::test::freshDir;

inline void bindEngine() {
  static const bool bound = [] {
    QString problem;
    const bool ok = BindEngineFrom(QString(GALLIVO_BUILD_DIR) + "/libzelvo.so", &problem);
    if (!ok) ADD_FAILURE() << "engine not bound: " << problem.toStdString();
    return ok;
  }();
  ASSERT_TRUE(bound);
}

// Processes events until the condition holds or the time runs out; returns the condition.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000) {
  QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

inline QString q(const fs::path& p) { return QString::fromStdString(p.string()); }
inline QString lower(const fs::path& p) { return q(p).toLower(); }

// A PNG of the given size (a gradient, so turns are visible).
inline void writePicture(const fs::path& path, int width, int height, const char* format = "PNG") {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
  ASSERT_TRUE(image.save(q(path), format)) << path;
}

inline void writeBytes(const fs::path& path, const QByteArray& bytes) {
  QFile file(q(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
  file.write(bytes);
}

using apptest::ScriptedDialogs;

inline QStringList paths(const PictureListWidget& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) {
    PictureItem item;
    list.ItemAt(i, item);
    out << item.path;
  }
  return out;
}

}  // namespace picturelist_test

// Shared by the settings view tests: a picture list, recording stand-ins for message boxes
// and file dialogs, control lookup by identifier, and waiting for queued results.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "EngineApi.h"
#include "PictureSupply.h"
#include "ScriptedDialogs.h"
#include "SetMgr.h"
#include "SettingsReporter.h"
#include "TestEnv.h"

namespace settingsTest {

class Pictures final : public PictureSupply {
 public:
  std::vector<PictureItem> items;
  int Count() const override { return int(items.size()); }
  bool ItemAt(int index, PictureItem& out) const override {
    if (index < 0 || index >= Count()) return false;
    out = items[size_t(index)];
    out.index = index;
    return true;
  }
  void Add(const QString& path, int rotation = 0) {
    PictureItem item;
    item.filePath = path;
    item.path = path.toLower();
    item.rotation = rotation;
    items.push_back(item);
  }
};

class Messages final : public SettingsReporter {
 public:
  QStringList shown;
  void ShowMessage(const QString& text) override { shown << text; }
};

// A direct or nested child by identifier.
template <class T>
T* find(const QWidget* parent, int id) {
  T* child = parent->findChild<T*>(QString::number(id));
  EXPECT_NE(child, nullptr) << "no control " << id;
  return child;
}
// A direct child by identifier (where a page reuses the number).
template <class T>
T* findDirect(const QWidget* parent, int id) {
  T* child = parent->findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
  EXPECT_NE(child, nullptr) << "no direct control " << id;
  return child;
}

// Runs the event loop until done() or the time is up; returns done().
inline bool waitFor(const std::function<bool()>& done, int ms = 20000) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

// Fresh settings and stand-ins for every test.
class SettingsViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSetMgr& s = CSetMgr::Instance();
    while (s.SnapshotCount() > 0) s.PopSnapshot(false);
    s.ResetToDefaults();
    s.SetReporter(&messages);
    QString problem;
    ASSERT_TRUE(BindEngine(&problem)) << problem.toStdString();
  }
  void TearDown() override {
    CSetMgr::Instance().SetReporter(nullptr);
    // Drop whatever results are still queued for widgets that are gone.
    QCoreApplication::processEvents();
  }
  // A JPEG picture of the given size with a pattern, in a fresh folder.
  QString MakePicture(const std::string& name, int width, int height) {
    const std::filesystem::path dir = gallivo::test::freshDir("pictures-" + name);
    const QString path = QString::fromStdString((dir / (name + ".jpg")).string());
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) row[x] = qRgb((x * 255) / width, (y * 255) / height, (x ^ y) & 0xFF);
    }
    EXPECT_TRUE(image.save(path, "JPEG", 90));
    return path;
  }

  Messages messages;
  apptest::ScriptedDialogs dialogs;  // installed while the test runs
};

}  // namespace settingsTest

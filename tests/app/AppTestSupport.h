// Shared pieces of the main-window and progress-window tests: scripted dialogs, a picture
// source over a fixed list, stand-ins for the list and the panel, real photographs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <mutex>
#include <vector>

#include "MainWindowParts.h"
#include "PictureSource.h"
#include "ScriptedDialogs.h"

namespace apptest {

// A fixed list of pictures handed out in order, safe for the export workers.
class VectorSource : public PictureSource {
 public:
  explicit VectorSource(QStringList files = {}) { SetFiles(files); }
  void SetFiles(const QStringList& files) {
    std::lock_guard lock(mutex_);
    items_.clear();
    for (const QString& f : files) {
      PictureItem item;
      item.filePath = f;
      item.path = f.toLower();
      item.index = int(items_.size());
      items_.push_back(item);
    }
  }
  void Begin(int workers, RunObserver* observer) override {
    std::lock_guard lock(mutex_);
    cursor_ = 0;
    workers_ = workers;
    observer_ = observer;
  }
  bool Next(PictureItem& out) override {
    std::lock_guard lock(mutex_);
    if (cursor_ >= items_.size()) return false;
    out = items_[cursor_++];
    if (onHandOut) onHandOut(int(cursor_));
    return true;
  }
  int Count() const override {
    std::lock_guard lock(mutex_);
    return int(items_.size());
  }
  bool ItemAt(int index, PictureItem& out) const override {
    std::lock_guard lock(mutex_);
    if (index < 0 || size_t(index) >= items_.size()) return false;
    out = items_[size_t(index)];
    return true;
  }
  int Remaining() const override {
    std::lock_guard lock(mutex_);
    return int(items_.size() - cursor_);
  }
  void ItemDone(const PictureItem& item, const ImageSlot& outcome) override {
    if (observer_) observer_->OnItemDone(item, outcome.failure, outcome.detail, outcome.outputPath);
  }
  void WorkerDone() override {
    bool last;
    {
      std::lock_guard lock(mutex_);
      last = --workers_ == 0;
    }
    if (last && observer_) observer_->OnAllWorkersDone();
  }
  // Runs on a worker thread after each hand-out (count handed so far).
  std::function<void(int)> onHandOut;

 private:
  mutable std::mutex mutex_;
  std::vector<PictureItem> items_;
  size_t cursor_ = 0;
  int workers_ = 0;
  RunObserver* observer_ = nullptr;
};

// The picture list's place, with a count and a scan flag the test sets.
class FakeList : public PictureListPane {
 public:
  FakeList() : widget_(new QWidget) { widget_->setObjectName(QStringLiteral("100")); }
  QWidget* Widget() override { return widget_; }
  const PictureSupply* Supply() const override { return nullptr; }
  PictureSource& Source() override { return source; }
  int Count() const override { return source.Count(); }
  bool IsScanning() const override { return scanning; }
  void AddPictures() override { ++addPicturesCalls; }
  void AddFolder() override { ++addFolderCalls; }
  void AddPath(const QString& path) override { added << path; }
  void RemoveAll() override {
    ++removeAllCalls;
    SetFiles({});
  }
  void Notify(QObject* receiver, std::function<void(int)> countChanged,
              std::function<void()> pkvAdded) override {
    countChanged_ = std::move(countChanged);
    pkvAdded_ = std::move(pkvAdded);
  }
  void SetFiles(const QStringList& files) {
    source.SetFiles(files);
    if (countChanged_) countChanged_(Count());
  }
  void FirePkvAdded() {
    if (pkvAdded_) pkvAdded_();
  }

  VectorSource source;
  bool scanning = false;
  int addPicturesCalls = 0, addFolderCalls = 0, removeAllCalls = 0;
  QStringList added;

 private:
  QWidget* widget_;  // given to the window
  std::function<void(int)> countChanged_;
  std::function<void()> pkvAdded_;
};

class FakePanel : public SettingsPane {
 public:
  FakePanel() : widget_(new QWidget) { widget_->setObjectName(QStringLiteral("144")); }
  QWidget* Widget() override { return widget_; }
  void PanelToSettings() override { ++copies; }
  void SettingsToPanel() override {}
  int copies = 0;

 private:
  QWidget* widget_;
};

// Real photographs from a Debian package; the test fails naming it when they are missing.
inline QStringList Photographs(int n) {
  static const char* kFiles[] = {"FreshFlower.jpg", "GreenMeadow.jpg", "Garden.jpg", "Aqua.jpg"};
  QStringList out;
  for (int i = 0; i < n && i < 4; ++i) {
    QString f = QStringLiteral("/usr/share/backgrounds/mate/nature/") + QLatin1String(kFiles[i]);
    if (!QFileInfo::exists(f)) {
      ADD_FAILURE() << "missing photograph " << f.toStdString()
                    << ": install the Debian package mate-backgrounds";
      return {};
    }
    out << f;
  }
  return out;
}

// Handles events until done() or the limit passes.
inline bool SpinUntil(const std::function<bool()>& done, int limitMs = 60000) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace apptest

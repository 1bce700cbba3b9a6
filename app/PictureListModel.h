// The entries of the picture list, in order, with their thumbnails. Lives on the user
// interface thread only: the folder scan and the thumbnail worker reach it through queued
// calls, so nothing here is locked.
#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <atomic>
#include <memory>
#include <span>
#include <vector>

#include "PictureItem.h"

// Thumbnail states of an entry (the numbers are the ones the list has always used).
enum ThumbState : int { kThumbMade = 0, kThumbPending = 1, kThumbFailed = 2 };

// A file found by a route (dialog, drop, scan): the lower-cased path and the path on disk.
struct FoundPicture {
  QString path;
  QString filePath;
};

struct ListEntry {
  PictureItem item;
  quint64 id = 0;  // stable while the entry lives; the thumbnail worker knows entries by it
  int state = kThumbPending;
  QImage thumbnail;
};

class PictureListModel : public QObject {
  Q_OBJECT
 public:
  explicit PictureListModel(QObject* parent = nullptr);
  ~PictureListModel() override;

  int Count() const { return int(entries_.size()); }
  // Safe from any thread (the hand-out and the supply read it).
  int SharedCount() const { return count_.load(std::memory_order_acquire); }
  const ListEntry& At(int index) const { return *entries_[size_t(index)]; }
  ListEntry* Find(quint64 id) const { return byId_.value(id, nullptr); }

  void Append(std::span<const FoundPicture> pictures);
  void RemoveAt(int index);
  void Clear();

  // Results of the thumbnail worker. The thumbnail arrives upright as decoded; the entry's
  // own quarter turns are applied here so that a remade thumbnail matches its rotation.
  void SetThumbnail(quint64 id, const QImage& thumbnail, bool ok);
  void Evict(quint64 id);
  // Quarter turns: -1 left, +1 right. Only on a made thumbnail; false otherwise.
  bool Rotate(int index, int delta);

 signals:
  void appended(int first, int last);
  void aboutToRemove(int index, quint64 id);
  void removed(int index);
  void cleared();
  void entryChanged(int index);

 private:
  std::vector<std::unique_ptr<ListEntry>> entries_;
  QHash<quint64, ListEntry*> byId_;
  quint64 nextId_ = 1;
  std::atomic<int> count_{0};
};

// The thumbnail turned by quarter turns clockwise (negative: counter-clockwise).
QImage TurnQuarter(const QImage& image, int quarterTurns);

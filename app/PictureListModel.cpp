#include "PictureListModel.h"

#include <QTransform>

PictureListModel::PictureListModel(QObject* parent) : QObject(parent) {}
PictureListModel::~PictureListModel() = default;

void PictureListModel::Append(std::span<const FoundPicture> pictures) {
  if (pictures.empty()) return;
  const int first = Count();
  entries_.reserve(entries_.size() + pictures.size());
  for (const FoundPicture& found : pictures) {
    auto entry = std::make_unique<ListEntry>();
    entry->item.path = found.path;
    entry->item.filePath = found.filePath;
    entry->item.index = Count();
    entry->id = nextId_++;
    byId_.insert(entry->id, entry.get());
    entries_.push_back(std::move(entry));
  }
  count_.store(Count(), std::memory_order_release);
  emit appended(first, Count() - 1);
}

void PictureListModel::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  const quint64 id = entries_[size_t(index)]->id;
  emit aboutToRemove(index, id);
  byId_.remove(id);
  entries_.erase(entries_.begin() + index);
  for (size_t i = size_t(index); i < entries_.size(); ++i) entries_[i]->item.index = int(i);
  count_.store(Count(), std::memory_order_release);
  emit removed(index);
}

void PictureListModel::Clear() {
  byId_.clear();
  entries_.clear();
  count_.store(0, std::memory_order_release);
  emit cleared();
}

QImage TurnQuarter(const QImage& image, int quarterTurns) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  if (turns == 0 || image.isNull()) return image;
  return image.transformed(QTransform().rotate(90.0 * turns));
}

void PictureListModel::SetThumbnail(quint64 id, const QImage& thumbnail, bool ok) {
  ListEntry* entry = Find(id);
  if (!entry) return;  // removed while the worker was making it
  entry->state = ok ? kThumbMade : kThumbFailed;
  entry->thumbnail = ok ? TurnQuarter(thumbnail, entry->item.rotation) : QImage();
  emit entryChanged(entry->item.index);
}

void PictureListModel::Evict(quint64 id) {
  ListEntry* entry = Find(id);
  if (!entry) return;
  entry->thumbnail = QImage();
  entry->state = kThumbPending;
  emit entryChanged(entry->item.index);
}

bool PictureListModel::Rotate(int index, int delta) {
  if (index < 0 || index >= Count()) return false;
  ListEntry& entry = *entries_[size_t(index)];
  if (entry.state != kThumbMade) return false;
  entry.item.rotation = (((entry.item.rotation + delta) % 4) + 4) % 4;
  entry.thumbnail = TurnQuarter(entry.thumbnail, delta);
  emit entryChanged(index);
  return true;
}

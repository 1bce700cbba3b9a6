#include "FixedPictureSource.h"

FixedPictureSource::FixedPictureSource(std::vector<PictureItem> items) : items_(std::move(items)) {
  for (size_t i = 0; i < items_.size(); ++i) items_[i].index = int(i);
}

PictureItem FixedPictureSource::ItemFor(const QString& filePath, int rotation) {
  PictureItem item;
  item.path = filePath.toLower();
  item.filePath = filePath;
  item.rotation = rotation;
  return item;
}

void FixedPictureSource::Begin(int workers, RunObserver* observer) {
  std::lock_guard guard(lock_);
  cursor_ = 0;
  workers_ = workers;
  observer_ = observer;
}

bool FixedPictureSource::Next(PictureItem& out) {
  std::lock_guard guard(lock_);
  if (cursor_ >= items_.size()) return false;
  out = items_[cursor_++];
  return true;
}

int FixedPictureSource::Count() const {
  std::lock_guard guard(lock_);
  return int(items_.size());
}

bool FixedPictureSource::ItemAt(int index, PictureItem& out) const {
  std::lock_guard guard(lock_);
  if (index < 0 || size_t(index) >= items_.size()) return false;
  out = items_[size_t(index)];
  return true;
}

int FixedPictureSource::Remaining() const {
  std::lock_guard guard(lock_);
  return int(items_.size() - cursor_);
}

void FixedPictureSource::ItemDone(const PictureItem& item, const ImageSlot& outcome) {
  RunObserver* observer;
  {
    std::lock_guard guard(lock_);
    observer = observer_;
  }
  if (observer) observer->OnItemDone(item, outcome.failure, outcome.detail, outcome.outputPath);
}

void FixedPictureSource::WorkerDone() {
  RunObserver* observer = nullptr;
  {
    std::lock_guard guard(lock_);
    if (workers_ > 0 && --workers_ == 0) observer = observer_;
  }
  if (observer) observer->OnAllWorkersDone();
}

#include "ListPictureSource.h"

#include <QThread>
#include <algorithm>

#include "PictureListModel.h"

ListPictureSource::ListPictureSource(PictureListModel& model) : model_(model) {}

void ListPictureSource::Begin(int workers, RunObserver* observer) {
  cursor_ = 0;
  workers_ = workers;
  observer_ = observer;
}

bool ListPictureSource::Next(PictureItem& out) {
  if (QThread::currentThread() == model_.thread()) return handOut(out);
  bool handed = false;
  PictureItem copy;
  QMetaObject::invokeMethod(&model_, [&] { handed = handOut(copy); }, Qt::BlockingQueuedConnection);
  if (handed) out = std::move(copy);
  return handed;
}

bool ListPictureSource::handOut(PictureItem& out) {
  const int at = cursor_.load();
  if (at >= model_.Count()) return false;
  out = model_.At(at).item;
  cursor_.store(at + 1);
  return true;
}

int ListPictureSource::Count() const { return model_.SharedCount(); }

bool ListPictureSource::ItemAt(int index, PictureItem& out) const {
  if (index < 0 || index >= model_.Count()) return false;
  out = model_.At(index).item;
  out.index = index;
  return true;
}

int ListPictureSource::Remaining() const { return std::max(0, model_.SharedCount() - cursor_.load()); }

void ListPictureSource::ItemDone(const PictureItem& item, const ImageSlot& outcome) {
  if (RunObserver* observer = observer_.load()) observer->OnItemDone(item, outcome.failure, outcome.detail, outcome.outputPath);
}

void ListPictureSource::WorkerDone() {
  if (workers_.fetch_sub(1) == 1)
    if (RunObserver* observer = observer_.load()) observer->OnAllWorkersDone();
}

void ListPictureSource::OnRemoved(int index) {
  if (index < cursor_.load()) cursor_.fetch_sub(1);
}

void ListPictureSource::OnCleared() { cursor_ = 0; }

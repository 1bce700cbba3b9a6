// The picture list as the export's picture source. The cursor lives on the user interface
// thread: a worker's Next is a blocking queued call to it, so pictures are handed out one at a
// time, in list order, each once, even while the list grows or shrinks.
#pragma once

#include <QObject>
#include <atomic>

#include "PictureSource.h"

class PictureListModel;

class ListPictureSource final : public PictureSource {
 public:
  // The model and its thread (the user interface thread) outlive every run.
  explicit ListPictureSource(PictureListModel& model);

  void Begin(int workers, RunObserver* observer) override;
  bool Next(PictureItem& out) override;
  int Count() const override;
  // User interface thread (the export job calls it in Start).
  bool ItemAt(int index, PictureItem& out) const override;
  int Remaining() const override;
  void ItemDone(const PictureItem& item, const ImageSlot& outcome) override;
  void WorkerDone() override;

  // Told by the list (user interface thread): keeps the cursor on the same next picture.
  void OnRemoved(int index);
  void OnCleared();

 private:
  bool handOut(PictureItem& out);

  PictureListModel& model_;
  std::atomic<int> cursor_{0};  // written on the user interface thread only
  std::atomic<int> workers_{0};
  std::atomic<RunObserver*> observer_{nullptr};
};

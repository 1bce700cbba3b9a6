// Where a chain takes its pictures: the picture list for an export, a fixed list in
// gallivo-batch and the tests, the settings dialog for the preview.
#pragma once

#include "ProcessStep.h"

// Told about the run by the source (on worker threads: marshal to your own thread).
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // After every picture, whatever its outcome; failure is None when it was written.
  virtual void OnItemDone(const PictureItem& item, FailureKind failure, const QString& detail,
                          const QString& outputPath) = 0;
  // Once, when the last worker has called WorkerDone.
  virtual void OnAllWorkersDone() = 0;
};

class PictureSource {
 public:
  virtual ~PictureSource() = default;
  // Cursor to the first picture, Remaining = Count, worker count = workers.
  virtual void Begin(int workers, RunObserver* observer) = 0;
  // The next picture (a copy) and true; false when none is left. Thread-safe, one at a time.
  virtual bool Next(PictureItem& out) = 0;
  virtual int Count() const = 0;
  // A copy of the picture at a list position (index = that position); false outside the
  // list. Called on the thread that starts the job, before the workers run: the showcase
  // pre-pass reads every picture of the list.
  virtual bool ItemAt(int index, PictureItem& out) const = 0;
  virtual int Remaining() const = 0;
  // Tells the observer; when the worker count reaches 0, tells it the run is over.
  virtual void ItemDone(const PictureItem& item, const ImageSlot& outcome) = 0;
  virtual void WorkerDone() = 0;
};

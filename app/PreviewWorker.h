// The settings dialog's preview worker: one thread running the batch pipeline's preview chain
// over exactly one picture, at the lowest priority. It never touches a widget: the chain's
// preview step hands the picture to the job context's refresher, and the end of the run is
// posted back to the owner's thread.
#pragma once

#include <QImage>
#include <functional>
#include <memory>

#include "PictureItem.h"

class QThread;

class PreviewWorker {
 public:
  // picture: the preview (on the owner's thread); ended: the run is over, after any picture.
  PreviewWorker(std::function<void(const QImage&)> picture, std::function<void()> ended);
  // Waits for a running preview; nothing reaches the callbacks afterwards.
  ~PreviewWorker();
  PreviewWorker(const PreviewWorker&) = delete;
  PreviewWorker& operator=(const PreviewWorker&) = delete;

  // Starts a run on a copy of the item; false (and nothing started) while one runs.
  bool Start(const PictureItem& item);
  // Blocks until the running thread has finished (its posted calls still arrive later).
  void Wait();
  bool Running() const { return thread_ != nullptr; }

 private:
  struct Mailbox;
  void ended();

  std::shared_ptr<Mailbox> mailbox_;
  std::unique_ptr<QThread> thread_;
};

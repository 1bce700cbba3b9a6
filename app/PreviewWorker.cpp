#include "PreviewWorker.h"

#include <QCoreApplication>
#include <QThread>

#include "FixedPictureSource.h"
#include "JobContext.h"
#include "StepChain.h"

// What the thread and the refresher share with the owner. The callbacks are touched on the
// owner's thread only; a null owner drops whatever still arrives.
struct PreviewWorker::Mailbox {
  PreviewWorker* owner = nullptr;
  std::function<void(const QImage&)> picture;
  std::function<void()> ended;
};

namespace {

template <class F>
void postToApplication(F&& call) {
  if (QCoreApplication* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, std::forward<F>(call), Qt::QueuedConnection);
}

}  // namespace

PreviewWorker::PreviewWorker(std::function<void(const QImage&)> picture, std::function<void()> ended)
    : mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->owner = this;
  mailbox_->picture = std::move(picture);
  mailbox_->ended = std::move(ended);
  // The refresher is process-wide; it is this worker's while it exists (the dialog is modal,
  // so there is never a second one).
  JobContext::Instance().SetRefresher([mailbox = mailbox_](const QImage& image) {
    postToApplication([mailbox, image] {
      if (mailbox->owner && mailbox->picture) mailbox->picture(image);
    });
  });
}

PreviewWorker::~PreviewWorker() {
  mailbox_->owner = nullptr;
  Wait();
  JobContext::Instance().SetRefresher(nullptr);
}

bool PreviewWorker::Start(const PictureItem& item) {
  if (thread_) return false;
  thread_.reset(QThread::create([mailbox = mailbox_, item] {
    // The dialog hands out exactly one picture.
    FixedPictureSource source({item});
    source.Begin(1, nullptr);
    StepChain chain = BuildPreviewChain();
    chain.SetSource(&source);
    chain.Run();
    postToApplication([mailbox] {
      if (mailbox->owner) mailbox->owner->ended();
    });
  }));
  thread_->start(QThread::LowestPriority);
  return true;
}

void PreviewWorker::Wait() {
  if (thread_) thread_->wait();
}

void PreviewWorker::ended() {
  Wait();  // the thread has posted its last act: this returns at once
  thread_.reset();
  if (mailbox_->ended) mailbox_->ended();
}

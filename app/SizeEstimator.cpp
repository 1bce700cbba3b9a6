#include "SizeEstimator.h"

#include <QCoreApplication>
#include <QThread>

namespace {
quint64 keyOf(int width, int quality) { return (quint64(quint32(width)) << 32) | quint32(quality); }
}  // namespace

SizeEstimator::SizeEstimator(Compute compute, QObject* parent)
    : QObject(parent), compute_(std::move(compute)), mailbox_(std::make_shared<Mailbox>()) {
  mailbox_->owner = this;
}

SizeEstimator::~SizeEstimator() {
  mailbox_->owner = nullptr;
  if (thread_) thread_->wait();
}

void SizeEstimator::Request(int width, int quality) {
  auto known = known_.constFind(keyOf(width, quality));
  if (known != known_.cend() && !thread_) {
    emit ready(*known, width, quality);
    return;
  }
  if (thread_) {
    waiting_ = Job{width, quality};
    return;
  }
  start(Job{width, quality});
}

void SizeEstimator::start(Job job) {
  // The thread owns copies of everything it uses; the result comes back through the
  // application object, and is dropped when this estimator is gone.
  thread_.reset(QThread::create([compute = compute_, mailbox = mailbox_, job] {
    const int bytes = compute ? compute(job.width, job.quality) : 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [mailbox, job, bytes] {
          if (mailbox->owner) mailbox->owner->finished(job, bytes);
        },
        Qt::QueuedConnection);
  }));
  thread_->start(QThread::LowPriority);
}

void SizeEstimator::finished(Job job, int bytes) {
  if (thread_) thread_->wait();  // it has posted its last act: this returns at once
  thread_.reset();
  known_.insert(keyOf(job.width, job.quality), bytes);
  if (waiting_) {
    Job next = *waiting_;
    waiting_.reset();
    if (next.width != job.width || next.quality != job.quality) {
      Request(next.width, next.quality);
      return;
    }
  }
  emit ready(bytes, job.width, job.quality);
}

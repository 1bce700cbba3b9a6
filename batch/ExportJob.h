// The background run that processes every picture of a source with the current settings:
// the showcase pre-pass once, then `workers` threads each running its own export chain.
// Reports through signals emitted on worker threads (connect with the default or a queued
// connection; the receiver's thread gets them). Never touches widgets.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>
#include <memory>

#include "PictureSource.h"

struct PictureFailure {
  QString source;  // the source path as listed
  FailureKind kind = FailureKind::Other;
  QString detail;
};

struct ExportSummary {
  int total = 0;       // Count() at the start
  int remaining = 0;   // pictures never handed out (> 0: cancelled)
  int written = 0;     // pictures that produced their output (or their showcase frame)
  QVector<PictureFailure> failures;
  bool showcase = false;   // bPhotoGIF run
  bool gifWritten = false; // the showcase GIF was saved
  QString gifError;        // why it was not
  bool Cancelled() const { return remaining > 0; }
};

// Texts of the progress window's status line.
QString ProgressText(int handed, int total);  // "正在导出文件 ...\n\n已经完成 %d 个文件，共 %d 个文件。"
// " 已经导出 %d 个文件！" when cancelled or when some pictures failed, else " %d 个文件全部导出完成！".
QString CompletionText(const ExportSummary& summary);
QString PrePassText();                                 // "正在进行GIF预处理 ..."
// One line per failure kind, for the report under the completion text.
QString FailureText(FailureKind kind);

class ExportJob : public QObject {
  Q_OBJECT
 public:
  explicit ExportJob(PictureSource& source, int workers = 2, QObject* parent = nullptr);
  // Cancels and waits for the workers (as Wait does); emits nothing more.
  ~ExportJob() override;

  // Clears the cancel flag, Begin(workers) on the source, starts the workers.
  void Start();
  // Sets the JobContext cancel flag; the workers stop before their next picture.
  void Cancel();
  // Blocks until every worker has ended and completion has run. On the application's main
  // thread it keeps delivering queued calls meanwhile, so a source that hands out pictures
  // through blocking calls to that thread (the picture list) cannot deadlock it.
  void Wait();
  bool IsFinished() const;
  ExportSummary Summary() const;

 signals:
  void prePassStarted();
  void progress(int handed, int total);
  // After both workers have ended and the showcase GIF (if any) was written.
  void finished(const ExportSummary& summary);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

Q_DECLARE_METATYPE(ExportSummary)

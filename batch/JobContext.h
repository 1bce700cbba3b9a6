// The process-wide export context shared by the export job and the preview.
#pragma once

#include <QImage>
#include <atomic>
#include <functional>
#include <mutex>

class PictureSource;

class JobContext {
 public:
  static JobContext& Instance();

  // Set by the generate command (the picture list) or the runner.
  PictureSource* source = nullptr;
  // Read by every worker before each picture; written by the user interface thread.
  std::atomic<int> cancel{0};
  // Decode every picture at full scale, never shrink-on-load (gallivo-batch --exact).
  std::atomic<bool> exactDecode{false};

  // The preview refresher: called on the preview thread with the fitted picture.
  void SetRefresher(std::function<void(const QImage&)> refresher);
  void Refresh(const QImage& picture);

 private:
  std::mutex refresherLock_;
  std::function<void(const QImage&)> refresher_;
};

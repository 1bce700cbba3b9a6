// Shared fixtures of the batch tests: the engine from the build folder, fresh settings,
// small pictures written and read through the engine, and a job run to its end.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "EngineApi.h"
#include "EngineObjects.h"
#include "ExportJob.h"
#include "FixedPictureSource.h"
#include "ImageCalls.h"
#include "JobContext.h"
#include "SetMgr.h"
#include "TestEnv.h"

namespace batchtest {

namespace fs = std::filesystem;

inline QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

// Binds the engine of the build folder once per process.
inline void BindTestEngine() {
  if (EngineReady()) return;
  QString problem;
  ASSERT_TRUE(BindEngineFrom(QStringLiteral(GALLIVO_BUILD_DIR "/libzelvo.so"), &problem))
      << problem.toStdString();
}

// Engine bound, settings at their defaults, no cancel left over.
class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BindTestEngine();
    CSetMgr::Instance().ResetToDefaults();
    JobContext::Instance().cancel = 0;
  }
};

// A picture with a diagonal gradient and a marker: distinct content per seed.
inline QImage Pattern(int w, int h, int seed = 0) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.setPixel(x, y, qRgb((x * 255 / std::max(1, w - 1) + seed * 40) % 256,
                              (y * 255 / std::max(1, h - 1)) % 256, (seed * 97) % 256));
  return img;
}

inline ImageOwner EngineImage(const QImage& picture) {
  ImageOwner image = zv::FromQImage(picture);
  EXPECT_TRUE(image) << "engine picture not made";
  return image;
}

// Writes a picture file through the engine in the given format (ZV_TYPE_*).
inline void WritePicture(const fs::path& path, const QImage& picture, uint32_t type = ZV_TYPE_JPG,
                         int quality = 92) {
  ImageOwner image = EngineImage(picture);
  ASSERT_TRUE(image);
  image->ops->SetJpegQuality(image.get(), uint8_t(quality));
  const QString p = Q(path);
  ASSERT_TRUE(image->ops->Save(image.get(), reinterpret_cast<const char16_t*>(p.utf16()), type))
      << path << ": " << zv::LastError(image.get()).toStdString();
}

// Reads a picture back through the engine; null when unreadable.
inline QImage ReadPicture(const fs::path& path) {
  ImageOwner image = NewImage();
  const QString p = Q(path);
  if (!image || !image->ops->Load(image.get(), reinterpret_cast<const char16_t*>(p.utf16()), 0))
    return {};
  return zv::ToQImage(image.get());
}

inline std::vector<PictureItem> Items(const std::vector<fs::path>& files) {
  std::vector<PictureItem> items;
  for (const fs::path& f : files) {
    items.push_back(FixedPictureSource::ItemFor(Q(f)));
    items.back().index = int(items.size()) - 1;
  }
  return items;
}

// Runs a job over the items to its end and gives its summary.
inline ExportSummary RunJob(const std::vector<PictureItem>& items, int workers = 2) {
  FixedPictureSource source(items);
  ExportJob job(source, workers);
  job.Start();
  job.Wait();
  EXPECT_TRUE(job.IsFinished());
  return job.Summary();
}

// Sorted names of the files in a folder.
inline std::vector<std::string> FileNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Mean absolute difference per channel between two pictures of the same size (-1 otherwise).
inline double MeanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return -1;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * x.width() * x.height());
}

}  // namespace batchtest

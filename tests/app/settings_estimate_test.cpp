// The panel's size estimate: the figure is the byte count of the test pattern written as a
// JPEG file through the engine, and computing it never holds up the user interface thread.
#include <QFileInfo>

#include "EngineObjects.h"
#include "SettingsLists.h"
#include "SizeEstimate.h"
#include "SizeEstimator.h"
#include "settings_fixture.h"

using namespace settingsTest;

namespace {

class EstimateTest : public SettingsViewTest {};

// The pattern set pixel by pixel through the engine, saved as a JPEG file: its size.
qint64 writtenPatternBytes(int n, int quality, const QString& path) {
  ImageOwner image = NewImage();
  EXPECT_TRUE(image);
  EXPECT_NE(image->ops->Create(image.get(), uint32_t(n), uint32_t(n), 24, ZV_TYPE_BMP), nullptr);
  for (int x = 0; x < n; ++x)
    for (int y = 0; y < n; ++y) {
      ZvRGBQuad c{uint8_t(x % 256), uint8_t((y >> (x % 8)) % 256), uint8_t((x >> (x % 8)) % 256), 0};
      image->ops->SetPixelColor(image.get(), x, y, c, false);
    }
  image->ops->SetJpegQuality(image.get(), uint8_t(quality));
  EXPECT_TRUE(image->ops->Save(image.get(), reinterpret_cast<const char16_t*>(path.utf16()), ZV_TYPE_JPG));
  return QFileInfo(path).size();
}

TEST_F(EstimateTest, EqualsTheBytesOfThePatternWrittenThroughTheEngine) {
  const QString dir = QString::fromStdString(gallivo::test::freshDir("estimate").string());
  const std::pair<int, int> cases[] = {{1, 85}, {8, 75}, {310, 75}, {640, 85}, {1000, 65}, {97, 0}};
  for (auto [n, q] : cases) {
    const QString path = dir + QStringLiteral("/p%1-%2.jpg").arg(n).arg(q);
    const qint64 written = writtenPatternBytes(n, q, path);
    ASSERT_GT(written, 0);
    EXPECT_EQ(SizeEstimate(n, q), written) << n << " at " << q;
  }
}

TEST_F(EstimateTest, QualityOfEachLevelAndTheShownText) {
  EXPECT_EQ(settingsLists::EstimateQuality(0), 85);
  EXPECT_EQ(settingsLists::EstimateQuality(1), 75);
  EXPECT_EQ(settingsLists::EstimateQuality(2), 65);
  EXPECT_EQ(settingsLists::EstimateQuality(120), 0);
  EXPECT_EQ(settingsLists::EstimateText(0), "图片大小约 1 KB");
  EXPECT_EQ(settingsLists::EstimateText(1023), "图片大小约 1 KB");
  EXPECT_EQ(settingsLists::EstimateText(1024), "图片大小约 2 KB");
}

TEST_F(EstimateTest, NewestRequestWinsAndTheCallerIsNeverHeldUp) {
  std::vector<std::pair<int, int>> shown;
  SizeEstimator estimator(SizeEstimate);
  QObject::connect(&estimator, &SizeEstimator::ready,
                   [&](int bytes, int width, int quality) { shown.push_back({width, bytes}); });
  estimator.Request(3000, 85);
  estimator.Request(2000, 85);
  estimator.Request(500, 65);
  // The requests only hand work to the worker: nothing is computed on the caller's thread.
  EXPECT_TRUE(estimator.Busy());
  EXPECT_TRUE(shown.empty());
  ASSERT_TRUE(waitFor([&] { return !shown.empty(); }, 60000));
  // The first request was already running; the one in between was replaced by the newest.
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, 500);
  EXPECT_EQ(shown[0].second, SizeEstimate(500, 65));
  // A figure already known comes back at once.
  estimator.Request(500, 65);
  ASSERT_EQ(shown.size(), 2u);
}

TEST_F(EstimateTest, DestroyedWhileComputingDropsTheResult) {
  int shown = 0;
  {
    SizeEstimator estimator(SizeEstimate);
    QObject::connect(&estimator, &SizeEstimator::ready, [&] { ++shown; });
    estimator.Request(3000, 75);
  }
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, 0);
}

}  // namespace

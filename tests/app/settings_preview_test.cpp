// The preview is what the export writes: for a few combinations of settings, the dialog's
// preview equals the exported file fitted to 320 x 320, within JPEG tolerance.
#include <QDir>
#include <QImageReader>

#include "ExportJob.h"
#include "FixedPictureSource.h"
#include "FrameCatalogue.h"
#include "JobContext.h"
#include "PreviewArea.h"
#include "PreviewStep.h"
#include "SettingsDialog.h"
#include "settings_fixture.h"

using namespace settingsTest;

namespace {

// How far two pictures of one size are apart: the mean absolute difference per channel, and
// the share of pixels where some channel differs by more than 48 levels.
struct Difference {
  double mean = 255;
  double outliers = 1;
};

Difference compare(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return {};
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  int64_t far = 0;
  for (int r = 0; r < x.height(); ++r) {
    auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
    auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
    for (int c = 0; c < x.width(); ++c) {
      const int d[] = {std::abs(qRed(p[c]) - qRed(q[c])), std::abs(qGreen(p[c]) - qGreen(q[c])),
                       std::abs(qBlue(p[c]) - qBlue(q[c]))};
      sum += d[0] + d[1] + d[2];
      if (std::max({d[0], d[1], d[2]}) > 48) ++far;
    }
  }
  const double pixels = double(x.width()) * x.height();
  return {sum / (3.0 * pixels), double(far) / pixels};
}

// JPEG at the export's quality and a different resampler: a few levels on average, and only
// a few edge pixels far apart.
constexpr double kMeanTolerance = 4.0;
constexpr double kOutlierTolerance = 0.005;

bool alike(const Difference& d) { return d.mean <= kMeanTolerance && d.outliers <= kOutlierTolerance; }

class PreviewExportTest : public SettingsViewTest {
 protected:
  void SetUp() override {
    SettingsViewTest::SetUp();
    FrameCatalogue::Instance().Clear();
    ASSERT_TRUE(FrameCatalogue::Instance().LoadCatalogue());
    source_ = MakePicture("photo", 1200, 900);
    pictures.Add(source_);
    const std::filesystem::path marks = gallivo::test::freshDir("logo");
    logo_ = QString::fromStdString((marks / "logo.png").string());
    QImage logo(90, 40, QImage::Format_ARGB32);
    logo.fill(QColor(200, 20, 40, 220));
    for (int y = 10; y < 30; ++y)
      for (int x = 10; x < 80; ++x) logo.setPixelColor(x, y, QColor(20, 200, 40, 255));
    ASSERT_TRUE(logo.save(logo_));
  }
  void TearDown() override {
    FrameCatalogue::Instance().Clear();
    SettingsViewTest::TearDown();
  }

  // The dialog's preview with the current settings (committed with OK).
  QImage Preview() {
    SettingsDialog dialog(&pictures, 1, nullptr);
    EXPECT_TRUE(waitFor([&] { return !dialog.PreviewRunning(); }));
    QImage shown = dialog.Preview()->Picture();
    dialog.accept();
    return shown;
  }
  // The exported file with the current settings, fitted like the preview.
  QImage ExportedAndFitted() {
    const std::filesystem::path out = gallivo::test::freshDir("out" + std::to_string(++exports_));
    CSetMgr::Instance().set_strExportDir(QString::fromStdString(out.string()) + u'/');
    FixedPictureSource source({FixedPictureSource::ItemFor(source_)});
    ExportJob job(source, 1);
    job.Start();
    job.Wait();
    const QStringList files = QDir(QString::fromStdString(out.string())).entryList(QDir::Files);
    EXPECT_EQ(files.size(), 1);
    if (files.isEmpty()) return {};
    QImage written(QString::fromStdString(out.string()) + u'/' + files[0]);
    const QSize fit = PreviewSize(written.width(), written.height());
    return written.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }

  Pictures pictures;
  QString source_;
  QString logo_;
  int exports_ = 0;
};

struct Combination {
  const char* name;
  void (*apply)(CSetMgr&, const QString& logo);
};

const Combination kCombinations[] = {
    {"slim, corners, text mark",
     [](CSetMgr& s, const QString&) {
       s.set_bPhotoResize(1);
       s.set_nResizeSimpleType(1);
       s.set_bPhotoFrames(1);
       s.set_nFrameType(0);
       s.set_nFrameRoundRize(2);
       s.set_bPhotoMark(1);
       s.set_nMarkStyle(0);
       s.set_strMarkText(QStringLiteral("小店水印 Shop"));
       s.set_nMarkFontSize(48);
       s.set_nMarkTransparent(0);
       s.set_nMarkColor(0x0000FF);
     }},
    {"frame, tiled logo",
     [](CSetMgr& s, const QString& logo) {
       s.set_bPhotoFrames(1);
       s.set_nFrameType(1);
       s.set_nFrameFileIndex(2);
       s.set_bPhotoMark(1);
       s.set_nMarkStyle(1);
       s.set_strMarkPicPath(logo);
       s.set_nMarkPosStyle(1);
       s.set_nMarkSpace(30);
       s.set_nMarkTransparent(0);
     }},
    {"rotation 45, transparency 50",
     [](CSetMgr& s, const QString&) {
       s.set_bPhotoMark(1);
       s.set_nMarkStyle(0);
       s.set_strMarkText(QStringLiteral("旋转水印"));
       s.set_nMarkFontSize(240);
       s.set_nMarkPosSimple(8);
       s.set_nMarkRotate(45);
       s.set_nMarkTransparent(50);
       s.set_nMarkColor(0x000000);
     }},
};

TEST_F(PreviewExportTest, PreviewEqualsTheExportedPicture) {
  for (const Combination& c : kCombinations) {
    SCOPED_TRACE(c.name);
    CSetMgr& s = CSetMgr::Instance();
    s.ResetToDefaults();
    c.apply(s, logo_);
    const QImage preview = Preview();
    ASSERT_FALSE(preview.isNull());
    EXPECT_LE(std::max(preview.width(), preview.height()), 320);
    const QImage exported = ExportedAndFitted();
    const Difference same = compare(preview, exported);
    EXPECT_TRUE(alike(same)) << "mean " << same.mean << ", outliers " << same.outliers;

    // The same export without the effects would not pass: the tolerance sees them.
    s.set_bPhotoMark(0);
    s.set_bPhotoFrames(0);
    const QImage plain = ExportedAndFitted();
    const Difference other = compare(preview, plain);
    EXPECT_FALSE(alike(other)) << "the effects changed too little to be judged: mean " << other.mean
                               << ", outliers " << other.outliers;
  }
}

}  // namespace

// Shrink-on-load: the scale rule as a table, the decode hint that realises it, the settings
// that allow it, what it does to real photographs against the exact path (sizes equal,
// luma within 40 dB PSNR), camera raws developed at half size, and the showcase pre-pass
// reading JPEG headers only.
#include <QDir>
#include <QFile>
#include <cmath>

#include "DngWriter.h"
#include "LoadStep.h"

#include "ShowcasePrePass.h"
#include "ShrinkOnLoad.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

class ShrinkTest : public BatchTest {
 protected:
  void TearDown() override { JobContext::Instance().exactDecode = false; }
};

// The engine's JPEG decoder picks its scale from the hint like this.
int DecoderScale(QSize picture, QSize hint) {
  const int r = std::min(picture.width() / hint.width(), picture.height() / hint.height());
  return r >= 8 ? 8 : r >= 4 ? 4 : r >= 2 ? 2 : 1;
}

TEST_F(ShrinkTest, ScaleRuleTable) {
  struct Case {
    const char* what;
    ShrinkTarget target;
    int32_t w, h, exif, rotation;
    int scale;
  };
  const Case cases[] = {
      {"slimming off", {0, 0}, 4000, 3000, 1, 0, 1},
      {"500 on 4000: 1/4 gives 1000", {500, 0}, 4000, 3000, 1, 0, 4},
      {"500 on 4000: 1/8 gives 500, too small", {500, 0}, 4000, 3000, 0, 0, 4},
      {"310 on 4960: 1/8 gives 620", {310, 0}, 4960, 3000, 1, 0, 8},
      {"310 on 4953: 1/8 rounds up to 620", {310, 0}, 4953, 3000, 1, 0, 8},
      {"310 on 4952: 1/8 gives 619", {310, 0}, 4952, 3000, 1, 0, 4},
      {"310 on a 700-wide photo", {310, 0}, 700, 500, 1, 0, 1},
      {"target larger than half the source", {2100, 0}, 4000, 3000, 1, 0, 1},
      {"target exactly half the source", {2000, 0}, 4000, 3000, 1, 0, 1},
      {"a quarter of the source: 1/2", {1000, 0}, 4000, 3000, 1, 0, 2},
      {"EXIF 6: the stored height becomes the width", {500, 0}, 4000, 3000, 6, 0, 2},
      {"EXIF 8 likewise", {500, 0}, 4000, 3000, 8, 0, 2},
      {"EXIF 3 keeps the sides", {500, 0}, 4000, 3000, 3, 0, 4},
      {"user quarter turn", {500, 0}, 4000, 3000, 1, 1, 2},
      {"user half turn keeps the sides", {500, 0}, 4000, 3000, 1, 2, 4},
      {"EXIF 6 and a user turn left cancel", {500, 0}, 4000, 3000, 6, 3, 4},
      {"EXIF 5 and a user turn right cancel", {700, 0}, 6000, 4000, 5, 1, 4},
      {"showcase canvas: the height decides", {500, 500}, 4000, 3000, 1, 0, 2},
      {"showcase canvas of a wide strip", {500, 100}, 8000, 1600, 1, 0, 8},
      {"showcase canvas too large for any scale", {500, 500}, 1500, 1100, 1, 0, 1},
      {"a one-pixel target", {1, 0}, 16, 16, 1, 0, 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShrinkScale(c.target, UprightSize(c.w, c.h, c.exif), c.rotation), c.scale) << c.what;
  }
}

TEST_F(ShrinkTest, HintMakesTheDecoderPickTheScaleOrNothing) {
  for (const QSize picture : {QSize(4000, 3000), QSize(3000, 4000), QSize(4001, 2999), QSize(9, 5000),
                              QSize(17, 17), QSize(5, 5), QSize(64000, 8)}) {
    for (int d : {2, 4, 8}) {
      const QSize hint = HintForScale(picture, d);
      if (hint.isEmpty()) {
        EXPECT_LE(std::min(picture.width(), picture.height()), 2 * d) << picture.width() << "x" << picture.height();
        continue;
      }
      EXPECT_EQ(DecoderScale(picture, hint), d) << picture.width() << "x" << picture.height() << " 1/" << d;
      EXPECT_EQ(DecoderScale(picture.transposed(), hint), d) << "stored turned";
    }
  }
}

TEST_F(ShrinkTest, OnlyWhenTheChainShrinksAnyway) {
  struct Case {
    const char* what;
    std::function<void(CSetMgr&)> set;
    bool showcaseChain, exact;
    int32_t width, height;
  };
  auto slim = [](int type) { return [type](CSetMgr& s) { s.set_bPhotoResize(1), s.set_nResizeSimpleType(type); }; };
  auto showcase = [](CSetMgr& s) { s.set_bPhotoGIF(1), s.set_nGIFWidth(500), s.set_nGIFHeight(375); };
  const Case cases[] = {
      {"no slimming, no showcase", [](CSetMgr&) {}, true, false, 0, 0},
      {"slimming to 310", slim(0), false, false, 310, 0},
      {"slimming to 700, export chain", slim(2), true, false, 700, 0},
      {"custom width", [](CSetMgr& s) { s.set_bPhotoResize(1), s.set_nResizeSimpleType(3), s.set_nResizeWidth(640); },
       false, false, 640, 0},
      {"--exact", slim(1), true, true, 0, 0},
      {"showcase canvas known", showcase, true, false, 500, 375},
      {"showcase in a preview chain", showcase, false, false, 0, 0},
      {"showcase with a frame drawn at load size", [&](CSetMgr& s) { showcase(s), s.set_bPhotoFrames(1); }, true, false, 0, 0},
      {"showcase with a watermark", [&](CSetMgr& s) { showcase(s), s.set_bPhotoMark(1); }, true, false, 0, 0},
      {"showcase canvas not known yet", [](CSetMgr& s) { s.set_bPhotoGIF(1), s.set_nGIFWidth(0); }, true, false, 0, 0},
      {"showcase with slimming: the width", [&](CSetMgr& s) { showcase(s), slim(1)(s); }, true, false, 500, 0},
  };
  for (const Case& c : cases) {
    CSetMgr::Instance().ResetToDefaults();
    c.set(CSetMgr::Instance());
    JobContext::Instance().exactDecode = c.exact;
    const ShrinkTarget t = ShrinkTargetFor(CSetMgr::Instance(), c.showcaseChain);
    EXPECT_EQ(t.width, c.width) << c.what;
    EXPECT_EQ(t.height, c.height) << c.what;
  }
}

// Real photographs from the Debian wallpaper package in the order of their output names,
// and one of them enlarged to 5120 wide so that the 310 width decodes it at 1/8.
std::vector<fs::path> Photographs(const fs::path& dir) {
  std::vector<fs::path> found;
  const fs::path nature = "/usr/share/backgrounds/mate/nature";
  if (fs::exists(nature / "Wood.jpg")) {
    const fs::path big = dir / "big-wood.jpg";
    EXPECT_EQ(gallivo::test::run("convert '" + (nature / "Wood.jpg").string() + "' -resize 200% -quality 92 '" +
                                 big.string() + "'"),
              0)
        << "convert failed (package imagemagick)";
    found.push_back(big);
  }
  for (const char* name : {"LadyBird.jpg", "Storm.jpg", "TwoWings.jpg", "Wood.jpg"})
    if (fs::exists(nature / name)) found.push_back(nature / name);
  return found;
}

double LumaPsnr(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      auto luma = [](QRgb p) { return 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p); };
      const double d = luma(a.pixel(x, y)) - luma(b.pixel(x, y));
      sum += d * d;
    }
  const double mse = sum / (double(a.width()) * a.height());
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Runs the slimming export over the photographs into `dir` with or without --exact.
std::vector<fs::path> Slim(const std::vector<PictureItem>& items, const fs::path& dir, bool exact) {
  fs::create_directories(dir);
  CSetMgr::Instance().set_strExportDir(Q(dir) + QLatin1Char('/'));
  JobContext::Instance().exactDecode = exact;
  const ExportSummary summary = RunJob(items);
  EXPECT_TRUE(summary.failures.empty());
  std::vector<fs::path> out;
  for (const std::string& name : FileNames(dir)) out.push_back(dir / name);
  return out;
}

TEST_F(ShrinkTest, SlimmedPhotographsMatchTheExactPathWithin40Decibels) {
  const fs::path dir = gallivo::test::freshDir("shrink");
  const std::vector<fs::path> photos = Photographs(dir);
  ASSERT_GE(photos.size(), 4u) << "real photographs missing: install the package mate-backgrounds";
  int scaled = 0;
  for (int type : {0, 1}) {  // 310 and 500 wide: scales 1/4 and 1/2 on these photographs
    for (int rotation : {0, 1}) {
      SCOPED_TRACE("width type " + std::to_string(type) + " rotation " + std::to_string(rotation));
      CSetMgr& s = CSetMgr::Instance();
      s.ResetToDefaults();
      s.set_bPhotoResize(1);
      s.set_nResizeSimpleType(type);
      std::vector<PictureItem> items = Items(photos);
      for (PictureItem& item : items) item.rotation = rotation;
      const std::string tag = std::to_string(type) + "-" + std::to_string(rotation);
      const std::vector<fs::path> exact = Slim(items, dir / ("exact" + tag), true);
      const std::vector<fs::path> shrunk = Slim(items, dir / ("shrunk" + tag), false);
      ASSERT_EQ(exact.size(), photos.size());
      ASSERT_EQ(shrunk.size(), photos.size());
      for (size_t i = 0; i < exact.size(); ++i) {
        const QImage a = ReadPicture(exact[i]), b = ReadPicture(shrunk[i]);
        ASSERT_FALSE(a.isNull());
        ASSERT_EQ(a.size(), b.size()) << exact[i];
        EXPECT_EQ(a.width(), type == 0 ? 310 : 500);
        const double psnr = LumaPsnr(a, b);
        EXPECT_GE(psnr, 40.0) << exact[i].filename();
        // The same pixels exactly where the rule decodes at full size, others where it does not.
        const QImage source = ReadPicture(photos[i]);
        const int scale = ShrinkScale({type == 0 ? 310 : 500, 0}, source.size(), rotation);
        scaled += scale > 1;
        EXPECT_EQ(psnr == 99.0, scale == 1) << exact[i].filename() << " at 1/" << scale;
      }
    }
  }
  EXPECT_GE(scaled, 6) << "too few photographs took a reduced decode to judge it";
}

// A digital negative of `photo`: its pixels sampled through an RGGB colour filter as
// linear 16-bit values, written with libtiff (LibRaw develops it like a camera's).
void WriteDng(const fs::path& file, const QImage& photo) {
  ASSERT_TRUE(gallivo::test::writeDng(file, uint32_t(photo.width()), uint32_t(photo.height()),
                                      [&](uint32_t x, uint32_t y) {
    const QRgb p = photo.pixel(int(x), int(y));
    const int v = (y % 2 == 0 && x % 2 == 0) ? qRed(p) : (y % 2 && x % 2) ? qBlue(p) : qGreen(p);
    return uint16_t(std::lround(std::pow(v / 255.0, 2.2) * 65535));
  }));
}

// A camera raw the chain shrinks develops at half size (the rule stops at 1/2 for it even
// where a JPEG would go to 1/4), keeps the sizes of the full development, and comes out
// within 40 dB of the exact path; --exact develops it at full size.
TEST_F(ShrinkTest, CameraRawsDevelopAtHalfSizeWhenTheChainShrinks) {
  const fs::path dir = gallivo::test::freshDir("raw");
  const QImage wood(QStringLiteral("/usr/share/backgrounds/mate/nature/Wood.jpg"));
  ASSERT_FALSE(wood.isNull()) << "real photograph missing: install the package mate-backgrounds";
  WriteDng(dir / "wood.dng", wood.scaled(2400, 1800, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  CSetMgr& s = CSetMgr::Instance();
  s.ResetToDefaults();
  s.set_bPhotoResize(1);
  s.set_nResizeSimpleType(0);  // 310 wide: a JPEG of this size would decode at 1/4
  const std::vector<PictureItem> items = Items({dir / "wood.dng"});
  for (bool exact : {false, true}) {
    SCOPED_TRACE(exact ? "exact" : "shrink-on-load");
    JobContext::Instance().exactDecode = exact;
    ImageSlot slot;
    ASSERT_TRUE(LoadStep().Process(items[0], slot)) << slot.detail.toStdString();
    const ImageOwner loaded(slot.image);
    EXPECT_EQ(zv::Width(loaded.get()), exact ? 2400 : 1200);
    EXPECT_EQ(slot.fullSize, exact ? QSize() : QSize(2400, 1800));
  }
  const std::vector<fs::path> exact = Slim(items, dir / "exact", true);
  const std::vector<fs::path> shrunk = Slim(items, dir / "shrunk", false);
  ASSERT_EQ(exact.size(), 1u);
  ASSERT_EQ(shrunk.size(), 1u);
  const QImage a = ReadPicture(exact[0]), b = ReadPicture(shrunk[0]);
  ASSERT_FALSE(a.isNull());
  EXPECT_EQ(a.size(), QSize(310, 232));
  EXPECT_EQ(a.size(), b.size());
  EXPECT_GE(LumaPsnr(a, b), 40.0);
}

TEST_F(ShrinkTest, ShowcasePrePassReadsJpegHeadersAndDropsWhatFailsLater) {
  const fs::path dir = gallivo::test::freshDir("prepass");
  // A JPEG stored 800 x 600, a PNG 300 x 400, and a JPEG whose header is whole but whose
  // data stop after a few bytes (the header-only read counts it; its decode fails).
  WritePicture(dir / "a.jpg", Pattern(800, 600, 1));
  WritePicture(dir / "b.png", Pattern(300, 400, 2), ZV_TYPE_PNG);
  WritePicture(dir / "c.jpg", Pattern(900, 300, 3));
  {
    QFile cut(Q(dir / "c.jpg"));
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    const QByteArray bytes = cut.readAll();
    const qsizetype scan = bytes.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(scan, 0);
    cut.resize(scan + 40);
  }
  CSetMgr& s = CSetMgr::Instance();
  ShowcasePrePass(Items({dir / "a.jpg", dir / "b.png", dir / "c.jpg"}));
  EXPECT_EQ(s.nGIFWidth(), 500);   // 800 x 600 -> 500 x 375, 900 x 300 -> 500 x 166
  EXPECT_EQ(s.nGIFHeight(), 400);  // 300 x 400 stays
  EXPECT_EQ(s.nGIFFrameCount(), 3);

  // The run: the cut JPEG fails in its chain, the GIF holds the other two.
  s.set_bPhotoGIF(1);
  s.set_strGIFPath(Q(dir / "show.gif"));
  s.set_strExportDir(Q(dir) + QLatin1Char('/'));
  const ExportSummary summary = RunJob(Items({dir / "a.jpg", dir / "b.png", dir / "c.jpg"}));
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_TRUE(summary.failures[0].source.endsWith(QLatin1String("c.jpg")));
  EXPECT_TRUE(summary.gifWritten) << summary.gifError.toStdString();
  std::string frames;
  ASSERT_EQ(gallivo::test::run("identify -format '%wx%h\\n' '" + (dir / "show.gif").string() + "'", &frames), 0)
      << "identify failed (package imagemagick)";
  EXPECT_EQ(frames, "500x400\n500x400\n");
}

}  // namespace

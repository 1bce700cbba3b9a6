// Rounded corners, frames and the size estimate on engine pictures.
#include <QFile>
#include <thread>

#include "CornerStep.h"
#include "FrameCatalogue.h"
#include "FrameStep.h"
#include "SizeEstimate.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

class EffectsTest : public BatchTest {};

QImage Grey(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(qRgb(100, 100, 100));
  return img;
}

// Runs one step on a copy of the picture and gives the result.
QImage Apply(ProcessStep& step, const QImage& picture, ImageSlot* outcome = nullptr, bool* through = nullptr) {
  ImageSlot slot;
  slot.image = EngineImage(picture).release();
  const bool ok = step.Process(PictureItem{}, slot);
  if (through) *through = ok;
  QImage out = zv::ToQImage(slot.image);
  ReleaseImage(slot.image);
  if (outcome) *outcome = slot;
  return out;
}

bool White(QRgb p) { return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255; }
bool Unchanged(QRgb p) { return qRed(p) == 100 && qGreen(p) == 100 && qBlue(p) == 100; }

TEST_F(EffectsTest, CornerMaskIsWhiteOutsideTheArcAndBlackInside) {
  const QImage mask = CornerMask(20);
  ASSERT_EQ(mask.size(), QSize(20, 20));
  EXPECT_TRUE(White(mask.pixel(0, 0)));
  EXPECT_EQ(mask.pixel(19, 19) & 0xFFFFFF, 0u);
  EXPECT_EQ(mask.pixel(10, 10) & 0xFFFFFF, 0u);  // inside the circle of radius 20 around (20, 20)
  // Along the arc the edge is anti-aliased: some grey between white and black.
  bool grey = false;
  for (int x = 0; x < 20; ++x) {
    const int v = qRed(mask.pixel(x, 3));
    grey = grey || (v > 0 && v < 255);
  }
  EXPECT_TRUE(grey);
}

TEST_F(EffectsTest, CornersFollowTheCombination) {
  struct Case {
    int combination;
    bool tl, tr, br, bl;  // which corners turn white
  };
  const Case cases[] = {
      {0, true, true, true, true},     {1, true, false, false, false},  {2, false, false, false, true},
      {3, false, true, false, false},  {4, false, false, true, false},  {5, true, false, false, true},
      {6, false, true, true, false},   {7, true, true, false, false},   {8, false, false, true, true},
      {9, true, false, true, false},   {10, false, true, false, true},  {11, false, false, false, false},
      {-1, false, false, false, false},
  };
  CSetMgr& s = CSetMgr::Instance();
  s.set_nFrameRoundRize(1);  // radius 20
  const int w = 300, h = 200;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.combination);
    s.set_nFrameRoundPos(c.combination);
    CornerStep step;
    bool through = false;
    const QImage out = Apply(step, Grey(w, h), nullptr, &through);
    EXPECT_TRUE(through);
    ASSERT_EQ(out.size(), QSize(w, h));
    const struct {
      bool expected;
      QPoint corner, inner;
    } corners[] = {
        {c.tl, {0, 0}, {19, 19}},
        {c.tr, {w - 1, 0}, {w - 20, 19}},
        {c.br, {w - 1, h - 1}, {w - 20, h - 20}},
        {c.bl, {0, h - 1}, {19, h - 20}},
    };
    for (const auto& k : corners) {
      EXPECT_EQ(White(out.pixel(k.corner)), k.expected) << k.corner.x() << "," << k.corner.y();
      EXPECT_EQ(Unchanged(out.pixel(k.corner)), !k.expected);
      EXPECT_TRUE(Unchanged(out.pixel(k.inner))) << k.inner.x() << "," << k.inner.y();
    }
    EXPECT_TRUE(Unchanged(out.pixel(w / 2, h / 2)));
  }
}

TEST_F(EffectsTest, CornerRadiusChoices) {
  struct Case {
    int choice, radius;
  };
  const Case cases[] = {{0, 10}, {1, 20}, {2, 30}, {3, 0}, {7, 0}, {-1, 0}};
  for (const Case& c : cases) EXPECT_EQ(CornerRadius(c.choice), c.radius) << c.choice;
  // Radius 0 leaves the picture as it is.
  CSetMgr::Instance().set_nFrameRoundRize(7);
  CornerStep step;
  const QImage out = Apply(step, Grey(50, 40));
  EXPECT_TRUE(Unchanged(out.pixel(0, 0)));
}

TEST_F(EffectsTest, PictureSmallerThanTheRadiusIsClipped) {
  CSetMgr::Instance().set_nFrameRoundRize(2);  // 30 on a 12 x 8 picture
  CornerStep step;
  bool through = false;
  const QImage out = Apply(step, Grey(12, 8), nullptr, &through);
  EXPECT_TRUE(through);
  EXPECT_EQ(out.size(), QSize(12, 8));
  EXPECT_TRUE(White(out.pixel(0, 0)));
}

TEST_F(EffectsTest, FrameCropKeepsTheMiddleBandOfTheWindowsShape) {
  struct Case {
    uint32_t w, h;
    ZvRect window;
    ZvRect crop;
  };
  const Case cases[] = {
      {600, 800, {0, 0, 400, 300}, {0, 175, 600, 625}},
      {600, 400, {0, 0, 400, 300}, {0, 0, 0, 0}},     // h' = 450 >= 400: no crop
      {1000, 1000, {10, 20, 210, 120}, {0, 250, 1000, 750}},
      {600, 800, {5, 5, 5, 300}, {0, 0, 0, 0}},       // a window without width
      {600, 800, {0, 300, 400, 0}, {0, 0, 0, 0}},     // upside-down window: no shape
  };
  for (const Case& c : cases) {
    const ZvRect r = FrameCrop(c.w, c.h, c.window);
    EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
              std::tie(c.crop.left, c.crop.top, c.crop.right, c.crop.bottom))
        << c.w << "x" << c.h;
  }
}

TEST_F(EffectsTest, FrameFromTheCatalogueAndItsFailures) {
  FrameCatalogue& catalogue = FrameCatalogue::Instance();
  catalogue.Clear();
  ASSERT_TRUE(catalogue.LoadCatalogue()) << FrameCatalogue::FramesFolder().toStdString();
  ASSERT_GT(catalogue.Count(), 0);
  CSetMgr& s = CSetMgr::Instance();
  // Every shipped frame puts the picture into a larger one.
  for (int i = 0; i < catalogue.Count(); ++i) {
    SCOPED_TRACE(catalogue.Entry(i)->framePath.toStdString());
    s.set_nFrameFileIndex(i);
    FrameStep step;
    bool through = false;
    const QImage out = Apply(step, Pattern(300, 200), nullptr, &through);
    EXPECT_TRUE(through);
    EXPECT_FALSE(out.isNull());
    EXPECT_GT(out.width() * out.height(), 300 * 200);
  }
  // Outside the catalogue: the picture fails with its reason.
  for (int index : {catalogue.Count(), -1, 100000}) {
    s.set_nFrameFileIndex(index);
    FrameStep step;
    ImageSlot outcome;
    bool through = true;
    Apply(step, Pattern(30, 20), &outcome, &through);
    EXPECT_FALSE(through);
    EXPECT_EQ(outcome.failure, FailureKind::FrameMissing);
  }
}

TEST_F(EffectsTest, FrameFilesThatAreMissingUnknownOrBroken) {
  const fs::path dir = gallivo::test::freshDir("frames");
  // Provokes the template's load failure: a multi-window frame file of garbage bytes.
  {
    QFile f(Q(dir / "broken.zlve"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a frame file at all");
  }
  QFile(Q(dir / "frame.xyz")).open(QIODevice::WriteOnly);  // a kind the engine does not know
  {
    QFile xml(Q(dir / "frames_config.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write("<frames>"
              "<item><frame_name>gone</frame_name><frame_path>gone.zlve</frame_path></item>"
              "<item><frame_name>odd</frame_name><frame_path>frame.xyz</frame_path></item>"
              "<item><frame_name>broken</frame_name><frame_path>broken.zlve</frame_path></item>"
              "</frames>");
  }
  FrameCatalogue& catalogue = FrameCatalogue::Instance();
  catalogue.Clear();
  ASSERT_TRUE(catalogue.LoadCatalogueFrom(Q(dir / "frames_config.xml"), Q(dir) + QLatin1Char('/')));
  struct Case {
    int index;
    bool through;
    FailureKind failure;
  };
  const Case cases[] = {
      {0, false, FailureKind::FrameMissing},
      {1, false, FailureKind::FrameMissing},
      {2, true, FailureKind::None},  // cannot be opened: the picture goes on unframed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    CSetMgr::Instance().set_nFrameFileIndex(c.index);
    FrameStep step;
    ImageSlot outcome;
    bool through = !c.through;
    const QImage out = Apply(step, Pattern(30, 20), &outcome, &through);
    EXPECT_EQ(through, c.through);
    EXPECT_EQ(outcome.failure, c.failure);
    if (c.through) { EXPECT_EQ(out.size(), QSize(30, 20)); }
  }
  catalogue.Clear();
}

TEST_F(EffectsTest, ResizeRunsAgainAfterTheFrame) {
  FrameCatalogue::Instance().Clear();
  ASSERT_TRUE(FrameCatalogue::Instance().LoadCatalogue());
  const fs::path src = gallivo::test::freshDir("reframe-src"), out = gallivo::test::freshDir("reframe-out");
  WritePicture(src / "wide.jpg", Pattern(1200, 800));
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoResize(1);
  s.set_nResizeSimpleType(0);  // 310
  s.set_bPhotoFrames(1);
  s.set_nFrameType(1);
  s.set_nFrameFileIndex(0);
  s.set_strExportDir(Q(out) + QLatin1Char('/'));
  const ExportSummary summary = RunJob(Items({src / "wide.jpg"}));
  ASSERT_EQ(summary.written, 1);
  EXPECT_EQ(ReadPicture(out / "wide.jpg").width(), 310);
}

// The estimate as described: every pixel set one by one through the engine.
int32_t EstimateByPixels(int32_t n, int32_t q) {
  ImageOwner image = NewImage();
  if (!image->ops->Create(image.get(), uint32_t(n), uint32_t(n), 24, 1)) return 0;
  for (int32_t x = 0; x < n; ++x)
    for (int32_t y = 0; y < n; ++y) {
      const ZvRGBQuad c{uint8_t(x % 256), uint8_t((y >> (x % 8)) % 256), uint8_t((x >> (x % 8)) % 256), 0};
      image->ops->SetPixelColor(image.get(), x, y, c, false);
    }
  image->ops->SetJpegQuality(image.get(), uint8_t(q));
  StreamOwner counter(Engine().g(u"dummy"));
  if (!counter || !image->ops->Encode(image.get(), counter.get(), ZV_TYPE_JPG)) return 0;
  return int32_t(counter->ops->Size(counter.get()));
}

TEST_F(EffectsTest, SizeEstimateMatchesThePixelByPixelPicture) {
  struct Case {
    int32_t n, q;
  };
  const Case cases[] = {{1, 75}, {37, 85}, {310, 75}, {500, 65}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const int32_t bytes = SizeEstimate(c.n, c.q);
    EXPECT_GT(bytes, 0);
    EXPECT_EQ(bytes, EstimateByPixels(c.n, c.q));
  }
  // Higher quality costs more bytes.
  EXPECT_GT(SizeEstimate(500, 85), SizeEstimate(500, 65));
  EXPECT_EQ(SizeEstimate(0, 75), 0);
  EXPECT_EQ(SizeEstimate(-5, 75), 0);
  EXPECT_EQ(SizeEstimate(100000, 75), 0);  // refused, not allocated
}

TEST_F(EffectsTest, SizeEstimateFromSeveralThreadsAtOnce) {
  const int32_t expected = SizeEstimate(300, 75);
  int32_t got[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([&, i] { got[i] = SizeEstimate(300, 75); });
  for (auto& t : threads) t.join();
  for (int32_t g : got) EXPECT_EQ(g, expected);
}

}  // namespace

// The showcase GIF: canvas from the pre-pass, pictures fitted and centred, frames in list
// order whatever the workers' timing, a picture failing after the pre-pass left out rather
// than spoiling the GIF. The written files are judged by PIL.
#include <QFile>
#include <sstream>

#include "GifCollector.h"
#include "GifSteps.h"
#include "ShowcasePrePass.h"
#include "batch_support.h"

namespace {

using namespace batchtest;

struct GifFrame {
  int duration, r, g, b;
};
struct GifInfo {
  int frames = 0, width = 0, height = 0;
  std::string loop;
  std::vector<GifFrame> list;
};

// What PIL makes of a GIF (python3-pil).
GifInfo ReadWithPil(const fs::path& gif) {
  GifInfo info;
  const std::string python = "/usr/bin/python3";
  if (gallivo::test::run(python + " -c 'import PIL' 2>/dev/null") != 0) {
    ADD_FAILURE() << "PIL is missing: install the Debian package python3-pil";
    return info;
  }
  std::string out;
  const int rc = gallivo::test::run(python + " " + (gallivo::test::sourceDir() / "tests/batch/gif_info.py").string() +
                                        " '" + gif.string() + "'",
                                    &out);
  EXPECT_EQ(rc, 0) << out;
  std::istringstream in(out);
  in >> info.frames >> info.width >> info.height >> info.loop;
  GifFrame f;
  while (in >> f.duration >> f.r >> f.g >> f.b) info.list.push_back(f);
  return info;
}

QImage Solid(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

bool Near(const GifFrame& f, QRgb c) {
  return std::abs(f.r - qRed(c)) < 60 && std::abs(f.g - qGreen(c)) < 60 && std::abs(f.b - qBlue(c)) < 60;
}

class ShowcaseTest : public BatchTest {};

TEST_F(ShowcaseTest, CanvasFromThePrePassAndPicturesCentredOnIt) {
  const fs::path dir = gallivo::test::freshDir("canvas");
  const QSize sizes[] = {{800, 600}, {600, 800}, {400, 300}};
  std::vector<fs::path> files;
  for (const QSize& s : sizes) {
    files.push_back(dir / (std::to_string(s.width()) + "x" + std::to_string(s.height()) + ".png"));
    WritePicture(files.back(), Solid(s.width(), s.height(), qRgb(0, 0, 0)), ZV_TYPE_PNG);
  }
  files.push_back(dir / "missing.png");  // not counted
  ShowcasePrePass(Items(files));
  CSetMgr& s = CSetMgr::Instance();
  EXPECT_EQ(s.nGIFWidth(), 500);
  EXPECT_EQ(s.nGIFHeight(), 500);
  EXPECT_EQ(s.nGIFFrameCount(), 3);
  EXPECT_EQ(GifCollector::Instance().FrameCount(), 3);

  struct Case {
    QSize source, fitted;
    QPoint offset;
    QRect blackTopDown;  // where the picture lands, counted from the top-left
  };
  // The paste offset counts from the bottom row, as the engine's PasteAt does.
  const Case cases[] = {
      {{800, 600}, {500, 375}, {0, 62}, QRect(0, 63, 500, 375)},
      {{600, 800}, {375, 500}, {62, 0}, QRect(62, 0, 375, 500)},
      {{400, 300}, {400, 300}, {50, 100}, QRect(50, 100, 400, 300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source.width());
    const CanvasPlace place = FitOnCanvas(c.source.width(), c.source.height(), 500, 500);
    EXPECT_EQ(place.size, c.fitted);
    EXPECT_EQ(place.offset, c.offset);
    ImageSlot slot;
    slot.image = EngineImage(Solid(c.source.width(), c.source.height(), qRgb(0, 0, 0))).release();
    ASSERT_TRUE(GifFitStep().Process(PictureItem{}, slot));
    const QImage out = zv::ToQImage(slot.image);
    ReleaseImage(slot.image);
    ASSERT_EQ(out.size(), QSize(500, 500));
    const QRect b = c.blackTopDown;
    auto black = [&](int x, int y) { return (out.pixel(x, y) & 0xFFFFFF) == 0; };
    EXPECT_TRUE(black(b.left(), b.top()));
    EXPECT_TRUE(black(b.right(), b.bottom()));
    if (b.top() > 0) { EXPECT_FALSE(black(b.left(), b.top() - 1)); }
    if (b.left() > 0) { EXPECT_FALSE(black(b.left() - 1, b.top())); }
    if (b.bottom() < 499) { EXPECT_FALSE(black(b.right(), b.bottom() + 1)); }
  }
  ShowcasePrePass({});
  EXPECT_EQ(s.nGIFWidth(), 0);
  EXPECT_EQ(s.nGIFFrameCount(), 0);
}

TEST_F(ShowcaseTest, LimitFollowsTheSlimmingWidth) {
  struct Case {
    int resize, type, width, limit;
  };
  const Case cases[] = {{0, 2, 640, 500}, {1, 0, 640, 310}, {1, 1, 640, 500}, {1, 2, 640, 700},
                        {1, 3, 640, 640}, {1, 9, 640, 500}};
  for (const Case& c : cases) {
    CSetMgr& s = CSetMgr::Instance();
    s.set_bPhotoResize(c.resize);
    s.set_nResizeSimpleType(c.type);
    s.set_nResizeWidth(c.width);
    EXPECT_EQ(ShowcaseLimit(s), c.limit) << c.resize << " " << c.type;
  }
  EXPECT_EQ(ShowcaseFit(800, 600, 500), QSize(500, 375));
  EXPECT_EQ(ShowcaseFit(600, 800, 500), QSize(375, 500));
  EXPECT_EQ(ShowcaseFit(400, 300, 500), QSize(400, 300));
}

// Corrupts the file of one picture as it is handed out: it loaded in the pre-pass and now
// fails in its chain.
class BreakingSource : public FixedPictureSource {
 public:
  BreakingSource(std::vector<PictureItem> items, int victim) : FixedPictureSource(std::move(items)), victim_(victim) {}
  bool Next(PictureItem& out) override {
    if (!FixedPictureSource::Next(out)) return false;
    if (out.index == victim_) {
      QFile f(out.OpenPath());
      f.open(QIODevice::WriteOnly | QIODevice::Truncate);
      f.write("gone");
    }
    return true;
  }

 private:
  int victim_;
};

const QRgb kColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                         qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};

ExportSummary RunShowcase(const fs::path& dir, const fs::path& gif, int victim) {
  std::vector<fs::path> files;
  for (int i = 0; i < 6; ++i) {
    files.push_back(dir / ("c" + std::to_string(i) + ".png"));
    // Different sizes, so the two workers finish out of step.
    WritePicture(files.back(), Solid(200 + 150 * ((i * 7) % 4), 150 + 40 * i, kColours[i]), ZV_TYPE_PNG);
  }
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoGIF(1);
  s.set_nGIFSpeed(250);
  s.set_strGIFPath(Q(gif));
  BreakingSource source(Items(files), victim);
  ExportJob job(source);
  job.Start();
  job.Wait();
  return job.Summary();
}

TEST_F(ShowcaseTest, FramesInListOrderAndALateFailureLeftOut) {
  const fs::path dir = gallivo::test::freshDir("order");
  const ExportSummary s = RunShowcase(dir, dir / "show.gif", 2);
  EXPECT_TRUE(s.showcase);
  EXPECT_TRUE(s.gifWritten) << s.gifError.toStdString();
  EXPECT_EQ(s.written, 5);
  ASSERT_EQ(s.failures.size(), 1);
  EXPECT_EQ(s.failures[0].kind, FailureKind::Unreadable);
  const GifInfo info = ReadWithPil(dir / "show.gif");
  EXPECT_EQ(info.frames, 5);
  EXPECT_EQ(info.loop, "0");
  EXPECT_EQ(QSize(info.width, info.height), QSize(500, 310));
  ASSERT_EQ(info.list.size(), 5u);
  const int expected[] = {0, 1, 3, 4, 5};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(info.list[i].duration, 250) << i;
    EXPECT_TRUE(Near(info.list[i], kColours[expected[i]]))
        << "frame " << i << ": " << info.list[i].r << " " << info.list[i].g << " " << info.list[i].b;
  }
}

TEST_F(ShowcaseTest, SameListGivesTheSameGifEveryRun) {
  const fs::path a = gallivo::test::freshDir("same-a"), b = gallivo::test::freshDir("same-b");
  ASSERT_TRUE(RunShowcase(a, a / "show.gif", -1).gifWritten);
  ASSERT_TRUE(RunShowcase(b, b / "show.gif", -1).gifWritten);
  QFile x(Q(a / "show.gif")), y(Q(b / "show.gif"));
  ASSERT_TRUE(x.open(QIODevice::ReadOnly) && y.open(QIODevice::ReadOnly));
  EXPECT_EQ(x.readAll(), y.readAll());
  EXPECT_EQ(ReadWithPil(a / "show.gif").frames, 6);
}

TEST_F(ShowcaseTest, NothingOrOnePictureLeft) {
  const fs::path dir = gallivo::test::freshDir("few");
  WritePicture(dir / "only.png", Solid(300, 200, kColours[2]), ZV_TYPE_PNG);
  QFile(Q(dir / "bad.png")).open(QIODevice::WriteOnly);
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoGIF(1);
  // Every picture unreadable: no canvas, no file, the reason given.
  s.set_strGIFPath(Q(dir / "none.gif"));
  ExportSummary none = RunJob(Items({dir / "bad.png", dir / "missing.png"}));
  EXPECT_FALSE(none.gifWritten);
  EXPECT_FALSE(none.gifError.isEmpty());
  EXPECT_EQ(none.failures.size(), 2);
  EXPECT_FALSE(fs::exists(dir / "none.gif"));
  // One readable picture: a one-picture GIF of the canvas size, not a 1 x 1 canvas.
  s.set_strGIFPath(Q(dir / "one.gif"));
  ExportSummary one = RunJob(Items({dir / "bad.png", dir / "only.png"}));
  EXPECT_TRUE(one.gifWritten) << one.gifError.toStdString();
  const GifInfo info = ReadWithPil(dir / "one.gif");
  EXPECT_EQ(info.frames, 1);
  EXPECT_EQ(QSize(info.width, info.height), QSize(300, 200));
}

}  // namespace

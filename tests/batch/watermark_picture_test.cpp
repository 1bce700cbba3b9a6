// The picture watermark on engine pictures: transparency times the logo's own alpha, the turned
// box and its placement, the formats Qt reads, and missing, corrupt and oversized files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <filesystem>

#include "PictureMarkStep.h"
#include "SetMgr.h"
#include "TestEnv.h"
#include "watermark_fixture.h"

using namespace wmtest;

namespace {

class PictureMark : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EngineBound());
    CSetMgr::Instance().ResetToDefaults();
    dir_ = QString::fromStdString(gallivo::test::freshDir("marks").string());
  }
  void TearDown() override { CSetMgr::Instance().ResetToDefaults(); }

  // A logo of one colour (with its alpha) saved as `name`.
  QString Logo(const QString& name, int w, int h, QColor color, const char* format = "PNG") {
    QImage logo(w, h, QImage::Format_ARGB32);
    logo.fill(color);
    const QString path = dir_ + "/" + name;
    EXPECT_TRUE(logo.save(path, format)) << name.toStdString();
    return path;
  }
  QString Bytes(const QString& name, const QByteArray& bytes) {
    const QString path = dir_ + "/" + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  // Runs the step with the settings given, on a black picture.
  bool Stamp(ImageOwner& pic, ImageSlot& slot) {
    slot.image = pic.get();
    return PictureMarkStep().Process(PictureItem{}, slot);
  }

  QString dir_;
};

struct OpacityCase {
  const char* what;
  int logoAlpha;
  int transparent;
  int expectRed;  // red logo over black
};

TEST_F(PictureMark, TransparencyScalesTheLogosOwnAlpha) {
  const OpacityCase cases[] = {
      {"opaque logo, transparency 20: 80 %", 255, 20, 204},
      {"half-transparent logo, transparency 20: 40 %", 128, 20, 102},
      {"opaque logo, transparency 0", 255, 0, 255},
      {"transparency 100 draws nothing", 255, 100, 0},
      {"a fully transparent logo draws nothing", 0, 0, 0},
  };
  for (const OpacityCase& c : cases) {
    CSetMgr& s = CSetMgr::Instance();
    s.set_strMarkPicPath(Logo("logo.png", 20, 10, QColor(255, 0, 0, c.logoAlpha)));
    s.set_nMarkTransparent(c.transparent);
    s.set_nMarkPosSimple(2);
    ImageOwner pic = MakePicture(100, 80, Qt::black);
    ImageSlot slot;
    ASSERT_TRUE(Stamp(pic, slot)) << c.what;
    EXPECT_EQ(pic->ops->GetDepth(pic.get()), 24);
    const QRgb inside = PixelAt(pic.get(), 20, 20);
    EXPECT_NEAR(qRed(inside), c.expectRed, 2) << c.what;
    EXPECT_EQ(qGreen(inside), 0) << c.what;
    EXPECT_EQ(PixelAt(pic.get(), 40, 30), qRgb(0, 0, 0)) << c.what;
  }
}

TEST_F(PictureMark, PlacesTheTurnedBox) {
  struct Case {
    const char* what;
    int w, h, rotate, position, top, left;
    QRect expect;  // changed pixels on a 400 x 300 picture
    int tolerance;
  };
  const Case cases[] = {
      {"no turn, top left, 15 px margins", 30, 20, 0, 2, 15, 15, QRect(15, 15, 30, 20), 0},
      {"no turn, bottom right", 30, 20, 0, 0, 15, 15, QRect(400 - 15 - 30, 300 - 15 - 20, 30, 20), 0},
      {"left centre, first margin 20", 30, 20, 0, 6, 20, 99, QRect(20, 140, 30, 20), 0},
      {"90 degrees swaps the box", 30, 20, 90, 2, 15, 15, QRect(15, 15, 20, 30), 0},
      {"45 degrees: a 100 x 100 logo gives about 142 x 142, centred", 100, 100, 45, 8, 0, 0,
       QRect(129, 79, 142, 142), 2},
  };
  for (const Case& c : cases) {
    CSetMgr& s = CSetMgr::Instance();
    s.set_strMarkPicPath(Logo("logo.png", c.w, c.h, QColor(255, 255, 255)));
    s.set_nMarkTransparent(0);
    s.set_nMarkRotate(c.rotate);
    s.set_nMarkPosSimple(c.position);
    s.set_nMarkPosTop(c.top);
    s.set_nMarkPosLeft(c.left);
    ImageOwner pic = MakePicture(400, 300, Qt::black);
    ImageSlot slot;
    ASSERT_TRUE(Stamp(pic, slot)) << c.what;
    const Changed got = ChangedPixels(Pixels(pic.get()), qRgb(0, 0, 0));
    EXPECT_NEAR(got.box.left(), c.expect.left(), c.tolerance) << c.what;
    EXPECT_NEAR(got.box.top(), c.expect.top(), c.tolerance) << c.what;
    EXPECT_NEAR(got.box.width(), c.expect.width(), c.tolerance) << c.what;
    EXPECT_NEAR(got.box.height(), c.expect.height(), c.tolerance) << c.what;
    if (c.tolerance == 0) {
      EXPECT_EQ(got.count, int64_t(c.w) * c.h) << c.what;
    }
  }
  QTransform turn;
  const MarkBox box = TurnedPictureBox(100, 100, 45, &turn);
  EXPECT_EQ(box.width, 142);
  EXPECT_EQ(box.height, 142);
}

TEST_F(PictureMark, TilesOfAOnePixelLogoCoverEveryPixel) {
  CSetMgr& s = CSetMgr::Instance();
  s.set_strMarkPicPath(Logo("dot.png", 1, 1, QColor(0, 0, 255)));
  s.set_nMarkTransparent(0);
  s.set_nMarkPosStyle(1);
  s.set_nMarkSpace(0);
  ImageOwner pic = MakePicture(64, 48, Qt::black);
  ImageSlot slot;
  ASSERT_TRUE(Stamp(pic, slot));
  const QImage px = Pixels(pic.get());
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(px.pixel(x, y), qRgb(0, 0, 255)) << x << "," << y;
}

TEST_F(PictureMark, ReadsTheCommonFormats) {
  struct Format {
    const char* name;
    const char* format;
    const char* package;  // of Qt's reader
  };
  const Format formats[] = {{"logo.png", "png", "libqt6gui6"},
                            {"logo.jpg", "jpeg", "qt6-base (libqjpeg)"},
                            {"logo.gif", "gif", "qt6-base (libqgif)"},
                            {"logo.bmp", "bmp", "libqt6gui6"},
                            {"logo.tif", "tiff", "qt6-image-formats-plugins"}};
  ASSERT_TRUE(gallivo::test::haveTool("convert")) << "convert missing: install imagemagick";
  const QString png = Logo("source.png", 16, 8, QColor(255, 255, 255));
  for (const Format& f : formats) {
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains(f.format))
        << f.format << " reading missing: install " << f.package;
    // Written by ImageMagick, not by the reader under test.
    const QString path = dir_ + "/" + f.name;
    ASSERT_EQ(gallivo::test::run("convert '" + png.toStdString() + "' '" + path.toStdString() + "'"), 0) << f.name;
    QString why;
    const QImage logo = ReadMarkPicture(path, &why);
    ASSERT_FALSE(logo.isNull()) << f.name << ": " << why.toStdString();
    EXPECT_EQ(logo.size(), QSize(16, 8)) << f.name;
    EXPECT_NEAR(qRed(logo.pixel(3, 3)), 255, 3) << f.name;
  }
}

// A PNG announcing width x height with a few bytes of pixel data: readers learn the size from
// the header, and decoding runs out of data.
QByteArray PngHeaderOnly(uint32_t width, uint32_t height) {
  auto crc = [](const QByteArray& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (char ch : data) {
      c ^= uint8_t(ch);
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
  };
  auto chunk = [&](const char* type, const QByteArray& body) {
    QByteArray out(4, '\0');
    qToBigEndian<uint32_t>(uint32_t(body.size()), out.data());
    const QByteArray typed = QByteArray(type) + body;
    out += typed;
    QByteArray sum(4, '\0');
    qToBigEndian<uint32_t>(crc(typed), sum.data());
    return out + sum;
  };
  QByteArray ihdr(13, '\0');
  qToBigEndian<uint32_t>(width, ihdr.data());
  qToBigEndian<uint32_t>(height, ihdr.data() + 4);
  ihdr[8] = 8;  // bit depth
  ihdr[9] = 6;  // RGBA
  const QByteArray idat = qCompress(QByteArray(64, '\0')).mid(4);  // a zlib stream
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", idat) + chunk("IEND", {});
}

TEST_F(PictureMark, MissingFilesStopThePictureWithTheirReason) {
  struct Case {
    const char* what;
    QString path;
  };
  const QString folder = dir_ + "/a-folder.png";
  ASSERT_TRUE(QDir().mkpath(folder));
  const Case cases[] = {
      {"no path chosen", QString()},
      {"the file is gone", dir_ + "/gone.png"},
      {"a folder is not a picture", folder},
  };
  for (const Case& c : cases) {
    CSetMgr::Instance().set_strMarkPicPath(c.path);
    ImageOwner pic = MakePicture(50, 40, Qt::black);
    ImageSlot slot;
    EXPECT_FALSE(Stamp(pic, slot)) << c.what;
    EXPECT_EQ(slot.failure, FailureKind::WatermarkMissing) << c.what;
    EXPECT_FALSE(slot.detail.isEmpty()) << c.what;
    EXPECT_EQ(slot.image, pic.get()) << c.what;  // the picture stays in the slot
  }
  ImageSlot empty;
  CSetMgr::Instance().set_strMarkPicPath(Logo("logo.png", 4, 4, Qt::white));
  EXPECT_FALSE(PictureMarkStep().Process(PictureItem{}, empty));
}

TEST_F(PictureMark, UnreadableAndOversizedPicturesAreEmptyMarks) {
  QByteArray corrupt = PngHeaderOnly(40, 40);
  corrupt[33 + 8] ^= 0x55;  // the pixel data's zlib header is damaged
  struct Case {
    const char* what;
    QString path;
  };
  const Case cases[] = {
      // A valid header, then pixel data that does not inflate.
      {"corrupt PNG", Bytes("corrupt.png", corrupt)},
      // A valid header and too little pixel data.
      {"truncated PNG", Bytes("short.png", PngHeaderOnly(40, 40))},
      {"not a picture at all", Bytes("text.png", "just some text\n")},
      {"empty file", Bytes("empty.png", {})},
      // 20000 x 20000 RGBA would take 1.6 GB: refused from the header, before decoding.
      {"20000 x 20000 pixels", Bytes("huge.png", PngHeaderOnly(20000, 20000))},
  };
  for (const Case& c : cases) {
    QString why;
    EXPECT_TRUE(ReadMarkPicture(c.path, &why).isNull()) << c.what;
    EXPECT_FALSE(why.isEmpty()) << c.what;
    if (QString(c.what).startsWith("20000")) {
      EXPECT_TRUE(why.contains("too large")) << why.toStdString();
    }
    for (int tiles : {0, 1}) {
      CSetMgr& s = CSetMgr::Instance();
      s.set_strMarkPicPath(c.path);
      s.set_nMarkPosStyle(tiles);
      s.set_nMarkSpace(0);
      ImageOwner pic = MakePicture(50, 40, Qt::black);
      const QByteArray before = Hash(Pixels(pic.get()));
      ImageSlot slot;
      EXPECT_TRUE(Stamp(pic, slot)) << c.what;
      EXPECT_EQ(slot.failure, FailureKind::None) << c.what;
      EXPECT_EQ(Hash(Pixels(pic.get())), before) << c.what;
    }
  }
  EXPECT_TRUE(ReadMarkPicture(dir_).isNull());
}

TEST_F(PictureMark, PicturesWithAlphaKeepIt) {
  // The left half of the picture is transparent (an alpha plane, as rounded corners leave it).
  ImageOwner pic = MakePicture(60, 40, Qt::black);
  ASSERT_TRUE(pic->ops->RoundRectToAlpha(pic.get(), ZvRect{30, 0, 60, 40}, 0, 0));
  ASSERT_EQ(pic->ops->GetPixelColor(pic.get(), 20, 20, true).reserved, 0);
  CSetMgr& s = CSetMgr::Instance();
  s.set_strMarkPicPath(Logo("logo.png", 10, 10, QColor(255, 255, 255)));
  s.set_nMarkTransparent(0);
  s.set_nMarkPosSimple(2);
  s.set_nMarkPosTop(0);
  s.set_nMarkPosLeft(0);
  ImageSlot slot;
  ASSERT_TRUE(Stamp(pic, slot));
  EXPECT_EQ(pic->ops->GetDepth(pic.get()), 24);
  // Under the opaque logo the picture became opaque white; elsewhere its alpha is kept.
  const ZvRGBQuad under = pic->ops->GetPixelColor(pic.get(), 5, pic->ops->GetHeight(pic.get()) - 1 - 5, true);
  EXPECT_EQ(under.red, 255);
  EXPECT_EQ(under.reserved, 255);
  EXPECT_EQ(pic->ops->GetPixelColor(pic.get(), 20, 20, true).reserved, 0);
  EXPECT_EQ(pic->ops->GetPixelColor(pic.get(), 45, 20, true).reserved, 255);
}

}  // namespace

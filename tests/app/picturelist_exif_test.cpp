// Camera JPEGs: the embedded EXIF thumbnail is used instead of decoding the photograph, turned
// upright; a thumbnail that does not decode falls back to the whole file.
#include <QBuffer>

#include "ThumbnailMaker.h"
#include "picturelist_support.h"

using namespace picturelist_test;

namespace {

// A 640 x 480 red photograph carrying a 160 x 120 green EXIF thumbnail (written by exiftool).
void writeCameraJpeg(const fs::path& path, const QByteArray& thumbnailBytes, int orientation = 1) {
  QImage photo(640, 480, QImage::Format_RGB32);
  photo.fill(qRgb(220, 20, 20));
  ASSERT_TRUE(photo.save(q(path), "JPG", 90));
  const fs::path thumb = path.string() + ".thumb.jpg";
  writeBytes(thumb, thumbnailBytes);
  ASSERT_TRUE(gallivo::test::haveTool("exiftool")) << "exiftool missing: install libimage-exiftool-perl";
  std::string out;
  ASSERT_EQ(gallivo::test::run("exiftool -q -overwrite_original -Orientation#=" + std::to_string(orientation) +
                                   " '-ThumbnailImage<=" + thumb.string() + "' '" + path.string() + "'",
                               &out),
            0)
      << out;
}

QByteArray greenThumbnail(int w, int h) {
  QImage thumb(w, h, QImage::Format_RGB32);
  thumb.fill(qRgb(20, 200, 40));
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 10; ++y) thumb.setPixel(x, y, qRgb(20, 20, 220));  // a blue top-left corner
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  thumb.save(&buffer, "JPG", 95);
  return bytes;
}

bool near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 && std::abs(qBlue(a) - qBlue(b)) < 40;
}

}  // namespace

TEST(PictureListExif, EmbeddedThumbnailIsUsedAndTurnedUpright) {
  bindEngine();
  const fs::path dir = freshDir("camera");
  writeCameraJpeg(dir / "upright.jpg", greenThumbnail(160, 120), 1);
  writeCameraJpeg(dir / "turned.jpg", greenThumbnail(160, 120), 6);  // camera held upright
  writeCameraJpeg(dir / "bad-thumb.jpg", QByteArray("\xff\xd8\xff\xdb garbage", 12), 1);

  // Colours within a JPEG tolerance of 40 per channel.
  const QImage upright = MakeThumbnail(q(dir / "upright.jpg"));
  ASSERT_EQ(upright.size(), QSize(115, 86));
  EXPECT_TRUE(near(upright.pixel(60, 43), qRgb(20, 200, 40))) << "not the embedded thumbnail";
  EXPECT_TRUE(near(upright.pixel(2, 2), qRgb(20, 20, 220)));

  // Orientation 6: the photograph is shown 480 x 640. The program's own reader does not report
  // the orientation, so a thumbnail lying across the picture gives way to the whole file.
  const QImage turned = MakeThumbnail(q(dir / "turned.jpg"));
  ASSERT_EQ(turned.size(), QSize(86, 115));
  const QRgb centre = turned.pixel(43, 57);
  EXPECT_TRUE(near(centre, qRgb(220, 20, 20)) || near(centre, qRgb(20, 200, 40)));
  if (near(centre, qRgb(20, 200, 40))) { EXPECT_TRUE(near(turned.pixel(83, 2), qRgb(20, 20, 220))); }

  const QImage fallback = MakeThumbnail(q(dir / "bad-thumb.jpg"));
  ASSERT_EQ(fallback.size(), QSize(115, 86));
  EXPECT_TRUE(near(fallback.pixel(60, 43), qRgb(220, 20, 20))) << "the whole file was not decoded";
}

// Engine pictures for the watermark tests, read back through the engine's own rows (row 0 is
// the bottom row), not through the Qt bridge under test.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QCryptographicHash>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>

#include "EngineApi.h"
#include "EngineObjects.h"

namespace wmtest {

inline bool EngineBound() {
  static const bool bound = [] {
    QString problem;
    const bool ok = BindEngine(&problem);
    if (!ok) ADD_FAILURE() << "engine not bound: " << problem.toStdString();
    return ok;
  }();
  return bound;
}

// A 24-bit engine picture of width x height in one colour.
inline ImageOwner MakePicture(int width, int height, QColor fill = Qt::black, uint32_t bpp = 24) {
  ImageOwner img = NewImage();
  if (!img) return img;
  if (!img->ops->Create(img.get(), uint32_t(width), uint32_t(height), bpp, 0)) return ImageOwner();
  if (bpp <= 8) {
    img->ops->SetGrayPalette(img.get());
  }
  const ZvRGBQuad c{uint8_t(fill.blue()), uint8_t(fill.green()), uint8_t(fill.red()), 0};
  img->ops->FillColor(img.get(), c, nullptr, false);
  return img;
}

// The colour at (x, y) counted from the top, from a 24-bit picture's own rows.
inline QRgb PixelAt(ZvImage* img, int x, int y) {
  const int height = int(img->ops->GetHeight(img));
  const uint8_t* row = img->ops->GetRow(img, height - 1 - y);
  const uint8_t* p = row + 3 * x;
  return qRgb(p[2], p[1], p[0]);
}

// Every pixel of a 24-bit picture as a top-down RGB32 image, read through GetRow.
inline QImage Pixels(ZvImage* img) {
  const int w = int(img->ops->GetWidth(img)), h = int(img->ops->GetHeight(img));
  QImage out(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.setPixel(x, y, PixelAt(img, x, y));
  return out;
}

inline QByteArray Hash(const QImage& image) {
  QByteArray bytes;
  for (int y = 0; y < image.height(); ++y)
    bytes.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The bounding rectangle of the pixels that differ from `background`, and how many there are.
struct Changed {
  QRect box;
  int64_t count = 0;
  int maxRed = 0;
};
inline Changed ChangedPixels(const QImage& image, QRgb background) {
  Changed c;
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if ((p & 0xFFFFFF) == (background & 0xFFFFFF)) continue;
      ++c.count;
      c.maxRed = std::max(c.maxRed, qRed(p));
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  if (right >= 0) c.box = QRect(QPoint(left, top), QPoint(right, bottom));
  return c;
}

}  // namespace wmtest

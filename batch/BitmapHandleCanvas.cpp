#include "BitmapHandleCanvas.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Bytes per row of a DIB section: rows are padded to 4 bytes.
qsizetype DibStride(int32_t width, int bits) { return qsizetype((int64_t(width) * bits + 31) / 32 * 4); }

// The colour table of an indexed handle, opaque.
QList<QRgb> HandlePalette(ZlvHBITMAP bitmap, int bits) {
  uint32_t count = 0;
  const auto* entries = static_cast<const uint8_t*>(zlvGetBitmapPalette(bitmap, &count));
  QList<QRgb> table;
  const uint32_t limit = 1u << bits;
  for (uint32_t i = 0; entries && i < count && i < limit; ++i)
    table.append(qRgb(entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]));
  while (table.size() < int(limit)) table.append(qRgb(0, 0, 0));
  return table;
}

// Reads an indexed handle into a top-down ARGB32 image.
QImage IndexedToImage(ZlvHBITMAP bitmap, const ZlvBitmapInfoHeader& h) {
  const int bits = h.biBitCount;
  const QList<QRgb> table = HandlePalette(bitmap, bits);
  const auto* base = static_cast<const uint8_t*>(zlvGetBitmapBits(bitmap));
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  QImage out(h.biWidth, height, QImage::Format_RGB32);
  if (!base || out.isNull()) return {};
  const qsizetype stride = DibStride(h.biWidth, bits);
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = base + stride * (h.biHeight > 0 ? height - 1 - y : y);
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < h.biWidth; ++x) {
      const int shift = (perByte - 1 - x % perByte) * bits;
      line[x] = table[(row[x / perByte] >> shift) & mask];
    }
  }
  return out;
}

// Writes a painted top-down image back into an indexed handle, nearest palette colour.
void ImageToIndexed(const QImage& painted, ZlvHBITMAP bitmap, const ZlvBitmapInfoHeader& h) {
  const int bits = h.biBitCount;
  const QImage indexed =
      painted.convertToFormat(QImage::Format_Indexed8, HandlePalette(bitmap, bits), Qt::ThresholdDither);
  auto* base = static_cast<uint8_t*>(zlvGetBitmapBits(bitmap));
  if (!base || indexed.isNull()) return;
  const int height = indexed.height();
  const qsizetype stride = DibStride(h.biWidth, bits);
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = base + stride * (h.biHeight > 0 ? height - 1 - y : y);
    const uchar* line = indexed.constScanLine(y);
    for (int x = 0; x < h.biWidth; ++x) {
      const int shift = (perByte - 1 - x % perByte) * bits;
      uint8_t& byte = row[x / perByte];
      byte = uint8_t((byte & ~(mask << shift)) | ((line[x] & mask) << shift));
    }
  }
}

}  // namespace

BitmapHandleCanvas::BitmapHandleCanvas(ZvImage* image) : image_(image) {
  if (!image_ || !image_->ops || !image_->ops->ToBitmapHandle) return;
  dc_ = zlvCreateCompatibleDC(nullptr);
  bitmap_ = image_->ops->ToBitmapHandle(image_, dc_, true);
  if (!bitmap_) return;
  if (dc_) previous_ = zlvSelectBitmap(dc_, bitmap_);
  ZlvBitmapInfoHeader h{};
  if (!zlvGetBitmapHeader(bitmap_, &h) || h.biWidth <= 0 || h.biHeight == 0 || h.biCompression != 0) return;
  void* bits = zlvGetBitmapBits(bitmap_);
  if (!bits) return;
  width_ = h.biWidth;
  height_ = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  depth_ = h.biBitCount;
  // Bottom-up rows: the painter draws through a flip so that picture row 0 lands on the top row.
  if (h.biHeight > 0) toSurface_ = QTransform(1, 0, 0, -1, 0, height_);
  switch (depth_) {
    case 24:
      surface_ = QImage(static_cast<uchar*>(bits), width_, height_, DibStride(width_, 24), QImage::Format_BGR888);
      break;
    case 32:  // blue, green, red, alpha: straight (not premultiplied) alpha
      surface_ = QImage(static_cast<uchar*>(bits), width_, height_, DibStride(width_, 32), QImage::Format_ARGB32);
      break;
    case 1:
    case 4:
    case 8:
      surface_ = IndexedToImage(bitmap_, h);
      toSurface_ = QTransform();
      break;
    default:
      break;
  }
}

BitmapHandleCanvas::~BitmapHandleCanvas() {
  surface_ = QImage();
  if (dc_) {
    if (bitmap_) zlvSelectBitmap(dc_, previous_);
    zlvDeleteDC(dc_);
  }
  if (bitmap_) zlvDeleteBitmap(bitmap_);
}

bool BitmapHandleCanvas::Commit() {
  if (!IsOpen()) return false;
  if (depth_ <= 8) {
    ZlvBitmapInfoHeader h{};
    if (!zlvGetBitmapHeader(bitmap_, &h)) return false;
    ImageToIndexed(surface_, bitmap_, h);
  }
  return image_->ops->FromBitmapHandle && image_->ops->FromBitmapHandle(image_, bitmap_, nullptr, true);
}

QImage EngineImageToQImage(ZvImage* image) {
  BitmapHandleCanvas canvas(image);
  if (!canvas.IsOpen()) return {};
  const QImage& s = canvas.Surface();
  const bool alpha = s.format() == QImage::Format_ARGB32;
  QImage copy = s.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  // The surface is flipped when the transform says so.
  if (canvas.PictureTransform().m22() < 0) copy = copy.mirrored(false, true);
  return copy;
}

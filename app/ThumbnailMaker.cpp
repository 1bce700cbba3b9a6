#include "ThumbnailMaker.h"

#include <algorithm>

#include "EngineObjects.h"

#include "ExifThumbnail.h"
#include "OrientUpright.h"

namespace {

// Largest picture converted back from the engine: far above a thumbnail, far below trouble.
constexpr int64_t kMaxConvertedPixels = 4096LL * 4096LL;

// The engine's bitmap as a QImage (top-down, 32 bits); null when it cannot be read.
QImage bitmapToImage(ZlvHBITMAP bitmap) {
  ZlvBitmapInfoHeader head{};
  if (!bitmap || !zlvGetBitmapHeader(bitmap, &head)) return {};
  const int width = head.biWidth;
  const int height = head.biHeight < 0 ? -head.biHeight : head.biHeight;
  if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxConvertedPixels) return {};
  const bool hasAlpha = head.biBitCount == 32;
  QImage image(width, height, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) return {};
  ZlvBitmapInfoHeader want{};
  want.biSize = sizeof(want);
  want.biWidth = width;
  want.biHeight = -height;  // top-down, as QImage keeps its rows
  want.biPlanes = 1;
  want.biBitCount = 32;
  want.biSizeImage = uint32_t(int64_t(width) * height * 4);
  if (image.bytesPerLine() != width * 4 ||
      zlvGetDIBits(nullptr, bitmap, 0, uint32_t(height), image.bits(), &want, nullptr) != height)
    return {};
  if (!hasAlpha) return image;
  // A 32-bit picture whose alpha was never set would show as nothing: keep it opaque.
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < width; ++x)
      if (qAlpha(row[x]) != 0) return image;
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

// The camera's own small picture, decoded and turned upright; empty when there is none or it
// does not decode. pictureSize is the upright size from the file's header.
ImageOwner embeddedThumbnail(const QString& filePath, QSize pictureSize) {
  const std::optional<ExifThumbnail> thumb = ReadExifThumbnail(filePath);
  if (!thumb || thumb->size() == 0) return {};
  ImageOwner image = NewImage();
  if (!image) return {};
  bool ok;
  if (!thumb->compressed()) {
    ok = image->ops->DecodeMemory(image.get(), thumb->data(), thumb->size(), ZV_TYPE_PNM);
  } else {
    image->ops->SetDecodeSizeHint(image.get(), kThumbnailSize, kThumbnailSize);
    ok = image->ops->DecodeMemory(image.get(), thumb->data(), thumb->size(), ZV_TYPE_JPG) &&
         OrientUpright(image.get(), thumb->orientation());
  }
  if (!ok || !image->ops->IsValid(image.get())) return {};
  // Without a known orientation a thumbnail lying across the upright picture would show the
  // photo on its side: the whole file is decoded instead (the engine turns it upright).
  const int w = int(image->ops->GetWidth(image.get())), h = int(image->ops->GetHeight(image.get()));
  if (thumb->orientation() == 0 && (w > h) != (pictureSize.width() > pictureSize.height()) && w != h &&
      pictureSize.width() != pictureSize.height())
    return {};
  return image;
}

}  // namespace

QSize FitThumbnail(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  if (height < width) {
    const int w = std::min(width, kThumbnailSize);
    // A sliver (1000 x 1) keeps one pixel rather than failing as a broken picture.
    return {w, std::max(1, int(int64_t(height) * w / width))};
  }
  const int h = std::min(height, kThumbnailSize);
  return {std::max(1, int(int64_t(width) * h / height)), h};
}

QImage MakeThumbnail(const QString& filePath) {
  ImageOwner image = NewImage();
  ImageOwner header = NewImage();
  if (!image || !header) return {};
  const auto* path = reinterpret_cast<const char16_t*>(filePath.utf16());
  // The header tells the format; the whole file is decoded only when no embedded thumbnail
  // serves.
  const bool haveInfo = header->ops->LoadInfo(header.get(), path, 0);
  const QSize pictureSize(int(header->ops->GetWidth(header.get())), int(header->ops->GetHeight(header.get())));
  const uint32_t type = header->ops->GetType(header.get());
  header.reset();

  bool decoded = false;
  if (haveInfo && pictureSize.width() > 0 && pictureSize.height() > 0 && type == ZV_TYPE_JPG) {
    if (ImageOwner embedded = embeddedThumbnail(filePath, pictureSize)) {
      image = std::move(embedded);
      decoded = true;
    }
  }
  if (!decoded) {
    image->ops->SetDecodeSizeHint(image.get(), kThumbnailSize, kThumbnailSize);
    if (!image->ops->Load(image.get(), path, 0)) return {};
  }
  if (!image->ops->IsValid(image.get())) return {};

  const int width = int(image->ops->GetWidth(image.get()));
  const int height = int(image->ops->GetHeight(image.get()));
  const QSize fit = FitThumbnail(width, height);
  if (fit.width() <= 0 || fit.height() <= 0) return {};
  if (fit != QSize(width, height) &&
      !image->ops->ResampleInterpolated(image.get(), fit.width(), fit.height(), 2, 5, nullptr, false))
    return {};
  ZlvHBITMAP bitmap = image->ops->ToBitmapHandle(image.get(), nullptr, true);
  QImage thumbnail = bitmapToImage(bitmap);
  if (bitmap) zlvDeleteBitmap(bitmap);
  return thumbnail;
}

#include "ImageCalls.h"

#include <cstring>
#include <vector>

namespace zv {

namespace {
// A preview or test copy larger than this is refused rather than allocated.
constexpr int64_t kMaxCopyBytes = int64_t(1) << 30;
}  // namespace

QString LastError(ZvImage* i) {
  if (!i) return {};
  const char* text = i->ops->GetLastError(i);
  return text ? QString::fromUtf8(text, qsizetype(strnlen(text, 256))) : QString();
}

QImage ToQImage(ZvImage* image) {
  if (!Valid(image)) return {};
  if (image->ops->GetDepth(image) != 24 && !image->ops->IncreaseBpp(image, 24)) return {};
  const int64_t w = Width(image), h = Height(image);
  if (w <= 0 || h <= 0 || w * h * 3 > kMaxCopyBytes) return {};
  std::vector<uint8_t> rows(size_t(w * h * 3));
  if (!image->ops->ExportRaw(image, rows.data(), rows.size(), true)) return {};
  QImage out(int(w), int(h), QImage::Format_BGR888);
  if (out.isNull()) return {};
  for (int64_t y = 0; y < h; ++y)
    std::memcpy(out.scanLine(int(y)), rows.data() + y * w * 3, size_t(w * 3));
  return out;
}

ImageOwner FromQImage(const QImage& picture) {
  if (picture.isNull()) return {};
  const int64_t w = picture.width(), h = picture.height();
  if (w * h * 3 > kMaxCopyBytes) return {};
  const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
  std::vector<uint8_t> rows(size_t(w * h * 3));
  for (int64_t y = 0; y < h; ++y)
    std::memcpy(rows.data() + y * w * 3, bgr.constScanLine(int(y)), size_t(w * 3));
  ImageOwner image = NewImage();
  if (!image || !image->ops->Create(image.get(), uint32_t(w), uint32_t(h), 24, 0) ||
      !image->ops->ImportRaw(image.get(), rows.data(), rows.size(), true))
    return {};
  return image;
}

}  // namespace zv

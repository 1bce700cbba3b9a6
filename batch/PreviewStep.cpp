#include "PreviewStep.h"

#include <algorithm>

#include "ImageCalls.h"
#include "JobContext.h"

QSize PreviewSize(int32_t w, int32_t h) {
  constexpr int32_t kBox = 320;
  if (w <= 0 || h <= 0) return {};
  if (h < w) {
    const int32_t nw = std::min(w, kBox);
    return {nw, std::max(1, int32_t(int64_t(h) * nw / w))};
  }
  const int32_t nh = std::min(h, kBox);
  return {std::max(1, int32_t(int64_t(w) * nh / h)), nh};
}

bool PreviewStep::Process(const PictureItem&, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  const QSize size = PreviewSize(zv::Width(image), zv::Height(image));
  if (size.isEmpty()) {
    slot.Fail(FailureKind::Other, QStringLiteral("empty picture"));
    return false;
  }
  // Resampled also at the same size, as the preview always is.
  zv::Resample(image, size.width(), size.height());
  QImage picture = zv::ToQImage(image);
  if (picture.isNull()) {
    slot.Fail(FailureKind::Other, zv::LastError(image));
    return false;
  }
  ReleaseImage(slot.image);
  JobContext::Instance().Refresh(picture);
  return true;
}

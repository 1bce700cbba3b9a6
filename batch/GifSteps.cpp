#include "GifSteps.h"

#include <algorithm>
#include <utility>

#include "GifCollector.h"
#include "ImageCalls.h"
#include "SetMgr.h"

CanvasPlace FitOnCanvas(int32_t w, int32_t h, int32_t cw, int32_t ch) {
  if (w <= 0 || h <= 0 || cw <= 0 || ch <= 0) return {};
  int64_t fw, fh;
  if (w > h) {
    fw = std::min(w, cw);
    fh = int64_t(h) * fw / w;
  } else {
    fh = std::min(h, ch);
    fw = int64_t(w) * fh / h;
  }
  if (fh > ch) {
    fw = fw * ch / fh;
    fh = ch;
  }
  // A sliver keeps one pixel rather than vanishing.
  fw = std::max<int64_t>(fw, 1);
  fh = std::max<int64_t>(fh, 1);
  return {QSize(int(fw), int(fh)), QPoint(int((cw - fw) / 2), int((ch - fh) / 2))};
}

bool GifFitStep::Process(const PictureItem&, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  const CSetMgr& settings = CSetMgr::Instance();
  const int32_t cw = settings.nGIFWidth(), ch = settings.nGIFHeight();
  // A picture decoded smaller is placed as its full-scale picture would be.
  const QSize full = std::exchange(slot.fullSize, QSize());
  const CanvasPlace place = full.isEmpty() ? FitOnCanvas(zv::Width(image), zv::Height(image), cw, ch)
                                           : FitOnCanvas(full.width(), full.height(), cw, ch);
  ImageOwner canvas = NewImage();
  if (place.size.isEmpty() || !canvas ||
      !canvas->ops->Create(canvas.get(), uint32_t(cw), uint32_t(ch), 24, 0)) {
    slot.Fail(FailureKind::Other, QStringLiteral("no showcase canvas of %1 x %2").arg(cw).arg(ch));
    return false;
  }
  canvas->ops->FillColor(canvas.get(), ZvRGBQuad{255, 255, 255, 0}, nullptr, false);
  zv::Resample(image, place.size.width(), place.size.height());
  canvas->ops->PasteAt(canvas.get(), image, place.offset.x(), place.offset.y());
  ReleaseImage(slot.image);
  slot.image = canvas.release();
  return true;
}

bool GifAddStep::Process(const PictureItem& item, ImageSlot& slot) {
  if (!slot.image) return false;
  ImageOwner picture(std::exchange(slot.image, nullptr));
  if (!GifCollector::Instance().AddFrame(item.index, std::move(picture))) {
    slot.Fail(FailureKind::Other, QStringLiteral("no showcase frame for this picture"));
    return false;
  }
  return true;
}

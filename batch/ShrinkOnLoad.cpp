#include "ShrinkOnLoad.h"

#include <algorithm>

#include "JobContext.h"
#include "ResizeStep.h"
#include "SetMgr.h"

ShrinkTarget ShrinkTargetFor(const CSetMgr& settings, bool showcaseChain) {
  if (JobContext::Instance().exactDecode.load()) return {};
  ShrinkTarget target;
  if (settings.bPhotoResize() == 1) target.width = std::max(SlimWidth(settings), 0);
  // Without slimming, frames, corners and watermarks are drawn on the picture at the size it
  // has when loaded: only a bare showcase picture may come in smaller.
  const bool drawnOn = settings.bPhotoFrames() == 1 || settings.bPhotoMark() == 1;
  if (showcaseChain && settings.bPhotoGIF() == 1 && settings.bPhotoResize() != 1 && !drawnOn &&
      settings.nGIFWidth() > 0 && settings.nGIFHeight() > 0) {
    target.width = settings.nGIFWidth();
    target.height = settings.nGIFHeight();
  }
  return target;
}

QSize UprightSize(int32_t storedWidth, int32_t storedHeight, int32_t exifOrientation) {
  const bool swapped = exifOrientation >= 5 && exifOrientation <= 8;
  return swapped ? QSize(storedHeight, storedWidth) : QSize(storedWidth, storedHeight);
}

namespace {
// The side length the JPEG decoder gives at 1/denominator (it rounds up).
int64_t scaled(int64_t side, int denominator) { return (side + denominator - 1) / denominator; }
}  // namespace

int ShrinkScale(ShrinkTarget target, QSize upright, int userRotation) {
  if (target.width <= 0 || upright.width() <= 0 || upright.height() <= 0) return 1;
  const bool turned = userRotation == 1 || userRotation == 3;
  const int64_t w = turned ? upright.height() : upright.width();
  const int64_t h = turned ? upright.width() : upright.height();
  for (int d : {8, 4, 2}) {
    if (scaled(w, d) < 2 * int64_t(target.width)) continue;
    if (target.height > 0 && scaled(h, d) < 2 * int64_t(target.height)) continue;
    return d;
  }
  return 1;
}

QSize HintForScale(QSize picture, int denominator) {
  if (denominator <= 1) return {};
  // A square hint works whichever way the decoder finds the picture stored.
  const int32_t m = std::min(picture.width(), picture.height());
  const int32_t side = std::max(m / denominator, 1);
  const int32_t r = m / side;
  const int chosen = r >= 8 ? 8 : r >= 4 ? 4 : r >= 2 ? 2 : 1;
  return chosen == denominator ? QSize(side, side) : QSize();
}

// Short names for the image operations the steps call through the engine's table, and the
// conversion of an engine picture into a QImage for the preview and the tests.
#pragma once

#include <QImage>
#include <QString>

#include "EngineObjects.h"

namespace zv {

inline int32_t Width(ZvImage* i) { return int32_t(i->ops->GetWidth(i)); }
inline int32_t Height(ZvImage* i) { return int32_t(i->ops->GetHeight(i)); }
inline bool Valid(ZvImage* i) { return i && i->ops->IsValid(i); }
// The engine's last-error text (empty when it has none).
QString LastError(ZvImage* i);
// ResampleInterpolated as every step uses it: bilinear (2), edge pixels repeated (5), in
// place, averaging allowed.
inline bool Resample(ZvImage* i, int32_t width, int32_t height) {
  return i->ops->ResampleInterpolated(i, width, height, 2, 5, nullptr, false);
}

// A copy of a valid picture as a 24-bit QImage (top row first); null when the picture is
// invalid or too large to copy.
QImage ToQImage(ZvImage* image);
// A new engine picture holding the QImage's colours (alpha dropped); empty on failure.
ImageOwner FromQImage(const QImage& picture);

}  // namespace zv

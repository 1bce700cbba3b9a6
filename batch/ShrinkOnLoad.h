// Shrink-on-load: when the chain shrinks a picture anyway, a JPEG is decoded at a reduced
// DCT scale (1/2, 1/4 or 1/8) instead of full size; the resize step then shrinks from there.
// The scale is the smallest whose result, after the EXIF turn and the user's rotation, is
// still at least twice the target width (and twice the target height when one is given),
// so the averaging resize has at least two source pixels per output pixel either way.
#pragma once

#include <QSize>
#include <cstdint>

class CSetMgr;

struct ShrinkTarget {
  int32_t width = 0;   // 0: no shrink-on-load
  int32_t height = 0;  // 0: only the width counts
};

// What the chain will shrink to, from the settings: the slimming width; for a showcase chain
// without slimming (and without effects that draw on the picture before it is fitted) the
// canvas. Nothing when decoding must be exact (gallivo-batch --exact) or nothing shrinks.
ShrinkTarget ShrinkTargetFor(const CSetMgr& settings, bool showcaseChain);

// The size of a picture stored as w x h once turned upright by its EXIF orientation (5 to 8
// swap the sides).
QSize UprightSize(int32_t storedWidth, int32_t storedHeight, int32_t exifOrientation);

// The DCT scale denominator (1, 2, 4 or 8) for a picture of this upright size that the user
// turns by `userRotation` quarter turns.
int ShrinkScale(ShrinkTarget target, QSize upright, int userRotation);

// The decode size hint that makes the engine's JPEG decoder pick exactly 1/denominator for
// a picture of this size (its rule: r = min(w / hint w, h / hint h); 8 from r >= 8, 4 from
// r >= 4, 2 from r >= 2). An empty size when no hint gives that scale.
QSize HintForScale(QSize picture, int denominator);

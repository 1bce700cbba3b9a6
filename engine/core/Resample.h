// The straightforward resampling loops, every destination pixel on its own: the reference
// the row-wise fast path of ResampleInterpolated is checked against.
#pragma once

#include "Image.h"

namespace zelvo {

// ResampleInterpolated with method 2 and averaging allowed, always through the per-pixel loops.
bool resampleByPixels(Image& self, int32_t w, int32_t h, int32_t overflow, Image* dst);

}  // namespace zelvo

// Quarter turns of one pixel plane in 8 x 8 blocks of vector shuffles: the whole blocks
// of a plane; the caller turns the stripes left over at the right and bottom edges.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zelvo {

struct TurnPlane {
  const uint8_t* src = nullptr;
  size_t srcStride = 0;
  int32_t srcW = 0, srcH = 0;  // the destination is srcH wide and srcW high
  uint8_t* dst = nullptr;
  size_t dstStride = 0;
  bool right = false;  // clockwise, else counter-clockwise (rows as stored, bottom-up)
};

// Turns destination columns 0 .. (srcH / 8) * 8 and rows 0 .. (srcW / 8) * 8 of a plane of
// `bytesPerPixel` (1 or 3) bytes per pixel; `progress(percent)` after each band of rows.
// False (nothing written) when this processor lacks the instructions for the depth.
bool turnWholeBlocks(const TurnPlane& plane, int bytesPerPixel, void (*progress)(void*, int32_t), void* ctx);

}  // namespace zelvo

// The members of the JPEG-2000 family codec: each reads and writes one format; the family
// entry (CodecJAS.cpp) picks the member from the file's first bytes.
#pragma once

#include "Codec.h"

namespace zelvo::jas {

bool decodeJ2k(Image& img, StreamRef in, bool jp2);
bool encodeJ2k(Image& img, StreamRef out, bool jp2);
bool decodePnm(Image& img, StreamRef in);
bool encodePnm(Image& img, StreamRef out);
bool decodePgx(Image& img, StreamRef in);
bool encodePgx(Image& img, StreamRef out);
bool decodeRas(Image& img, StreamRef in);
bool encodeRas(Image& img, StreamRef out);

// Scales a sample of `maxval` range to 0..255.
inline uint8_t to8(uint32_t v, uint32_t maxval) {
  if (maxval == 255) return uint8_t(v);
  if (v >= maxval) return 255;
  return uint8_t((uint64_t(v) * 255 + maxval / 2) / maxval);
}

}  // namespace zelvo::jas

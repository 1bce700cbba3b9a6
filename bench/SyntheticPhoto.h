// A 24-bit test picture with detail in every channel, for the engine benchmarks that need
// no real photograph.
#pragma once

#include <cstdint>

#include "core/Image.h"

namespace benchpics {

inline zelvo::ImagePtr photo(int32_t w, int32_t h) {
  zelvo::ImagePtr img = zelvo::Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = img->row(y);
    for (int32_t x = 0; x < w; ++x) {
      row[x * 3] = uint8_t(x * 7 + y);
      row[x * 3 + 1] = uint8_t((x ^ y) & 0xFF);
      row[x * 3 + 2] = uint8_t(y * 3);
    }
  }
  return img;
}

}  // namespace benchpics

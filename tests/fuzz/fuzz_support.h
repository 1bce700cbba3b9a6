// Shared by the fuzz targets: touch every output byte so that a decoder which reports
// success over memory it never filled is caught by the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/Image.h"

namespace zelvo::fuzz {

inline void consumePicture(const Image& img) {
  if (!img.valid()) return;
  uint32_t sum = 0;
  const size_t rowBytes = (size_t(img.width()) * img.depth() + 7) / 8;
  for (int32_t y = 0; y < img.height(); ++y) {
    const uint8_t* row = img.row(y);
    for (size_t x = 0; x < rowBytes; ++x) sum += row[x];
  }
  if (const ZvRGBQuad* pal = img.palette())
    for (uint32_t i = 0; i < img.numColors(); ++i) sum += pal[i].red + pal[i].green + pal[i].blue;
  if (img.alpha)
    for (size_t i = 0; i < size_t(img.width()) * size_t(img.height()); ++i) sum += img.alpha.get()[i];
  volatile uint32_t sink = sum;
  (void)sink;
}

inline void consumeAll(const Image& img) {
  consumePicture(img);
  for (const ImagePtr& f : img.frames)
    if (f) consumePicture(*f);
}

}  // namespace zelvo::fuzz

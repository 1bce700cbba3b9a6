// Reading an image at fractional or out-of-range positions: the overflow rules and the
// bilinear interpolation that resampling builds on.
#pragma once

#include <cmath>
#include <cstdint>

#include "Image.h"

namespace zelvo {

// The overflow methods of zelvo.h, by their short names.
enum Overflow : int32_t {
  kOverflowColor = ZV_OVERFLOW_COLOR,
  kOverflowBackground = ZV_OVERFLOW_BACKGROUND,
  kOverflowTransparent = ZV_OVERFLOW_TRANSPARENT,
  kOverflowWrap = ZV_OVERFLOW_WRAP,
  kOverflowRepeat = ZV_OVERFLOW_REPEAT,
  kOverflowMirror = ZV_OVERFLOW_MIRROR,
};

class Sampler {
 public:
  Sampler(const Image& img, int32_t overflow, ZvRGBQuad replacement = {255, 255, 255, 0});

  // Colour of pixel (x, y), whose coordinates may lie outside: the overflow rule decides.
  ZvRGBQuad at(int32_t x, int32_t y) const;
  // Maps a coordinate into 0..size-1 for the wrap, repeat and mirror rules; -1 otherwise
  // (the overflow colour is used instead).
  int32_t mapX(int32_t x) const { return map(x, w_); }
  int32_t mapY(int32_t y) const { return map(y, h_); }
  // The colour an out-of-range neighbour takes under rules 1 to 3.
  ZvRGBQuad overflowColor() const { return overflowColor_; }
  // Bilinear colour at (x, y); alpha from the alpha plane, else 0.
  ZvRGBQuad bilinear(float x, float y) const;

 private:
  int32_t map(int32_t v, int32_t size) const;
  float moveInside(float v, int32_t size) const;

  const Image& img_;
  int32_t overflow_;
  int32_t w_, h_;
  bool fast24_;
  ZvRGBQuad overflowColor_;
};

}  // namespace zelvo

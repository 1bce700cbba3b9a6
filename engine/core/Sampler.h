// Reading an image at fractional or out-of-range positions: the overflow rules, what a
// picture without alpha plane reads as, and the bilinear interpolation that resampling and
// the any-angle turn build on.
#pragma once

#include <algorithm>
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

// What a sampler reads where the picture holds nothing: outside it, and as the alpha of a
// picture without alpha plane.
enum class SampleEdges {
  // The overflow method as zelvo.h states it: the replacement colour (background and
  // transparent prefer the transparent colour, transparent gives alpha 0 with an alpha
  // plane), wrap, repeat or mirror. No alpha plane reads as alpha 0. Resampling reads so.
  kOverflowMethod,
  // Colour fills with the replacement colour and its alpha, repeat takes the nearest edge
  // pixel, and every other method the nearest edge pixel's colour under alpha 0, so that no
  // light fringe blends into the edges of a turned picture. No alpha plane reads as opaque
  // (255). The any-angle turn reads so.
  kNearestEdgeUnderZeroAlpha,
};

// A colour in float channels, for callers that round once at the end.
struct Sample {
  float b, g, r, a;
};

class Sampler {
 public:
  Sampler(const Image& img, int32_t overflow, ZvRGBQuad replacement = {255, 255, 255, 0},
          SampleEdges edges = SampleEdges::kOverflowMethod);

  // Colour of pixel (x, y), rows as stored (bottom-up), whose coordinates may lie outside.
  ZvRGBQuad at(int32_t x, int32_t y) const;
  // Maps a coordinate into 0..size-1 for the rules that read a pixel of the picture; -1
  // where the overflow colour is used instead.
  int32_t mapX(int32_t x) const { return map(x, w_); }
  int32_t mapY(int32_t y) const { return map(y, h_); }
  // The colour an out-of-range neighbour takes under the rules that read no pixel.
  ZvRGBQuad overflowColor() const { return overflowColor_; }
  // Bilinear colour at (x, y), rows as stored, truncated to bytes.
  ZvRGBQuad bilinear(float x, float y) const;

  // The same reads in float channels with rows counted from the top: pixel (x, y), and
  // bilinear between the four pixels around (x, y), which lies at most one pixel outside
  // (-1..width, -1..height); farther points are read with sampleAt.
  Sample sampleAt(int32_t x, int32_t yFromTop) const;
  Sample sampleBilinear(double x, double yFromTop) const;

 private:
  int32_t map(int32_t v, int32_t size) const;
  float moveInside(float v, int32_t size) const;
  bool edgeUnderZeroAlpha() const;
  Sample pixel(int32_t x, int32_t storedY, bool withAlpha) const;
  Sample outside(int32_t x, int32_t storedY) const;

  const Image& img_;
  int32_t overflow_;
  int32_t w_, h_;
  bool fast24_;
  SampleEdges edges_;
  bool hasAlpha_;       // an alpha plane, or a palette with alpha
  float missingAlpha_;  // what the alpha reads as without them
  ZvRGBQuad overflowColor_;
};

// The float reads sit here so that the turn's loop inlines them.
inline Sample Sampler::pixel(int32_t x, int32_t storedY, bool withAlpha) const {
  if (fast24_) {
    const uint8_t* p = img_.row(storedY) + size_t(x) * 3;
    const float a = !withAlpha ? 0.0f : img_.alpha ? float(img_.alphaRow(storedY)[x]) : missingAlpha_;
    return {float(p[0]), float(p[1]), float(p[2]), a};
  }
  const ZvRGBQuad c = img_.pixelColor(x, storedY, true);
  const float a = !withAlpha ? 0.0f : hasAlpha_ ? float(c.reserved) : missingAlpha_;
  return {float(c.blue), float(c.green), float(c.red), a};
}

inline Sample Sampler::sampleAt(int32_t x, int32_t yFromTop) const {
  const int64_t y = int64_t(h_) - 1 - yFromTop;
  if (x >= 0 && y >= 0 && x < w_ && y < h_) return pixel(x, int32_t(y), true);
  return outside(x, int32_t(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
}

inline Sample Sampler::sampleBilinear(double x, double yFromTop) const {
  // Inside the stated range already; the clamp keeps other callers defined.
  x = std::isfinite(x) ? std::clamp(x, -1.0, double(w_)) : -1.0;
  const double y = std::isfinite(yFromTop) ? std::clamp(yFromTop, -1.0, double(h_)) : -1.0;
  const double fx0 = std::floor(x), fy0 = std::floor(y);
  const int32_t x0 = int32_t(fx0), y0 = int32_t(fy0);
  const float dx = float(x - fx0), dy = float(y - fy0);
  const Sample p00 = sampleAt(x0, y0), p10 = sampleAt(x0 + 1, y0), p01 = sampleAt(x0, y0 + 1),
               p11 = sampleAt(x0 + 1, y0 + 1);
  const float w00 = (1 - dx) * (1 - dy), w10 = dx * (1 - dy), w01 = (1 - dx) * dy, w11 = dx * dy;
  return {p00.b * w00 + p10.b * w10 + p01.b * w01 + p11.b * w11,
          p00.g * w00 + p10.g * w10 + p01.g * w01 + p11.g * w11,
          p00.r * w00 + p10.r * w10 + p01.r * w01 + p11.r * w11,
          p00.a * w00 + p10.a * w10 + p01.a * w01 + p11.a * w11};
}

}  // namespace zelvo

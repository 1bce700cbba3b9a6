// Small helpers the effect modules share: 24-bit pixel loops, clamping, a seeded
// generator and a single-channel Gaussian blur.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Image.h"

namespace zelvo::fx {

inline uint8_t clampByte(int64_t v) { return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); }
inline uint8_t clampByte(double v) {
  return uint8_t(!(v > 0) ? 0 : (v > 255 ? 255 : int(v)));
}
inline int luminance(int r, int g, int b) { return (306 * r + 601 * g + 117 * b) >> 10; }

// Makes the picture 24-bit; false for an empty image or when the conversion fails.
inline bool ensure24(Image& img) { return img.valid() && (img.depth() == 24 || img.increaseBpp(24)); }

// Calls fn(b, g, r) with references to every pixel of a 24-bit image.
template <class Fn>
void forEachPixel(Image& img, Fn fn) {
  const int32_t w = img.width(), h = img.height();
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = img.row(y);
    for (int32_t x = 0; x < w; ++x, p += 3) fn(p[0], p[1], p[2]);
  }
}

// Indexed pictures change through their palette; true when that was done.
template <class Fn>
bool forEachPaletteEntry(Image& img, Fn fn) {
  if (img.depth() == 24) return false;
  ZvRGBQuad* pal = img.palette();
  if (!pal) return false;
  for (uint32_t i = 0; i < img.numColors(); ++i) fn(pal[i].blue, pal[i].green, pal[i].red);
  img.info.cacheValid = false;
  return true;
}

// Applies a 256-entry table to every channel.
inline void applyTable(Image& img, const uint8_t table[256]) {
  auto map = [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    b = table[b];
    g = table[g];
    r = table[r];
  };
  if (!forEachPaletteEntry(img, map)) forEachPixel(img, map);
}

// xorshift32: effects must give the same picture every time.
class Random {
 public:
  explicit Random(uint32_t seed) : s_(seed ? seed : 0x9E3779B9u) {}
  uint32_t next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  // Uniform in [-r, r].
  int32_t spread(int32_t r) { return int32_t(next() % uint32_t(2 * r + 1)) - r; }

 private:
  uint32_t s_;
};

// Integer weights of a normalised Gaussian (sum 65536) reaching `reach` pixels each way.
inline std::vector<int32_t> gaussKernel(double sigma, int reach) {
  std::vector<double> k(size_t(2 * reach + 1));
  double sum = 0;
  for (int i = -reach; i <= reach; ++i) sum += k[size_t(i + reach)] = std::exp(-0.5 * i * i / (sigma * sigma));
  std::vector<int32_t> out(k.size());
  int32_t total = 0;
  for (size_t i = 0; i < k.size(); ++i) total += out[i] = int32_t(k[i] / sum * 65536.0);
  out[size_t(reach)] += 65536 - total;
  return out;
}

// Blurs `planes` interleaved channels of a w x h buffer in place (edges repeat).
void blurPlanes(uint8_t* data, int32_t w, int32_t h, int planes, int32_t stride, float radius);

}  // namespace zelvo::fx

// Neighbourhood effects: blur, convolution, sketch, glow, noise and splash.
#include <cmath>
#include <cstring>
#include <vector>

#include "CpuFeatures.h"
#include "Effects.h"
#include "EffectsPixels.h"

namespace zelvo::fx {

namespace {
constexpr float kMaxBlurRadius = 256.0f;

// acc[i] += k * src[i]. The weights of a kernel sum to 65536, so no sum exceeds
// 255 * 65536 + 32768 and 32 bits hold it; whole rows at a time, the loop vectorises.
void addScaledPlain(int32_t* __restrict acc, const uint8_t* __restrict src, size_t n, int32_t k) {
  for (size_t i = 0; i < n; ++i) acc[i] += k * int32_t(src[i]);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void addScaledAvx2(int32_t* __restrict acc, const uint8_t* __restrict src, size_t n,
                                                   int32_t k) {
  for (size_t i = 0; i < n; ++i) acc[i] += k * int32_t(src[i]);
}
#endif

void addScaled(int32_t* acc, const uint8_t* src, size_t n, int32_t k) {
#if defined(__x86_64__) || defined(__i386__)
  if (vectorsInUse() == Vectors::kAvx2) return addScaledAvx2(acc, src, n, k);
#endif
  addScaledPlain(acc, src, n, k);
}

// One row of n values into `out`: (acc >> 16) as bytes.
void storeRow(const int32_t* acc, size_t n, uint8_t* out) {
  for (size_t i = 0; i < n; ++i) out[i] = clampByte(int64_t(acc[i] >> 16));
}
}  // namespace

void blurPlanes(uint8_t* data, int32_t w, int32_t h, int planes, int32_t stride, float radius) {
  if (!(radius > 0.0f) || w <= 0 || h <= 0) return;
  radius = std::min(radius, kMaxBlurRadius);
  const int reach = int(std::ceil(radius));
  const auto k = gaussKernel(std::max(0.5, double(radius) / 2.0), reach);
  const size_t px = size_t(planes), rowBytes = size_t(w) * px, pad = size_t(reach) * px;
  std::vector<int32_t> acc(rowBytes);
  // Horizontal pass: each row with `reach` copies of its edge pixels on either side, so
  // that every kernel tap is one offset into it for all channels at once.
  std::vector<uint8_t> padded(rowBytes + 2 * pad);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = data + int64_t(y) * stride;
    for (size_t i = 0; i < size_t(reach); ++i) {
      std::memcpy(padded.data() + i * px, row, px);
      std::memcpy(padded.data() + pad + rowBytes + i * px, row + rowBytes - px, px);
    }
    std::memcpy(padded.data() + pad, row, rowBytes);
    std::fill(acc.begin(), acc.end(), 32768);
    for (size_t j = 0; j < k.size(); ++j) addScaled(acc.data(), padded.data() + j * px, rowBytes, k[j]);
    storeRow(acc.data(), rowBytes, row);
  }
  // Vertical pass row by row over a copy, so memory is read in order.
  std::vector<uint8_t> src(rowBytes * size_t(h));
  for (int32_t y = 0; y < h; ++y) std::memcpy(src.data() + size_t(y) * rowBytes, data + int64_t(y) * stride, rowBytes);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(acc.begin(), acc.end(), 32768);
    for (int j = -reach; j <= reach; ++j) {
      const uint8_t* r = src.data() + size_t(std::clamp<int32_t>(y + j, 0, h - 1)) * rowBytes;
      addScaled(acc.data(), r, rowBytes, k[size_t(j + reach)]);
    }
    storeRow(acc.data(), rowBytes, data + int64_t(y) * stride);
  }
}

bool gaussianBlur(Image& img, float radius) {
  if (!std::isfinite(radius) || radius < 0.0f || !ensure24(img)) return false;
  blurPlanes(img.bits(), img.width(), img.height(), 3, int32_t(img.stride()), radius);
  return true;
}

bool customFilter(Image& img, const int32_t kernel[9], int32_t size, int32_t divisor,
                  int32_t offset) {
  (void)size;  // only nine values exist: always 3 x 3
  if (!kernel || !ensure24(img)) return false;
  int64_t div = divisor;
  if (div == 0) {
    for (int i = 0; i < 9; ++i) div += kernel[i];
    if (div == 0) div = 1;
  }
  const int32_t w = img.width(), h = img.height();
  const size_t rowBytes = size_t(w) * 3;
  // Three source rows in a ring, so the result can be written in place.
  std::vector<uint8_t> rows;
  try {
    rows.resize(rowBytes * 3);
  } catch (...) {
    return false;
  }
  auto src = [&](int32_t y) { return rows.data() + size_t((y % 3 + 3) % 3) * rowBytes; };
  // Top-down row t lives at stored row h - 1 - t.
  auto stored = [&](int32_t t) { return img.row(h - 1 - std::clamp(t, 0, h - 1)); };
  std::memcpy(src(-1), stored(-1), rowBytes);
  std::memcpy(src(0), stored(0), rowBytes);
  for (int32_t t = 0; t < h; ++t) {
    std::memcpy(src(t + 1), stored(t + 1), rowBytes);
    uint8_t* out = stored(t);
    for (int32_t x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) {
        int64_t acc = 0;
        for (int ky = 0; ky < 3; ++ky) {
          const uint8_t* r = src(t + ky - 1);
          for (int kx = 0; kx < 3; ++kx) {
            const int32_t sx = std::clamp(x + kx - 1, 0, w - 1);
            acc += int64_t(kernel[ky * 3 + kx]) * r[size_t(sx) * 3 + size_t(c)];
          }
        }
        out[size_t(x) * 3 + size_t(c)] = clampByte(acc / div + offset);
      }
    }
  }
  return true;
}

namespace {
// A reach that looks alike on small and large pictures.
float relativeRadius(const Image& img, int32_t fraction, float least) {
  return std::max(least, float(std::min(img.width(), img.height())) / float(fraction));
}
}  // namespace

bool sketch(Image& img) {
  if (!ensure24(img)) return false;
  const int32_t w = img.width(), h = img.height();
  const size_t n = size_t(w) * size_t(h);
  std::vector<uint8_t> grey, inv;
  try {
    grey.resize(n);
    inv.resize(n);
  } catch (...) {
    return false;
  }
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* p = img.row(y);
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const uint8_t g = uint8_t(luminance(p[2], p[1], p[0]));
      grey[size_t(y) * size_t(w) + size_t(x)] = g;
      inv[size_t(y) * size_t(w) + size_t(x)] = uint8_t(255 - g);
    }
  }
  blurPlanes(inv.data(), w, h, 1, w, relativeRadius(img, 200, 2.0f));
  // Colour dodge: flat areas go white, edges keep their pencil line.
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = img.row(y);
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const size_t i = size_t(y) * size_t(w) + size_t(x);
      const int g = grey[i], b = inv[i];
      const uint8_t v = b >= 255 ? 255 : clampByte(int64_t(g) * 255 / (255 - b));
      p[0] = p[1] = p[2] = v;
    }
  }
  return true;
}

bool softGlow(Image& img) {
  if (!ensure24(img)) return false;
  const int32_t h = img.height();
  const size_t rowBytes = size_t(img.width()) * 3;
  std::vector<uint8_t> glow;
  try {
    glow.resize(rowBytes * size_t(h));
  } catch (...) {
    return false;
  }
  for (int32_t y = 0; y < h; ++y) std::memcpy(glow.data() + size_t(y) * rowBytes, img.row(y), rowBytes);
  blurPlanes(glow.data(), img.width(), h, 3, int32_t(rowBytes), relativeRadius(img, 60, 2.0f));
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = img.row(y);
    const uint8_t* q = glow.data() + size_t(y) * rowBytes;
    for (size_t i = 0; i < rowBytes; ++i) {
      // Screen with the glow, then half way back toward the original.
      const int screen = 255 - (255 - p[i]) * (255 - q[i]) / 255;
      p[i] = uint8_t((p[i] + screen) / 2);
    }
  }
  return true;
}

bool noise(Image& img, int32_t level) {
  if (level < 0 || !ensure24(img)) return false;
  level = std::min(level, 255);
  if (level == 0) return true;
  Random rnd(0x5eed0000u + uint32_t(level));
  forEachPixel(img, [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    const int d = rnd.spread(level);
    b = clampByte(int64_t(b) + d);
    g = clampByte(int64_t(g) + d);
    r = clampByte(int64_t(r) + d);
  });
  return true;
}

bool splash(Image& img, int32_t radius) {
  if (radius < 0 || !ensure24(img)) return false;
  const int32_t w = img.width(), h = img.height();
  radius = std::min(radius, std::max(w, h));
  if (radius == 0) return true;
  const size_t rowBytes = size_t(w) * 3;
  std::vector<uint8_t> copy;
  try {
    copy.resize(rowBytes * size_t(h));
  } catch (...) {
    return false;
  }
  for (int32_t y = 0; y < h; ++y) std::memcpy(copy.data() + size_t(y) * rowBytes, img.row(y), rowBytes);
  Random rnd(0x5917a500u + uint32_t(radius));
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = img.row(y);
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const int32_t sx = std::clamp(x + rnd.spread(radius), 0, w - 1);
      const int32_t sy = std::clamp(y + rnd.spread(radius), 0, h - 1);
      std::memcpy(p, copy.data() + size_t(sy) * rowBytes + size_t(sx) * 3, 3);
    }
  }
  return true;
}

}  // namespace zelvo::fx

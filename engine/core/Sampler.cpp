// Overflow rules and bilinear interpolation.
#include "Sampler.h"

#include <algorithm>

namespace zelvo {

Sampler::Sampler(const Image& img, int32_t overflow, ZvRGBQuad replacement, SampleEdges edges)
    : img_(img),
      overflow_(overflow),
      w_(img.width()),
      h_(img.height()),
      fast24_(img.depth() == 24),
      edges_(edges),
      hasAlpha_(img.alpha || (img.palette() && img.info.paletteAlpha)),
      missingAlpha_(edges == SampleEdges::kNearestEdgeUnderZeroAlpha ? 255.0f : 0.0f) {
  overflowColor_ = replacement;
  if (edges_ != SampleEdges::kOverflowMethod) return;
  const ZvRGBQuad* pal = img.palette();
  const int32_t ti = img.info.transIndex;
  const bool hasTrans = ti >= 0 && (!pal || uint32_t(ti) < img.numColors());
  const ZvRGBQuad transColor = pal && hasTrans ? pal[ti] : img.info.transColor;
  switch (overflow) {
    case kOverflowBackground:
      if (hasTrans) overflowColor_ = transColor;
      break;
    case kOverflowTransparent:
      if (img.alpha) {
        overflowColor_.reserved = 0;
      } else if (hasTrans) {
        overflowColor_ = transColor;
      }
      break;
    default: break;
  }
}

bool Sampler::edgeUnderZeroAlpha() const {
  return edges_ == SampleEdges::kNearestEdgeUnderZeroAlpha && overflow_ != kOverflowColor &&
         overflow_ != kOverflowRepeat;
}

int32_t Sampler::map(int32_t v, int32_t size) const {
  if (v >= 0 && v < size) return v;
  if (edges_ == SampleEdges::kNearestEdgeUnderZeroAlpha)
    return overflow_ == kOverflowColor ? -1 : std::clamp(v, 0, size - 1);
  switch (overflow_) {
    case kOverflowWrap: {
      const int32_t m = v % size;
      return m < 0 ? m + size : m;
    }
    case kOverflowMirror: {
      const int64_t period = int64_t(size) * 2;
      int64_t m = int64_t(v) % period;
      if (m < 0) m += period;
      return int32_t(m >= size ? period - 1 - m : m);
    }
    case kOverflowColor:
    case kOverflowBackground:
    case kOverflowTransparent: return -1;
    default: return std::clamp(v, 0, size - 1);  // repeat, and the fallback for unknown rules
  }
}

float Sampler::moveInside(float v, int32_t size) const {
  const float s = float(size);
  switch (overflow_) {
    case kOverflowWrap: {
      float m = std::fmod(v, s);
      return m < 0 ? m + s : m;
    }
    case kOverflowMirror: {
      float m = std::fmod(v, 2 * s);
      if (m < 0) m += 2 * s;
      return m >= s ? 2 * s - 1 - m : m;
    }
    default: return std::clamp(v, 0.0f, s - 1);
  }
}

ZvRGBQuad Sampler::at(int32_t x, int32_t y) const {
  const int32_t mx = mapX(x), my = mapY(y);
  if (mx < 0 || my < 0) return overflowColor_;
  ZvRGBQuad c = img_.pixelColor(mx, my, true);
  if (edges_ == SampleEdges::kNearestEdgeUnderZeroAlpha) {
    if ((mx != x || my != y) && edgeUnderZeroAlpha())
      c.reserved = 0;
    else if (!hasAlpha_)
      c.reserved = uint8_t(missingAlpha_);
  }
  return c;
}

Sample Sampler::outside(int32_t x, int32_t storedY) const {
  const int32_t mx = mapX(x), my = mapY(storedY);
  if (mx < 0 || my < 0)
    return {float(overflowColor_.blue), float(overflowColor_.green), float(overflowColor_.red),
            float(overflowColor_.reserved)};
  return pixel(mx, my, !edgeUnderZeroAlpha());
}

ZvRGBQuad Sampler::bilinear(float x, float y) const {
  if (!std::isfinite(x) || !std::isfinite(y)) return overflowColor_;
  if (edges_ == SampleEdges::kNearestEdgeUnderZeroAlpha) {
    // Within a pixel of the picture the float read; farther, the rule of a point outside.
    if (x < -1 || y < -1 || x > float(w_) || y > float(h_))
      return at(int32_t(std::clamp(x, -2.0f, float(w_) + 1)), int32_t(std::clamp(y, -2.0f, float(h_) + 1)));
    const Sample s = sampleBilinear(x, double(h_ - 1) - y);
    auto byte = [](float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f)); };
    return {byte(s.b), byte(s.g), byte(s.r), byte(s.a)};
  }
  float fx0 = std::floor(x), fy0 = std::floor(y);
  if (fx0 < -1 || fx0 >= float(w_) || fy0 < -1 || fy0 >= float(h_)) {
    if (overflow_ >= kOverflowColor && overflow_ <= kOverflowTransparent) return overflowColor_;
    x = moveInside(x, w_);
    y = moveInside(y, h_);
    fx0 = std::floor(x);
    fy0 = std::floor(y);
  }
  const int32_t x0 = int32_t(fx0), y0 = int32_t(fy0);
  if (fast24_ && x0 >= 0 && x0 + 1 < w_ && y0 >= 0 && y0 + 1 < h_) {
    const int32_t fx = int32_t((x - fx0) * 256), fy = int32_t((y - fy0) * 256);
    const int32_t w11 = (fx * fy) >> 8, w10 = fx - w11, w01 = fy - w11, w00 = 256 - fx - fy + w11;
    const uint8_t* r0 = img_.row(y0) + size_t(x0) * 3;
    const uint8_t* r1 = img_.row(y0 + 1) + size_t(x0) * 3;
    auto mix = [&](int c) {
      return uint8_t((w00 * r0[c] + w10 * r0[c + 3] + w01 * r1[c] + w11 * r1[c + 3]) >> 8);
    };
    ZvRGBQuad out = {mix(0), mix(1), mix(2), 0};
    if (img_.alpha) {
      const uint8_t* a0 = img_.alphaRow(y0) + x0;
      const uint8_t* a1 = img_.alphaRow(y0 + 1) + x0;
      out.reserved = uint8_t((w00 * a0[0] + w10 * a0[1] + w01 * a1[0] + w11 * a1[1]) >> 8);
    }
    return out;
  }
  const float dx = x - fx0, dy = y - fy0;
  const float w00 = (1 - dx) * (1 - dy), w10 = dx * (1 - dy), w01 = (1 - dx) * dy, w11 = dx * dy;
  const ZvRGBQuad p00 = at(x0, y0), p10 = at(x0 + 1, y0), p01 = at(x0, y0 + 1), p11 = at(x0 + 1, y0 + 1);
  auto mix = [&](uint8_t ZvRGBQuad::*c) {
    const float v = w00 * (p00.*c) + w10 * (p10.*c) + w01 * (p01.*c) + w11 * (p11.*c);
    return uint8_t(std::clamp(v, 0.0f, 255.0f));
  };
  return {mix(&ZvRGBQuad::blue), mix(&ZvRGBQuad::green), mix(&ZvRGBQuad::red),
          img_.alpha ? mix(&ZvRGBQuad::reserved) : uint8_t(0)};
}

}  // namespace zelvo

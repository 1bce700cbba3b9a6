// Effects that change the shape of a picture: turning by any angle, rounded corners as
// transparency, and soft shadows.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Effects.h"
#include "EffectsPixels.h"
#include "Sampler.h"

namespace zelvo::fx {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool turnRightAngle(Image& img, double a) {
  // a in [0, 360): exact quarter turns counter-clockwise.
  if (a == 90.0) return img.rotateLeft(nullptr);
  if (a == 180.0) return img.rotate180(nullptr);
  if (a == 270.0) return img.rotateRight(nullptr);
  return false;
}

// The rounded-rectangle test in coordinates centred on the rectangle.
bool insideRounded(double u, double v, double halfW, double halfH, double rx, double ry) {
  u = std::fabs(u);
  v = std::fabs(v);
  if (u > halfW || v > halfH) return false;
  if (rx <= 0 || ry <= 0) return true;
  const double cu = u - (halfW - rx), cv = v - (halfH - ry);
  if (cu <= 0 || cv <= 0) return true;
  return (cu * cu) / (rx * rx) + (cv * cv) / (ry * ry) <= 1.0;
}

}  // namespace

bool rotate(Image& img, float angle, int32_t method, int32_t overflow, const ZvRGBQuad* fill,
            bool rightAngles, bool keepSize) {
  if (!img.valid() || !std::isfinite(angle)) return false;
  double a = std::fmod(double(angle), 360.0);
  if (a < 0) a += 360.0;
  if (a == 0.0) return true;
  if (rightAngles && !keepSize && turnRightAngle(img, a)) return true;
  if (!ensure24(img)) return false;

  const double rad = a * kPi / 180.0, c = std::cos(rad), s = std::sin(rad);
  const int32_t w = img.width(), h = img.height();
  int64_t nw = w, nh = h;
  if (!keepSize) {
    // Small tolerance so that quarter turns do not gain a pixel from rounding.
    nw = int64_t(std::ceil(std::fabs(w * c) + std::fabs(h * s) - 1e-6));
    nh = int64_t(std::ceil(std::fabs(w * s) + std::fabs(h * c) - 1e-6));
    nw = std::max<int64_t>(nw, 1);
    nh = std::max<int64_t>(nh, 1);
  }
  const bool repeat = overflow == ZV_OVERFLOW_REPEAT;
  const bool transparentCorners = overflow != ZV_OVERFLOW_COLOR && !repeat;
  ImagePtr out = Image::make(img.info.type);
  out->copyInfo(img);
  if (!out->create(uint32_t(nw), uint32_t(nh), 24, img.info.type)) {
    img.setLastError(out->lastError());
    return false;
  }
  if ((transparentCorners || img.alpha) && !out->allocAlpha(255)) return false;

  const ZvRGBQuad white{255, 255, 255, 0};
  // Outside the picture the edge colour under zero alpha: no light fringe in the turned edges.
  const Sampler sampler(img, overflow, fill ? *fill : white, SampleEdges::kNearestEdgeUnderZeroAlpha);
  const double ocx = w / 2.0, ocy = h / 2.0, ncx = double(nw) / 2.0, ncy = double(nh) / 2.0;
  for (int64_t Y = 0; Y < nh; ++Y) {
    const int32_t stored = int32_t(nh - 1 - Y);
    uint8_t* p = out->row(stored);
    uint8_t* pa = out->alpha ? out->alphaRow(stored) : nullptr;
    const double v = double(Y) + 0.5 - ncy;
    for (int64_t X = 0; X < nw; ++X, p += 3) {
      const double u = double(X) + 0.5 - ncx;
      const double sx = u * c - v * s + ocx - 0.5, sy = u * s + v * c + ocy - 0.5;
      Sample q;
      if (sx < -1.0 || sy < -1.0 || sx > w || sy > h)
        // Farther out than a pixel: repeat shows the nearest edge pixel; the other rules give
        // one colour to every such point.
        q = repeat ? sampler.sampleAt(int32_t(std::clamp(std::floor(sx), -2.0, double(w) + 1)),
                                      int32_t(std::clamp(std::floor(sy), -2.0, double(h) + 1)))
                   : sampler.sampleAt(-2, -2);
      else if (method == ZV_INTERPOLATE_BILINEAR)
        q = sampler.sampleBilinear(sx, sy);
      else
        q = sampler.sampleAt(int32_t(std::lround(sx)), int32_t(std::lround(sy)));
      p[0] = clampByte(double(q.b) + 0.5);
      p[1] = clampByte(double(q.g) + 0.5);
      p[2] = clampByte(double(q.r) + 0.5);
      if (pa) pa[X] = clampByte(double(q.a) + 0.5);
    }
  }
  return img.transfer(*out, false);
}

bool roundRectToAlpha(Image& img, ZvRect rect, int32_t ellipseW, int32_t ellipseH) {
  if (!img.valid()) return false;
  if (!img.alpha && !img.allocAlpha(255)) return false;
  const int32_t w = img.width(), h = img.height();
  const double halfW = (double(rect.right) - rect.left) / 2.0;
  const double halfH = (double(rect.bottom) - rect.top) / 2.0;
  const double cx = (double(rect.left) + rect.right) / 2.0, cy = (double(rect.top) + rect.bottom) / 2.0;
  const double rx = std::clamp(ellipseW / 2.0, 0.0, std::max(halfW, 0.0));
  const double ry = std::clamp(ellipseH / 2.0, 0.0, std::max(halfH, 0.0));
  constexpr int kSub = 4;  // 4 x 4 samples smooth the curved edge
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* a = img.alphaRow(h - 1 - y);
    for (int32_t x = 0; x < w; ++x) {
      if (halfW <= 0 || halfH <= 0) {
        a[x] = 0;
        continue;
      }
      const double u = x + 0.5 - cx, v = y + 0.5 - cy;
      // Fully inside the straight part: nothing to do.
      if (std::fabs(u) + 0.5 <= halfW - rx || std::fabs(v) + 0.5 <= halfH - ry) {
        if (std::fabs(u) + 0.5 > halfW || std::fabs(v) + 0.5 > halfH) {
          if (!insideRounded(u, v, halfW, halfH, rx, ry)) a[x] = 0;
        }
        continue;
      }
      int hits = 0;
      for (int j = 0; j < kSub; ++j)
        for (int i = 0; i < kSub; ++i)
          hits += insideRounded(u - 0.5 + (i + 0.5) / kSub, v - 0.5 + (j + 0.5) / kSub, halfW, halfH, rx, ry);
      a[x] = uint8_t(a[x] * hits / (kSub * kSub));
    }
  }
  return true;
}

bool drawShadow(Image& img, ZvRect rect, float angle, int32_t softness, uint32_t color,
                int32_t strengthTenths, int32_t opacity256, int32_t dx, int32_t dy,
                int32_t cornerPercent) {
  (void)dx;
  (void)dy;  // the caster lies displaced from the shadow; the shadow itself stays at rect
  if (!ensure24(img) || !std::isfinite(angle)) return false;
  const double rw = double(rect.right) - rect.left, rh = double(rect.bottom) - rect.top;
  if (rw <= 0 || rh <= 0) return true;
  const int32_t reach = std::clamp(softness, 0, 256);
  const double rad = std::fmod(double(angle), 360.0) * kPi / 180.0, c = std::cos(rad), s = std::sin(rad);
  const double cx = (double(rect.left) + rect.right) / 2.0, cy = (double(rect.top) + rect.bottom) / 2.0;
  const double halfBW = (std::fabs(rw * c) + std::fabs(rh * s)) / 2.0;
  const double halfBH = (std::fabs(rw * s) + std::fabs(rh * c)) / 2.0;
  // The shadow's box with room for the blur, limited to the picture.
  const int64_t x0 = std::max<int64_t>(0, int64_t(std::floor(cx - halfBW)) - reach);
  const int64_t y0 = std::max<int64_t>(0, int64_t(std::floor(cy - halfBH)) - reach);
  const int64_t x1 = std::min<int64_t>(img.width(), int64_t(std::ceil(cx + halfBW)) + reach);
  const int64_t y1 = std::min<int64_t>(img.height(), int64_t(std::ceil(cy + halfBH)) + reach);
  if (x0 >= x1 || y0 >= y1) return true;
  const int32_t mw = int32_t(x1 - x0), mh = int32_t(y1 - y0);
  std::vector<uint8_t> mask;
  try {
    mask.assign(size_t(mw) * size_t(mh), 0);
  } catch (...) {
    return false;
  }
  const double pct = std::clamp(cornerPercent, 0, 100) / 100.0;
  const double rx = pct * rw / 2.0, ry = pct * rh / 2.0;
  for (int32_t j = 0; j < mh; ++j)
    for (int32_t i = 0; i < mw; ++i) {
      const double u = double(x0 + i) + 0.5 - cx, v = double(y0 + j) + 0.5 - cy;
      // Back into the unturned rectangle (turning counter-clockwise, y down).
      const double lu = u * c - v * s, lv = u * s + v * c;
      if (insideRounded(lu, lv, rw / 2.0, rh / 2.0, rx, ry)) mask[size_t(j) * size_t(mw) + size_t(i)] = 255;
    }
  blurPlanes(mask.data(), mw, mh, 1, mw, float(reach));
  const int64_t strength = int64_t(std::clamp(strengthTenths, 0, 10)) * std::clamp(opacity256, 0, 256);
  const uint8_t cr = uint8_t(color & 0xff), cg = uint8_t((color >> 8) & 0xff), cb = uint8_t((color >> 16) & 0xff);
  const int32_t h = img.height();
  for (int32_t j = 0; j < mh; ++j) {
    uint8_t* p = img.row(h - 1 - int32_t(y0 + j)) + size_t(x0) * 3;
    const uint8_t* m = mask.data() + size_t(j) * size_t(mw);
    for (int32_t i = 0; i < mw; ++i, p += 3) {
      const int64_t a = std::min<int64_t>(255, int64_t(m[i]) * strength / 2560);
      if (a == 0) continue;
      p[0] = uint8_t((p[0] * (255 - a) + cb * a) / 255);
      p[1] = uint8_t((p[1] * (255 - a) + cg * a) / 255);
      p[2] = uint8_t((p[2] * (255 - a) + cr * a) / 255);
    }
  }
  return true;
}

}  // namespace zelvo::fx

// Compositing: PasteAt, BlendLayer and FillColor.
#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

#include "Image.h"

namespace zelvo {

void Image::pasteAt(const Image& src, int32_t xOffset, int32_t yOffset) {
  if (!valid() || !src.valid()) return;
  const bool keyed = src.info.transIndex >= 0;
  for (int32_t sy = 0; sy < src.height(); ++sy) {
    const int64_t dy = int64_t(sy) + yOffset;
    if (dy < 0 || dy >= height()) continue;
    for (int32_t sx = 0; sx < src.width(); ++sx) {
      const int64_t dx = int64_t(sx) + xOffset;
      if (dx < 0 || dx >= width()) continue;
      if (keyed && src.transparentAt(sx, sy)) continue;
      setPixelColor(int32_t(dx), int32_t(dy), src.pixelColor(sx, sy, true), false);
    }
  }
}

namespace {

constexpr std::array<int32_t, 13> kBlendCodes = {
    ZV_BLEND_ADD,         ZV_BLEND_AND,        ZV_BLEND_XOR,      ZV_BLEND_OR,
    ZV_BLEND_BLACK_KEY,   ZV_BLEND_UNDER,      ZV_BLEND_OVER_OPAQUE, ZV_BLEND_SUBTRACT,
    ZV_BLEND_SOURCE_ALPHA, ZV_BLEND_AVERAGE,   ZV_BLEND_DEST_ALPHA, ZV_BLEND_GREY_TO_ALPHA,
    ZV_BLEND_COPY};

uint8_t sat(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

template <typename F>
ZvRGBQuad perChannel(ZvRGBQuad s, ZvRGBQuad d, F f) {
  return {sat(f(s.blue, d.blue)), sat(f(s.green, d.green)), sat(f(s.red, d.red)),
          sat(f(s.reserved, d.reserved))};
}

// s over d by weight w of s (0..255); the result alpha is w x d alpha / 255.
ZvRGBQuad weighted(ZvRGBQuad s, ZvRGBQuad d, int32_t w) {
  ZvRGBQuad r;
  if (w == 0) r = d;
  else if (w == 255) r = s;
  else r = perChannel(s, d, [w](int32_t a, int32_t b) { return (a * w + b * (255 - w)) / 255; });
  r.reserved = uint8_t(w * d.reserved / 255);
  return r;
}

struct BlendPixel {
  const Image& src;
  const Image& dst;
  int32_t op;

  ZvRGBQuad operator()(ZvRGBQuad s, ZvRGBQuad d, int32_t sx, int32_t sy, int32_t dx, int32_t dy) const {
    switch (op) {
      case ZV_BLEND_ADD: return perChannel(s, d, [](int32_t a, int32_t b) { return a + b; });
      case ZV_BLEND_AND: return perChannel(s, d, [](int32_t a, int32_t b) { return a & b; });
      case ZV_BLEND_XOR: return perChannel(s, d, [](int32_t a, int32_t b) { return a ^ b; });
      case ZV_BLEND_OR: return perChannel(s, d, [](int32_t a, int32_t b) { return a | b; });
      case ZV_BLEND_BLACK_KEY: return (s.blue | s.green | s.red) ? d : dst.info.transColor;
      case ZV_BLEND_UNDER: return dst.transparentAt(dx, dy) ? s : d;
      case ZV_BLEND_OVER_OPAQUE: return src.transparentAt(sx, sy) ? d : s;
      case ZV_BLEND_SUBTRACT: return perChannel(s, d, [](int32_t a, int32_t b) { return b - a; });
      case ZV_BLEND_SOURCE_ALPHA: {
        if (src.transparentAt(sx, sy)) return weighted(s, d, 0);
        return weighted(s, d, src.alpha ? s.reserved : 255);
      }
      case ZV_BLEND_AVERAGE: return perChannel(s, d, [](int32_t a, int32_t b) { return (a + b) / 2; });
      case ZV_BLEND_DEST_ALPHA: {
        // The weight is this image's: 255 keeps d, 0 takes s.
        int32_t w;
        if (src.transparentAt(sx, sy)) w = 255;
        else if (dst.transparentAt(dx, dy)) w = 0;
        else w = dst.alpha ? d.reserved : 0;
        ZvRGBQuad r = weighted(d, s, w);
        r.reserved = uint8_t(w * d.reserved / 255);
        return r;
      }
      case ZV_BLEND_GREY_TO_ALPHA: {
        ZvRGBQuad r = d;
        r.reserved = uint8_t((601 * s.green + 306 * s.red + 117 * s.blue) >> 10);
        return r;
      }
      default: return s;  // 35
    }
  }
};

}  // namespace

bool Image::blendLayer(Image& src, int32_t op, ZvRect rect, ZvPoint offset, bool useSrcAlpha, bool topDown) {
  if (!valid()) return false;
  // Codes without a formula are refused before anything changes.
  if (std::find(kBlendCodes.begin(), kBlendCodes.end(), op) == kBlendCodes.end()) return false;
  if (!src.valid()) return false;
  const bool alphaMode = op == ZV_BLEND_GREY_TO_ALPHA || (useSrcAlpha && src.alpha);
  if (alphaMode && !allocAlpha()) return false;

  const int32_t sw = src.width(), sh = src.height();
  int32_t x0 = 0, x1 = sw, y0 = 0, y1 = sh;
  if (rect.right != 0) {
    x0 = std::clamp(rect.left, 0, sw), x1 = std::clamp(rect.right, 0, sw);
    y0 = std::clamp(rect.top, 0, sh), y1 = std::clamp(rect.bottom, 0, sh);
  }
  if (topDown) std::tie(y0, y1) = std::pair{sh - y1, sh - y0};
  const int64_t rowStart = topDown ? int64_t(height()) + y0 - offset.y - y1 : int64_t(offset.y);

  statusBegin(u"混合图层");
  const BlendPixel blend{src, *this, op};
  for (int32_t sy = y0; sy < y1; ++sy) {
    const int64_t dy = rowStart + (sy - y0);
    if (dy >= height()) break;
    if (dy >= 0) {
      for (int32_t sx = x0; sx < x1; ++sx) {
        const int64_t dx = int64_t(offset.x) + (sx - x0);
        if (dx >= width()) break;
        if (dx < 0) continue;
        const ZvRGBQuad d = pixelColor(int32_t(dx), int32_t(dy), true);
        const ZvRGBQuad s = src.pixelColor(sx, sy, true);
        setPixelColor(int32_t(dx), int32_t(dy), blend(s, d, sx, sy, int32_t(dx), int32_t(dy)), alphaMode);
      }
    }
    const int32_t pct = y1 > 0 ? int32_t(int64_t(sy - y0 + 1) * 100 / y1) : 0;
    info.progress = pct;
    statusProgress(pct);
  }
  statusEnd();
  return true;
}

bool Image::fillColor(ZvRGBQuad c, const ZvRect* rect, bool setAlpha) {
  if (!valid()) return false;
  ZvRect r = rect ? *rect : ZvRect{0, 0, width(), height()};
  const int32_t left = std::clamp(r.left, 0, width()), right = std::clamp(r.right, 0, width());
  const int32_t top = std::clamp(r.top, 0, height()), bottom = std::clamp(r.bottom, 0, height());
  // An inverted rectangle (right < left or bottom < top) covers nothing; the spans below
  // must never be negative.
  if (right <= left || bottom <= top) return true;
  const bool writeAlpha = setAlpha && alpha;
  const uint8_t index = numColors() ? nearestIndex(c) : 0;
  for (int32_t t = top; t < bottom; ++t) {
    const int32_t y = height() - t - 1;
    if (depth() == 24) {
      uint8_t* p = row(y) + size_t(left) * 3;
      for (int32_t x = left; x < right; ++x, p += 3) p[0] = c.blue, p[1] = c.green, p[2] = c.red;
    } else {
      for (int32_t x = left; x < right; ++x) setPixelIndex(x, y, index);
    }
    if (writeAlpha) std::fill(alphaRow(y) + left, alphaRow(y) + right, c.reserved);
  }
  return true;
}

}  // namespace zelvo

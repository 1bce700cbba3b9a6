// Per-pixel colour effects: grey, negative, shifts, tones, light, styles, posterize.
#include <cmath>

#include "Effects.h"
#include "EffectsPixels.h"

namespace zelvo::fx {

bool grayScale(Image& img) {
  if (!img.valid()) return false;
  auto grey = [](uint8_t& b, uint8_t& g, uint8_t& r) { b = g = r = uint8_t(luminance(r, g, b)); };
  if (!forEachPaletteEntry(img, grey)) forEachPixel(img, grey);
  return true;
}

bool negative(Image& img) {
  if (!img.valid()) return false;
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(255 - i);
  applyTable(img, t);
  return true;
}

bool colorShift(Image& img, int32_t red, int32_t green, int32_t blue) {
  if (!img.valid()) return false;
  auto shift = [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    r = clampByte(int64_t(r) + red);
    g = clampByte(int64_t(g) + green);
    b = clampByte(int64_t(b) + blue);
  };
  if (!forEachPaletteEntry(img, shift)) forEachPixel(img, shift);
  return true;
}

bool toneAdjust(Image& img, int32_t red, int32_t green, int32_t blue, bool keepColor) {
  if (!ensure24(img)) return false;
  const int tone[3] = {clampByte(int64_t(blue)), clampByte(int64_t(green)), clampByte(int64_t(red))};
  // One curve per channel through black, the tone colour at mid grey, and white.
  uint8_t curve[3][256];
  for (int c = 0; c < 3; ++c)
    for (int l = 0; l < 256; ++l)
      curve[c][l] = uint8_t(l < 128 ? l * tone[c] / 128 : tone[c] + (l - 128) * (255 - tone[c]) / 127);
  forEachPixel(img, [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    const int l = luminance(r, g, b);
    if (keepColor) {
      b = uint8_t((b + curve[0][l]) / 2);
      g = uint8_t((g + curve[1][l]) / 2);
      r = uint8_t((r + curve[2][l]) / 2);
    } else {
      b = curve[0][l];
      g = curve[1][l];
      r = curve[2][l];
    }
  });
  return true;
}

bool tonePreset(Image& img, int32_t value) {
  if (value == 0) return img.valid();
  // Hue from the value, moderate saturation: a gentle tint rather than a poster colour.
  const double hue = std::fmod(double(value) < 0 ? -double(value) : double(value), 360.0) / 60.0;
  const double s = 0.45, v = 0.78;
  const double c = v * s, x = c * (1 - std::fabs(std::fmod(hue, 2.0) - 1)), m = v - c;
  double rgb[3] = {0, 0, 0};
  const int sector = int(hue) % 6;
  static const int kOrder[6][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}};
  // kOrder gives where c, x and 0 go (red, green, blue) in each sector.
  const double parts[3] = {c, x, 0};
  for (int i = 0; i < 3; ++i) rgb[kOrder[sector][i]] = parts[i];
  return toneAdjust(img, int32_t((rgb[0] + m) * 255), int32_t((rgb[1] + m) * 255),
                    int32_t((rgb[2] + m) * 255), false);
}

bool brightnessContrast(Image& img, int32_t brightness, int32_t contrast) {
  if (!img.valid()) return false;
  const int64_t b = std::clamp<int64_t>(brightness, -255, 255);
  const int64_t k = std::clamp<int64_t>(contrast, -100, 100) + 100;
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = clampByte((i - 128) * k / 100 + 128 + b);
  applyTable(img, t);
  return true;
}

bool gamma(Image& img, float g) {
  if (!img.valid() || !std::isfinite(g) || g <= 0.0f) return false;
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = clampByte(255.0 * std::pow(i / 255.0, 1.0 / g) + 0.5);
  applyTable(img, t);
  return true;
}

bool solarize(Image& img, uint8_t threshold) {
  if (!img.valid()) return false;
  uint8_t t[256];
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(i > threshold ? 255 - i : i);
  applyTable(img, t);
  return true;
}

bool posterize(Image& img, int32_t bits) {
  if (!img.valid() || bits < 1 || bits > 8) return false;
  const int levels = (1 << bits) - 1;
  uint8_t t[256];
  // Nearest of the evenly spaced levels, so white stays white.
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(((i * levels + 127) / 255) * 255 / levels);
  applyTable(img, t);
  return true;
}

namespace {

struct StyleMatrix {
  float m[3][3];  // rows: red, green, blue out; columns: red, green, blue in
  float add[3];
};

constexpr StyleMatrix kStyles[] = {
    // sepia
    {{{0.393f, 0.769f, 0.189f}, {0.349f, 0.686f, 0.168f}, {0.272f, 0.534f, 0.131f}}, {0, 0, 0}},
    // cool: a little bluer, a little less saturated
    {{{0.80f, 0.12f, 0.03f}, {0.05f, 0.90f, 0.05f}, {0.03f, 0.12f, 0.95f}}, {-4, 2, 16}},
    // warm
    {{{1.05f, 0.05f, 0.0f}, {0.02f, 0.98f, 0.0f}, {0.0f, 0.05f, 0.80f}}, {12, 4, -6}},
    // faded: lifted blacks, low contrast, yellowish
    {{{0.62f, 0.10f, 0.04f}, {0.06f, 0.62f, 0.06f}, {0.04f, 0.10f, 0.52f}}, {52, 44, 34}},
};

}  // namespace

bool colorStyle(Image& img, int32_t style) {
  if (style < 0 || style >= int32_t(std::size(kStyles)) || !ensure24(img)) return false;
  const StyleMatrix& s = kStyles[style];
  forEachPixel(img, [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    const float in[3] = {float(r), float(g), float(b)};
    uint8_t out[3];
    for (int c = 0; c < 3; ++c)
      out[c] = clampByte(double(s.m[c][0] * in[0] + s.m[c][1] * in[1] + s.m[c][2] * in[2] + s.add[c]));
    r = out[0];
    g = out[1];
    b = out[2];
  });
  return true;
}

}  // namespace zelvo::fx

// Helpers for the image-core tests: patterned pictures, pixel hashes, slot calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TestEnv.h"
#include "core/Image.h"

namespace coretest {

using zelvo::Image;
using zelvo::ImagePtr;

inline const ZvImageOps& ops(const Image& img) { return *img.ops; }

inline ZvRGBQuad rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) { return {b, g, r, a}; }
inline bool same(ZvRGBQuad x, ZvRGBQuad y, bool alpha = false) {
  return x.blue == y.blue && x.green == y.green && x.red == y.red && (!alpha || x.reserved == y.reserved);
}
inline std::string str(ZvRGBQuad c) {
  return "(" + std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) + "," +
         std::to_string(c.reserved) + ")";
}

// A Python that has PIL (the Debian one may sit behind another python3 on PATH), or "".
inline std::string pilPython() {
  for (const char* py : {"/usr/bin/python3", "python3"})
    if (gallivo::test::run(std::string(py) + " -c 'import PIL'") == 0) return py;
  return "";
}

// A w x h picture whose every pixel is distinct enough to show a misplaced one.
inline ImagePtr pattern(int32_t w, int32_t h, uint32_t bpp = 24, bool withAlpha = false) {
  ImagePtr img = Image::make();
  if (!img->create(uint32_t(w), uint32_t(h), bpp, 0)) return img;
  if (bpp <= 8) {
    const uint32_t n = img->numColors();
    for (uint32_t i = 0; i < n; ++i)
      img->palette()[i] = rgb(uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 3 + 7), 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) img->setPixelIndex(x, y, uint8_t((x * 7 + y * 13) % n));
  } else {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        img->setPixelColor(x, y, rgb(uint8_t(x * 17 + y), uint8_t(y * 29 + 3), uint8_t((x ^ y) * 5)), false);
  }
  if (withAlpha) {
    img->allocAlpha();
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) img->alphaRow(y)[x] = uint8_t(x * 31 + y * 7);
  }
  return img;
}

inline ImagePtr solid(int32_t w, int32_t h, ZvRGBQuad c) {
  ImagePtr img = Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  img->fillColor(c, nullptr, false);
  return img;
}

// FNV-1a over the visible pixel bytes (row padding excluded), the palette and the alpha plane.
inline uint64_t pixelHash(const Image& img) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  if (!img.valid()) return 0;
  const size_t rowBytes = (size_t(img.width()) * img.depth() + 7) / 8;
  for (int32_t y = 0; y < img.height(); ++y) mix(img.row(y), rowBytes);
  if (img.palette()) mix(reinterpret_cast<const uint8_t*>(img.palette()), img.numColors() * 4);
  if (img.alpha) mix(img.alpha.get(), size_t(img.width()) * img.height());
  return h;
}

}  // namespace coretest

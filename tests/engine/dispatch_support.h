// Helpers of the dispatch, JPEG and sprite-sheet tests: pictures in memory, files on disk.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestFiles.h"
#include "core/Image.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"
#include "zlvplatform.h"

namespace zelvo::test {

using Bytes = std::vector<uint8_t>;

using gallivo::test::readFile;
using gallivo::test::u16;
using gallivo::test::writeFile;

struct Rgb {
  uint8_t r, g, b;
};

// A 24-bit picture whose four quadrants (top-left, top-right, bottom-left, bottom-right
// as seen on screen) have the given colours.
inline ImagePtr quadrants(int32_t w, int32_t h, Rgb tl, Rgb tr, Rgb bl, Rgb br) {
  ImagePtr img = Image::make();
  if (!img->create(uint32_t(w), uint32_t(h), 24, 0)) return nullptr;
  for (int32_t y = 0; y < h; ++y) {  // y counts from the top
    uint8_t* row = img->row(h - 1 - y);
    for (int32_t x = 0; x < w; ++x) {
      const Rgb& c = y < h / 2 ? (x < w / 2 ? tl : tr) : (x < w / 2 ? bl : br);
      row[x * 3] = c.b, row[x * 3 + 1] = c.g, row[x * 3 + 2] = c.r;
    }
  }
  return img;
}

// A smooth 24-bit test picture (gradients), easy on a lossy coder.
inline ImagePtr gradient(int32_t w, int32_t h) {
  ImagePtr img = Image::make();
  if (!img->create(uint32_t(w), uint32_t(h), 24, 0)) return nullptr;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = img->row(h - 1 - y);
    for (int32_t x = 0; x < w; ++x) {
      row[x * 3] = uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
      row[x * 3 + 1] = uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
      row[x * 3 + 2] = uint8_t(128 + (x - y) / 4);
    }
  }
  return img;
}

// The colour seen at (x, y), y from the top.
inline Rgb colorAt(const Image& img, int32_t x, int32_t y) {
  ZvRGBQuad q = img.pixelColor(x, img.height() - 1 - y, false);
  return {q.red, q.green, q.blue};
}

inline bool near(Rgb a, Rgb b, int tol) {
  return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

// Encodes into memory with the dispatch; empty on failure.
inline Bytes encodeToBytes(Image& img, uint32_t type) {
  StreamPtr s = makeMemoryWriter();
  if (!zelvo::encode(img, s.get(), type)) return {};
  size_t n = 0;
  MallocPtr buf(detachMemoryBuffer(s.get(), &n));
  return Bytes(buf.get(), buf.get() + n);
}

// Mean and largest absolute channel difference between two 24-bit pictures of one size.
struct Diff {
  double mean = 0;
  int max = 0;
};
inline Diff compare(const Image& a, const Image& b) {
  Diff d;
  uint64_t sum = 0, n = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width(); ++x) {
      ZvRGBQuad p = a.pixelColor(x, y, false), q = b.pixelColor(x, y, false);
      for (int c = 0; c < 3; ++c) {
        int v = std::abs(int((&p.blue)[c]) - int((&q.blue)[c]));
        sum += unsigned(v), ++n;
        if (v > d.max) d.max = v;
      }
    }
  d.mean = n ? double(sum) / double(n) : 0;
  return d;
}

// A binary PPM (P6) read into a 24-bit picture; null when it is not one.
inline ImagePtr readPpm(const Bytes& b) {
  std::string head(b.begin(), b.begin() + std::min<size_t>(b.size(), 64));
  int w = 0, h = 0, max = 0, used = 0;
  if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255)
    return nullptr;
  const size_t start = size_t(used) + 1;
  if (b.size() < start + size_t(w) * h * 3) return nullptr;
  ImagePtr img = Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = img->row(h - 1 - y);
    const uint8_t* src = b.data() + start + size_t(y) * w * 3;
    for (int x = 0; x < w; ++x)
      row[x * 3] = src[x * 3 + 2], row[x * 3 + 1] = src[x * 3 + 1], row[x * 3 + 2] = src[x * 3];
  }
  return img;
}

inline Bytes toPpm(const Image& img) {
  std::string head = "P6\n" + std::to_string(img.width()) + " " + std::to_string(img.height()) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      ZvRGBQuad q = img.pixelColor(x, img.height() - 1 - y, false);
      out.push_back(q.red), out.push_back(q.green), out.push_back(q.blue);
    }
  return out;
}

}  // namespace zelvo::test

// Fixtures for the frame-template tests: solid and patterned pictures, a small BMP
// writer, and a builder for multi-window frame files.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestFiles.h"
#include "core/Image.h"
#include "formats/Dispatch.h"
#include "frames/FrameManager.h"
#include "frames/FrameTemplate.h"
#include "frames/MultiFrameFile.h"

namespace frames_test {

using zelvo::Image;
using zelvo::ImagePtr;

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

// A 24-bit picture; fill(x, y) gives the colour at top-down (x, y).
template <class Fill>
ImagePtr picture(int32_t w, int32_t h, Fill fill) {
  ImagePtr img = Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* p = img->row(h - 1 - y);
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const Rgb c = fill(x, y);
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  return img;
}

inline ImagePtr solid(int32_t w, int32_t h, Rgb c) {
  return picture(w, h, [c](int32_t, int32_t) { return c; });
}

// Colour at top-down (x, y).
inline Rgb at(const Image& img, int32_t x, int32_t y) {
  const uint8_t* p = img.row(img.height() - 1 - y) + size_t(x) * 3;
  return {p[2], p[1], p[0]};
}

using gallivo::test::u16;
using gallivo::test::writeFile;
using gallivo::test::writeText;

// A bottom-up 24-bit BMP of the picture, written independently of the engine's encoder.
inline std::vector<uint8_t> bmpBytes(const Image& img) {
  const int32_t w = img.width(), h = img.height();
  const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u, size = 54 + stride * uint32_t(h);
  std::vector<uint8_t> b(size, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, stride * uint32_t(h));
  for (int32_t y = 0; y < h; ++y) std::memcpy(&b[54 + size_t(y) * stride], img.row(y), size_t(w) * 3);
  return b;
}

// Builds a multi-window frame file byte by byte at the documented offsets.
class ZlveBuilder {
 public:
  ZlveBuilder() : h_(zelvo::kMultiHeaderSize, 0) {
    signature("Zelvo Multi Frame|0001");
    put<int32_t>(252, -1);
  }
  ZlveBuilder& signature(const std::string& s) {
    h_[0] = 22;
    std::memset(&h_[1], 0, 22);
    std::memcpy(&h_[1], s.data(), std::min<size_t>(s.size(), 22));
    return *this;
  }
  ZlveBuilder& size(int32_t w, int32_t h) { return put<int32_t>(36, w).put<int32_t>(40, h); }
  ZlveBuilder& count(uint32_t n) { return put<uint32_t>(44, n); }
  ZlveBuilder& artwork(std::vector<uint8_t> bytes) {
    put<int32_t>(252, 0);
    art_ = std::move(bytes);
    return *this;
  }
  ZlveBuilder& shadow(int32_t dx, int32_t dy) { return put<int32_t>(264, dx).put<int32_t>(268, dy); }
  ZlveBuilder& corners(int32_t percent) { return put<int32_t>(272, percent); }
  // Window t's rectangle; fields of the record are set with field().
  ZlveBuilder& window(uint32_t t, ZvRect r) {
    return field<int32_t>(t, 0, r.left).field<int32_t>(t, 4, r.top).field<int32_t>(t, 8, r.right).field<int32_t>(t, 12, r.bottom);
  }
  template <class T>
  ZlveBuilder& field(uint32_t t, size_t offset, T v) {
    return put<T>(zelvo::kWindowRecordOffset + size_t(t) * zelvo::kWindowRecordSize + offset, v);
  }
  template <class T>
  ZlveBuilder& put(size_t offset, T v) {
    std::memcpy(&h_[offset], &v, sizeof v);
    return *this;
  }
  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> all = h_;
    all.insert(all.end(), art_.begin(), art_.end());
    return all;
  }
  void write(const std::filesystem::path& p) const { writeFile(p, bytes()); }

 private:
  std::vector<uint8_t> h_;
  std::vector<uint8_t> art_;
};

// RAII owner of a template made through the manager's table.
struct TemplateDeleter {
  void operator()(ZvFrameTemplate* t) const noexcept {
    ZvFrameTemplate* m = zelvo::frameManager();
    m->ops->DestroyTemplate(m, t);
  }
};
using TemplatePtr = std::unique_ptr<ZvFrameTemplate, TemplateDeleter>;

inline TemplatePtr makeTemplate(uint32_t type) {
  ZvFrameTemplate* m = zelvo::frameManager();
  return TemplatePtr(m->ops->CreateTemplate(m, type));
}

}  // namespace frames_test

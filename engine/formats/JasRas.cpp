// Sun raster: 32-byte big-endian header, optional RGB colour map, rows padded to 16 bits;
// depths 1, 8, 24 (BGR, or RGB for type 3) and 32 (pad byte first); type 2 is the
// byte-level RLE with escape 0x80.
#include <vector>

#include "JasFamily.h"
#include "RasterIO.h"

namespace zelvo::jas {
namespace {

constexpr uint32_t kMagic = 0x59A66A95;
enum : uint32_t { kOld = 0, kStandard = 1, kRle = 2, kRgb = 3 };

// RLE stream reader: 0x80 0 is a literal 0x80, 0x80 n v is n + 1 copies of v.
class RleReader {
 public:
  explicit RleReader(rio::ByteReader& r) : r_(r) {}
  bool read(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      if (left_ == 0) {
        int c = r_.get();
        if (c < 0) return false;
        if (c == 0x80) {
          int k = r_.get();
          if (k < 0) return false;
          if (k == 0) {
            value_ = 0x80;
            left_ = 1;
          } else {
            int v = r_.get();
            if (v < 0) return false;
            value_ = uint8_t(v);
            left_ = uint32_t(k) + 1;
          }
        } else {
          value_ = uint8_t(c);
          left_ = 1;
        }
      }
      out[i] = value_;
      --left_;
    }
    return true;
  }

 private:
  rio::ByteReader& r_;
  uint8_t value_ = 0;
  uint32_t left_ = 0;
};

}  // namespace

bool decodeRas(Image& img, StreamRef in) {
  uint8_t h[32];
  if (!in.readExact(h, 32) || rio::be32(h) != kMagic) return fail(img, "Not a Sun raster");
  const uint32_t w = rio::be32(h + 4), ht = rio::be32(h + 8), depth = rio::be32(h + 12);
  const uint32_t type = rio::be32(h + 20), mapType = rio::be32(h + 24), mapLength = rio::be32(h + 28);
  if (w == 0 || ht == 0 || (depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > kRgb || mapType > 1 ||
      (mapType == 1 && (mapLength % 3 != 0 || mapLength > 768)) || (mapType == 0 && mapLength != 0)) {
    return fail(img, "Not a Sun raster");
  }
  const uint32_t outBpp = depth >= 24 ? 24 : depth;
  if (img.info.escape == -1) return rio::headerOnly(img, w, ht, uint16_t(outBpp), ZV_TYPE_RAS);
  ZvRGBQuad pal[256] = {};
  const uint32_t colors = mapLength / 3;
  if (mapLength) {
    uint8_t map[768];
    if (!in.readExact(map, mapLength)) return fail(img, "Truncated Sun raster");
    for (uint32_t i = 0; i < colors; ++i) pal[i] = {map[2 * colors + i], map[colors + i], map[i], 0};
  }
  // Three RLE bytes make at most 256.
  const uint64_t body = ((uint64_t(w) * depth + 15) / 16) * 2 * ht;
  if (!rio::bodyCanHold(img, in, body, type == kRle ? 86 : 1, "Truncated Sun raster") ||
      !rio::createChecked(img, w, ht, outBpp, ZV_TYPE_RAS))
    return false;
  if (depth == 1 && colors == 0) {
    pal[0] = {255, 255, 255, 0};  // 0 is white without a map
    pal[1] = {0, 0, 0, 0};
  } else if (depth == 8 && colors == 0) {
    for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  }
  if (outBpp <= 8) img.setPalette(pal, 1u << outBpp);

  const size_t lineBytes = ((uint64_t(w) * depth + 15) / 16) * 2;
  std::vector<uint8_t> line(lineBytes);
  rio::ByteReader r(in);
  RleReader rle(r);
  for (uint32_t y = 0; y < ht; ++y) {
    if (!(type == kRle ? rle.read(line.data(), lineBytes) : r.read(line.data(), lineBytes))) {
      return fail(img, "Truncated Sun raster");
    }
    uint8_t* row = rio::topRow(img, int32_t(y));
    if (depth <= 8) {
      std::memcpy(row, line.data(), (size_t(w) * depth + 7) / 8);
      continue;
    }
    const size_t px = depth / 8, skip = depth == 32 ? 1 : 0;
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = &line[x * px + skip];
      if (type == kRgb) {
        row[x * 3] = p[2];
        row[x * 3 + 1] = p[1];
        row[x * 3 + 2] = p[0];
      } else {
        std::memcpy(row + x * 3, p, 3);
      }
    }
  }
  return true;
}

bool encodeRas(Image& img, StreamRef out) {
  const uint32_t w = uint32_t(img.width()), ht = uint32_t(img.height());
  const uint32_t depth = img.depth() == 24 ? 24 : img.depth() == 1 ? 1 : 8;
  const uint32_t colors = depth == 24 ? 0 : 1u << depth;
  const size_t lineBytes = ((uint64_t(w) * depth + 15) / 16) * 2;
  std::vector<uint8_t> file;
  rio::putBe32(file, kMagic);
  rio::putBe32(file, w);
  rio::putBe32(file, ht);
  rio::putBe32(file, depth);
  rio::putBe32(file, uint32_t(lineBytes * ht));
  rio::putBe32(file, kStandard);
  rio::putBe32(file, colors ? 1 : 0);
  rio::putBe32(file, colors * 3);
  const ZvRGBQuad* pal = img.palette();
  auto entry = [&](uint32_t i) { return i < img.numColors() ? pal[i] : ZvRGBQuad{0, 0, 0, 0}; };
  for (uint32_t i = 0; i < colors; ++i) file.push_back(entry(i).red);
  for (uint32_t i = 0; i < colors; ++i) file.push_back(entry(i).green);
  for (uint32_t i = 0; i < colors; ++i) file.push_back(entry(i).blue);
  std::vector<uint8_t> line(lineBytes);
  for (uint32_t y = 0; y < ht; ++y) {
    std::fill(line.begin(), line.end(), 0);
    const uint8_t* row = rio::topRow(img, int32_t(y));
    if (depth == 24) {
      std::memcpy(line.data(), row, size_t(w) * 3);
    } else if (depth == 1) {
      std::memcpy(line.data(), row, (w + 7) / 8);
    } else {
      for (uint32_t x = 0; x < w; ++x) line[x] = rio::getIndex(row, x, img.depth());
    }
    file.insert(file.end(), line.begin(), line.end());
  }
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo::jas

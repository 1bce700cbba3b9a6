// Truevision TGA: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11) pictures,
// uncompressed or RLE, either origin. 15/16-bit pixels widen to 24 bits; 32-bit pixels
// keep their alpha in the alpha plane.
#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

struct TgaHeader {
  uint8_t idLength, mapType, imageType;
  uint16_t mapFirst, mapLength;
  uint8_t mapBits;
  uint16_t width, height;
  uint8_t bpp, descriptor;
};

bool parseHeader(const uint8_t* h, TgaHeader& t) {
  t = {h[0], h[1], h[2], rio::le16(h + 3), rio::le16(h + 5), h[7],
       rio::le16(h + 12), rio::le16(h + 14), h[16], h[17]};
  const uint8_t base = t.imageType & ~8;
  if (t.mapType > 1 || (t.imageType & ~0x0B) != 0 || base < 1 || base > 3) return false;
  if (t.width == 0 || t.height == 0) return false;
  if (base == 1) {
    if (t.mapType != 1 || t.bpp != 8 || t.mapLength == 0) return false;
    if (t.mapBits != 15 && t.mapBits != 16 && t.mapBits != 24 && t.mapBits != 32) return false;
  } else if (base == 2) {
    if (t.bpp != 15 && t.bpp != 16 && t.bpp != 24 && t.bpp != 32) return false;
  } else if (t.bpp != 8) {
    return false;
  }
  if (t.mapType == 1 && t.mapBits != 15 && t.mapBits != 16 && t.mapBits != 24 && t.mapBits != 32)
    return false;
  return (t.descriptor & 0xC0) == 0;
}

// One pixel of 15/16/24/32 bits as blue, green, red, alpha.
ZvRGBQuad unpackColor(const uint8_t* p, int bits) {
  if (bits == 15 || bits == 16) {
    uint16_t v = rio::le16(p);
    auto five = [](uint32_t x) { return uint8_t((x << 3) | (x >> 2)); };
    return {five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31), 255};
  }
  return {p[0], p[1], p[2], uint8_t(bits == 32 ? p[3] : 255)};
}

// Decompresses `count` pixels of `bytes` each; runs may cross rows but never the end.
bool unpackRle(StreamRef in, uint8_t* out, size_t count, size_t bytes) {
  size_t done = 0;
  uint8_t px[4];
  while (done < count) {
    int c = in.getc();
    if (c < 0) return false;
    size_t n = size_t(c & 0x7F) + 1;
    n = std::min(n, count - done);
    if (c & 0x80) {
      if (!in.readExact(px, bytes)) return false;
      for (size_t i = 0; i < n; ++i) std::memcpy(out + (done + i) * bytes, px, bytes);
    } else if (!in.readExact(out + done * bytes, n * bytes)) {
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace

bool decodeTGA(Image& img, StreamRef in, uint32_t) {
  uint8_t h[18];
  TgaHeader t;
  if (!in.readExact(h, sizeof h) || !parseHeader(h, t)) return fail(img, "Not a TGA");
  const uint8_t base = t.imageType & ~8;
  const bool rle = t.imageType & 8;
  const bool indexed = base == 1 && t.mapFirst + t.mapLength <= 256;
  if (base == 1 && !indexed) return fail(img, "TGA palette too large");
  const uint32_t outBpp = base == 2 ? 24 : 8;
  if (img.info.escape == -1) return rio::headerOnly(img, t.width, t.height, uint16_t(outBpp), ZV_TYPE_TGA);

  if (!in.seek(t.idLength, SEEK_CUR)) return fail(img, "Truncated TGA");
  std::vector<ZvRGBQuad> map;
  if (t.mapType == 1) {
    const size_t entry = (t.mapBits + 7) / 8;
    std::vector<uint8_t> raw(size_t(t.mapLength) * entry);
    if (!in.readExact(raw.data(), raw.size())) return fail(img, "Truncated TGA");
    for (size_t i = 0; i < t.mapLength; ++i) map.push_back(unpackColor(&raw[i * entry], t.mapBits));
  }
  const size_t bytes = (t.bpp + 7) / 8;
  const size_t count = size_t(t.width) * t.height;
  // An RLE packet of 1 + bytes covers at most 128 pixels.
  if (!rio::bodyCanHold(img, in, uint64_t(count) * bytes, rle ? 128 : 1, "Truncated TGA") ||
      !rio::createChecked(img, t.width, t.height, outBpp, ZV_TYPE_TGA))
    return false;

  std::vector<uint8_t> data(count * bytes);
  bool ok = rle ? unpackRle(in, data.data(), count, bytes) : in.readExact(data.data(), data.size());
  if (!ok) return fail(img, "Truncated TGA");

  bool hasAlpha = false;
  if (base == 1) {
    ZvRGBQuad pal[256] = {};
    for (size_t i = 0; i < map.size(); ++i) pal[t.mapFirst + i] = map[i];
    img.setPalette(pal, 256);
    hasAlpha = t.mapBits == 32 && std::any_of(map.begin(), map.end(), [](ZvRGBQuad c) { return c.reserved != 255; });
  } else if (base == 3) {
    img.setGrayPalette();
  } else {
    hasAlpha = t.bpp == 32 && (t.descriptor & 0x0F) != 0;
  }
  if (hasAlpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");

  const bool topDown = t.descriptor & 0x20;
  const bool rightToLeft = t.descriptor & 0x10;
  for (uint32_t y = 0; y < t.height; ++y) {
    const int32_t dstRow = topDown ? int32_t(t.height - 1 - y) : int32_t(y);
    uint8_t* row = img.row(dstRow);
    uint8_t* arow = hasAlpha ? img.alphaRow(dstRow) : nullptr;
    for (uint32_t x = 0; x < t.width; ++x) {
      const uint32_t dx = rightToLeft ? t.width - 1 - x : x;
      const uint8_t* p = &data[(size_t(y) * t.width + x) * bytes];
      if (base == 2) {
        ZvRGBQuad c = unpackColor(p, t.bpp);
        row[dx * 3] = c.blue;
        row[dx * 3 + 1] = c.green;
        row[dx * 3 + 2] = c.red;
        if (arow) arow[dx] = c.reserved;
      } else {
        row[dx] = p[0];
        if (arow) {
          const size_t i = p[0];
          arow[dx] = (i >= t.mapFirst && i - t.mapFirst < map.size()) ? map[i - t.mapFirst].reserved : 255;
        }
      }
    }
  }
  return true;
}

// Writes bottom-up rows; codec option bit 0x1 asks for RLE packets.
bool encodeTGA(Image& img, StreamRef out, uint32_t) {
  const bool gray = img.depth() <= 8 && img.isGray() && !img.alpha;
  const bool indexed = img.depth() <= 8 && !gray;
  const bool alpha = img.alpha != nullptr;
  const bool rle = img.info.codecOptions[ZV_TYPE_TGA] & 1;
  const int bpp = indexed || gray ? 8 : (alpha ? 32 : 24);
  const uint32_t w = uint32_t(img.width()), hgt = uint32_t(img.height());
  if (w > 0xFFFF || hgt > 0xFFFF) return fail(img, "Image too large for TGA");
  std::vector<uint8_t> file = {0, uint8_t(indexed ? 1 : 0),
                               uint8_t((indexed ? 1 : gray ? 3 : 2) | (rle ? 8 : 0))};
  const uint32_t colors = indexed ? img.numColors() : 0;
  rio::putLe16(file, 0);
  rio::putLe16(file, colors);
  file.push_back(uint8_t(indexed ? (alpha ? 32 : 24) : 0));
  rio::putLe16(file, 0);
  rio::putLe16(file, 0);
  rio::putLe16(file, w);
  rio::putLe16(file, hgt);
  file.push_back(uint8_t(bpp));
  file.push_back(uint8_t(bpp == 32 ? 8 : 0));
  // An indexed picture with alpha carries the alpha per palette entry only when it is
  // uniform per index; otherwise it is written as true colour.
  bool asTrue = false;
  if (indexed && alpha) {
    std::vector<int> seen(256, -1);
    for (uint32_t y = 0; y < hgt && !asTrue; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t i = rio::getIndex(img.row(int32_t(y)), x, img.depth());
        uint8_t a = img.alphaRow(int32_t(y))[x];
        if (seen[i] >= 0 && seen[i] != a) {
          asTrue = true;
          break;
        }
        seen[i] = a;
      }
    if (!asTrue) {
      const ZvRGBQuad* pal = img.palette();
      for (uint32_t i = 0; i < colors; ++i) {
        file.insert(file.end(), {pal[i].blue, pal[i].green, pal[i].red, uint8_t(seen[i] < 0 ? 255 : seen[i])});
      }
    }
  }
  if (asTrue) {
    file[1] = 0;
    file[2] = uint8_t(2 | (rle ? 8 : 0));
    file[5] = file[6] = file[7] = 0;
    file[16] = 32;
    file[17] = 8;
  } else if (indexed && !alpha) {
    const ZvRGBQuad* pal = img.palette();
    for (uint32_t i = 0; i < colors; ++i) file.insert(file.end(), {pal[i].blue, pal[i].green, pal[i].red});
  }
  const size_t bytes = file[16] / 8;
  std::vector<uint8_t> line(size_t(w) * bytes);
  for (uint32_t y = 0; y < hgt; ++y) {
    const uint8_t* row = img.row(int32_t(y));
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &line[x * bytes];
      if (bytes == 1) {
        uint8_t i = rio::getIndex(row, x, img.depth());
        p[0] = gray ? img.palette()[i].green : i;
      } else {
        ZvRGBQuad c = rio::colorAt(img, int32_t(x), int32_t(hgt - 1 - y));
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
        if (bytes == 4) p[3] = c.reserved;
      }
    }
    if (!rle) {
      file.insert(file.end(), line.begin(), line.end());
      continue;
    }
    // Packets stay inside the row, as most readers expect.
    for (uint32_t x = 0; x < w;) {
      uint32_t run = 1;
      while (x + run < w && run < 128 && !std::memcmp(&line[x * bytes], &line[(x + run) * bytes], bytes)) ++run;
      if (run > 1) {
        file.push_back(uint8_t(0x80 | (run - 1)));
        file.insert(file.end(), &line[x * bytes], &line[x * bytes] + bytes);
        x += run;
        continue;
      }
      uint32_t lit = 1;
      while (x + lit < w && lit < 128 &&
             (x + lit + 1 >= w || std::memcmp(&line[(x + lit) * bytes], &line[(x + lit + 1) * bytes], bytes)))
        ++lit;
      file.push_back(uint8_t(lit - 1));
      file.insert(file.end(), &line[x * bytes], &line[(x + lit) * bytes]);
      x += lit;
    }
  }
  static const char kFooter[] = "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.";
  file.insert(file.end(), kFooter, kFooter + sizeof kFooter);
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo

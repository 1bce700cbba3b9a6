// Windows and OS/2 bitmaps: 1/2/4/8/16/24/32 bits, bit fields, RLE4 and RLE8, core,
// info, V4 and V5 headers. Writes 1/4/8/24 bits, and 32-bit V5 when the picture has alpha.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

using rio::le16;
using rio::le32;

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiAlphaBitFields = 6 };

constexpr size_t kFileHeader = 14;
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV5Header = 124;
constexpr uint32_t kMaxHeader = 4096;

// One colour channel of a bit-field pixel, widened to 8 bits by bit replication (so a
// full field is 255 and the spacing is even), or cut to its top 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (m) {
      shift = std::countr_zero(m);
      bits = std::bit_width(m >> shift);
    }
  }
  uint8_t operator()(uint32_t px, uint8_t missing) const {
    if (!mask) return missing;
    const uint32_t v = (px & mask) >> shift;
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    uint32_t out = 0;
    for (int pos = 8 - bits; pos > -bits; pos -= bits) out |= pos >= 0 ? v << pos : v >> -pos;
    return uint8_t(out);
  }
};

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // always positive; topDown tells the row order
  bool topDown = false;
  uint32_t headerSize = 0;
  uint32_t bpp = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {};  // red, green, blue, alpha
  bool hasMasks = false;
  int32_t xppm = 0;
  int32_t yppm = 0;
  uint32_t offBits = 0;
  uint32_t sizeImage = 0;
  size_t paletteEntry = 4;
  size_t paletteOffset = 0;  // from the file header's start
};

// Depth of the decoded picture for a file depth.
uint32_t outputDepth(uint32_t bpp) { return bpp == 1 ? 1 : bpp <= 4 ? 4 : bpp == 8 ? 8 : 24; }

bool readHeader(Image& img, StreamRef in, Header& h) {
  uint8_t fh[kFileHeader];
  if (!in.readExact(fh, sizeof fh) || fh[0] != 'B' || fh[1] != 'M') return fail(img, "BMP: not a bitmap file");
  h.offBits = le32(fh + 10);
  uint8_t sizeBytes[4];
  if (!in.readExact(sizeBytes, 4)) return fail(img, "BMP: file is truncated");
  h.headerSize = le32(sizeBytes);
  if (h.headerSize < kCoreHeader || h.headerSize > kMaxHeader || (h.headerSize > kCoreHeader && h.headerSize < 16))
    return fail(img, "BMP: unknown header size");
  std::vector<uint8_t> hb(std::max<size_t>(h.headerSize, 64), 0);
  std::memcpy(hb.data(), sizeBytes, 4);
  if (!in.readExact(hb.data() + 4, h.headerSize - 4)) return fail(img, "BMP: file is truncated");

  if (h.headerSize == kCoreHeader) {
    h.width = le16(&hb[4]);
    h.height = le16(&hb[6]);
    h.bpp = le16(&hb[10]);
    h.paletteEntry = 3;
  } else {
    h.width = int32_t(le32(&hb[4]));
    const int64_t rawHeight = int32_t(le32(&hb[8]));
    h.topDown = rawHeight < 0;
    h.height = rawHeight < 0 ? -rawHeight : rawHeight;
    h.bpp = le16(&hb[14]);
    // A 16-byte OS/2 2.x header ends before the compression field.
    if (h.headerSize >= 20) h.compression = le32(&hb[16]);
    if (h.headerSize >= 24) h.sizeImage = le32(&hb[20]);
    if (h.headerSize >= 32) {
      h.xppm = int32_t(le32(&hb[24]));
      h.yppm = int32_t(le32(&hb[28]));
    }
    if (h.headerSize >= 36) h.colorsUsed = le32(&hb[32]);
    // OS/2 2.x reuses 3 and 4 for Huffman 1D and RLE24, which we do not read.
    if (h.headerSize == 64 && (h.compression == 3 || h.compression == 4))
      return fail(img, "BMP: unsupported compression");
  }
  h.paletteOffset = kFileHeader + h.headerSize;

  if (h.compression == kBiBitFields || h.compression == kBiAlphaBitFields) {
    if (h.bpp != 16 && h.bpp != 32) return fail(img, "BMP: bit fields need 16 or 32 bits");
    const size_t count = h.compression == kBiAlphaBitFields ? 4 : 3;
    if (h.headerSize >= kInfoHeader + 4 * count) {
      for (size_t i = 0; i < count; ++i) h.masks[i] = le32(&hb[kInfoHeader + 4 * i]);
    } else {
      // Info headers keep the masks right after the header.
      uint8_t mb[16];
      if (!in.readExact(mb, 4 * count)) return fail(img, "BMP: file is truncated");
      for (size_t i = 0; i < count; ++i) h.masks[i] = le32(mb + 4 * i);
      h.paletteOffset += 4 * count;
    }
    if (h.headerSize >= 56) h.masks[3] = le32(&hb[52]);
    h.hasMasks = true;
  } else if (h.compression == kBiRgb) {
    if (h.bpp == 16) {
      h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bpp == 32) {
      // The fourth byte is alpha in practice; it is kept only when it says something.
      h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF, h.masks[3] = 0xFF000000u;
    }
  } else if (h.compression == kBiRle8) {
    if (h.bpp != 8) return fail(img, "BMP: RLE8 needs 8 bits");
  } else if (h.compression == kBiRle4) {
    if (h.bpp != 4) return fail(img, "BMP: RLE4 needs 4 bits");
  } else {
    return fail(img, "BMP: unsupported compression");
  }

  switch (h.bpp) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
    default: return fail(img, "BMP: unsupported bit depth");
  }
  if (h.width <= 0 || h.height <= 0) return fail(img, "BMP: invalid size");
  if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0 && h.hasMasks) return fail(img, "BMP: bad bit fields");
  return true;
}

bool readPalette(Image& img, StreamRef in, const Header& h, int64_t start) {
  const uint32_t maxColors = 1u << h.bpp;
  uint32_t count = h.colorsUsed == 0 || h.colorsUsed > maxColors ? maxColors : h.colorsUsed;
  // Old writers leave colorsUsed at 0 with a shorter table: the pixel offset tells.
  const uint64_t offBits = h.offBits;
  if (offBits > h.paletteOffset && h.colorsUsed == 0)
    count = uint32_t(std::min<uint64_t>(count, (offBits - h.paletteOffset) / h.paletteEntry));
  std::vector<uint8_t> raw(size_t(count) * h.paletteEntry);
  if (!in.seek(start + int64_t(h.paletteOffset)) || !in.readExact(raw.data(), raw.size()))
    return fail(img, "BMP: file is truncated");
  std::vector<ZvRGBQuad> pal(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p = &raw[size_t(i) * h.paletteEntry];
    pal[i] = {p[0], p[1], p[2], 0};
  }
  img.setPalette(pal.data(), count);
  return true;
}

// Plain rows, bottom-up or top-down, at any file depth.
bool readRows(Image& img, StreamRef in, const Header& h) {
  const uint64_t fileStride = (uint64_t(h.width) * h.bpp + 31) / 32 * 4;
  const int32_t w = img.width(), hh = img.height();
  const int64_t have = in.size() - in.tell();
  if (have >= 0 && uint64_t(have) < fileStride * uint64_t(hh) - (fileStride - (uint64_t(w) * h.bpp + 7) / 8))
    return fail(img, "BMP: file is truncated");
  std::vector<uint8_t> line(size_t(fileStride), 0);
  const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]), a(h.masks[3]);
  const bool fastBgra = h.bpp == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF &&
                        (h.masks[3] == 0 || h.masks[3] == 0xFF000000u);
  const bool wantAlpha = h.masks[3] != 0 && (h.bpp == 16 || h.bpp == 32);
  if (wantAlpha && !img.allocAlpha(255)) return fail(img, "BMP: can't allocate memory");
  bool anyOpaque = false, anyTranslucent = false;

  for (int32_t i = 0; i < hh; ++i) {
    const int32_t y = h.topDown ? hh - 1 - i : i;
    // The last row may lack its padding in files cut short by careless writers.
    const size_t got = in.read(line.data(), line.size());
    if (got < (uint64_t(w) * h.bpp + 7) / 8) return fail(img, "BMP: file is truncated");
    uint8_t* dst = img.row(y);
    uint8_t* alphaRow = wantAlpha ? img.alphaRow(y) : nullptr;
    switch (h.bpp) {
      case 1: case 4: case 8:
        std::memcpy(dst, line.data(), img.stride());
        break;
      case 2:
        for (int32_t x = 0; x < w; ++x)
          rio::putIndex(dst, uint32_t(x), 4, uint8_t((line[size_t(x) >> 2] >> (6 - 2 * (x & 3))) & 3));
        break;
      case 24:
        std::memcpy(dst, line.data(), size_t(w) * 3);
        break;
      case 16:
      case 32:
        for (int32_t x = 0; x < w; ++x) {
          uint8_t* o = dst + size_t(x) * 3;
          uint8_t alphaValue;
          if (fastBgra) {
            const uint8_t* p = &line[size_t(x) * 4];
            o[0] = p[0], o[1] = p[1], o[2] = p[2];
            alphaValue = p[3];
          } else {
            const uint32_t px = h.bpp == 16 ? le16(&line[size_t(x) * 2]) : le32(&line[size_t(x) * 4]);
            o[0] = b(px, 0), o[1] = g(px, 0), o[2] = r(px, 0);
            alphaValue = a(px, 255);
          }
          if (alphaRow) {
            alphaRow[x] = alphaValue;
            if (alphaValue) anyOpaque = true;
            if (alphaValue != 255) anyTranslucent = true;
          }
        }
        break;
      default: break;
    }
  }
  // All-zero alpha is an unused fourth byte, all-255 says nothing: drop the plane.
  if (wantAlpha && (!anyOpaque || !anyTranslucent)) img.alpha.reset();
  return true;
}

// RLE4/RLE8: every run is clipped at the row end; nothing is written outside the picture.
bool readRle(Image& img, StreamRef in, const Header& h) {
  std::vector<uint8_t> data;
  if (!rio::readRest(in, data, uint64_t(1) << 31)) return fail(img, "BMP: file is truncated");
  const bool four = h.compression == kBiRle4;
  const int32_t w = img.width(), hh = img.height();
  int32_t x = 0, y = 0;
  size_t p = 0;
  // x never passes w, so hostile runs and deltas cannot overflow it.
  auto put = [&](uint8_t v) {
    if (x >= w) return;
    rio::putIndex(img.row(h.topDown ? hh - 1 - y : y), uint32_t(x), four ? 4 : 8, v);
    ++x;
  };
  while (y < hh) {
    if (p + 2 > data.size()) return fail(img, "BMP: file is truncated");
    const uint8_t count = data[p], value = data[p + 1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(four ? uint8_t(i & 1 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (p + 2 > data.size()) return fail(img, "BMP: file is truncated");
      x = std::min(x + data[p], w);
      y += data[p + 1];
      p += 2;
    } else {  // absolute run, padded to 16 bits
      const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      if (p + bytes > data.size()) return fail(img, "BMP: file is truncated");
      for (int i = 0; i < value; ++i)
        put(four ? uint8_t(i & 1 ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4) : data[p + i]);
      p += bytes + (bytes & 1);
    }
  }
  return true;
}

void putLe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void putLe32(uint8_t* p, uint32_t v) { putLe16(p, v & 0xFFFF), putLe16(p + 2, v >> 16); }

bool decodeBMPChecked(Image& img, StreamRef in) {
  const int64_t start = in.tell();
  Header h;
  if (!readHeader(img, in, h)) return false;
  const uint32_t depth = outputDepth(h.bpp);
  if (img.info.escape == -1) return rio::headerOnly(img, h.width, h.height, uint16_t(depth), ZV_TYPE_BMP);
  if (!rio::createChecked(img, h.width, h.height, depth, ZV_TYPE_BMP, "BMP: image too large")) return false;
  if (h.bpp <= 8 && !readPalette(img, in, h, start)) return false;

  // Pixels start at the offset the file header gives, unless it points into the headers.
  if (h.offBits < h.paletteOffset) {
    const uint32_t colors = h.bpp <= 8 ? (h.colorsUsed ? std::min(h.colorsUsed, 1u << h.bpp) : 1u << h.bpp) : 0;
    if (!in.seek(start + int64_t(h.paletteOffset + size_t(colors) * h.paletteEntry)))
      return fail(img, "BMP: file is truncated");
  } else if (!in.seek(start + int64_t(h.offBits))) {
    return fail(img, "BMP: file is truncated");
  }

  const bool ok = h.compression == kBiRle4 || h.compression == kBiRle8 ? readRle(img, in, h) : readRows(img, in, h);
  if (!ok) {
    img.destroyPixels();
    return false;
  }
  if (h.xppm > 0 && h.yppm > 0)
    img.setDpi(int32_t(h.xppm * 0.0254 + 0.5), int32_t(h.yppm * 0.0254 + 0.5));
  img.setType(ZV_TYPE_BMP);
  return true;
}

}  // namespace

bool decodeBMP(Image& img, StreamRef in, uint32_t) { return decodeBMPChecked(img, in); }

bool encodeBMP(Image& img, StreamRef out, uint32_t) {
  const uint32_t depth = img.depth();
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return fail(img, "BMP: unsupported bit depth");
  const bool withAlpha = depth == 24 && img.alpha;
  const uint32_t w = uint32_t(img.width()), hh = uint32_t(img.height());
  const uint32_t colors = depth <= 8 ? img.numColors() : 0;
  const uint32_t headerSize = withAlpha ? kV5Header : kInfoHeader;
  const uint64_t rowBytes = withAlpha ? uint64_t(w) * 4 : img.stride();
  const uint64_t imageBytes = rowBytes * hh;
  const uint64_t offBits = kFileHeader + headerSize + uint64_t(colors) * 4;
  if (offBits + imageBytes > UINT32_MAX) return fail(img, "BMP: image too large");

  std::vector<uint8_t> head(size_t(offBits), 0);
  head[0] = 'B', head[1] = 'M';
  putLe32(&head[2], uint32_t(offBits + imageBytes));
  putLe32(&head[10], uint32_t(offBits));
  uint8_t* ih = &head[kFileHeader];
  putLe32(ih, headerSize);
  putLe32(ih + 4, w);
  putLe32(ih + 8, hh);
  putLe16(ih + 12, 1);
  putLe16(ih + 14, withAlpha ? 32 : depth);
  putLe32(ih + 16, withAlpha ? kBiBitFields : kBiRgb);
  putLe32(ih + 20, uint32_t(imageBytes));
  putLe32(ih + 24, uint32_t(int32_t(std::floor(img.info.xdpi * 39.37007874015748 + 0.5))));
  putLe32(ih + 28, uint32_t(int32_t(std::floor(img.info.ydpi * 39.37007874015748 + 0.5))));
  putLe32(ih + 32, colors);
  putLe32(ih + 36, 0);
  if (withAlpha) {
    putLe32(ih + 40, 0x00FF0000);
    putLe32(ih + 44, 0x0000FF00);
    putLe32(ih + 48, 0x000000FF);
    putLe32(ih + 52, 0xFF000000u);
    putLe32(ih + 56, 0x73524742);  // 'sRGB'
    putLe32(ih + 108, 4);          // LCS_GM_IMAGES
  }
  if (colors) std::memcpy(ih + headerSize, img.palette(), size_t(colors) * 4);
  for (uint32_t i = 0; i < colors; ++i) ih[headerSize + 4 * i + 3] = 0;
  if (!out.writeAll(head.data(), head.size())) return fail(img, "BMP: write error");

  if (!withAlpha) {
    if (!out.writeAll(img.bits(), size_t(imageBytes))) return fail(img, "BMP: write error");
    return true;
  }
  MallocPtr buffer = mallocBytes(size_t(rowBytes));
  if (!buffer) return fail(img, "BMP: can't allocate memory");
  uint8_t* line = buffer.get();
  for (uint32_t y = 0; y < hh; ++y) {
    const uint8_t* src = img.row(int32_t(y));
    const uint8_t* a = img.alphaRow(int32_t(y));
    for (uint32_t x = 0; x < w; ++x) {
      line[4 * x] = src[3 * x], line[4 * x + 1] = src[3 * x + 1], line[4 * x + 2] = src[3 * x + 2];
      line[4 * x + 3] = a[x];
    }
    if (!out.writeAll(line, size_t(rowBytes))) return fail(img, "BMP: write error");
  }
  return true;
}

}  // namespace zelvo

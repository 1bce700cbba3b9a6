// ZSoft PCX: 1-bit, 16-colour (1 bit x 4 planes or 4 bits x 1 plane), 256-colour with
// the trailing palette, and 24-bit (three 8-bit planes, a fourth plane is alpha); RLE.
#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

struct PcxHeader {
  uint8_t version, encoding, bitsPerPlane, planes;
  int32_t width, height;
  uint16_t bytesPerLine;
  const uint8_t* egaPalette;
};

bool parseHeader(const uint8_t* h, PcxHeader& p) {
  if (h[0] != 0x0A || h[2] > 1) return false;
  if (h[1] != 0 && h[1] != 2 && h[1] != 3 && h[1] != 4 && h[1] != 5) return false;
  const int32_t xmin = rio::le16(h + 4), ymin = rio::le16(h + 6);
  const int32_t xmax = rio::le16(h + 8), ymax = rio::le16(h + 10);
  p = {h[1], h[2], h[3], h[65], xmax - xmin + 1, ymax - ymin + 1, rio::le16(h + 66), h + 16};
  if (p.width <= 0 || p.height <= 0) return false;
  const int bits = p.bitsPerPlane, planes = p.planes;
  const bool known = (bits == 1 && (planes == 1 || planes == 4)) || (bits == 4 && planes == 1) ||
                     (bits == 8 && (planes == 1 || planes == 3 || planes == 4));
  if (!known) return false;
  return p.bytesPerLine >= (uint64_t(p.width) * bits + 7) / 8;
}

// Decodes the RLE stream; a run reaching past the picture is cut, so hostile runs cannot
// overflow `out`.
bool unpack(StreamRef in, bool rle, std::vector<uint8_t>& out) {
  if (!rle) return in.readExact(out.data(), out.size());
  size_t pos = 0;
  uint8_t buf[4096];
  size_t have = 0, at = 0;
  auto next = [&]() -> int {
    if (at == have) {
      have = in.read(buf, sizeof buf);
      at = 0;
      if (have == 0) return -1;
    }
    return buf[at++];
  };
  while (pos < out.size()) {
    int c = next();
    if (c < 0) return false;
    size_t n = 1;
    if ((c & 0xC0) == 0xC0) {
      n = size_t(c & 0x3F);
      c = next();
      if (c < 0) return false;
    }
    n = std::min(n, out.size() - pos);
    std::memset(&out[pos], c, n);
    pos += n;
  }
  // The 256-colour palette follows the data: leave the stream right after what we used.
  in.seek(-int64_t(have - at), SEEK_CUR);
  return true;
}

}  // namespace

bool decodePCX(Image& img, StreamRef in, uint32_t) {
  uint8_t h[128];
  PcxHeader p;
  if (!in.readExact(h, sizeof h) || !parseHeader(h, p)) return fail(img, "Not a PCX");
  const int bits = p.bitsPerPlane * (p.planes == 4 && p.bitsPerPlane == 1 ? 4 : 1);
  const uint32_t outBpp = p.bitsPerPlane == 8 && p.planes >= 3 ? 24 : uint32_t(bits == 1 ? 1 : bits == 4 ? 4 : 8);
  if (img.info.escape == -1) return rio::headerOnly(img, p.width, p.height, uint16_t(outBpp), ZV_TYPE_PCX);
  if (!checkDecodeSize(img, p.width, p.height)) return false;

  const size_t line = size_t(p.bytesPerLine) * p.planes;
  std::vector<uint8_t> data;
  if (uint64_t(line) * uint64_t(p.height) > kMaxPixelBits / 4) return fail(img, "Image too large");
  // Two RLE bytes make at most 63.
  if (!rio::bodyCanHold(img, in, uint64_t(line) * uint64_t(p.height), p.encoding == 1 ? 32 : 1, "Truncated PCX"))
    return false;
  data.resize(line * size_t(p.height));
  if (!unpack(in, p.encoding == 1, data)) return fail(img, "Truncated PCX");
  ZvRGBQuad pal[256] = {};
  if (outBpp == 8) {
    // VGA palette: 0x0C then 768 bytes at the end of the file.
    uint8_t tail[769];
    bool have = in.seek(-769, SEEK_END) && in.readExact(tail, sizeof tail) && tail[0] == 0x0C;
    if (have) {
      for (int i = 0; i < 256; ++i) pal[i] = {tail[1 + i * 3 + 2], tail[1 + i * 3 + 1], tail[1 + i * 3], 0};
    } else {
      for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }
  } else if (outBpp == 4) {
    for (int i = 0; i < 16; ++i)
      pal[i] = {p.egaPalette[i * 3 + 2], p.egaPalette[i * 3 + 1], p.egaPalette[i * 3], 0};
  } else if (outBpp == 1) {
    // Readers agree on black and white here, whatever the header palette says.
    pal[0] = {0, 0, 0, 0};
    pal[1] = {255, 255, 255, 0};
  }
  if (!rio::createChecked(img, p.width, p.height, outBpp, ZV_TYPE_PCX)) return false;
  if (outBpp <= 8) img.setPalette(pal, 1u << outBpp);
  const bool alpha = p.planes == 4 && p.bitsPerPlane == 8;
  if (alpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");

  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* src = &data[size_t(y) * line];
    uint8_t* row = rio::topRow(img, y);
    if (outBpp == 24) {
      for (int32_t x = 0; x < p.width; ++x) {
        row[x * 3 + 2] = src[x];
        row[x * 3 + 1] = src[p.bytesPerLine + x];
        row[x * 3] = src[2 * p.bytesPerLine + x];
      }
      if (alpha) std::memcpy(rio::topAlphaRow(img, y), src + 3 * p.bytesPerLine, size_t(p.width));
    } else if (p.planes == 4) {
      for (int32_t x = 0; x < p.width; ++x) {
        uint8_t v = 0;
        for (int pl = 0; pl < 4; ++pl) v |= uint8_t(rio::getIndex(src + pl * p.bytesPerLine, uint32_t(x), 1) << pl);
        rio::putIndex(row, uint32_t(x), 4, v);
      }
    } else {
      std::memcpy(row, src, (size_t(p.width) * outBpp + 7) / 8);
    }
  }
  return true;
}

namespace {

void packLine(const uint8_t* src, size_t n, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < n;) {
    size_t run = 1;
    while (i + run < n && run < 63 && src[i + run] == src[i]) ++run;
    if (run > 1 || (src[i] & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
    out.push_back(src[i]);
    i += run;
  }
}

}  // namespace

bool encodePCX(Image& img, StreamRef out, uint32_t) {
  const uint32_t w = uint32_t(img.width()), hgt = uint32_t(img.height());
  if (w > 0xFFFF || hgt > 0xFFFF) return fail(img, "Image too large for PCX");
  const int depth = img.depth();
  const bool alpha = img.alpha && depth == 24;
  const uint8_t bitsPerPlane = depth == 1 || depth == 4 ? 1 : 8;
  const uint8_t planes = depth == 24 ? (alpha ? 4 : 3) : depth == 4 ? 4 : 1;
  const uint32_t bpl = ((w * bitsPerPlane + 7) / 8 + 1) & ~1u;
  std::vector<uint8_t> file(128, 0);
  file[0] = 0x0A;
  file[1] = 5;
  file[2] = 1;
  file[3] = bitsPerPlane;
  auto put16 = [&](size_t at, uint32_t v) {
    file[at] = uint8_t(v);
    file[at + 1] = uint8_t(v >> 8);
  };
  put16(8, w - 1);
  put16(10, hgt - 1);
  put16(12, uint32_t(img.info.xdpi));
  put16(14, uint32_t(img.info.ydpi));
  const ZvRGBQuad* pal = img.palette();
  if (depth == 4)
    for (uint32_t i = 0; i < img.numColors(); ++i) {
      file[16 + i * 3] = pal[i].red;
      file[17 + i * 3] = pal[i].green;
      file[18 + i * 3] = pal[i].blue;
    }
  file[65] = planes;
  put16(66, bpl);
  put16(68, depth == 8 && img.isGray() ? 2 : 1);

  const bool zeroIsWhite = depth == 1 && pal[0].green > pal[1].green;
  std::vector<uint8_t> line(size_t(bpl) * planes);
  for (uint32_t y = 0; y < hgt; ++y) {
    std::fill(line.begin(), line.end(), 0);
    const uint8_t* row = rio::topRow(img, int32_t(y));
    if (depth == 24) {
      for (uint32_t x = 0; x < w; ++x) {
        line[x] = row[x * 3 + 2];
        line[bpl + x] = row[x * 3 + 1];
        line[2 * bpl + x] = row[x * 3];
      }
      if (alpha) std::memcpy(&line[3 * bpl], rio::topAlphaRow(img, int32_t(y)), w);
    } else if (depth == 4) {
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t v = rio::getIndex(row, x, 4);
        for (int pl = 0; pl < 4; ++pl) rio::putIndex(&line[pl * bpl], x, 1, (v >> pl) & 1);
      }
    } else {
      std::memcpy(line.data(), row, (size_t(w) * depth + 7) / 8);
      // Readers take a set bit of a 1-bit file as white.
      if (depth == 1 && zeroIsWhite)
        for (uint32_t i = 0; i < (w + 7) / 8; ++i) line[i] = uint8_t(~line[i]);
    }
    for (uint32_t pl = 0; pl < planes; ++pl) packLine(&line[pl * bpl], bpl, file);
  }
  if (depth == 8) {
    file.push_back(0x0C);
    for (uint32_t i = 0; i < 256; ++i) {
      ZvRGBQuad c = i < img.numColors() ? pal[i] : ZvRGBQuad{0, 0, 0, 0};
      file.insert(file.end(), {c.red, c.green, c.blue});
    }
  }
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo

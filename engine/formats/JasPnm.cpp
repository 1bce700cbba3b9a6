// Portable anymap: P1/P4 bitmaps, P2/P5 grey maps and P3/P6 pixmaps, any maxval up to
// 65535 (wider samples are scaled to 8 bits).
#include <cstdio>
#include <vector>

#include "JasFamily.h"
#include "RasterIO.h"

namespace zelvo::jas {
namespace {

// Next decimal number, skipping white space and '#' comments.
bool number(rio::ByteReader& r, uint32_t& v, uint32_t limit) {
  int c = r.get();
  for (;;) {
    if (c == '#') {
      while (c >= 0 && c != '\n' && c != '\r') c = r.get();
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
      c = r.get();
    } else {
      break;
    }
  }
  if (c < '0' || c > '9') return false;
  uint64_t x = uint32_t(c - '0');
  while (r.peek() >= '0' && r.peek() <= '9') {
    x = x * 10 + uint32_t(r.get() - '0');
    if (x > limit) return false;
  }
  v = uint32_t(x);
  return true;
}

// A P1 digit: the pixels may follow each other without white space.
bool bitDigit(rio::ByteReader& r, uint8_t& v) {
  for (;;) {
    int c = r.get();
    if (c == '0' || c == '1') {
      v = uint8_t(c - '0');
      return true;
    }
    if (c == '#') {
      while (c >= 0 && c != '\n') c = r.get();
      continue;
    }
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
}

}  // namespace

bool decodePnm(Image& img, StreamRef in) {
  rio::ByteReader r(in);
  const int p = r.get(), kind = r.get() - '0';
  uint32_t w = 0, h = 0, maxval = 1;
  if (p != 'P' || kind < 1 || kind > 6 || !number(r, w, 1u << 30) || !number(r, h, 1u << 30) || w == 0 || h == 0 ||
      (kind != 1 && kind != 4 && (!number(r, maxval, 65535) || maxval == 0))) {
    return fail(img, "Not a PNM");
  }
  const bool bitmap = kind == 1 || kind == 4, grey = kind == 2 || kind == 5, ascii = kind <= 3;
  const uint32_t bpp = bitmap ? 1 : grey ? 8 : 24;
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, uint16_t(bpp), ZV_TYPE_PNM);
  if (!ascii && r.get() < 0) {  // the single white space before the raster
    return fail(img, "Truncated PNM");
  }
  // Every sample takes at least one byte of text, or its share of the raster.
  const uint64_t samples = uint64_t(w) * h * (bpp == 24 ? 3 : 1);
  const uint64_t need = kind == 4 ? uint64_t((w + 7) / 8) * h : ascii ? samples : samples * (maxval > 255 ? 2 : 1);
  if (!rio::bodyCanHold(img, in, need, 1, "Truncated PNM", r.buffered()) ||
      !rio::createChecked(img, w, h, bpp, ZV_TYPE_PNM))
    return false;
  if (bitmap) {
    const ZvRGBQuad pal[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    img.setPalette(pal, 2);
  } else if (grey) {
    img.setGrayPalette();
  }
  const uint32_t channels = bpp == 24 ? 3 : 1;
  const uint32_t sampleBytes = maxval > 255 ? 2 : 1;
  std::vector<uint8_t> line(bitmap ? (w + 7) / 8 : size_t(w) * channels * sampleBytes);
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = rio::topRow(img, int32_t(y));
    bool ok = true;
    if (kind == 4) {
      ok = r.read(row, line.size());
    } else if (kind == 1) {
      for (uint32_t x = 0; x < w && ok; ++x) {
        uint8_t v = 0;
        ok = bitDigit(r, v);
        rio::putIndex(row, x, 1, v);
      }
    } else {
      for (uint32_t i = 0; i < w * channels && ok; ++i) {
        uint32_t v = 0;
        if (ascii) {
          ok = number(r, v, 65535);
        } else if (sampleBytes == 2) {
          uint8_t b[2];
          ok = r.read(b, 2);
          v = rio::be16(b);
        } else {
          uint8_t b = 0;
          ok = r.read(&b, 1);
          v = b;
        }
        const uint8_t s = to8(v, maxval);
        if (channels == 1) row[i] = s;
        else row[(i / 3) * 3 + 2 - i % 3] = s;  // stored red, green, blue
      }
    }
    if (!ok) return fail(img, "Truncated PNM");
  }
  return true;
}

bool encodePnm(Image& img, StreamRef out) {
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  const ZvRGBQuad* pal = img.palette();
  const bool bw = img.depth() == 1 && pal && img.isGray();
  const bool grey = img.depth() <= 8;
  char head[64];
  int n = std::snprintf(head, sizeof head, "P%c\n%u %u\n%s", bw ? '4' : grey ? '5' : '6', w, h, bw ? "" : "255\n");
  if (!out.writeAll(head, size_t(n))) return fail(img, "Write error");
  // PBM: 1 is black, so the darker palette entry becomes 1.
  const bool zeroIsWhite = bw && pal[0].green > pal[1].green;
  std::vector<uint8_t> line(bw ? (w + 7) / 8 : size_t(w) * (grey ? 1 : 3));
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = rio::topRow(img, int32_t(y));
    if (bw) {
      for (size_t i = 0; i < line.size(); ++i) line[i] = zeroIsWhite ? row[i] : uint8_t(~row[i]);
      if (w % 8) line.back() &= uint8_t(0xFF << (8 - w % 8));
    } else if (grey) {
      for (uint32_t x = 0; x < w; ++x) line[x] = pal[rio::getIndex(row, x, img.depth())].green;
    } else {
      for (uint32_t x = 0; x < w; ++x) {
        line[x * 3] = row[x * 3 + 2];
        line[x * 3 + 1] = row[x * 3 + 1];
        line[x * 3 + 2] = row[x * 3];
      }
    }
    if (!out.writeAll(line.data(), line.size())) return fail(img, "Write error");
  }
  return true;
}

}  // namespace zelvo::jas

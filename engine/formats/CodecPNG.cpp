// PNG over libpng: every colour type and depth in, palette or true colour out. libpng
// reports errors by longjmp, so the functions that call it keep no C++ objects of their own.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

struct PngIo {
  StreamRef stream;
  char message[200] = {};
};

void onError(png_structp png, png_const_charp msg) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  if (io) std::snprintf(io->message, sizeof io->message, "PNG: %s", msg ? msg : "error");
  png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

void readData(png_structp png, png_bytep data, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (!io->stream.readExact(data, n)) png_error(png, "file is truncated");
}
void writeData(png_structp png, png_bytep data, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (!io->stream.writeAll(data, n)) png_error(png, "write error");
}
void flushData(png_structp png) { static_cast<PngIo*>(png_get_io_ptr(png))->stream.flush(); }

struct ReadHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};
struct WriteHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// How a libpng row maps onto the picture.
enum class Layout { Direct, TwoBit, GrayAlpha, Bgra };

int32_t dpiFromPpm(png_uint_32 ppm) { return int32_t(ppm * 0.0254 + 0.5); }
png_uint_32 ppmFromDpi(int32_t dpi) { return png_uint_32(std::floor(dpi * 39.37007874015748 + 0.5)); }

// Packs the current picture row into libpng's row format (interlaced passes add to it).
void packRow(const Image& img, int32_t y, Layout layout, uint8_t* tmp) {
  const int32_t w = img.width();
  const uint8_t* src = img.row(y);
  const uint8_t* a = img.alpha ? img.alphaRow(y) : nullptr;
  switch (layout) {
    case Layout::TwoBit:
      std::memset(tmp, 0, (size_t(w) + 3) / 4);
      for (int32_t x = 0; x < w; ++x) tmp[x >> 2] |= uint8_t((rio::getIndex(src, uint32_t(x), 4) & 3) << (6 - 2 * (x & 3)));
      break;
    case Layout::GrayAlpha:
      for (int32_t x = 0; x < w; ++x) tmp[2 * x] = src[x], tmp[2 * x + 1] = a ? a[x] : 255;
      break;
    case Layout::Bgra:
      for (int32_t x = 0; x < w; ++x) {
        std::memcpy(tmp + 4 * x, src + 3 * x, 3);
        tmp[4 * x + 3] = a ? a[x] : 255;
      }
      break;
    case Layout::Direct: break;
  }
}

void unpackRow(Image& img, int32_t y, Layout layout, const uint8_t* tmp) {
  const int32_t w = img.width();
  uint8_t* dst = img.row(y);
  uint8_t* a = img.alpha ? img.alphaRow(y) : nullptr;
  switch (layout) {
    case Layout::TwoBit:
      for (int32_t x = 0; x < w; ++x) rio::putIndex(dst, uint32_t(x), 4, uint8_t((tmp[x >> 2] >> (6 - 2 * (x & 3))) & 3));
      break;
    case Layout::GrayAlpha:
      for (int32_t x = 0; x < w; ++x) dst[x] = tmp[2 * x], a[x] = tmp[2 * x + 1];
      break;
    case Layout::Bgra:
      for (int32_t x = 0; x < w; ++x) {
        std::memcpy(dst + 3 * x, tmp + 4 * x, 3);
        a[x] = tmp[4 * x + 3];
      }
      break;
    case Layout::Direct: break;
  }
}

// Everything between the signature and the last row. `tmp` lives in the caller so that a
// longjmp out of here leaks nothing; this function holds only plain data.
bool readBody(ReadHandles& h, Image& img, MallocPtr& tmp) {
  png_structp png = h.png;
  png_infop info = h.info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_sig_bytes(png, 8);
  // Our own size limit decides; libpng's default of a million pixels a side is not ours.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);

  png_uint_32 w = 0, hh = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &hh, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
  const bool gray = colorType == PNG_COLOR_TYPE_GRAY;
  const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  // Palette and grey up to 8 bits stay indexed (2 bits widened to 4); 16-bit grey with a
  // transparent level and grey+alpha become grey + alpha plane; the rest is true colour.
  Layout layout = Layout::Direct;
  uint32_t depth = 24;
  bool grayPalette = false;
  if ((palette || gray) && bitDepth <= 8) {
    depth = bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
    if (bitDepth == 2) layout = Layout::TwoBit;
    grayPalette = gray;
  } else if (gray || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    depth = 8;
    grayPalette = true;
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA || hasTrns) layout = Layout::GrayAlpha;
  } else if (colorType == PNG_COLOR_TYPE_RGB_ALPHA || hasTrns) {
    layout = Layout::Bgra;
  }
  if (img.info.escape == -1) return rio::headerOnly(img, w, hh, uint16_t(depth), ZV_TYPE_PNG);
  if (!rio::createChecked(img, w, hh, depth, ZV_TYPE_PNG, "PNG: image too large")) return false;

  if (bitDepth == 16) png_set_scale_16(png);
  if (!palette && hasTrns && layout != Layout::Direct && layout != Layout::TwoBit) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  ZvRGBQuad pal[256] = {};
  if (grayPalette) {
    const uint32_t sampleBits = bitDepth > 8 ? 8 : uint32_t(bitDepth);
    const uint32_t levels = 1u << sampleBits;
    for (uint32_t i = 0; i < levels; ++i) {
      const uint8_t v = uint8_t(i * 255 / (levels - 1));
      pal[i] = {v, v, v, 0};
    }
    img.setPalette(pal, levels);
  } else if (palette) {
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) && entries) {
      count = count > 256 ? 256 : count;
      for (int i = 0; i < count; ++i) pal[i] = {entries[i].blue, entries[i].green, entries[i].red, 0};
      img.setPalette(pal, uint32_t(count));
    }
  }
  if (layout == Layout::GrayAlpha || layout == Layout::Bgra) {
    if (!img.allocAlpha(255)) png_error(png, "can't allocate memory");
    tmp = mallocBytes(size_t(w) * 4 + 4);
    if (!tmp) png_error(png, "can't allocate memory");
  } else if (layout == Layout::TwoBit) {
    tmp = mallocBytes(size_t(w) / 4 + 4);
    if (!tmp) png_error(png, "can't allocate memory");
  }

  const size_t rowBytes = png_get_rowbytes(png, info);
  const size_t room = layout == Layout::Direct ? img.stride()
                      : layout == Layout::TwoBit ? size_t(w) / 4 + 4 : size_t(w) * 4 + 4;
  if (rowBytes > room) png_error(png, "unexpected row size");

  const int32_t height = img.height();
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < height; ++y) {
      const int32_t row = height - 1 - y;
      if (layout == Layout::Direct) {
        png_read_row(png, img.row(row), nullptr);
        continue;
      }
      // Later passes add to what earlier ones left in the row.
      if (passes > 1) packRow(img, row, layout, tmp.get());
      png_read_row(png, tmp.get(), nullptr);
      unpackRow(img, row, layout, tmp.get());
    }
  }

  if (hasTrns && (palette || (gray && bitDepth <= 8))) {
    png_bytep alphas = nullptr;
    int count = 0;
    png_color_16p color = nullptr;
    png_get_tRNS(png, info, &alphas, &count, &color);
    if (gray && color) {
      const uint32_t level = color->gray;
      if (level < img.numColors()) {
        img.info.transIndex = int32_t(level);
        img.info.transColor = img.palette()[level];
      }
    } else if (palette && alphas && count > 0) {
      // One fully transparent entry among opaque ones is a transparent index; anything
      // else needs the alpha plane.
      int zero = -1, zeros = 0, partial = 0;
      for (int i = 0; i < count && i < 256; ++i) {
        if (alphas[i] == 0) zero = i, ++zeros;
        else if (alphas[i] != 255) ++partial;
      }
      if (zeros == 1 && partial == 0) {
        img.info.transIndex = zero;
        img.info.transColor = img.palette()[zero];
      } else if (zeros + partial > 0) {
        if (!img.allocAlpha(255)) png_error(png, "can't allocate memory");
        for (int32_t y = 0; y < height; ++y) {
          const uint8_t* src = img.row(y);
          uint8_t* a = img.alphaRow(y);
          for (int32_t x = 0; x < img.width(); ++x) {
            const uint8_t i = rio::getIndex(src, uint32_t(x), img.depth());
            a[x] = i < count ? alphas[i] : 255;
          }
        }
      }
    }
  }

  png_uint_32 xres = 0, yres = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &xres, &yres, &unit) && unit == PNG_RESOLUTION_METER && xres && yres)
    img.setDpi(dpiFromPpm(xres), dpiFromPpm(yres));
  img.setType(ZV_TYPE_PNG);
  return true;
}

// Per-index alpha when the alpha plane is a function of the palette index, so an indexed
// picture with alpha can stay indexed; false when two pixels of one index differ.
bool alphaByIndex(const Image& img, uint8_t (&alphas)[256], int& count) {
  bool seen[256] = {};
  std::memset(alphas, 255, sizeof alphas);
  count = 0;
  for (int32_t y = 0; y < img.height(); ++y) {
    const uint8_t* src = img.row(y);
    const uint8_t* a = img.alphaRow(y);
    for (int32_t x = 0; x < img.width(); ++x) {
      const uint8_t i = rio::getIndex(src, uint32_t(x), img.depth());
      if (seen[i] && alphas[i] != a[x]) return false;
      seen[i] = true;
      alphas[i] = a[x];
    }
  }
  for (int i = 0; i < 256; ++i)
    if (alphas[i] != 255) count = i + 1;
  return true;
}

bool writeBody(WriteHandles& h, Image& img, MallocPtr& tmp) {
  png_structp png = h.png;
  png_infop info = h.info;
  if (setjmp(png_jmpbuf(png))) return false;
  const uint32_t depth = img.depth();
  const int32_t w = img.width(), height = img.height();

  uint8_t alphas[256];
  int alphaCount = 0;
  bool indexed = depth <= 8;
  if (indexed && img.alpha && !alphaByIndex(img, alphas, alphaCount)) indexed = false;
  const bool rgba = img.alpha && !indexed;
  const bool expand = rgba && depth <= 8;  // indexed picture whose alpha needs RGBA

  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(height), indexed ? int(depth) : 8,
               indexed ? PNG_COLOR_TYPE_PALETTE : rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) {
    png_color entries[256];
    const ZvRGBQuad* pal = img.palette();
    const uint32_t count = img.numColors() > 256 ? 256 : img.numColors();
    for (uint32_t i = 0; i < count; ++i) entries[i] = {pal[i].red, pal[i].green, pal[i].blue};
    png_set_PLTE(png, info, entries, int(count));
    if (!img.alpha && img.info.transIndex >= 0 && uint32_t(img.info.transIndex) < count) {
      std::memset(alphas, 255, sizeof alphas);
      alphas[img.info.transIndex] = 0;
      alphaCount = img.info.transIndex + 1;
    }
    if (alphaCount > 0) png_set_tRNS(png, info, alphas, alphaCount, nullptr);
  }
  png_set_pHYs(png, info, ppmFromDpi(img.info.xdpi), ppmFromDpi(img.info.ydpi), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  if (!indexed && !expand) png_set_bgr(png);

  if (rgba) {
    tmp = mallocBytes(size_t(w) * 4);
    if (!tmp) png_error(png, "can't allocate memory");
  }
  for (int32_t y = 0; y < height; ++y) {
    const int32_t row = height - 1 - y;
    if (!rgba) {
      png_write_row(png, img.row(row));
      continue;
    }
    uint8_t* out = tmp.get();
    const uint8_t* a = img.alphaRow(row);
    if (expand) {
      for (int32_t x = 0; x < w; ++x) {
        const ZvRGBQuad c = img.palette()[rio::getIndex(img.row(row), uint32_t(x), depth)];
        out[4 * x] = c.red, out[4 * x + 1] = c.green, out[4 * x + 2] = c.blue, out[4 * x + 3] = a[x];
      }
    } else {
      packRow(img, row, Layout::Bgra, out);
    }
    png_write_row(png, out);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

bool decodePNG(Image& img, StreamRef in, uint32_t) {
  uint8_t sig[8];
  if (!in.readExact(sig, sizeof sig) || png_sig_cmp(sig, 0, sizeof sig) != 0) {
    return fail(img, "PNG: not a PNG file");
  }
  PngIo io{in};
  ReadHandles h;
  h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, onError, onWarning);
  if (h.png) h.info = png_create_info_struct(h.png);
  if (!h.png || !h.info) return fail(img, "PNG: can't allocate memory");
  png_set_read_fn(h.png, &io, readData);
  MallocPtr tmp;
  if (readBody(h, img, tmp)) return true;
  img.destroyPixels();
  if (io.message[0]) img.setLastError(io.message);
  else if (!img.lastError()[0]) img.setLastError("PNG: decode error");
  return false;
}

bool encodePNG(Image& img, StreamRef out, uint32_t) {
  if (!img.valid()) return fail(img, "null image!!!");
  PngIo io{out};
  WriteHandles h;
  h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, onError, onWarning);
  if (h.png) h.info = png_create_info_struct(h.png);
  if (!h.png || !h.info) return fail(img, "PNG: can't allocate memory");
  png_set_write_fn(h.png, &io, writeData, flushData);
  MallocPtr tmp;
  if (writeBody(h, img, tmp)) {
    out.flush();
    return true;
  }
  return fail(img, io.message[0] ? io.message : "PNG: encode error");
}

}  // namespace zelvo

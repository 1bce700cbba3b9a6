// TIFF through libtiff over our streams. Palette and grey pages in strips keep their
// indices; everything else (tiles, YCbCr, CMYK, odd depths) goes through libtiff's RGBA
// reader. The frame index picks the page; load-all-frames reads every page into frames.
// Pages are written into memory first because libtiff reads back its own directories.
#include <tiffio.h>

#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

// Reading: the whole file in memory, also offered as a mapping (libtiff's unmapped tile
// reader refuses some valid files).
struct TiffIn {
  const std::vector<uint8_t>* data;
  size_t pos = 0;
};

tmsize_t inRead(thandle_t h, void* buf, tmsize_t n) {
  auto* t = static_cast<TiffIn*>(h);
  if (n <= 0 || t->pos >= t->data->size()) return 0;
  const size_t k = std::min(size_t(n), t->data->size() - t->pos);
  std::memcpy(buf, t->data->data() + t->pos, k);
  t->pos += k;
  return tmsize_t(k);
}
tmsize_t noWrite(thandle_t, void*, tmsize_t) { return 0; }
toff_t inSeek(thandle_t h, toff_t off, int whence) {
  auto* t = static_cast<TiffIn*>(h);
  int64_t to = int64_t(off);
  if (whence == SEEK_CUR) to = int64_t(t->pos) + int64_t(off);
  else if (whence == SEEK_END) to = int64_t(t->data->size()) + int64_t(off);
  if (to < 0) return toff_t(-1);
  t->pos = size_t(to);
  return toff_t(to);
}
int noClose(thandle_t) { return 0; }
toff_t inSize(thandle_t h) { return toff_t(static_cast<TiffIn*>(h)->data->size()); }
int inMap(thandle_t h, void** base, toff_t* size) {
  auto* t = static_cast<TiffIn*>(h);
  *base = const_cast<uint8_t*>(t->data->data());
  *size = toff_t(t->data->size());
  return 1;
}
int noMap(thandle_t, void**, toff_t*) { return 0; }
void noUnmap(thandle_t, void*, toff_t) {}

// Writing: a growable, seekable buffer.
struct TiffOut {
  std::vector<uint8_t> data;
  size_t pos = 0;
};
tmsize_t outRead(thandle_t h, void* buf, tmsize_t n) {
  auto* t = static_cast<TiffOut*>(h);
  if (n <= 0 || t->pos >= t->data.size()) return 0;
  const size_t k = std::min(size_t(n), t->data.size() - t->pos);
  std::memcpy(buf, t->data.data() + t->pos, k);
  t->pos += k;
  return tmsize_t(k);
}
tmsize_t outWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* t = static_cast<TiffOut*>(h);
  if (n <= 0) return 0;
  if (t->pos + size_t(n) > t->data.size()) t->data.resize(t->pos + size_t(n));
  std::memcpy(t->data.data() + t->pos, buf, size_t(n));
  t->pos += size_t(n);
  return n;
}
toff_t outSeek(thandle_t h, toff_t off, int whence) {
  auto* t = static_cast<TiffOut*>(h);
  int64_t to = int64_t(off);
  if (whence == SEEK_CUR) to = int64_t(t->pos) + int64_t(off);
  else if (whence == SEEK_END) to = int64_t(t->data.size()) + int64_t(off);
  if (to < 0) return toff_t(-1);
  t->pos = size_t(to);
  return toff_t(to);
}
toff_t outSize(thandle_t h) { return toff_t(static_cast<TiffOut*>(h)->data.size()); }

int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr openTiff(const char* mode, thandle_t h, TIFFReadWriteProc rd, TIFFReadWriteProc wr, TIFFSeekProc sk,
                 TIFFSizeProc sz, TIFFMapFileProc map) {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  if (!opts) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(opts, quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, quietHandler, nullptr);
  // A hostile strip size must not make libtiff allocate without bound.
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(512) << 20);
  TiffPtr t(TIFFClientOpenExt("zelvo", mode, h, rd, wr, sk, noClose, sz, map, noUnmap, opts));
  TIFFOpenOptionsFree(opts);
  return t;
}

// Also silences the process-wide handlers, which libtiff still calls from some paths.
void silenceGlobalHandlers() {
  static const bool once = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)once;
}

struct Page {
  uint32_t w = 0, h = 0;
  uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
  uint16_t extraCount = 0;
  const uint16_t* extra = nullptr;
};

bool readPageInfo(TIFF* t, Page& p) {
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.h)) return false;
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &p.spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &p.bps);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p.photometric))
    p.photometric = p.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &p.planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &p.extraCount, &p.extra);
  return p.w > 0 && p.h > 0;
}

bool hasAlphaSample(const Page& p) {
  return p.extraCount > 0 && p.extra &&
         (p.extra[0] == EXTRASAMPLE_ASSOCALPHA || p.extra[0] == EXTRASAMPLE_UNASSALPHA);
}

// Pages whose samples we copy ourselves: palette and grey (1-16 bits, one sample, maybe
// alpha) and 8/16-bit RGB, all in strips.
bool directPath(TIFF* t, const Page& p) {
  if (TIFFIsTiled(t)) return false;
  if (p.bps != 1 && p.bps != 2 && p.bps != 4 && p.bps != 8 && p.bps != 16) return false;
  uint16_t fmt = SAMPLEFORMAT_UINT;
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &fmt);
  if (fmt != SAMPLEFORMAT_UINT) return false;
  switch (p.photometric) {
    case PHOTOMETRIC_PALETTE:
      return p.spp == 1 && p.bps <= 8;
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return p.spp == 1 || (p.spp == 2 && p.bps >= 8 && hasAlphaSample(p));
    case PHOTOMETRIC_RGB:
      return p.bps >= 8 && (p.spp == 3 || p.spp == 4);
    default:
      return false;
  }
}

// Sample `i` of a row of 1, 2, 4 or 8-bit samples.
uint32_t rawSample(const uint8_t* row, uint32_t i, uint16_t bps) {
  if (bps == 8) return row[i];
  const uint32_t bit = i * bps;
  return (row[bit / 8] >> (8 - bps - bit % 8)) & ((1u << bps) - 1);
}

bool readDirect(TIFF* t, const Page& p, Image& img) {
  const bool colour = p.photometric == PHOTOMETRIC_RGB;
  const uint32_t outBpp = colour || p.bps == 16 || (p.spp == 2) ? (colour ? 24 : 8)
                          : p.bps == 2 ? 4 : p.bps;
  if (!rio::createChecked(img, p.w, p.h, outBpp, ZV_TYPE_TIF)) return false;
  const bool alpha = (colour && p.spp == 4) || p.spp == 2;
  if (alpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  if (p.photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b)) return fail(img, "TIFF palette missing");
    const uint32_t n = 1u << p.bps;
    // Some writers store 8-bit colour maps: then every value fits in a byte.
    bool eightBit = true;
    for (uint32_t i = 0; i < n; ++i)
      if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    const int shift = eightBit ? 0 : 8;
    ZvRGBQuad pal[256] = {};
    for (uint32_t i = 0; i < n; ++i) pal[i] = {uint8_t(b[i] >> shift), uint8_t(g[i] >> shift), uint8_t(r[i] >> shift), 0};
    if (p.bps == 2) {  // stored as 4 bits
      img.setPalette(pal, 4);
    } else {
      img.setPalette(pal, n);
    }
  } else if (!colour) {
    img.setGrayPalette();
    if (p.photometric == PHOTOMETRIC_MINISWHITE) {
      ZvRGBQuad* pal = img.palette();
      std::reverse(pal, pal + img.numColors());
    }
    if (p.bps == 2) {  // four grey levels in a 16-entry palette
      ZvRGBQuad* pal = img.palette();
      for (uint32_t i = 0; i < 16; ++i) {
        uint8_t v = i < 4 ? uint8_t(i * 85) : 0;
        if (p.photometric == PHOTOMETRIC_MINISWHITE && i < 4) v = uint8_t(255 - v);
        pal[i] = {v, v, v, 0};
      }
    }
  }

  const tmsize_t lineSize = TIFFScanlineSize(t);
  if (lineSize <= 0) return fail(img, "Bad TIFF scanline");
  std::vector<uint8_t> line(size_t(lineSize) + 8);
  const uint16_t planes = p.planar == PLANARCONFIG_SEPARATE ? p.spp : 1;
  const uint32_t perPixel = planes == 1 ? p.spp : 1;
  const uint32_t sampleBytes = p.bps == 16 ? 2 : 1;
  for (uint16_t plane = 0; plane < planes; ++plane) {
    for (uint32_t y = 0; y < p.h; ++y) {
      if (TIFFReadScanline(t, line.data(), y, plane) < 0) return fail(img, "Corrupt TIFF data");
      uint8_t* row = rio::topRow(img, int32_t(y));
      uint8_t* arow = alpha ? rio::topAlphaRow(img, int32_t(y)) : nullptr;
      for (uint32_t x = 0; x < p.w; ++x) {
        for (uint32_t s = 0; s < perPixel; ++s) {
          const uint32_t sample = planes == 1 ? s : plane;
          const uint32_t i = x * perPixel + s;
          uint32_t v;
          if (sampleBytes == 2) {
            uint16_t word;
            std::memcpy(&word, &line[i * 2], 2);  // libtiff hands samples in host order
            v = word >> 8;
          } else {
            v = rawSample(line.data(), i, p.bps);
          }
          if (colour) {
            if (sample < 3) row[x * 3 + 2 - sample] = uint8_t(v);
            else if (sample == 3) arow[x] = uint8_t(v);
          } else if (sample == 0) {
            rio::putIndex(row, x, outBpp, uint8_t(v));
          } else if (sample == 1) {
            arow[x] = uint8_t(v);
          }
        }
      }
    }
  }
  // Associated alpha: the stored colour is premultiplied.
  if (alpha && colour && p.extra && p.extra[0] == EXTRASAMPLE_ASSOCALPHA) {
    for (uint32_t y = 0; y < p.h; ++y) {
      uint8_t* row = img.row(int32_t(y));
      const uint8_t* a = img.alphaRow(int32_t(y));
      for (uint32_t x = 0; x < p.w; ++x)
        for (int c = 0; c < 3; ++c)
          row[x * 3 + c] = a[x] ? uint8_t(std::min<uint32_t>(255, (row[x * 3 + c] * 255u + a[x] / 2) / a[x])) : 0;
    }
  }
  return true;
}

bool readRgba(TIFF* t, const Page& p, Image& img) {
  char why[1024] = {};
  if (!TIFFRGBAImageOK(t, why)) return fail(img, "Unsupported TIFF picture");
  if (!checkDecodeSize(img, p.w, p.h)) return false;
  std::vector<uint32_t> px;
  px.resize(size_t(p.w) * p.h);
  if (!TIFFReadRGBAImageOriented(t, p.w, p.h, px.data(), ORIENTATION_BOTLEFT, 0)) {
    return fail(img, "Corrupt TIFF data");
  }
  if (!rio::createChecked(img, p.w, p.h, 24, ZV_TYPE_TIF)) return false;
  const bool alpha = hasAlphaSample(p);
  if (alpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  for (uint32_t y = 0; y < p.h; ++y) {
    uint8_t* row = img.row(int32_t(y));
    for (uint32_t x = 0; x < p.w; ++x) {
      const uint32_t v = px[size_t(y) * p.w + x];
      uint32_t r = TIFFGetR(v), g = TIFFGetG(v), b = TIFFGetB(v), a = TIFFGetA(v);
      if (alpha) {
        // The RGBA reader premultiplies; give back straight colour.
        if (a) {
          r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
          g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
          b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
        }
        img.alphaRow(int32_t(y))[x] = uint8_t(a);
      }
      row[x * 3] = uint8_t(b);
      row[x * 3 + 1] = uint8_t(g);
      row[x * 3 + 2] = uint8_t(r);
    }
  }
  return true;
}

bool readPage(TIFF* t, Image& img, uint64_t fileSize) {
  Page p;
  if (!readPageInfo(t, p)) return fail(img, "Bad TIFF directory");
  // Deflate packs at most about 1032 bytes into one: a larger claim is a lie.
  const uint64_t claimed = uint64_t(p.w) * p.h * std::max<uint16_t>(p.spp, 1) * std::max<uint16_t>(p.bps, 1) / 8;
  if (claimed > fileSize * 1100 + (1u << 20)) return fail(img, "TIFF data too short for its size");
  const bool ok = directPath(t, p) ? readDirect(t, p, img) : readRgba(t, p, img);
  if (!ok) return false;
  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres) && TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres) && xres > 0 &&
      yres > 0 && xres < 1e6f && yres < 1e6f) {
    const float k = unit == RESUNIT_CENTIMETER ? 2.54f : 1.0f;
    img.setDpi(int32_t(xres * k + 0.5f), int32_t(yres * k + 0.5f));
  }
  img.setType(ZV_TYPE_TIF);
  return true;
}

}  // namespace

bool decodeTIF(Image& img, StreamRef in, uint32_t) {
  uint8_t magic[4];
  const int64_t base = in.tell();
  if (base < 0 || !in.readExact(magic, 4) || !in.seek(base, SEEK_SET) ||
      !((magic[0] == 'I' && magic[1] == 'I' && (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
        (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43)))) {
    return fail(img, "Not a TIFF");
  }
  silenceGlobalHandlers();
  std::vector<uint8_t> data;
  if (!rio::readRest(in, data)) return fail(img, "Invalid TIFF file");
  TiffIn src{&data};
  TiffPtr t = openTiff("r", &src, inRead, noWrite, inSeek, inSize, inMap);
  if (!t) return fail(img, "Invalid TIFF file");
  // Digital negatives are camera raw files: leave them to the raw decoder.
  void* dng = nullptr;
  uint32_t dngCount = 0;
  if (TIFFGetField(t.get(), TIFFTAG_DNGVERSION, &dngCount, &dng)) return fail(img, "DNG is camera raw");
  const int32_t index = img.info.frameIndex;
  const tdir_t pages = TIFFNumberOfDirectories(t.get());
  if (index < 0 || tdir_t(index) >= pages || !TIFFSetDirectory(t.get(), tdir_t(index))) {
    return fail(img, "Invalid frame index");
  }
  if (img.info.escape == -1) {
    Page p;
    if (!readPageInfo(t.get(), p)) return fail(img, "Bad TIFF directory");
    const bool indexed = p.spp == 1 && p.bps <= 8 && p.photometric != PHOTOMETRIC_RGB;
    return rio::headerOnly(img, p.w, p.h, indexed ? uint16_t(p.bps == 2 ? 4 : p.bps) : 24, ZV_TYPE_TIF);
  }
  std::vector<ImagePtr> frames;
  if (img.info.loadAllFrames) {
    if (pages > kMaxFrames) return fail(img, "Too many TIFF pages");
    for (tdir_t i = 0; i < pages; ++i) {
      ImagePtr f = Image::make(ZV_TYPE_TIF);
      if (!f || !TIFFSetDirectory(t.get(), i)) {
        return fail(img, f ? "Bad TIFF directory" : "Can't allocate memory");
      }
      f->copyInfo(img);
      f->info.loadAllFrames = false;
      if (!readPage(t.get(), *f, data.size())) return fail(img, f->lastError());
      f->info.frameIndex = int32_t(i);
      frames.push_back(std::move(f));
    }
    if (!TIFFSetDirectory(t.get(), tdir_t(index))) return fail(img, "Bad TIFF directory");
  }
  if (!readPage(t.get(), img, data.size())) return false;
  img.frames = std::move(frames);
  return true;
}

namespace {

// Compression for a page: the codec option word when it names a scheme libtiff has that
// suits the page, LZW otherwise.
uint16_t compressionFor(const Image& img) {
  const uint32_t wanted = img.info.codecOptions[ZV_TYPE_TIF] & 0xFFFF;
  if (wanted && TIFFIsCODECConfigured(uint16_t(wanted))) {
    const bool jpegOk = img.depth() == 24 || img.isGray();
    const bool faxOk = img.depth() == 1;
    if (wanted == COMPRESSION_JPEG && !jpegOk) return COMPRESSION_LZW;
    if ((wanted == COMPRESSION_CCITTFAX3 || wanted == COMPRESSION_CCITTFAX4 || wanted == COMPRESSION_CCITTRLE) &&
        !faxOk)
      return COMPRESSION_LZW;
    return uint16_t(wanted);
  }
  return COMPRESSION_LZW;
}

bool writePage(TIFF* t, const Image& img, Image& err) {
  if (!img.valid()) return fail(err, "null image!!!");
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  const uint16_t depth = img.depth();
  const bool alpha = img.alpha != nullptr;
  const ZvRGBQuad* pal = img.palette();
  // A grey ramp in index order is written as plain grey.
  bool ramp = depth <= 8 && !alpha;
  for (uint32_t i = 0; ramp && i < img.numColors(); ++i) {
    const uint8_t v = uint8_t(i * 255 / (img.numColors() - 1));
    if (pal[i].red != v || pal[i].green != v || pal[i].blue != v) ramp = false;
  }
  const bool rgb = depth == 24 || alpha;
  const uint16_t spp = rgb ? (alpha ? 4 : 3) : 1;
  const uint16_t bps = rgb ? 8 : depth;
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bps);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, rgb ? PHOTOMETRIC_RGB : ramp ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE);
  uint16_t comp = compressionFor(img);
  if (comp == COMPRESSION_JPEG && (alpha || (!rgb && !ramp))) comp = COMPRESSION_LZW;
  if ((comp == COMPRESSION_CCITTFAX3 || comp == COMPRESSION_CCITTFAX4 || comp == COMPRESSION_CCITTRLE) &&
      (rgb || depth != 1))
    comp = COMPRESSION_LZW;
  TIFFSetField(t, TIFFTAG_COMPRESSION, comp);
  if (comp == COMPRESSION_JPEG) TIFFSetField(t, TIFFTAG_JPEGQUALITY, int(img.info.jpegQuality));
  if (alpha) {
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (!rgb && !ramp) {
    std::vector<uint16_t> r(1u << bps), g(1u << bps), b(1u << bps);
    for (uint32_t i = 0; i < r.size() && i < img.numColors(); ++i) {
      r[i] = uint16_t(pal[i].red * 257);
      g[i] = uint16_t(pal[i].green * 257);
      b[i] = uint16_t(pal[i].blue * 257);
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  TIFFSetField(t, TIFFTAG_XRESOLUTION, float(img.info.xdpi));
  TIFFSetField(t, TIFFTAG_YRESOLUTION, float(img.info.ydpi));
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  std::vector<uint8_t> line(size_t(w) * spp + 4);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = rio::topRow(img, int32_t(y));
    if (!rgb) {
      std::memcpy(line.data(), row, (size_t(w) * depth + 7) / 8);
    } else {
      for (uint32_t x = 0; x < w; ++x) {
        const ZvRGBQuad c = rio::colorAt(img, int32_t(x), int32_t(y));
        uint8_t* p = &line[size_t(x) * spp];
        p[0] = c.red;
        p[1] = c.green;
        p[2] = c.blue;
        if (alpha) p[3] = c.reserved;
      }
    }
    if (TIFFWriteScanline(t, line.data(), y, 0) < 0) return fail(err, "TIFF write failed");
  }
  return TIFFWriteDirectory(t) != 0 || fail(err, "TIFF write failed");
}

bool writePages(std::span<Image* const> pages, StreamRef out, Image& err) {
  silenceGlobalHandlers();
  TiffOut buf;
  {
    TiffPtr t = openTiff("wm", &buf, outRead, outWrite, outSeek, outSize, noMap);
    if (!t) return fail(err, "TIFF write failed");
    for (size_t i = 0; i < pages.size(); ++i) {
      if (!pages[i]) return fail(err, "null image!!!");
      if (pages.size() > 1) {
        TIFFSetField(t.get(), TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(t.get(), TIFFTAG_PAGENUMBER, uint16_t(i), uint16_t(pages.size()));
      }
      if (!writePage(t.get(), *pages[i], err)) return false;
    }
  }
  if (!out.writeAll(buf.data.data(), buf.data.size())) return fail(err, "Write error");
  return true;
}

}  // namespace

bool encodeTIF(Image& img, StreamRef out, uint32_t) {
  Image* one[1] = {&img};
  return writePages(one, out, img);
}

bool encodeFramesTIF(std::span<Image* const> images, StreamRef out, Image& err) {
  if (images.empty()) return fail(err, "null image!!!");
  return writePages(images, out, err);
}

}  // namespace zelvo

// The engine's sprite-sheet animation ("yjlc"): a header, one record per frame, then one
// JPEG or PNG sheet from which every frame is cropped. Read only.
#include <cstring>
#include <vector>

#include "Codecs.h"

namespace zelvo {
namespace {

constexpr uint32_t kHeaderSize = 28;
constexpr uint32_t kRecordSize = 16;

struct Header {
  uint32_t headerSize, version, frameCount, frameWidth, frameHeight, sheetFormat;
};

struct Record {
  uint32_t opacity, delay, x, y;
};

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool readHeader(StreamRef in, Header* h) {
  uint8_t raw[kHeaderSize];
  if (!in.readExact(raw, sizeof raw) || std::memcmp(raw, "yjlc", 4) != 0) return false;
  *h = {le32(raw + 4), le32(raw + 8), le32(raw + 12), le32(raw + 16), le32(raw + 20), le32(raw + 24)};
  return h->headerSize == kHeaderSize && h->version == 1 && h->frameCount != 0 &&
         h->frameWidth != 0 && h->frameHeight != 0 &&
         (h->sheetFormat == ZV_TYPE_JPG || h->sheetFormat == ZV_TYPE_PNG);
}

// Copies the w x h rectangle at (x, y) (top-left origin) of `sheet` into `dst`, which has
// been created with that size and the sheet's depth.
void cropInto(Image& dst, const Image& sheet, uint32_t x, uint32_t y) {
  const int32_t w = dst.width(), h = dst.height();
  if (const ZvRGBQuad* pal = sheet.palette()) dst.setPalette(pal, sheet.numColors());
  const uint16_t depth = sheet.depth();
  for (int32_t fy = 0; fy < h; ++fy) {
    const int32_t sheetRow = sheet.height() - 1 - int32_t(y) - fy;
    const int32_t dstRow = h - 1 - fy;
    if (depth >= 8) {
      const size_t bpp = depth / 8;
      std::memcpy(dst.row(dstRow), sheet.row(sheetRow) + size_t(x) * bpp, size_t(w) * bpp);
    } else {
      for (int32_t fx = 0; fx < w; ++fx)
        dst.setPixelIndex(fx, dstRow, sheet.pixelIndex(int32_t(x) + fx, sheetRow));
    }
    if (sheet.alpha && dst.alpha)
      std::memcpy(dst.alphaRow(dstRow), sheet.alphaRow(sheetRow) + x, size_t(w));
  }
}

bool buildFrame(Image& dst, const Image& sheet, const Record& r, uint32_t w, uint32_t h) {
  if (!dst.create(w, h, sheet.depth(), ZV_TYPE_LJY)) return false;
  const bool uniform = r.opacity >= 1 && r.opacity <= 254;
  if ((sheet.alpha || uniform) && !dst.allocAlpha(255)) return fail(dst, "LJY: out of memory");
  cropInto(dst, sheet, r.x, r.y);
  if (uniform) std::memset(dst.alpha.get(), int(r.opacity), size_t(w) * h);
  dst.info.frameDelay = int32_t(r.delay);
  return true;
}

}  // namespace

bool decodeLJY(Image& img, StreamRef in, uint32_t) {
  Header h;
  if (!readHeader(in, &h)) return fail(img, "LJY: not a sprite sheet");
  if (img.info.escape == -1) {
    if (h.frameWidth > uint32_t(INT32_MAX) || h.frameHeight > uint32_t(INT32_MAX))
      return fail(img, "LJY: bad frame size");
    img.head.biWidth = int32_t(h.frameWidth);
    img.head.biHeight = int32_t(h.frameHeight);
    img.setType(ZV_TYPE_LJY);
    return true;
  }
  if (!checkDecodeSize(img, h.frameWidth, h.frameHeight)) return false;
  const int32_t index = img.info.frameIndex;
  if (!img.info.loadAllFrames && (index < 0 || uint32_t(index) >= h.frameCount))
    return fail(img, "LJY: frame index out of range");
  const uint32_t built = img.info.loadAllFrames ? h.frameCount : uint32_t(index) + 1;
  // Every built frame holds its own pixels: bound the total before anything is read.
  if (uint64_t(built) * h.frameWidth * h.frameHeight > kDecodeMaxPixels || built > kMaxFrames)
    return fail(img, "Image too large");

  // All records must be present; a count beyond the bytes left is a cut file.
  const int64_t here = in.tell(), size = in.size();
  if (here >= 0 && size >= 0 && uint64_t(h.frameCount) * kRecordSize > uint64_t(size - here))
    return fail(img, "LJY: frame records missing");
  std::vector<Record> records;
  records.reserve(built);
  for (uint32_t i = 0; i < h.frameCount; ++i) {
    uint8_t raw[kRecordSize];
    if (!in.readExact(raw, sizeof raw)) return fail(img, "LJY: frame records missing");
    if (i < built) records.push_back({le32(raw), le32(raw + 4), le32(raw + 8), le32(raw + 12)});
  }

  const Codec* sheetCodec = codecFor(h.sheetFormat);
  if (!sheetCodec || !sheetCodec->decode) return fail(img, "LJY: sheet format not available");
  ImagePtr sheet = Image::make(h.sheetFormat);
  if (!sheet) return fail(img, "LJY: out of memory");
  sheet->info.codecOptions[ZV_TYPE_JPG] = 0;  // the sheet is laid out as stored
  if (!sheetCodec->decode(*sheet, in, h.sheetFormat) || !sheet->valid())
    return fail(img, sheet->lastError()[0] ? sheet->lastError() : "LJY: bad sheet");

  std::vector<ImagePtr> frames;
  frames.reserve(built);
  for (uint32_t i = 0; i < built; ++i) {
    const Record& r = records[i];
    if (uint64_t(r.x) + h.frameWidth > uint64_t(sheet->width()) ||
        uint64_t(r.y) + h.frameHeight > uint64_t(sheet->height()))
      return fail(img, "LJY: frame outside the sheet");
    ImagePtr f = Image::make(ZV_TYPE_LJY);
    if (!f) return fail(img, "LJY: out of memory");
    f->setDpi(sheet->info.xdpi, sheet->info.ydpi);
    if (!buildFrame(*f, *sheet, r, h.frameWidth, h.frameHeight)) return fail(img, f->lastError());
    f->info.frameIndex = int32_t(i);
    frames.push_back(std::move(f));
  }

  // The image itself shows frame 0.
  if (!buildFrame(img, *sheet, records[0], h.frameWidth, h.frameHeight)) return false;
  img.info.frameDelay = int32_t(records[0].delay);
  img.setDpi(sheet->info.xdpi, sheet->info.ydpi);
  img.destroyFrames();
  for (ImagePtr& f : frames)
    if (!img.appendFrame(std::move(f))) return fail(img, "LJY: out of memory");
  img.setType(ZV_TYPE_LJY);
  return true;
}

}  // namespace zelvo

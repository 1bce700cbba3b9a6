// Windows icons and cursors: every directory entry is one picture, stored either as a
// headerless DIB (XOR pixels followed by a 1-bit AND mask) or as a complete PNG.
// The frame index picks the entry; load-all-frames puts every entry into the frames.
#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

constexpr uint64_t kMaxIconFile = 64ull << 20;
const uint8_t kPngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Entry {
  uint32_t size, offset;
};

bool isPng(std::span<const uint8_t> d) { return d.size() >= 8 && !std::memcmp(d.data(), kPngMagic, 8); }

// A DIB entry: 40-byte header, palette, XOR rows, AND rows (both bottom-up, 4-byte padded).
bool decodeDib(Image& img, std::span<const uint8_t> d) {
  if (d.size() < 40 || rio::le32(d.data()) < 40 || rio::le32(d.data()) > d.size()) {
    return fail(img, "Bad icon entry");
  }
  const uint32_t hdr = rio::le32(d.data());
  const int32_t w = int32_t(rio::le32(d.data() + 4));
  const int32_t h2 = int32_t(rio::le32(d.data() + 8));
  const uint16_t bpp = rio::le16(d.data() + 14);
  const uint32_t compression = rio::le32(d.data() + 16);
  uint32_t colors = rio::le32(d.data() + 32);
  if (w <= 0 || h2 <= 0 || compression != 0 ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)) {
    return fail(img, "Bad icon entry");
  }
  // The stored height covers the XOR and the AND bitmap.
  const int32_t h = h2 / 2 > 0 ? h2 / 2 : h2;
  if (bpp <= 8) {
    if (colors == 0) colors = 1u << bpp;
    if (colors > (1u << bpp)) return fail(img, "Bad icon palette");
  } else {
    colors = 0;
  }
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, bpp == 32 ? 24 : bpp, ZV_TYPE_ICO);
  if (!checkDecodeSize(img, w, h)) return false;
  const uint64_t xorStride = (uint64_t(w) * bpp + 31) / 32 * 4;
  const uint64_t andStride = (uint64_t(w) + 31) / 32 * 4;
  const uint64_t palBytes = uint64_t(colors) * 4;
  const uint64_t need = hdr + palBytes + xorStride * uint64_t(h);
  if (need > d.size()) return fail(img, "Truncated icon entry");
  const bool haveMask = need + andStride * uint64_t(h) <= d.size();
  if (!rio::createChecked(img, w, h, bpp == 32 ? 24 : bpp, ZV_TYPE_ICO)) return false;
  const uint8_t* pal = d.data() + hdr;
  if (bpp <= 8) {
    ZvRGBQuad p[256] = {};
    for (uint32_t i = 0; i < colors; ++i) p[i] = {pal[i * 4], pal[i * 4 + 1], pal[i * 4 + 2], 0};
    img.setPalette(p, 1u << bpp);
  }
  const uint8_t* xorBits = pal + palBytes;
  const uint8_t* andBits = xorBits + xorStride * uint64_t(h);
  bool anyAlpha = false;
  if (bpp == 32)
    for (int32_t y = 0; y < h && !anyAlpha; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (xorBits[y * xorStride + x * 4 + 3]) {
          anyAlpha = true;
          break;
        }
  bool anyMask = false;
  if (haveMask && !anyAlpha)
    for (int32_t y = 0; y < h && !anyMask; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (rio::getIndex(andBits + y * andStride, uint32_t(x), 1)) {
          anyMask = true;
          break;
        }
  if ((anyAlpha || anyMask) && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = xorBits + y * xorStride;
    uint8_t* row = img.row(y);
    if (bpp == 32) {
      for (int32_t x = 0; x < w; ++x) std::memcpy(row + x * 3, src + x * 4, 3);
    } else {
      std::memcpy(row, src, std::min<uint64_t>(xorStride, img.stride()));
    }
    if (anyAlpha) {
      for (int32_t x = 0; x < w; ++x) img.alphaRow(y)[x] = src[x * 4 + 3];
    } else if (anyMask) {
      for (int32_t x = 0; x < w; ++x)
        img.alphaRow(y)[x] = rio::getIndex(andBits + y * andStride, uint32_t(x), 1) ? 0 : 255;
    }
  }
  return true;
}

bool decodeEntry(Image& img, std::span<const uint8_t> d) {
  if (!isPng(d)) return decodeDib(img, d);
  StreamPtr mem = makeMemoryReader(d.data(), d.size());
  if (!mem) return fail(img, "Can't allocate memory");
  if (!decodePNG(img, StreamRef(mem.get()), ZV_TYPE_PNG)) return false;
  img.setType(ZV_TYPE_ICO);
  return true;
}

bool readDirectory(Image& img, const std::vector<uint8_t>& file, std::vector<Entry>& entries) {
  if (file.size() < 6 || rio::le16(file.data()) != 0) return false;
  const uint16_t kind = rio::le16(file.data() + 2);
  const uint16_t count = rio::le16(file.data() + 4);
  if ((kind != 1 && kind != 2) || count == 0 || 6 + size_t(count) * 16 > file.size()) return false;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = file.data() + 6 + i * 16;
    entries.push_back({rio::le32(e + 8), rio::le32(e + 12)});
  }
  (void)img;
  return true;
}

}  // namespace

bool decodeICO(Image& img, StreamRef in, uint32_t) {
  // Cheap probe first so that detection of other formats never reads a whole file here.
  uint8_t probe[6];
  if (!in.readExact(probe, 6) || rio::le16(probe) != 0 || (rio::le16(probe + 2) != 1 && rio::le16(probe + 2) != 2) ||
      rio::le16(probe + 4) == 0 || !in.seek(-6, SEEK_CUR)) {
    return fail(img, "Not an icon");
  }
  std::vector<uint8_t> file;
  std::vector<Entry> entries;
  if (!rio::readRest(in, file, kMaxIconFile) || !readDirectory(img, file, entries)) {
    return fail(img, "Not an icon");
  }
  for (const Entry& e : entries)
    if (e.offset < 6 + entries.size() * 16 || uint64_t(e.offset) + e.size > file.size() || e.size == 0) {
      return fail(img, "Icon entry outside the file");
    }
  const int32_t index = img.info.frameIndex;
  if (index < 0 || size_t(index) >= entries.size()) return fail(img, "Invalid frame index");
  auto bytesOf = [&](const Entry& e) { return std::span<const uint8_t>(file.data() + e.offset, e.size); };
  std::vector<ImagePtr> frames;
  if (img.info.loadAllFrames && img.info.escape != -1) {
    for (size_t i = 0; i < entries.size(); ++i) {
      ImagePtr f = Image::make(ZV_TYPE_ICO);
      if (!f) return fail(img, "Can't allocate memory");
      f->copyInfo(img);
      f->info.loadAllFrames = false;
      if (!decodeEntry(*f, bytesOf(entries[i]))) return fail(img, f->lastError());
      f->info.frameIndex = int32_t(i);
      frames.push_back(std::move(f));
    }
  }
  if (!decodeEntry(img, bytesOf(entries[size_t(index)]))) return false;
  img.frames = std::move(frames);
  img.setType(ZV_TYPE_ICO);
  return true;
}

namespace {

bool buildEntry(const Image& img, std::vector<uint8_t>& out, uint16_t& bppOut, Image& err) {
  const int32_t w = img.width(), h = img.height();
  if (!img.valid()) return fail(err, "null image!!!");
  if (w > 256 || h > 256) return fail(err, "Icons can hold at most 256 x 256 pixels");
  const uint16_t src = img.depth();
  const bool alpha = img.alpha != nullptr;
  const uint16_t bpp = src == 24 && alpha ? 32 : src;
  const uint32_t colors = bpp <= 8 ? img.numColors() : 0;
  const uint32_t xorStride = (uint32_t(w) * bpp + 31) / 32 * 4;
  const uint32_t andStride = (uint32_t(w) + 31) / 32 * 4;
  rio::putLe32(out, 40);
  rio::putLe32(out, uint32_t(w));
  rio::putLe32(out, uint32_t(h) * 2);
  rio::putLe16(out, 1);
  rio::putLe16(out, bpp);
  rio::putLe32(out, 0);
  rio::putLe32(out, (xorStride + andStride) * uint32_t(h));
  rio::putLe32(out, 0);
  rio::putLe32(out, 0);
  rio::putLe32(out, colors);
  rio::putLe32(out, 0);
  const ZvRGBQuad* pal = img.palette();
  for (uint32_t i = 0; i < colors; ++i) out.insert(out.end(), {pal[i].blue, pal[i].green, pal[i].red, 0});
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = img.row(y);
    if (bpp == 32) {
      for (int32_t x = 0; x < w; ++x) out.insert(out.end(), {row[x * 3], row[x * 3 + 1], row[x * 3 + 2], img.alphaRow(y)[x]});
    } else {
      out.insert(out.end(), row, row + xorStride);
    }
  }
  for (int32_t y = 0; y < h; ++y) {
    std::vector<uint8_t> mask(andStride, 0);
    if (alpha)
      for (int32_t x = 0; x < w; ++x)
        if (img.alphaRow(y)[x] < 128) rio::putIndex(mask.data(), uint32_t(x), 1, 1);
    out.insert(out.end(), mask.begin(), mask.end());
  }
  bppOut = bpp;
  return true;
}

}  // namespace

bool encodeFramesICO(std::span<Image* const> images, StreamRef out, Image& err) {
  if (images.empty() || images.size() > 0xFFFF) return fail(err, "null image!!!");
  std::vector<std::vector<uint8_t>> bodies(images.size());
  std::vector<uint16_t> depths(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    if (!images[i]) return fail(err, "null image!!!");
    if (!buildEntry(*images[i], bodies[i], depths[i], err)) return false;
  }
  std::vector<uint8_t> file;
  rio::putLe16(file, 0);
  rio::putLe16(file, 1);
  rio::putLe16(file, uint32_t(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const Image& im = *images[i];
    file.push_back(uint8_t(im.width() & 0xFF));  // 256 is stored as 0
    file.push_back(uint8_t(im.height() & 0xFF));
    file.push_back(uint8_t(depths[i] < 8 ? (1u << depths[i]) : 0));
    file.push_back(0);
    rio::putLe16(file, 1);
    rio::putLe16(file, depths[i]);
    rio::putLe32(file, uint32_t(bodies[i].size()));
    rio::putLe32(file, offset);
    offset += uint32_t(bodies[i].size());
  }
  for (const auto& b : bodies) file.insert(file.end(), b.begin(), b.end());
  if (!out.writeAll(file.data(), file.size())) return fail(err, "Write error");
  return true;
}

bool encodeICO(Image& img, StreamRef out, uint32_t) {
  Image* one[1] = {&img};
  return encodeFramesICO(one, out, img);
}

}  // namespace zelvo

// Small byte and picture helpers shared by the hand-written codecs (TGA, PCX, WBMP, ICO,
// PNM, PGX, RAS, SKA, PSD, metafiles).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "Codec.h"

namespace zelvo::rio {

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void putLe16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void putLe32(std::vector<uint8_t>& v, uint32_t x) {
  putLe16(v, x & 0xFFFF);
  putLe16(v, x >> 16);
}
inline void putBe16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x >> 8));
  v.push_back(uint8_t(x));
}
inline void putBe32(std::vector<uint8_t>& v, uint32_t x) {
  putBe16(v, x >> 16);
  putBe16(v, x & 0xFFFF);
}

// Reads what is left of the stream into `out` (at most `limit` bytes); false when the
// stream is empty or larger than the limit. Reads in chunks so a lying Size() costs nothing.
inline bool readRest(StreamRef in, std::vector<uint8_t>& out, uint64_t limit = 1ull << 31) {
  out.clear();
  uint8_t chunk[65536];
  for (;;) {
    size_t got = in.read(chunk, sizeof chunk);
    if (got == 0) break;
    if (out.size() + got > limit) return false;
    out.insert(out.end(), chunk, chunk + got);
  }
  return !out.empty();
}

// Reads a whole file recognised by its first bytes: `looks` judges what could be read of
// head.size() bytes; then the file, from the same place, goes into `data` (at most `limit`
// bytes). A mismatch, a failed seek or a file over the limit fails with `notThis`.
template <class Looks>
bool readWholeIf(Image& img, StreamRef in, std::span<uint8_t> head, Looks looks, uint64_t limit,
                 std::vector<uint8_t>& data, const char* notThis) {
  const size_t got = in.read(head.data(), head.size());
  if (!looks(std::span<const uint8_t>(head.first(got))) || !in.seek(-int64_t(got), SEEK_CUR) ||
      !readRest(in, data, limit))
    return fail(img, notThis);
  return true;
}

// Header-only answer: the size and type without pixels.
inline bool headerOnly(Image& img, int64_t w, int64_t h, uint16_t bpp, uint32_t type) {
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return fail(img, "Image too large");
  img.head.biWidth = int32_t(w);
  img.head.biHeight = int32_t(h);
  img.head.biBitCount = bpp;
  img.setType(type);
  return true;
}

// Creates the picture after the size check. Create hands out zeroed pixels, so short data
// leaves black, not heap garbage.
inline bool createChecked(Image& img, int64_t w, int64_t h, uint32_t bpp, uint32_t type,
                          const char* message = "Image too large") {
  if (!checkDecodeSize(img, w, h, message)) return false;
  if (uint64_t(w) * uint64_t(h) * bpp > kMaxPixelBits) return fail(img, message);
  if (!img.create(uint32_t(w), uint32_t(h), bpp, type)) return fail(img, "Can't allocate memory");
  return true;
}

// A header may claim any size: before allocating, the rest of the stream must be able to
// hold `decodedBytes` at the format's best compression ratio.
// `buffered` counts bytes a reader has already taken from the stream but not used.
inline bool bodyCanHold(Image& img, StreamRef in, uint64_t decodedBytes, uint64_t maxRatio, const char* message,
                        uint64_t buffered = 0) {
  const int64_t here = in.tell(), total = in.size();
  const uint64_t left = (here >= 0 && total >= here ? uint64_t(total - here) : 0) + buffered;
  if (left * maxRatio + 4096 >= decodedBytes) return true;
  return fail(img, message);
}

// Row `y` counted from the top.
inline uint8_t* topRow(const Image& img, int32_t y) { return img.row(img.height() - 1 - y); }
inline uint8_t* topAlphaRow(const Image& img, int32_t y) { return img.alphaRow(img.height() - 1 - y); }

// Packs an index into a 1/4/8-bit row.
inline void putIndex(uint8_t* row, uint32_t x, uint32_t bpp, uint8_t v) {
  switch (bpp) {
    case 8: row[x] = v; break;
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1) b = uint8_t((b & 0xF0) | (v & 0x0F));
      else b = uint8_t((b & 0x0F) | (v << 4));
      break;
    }
    case 1: {
      uint8_t mask = uint8_t(0x80 >> (x & 7));
      if (v & 1) row[x >> 3] |= mask;
      else row[x >> 3] &= uint8_t(~mask);
      break;
    }
    default: break;
  }
}
inline uint8_t getIndex(const uint8_t* row, uint32_t x, uint32_t bpp) {
  switch (bpp) {
    case 8: return row[x];
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default: return 0;
  }
}

// The depth that holds `colors` palette entries (2, 16 or 256).
inline uint32_t depthForColors(uint32_t colors) { return colors <= 2 ? 1 : colors <= 16 ? 4 : 8; }

// Colour of a pixel, top-down coordinates, alpha 255 when the image has no alpha plane.
inline ZvRGBQuad colorAt(const Image& img, int32_t x, int32_t yTop) {
  int32_t y = img.height() - 1 - yTop;
  ZvRGBQuad c;
  const uint8_t* r = img.row(y);
  if (img.depth() == 24) {
    c = {r[x * 3], r[x * 3 + 1], r[x * 3 + 2], 255};
  } else {
    const ZvRGBQuad* pal = img.palette();
    uint8_t i = getIndex(r, uint32_t(x), img.depth());
    c = pal ? pal[i] : ZvRGBQuad{0, 0, 0, 0};
    c.reserved = 255;
  }
  if (img.alpha) c.reserved = img.alphaRow(y)[x];
  return c;
}

}  // namespace zelvo::rio

namespace zelvo::rio {

// Buffered byte reader over a stream, for the text headers and bodies of PNM and PGX.
class ByteReader {
 public:
  explicit ByteReader(StreamRef in) : in_(in) {}
  int get() {
    if (at_ == have_) {
      have_ = in_.read(buf_, sizeof buf_);
      at_ = 0;
      if (have_ == 0) return -1;
    }
    return buf_[at_++];
  }
  size_t buffered() const { return have_ - at_; }
  int peek() {
    int c = get();
    if (c >= 0) --at_;
    return c;
  }
  bool read(uint8_t* out, size_t n) {
    while (n) {
      if (at_ == have_) {
        if (n >= sizeof buf_) return in_.readExact(out, n);
        have_ = in_.read(buf_, sizeof buf_);
        at_ = 0;
        if (have_ == 0) return false;
      }
      size_t k = std::min(n, have_ - at_);
      std::memcpy(out, buf_ + at_, k);
      at_ += k;
      out += k;
      n -= k;
    }
    return true;
  }

 private:
  StreamRef in_;
  uint8_t buf_[8192];
  size_t have_ = 0, at_ = 0;
};

}  // namespace zelvo::rio

// Export o: a reference-counted, read-only COM stream presenting an image as a BMP file.
// Headers and palette are built once; pixel rows are read from the image on demand.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "EngineObjects.h"
#include "Image.h"

namespace zelvo {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kPointer = int32_t(0x80004003u);
constexpr int32_t kInvalidArg = int32_t(0x80070057u);
constexpr int32_t kAccessDenied = int32_t(0x80030005u);
constexpr int32_t kSeekError = int32_t(0x80030019u);

template <typename T>
void put(std::vector<uint8_t>& out, T v) {
  uint8_t b[sizeof(T)];
  std::memcpy(b, &v, sizeof(T));  // the host is little-endian, as the file format
  out.insert(out.end(), b, b + sizeof(T));
}

struct BitmapStream : ZvComStream {
  std::atomic<uint32_t> refs{1};
  Image* image = nullptr;
  std::vector<uint8_t> head;  // file header, bitmap header, palette
  bool alpha32 = false;       // rows as 32-bit blue, green, red, alpha
  uint64_t rowBytes = 0;
  uint64_t total = 0;
  uint64_t pos = 0;
  int32_t width = 0, height = 0;
  uint16_t depth = 0;

  // The rows may be served only while the image still has the geometry they were laid out for.
  bool live() const {
    return image->valid() && image->width() == width && image->height() == height &&
           image->depth() == depth && alpha32 == (depth == 24 && image->alpha != nullptr);
  }

  bool build() {
    const Image& img = *image;
    alpha32 = img.depth() == 24 && img.alpha != nullptr;
    width = img.width();
    height = img.height();
    depth = img.depth();
    rowBytes = alpha32 ? uint64_t(img.width()) * 4 : img.stride();
    const uint32_t infoSize = alpha32 ? 124 : 40;
    const uint32_t paletteBytes = alpha32 ? 0 : img.numColors() * 4;
    const uint64_t pixelBytes = rowBytes * uint64_t(img.height());
    const uint64_t offBits = 14 + infoSize + paletteBytes;
    total = offBits + pixelBytes;
    if (total > UINT32_MAX) return false;
    try {
      head.reserve(size_t(offBits));
      put<uint16_t>(head, 0x4D42);  // "BM"
      put<uint32_t>(head, uint32_t(total));
      put<uint32_t>(head, 0);
      put<uint32_t>(head, uint32_t(offBits));
      if (alpha32) {
        put<uint32_t>(head, 124);
        put<int32_t>(head, img.width());
        put<int32_t>(head, img.height());
        put<uint16_t>(head, 1);
        put<uint16_t>(head, 32);
        put<uint32_t>(head, 3);  // bit fields
        put<uint32_t>(head, uint32_t(pixelBytes));
        put<int32_t>(head, img.head.biXPelsPerMeter);
        put<int32_t>(head, img.head.biYPelsPerMeter);
        put<uint32_t>(head, 0);
        put<uint32_t>(head, 0);
        for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) put(head, mask);
        put<uint32_t>(head, 0x73524742);  // sRGB
        head.insert(head.end(), 36 + 12, 0);  // endpoints, gamma
        put<uint32_t>(head, 4);  // intent: images
        head.insert(head.end(), 12, 0);  // profile data, size, reserved
      } else {
        ZvBitmapInfoHeader h = img.head;
        h.biSize = 40;
        h.biSizeImage = uint32_t(pixelBytes);
        const auto* hp = reinterpret_cast<const uint8_t*>(&h);
        head.insert(head.end(), hp, hp + sizeof(h));
        const auto* pal = reinterpret_cast<const uint8_t*>(img.palette());
        if (pal) head.insert(head.end(), pal, pal + paletteBytes);
      }
    } catch (...) {
      return false;
    }
    return head.size() == offBits;
  }

  // Copies bytes [at, at + n) of the pixel area.
  void copyPixels(uint8_t* out, uint64_t at, uint64_t n) const {
    const Image& img = *image;
    while (n > 0) {
      const int32_t y = int32_t(at / rowBytes);
      const uint64_t inRow = at % rowBytes;
      const uint64_t take = std::min(n, rowBytes - inRow);
      if (!alpha32) {
        std::memcpy(out, img.row(y) + inRow, size_t(take));
      } else {
        const uint8_t* src = img.row(y);
        const uint8_t* a = img.alphaRow(y);
        for (uint64_t k = 0; k < take; ++k) {
          const uint64_t b = inRow + k;
          const uint64_t x = b / 4;
          const uint64_t c = b % 4;
          out[k] = c == 3 ? a[x] : src[x * 3 + c];
        }
      }
      out += take;
      at += take;
      n -= take;
    }
  }
};

BitmapStream* S(ZvComStream* s) { return static_cast<BitmapStream*>(s); }

const ZvComStreamOps kOps = {
    [](ZvComStream* s, const void*, void** out) {
      if (!out) return kPointer;
      *out = s;
      S(s)->refs.fetch_add(1);
      return kOk;
    },
    [](ZvComStream* s) { return S(s)->refs.fetch_add(1) + 1; },
    [](ZvComStream* s) {
      const uint32_t left = S(s)->refs.fetch_sub(1) - 1;
      if (left == 0) delete S(s);
      return left;
    },
    [](ZvComStream* s, void* buffer, uint32_t count, uint32_t* read) {
      BitmapStream& b = *S(s);
      if (!buffer && count) return kPointer;
      // The image may have lost its pixels since: read nothing rather than stale memory.
      const uint64_t end = b.live() ? b.total : b.head.size();
      uint64_t n = b.pos < end ? std::min<uint64_t>(count, end - b.pos) : 0;
      auto* out = static_cast<uint8_t*>(buffer);
      uint64_t done = 0;
      if (n && b.pos < b.head.size()) {
        const uint64_t take = std::min<uint64_t>(n, b.head.size() - b.pos);
        std::memcpy(out, b.head.data() + b.pos, size_t(take));
        done = take;
      }
      if (done < n) b.copyPixels(out + done, b.pos + done - b.head.size(), n - done);
      b.pos += n;
      if (read) *read = uint32_t(n);
      return n == count ? kOk : kFalse;
    },
    [](ZvComStream*, const void*, uint32_t, uint32_t* written) {
      if (written) *written = 0;
      return kAccessDenied;
    },
    [](ZvComStream* s, int64_t offset, int32_t origin, uint64_t* position) {
      BitmapStream& b = *S(s);
      int64_t base = 0;
      if (origin == 1) base = int64_t(b.pos);
      else if (origin == 2) base = int64_t(b.total);
      else if (origin != 0) return kInvalidArg;
      int64_t to = 0;
      if (__builtin_add_overflow(base, offset, &to) || to < 0) return kSeekError;
      b.pos = uint64_t(to);
      if (position) *position = b.pos;
      return kOk;
    },
    [](ZvComStream*, uint64_t) { return kAccessDenied; },
    [](ZvComStream* s) { return S(s)->total; },
};

}  // namespace

ZvComStream* makeBitmapStream(ZvImage* image, int32_t) {
  if (!image || !Image::from(image)->valid()) return nullptr;
  BitmapStream* s = new (std::nothrow) BitmapStream;
  if (!s) return nullptr;
  s->ops = &kOps;
  s->image = Image::from(image);
  if (!s->build()) {
    delete s;
    return nullptr;
  }
  return s;
}

}  // namespace zelvo

// Conversion to and from the platform's device-independent bitmap sections.
#include <cstring>

#include "Image.h"

namespace zelvo {
namespace {

// A memory device context for the duration of a call when the caller gave none.
struct CallDC {
  ZlvHDC dc = nullptr;
  bool owned = false;
  explicit CallDC(ZlvHDC given) : dc(given) {
    if (!dc) {
      dc = zlvCreateCompatibleDC(nullptr);
      owned = dc != nullptr;
    }
  }
  ~CallDC() {
    if (owned) zlvDeleteDC(dc);
  }
};

struct ScreenDC {
  ZlvHDC dc = zlvGetScreenDC();
  ~ScreenDC() { zlvReleaseScreenDC(dc); }
};

}  // namespace

ZlvHBITMAP Image::toBitmapHandle(ZlvHDC dcGiven, bool withAlpha) const {
  if (!valid()) return nullptr;
  const CallDC dc(dcGiven);
  void* dibBits = nullptr;
  if (withAlpha && alpha && depth() == 24) {
    ZvBitmapInfoHeader h = head;
    h.biSize = sizeof(h);
    h.biBitCount = 32;
    h.biCompression = 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    h.biSizeImage = uint32_t(uint64_t(width()) * uint64_t(height()) * 4);
    ZlvHBITMAP bm = zlvCreateDIBSection(&h, nullptr, &dibBits);
    if (!bm || !dibBits) return bm;
    auto* out = static_cast<uint8_t*>(dibBits);
    const size_t rowBytes = size_t(width()) * 4;
    for (int32_t y = 0; y < height(); ++y) {
      const uint8_t* p = row(y);
      const uint8_t* a = alphaRow(y);
      uint8_t* q = out + size_t(y) * rowBytes;
      for (int32_t x = 0; x < width(); ++x, p += 3, q += 4) q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = a[x];
    }
    return bm;
  }
  ZlvHBITMAP bm = zlvCreateDIBSection(&head, palette(), &dibBits);
  if (bm && dibBits) std::memcpy(dibBits, bits(), head.biSizeImage);
  return bm;
}

bool Image::fromBitmapHandle(ZlvHBITMAP bitmap, ZlvHPALETTE, bool withAlpha) {
  if (!bitmap) return false;
  ZvBitmapInfoHeader bh = {};
  if (!zlvGetBitmapHeader(bitmap, &bh) || bh.biWidth <= 0 || bh.biHeight <= 0) return false;
  const bool source32 = bh.biBitCount == 32;
  const uint32_t bpp = source32 ? 24u : bh.biBitCount;
  if (!create(uint32_t(bh.biWidth), uint32_t(bh.biHeight), bpp, 0)) return false;
  // Palettes need no realising here: the platform's screen is true-colour.
  const ScreenDC screen;
  if (withAlpha && source32) {
    ZvBitmapInfoHeader f = head;
    f.biBitCount = 32;
    f.biClrUsed = 0;
    f.biSizeImage = uint32_t(uint64_t(width()) * uint64_t(height()) * 4);
    MallocPtr buf = mallocBytes(size_t(f.biSizeImage));
    if (buf && zlvGetDIBits(screen.dc, bitmap, 0, uint32_t(height()), buf.get(), &f, nullptr) == height() &&
        allocAlpha()) {
      const size_t rowBytes = size_t(width()) * 4;
      for (int32_t y = 0; y < height(); ++y) {
        const uint8_t* q = buf.get() + size_t(y) * rowBytes;
        uint8_t* p = row(y);
        uint8_t* a = alphaRow(y);
        for (int32_t x = 0; x < width(); ++x, p += 3, q += 4) p[0] = q[0], p[1] = q[1], p[2] = q[2], a[x] = q[3];
      }
      return true;
    }
  }
  if (zlvGetDIBits(screen.dc, bitmap, 0, uint32_t(height()), bits(), &head, palette()) != height()) {
    setLastError("GetDIBits failed");
    return false;
  }
  info.cacheValid = false;
  return true;
}

}  // namespace zelvo

// The core picture operations driven by arbitrary bytes: each input is a small program
// of operations with hostile parameters (negative, zero, out of range) on small pictures.
#include <algorithm>
#include <cstring>

#include "fuzz_support.h"

namespace {

using namespace zelvo;

struct Reader {
  const uint8_t* p;
  size_t n;
  uint8_t byte() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  int32_t i32() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | byte();
    return int32_t(v);
  }
  // Small sizes mostly, hostile ones sometimes.
  int32_t size() {
    const uint8_t mode = byte();
    if (mode < 200) return mode % 70;
    if (mode < 250) return i32() % 300;
    return i32();
  }
  ZvRGBQuad color() { return {byte(), byte(), byte(), byte()}; }
};

ImagePtr picture(Reader& r) {
  static const uint32_t depths[] = {1, 4, 8, 24};
  ImagePtr img = Image::make();
  const uint32_t w = r.byte() % 90 + 1, h = r.byte() % 90 + 1;
  if (!img->create(w, h, depths[r.byte() % 4], 0)) return img;
  const uint8_t seed = r.byte();
  uint8_t* bits = img->bits();
  for (uint32_t k = 0; k < img->head.biSizeImage; ++k) bits[k] = uint8_t(k * 131 + seed);
  if (ZvRGBQuad* pal = img->palette())
    for (uint32_t k = 0; k < img->numColors(); ++k) pal[k] = {uint8_t(k), uint8_t(k * 3), uint8_t(seed + k), uint8_t(k & 1 ? 255 : 0)};
  if (r.byte() & 1) img->allocAlpha(r.byte());
  if (r.byte() & 1) img->allocSelection(1);
  img->info.transIndex = (r.byte() & 3) == 0 ? int32_t(r.byte()) : -1;
  return img;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader r{data, size};
  ImagePtr a = picture(r), b = picture(r);
  for (int step = 0; step < 24 && r.n; ++step) {
    const uint8_t op = r.byte();
    Image& t = (op & 0x80) ? *b : *a;
    Image& o = (op & 0x80) ? *a : *b;
    switch (op % 16) {
      case 0: {
        const int32_t w = std::clamp(r.size(), -5, 400), h = std::clamp(r.size(), -5, 400);
        t.resampleInterpolated(w, h, 2, r.byte() % 8, (r.byte() & 1) ? &o : nullptr, r.byte() & 1);
        break;
      }
      case 1: t.rotateLeft((r.byte() & 1) ? &o : nullptr); break;
      case 2: t.rotateRight((r.byte() & 1) ? &o : nullptr); break;
      case 3: t.rotate180((r.byte() & 1) ? &o : nullptr); break;
      case 4: t.flip(r.byte() & 1, r.byte() & 1); break;
      case 5: t.mirror(r.byte() & 1, r.byte() & 1); break;
      case 6: t.increaseBpp(r.byte() % 30); break;
      case 7: t.pasteAt(o, r.i32() % 200, r.i32() % 200); break;
      case 8: {
        const ZvRect rect = {r.size(), r.size(), r.size(), r.size()};
        const ZvPoint at = {r.i32(), r.i32()};
        t.blendLayer(o, r.byte() % 40, rect, at, r.byte() & 1, r.byte() & 1);
        break;
      }
      case 9: {
        const ZvRect rect = {r.i32(), r.i32(), r.i32(), r.i32()};
        t.fillColor(r.color(), (r.byte() & 1) ? &rect : nullptr, r.byte() & 1);
        break;
      }
      case 10: {
        ZlvHBITMAP bm = t.toBitmapHandle(nullptr, r.byte() & 1);
        if (bm) {
          o.fromBitmapHandle(bm, nullptr, r.byte() & 1);
          zlvDeleteBitmap(bm);
        }
        break;
      }
      case 11: t.copy(o, r.byte() & 1, r.byte() & 1, r.byte() & 1, r.byte() & 1); break;
      case 12: t.transfer(o, r.byte() & 1); break;
      case 13: t.create(uint32_t(r.size()) % 200, uint32_t(r.size()) % 200, r.byte(), 0); break;
      case 14: t.setPixelColor(r.i32() % 100, r.i32() % 100, r.color(), r.byte() & 1); break;
      default: t.swapIndex(r.byte(), r.byte()); break;
    }
    fuzz::consumePicture(*a);
    fuzz::consumePicture(*b);
  }
  return 0;
}

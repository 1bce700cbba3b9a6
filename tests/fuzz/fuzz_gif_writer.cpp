// The GIF writer on pictures shaped by the input (depth, size, options, frames, offsets,
// transparency, pixels); with our reader registered, what was written must read back.
#include <cstring>

#include "formats/Codecs.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"
#include "fuzz_support.h"

namespace {

using namespace zelvo;

struct Input {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  uint8_t next() { return size ? data[pos++ % size] : 0; }
};

ImagePtr picture(Input& in, uint32_t depth) {
  const uint32_t w = 1 + in.next() % 64, h = 1 + in.next() % 64;
  ImagePtr img = Image::make();
  if (!img->create(w, h, depth, 0)) return img;
  if (ZvRGBQuad* pal = img->palette())
    for (uint32_t i = 0; i < img->numColors(); ++i) pal[i] = {in.next(), in.next(), in.next(), 0};
  for (int32_t y = 0; y < img->height(); ++y)
    for (uint32_t x = 0; x < img->stride(); ++x) img->row(y)[x] = in.next();
  img->info.frameDelay = int32_t(in.next()) * 300 - 5000;
  img->info.transIndex = int32_t(in.next()) - 128;
  img->info.xOffset = int32_t(in.next()) * 500 - 1000;
  img->info.yOffset = int32_t(in.next()) - 100;
  return img;
}

void roundTrip(Image& img, const uint8_t* gif, size_t n) {
  if (!codecFor(ZV_TYPE_GIF)->decode || img.depth() > 8 || !img.frames.empty()) return;
  if (img.info.xOffset != 0 || img.info.yOffset != 0) return;  // placed outside the screen
  ImagePtr back = Image::make();
  if (!zelvo::decodeMemory(*back, gif, uint32_t(n), ZV_TYPE_GIF)) __builtin_trap();
  if (back->width() != img.width() || back->height() != img.height()) __builtin_trap();
  for (int32_t y = 0; y < img.height(); ++y)
    for (int32_t x = 0; x < img.width(); ++x)
      if (back->pixelIndex(x, y) != img.pixelIndex(x, y)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  static constexpr uint32_t kDepths[] = {1, 4, 8, 24};
  const uint32_t depth = kDepths[in.next() % 4];
  const uint32_t option = in.next() % 4;
  const int frames = in.next() % 5;
  ImagePtr img = picture(in, depth);
  img->info.codecOptions[ZV_TYPE_GIF] = option;
  img->info.loops = int32_t(in.next()) - 2;
  img->info.disposal = in.next();
  const size_t commentLen = in.next() % 40;
  for (size_t i = 0; i < commentLen; ++i) img->info.comment[i] = char(in.next() | 1);
  img->info.comment[commentLen] = '\0';
  for (int i = 0; i < frames; ++i) {
    const uint8_t kind = in.next();
    img->frames.push_back(kind < 16 ? Image::make() : picture(in, kDepths[kind % 4]));
  }
  StreamPtr out = makeMemoryWriter();
  const bool ok = encodeGIF(*img, StreamRef(out.get()), ZV_TYPE_GIF);
  size_t n = 0;
  MallocPtr gif(detachMemoryBuffer(out.get(), &n));
  if (ok && gif) roundTrip(*img, gif.get(), n);
  if (!ok && img->lastError()[0] == '\0') __builtin_trap();  // a failure always says why
  return 0;
}

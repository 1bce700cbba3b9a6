#include "SizeEstimate.h"

#include <vector>

#include "EngineObjects.h"

namespace {
// The largest custom width the settings allow; a larger request is not estimated.
constexpr int32_t kMaxWidth = 3000;
}  // namespace

int32_t SizeEstimate(int32_t n, int32_t quality) {
  if (n <= 0 || n > kMaxWidth || quality < 0 || quality > 255) return 0;
  ImageOwner image = NewImage();
  if (!image || !image->ops->Create(image.get(), uint32_t(n), uint32_t(n), 24, 1)) return 0;
  // The pattern of the per-pixel fill (blue x mod 256, green (y >> x mod 8), red
  // (x >> x mod 8)), written as whole rows: the same pixels, without N x N engine calls.
  const size_t w = size_t(n);
  std::vector<uint8_t> rows(w * w * 3);
  for (size_t y = 0; y < w; ++y) {
    uint8_t* p = rows.data() + y * w * 3;  // bottom-up, as the engine counts y
    for (size_t x = 0; x < w; ++x, p += 3) {
      const unsigned shift = unsigned(x % 8);
      p[0] = uint8_t(x % 256);
      p[1] = uint8_t((y >> shift) % 256);
      p[2] = uint8_t((x >> shift) % 256);
    }
  }
  if (!image->ops->ImportRaw(image.get(), rows.data(), rows.size(), false)) return 0;
  image->ops->SetJpegQuality(image.get(), uint8_t(quality));
  StreamOwner counter(Engine().g ? Engine().g(u"dummy") : nullptr);
  if (!counter) return 0;
  if (!image->ops->Encode(image.get(), counter.get(), ZV_TYPE_JPG)) return 0;
  const int64_t size = counter->ops->Size(counter.get());
  return size > 0 && size <= INT32_MAX ? int32_t(size) : 0;
}

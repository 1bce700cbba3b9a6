#include "PixelMemory.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "zlvplatform.h"

namespace zelvo {
namespace {

// Smaller blocks come back from the allocator's own free lists anyway.
constexpr size_t kKeepMin = size_t(1) << 20;
// A thread never holds more than this between pictures (a 24-megapixel photo is 72 MB).
constexpr size_t kKeepMax = size_t(128) << 20;

struct Kept {
  uint8_t* block = nullptr;
  size_t size = 0;
  ~Kept() { std::free(block); }
};

thread_local Kept kept;

}  // namespace

PixelBlock allocPixels(size_t bytes, bool zeroed) {
  const size_t n = bytes ? bytes : 1;
  // Reuse the kept block when it fits without wasting more than a quarter of it.
  if (n >= kKeepMin && kept.block && kept.size >= n && kept.size - n <= kept.size / 4) {
    uint8_t* p = std::exchange(kept.block, nullptr);
    kept.size = 0;
    if (zeroed) std::memset(p, 0, n);
    return PixelBlock(p);
  }
  // Cleared blocks come from calloc, whose fresh pages the kernel has cleared already.
  void* p = zeroed ? std::calloc(n, 1) : zlvAllocLarge(n);
  return PixelBlock(static_cast<uint8_t*>(p));
}

void PixelDeleter::operator()(uint8_t* p) const noexcept {
  if (!p) return;
  const size_t size = zlvBlockSize(p);
  if (size < kKeepMin || size > kKeepMax) {
    std::free(p);
    return;
  }
  std::free(std::exchange(kept.block, p));
  kept.size = size;
}

void releaseKeptPixels() noexcept {
  std::free(std::exchange(kept.block, nullptr));
  kept.size = 0;
}

}  // namespace zelvo

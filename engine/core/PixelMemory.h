// Pixel blocks. A batch decodes, turns and shrinks one large picture after another, mostly
// of the same size; each thread keeps the last large block it freed so that the next
// picture reuses pages that are already resident instead of faulting in (and having the
// kernel zero) a fresh mapping of tens of megabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zelvo {

struct PixelDeleter {
  void operator()(uint8_t* p) const noexcept;
};
using PixelBlock = std::unique_ptr<uint8_t, PixelDeleter>;

// A block of `bytes` (null when memory runs out). `zeroed`: every byte 0; otherwise the
// content is whatever the block held before, for callers that write all of it.
PixelBlock allocPixels(size_t bytes, bool zeroed);

// Frees the block this thread keeps (nothing when it keeps none).
void releaseKeptPixels() noexcept;

}  // namespace zelvo

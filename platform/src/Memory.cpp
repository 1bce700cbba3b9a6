// Large pixel blocks on transparent huge pages.
#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>

#include "zlvplatform.h"

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
// Below this the C library serves blocks from its heap once one of that size has been freed
// (it raises its mapping threshold up to 32 MiB), reusing pages that are resident already;
// a block of its own mapping would be faulted in and cleared afresh every time.
constexpr size_t kOwnMapping = size_t(32) << 20;
}  // namespace

void* zlvAllocLarge(size_t bytes) {
  if (bytes < kOwnMapping) return std::malloc(bytes ? bytes : 1);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  if (rounded < bytes) return nullptr;
  void* p = std::aligned_alloc(kHugePage, rounded);
  // Advice only: without huge pages the block works the same, with 4 KiB pages. Only the
  // huge pages the block fills: a last one it uses in part would be resident in full.
  if (p) madvise(p, bytes / kHugePage * kHugePage, MADV_HUGEPAGE);
  return p;
}

size_t zlvBlockSize(void* block) { return block ? malloc_usable_size(block) : 0; }

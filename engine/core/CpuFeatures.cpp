#include "CpuFeatures.h"

#include <algorithm>
#include <atomic>

namespace zelvo {
namespace {

std::atomic<Vectors> cap{Vectors::kAvx2};

Vectors offered() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2")) return Vectors::kAvx2;
#endif
#if defined(__SSE2__)
  return Vectors::kSse2;
#else
  return Vectors::kNone;
#endif
}

}  // namespace

Vectors vectorsInUse() {
  static const Vectors have = offered();
  return std::min(have, cap.load(std::memory_order_relaxed));
}

void capVectorsForTests(Vectors limit) { cap.store(limit, std::memory_order_relaxed); }

}  // namespace zelvo

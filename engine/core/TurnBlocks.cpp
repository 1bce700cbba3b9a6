// Quarter turns in 8 x 8 blocks. The destination is written in bands of eight rows, each
// band a sweep along the source column it comes from; every block is eight loads, a
// transpose in registers and eight stores. The sweep reads one short piece from every
// source row, a pattern the hardware prefetcher does not follow, so the rows a few blocks
// ahead are prefetched by hand: without that the turn waits on memory most of its time.
#include "TurnBlocks.h"

#include "CpuFeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZELVO_TURN_BLOCKS 1
#endif

namespace zelvo {

#if defined(ZELVO_TURN_BLOCKS)
namespace {

constexpr int32_t kAhead = 64;  // source rows prefetched ahead of the block being turned
constexpr int32_t kBand = 64;   // destination rows between progress reports

// Where destination block (x, y) comes from: source row of block column k, first source
// column, and the destination row that source column c0 + m goes to.
struct Mapping {
  const TurnPlane& p;
  const uint8_t* sourceRow(int32_t x, int32_t k) const {
    return p.src + size_t(p.right ? x + k : p.srcH - 1 - x - k) * p.srcStride;
  }
  int32_t firstColumn(int32_t y) const { return p.right ? p.srcW - 8 - y : y; }
  uint8_t* destRow(int32_t y, int32_t m) const { return p.dst + size_t(p.right ? y + 7 - m : y + m) * p.dstStride; }
};

// Eight grey (or alpha, or selection) pixels of eight rows: SSE2, there on every x86-64.
inline void block1(const Mapping& map, int32_t x, int32_t y) {
  const size_t c0 = size_t(map.firstColumn(y));
  __m128i r[8];
  for (int32_t k = 0; k < 8; ++k) r[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(map.sourceRow(x, k) + c0));
  const __m128i a0 = _mm_unpacklo_epi8(r[0], r[1]), a1 = _mm_unpacklo_epi8(r[2], r[3]);
  const __m128i a2 = _mm_unpacklo_epi8(r[4], r[5]), a3 = _mm_unpacklo_epi8(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
  const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
  // Each holds two source columns, eight rows each.
  const __m128i c[4] = {_mm_unpacklo_epi32(b0, b2), _mm_unpackhi_epi32(b0, b2), _mm_unpacklo_epi32(b1, b3),
                        _mm_unpackhi_epi32(b1, b3)};
  for (int32_t m = 0; m < 4; ++m) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(map.destRow(y, 2 * m) + size_t(x)), c[m]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(map.destRow(y, 2 * m + 1) + size_t(x)), _mm_srli_si128(c[m], 8));
  }
}

// Eight 24-bit pixels of eight rows: each widened to 32 bits, transposed as 8 x 8 words,
// packed back to 24 bytes. Every load and store stays within the 24 bytes of its row.
__attribute__((target("avx2"), always_inline)) inline void block3(const Mapping& map, int32_t x, int32_t y) {
  const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                         4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m256i narrow = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  const size_t c0 = size_t(map.firstColumn(y)) * 3;
  __m256i r[8];
  for (int32_t k = 0; k < 8; ++k) {
    const uint8_t* p = map.sourceRow(x, k) + c0;
    // Bytes 0..15 in the low half, 8..23 in the high half: pixels 0..3 and 4..7.
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), 1);
    r[k] = _mm256_shuffle_epi8(v, widen);
  }
  const __m256i a0 = _mm256_unpacklo_epi32(r[0], r[1]), a1 = _mm256_unpackhi_epi32(r[0], r[1]);
  const __m256i a2 = _mm256_unpacklo_epi32(r[2], r[3]), a3 = _mm256_unpackhi_epi32(r[2], r[3]);
  const __m256i a4 = _mm256_unpacklo_epi32(r[4], r[5]), a5 = _mm256_unpackhi_epi32(r[4], r[5]);
  const __m256i a6 = _mm256_unpacklo_epi32(r[6], r[7]), a7 = _mm256_unpackhi_epi32(r[6], r[7]);
  const __m256i b0 = _mm256_unpacklo_epi64(a0, a2), b1 = _mm256_unpackhi_epi64(a0, a2);
  const __m256i b2 = _mm256_unpacklo_epi64(a1, a3), b3 = _mm256_unpackhi_epi64(a1, a3);
  const __m256i b4 = _mm256_unpacklo_epi64(a4, a6), b5 = _mm256_unpackhi_epi64(a4, a6);
  const __m256i b6 = _mm256_unpacklo_epi64(a5, a7), b7 = _mm256_unpackhi_epi64(a5, a7);
  // Source column c0 + m, down the eight rows.
  const __m256i t[8] = {_mm256_permute2x128_si256(b0, b4, 0x20), _mm256_permute2x128_si256(b1, b5, 0x20),
                        _mm256_permute2x128_si256(b2, b6, 0x20), _mm256_permute2x128_si256(b3, b7, 0x20),
                        _mm256_permute2x128_si256(b0, b4, 0x31), _mm256_permute2x128_si256(b1, b5, 0x31),
                        _mm256_permute2x128_si256(b2, b6, 0x31), _mm256_permute2x128_si256(b3, b7, 0x31)};
  for (int32_t m = 0; m < 8; ++m) {
    const __m256i v = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(t[m], narrow), join);
    uint8_t* q = map.destRow(y, m) + size_t(x) * 3;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(v));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 16), _mm256_extracti128_si256(v, 1));
  }
}

// One band of eight destination rows, block by block along it, prefetching the source
// rows kAhead blocks ahead.
#define ZELVO_TURN_BAND(B, block)                                                                            \
  const size_t c0 = size_t(map.firstColumn(y)) * (B);                                                       \
  for (int32_t x = 0; x < w8; x += 8) {                                                                     \
    if (x + kAhead + 8 <= w8)                                                                               \
      for (int32_t k = 0; k < 8; ++k)                                                                       \
        _mm_prefetch(reinterpret_cast<const char*>(map.sourceRow(x + kAhead, k) + c0), _MM_HINT_T0);       \
    block(map, x, y);                                                                                       \
  }

void band1(const Mapping& map, int32_t y, int32_t w8) { ZELVO_TURN_BAND(1, block1) }

__attribute__((target("avx2"))) void band3(const Mapping& map, int32_t y, int32_t w8) { ZELVO_TURN_BAND(3, block3) }

template <int B>
void sweep(const TurnPlane& plane, void (*progress)(void*, int32_t), void* ctx) {
  const Mapping map{plane};
  const int32_t w8 = plane.srcH / 8 * 8, h8 = plane.srcW / 8 * 8, h = plane.srcW;
  for (int32_t y = 0; y < h8; y += 8) {
    if constexpr (B == 3) {
      band3(map, y, w8);
    } else {
      band1(map, y, w8);
    }
    if (progress && (y + 8) % kBand == 0) progress(ctx, int32_t(int64_t(y) * 100 / h));
  }
}

}  // namespace

bool turnWholeBlocks(const TurnPlane& plane, int bytesPerPixel, void (*progress)(void*, int32_t), void* ctx) {
  const Vectors vectors = vectorsInUse();
  if (bytesPerPixel == 3) {
    if (vectors != Vectors::kAvx2) return false;
    sweep<3>(plane, progress, ctx);
    return true;
  }
  if (bytesPerPixel != 1 || vectors == Vectors::kNone) return false;
  sweep<1>(plane, progress, ctx);
  return true;
}

#else

bool turnWholeBlocks(const TurnPlane&, int, void (*)(void*, int32_t), void*) { return false; }

#endif

}  // namespace zelvo

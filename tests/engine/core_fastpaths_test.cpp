// The row-run turns, the row-wise area average, the uncleared pixel blocks and the JPEG
// decode into a reused block give exactly what the straightforward per-pixel paths give,
// on odd sizes and at every depth each fast path serves.
#include <vector>

#include "core/CpuFeatures.h"
#include "core/EffectsPixels.h"
#include "core/PixelMemory.h"
#include "core/Resample.h"
#include "core/Rotate.h"
#include "core_support.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"

using namespace coretest;

namespace {

struct Size {
  int32_t w, h;
};
constexpr Size kOddSizes[] = {{1, 1}, {63, 65}, {4001, 2999}};

// The vector paths of this processor and those of processors with fewer instructions.
constexpr zelvo::Vectors kVectorCaps[] = {zelvo::Vectors::kAvx2, zelvo::Vectors::kSse2, zelvo::Vectors::kNone};
const char* capName(zelvo::Vectors v) {
  return v == zelvo::Vectors::kAvx2 ? "avx2" : v == zelvo::Vectors::kSse2 ? "sse2" : "no vectors";
}

// Lifts the cap again when a test ends, failed or not.
struct VectorCap {
  explicit VectorCap(zelvo::Vectors v) { zelvo::capVectorsForTests(v); }
  ~VectorCap() { zelvo::capVectorsForTests(zelvo::Vectors::kAvx2); }
};

// Like coretest::pattern, written row by row so that 12 megapixels stay quick under the
// sanitizers; every byte differs from its neighbours in both directions.
ImagePtr busy(int32_t w, int32_t h, uint32_t bpp, bool planes) {
  ImagePtr img = Image::make();
  if (!img->create(uint32_t(w), uint32_t(h), bpp, 0)) return img;
  if (bpp <= 8)
    for (uint32_t i = 0; i < img->numColors(); ++i) img->palette()[i] = rgb(uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 3));
  const size_t rowBytes = (size_t(w) * img->depth() + 7) / 8;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = img->row(y);
    for (size_t i = 0; i < rowBytes; ++i) row[i] = uint8_t(i * 7 + size_t(y) * 13 + (i * size_t(y) >> 5));
  }
  if (planes) {
    img->allocAlpha();
    img->allocSelection();
    const size_t plane = size_t(w) * size_t(h);
    for (size_t i = 0; i < plane; ++i) img->alpha.get()[i] = uint8_t(i * 31 + i / 97);
    for (size_t i = 0; i < plane; ++i) img->selection.get()[i] = uint8_t(i * 5 + i / 3);
    img->info.selectionBox = {1, 2, std::min(w, 3), std::min(h, 4)};
  }
  return img;
}

uint64_t planeHash(const zelvo::MallocPtr& p, size_t n) {
  if (!p) return 0;
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < n; ++i) h = (h ^ p.get()[i]) * 1099511628211ull;
  return h;
}

void expectSamePicture(const Image& a, const Image& b) {
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  ASSERT_EQ(a.depth(), b.depth());
  EXPECT_EQ(pixelHash(a), pixelHash(b));
  const size_t plane = size_t(a.width()) * size_t(a.height());
  EXPECT_EQ(planeHash(a.selection, plane), planeHash(b.selection, plane));
  // Row padding is cleared in both, so the whole blocks agree too.
  EXPECT_EQ(0, std::memcmp(a.block.get(), b.block.get(), a.getSize()));
}

TEST(FastTurn, RowRunsMatchThePerPixelTurnAtEveryDepth) {
  // Besides the odd sizes: a single 8 x 8 block, and sizes just past a block or short of one.
  std::vector<Size> sizes(std::begin(kOddSizes), std::end(kOddSizes));
  sizes.insert(sizes.end(), {{8, 8}, {17, 9}, {7, 16}, {16, 7}});
  for (const Size s : sizes) {
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
      // The packed depths take the per-pixel path themselves; the big size only at the
      // depths with row runs.
      if (bpp < 8 && s.w > 100) continue;
      for (bool right : {true, false}) {
        for (bool planes : {false, true}) {
          SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " bpp " + std::to_string(bpp) +
                       (right ? " right" : " left") + (planes ? " with planes" : ""));
          ImagePtr src = busy(s.w, s.h, bpp, planes);
          ImagePtr reference = Image::make();
          ASSERT_TRUE(zelvo::turnByPixels(*src, *reference, right));
          for (zelvo::Vectors cap : kVectorCaps) {
            SCOPED_TRACE(capName(cap));
            const VectorCap limit(cap);
            ImagePtr fast = Image::make();
            ASSERT_TRUE(right ? src->rotateRight(fast.get()) : src->rotateLeft(fast.get()));
            expectSamePicture(*fast, *reference);
            const size_t plane = size_t(s.w) * size_t(s.h);
            EXPECT_EQ(planeHash(fast->alpha, plane), planeHash(reference->alpha, plane));
          }
        }
      }
    }
  }
}

// Largest per-channel difference of two 24-bit pictures of one size, and how many bytes differ.
std::pair<int, size_t> byteDifference(const Image& a, const Image& b) {
  int worst = 0;
  size_t count = 0;
  const size_t rowBytes = size_t(a.width()) * 3;
  for (int32_t y = 0; y < a.height(); ++y)
    for (size_t i = 0; i < rowBytes; ++i) {
      const int d = std::abs(int(a.row(y)[i]) - int(b.row(y)[i]));
      worst = std::max(worst, d);
      count += d != 0;
    }
  return {worst, count};
}

// Shrinks where both factors exceed 1 (the averaged case the fast path serves), under the
// edge rules that map every neighbour inside and one that does not. The fast path adds the
// same weighted terms in another order: a level apart at most, and rarely. Its vector
// passes add in the same order as its plain loops: the same bits with or without them.
TEST(FastResample, SeparablePassesMatchThePerPixelAverageWithinOneLevel) {
  struct Case {
    Size from, to;
    int32_t overflow;
  };
  const Case cases[] = {
      {{4001, 2999}, {500, 374}, 5}, {{4001, 2999}, {1, 1}, 5},  {{4001, 2999}, {1333, 1000}, 5},
      {{63, 65}, {31, 32}, 5},       {{63, 65}, {10, 7}, 4},      {{63, 65}, {62, 64}, 6},
      {{63, 65}, {20, 9}, 1},        {{2, 2}, {1, 1}, 5},         {{63, 65}, {1, 1}, 5},
      // Whole-number factors, where every weight is 1.
      {{4000, 3000}, {500, 375}, 5}, {{63, 65}, {21, 13}, 5},     {{64, 48}, {8, 6}, 5},
  };
  for (const Case& c : cases) {
    for (bool planes : {false, true}) {
      SCOPED_TRACE(std::to_string(c.from.w) + "x" + std::to_string(c.from.h) + " to " + std::to_string(c.to.w) +
                   "x" + std::to_string(c.to.h) + " overflow " + std::to_string(c.overflow));
      ImagePtr src = busy(c.from.w, c.from.h, 24, planes);
      ImagePtr fast = Image::make(), reference = Image::make();
      ASSERT_TRUE(src->resampleInterpolated(c.to.w, c.to.h, 2, c.overflow, fast.get(), false));
      ASSERT_TRUE(zelvo::resampleByPixels(*src, c.to.w, c.to.h, c.overflow, reference.get()));
      for (zelvo::Vectors cap : {zelvo::Vectors::kSse2, zelvo::Vectors::kNone}) {
        SCOPED_TRACE(capName(cap));
        const VectorCap limit(cap);
        ImagePtr fewer = Image::make();
        ASSERT_TRUE(src->resampleInterpolated(c.to.w, c.to.h, 2, c.overflow, fewer.get(), false));
        EXPECT_EQ(pixelHash(*fast), pixelHash(*fewer));
      }
      ASSERT_EQ(fast->width(), reference->width());
      ASSERT_EQ(fast->height(), reference->height());
      const auto [worst, count] = byteDifference(*fast, *reference);
      EXPECT_LE(worst, 1);
      EXPECT_LE(count, size_t(c.to.w) * size_t(c.to.h) * 3 / 100 + 1) << "bytes a level apart";
      const size_t plane = size_t(c.to.w) * size_t(c.to.h);
      EXPECT_EQ(planeHash(fast->alpha, plane), planeHash(reference->alpha, plane));
    }
  }
}

// The blur the straightforward way: every sample sums its taps with the index clamped to
// the row (or column), 64-bit sums, horizontal pass first.
void blurByTaps(uint8_t* data, int32_t w, int32_t h, int planes, int32_t stride, float radius) {
  const int reach = int(std::ceil(std::min(radius, 256.0f)));
  const auto k = zelvo::fx::gaussKernel(std::max(0.5, double(std::min(radius, 256.0f)) / 2.0), reach);
  // n samples `along` bytes apart, on `lines` lines `across` bytes apart.
  auto pass = [&](int32_t n, int32_t lines, int64_t along, int64_t across) {
    std::vector<uint8_t> line(size_t(n), 0);
    for (int32_t l = 0; l < lines; ++l)
      for (int c = 0; c < planes; ++c) {
        uint8_t* p = data + l * across + c;
        for (int32_t i = 0; i < n; ++i) line[size_t(i)] = p[i * along];
        for (int32_t i = 0; i < n; ++i) {
          int64_t acc = 32768;
          for (int j = -reach; j <= reach; ++j) acc += int64_t(k[size_t(j + reach)]) * line[size_t(std::clamp(i + j, 0, n - 1))];
          p[i * along] = uint8_t(std::clamp<int64_t>(acc >> 16, 0, 255));
        }
      }
  };
  pass(w, h, planes, stride);  // rows
  pass(h, w, stride, planes);  // columns
}

// The blur of frame shadows and the blur effect sums whole rows per kernel tap in 32 bits
// (vectorised); the same bytes as the tap-by-tap sums, padding bytes untouched.
TEST(FastBlur, RowSumsMatchTheTapByTapBlur) {
  struct Case {
    Size size;
    int planes;
    float radius;
  };
  const Case cases[] = {{{1, 1}, 3, 2.0f},     {{1, 1}, 1, 40.0f},    {{63, 65}, 3, 5.5f}, {{63, 65}, 1, 30.0f},
                        {{63, 65}, 3, 256.0f}, {{4001, 2999}, 3, 3.0f}, {{4001, 2999}, 1, 2.5f}, {{7, 200}, 3, 9.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.size.w) + "x" + std::to_string(c.size.h) + " planes " + std::to_string(c.planes) +
                 " radius " + std::to_string(c.radius));
    const int32_t stride = c.size.w * c.planes + 3;  // with padding that must stay as it is
    std::vector<uint8_t> input(size_t(stride) * size_t(c.size.h));
    for (size_t i = 0; i < input.size(); ++i) input[i] = uint8_t((i * 7) ^ (i >> 5) ^ (i * i >> 11));
    std::vector<uint8_t> reference = input;
    blurByTaps(reference.data(), c.size.w, c.size.h, c.planes, stride, c.radius);
    for (zelvo::Vectors cap : kVectorCaps) {
      SCOPED_TRACE(capName(cap));
      const VectorCap limit(cap);
      std::vector<uint8_t> fast = input;
      zelvo::fx::blurPlanes(fast.data(), c.size.w, c.size.h, c.planes, stride, c.radius);
      EXPECT_TRUE(fast == reference);
    }
  }
}

TEST(PixelBlocks, ReusedBlocksAreClearedWhenAskedAndPaddedRowsAlways) {
  for (int round = 0; round < 2; ++round) {
    {
      // A large block full of stale bytes, freed into this thread's keep.
      Image junk;
      ASSERT_TRUE(junk.create(2001, 999, 24, 0, false));
      std::memset(junk.block.get(), 0xAB, junk.getSize());
    }
    Image img;
    if (round == 0) {
      ASSERT_TRUE(img.create(2001, 999, 24, 0));
      const uint8_t* p = img.bits();
      EXPECT_TRUE(std::all_of(p, p + size_t(img.stride()) * 999, [](uint8_t b) { return b == 0; }));
    } else {
      ASSERT_TRUE(img.create(2001, 999, 24, 0, false));
      for (int32_t y = 0; y < img.height(); ++y)  // 6003 bytes of pixels, 1 byte of padding
        ASSERT_EQ(0, img.row(y)[6003]) << "row " << y;
    }
  }
  zelvo::releaseKeptPixels();
}

// A JPEG decoded into a block that held another picture equals the one decoded into a
// fresh block, at full and at reduced scale, grey and colour.
TEST(FastJpeg, DecodeIntoAReusedBlockMatchesAFreshOne) {
  for (const Size s : kOddSizes) {
    for (uint32_t bpp : {8u, 24u}) {
      SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h) + " bpp " + std::to_string(bpp));
      ImagePtr src = busy(s.w, s.h, bpp, false);
      if (bpp == 8) src->setGrayPalette();
      zelvo::StreamPtr out = zelvo::makeMemoryWriter();
      ASSERT_TRUE(zelvo::encode(*src, out.get(), ZV_TYPE_JPG)) << src->lastError();
      size_t size = 0;
      const zelvo::MallocPtr bytes(zelvo::detachMemoryBuffer(out.get(), &size));
      const std::vector<uint8_t> file(bytes.get(), bytes.get() + size);
      for (int32_t hint : {0, 2}) {
        zelvo::releaseKeptPixels();
        ImagePtr fresh = Image::make();
        fresh->setDecodeSizeHint(hint ? s.w / hint : 0, hint ? s.h / hint : 0);
        ASSERT_TRUE(zelvo::decodeMemory(*fresh, file.data(), uint32_t(file.size()), ZV_TYPE_JPG)) << fresh->lastError();
        {
          ImagePtr stale = busy(s.w, s.h, 24, false);  // its block goes back to the keep
        }
        ImagePtr reused = Image::make();
        reused->setDecodeSizeHint(hint ? s.w / hint : 0, hint ? s.h / hint : 0);
        ASSERT_TRUE(zelvo::decodeMemory(*reused, file.data(), uint32_t(file.size()), ZV_TYPE_JPG));
        expectSamePicture(*fresh, *reused);
      }
    }
  }
  zelvo::releaseKeptPixels();
}

}  // namespace

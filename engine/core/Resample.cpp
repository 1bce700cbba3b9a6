// ResampleInterpolated: area averaging when shrinking, bilinear interpolation otherwise.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "CpuFeatures.h"
#include "Image.h"
#include "Resample.h"
#include "Sampler.h"

namespace zelvo {
namespace {

constexpr int32_t kBilinear = 2;

int32_t roundHalfUp(float v) { return int32_t(v + 0.5f); }

// The source pixels one destination column (or row) averages, with the overlap of each
// pixel's unit square with the area. Rows and columns are independent, so the weights
// are computed once per column and once per row.
struct Span {
  int32_t first = 0;
  std::vector<float> weights;
};

std::vector<Span> spans(int32_t count, float scale) {
  std::vector<Span> out(static_cast<size_t>(count));
  for (int32_t d = 0; d < count; ++d) {
    const float centre = (float(d) + 0.5f) * scale - 0.5f;
    const float lo = centre - scale / 2, hi = centre + scale / 2;
    Span& s = out[size_t(d)];
    s.first = roundHalfUp(lo);
    const int32_t last = roundHalfUp(hi);
    for (int32_t i = s.first; i <= last; ++i)
      s.weights.push_back(std::max(0.0f, std::min(float(i) + 0.5f, hi) - std::max(float(i) - 0.5f, lo)));
  }
  return out;
}

ZvRGBQuad toColor(const float sum[3], float area) {
  auto ch = [&](int c) { return uint8_t(std::clamp(sum[c] / area, 0.0f, 255.0f)); };
  return {ch(0), ch(1), ch(2), 0};
}

// Both factors above 1: every pixel of the range weighted by its overlap.
void averageBoth(const Image& src, Image& dst, const Sampler& sampler, float sx, float sy) {
  const std::vector<Span> cols = spans(dst.width(), sx), rows = spans(dst.height(), sy);
  const float area = sx * sy;
  const bool direct = src.depth() == 24;
  // Source column of every span entry after the overflow rule (-1: the overflow colour).
  std::vector<std::vector<int32_t>> colIndex(cols.size());
  for (size_t c = 0; c < cols.size(); ++c)
    for (size_t k = 0; k < cols[c].weights.size(); ++k)
      colIndex[c].push_back(sampler.mapX(cols[c].first + int32_t(k)));
  const ZvRGBQuad oc = sampler.overflowColor();
  for (int32_t dy = 0; dy < dst.height(); ++dy) {
    const Span& ry = rows[size_t(dy)];
    for (int32_t dx = 0; dx < dst.width(); ++dx) {
      const Span& cx = cols[size_t(dx)];
      const std::vector<int32_t>& xs = colIndex[size_t(dx)];
      float sum[3] = {0, 0, 0};
      for (size_t j = 0; j < ry.weights.size(); ++j) {
        const float wy = ry.weights[j];
        if (wy == 0) continue;
        const int32_t y = sampler.mapY(ry.first + int32_t(j));
        const uint8_t* line = y >= 0 && direct ? src.row(y) : nullptr;
        float rowSum[3] = {0, 0, 0};
        for (size_t i = 0; i < cx.weights.size(); ++i) {
          const float wx = cx.weights[i];
          if (wx == 0) continue;
          const int32_t x = xs[i];
          if (line && x >= 0) {
            const uint8_t* p = line + size_t(x) * 3;
            rowSum[0] += wx * p[0];
            rowSum[1] += wx * p[1];
            rowSum[2] += wx * p[2];
          } else {
            const ZvRGBQuad c = (x < 0 || y < 0) ? oc : src.pixelColor(x, y, false);
            rowSum[0] += wx * c.blue;
            rowSum[1] += wx * c.green;
            rowSum[2] += wx * c.red;
          }
        }
        for (int c = 0; c < 3; ++c) sum[c] += wy * rowSum[c];
      }
      const ZvRGBQuad c = toColor(sum, area);
      if (direct) {
        uint8_t* p = dst.row(dy) + size_t(dx) * 3;
        p[0] = c.blue, p[1] = c.green, p[2] = c.red;
      } else {
        dst.setPixelColor(dx, dy, c, false);
      }
    }
    const int32_t pct = int32_t(int64_t(dy) * 100 / dst.height());
    dst.info.progress = pct;
    statusProgress(pct);
  }
}

// averageBoth for 24-bit pictures whose overflow rule maps every neighbour inside, in two
// separable passes: the source rows a destination row covers are summed with their row
// weights into one float row, then each destination pixel sums its columns of that row
// with their column weights. The same weighted sum as averageBoth, in another order:
// results agree within one level.
//
// Both passes below add the same float terms in the same order as the plain loops
// (sum[i] = ((w0 * row0[i]) + w1 * row1[i]) + ..., then the column terms one by one), so
// they give the same bits: vectors only do several of those sums side by side.

// The rows one destination row covers, with their (non-zero) weights.
struct RowSet {
  std::vector<const uint8_t*> lines;
  std::vector<float> weights;
  // Every weight 1 (whole-number shrink factors): the float sums are exact integers, which
  // integer additions give just as well.
  bool unitWeights() const {
    return lines.size() <= 257 &&  // 257 * 255 still fits 16 bits
           std::all_of(weights.begin(), weights.end(), [](float w) { return w == 1.0f; });
  }
};

// out[i] = sum over the rows of weight * row[i], for i from `from` on, one value at a time.
void sumRowsTail(const RowSet& rows, size_t from, size_t n, float* out) {
  for (size_t i = from; i < n; ++i) {
    float acc = 0;
    for (size_t j = 0; j < rows.lines.size(); ++j) acc += rows.weights[j] * float(rows.lines[j][i]);
    out[i] = acc;
  }
}

#if defined(__SSE2__)
// Sixteen bytes at a time, SSE2 (every x86-64).
void sumRowsSse2(const RowSet& rows, size_t n, float* out) {
  const size_t count = rows.lines.size();
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  if (rows.unitWeights()) {
    for (; i + 16 <= n; i += 16) {
      __m128i lo = zero, hi = zero;
      for (size_t j = 0; j < count; ++j) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.lines[j] + i));
        lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(b, zero));
        hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(b, zero));
      }
      _mm_storeu_ps(out + i, _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)));
      _mm_storeu_ps(out + i + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)));
      _mm_storeu_ps(out + i + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)));
      _mm_storeu_ps(out + i + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)));
    }
  } else {
    for (; i + 16 <= n; i += 16) {
      __m128 acc[4] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
      for (size_t j = 0; j < count; ++j) {
        const __m128 w = _mm_set1_ps(rows.weights[j]);
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.lines[j] + i));
        const __m128i lo = _mm_unpacklo_epi8(b, zero), hi = _mm_unpackhi_epi8(b, zero);
        const __m128i parts[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                  _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
        for (int k = 0; k < 4; ++k) acc[k] = _mm_add_ps(acc[k], _mm_mul_ps(w, _mm_cvtepi32_ps(parts[k])));
      }
      for (int k = 0; k < 4; ++k) _mm_storeu_ps(out + i + size_t(k) * 4, acc[k]);
    }
  }
  sumRowsTail(rows, i, n, out);
}

// Thirty-two bytes at a time, AVX2. Multiplies and adds stay apart (no fused multiply-add),
// so every step rounds as the scalar loop does.
__attribute__((target("avx2"))) void sumRowsAvx2(const RowSet& rows, size_t n, float* out) {
  const size_t count = rows.lines.size();
  size_t i = 0;
  if (rows.unitWeights()) {
    for (; i + 32 <= n; i += 32) {
      __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
      for (size_t j = 0; j < count; ++j) {
        const uint8_t* p = rows.lines[j] + i;
        lo = _mm256_add_epi16(lo, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
        hi = _mm256_add_epi16(hi, _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16))));
      }
      const __m128i parts[4] = {_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1),
                                _mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1)};
      for (int k = 0; k < 4; ++k)
        _mm256_storeu_ps(out + i + size_t(k) * 8, _mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(parts[k])));
    }
  } else {
    for (; i + 32 <= n; i += 32) {
      __m256 acc[4] = {_mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps(), _mm256_setzero_ps()};
      for (size_t j = 0; j < count; ++j) {
        const __m256 w = _mm256_set1_ps(rows.weights[j]);
        const uint8_t* p = rows.lines[j] + i;
        for (int k = 0; k < 4; ++k) {
          const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + size_t(k) * 8));
          const __m256 v = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(eight));
          acc[k] = _mm256_add_ps(acc[k], _mm256_mul_ps(w, v));
        }
      }
      for (int k = 0; k < 4; ++k) _mm256_storeu_ps(out + i + size_t(k) * 8, acc[k]);
    }
  }
  sumRowsTail(rows, i, n, out);
}

#endif

void sumRows(const RowSet& rows, size_t n, float* out) {
#if defined(__SSE2__)
  if (vectorsInUse() == Vectors::kAvx2) return sumRowsAvx2(rows, n, out);
  if (vectorsInUse() == Vectors::kSse2) return sumRowsSse2(rows, n, out);
#endif
  sumRowsTail(rows, 0, n, out);
}

bool averageBothRows(const Image& src, Image& dst, const Sampler& sampler, float sx, float sy) {
  const int32_t dw = dst.width(), dh = dst.height();
  const std::vector<Span> cols = spans(dw, sx), rows = spans(dh, sy);
  // Flattened column spans: destination column c takes entries colFirst[c] .. colFirst[c + 1].
  std::vector<uint32_t> colFirst(size_t(dw) + 1);
  std::vector<uint32_t> colOffset;  // float index of the source pixel's blue in the row sums
  std::vector<float> colWeight;
  for (size_t c = 0; c < cols.size(); ++c) {
    colFirst[c] = uint32_t(colWeight.size());
    for (size_t k = 0; k < cols[c].weights.size(); ++k) {
      if (cols[c].weights[k] == 0) continue;
      const int32_t x = sampler.mapX(cols[c].first + int32_t(k));
      if (x < 0) return false;
      colOffset.push_back(uint32_t(x) * 3);
      colWeight.push_back(cols[c].weights[k]);
    }
  }
  colFirst[size_t(dw)] = uint32_t(colWeight.size());
  for (const Span& r : rows)
    for (size_t j = 0; j < r.weights.size(); ++j)
      if (sampler.mapY(r.first + int32_t(j)) < 0) return false;

  const size_t rowBytes = size_t(src.width()) * 3;
  // One float beyond the row: the last pixel's colour is read as four floats.
  std::vector<float> sums(rowBytes + 1);
  const float area = sx * sy;
  RowSet set;
  const bool sse2 = vectorsInUse() != Vectors::kNone;
  for (int32_t dy = 0; dy < dh; ++dy) {
    const Span& ry = rows[size_t(dy)];
    set.lines.clear();
    set.weights.clear();
    for (size_t j = 0; j < ry.weights.size(); ++j) {
      if (ry.weights[j] == 0) continue;
      set.lines.push_back(src.row(sampler.mapY(ry.first + int32_t(j))));
      set.weights.push_back(ry.weights[j]);
    }
    sumRows(set, rowBytes, sums.data());
    uint8_t* out = dst.row(dy);
    for (size_t c = 0; c < size_t(dw); ++c, out += 3) {
#if defined(__SSE2__)
      if (sse2) {
        // Blue, green, red (and a neighbour's blue, unused) side by side.
        __m128 sum = _mm_setzero_ps();
        for (uint32_t k = colFirst[c]; k < colFirst[c + 1]; ++k)
          sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(colWeight[k]), _mm_loadu_ps(sums.data() + colOffset[k])));
        float mean[4];
        _mm_storeu_ps(mean, _mm_div_ps(sum, _mm_set1_ps(area)));
        for (int ch = 0; ch < 3; ++ch) out[ch] = uint8_t(std::clamp(mean[ch], 0.0f, 255.0f));
        continue;
      }
#endif
      float sum[3] = {0, 0, 0};
      for (uint32_t k = colFirst[c]; k < colFirst[c + 1]; ++k) {
        const float* p = sums.data() + colOffset[k];
        const float wx = colWeight[k];
        sum[0] += wx * p[0];
        sum[1] += wx * p[1];
        sum[2] += wx * p[2];
      }
      const ZvRGBQuad q = toColor(sum, area);
      out[0] = q.blue, out[1] = q.green, out[2] = q.red;
    }
    const int32_t pct = int32_t(int64_t(dy) * 100 / dh);
    dst.info.progress = pct;
    statusProgress(pct);
  }
  return true;
}

// One factor above 1: each pixel of the range contributes the interpolated colour at the
// centre of its overlap with the area, weighted by the overlap.
ZvRGBQuad averageOne(const Sampler& sampler, float x, float y, float w, float h) {
  const float left = x - w / 2, right = x + w / 2, top = y - h / 2, bottom = y + h / 2;
  float sum[3] = {0, 0, 0};
  for (int32_t j = roundHalfUp(top); j <= roundHalfUp(bottom); ++j) {
    const float y0 = std::max(float(j) - 0.5f, top), y1 = std::min(float(j) + 0.5f, bottom);
    if (y1 <= y0) continue;
    for (int32_t i = roundHalfUp(left); i <= roundHalfUp(right); ++i) {
      const float x0 = std::max(float(i) - 0.5f, left), x1 = std::min(float(i) + 0.5f, right);
      if (x1 <= x0) continue;
      const float weight = (x1 - x0) * (y1 - y0);
      const ZvRGBQuad c = sampler.bilinear((x0 + x1) / 2, (y0 + y1) / 2);
      sum[0] += weight * c.blue;
      sum[1] += weight * c.green;
      sum[2] += weight * c.red;
    }
  }
  return toColor(sum, w * h);
}

// Interpolation at every destination pixel; averaging only when one factor is above 1.
void interpolateAll(const Image& src, Image& out, const Sampler& sampler, float sx, float sy,
                    bool averaging) {
  const bool direct = !averaging && src.depth() == 24;
  const int32_t w = out.width(), h = out.height();
  for (int32_t dy = 0; dy < h; ++dy) {
    const float y = (float(dy) + 0.5f) * sy - 0.5f;
    uint8_t* line = out.row(dy);
    for (int32_t dx = 0; dx < w; ++dx) {
      const float x = (float(dx) + 0.5f) * sx - 0.5f;
      if (averaging) {
        out.setPixelColor(dx, dy, averageOne(sampler, x, y, sx, sy), false);
      } else if (direct) {
        const ZvRGBQuad c = sampler.bilinear(x, y);
        uint8_t* p = line + size_t(dx) * 3;
        p[0] = c.blue, p[1] = c.green, p[2] = c.red;
        if (out.alpha) out.alphaRow(dy)[dx] = c.reserved;
      } else {
        out.setPixelColor(dx, dy, sampler.bilinear(x, y), false);
      }
    }
    const int32_t pct = int32_t(int64_t(dy) * 100 / h);
    out.info.progress = pct;
    statusProgress(pct);
  }
}

// Averaged and indexed results take the alpha of the source pixel they start from.
void alphaFromSource(const Image& src, Image& out, float sx, float sy) {
  if (!src.alpha || !out.alpha) return;
  for (int32_t dy = 0; dy < out.height(); ++dy) {
    const int32_t y = std::min(int32_t(float(dy) * sy), src.height() - 1);
    uint8_t* a = out.alphaRow(dy);
    const uint8_t* s = src.alphaRow(y);
    for (int32_t dx = 0; dx < out.width(); ++dx)
      a[dx] = s[std::min(int32_t(float(dx) * sx), src.width() - 1)];
  }
}

}  // namespace

static bool resampleImpl(Image& self, int32_t w, int32_t h, int32_t method, int32_t overflow, Image* dst,
                         bool noAveraging, bool pixelByPixel);

bool Image::resampleInterpolated(int32_t w, int32_t h, int32_t method, int32_t overflow, Image* dst,
                                 bool noAveraging) {
  return resampleImpl(*this, w, h, method, overflow, dst, noAveraging, false);
}

bool resampleByPixels(Image& self, int32_t w, int32_t h, int32_t overflow, Image* dst) {
  return resampleImpl(self, w, h, kBilinear, overflow, dst, false, true);
}

static bool resampleImpl(Image& self, int32_t w, int32_t h, int32_t method, int32_t overflow, Image* dst,
                         bool noAveraging, bool pixelByPixel) {
  if (w <= 0 || h <= 0 || !self.valid()) return false;
  // Only bilinear interpolation is offered.
  if (method != kBilinear) return false;
  if (dst == &self) dst = nullptr;
  if (w == self.width() && h == self.height()) {
    if (dst) dst->copy(self, true, true, true, false);
    return true;
  }
  const float sx = float(self.width()) / float(w), sy = float(self.height()) / float(h);
  ImagePtr tmp = Image::make(self.info.type, self.kind);
  if (!tmp) return false;
  tmp->copyInfo(self);
  if (!tmp->create(uint32_t(w), uint32_t(h), self.depth(), self.info.type, self.depth() < 8)) {
    self.setLastError(tmp->lastError());
    return false;
  }
  if (const ZvRGBQuad* pal = self.palette()) tmp->setPalette(pal, 256);
  if (self.alpha && !tmp->allocAlpha()) {
    self.setLastError("ZvImage::Create can't allocate memory");
    return false;
  }

  statusBegin(u"缩放处理");
  const Sampler sampler(self, overflow);
  const bool averaging = (sx > 1 || sy > 1) && !noAveraging;
  try {
    if (averaging && sx > 1 && sy > 1) {
      if (pixelByPixel || self.depth() != 24 || !averageBothRows(self, *tmp, sampler, sx, sy))
        averageBoth(self, *tmp, sampler, sx, sy);
    } else {
      interpolateAll(self, *tmp, sampler, sx, sy, averaging);
    }
  } catch (const std::bad_alloc&) {
    statusEnd();
    self.setLastError("ZvImage::Create can't allocate memory");
    return false;
  }
  if (averaging || self.depth() != 24) alphaFromSource(self, *tmp, sx, sy);

  Image& target = dst ? *dst : self;
  target.transfer(*tmp, false);
  statusEnd();
  return true;
}

}  // namespace zelvo

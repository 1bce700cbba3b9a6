// PGX, the single-component test format of JPEG-2000: "PG ML|LM [+|-]depth width height"
// then raw samples of 1, 2 or 4 bytes (big-endian for ML). Read as 8-bit grey.
#include <cstdio>
#include <vector>

#include "JasFamily.h"
#include "RasterIO.h"

namespace zelvo::jas {
namespace {

bool skipSpaces(rio::ByteReader& r) {
  while (r.peek() == ' ' || r.peek() == '\t') r.get();
  return r.peek() >= 0;
}

bool number(rio::ByteReader& r, uint32_t& v, uint32_t limit) {
  skipSpaces(r);
  int c = r.peek();
  if (c < '0' || c > '9') return false;
  uint64_t x = 0;
  while (r.peek() >= '0' && r.peek() <= '9') {
    x = x * 10 + uint32_t(r.get() - '0');
    if (x > limit) return false;
  }
  v = uint32_t(x);
  return true;
}

}  // namespace

bool decodePgx(Image& img, StreamRef in) {
  rio::ByteReader r(in);
  uint8_t magic[2];
  if (!r.read(magic, 2) || magic[0] != 'P' || magic[1] != 'G' || !skipSpaces(r)) {
    return fail(img, "Not a PGX");
  }
  uint8_t order[2];
  if (!r.read(order, 2) || !((order[0] == 'M' && order[1] == 'L') || (order[0] == 'L' && order[1] == 'M'))) {
    return fail(img, "Not a PGX");
  }
  const bool bigEndian = order[0] == 'M';
  skipSpaces(r);
  bool sign = false;
  if (r.peek() == '+' || r.peek() == '-') sign = r.get() == '-';
  uint32_t depth = 0, w = 0, h = 0;
  if (!number(r, depth, 32) || depth == 0 || !number(r, w, 1u << 30) || !number(r, h, 1u << 30) || w == 0 || h == 0) {
    return fail(img, "Not a PGX");
  }
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, 8, ZV_TYPE_PGX);
  // Rest of the header line.
  int c;
  while ((c = r.get()) >= 0 && c != '\n') {
    if (c != ' ' && c != '\t' && c != '\r') return fail(img, "Not a PGX");
  }
  const uint64_t need = uint64_t(w) * h * (depth <= 8 ? 1 : depth <= 16 ? 2 : 4);
  if (c >= 0 && !rio::bodyCanHold(img, in, need, 1, "Truncated PGX", r.buffered())) return false;
  if (c < 0 || !rio::createChecked(img, w, h, 8, ZV_TYPE_PGX)) {
    if (c < 0) img.setLastError("Truncated PGX");
    return false;
  }
  img.setGrayPalette();
  const uint32_t bytes = depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
  const uint64_t range = (1ull << depth) - 1;
  std::vector<uint8_t> line(size_t(w) * bytes);
  for (uint32_t y = 0; y < h; ++y) {
    if (!r.read(line.data(), line.size())) return fail(img, "Truncated PGX");
    uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = &line[size_t(x) * bytes];
      uint64_t v = 0;
      for (uint32_t b = 0; b < bytes; ++b) v |= uint64_t(p[bigEndian ? b : bytes - 1 - b]) << (8 * (bytes - 1 - b));
      v &= range;
      // Signed samples are centred on mid-grey.
      if (sign) v = (v + (1ull << (depth - 1))) & range;
      row[x] = uint8_t((v * 255 + range / 2) / range);
    }
  }
  return true;
}

bool encodePgx(Image& img, StreamRef out) {
  if (img.depth() > 8) return fail(img, "PGX can save only GrayScale images");
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  char head[64];
  const int n = std::snprintf(head, sizeof head, "PG ML + 8 %u %u\n", w, h);
  if (!out.writeAll(head, size_t(n))) return fail(img, "Write error");
  const ZvRGBQuad* pal = img.palette();
  std::vector<uint8_t> line(w);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < w; ++x) line[x] = pal[rio::getIndex(row, x, img.depth())].green;
    if (!out.writeAll(line.data(), w)) return fail(img, "Write error");
  }
  return true;
}

}  // namespace zelvo::jas

// Wireless bitmap, type 0: multi-byte width and height, then rows of 1-bit pixels
// (1 = white), each padded to a byte. Only two-colour pictures can be written.
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

// Multi-byte integer: 7 bits per byte, high bit set on all but the last; at most 4 bytes
// so hostile input cannot build sizes beyond 28 bits.
bool readMbi(StreamRef in, uint32_t& v) {
  v = 0;
  for (int i = 0; i < 4; ++i) {
    int c = in.getc();
    if (c < 0) return false;
    v = (v << 7) | uint32_t(c & 0x7F);
    if (!(c & 0x80)) return true;
  }
  return false;
}

void putMbi(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  do {
    tmp[n++] = uint8_t(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(uint8_t(tmp[--n] | 0x80));
  out.push_back(tmp[0]);
}

}  // namespace

bool decodeWBMP(Image& img, StreamRef in, uint32_t) {
  uint32_t type = 1, w = 0, h = 0;
  int fix = -1;
  if (!readMbi(in, type) || type != 0 || (fix = in.getc()) != 0 || !readMbi(in, w) || !readMbi(in, h) ||
      w == 0 || h == 0) {
    return fail(img, "Not a WBMP");
  }
  // The format has no magic: a body shorter than the picture means this is not one.
  const uint64_t need = uint64_t((w + 7) / 8) * h;
  const int64_t here = in.tell(), total = in.size();
  if (here < 0 || total < 0 || uint64_t(total - here) < need) return fail(img, "Not a WBMP");
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, 1, ZV_TYPE_WBMP);
  if (!rio::createChecked(img, w, h, 1, ZV_TYPE_WBMP)) return false;
  const ZvRGBQuad pal[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  img.setPalette(pal, 2);
  const size_t bytes = (w + 7) / 8;
  for (uint32_t y = 0; y < h; ++y) {
    if (!in.readExact(rio::topRow(img, int32_t(y)), bytes)) return fail(img, "Truncated WBMP");
  }
  return true;
}

bool encodeWBMP(Image& img, StreamRef out, uint32_t) {
  if (img.depth() != 1) return fail(img, "Can't save this image as WBMP");
  // Index whose colour is brighter becomes white.
  const ZvRGBQuad* pal = img.palette();
  auto luma = [](ZvRGBQuad c) { return c.red * 299 + c.green * 587 + c.blue * 114; };
  const bool invert = luma(pal[0]) > luma(pal[1]);
  std::vector<uint8_t> file;
  putMbi(file, 0);
  file.push_back(0);
  putMbi(file, uint32_t(img.width()));
  putMbi(file, uint32_t(img.height()));
  const size_t bytes = (size_t(img.width()) + 7) / 8;
  const uint8_t tailMask = uint8_t(0xFF << ((8 - img.width() % 8) % 8));
  for (int32_t y = 0; y < img.height(); ++y) {
    const uint8_t* row = rio::topRow(img, y);
    for (size_t i = 0; i < bytes; ++i) {
      uint8_t b = invert ? uint8_t(~row[i]) : row[i];
      if (i + 1 == bytes) b &= tailMask;
      file.push_back(b);
    }
  }
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo

// SKA: a small indexed-picture format. Layout (little-endian):
//   offset 0  u16 width (> 0)
//   offset 2  u16 height (> 0)
//   offset 4  u8  bit-depth exponent e: the depth is 1 << e, one of 1, 4 or 8 (e = 0, 2, 3)
//   offset 5  u32 reserved, written as 0
//   offset 9  palette: (1 << depth) entries of blue, green, red, reserved
//   then      rows top row first, each ceil(width * depth / 8) bytes, no padding,
//             pixels packed from the high bit down.
// Only pictures of 8 bits or less can be stored.
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {

bool decodeSKA(Image& img, StreamRef in, uint32_t) {
  uint8_t h[9];
  if (!in.readExact(h, sizeof h)) return fail(img, "Not a SKA");
  const uint32_t w = rio::le16(h), ht = rio::le16(h + 2), e = h[4];
  if (w == 0 || ht == 0 || (e != 0 && e != 2 && e != 3) || rio::le32(h + 5) != 0) {
    return fail(img, "Not a SKA");
  }
  const uint32_t depth = 1u << e, colors = 1u << depth;
  const size_t rowBytes = (size_t(w) * depth + 7) / 8;
  // No magic: the file must be as long as its header says.
  const int64_t here = in.tell(), total = in.size();
  if (here < 0 || total < 0 || uint64_t(total - here) < colors * 4 + rowBytes * ht) {
    return fail(img, "Not a SKA");
  }
  if (img.info.escape == -1) return rio::headerOnly(img, w, ht, uint16_t(depth), ZV_TYPE_SKA);
  std::vector<uint8_t> pal(colors * 4);
  if (!in.readExact(pal.data(), pal.size()) || !rio::createChecked(img, w, ht, depth, ZV_TYPE_SKA)) {
    if (img.lastError()[0] == 0) img.setLastError("Truncated SKA");
    return false;
  }
  std::vector<ZvRGBQuad> p(colors);
  for (uint32_t i = 0; i < colors; ++i) p[i] = {pal[i * 4], pal[i * 4 + 1], pal[i * 4 + 2], 0};
  img.setPalette(p.data(), colors);
  for (uint32_t y = 0; y < ht; ++y)
    if (!in.readExact(rio::topRow(img, int32_t(y)), rowBytes)) return fail(img, "Truncated SKA");
  return true;
}

bool encodeSKA(Image& img, StreamRef out, uint32_t) {
  if (img.depth() > 8) return fail(img, "SKA Images must be 8 bit or less");
  if (img.width() > 0xFFFF || img.height() > 0xFFFF) return fail(img, "Image too large for SKA");
  const uint32_t depth = img.depth();
  std::vector<uint8_t> file;
  rio::putLe16(file, uint32_t(img.width()));
  rio::putLe16(file, uint32_t(img.height()));
  file.push_back(uint8_t(depth == 1 ? 0 : depth == 4 ? 2 : 3));
  rio::putLe32(file, 0);
  const ZvRGBQuad* pal = img.palette();
  for (uint32_t i = 0; i < (1u << depth); ++i) {
    const ZvRGBQuad c = i < img.numColors() ? pal[i] : ZvRGBQuad{0, 0, 0, 0};
    file.insert(file.end(), {c.blue, c.green, c.red, 0});
  }
  const size_t rowBytes = (size_t(img.width()) * depth + 7) / 8;
  for (int32_t y = 0; y < img.height(); ++y) {
    const uint8_t* row = rio::topRow(img, y);
    file.insert(file.end(), row, row + rowBytes);
  }
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo

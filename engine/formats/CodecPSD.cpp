// Photoshop documents: the flattened composite that follows the layer section. Bitmap,
// grey, duotone (as grey), indexed, RGB and CMYK (to RGB) at 1, 8 or 16 bits per channel,
// raw or PackBits. An extra channel after the colour ones becomes the alpha plane.
#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

enum Mode : uint16_t { kBitmap = 0, kGrey = 1, kIndexed = 2, kRgb = 3, kCmyk = 4, kMulti = 7, kDuotone = 8 };

uint32_t colourChannels(uint16_t mode) {
  switch (mode) {
    case kRgb: return 3;
    case kCmyk: return 4;
    default: return 1;
  }
}

// PackBits into `out`; a run past the row end is cut and counts as corrupt.
bool unpackBits(const uint8_t* src, size_t n, uint8_t* out, size_t want) {
  size_t i = 0, o = 0;
  while (o < want && i < n) {
    const int8_t c = int8_t(src[i++]);
    if (c >= 0) {
      const size_t k = size_t(c) + 1;
      if (i + k > n || o + k > want) return false;
      std::memcpy(out + o, src + i, k);
      i += k;
      o += k;
    } else if (c != -128) {
      const size_t k = size_t(1 - c);
      if (i >= n || o + k > want) return false;
      std::memset(out + o, src[i++], k);
      o += k;
    }
  }
  return o == want;
}

}  // namespace

bool decodePSD(Image& img, StreamRef in, uint32_t) {
  uint8_t h[26];
  if (!in.readExact(h, sizeof h) || std::memcmp(h, "8BPS", 4) != 0 || rio::be16(h + 4) != 1) {
    return fail(img, "Not a PSD");
  }
  const uint16_t channels = rio::be16(h + 12);
  const uint32_t height = rio::be32(h + 14), width = rio::be32(h + 18);
  const uint16_t depth = rio::be16(h + 22), mode = rio::be16(h + 24);
  const bool knownMode = mode == kBitmap || mode == kGrey || mode == kIndexed || mode == kRgb || mode == kCmyk ||
                         mode == kMulti || mode == kDuotone;
  if (channels < 1 || channels > 56 || width == 0 || height == 0 || width > 300000 || height > 300000) {
    return fail(img, "Invalid PSD header");
  }
  if (!knownMode || (depth != 1 && depth != 8 && depth != 16) || (depth == 1) != (mode == kBitmap)) {
    return fail(img, "Unsupported PSD colour mode");
  }
  const uint32_t need = colourChannels(mode);
  if (channels < need) return fail(img, "PSD has too few channels for its mode");
  const bool colour = mode == kRgb || mode == kCmyk;
  const uint32_t outBpp = mode == kBitmap ? 1 : colour ? 24 : 8;
  if (img.info.escape == -1) return rio::headerOnly(img, width, height, uint16_t(outBpp), ZV_TYPE_PSD);
  if (!checkDecodeSize(img, width, height)) return false;

  // Colour mode data (the palette of indexed files), resources, layers: skip by length.
  uint8_t len[4];
  if (!in.readExact(len, 4)) return fail(img, "Truncated PSD");
  // The colour mode data is a palette or duotone settings: small. Check before allocating.
  const uint32_t modeLength = rio::be32(len);
  std::vector<uint8_t> modeData;
  if (modeLength > (1u << 20) || (modeData.resize(modeLength), !in.readExact(modeData.data(), modeLength))) {
    return fail(img, "Truncated PSD");
  }
  for (int section = 0; section < 2; ++section) {
    if (!in.readExact(len, 4) || !in.seek(int64_t(rio::be32(len)), SEEK_CUR)) {
      return fail(img, "Truncated PSD");
    }
  }
  uint8_t comp[2];
  if (!in.readExact(comp, 2) || rio::be16(comp) > 1) {
    return fail(img, rio::be16(comp) > 1 ? "Unsupported PSD compression" : "Truncated PSD");
  }
  const bool rle = rio::be16(comp) == 1;
  const bool alpha = channels > need && mode != kIndexed && mode != kBitmap;
  const uint32_t used = need + (alpha ? 1 : 0);
  const size_t rowBytes = depth == 1 ? (width + 7) / 8 : size_t(width) * (depth / 8);
  const size_t plane = rowBytes * height;
  if (uint64_t(plane) * used > kDecodeMaxPixels * 8) return fail(img, "Image too large");
  // A lying header must not allocate more than the file can fill (PackBits packs 128 bytes in 2).
  const int64_t left = in.size() - in.tell();
  if (left < 0 || uint64_t(left) * (rle ? 64 : 1) < uint64_t(plane) * used) return fail(img, "Truncated PSD");
  // Channel planes one after the other, each `height` rows.
  std::vector<uint8_t> planes(plane * used);
  if (rle) {
    const size_t rows = size_t(height) * channels;
    std::vector<uint8_t> counts(rows * 2);
    if (!in.readExact(counts.data(), counts.size())) return fail(img, "Truncated PSD");
    std::vector<uint8_t> packed;
    for (size_t r = 0; r < size_t(height) * used; ++r) {
      const size_t n = rio::be16(&counts[r * 2]);
      packed.resize(n);
      if (!in.readExact(packed.data(), n) || !unpackBits(packed.data(), n, &planes[r * rowBytes], rowBytes)) {
        return fail(img, "Corrupt PSD data");
      }
    }
  } else if (!in.readExact(planes.data(), planes.size())) {
    return fail(img, "Truncated PSD");
  }

  if (!rio::createChecked(img, width, height, outBpp, ZV_TYPE_PSD)) return false;
  if (mode == kBitmap) {
    const ZvRGBQuad pal[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};  // 1 is black
    img.setPalette(pal, 2);
  } else if (mode == kIndexed) {
    if (modeData.size() < 768) return fail(img, "PSD palette missing");
    ZvRGBQuad pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = {modeData[512 + i], modeData[256 + i], modeData[i], 0};
    img.setPalette(pal, 256);
  } else if (!colour) {
    img.setGrayPalette();
  }
  if (alpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  const size_t step = depth == 16 ? 2 : 1;  // 16-bit samples: keep the high byte
  auto at = [&](uint32_t ch, uint32_t x, uint32_t y) { return planes[ch * plane + y * rowBytes + x * step]; };
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = rio::topRow(img, int32_t(y));
    if (mode == kBitmap) {
      std::memcpy(row, &planes[y * rowBytes], rowBytes);
      continue;
    }
    for (uint32_t x = 0; x < width; ++x) {
      if (mode == kRgb) {
        row[x * 3 + 2] = at(0, x, y);
        row[x * 3 + 1] = at(1, x, y);
        row[x * 3] = at(2, x, y);
      } else if (mode == kCmyk) {
        // Stored inverted: 255 is no ink.
        const uint32_t k = at(3, x, y);
        row[x * 3 + 2] = uint8_t(at(0, x, y) * k / 255);
        row[x * 3 + 1] = uint8_t(at(1, x, y) * k / 255);
        row[x * 3] = uint8_t(at(2, x, y) * k / 255);
      } else {
        row[x] = at(0, x, y);
      }
      if (alpha) rio::topAlphaRow(img, int32_t(y))[x] = at(need, x, y);
    }
  }
  return true;
}

}  // namespace zelvo

// IncreaseBpp: widening an indexed picture to 4, 8 or 24 bits per pixel.
#include <cstring>

#include "Image.h"

namespace zelvo {
namespace {

ImagePtr widened(Image& src, uint32_t bpp) {
  ImagePtr tmp = Image::make(src.info.type, src.kind);
  if (!tmp) return nullptr;
  tmp->copyInfo(src);
  if (!tmp->create(uint32_t(src.width()), uint32_t(src.height()), bpp, src.info.type)) {
    src.setLastError(tmp->lastError());
    return nullptr;
  }
  if (src.alpha) {
    if (!tmp->allocAlpha()) return nullptr;
    std::memcpy(tmp->alpha.get(), src.alpha.get(), size_t(src.width()) * size_t(src.height()));
  }
  return tmp;
}

bool paletteCarriesAlpha(const Image& img) {
  const ZvRGBQuad* pal = img.palette();
  if (!pal || !img.info.paletteAlpha) return false;
  for (uint32_t i = 0; i < img.numColors(); ++i)
    if (pal[i].reserved != 0) return true;
  return false;
}

}  // namespace

bool Image::increaseBpp(uint32_t bpp) {
  if (!valid()) return false;
  if (bpp == 4 || bpp == 8) {
    if (depth() == bpp) return true;
    if (depth() > bpp) return false;
    ImagePtr tmp = widened(*this, bpp);
    if (!tmp) return false;
    tmp->setPalette(palette(), numColors());
    for (int32_t y = 0; y < height() && info.escape == 0; ++y)
      for (int32_t x = 0; x < width(); ++x) tmp->setPixelIndex(x, y, pixelIndex(x, y));
    transfer(*tmp, false);
    return true;
  }
  if (bpp != 24) return false;
  if (depth() == 24) return true;
  ImagePtr tmp = widened(*this, 24);
  if (!tmp) return false;
  const ZvRGBQuad* pal = palette();
  if (info.transIndex >= 0 && uint32_t(info.transIndex) < numColors()) tmp->info.transColor = pal[info.transIndex];
  const bool carry = !alpha && paletteCarriesAlpha(*this);
  if (carry && !tmp->allocAlpha()) return false;
  for (int32_t y = 0; y < height() && info.escape == 0; ++y) {
    uint8_t* out = tmp->row(y);
    uint8_t* a = tmp->alpha ? tmp->alphaRow(y) : nullptr;
    for (int32_t x = 0; x < width(); ++x) {
      const ZvRGBQuad c = pixelColor(x, y, true);
      uint8_t* p = out + size_t(x) * 3;
      p[0] = c.blue, p[1] = c.green, p[2] = c.red;
      if (a) a[x] = c.reserved;
    }
  }
  transfer(*tmp, false);
  return true;
}

}  // namespace zelvo

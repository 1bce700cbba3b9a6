// Declarations of every codec's entries (one codec file each).
#pragma once

#include "Codec.h"

namespace zelvo {

#define ZV_DECLARE_CODEC(name)                                   \
  bool decode##name(Image& img, StreamRef in, uint32_t type);   \
  bool encode##name(Image& img, StreamRef out, uint32_t type);  \
  bool encodeFrames##name(std::span<Image* const> images, StreamRef out, Image& err);

ZV_DECLARE_CODEC(BMP)
ZV_DECLARE_CODEC(GIF)
ZV_DECLARE_CODEC(JPG)
ZV_DECLARE_CODEC(PNG)
ZV_DECLARE_CODEC(ICO)
ZV_DECLARE_CODEC(TIF)
ZV_DECLARE_CODEC(TGA)
ZV_DECLARE_CODEC(PCX)
ZV_DECLARE_CODEC(WBMP)
ZV_DECLARE_CODEC(WMF)
ZV_DECLARE_CODEC(JAS)  // the JPEG-2000 family: JP2, JPC, PGX, PNM, RAS
ZV_DECLARE_CODEC(MNG)
ZV_DECLARE_CODEC(SKA)
ZV_DECLARE_CODEC(RAW)
ZV_DECLARE_CODEC(PSD)
ZV_DECLARE_CODEC(LJY)

#undef ZV_DECLARE_CODEC

}  // namespace zelvo

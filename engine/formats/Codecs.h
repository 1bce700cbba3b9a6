// The entries of every codec (one codec file each): exactly those that exist. The dispatch
// table (CodecTable.cpp) lists which format has which.
#pragma once

#include "Codec.h"

namespace zelvo {

// Read and write.
bool decodeBMP(Image& img, StreamRef in, uint32_t type);
bool encodeBMP(Image& img, StreamRef out, uint32_t type);
bool decodeGIF(Image& img, StreamRef in, uint32_t type);
bool encodeGIF(Image& img, StreamRef out, uint32_t type);
bool decodeJPG(Image& img, StreamRef in, uint32_t type);
bool encodeJPG(Image& img, StreamRef out, uint32_t type);
bool decodePNG(Image& img, StreamRef in, uint32_t type);
bool encodePNG(Image& img, StreamRef out, uint32_t type);
bool decodeICO(Image& img, StreamRef in, uint32_t type);
bool encodeICO(Image& img, StreamRef out, uint32_t type);
bool decodeTIF(Image& img, StreamRef in, uint32_t type);
bool encodeTIF(Image& img, StreamRef out, uint32_t type);
bool decodeTGA(Image& img, StreamRef in, uint32_t type);
bool encodeTGA(Image& img, StreamRef out, uint32_t type);
bool decodePCX(Image& img, StreamRef in, uint32_t type);
bool encodePCX(Image& img, StreamRef out, uint32_t type);
bool decodeWBMP(Image& img, StreamRef in, uint32_t type);
bool encodeWBMP(Image& img, StreamRef out, uint32_t type);
// The JPEG-2000 family: JP2, JPC, PGX, PNM, RAS.
bool decodeJAS(Image& img, StreamRef in, uint32_t type);
bool encodeJAS(Image& img, StreamRef out, uint32_t type);
bool decodeMNG(Image& img, StreamRef in, uint32_t type);
bool encodeMNG(Image& img, StreamRef out, uint32_t type);
bool decodeSKA(Image& img, StreamRef in, uint32_t type);
bool encodeSKA(Image& img, StreamRef out, uint32_t type);

// Read only.
bool decodeWMF(Image& img, StreamRef in, uint32_t type);
bool decodeRAW(Image& img, StreamRef in, uint32_t type);
bool decodePSD(Image& img, StreamRef in, uint32_t type);
bool decodeLJY(Image& img, StreamRef in, uint32_t type);

// Several pictures in one file.
bool encodeFramesGIF(std::span<Image* const> images, StreamRef out, Image& err);
bool encodeFramesICO(std::span<Image* const> images, StreamRef out, Image& err);
bool encodeFramesTIF(std::span<Image* const> images, StreamRef out, Image& err);

}  // namespace zelvo

// The dispatch table: one line per format identifier. A null entry is a format the
// engine does not read (decode) or write (encode).
#include <array>

#include "Codecs.h"

namespace zelvo {
namespace {

// clang-format off
constexpr std::array<Codec, ZV_TYPE_COUNT> kCodecs = {{
  {ZV_TYPE_UNKNOWN, "unknown", nullptr,   nullptr,   nullptr, nullptr},
  {ZV_TYPE_BMP,  "BMP",  decodeBMP, encodeBMP, nullptr, nullptr},
  {ZV_TYPE_GIF,  "GIF",  decodeGIF, encodeGIF, encodeFramesGIF, nullptr},
  {ZV_TYPE_JPG,  "JPEG", decodeJPG, encodeJPG, nullptr, nullptr},
  {ZV_TYPE_PNG,  "PNG",  decodePNG, encodePNG, nullptr, nullptr},
  {ZV_TYPE_ICO,  "ICO",  decodeICO, encodeICO, encodeFramesICO, nullptr},
  {ZV_TYPE_TIF,  "TIFF", decodeTIF, encodeTIF, encodeFramesTIF, nullptr},
  {ZV_TYPE_TGA,  "TGA",  decodeTGA, encodeTGA, nullptr, nullptr},
  {ZV_TYPE_PCX,  "PCX",  decodePCX, encodePCX, nullptr, nullptr},
  {ZV_TYPE_WBMP, "WBMP", decodeWBMP, encodeWBMP, nullptr, nullptr},
  {ZV_TYPE_WMF,  "WMF",  decodeWMF, nullptr, nullptr, "Save WMF not supported"},
  {ZV_TYPE_JP2,  "JP2",  decodeJAS, encodeJAS, nullptr, nullptr},
  {ZV_TYPE_JPC,  "JPC",  decodeJAS, encodeJAS, nullptr, nullptr},
  {ZV_TYPE_PGX,  "PGX",  decodeJAS, encodeJAS, nullptr, nullptr},
  {ZV_TYPE_PNM,  "PNM",  decodeJAS, encodeJAS, nullptr, nullptr},
  {ZV_TYPE_RAS,  "RAS",  decodeJAS, encodeJAS, nullptr, nullptr},
  {ZV_TYPE_JBG,  "JBIG", nullptr, nullptr, nullptr, nullptr},
  {ZV_TYPE_MNG,  "MNG",  decodeMNG, encodeMNG, nullptr, nullptr},
  {ZV_TYPE_SKA,  "SKA",  decodeSKA, encodeSKA, nullptr, nullptr},
  {ZV_TYPE_RAW,  "RAW",  decodeRAW, nullptr, nullptr, "Save RAW not supported"},
  {ZV_TYPE_PSD,  "PSD",  decodePSD, nullptr, nullptr, nullptr},
  {ZV_TYPE_LJY,  "LJY",  decodeLJY, nullptr, nullptr, nullptr},
}};
// clang-format on

constexpr std::array<uint32_t, 16> kDetectionOrder = {
    ZV_TYPE_JPG, ZV_TYPE_GIF, ZV_TYPE_LJY, ZV_TYPE_BMP, ZV_TYPE_ICO, ZV_TYPE_PNG,
    ZV_TYPE_TIF, ZV_TYPE_MNG, ZV_TYPE_TGA, ZV_TYPE_PCX, ZV_TYPE_WBMP, ZV_TYPE_WMF,
    ZV_TYPE_JP2, ZV_TYPE_SKA, ZV_TYPE_RAW, ZV_TYPE_PSD};

}  // namespace

const Codec* codecFor(uint32_t type) {
  if (type >= kCodecs.size()) return nullptr;
  return &kCodecs[type];
}

std::span<const uint32_t> detectionOrder() { return kDetectionOrder; }

}  // namespace zelvo

// The EXIF block of a JPEG (APP1 "Exif\0\0" + TIFF structure): just what the codec needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zelvo {

struct ExifOrientation {
  int32_t value = 0;    // 1..8, 0 when the block has none (or none we can trust)
  size_t offset = 0;    // offset of the SHORT value inside the APP1 payload, 0 when absent
  bool bigEndian = false;
};

// True when `payload` starts with the EXIF signature.
bool isExifPayload(std::span<const uint8_t> payload);
// Reads the orientation tag of IFD0. Every offset is bounds-checked and the IFD chain is
// walked at most a few links deep without revisiting a directory, so hostile blocks end
// the walk instead of looping.
ExifOrientation readExifOrientation(std::span<const uint8_t> payload);
// Rewrites the orientation value in place (the picture was turned upright).
void writeExifOrientation(std::span<uint8_t> payload, const ExifOrientation& where, uint16_t value);

}  // namespace zelvo

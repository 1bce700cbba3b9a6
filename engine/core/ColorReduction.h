// Colour reduction: the engine's fixed palettes and the nearest-entry search that
// DecreaseBpp and the GIF writer rely on.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "zelvo.h"

namespace zelvo {

// The fixed palette for 1, 4 or 8 bits (2, 16 or 256 entries); empty for other depths.
std::span<const ZvRGBQuad> standardPalette(uint32_t depth);

// Nearest palette entry: squared distance over blue, green and red, lowest index on ties,
// the same answer as a linear scan. Entries are kept sorted by green so that a query stops
// once the green gap alone is larger than the best distance; a direct-mapped cache answers
// repeated colours, which error diffusion asks for all the time.
class NearestColor {
 public:
  explicit NearestColor(std::span<const ZvRGBQuad> entries);
  uint8_t find(uint8_t red, uint8_t green, uint8_t blue);

 private:
  struct Entry {
    int32_t green, red, blue;
    uint8_t index;
  };
  uint8_t search(int32_t red, int32_t green, int32_t blue) const;

  static constexpr size_t kCacheBits = 12;
  std::vector<Entry> sorted_;
  std::vector<uint32_t> cacheKey_;  // colour | 1 << 24 when filled
  std::vector<uint8_t> cacheIndex_;
};

}  // namespace zelvo

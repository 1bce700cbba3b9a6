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
// the same answer as a linear scan. Colour space is cut into 32 x 32 x 32 cells; each cell
// keeps, in index order, only the entries that can be nearest for some colour inside it
// (their smallest distance to the cell is at most the best largest distance of any entry).
// Cells are filled when first asked.
class NearestColor {
 public:
  // `fillAll` fills every cell at once; such a search only reads and may be shared.
  explicit NearestColor(std::span<const ZvRGBQuad> entries, bool fillAll = false);
  uint8_t find(uint8_t red, uint8_t green, uint8_t blue);

  // The search over a whole standard palette (1, 4 or 8 bits), built once per process.
  static NearestColor& standard(uint32_t depth);

 private:
  static constexpr int kCellBits = 3;  // cell edge 8 levels
  static constexpr int kCellsPerAxis = 256 >> kCellBits;
  struct Cell {
    uint32_t first = 0;
    uint16_t count = 0;
    bool filled = false;
  };
  const Cell& cell(int red, int green, int blue);

  std::vector<ZvRGBQuad> entries_;
  std::vector<Cell> cells_;
  std::vector<uint8_t> candidates_;
};

}  // namespace zelvo

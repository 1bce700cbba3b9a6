#include "OrientUpright.h"

#include <array>

namespace {

enum class Turn { None, Mirror, Flip, Rotate180, RotateRight, RotateLeft };

// Index = EXIF orientation; each row is applied left to right.
constexpr std::array<std::array<Turn, 2>, 9> kTurns = {{
    {Turn::None, Turn::None},           // 0 unknown
    {Turn::None, Turn::None},           // 1 upright
    {Turn::Mirror, Turn::None},         // 2 mirrored left-right
    {Turn::Rotate180, Turn::None},      // 3 upside down
    {Turn::Flip, Turn::None},           // 4 mirrored top-bottom
    {Turn::RotateRight, Turn::Mirror},  // 5 transposed
    {Turn::RotateRight, Turn::None},    // 6 turned left by the camera
    {Turn::RotateLeft, Turn::Mirror},   // 7 transversed
    {Turn::RotateLeft, Turn::None},     // 8 turned right by the camera
}};

bool apply(ZvImage* image, Turn turn) {
  const ZvImageOps* ops = image->ops;
  switch (turn) {
    case Turn::None: return true;
    case Turn::Mirror: return ops->Mirror(image, false, true);
    case Turn::Flip: return ops->Flip(image, false, true);
    case Turn::Rotate180: return ops->Rotate180(image, nullptr);
    case Turn::RotateRight: return ops->RotateRight(image, nullptr);
    case Turn::RotateLeft: return ops->RotateLeft(image, nullptr);
  }
  return false;
}

}  // namespace

bool OrientUpright(ZvImage* image, int orientation) {
  if (!image) return false;
  if (orientation < 0 || orientation >= int(kTurns.size())) return true;
  for (Turn turn : kTurns[size_t(orientation)])
    if (!apply(image, turn)) return false;
  return true;
}

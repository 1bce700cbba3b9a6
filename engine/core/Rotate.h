// The per-pixel quarter turn that takes every depth: the reference the row-run turns of
// RotateLeft and RotateRight are checked against.
#pragma once

#include "Image.h"

namespace zelvo {

// Turns `self` a quarter (clockwise when `right`) into `dst`, pixel by pixel, with alpha
// and selection; `self` stays as it is. False for an empty image or without memory.
bool turnByPixels(Image& self, Image& dst, bool right);

}  // namespace zelvo

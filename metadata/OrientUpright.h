// Turns a decoded embedded thumbnail upright from its EXIF orientation (full pictures are
// turned by the engine when it loads them).
#pragma once

#include "zelvo.h"

// Orientations 2..8 apply the engine operations that undo the camera's stored orientation;
// 0, 1 and anything else leave the picture as it is. False when an engine operation failed
// (the picture may then be partly turned) or the image is null.
bool OrientUpright(ZvImage* image, int orientation);

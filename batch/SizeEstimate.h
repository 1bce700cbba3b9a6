// The bytes a JPEG of an N x N picture with photograph-like detail takes at quality q, for
// the settings panel's "图片大小约 %d KB". Callable from any thread; 0 when the engine
// cannot make the picture or the encoding fails.
#pragma once

#include <cstdint>

int32_t SizeEstimate(int32_t width, int32_t quality);

// Helpers the template kinds share: cutting a photo's crop, and file checks.
#pragma once

#include <string>

#include "core/Image.h"

namespace zelvo {

// A 24-bit copy of the crop (top-down rectangle, clamped to the photo), with the photo's
// alpha plane when it has one; null when nothing of the crop lies inside the photo.
ImagePtr cropPhoto(const Image& photo, const ZvRect& crop);

// File-system checks on UTF-8 paths.
bool isRegularFile(const std::string& path);
bool isFolder(const std::string& path);

}  // namespace zelvo

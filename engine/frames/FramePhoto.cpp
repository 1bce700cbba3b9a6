#include "FramePhoto.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace zelvo {

ImagePtr cropPhoto(const Image& photo, const ZvRect& crop) {
  if (!photo.valid()) return nullptr;
  const int32_t W = photo.width(), H = photo.height();
  const int32_t left = std::clamp(crop.left, 0, W), right = std::clamp(crop.right, 0, W);
  const int32_t top = std::clamp(crop.top, 0, H), bottom = std::clamp(crop.bottom, 0, H);
  if (right <= left || bottom <= top) return nullptr;
  const int32_t cw = right - left, ch = bottom - top;
  ImagePtr out = Image::make(photo.info.type);
  if (!out->create(uint32_t(cw), uint32_t(ch), 24, photo.info.type)) return nullptr;
  if (photo.alpha && !out->allocAlpha(255)) return nullptr;
  for (int32_t j = 0; j < ch; ++j) {
    const int32_t sy = H - 1 - (top + j), dy = ch - 1 - j;
    uint8_t* d = out->row(dy);
    if (photo.depth() == 24) {
      std::memcpy(d, photo.row(sy) + size_t(left) * 3, size_t(cw) * 3);
    } else {
      for (int32_t x = 0; x < cw; ++x, d += 3) {
        const ZvRGBQuad c = photo.pixelColor(left + x, sy, false);
        d[0] = c.blue;
        d[1] = c.green;
        d[2] = c.red;
      }
    }
    if (photo.alpha) std::memcpy(out->alphaRow(dy), photo.alphaRow(sy) + left, size_t(cw));
  }
  return out;
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace zelvo

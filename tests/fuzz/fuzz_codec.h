// One codec over any bytes: the first byte picks header-only, load-all-frames, the frame
// index, a size hint, detection instead of the codec's own type, and re-encoding of what
// was decoded (into a counting stream).
#pragma once

#include "formats/Stream.h"
#include "fuzz_support.h"

namespace zelvo::fuzz {

inline int decodeAs(uint32_t codecType, const uint8_t* data, size_t size) {
  if (size < 1 || size > UINT32_MAX) return 0;
  const uint8_t mode = data[0];
  ++data, --size;
  ImagePtr img = Image::make();
  img->info.escape = (mode & 1) ? -1 : 0;
  img->info.loadAllFrames = mode & 2;
  img->info.frameIndex = (mode >> 2) & 3;
  if (mode & 0x10) img->setDecodeSizeHint(16, 16);
  const uint32_t type = (mode & 0x20) ? uint32_t(ZV_TYPE_UNKNOWN) : codecType;
  if (!img->ops->DecodeMemory(img.get(), data, uint32_t(size), type)) return 0;
  consumeAll(*img);
  if (img->valid() && (mode & 0x80)) {
    StreamPtr out = makeCountingStream();
    img->ops->Encode(img.get(), out.get(), img->info.type);
  }
  return 0;
}

}  // namespace zelvo::fuzz

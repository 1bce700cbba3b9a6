// Any bytes through format detection (DecodeMemory type 0), full and header-only.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvo;
  if (size > UINT32_MAX) return 0;
  ImagePtr img = Image::make();
  if (img->ops->DecodeMemory(img.get(), data, uint32_t(size), 0)) fuzz::consumeAll(*img);
  ImagePtr head = Image::make();
  head->info.escape = -1;
  head->ops->DecodeMemory(head.get(), data, uint32_t(size), 0);
  return 0;
}

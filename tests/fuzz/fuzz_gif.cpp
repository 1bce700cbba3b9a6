// The GIF reader over any bytes (modes in fuzz_codec.h; bit 1 loads every frame).
#include "fuzz_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return zelvo::fuzz::decodeAs(ZV_TYPE_GIF, data, size);
}

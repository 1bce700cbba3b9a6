// The metafile (WMF and EMF) decoder over any bytes (modes in fuzz_codec.h).
#include "fuzz_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return zelvo::fuzz::decodeAs(ZV_TYPE_WMF, data, size);
}

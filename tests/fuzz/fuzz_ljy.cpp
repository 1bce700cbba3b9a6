// Sprite-sheet decoding with every frame built, then the current-frame path.
#include "formats/Codecs.h"
#include "formats/Stream.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvo;
  for (bool all : {true, false}) {
    StreamPtr in = makeMemoryReader(data, size);
    ImagePtr img = Image::make(ZV_TYPE_LJY);
    img->info.loadAllFrames = all;
    img->info.frameIndex = all ? 0 : 2;
    if (decodeLJY(*img, StreamRef(in.get()), 0)) fuzz::consumeAll(*img);
  }
  return 0;
}

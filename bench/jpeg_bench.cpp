// JPEG speed: a 12-megapixel photo decoded whole and as a 115 x 115 thumbnail (1/8
// scale), and a full-HD frame encoded at the default settings.
#include <benchmark/benchmark.h>

#include "core/Image.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"
#include "SyntheticPhoto.h"

namespace {

using namespace zelvo;

using benchpics::photo;

std::vector<uint8_t> encoded(int32_t w, int32_t h) {
  ImagePtr img = photo(w, h);
  StreamPtr s = makeMemoryWriter();
  zelvo::encode(*img, s.get(), ZV_TYPE_JPG);
  size_t n = 0;
  MallocPtr buf(detachMemoryBuffer(s.get(), &n));
  return std::vector<uint8_t>(buf.get(), buf.get() + n);
}

void decode(benchmark::State& state, int32_t hint) {
  static const std::vector<uint8_t> file = encoded(4000, 3000);
  for (auto _ : state) {
    ImagePtr img = Image::make();
    if (hint) img->setDecodeSizeHint(hint, hint);
    if (!zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img->bits());
  }
  state.counters["MPix/s"] = benchmark::Counter(12.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DecodeFull12MP(benchmark::State& state) { decode(state, 0); }
void BM_DecodeThumbnail12MP(benchmark::State& state) { decode(state, 115); }

void BM_EncodeFullHD(benchmark::State& state) {
  ImagePtr img = photo(1920, 1080);
  for (auto _ : state) {
    StreamPtr counter = makeCountingStream();
    if (!zelvo::encode(*img, counter.get(), ZV_TYPE_JPG)) state.SkipWithError("encode failed");
  }
}

BENCHMARK(BM_DecodeFull12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeThumbnail12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeFullHD)->Unit(benchmark::kMillisecond);

}  // namespace

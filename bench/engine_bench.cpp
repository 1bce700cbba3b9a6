// Engine speed on a real 4000 x 3000 photograph (GALLIVO_BENCH_PHOTO, made by
// bench/make-photo.sh), each against a reference measured in the same run:
// full load vs djpeg, thumbnail load vs djpeg -scale 1/8, header-only load, resampling
// and a quarter turn vs the full load, and the peak memory of load + resample + save.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "core/Image.h"
#include "core/PixelMemory.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"

namespace {

using namespace zelvo;

const std::string& photoPath() {
  static const std::string path = [] {
    const char* p = std::getenv("GALLIVO_BENCH_PHOTO");
    return std::string(p ? p : "bench-photo.jpg");
  }();
  return path;
}

const std::u16string& photoPath16() {
  static const std::u16string path(photoPath().begin(), photoPath().end());  // ASCII paths
  return path;
}

bool havePhoto(benchmark::State& state) {
  if (std::ifstream(photoPath()).good()) return true;
  state.SkipWithError(("no photo at " + photoPath() + " (run bench/make-photo.sh)").c_str());
  return false;
}

ImagePtr loaded() {
  ImagePtr img = Image::make();
  zelvo::load(*img, photoPath16().c_str(), 0);
  return img;
}

void runTool(benchmark::State& state, const std::string& args) {
  if (!havePhoto(state)) return;
  const std::string cmd = "djpeg " + args + " -outfile /dev/null '" + photoPath() + "'";
  for (auto _ : state)
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("djpeg failed");
}

void BM_Load(benchmark::State& state) {
  if (!havePhoto(state)) return;
  for (auto _ : state) {
    ImagePtr img = loaded();
    if (!img->valid()) state.SkipWithError(img->lastError());
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_DjpegFull(benchmark::State& state) { runTool(state, ""); }
BENCHMARK(BM_DjpegFull)->Unit(benchmark::kMillisecond);

void BM_LoadThumbnailHint(benchmark::State& state) {
  if (!havePhoto(state)) return;
  for (auto _ : state) {
    ImagePtr img = Image::make();
    img->setDecodeSizeHint(115, 115);
    if (!zelvo::load(*img, photoPath16().c_str(), 0)) state.SkipWithError(img->lastError());
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_LoadThumbnailHint)->Unit(benchmark::kMillisecond);

void BM_DjpegScale8(benchmark::State& state) { runTool(state, "-scale 1/8"); }
BENCHMARK(BM_DjpegScale8)->Unit(benchmark::kMillisecond);

// Shrink-on-load of the slimming job to 500 wide: the decoder at 1/4 (1000 x 750).
void BM_LoadQuarterScale(benchmark::State& state) {
  if (!havePhoto(state)) return;
  for (auto _ : state) {
    ImagePtr img = Image::make();
    img->setDecodeSizeHint(750, 750);
    if (!zelvo::load(*img, photoPath16().c_str(), 0)) state.SkipWithError(img->lastError());
    if (img->width() != 1000) state.SkipWithError("not decoded at 1/4");
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_LoadQuarterScale)->Unit(benchmark::kMillisecond);

void BM_DjpegScale4(benchmark::State& state) { runTool(state, "-scale 1/4"); }
BENCHMARK(BM_DjpegScale4)->Unit(benchmark::kMillisecond);

void BM_LoadInfo(benchmark::State& state) {
  if (!havePhoto(state)) return;
  for (auto _ : state) {
    ImagePtr img = Image::make();
    if (!zelvo::loadInfo(*img, photoPath16().c_str(), 0)) state.SkipWithError(img->lastError());
    benchmark::DoNotOptimize(img->head.biWidth);
  }
}
BENCHMARK(BM_LoadInfo)->Unit(benchmark::kMicrosecond);

void BM_Resample500(benchmark::State& state) {
  if (!havePhoto(state)) return;
  ImagePtr photo = loaded();
  ImagePtr out = Image::make();
  for (auto _ : state) {
    if (!photo->resampleInterpolated(500, 375, 2, 5, out.get(), false)) state.SkipWithError("resample failed");
    benchmark::DoNotOptimize(out->bits());
  }
}
BENCHMARK(BM_Resample500)->Unit(benchmark::kMillisecond);

void BM_RotateRight(benchmark::State& state) {
  if (!havePhoto(state)) return;
  ImagePtr photo = loaded();
  ImagePtr out = Image::make();
  for (auto _ : state) {
    if (!photo->rotateRight(out.get())) state.SkipWithError("rotate failed");
    benchmark::DoNotOptimize(out->bits());
  }
}
BENCHMARK(BM_RotateRight)->Unit(benchmark::kMillisecond);

long statusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return -1;
}

// The slimming step of one picture: load, shrink to 500 wide, save as JPEG (into memory).
// Peak resident memory above the level before it, against the 36 MB target.
void BM_PeakMemoryLoadResampleSave(benchmark::State& state) {
  if (!havePhoto(state)) return;
  double peakMb = 0;
  for (auto _ : state) {
    // The block a thread keeps between pictures would otherwise count as the level before.
    releaseKeptPixels();
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the high-water mark
    const long base = statusKb("VmRSS:");
    {
      ImagePtr img = loaded();
      img->resampleInterpolated(500, 375, 2, 5, nullptr, false);
      StreamPtr out = makeMemoryWriter();
      if (!zelvo::encode(*img, out.get(), ZV_TYPE_JPG)) state.SkipWithError(img->lastError());
    }
    const long peak = statusKb("VmHWM:");
    if (base < 0 || peak < 0) state.SkipWithError("no /proc/self/status");
    peakMb = std::max(peakMb, double(peak - base) / 1024.0);
  }
  state.counters["peak_MB"] = peakMb;
  state.counters["target_MB"] = 36;
}
BENCHMARK(BM_PeakMemoryLoadResampleSave)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

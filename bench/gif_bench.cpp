// Colour reduction and GIF writing against JPEG decoding, and the engine side of the
// showcase animation. Inputs come from $GALLIVO_BENCH_DIR (prepared by gif-showcase.sh):
// photo4000.jpg, photo500.png and frame00.png .. frame23.png; without it photo-like
// pictures are made up so the program still runs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/Image.h"
#include "formats/Codecs.h"
#include "formats/Dispatch.h"
#include "formats/GifLzw.h"
#include "formats/Stream.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;

fs::path inputDir() {
  const char* d = std::getenv("GALLIVO_BENCH_DIR");
  return d ? fs::path(d) : fs::path();
}

std::u16string u16(const fs::path& p) {
  const std::string s = p.string();
  return std::u16string(s.begin(), s.end());  // the prepared names are ASCII
}

// Smooth gradients with fine noise: compresses and diffuses like a photograph.
ImagePtr madeUpPhoto(int32_t w, int32_t h, uint32_t seed) {
  ImagePtr img = Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  std::mt19937 rng(seed);
  std::normal_distribution<float> grain(0.f, 6.f);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* r = img->row(y);
    for (int32_t x = 0; x < w; ++x) {
      const float fx = float(x) / float(w), fy = float(y) / float(h);
      const float v[3] = {120 + 90 * std::sin(6 * fx + seed), 110 + 80 * std::cos(5 * fy + 2 * fx),
                          100 + 100 * fx * fy};
      for (int c = 0; c < 3; ++c) r[3 * x + c] = uint8_t(std::clamp(v[c] + grain(rng), 0.f, 255.f));
    }
  }
  return img;
}

int loadedFiles = 0;  // pictures read from files rather than made up, for the report

ImagePtr loadOr(const fs::path& file, int32_t w, int32_t h, uint32_t seed) {
  if (!file.empty() && fs::exists(file)) {
    ImagePtr img = Image::make();
    if (zelvo::load(*img, u16(file).c_str(), 0)) {
      ++loadedFiles;
      return img;
    }
  }
  return madeUpPhoto(w, h, seed);
}

std::vector<uint8_t> jpegBytes() {
  const fs::path dir = inputDir();
  if (!dir.empty() && fs::exists(dir / "photo4000.jpg")) {
    std::vector<uint8_t> b(fs::file_size(dir / "photo4000.jpg"));
    FILE* f = std::fopen((dir / "photo4000.jpg").c_str(), "rb");
    if (f && std::fread(b.data(), 1, b.size(), f) == b.size()) {
      std::fclose(f);
      return b;
    }
    if (f) std::fclose(f);
  }
  ImagePtr photo = madeUpPhoto(4000, 3000, 1);
  StreamPtr s = makeMemoryWriter();
  encodeJPG(*photo, StreamRef(s.get()), ZV_TYPE_JPG);
  size_t n = 0;
  MallocPtr data(detachMemoryBuffer(s.get(), &n));
  return std::vector<uint8_t>(data.get(), data.get() + n);
}

void BM_JpegDecode4000x3000(benchmark::State& state) {
  const std::vector<uint8_t> jpeg = jpegBytes();
  for (auto _ : state) {
    ImagePtr img = Image::make();
    if (!zelvo::decodeMemory(*img, jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_JPG)) {
      state.SkipWithError("JPEG decode failed");
      return;
    }
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_JpegDecode4000x3000)->Unit(benchmark::kMillisecond);

void BM_DecreaseBpp500(benchmark::State& state) {
  const ImagePtr photo = loadOr(inputDir() / "photo500.png", 500, 500, 2);
  for (auto _ : state) {
    state.PauseTiming();
    ImagePtr img = Image::make();
    img->copy(*photo, true, false, false, false);
    state.ResumeTiming();
    img->decreaseBpp(8, true, nullptr, 0);
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_DecreaseBpp500)->Unit(benchmark::kMillisecond);

void BM_LzwEncode500(benchmark::State& state) {
  ImagePtr img = loadOr(inputDir() / "photo500.png", 500, 500, 2);
  img->decreaseBpp(8, true, nullptr, 0);
  int64_t bytes = 0;
  for (auto _ : state) {
    StreamPtr s = makeCountingStream();
    encodeGIF(*img, StreamRef(s.get()), ZV_TYPE_GIF);
    bytes = s->ops->Size(s.get());
  }
  state.counters["gif_bytes"] = double(bytes);
}
BENCHMARK(BM_LzwEncode500)->Unit(benchmark::kMillisecond);

// The engine's share of a 24-picture showcase: load each picture, fit it on a white
// canvas, reduce it to the standard palette, collect it as a frame, write the animation.
void BM_Showcase24(benchmark::State& state) {
  const fs::path dir = inputDir();
  const fs::path out = (dir.empty() ? fs::temp_directory_path() : dir) / "engine.gif";
  loadedFiles = 0;
  for (auto _ : state) {
    ImagePtr anim = Image::make();
    anim->create(1, 1, 24, 0);
    anim->info.loadAllFrames = true;
    anim->createFrames(24, 100);
    for (int i = 0; i < 24; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%02d.png", i);
      ImagePtr pic = loadOr(dir.empty() ? fs::path() : dir / name, 500, 500, uint32_t(10 + i));
      ImagePtr canvas = Image::make();
      canvas->create(500, 500, 24, 0);
      canvas->fillColor({255, 255, 255, 0}, nullptr, false);
      canvas->pasteAt(*pic, (500 - pic->width()) / 2, (500 - pic->height()) / 2);
      canvas->decreaseBpp(8, true, nullptr, 0);
      canvas->info.frameDelay = 100;
      anim->frames[size_t(i)]->copy(*canvas, true, true, true, false);
    }
    anim->decreaseBpp(8, true, nullptr, 0);
    if (!zelvo::save(*anim, u16(out).c_str(), ZV_TYPE_GIF)) {
      state.SkipWithError(anim->lastError());
      return;
    }
  }
  std::error_code ec;
  state.counters["gif_bytes"] = double(fs::file_size(out, ec));
  state.counters["files_per_run"] = double(loadedFiles) / double(state.iterations());
}
BENCHMARK(BM_Showcase24)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace zelvo

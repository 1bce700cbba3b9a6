// The thumbnail worker's two ways to a list thumbnail of a 12-megapixel camera JPEG
// (GALLIVO_BENCH_CAMERA, made by bench/exif.sh), in one run: ReadExifThumbnail (reads only
// the head of the file) against SetDecodeSizeHint(115, 115) + Load of the whole file, plus
// the embedded route to a decoded, upright picture. The engine is the bound libzelvo.so.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <QString>

#include "EngineObjects.h"
#include "ExifThumbnail.h"
#include "OrientUpright.h"

namespace {

const QString& cameraPath() {
  static const QString path = QString::fromLocal8Bit(std::getenv("GALLIVO_BENCH_CAMERA"));
  return path;
}

bool ready(benchmark::State& state) {
  if (cameraPath().isEmpty() || !std::ifstream(cameraPath().toStdString()).good()) {
    state.SkipWithError("no camera JPEG in GALLIVO_BENCH_CAMERA (run bench/exif.sh)");
    return false;
  }
  static bool bound = [] {
    const char* dir = std::getenv("GALLIVO_BENCH_ENGINE_DIR");
    return BindEngineFrom(QString::fromLocal8Bit(dir ? dir : ".") + "/libzelvo.so");
  }();
  if (!bound) state.SkipWithError("libzelvo.so not bound (GALLIVO_BENCH_ENGINE_DIR)");
  return bound;
}

void BM_ReadExifThumbnail(benchmark::State& state) {
  if (!ready(state)) return;
  for (auto _ : state) {
    std::optional<ExifThumbnail> thumb = ReadExifThumbnail(cameraPath());
    if (!thumb) return state.SkipWithError("no embedded thumbnail");
    benchmark::DoNotOptimize(thumb->data());
  }
}
BENCHMARK(BM_ReadExifThumbnail)->Unit(benchmark::kMicrosecond);

void BM_HintLoad(benchmark::State& state) {
  if (!ready(state)) return;
  const std::u16string path = cameraPath().toStdU16String();
  for (auto _ : state) {
    ImageOwner img = NewImage();
    img->ops->SetDecodeSizeHint(img.get(), 115, 115);
    if (!img->ops->Load(img.get(), path.c_str(), 0)) return state.SkipWithError("Load failed");
    benchmark::DoNotOptimize(img->ops->GetBits(img.get()));
  }
}
BENCHMARK(BM_HintLoad)->Unit(benchmark::kMicrosecond);

// What the worker does with an embedded thumbnail: read, decode with the hint, turn upright.
void BM_EmbeddedDecodeUpright(benchmark::State& state) {
  if (!ready(state)) return;
  for (auto _ : state) {
    std::optional<ExifThumbnail> thumb = ReadExifThumbnail(cameraPath());
    if (!thumb) return state.SkipWithError("no embedded thumbnail");
    ImageOwner img = NewImage();
    img->ops->SetDecodeSizeHint(img.get(), 115, 115);
    if (!img->ops->DecodeMemory(img.get(), thumb->data(), thumb->size(), 3))
      return state.SkipWithError("DecodeMemory failed");
    OrientUpright(img.get(), 6);
    benchmark::DoNotOptimize(img->ops->GetBits(img.get()));
  }
}
BENCHMARK(BM_EmbeddedDecodeUpright)->Unit(benchmark::kMicrosecond);

}  // namespace

// Frame speed: each shipped frame rendered around a 500 x 375 photo, against the full
// decode of the 4000 x 3000 JPEG that photo would come from. Targets: a skin frame within
// 0.5x and a multi-window frame within 1.0x of that decode (compare the reported times).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Image.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"
#include "SyntheticPhoto.h"
#include "frames/FrameManager.h"

namespace {

using namespace zelvo;

using benchpics::photo;

void BM_DecodeJpeg4000x3000(benchmark::State& state) {
  static const std::vector<uint8_t> file = [] {
    ImagePtr img = photo(4000, 3000);
    StreamPtr s = makeMemoryWriter();
    zelvo::encode(*img, s.get(), ZV_TYPE_JPG);
    size_t n = 0;
    MallocPtr buf(detachMemoryBuffer(s.get(), &n));
    return std::vector<uint8_t>(buf.get(), buf.get() + n);
  }();
  for (auto _ : state) {
    ImagePtr img = Image::make();
    if (!zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img->bits());
  }
}
BENCHMARK(BM_DecodeJpeg4000x3000)->Unit(benchmark::kMillisecond);

// $GALLIVO_FRAMES_DIR, else the data folder the build copies beside the binaries.
std::filesystem::path framesFolder() {
  if (const char* dir = std::getenv("GALLIVO_FRAMES_DIR")) return dir;
  std::error_code ec;
  auto dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  for (int up = 0; up < 3 && !std::filesystem::exists(dir / "data" / "frames"); ++up) dir = dir.parent_path();
  return dir / "data" / "frames";
}

// One frame loaded once; each iteration renders the photo into a fresh target.
void renderFrame(benchmark::State& state, const std::string& file) {
  const std::string full = (framesFolder() / file).string();
  const std::u16string path(full.begin(), full.end());
  const std::u16string ext = std::u16string(std::filesystem::path(file).extension().u16string()).substr(1);
  ZvFrameTemplate* m = frameManager();
  ZvFrameTemplate* t = m->ops->CreateTemplate(m, m->ops->TypeFromExtension(m, ext.c_str()));
  if (!t || !t->ops->Load(t, path.c_str())) {
    state.SkipWithError("frame does not load");
    if (t) m->ops->DestroyTemplate(m, t);
    return;
  }
  ImagePtr p = photo(500, 375);
  for (auto _ : state) {
    t->ops->ClearAllPhotos(t);
    const ZvPhotoEntry e{p.get(), {0, 0, 0, 0}};
    t->ops->AddPhoto(t, &e);
    ImagePtr out = Image::make();
    if (!t->ops->Render(t, out.get())) state.SkipWithError("render failed");
    benchmark::DoNotOptimize(out->bits());
  }
  m->ops->DestroyTemplate(m, t);
}

const char* const kFrames[] = {
    "thin_grey/frame.ini", "passe_partout/frame.ini", "wood/frame.ini", "gold/frame.ini",
    "stamp/frame.ini",     "polaroid.zlve",           "rounded_card.zlve", "two_windows.zlve",
    "film_strip.zlve",     "product_card.zlve",
};

const bool kRegistered = [] {
  for (const char* f : kFrames)
    benchmark::RegisterBenchmark((std::string("BM_Render/") + f).c_str(),
                                 [f](benchmark::State& s) { renderFrame(s, f); })
        ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

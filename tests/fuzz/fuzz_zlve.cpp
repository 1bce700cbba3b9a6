// Multi-window frame files: Load then Render with two photos. Inputs shorter than the
// header exercise the zero-filled tail; the windows of the first few records are live.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/Image.h"
#include "frames/FrameManager.h"
#include "zelvo.h"

namespace {

std::u16string scratchPath() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_zlve_" + std::to_string(getpid()) + ".zlve";
  return std::u16string(p.begin(), p.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::u16string path = scratchPath();
  const std::string p8(path.begin(), path.end());
  FILE* f = std::fopen(p8.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  ZvFrameTemplate* m = zelvo::frameManager();
  ZvFrameTemplate* t = m->ops->CreateTemplate(m, ZV_TEMPLATE_MULTI);
  if (t->ops->Load(t, path.c_str())) {
    zelvo::ImagePtr wide = zelvo::Image::make(), tall = zelvo::Image::make();
    wide->create(64, 48, 24, 0);
    tall->create(30, 50, 8, 0);
    wide->fillColor({10, 200, 30, 0}, nullptr, false);
    tall->setGrayPalette();
    tall->fillColor({90, 90, 90, 0}, nullptr, false);
    const ZvPhotoEntry a{wide.get(), {0, 0, 0, 0}}, b{tall.get(), {2, 3, 20, 40}};
    t->ops->AddPhoto(t, &a);
    t->ops->SetPhoto(t, 2, &b);
    zelvo::ImagePtr out = zelvo::Image::make();
    t->ops->Render(t, out.get());
    t->ops->Render(t, out.get());  // second pass reuses the fitted crops
    ZvRect r;
    t->ops->WindowAt(t, 10, 10, &r);
    t->ops->WindowRect(t, 99, &r);
  }
  m->ops->DestroyTemplate(m, t);
  std::remove(p8.c_str());
  return 0;
}

// JPEG decoding with the options the first byte selects (size hint, upright turn,
// cancellation), then re-encoding what was decoded.
#include "formats/Stream.h"
#include "fuzz_support.h"

namespace {

struct Cancel {
  int left;
};

int32_t cancelAfter(void* user, int32_t) {
  auto* c = static_cast<Cancel*>(user);
  return --c->left > 0 ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvo;
  if (size < 1 || size > UINT32_MAX) return 0;
  const uint8_t mode = data[0];
  ++data, --size;
  ImagePtr img = Image::make(0, ImageKind::Jpeg);
  if (mode & 1) img->setDecodeSizeHint(8 + (mode >> 4) * 16, 8 + (mode >> 4) * 16);
  if (mode & 2) img->info.codecOptions[ZV_TYPE_JPG] = 0;
  Cancel cancel{(mode >> 2) & 3 ? ((mode >> 2) & 3) * 7 : 1 << 30};
  img->ops->SetProgressCallback(img.get(), cancelAfter, &cancel);
  if (mode & 0x40) img->info.escape = -1;
  if (!img->ops->DecodeMemory(img.get(), data, uint32_t(size), ZV_TYPE_JPG)) return 0;
  fuzz::consumeAll(*img);
  // Re-encoding is for coverage of the encoder, not for timing out on huge pictures.
  if (img->valid() && (mode & 0x80) && int64_t(img->width()) * img->height() <= (1 << 20)) {
    img->info.codecOptions[ZV_TYPE_JPG] |= ZV_JPEG_KEEP_EXIF | ZV_JPEG_PROGRESSIVE;
    StreamPtr out = makeCountingStream();
    img->ops->Encode(img.get(), out.get(), ZV_TYPE_JPG);
  }
  return 0;
}

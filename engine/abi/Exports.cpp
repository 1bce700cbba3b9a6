// The seventeen exports a to q: the whole binary interface of the library.
#include <zlib.h>

#include <string_view>

#include "core/EngineObjects.h"
#include "core/Image.h"
#include "core/Status.h"
#include "formats/Stream.h"
#include "frames/FrameManager.h"

namespace {

using zelvo::Image;
using zelvo::ImageKind;

struct KindName {
  std::u16string_view name;
  uint32_t type;
  ImageKind kind;
};
constexpr KindName kKinds[] = {
    {u"", ZV_TYPE_UNKNOWN, ImageKind::Plain},
    {u"JPG", ZV_TYPE_JPG, ImageKind::Jpeg},
    {u"GIF", ZV_TYPE_GIF, ImageKind::Gif},
    {u"RAW", ZV_TYPE_RAW, ImageKind::Raw},
};

// Every object the engine hands out starts with its table; slot 0 destroys it.
using DestroyFn = void (*)(void* self, bool freeMemory);

ZvImage* sharedImage() {
  // Destroyed at unload; its destructor frees frames before pixels.
  static const zelvo::ImagePtr shared = Image::make();
  return shared.get();
}

void release(void* objectPointerAddress) {
  if (!objectPointerAddress) return;
  void** slot = static_cast<void**>(objectPointerAddress);
  void* object = *slot;
  // The library's own singletons outlive every caller: releasing one only clears the pointer.
  if (object && object != sharedImage() && object != zelvo::frameManager()) {
    DestroyFn destroy = **static_cast<DestroyFn* const*>(object);
    destroy(object, true);
  }
  *slot = nullptr;
}

}  // namespace

extern "C" {

ZvImage* a(const char16_t* typeName) {
  const std::u16string_view name = typeName ? std::u16string_view(typeName) : std::u16string_view();
  for (const auto& k : kKinds)
    if (k.name == name) return Image::make(k.type, k.kind).release();
  return nullptr;
}

void b(void* objectPointerAddress) { release(objectPointerAddress); }
void f(void* objectPointerAddress) { release(objectPointerAddress); }
void h(void* objectPointerAddress) { release(objectPointerAddress); }
void n(void* objectPointerAddress) { release(objectPointerAddress); }

ZvImage* c(void) { return sharedImage(); }

ZvFrameTemplate* d(void) { return zelvo::frameManager(); }

void* e(void) { return zelvo::makeTracker(); }

ZvStream* g(const char16_t* kind) { return zelvo::createStreamByName(kind); }

char16_t* i(const char16_t* text) { return zelvo::statusSetText(text); }

int32_t j(int32_t* out, int32_t code) {
  if (out) *out = code;
  return zelvo::statusSetCode(code);
}

int32_t k(char16_t* buffer200) { return zelvo::statusRead(buffer200); }

int32_t l(void) { return 6; }

void* m(void) { return zelvo::makePluginHost(); }

ZvComStream* o(ZvImage* image, int32_t flag) { return zelvo::makeBitmapStream(image, flag); }

int32_t p(uint8_t* dest, uint32_t* destLen, const uint8_t* source, uint32_t sourceLen, int32_t level) {
  if (!dest || !destLen || (!source && sourceLen)) return Z_STREAM_ERROR;
  uLongf out = *destLen;
  const int r = compress2(dest, &out, source, sourceLen, level);
  if (r == Z_OK) *destLen = uint32_t(out);
  return r;
}

int32_t q(uint8_t* dest, uint32_t* destLen, const uint8_t* source, uint32_t sourceLen) {
  if (!dest || !destLen || (!source && sourceLen)) return Z_STREAM_ERROR;
  uLongf out = *destLen;
  const int r = uncompress(dest, &out, source, sourceLen);
  if (r == Z_OK) *destLen = uint32_t(out);
  return r;
}

}  // extern "C"

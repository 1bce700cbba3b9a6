// Reading pictures: Load, Decode and their file, memory and header-only variants.
#include <cstring>
#include <new>
#include <string>


#include "Codec.h"
#include "Dispatch.h"
#include "zlvplatform.h"

namespace zelvo {
namespace {

constexpr const char* kUnknownFormat = "Decode: Unknown or wrong format";
// The one message for memory that runs out while reading, whichever codec was at work.
constexpr const char* kOutOfMemory = "Decode: out of memory";

ImageKind kindOf(uint32_t type) {
  switch (type) {
    case ZV_TYPE_JPG: return ImageKind::Jpeg;
    case ZV_TYPE_GIF: return ImageKind::Gif;
    case ZV_TYPE_RAW: return ImageKind::Raw;
    default: return ImageKind::Plain;
  }
}

struct FileCloser {
  void operator()(FILE* f) const noexcept {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

FilePtr openFile(const char16_t* path, const char* mode) {
  if (!path || !*path) return nullptr;
  return FilePtr(std::fopen(zlv::toUtf8(path).c_str(), mode));
}

// A decoder reachable by asking for `type` directly: 21 comes by detection only.
const Codec* directDecoder(uint32_t type) {
  if (type == ZV_TYPE_UNKNOWN || type == ZV_TYPE_LJY) return nullptr;
  const Codec* c = codecFor(type);
  return c && c->decode ? c : nullptr;
}

}  // namespace

// One decoder attempt on a temporary image of the format's class; moves the result in
// on success, otherwise hands back the decoder's message through `error`.
static bool tryDecoder(Image& self, const Codec& codec, StreamRef in, uint32_t requested,
                       std::string* error) {
  ImagePtr tmp = Image::make(codec.type, kindOf(codec.type));
  if (!tmp) {
    *error = kOutOfMemory;
    return false;
  }
  tmp->copyInfo(self);
  tmp->info.type = codec.type;
  tmp->progressCallback = self.progressCallback;
  tmp->progressUser = self.progressUser;
  // Codecs never catch: whatever they throw ends here. A failed allocation is the memory
  // message, anything else a wrong format.
  bool ok;
  try {
    ok = codec.decode(*tmp, in, requested);
  } catch (const std::bad_alloc&) {
    ok = fail(*tmp, kOutOfMemory);
  } catch (...) {
    ok = fail(*tmp, kUnknownFormat);
  }
  if (!ok) {
    *error = tmp->lastError();
    if (tmp->info.escape == 1) self.info.escape = 1;
    return false;
  }
  const uint32_t found = tmp->info.type ? tmp->info.type : codec.type;
  std::vector<uint8_t> exif = std::move(tmp->exif);
  const int32_t orientation = tmp->exifOrientation;
  if (!self.transfer(*tmp, true)) {
    *error = tmp->lastError();
    return false;
  }
  self.exif = std::move(exif);
  self.exifOrientation = orientation;
  self.setType(found);
  return true;
}

bool decode(Image& img, ZvStream* stream, uint32_t type) {
  if (!stream) {
    img.setLastError("null file handler");
    return false;
  }
  StreamRef in(stream);
  std::string error;
  try {
    if (type == ZV_TYPE_UNKNOWN) {
      const int64_t start = in.tell();
      for (uint32_t t : detectionOrder()) {
        const Codec* c = codecFor(t);
        if (!c || !c->decode) continue;
        if (tryDecoder(img, *c, in, ZV_TYPE_UNKNOWN, &error)) return true;
        // A cancelled attempt ends the detection: the user asked to stop.
        if (error == "break") {
          img.setLastError("break");
          return false;
        }
        if (start >= 0) in.seek(start, SEEK_SET);
      }
      img.setLastError(kUnknownFormat);
      return false;
    }
    const Codec* c = directDecoder(type);
    if (!c) {
      img.setLastError(kUnknownFormat);
      return false;
    }
    if (tryDecoder(img, *c, in, type, &error)) return true;
    img.setLastError(error.c_str());
  } catch (...) {
    img.setLastError(kOutOfMemory);
  }
  return false;
}

bool decodeMemory(Image& img, const uint8_t* buf, uint32_t size, uint32_t type) {
  StreamPtr s = makeMemoryReader(buf, buf ? size : 0);
  if (!s) {
    img.setLastError(kOutOfMemory);
    return false;
  }
  return decode(img, s.get(), type);
}

bool decodeFile(Image& img, FILE* file, uint32_t type) {
  if (!file) {
    img.setLastError("null file handler");
    return false;
  }
  StreamPtr s = makeFileStream(file, false);
  if (!s) {
    img.setLastError(kOutOfMemory);
    return false;
  }
  return decode(img, s.get(), type);
}

bool load(Image& img, const char16_t* path, uint32_t type) {
  if (directDecoder(type)) {
    FilePtr f = openFile(path, "rb");
    if (!f) return false;
    if (decodeFile(img, f.get(), type)) return true;
    if (std::strcmp(img.lastError(), "break") == 0) return false;
  }
  const std::string kept = img.lastError();
  FilePtr f = openFile(path, "rb");
  if (!f) return false;
  const bool ok = decodeFile(img, f.get(), ZV_TYPE_UNKNOWN);
  if (!ok && type != ZV_TYPE_UNKNOWN && std::strcmp(img.lastError(), "break") != 0)
    img.setLastError(kept.c_str());
  return ok;
}

bool loadInfo(Image& img, const char16_t* path, uint32_t type) {
  img.info.escape = -1;
  return load(img, path, type);
}

bool loadResource(Image& img, const uint8_t* data, uint32_t size, uint32_t type) {
  if (!data || size == 0) {
    img.setLastError("Unable to load resource!");
    return false;
  }
  return decodeMemory(img, data, size, type);
}

// Reports whether the stream holds a picture of `type`. The check runs on a scratch
// image so that the picture, the type and the escape of this image stay as they are.
bool checkFormat(Image& img, ZvStream* stream, uint32_t type) {
  ImagePtr probe = Image::make();
  if (!probe) return false;
  probe->copyInfo(img);
  probe->info.type = ZV_TYPE_UNKNOWN;
  probe->info.escape = -1;
  const bool ok = decode(*probe, stream, ZV_TYPE_UNKNOWN) && probe->info.type == type;
  if (!ok && type != ZV_TYPE_UNKNOWN) img.setLastError(probe->lastError());
  return ok;
}

bool checkFormatMemory(Image& img, const uint8_t* buf, uint32_t size, uint32_t type) {
  if (!buf || size == 0) {
    img.setLastError("invalid or empty buffer");
    return false;
  }
  StreamPtr s = makeMemoryReader(buf, size);
  if (!s) return false;
  return checkFormat(img, s.get(), type);
}

}  // namespace zelvo

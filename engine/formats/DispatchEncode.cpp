// Writing pictures: Encode, Save, EncodeMemory and the multi-picture variants.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>


#include "Codec.h"
#include "Dispatch.h"
#include "zlvplatform.h"

namespace zelvo {
namespace {

constexpr const char* kUnknownEncode = "Encode: Unknown format";

mode_t currentUmask() {
  const mode_t m = ::umask(0);
  ::umask(m);
  return m;
}

bool writeAllFd(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// Writes `data` to `path` through a sibling temporary file renamed over the target, so
// a failed write never leaves the old file truncated.
bool replaceFile(std::string path, const uint8_t* data, size_t size) {
  // Through a link the target is the file it names, not the link.
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  // A file we may not write stays as it is, as an fopen for writing would have refused.
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) return false;
  std::string tmp = path + ".~XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    // No new names allowed in the folder: write the file in place.
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
  }
  struct stat st;
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777)
                                                      : (0666 & ~currentUmask());
  bool ok = writeAllFd(fd, data, size) && ::fchmod(fd, mode) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

}  // namespace

bool encode(Image& img, ZvStream* stream, uint32_t type) {
  if (!stream) {
    img.setLastError("null file handler");
    return false;
  }
  if (!img.valid()) {
    img.setLastError("null image!!!");
    return false;
  }
  const Codec* c = type == ZV_TYPE_UNKNOWN ? nullptr : codecFor(type);
  if (!c || !c->encode) {
    img.setLastError(c && c->encodeRefusal ? c->encodeRefusal : kUnknownEncode);
    return false;
  }
  // The encoders read this image as it is; nothing is copied.
  try {
    return c->encode(img, StreamRef(stream), type);
  } catch (...) {
    img.setLastError("Encode: out of memory");
    return false;
  }
}

bool encodeFile(Image& img, FILE* file, uint32_t type) {
  if (!file) {
    img.setLastError("null file handler");
    return false;
  }
  StreamPtr s = makeFileStream(file, false);
  if (!s) return false;
  return encode(img, s.get(), type);
}

bool encodeMemory(Image& img, uint8_t** buffer, int32_t* size, uint32_t type) {
  if (!buffer || *buffer) {
    img.setLastError("the buffer must be empty");
    return false;
  }
  StreamPtr s = makeMemoryWriter();
  if (!s) {
    img.setLastError("Encode: out of memory");
    return false;
  }
  if (!encode(img, s.get(), type)) return false;
  size_t n = 0;
  uint8_t* out = detachMemoryBuffer(s.get(), &n);
  if (!out || n > size_t(INT32_MAX)) {
    std::free(out);
    img.setLastError("Encode: out of memory");
    return false;
  }
  *buffer = out;
  if (size) *size = int32_t(n);
  return true;
}

bool save(Image& img, const char16_t* path, uint32_t type) {
  if (!path || !*path) return false;
  // Encode first: a refused or failed encode leaves an existing file untouched.
  StreamPtr s = makeMemoryWriter();
  if (!s) {
    img.setLastError("Encode: out of memory");
    return false;
  }
  if (!encode(img, s.get(), type)) return false;
  size_t n = 0;
  MallocPtr data(detachMemoryBuffer(s.get(), &n));
  if (!data) return false;
  return replaceFile(zlv::toUtf8(path), data.get(), n);
}

bool encodeFrames(Image& img, ZvStream* stream, ZvImage** images, int32_t count, uint32_t type) {
  if (!stream) {
    img.setLastError("null file handler");
    return false;
  }
  if (!images || count <= 0) {
    img.setLastError("null image!!!");
    return false;
  }
  const Codec* c = type == ZV_TYPE_UNKNOWN ? nullptr : codecFor(type);
  if (!c || !c->encodeFrames) {
    img.setLastError("Multipage Encode, Unsupported operation for this format");
    return false;
  }
  try {
    std::vector<Image*> list;
    list.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
      Image* picture = images[i] ? Image::from(images[i]) : nullptr;
      if (!picture || !picture->valid()) {
        img.setLastError("null image!!!");
        return false;
      }
      list.push_back(picture);
    }
    return c->encodeFrames(list, StreamRef(stream), img);
  } catch (...) {
    img.setLastError("Encode: out of memory");
    return false;
  }
}

bool encodeFramesFile(Image& img, FILE* file, ZvImage** images, int32_t count, uint32_t type) {
  if (!file) {
    img.setLastError("null file handler");
    return false;
  }
  StreamPtr s = makeFileStream(file, false);
  if (!s) return false;
  return encodeFrames(img, s.get(), images, count, type);
}

}  // namespace zelvo

// The three stream kinds behind the 14-entry stream table: a C runtime file, a growable
// memory buffer and a counter that stores nothing.
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "Stream.h"

namespace zelvo {
namespace {

template <class T>
std::unique_ptr<T> makeNoThrow() {
  return std::unique_ptr<T>(new (std::nothrow) T());
}

// Element size x count in bytes; false when the product does not fit.
bool byteCount(size_t size, size_t count, size_t* bytes) {
  if (size != 0 && count > std::numeric_limits<size_t>::max() / size) return false;
  *bytes = size * count;
  return true;
}

// New position for Seek; `end` is where origin 2 starts. Negative results become 0.
bool seekTarget(int64_t current, int64_t end, int64_t offset, int32_t origin, int64_t* out) {
  int64_t base;
  switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = current; break;
    case SEEK_END: base = end; break;
    default: return false;
  }
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : INT64_MAX;
  *out = target < 0 ? 0 : target;
  return true;
}

// ---- FileStream ---------------------------------------------------------------------

struct FileStream : ZvStream {
  FILE* file = nullptr;
  bool closeOnRelease = true;
};

FileStream* fileOf(ZvStream* s) { return static_cast<FileStream*>(s); }

bool fileClose(ZvStream* s) {
  FileStream* f = fileOf(s);
  bool ok = true;
  if (f->file && f->closeOnRelease) ok = std::fclose(f->file) == 0;
  f->file = nullptr;
  return ok;
}

const ZvStreamOps kFileOps = {
    [](ZvStream* s, bool freeMemory) {
      fileClose(s);
      if (freeMemory) std::unique_ptr<FileStream> owner(fileOf(s));
    },
    fileClose,
    [](ZvStream* s, void* buf, size_t size, size_t count) -> size_t {
      FILE* f = fileOf(s)->file;
      return f && buf ? std::fread(buf, size, count, f) : 0;
    },
    [](ZvStream* s, const void* buf, size_t size, size_t count) -> size_t {
      FILE* f = fileOf(s)->file;
      return f && buf ? std::fwrite(buf, size, count, f) : 0;
    },
    [](ZvStream* s, int64_t offset, int32_t origin) -> bool {
      FILE* f = fileOf(s)->file;
      return f && (origin == SEEK_SET || origin == SEEK_CUR || origin == SEEK_END) &&
             fseeko(f, offset, origin) == 0;
    },
    [](ZvStream* s) -> int64_t {
      FILE* f = fileOf(s)->file;
      return f ? int64_t(ftello(f)) : -1;
    },
    [](ZvStream* s) -> int64_t {
      FILE* f = fileOf(s)->file;
      if (!f) return -1;
      off_t here = ftello(f);
      if (here < 0 || fseeko(f, 0, SEEK_END) != 0) return -1;
      off_t end = ftello(f);
      if (fseeko(f, here, SEEK_SET) != 0) return -1;
      return end;
    },
    [](ZvStream* s) -> bool {
      FILE* f = fileOf(s)->file;
      return f && std::fflush(f) == 0;
    },
    // Without a file there is nothing left to read: report the end so read loops stop.
    [](ZvStream* s) -> bool {
      FILE* f = fileOf(s)->file;
      return !f || std::feof(f) != 0;
    },
    [](ZvStream* s) -> bool {
      FILE* f = fileOf(s)->file;
      return !f || std::ferror(f) != 0;
    },
    [](ZvStream* s, uint8_t b) -> bool {
      FILE* f = fileOf(s)->file;
      return f && std::fputc(b, f) != EOF;
    },
    [](ZvStream* s) -> int32_t {
      FILE* f = fileOf(s)->file;
      if (!f) return -1;
      int c = std::fgetc(f);
      return c == EOF ? -1 : c;
    },
    [](ZvStream* s, char* buf, int32_t capacity) -> char* {
      FILE* f = fileOf(s)->file;
      return f && buf && capacity > 0 ? std::fgets(buf, capacity, f) : nullptr;
    },
    [](ZvStream* s, const char* format, void* arg) -> int32_t {
      FILE* f = fileOf(s)->file;
      return f && format ? std::fscanf(f, format, arg) : -1;
    },
};

// ---- MemoryStream -------------------------------------------------------------------

constexpr size_t kMemoryGrowth = 65536;

struct MemoryStream : ZvStream {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  size_t pos = 0;
  bool owns = false;
  size_t capacity = 0;
  bool fixed = false;

  bool open() {
    if (buffer) return false;
    buffer = static_cast<uint8_t*>(std::malloc(1));
    if (!buffer) return false;
    size = pos = capacity = 0;
    owns = true;
    return true;
  }

  void close() {
    if (owns) std::free(buffer);
    buffer = nullptr;
    owns = false;
    size = pos = capacity = 0;
  }

  // Grows the buffer to hold `end` bytes: capacity rounded down to 64 KiB plus 64 KiB.
  bool reserve(size_t end) {
    if (end <= capacity && buffer) return true;
    if (fixed) return false;
    if (end > std::numeric_limits<size_t>::max() - kMemoryGrowth) return false;
    size_t newCapacity = end / kMemoryGrowth * kMemoryGrowth + kMemoryGrowth;
    uint8_t* grown;
    if (owns) {
      grown = static_cast<uint8_t*>(std::realloc(buffer, newCapacity));
    } else {
      // A caller's buffer is never reallocated: copy it into our own.
      grown = static_cast<uint8_t*>(std::malloc(newCapacity));
      if (grown && buffer && size) std::memcpy(grown, buffer, size);
    }
    if (!grown) return false;
    buffer = grown;
    capacity = newCapacity;
    owns = true;
    return true;
  }

  size_t write(const void* data, size_t bytes) {
    if (pos > std::numeric_limits<size_t>::max() - bytes) return 0;
    size_t end = pos + bytes;
    if (!reserve(end)) return 0;
    // A write after a seek past the end leaves no stale bytes in the gap.
    if (pos > size) std::memset(buffer + size, 0, pos - size);
    if (bytes) std::memcpy(buffer + pos, data, bytes);
    pos = end;
    if (end > size) size = end;
    return bytes;
  }
};

MemoryStream* memOf(ZvStream* s) { return static_cast<MemoryStream*>(s); }

const ZvStreamOps kMemoryOps = {
    [](ZvStream* s, bool freeMemory) {
      memOf(s)->close();
      if (freeMemory) std::unique_ptr<MemoryStream> owner(memOf(s));
    },
    [](ZvStream* s) -> bool {
      memOf(s)->close();
      return true;
    },
    [](ZvStream* s, void* buf, size_t size, size_t count) -> size_t {
      MemoryStream* m = memOf(s);
      size_t bytes;
      if (!buf || size == 0 || !m->buffer || m->pos >= m->size || !byteCount(size, count, &bytes))
        return 0;
      size_t n = std::min(bytes, m->size - m->pos);
      std::memcpy(buf, m->buffer + m->pos, n);
      m->pos += n;
      return n / size;
    },
    [](ZvStream* s, const void* buf, size_t size, size_t count) -> size_t {
      size_t bytes;
      if (!buf || size == 0 || count == 0 || !byteCount(size, count, &bytes)) return 0;
      return memOf(s)->write(buf, bytes) == bytes ? count : 0;
    },
    [](ZvStream* s, int64_t offset, int32_t origin) -> bool {
      MemoryStream* m = memOf(s);
      int64_t target;
      if (!seekTarget(int64_t(m->pos), int64_t(m->size), offset, origin, &target)) return false;
      m->pos = size_t(target);
      return true;
    },
    [](ZvStream* s) -> int64_t { return memOf(s)->buffer ? int64_t(memOf(s)->pos) : -1; },
    [](ZvStream* s) -> int64_t { return memOf(s)->buffer ? int64_t(memOf(s)->size) : -1; },
    [](ZvStream*) -> bool { return true; },
    [](ZvStream* s) -> bool { return memOf(s)->pos >= memOf(s)->size; },
    [](ZvStream* s) -> bool { return memOf(s)->pos > memOf(s)->size; },
    [](ZvStream* s, uint8_t b) -> bool { return memOf(s)->write(&b, 1) == 1; },
    [](ZvStream* s) -> int32_t {
      MemoryStream* m = memOf(s);
      if (!m->buffer || m->pos >= m->size) return -1;
      return m->buffer[m->pos++];
    },
    // Up to capacity - 1 bytes or through a newline; null when the end comes first.
    [](ZvStream* s, char* buf, int32_t capacity) -> char* {
      MemoryStream* m = memOf(s);
      if (!buf || capacity < 1) return nullptr;
      int32_t i = 0;
      while (i < capacity - 1) {
        if (!m->buffer || m->pos >= m->size) {
          buf[i] = '\0';
          return nullptr;
        }
        char c = char(m->buffer[m->pos++]);
        buf[i++] = c;
        if (c == '\n') break;
      }
      buf[i] = '\0';
      return buf;
    },
    [](ZvStream*, const char*, void*) -> int32_t { return 0; },
};

// ---- CountingStream -----------------------------------------------------------------

struct CountingStream : ZvStream {
  bool open = true;
  int64_t counted = 0;
  int64_t pos = 0;
  int64_t limit = 0;
  bool limitOn = false;

  size_t add(size_t size, size_t count) {
    if (!open) return 0;
    size_t bytes;
    if (!byteCount(size, count, &bytes)) return 0;
    int64_t end;
    if (bytes > size_t(INT64_MAX) || __builtin_add_overflow(pos, int64_t(bytes), &end))
      end = INT64_MAX;
    if (limitOn && end > limit) end = limit;
    pos = end;
    if (pos > counted) counted = pos;
    return count;
  }
};

CountingStream* countOf(ZvStream* s) { return static_cast<CountingStream*>(s); }

const ZvStreamOps kCountingOps = {
    [](ZvStream* s, bool freeMemory) {
      if (freeMemory) std::unique_ptr<CountingStream> owner(countOf(s));
    },
    [](ZvStream* s) -> bool {
      CountingStream* c = countOf(s);
      c->open = false;
      c->counted = c->pos = 0;
      return true;
    },
    [](ZvStream*, void*, size_t, size_t) -> size_t { return 0; },
    [](ZvStream* s, const void*, size_t size, size_t count) -> size_t {
      return countOf(s)->add(size, count);
    },
    [](ZvStream* s, int64_t offset, int32_t origin) -> bool {
      CountingStream* c = countOf(s);
      int64_t target;
      if (!c->open || !seekTarget(c->pos, c->counted, offset, origin, &target)) return false;
      c->pos = std::min(target, c->counted);
      return true;
    },
    [](ZvStream* s) -> int64_t { return countOf(s)->open ? countOf(s)->pos : -1; },
    [](ZvStream* s) -> int64_t { return countOf(s)->open ? countOf(s)->counted : -1; },
    [](ZvStream*) -> bool { return true; },
    [](ZvStream* s) -> bool { return !countOf(s)->open; },
    [](ZvStream*) -> bool { return false; },
    [](ZvStream* s, uint8_t) -> bool { return countOf(s)->add(1, 1) == 1; },
    [](ZvStream*) -> int32_t { return 0; },
    [](ZvStream*, char*, int32_t) -> char* { return nullptr; },
    [](ZvStream*, const char*, void*) -> int32_t { return 0; },
};

template <class T>
StreamPtr toStreamPtr(std::unique_ptr<T> p) {
  return StreamPtr(p.release());
}

}  // namespace

ZvStream* createStreamByName(const char16_t* kind) {
  if (!kind) return nullptr;
  std::u16string_view name(kind);
  if (name == u"dummy") return makeCountingStream().release();
  if (name == u"stdio") return makeFileStream(nullptr, true).release();
  if (name == u"memory") {
    auto m = makeNoThrow<MemoryStream>();
    if (!m) return nullptr;
    m->ops = &kMemoryOps;
    return m.release();
  }
  return nullptr;
}

StreamPtr makeFileStream(FILE* file, bool closeOnRelease) {
  auto f = makeNoThrow<FileStream>();
  if (!f) return nullptr;
  f->ops = &kFileOps;
  f->file = file;
  f->closeOnRelease = closeOnRelease;
  return toStreamPtr(std::move(f));
}

StreamPtr makeMemoryReader(const uint8_t* data, size_t size) {
  auto m = makeNoThrow<MemoryStream>();
  if (!m) return nullptr;
  m->ops = &kMemoryOps;
  m->buffer = const_cast<uint8_t*>(data);  // never written: the stream is fixed
  m->size = m->capacity = data ? size : 0;
  m->fixed = true;
  m->owns = false;
  return toStreamPtr(std::move(m));
}

StreamPtr makeMemoryWriter() {
  auto m = makeNoThrow<MemoryStream>();
  if (!m) return nullptr;
  m->ops = &kMemoryOps;
  if (!m->open()) return nullptr;
  return toStreamPtr(std::move(m));
}

uint8_t* detachMemoryBuffer(ZvStream* stream, size_t* size) {
  if (!stream || stream->ops != &kMemoryOps) return nullptr;
  MemoryStream* m = memOf(stream);
  if (!m->owns) return nullptr;
  uint8_t* out = m->buffer;
  if (size) *size = m->size;
  m->owns = false;
  m->buffer = nullptr;
  m->size = m->pos = m->capacity = 0;
  return out;
}

int64_t memoryCapacity(ZvStream* stream) {
  if (!stream || stream->ops != &kMemoryOps) return -1;
  return int64_t(memOf(stream)->capacity);
}

StreamPtr makeCountingStream(int64_t limit) {
  auto c = makeNoThrow<CountingStream>();
  if (!c) return nullptr;
  c->ops = &kCountingOps;
  c->limitOn = limit >= 0;
  c->limit = limit >= 0 ? limit : 0;
  return toStreamPtr(std::move(c));
}

}  // namespace zelvo

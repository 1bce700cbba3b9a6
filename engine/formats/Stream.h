// Stream objects (FileStream, MemoryStream, CountingStream) and the thin wrapper the
// codecs read and write through.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "zelvo.h"

namespace zelvo {

struct StreamDeleter {
  void operator()(ZvStream* s) const noexcept {
    if (s) s->ops->Destroy(s, true);
  }
};
using StreamPtr = std::unique_ptr<ZvStream, StreamDeleter>;

// Export g: "dummy", "stdio", "memory"; null for anything else.
ZvStream* createStreamByName(const char16_t* kind);
// A FileStream over an open C file; closeOnRelease decides whether Destroy closes it.
StreamPtr makeFileStream(FILE* file, bool closeOnRelease);
// A MemoryStream reading the caller's bytes (never freed, never grown).
StreamPtr makeMemoryReader(const uint8_t* data, size_t size);
// An empty, growable MemoryStream.
StreamPtr makeMemoryWriter();
// Hands the buffer of a MemoryStream made by makeMemoryWriter to the caller (malloc'd).
uint8_t* detachMemoryBuffer(ZvStream* memoryStream, size_t* size);
// The capacity of a MemoryStream, or -1 for other kinds.
int64_t memoryCapacity(ZvStream* memoryStream);
// A CountingStream, optionally with a limit (negative: none).
StreamPtr makeCountingStream(int64_t limit = -1);

// What the codecs use: every call goes through the object's table.
class StreamRef {
 public:
  explicit StreamRef(ZvStream* s) : s_(s) {}
  ZvStream* get() const { return s_; }
  size_t read(void* buf, size_t n) const { return s_->ops->Read(s_, buf, 1, n); }
  bool readExact(void* buf, size_t n) const { return n == 0 || read(buf, n) == n; }
  size_t write(const void* buf, size_t n) const { return s_->ops->Write(s_, buf, 1, n); }
  bool writeAll(const void* buf, size_t n) const { return n == 0 || write(buf, n) == n; }
  bool seek(int64_t off, int origin = SEEK_SET) const { return s_->ops->Seek(s_, off, origin); }
  int64_t tell() const { return s_->ops->Tell(s_); }
  int64_t size() const { return s_->ops->Size(s_); }
  bool eof() const { return s_->ops->Eof(s_); }
  int getc() const { return s_->ops->GetC(s_); }
  bool putc(uint8_t b) const { return s_->ops->PutC(s_, b); }
  bool flush() const { return s_->ops->Flush(s_); }

 private:
  ZvStream* s_;
};

}  // namespace zelvo

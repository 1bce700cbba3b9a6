// Hand-assembled EXIF blocks and JPEG section streams for the reader tests: each test states
// the exact bytes that provoke the case it checks.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A TIFF block (what follows "Exif\0\0") written at explicit offsets in one byte order.
class TiffBlock {
 public:
  explicit TiffBlock(bool motorola, uint32_t firstDirectory = 8) : motorola_(motorola) {
    put8(0, motorola ? 'M' : 'I');
    put8(1, motorola ? 'M' : 'I');
    put16(2, 42);
    put32(4, firstDirectory);
  }
  struct Entry {
    uint16_t tag, format;
    uint32_t count, value;  // value: a number in the entry (left-aligned) or an offset
  };
  // A directory at offset: count, entries, next link; returns the offset just past it.
  uint32_t directory(uint32_t offset, std::initializer_list<Entry> entries, uint32_t next = 0) {
    return directory(offset, std::vector<Entry>(entries), next);
  }
  uint32_t directory(uint32_t offset, const std::vector<Entry>& entries, uint32_t next = 0) {
    put16(offset, uint16_t(entries.size()));
    uint32_t at = offset + 2;
    for (const Entry& e : entries) {
      put16(at, e.tag);
      put16(at + 2, e.format);
      put32(at + 4, e.count);
      // Values of fewer than four bytes sit at the start of the field.
      if (e.format == 3 || e.format == 8) put16(at + 8, uint16_t(e.value)), put16(at + 10, 0);
      else if (e.format == 1 || e.format == 6) put32(at + 8, 0), put8(at + 8, uint8_t(e.value));
      else put32(at + 8, e.value);
      at += 12;
    }
    put32(at, next);
    return at + 4;
  }
  void bytes(uint32_t offset, const Bytes& data) {
    for (size_t i = 0; i < data.size(); ++i) put8(uint32_t(offset + i), data[i]);
  }
  void put8(uint32_t at, uint8_t v) {
    if (b_.size() <= at) b_.resize(at + 1);
    b_[at] = v;
  }
  void put16(uint32_t at, uint16_t v) {
    put8(at + (motorola_ ? 1 : 0), uint8_t(v));
    put8(at + (motorola_ ? 0 : 1), uint8_t(v >> 8));
  }
  void put32(uint32_t at, uint32_t v) {
    put16(at + (motorola_ ? 2 : 0), uint16_t(v));
    put16(at + (motorola_ ? 0 : 2), uint16_t(v >> 16));
  }
  void resize(size_t n) { b_.resize(n); }
  size_t size() const { return b_.size(); }
  // The APP1 payload: "Exif\0\0" + the block.
  Bytes exif() const {
    Bytes out = {'E', 'x', 'i', 'f', 0, 0};
    out.insert(out.end(), b_.begin(), b_.end());
    return out;
  }

 private:
  bool motorola_;
  Bytes b_;
};

inline const Bytes kFakeThumbnail = {0xFF, 0xD8, 0xFF, 0xDB, 1, 2, 3, 4, 0xFF, 0xD9};

// The usual camera layout: IFD0 (orientation) at 8 linking to IFD1 with the thumbnail tags.
inline TiffBlock cameraBlock(bool motorola, const Bytes& thumbnail = kFakeThumbnail) {
  TiffBlock t(motorola);
  const uint32_t ifd1 = t.directory(8, {{0x0112, 3, 1, 6}}, 26);
  const uint32_t thumbAt = t.directory(ifd1, {{0x0201, 4, 1, 60}, {0x0202, 4, 1, uint32_t(thumbnail.size())}});
  (void)thumbAt;
  t.bytes(60, thumbnail);
  return t;
}

// A JPEG byte stream assembled section by section.
class JpegStream {
 public:
  JpegStream() { b_ = {0xFF, 0xD8}; }
  JpegStream& section(uint8_t marker, const Bytes& payload) {
    const size_t length = payload.size() + 2;
    b_.insert(b_.end(), {0xFF, marker, uint8_t(length >> 8), uint8_t(length)});
    b_.insert(b_.end(), payload.begin(), payload.end());
    return *this;
  }
  JpegStream& raw(const Bytes& bytes) {
    b_.insert(b_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // A 3-component baseline frame header of the given size.
  JpegStream& frame(uint16_t width, uint16_t height) {
    return section(0xC0, {8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
                          3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
  }
  JpegStream& scan(const Bytes& entropyData) {
    section(0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
    raw(entropyData);
    return raw({0xFF, 0xD9});
  }
  const Bytes& bytes() const { return b_; }

 private:
  Bytes b_;
};

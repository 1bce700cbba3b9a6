// GIF pixel data: the buffered output every GIF part goes through, and the encoder of the
// image-data sub-blocks (LZW or one code per pixel).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "Stream.h"

namespace zelvo {

// Collects bytes and hands them to the stream in large writes; the first failed write
// sticks, so the writer can report it once at the end.
class GifOutput {
 public:
  explicit GifOutput(StreamRef out);
  void byte(uint8_t b) {
    buf_.push_back(b);
    if (buf_.size() >= kChunk) drain();
  }
  void word(uint16_t v) {
    byte(uint8_t(v));
    byte(uint8_t(v >> 8));
  }
  void bytes(const void* data, size_t n);
  // Hands everything to the stream, flushes it and asks it for an error; false on failure.
  bool commit();
  bool failed() const { return failed_; }

 private:
  static constexpr size_t kChunk = 1 << 16;
  void drain();
  StreamRef out_;
  std::vector<uint8_t> buf_;
  bool failed_ = false;
};

enum class GifCoding { Lzw, Uncompressed };

// Writes one image's data: the minimum code size byte, sub-blocks of at most 254 bytes and
// the block terminator. Pixels are palette indices below 2^minCodeSize.
class GifPixelEncoder {
 public:
  GifPixelEncoder(GifOutput& out, int minCodeSize, GifCoding coding);
  void add(std::span<const uint8_t> pixels);
  void finish();

 private:
  static constexpr int kHashSize = 5003;
  static constexpr int kMaxBits = 12;
  static constexpr int kMaxCodes = 1 << kMaxBits;

  void addLzw(uint8_t k);
  void addUncompressed(uint8_t k);
  void clearHash() { hash_.fill(-1); }
  void emit(int32_t code);
  void packByte(uint8_t b);
  void flushPacket();

  GifOutput& out_;
  GifCoding coding_;
  int initBits_, bits_;
  int32_t clearCode_, endCode_, nextCode_, maxCode_;
  bool clearPending_ = false;
  bool started_ = false;
  int32_t prefix_ = 0;
  uint32_t accum_ = 0;
  int accumBits_ = 0;
  std::array<int32_t, kHashSize> hash_;
  std::array<uint16_t, kHashSize> codes_;
  uint8_t packet_[254];
  int packetLen_ = 0;
};

}  // namespace zelvo

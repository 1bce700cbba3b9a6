// GIF image data: variable-width LZW codes (or one literal code per pixel), packed least
// significant bit first into sub-blocks of 254 bytes.
#include "GifLzw.h"

#include <cstring>

namespace zelvo {

GifOutput::GifOutput(StreamRef out) : out_(out) { buf_.reserve(kChunk); }

void GifOutput::bytes(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
  if (buf_.size() >= kChunk) drain();
}

void GifOutput::drain() {
  if (!failed_ && !buf_.empty() && !out_.writeAll(buf_.data(), buf_.size())) failed_ = true;
  buf_.clear();
}

bool GifOutput::commit() {
  drain();
  if (!out_.flush()) failed_ = true;
  if (out_.get()->ops->Error(out_.get())) failed_ = true;
  return !failed_;
}

GifPixelEncoder::GifPixelEncoder(GifOutput& out, int minCodeSize, GifCoding coding)
    : out_(out), coding_(coding) {
  out_.byte(uint8_t(minCodeSize));
  initBits_ = bits_ = minCodeSize + 1;
  clearCode_ = 1 << minCodeSize;
  endCode_ = clearCode_ + 1;
  nextCode_ = clearCode_ + 2;
  maxCode_ = (1 << bits_) - 1;
  clearHash();
  emit(clearCode_);
}

void GifPixelEncoder::add(std::span<const uint8_t> pixels) {
  if (pixels.empty()) return;
  size_t i = 0;
  if (coding_ == GifCoding::Lzw) {
    if (!started_) {
      prefix_ = pixels[0];
      started_ = true;
      i = 1;
    }
    for (; i < pixels.size(); ++i) addLzw(pixels[i]);
  } else {
    for (; i < pixels.size(); ++i) addUncompressed(pixels[i]);
  }
}

void GifPixelEncoder::addLzw(uint8_t k) {
  const int32_t key = (int32_t(k) << kMaxBits) + prefix_;
  int32_t h = (int32_t(k) << 4) ^ prefix_;
  if (hash_[h] == key) {
    prefix_ = codes_[h];
    return;
  }
  if (hash_[h] >= 0) {
    // Secondary probe: a fixed backwards step that depends on the first position.
    const int32_t step = h == 0 ? 1 : kHashSize - h;
    do {
      h -= step;
      if (h < 0) h += kHashSize;
      if (hash_[h] == key) {
        prefix_ = codes_[h];
        return;
      }
    } while (hash_[h] > 0);
  }
  emit(prefix_);
  if (nextCode_ < kMaxCodes) {
    codes_[h] = uint16_t(nextCode_++);
    hash_[h] = key;
  } else {
    clearHash();
    nextCode_ = clearCode_ + 2;
    clearPending_ = true;
    emit(clearCode_);
  }
  prefix_ = k;
}

void GifPixelEncoder::addUncompressed(uint8_t k) {
  emit(k);
  if (nextCode_ < kMaxCodes) {
    ++nextCode_;
  } else {
    nextCode_ = clearCode_ + 2;
    clearPending_ = true;
    emit(clearCode_);
  }
}

void GifPixelEncoder::finish() {
  if (coding_ == GifCoding::Lzw && started_) emit(prefix_);
  emit(endCode_);
  while (accumBits_ > 0) {
    packByte(uint8_t(accum_));
    accum_ >>= 8;
    accumBits_ = accumBits_ > 8 ? accumBits_ - 8 : 0;
  }
  flushPacket();
  out_.byte(0);
}

void GifPixelEncoder::emit(int32_t code) {
  accum_ &= (1u << accumBits_) - 1;
  accum_ |= uint32_t(code) << accumBits_;
  accumBits_ += bits_;
  while (accumBits_ >= 8) {
    packByte(uint8_t(accum_));
    accum_ >>= 8;
    accumBits_ -= 8;
  }
  if (nextCode_ > maxCode_ || clearPending_) {
    if (clearPending_) {
      bits_ = initBits_;
      maxCode_ = (1 << bits_) - 1;
      clearPending_ = false;
    } else {
      ++bits_;
      maxCode_ = bits_ == kMaxBits ? kMaxCodes : (1 << bits_) - 1;
    }
  }
}

void GifPixelEncoder::packByte(uint8_t b) {
  packet_[packetLen_++] = b;
  if (packetLen_ == int(sizeof(packet_))) flushPacket();
}

void GifPixelEncoder::flushPacket() {
  if (packetLen_ == 0) return;
  out_.byte(uint8_t(packetLen_));
  out_.bytes(packet_, size_t(packetLen_));
  packetLen_ = 0;
}

}  // namespace zelvo

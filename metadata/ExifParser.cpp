// ParseExif: the TIFF structure inside an APP1 "Exif" block, walked only as far as the
// thumbnail needs. Every read is checked against the block, offsets in 64-bit arithmetic.
#include <algorithm>

#include "JpegReader.h"

namespace {

// Bytes per component of the TIFF 6.0 field types 1..12 (0 for format 0).
constexpr uint8_t kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum : uint16_t {
  kTagThumbnailOffset = 0x0201,
  kTagThumbnailSize = 0x0202,
  kTagExifDirectory = 0x8769,
  kTagInteropDirectory = 0xA005,
};

constexpr uint32_t kTiffHeaderStart = 6;

}  // namespace

uint16_t JpegReader::get16(uint32_t offset) const {
  const uint8_t* p = tiff_.data() + offset;
  return motorola_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t JpegReader::get32(uint32_t offset) const {
  const uint8_t* p = tiff_.data() + offset;
  return motorola_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                   : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// Integer formats only; anything else (or a negative value) reads as 0, which means "none".
int64_t JpegReader::getNumber(uint32_t offset, uint16_t format) const {
  switch (format) {
    case 1: return tiff_[offset];
    case 6: return int8_t(tiff_[offset]);
    case 3: return get16(offset);
    case 8: return int16_t(get16(offset));
    case 4: return get32(offset);
    case 9: return int32_t(get32(offset));
    default: return 0;
  }
}

bool JpegReader::ParseExif(std::span<const uint8_t> block) {
  thumbnail_ = {};
  tiff_ = {};
  directoriesWalked_ = 0;
  static constexpr uint8_t kHeader[] = {'E', 'x', 'i', 'f', 0, 0};
  if (block.size() < kTiffHeaderStart || !std::equal(kHeader, kHeader + 6, block.begin()))
    return fail("Incorrect Exif header");
  tiff_ = block.subspan(kTiffHeaderStart);
  if (tiff_.size() < 8) return fail("Invalid Exif alignment marker.");
  if (tiff_[0] == 'I' && tiff_[1] == 'I') {
    motorola_ = false;
  } else if (tiff_[0] == 'M' && tiff_[1] == 'M') {
    motorola_ = true;
  } else {
    return fail("Invalid Exif alignment marker.");
  }
  if (get16(2) != 42) return fail("Invalid Exif start (1)");
  const uint32_t first = get32(4);
  if (!walkDirectory(8, 0)) return false;
  if (first > 8 && !walkDirectory(first, 0)) return false;
  return true;
}

bool JpegReader::walkDirectory(uint32_t offset, int depth) {
  if (depth >= kMaxDirectoryDepth)
    return fail("Maximum directory nesting exceeded (corrupt exif header)");
  if (++directoriesWalked_ > kMaxDirectories)
    return fail("Too many EXIF directories (corrupt exif header)");
  const uint64_t length = tiff_.size();
  if (uint64_t(offset) + 2 > length) return fail("Illegally sized directory");
  const uint32_t count = get16(offset);
  const uint64_t end = uint64_t(offset) + 2 + 12 * uint64_t(count);
  if (end > length) return fail("Illegally sized directory");

  int64_t thumbOffset = 0;
  int64_t thumbSize = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t entry = offset + 2 + 12 * i;
    const uint16_t tag = get16(entry);
    const uint16_t format = get16(entry + 2);
    const uint32_t components = get32(entry + 4);
    if (format >= 13) return fail("Illegal format code in EXIF dir");
    const uint64_t bytes = uint64_t(components) * kFormatBytes[format];
    uint32_t value = entry + 8;
    if (bytes > 4) {
      value = get32(entry + 8);
      if (uint64_t(value) + bytes > length) return fail("Illegal pointer offset value in EXIF.");
    }
    // A value of fewer than 4 bytes still lies inside the 12-byte entry, so every read below
    // stays within the block.
    switch (tag) {
      case kTagThumbnailOffset:
        thumbOffset = getNumber(value, format);
        break;
      case kTagThumbnailSize:
        thumbSize = getNumber(value, format);
        break;
      case kTagExifDirectory:
      case kTagInteropDirectory: {
        const uint32_t sub = get32(value);
        if (sub >= 9) {
          if (sub >= length) return fail("Illegal subdirectory link");
          if (!walkDirectory(sub, depth + 1)) return false;
        }
        break;
      }
      default:
        break;
    }
  }

  if (end + 4 <= length) {
    const uint32_t next = get32(uint32_t(end));
    if (next != 0) {
      if (next >= length) return fail("Illegal subdirectory link");
      if (!walkDirectory(next, depth + 1)) return false;
    }
  }

  if (thumbSize > 0 && thumbOffset > 0 && uint64_t(thumbOffset) + uint64_t(thumbSize) <= length)
    thumbnail_ = tiff_.subspan(size_t(thumbOffset), size_t(thumbSize));
  return true;
}

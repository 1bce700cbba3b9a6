// Minimal EXIF reader: walks the TIFF directories of an APP1 block for the orientation.
#include "JpegExif.h"

#include <array>
#include <cstring>

namespace zelvo {
namespace {

constexpr uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr size_t kTiffStart = sizeof(kSignature);
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr int kMaxDirectories = 8;

class TiffReader {
 public:
  TiffReader(std::span<const uint8_t> tiff, bool big) : t_(tiff), big_(big) {}
  bool u16(size_t at, uint16_t* out) const {
    if (at > t_.size() || t_.size() - at < 2) return false;
    *out = big_ ? uint16_t(t_[at] << 8 | t_[at + 1]) : uint16_t(t_[at + 1] << 8 | t_[at]);
    return true;
  }
  bool u32(size_t at, uint32_t* out) const {
    uint16_t a, b;
    if (!u16(at, &a) || !u16(at + 2, &b)) return false;
    *out = big_ ? (uint32_t(a) << 16 | b) : (uint32_t(b) << 16 | a);
    return true;
  }

 private:
  std::span<const uint8_t> t_;
  bool big_;
};

}  // namespace

bool isExifPayload(std::span<const uint8_t> payload) {
  return payload.size() >= kTiffStart && std::memcmp(payload.data(), kSignature, kTiffStart) == 0;
}

ExifOrientation readExifOrientation(std::span<const uint8_t> payload) {
  ExifOrientation result;
  if (!isExifPayload(payload) || payload.size() < kTiffStart + 8) return result;
  std::span<const uint8_t> tiff = payload.subspan(kTiffStart);
  bool big;
  if (tiff[0] == 'I' && tiff[1] == 'I') big = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M') big = true;
  else return result;
  TiffReader r(tiff, big);
  uint16_t magic;
  uint32_t ifd;
  if (!r.u16(2, &magic) || magic != 42 || !r.u32(4, &ifd)) return result;

  // IFD0 holds the orientation; later links are walked only to find it in files that
  // misplace it, never twice through the same directory.
  std::array<uint32_t, kMaxDirectories> seen{};
  for (int d = 0; d < kMaxDirectories && ifd >= 8; ++d) {
    for (int i = 0; i < d; ++i)
      if (seen[i] == ifd) return result;
    seen[d] = ifd;
    uint16_t count;
    if (!r.u16(ifd, &count)) return result;
    const size_t entries = size_t(ifd) + 2;
    for (uint32_t e = 0; e < count; ++e) {
      const size_t at = entries + size_t(e) * 12;
      uint16_t tag, type, value;
      uint32_t n;
      if (!r.u16(at, &tag) || !r.u16(at + 2, &type) || !r.u32(at + 4, &n) ||
          !r.u16(at + 8, &value))
        return result;
      if (tag == kTagOrientation && type == kTypeShort && n >= 1) {
        if (value >= 1 && value <= 8) {
          result.value = value;
          result.offset = kTiffStart + at + 8;
          result.bigEndian = big;
        }
        return result;
      }
    }
    if (!r.u32(entries + size_t(count) * 12, &ifd)) return result;
  }
  return result;
}

void writeExifOrientation(std::span<uint8_t> payload, const ExifOrientation& where,
                          uint16_t value) {
  if (where.offset == 0 || where.offset + 2 > payload.size()) return;
  payload[where.offset + (where.bigEndian ? 0 : 1)] = uint8_t(value >> 8);
  payload[where.offset + (where.bigEndian ? 1 : 0)] = uint8_t(value);
}

}  // namespace zelvo

// Camera raw through LibRaw: opened from memory, developed with LibRaw's default
// interpolation into 8-bit RGB. A decode size hint at most half the picture asks LibRaw
// for its half-size development, which is several times faster.
#include <libraw/libraw.h>

#include <memory>
#include <new>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

constexpr uint64_t kMaxRawFile = 1ull << 30;

// The containers LibRaw reads start with one of these; anything else is not tried, so
// detection of other formats does not pay for LibRaw.
bool looksRaw(std::span<const uint8_t> head) {
  if (head.size() < 16) return false;
  const uint8_t* h = head.data();
  auto is = [&](size_t at, const char* s) { return std::memcmp(h + at, s, std::strlen(s)) == 0; };
  return (is(0, "II") && (h[2] == 42 || h[2] == 0x52 || h[2] == 0x55 || is(2, "RO") || is(2, "RS")) ) ||
         (is(0, "MM") && h[2] == 0 && (h[3] == 42 || h[3] == 0x52 || h[3] == 0x55)) || is(6, "HEAPCCDR") ||
         is(0, "FUJIFILM") || (h[0] == 0 && is(1, "MRM")) || is(0, "FOVb") || is(0, "ARRI") ||
         is(4, "ftypcrx");
}

void quietData(void*, const char*, const int) {}
void quietMemory(void*, const char*, const char*) {}

struct ProcessedFree {
  void operator()(libraw_processed_image_t* p) const { LibRaw::dcraw_clear_mem(p); }
};

bool decodeRawImpl(Image& img, StreamRef in) {
  uint8_t head[16] = {};
  std::vector<uint8_t> data;
  if (!rio::readWholeIf(img, in, head, looksRaw, kMaxRawFile, data, "Not a camera raw file")) return false;
  auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  raw->set_dataerror_handler(quietData, nullptr);
  raw->set_memerror_handler(quietMemory, nullptr);
  if (raw->open_buffer(data.data(), data.size()) != LIBRAW_SUCCESS || raw->imgdata.sizes.width == 0 ||
      raw->imgdata.sizes.height == 0) {
    return fail(img, "Not a camera raw file");
  }
  const libraw_image_sizes_t& s = raw->imgdata.sizes;
  const bool turned = s.flip == 5 || s.flip == 6;
  const int64_t w = turned ? s.height : s.width, h = turned ? s.width : s.height;
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, 24, ZV_TYPE_RAW);
  if (!checkDecodeSize(img, s.raw_width, s.raw_height) || !checkDecodeSize(img, w, h)) return false;
  if (img.info.hintWidth > 0 && img.info.hintHeight > 0 && img.info.hintWidth * 2 <= w &&
      img.info.hintHeight * 2 <= h)
    raw->imgdata.params.half_size = 1;
  if (raw->unpack() != LIBRAW_SUCCESS || raw->dcraw_process() != LIBRAW_SUCCESS) {
    return fail(img, "Corrupt camera raw data");
  }
  int err = 0;
  std::unique_ptr<libraw_processed_image_t, ProcessedFree> out(raw->dcraw_make_mem_image(&err));
  if (!out || err != LIBRAW_SUCCESS || out->type != LIBRAW_IMAGE_BITMAP || out->bits != 8 ||
      (out->colors != 3 && out->colors != 1)) {
    return fail(img, "Corrupt camera raw data");
  }
  const uint32_t ow = out->width, oh = out->height, colors = out->colors;
  if (uint64_t(ow) * oh * colors > out->data_size) return fail(img, "Corrupt camera raw data");
  if (!rio::createChecked(img, ow, oh, 24, ZV_TYPE_RAW)) return false;
  for (uint32_t y = 0; y < oh; ++y) {
    const uint8_t* src = out->data + size_t(y) * ow * colors;
    uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < ow; ++x) {
      const uint8_t* p = src + x * colors;
      row[x * 3] = p[colors == 3 ? 2 : 0];
      row[x * 3 + 1] = p[colors == 3 ? 1 : 0];
      row[x * 3 + 2] = p[0];
    }
  }
  return true;
}

}  // namespace

// LibRaw reports through results; what its allocations throw is the dispatcher's to catch.
bool decodeRAW(Image& img, StreamRef in, uint32_t) { return decodeRawImpl(img, in); }

}  // namespace zelvo

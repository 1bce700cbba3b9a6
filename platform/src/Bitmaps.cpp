// DIB sections, logical palettes and memory device contexts. Handles point at our own
// objects; every call first checks that the handle is live, so stale or foreign handles
// are refused instead of dereferenced.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "Internal.h"
#include "zlvplatform.h"

struct ZlvBitmapObject {
  ZlvBitmapInfoHeader header{};
  std::vector<uint8_t> palette;  // 4 bytes per entry
  std::unique_ptr<uint8_t[]> bits;
  size_t stride = 0;
};
struct ZlvDCObject {
  ZlvBitmapObject* selected = nullptr;
  bool screen = false;
};
struct ZlvPaletteObject {
  std::vector<uint8_t> entries;
};

namespace {

// Largest pixel buffer one section may hold (the Windows limit of a 32-bit size).
constexpr uint64_t kMaxBitmapBytes = 0x7FFFFFFF;
constexpr uint32_t kMaxPaletteEntries = 65536;

struct Handles {
  std::mutex lock;
  std::unordered_map<ZlvBitmapObject*, std::unique_ptr<ZlvBitmapObject>> bitmaps;
  std::unordered_map<ZlvDCObject*, std::unique_ptr<ZlvDCObject>> dcs;
  std::unordered_map<ZlvPaletteObject*, std::unique_ptr<ZlvPaletteObject>> palettes;
  ZlvDCObject screen{nullptr, true};
};

Handles& handles() {
  static zlv::detail::NoDestructor<Handles> h;  // handles may still be freed during exit
  return h.get();
}

bool validDepth(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

uint64_t strideFor(int32_t width, uint16_t bits) {
  return ((uint64_t(uint32_t(width)) * bits + 31) / 32) * 4;
}

using Rgb = std::array<uint8_t, 4>;  // blue, green, red, reserved

// Reads one pixel of a source row as blue, green, red, reserved.
Rgb sourcePixel(const ZlvBitmapObject& bm, const uint8_t* row, uint32_t x) {
  auto fromPalette = [&](uint32_t index) -> Rgb {
    size_t count = bm.palette.size() / 4;
    if (index >= count) return {0, 0, 0, 0};
    const uint8_t* p = &bm.palette[index * 4];
    return {p[0], p[1], p[2], 0};
  };
  switch (bm.header.biBitCount) {
    case 1: return fromPalette((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4: return fromPalette((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
    case 8: return fromPalette(row[x]);
    case 24: return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2], 0};
    default: return {row[x * 4], row[x * 4 + 1], row[x * 4 + 2], row[x * 4 + 3]};
  }
}

uint32_t sourceIndex(const ZlvBitmapObject& bm, const uint8_t* row, uint32_t x) {
  switch (bm.header.biBitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default: return row[x];
  }
}

// The palettes GetDIBits hands out when an indexed target has another depth than the source.
std::vector<uint8_t> defaultPalette(uint16_t bits) {
  std::vector<uint8_t> pal;
  auto add = [&](int r, int g, int b) {
    pal.insert(pal.end(), {uint8_t(b), uint8_t(g), uint8_t(r), 0});
  };
  if (bits == 1) {
    add(0, 0, 0);
    add(255, 255, 255);
  } else if (bits == 4) {
    static const uint8_t vga[16][3] = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (auto& c : vga) add(c[0], c[1], c[2]);
  } else {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) add(r * 51, g * 51, b * 51);
    for (int i = 0; i < 40; ++i) {
      int v = (i * 255 + 20) / 39;
      add(v, v, v);
    }
  }
  return pal;
}

int distance(const Rgb& a, const uint8_t* p) {
  int db = a[0] - p[0], dg = a[1] - p[1], dr = a[2] - p[2];
  return dr * dr + dg * dg + db * db;
}

uint32_t nearestIn(const std::vector<uint8_t>& pal, const Rgb& c) {
  uint32_t best = 0;
  int bestDist = 1 << 30;
  for (size_t i = 0; i * 4 < pal.size(); ++i) {
    int d = distance(c, &pal[i * 4]);
    if (d < bestDist) bestDist = d, best = uint32_t(i);
  }
  return best;
}

// Nearest entry of the 8-bit default palette without a search: cube or grey ramp.
uint32_t nearestDefault8(const std::vector<uint8_t>& pal, const Rgb& c) {
  auto level = [](int v) { return (v + 25) / 51; };
  uint32_t cube = uint32_t(level(c[2]) * 36 + level(c[1]) * 6 + level(c[0]));
  int grey = (c[0] + c[1] + c[2]) / 3;
  uint32_t ramp = 216 + uint32_t((grey * 39 + 127) / 255);
  return distance(c, &pal[cube * 4]) <= distance(c, &pal[ramp * 4]) ? cube : ramp;
}

void putIndex(uint8_t* row, uint32_t x, uint16_t bits, uint32_t index) {
  if (bits == 1) {
    uint8_t mask = uint8_t(0x80 >> (x & 7));
    row[x >> 3] = uint8_t(index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
  } else if (bits == 4) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
  } else {
    row[x] = uint8_t(index);
  }
}

template <class T>
T* lookup(std::unordered_map<T*, std::unique_ptr<T>>& map, T* handle) {
  return handle && map.count(handle) ? handle : nullptr;
}

}  // namespace

extern "C" {

ZlvHBITMAP zlvCreateDIBSection(const ZlvBitmapInfoHeader* header, const void* palette, void** bits) {
  if (bits) *bits = nullptr;
  if (!header || header->biSize < sizeof(ZlvBitmapInfoHeader) || header->biWidth <= 0 ||
      header->biHeight <= 0 || !validDepth(header->biBitCount) || header->biCompression != 0)
    return nullptr;
  uint64_t stride = strideFor(header->biWidth, header->biBitCount);
  uint64_t size = stride * uint64_t(header->biHeight);
  if (size > kMaxBitmapBytes) return nullptr;
  uint32_t entries = 0;
  if (header->biBitCount <= 8) {
    uint32_t full = 1u << header->biBitCount;
    entries = header->biClrUsed == 0 ? full : std::min(header->biClrUsed, full);
  }
  try {
    auto bm = std::make_unique<ZlvBitmapObject>();
    bm->header = *header;
    bm->header.biSize = sizeof(ZlvBitmapInfoHeader);
    bm->header.biPlanes = 1;
    bm->header.biSizeImage = uint32_t(size);
    bm->header.biClrUsed = entries;
    bm->header.biClrImportant = 0;
    bm->stride = size_t(stride);
    bm->palette.assign(size_t(entries) * 4, 0);
    if (palette && entries) {
      std::memcpy(bm->palette.data(), palette, bm->palette.size());
    } else {
      // No colour table given: a grey ramp keeps indexed pixels visible.
      for (uint32_t i = 0; i < entries; ++i) {
        uint8_t v = uint8_t(entries > 1 ? i * 255 / (entries - 1) : 0);
        std::memset(&bm->palette[i * 4], v, 3);
      }
    }
    bm->bits = std::make_unique<uint8_t[]>(size_t(size));
    ZlvBitmapObject* raw = bm.get();
    Handles& h = handles();
    std::lock_guard guard(h.lock);
    h.bitmaps.emplace(raw, std::move(bm));
    if (bits) *bits = raw->bits.get();
    return raw;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool zlvGetBitmapHeader(ZlvHBITMAP bitmap, ZlvBitmapInfoHeader* out) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvBitmapObject* bm = lookup(h.bitmaps, bitmap);
  if (!bm || !out) return false;
  *out = bm->header;
  return true;
}

const void* zlvGetBitmapPalette(ZlvHBITMAP bitmap, uint32_t* count) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvBitmapObject* bm = lookup(h.bitmaps, bitmap);
  if (count) *count = bm ? uint32_t(bm->palette.size() / 4) : 0;
  return bm && !bm->palette.empty() ? bm->palette.data() : nullptr;
}

void* zlvGetBitmapBits(ZlvHBITMAP bitmap) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvBitmapObject* bm = lookup(h.bitmaps, bitmap);
  return bm ? bm->bits.get() : nullptr;
}

int32_t zlvGetDIBits(ZlvHDC dc, ZlvHBITMAP bitmap, uint32_t startRow, uint32_t rows, void* bits,
                     const ZlvBitmapInfoHeader* format, void* paletteOut) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvBitmapObject* bm = lookup(h.bitmaps, bitmap);
  if (!bm || !bits || !format || !validDepth(format->biBitCount) || format->biCompression != 0 ||
      format->biWidth != bm->header.biWidth ||
      (format->biHeight != bm->header.biHeight && format->biHeight != -bm->header.biHeight))
    return 0;
  // A negative height asks for the rows top-down.
  const bool topDown = format->biHeight < 0;
  uint32_t height = uint32_t(bm->header.biHeight);
  if (startRow >= height) return 0;
  rows = std::min(rows, height - startRow);
  const uint16_t src = bm->header.biBitCount, dst = format->biBitCount;
  const uint32_t width = uint32_t(bm->header.biWidth);
  const size_t dstStride = size_t(strideFor(format->biWidth, dst));

  // Indexed targets: same depth keeps indices and colour table; a deeper target widens the
  // source's table; otherwise pixels map to the nearest entry of the default palette.
  std::vector<uint8_t> pal;
  enum { Direct, KeepIndex, Nearest } mode = Direct;
  if (dst <= 8) {
    if (src <= dst) {
      mode = KeepIndex;
      pal = bm->palette;
      pal.resize(size_t(4) << dst, 0);
    } else {
      mode = Nearest;
      pal = defaultPalette(dst);
    }
  }
  auto* out = static_cast<uint8_t*>(bits);
  for (uint32_t r = 0; r < rows; ++r) {
    const uint8_t* srow = bm->bits.get() + size_t(startRow + r) * bm->stride;
    uint8_t* drow = out + size_t(topDown ? rows - 1 - r : r) * dstStride;
    std::memset(drow, 0, dstStride);
    for (uint32_t x = 0; x < width; ++x) {
      if (mode == KeepIndex) {
        putIndex(drow, x, dst, sourceIndex(*bm, srow, x));
        continue;
      }
      Rgb c = sourcePixel(*bm, srow, x);
      if (mode == Nearest) {
        putIndex(drow, x, dst, dst == 8 ? nearestDefault8(pal, c) : nearestIn(pal, c));
      } else if (dst == 24) {
        std::memcpy(drow + x * 3, c.data(), 3);
      } else {
        std::memcpy(drow + x * 4, c.data(), 4);
      }
    }
  }
  if (paletteOut && dst <= 8) {
    // The caller's table holds biClrUsed entries when it says so; never write past it.
    size_t entries = pal.size() / 4;
    if (format->biClrUsed != 0 && format->biClrUsed < entries) entries = format->biClrUsed;
    std::memcpy(paletteOut, pal.data(), entries * 4);
  }
  return int32_t(rows);
}

bool zlvDeleteBitmap(ZlvHBITMAP bitmap) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  auto it = bitmap ? h.bitmaps.find(bitmap) : h.bitmaps.end();
  if (it == h.bitmaps.end()) return false;
  // A context must never keep pointing at freed pixels.
  for (auto& [raw, dc] : h.dcs)
    if (dc->selected == bitmap) dc->selected = nullptr;
  h.bitmaps.erase(it);
  return true;
}

ZlvHPALETTE zlvCreatePalette(const void* entries, uint32_t count) {
  if (count == 0 || count > kMaxPaletteEntries) return nullptr;
  try {
    auto pal = std::make_unique<ZlvPaletteObject>();
    pal->entries.assign(size_t(count) * 4, 0);
    if (entries) std::memcpy(pal->entries.data(), entries, pal->entries.size());
    ZlvPaletteObject* raw = pal.get();
    Handles& h = handles();
    std::lock_guard guard(h.lock);
    h.palettes.emplace(raw, std::move(pal));
    return raw;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool zlvDeletePalette(ZlvHPALETTE palette) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  return palette && h.palettes.erase(palette) == 1;
}

ZlvHDC zlvCreateCompatibleDC(ZlvHDC reference) {
  try {
    auto dc = std::make_unique<ZlvDCObject>();
    ZlvDCObject* raw = dc.get();
    Handles& h = handles();
    std::lock_guard guard(h.lock);
    h.dcs.emplace(raw, std::move(dc));
    return raw;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ZlvHDC zlvGetScreenDC(void) { return &handles().screen; }

void zlvReleaseScreenDC(ZlvHDC) {}

ZlvHBITMAP zlvSelectBitmap(ZlvHDC dc, ZlvHBITMAP bitmap) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvDCObject* target = lookup(h.dcs, dc);
  if (!target || (bitmap && !lookup(h.bitmaps, bitmap))) return nullptr;
  ZlvBitmapObject* previous = target->selected;
  target->selected = bitmap;
  return previous;
}

ZlvHBITMAP zlvGetSelectedBitmap(ZlvHDC dc) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  ZlvDCObject* target = lookup(h.dcs, dc);
  return target ? target->selected : nullptr;
}

bool zlvDeleteDC(ZlvHDC dc) {
  Handles& h = handles();
  std::lock_guard guard(h.lock);
  return dc && h.dcs.erase(dc) == 1;
}

}  // extern "C"

// Helpers of the GIF writer tests: palette pictures, writing through the codec, and a
// block walker that splits a GIF file into its parts without decoding the pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/ColorReduction.h"
#include "core/Image.h"
#include "formats/Codecs.h"
#include "formats/Dispatch.h"
#include "formats/Stream.h"
#include "TestFiles.h"

namespace zelvo::giftest {

using Bytes = std::vector<uint8_t>;

// An indexed picture with the standard palette of its depth; `index(x, yTop)` gives each
// pixel with yTop counted from the top row.
inline ImagePtr indexed(int32_t w, int32_t h, uint32_t depth,
                        const std::function<uint8_t(int32_t, int32_t)>& index) {
  ImagePtr img = Image::make();
  EXPECT_TRUE(img->create(uint32_t(w), uint32_t(h), depth, 0));
  const auto pal = standardPalette(depth);
  img->setPalette(pal.data(), uint32_t(pal.size()));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) img->setPixelIndex(x, h - 1 - y, index(x, y));
  return img;
}

inline ImagePtr noise(int32_t w, int32_t h, uint32_t depth, uint32_t seed) {
  std::mt19937 rng(seed);
  const uint32_t mask = (1u << depth) - 1;
  return indexed(w, h, depth, [&](int32_t, int32_t) { return uint8_t(rng() & mask); });
}

inline Bytes streamBytes(ZvStream* s) {
  size_t n = 0;
  MallocPtr data(detachMemoryBuffer(s, &n));
  return data ? Bytes(data.get(), data.get() + n) : Bytes{};
}

// Encodes through the codec entry into memory; false when the writer failed.
inline bool encodeToBytes(Image& img, Bytes* out) {
  StreamPtr s = makeMemoryWriter();
  const bool ok = encodeGIF(img, StreamRef(s.get()), ZV_TYPE_GIF);
  *out = streamBytes(s.get());
  return ok;
}

inline Bytes encodeOk(Image& img) {
  Bytes b;
  EXPECT_TRUE(encodeToBytes(img, &b)) << img.lastError();
  return b;
}

using gallivo::test::writeFile;

// One part of a GIF file.
struct Block {
  char kind;      // 'S' screen, '!' extension, ',' image, ';' trailer
  uint8_t label;  // extension label, or the packed byte of a screen or image descriptor
  Bytes fields;   // screen or descriptor fields, or the extension's first sub-block
  Bytes table;    // colour table that follows a screen or a descriptor
  uint8_t minCodeSize = 0;
  std::vector<size_t> packets;  // data sub-block lengths
  Bytes data;                   // image data sub-blocks joined
};

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// Splits `b`; adds a failure and stops at the first byte that does not fit.
inline std::vector<Block> walk(const Bytes& b) {
  std::vector<Block> out;
  size_t i = 0;
  auto need = [&](size_t n) {
    if (i + n > b.size()) ADD_FAILURE() << "truncated at " << i;
    return i + n <= b.size();
  };
  auto subBlocks = [&](Block& blk, bool keepFirst) {
    while (need(1)) {
      const size_t n = b[i++];
      if (n == 0) return;
      if (!need(n)) return;
      if (keepFirst && blk.fields.empty()) blk.fields.assign(b.begin() + long(i), b.begin() + long(i + n));
      blk.packets.push_back(n);
      blk.data.insert(blk.data.end(), b.begin() + long(i), b.begin() + long(i + n));
      i += n;
    }
  };
  if (!need(13) || std::memcmp(b.data(), "GIF89a", 6) != 0) {
    ADD_FAILURE() << "no GIF89a header";
    return out;
  }
  Block screen{'S', b[10], Bytes(b.begin() + 6, b.begin() + 13), {}, 0, {}, {}};
  i = 13;
  if (screen.label & 0x80) {
    const size_t n = 3u << ((screen.label & 7) + 1);
    if (!need(n)) return out;
    screen.table.assign(b.begin() + long(i), b.begin() + long(i + n));
    i += n;
  }
  out.push_back(screen);
  while (need(1)) {
    const uint8_t c = b[i++];
    if (c == 0x3B) {
      out.push_back({';', 0, {}, {}, 0, {}, {}});
      if (i != b.size()) ADD_FAILURE() << "bytes after the trailer";
      return out;
    }
    if (c == 0x21) {
      if (!need(1)) return out;
      Block ext{'!', b[i++], {}, {}, 0, {}, {}};
      subBlocks(ext, true);
      out.push_back(ext);
    } else if (c == 0x2C) {
      if (!need(9)) return out;
      Block img{',', b[i + 8], Bytes(b.begin() + long(i), b.begin() + long(i + 9)), {}, 0, {}, {}};
      i += 9;
      if (img.label & 0x80) {
        const size_t n = 3u << ((img.label & 7) + 1);
        if (!need(n)) return out;
        img.table.assign(b.begin() + long(i), b.begin() + long(i + n));
        i += n;
      }
      if (!need(1)) return out;
      img.minCodeSize = b[i++];
      subBlocks(img, false);
      out.push_back(img);
    } else {
      ADD_FAILURE() << "unknown block 0x" << std::hex << int(c) << " at " << std::dec << i - 1;
      return out;
    }
  }
  return out;
}

inline size_t countKind(const std::vector<Block>& blocks, char kind, uint8_t label = 0) {
  size_t n = 0;
  for (const Block& b : blocks) n += b.kind == kind && (kind != '!' || b.label == label);
  return n;
}

// The colour table a palette picture should carry: red, green, blue per entry.
inline Bytes rgbTable(const Image& img) {
  Bytes t;
  for (uint32_t i = 0; i < (1u << img.depth()); ++i) {
    const ZvRGBQuad c = img.palette()[i];
    t.insert(t.end(), {c.red, c.green, c.blue});
  }
  return t;
}

}  // namespace zelvo::giftest

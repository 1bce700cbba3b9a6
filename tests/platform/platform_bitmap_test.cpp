#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "zlvplatform.h"

namespace {

ZlvBitmapInfoHeader header(int32_t w, int32_t h, uint16_t bits, uint32_t colours = 0) {
  ZlvBitmapInfoHeader hd{};
  hd.biSize = sizeof hd;
  hd.biWidth = w;
  hd.biHeight = h;
  hd.biPlanes = 1;
  hd.biBitCount = bits;
  hd.biClrUsed = colours;
  return hd;
}

size_t stride(int32_t w, uint16_t bits) { return ((size_t(w) * bits + 31) / 32) * 4; }

TEST(PlatformBitmap, CreateChecksHeaderAndSize) {
  const struct {
    const char* what;
    ZlvBitmapInfoHeader hd;
    bool ok;
  } cases[] = {
      {"24-bit", header(3, 2, 24), true},
      {"1-bit", header(9, 1, 1), true},
      {"depth 16 unsupported", header(3, 2, 16), false},
      {"zero width", header(0, 2, 24), false},
      {"negative width", header(-3, 2, 24), false},
      {"zero height", header(3, 0, 24), false},
      {"beyond the size limit", header(40000, 40000, 32), false},
      {"overflowing 32-bit product", header(0x7FFFFFFF, 0x7FFFFFFF, 32), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    void* bits = reinterpret_cast<void*>(1);
    ZlvHBITMAP bm = zlvCreateDIBSection(&c.hd, nullptr, &bits);
    EXPECT_EQ(bm != nullptr, c.ok);
    EXPECT_EQ(bits != nullptr, c.ok);
    if (bm) {
      EXPECT_TRUE(zlvDeleteBitmap(bm));
    }
  }
  ZlvBitmapInfoHeader short40 = header(3, 2, 24);
  short40.biSize = 12;
  EXPECT_EQ(zlvCreateDIBSection(&short40, nullptr, nullptr), nullptr);
  EXPECT_EQ(zlvCreateDIBSection(nullptr, nullptr, nullptr), nullptr);
}

TEST(PlatformBitmap, QueryFillsSizeAndPalette) {
  const uint8_t pal[2][4] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
  ZlvBitmapInfoHeader hd = header(10, 3, 4, 2);
  void* bits = nullptr;
  ZlvHBITMAP bm = zlvCreateDIBSection(&hd, pal, &bits);
  ASSERT_NE(bm, nullptr);
  ZlvBitmapInfoHeader q{};
  ASSERT_TRUE(zlvGetBitmapHeader(bm, &q));
  EXPECT_EQ(q.biSizeImage, 8u * 3);
  EXPECT_EQ(q.biClrUsed, 2u);
  EXPECT_EQ(zlvGetBitmapBits(bm), bits);
  uint32_t count = 0;
  const void* p = zlvGetBitmapPalette(bm, &count);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(std::memcmp(p, pal, sizeof pal), 0);
  EXPECT_EQ(static_cast<uint8_t*>(bits)[23], 0);  // pixels start zeroed
  EXPECT_TRUE(zlvDeleteBitmap(bm));
  // Stale, null and foreign handles are refused, never dereferenced.
  int foreign = 0;
  EXPECT_FALSE(zlvDeleteBitmap(bm));
  EXPECT_FALSE(zlvDeleteBitmap(nullptr));
  EXPECT_FALSE(zlvDeleteBitmap(reinterpret_cast<ZlvHBITMAP>(&foreign)));
  EXPECT_FALSE(zlvGetBitmapHeader(bm, &q));
  EXPECT_EQ(zlvGetBitmapBits(bm), nullptr);
  EXPECT_FALSE(zlvDeleteDC(reinterpret_cast<ZlvHDC>(&foreign)));
  EXPECT_FALSE(zlvDeletePalette(nullptr));
}

// Source pixels (left to right) as blue, green, red: a red, green, white, black strip.
const uint8_t kColours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 255, 255}, {0, 0, 0}};

// A 4x2 section of the given depth holding kColours on both rows.
ZlvHBITMAP makeSource(uint16_t bits) {
  ZlvBitmapInfoHeader hd = header(4, 2, bits);
  uint8_t pal[256][4] = {};
  for (int i = 0; i < 4; ++i) std::memcpy(pal[i], kColours[i], 3);
  if (bits == 1) std::memcpy(pal[0], kColours[2], 3), std::memset(pal[1], 0, 4);  // white, black
  void* raw = nullptr;
  ZlvHBITMAP bm = zlvCreateDIBSection(&hd, pal, &raw);
  auto* p = static_cast<uint8_t*>(raw);
  for (int y = 0; y < 2; ++y) {
    uint8_t* row = p + y * stride(4, bits);
    for (int x = 0; x < 4; ++x) {
      if (bits == 32) std::memcpy(row + x * 4, kColours[x], 3), row[x * 4 + 3] = uint8_t(0x80 + x);
      if (bits == 24) std::memcpy(row + x * 3, kColours[x], 3);
      if (bits == 8) row[x] = uint8_t(x);
      if (bits == 4) row[x / 2] |= uint8_t(x << ((x & 1) ? 0 : 4));
    }
    if (bits == 1) row[0] = 0x30;  // white, white, black, black
  }
  return bm;
}

TEST(PlatformBitmap, GetDIBitsConvertsEveryDepthPair) {
  // Expected colour of each pixel in a direct (24/32-bit) target.
  auto expected = [](uint16_t src, int x) -> std::vector<uint8_t> {
    if (src == 1) return x < 2 ? std::vector<uint8_t>{255, 255, 255} : std::vector<uint8_t>{0, 0, 0};
    return {kColours[x][0], kColours[x][1], kColours[x][2]};
  };
  for (uint16_t src : {1, 4, 8, 24, 32}) {
    ZlvHBITMAP bm = makeSource(src);
    ASSERT_NE(bm, nullptr);
    for (uint16_t dst : {1, 4, 8, 24, 32}) {
      SCOPED_TRACE(testing::Message() << src << " -> " << dst);
      ZlvBitmapInfoHeader fmt = header(4, 2, dst);
      std::vector<uint8_t> out(stride(4, dst) * 2, 0xEE);
      uint8_t pal[256][4] = {};
      ASSERT_EQ(zlvGetDIBits(nullptr, bm, 0, 2, out.data(), &fmt, pal), 2);
      for (int y = 0; y < 2; ++y) {
        const uint8_t* row = out.data() + y * stride(4, dst);
        for (int x = 0; x < 4; ++x) {
          std::vector<uint8_t> got(3);
          if (dst >= 24) {
            std::memcpy(got.data(), row + x * (dst / 8), 3);
          } else {
            int index = dst == 8 ? row[x] : dst == 4 ? (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15
                                                     : (row[0] >> (7 - x)) & 1;
            std::memcpy(got.data(), pal[index], 3);
          }
          std::vector<uint8_t> want = expected(src, x);
          if (dst == 1 && src != 1) {
            // Two-colour target: nearest of black and white.
            bool light = want[0] + want[1] + want[2] > 3 * 100;
            want = light ? std::vector<uint8_t>{255, 255, 255} : std::vector<uint8_t>{0, 0, 0};
          }
          EXPECT_EQ(got, want) << "pixel " << x;
        }
      }
      if (dst == 32) {
        EXPECT_EQ(out[3], src == 32 ? 0x80 : 0);  // alpha kept only from a 32-bit source
      }
    }
    EXPECT_TRUE(zlvDeleteBitmap(bm));
  }
}

TEST(PlatformBitmap, GetDIBitsRowsAndRefusals) {
  ZlvHBITMAP bm = makeSource(24);
  ZlvBitmapInfoHeader fmt = header(4, 2, 24);
  std::vector<uint8_t> out(stride(4, 24) * 2, 0xEE);
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 1, 5, out.data(), &fmt, nullptr), 1);  // clamped to the rows left
  EXPECT_EQ(out[stride(4, 24)], 0xEE);                                        // nothing past them
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 2, 1, out.data(), &fmt, nullptr), 0);
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 0, 1, nullptr, &fmt, nullptr), 0);
  // A negative height gives the rows top-down.
  ZlvHBITMAP grey = makeSource(8);
  uint8_t* pixels = static_cast<uint8_t*>(zlvGetBitmapBits(grey));
  pixels[0] = 2;               // bottom row starts white
  pixels[stride(4, 8)] = 3;    // top row starts black
  ZlvBitmapInfoHeader down = header(4, -2, 24);
  EXPECT_EQ(zlvGetDIBits(nullptr, grey, 0, 2, out.data(), &down, nullptr), 2);
  EXPECT_EQ(out[0], 0);                 // first row out is the top one
  EXPECT_EQ(out[stride(4, 24)], 255);
  // A target table of 4 entries for an 8-bit target: only those 4 are written.
  ZlvBitmapInfoHeader small = header(4, 2, 8, 4);
  std::vector<uint8_t> idx(stride(4, 8) * 2);
  uint8_t table[6][4];
  std::memset(table, 0xAB, sizeof table);
  EXPECT_EQ(zlvGetDIBits(nullptr, grey, 0, 2, idx.data(), &small, table), 2);
  EXPECT_EQ(table[3][0], 0);     // fourth entry: black
  EXPECT_EQ(table[4][0], 0xAB);  // beyond the caller's table: untouched
  zlvDeleteBitmap(grey);
  ZlvBitmapInfoHeader wider = header(5, 2, 24);
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 0, 2, out.data(), &wider, nullptr), 0);
  ZlvBitmapInfoHeader odd = header(4, 2, 16);
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 0, 2, out.data(), &odd, nullptr), 0);
  zlvDeleteBitmap(bm);
  EXPECT_EQ(zlvGetDIBits(nullptr, bm, 0, 2, out.data(), &fmt, nullptr), 0);
}

TEST(PlatformBitmap, DeviceContextSelection) {
  ZlvHDC screen = zlvGetScreenDC();
  ZlvHDC dc = zlvCreateCompatibleDC(screen);
  ASSERT_NE(dc, nullptr);
  ZlvHBITMAP a = makeSource(24), b = makeSource(8);
  EXPECT_EQ(zlvSelectBitmap(dc, a), nullptr);
  EXPECT_EQ(zlvSelectBitmap(dc, b), a);
  EXPECT_EQ(zlvGetSelectedBitmap(dc), b);
  // Deleting the selected bitmap leaves the context with nothing, not a dangling pointer.
  EXPECT_TRUE(zlvDeleteBitmap(b));
  EXPECT_EQ(zlvGetSelectedBitmap(dc), nullptr);
  EXPECT_EQ(zlvSelectBitmap(dc, b), nullptr);  // a deleted bitmap cannot be selected
  EXPECT_EQ(zlvGetSelectedBitmap(dc), nullptr);
  EXPECT_FALSE(zlvDeleteDC(screen));
  zlvReleaseScreenDC(screen);
  EXPECT_TRUE(zlvDeleteDC(dc));
  EXPECT_FALSE(zlvDeleteDC(dc));
  EXPECT_TRUE(zlvDeleteBitmap(a));

  const uint8_t entries[3][4] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  ZlvHPALETTE pal = zlvCreatePalette(entries, 3);
  EXPECT_NE(pal, nullptr);
  EXPECT_EQ(zlvCreatePalette(entries, 0), nullptr);
  EXPECT_TRUE(zlvDeletePalette(pal));
  EXPECT_FALSE(zlvDeletePalette(pal));
}

}  // namespace

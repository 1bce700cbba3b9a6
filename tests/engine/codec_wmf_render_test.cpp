// Metafiles assembled record by record: placeable and plain WMF and an EMF with filled
// shapes, lines and a bitmap record render those at the stated size; broken records and
// absurd sizes are refused.
#include <gtest/gtest.h>

#include "codec_support.h"
#include "zlvplatform.h"

namespace zelvo {
namespace {

using namespace codectest;

struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u16(uint32_t x) {
    rio::putLe16(v, x & 0xFFFF);
    return *this;
  }
  Bytes& u32(uint32_t x) {
    rio::putLe32(v, x);
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& b) {
    v.insert(v.end(), b.begin(), b.end());
    return *this;
  }
};

// A 2 x 2 24-bit DIB: bottom row red, green; top row blue, white.
std::vector<uint8_t> dib2x2() {
  Bytes b;
  b.u32(40).u32(2).u32(2).u16(1).u16(24).u32(0).u32(16).u32(0).u32(0).u32(0).u32(0);
  b.raw({0, 0, 255, 0, 255, 0, 0, 0});      // bottom: red, green (+2 padding)
  b.raw({255, 0, 0, 255, 255, 255, 0, 0});  // top: blue, white
  return b.v;
}

// One WMF record: size in 16-bit words, function, 16-bit arguments, extra bytes.
void record(Bytes& out, uint16_t fn, std::vector<int> args, const std::vector<uint8_t>& extra = {}) {
  out.u32(uint32_t(3 + args.size() + (extra.size() + 1) / 2)).u16(fn);
  for (int a : args) out.u16(uint32_t(a));
  out.raw(extra);
  if (extra.size() % 2) out.v.push_back(0);
}

std::vector<uint8_t> wmf(bool placeable, int16_t right = 100, int16_t bottom = 50, uint16_t inch = 96) {
  Bytes f;
  if (placeable) {
    f.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(uint16_t(right)).u16(uint16_t(bottom)).u16(inch).u32(0).u16(0);
  }
  f.u16(1).u16(9).u16(0x300).u32(0).u16(4).u32(0).u16(0);
  if (!placeable) record(f, 0x020C, {50, 100});  // SetWindowExt(y, x)
  record(f, 0x02FC, {0, 0x00FF, 0x0000, 0});     // CreateBrushIndirect solid red -> 0
  record(f, 0x02FA, {5, 0, 0, 0, 0});            // CreatePenIndirect null -> 1
  record(f, 0x012D, {0});
  record(f, 0x012D, {1});
  record(f, 0x041B, {40, 40, 10, 10});             // Rectangle(bottom, right, top, left)
  record(f, 0x02FC, {0, 0xFF00, 0x0000, 0});       // green brush -> 2
  record(f, 0x012D, {2});
  record(f, 0x0418, {45, 90, 5, 50});              // Ellipse
  record(f, 0x02FA, {0, 3, 0, 0x0000, 0x00FF});    // blue pen, 3 wide -> 3
  record(f, 0x012D, {3});
  record(f, 0x0214, {47, 0});                      // MoveTo(y, x)
  record(f, 0x0213, {47, 99});                     // LineTo
  record(f, 0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 10, 10, 0, 90}, dib2x2());  // StretchDIB
  record(f, 0x0000, {});
  return f.v;
}

ZvRGBQuad at(const Image& img, int x, int y) { return rio::colorAt(img, x, y); }
void expectColor(const Image& img, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  const ZvRGBQuad c = at(img, x, y);
  EXPECT_EQ(c.red, r) << x << "," << y;
  EXPECT_EQ(c.green, g) << x << "," << y;
  EXPECT_EQ(c.blue, b) << x << "," << y;
}

ImagePtr detect(const std::vector<uint8_t>& data) {
  ImagePtr img = Image::make();
  zelvo::decodeMemory(*img, data.data(), uint32_t(data.size()), ZV_TYPE_UNKNOWN);
  return img;
}

TEST(MetafileRender, PlaceableAndPlainWmfDrawShapesLinesAndBitmaps) {
  for (bool placeable : {true, false}) {
    SCOPED_TRACE(placeable ? "placeable" : "plain");
    ImagePtr img = detect(wmf(placeable));
    ASSERT_TRUE(img->valid()) << img->lastError();
    EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_WMF));
    EXPECT_EQ(img->width(), 100);
    EXPECT_EQ(img->height(), 50);
    EXPECT_EQ(img->depth(), 24);
    expectColor(*img, 2, 2, 255, 255, 255);   // background
    expectColor(*img, 25, 25, 255, 0, 0);     // rectangle fill
    expectColor(*img, 9, 25, 255, 255, 255);  // outside it (null pen)
    expectColor(*img, 70, 25, 0, 255, 0);     // ellipse centre
    expectColor(*img, 52, 8, 255, 255, 255);  // ellipse's corner stays clear
    expectColor(*img, 30, 47, 0, 0, 255);     // the line, 3 pixels wide
    expectColor(*img, 30, 46, 0, 0, 255);
    expectColor(*img, 30, 49, 255, 255, 255);
    expectColor(*img, 92, 2, 0, 0, 255);      // bitmap, top-left quarter blue
    expectColor(*img, 97, 7, 0, 255, 0);      // bottom-right green
  }
}

TEST(MetafileRender, PlaceableSizeFollowsItsUnitsPerInch) {
  ImagePtr img = Image::make();
  img->info.escape = -1;
  const std::vector<uint8_t> file = wmf(true, 1440, 720, 1440);
  ASSERT_TRUE(zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), ZV_TYPE_WMF)) << img->lastError();
  EXPECT_EQ(img->width(), 96);
  EXPECT_EQ(img->height(), 48);
}

// An EMF at 96 pixels per inch (reference device 960 x 480 pixels over 254 x 127 mm).
std::vector<uint8_t> emf(int64_t badRecordSize = -1) {
  Bytes h;
  h.u32(1).u32(88);
  h.u32(0).u32(0).u32(99).u32(49);          // bounds
  h.u32(0).u32(0).u32(2646).u32(1323);      // frame, 0.01 mm: 100 x 50 pixels
  h.u32(0x464D4520).u32(0x10000).u32(0).u32(0).u16(4).u16(0).u32(0).u32(0).u32(0);
  h.u32(960).u32(480).u32(254).u32(127);
  Bytes r;
  auto rec = [&](uint32_t type, std::vector<uint32_t> a, const std::vector<uint8_t>& extra = {}) {
    r.u32(type).u32(uint32_t(8 + a.size() * 4 + extra.size()));
    for (uint32_t x : a) r.u32(x);
    r.raw(extra);
  };
  if (badRecordSize >= 0) r.u32(27).u32(uint32_t(badRecordSize)).u32(0).u32(0);
  rec(39, {1, 0, 0x0000FF, 0});              // CREATEBRUSHINDIRECT red
  rec(37, {1});
  rec(37, {0x80000008});                     // NULL_PEN
  rec(43, {10, 10, 40, 40});                 // RECTANGLE
  rec(39, {2, 0, 0x00FF00, 0});
  rec(37, {2});
  Bytes poly;                                // POLYGON16: triangle
  poly.u32(0).u32(0).u32(0).u32(0).u32(3).u16(50).u16(40).u16(90).u16(40).u16(70).u16(5);
  r.u32(86).u32(uint32_t(8 + poly.v.size())).raw(poly.v);
  if (r.v.size() % 4) r.raw(std::vector<uint8_t>(4 - r.v.size() % 4, 0));
  rec(38, {3, 0, 3, 0, 0xFF0000});           // CREATEPEN blue, 3 wide
  rec(37, {3});
  rec(27, {0, 47});                          // MOVETOEX
  rec(54, {99, 47});                         // LINETO
  const std::vector<uint8_t> d = dib2x2();
  const uint32_t bmiOff = 8 + 18 * 4;
  rec(81, {0, 0, 0, 0, 90, 0, 0, 0, 2, 2, bmiOff, 40, bmiOff + 40, 16, 0, 0x00CC0020, 10, 10}, d);
  rec(14, {0, 0, 20});
  Bytes f;
  f.raw(h.v).raw(r.v);
  return f.v;
}

TEST(MetafileRender, EnhancedMetafileDrawsAtItsFrameSize) {
  ImagePtr img = detect(emf());
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_WMF));
  EXPECT_EQ(img->width(), 100);
  EXPECT_EQ(img->height(), 50);
  expectColor(*img, 25, 25, 255, 0, 0);
  expectColor(*img, 70, 30, 0, 255, 0);
  expectColor(*img, 52, 10, 255, 255, 255);
  expectColor(*img, 30, 47, 0, 0, 255);
  expectColor(*img, 92, 2, 0, 0, 255);
  expectColor(*img, 97, 7, 0, 255, 0);
  expectColor(*img, 2, 2, 255, 255, 255);
}

TEST(MetafileRender, BrokenRecordsAndAbsurdSizesAreRefused) {
  struct Case {
    const char* fault;
    std::vector<uint8_t> data;
  } cases[] = {
      {"WMF record length 0", [] {
         std::vector<uint8_t> f = wmf(true);
         std::fill(f.begin() + 40, f.begin() + 44, 0);  // first record's size
         return f;
       }()},
      {"WMF record running past the end", [] {
         std::vector<uint8_t> f = wmf(true);
         f[40] = 0xFF;
         f[41] = 0xFF;
         return f;
       }()},
      {"placeable WMF of 32767 inches", wmf(true, 32767, 32767, 1)},
      {"plain WMF without a window extent", [] {
         Bytes f;
         f.u16(1).u16(9).u16(0x300).u32(0).u16(0).u32(0).u16(0);
         record(f, 0x0000, {});
         return f.v;
       }()},
      {"EMF record length 0", emf(0)},
      {"EMF record running past the end", emf(0x10000000)},
      {"EMF record length not a multiple of 4", emf(10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ImagePtr img = decodeWith(decodeWMF, c.data, ZV_TYPE_WMF);
    EXPECT_EQ(img->info.type, 0u);
    EXPECT_STRNE(img->lastError(), "");
  }
  ImagePtr good = decodeWith(decodeWMF, emf(), ZV_TYPE_WMF);
  EXPECT_NE(good->info.type, 0u) << "the well-formed EMF decodes";
}

TEST(MetafileRender, SavingIsRefused) {
  ImagePtr img = detect(wmf(true));
  ASSERT_TRUE(img->valid());
  StreamPtr out = makeMemoryWriter();
  EXPECT_FALSE(zelvo::encode(*img, out.get(), ZV_TYPE_WMF));
  EXPECT_STREQ(img->lastError(), "Save WMF not supported");
}

}  // namespace
}  // namespace zelvo

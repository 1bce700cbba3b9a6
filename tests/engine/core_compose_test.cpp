// FillColor, PasteAt, BlendLayer and the conversions to and from platform bitmaps.
#include <cstring>

#include "core_support.h"

using namespace coretest;

namespace {

ZvRGBQuad td(const Image& img, int32_t x, int32_t y) { return img.pixelColor(x, img.height() - 1 - y, true); }

}  // namespace

TEST(CoreFill, WholeImageAndTopDownRectangles) {
  ImagePtr img = Image::make();
  img->create(4, 4, 24, 0);
  const ZvImageOps& t = ops(*img);
  ASSERT_TRUE(t.FillColor(img.get(), rgb(255, 255, 255), nullptr, false));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_TRUE(same(img->pixelColor(x, y), rgb(255, 255, 255)));
  // Columns 1-2 of the two top rows; the rectangle may reach outside.
  const ZvRect r = {1, -3, 3, 2};
  ASSERT_TRUE(t.FillColor(img.get(), rgb(9, 8, 7), &r, false));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && x < 3 && y < 2;
      EXPECT_TRUE(same(td(*img, x, y), inside ? rgb(9, 8, 7) : rgb(255, 255, 255))) << x << "," << y;
    }
  const ZvRect outside = {10, 10, 20, 20};
  EXPECT_TRUE(t.FillColor(img.get(), rgb(0, 0, 0), &outside, false));
  // Alpha only with the flag and a plane.
  img->allocAlpha();
  t.FillColor(img.get(), rgb(1, 1, 1, 33), nullptr, false);
  EXPECT_EQ(img->alphaRow(0)[0], 255);
  t.FillColor(img.get(), rgb(1, 1, 1, 33), nullptr, true);
  EXPECT_EQ(img->alphaRow(3)[3], 33);
  // Inverted rectangles cover nothing, the alpha plane included (the span was negative).
  for (const ZvRect& inverted : {ZvRect{3, 0, 1, 4}, ZvRect{0, 3, 4, 1}, ZvRect{4, 4, 0, 0}}) {
    EXPECT_TRUE(t.FillColor(img.get(), rgb(5, 5, 5, 7), &inverted, true));
    EXPECT_EQ(img->alphaRow(3)[3], 33);
    EXPECT_TRUE(same(img->pixelColor(3, 3, false), rgb(1, 1, 1)));
  }
  // Indexed pictures store the nearest entry.
  ImagePtr grey = Image::make();
  grey->create(3, 3, 4, 0);
  grey->setGrayPalette();
  ASSERT_TRUE(grey->fillColor(rgb(250, 240, 255), nullptr, false));
  EXPECT_EQ(grey->pixelIndex(2, 2), 15);
}

TEST(CorePaste, TransparentIndexLeavesTheCanvasVisible) {
  ImagePtr canvas = Image::make();
  canvas->create(6, 6, 24, 0);
  canvas->fillColor(rgb(0, 0, 200), nullptr, false);
  ImagePtr frame = Image::make();
  frame->create(3, 3, 8, 0);
  frame->palette()[0] = rgb(255, 0, 0);
  frame->palette()[1] = rgb(0, 255, 0);
  frame->setPalette(frame->palette(), 256);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) frame->setPixelIndex(x, y, uint8_t((x + y) % 2));
  frame->info.transIndex = 1;
  ops(*canvas).PasteAt(canvas.get(), frame.get(), 4, 2);  // partly outside: clipped
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const int32_t fx = x - 4, fy = y - 2;
      const bool covered = fx >= 0 && fx < 3 && fy >= 0 && fy < 3 && (fx + fy) % 2 == 0;
      EXPECT_TRUE(same(canvas->pixelColor(x, y), covered ? rgb(255, 0, 0) : rgb(0, 0, 200))) << x << "," << y;
    }
  // Without a transparent index every pixel is copied, even one with alpha 0.
  ImagePtr opaque = solid(2, 2, rgb(1, 2, 3));
  opaque->allocAlpha(0);
  canvas->pasteAt(*opaque, -1, -1);
  EXPECT_TRUE(same(canvas->pixelColor(0, 0), rgb(1, 2, 3)));
  EXPECT_TRUE(same(canvas->pixelColor(1, 1), rgb(0, 0, 200)));
}

TEST(CoreBlend, OperationTable) {
  const ZvRGBQuad d = rgb(200, 100, 50), s = rgb(100, 30, 60);
  struct Case {
    int32_t op;
    ZvRGBQuad expect;
  };
  const Case cases[] = {
      {1, rgb(255, 130, 110)},
      {2, rgb(200 & 100, 100 & 30, 50 & 60)},
      {3, rgb(200 ^ 100, 100 ^ 30, 50 ^ 60)},
      {4, rgb(200 | 100, 100 | 30, 50 | 60)},
      {5, d},                   // source not black: destination kept
      {6, d},                   // destination not transparent
      {7, s},                   // source not transparent
      {8, rgb(100, 70, 0)},     // floored at 0
      {10, s},                  // no source alpha: weight 255
      {11, rgb(150, 65, 55)},
      {12, s},                  // no destination alpha: weight 0
      {35, s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    ImagePtr dst = solid(3, 3, d), src = solid(2, 2, s);
    ASSERT_TRUE(ops(*dst).BlendLayer(dst.get(), src.get(), c.op, {}, {1, 0}, false, true));
    EXPECT_TRUE(same(td(*dst, 1, 0), c.expect)) << str(td(*dst, 1, 0));
    EXPECT_TRUE(same(td(*dst, 2, 1), c.expect));
    EXPECT_TRUE(same(td(*dst, 0, 0), d)) << "left column not covered";
    EXPECT_TRUE(same(td(*dst, 1, 2), d)) << "bottom row not covered (top-down placement)";
    EXPECT_FALSE(dst->alpha);
  }
}

TEST(CoreBlend, CornerMaskWithSaturatingAdd) {
  // The rounded-corner step: a white-and-black mask added onto the corner.
  ImagePtr pic = solid(8, 8, rgb(10, 120, 30));
  ImagePtr mask = solid(3, 3, rgb(0, 0, 0));
  mask->setPixelColor(0, 2, rgb(255, 255, 255), false);  // top-left of the mask
  ASSERT_TRUE(pic->blendLayer(*mask, 1, {0, 0, 0, 0}, {5, 0}, false, true));
  EXPECT_TRUE(same(td(*pic, 5, 0), rgb(255, 255, 255)));
  EXPECT_TRUE(same(td(*pic, 6, 0), rgb(10, 120, 30))) << "black leaves the picture unchanged";
  EXPECT_TRUE(same(td(*pic, 4, 0), rgb(10, 120, 30)));
}

TEST(CoreBlend, AlphaModes) {
  // Code 10: source over destination by the source alpha.
  ImagePtr dst = solid(2, 1, rgb(0, 0, 0));
  dst->allocAlpha(200);
  ImagePtr src = solid(2, 1, rgb(255, 255, 255));
  src->allocAlpha();
  src->alphaRow(0)[0] = 51;
  src->alphaRow(0)[1] = 0;
  ASSERT_TRUE(dst->blendLayer(*src, 10, {}, {0, 0}, true, false));
  EXPECT_EQ(dst->pixelColor(0, 0).red, 51);
  EXPECT_EQ(dst->alphaRow(0)[0], 51 * 200 / 255);
  EXPECT_EQ(dst->pixelColor(1, 0).red, 0) << "a transparent source pixel keeps the destination";
  EXPECT_EQ(dst->alphaRow(0)[1], 0);
  // Code 34 sets the destination alpha to the source's grey value, making a plane if needed.
  ImagePtr pic = solid(2, 2, rgb(5, 6, 7));
  ImagePtr grey = solid(2, 2, rgb(100, 150, 200));
  ASSERT_TRUE(pic->blendLayer(*grey, 34, {}, {0, 0}, false, false));
  ASSERT_TRUE(pic->alpha);
  EXPECT_EQ(pic->alphaRow(1)[1], (601 * 150 + 306 * 100 + 117 * 200) >> 10);
  EXPECT_TRUE(same(pic->pixelColor(1, 1), rgb(5, 6, 7)));
  // Code 12 keeps this image over the source by its own alpha.
  ImagePtr top = solid(1, 1, rgb(200, 0, 0));
  top->allocAlpha(255);
  ImagePtr under = solid(1, 1, rgb(0, 0, 100));
  ASSERT_TRUE(top->blendLayer(*under, 12, {}, {0, 0}, false, false));
  EXPECT_TRUE(same(top->pixelColor(0, 0), rgb(200, 0, 0)));
  top->alphaRow(0)[0] = 0;
  ASSERT_TRUE(top->blendLayer(*under, 12, {}, {0, 0}, false, false));
  EXPECT_TRUE(same(top->pixelColor(0, 0), rgb(0, 0, 100))) << "transparent here: the source shows";
}

TEST(CoreBlend, RectanglesOffsetsAndRefusedCodes) {
  ImagePtr src = pattern(6, 5);
  ImagePtr dst = solid(10, 10, rgb(0, 0, 0));
  // Columns 2..4, top-down rows 1..3 of the source, placed at (7, 8): clipped at both edges.
  ASSERT_TRUE(dst->blendLayer(*src, 35, {2, 1, 5, 4}, {7, 8}, false, true));
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const int32_t sx = x - 7 + 2, sy = y - 8 + 1;
      const bool covered = x >= 7 && sx < 5 && y >= 8 && sy < 4;
      EXPECT_TRUE(same(td(*dst, x, y), covered ? td(*src, sx, sy) : rgb(0, 0, 0))) << x << "," << y;
    }
  // Negative offsets clip on the other side (bottom-up placement).
  ImagePtr low = solid(4, 4, rgb(0, 0, 0));
  ASSERT_TRUE(low->blendLayer(*src, 35, {}, {-4, -3}, false, false));
  EXPECT_TRUE(same(low->pixelColor(0, 0), src->pixelColor(4, 3)));
  EXPECT_TRUE(same(low->pixelColor(2, 0), rgb(0, 0, 0)));
  // Codes without a formula change nothing and report failure.
  for (int32_t op : {0, 9, 13, 33, 36, -1}) {
    ImagePtr d = solid(3, 3, rgb(1, 2, 3));
    const uint64_t before = pixelHash(*d);
    EXPECT_FALSE(d->blendLayer(*src, op, {}, {0, 0}, true, true)) << op;
    EXPECT_EQ(pixelHash(*d), before);
  }
  ImagePtr empty = Image::make();
  EXPECT_FALSE(dst->blendLayer(*empty, 1, {}, {0, 0}, false, true));
}

// ---- platform bitmaps ----

TEST(CoreBitmap, ToBitmapHandleCopiesHeaderPaletteAndRows) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    ImagePtr img = pattern(23, 7, bpp);
    ZlvHBITMAP bm = ops(*img).ToBitmapHandle(img.get(), nullptr, true);  // no alpha plane: as stored
    ASSERT_NE(bm, nullptr);
    ZvBitmapInfoHeader h;
    ASSERT_TRUE(zlvGetBitmapHeader(bm, &h));
    EXPECT_EQ(h.biBitCount, bpp);
    EXPECT_EQ(std::memcmp(zlvGetBitmapBits(bm), img->bits(), img->head.biSizeImage), 0);
    if (bpp <= 8) {
      uint32_t n = 0;
      const void* pal = zlvGetBitmapPalette(bm, &n);
      ASSERT_EQ(n, img->numColors());
      EXPECT_EQ(std::memcmp(pal, img->palette(), n * 4), 0);
    }
    // And back again.
    ImagePtr back = Image::make();
    ASSERT_TRUE(ops(*back).FromBitmapHandle(back.get(), bm, nullptr, false));
    EXPECT_EQ(pixelHash(*back), pixelHash(*img));
    zlvDeleteBitmap(bm);
  }
}

TEST(CoreBitmap, AlphaTravelsAsThirtyTwoBitRows) {
  ImagePtr img = pattern(9, 5, 24, true);
  ZlvHBITMAP bm = img->toBitmapHandle(nullptr, true);
  ASSERT_NE(bm, nullptr);
  ZvBitmapInfoHeader h;
  ASSERT_TRUE(zlvGetBitmapHeader(bm, &h));
  EXPECT_EQ(h.biBitCount, 32);
  const auto* px = static_cast<const uint8_t*>(zlvGetBitmapBits(bm));
  int bad = 0;
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 9; ++x) {
      const uint8_t* q = px + (size_t(y) * 9 + x) * 4;
      const ZvRGBQuad c = img->pixelColor(x, y, true);
      bad += q[0] != c.blue || q[1] != c.green || q[2] != c.red || q[3] != c.reserved;
    }
  EXPECT_EQ(bad, 0) << "not premultiplied, alpha in the fourth byte";
  ImagePtr back = Image::make();
  ASSERT_TRUE(back->fromBitmapHandle(bm, nullptr, true));
  EXPECT_EQ(back->depth(), 24);
  EXPECT_EQ(pixelHash(*back), pixelHash(*img));
  ImagePtr flat = Image::make();
  ASSERT_TRUE(flat->fromBitmapHandle(bm, nullptr, false));
  EXPECT_FALSE(flat->alpha);
  zlvDeleteBitmap(bm);
  // Without alpha requested the section is the 24-bit picture as stored.
  ZlvHBITMAP plain = img->toBitmapHandle(nullptr, false);
  ASSERT_TRUE(zlvGetBitmapHeader(plain, &h));
  EXPECT_EQ(h.biBitCount, 24);
  zlvDeleteBitmap(plain);
}

TEST(CoreBitmap, BadHandlesFail) {
  ImagePtr img = pattern(3, 3);
  EXPECT_FALSE(ops(*img).FromBitmapHandle(img.get(), nullptr, nullptr, false));
  EXPECT_TRUE(img->valid()) << "a null handle changes nothing";
  ZlvHBITMAP bm = img->toBitmapHandle(nullptr, false);
  zlvDeleteBitmap(bm);
  EXPECT_FALSE(img->fromBitmapHandle(bm, nullptr, false)) << "deleted handle";
}

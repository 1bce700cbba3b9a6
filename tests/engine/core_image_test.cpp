// The image object: defaults, Create's size rules, copies and moves, palette search and
// pixel access, reached through the operation table as the program reaches them.
#include <algorithm>
#include <cstring>

#include "core_support.h"

using namespace coretest;

TEST(CoreImage, FreshObjectHasTheDocumentedDefaults) {
  ImagePtr img = Image::make(ZV_TYPE_JPG, zelvo::ImageKind::Jpeg);
  const ZvImageOps& t = ops(*img);
  EXPECT_FALSE(t.IsValid(img.get()));
  EXPECT_EQ(t.GetWidth(img.get()), 0u);
  EXPECT_EQ(t.GetHeight(img.get()), 0u);
  EXPECT_EQ(t.GetType(img.get()), uint32_t(ZV_TYPE_JPG));
  EXPECT_EQ(t.GetJpegQuality(img.get()), 90);
  EXPECT_EQ(t.GetXDPI(img.get()), 96);
  EXPECT_EQ(t.GetYDPI(img.get()), 96);
  EXPECT_EQ(t.GetTransIndex(img.get()), -1);
  EXPECT_FALSE(t.GetLoadAllFrames(img.get()));
  EXPECT_EQ(t.GetCodecOption(img.get(), ZV_TYPE_JPG), uint32_t(ZV_JPEG_UPRIGHT));
  EXPECT_EQ(t.GetCodecOption(img.get(), ZV_TYPE_PNG), 0u);
  EXPECT_EQ(t.GetRow(img.get(), 0), nullptr);
  EXPECT_EQ(t.GetFrame(img.get(), -1), nullptr);
  EXPECT_STREQ(t.GetLastError(img.get()), "");
}

TEST(CoreImage, CreateSizeRules) {
  struct Case {
    uint32_t w, h, bpp;
    bool ok;
    uint16_t depth;
    uint32_t colors;
    const char* error;
  };
  const Case cases[] = {
      {0, 10, 24, false, 0, 0, "ZvImage::Create : width and height must be greater than zero"},
      {10, 0, 8, false, 0, 0, "ZvImage::Create : width and height must be greater than zero"},
      {20000, 20000, 24, false, 0, 0, "ZVIMAGE_MAX_MEMORY exceeded"},
      // The 32-bit product wraps to a small number: still refused.
      {65536, 65537, 8, false, 0, 0, "ZVIMAGE_MAX_MEMORY exceeded"},
      // Wider than a signed header field can hold.
      {0x80000000u, 1, 1, false, 0, 0, "ZVIMAGE_MAX_MEMORY exceeded"},
      {10, 10, 3, true, 4, 16, ""},
      {10, 10, 0, true, 1, 2, ""},
      {10, 10, 5, true, 8, 256, ""},
      {10, 10, 16, true, 24, 0, ""},
      {10, 10, 32, true, 24, 0, ""},
      // Exactly 300 MiB of pixels is allowed (8 bits, 314572800 pixels).
      {16384, 19200, 8, true, 8, 256, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(c.bpp));
    ImagePtr img = Image::make();
    const ZvImageOps& t = ops(*img);
    void* block = t.Create(img.get(), c.w, c.h, c.bpp, 0);
    EXPECT_EQ(block != nullptr, c.ok);
    EXPECT_STREQ(t.GetLastError(img.get()), c.error);
    if (!c.ok) {
      EXPECT_FALSE(t.IsValid(img.get()));
      continue;
    }
    EXPECT_EQ(t.GetDepth(img.get()), c.depth);
    EXPECT_EQ(t.GetNumColors(img.get()), c.colors);
    EXPECT_EQ(t.GetStride(img.get()), (c.w * c.depth + 31) / 32 * 4);
    EXPECT_EQ(t.GetImageSize(img.get()), t.GetStride(img.get()) * c.h);
    EXPECT_EQ(t.GetSize(img.get()), 40 + c.colors * 4 + t.GetImageSize(img.get()));
    // The block starts with the header, then the zeroed palette.
    ZvBitmapInfoHeader h;
    std::memcpy(&h, block, sizeof h);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, int32_t(c.w));
    EXPECT_EQ(h.biBitCount, c.depth);
    EXPECT_EQ(h.biClrUsed, c.colors);
    for (uint32_t i = 0; i < c.colors; ++i) EXPECT_TRUE(same(t.GetPaletteColor(img.get(), uint8_t(i)), {}, true));
    EXPECT_EQ(t.GetRow(img.get(), int32_t(c.h)), nullptr);
    EXPECT_EQ(t.GetRow(img.get(), 1), t.GetRow(img.get(), 0) + t.GetStride(img.get()));
  }
}

TEST(CoreImage, FailedCreateLeavesAnEmptyImage) {
  ImagePtr img = pattern(8, 8);
  EXPECT_EQ(ops(*img).Create(img.get(), 0, 5, 24, 0), nullptr);
  EXPECT_FALSE(img->valid());
  EXPECT_EQ(ops(*img).GetWidth(img.get()), 0u);
}

// Decoders rely on it: rows a short file never reaches stay black, not old heap bytes.
TEST(CoreImage, CreateHandsOutZeroedPixels) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    ImagePtr img = Image::make();
    for (int round = 0; round < 2; ++round) {
      ASSERT_NE(img->create(301, 67, bpp, 0), nullptr);
      const size_t bytes = size_t(img->stride()) * size_t(img->height());
      EXPECT_EQ(std::count(img->bits(), img->bits() + bytes, 0), std::ptrdiff_t(bytes)) << bpp << " round " << round;
      std::memset(img->bits(), 0xAB, bytes);  // the next Create may get this block back
    }
  }
}

TEST(CoreImage, ResolutionAndQualityAccessors) {
  ImagePtr img = pattern(4, 4);
  const ZvImageOps& t = ops(*img);
  struct Case {
    int32_t set, expect, ppm;
  };
  for (const Case c : {Case{300, 300, 11811}, Case{0, 96, 3780}, Case{-5, 96, 3780}, Case{72, 72, 2835}}) {
    t.SetXDPI(img.get(), c.set);
    t.SetYDPI(img.get(), c.set);
    EXPECT_EQ(t.GetXDPI(img.get()), c.expect);
    EXPECT_EQ(img->head.biXPelsPerMeter, c.ppm);
    ZvBitmapInfoHeader h;
    std::memcpy(&h, t.GetPixelBlock(img.get()), sizeof h);
    EXPECT_EQ(h.biYPelsPerMeter, c.ppm) << "block header kept in step";
  }
  for (uint8_t q : {uint8_t(0), uint8_t(1), uint8_t(80), uint8_t(100)}) {
    t.SetJpegQuality(img.get(), q);
    EXPECT_EQ(t.GetJpegQuality(img.get()), q);
  }
  img->info.jpegQuality = 74.5f;
  EXPECT_EQ(t.GetJpegQuality(img.get()), 75) << "rounded half up";
  // Unknown ids select the word of the image's own type.
  img->info.type = ZV_TYPE_PNG;
  EXPECT_TRUE(t.SetCodecOption(img.get(), 0x55, 999));
  EXPECT_EQ(t.GetCodecOption(img.get(), ZV_TYPE_PNG), 0x55u);
  EXPECT_EQ(t.GetCodecOption(img.get(), 0), 0x55u);
}

TEST(CoreImage, CopyDuplicatesPixelsPlanesAndFrames) {
  ImagePtr src = pattern(13, 7, 24, true);
  src->allocSelection(9);
  src->info.transIndex = 3;
  src->setDpi(150, 200);
  ASSERT_TRUE(src->createFrames(2, 40));
  src->frames[1]->copy(*pattern(3, 3), true, false, false, false);
  ImagePtr dst = pattern(2, 2, 8);
  ops(*dst).Copy(dst.get(), src.get(), true, true, true, true);
  EXPECT_EQ(pixelHash(*dst), pixelHash(*src));
  EXPECT_NE(dst->bits(), src->bits());
  ASSERT_TRUE(dst->selection);
  EXPECT_EQ(dst->selection.get()[50], 9);
  EXPECT_EQ(dst->info.transIndex, 3);
  EXPECT_EQ(dst->info.xdpi, 150);
  ASSERT_EQ(dst->frames.size(), 2u);
  EXPECT_EQ(dst->frames[0]->info.frameDelay, 40);
  EXPECT_EQ(pixelHash(*dst->frames[1]), pixelHash(*src->frames[1]));
  EXPECT_NE(dst->frames[1].get(), src->frames[1].get());

  // Without pixels only the palette travels; planes only when asked.
  ImagePtr pal = pattern(5, 5, 8, true);
  ImagePtr shape = Image::make();
  shape->copy(*pal, false, false, false, false);
  ASSERT_TRUE(shape->valid());
  EXPECT_EQ(std::memcmp(shape->palette(), pal->palette(), 1024), 0);
  EXPECT_EQ(shape->pixelIndex(1, 1), 0);
  EXPECT_FALSE(shape->alpha);
}

TEST(CoreImage, TransferMovesEverythingAndEmptiesTheSource) {
  ImagePtr src = pattern(9, 4, 24, true);
  src->info.type = ZV_TYPE_PNG;
  src->createFrames(3, 10);
  const uint64_t hash = pixelHash(*src);
  const uint8_t* block = src->block.get();
  ImagePtr dst = Image::make(ZV_TYPE_GIF, zelvo::ImageKind::Gif);
  ASSERT_TRUE(ops(*dst).Transfer(dst.get(), src.get(), true));
  EXPECT_EQ(dst->block.get(), block);
  EXPECT_EQ(pixelHash(*dst), hash);
  EXPECT_EQ(dst->info.type, uint32_t(ZV_TYPE_PNG));
  EXPECT_EQ(dst->frames.size(), 3u);
  EXPECT_FALSE(src->valid());
  EXPECT_FALSE(src->alpha);
  EXPECT_EQ(src->frames.size(), 0u);
  EXPECT_EQ(src->info.type, uint32_t(ZV_TYPE_PNG));
  EXPECT_EQ(ops(*src).GetWidth(src.get()), 0u);
  // The emptied source is usable again.
  EXPECT_NE(src->create(2, 2, 8, 0), nullptr);
  // Without take-frames the frames stay where they are.
  ImagePtr other = pattern(2, 2);
  other->createFrames(1, 5);
  ASSERT_TRUE(dst->transfer(*other, false));
  EXPECT_EQ(dst->frames.size(), 3u);
  EXPECT_EQ(other->frames.size(), 1u);
}

TEST(CoreImage, NearestIndexSearch) {
  ImagePtr img = Image::make();
  img->create(4, 4, 8, 0);
  ZvRGBQuad* pal = img->palette();
  for (int i = 0; i < 256; ++i) pal[i] = rgb(255, 255, 255);  // all far away
  pal[10] = rgb(100, 100, 100);
  pal[20] = rgb(100, 100, 100);  // tie: the lower index wins
  pal[30] = rgb(0, 0, 0);
  img->setPalette(pal, 256);
  const ZvImageOps& t = ops(*img);
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(101, 99, 100)), 10);
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(5, 5, 5)), 30);
  // Important colours limit the search to the first entries.
  t.SetClrImportant(img.get(), 25);
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(5, 5, 5)), 10);
  t.SetClrImportant(img.get(), 0);
  // The cache answers a repeated colour; changing the palette forgets it.
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(2, 2, 2)), 30);
  pal[30] = rgb(200, 0, 0);
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(2, 2, 2)), 30) << "cache still holds the old answer";
  t.SetPaletteColor(img.get(), 30, rgb(200, 0, 0));
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(2, 2, 2)), 10);
  // The cache compares all four bytes.
  EXPECT_EQ(t.GetNearestIndex(img.get(), rgb(2, 2, 2, 7)), 10);
  // Every colour farther than 200000 keeps index 0.
  ImagePtr black = Image::make();
  black->create(2, 2, 1, 0);
  EXPECT_EQ(black->nearestIndex(rgb(255, 255, 255)), 0) << "3*255^2 = 195075 < 200000";
  black->palette()[1] = rgb(255, 255, 255);
  black->setPalette(black->palette(), 2);
  EXPECT_EQ(black->nearestIndex(rgb(250, 250, 250)), 1);
}

TEST(CoreImage, PixelAccessAtEveryDepth) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    ImagePtr img = Image::make();
    const ZvImageOps& t = ops(*img);
    ASSERT_NE(t.Create(img.get(), 19, 5, bpp, 0), nullptr);
    if (bpp <= 8) t.SetGrayPalette(img.get());
    EXPECT_EQ(t.IsIndexed(img.get()), bpp <= 8);
    EXPECT_EQ(t.IsGrayScale(img.get()), bpp <= 8);
    const ZvRGBQuad white = rgb(255, 255, 255), black = rgb(0, 0, 0);
    for (int32_t x = 0; x < 19; ++x) t.SetPixelColor(img.get(), x, 2, (x % 3) ? white : black, false);
    for (int32_t x = 0; x < 19; ++x) {
      EXPECT_TRUE(same(t.GetPixelColor(img.get(), x, 2, false), (x % 3) ? white : black)) << x;
      EXPECT_TRUE(same(t.GetPixelColor(img.get(), x, 1, false), black)) << "neighbour row untouched";
    }
    EXPECT_EQ(t.GetPixelGray(img.get(), 1, 2), 255);
    // Outside the picture: ignored and black.
    t.SetPixelColor(img.get(), 19, 2, white, false);
    t.SetPixelColor(img.get(), -1, 2, white, false);
    EXPECT_TRUE(same(t.GetPixelColor(img.get(), 19, 2, false), black));
    EXPECT_FALSE(t.IsInside(img.get(), 0, 5));
    EXPECT_TRUE(t.IsInside(img.get(), 18, 4));
  }
}

TEST(CoreImage, AlphaIsWrittenOnlyWhenAskedAndPresent) {
  ImagePtr img = pattern(4, 4);
  const ZvImageOps& t = ops(*img);
  t.SetPixelColor(img.get(), 1, 1, rgb(1, 2, 3, 77), true);  // no plane: nothing to write
  EXPECT_EQ(t.GetPixelColor(img.get(), 1, 1, true).reserved, 0);
  img->allocAlpha();
  t.SetPixelColor(img.get(), 1, 1, rgb(1, 2, 3, 77), false);
  EXPECT_EQ(t.GetPixelColor(img.get(), 1, 1, true).reserved, 255);
  t.SetPixelColor(img.get(), 1, 1, rgb(1, 2, 3, 77), true);
  EXPECT_EQ(t.GetPixelColor(img.get(), 1, 1, true).reserved, 77);
  EXPECT_EQ(t.GetPixelColor(img.get(), 1, 1, false).reserved, 0);
}

TEST(CoreImage, TransparencyTests) {
  ImagePtr indexed = pattern(6, 6, 8);
  const ZvImageOps& t = ops(*indexed);
  EXPECT_FALSE(t.IsTransparent(indexed.get()));
  const uint8_t idx = indexed->pixelIndex(2, 3);
  t.SetTransIndex(indexed.get(), idx);
  EXPECT_TRUE(t.IsTransparent(indexed.get()));
  EXPECT_TRUE(t.IsTransparentAt(indexed.get(), 2, 3));
  EXPECT_FALSE(t.IsTransparentAt(indexed.get(), 3, 3));
  EXPECT_FALSE(t.IsTransparentAt(indexed.get(), 60, 3));

  ImagePtr rgbImg = solid(3, 3, rgb(10, 20, 30));
  rgbImg->setPixelColor(1, 1, rgb(1, 2, 3), false);
  t.SetTransColor(rgbImg.get(), rgb(1, 2, 3, 99));  // the fourth byte does not take part
  EXPECT_FALSE(t.IsTransparentAt(rgbImg.get(), 1, 1)) << "no transparent index yet";
  t.SetTransIndex(rgbImg.get(), 0);
  EXPECT_TRUE(t.IsTransparentAt(rgbImg.get(), 1, 1));
  EXPECT_FALSE(t.IsTransparentAt(rgbImg.get(), 0, 0));
  // An alpha of 0 is transparent too.
  rgbImg->allocAlpha();
  rgbImg->alphaRow(0)[0] = 0;
  EXPECT_TRUE(t.IsTransparentAt(rgbImg.get(), 0, 0));
  ImagePtr empty = Image::make();
  EXPECT_FALSE(t.IsTransparentAt(empty.get(), 0, 0));
}

TEST(CoreImage, FramesArray) {
  ImagePtr img = Image::make();
  const ZvImageOps& t = ops(*img);
  EXPECT_FALSE(t.CreateFrames(img.get(), 0, 100));
  EXPECT_FALSE(t.CreateFrames(img.get(), 0xFFFFFFFFu, 100)) << "absurd counts are refused";
  ASSERT_TRUE(t.CreateFrames(img.get(), 5, 100));
  EXPECT_EQ(t.GetFrameCount(img.get()), 5);
  for (int32_t k = 0; k < 5; ++k) {
    ZvImage* f = t.GetFrame(img.get(), k);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(t.IsValid(f));
    EXPECT_EQ(t.GetFrameDelay(f), 100u);
    EXPECT_EQ(t.GetFrameIndex(f), k);
  }
  ASSERT_TRUE(t.CreateFrames(img.get(), 3, 7));
  EXPECT_EQ(t.GetFrame(img.get(), -1), t.GetFrame(img.get(), 2));
  EXPECT_EQ(t.GetFrame(img.get(), 3), nullptr);
  ImagePtr pic = pattern(3, 2);
  EXPECT_TRUE(t.SetFrame(img.get(), 3, pic.get()));
  EXPECT_EQ(t.GetFrameCount(img.get()), 4);
  EXPECT_EQ(pixelHash(*Image::from(t.GetFrame(img.get(), 3))), pixelHash(*pic));
  EXPECT_FALSE(t.SetFrame(img.get(), 9, pic.get()));
  EXPECT_TRUE(t.DestroyFrames(img.get()));
  EXPECT_EQ(t.GetFrameCount(img.get()), 0);
}

TEST(CoreImage, RawExportImportRoundTrip) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    ImagePtr img = pattern(11, 6, bpp);
    const size_t rowBytes = (11 * bpp + 7) / 8;
    std::vector<uint8_t> raw(rowBytes * 6);
    const ZvImageOps& t = ops(*img);
    EXPECT_FALSE(t.ExportRaw(img.get(), raw.data(), raw.size() - 1, true)) << "capacity checked";
    ASSERT_TRUE(t.ExportRaw(img.get(), raw.data(), raw.size(), true));
    EXPECT_EQ(std::memcmp(raw.data(), img->row(5), rowBytes), 0) << "top row first";
    ImagePtr back = Image::make();
    back->copy(*img, false, false, false, false);
    EXPECT_FALSE(t.ImportRaw(back.get(), raw.data(), raw.size() - 1, true));
    ASSERT_TRUE(t.ImportRaw(back.get(), raw.data(), raw.size(), true));
    EXPECT_EQ(pixelHash(*back), pixelHash(*img));
  }
}

TEST(CoreImage, SwapIndexKeepsTheLook) {
  ImagePtr img = pattern(7, 7, 4);
  ImagePtr before = Image::make();
  before->copy(*img, true, false, false, false);
  ASSERT_TRUE(ops(*img).SwapIndex(img.get(), 2, 9));
  EXPECT_FALSE(ops(*img).SwapIndex(img.get(), 2, 16));
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 7; ++x) EXPECT_TRUE(same(img->pixelColor(x, y), before->pixelColor(x, y)));
  EXPECT_TRUE(same(img->palette()[2], before->palette()[9]));
}

TEST(CoreImage, OperationsOnAnEmptyImageFailQuietly) {
  ImagePtr img = Image::make();
  const ZvImageOps& t = ops(*img);
  ImagePtr other = pattern(2, 2);
  EXPECT_FALSE(t.ResampleInterpolated(img.get(), 5, 5, 2, 5, nullptr, false));
  EXPECT_FALSE(t.RotateLeft(img.get(), nullptr));
  EXPECT_FALSE(t.RotateRight(img.get(), nullptr));
  EXPECT_FALSE(t.Rotate180(img.get(), nullptr));
  EXPECT_FALSE(t.Flip(img.get(), true, true));
  EXPECT_FALSE(t.Mirror(img.get(), true, true));
  EXPECT_FALSE(t.IncreaseBpp(img.get(), 24));
  EXPECT_FALSE(t.FillColor(img.get(), rgb(1, 1, 1), nullptr, false));
  EXPECT_FALSE(t.BlendLayer(img.get(), other.get(), 1, {}, {0, 0}, false, true));
  EXPECT_EQ(t.ToBitmapHandle(img.get(), nullptr, false), nullptr);
  t.PasteAt(img.get(), other.get(), 0, 0);
  EXPECT_EQ(t.GetPixelIndex(img.get(), 0, 0), 0);
  EXPECT_EQ(t.GetPalette(img.get()), nullptr);
  EXPECT_STREQ(t.GetLastError(img.get()), "");
}

TEST(CoreImage, LastErrorIsBoundedAndTerminated) {
  ImagePtr img = Image::make();
  std::string longText(400, 'x');
  ops(*img).SetLastError(img.get(), longText.c_str());
  EXPECT_EQ(std::strlen(ops(*img).GetLastError(img.get())), 255u);
  ops(*img).SetLastError(img.get(), nullptr);
  EXPECT_STREQ(ops(*img).GetLastError(img.get()), "");
}

// DecreaseBpp and the nearest-colour search: the fixed palettes, the search rule, error
// diffusion (weights, truncation, clamping, row order) and the depth rules.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/ColorReduction.h"
#include "core/Image.h"
#include "core/Status.h"

namespace zelvo {
namespace {

ImagePtr grey24(int32_t w, int32_t h, std::initializer_list<uint8_t> stored) {
  ImagePtr img = Image::make();
  EXPECT_TRUE(img->create(uint32_t(w), uint32_t(h), 24, 0));
  auto it = stored.begin();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x, ++it) img->setPixelColor(x, y, {*it, *it, *it, 0}, false);
  return img;
}

uint32_t rgbAt(std::span<const ZvRGBQuad> pal, size_t i) {
  return uint32_t(pal[i].red) << 16 | uint32_t(pal[i].green) << 8 | pal[i].blue;
}

// The plain scan the search must agree with: lowest index at the minimal distance.
uint8_t linearNearest(std::span<const ZvRGBQuad> pal, int r, int g, int b) {
  int best = 200000, index = 0;
  for (size_t i = 0; i < pal.size(); ++i) {
    const int db = pal[i].blue - b, dg = pal[i].green - g, dr = pal[i].red - r;
    const int d = db * db + dg * dg + dr * dr;
    if (d < best) best = d, index = int(i);
    if (d == 0) break;
  }
  return uint8_t(index);
}

TEST(ColorReductionPalettes, FixedTablesHoldTheListedColours) {
  const auto p1 = standardPalette(1), p4 = standardPalette(4), p8 = standardPalette(8);
  ASSERT_EQ(p1.size(), 2u);
  ASSERT_EQ(p4.size(), 16u);
  ASSERT_EQ(p8.size(), 256u);
  EXPECT_TRUE(standardPalette(24).empty());
  EXPECT_EQ(rgbAt(p1, 1), 0xFFFFFFu);
  const uint32_t four[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                           0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                           0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(rgbAt(p4, i), four[i]) << i;
  // Spot checks across the 8-bit table: fixed colours, hue families, greys, last row.
  const std::pair<size_t, uint32_t> eight[] = {
      {0, 0x000000},   {8, 0xC0DCC0},   {9, 0xA6CAF0},   {10, 0xFFF0D4}, {15, 0xFFAA25},
      {40, 0xFE0000},  {112, 0x0000FE}, {131, 0xB1E2FF}, {184, 0x00FE00}, {225, 0x505000},
      {226, 0xF2F2F2}, {245, 0x0E0E0E}, {246, 0xFFFBF0}, {247, 0xA0A0A4}, {248, 0x808080},
      {249, 0xFF0000}, {252, 0x0000FF}, {255, 0xFFFFFF}};
  for (auto [i, rgb] : eight) EXPECT_EQ(rgbAt(p8, i), rgb) << i;
  for (size_t i = 226; i <= 245; ++i) {
    const uint8_t v = uint8_t(0xF2 - 0x0C * (i - 226));
    EXPECT_EQ(rgbAt(p8, i), uint32_t(v) * 0x010101u) << i;
  }
  for (const ZvRGBQuad& c : p8) EXPECT_EQ(c.reserved, 0);
}

TEST(ColorReductionSearch, AgreesWithTheLinearScan) {
  std::mt19937 rng(7);
  // The standard table, and a small table full of duplicates and equal-distance pairs.
  std::vector<ZvRGBQuad> dupes;
  for (int i = 0; i < 40; ++i) {
    const uint8_t v = uint8_t((i % 5) * 60);
    dupes.push_back({v, uint8_t(255 - v), uint8_t((i % 3) * 100), 0});
  }
  for (std::span<const ZvRGBQuad> pal : {standardPalette(8), standardPalette(4),
                                          std::span<const ZvRGBQuad>(dupes)}) {
    NearestColor search(pal);
    for (int n = 0; n < 60000; ++n) {
      const int r = int(rng() & 255), g = int(rng() & 255), b = int(rng() & 255);
      ASSERT_EQ(search.find(uint8_t(r), uint8_t(g), uint8_t(b)), linearNearest(pal, r, g, b))
          << r << "," << g << "," << b;
    }
  }
}

TEST(ColorReductionSearch, ReductionStoresTheLinearScanAnswer) {
  // The shared standard-palette searches, reached through DecreaseBpp.
  std::mt19937 rng(21);
  for (uint32_t depth : {1u, 4u, 8u}) {
    ImagePtr img = Image::make();
    ASSERT_TRUE(img->create(64, 64, 24, 0));
    std::vector<ZvRGBQuad> colours;
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x) {
        const ZvRGBQuad c{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
        colours.push_back(c);
        img->setPixelColor(x, y, c, false);
      }
    ASSERT_TRUE(img->decreaseBpp(depth, false, nullptr, 0));
    size_t n = 0;
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x, ++n) {
        const ZvRGBQuad c = colours[n];
        ASSERT_EQ(img->pixelIndex(x, y), linearNearest(standardPalette(depth), c.red, c.green, c.blue))
            << depth << " at " << x << "," << y;
      }
  }
}

TEST(ColorReductionSearch, KnownColoursOfTheStandardPalette) {
  ImagePtr img = grey24(2, 1, {0, 0});
  img->setPixelColor(0, 0, {0, 0, 0xFF, 0}, false);     // pure red
  img->setPixelColor(1, 0, {0x80, 0x80, 0x80, 0}, false);  // mid grey: first exact match
  ASSERT_TRUE(img->decreaseBpp(8, false, nullptr, 0));
  EXPECT_EQ(img->pixelIndex(0, 0), 249);
  EXPECT_EQ(img->pixelIndex(1, 0), 248);
}

// Pictures reduced to 1 bit, where a pixel's result shows the value diffusion gave it.
struct DiffusionCase {
  const char* what;
  int32_t w, h;
  std::initializer_list<uint8_t> stored;  // bottom row first
  std::vector<uint8_t> indices;           // expected, bottom row first
};

TEST(ColorReductionDiffusion, WeightsTruncationClampingAndRowOrder) {
  const DiffusionCase cases[] = {
      // 200 -> white, error -55: right neighbour gets -385/16 = -24 (toward zero), 152 -> 128
      // is white; rounding down (-25) would make it 127, black.
      {"truncates toward zero", 2, 1, {200, 152}, {1, 1}},
      // 100 -> black, error +100: 250 + 43 clamps to 255, white; wrapping would give 37.
      {"clamps to 255", 2, 1, {100, 250}, {0, 1}},
      // The error goes to the next stored row (up on screen): 110 + 25 = 135 is white.
      {"next stored row", 1, 2, {100, 110}, {0, 1}},
      // (0,0)=100 gives (1,1) 100/16 = 6; its other neighbours land on exact white and
      // pass nothing on, so 122 + 6 = 128 is white.
      {"lower-right weight 1/16", 2, 2, {100, 212, 230, 122}, {0, 1, 1, 1}},
  };
  for (const DiffusionCase& c : cases) {
    ImagePtr img = grey24(c.w, c.h, c.stored);
    ASSERT_TRUE(img->decreaseBpp(1, true, nullptr, 0)) << c.what;
    ASSERT_EQ(img->depth(), 1) << c.what;
    std::vector<uint8_t> got;
    for (int32_t y = 0; y < c.h; ++y)
      for (int32_t x = 0; x < c.w; ++x) got.push_back(img->pixelIndex(x, y));
    EXPECT_EQ(got, c.indices) << c.what;
  }
}

TEST(ColorReductionDiffusion, LeftNeighbourOfTheNextRowGetsTwoSixteenths) {
  // (1,0)=100 -> black (error 100) sends 100*2/16 = 12 to (0,1): 116 + 12 = 128 -> white;
  // (0,0)=0 is exact and sends nothing. Weight 1/16 would leave it at 122, black.
  ImagePtr img = grey24(2, 2, {0, 100, 116, 0});
  ASSERT_TRUE(img->decreaseBpp(1, true, nullptr, 0));
  EXPECT_EQ(img->pixelIndex(0, 1), 1);
}

TEST(ColorReductionDiffusion, WithoutDiffusionEveryPixelIsItsOwnNearest) {
  ImagePtr img = grey24(2, 1, {100, 150});
  ASSERT_TRUE(img->decreaseBpp(1, false, nullptr, 0));
  EXPECT_EQ(img->pixelIndex(0, 0), 0);
  EXPECT_EQ(img->pixelIndex(1, 0), 1);
}

TEST(ColorReductionDecrease, ResultUsesTheStandardPaletteAndKeepsAlphaAndFrames) {
  ImagePtr img = Image::make();
  ASSERT_TRUE(img->create(37, 23, 24, 4));
  std::mt19937 rng(3);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 37; ++x)
      img->setPixelColor(x, y, {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0}, false);
  ASSERT_TRUE(img->allocAlpha(200));
  img->alphaRow(5)[7] = 9;
  ASSERT_TRUE(img->createFrames(3, 40));
  ASSERT_TRUE(img->decreaseBpp(8, true, nullptr, 0));
  EXPECT_EQ(img->depth(), 8);
  EXPECT_EQ(img->width(), 37);
  EXPECT_EQ(img->height(), 23);
  EXPECT_EQ(img->info.type, 4u);
  const auto std8 = standardPalette(8);
  EXPECT_EQ(std::memcmp(img->palette(), std8.data(), 256 * sizeof(ZvRGBQuad)), 0);
  ASSERT_TRUE(img->alpha);
  EXPECT_EQ(img->alphaRow(5)[7], 9);
  EXPECT_EQ(img->alphaRow(0)[0], 200);
  EXPECT_EQ(img->frames.size(), 3u);
  char16_t text[kStatusUnits];
  EXPECT_EQ(statusRead(text), 0);  // status reset when done
  EXPECT_EQ(text[0], u'\0');
}

TEST(ColorReductionDecrease, DepthRules) {
  ImagePtr img = grey24(3, 2, {1, 2, 3, 4, 5, 6});
  ASSERT_TRUE(img->decreaseBpp(8, false, nullptr, 0));
  const std::vector<uint8_t> before(img->block.get(),
                                    img->block.get() + 40 + 1024 + img->head.biSizeImage);
  // Same depth, no important colours: nothing changes.
  EXPECT_TRUE(img->decreaseBpp(8, true, nullptr, 0));
  EXPECT_EQ(std::memcmp(before.data(), img->block.get(), before.size()), 0);
  // A deeper target fails with the message and leaves the picture.
  EXPECT_FALSE(img->decreaseBpp(24, true, nullptr, 0));
  EXPECT_STREQ(img->lastError(), "DecreaseBpp: target BPP greater than source BPP");
  EXPECT_EQ(img->depth(), 8);
  // An empty image fails.
  ImagePtr empty = Image::make();
  EXPECT_FALSE(empty->decreaseBpp(8, true, nullptr, 0));
}

TEST(ColorReductionDecrease, GivenPaletteAndImportantColours) {
  std::vector<ZvRGBQuad> pal(256, ZvRGBQuad{0, 0, 0, 0});
  pal[0] = {0, 0, 0, 0};
  pal[1] = {255, 255, 255, 0};
  pal[2] = {0, 0, 200, 0};     // dark red
  pal[3] = {0, 200, 0, 0};     // green
  pal[4] = {0, 0, 255, 0};     // exact red, beyond the important count
  ImagePtr img = grey24(2, 1, {0, 0});
  img->setPixelColor(0, 0, {0, 0, 255, 0}, false);
  img->setPixelColor(1, 0, {250, 250, 250, 0}, false);
  ASSERT_TRUE(img->decreaseBpp(8, false, pal.data(), 4));
  EXPECT_EQ(img->head.biClrImportant, 4u);
  EXPECT_EQ(img->pixelIndex(0, 0), 2);  // only the first four entries are searched
  EXPECT_EQ(img->pixelIndex(1, 0), 1);
  EXPECT_EQ(img->palette()[4].red, 0);  // entries past the count are not copied

  // Same depth with more important colours than the image has: unchanged.
  EXPECT_TRUE(img->decreaseBpp(8, false, pal.data(), 10));
  EXPECT_EQ(img->head.biClrImportant, 4u);

  // An important count above the palette size means the whole palette.
  ImagePtr big = grey24(1, 1, {0});
  big->setPixelColor(0, 0, {0, 0, 255, 0}, false);
  ASSERT_TRUE(big->decreaseBpp(8, false, pal.data(), 100000));
  EXPECT_EQ(big->pixelIndex(0, 0), 4);
}

TEST(ColorReductionDecrease, IndexedSourceToFewerBits) {
  ImagePtr img = grey24(4, 1, {0, 90, 170, 255});
  ASSERT_TRUE(img->decreaseBpp(8, false, nullptr, 0));
  ASSERT_TRUE(img->decreaseBpp(1, true, nullptr, 0));
  EXPECT_EQ(img->depth(), 1);
  EXPECT_EQ(img->pixelIndex(0, 0), 0);
  EXPECT_EQ(img->pixelIndex(3, 0), 1);
}

}  // namespace
}  // namespace zelvo

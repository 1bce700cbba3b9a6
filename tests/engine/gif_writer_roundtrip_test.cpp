// Our own GIF reader as a second judge: what the writer stores comes back unchanged
// (indices, palette, delays, loop count, comment, transparency, true colours).
#include "gif_writer_support.h"

namespace zelvo {
namespace {

using namespace giftest;

class GifRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!codecFor(ZV_TYPE_GIF)->decode) GTEST_SKIP() << "no GIF reader registered";
  }
  static ImagePtr readBack(const Bytes& b, bool allFrames) {
    ImagePtr img = Image::make();
    img->info.loadAllFrames = allFrames;
    EXPECT_TRUE(zelvo::decodeMemory(*img, b.data(), uint32_t(b.size()), ZV_TYPE_GIF)) << img->lastError();
    return img;
  }
};

void expectSameIndices(const Image& want, const Image& got, const std::string& what) {
  ASSERT_EQ(got.width(), want.width()) << what;
  ASSERT_EQ(got.height(), want.height()) << what;
  ASSERT_LE(got.depth(), 8) << what;
  for (int32_t y = 0; y < want.height(); ++y)
    for (int32_t x = 0; x < want.width(); ++x)
      ASSERT_EQ(got.pixelIndex(x, y), want.pixelIndex(x, y)) << what << " at " << x << "," << y;
  for (uint32_t i = 0; i < want.numColors(); ++i) {
    const ZvRGBQuad a = want.palette()[i], b = got.palette()[i];
    ASSERT_TRUE(a.red == b.red && a.green == b.green && a.blue == b.blue) << what << " entry " << i;
  }
}

TEST_F(GifRoundTrip, SinglePicturesEveryDepthAndCoding) {
  for (uint32_t depth : {1u, 4u, 8u})
    for (uint32_t option : {0u, 1u}) {
      ImagePtr img = noise(300, 211, depth, depth * 10 + option);
      img->info.codecOptions[ZV_TYPE_GIF] = option;
      img->info.frameDelay = 9;
      std::strcpy(img->info.comment, "made here");
      const std::string what = std::to_string(depth) + "/" + std::to_string(option);
      ImagePtr back = readBack(encodeOk(*img), false);
      expectSameIndices(*img, *back, what);
      EXPECT_EQ(back->info.frameDelay, 9) << what;
      EXPECT_STREQ(back->info.comment, "made here") << what;
    }
}

TEST_F(GifRoundTrip, AnimationFramesDelaysAndLoops) {
  for (int32_t loops : {0, 1, 4}) {
    ImagePtr canvas = noise(2, 2, 8, 1);
    canvas->info.loops = loops;
    for (int i = 0; i < 5; ++i) {
      canvas->frames.push_back(noise(64, 48, 8, uint32_t(i + 40)));
      canvas->frames.back()->info.frameDelay = 10 * (i + 1);
    }
    ImagePtr back = readBack(encodeOk(*canvas), true);
    ASSERT_EQ(back->frames.size(), 5u) << loops;
    EXPECT_EQ(back->info.loops, loops);
    for (size_t i = 0; i < 5; ++i) {
      expectSameIndices(*canvas->frames[i], *back->frames[i], "frame " + std::to_string(i));
      EXPECT_EQ(back->frames[i]->info.frameDelay, int32_t(10 * (i + 1)));
    }
  }
}

TEST_F(GifRoundTrip, TransparentIndexSurvives) {
  ImagePtr img = noise(40, 30, 8, 3);
  img->info.transIndex = 17;
  ImagePtr back = readBack(encodeOk(*img), false);
  EXPECT_EQ(back->info.transIndex, 17);
  expectSameIndices(*img, *back, "transparent");
}

TEST_F(GifRoundTrip, TiledTrueColourIsExact) {
  ImagePtr rgb = Image::make();
  ASSERT_TRUE(rgb->create(101, 47, 24, 0));
  std::mt19937 rng(8);
  for (int32_t y = 0; y < 47; ++y)
    for (int32_t x = 0; x < 101; ++x)
      rgb->setPixelColor(x, y, {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0}, false);
  ImagePtr back = readBack(encodeOk(*rgb), false);
  ASSERT_EQ(back->width(), 101);
  ASSERT_EQ(back->height(), 47);
  for (int32_t y = 0; y < 47; ++y)
    for (int32_t x = 0; x < 101; ++x) {
      const ZvRGBQuad a = rgb->pixelColor(x, y, false), b = back->pixelColor(x, y, false);
      ASSERT_TRUE(a.red == b.red && a.green == b.green && a.blue == b.blue) << x << "," << y;
    }
}

}  // namespace
}  // namespace zelvo

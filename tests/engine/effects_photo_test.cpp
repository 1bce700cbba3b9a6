// Photo effects through the image table: properties each effect must keep, and refusal of
// absurd parameters without touching the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frames_support.h"

using namespace frames_test;

namespace {

const ZvImageOps* ops() { return zelvo::imageOps(); }

ImagePtr gradient(int32_t w = 40, int32_t h = 30) {
  return picture(w, h, [](int32_t x, int32_t y) {
    return Rgb{uint8_t(x * 6), uint8_t(y * 8), uint8_t((x + y) * 3)};
  });
}

bool samePixels(const Image& a, const Image& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int32_t y = 0; y < a.height(); ++y)
    if (std::memcmp(a.row(y), b.row(y), size_t(a.width()) * 3) != 0) return false;
  return true;
}

ImagePtr copyOf(const Image& src) {
  ImagePtr c = Image::make();
  c->copy(src, true, true, true, false);
  return c;
}

TEST(EffectSlots, EmptyImagesAndBadParametersAreRefused) {
  ImagePtr empty = Image::make();
  ZvImage* e = empty.get();
  const int32_t k[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
  EXPECT_FALSE(ops()->CustomFilter(e, k, 3, 0, 0));
  EXPECT_FALSE(ops()->GaussianBlur(e, 2));
  EXPECT_FALSE(ops()->Negative(e));
  EXPECT_FALSE(ops()->GrayScale(e));
  EXPECT_FALSE(ops()->Noise(e, 5));
  EXPECT_FALSE(ops()->Splash(e, 5));
  EXPECT_FALSE(ops()->Sketch(e));
  EXPECT_FALSE(ops()->SoftGlow(e));
  EXPECT_FALSE(ops()->Posterize(e, 2));
  EXPECT_FALSE(ops()->Rotate(e, 30, 2, 3, nullptr, false, false));
  EXPECT_FALSE(ops()->ColorShift(e, 1, 2, 3));
  EXPECT_FALSE(ops()->ToneAdjust(e, 1, 2, 3, false));
  EXPECT_FALSE(ops()->BrightnessContrast(e, 1, 2));
  EXPECT_FALSE(ops()->Gamma(e, 2));
  EXPECT_FALSE(ops()->Solarize(e, 2));
  EXPECT_FALSE(ops()->ColorStyle(e, 0));
  EXPECT_FALSE(ops()->RoundRectToAlpha(e, {0, 0, 5, 5}, 2, 2));
  EXPECT_FALSE(ops()->DrawShadow(e, {0, 0, 5, 5}, 0, 3, 0, 10, 256, 0, 0, 0));

  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  ImagePtr img = gradient();
  ImagePtr before = copyOf(*img);
  ZvImage* p = img.get();
  EXPECT_FALSE(ops()->GaussianBlur(p, nan));
  EXPECT_FALSE(ops()->GaussianBlur(p, -1));
  EXPECT_FALSE(ops()->Gamma(p, nan));
  EXPECT_FALSE(ops()->Gamma(p, 0));
  EXPECT_FALSE(ops()->Gamma(p, -2));
  EXPECT_FALSE(ops()->Gamma(p, inf));
  EXPECT_FALSE(ops()->Rotate(p, nan, 2, 3, nullptr, false, false));
  EXPECT_FALSE(ops()->Rotate(p, inf, 2, 3, nullptr, false, false));
  EXPECT_FALSE(ops()->Posterize(p, 0));
  EXPECT_FALSE(ops()->Posterize(p, 9));
  EXPECT_FALSE(ops()->ColorStyle(p, 4));
  EXPECT_FALSE(ops()->ColorStyle(p, -1));
  EXPECT_FALSE(ops()->Noise(p, -3));
  EXPECT_FALSE(ops()->CustomFilter(p, nullptr, 3, 1, 0));
  EXPECT_TRUE(samePixels(*img, *before));
}

struct ToneCase {
  const char* what;
  bool (*apply)(ZvImage*);
  uint8_t in, out;
};

TEST(ColourEffects, ChannelCurves) {
  const ToneCase cases[] = {
      {"negative", [](ZvImage* i) { return ops()->Negative(i); }, 200, 55},
      {"solarize above 128", [](ZvImage* i) { return ops()->Solarize(i, 128); }, 200, 55},
      {"solarize below 128", [](ZvImage* i) { return ops()->Solarize(i, 128); }, 100, 100},
      {"brighter saturates", [](ZvImage* i) { return ops()->BrightnessContrast(i, 10, 0); }, 250, 255},
      {"darker floors", [](ZvImage* i) { return ops()->BrightnessContrast(i, -10, 0); }, 5, 0},
      {"contrast keeps mid grey", [](ZvImage* i) { return ops()->BrightnessContrast(i, 0, 50); }, 128, 128},
      {"contrast spreads", [](ZvImage* i) { return ops()->BrightnessContrast(i, 0, 100); }, 192, 255},
      {"gamma 1 is identity", [](ZvImage* i) { return ops()->Gamma(i, 1.0f); }, 77, 77},
      {"gamma 2 lifts", [](ZvImage* i) { return ops()->Gamma(i, 2.0f); }, 64, 128},
      {"posterize 1 bit", [](ZvImage* i) { return ops()->Posterize(i, 1); }, 140, 255},
      {"posterize 2 bits", [](ZvImage* i) { return ops()->Posterize(i, 2); }, 90, 85},
      {"posterize keeps white", [](ZvImage* i) { return ops()->Posterize(i, 3); }, 255, 255},
      {"grey of grey", [](ZvImage* i) { return ops()->GrayScale(i); }, 90, 90},
      {"shift clamps", [](ZvImage* i) { return ops()->ColorShift(i, 300, 300, 300); }, 1, 255},
  };
  for (const auto& c : cases) {
    ImagePtr img = solid(3, 2, {c.in, c.in, c.in});
    ASSERT_TRUE(c.apply(img.get())) << c.what;
    EXPECT_EQ(at(*img, 1, 1), (Rgb{c.out, c.out, c.out})) << c.what;
  }
}

TEST(ColourEffects, GreyStylesAndTones) {
  ImagePtr img = gradient();
  ASSERT_TRUE(ops()->GrayScale(img.get()));
  for (int32_t y = 0; y < img->height(); ++y)
    for (int32_t x = 0; x < img->width(); ++x) {
      const Rgb c = at(*img, x, y);
      ASSERT_TRUE(c.r == c.g && c.g == c.b);
    }
  ImagePtr twice = gradient();
  ops()->Negative(twice.get());
  ops()->Negative(twice.get());
  EXPECT_TRUE(samePixels(*twice, *gradient()));

  ImagePtr white = solid(2, 2, {255, 255, 255});
  ASSERT_TRUE(ops()->ColorStyle(white.get(), 0));
  EXPECT_EQ(at(*white, 0, 0), (Rgb{255, 255, 238}));  // sepia of white
  // Tone preset 23 is a warm, sepia-like tone: red over green over blue on mid grey.
  ImagePtr grey = solid(2, 2, {128, 128, 128});
  ASSERT_TRUE(ops()->TonePreset(grey.get(), 23));
  const Rgb t = at(*grey, 0, 0);
  EXPECT_GT(t.r, t.g);
  EXPECT_GT(t.g, t.b);
  // Duotone keeps black and white.
  ImagePtr bw = picture(2, 1, [](int32_t x, int32_t) { return x ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
  ASSERT_TRUE(ops()->ToneAdjust(bw.get(), 40, 90, 200, false));
  EXPECT_EQ(at(*bw, 0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(at(*bw, 1, 0), (Rgb{255, 255, 255}));
  for (int32_t style = 0; style < 4; ++style) {
    ImagePtr s = gradient();
    EXPECT_TRUE(ops()->ColorStyle(s.get(), style));
    EXPECT_FALSE(samePixels(*s, *gradient())) << style;
  }
}

TEST(Filters, CustomKernelDivisors) {
  const int32_t identity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
  const int32_t outline[9] = {-1, -1, -1, -1, 8, -1, -1, -1, -1};  // sums to 0
  const int32_t emboss[9] = {0, 0, -1, 0, 0, 0, 1, 0, 0};
  ImagePtr img = gradient();
  ASSERT_TRUE(ops()->CustomFilter(img.get(), identity, 3, 0, 0));  // divisor 0: the kernel sum
  EXPECT_TRUE(samePixels(*img, *gradient()));
  ImagePtr flat = solid(8, 8, {90, 90, 90});
  ASSERT_TRUE(ops()->CustomFilter(flat.get(), outline, 3, 0, 10));  // sum 0: divides by 1
  EXPECT_EQ(at(*flat, 4, 4), (Rgb{10, 10, 10}));
  ImagePtr flat2 = solid(8, 8, {90, 90, 90});
  ASSERT_TRUE(ops()->CustomFilter(flat2.get(), emboss, 3, -1, 127));
  EXPECT_EQ(at(*flat2, 0, 0), (Rgb{127, 127, 127}));
  // A vertical step: the kernel's top row looks at the row above on screen.
  const int32_t above[9] = {0, 1, 0, 0, 0, 0, 0, 0, 0};
  ImagePtr step = picture(4, 4, [](int32_t, int32_t y) { return y < 2 ? Rgb{200, 200, 200} : Rgb{0, 0, 0}; });
  ASSERT_TRUE(ops()->CustomFilter(step.get(), above, 3, 1, 0));
  EXPECT_EQ(at(*step, 1, 2), (Rgb{200, 200, 200}));
  EXPECT_EQ(at(*step, 1, 3), (Rgb{0, 0, 0}));
}

TEST(Filters, BlurSmoothsAndKeepsFlatAreas) {
  ImagePtr flat = solid(30, 20, {10, 100, 250});
  ASSERT_TRUE(ops()->GaussianBlur(flat.get(), 10.0f));
  EXPECT_EQ(at(*flat, 0, 0), (Rgb{10, 100, 250}));
  EXPECT_EQ(at(*flat, 15, 10), (Rgb{10, 100, 250}));
  ImagePtr checker = picture(32, 32, [](int32_t x, int32_t y) {
    return ((x / 4 + y / 4) & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
  ASSERT_TRUE(ops()->GaussianBlur(checker.get(), 6.0f));
  const Rgb mid = at(*checker, 16, 16);
  EXPECT_GT(mid.r, 60);
  EXPECT_LT(mid.r, 200);
  ImagePtr huge = gradient(6, 5);
  EXPECT_TRUE(ops()->GaussianBlur(huge.get(), 1e9f));  // capped reach, no hang
}

TEST(Filters, NoiseSplashSketchGlow) {
  ImagePtr a = gradient(), b = gradient();
  ASSERT_TRUE(ops()->Noise(a.get(), 20));
  ASSERT_TRUE(ops()->Noise(b.get(), 20));
  EXPECT_TRUE(samePixels(*a, *b));  // reproducible
  EXPECT_FALSE(samePixels(*a, *gradient()));
  ImagePtr zero = gradient();
  EXPECT_TRUE(ops()->Noise(zero.get(), 0));
  EXPECT_TRUE(samePixels(*zero, *gradient()));

  // Splash only moves colours around: a two-colour picture stays two-coloured.
  ImagePtr two = picture(20, 20, [](int32_t x, int32_t) { return x < 10 ? Rgb{255, 0, 0} : Rgb{0, 0, 255}; });
  ASSERT_TRUE(ops()->Splash(two.get(), 3));
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      const Rgb c = at(*two, x, y);
      ASSERT_TRUE(c == (Rgb{255, 0, 0}) || c == (Rgb{0, 0, 255}));
      if (x < 7) { ASSERT_EQ(c, (Rgb{255, 0, 0})); }  // never from beyond the radius
    }
  EXPECT_TRUE(ops()->Splash(gradient(3, 3).get(), 1000000));

  ImagePtr flat = solid(20, 20, {120, 60, 30});
  ASSERT_TRUE(ops()->Sketch(flat.get()));
  EXPECT_EQ(at(*flat, 10, 10), (Rgb{255, 255, 255}));  // no edges: blank paper
  ImagePtr glow = solid(10, 10, {100, 100, 100});
  ASSERT_TRUE(ops()->SoftGlow(glow.get()));
  EXPECT_GT(at(*glow, 5, 5).r, 100);
}

TEST(Rotate, RightAngleKeepsEveryPixel) {
  // Red top row; turned a quarter counter-clockwise it becomes the left column.
  auto img = [] {
    return picture(20, 10, [](int32_t x, int32_t y) { return y == 0 ? Rgb{255, 0, 0} : Rgb{uint8_t(x), 9, 9}; });
  };
  for (bool exact : {false, true}) {
    ImagePtr r = img();
    ASSERT_TRUE(ops()->Rotate(r.get(), 90.0f, 2, 3, nullptr, exact, false));
    ASSERT_EQ(r->width(), 10);
    ASSERT_EQ(r->height(), 20);
    for (int32_t y = 0; y < 20; ++y) EXPECT_EQ(at(*r, 0, y), (Rgb{255, 0, 0})) << y << " exact " << exact;
    EXPECT_EQ(at(*r, 5, 0), (Rgb{19, 9, 9}));
  }
  ImagePtr full = img();
  ASSERT_TRUE(ops()->Rotate(full.get(), 360.0f, 2, 3, nullptr, false, false));
  EXPECT_TRUE(samePixels(*full, *img()));
}

TEST(Rotate, AnyAngleGrowsTheCanvasWithTransparentCorners) {
  ImagePtr img = solid(100, 100, {0, 200, 0});
  ASSERT_TRUE(ops()->Rotate(img.get(), 45.0f, 2, 3, nullptr, false, false));
  EXPECT_NEAR(img->width(), 142, 1);
  EXPECT_NEAR(img->height(), 142, 1);
  ASSERT_NE(img->alpha, nullptr);
  const int32_t h = img->height();
  EXPECT_EQ(img->alphaRow(h - 1)[0], 0);                           // top-left corner
  EXPECT_EQ(img->alphaRow(h / 2)[img->width() / 2], 255);          // centre
  EXPECT_EQ(at(*img, img->width() / 2, h / 2), (Rgb{0, 200, 0}));
  ImagePtr kept = solid(50, 30, {1, 2, 3});
  ASSERT_TRUE(ops()->Rotate(kept.get(), 30.0f, 2, 3, nullptr, false, true));
  EXPECT_EQ(kept->width(), 50);
  EXPECT_EQ(kept->height(), 30);
  ImagePtr far = solid(20, 10, {1, 2, 3});
  ASSERT_TRUE(ops()->Rotate(far.get(), 1e30f, 2, 3, nullptr, false, false));  // reduced modulo 360
  EXPECT_LE(far->width(), 23);
  ImagePtr indexed = Image::make();
  indexed->create(8, 8, 8, 0);
  indexed->setGrayPalette();
  std::memset(indexed->bits(), 7, size_t(indexed->stride()) * 8);
  EXPECT_TRUE(ops()->Rotate(indexed.get(), 10.0f, 2, 3, nullptr, false, false));
  EXPECT_EQ(indexed->depth(), 24);
}

TEST(RegionAlpha, RoundedCornersBecomeTransparent) {
  ImagePtr img = solid(100, 60, {5, 5, 5});
  ASSERT_TRUE(ops()->RoundRectToAlpha(img.get(), {0, 0, 100, 60}, 40, 40));
  ASSERT_NE(img->alpha, nullptr);
  auto alphaAt = [&](int32_t x, int32_t y) { return img->alphaRow(59 - y)[x]; };
  EXPECT_EQ(alphaAt(0, 0), 0);
  EXPECT_EQ(alphaAt(99, 59), 0);
  EXPECT_EQ(alphaAt(50, 0), 255);  // straight edge
  EXPECT_EQ(alphaAt(0, 30), 255);
  EXPECT_EQ(alphaAt(50, 30), 255);
  const uint8_t edge = alphaAt(5, 5);  // on the curve: smoothed
  EXPECT_GT(edge, 0);
  EXPECT_LT(edge, 255);
  ImagePtr inv = solid(10, 10, {5, 5, 5});
  ASSERT_TRUE(ops()->RoundRectToAlpha(inv.get(), {8, 8, 2, 2}, 4, 4));  // inverted: nothing stays
  EXPECT_EQ(inv->alphaRow(5)[5], 0);
}

TEST(Shadow, DarkensAroundTheRectangleOnly) {
  ImagePtr img = solid(200, 200, {255, 255, 255});
  ASSERT_TRUE(ops()->DrawShadow(img.get(), {50, 50, 150, 150}, 0.0f, 10, 0, 10, 256, 5, 5, 0));
  EXPECT_EQ(at(*img, 100, 100), (Rgb{0, 0, 0}));
  EXPECT_EQ(at(*img, 5, 5), (Rgb{255, 255, 255}));
  const Rgb soft = at(*img, 50, 100);
  EXPECT_GT(soft.r, 0);
  EXPECT_LT(soft.r, 255);
  EXPECT_EQ(img->alpha, nullptr);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(ops()->DrawShadow(img.get(), {50, 50, 150, 150}, nan, 10, 0, 10, 256, 0, 0, 0));
  EXPECT_TRUE(ops()->DrawShadow(img.get(), {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 33.0f, 100000, 0, 10, 256,
                                0, 0, 50));
  EXPECT_TRUE(ops()->DrawShadow(img.get(), {900, 900, 1000, 1000}, 0.0f, 10, 0, 10, 256, 0, 0, 0));
}

}  // namespace

// Resampling, turns, flip, mirror and depth changes. ImageMagick and PIL judge the
// geometry and the interpolation where they compute the same thing.
#include <cmath>
#include <fstream>
#include <sstream>

#include "core/Status.h"
#include "TestEnv.h"
#include "TestFiles.h"
#include "core/Sampler.h"
#include "core_support.h"

using namespace coretest;
namespace fs = std::filesystem;

namespace {

// The colour at top-down coordinates.
ZvRGBQuad td(const Image& img, int32_t x, int32_t y) { return img.pixelColor(x, img.height() - 1 - y, true); }

void writePpm(const Image& img, const fs::path& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << img.width() << " " << img.height() << "\n255\n";
  for (int32_t y = 0; y < img.height(); ++y)
    for (int32_t x = 0; x < img.width(); ++x) {
      const ZvRGBQuad c = td(img, x, y);
      out.put(char(c.red)).put(char(c.green)).put(char(c.blue));
    }
}

ImagePtr readPpm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  ImagePtr img = Image::make();
  if (magic != "P6" || !img->create(uint32_t(w), uint32_t(h), 24, 0)) return img;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      char c[3];
      in.read(c, 3);
      img->setPixelColor(x, h - 1 - y, rgb(uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])), false);
    }
  return img;
}

// Largest per-channel difference between two pictures of the same size.
int maxDiff(const Image& a, const Image& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 999;
  int worst = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width(); ++x) {
      const ZvRGBQuad p = a.pixelColor(x, y, false), q = b.pixelColor(x, y, false);
      worst = std::max({worst, std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
    }
  return worst;
}

// A smooth picture: bilinear results of different implementations agree within rounding.
ImagePtr gradient(int32_t w, int32_t h) {
  ImagePtr img = Image::make();
  img->create(uint32_t(w), uint32_t(h), 24, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      img->setPixelColor(x, y, rgb(uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x + y) * 255 / (w + h))), false);
  return img;
}

}  // namespace

// ---- ResampleInterpolated ----

TEST(CoreResample, HalvingAveragesTwoByTwoBlocksExactly) {
  ImagePtr src = pattern(1000, 500);
  ImagePtr ref = Image::make();
  ref->create(500, 250, 24, 0);
  for (int32_t y = 0; y < 250; ++y)
    for (int32_t x = 0; x < 500; ++x) {
      int s[3] = {0, 0, 0};
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const ZvRGBQuad c = src->pixelColor(2 * x + dx, 2 * y + dy, false);
          s[0] += c.blue, s[1] += c.green, s[2] += c.red;
        }
      ref->setPixelColor(x, y, {uint8_t(s[0] / 4), uint8_t(s[1] / 4), uint8_t(s[2] / 4), 0}, false);
    }
  ASSERT_TRUE(ops(*src).ResampleInterpolated(src.get(), 500, 250, 2, 5, nullptr, false));
  EXPECT_EQ(src->width(), 500);
  EXPECT_EQ(src->height(), 250);
  EXPECT_EQ(maxDiff(*src, *ref), 0);
  char16_t text[200];
  EXPECT_EQ(zelvo::statusRead(text), 0) << "status reset at the end";
  EXPECT_EQ(text[0], u'\0');
}

TEST(CoreResample, AgreesWithPilOnSmoothPictures) {
  const std::string py = pilPython();
  ASSERT_FALSE(py.empty()) << "PIL is missing: install the Debian package python3-pil (tools/install-deps.sh)";
  const fs::path dir = gallivo::test::freshDir("resample");
  struct Case {
    int32_t w, h, nw, nh;
    const char* filter;
    int tolerance;  // PIL rounds where the engine truncates, and uses its own fixed point
  };
  const Case cases[] = {
      {100, 100, 250, 250, "BILINEAR", 2},  // enlarging: bilinear, edges repeated
      {120, 80, 40, 20, "BOX", 2},          // integer shrink: plain area average
      {90, 60, 37, 23, "BOX", 2},           // fractional shrink: partial pixels weighted
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.nw) + "x" + std::to_string(c.nh) + " " + c.filter);
    ImagePtr img = gradient(c.w, c.h);
    writePpm(*img, dir / "in.ppm");
    const std::string cmd = py + " -c \"from PIL import Image; Image.open('" + (dir / "in.ppm").string() +
                            "').resize((" + std::to_string(c.nw) + "," + std::to_string(c.nh) +
                            "), Image." + c.filter + ").save('" + (dir / "out.ppm").string() + "')\"";
    std::string out;
    ASSERT_EQ(gallivo::test::run(cmd, &out), 0) << out;
    ASSERT_TRUE(img->resampleInterpolated(c.nw, c.nh, 2, 5, nullptr, false));
    ImagePtr judge = readPpm(dir / "out.ppm");
    EXPECT_LE(maxDiff(*img, *judge), c.tolerance);
  }
}

TEST(CoreResample, SameSizeAndDestinations) {
  ImagePtr src = pattern(30, 20, 24, true);
  const uint64_t before = pixelHash(*src);
  const uint8_t* block = src->block.get();
  EXPECT_TRUE(src->resampleInterpolated(30, 20, 2, 5, nullptr, false));
  EXPECT_EQ(src->block.get(), block) << "nothing rebuilt";
  ImagePtr dst = Image::make();
  EXPECT_TRUE(ops(*src).ResampleInterpolated(src.get(), 30, 20, 2, 5, dst.get(), false));
  EXPECT_EQ(pixelHash(*dst), before);
  ImagePtr small = Image::make();
  ASSERT_TRUE(ops(*src).ResampleInterpolated(src.get(), 15, 10, 2, 5, small.get(), false));
  EXPECT_EQ(pixelHash(*src), before) << "the source stays as it was";
  EXPECT_EQ(small->width(), 15);
  ASSERT_TRUE(small->alpha);
  // Averaged pictures take the alpha of the pixel their area starts at.
  EXPECT_EQ(small->alphaRow(3)[4], src->alphaRow(6)[8]);
}

TEST(CoreResample, FailuresLeaveThePictureAlone) {
  ImagePtr img = pattern(40, 30);
  const uint64_t before = pixelHash(*img);
  const ZvImageOps& t = ops(*img);
  EXPECT_FALSE(t.ResampleInterpolated(img.get(), 0, 10, 2, 5, nullptr, false));
  EXPECT_FALSE(t.ResampleInterpolated(img.get(), 10, -1, 2, 5, nullptr, false));
  EXPECT_FALSE(t.ResampleInterpolated(img.get(), 10, 10, 7, 5, nullptr, false)) << "only bilinear is offered";
  EXPECT_FALSE(t.ResampleInterpolated(img.get(), 100000, 100000, 2, 5, nullptr, false));
  EXPECT_STREQ(t.GetLastError(img.get()), "ZVIMAGE_MAX_MEMORY exceeded");
  EXPECT_EQ(pixelHash(*img), before);
  EXPECT_EQ(img->width(), 40);
}

TEST(CoreResample, IndexedPicturesKeepTheirPalette) {
  ImagePtr img = pattern(40, 40, 8, true);
  ImagePtr palette = Image::make();
  palette->copy(*img, false, false, false, false);
  ASSERT_TRUE(img->resampleInterpolated(20, 20, 2, 5, nullptr, false));
  EXPECT_EQ(img->depth(), 8);
  EXPECT_EQ(std::memcmp(img->palette(), palette->palette(), 1024), 0);
  ASSERT_TRUE(img->resampleInterpolated(55, 10, 2, 5, nullptr, false));  // wider but lower
  EXPECT_EQ(img->width(), 55);
  ASSERT_TRUE(img->resampleInterpolated(80, 80, 2, 5, nullptr, true));
  EXPECT_EQ(img->height(), 80);
}

TEST(CoreResample, EnlargingInterpolatesAlphaOn24Bit) {
  ImagePtr img = solid(2, 1, rgb(0, 0, 0));
  img->setPixelColor(1, 0, rgb(200, 100, 0), false);
  img->allocAlpha();
  img->alphaRow(0)[0] = 0;
  img->alphaRow(0)[1] = 200;
  ASSERT_TRUE(img->resampleInterpolated(4, 1, 2, 5, nullptr, false));
  // Source points -0.25, 0.25, 0.75, 1.25: repeated edges, then a quarter and three quarters.
  const uint8_t red[] = {0, 50, 150, 200};
  const uint8_t a[] = {0, 50, 150, 200};
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_NEAR(img->pixelColor(x, 0).red, red[x], 1) << x;
    EXPECT_NEAR(img->alphaRow(0)[x], a[x], 1) << x;
  }
}

TEST(CoreSampler, OverflowRules) {
  // 3 x 1 picture: red, green, blue.
  ImagePtr img = Image::make();
  img->create(3, 1, 24, 0);
  img->setPixelColor(0, 0, rgb(255, 0, 0), false);
  img->setPixelColor(1, 0, rgb(0, 255, 0), false);
  img->setPixelColor(2, 0, rgb(0, 0, 255), false);
  img->info.transColor = rgb(9, 9, 9);
  const ZvRGBQuad red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
  const ZvRGBQuad white = rgb(255, 255, 255), key = rgb(9, 9, 9);
  struct Case {
    int32_t overflow, x;
    bool keyed;
    ZvRGBQuad expect;
  };
  const Case cases[] = {
      {zelvo::kOverflowRepeat, -4, false, red},   {zelvo::kOverflowRepeat, 7, false, blue},
      {zelvo::kOverflowWrap, -1, false, blue},    {zelvo::kOverflowWrap, 4, false, green},
      {zelvo::kOverflowMirror, -1, false, red},   {zelvo::kOverflowMirror, 3, false, blue},
      {zelvo::kOverflowMirror, 4, false, green},  {zelvo::kOverflowColor, -1, true, white},
      {zelvo::kOverflowBackground, 5, false, white}, {zelvo::kOverflowBackground, 5, true, key},
      {zelvo::kOverflowTransparent, 5, true, key},   {zelvo::kOverflowTransparent, -9, false, white},
      {zelvo::kOverflowWrap, 1, false, green},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("rule " + std::to_string(c.overflow) + " x " + std::to_string(c.x));
    img->info.transIndex = c.keyed ? 0 : -1;
    const zelvo::Sampler s(*img, c.overflow);
    EXPECT_TRUE(same(s.at(c.x, 0), c.expect)) << str(s.at(c.x, 0));
  }
  // With an alpha plane the transparent rule gives the replacement colour with alpha 0.
  img->allocAlpha();
  img->info.transIndex = 0;
  const zelvo::Sampler s(*img, zelvo::kOverflowTransparent);
  EXPECT_TRUE(same(s.at(-2, 0), rgb(255, 255, 255, 0), true));
  // Far outside, rules 1-3 answer at once; the others move the point inside.
  EXPECT_TRUE(same(s.bilinear(-50.0f, 0.0f), rgb(255, 255, 255, 0), true));
  EXPECT_TRUE(same(zelvo::Sampler(*img, zelvo::kOverflowRepeat).bilinear(50.0f, 0.0f), blue));
  EXPECT_TRUE(same(zelvo::Sampler(*img, zelvo::kOverflowRepeat).bilinear(NAN, 0.0f), rgb(255, 255, 255)));
}

// The turn's edges: colour fills (with its alpha), repeat takes the edge pixel, every other
// method the edge colour under alpha 0; no alpha plane reads as opaque; rows from the top.
TEST(CoreSampler, NearestEdgeUnderZeroAlpha) {
  // 2 x 2, top row red and green, bottom row blue and white.
  ImagePtr img = Image::make();
  img->create(2, 2, 24, 0);
  img->setPixelColor(0, 1, rgb(255, 0, 0), false);
  img->setPixelColor(1, 1, rgb(0, 255, 0), false);
  img->setPixelColor(0, 0, rgb(0, 0, 255), false);
  img->setPixelColor(1, 0, rgb(255, 255, 255), false);
  const ZvRGBQuad fill = rgb(1, 2, 3, 4);
  struct Case {
    int32_t overflow, x, yFromTop;
    ZvRGBQuad expect;
  };
  const Case cases[] = {
      {zelvo::kOverflowColor, 0, 0, rgb(255, 0, 0, 255)},
      {zelvo::kOverflowColor, -1, 0, fill},
      {zelvo::kOverflowRepeat, -3, -3, rgb(255, 0, 0, 255)},
      {zelvo::kOverflowRepeat, 5, 5, rgb(255, 255, 255, 255)},
      {zelvo::kOverflowTransparent, 2, 0, rgb(0, 255, 0, 0)},
      {zelvo::kOverflowWrap, -1, 1, rgb(0, 0, 255, 0)},
      {zelvo::kOverflowMirror, 0, 2, rgb(0, 0, 255, 0)},
      {zelvo::kOverflowBackground, 1, -1, rgb(0, 255, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("rule " + std::to_string(c.overflow) + " at " + std::to_string(c.x) + "," +
                 std::to_string(c.yFromTop));
    const zelvo::Sampler s(*img, c.overflow, fill, zelvo::SampleEdges::kNearestEdgeUnderZeroAlpha);
    const zelvo::Sample f = s.sampleAt(c.x, c.yFromTop);
    EXPECT_TRUE(same(rgb(uint8_t(f.r), uint8_t(f.g), uint8_t(f.b), uint8_t(f.a)), c.expect, true));
    EXPECT_TRUE(same(s.at(c.x, 1 - c.yFromTop), c.expect, true)) << str(s.at(c.x, 1 - c.yFromTop));
  }
  // Half way between red and green, one pixel outside on the left: red under zero alpha.
  const zelvo::Sampler s(*img, zelvo::kOverflowTransparent, fill,
                         zelvo::SampleEdges::kNearestEdgeUnderZeroAlpha);
  const zelvo::Sample mid = s.sampleBilinear(0.5, 0.0);
  EXPECT_FLOAT_EQ(mid.r, 127.5f);
  EXPECT_FLOAT_EQ(mid.g, 127.5f);
  EXPECT_FLOAT_EQ(mid.a, 255.0f);
  const zelvo::Sample left = s.sampleBilinear(-0.5, 0.0);
  EXPECT_FLOAT_EQ(left.r, 255.0f);
  EXPECT_FLOAT_EQ(left.a, 127.5f);
}

// The any-angle turn, pinned byte for byte: angles, both interpolations, every overflow
// method, kept and grown canvases, pictures with and without alpha, indexed depths.
TEST(AnyAngleTurn, OutputIsPinned) {
  const ZvRGBQuad fill = rgb(10, 20, 30, 128);
  struct Case {
    float angle;
    int32_t method, overflow;
    bool keepSize, withFill;
    uint32_t bpp;
    bool alpha;
    uint64_t hash;
  };
  const Case cases[] = {
      {30.0f, 2, 3, false, false, 24, false, 11884689021713196460ull},
      {30.0f, 2, 3, false, false, 24, true, 13505455850910295423ull},
      {45.0f, 0, 1, false, true, 24, true, 1594327401732384223ull},
      {45.0f, 2, 1, false, false, 24, false, 2333219721371042975ull},
      {137.5f, 2, 5, true, false, 24, false, 9691832700566882205ull},
      {200.0f, 2, 4, false, false, 24, true, 10928098189491974284ull},
      {300.0f, 2, 2, true, false, 24, true, 8769359472230325301ull},
      {12.25f, 2, 6, false, false, 24, false, 3497961572375402036ull},
      {90.0f, 2, 3, true, false, 24, false, 13177306459612543159ull},
      {-73.0f, 0, 5, false, false, 24, true, 13074904577918578076ull},
      {20.0f, 2, 3, false, false, 8, false, 2807544484451013335ull},
      {251.0f, 2, 1, false, true, 1, false, 9328806797528530853ull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("angle " + std::to_string(c.angle) + " method " + std::to_string(c.method) + " overflow " +
                 std::to_string(c.overflow) + " bpp " + std::to_string(c.bpp) + (c.alpha ? " alpha" : ""));
    ImagePtr img = pattern(13, 9, c.bpp, c.alpha);
    ASSERT_TRUE(ops(*img).Rotate(img.get(), c.angle, c.method, c.overflow, c.withFill ? &fill : nullptr,
                                 false, c.keepSize));
    EXPECT_EQ(pixelHash(*img), c.hash) << img->width() << " x " << img->height();
  }
}

// Repeat reads the nearest edge pixel however far outside a point lies: a grey picture with
// one red top-left pixel turned 45 degrees in place shows grey corners, not red ones.
TEST(AnyAngleTurn, RepeatFillsCornersFromTheNearestEdge) {
  const ZvRGBQuad grey = rgb(100, 100, 100), red = rgb(255, 0, 0);
  for (int32_t method : {0, 2}) {
    SCOPED_TRACE(method);
    ImagePtr img = Image::make();
    ASSERT_TRUE(img->create(40, 30, 24, 0));
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) img->setPixelColor(x, y, grey, false);
    img->setPixelColor(0, 29, red, false);  // top-left (rows stored bottom-up)
    ASSERT_TRUE(ops(*img).Rotate(img.get(), 45.0f, method, 5, nullptr, false, true));
    int redPixels = 0;
    for (int32_t y = 0; y < img->height(); ++y)
      for (int32_t x = 0; x < img->width(); ++x) redPixels += same(img->pixelColor(x, y, false), red);
    EXPECT_TRUE(same(td(*img, 0, 0), grey));
    EXPECT_TRUE(same(td(*img, 39, 29), grey));
    EXPECT_LE(redPixels, 1);
  }
}

// ---- turns, flip, mirror ----

TEST(CoreRotate, QuarterTurnsOfThreeByTwo) {
  ImagePtr img = pattern(3, 2);
  ImagePtr left = Image::make(), right = Image::make();
  ASSERT_TRUE(ops(*img).RotateLeft(img.get(), left.get()));
  ASSERT_TRUE(ops(*img).RotateRight(img.get(), right.get()));
  EXPECT_EQ(left->width(), 2);
  EXPECT_EQ(left->height(), 3);
  EXPECT_TRUE(same(td(*left, 0, 0), td(*img, 2, 0))) << "top-left is the old top-right";
  EXPECT_TRUE(same(td(*right, 0, 0), td(*img, 0, 1))) << "top-left is the old bottom-left";
}

TEST(CoreRotate, MappingHoldsAtEveryDepthAcrossTiles) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    ImagePtr img = pattern(70, 131, bpp, true);  // spans several 64 x 64 tiles, odd edges
    img->allocSelection();
    for (size_t k = 0; k < size_t(70 * 131); ++k) img->selection.get()[k] = uint8_t(k * 7);
    const int32_t W = 70, H = 131;
    ImagePtr left = Image::make(), right = Image::make(), half = Image::make();
    ASSERT_TRUE(img->rotateLeft(left.get()));
    ASSERT_TRUE(img->rotateRight(right.get()));
    ASSERT_TRUE(img->rotate180(half.get()));
    ASSERT_EQ(left->depth(), bpp);
    ASSERT_TRUE(left->selection && right->alpha && half->selection);
    int bad = 0;
    for (int32_t Y = 0; Y < W; ++Y)
      for (int32_t X = 0; X < H; ++X) {
        bad += !same(td(*left, X, Y), td(*img, W - 1 - Y, X), true);
        bad += !same(td(*right, X, Y), td(*img, Y, H - 1 - X), true);
      }
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) bad += !same(half->pixelColor(x, y), img->pixelColor(W - 1 - x, H - 1 - y), true);
    EXPECT_EQ(bad, 0);
    // Selection bytes travel like the pixels (stored coordinates).
    EXPECT_EQ(right->selection.get()[size_t(5) * H + 9], img->selection.get()[size_t(9) * W + (W - 1 - 5)]);
  }
}

TEST(CoreRotate, InverseOperationsRestoreThePicture) {
  for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bpp);
    ImagePtr img = pattern(67, 45, bpp, true);
    const uint64_t original = pixelHash(*img);
    ASSERT_TRUE(img->rotateLeft(nullptr));
    EXPECT_NE(pixelHash(*img), original);
    ASSERT_TRUE(img->rotateRight(nullptr));
    EXPECT_EQ(pixelHash(*img), original);
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(ops(*img).RotateRight(img.get(), nullptr));
    EXPECT_EQ(pixelHash(*img), original);
    ASSERT_TRUE(img->rotate180(nullptr));
    ASSERT_TRUE(img->rotate180(nullptr));
    EXPECT_EQ(pixelHash(*img), original);
    ASSERT_TRUE(ops(*img).Flip(img.get(), true, true));
    EXPECT_NE(pixelHash(*img), original);
    ASSERT_TRUE(ops(*img).Flip(img.get(), true, true));
    EXPECT_EQ(pixelHash(*img), original);
    ASSERT_TRUE(ops(*img).Mirror(img.get(), true, true));
    EXPECT_NE(pixelHash(*img), original);
    ASSERT_TRUE(ops(*img).Mirror(img.get(), true, true));
    EXPECT_EQ(pixelHash(*img), original);
    char16_t text[200];
    EXPECT_EQ(zelvo::statusRead(text), 0);
  }
}

TEST(CoreRotate, FlipAndMirrorTouchPlanesOnlyWhenAsked) {
  ImagePtr img = pattern(5, 4, 24, true);
  const uint8_t a00 = img->alphaRow(0)[0];
  ASSERT_TRUE(img->flip(false, false));
  EXPECT_EQ(img->alphaRow(0)[0], a00);
  ASSERT_TRUE(img->flip(false, true));
  EXPECT_EQ(img->alphaRow(3)[0], a00);
  ASSERT_TRUE(img->mirror(false, false));
  EXPECT_EQ(img->alphaRow(3)[0], a00);
  ASSERT_TRUE(img->mirror(false, true));
  EXPECT_EQ(img->alphaRow(3)[4], a00);
}

TEST(CoreRotate, ImageMagickAgreesOnEveryTurn) {
  ASSERT_TRUE(gallivo::test::needTool("convert", "imagemagick"));
  const fs::path dir = gallivo::test::freshDir("turns");
  ImagePtr img = pattern(71, 38);
  writePpm(*img, dir / "in.ppm");
  struct Case {
    const char* magick;
    bool (*turn)(Image&);
  };
  const Case cases[] = {
      {"-rotate 90", [](Image& i) { return i.rotateRight(nullptr); }},
      {"-rotate -90", [](Image& i) { return i.rotateLeft(nullptr); }},
      {"-rotate 180", [](Image& i) { return i.rotate180(nullptr); }},
      {"-flip", [](Image& i) { return i.flip(false, false); }},
      {"-flop", [](Image& i) { return i.mirror(false, false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.magick);
    std::string out;
    ASSERT_EQ(gallivo::test::run("convert " + (dir / "in.ppm").string() + " " + c.magick + " " +
                                     (dir / "out.ppm").string(), &out), 0) << out;
    ImagePtr mine = Image::make();
    mine->copy(*img, true, false, false, false);
    ASSERT_TRUE(c.turn(*mine));
    EXPECT_EQ(maxDiff(*mine, *readPpm(dir / "out.ppm")), 0);
  }
}

// ---- IncreaseBpp ----

TEST(CoreDepth, IncreaseBppTable) {
  struct Case {
    uint32_t from, to;
    bool ok;
    uint16_t depth;
  };
  const Case cases[] = {
      {1, 4, true, 4}, {1, 8, true, 8}, {1, 24, true, 24}, {4, 8, true, 8}, {4, 24, true, 24},
      {8, 24, true, 24}, {24, 24, true, 24}, {8, 8, true, 8}, {8, 4, false, 8}, {24, 8, false, 24},
      {8, 16, false, 8}, {4, 1, false, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + "->" + std::to_string(c.to));
    ImagePtr img = pattern(13, 9, c.from, true);
    ImagePtr before = Image::make();
    before->copy(*img, true, false, true, false);
    EXPECT_EQ(ops(*img).IncreaseBpp(img.get(), c.to), c.ok);
    EXPECT_EQ(img->depth(), c.depth);
    int bad = 0;
    for (int32_t y = 0; y < 9; ++y)
      for (int32_t x = 0; x < 13; ++x) bad += !same(img->pixelColor(x, y), before->pixelColor(x, y), true);
    EXPECT_EQ(bad, 0) << "every pixel keeps its colour and alpha";
  }
}

TEST(CoreDepth, To24KeepsTransparencyAndPaletteAlpha) {
  ImagePtr img = pattern(6, 6, 8);
  img->palette()[5].reserved = 128;
  img->info.transIndex = 3;
  img->setPixelIndex(2, 2, 5);
  ASSERT_TRUE(img->increaseBpp(24));
  EXPECT_TRUE(same(img->info.transColor, pattern(1, 1, 8)->palette()[3]));
  ASSERT_TRUE(img->alpha) << "palette alpha becomes an alpha plane";
  EXPECT_EQ(img->alphaRow(2)[2], 128);
}

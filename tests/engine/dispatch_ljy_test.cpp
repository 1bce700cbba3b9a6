// The sprite-sheet animation: header checks, frames built, records, opacity, header-only.
#include <cstring>

#include "dispatch_support.h"
#include "formats/Codec.h"
#include "formats/Codecs.h"

namespace zelvo {
namespace {

using namespace zelvo::test;

constexpr int kFrames = 5;
constexpr int kSize = 16;
constexpr Rgb kColors[kFrames] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}};

void put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct Sheet {
  uint32_t magicOk = 1, headerSize = 28, version = 1, count = kFrames, w = kSize, h = kSize,
           format = ZV_TYPE_JPG;
  uint32_t opacity = 255;
  uint32_t lastX = (kFrames - 1) * kSize;  // x of the last frame
  size_t cutRecords = 0;                   // bytes removed from the records
};

// kFrames frames of kSize x kSize side by side on a JPEG sheet, each one colour.
Bytes sheetFile(const Sheet& s) {
  Bytes b = s.magicOk ? Bytes{'y', 'j', 'l', 'c'} : Bytes{'y', 'j', 'l', 'x'};
  for (uint32_t v : {s.headerSize, s.version, s.count, s.w, s.h, s.format}) put32(b, v);
  Bytes records;
  for (int i = 0; i < kFrames; ++i) {
    put32(records, s.opacity);
    put32(records, uint32_t(10 * (i + 1)));
    put32(records, i == kFrames - 1 ? s.lastX : uint32_t(i * kSize));
    put32(records, 0);
  }
  records.resize(records.size() - s.cutRecords);
  b.insert(b.end(), records.begin(), records.end());
  if (s.cutRecords) return b;
  ImagePtr sheet = Image::make();
  sheet->create(kFrames * kSize, kSize, 24, 0);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kFrames * kSize; ++x) {
      const Rgb& c = kColors[x / kSize];
      sheet->setPixelColor(x, y, ZvRGBQuad{c.b, c.g, c.r, 0}, false);
    }
  sheet->info.jpegQuality = 95;
  sheet->info.codecOptions[ZV_TYPE_JPG] |= ZV_JPEG_SUBSAMPLE_444;
  Bytes jpeg = encodeToBytes(*sheet, ZV_TYPE_JPG);
  b.insert(b.end(), jpeg.begin(), jpeg.end());
  return b;
}

TEST(SpriteSheet, HeaderChecksRejectTheFile) {
  struct Case {
    const char* what;  // the header fault
    Sheet sheet;
  };
  auto with = [](auto change) {
    Sheet s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"wrong magic", with([](Sheet& s) { s.magicOk = 0; })},
      {"header size 27", with([](Sheet& s) { s.headerSize = 27; })},
      {"version 2", with([](Sheet& s) { s.version = 2; })},
      {"no frames", with([](Sheet& s) { s.count = 0; })},
      {"zero width", with([](Sheet& s) { s.w = 0; })},
      {"zero height", with([](Sheet& s) { s.h = 0; })},
      {"sheet format BMP", with([](Sheet& s) { s.format = ZV_TYPE_BMP; })},
      {"records cut short", with([](Sheet& s) { s.cutRecords = 5; })},
      {"more frames than records", with([](Sheet& s) { s.count = 0x10000000; })},
      {"last frame beyond the sheet", with([](Sheet& s) { s.lastX = kFrames * kSize - 1; })},
      {"frame larger than the sheet", with([](Sheet& s) { s.w = 17; s.h = 17; })},
      {"absurd frame size", with([](Sheet& s) { s.w = 0x7FFFFFFF; s.h = 0x7FFFFFFF; })},
  };
  for (const Case& c : cases) {
    const Bytes file = sheetFile(c.sheet);
    ImagePtr img = Image::make();
    img->info.loadAllFrames = true;
    EXPECT_FALSE(zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0)) << c.what;
    EXPECT_STREQ(img->lastError(), "Decode: Unknown or wrong format") << c.what;
    EXPECT_FALSE(img->valid()) << c.what;
    EXPECT_TRUE(img->frames.empty()) << c.what;
  }
}

TEST(SpriteSheet, BuildsTheCurrentFrameOrAllOfThem) {
  const Bytes file = sheetFile(Sheet{});
  struct Case {
    bool all;
    int32_t index;
    size_t frames;
  };
  const Case cases[] = {{false, 0, 1}, {false, 3, 4}, {true, 0, kFrames}, {true, 99, kFrames}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.all) + "/" + std::to_string(c.index));
    ImagePtr img = Image::make();
    img->info.loadAllFrames = c.all;
    img->info.frameIndex = c.index;
    ASSERT_TRUE(zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0)) << img->lastError();
    EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_LJY));
    ASSERT_EQ(img->frames.size(), c.frames);
    EXPECT_EQ(img->width(), kSize);
    EXPECT_TRUE(near(colorAt(*img, 8, 8), kColors[0], 12));  // the image shows frame 0
    for (size_t i = 0; i < c.frames; ++i) {
      const Image& f = *img->frames[i];
      EXPECT_EQ(f.width(), kSize);
      EXPECT_EQ(f.info.frameIndex, int32_t(i));
      EXPECT_EQ(f.info.frameDelay, int32_t(10 * (i + 1)));
      // Edge pixels too: a crop shifted by one would pick up the neighbour's colour.
      EXPECT_TRUE(near(colorAt(f, 0, 0), kColors[i], 12)) << i;
      EXPECT_TRUE(near(colorAt(f, kSize - 1, kSize - 1), kColors[i], 12)) << i;
      EXPECT_EQ(f.alpha, nullptr);
    }
  }
  ImagePtr outside = Image::make();
  outside->info.frameIndex = kFrames;
  EXPECT_FALSE(zelvo::decodeMemory(*outside, file.data(), uint32_t(file.size()), 0));
  // By detection only: asking for type 21 directly is refused.
  ImagePtr direct = Image::make();
  EXPECT_FALSE(zelvo::decodeMemory(*direct, file.data(), uint32_t(file.size()), ZV_TYPE_LJY));
  EXPECT_STREQ(direct->lastError(), "Decode: Unknown or wrong format");
}

TEST(SpriteSheet, OpacityBecomesAUniformAlpha) {
  struct Case {
    uint32_t opacity;
    bool alpha;
  };
  for (const Case& c : {Case{128, true}, Case{1, true}, Case{254, true}, Case{0, false}, Case{255, false}}) {
    Sheet s;
    s.opacity = c.opacity;
    const Bytes file = sheetFile(s);
    ImagePtr img = Image::make();
    img->info.loadAllFrames = true;
    ASSERT_TRUE(zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0));
    ASSERT_EQ(img->frames[2]->alpha != nullptr, c.alpha) << c.opacity;
    EXPECT_EQ(img->alpha != nullptr, c.alpha) << c.opacity;
    if (c.alpha) {
      EXPECT_EQ(img->frames[2]->alphaRow(5)[7], c.opacity);
      EXPECT_EQ(img->alphaRow(0)[0], c.opacity);
    }
  }
}

TEST(SpriteSheet, HeaderOnlyGivesTheFrameSize) {
  const Bytes file = sheetFile(Sheet{});
  auto dir = gallivo::test::freshDir("ljy-info");
  writeFile(dir / "a.ljy", file);
  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::loadInfo(*img, u16(dir / "a.ljy").c_str(), 0));
  EXPECT_EQ(img->width(), kSize);
  EXPECT_EQ(img->height(), kSize);
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_LJY));
  EXPECT_FALSE(img->valid());
  EXPECT_TRUE(img->frames.empty());
}

}  // namespace
}  // namespace zelvo

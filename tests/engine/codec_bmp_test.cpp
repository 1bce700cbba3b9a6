// BMP codec: files written by ImageMagick and PIL in every header, depth and compression
// decode to PIL's pixels; our files read back in PIL and identify; hostile headers and RLE
// streams fail with a message or decode inside the picture.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_support.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

const fs::path& fixtures() {
  static const fs::path dir = gradientFixtures("bmp_fixtures");
  return dir;
}

struct OutsideCase {
  const char* name;
  bool pil;           // args is a PIL expression on `im` (RGB) / `a` (RGBA), else convert args
  const char* args;
  uint16_t depth;
  bool alpha;
  bool imJudge = false;  // PIL truncates 5/6-bit fields (IM replicates bits) and drops plain 32-bit alpha
};

// Every case: the file's pixels as PIL (or ImageMagick) reads them must be ours exactly.
const OutsideCase kOutside[] = {
    {"pil_1bit", true, "im.convert('1')", 1, false},
    {"pil_grey8", true, "im.convert('L')", 8, false},
    {"pil_palette8", true, "im.convert('P', palette=Image.ADAPTIVE, colors=200)", 8, false},
    {"pil_rgb24", true, "im", 24, false},
    {"pil_rgba32_plain_header", true, "a", 24, true, true},
    {"im_1bit", false, "{src} -colors 2 bmp3:{out}", 1, false},
    {"im_4bit", false, "{src} -colors 16 bmp3:{out}", 4, false},
    {"im_rle8", false, "{src} -colors 200 -compress RLE bmp3:{out}", 8, false},
    {"im_os2_core_24", false, "{src} bmp2:{out}", 24, false},
    {"im_os2_core_palette", false, "{src} -colors 16 bmp2:{out}", 4, false},
    {"im_v5_24", false, "{src} bmp:{out}", 24, false},
    {"im_v5_argb32", false, "{srca} bmp:{out}", 24, true},
    {"im_bitfields_565", false, "{src} -define bmp:subtype=RGB565 bmp:{out}", 24, false, true},
    {"im_bitfields_555", false, "{src} -define bmp:subtype=RGB555 bmp:{out}", 24, false, true},
};

std::string replaceAll(std::string s, const std::string& key, const std::string& value) {
  for (size_t p; (p = s.find(key)) != std::string::npos;) s.replace(p, key.size(), value);
  return s;
}

class BmpOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(BmpOutside, DecodesToThePixelsPilReads) {
  const OutsideCase& c = GetParam();
  const fs::path src = fixtures() / "p.png", srca = fixtures() / "pa.png";
  const fs::path file = fixtures() / (std::string(c.name) + ".bmp");
  if (c.pil) {
    ASSERT_TRUE(runPython("im=Image.open('" + src.string() + "').convert('RGB')\na=Image.open('" + srca.string() +
                          "')\n(" + c.args + ").save('" + file.string() + "')"));
  } else {
    std::string cmd = replaceAll(replaceAll(replaceAll(c.args, "{srca}", srca.string()), "{src}", src.string()),
                                 "{out}", file.string());
    ASSERT_EQ(gallivo::test::run("convert " + cmd), 0) << cmd;
  }
  ImagePtr img = decodeWith(decodeBMP, readFile(file), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->width(), 37);
  EXPECT_EQ(img->height(), 23);
  EXPECT_EQ(img->depth(), c.depth);
  EXPECT_EQ(img->alpha != nullptr, c.alpha);
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_BMP));
  EXPECT_EQ(differingPixels(rgba(*img), c.imJudge ? imRgba(file) : pilRgba(file)), 0u);

  ImagePtr info = decodeWith(decodeBMP, readFile(file), ZV_TYPE_BMP, /*headerOnly=*/true);
  EXPECT_FALSE(info->valid());
  EXPECT_EQ(info->width(), 37);
  EXPECT_EQ(info->height(), 23);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpOutside, ::testing::ValuesIn(kOutside),
                         [](const auto& i) { return std::string(i.param.name); });

// ---- hand-built files for what the tools do not write ----

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) { v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8); }
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { put16(v, at, x & 0xFFFF), put16(v, at + 2, x >> 16); }

// A 40-byte-header bitmap with a grey palette of 2^bpp entries (for bpp <= 8).
std::vector<uint8_t> bmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, const std::vector<uint8_t>& data) {
  const uint32_t colors = bpp <= 8 ? 1u << bpp : 0;
  std::vector<uint8_t> v(54 + colors * 4, 0);
  v[0] = 'B', v[1] = 'M';
  put32(v, 10, uint32_t(v.size()));
  put32(v, 14, 40);
  put32(v, 18, uint32_t(w));
  put32(v, 22, uint32_t(h));
  put16(v, 26, 1);
  put16(v, 28, bpp);
  put32(v, 30, compression);
  for (uint32_t i = 0; i < colors; ++i) {
    const uint8_t g = uint8_t(i * 255 / (colors - 1));
    v[54 + 4 * i] = v[55 + 4 * i] = v[56 + 4 * i] = g;
  }
  v.insert(v.end(), data.begin(), data.end());
  put32(v, 2, uint32_t(v.size()));
  return v;
}

// Palette index at top-down (x, y).
uint8_t indexAt(const Image& img, int32_t x, int32_t yTop) {
  return rio::getIndex(img.row(img.height() - 1 - yTop), uint32_t(x), img.depth());
}

TEST(BmpRle, Rle4RunsAndAbsoluteRunsGiveTheCodedIndexes) {
  // 5 x 2, bottom row first: run of 5 alternating 1,2; then absolute 3,4,5 and a run of 2 x 6.
  const std::vector<uint8_t> rle = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x66, 0, 1};
  ImagePtr img = decodeWith(decodeBMP, bmp(5, 2, 4, 2, rle), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  const uint8_t bottom[] = {1, 2, 1, 2, 1}, top[] = {3, 4, 5, 6, 6};
  for (int32_t x = 0; x < 5; ++x) {
    EXPECT_EQ(indexAt(*img, x, 1), bottom[x]) << x;
    EXPECT_EQ(indexAt(*img, x, 0), top[x]) << x;
  }
}

TEST(BmpRle, RunsPastTheRowAreClippedAndTheNextRowIsIntact) {
  // Width 3: a run of 200 pixels of 9, end of line, then 7 7 7.
  const std::vector<uint8_t> rle = {200, 9, 0, 0, 3, 7, 0, 1};
  ImagePtr img = decodeWith(decodeBMP, bmp(3, 2, 8, 1, rle), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  for (int32_t x = 0; x < 3; ++x) {
    EXPECT_EQ(indexAt(*img, x, 1), 9);
    EXPECT_EQ(indexAt(*img, x, 0), 7);
  }
}

TEST(BmpRle, HostileStreamsStayInsideThePicture) {
  struct Case {
    const char* fault;
    std::vector<uint8_t> rle;
    bool decodes;
  };
  const Case cases[] = {
      {"delta jumps far past the last row", {1, 5, 0, 2, 255, 255, 4, 6, 0, 1}, true},
      {"delta jumps past the row end, then more pixels", {0, 2, 250, 0, 5, 8, 0, 0, 1, 3, 0, 1}, true},
      {"absolute run longer than the row", {0, 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 0, 1}, true},
      {"absolute run longer than the data", {0, 200, 1, 2}, false},
      {"stream ends without end of bitmap", {2, 5}, false},
      {"delta cut short", {0, 2, 1}, false},
  };
  for (const Case& c : cases) {
    ImagePtr img = decodeWith(decodeBMP, bmp(3, 2, 8, 1, c.rle), ZV_TYPE_BMP);
    EXPECT_EQ(img->valid(), c.decodes) << c.fault;
    if (!c.decodes) { EXPECT_STRNE(img->lastError(), "") << c.fault; }
  }
}

TEST(BmpLayout, TopDownRowsAreStoredBottomUp) {
  // 1 x 2, 24 bits, height -2: the first row in the file is the top row.
  const std::vector<uint8_t> rows = {10, 20, 30, 0, 40, 50, 60, 0};
  ImagePtr img = decodeWith(decodeBMP, bmp(1, -2, 24, 0, rows), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->row(1)[0], 10);  // stored top row
  EXPECT_EQ(img->row(0)[0], 40);
}

TEST(BmpLayout, TwoBitPixelsWidenToFourBits) {
  // 4 x 1, indexes 0 1 2 3 packed in one byte.
  ImagePtr img = decodeWith(decodeBMP, bmp(4, 1, 2, 0, {0x1B, 0, 0, 0}), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->depth(), 4);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(indexAt(*img, x, 0), x);
  EXPECT_EQ(img->palette()[3].red, 255);
}

TEST(BmpLayout, ThirtyTwoBitsWithEmptyFourthByteHasNoAlpha) {
  ImagePtr img = decodeWith(decodeBMP, bmp(1, 1, 32, 0, {1, 2, 3, 0}), ZV_TYPE_BMP);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->alpha, nullptr);
  EXPECT_EQ(img->row(0)[2], 3);
}

TEST(BmpBadInput, FailsWithAMessage) {
  const std::vector<uint8_t> good = bmp(4, 4, 24, 0, std::vector<uint8_t>(48, 7));
  struct Case {
    const char* fault;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto edited = [&](const char* fault, auto edit) {
    std::vector<uint8_t> v = good;
    edit(v);
    cases.push_back({fault, v});
  };
  edited("100000 x 100000 claimed by a tiny file", [](auto& v) { put32(v, 18, 100000), put32(v, 22, 100000); });
  edited("width 0", [](auto& v) { put32(v, 18, 0); });
  edited("height INT_MIN cannot be negated", [](auto& v) { put32(v, 22, 0x80000000u); });
  edited("bit depth 7", [](auto& v) { put16(v, 28, 7); });
  edited("JPEG compression inside a bitmap", [](auto& v) { put32(v, 30, 4); });
  edited("RLE8 on a 24-bit header", [](auto& v) { put32(v, 30, 1); });
  edited("header size 8, below the core header", [](auto& v) { put32(v, 14, 8); });
  edited("header size 1 GB", [](auto& v) { put32(v, 14, 0x40000000); });
  edited("wrong magic", [](auto& v) { v[0] = 'X'; });
  for (size_t cut : {size_t(0), size_t(1), size_t(10), size_t(20), size_t(53), good.size() - 13})
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.begin() + long(cut))});

  for (const Case& c : cases) {
    ImagePtr img = decodeWith(decodeBMP, c.bytes, ZV_TYPE_BMP);
    EXPECT_FALSE(img->valid()) << c.fault;
    EXPECT_STRNE(img->lastError(), "") << c.fault;
  }
  // The huge header answers a header-only query without allocating.
  std::vector<uint8_t> huge = good;
  put32(huge, 18, 100000), put32(huge, 22, 100000);
  ImagePtr info = decodeWith(decodeBMP, huge, ZV_TYPE_BMP, /*headerOnly=*/true);
  EXPECT_EQ(info->width(), 100000);
  EXPECT_FALSE(info->valid());
}

// ---- the encoder ----

struct EncodeCase {
  const char* name;
  uint32_t bpp;
  bool alpha;
  uint32_t identifyDepth;  // ImageMagick's %z: indexed files read as 8 bits, 1-bit as 1
};

class BmpEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(BmpEncode, PilAndIdentifyReadOurPixels) {
  const EncodeCase& c = GetParam();
  ImagePtr img = Image::make();
  ASSERT_TRUE(img->create(13, 7, c.bpp, 0));
  if (c.bpp <= 8) {
    std::vector<ZvRGBQuad> pal(img->numColors());
    for (size_t i = 0; i < pal.size(); ++i) pal[i] = {uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3), 0};
    img->setPalette(pal.data(), uint32_t(pal.size()));
  }
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 13; ++x) {
      if (c.bpp <= 8) img->setPixelIndex(x, y, uint8_t((x * 5 + y * 3) % img->numColors()));
      else img->setPixelColor(x, y, {uint8_t(x * 19), uint8_t(y * 33), uint8_t(x * y), 0}, false);
    }
  if (c.alpha) {
    ASSERT_TRUE(img->allocAlpha());
    for (int32_t i = 0; i < 13 * 7; ++i) img->alpha.get()[i] = uint8_t(i * 2);
  }
  img->setDpi(300, 150);
  bool ok = false;
  const std::vector<uint8_t> bytes = encodeWith(encodeBMP, *img, ZV_TYPE_BMP, &ok);
  ASSERT_TRUE(ok) << img->lastError();
  const fs::path file = gallivo::test::freshDir("bmp_out") / (std::string(c.name) + ".bmp");
  writeFile(file, bytes);

  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(file)), 0u);
  std::string out;
  ASSERT_EQ(gallivo::test::run("identify -format '%w %h %z %A %x' " + file.string(), &out), 0) << out;
  EXPECT_EQ(out.rfind("13 7 " + std::to_string(c.identifyDepth) + (c.alpha ? " True" : " False") + " 118.1", 0), 0u)
      << out;  // 300 dpi is 118.1 pixels per centimetre

  ImagePtr back = decodeWith(decodeBMP, bytes, ZV_TYPE_BMP);
  ASSERT_TRUE(back->valid()) << back->lastError();
  EXPECT_EQ(back->depth(), c.bpp);
  EXPECT_EQ(rgba(*back), rgba(*img));
  EXPECT_EQ(back->info.xdpi, 300);
  EXPECT_EQ(back->info.ydpi, 150);
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpEncode,
                         ::testing::Values(EncodeCase{"bits1", 1, false, 1},
                                           EncodeCase{"bits4", 4, false, 4},
                                           EncodeCase{"bits8", 8, false, 8},
                                           EncodeCase{"bits24", 24, false, 8},
                                           EncodeCase{"bits24_alpha", 24, true, 8}),
                         [](const auto& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace zelvo

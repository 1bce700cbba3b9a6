// PNG codec: every colour type, depth, transparency form and interlacing written by PIL and
// ImageMagick decodes to the pixels they read; our files pass pngcheck and read back in PIL;
// truncated, corrupt and oversized files fail with a message.
#include <gtest/gtest.h>
#include <zlib.h>

#include "codec_support.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

const fs::path& fixtures() {
  static const fs::path dir = gradientFixtures("png_fixtures");
  return dir;
}

struct OutsideCase {
  const char* name;
  bool pil;          // args: a PIL statement saving to {out} from `im` (RGB) or `a` (RGBA); else convert args
  const char* args;
  int bitDepth, colorType, interlace;  // what the file must hold, so the case tests what it says
  uint16_t depth;
  bool alpha;
  int32_t transIndex;
  bool rawGrey16;  // PIL clips 16-bit grey to 8 bits: judge its raw samples, rounded v * 255 / 65535
};

const OutsideCase kOutside[] = {
    {"pil_grey1", true, "im.convert('1').save('{out}')", 1, 0, 0, 1, false, -1, false},
    {"pil_grey8", true, "im.convert('L').save('{out}')", 8, 0, 0, 8, false, -1, false},
    {"pil_grey8_trns", true, "im.convert('L').save('{out}', transparency=60)", 8, 0, 0, 8, false, 60, false},
    {"pil_grey_alpha", true, "a.convert('LA').save('{out}')", 8, 4, 0, 8, true, -1, false},
    {"pil_palette1", true, "im.convert('P', palette=Image.ADAPTIVE, colors=2).save('{out}', bits=1)", 1, 3, 0, 1, false, -1, false},
    {"pil_palette2", true, "im.convert('P', palette=Image.ADAPTIVE, colors=4).save('{out}', bits=2)", 2, 3, 0, 4, false, -1, false},
    {"pil_palette4", true, "im.convert('P', palette=Image.ADAPTIVE, colors=16).save('{out}', bits=4)", 4, 3, 0, 4, false, -1, false},
    {"pil_palette8", true, "im.convert('P', palette=Image.ADAPTIVE, colors=256).save('{out}')", 8, 3, 0, 8, false, -1, false},
    {"pil_palette8_index", true, "im.convert('P', palette=Image.ADAPTIVE, colors=256).save('{out}', transparency=5)", 8, 3, 0, 8, false, 5, false},
    {"pil_palette8_alphas", true, "im.convert('P', palette=Image.ADAPTIVE, colors=256).save('{out}', transparency=bytes(range(0,256,2)))", 8, 3, 0, 8, true, -1, false},
    {"pil_rgb", true, "im.save('{out}')", 8, 2, 0, 24, false, -1, false},
    {"pil_rgb_trns", true, "im.save('{out}', transparency=(7*3,0,255-15))", 8, 2, 0, 24, true, -1, false},
    {"pil_rgba", true, "a.save('{out}')", 8, 6, 0, 24, true, -1, false},
    {"im_grey2", false, "{src} -colorspace gray -depth 2 -define png:bit-depth=2 -define png:color-type=0 {out}", 2, 0, 0, 4, false, -1, false},
    {"im_grey16", false, "{src} -colorspace gray -depth 16 -define png:color-type=0 {out}", 16, 0, 0, 8, false, -1, true},
    {"im_rgb16", false, "{src} -depth 16 png48:{out}", 16, 2, 0, 24, false, -1, false},
    {"im_rgba16", false, "{srca} -depth 16 png64:{out}", 16, 6, 0, 24, true, -1, false},
    {"im_rgb_interlaced", false, "{src} -interlace PNG {out}", 8, 2, 1, 24, false, -1, false},
    {"im_rgba_interlaced", false, "{srca} -interlace PNG png32:{out}", 8, 6, 1, 24, true, -1, false},
    {"im_grey_alpha_interlaced", false, "{srca} -colorspace gray -define png:color-type=4 -interlace PNG {out}", 8, 4, 1, 8, true, -1, false},
    {"im_palette_interlaced", false, "{src} -colors 16 -interlace PNG png8:{out}", 8, 3, 1, 8, false, -1, false},
};

std::string replaceAll(std::string s, const std::string& key, const std::string& value) {
  for (size_t p; (p = s.find(key)) != std::string::npos;) s.replace(p, key.size(), value);
  return s;
}

// PIL's raw 16-bit grey samples scaled to 8 bits with rounding, as top-down RGBA.
std::vector<uint8_t> grey16Rgba(const fs::path& file) {
  const fs::path raw = file.string() + ".g16";
  EXPECT_TRUE(runPython("im = Image.open('" + file.string() + "')\nassert im.mode in ('I', 'I;16')\n"
                        "out = bytearray()\nfor v in im.getdata():\n    g = (v * 255 + 32767) // 65535\n"
                        "    out += bytes((g, g, g, 255))\nopen('" + raw.string() + "', 'wb').write(out)"));
  return readFile(raw);
}

class PngOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(PngOutside, DecodesToThePixelsTheToolReads) {
  const OutsideCase& c = GetParam();
  const fs::path src = fixtures() / "p.png", srca = fixtures() / "pa.png";
  const fs::path file = fixtures() / (std::string(c.name) + ".png");
  if (c.pil) {
    ASSERT_TRUE(runPython("im=Image.open('" + src.string() + "').convert('RGB')\na=Image.open('" + srca.string() +
                          "')\n" + replaceAll(c.args, "{out}", file.string())));
  } else {
    const std::string cmd = replaceAll(replaceAll(replaceAll(c.args, "{srca}", srca.string()), "{src}", src.string()),
                                       "{out}", file.string());
    ASSERT_EQ(gallivo::test::run("convert " + cmd), 0) << cmd;
  }
  const std::vector<uint8_t> bytes = readFile(file);
  ASSERT_GT(bytes.size(), 33u);
  ASSERT_EQ(int(bytes[24]), c.bitDepth) << "the tool wrote another variant";
  ASSERT_EQ(int(bytes[25]), c.colorType) << "the tool wrote another variant";
  ASSERT_EQ(int(bytes[28]), c.interlace) << "the tool wrote another variant";

  ImagePtr img = decodeWith(decodePNG, bytes, ZV_TYPE_PNG);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->width(), 37);
  EXPECT_EQ(img->height(), 23);
  EXPECT_EQ(img->depth(), c.depth);
  EXPECT_EQ(img->alpha != nullptr, c.alpha);
  EXPECT_EQ(img->info.transIndex, c.transIndex);
  EXPECT_EQ(differingPixels(rgba(*img), c.rawGrey16 ? grey16Rgba(file) : pilRgba(file)), 0u);

  ImagePtr info = decodeWith(decodePNG, bytes, ZV_TYPE_PNG, /*headerOnly=*/true);
  EXPECT_FALSE(info->valid());
  EXPECT_EQ(info->width(), 37);
  EXPECT_EQ(info->height(), 23);
}

INSTANTIATE_TEST_SUITE_P(Files, PngOutside, ::testing::ValuesIn(kOutside),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(PngResolution, PhysInMetresBecomesDpi) {
  const fs::path file = fixtures() / "dpi.png";
  ASSERT_TRUE(runPython("Image.new('RGB',(3,2)).save('" + file.string() + "', dpi=(300,72))"));
  ImagePtr img = decodeWith(decodePNG, readFile(file), ZV_TYPE_PNG);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->info.xdpi, 300);
  EXPECT_EQ(img->info.ydpi, 72);
}

// ---- bad input ----

void put32be(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (24 - 8 * i));
}
// Rewrites the CRC of the chunk starting at `at` (its length field).
void fixCrc(std::vector<uint8_t>& v, size_t at) {
  const uint32_t len = uint32_t(v[at]) << 24 | uint32_t(v[at + 1]) << 16 | uint32_t(v[at + 2]) << 8 | v[at + 3];
  put32be(v, at + 8 + len, uint32_t(crc32(0, &v[at + 4], len + 4)));
}

TEST(PngBadInput, FailsWithAMessage) {
  const fs::path file = fixtures() / "small.png";
  ASSERT_TRUE(runPython("im=Image.new('RGB',(40,30))\nim.putdata([(x*6,y*8,x^y) for y in range(30) for x in range(40)])\n"
                        "im.save('" + file.string() + "')"));
  const std::vector<uint8_t> good = readFile(file);
  ASSERT_TRUE(decodeWith(decodePNG, good, ZV_TYPE_PNG)->valid());

  struct Case {
    const char* fault;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> huge = good;
  put32be(huge, 16, 100000), put32be(huge, 20, 100000), fixCrc(huge, 8);
  cases.push_back({"IHDR claims 100000 x 100000 (valid CRC)", huge});
  std::vector<uint8_t> zero = good;
  put32be(zero, 16, 0), fixCrc(zero, 8);
  cases.push_back({"IHDR width 0", zero});
  std::vector<uint8_t> crc = good;
  crc[17] ^= 1;
  cases.push_back({"IHDR CRC does not match", crc});
  std::vector<uint8_t> depth = good;
  depth[24] = 3, fixCrc(depth, 8);
  cases.push_back({"RGB with bit depth 3", depth});
  std::vector<uint8_t> idat = good;
  idat[good.size() - 20] ^= 0xFF;  // inside the last IDAT's deflate data
  cases.push_back({"IDAT deflate data flipped", idat});
  for (size_t cut : {size_t(4), size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 13})
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.begin() + long(cut))});

  for (const Case& c : cases) {
    ImagePtr img = decodeWith(decodePNG, c.bytes, ZV_TYPE_PNG);
    EXPECT_FALSE(img->valid()) << c.fault;
    EXPECT_EQ(std::string(img->lastError()).rfind("PNG: ", 0), 0u) << c.fault << ": " << img->lastError();
  }
  ImagePtr info = decodeWith(decodePNG, huge, ZV_TYPE_PNG, /*headerOnly=*/true);
  EXPECT_EQ(info->width(), 100000);
  EXPECT_EQ(info->height(), 100000);
}

// ---- the encoder ----

enum class Alpha { None, TransIndex, PerIndex, PerPixel };

struct EncodeCase {
  const char* name;
  uint32_t bpp;
  Alpha alpha;
  const char* pngcheckKind;  // how pngcheck describes the file
};

ImagePtr picture(uint32_t bpp, Alpha alpha) {
  ImagePtr img = Image::make();
  EXPECT_TRUE(img->create(13, 7, bpp, 0));
  if (bpp <= 8) {
    std::vector<ZvRGBQuad> pal(img->numColors());
    for (size_t i = 0; i < pal.size(); ++i) pal[i] = {uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3), 0};
    img->setPalette(pal.data(), uint32_t(pal.size()));
  }
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 13; ++x) {
      if (bpp <= 8) img->setPixelIndex(x, y, uint8_t((x * 5 + y * 3) % img->numColors()));
      else img->setPixelColor(x, y, {uint8_t(x * 19), uint8_t(y * 33), uint8_t(x * y), 0}, false);
    }
  if (alpha == Alpha::TransIndex) img->info.transIndex = 1;
  if (alpha == Alpha::PerIndex || alpha == Alpha::PerPixel) {
    EXPECT_TRUE(img->allocAlpha());
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 13; ++x)
        img->alphaRow(y)[x] = alpha == Alpha::PerIndex ? uint8_t(img->pixelIndex(x, y) * 10) : uint8_t(x * 20 + y);
  }
  img->setDpi(300, 150);
  return img;
}

class PngEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(PngEncode, PngcheckAndPilAcceptOurFile) {
  const EncodeCase& c = GetParam();
  ImagePtr img = picture(c.bpp, c.alpha);
  bool ok = false;
  const std::vector<uint8_t> bytes = encodeWith(encodePNG, *img, ZV_TYPE_PNG, &ok);
  ASSERT_TRUE(ok) << img->lastError();
  const fs::path file = gallivo::test::freshDir("png_out") / (std::string(c.name) + ".png");
  writeFile(file, bytes);

  std::string out;
  EXPECT_EQ(gallivo::test::run("pngcheck -v " + file.string(), &out), 0) << out;
  EXPECT_NE(out.find(c.pngcheckKind), std::string::npos) << out;
  EXPECT_NE(out.find("11811x5906 pixels/meter"), std::string::npos) << out;  // 300 x 150 dpi
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(file)), 0u);

  ImagePtr back = decodeWith(decodePNG, bytes, ZV_TYPE_PNG);
  ASSERT_TRUE(back->valid()) << back->lastError();
  EXPECT_EQ(rgba(*back), rgba(*img));
  EXPECT_EQ(back->info.xdpi, 300);
  EXPECT_EQ(back->info.ydpi, 150);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PngEncode,
    ::testing::Values(EncodeCase{"palette1", 1, Alpha::None, "1-bit palette"},
                      EncodeCase{"palette4", 4, Alpha::None, "4-bit palette"},
                      EncodeCase{"palette8", 8, Alpha::None, "8-bit palette"},
                      EncodeCase{"palette8_trans_index", 8, Alpha::TransIndex, "tRNS"},
                      EncodeCase{"palette4_alpha_per_index", 4, Alpha::PerIndex, "tRNS"},
                      EncodeCase{"palette8_alpha_per_pixel", 8, Alpha::PerPixel, "RGB+alpha"},
                      EncodeCase{"rgb24", 24, Alpha::None, "24-bit RGB"},
                      EncodeCase{"rgb24_alpha", 24, Alpha::PerPixel, "32-bit RGB+alpha"}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(PngEncodeErrors, AStreamThatRefusesWritesFails) {
  ImagePtr img = picture(24, Alpha::None);
  uint8_t fixed[16] = {};
  StreamPtr s = makeMemoryReader(fixed, sizeof fixed);  // a fixed buffer never grows
  EXPECT_FALSE(encodePNG(*img, StreamRef(s.get()), ZV_TYPE_PNG));
  EXPECT_STREQ(img->lastError(), "PNG: write error");
  EXPECT_TRUE(img->valid());
}

}  // namespace
}  // namespace zelvo

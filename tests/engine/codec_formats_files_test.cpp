// Multi-picture files (TIFF pages, icon entries), a DNG developed by LibRaw, and hostile
// files for every hand-written decoder: each fails with a message, or decodes inside
// the picture, and never allocates what its header claims before checking it.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>

#include "DngWriter.h"
#include "codec_support.h"
#include "zlvplatform.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

ImagePtr solid(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, uint32_t bpp = 24) {
  ImagePtr img = Image::make();
  EXPECT_TRUE(rio::createChecked(*img, w, h, bpp, 0));
  if (bpp <= 8) {
    ZvRGBQuad pal[256] = {};
    pal[1] = {b, g, r, 0};
    img->setPalette(pal, 1u << bpp);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) rio::putIndex(img->row(y), uint32_t(x), bpp, 1);
  } else {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        img->row(y)[x * 3] = b;
        img->row(y)[x * 3 + 1] = g;
        img->row(y)[x * 3 + 2] = r;
      }
  }
  return img;
}

std::vector<uint8_t> encodeFrames(EncodeFramesFn fn, std::vector<Image*> images, Image& err, bool* ok) {
  StreamPtr s = makeMemoryWriter();
  *ok = fn(images, StreamRef(s.get()), err);
  size_t size = 0;
  uint8_t* buf = detachMemoryBuffer(s.get(), &size);
  std::vector<uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}

ZvRGBQuad centre(const Image& img) { return rio::colorAt(img, img.width() / 2, img.height() / 2); }

// ---- pages and entries ----
struct MultiCase {
  const char* name;
  uint32_t type;
  EncodeFramesFn encodeFrames;
  DecodeFn decode;
};
const MultiCase kMulti[] = {
    {"tiff", ZV_TYPE_TIF, encodeFramesTIF, decodeTIF},
    {"icon", ZV_TYPE_ICO, encodeFramesICO, decodeICO},
};

TEST(FormatMultiPicture, FrameIndexPicksAndLoadAllTakesEvery) {
  for (const MultiCase& c : kMulti) {
    SCOPED_TRACE(c.name);
    ImagePtr a = solid(16, 16, 255, 0, 0), b = solid(32, 24, 0, 255, 0, 8), d = solid(48, 48, 0, 0, 255, 4);
    Image err;
    bool ok = false;
    const std::vector<uint8_t> file = encodeFrames(c.encodeFrames, {a.get(), b.get(), d.get()}, err, &ok);
    ASSERT_TRUE(ok) << err.lastError();
    const int32_t widths[] = {16, 32, 48};
    for (int32_t i = 0; i < 3; ++i) {
      ImagePtr one = decodeWith(c.decode, file, c.type, false, false, i);
      ASSERT_TRUE(one->valid()) << one->lastError();
      EXPECT_EQ(one->width(), widths[i]);
      EXPECT_TRUE(one->frames.empty());
    }
    ImagePtr all = decodeWith(c.decode, file, c.type, false, true, 1);
    ASSERT_TRUE(all->valid()) << all->lastError();
    ASSERT_EQ(all->frames.size(), 3u);
    EXPECT_EQ(all->width(), 32);  // the image itself is the indexed picture
    const ZvRGBQuad want[] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}};
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(all->frames[i]->width(), widths[i]);
      const ZvRGBQuad got = centre(*all->frames[i]);
      EXPECT_EQ(std::memcmp(&got, &want[i], 4), 0) << i;
    }
    ImagePtr beyond = decodeWith(c.decode, file, c.type, false, false, 3);
    EXPECT_EQ(beyond->info.type, 0u);
    EXPECT_STRNE(beyond->lastError(), "");
  }
}

TEST(FormatMultiPicture, MagickSeesEveryTiffPageAndIcon) {
  ASSERT_TRUE(gallivo::test::needTool("identify", "imagemagick"));
  const fs::path dir = gallivo::test::freshDir("multi");
  ImagePtr a = solid(16, 16, 255, 0, 0), b = solid(32, 24, 0, 255, 0);
  const std::pair<const char*, EncodeFramesFn> files[] = {{"p.tif", encodeFramesTIF}, {"p.ico", encodeFramesICO}};
  for (const auto& [name, fn] : files) {
    Image err;
    bool ok = false;
    writeFile(dir / name, encodeFrames(fn, {a.get(), b.get()}, err, &ok));
    ASSERT_TRUE(ok);
    std::string out;
    EXPECT_EQ(gallivo::test::run("identify -format '%wx%h ' " + (dir / name).string() + " 2>&1", &out), 0);
    EXPECT_EQ(out, "16x16 32x24 ") << name;
  }
}

TEST(FormatMultiPicture, IconTakesPngEntriesThroughThePngCodec) {
  ASSERT_TRUE(gallivo::test::needTool("convert", "imagemagick"));
  const fs::path dir = gallivo::test::freshDir("icopng");
  std::string out;
  // ImageMagick stores 256-pixel icons as PNG entries.
  ASSERT_EQ(gallivo::test::run("convert -size 256x256 xc:'rgba(10,200,30,0.5)' -size 16x16 xc:blue " +
                                   (dir / "i.ico").string() + " 2>&1",
                               &out),
            0)
      << out;
  const std::vector<uint8_t> file = readFile(dir / "i.ico");
  ImagePtr big = decodeWith(decodeICO, file, ZV_TYPE_ICO, false, true, 0);
  ASSERT_TRUE(big->valid()) << big->lastError();
  EXPECT_EQ(big->width(), 256);
  ASSERT_TRUE(big->alpha);
  EXPECT_NEAR(big->alpha.get()[0], 128, 1);
  EXPECT_EQ(big->frames.size(), 2u);
  ImagePtr info = decodeWith(decodeICO, file, ZV_TYPE_ICO, true, false, 1);
  EXPECT_EQ(info->width(), 16);
}

// An animation ImageMagick writes: the first frame alone, or every frame with its delay.
TEST(FormatMultiPicture, MngAnimationGivesFirstOrEveryFrame) {
  ASSERT_TRUE(gallivo::test::needTool("convert", "imagemagick"));
  const fs::path dir = gallivo::test::freshDir("mng");
  std::string out;
  ASSERT_EQ(gallivo::test::run("convert -delay 20 -size 20x10 xc:red xc:lime xc:blue " + (dir / "a.mng").string() +
                                   " 2>&1",
                               &out),
            0)
      << out;
  const std::vector<uint8_t> file = readFile(dir / "a.mng");
  ImagePtr first = decodeWith(decodeMNG, file, ZV_TYPE_MNG);
  ASSERT_EQ(first->info.type, uint32_t(ZV_TYPE_MNG)) << first->lastError();
  EXPECT_EQ(centre(*first).red, 255);
  EXPECT_TRUE(first->frames.empty());
  ImagePtr all = decodeWith(decodeMNG, file, ZV_TYPE_MNG, false, true);
  ASSERT_EQ(all->info.type, uint32_t(ZV_TYPE_MNG)) << all->lastError();
  ASSERT_EQ(all->frames.size(), 3u);
  EXPECT_EQ(centre(*all->frames[0]).red, 255);
  EXPECT_EQ(centre(*all->frames[1]).green, 255);
  EXPECT_EQ(centre(*all->frames[2]).blue, 255);
  EXPECT_EQ(all->frames[0]->info.frameDelay, 20);
  ImagePtr info = decodeWith(decodeMNG, file, ZV_TYPE_MNG, true);
  EXPECT_EQ(info->width(), 20);
  EXPECT_EQ(info->height(), 10);
}

// ---- camera raw ----
// A 64 x 48 digital negative: 16-bit RGGB mosaic of one flat colour, written with libtiff.
std::vector<uint8_t> makeDng(const fs::path& file) {
  EXPECT_TRUE(gallivo::test::writeDng(file, 64, 48, [](uint32_t x, uint32_t y) {
    return uint16_t((y % 2 == 0 && x % 2 == 0) ? 30000 : (y % 2 && x % 2) ? 10000 : 20000);
  }, 48));
  return readFile(file);
}

TEST(FormatCameraRaw, DngDevelopsThroughLibRawAndIsNotTakenForTiff) {
  const fs::path dir = gallivo::test::freshDir("dng");
  const std::vector<uint8_t> dng = makeDng(dir / "t.dng");
  ImagePtr tif = decodeWith(decodeTIF, dng, ZV_TYPE_TIF);
  EXPECT_EQ(tif->info.type, 0u);
  ImagePtr info = decodeWith(decodeRAW, dng, ZV_TYPE_RAW, true);
  EXPECT_EQ(info->width(), 64);
  EXPECT_EQ(info->height(), 48);
  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16((dir / "t.dng").string()).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_RAW));
  EXPECT_EQ(img->width(), 64);
  EXPECT_EQ(img->height(), 48);
  // A flat mosaic develops to a flat picture: red stronger than green, green than blue.
  const ZvRGBQuad c = centre(*img);
  EXPECT_GT(c.red, c.green);
  EXPECT_GT(c.green, c.blue);
  // A decode size hint asks for the half-size development.
  ImagePtr half = Image::make();
  half->info.hintWidth = half->info.hintHeight = 16;
  ASSERT_TRUE(zelvo::load(*half, zlv::toUtf16((dir / "t.dng").string()).c_str(), ZV_TYPE_RAW)) << half->lastError();
  EXPECT_EQ(half->width(), 32);
  ImagePtr saved = solid(4, 4, 1, 2, 3);
  EXPECT_FALSE(zelvo::save(*saved, zlv::toUtf16((dir / "o.dng").string()).c_str(), ZV_TYPE_RAW));
  EXPECT_STREQ(saved->lastError(), "Save RAW not supported");
  EXPECT_FALSE(fs::exists(dir / "o.dng") && fs::file_size(dir / "o.dng") > 0);
}

// ---- hostile files ----
std::vector<uint8_t> bytes(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int b : v) out.push_back(uint8_t(b));
  return out;
}
void append(std::vector<uint8_t>& v, size_t n, uint8_t value) { v.insert(v.end(), n, value); }
void putLe16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
void putLe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  putLe16(v, at, x & 0xFFFF);
  putLe16(v, at + 2, x >> 16);
}
void putBe32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (24 - 8 * i));
}

std::vector<uint8_t> tgaHeader(int type, int w, int h, int bpp) {
  std::vector<uint8_t> v(18, 0);
  v[2] = uint8_t(type);
  putLe16(v, 12, uint32_t(w));
  putLe16(v, 14, uint32_t(h));
  v[16] = uint8_t(bpp);
  return v;
}
std::vector<uint8_t> pcxHeader(int w, int h, int bits, int planes, int bpl) {
  std::vector<uint8_t> v(128, 0);
  v[0] = 0x0A;
  v[1] = 5;
  v[2] = 1;
  v[3] = uint8_t(bits);
  putLe16(v, 8, uint32_t(w - 1));
  putLe16(v, 10, uint32_t(h - 1));
  v[65] = uint8_t(planes);
  putLe16(v, 66, uint32_t(bpl));
  return v;
}
std::vector<uint8_t> psdHeader(int channels, uint32_t w, uint32_t h, int depth, int mode) {
  std::vector<uint8_t> v = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, uint8_t(channels)};
  v.resize(26, 0);
  putBe32(v, 14, h);
  putBe32(v, 18, w);
  v[23] = uint8_t(depth);
  v[25] = uint8_t(mode);
  append(v, 12, 0);  // empty mode data, resources, layers
  return v;
}
std::vector<uint8_t> icoWithEntry(uint32_t size, uint32_t offset) {
  std::vector<uint8_t> v = bytes({0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0});
  v.resize(22, 0);
  putLe32(v, 14, size);
  putLe32(v, 18, offset);
  return v;
}
std::vector<uint8_t> rasHeader(uint32_t w, uint32_t h, uint32_t depth, uint32_t type, uint32_t mapLen) {
  std::vector<uint8_t> v(32, 0);
  putBe32(v, 0, 0x59A66A95);
  putBe32(v, 4, w);
  putBe32(v, 8, h);
  putBe32(v, 12, depth);
  putBe32(v, 20, type);
  putBe32(v, 24, mapLen ? 1 : 0);
  putBe32(v, 28, mapLen);
  return v;
}
std::vector<uint8_t> text(const std::string& s) { return {s.begin(), s.end()}; }
template <class F>
std::vector<uint8_t> with(std::vector<uint8_t> v, F f) {
  f(v);
  return v;
}

// A TIFF whose only strip lies past the end of the file.
std::vector<uint8_t> tiffStripPastEnd() {
  ImagePtr img = solid(8, 8, 10, 20, 30);
  img->info.codecOptions[ZV_TYPE_TIF] = COMPRESSION_NONE;
  std::vector<uint8_t> file = encodeWith(encodeTIF, *img, ZV_TYPE_TIF);
  // Find the StripOffsets entry (tag 273) in the first directory and point it far away.
  const uint32_t ifd = uint32_t(file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24);
  const uint32_t count = uint32_t(file[ifd] | file[ifd + 1] << 8);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = ifd + 2 + i * 12;
    if ((file[e] | file[e + 1] << 8) == 273) putLe32(file, e + 8, 0x7FFFFF00);
  }
  return file;
}

struct Hostile {
  const char* fault;  // what the fixture provokes
  DecodeFn decode;
  uint32_t type;
  std::vector<uint8_t> data;
  bool mayDecode;  // a damaged body may decode (cut short) as long as it stays in bounds
};

std::vector<Hostile> hostileFiles() {
  std::vector<Hostile> v;
  // TGA
  v.push_back({"TGA header only, pixels missing", decodeTGA, ZV_TYPE_TGA, tgaHeader(2, 4, 4, 24), false});
  v.push_back({"TGA 65535 x 65535 claims 12 GiB with no data", decodeTGA, ZV_TYPE_TGA, tgaHeader(2, 65535, 65535, 32), false});
  v.push_back({"TGA RLE run longer than the picture", decodeTGA, ZV_TYPE_TGA,
               with(tgaHeader(10, 2, 2, 24), [](auto& d) { d.insert(d.end(), {0xFF, 1, 2, 3}); }), true});
  v.push_back({"TGA colour map of 300 entries for an 8-bit index", decodeTGA, ZV_TYPE_TGA,
               with(tgaHeader(1, 2, 2, 8), [](auto& d) { d[1] = 1; putLe16(d, 5, 300); d[7] = 24; }), false});
  // PCX
  v.push_back({"PCX bytes-per-line smaller than the width", decodePCX, ZV_TYPE_PCX, pcxHeader(100, 2, 8, 1, 10), false});
  v.push_back({"PCX RLE run past the last row", decodePCX, ZV_TYPE_PCX,
               with(pcxHeader(4, 1, 8, 3, 4), [](auto& d) { d.insert(d.end(), {0xFF, 7}); }), true});
  v.push_back({"PCX truncated body", decodePCX, ZV_TYPE_PCX,
               with(pcxHeader(64, 64, 8, 3, 64), [](auto& d) { d.insert(d.end(), {0xC5, 1}); }), false});
  // WBMP
  v.push_back({"WBMP width with endless continuation bytes", decodeWBMP, ZV_TYPE_WBMP,
               bytes({0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 1}), false});
  v.push_back({"WBMP rows shorter than the header says", decodeWBMP, ZV_TYPE_WBMP, bytes({0, 0, 16, 16, 0xFF}), false});
  // ICO
  v.push_back({"ICO entry offset beyond the file", decodeICO, ZV_TYPE_ICO, icoWithEntry(40, 0x10000), false});
  v.push_back({"ICO entry size wraps past 4 GiB", decodeICO, ZV_TYPE_ICO,
               with(icoWithEntry(0xFFFFFFF0u, 22), [](auto& d) { append(d, 40, 0); }), false});
  v.push_back({"ICO bitmap claims 256 palette colours for 1 bit", decodeICO, ZV_TYPE_ICO,
               with(icoWithEntry(48, 22), [](auto& d) {
                 d.resize(22 + 48, 0);
                 putLe32(d, 22, 40); putLe32(d, 26, 16); putLe32(d, 30, 32); putLe16(d, 34, 1); putLe16(d, 36, 1);
                 putLe32(d, 54, 256);
               }), false});
  v.push_back({"ICO bitmap pixels cut short", decodeICO, ZV_TYPE_ICO,
               with(icoWithEntry(48, 22), [](auto& d) {
                 d.resize(22 + 48, 0);
                 putLe32(d, 22, 40); putLe32(d, 26, 16); putLe32(d, 30, 32); putLe16(d, 34, 1); putLe16(d, 36, 24);
               }), false});
  // TIFF
  v.push_back({"TIFF strip offset past the end of the file", decodeTIF, ZV_TYPE_TIF, tiffStripPastEnd(), false});
  v.push_back({"TIFF first directory offset past the end", decodeTIF, ZV_TYPE_TIF,
               bytes({'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}), false});
  // JPEG-2000 family
  v.push_back({"J2K code stream cut after the SIZ marker", decodeJAS, ZV_TYPE_JPC,
               bytes({0xFF, 0x4F, 0xFF, 0x51, 0, 41, 0, 0, 0, 0, 0x10, 0, 0, 0, 0x10}), false});
  v.push_back({"PNM 100000 x 100000 with three bytes of pixels", decodeJAS, ZV_TYPE_PNM, text("P6 100000 100000 255\n\1\2\3"), false});
  v.push_back({"PNM maxval 0", decodeJAS, ZV_TYPE_PNM, text("P5 2 2 0\n\0\0\0\0"), false});
  v.push_back({"PNM width with 40 digits", decodeJAS, ZV_TYPE_PNM, text("P5 1234567890123456789012345678901234567890 1 255\n"), false});
  v.push_back({"PGX depth 40 bits", decodeJAS, ZV_TYPE_PGX, text("PG ML + 40 2 2\n12345678"), false});
  v.push_back({"PGX rows cut short", decodeJAS, ZV_TYPE_PGX, text("PG ML + 16 4 4\n\1\2"), false});
  v.push_back({"RAS colour map longer than 256 entries", decodeJAS, ZV_TYPE_RAS, rasHeader(2, 2, 8, 1, 3000), false});
  v.push_back({"RAS RLE run past the picture", decodeJAS, ZV_TYPE_RAS,
               with(rasHeader(2, 1, 8, 2, 0), [](auto& d) { d.insert(d.end(), {0x80, 0xFF, 9}); }), true});
  v.push_back({"RAS 32-bit body missing", decodeJAS, ZV_TYPE_RAS, rasHeader(64, 64, 32, 1, 0), false});
  // PSD
  v.push_back({"PSD RGB with two channels", decodePSD, ZV_TYPE_PSD, psdHeader(2, 4, 4, 8, 3), false});
  v.push_back({"PSD 57 channels", decodePSD, ZV_TYPE_PSD, psdHeader(57, 4, 4, 8, 3), false});
  v.push_back({"PSD 30000 x 30000 with no image data", decodePSD, ZV_TYPE_PSD,
               with(psdHeader(3, 30000, 30000, 8, 3), [](auto& d) { d.insert(d.end(), {0, 0}); }), false});
  v.push_back({"PSD RLE row count larger than the data", decodePSD, ZV_TYPE_PSD,
               with(psdHeader(1, 4, 1, 8, 1), [](auto& d) { d.insert(d.end(), {0, 1, 0x7F, 0xFF, 1}); }), false});
  v.push_back({"PSD RLE run longer than the row", decodePSD, ZV_TYPE_PSD,
               with(psdHeader(1, 4, 1, 8, 1), [](auto& d) { d.insert(d.end(), {0, 1, 0, 2, 0x81, 7}); }), false});
  v.push_back({"PSD indexed without a palette", decodePSD, ZV_TYPE_PSD,
               with(psdHeader(1, 2, 2, 8, 2), [](auto& d) { append(d, 6, 0); }), false});
  // SKA
  v.push_back({"SKA body shorter than width x height", decodeSKA, ZV_TYPE_SKA,
               with(bytes({0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 0}), [](auto& d) { append(d, 1024, 0); }), false});
  v.push_back({"SKA depth exponent 5", decodeSKA, ZV_TYPE_SKA, bytes({4, 0, 4, 0, 5, 0, 0, 0, 0}), false});
  // MNG
  v.push_back({"MNG header claiming 100000 x 100000", decodeMNG, ZV_TYPE_MNG,
               bytes({0x8A, 'M', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 28, 'M', 'H', 'D', 'R', 0, 1, 0x86, 0xA0, 0, 1,
                      0x86, 0xA0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
               false});
  v.push_back({"MNG signature and nothing else", decodeMNG, ZV_TYPE_MNG, bytes({0x8A, 'M', 'N', 'G', 13, 10, 26, 10}), false});
  // A fuzzer find (its first byte is the fuzz mode): libmng's cleanup kept the row buffer.
  v.push_back({"JNG whose IEND CRC is wrong: libmng stops between JDAT and IEND", decodeMNG, ZV_TYPE_MNG,
               with(readFile(fs::path(GALLIVO_SOURCE_DIR) / "tests/fuzz/corpus/mng/leak_jng_bad_iend_crc.bin"),
                    [](auto& d) { if (!d.empty()) d.erase(d.begin()); }),
               false});
  // Camera raw
  v.push_back({"RAW: TIFF-like header of a truncated file", decodeRAW, ZV_TYPE_RAW,
               bytes({'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0, 1, 3, 0, 1, 0, 0, 0}), false});
  return v;
}

TEST(FormatHostileFiles, FailWithAMessageOrStayInsideThePicture) {
  for (const Hostile& h : hostileFiles()) {
    SCOPED_TRACE(h.fault);
    ImagePtr img = decodeWith(h.decode, h.data, h.type);
    if (img->info.type != 0) {  // decodeWith clears the type on failure
      EXPECT_TRUE(h.mayDecode) << "decoded a file that should fail";
      continue;
    }
    EXPECT_STRNE(img->lastError(), "");
    // Header-only reads must not crash either.
    decodeWith(h.decode, h.data, h.type, true);
    // And every truncation of the file fails or decodes, never crashes.
    for (size_t n = 0; n < h.data.size(); n += 1 + h.data.size() / 16)
      decodeWith(h.decode, std::vector<uint8_t>(h.data.begin(), h.data.begin() + long(n)), h.type);
  }
}

// Sizes under the picture limit whose bodies could never fill them: refused with the
// format's message before the picture (hundreds of MiB) is allocated.
TEST(FormatHostileFiles, ClaimsBeyondTheirBodyAreRefusedBeforeAllocating) {
  const struct {
    const char* fault;
    DecodeFn decode;
    uint32_t type;
    std::vector<uint8_t> data;
    const char* message;
  } cases[] = {
      {"TGA 16000 x 16000 RLE, 4 bytes of packets", decodeTGA, ZV_TYPE_TGA,
       with(tgaHeader(10, 16000, 16000, 32), [](auto& d) { d.insert(d.end(), {0xFF, 1, 2, 3, 4}); }), "Truncated TGA"},
      {"PCX 12000 x 12000 x 3 planes, 2 bytes of runs", decodePCX, ZV_TYPE_PCX,
       with(pcxHeader(12000, 12000, 8, 3, 12000), [](auto& d) { d.insert(d.end(), {0xFF, 0}); }), "Truncated PCX"},
      {"PNM 15000 x 15000 P6, 3 bytes of pixels", decodeJAS, ZV_TYPE_PNM, text("P6 15000 15000 255\n\1\2\3"),
       "Truncated PNM"},
      {"RAS 15000 x 15000 24-bit RLE, 3 bytes", decodeJAS, ZV_TYPE_RAS,
       with(rasHeader(15000, 15000, 24, 2, 0), [](auto& d) { d.insert(d.end(), {0x80, 0xFF, 0}); }),
       "Truncated Sun raster"},
      {"PGX 15000 x 15000, 2 bytes", decodeJAS, ZV_TYPE_PGX, text("PG ML + 8 15000 15000\n\1\2"), "Truncated PGX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    ImagePtr img = decodeWith(c.decode, c.data, c.type);
    EXPECT_EQ(img->info.type, 0u);
    EXPECT_STREQ(img->lastError(), c.message);
    EXPECT_FALSE(img->valid()) << "allocated before checking";
  }
  // A TIFF whose directory claims 15000 x 15000 RGB over a few hundred bytes.
  ImagePtr small = solid(8, 8, 1, 2, 3);
  std::vector<uint8_t> tif = encodeWith(encodeTIF, *small, ZV_TYPE_TIF);
  const uint32_t ifd = uint32_t(tif[4] | tif[5] << 8 | tif[6] << 16 | tif[7] << 24);
  for (uint32_t i = 0, n = uint32_t(tif[ifd] | tif[ifd + 1] << 8); i < n; ++i) {
    const size_t e = ifd + 2 + i * 12;
    const uint32_t tag = uint32_t(tif[e] | tif[e + 1] << 8);
    if (tag == 256 || tag == 257) putLe32(tif, e + 8, 15000);
  }
  ImagePtr img = decodeWith(decodeTIF, tif, ZV_TYPE_TIF);
  EXPECT_STREQ(img->lastError(), "TIFF data too short for its size");
  EXPECT_FALSE(img->valid());
}

// Each decoder refuses what is plainly another format, so detection moves on.
TEST(FormatHostileFiles, DecodersRefuseOtherFormats) {
  const std::vector<uint8_t> jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  const std::vector<uint8_t> png = bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1});
  const std::pair<DecodeFn, uint32_t> decoders[] = {
      {decodeTGA, ZV_TYPE_TGA}, {decodePCX, ZV_TYPE_PCX}, {decodeWBMP, ZV_TYPE_WBMP}, {decodeICO, ZV_TYPE_ICO},
      {decodeTIF, ZV_TYPE_TIF}, {decodeJAS, ZV_TYPE_JP2}, {decodePSD, ZV_TYPE_PSD},   {decodeSKA, ZV_TYPE_SKA},
      {decodeRAW, ZV_TYPE_RAW}, {decodeMNG, ZV_TYPE_MNG}};
  for (const auto& [fn, type] : decoders)
    for (const auto* data : {&jpeg, &png}) {
      ImagePtr img = decodeWith(fn, *data, type);
      EXPECT_EQ(img->info.type, 0u) << type;
      EXPECT_STRNE(img->lastError(), "") << type;
    }
}

}  // namespace
}  // namespace zelvo

// The JPEG codec: judged by djpeg/cjpeg/convert/identify, EXIF orientation, reduced scale,
// header-only reads, cancellation, truncation and the encoder's options.
#include <cstring>

#include "dispatch_support.h"
#include "TestFiles.h"
#include "formats/Codec.h"

namespace zelvo {
namespace {

using namespace zelvo::test;
using gallivo::test::freshDir;
using gallivo::test::run;

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// APP1 "Exif" payload: a little- or big-endian TIFF block whose IFD0 holds an orientation.
Bytes exifPayload(uint16_t orientation, bool big = false) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](uint16_t v) {
    if (big) b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v));
    else b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    if (big) u16(uint16_t(v >> 16)), u16(uint16_t(v));
    else u16(uint16_t(v)), u16(uint16_t(v >> 16));
  };
  b.push_back(big ? 'M' : 'I'), b.push_back(big ? 'M' : 'I');
  u16(42), u32(8);
  u16(1);                                  // one entry
  u16(0x0112), u16(3), u32(1), u16(orientation), u16(0);
  u32(0);                                  // no next directory
  return b;
}

Bytes withApp1(const Bytes& jpeg, const Bytes& payload) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  const size_t len = payload.size() + 2;
  out.push_back(0xFF), out.push_back(0xE1), out.push_back(uint8_t(len >> 8)), out.push_back(uint8_t(len));
  out.insert(out.end(), payload.begin(), payload.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// A stored 32 x 16 picture with four coloured quadrants, as JPEG bytes.
Bytes quadrantJpeg() {
  ImagePtr img = quadrants(32, 16, kRed, kGreen, kBlue, kWhite);
  img->info.jpegQuality = 95;
  return encodeToBytes(*img, ZV_TYPE_JPG);
}

std::string identify(const std::filesystem::path& p, const char* format) {
  std::string out;
  run(std::string("identify -format '") + format + "' '" + p.string() + "'", &out);
  return out;
}

TEST(JpegEncode, DjpegAndIdentifyReadOurFile) {
  ASSERT_TRUE(gallivo::test::needTool("djpeg", "libjpeg-turbo-progs"));
  ASSERT_TRUE(gallivo::test::needTool("identify", "imagemagick"));
  auto dir = freshDir("jpeg-judge");
  ImagePtr src = gradient(97, 61);  // odd sizes: partial MCUs on both edges
  src->info.jpegQuality = 92;
  src->setDpi(300, 150);
  const auto file = dir / "ours.jpg";
  ASSERT_TRUE(zelvo::save(*src, u16(file).c_str(), ZV_TYPE_JPG)) << src->lastError();

  std::string out;
  ASSERT_EQ(run("djpeg -ppm -outfile '" + (dir / "o.ppm").string() + "' '" + file.string() + "'", &out), 0) << out;
  ImagePtr back = readPpm(readFile(dir / "o.ppm"));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width(), 97);
  ASSERT_EQ(back->height(), 61);
  // Quality 92 on smooth gradients: well within a few levels on average.
  Diff d = compare(*src, *back);
  EXPECT_LT(d.mean, 2.5);
  EXPECT_LT(d.max, 40);

  // Default word: baseline, 4:2:0, not progressive, JFIF with the image's resolution.
  EXPECT_EQ(identify(file, "%[jpeg:sampling-factor] %[interlace] %x %y %U"),
            "2x2,1x1,1x1 None 300 150 PixelsPerInch");
}

TEST(JpegEncode, OptionBitsReachTheFile) {
  ASSERT_TRUE(gallivo::test::needTool("identify", "imagemagick"));
  struct Case {
    uint32_t bits;
    const char* expected;
  };
  const Case cases[] = {
      {ZV_JPEG_SUBSAMPLE_422, "2x1,1x1,1x1 None sRGB"},
      {ZV_JPEG_SUBSAMPLE_444, "1x1,1x1,1x1 None sRGB"},
      {ZV_JPEG_PROGRESSIVE, "2x2,1x1,1x1 JPEG sRGB"},
      {ZV_JPEG_GRAYSCALE, "1x1 None Gray"},
      {ZV_JPEG_OPTIMIZE | ZV_JPEG_SMOOTHING, "2x2,1x1,1x1 None sRGB"},
  };
  auto dir = freshDir("jpeg-options");
  int n = 0;
  for (const Case& c : cases) {
    ImagePtr src = gradient(40, 24);
    src->info.codecOptions[ZV_TYPE_JPG] = ZV_JPEG_UPRIGHT | c.bits;
    const auto file = dir / ("o" + std::to_string(n++) + ".jpg");
    ASSERT_TRUE(zelvo::save(*src, u16(file).c_str(), ZV_TYPE_JPG)) << src->lastError();
    EXPECT_EQ(identify(file, "%[jpeg:sampling-factor] %[interlace] %[colorspace]"), c.expected)
        << "bits " << std::hex << c.bits;
    // Every variant must decode again with our decoder.
    ImagePtr back = Image::make();
    EXPECT_TRUE(zelvo::load(*back, u16(file).c_str(), ZV_TYPE_JPG)) << back->lastError();
  }
  // Arithmetic coding: the SOF marker changes to 0xFFC9 and our decoder still reads it.
  ImagePtr src = gradient(40, 24);
  src->info.codecOptions[ZV_TYPE_JPG] |= ZV_JPEG_ARITHMETIC;
  Bytes arith = encodeToBytes(*src, ZV_TYPE_JPG);
  const uint8_t sof9[] = {0xFF, 0xC9};
  EXPECT_NE(std::search(arith.begin(), arith.end(), sof9, sof9 + 2), arith.end());
  ImagePtr back = Image::make();
  ASSERT_TRUE(zelvo::decodeMemory(*back, arith.data(), uint32_t(arith.size()), ZV_TYPE_JPG));
  EXPECT_LT(compare(*src, *back).mean, 3.0);
}

TEST(JpegEncode, GreyPalettesSaveOthersAreRefused) {
  ImagePtr grey = Image::make();
  ASSERT_TRUE(grey->create(16, 8, 8, 0));
  grey->setGrayPalette();
  for (int y = 0; y < 8; ++y) std::memset(grey->row(y), y * 30, 16);
  Bytes out = encodeToBytes(*grey, ZV_TYPE_JPG);
  ASSERT_FALSE(out.empty()) << grey->lastError();
  ImagePtr back = Image::make();
  ASSERT_TRUE(zelvo::decodeMemory(*back, out.data(), uint32_t(out.size()), ZV_TYPE_JPG));
  EXPECT_EQ(back->depth(), 8);
  EXPECT_TRUE(back->isGray());
  EXPECT_NEAR(back->pixelIndex(3, 2), 60, 3);

  // A two-entry black/white palette is grey too, with levels taken from the palette.
  ImagePtr mono = Image::make();
  ASSERT_TRUE(mono->create(16, 8, 1, 0));
  const ZvRGBQuad bw[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};  // index 0 white
  mono->setPalette(bw, 2);
  Bytes monoOut = encodeToBytes(*mono, ZV_TYPE_JPG);
  ASSERT_FALSE(monoOut.empty()) << mono->lastError();
  ASSERT_TRUE(zelvo::decodeMemory(*back, monoOut.data(), uint32_t(monoOut.size()), ZV_TYPE_JPG));
  EXPECT_GT(back->pixelIndex(4, 4), 250);

  ImagePtr colour = Image::make();
  ASSERT_TRUE(colour->create(4, 4, 8, 0));
  const ZvRGBQuad pal[2] = {{0, 0, 255, 0}, {255, 0, 0, 0}};
  colour->setPalette(pal, 2);
  EXPECT_TRUE(encodeToBytes(*colour, ZV_TYPE_JPG).empty());
  EXPECT_STREQ(colour->lastError(), "JPEG can save only RGB or GreyScale images");
}

TEST(JpegEncode, CountingStreamMeasuresTheSavedLength) {
  auto dir = freshDir("jpeg-count");
  ImagePtr src = gradient(300, 200);
  src->info.jpegQuality = 75;
  const auto file = dir / "c.jpg";
  ASSERT_TRUE(zelvo::save(*src, u16(file).c_str(), ZV_TYPE_JPG));
  StreamPtr counter(createStreamByName(u"dummy"));
  ASSERT_TRUE(zelvo::encode(*src, counter.get(), ZV_TYPE_JPG));
  EXPECT_EQ(counter->ops->Size(counter.get()), int64_t(std::filesystem::file_size(file)));
}

TEST(JpegDecode, FilesFromOutsideEncodersDecodeWithinTolerance) {
  ASSERT_TRUE(gallivo::test::needTool("cjpeg", "libjpeg-turbo-progs"));
  ASSERT_TRUE(gallivo::test::needTool("convert", "imagemagick"));
  auto dir = freshDir("jpeg-outside");
  ImagePtr src = gradient(120, 90);
  writeFile(dir / "src.ppm", toPpm(*src));
  struct Case {
    std::string command;
    int depth;
    double meanTolerance;  // mean absolute channel error against the source
  };
  const std::string in = (dir / "src.ppm").string();
  const Case cases[] = {
      {"cjpeg -quality 95 -outfile OUT " + in, 24, 2.0},
      {"cjpeg -quality 90 -progressive -outfile OUT " + in, 24, 2.5},
      {"cjpeg -quality 90 -restart 1 -outfile OUT " + in, 24, 2.5},
      {"cjpeg -quality 95 -grayscale -outfile OUT " + in, 8, -1},
      {"convert " + in + " -quality 95 -colorspace CMYK OUT", 24, 4.0},
      {"convert " + in + " -quality 95 -sampling-factor 1x1 OUT", 24, 2.0},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = (dir / ("x" + std::to_string(n++) + ".jpg")).string();
    std::string cmd = c.command;
    cmd.replace(cmd.find("OUT"), 3, out);
    ASSERT_EQ(run(cmd), 0) << cmd;
    ImagePtr img = Image::make();
    ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16(out).c_str(), 0)) << cmd << ": " << img->lastError();
    EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_JPG));
    ASSERT_EQ(img->width(), 120);
    ASSERT_EQ(img->height(), 90);
    EXPECT_EQ(img->depth(), c.depth) << cmd;
    if (c.meanTolerance > 0) { EXPECT_LT(compare(*src, *img).mean, c.meanTolerance) << cmd; }
  }
}

TEST(JpegDecode, ExifOrientationTurnsThePictureUpright) {
  struct Case {
    uint16_t orientation;
    bool swapped;
    Rgb topLeft, topRight;
  };
  // Stored picture: red | green over blue | white, 32 x 16.
  const Case cases[] = {
      {1, false, kRed, kGreen},  {2, false, kGreen, kRed}, {3, false, kWhite, kBlue},
      {4, false, kBlue, kWhite}, {5, true, kRed, kBlue},   {6, true, kBlue, kRed},
      {7, true, kWhite, kGreen}, {8, true, kGreen, kWhite}, {9, false, kRed, kGreen},
  };
  const Bytes plain = quadrantJpeg();
  ASSERT_FALSE(plain.empty());
  auto dir = freshDir("jpeg-orient");
  for (const Case& c : cases) {
    for (bool big : {false, true}) {
      SCOPED_TRACE("orientation " + std::to_string(c.orientation) + (big ? " MM" : " II"));
      const Bytes file = withApp1(plain, exifPayload(c.orientation, big));
      const auto path = dir / ("o" + std::to_string(c.orientation) + (big ? "m" : "i") + ".jpg");
      writeFile(path, file);

      ImagePtr img = Image::make();
      ASSERT_TRUE(zelvo::load(*img, u16(path).c_str(), 0)) << img->lastError();
      const int32_t w = c.swapped ? 16 : 32, h = c.swapped ? 32 : 16;
      ASSERT_EQ(img->width(), w);
      ASSERT_EQ(img->height(), h);
      EXPECT_TRUE(near(colorAt(*img, 2, 2), c.topLeft, 24));
      EXPECT_TRUE(near(colorAt(*img, w - 3, 2), c.topRight, 24));

      ImagePtr info = Image::make();
      ASSERT_TRUE(zelvo::loadInfo(*info, u16(path).c_str(), 0));
      EXPECT_FALSE(info->valid());
      EXPECT_EQ(info->width(), w);
      EXPECT_EQ(info->height(), h);
      EXPECT_EQ(info->info.type, uint32_t(ZV_TYPE_JPG));
    }
  }
  // With the upright bit cleared the picture and the header stay as stored.
  const auto path = dir / "o6i.jpg";
  ImagePtr stored = Image::make();
  stored->info.codecOptions[ZV_TYPE_JPG] = 0;
  ASSERT_TRUE(zelvo::load(*stored, u16(path).c_str(), 0));
  EXPECT_EQ(stored->width(), 32);
  EXPECT_TRUE(near(colorAt(*stored, 2, 2), kRed, 24));
  EXPECT_EQ(stored->exifOrientation, 6);
  ImagePtr info = Image::make();
  info->info.codecOptions[ZV_TYPE_JPG] = 0;
  ASSERT_TRUE(zelvo::loadInfo(*info, u16(path).c_str(), 0));
  EXPECT_EQ(info->width(), 32);
}

TEST(JpegDecode, ExifIsWrittenBackOnlyWhenAskedAndSaysUpright) {
  ASSERT_TRUE(gallivo::test::needTool("identify", "imagemagick"));
  auto dir = freshDir("jpeg-exif-back");
  const auto in = dir / "in.jpg";
  writeFile(in, withApp1(quadrantJpeg(), exifPayload(6)));
  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::load(*img, u16(in).c_str(), ZV_TYPE_JPG));
  ASSERT_EQ(img->width(), 16);

  const auto kept = dir / "kept.jpg", dropped = dir / "dropped.jpg";
  ASSERT_TRUE(zelvo::save(*img, u16(dropped).c_str(), ZV_TYPE_JPG));
  img->info.codecOptions[ZV_TYPE_JPG] |= ZV_JPEG_KEEP_EXIF;
  ASSERT_TRUE(zelvo::save(*img, u16(kept).c_str(), ZV_TYPE_JPG));

  auto orientation = [](const std::filesystem::path& p) {
    return identify(p, "%[orientation]");
  };
  // The picture was turned, so the record written back must not ask for another turn.
  EXPECT_EQ(orientation(in), "RightTop");
  EXPECT_EQ(orientation(kept), "TopLeft");
  EXPECT_EQ(orientation(dropped), "Undefined");
  ImagePtr again = Image::make();
  ASSERT_TRUE(zelvo::load(*again, u16(kept).c_str(), 0));
  EXPECT_EQ(again->width(), 16);
  EXPECT_TRUE(near(colorAt(*again, 2, 2), kBlue, 24));
}

TEST(JpegDecode, HostileExifStillLoadsWithoutOrientation) {
  // IFD0 links to itself and claims 0xFFFF entries: the walk must stop at the block's end.
  Bytes loop = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF, 0, 0};
  Bytes selfLink = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                    0, 0, 8, 0, 0, 0};  // zero entries, next IFD = itself
  for (const Bytes& payload : {loop, selfLink}) {
    const Bytes file = withApp1(quadrantJpeg(), payload);
    ImagePtr img = Image::make();
    ASSERT_TRUE(zelvo::decodeMemory(*img, file.data(), uint32_t(file.size()), 0)) << img->lastError();
    EXPECT_EQ(img->width(), 32);
    EXPECT_EQ(img->exifOrientation, 0);
  }
}

TEST(JpegDecode, SizeHintPicksTheDctScale) {
  struct Case {
    int32_t hintW, hintH, w, h;
  };
  ImagePtr src = gradient(800, 600);
  const Bytes jpeg = encodeToBytes(*src, ZV_TYPE_JPG);
  const Case cases[] = {
      {0, 0, 800, 600},     {100, 100, 200, 150}, {115, 115, 200, 150}, {90, 70, 100, 75},
      {300, 300, 400, 300}, {500, 300, 800, 600}, {0, 115, 800, 600},   {1000, 1000, 800, 600},
  };
  for (const Case& c : cases) {
    ImagePtr img = Image::make();
    ASSERT_TRUE(img->setDecodeSizeHint(c.hintW, c.hintH));
    ASSERT_TRUE(zelvo::decodeMemory(*img, jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_JPG));
    EXPECT_EQ(img->width(), c.w) << c.hintW << "x" << c.hintH;
    EXPECT_EQ(img->height(), c.h) << c.hintW << "x" << c.hintH;
  }
  // A hint is refused on an image that already has pixels.
  EXPECT_FALSE(src->setDecodeSizeHint(115, 115));
  EXPECT_EQ(src->info.hintWidth, 0);
}

TEST(JpegDecode, ThumbnailOfALargePhotoIsDecodedAtOneEighth) {
  ImagePtr big = gradient(4000, 3000);
  big->info.jpegQuality = 60;
  auto dir = freshDir("jpeg-big");
  const auto file = dir / "big.jpg";
  ASSERT_TRUE(zelvo::save(*big, u16(file).c_str(), ZV_TYPE_JPG));
  big.reset();
  ImagePtr thumb = Image::make();
  ASSERT_TRUE(thumb->setDecodeSizeHint(115, 115));
  ASSERT_TRUE(zelvo::load(*thumb, u16(file).c_str(), 0));
  EXPECT_EQ(thumb->width(), 500);
  EXPECT_EQ(thumb->height(), 375);
}

TEST(JpegDecode, ProgressCallbackCancels) {
  const Bytes jpeg = encodeToBytes(*gradient(64, 64), ZV_TYPE_JPG);
  auto dir = freshDir("jpeg-cancel");
  writeFile(dir / "p.jpg", jpeg);
  struct Counter {
    int calls = 0;
    int stopAt;
  };
  auto callback = [](void* user, int32_t) -> int32_t {
    auto* c = static_cast<Counter*>(user);
    return ++c->calls < c->stopAt ? 1 : 0;
  };
  for (uint32_t type : {uint32_t(ZV_TYPE_JPG), uint32_t(ZV_TYPE_UNKNOWN)}) {
    Counter counter{0, 3};
    ImagePtr img = Image::make();
    img->progressCallback = callback;
    img->progressUser = &counter;
    EXPECT_FALSE(zelvo::load(*img, u16(dir / "p.jpg").c_str(), type));
    EXPECT_STREQ(img->lastError(), "break");
    EXPECT_EQ(img->info.escape, 1);
    EXPECT_FALSE(img->valid());
    EXPECT_EQ(counter.calls, 3);  // no second attempt after a cancel
  }
  // A callback that never cancels sees rising percentages and lets the decode finish.
  Counter never{0, 1 << 30};
  ImagePtr img = Image::make();
  img->progressCallback = callback;
  img->progressUser = &never;
  EXPECT_TRUE(zelvo::decodeMemory(*img, jpeg.data(), uint32_t(jpeg.size()), ZV_TYPE_JPG));
  EXPECT_GT(never.calls, 10);
}

TEST(JpegDecode, TruncatedAndCorruptDataFailCleanly) {
  const Bytes jpeg = encodeToBytes(*gradient(64, 64), ZV_TYPE_JPG);
  ASSERT_GT(jpeg.size(), 400u);
  struct Case {
    const char* what;  // the fault each input provokes
    Bytes data;
  };
  Bytes badStart = jpeg;
  badStart[1] = 0xD9;  // starts with an end marker instead of a start marker
  Bytes hugeSof = jpeg;
  for (size_t i = 2; i + 8 < hugeSof.size(); ++i)
    if (hugeSof[i] == 0xFF && hugeSof[i + 1] == 0xC0) {
      hugeSof[i + 5] = hugeSof[i + 6] = hugeSof[i + 7] = hugeSof[i + 8] = 0xFF;  // 65535 x 65535
      break;
    }
  Bytes cutWithEnd(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
  cutWithEnd.push_back(0xFF), cutWithEnd.push_back(0xD9);
  const Case cases[] = {
      {"cut inside the scan data", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)},
      {"scan data cut, end marker appended", cutWithEnd},
      {"cut inside the header", Bytes(jpeg.begin(), jpeg.begin() + 40)},
      {"only the start marker", Bytes(jpeg.begin(), jpeg.begin() + 2)},
      {"no start-of-image marker", badStart},
      {"frame of 65535 x 65535 with no data for it", hugeSof},
  };
  for (const Case& c : cases) {
    ImagePtr img = gradient(8, 8);  // a previous picture that must survive
    EXPECT_FALSE(zelvo::decodeMemory(*img, c.data.data(), uint32_t(c.data.size()), 0)) << c.what;
    EXPECT_STREQ(img->lastError(), "Decode: Unknown or wrong format") << c.what;
    EXPECT_TRUE(img->valid());
    EXPECT_EQ(img->width(), 8);
    ImagePtr direct = Image::make();
    EXPECT_FALSE(zelvo::decodeMemory(*direct, c.data.data(), uint32_t(c.data.size()), ZV_TYPE_JPG)) << c.what;
    EXPECT_STRNE(direct->lastError(), "") << c.what;
    EXPECT_FALSE(direct->valid());
  }
}

}  // namespace
}  // namespace zelvo

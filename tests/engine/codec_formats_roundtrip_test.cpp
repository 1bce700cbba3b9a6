// TGA, PCX, WBMP, ICO, TIFF, JPEG-2000, PGX, PNM, Sun raster and SKA: every picture kind a
// format holds survives our encoder and decoder (found again by detection); ImageMagick,
// OpenJPEG and PIL read our files to the same pixels, and the files they write decode to
// the pixels they were made from.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "codec_support.h"
#include "zlvplatform.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

constexpr int32_t W = 37, H = 23;  // odd width: every depth has row padding

enum class Src { Rgb, Rgba, Pal8, Grey8, Pal4, Bw1 };

ImagePtr source(Src kind) {
  ImagePtr img = Image::make();
  const uint32_t bpp = kind == Src::Rgb || kind == Src::Rgba ? 24 : kind == Src::Pal4 ? 4 : kind == Src::Bw1 ? 1 : 8;
  EXPECT_TRUE(rio::createChecked(*img, W, H, bpp, 0));
  if (kind == Src::Grey8) img->setGrayPalette();
  if (kind == Src::Pal8 || kind == Src::Pal4) {
    ZvRGBQuad pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13 + 5), 0};
    img->setPalette(pal, 256);
  }
  if (kind == Src::Bw1) {
    const ZvRGBQuad pal[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    img->setPalette(pal, 2);
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      uint8_t* row = rio::topRow(*img, y);
      const uint32_t v = uint32_t(x * 7 + y * 3);
      if (bpp == 24) {
        row[x * 3] = uint8_t(255 - x * 5);
        row[x * 3 + 1] = uint8_t(x * y);
        row[x * 3 + 2] = uint8_t(v);
      } else {
        rio::putIndex(row, uint32_t(x), bpp, uint8_t(bpp == 8 ? (kind == Src::Pal8 ? v % 200 : v) : v % (1u << bpp)));
      }
    }
  if (kind == Src::Rgba) {
    img->allocAlpha();
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) rio::topAlphaRow(*img, y)[x] = uint8_t((x * 255) / (W - 1));
  }
  return img;
}

// libmng composes onto a transparent canvas: fully transparent pixels lose their colour.
std::vector<uint8_t> clearTransparent(std::vector<uint8_t> px) {
  for (size_t i = 0; i < px.size(); i += 4)
    if (px[i + 3] == 0) px[i] = px[i + 1] = px[i + 2] = 0;
  return px;
}

// Expected pixels of a format that drops alpha.
std::vector<uint8_t> opaque(std::vector<uint8_t> px) {
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  return px;
}

ImagePtr detect(const std::vector<uint8_t>& bytes) {
  ImagePtr back = Image::make();
  zelvo::decodeMemory(*back, bytes.data(), uint32_t(bytes.size()), ZV_TYPE_UNKNOWN);
  return back;
}

struct RoundTrip {
  const char* name;
  uint32_t type;
  Src src;
  bool keepsAlpha;
  uint32_t options = 0;
};

const RoundTrip kRoundTrips[] = {
    {"tga_rgb", ZV_TYPE_TGA, Src::Rgb, false},
    {"tga_rgba", ZV_TYPE_TGA, Src::Rgba, true},
    {"tga_rgba_rle", ZV_TYPE_TGA, Src::Rgba, true, 1},
    {"tga_pal8_rle", ZV_TYPE_TGA, Src::Pal8, false, 1},
    {"tga_grey8", ZV_TYPE_TGA, Src::Grey8, false},
    {"tga_pal4", ZV_TYPE_TGA, Src::Pal4, false},
    {"tga_bw1", ZV_TYPE_TGA, Src::Bw1, false},
    {"pcx_rgb", ZV_TYPE_PCX, Src::Rgb, false},
    {"pcx_rgba", ZV_TYPE_PCX, Src::Rgba, true},
    {"pcx_pal8", ZV_TYPE_PCX, Src::Pal8, false},
    {"pcx_grey8", ZV_TYPE_PCX, Src::Grey8, false},
    {"pcx_pal4", ZV_TYPE_PCX, Src::Pal4, false},
    {"pcx_bw1", ZV_TYPE_PCX, Src::Bw1, false},
    {"wbmp_bw1", ZV_TYPE_WBMP, Src::Bw1, false},
    {"ico_rgb", ZV_TYPE_ICO, Src::Rgb, false},
    {"ico_rgba", ZV_TYPE_ICO, Src::Rgba, true},
    {"ico_pal8", ZV_TYPE_ICO, Src::Pal8, false},
    {"ico_pal4", ZV_TYPE_ICO, Src::Pal4, false},
    {"ico_bw1", ZV_TYPE_ICO, Src::Bw1, false},
    {"tif_rgb_lzw", ZV_TYPE_TIF, Src::Rgb, false},
    {"tif_rgba", ZV_TYPE_TIF, Src::Rgba, true},
    {"tif_pal8_none", ZV_TYPE_TIF, Src::Pal8, false, 1},
    {"tif_grey8_deflate", ZV_TYPE_TIF, Src::Grey8, false, 8},
    {"tif_pal4_packbits", ZV_TYPE_TIF, Src::Pal4, false, 32773},
    {"tif_bw1_fax4", ZV_TYPE_TIF, Src::Bw1, false, 4},
    {"jp2_rgb", ZV_TYPE_JP2, Src::Rgb, false},
    {"jp2_rgba", ZV_TYPE_JP2, Src::Rgba, true},
    {"jp2_grey8", ZV_TYPE_JP2, Src::Grey8, false},
    {"jpc_rgb", ZV_TYPE_JPC, Src::Rgb, false},
    {"jpc_grey8", ZV_TYPE_JPC, Src::Grey8, false},
    {"pgx_grey8", ZV_TYPE_PGX, Src::Grey8, false},
    {"pnm_rgb", ZV_TYPE_PNM, Src::Rgb, false},
    {"pnm_grey8", ZV_TYPE_PNM, Src::Grey8, false},
    {"pnm_bw1", ZV_TYPE_PNM, Src::Bw1, false},
    {"ras_rgb", ZV_TYPE_RAS, Src::Rgb, false},
    {"ras_grey8", ZV_TYPE_RAS, Src::Grey8, false},
    {"ras_bw1", ZV_TYPE_RAS, Src::Bw1, false},
    {"mng_rgb", ZV_TYPE_MNG, Src::Rgb, false},
    {"mng_rgba", ZV_TYPE_MNG, Src::Rgba, true},
    {"ska_pal8", ZV_TYPE_SKA, Src::Pal8, false},
    {"ska_pal4", ZV_TYPE_SKA, Src::Pal4, false},
    {"ska_bw1", ZV_TYPE_SKA, Src::Bw1, false},
};

class FormatRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(FormatRoundTrip, SurvivesEncodeAndDetection) {
  const RoundTrip& c = GetParam();
  ImagePtr img = source(c.src);
  img->info.codecOptions[c.type] = c.options;
  StreamPtr out = makeMemoryWriter();
  ASSERT_TRUE(zelvo::encode(*img, out.get(), c.type)) << img->lastError();
  size_t size = 0;
  uint8_t* buf = detachMemoryBuffer(out.get(), &size);
  std::vector<uint8_t> bytes(buf, buf + size);
  std::free(buf);
  ImagePtr back = detect(bytes);
  ASSERT_TRUE(back->valid()) << back->lastError();
  EXPECT_EQ(back->info.type, c.type);
  EXPECT_EQ(back->width(), W);
  EXPECT_EQ(back->height(), H);
  std::vector<uint8_t> want = c.keepsAlpha ? rgba(*img) : opaque(rgba(*img));
  if (c.type == ZV_TYPE_MNG) want = clearTransparent(want);
  EXPECT_EQ(differingPixels(rgba(*back), want), 0u);

  // Header only: size and type without pixels.
  ImagePtr info = Image::make();
  info->info.escape = -1;
  EXPECT_TRUE(zelvo::decodeMemory(*info, bytes.data(), uint32_t(bytes.size()), c.type)) << info->lastError();
  EXPECT_EQ(info->width(), W);
  EXPECT_EQ(info->height(), H);
  EXPECT_FALSE(info->valid());
}

INSTANTIATE_TEST_SUITE_P(All, FormatRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& i) { return std::string(i.param.name); });

// ---- what each encoder refuses ----
struct Refusal {
  uint32_t type;
  Src src;
  const char* message;
};
const Refusal kRefusals[] = {
    {ZV_TYPE_WBMP, Src::Rgb, "Can't save this image as WBMP"},
    {ZV_TYPE_WBMP, Src::Pal8, "Can't save this image as WBMP"},
    {ZV_TYPE_SKA, Src::Rgb, "SKA Images must be 8 bit or less"},
    {ZV_TYPE_JP2, Src::Pal8, "JasPer can save only RGB or GrayScale images"},
    {ZV_TYPE_PNM, Src::Pal4, "JasPer can save only RGB or GrayScale images"},
    {ZV_TYPE_RAS, Src::Pal8, "JasPer can save only RGB or GrayScale images"},
    {ZV_TYPE_PSD, Src::Rgb, "Encode: Unknown format"},
    {ZV_TYPE_MNG, Src::Pal8, "MNG encoder can save only RGB images"},
    {ZV_TYPE_MNG, Src::Grey8, "MNG encoder can save only RGB images"},
};

TEST(FormatEncoders, RefuseWhatTheFormatCannotHold) {
  for (const Refusal& r : kRefusals) {
    ImagePtr img = source(r.src);
    StreamPtr out = makeMemoryWriter();
    EXPECT_FALSE(zelvo::encode(*img, out.get(), r.type)) << r.type;
    EXPECT_STREQ(img->lastError(), r.message) << r.type;
    EXPECT_EQ(out->ops->Size(out.get()), 0) << "nothing written for " << r.type;
  }
}

// ---- outside judges ----
::testing::AssertionResult haveConvert() { return gallivo::test::needTool("convert", "imagemagick"); }

// ImageMagick's reading of a file as top-down RGBA.
std::vector<uint8_t> magickRgba(const fs::path& file, int32_t* w, int32_t* h) {
  const fs::path raw = file.string() + ".raw";
  std::string out;
  const std::string cmd = "convert '" + file.string() + "[0]' -depth 8 rgba:'" + raw.string() +
                          "' && identify -format '%w %h' '" + file.string() + "[0]'";
  EXPECT_EQ(gallivo::test::run(cmd + " 2>&1", &out), 0) << out;
  *w = *h = 0;
  std::sscanf(out.c_str(), "%d %d", w, h);
  return readFile(raw);
}

struct Judged {
  const char* name;
  uint32_t type;
  const char* ext;
  Src src;
  bool keepsAlpha;
  bool pil = false;  // ImageMagick 6 flips bottom-up TGA and inverts 1-bit PCX: PIL judges those
};
const Judged kJudged[] = {
    {"tga_rgba", ZV_TYPE_TGA, "tga", Src::Rgba, true, true}, {"tga_pal8", ZV_TYPE_TGA, "tga", Src::Pal8, false, true},
    {"tga_grey", ZV_TYPE_TGA, "tga", Src::Grey8, false, true}, {"pcx_rgb", ZV_TYPE_PCX, "pcx", Src::Rgb, false},
    {"pcx_pal8", ZV_TYPE_PCX, "pcx", Src::Pal8, false},    {"pcx_pal4", ZV_TYPE_PCX, "pcx", Src::Pal4, false},
    {"pcx_bw1", ZV_TYPE_PCX, "pcx", Src::Bw1, false, true}, {"wbmp", ZV_TYPE_WBMP, "wbmp", Src::Bw1, false},
    {"ico_rgba", ZV_TYPE_ICO, "ico", Src::Rgba, true},     {"ico_pal4", ZV_TYPE_ICO, "ico", Src::Pal4, false},
    {"tif_rgba", ZV_TYPE_TIF, "tif", Src::Rgba, true},     {"tif_pal8", ZV_TYPE_TIF, "tif", Src::Pal8, false},
    {"tif_bw1", ZV_TYPE_TIF, "tif", Src::Bw1, false},      {"jp2_rgb", ZV_TYPE_JP2, "jp2", Src::Rgb, false},
    {"j2k_grey", ZV_TYPE_JPC, "j2k", Src::Grey8, false},   {"pnm_rgb", ZV_TYPE_PNM, "ppm", Src::Rgb, false},
    {"pnm_bw1", ZV_TYPE_PNM, "pbm", Src::Bw1, false},      {"ras_rgb", ZV_TYPE_RAS, "ras", Src::Rgb, false},
    {"ras_grey", ZV_TYPE_RAS, "ras", Src::Grey8, false},
    {"mng_rgba", ZV_TYPE_MNG, "mng", Src::Rgba, true},
};

TEST(FormatOutsideJudges, MagickReadsOurFiles) {
  ASSERT_TRUE(haveConvert());
  const fs::path dir = gallivo::test::freshDir("ours");
  for (const Judged& j : kJudged) {
    SCOPED_TRACE(j.name);
    ImagePtr img = source(j.src);
    const fs::path file = dir / (std::string(j.name) + "." + j.ext);
    ASSERT_TRUE(zelvo::save(*img, zlv::toUtf16(file.string()).c_str(), j.type)) << img->lastError();
    int32_t w, h;
    const std::vector<uint8_t> theirs = j.pil ? pilRgba(file, &w, &h) : magickRgba(file, &w, &h);
    EXPECT_EQ(w, W);
    EXPECT_EQ(h, H);
    EXPECT_EQ(differingPixels(theirs, j.keepsAlpha ? rgba(*img) : opaque(rgba(*img))), 0u);
  }
}

TEST(FormatOutsideJudges, OpenJpegAndPilReadOurFiles) {
  const fs::path dir = gallivo::test::freshDir("ours_opj");
  ImagePtr grey = source(Src::Grey8);
  const fs::path pgx = dir / "g.pgx", j2k = dir / "g.j2k", png = dir / "g.png";
  ASSERT_TRUE(zelvo::save(*grey, zlv::toUtf16(pgx.string()).c_str(), ZV_TYPE_PGX));
  ImagePtr rgb = source(Src::Rgb);
  const fs::path jp2 = dir / "c.jp2", ppm = dir / "c.ppm";
  ASSERT_TRUE(zelvo::save(*rgb, zlv::toUtf16(jp2.string()).c_str(), ZV_TYPE_JP2));
  std::string out;
  // opj_compress takes our PGX as input; the lossless code stream it writes must hold our pixels.
  ASSERT_EQ(gallivo::test::run("opj_compress -n 4 -i " + pgx.string() + " -o " + j2k.string() + " 2>&1", &out), 0) << out;
  ImagePtr back = Image::make();
  ASSERT_TRUE(zelvo::load(*back, zlv::toUtf16(j2k.string()).c_str(), ZV_TYPE_UNKNOWN)) << back->lastError();
  EXPECT_EQ(differingPixels(rgba(*back), rgba(*grey)), 0u);
  // opj_decompress reads our JP2.
  ASSERT_EQ(gallivo::test::run("opj_decompress -i " + jp2.string() + " -o " + ppm.string() + " 2>&1", &out), 0) << out;
  int32_t w, h;
  EXPECT_EQ(differingPixels(pilRgba(ppm, &w, &h), rgba(*rgb)), 0u);
  EXPECT_EQ(w, W);
}

// A PAM of the source pictures, written by hand so that no code of ours is involved.
fs::path writePam(const fs::path& dir, const Image& img, bool alpha) {
  std::string head = "P7\nWIDTH " + std::to_string(W) + "\nHEIGHT " + std::to_string(H) + "\nDEPTH " +
                     (alpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " + (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  std::vector<uint8_t> bytes(head.begin(), head.end());
  const std::vector<uint8_t> px = rgba(img);
  for (size_t i = 0; i < px.size(); i += 4) bytes.insert(bytes.end(), px.begin() + i, px.begin() + i + (alpha ? 4 : 3));
  const fs::path p = dir / (alpha ? "src_a.pam" : "src.pam");
  writeFile(p, bytes);
  return p;
}

struct Foreign {
  const char* name;
  const char* args;  // {src}: RGB PAM, {srca}: RGBA PAM, {out}: the file
  const char* ext;
  uint32_t type;
  bool alpha;
  int tolerance;
};
const Foreign kForeign[] = {
    // ImageMagick 6 writes bottom-up TGA rows in the wrong order; top-left files are right.
    {"tga_plain", "{src} -orient TopLeft {out}", "tga", ZV_TYPE_TGA, false, 0},
    {"tga_rle_alpha", "{srca} -orient TopLeft -compress RLE {out}", "tga", ZV_TYPE_TGA, true, 0},
    {"tga_palette", "{src} -orient TopLeft -type Palette {out}", "tga", ZV_TYPE_TGA, false, 0},
    {"pcx_24", "{src} {out}", "pcx", ZV_TYPE_PCX, false, 0},
    {"pcx_palette", "{src} -type Palette {out}", "pcx", ZV_TYPE_PCX, false, 0},
    {"pcx_mono", "{src} -monochrome {out}", "pcx", ZV_TYPE_PCX, false, 0},
    {"wbmp", "{src} -monochrome {out}", "wbmp", ZV_TYPE_WBMP, false, 0},
    {"ico_32", "{srca} {out}", "ico", ZV_TYPE_ICO, true, 0},
    {"tif_none", "{src} -compress None {out}", "tif", ZV_TYPE_TIF, false, 0},
    {"tif_zip_alpha", "{srca} -compress Zip {out}", "tif", ZV_TYPE_TIF, true, 0},
    {"tif_tiles", "{src} -define tiff:tile-geometry=16x16 {out}", "tif", ZV_TYPE_TIF, false, 0},
    {"tif_16bit", "{src} -depth 16 {out}", "tif", ZV_TYPE_TIF, false, 0},
    // 16-bit colour map: ImageMagick rounds it differently from PIL and us by one.
    {"tif_palette", "{src} -type Palette {out}", "tif", ZV_TYPE_TIF, false, 1},
    {"tif_grey_packbits", "{src} -colorspace Gray -compress RLE {out}", "tif", ZV_TYPE_TIF, false, 0},
    {"tif_jpeg", "{src} -compress JPEG -quality 95 {out}", "tif", ZV_TYPE_TIF, false, 40},
    {"pnm_p6", "{src} ppm:{out}", "ppm", ZV_TYPE_PNM, false, 0},
    {"pnm_p3_ascii", "{src} -compress none ppm:{out}", "ppm", ZV_TYPE_PNM, false, 0},
    {"pnm_p6_16bit", "{src} -depth 16 ppm:{out}", "ppm", ZV_TYPE_PNM, false, 0},
    {"pnm_p5", "{src} -colorspace Gray pgm:{out}", "pgm", ZV_TYPE_PNM, false, 0},
    {"pnm_p2_ascii", "{src} -colorspace Gray -compress none pgm:{out}", "pgm", ZV_TYPE_PNM, false, 0},
    {"pnm_p4", "{src} -monochrome pbm:{out}", "pbm", ZV_TYPE_PNM, false, 0},
    {"pnm_p1_ascii", "{src} -monochrome -compress none pbm:{out}", "pbm", ZV_TYPE_PNM, false, 0},
    {"ras_24", "{src} {out}", "ras", ZV_TYPE_RAS, false, 0},
    {"ras_palette", "{src} -type Palette {out}", "ras", ZV_TYPE_RAS, false, 0},
    {"psd_rgb", "{src} {out}", "psd", ZV_TYPE_PSD, false, 0},
    {"psd_grey", "{src} -colorspace Gray {out}", "psd", ZV_TYPE_PSD, false, 0},
    {"psd_16bit", "{src} -depth 16 {out}", "psd", ZV_TYPE_PSD, false, 0},
    {"psd_uncompressed", "{src} -compress None {out}", "psd", ZV_TYPE_PSD, false, 0},
    {"psd_cmyk", "{src} -colorspace CMYK {out}", "psd", ZV_TYPE_PSD, false, 3},
    {"jp2_magick", "{src} -quality 0 {out}", "jp2", ZV_TYPE_JP2, false, 0},
    {"mng_magick", "{src} {out}", "mng", ZV_TYPE_MNG, false, 0},
    {"mng_magick_alpha", "{srca} {out}", "mng", ZV_TYPE_MNG, true, 0},
    {"jng_magick", "{src} -quality 95 {out}", "jng", ZV_TYPE_MNG, false, 40},
};

std::string fill(std::string s, const std::map<std::string, std::string>& kv) {
  for (const auto& [k, v] : kv)
    for (size_t p; (p = s.find(k)) != std::string::npos;) s.replace(p, k.size(), v);
  return s;
}

TEST(FormatOutsideJudges, MagickFilesDecodeToTheirPixels) {
  ASSERT_TRUE(haveConvert());
  const fs::path dir = gallivo::test::freshDir("theirs");
  const fs::path src = writePam(dir, *source(Src::Rgb), false);
  const fs::path srca = writePam(dir, *source(Src::Rgba), true);
  for (const Foreign& f : kForeign) {
    SCOPED_TRACE(f.name);
    const fs::path file = dir / (std::string(f.name) + "." + f.ext);
    std::string out;
    ASSERT_EQ(gallivo::test::run("convert " + fill(f.args, {{"{srca}", srca.string()}, {"{src}", src.string()},
                                                            {"{out}", file.string()}}) + " 2>&1", &out), 0)
        << out;
    int32_t w, h;
    // The judge of what the file holds is ImageMagick's own reading of it.
    std::vector<uint8_t> want = magickRgba(file, &w, &h);
    if (!f.alpha) want = opaque(want);
    ImagePtr img = Image::make();
    ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16(file.string()).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
    EXPECT_EQ(img->info.type, f.type);
    EXPECT_EQ(img->width(), w);
    EXPECT_EQ(img->height(), h);
    std::vector<uint8_t> got = rgba(*img);
    if (!f.alpha) got = opaque(got);
    if (f.type == ZV_TYPE_MNG) want = clearTransparent(want);
    EXPECT_EQ(differingPixels(got, want, f.tolerance), 0u);
  }
}

// ImageMagick mattes the composite of an RGBA document when it reads it back; the
// composite it writes holds the straight pixels, and so must our reading.
TEST(FormatOutsideJudges, MagickRgbaDocumentKeepsStraightPixels) {
  ASSERT_TRUE(haveConvert());
  const fs::path dir = gallivo::test::freshDir("psd_rgba");
  ImagePtr src = source(Src::Rgba);
  const fs::path pam = writePam(dir, *src, true), psd = dir / "a.psd";
  std::string out;
  ASSERT_EQ(gallivo::test::run("convert " + pam.string() + " " + psd.string() + " 2>&1", &out), 0) << out;
  ImagePtr img = Image::make();
  ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16(psd.string()).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_PSD));
  EXPECT_EQ(differingPixels(rgba(*img), rgba(*src)), 0u);
}

// Files PIL writes: bottom-up TGA (plain and RLE), 1-bit and palette PCX.
TEST(FormatOutsideJudges, PilFilesDecodeToTheirPixels) {
  const fs::path dir = gallivo::test::freshDir("pil");
  // PIL 9 reads no PAM: hand it the raw pixels.
  const fs::path src = dir / "s.rgba", srca = dir / "sa.rgba";
  writeFile(src, rgba(*source(Src::Rgb)));
  writeFile(srca, rgba(*source(Src::Rgba)));
  const std::string open = "def src(p, m):\n  return Image.frombytes('RGBA', (37, 23), open(p, 'rb').read()).convert(m)\n";
  const struct {
    const char* name;
    const char* expr;
    uint32_t type;
    bool alpha;
  } cases[] = {
      {"a.tga", "src(S, 'RGB').save(O)", ZV_TYPE_TGA, false},
      {"b.tga", "src(SA, 'RGBA').save(O, rle=True)", ZV_TYPE_TGA, true},
      {"c.tga", "src(S, 'L').save(O, rle=True)", ZV_TYPE_TGA, false},
      {"d.tga", "src(S, 'RGB').quantize(77).save(O)", ZV_TYPE_TGA, false},
      {"e.pcx", "src(S, '1').save(O)", ZV_TYPE_PCX, false},
      {"f.pcx", "src(S, 'RGB').quantize(77).save(O)", ZV_TYPE_PCX, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path out = dir / c.name;
    std::string log;
    ASSERT_TRUE(runPython(open + "S='" + src.string() + "'\nSA='" + srca.string() + "'\nO='" + out.string() + "'\n" + c.expr,
                          &log))
        << log;
    int32_t w, h;
    std::vector<uint8_t> want = pilRgba(out, &w, &h);
    ImagePtr img = Image::make();
    ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16(out.string()).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
    EXPECT_EQ(img->info.type, c.type);
    std::vector<uint8_t> got = rgba(*img);
    if (!c.alpha) got = opaque(got);
    EXPECT_EQ(differingPixels(got, want), 0u);
  }
}

TEST(FormatOutsideJudges, OpenJpegCodeStreamLoadsByDetection) {
  const fs::path dir = gallivo::test::freshDir("opj");
  const fs::path src = dir / "s.ppm", j2k = dir / "s.j2k", jp2 = dir / "s.jp2";
  ImagePtr rgb = source(Src::Rgb);
  std::vector<uint8_t> ppm;
  const std::string head = "P6\n37 23\n255\n";
  ppm.assign(head.begin(), head.end());
  const std::vector<uint8_t> px = rgba(*rgb);
  for (size_t i = 0; i < px.size(); i += 4) ppm.insert(ppm.end(), px.begin() + i, px.begin() + i + 3);
  writeFile(src, ppm);
  std::string out;
  ASSERT_EQ(gallivo::test::run("opj_compress -n 4 -i " + src.string() + " -o " + j2k.string() + " 2>&1", &out), 0) << out;
  ASSERT_EQ(gallivo::test::run("opj_compress -n 4 -i " + src.string() + " -o " + jp2.string() + " 2>&1", &out), 0) << out;
  for (const auto& [file, type] : {std::pair{j2k, ZV_TYPE_JPC}, std::pair{jp2, ZV_TYPE_JP2}}) {
    ImagePtr img = Image::make();
    ASSERT_TRUE(zelvo::load(*img, zlv::toUtf16(file.string()).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
    EXPECT_EQ(img->info.type, uint32_t(type));
    EXPECT_EQ(differingPixels(rgba(*img), opaque(px)), 0u);
  }
}

}  // namespace
}  // namespace zelvo

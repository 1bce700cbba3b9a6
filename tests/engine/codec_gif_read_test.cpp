// GIF reader: files from PIL and ImageMagick decode to the pictures PIL shows, frame by frame;
// frame fields match giftext; hand-built LZW streams (full table, bad codes, missing clear,
// early end), frames outside the screen and cut files decode sanely or fail with a message.
#include <gtest/gtest.h>

#include <regex>

#include "codec_support.h"

namespace zelvo {
namespace {

using namespace codectest;
namespace fs = std::filesystem;

const fs::path& fixtures() {
  static const fs::path dir = [] {
    fs::path d = gallivo::test::freshDir("gif_fixtures");
    const std::string script =
        gradientScript(d) +
        // Three frames: PIL crops later frames to what changed, so they carry offsets and
        // their own colour tables.
        "fr=[]\n"
        "for i in range(3):\n"
        "  f=Image.new('RGB',(30,20),(255,255,255))\n"
        "  for x in range(5+i*5,12+i*5):\n"
        "    for y in range(4+i,9+i): f.putpixel((x,y),(255*(i==0),255*(i==1),255*(i==2)))\n"
        "  fr.append(f)\n"
        "fr[0].save('" + (d / "anim.gif").string() +
        "',save_all=True,append_images=fr[1:],duration=[100,200,300],loop=0,disposal=[0,1,2])\n";
    EXPECT_TRUE(runPython(script));
    return d;
  }();
  return dir;
}

ImagePtr gif(const std::vector<uint8_t>& bytes, bool allFrames = false, int32_t index = 0) {
  return decodeWith(decodeGIF, bytes, ZV_TYPE_GIF, false, allFrames, index);
}

// ---- files from outside tools ----

struct OutsideCase {
  const char* name;
  const char* command;  // {src} = the RGB picture, {out} = the GIF
  uint16_t depth;
  int32_t transIndex;
};

const OutsideCase kOutside[] = {
    {"pil_palette", "python:Image.open('{src}').convert('P', palette=Image.ADAPTIVE).save('{out}')", 8, -1},
    {"pil_transparent_index", "python:Image.open('{src}').convert('P', palette=Image.ADAPTIVE).save('{out}', transparency=3)", 8, 3},
    {"im_interlaced", "convert {src} -interlace GIF {out}", 8, -1},
    {"im_two_colours", "convert {src} -colors 2 {out}", 1, -1},
    {"im_sixteen_colours", "convert {src} -colors 16 {out}", 4, -1},
};

std::string replaceAll(std::string s, const std::string& key, const std::string& value) {
  for (size_t p; (p = s.find(key)) != std::string::npos;) s.replace(p, key.size(), value);
  return s;
}

class GifOutside : public ::testing::TestWithParam<OutsideCase> {};

TEST_P(GifOutside, DecodesToThePixelsPilReads) {
  const OutsideCase& c = GetParam();
  const fs::path file = fixtures() / (std::string(c.name) + ".gif");
  const std::string cmd =
      replaceAll(replaceAll(c.command, "{src}", (fixtures() / "p.png").string()), "{out}", file.string());
  if (cmd.rfind("python:", 0) == 0) ASSERT_TRUE(runPython(cmd.substr(7)));
  else ASSERT_EQ(gallivo::test::run(cmd), 0) << cmd;

  const std::vector<uint8_t> bytes = readFile(file);
  ImagePtr img = gif(bytes);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->width(), 37);
  EXPECT_EQ(img->height(), 23);
  EXPECT_EQ(img->depth(), c.depth);
  EXPECT_EQ(img->info.transIndex, c.transIndex);
  EXPECT_EQ(img->info.type, uint32_t(ZV_TYPE_GIF));
  EXPECT_TRUE(img->frames.empty());
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(file)), 0u);

  ImagePtr info = decodeWith(decodeGIF, bytes, ZV_TYPE_GIF, /*headerOnly=*/true);
  EXPECT_FALSE(info->valid());
  EXPECT_EQ(info->width(), 37);
  EXPECT_EQ(info->height(), 23);
}

INSTANTIATE_TEST_SUITE_P(Files, GifOutside, ::testing::ValuesIn(kOutside),
                         [](const auto& i) { return std::string(i.param.name); });

// Frame fields as giftext reports them.
struct TextFrame {
  int left, top, width, height, disposal, delay;
};
std::vector<TextFrame> giftextFrames(const fs::path& file) {
  std::string out;
  EXPECT_EQ(gallivo::test::run("giftext " + file.string(), &out), 0) << out;
  std::vector<TextFrame> frames;
  int disposal = 0, delay = 0;
  const std::regex gce(R"(Disposal Mode: (\d+)[\s\S]*?DelayTime: (\d+))");
  const std::regex desc(R"(Left = (\d+), Top = (\d+), Width = (\d+), Height = (\d+))");
  for (size_t pos = 0;;) {
    const size_t nextGce = out.find("graphics control", pos), nextImg = out.find("Image Size", pos);
    if (nextImg == std::string::npos) break;
    std::smatch m;
    if (nextGce < nextImg) {
      const std::string part = out.substr(nextGce, nextImg - nextGce);
      if (std::regex_search(part, m, gce)) disposal = std::stoi(m[1]), delay = std::stoi(m[2]);
    }
    const std::string line = out.substr(nextImg, out.find('\n', nextImg) - nextImg);
    if (std::regex_search(line, m, desc))
      frames.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), disposal, delay});
    disposal = delay = 0;
    pos = nextImg + 1;
  }
  return frames;
}

TEST(GifAnimation, FramesCarryTheirOwnFieldsAndComposeAsPilShowsThem) {
  const fs::path file = fixtures() / "anim.gif";
  const std::vector<uint8_t> bytes = readFile(file);
  const std::vector<TextFrame> expected = giftextFrames(file);
  ASSERT_EQ(expected.size(), 3u);

  ImagePtr img = gif(bytes, /*allFrames=*/true);
  ASSERT_TRUE(img->valid()) << img->lastError();
  ASSERT_EQ(img->frames.size(), 3u);
  EXPECT_EQ(img->info.loops, 0);  // NETSCAPE loop 0: endless
  for (size_t i = 0; i < 3; ++i) {
    const Image& f = *img->frames[i];
    EXPECT_EQ(f.info.xOffset, expected[i].left) << i;
    EXPECT_EQ(f.info.yOffset, expected[i].top) << i;
    EXPECT_EQ(f.width(), expected[i].width) << i;
    EXPECT_EQ(f.height(), expected[i].height) << i;
    EXPECT_EQ(f.info.disposal, expected[i].disposal) << i;
    EXPECT_EQ(f.info.frameDelay, expected[i].delay) << i;
    EXPECT_EQ(f.info.frameIndex, int32_t(i));
  }
  // The picture at frame n is the screen after frames 0..n with their disposal.
  for (int32_t n = 0; n < 3; ++n) {
    ImagePtr shown = gif(bytes, false, n);
    ASSERT_TRUE(shown->valid()) << shown->lastError();
    EXPECT_TRUE(shown->frames.empty());
    EXPECT_EQ(shown->width(), 30);
    EXPECT_EQ(differingPixels(rgba(*shown), pilRgba(file, nullptr, nullptr, n)), 0u) << "frame " << n;
  }
  ImagePtr beyond = gif(bytes, false, 3);
  EXPECT_FALSE(beyond->valid());
  EXPECT_STRNE(beyond->lastError(), "");
}

TEST(GifAnimation, LoopCountAndCommentAreRead) {
  const fs::path a = fixtures() / "la.png", b = fixtures() / "lb.png", out = fixtures() / "loop.gif";
  ASSERT_TRUE(runPython("Image.new('RGB',(4,3),(255,0,0)).save('" + a.string() + "')\nImage.new('RGB',(4,3),(0,0,255)).save('" +
                        b.string() + "')"));
  ASSERT_EQ(gallivo::test::run("convert -delay 7 -loop 3 -comment 'made for a test' " + a.string() + " " + b.string() +
                               " " + out.string()),
            0);
  ImagePtr img = gif(readFile(out), true);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->frames.size(), 2u);
  EXPECT_EQ(img->info.loops, 3);  // ImageMagick, like our writer, stores the showings minus one
  EXPECT_STREQ(img->info.comment, "made for a test");
  EXPECT_EQ(img->frames[1]->info.frameDelay, 7);
}

TEST(GifTrueColour, TiledPictureFromOurWriterComposesExactly) {
  ImagePtr src = Image::make();
  ASSERT_TRUE(src->create(40, 31, 24, 0));
  for (int32_t y = 0; y < 31; ++y)
    for (int32_t x = 0; x < 40; ++x) src->setPixelColor(x, y, {uint8_t(x * 6), uint8_t(y * 8), uint8_t(x * y), 0}, false);
  bool ok = false;
  const std::vector<uint8_t> bytes = encodeWith(encodeGIF, *src, ZV_TYPE_GIF, &ok);
  ASSERT_TRUE(ok) << src->lastError();
  const fs::path file = gallivo::test::freshDir("gif_tiled") / "tiles.gif";
  writeFile(file, bytes);
  EXPECT_GT(giftextFrames(file).size(), 1u) << "expected several tiles";

  ImagePtr img = gif(bytes);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(img->depth(), 24);
  EXPECT_EQ(img->width(), 40);
  EXPECT_EQ(rgba(*img), rgba(*src));
}

// ---- hand-built streams ----

// Writes codes with the code widths a decoder follows (literal-only streams decode to the
// literals themselves), packed into data sub-blocks.
std::vector<uint8_t> lzwData(int minCode, const std::vector<int>& codes) {
  const int clear = 1 << minCode;
  int width = minCode + 1, next = clear + 2;
  bool first = true;
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  for (int code : codes) {
    acc |= uint32_t(code) << bits;
    bits += width;
    while (bits >= 8) bytes.push_back(uint8_t(acc)), acc >>= 8, bits -= 8;
    if (code == clear) {
      width = minCode + 1, next = clear + 2, first = true;
      continue;
    }
    if (first) {
      first = false;
      continue;
    }
    if (next < 4096 && ++next == (1 << width) && width < 12) ++width;
  }
  if (bits) bytes.push_back(uint8_t(acc));
  std::vector<uint8_t> out = {uint8_t(minCode)};
  for (size_t p = 0; p < bytes.size(); p += 255) {
    const size_t n = std::min<size_t>(255, bytes.size() - p);
    out.push_back(uint8_t(n));
    out.insert(out.end(), bytes.begin() + long(p), bytes.begin() + long(p + n));
  }
  out.push_back(0);
  return out;
}

struct GifBuilder {
  std::vector<uint8_t> v;
  GifBuilder(int w, int h, int tableBits = 2) {
    const char* sig = "GIF89a";
    v.assign(sig, sig + 6);
    add16(w), add16(h);
    v.insert(v.end(), {uint8_t(0x80 | (tableBits - 1)), 0, 0});
    for (int i = 0; i < (1 << tableBits); ++i) v.insert(v.end(), {uint8_t(i * 40), uint8_t(255 - i * 40), uint8_t(i)});
  }
  void add16(int x) { v.push_back(uint8_t(x)), v.push_back(uint8_t(x >> 8)); }
  GifBuilder& control(int disposal, int delay, int trans = -1) {
    v.insert(v.end(), {0x21, 0xF9, 4, uint8_t((disposal << 2) | (trans >= 0))});
    add16(delay);
    v.insert(v.end(), {uint8_t(trans < 0 ? 0 : trans), 0});
    return *this;
  }
  GifBuilder& image(int left, int top, int w, int h, const std::vector<uint8_t>& data) {
    v.push_back(0x2C);
    add16(left), add16(top), add16(w), add16(h);
    v.push_back(0);
    v.insert(v.end(), data.begin(), data.end());
    return *this;
  }
  std::vector<uint8_t> done() {
    v.push_back(0x3B);
    return v;
  }
};

std::vector<uint8_t> indexes(const Image& img) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < img.height(); ++y)
    for (int32_t x = 0; x < img.width(); ++x) out.push_back(rio::getIndex(rio::topRow(img, y), uint32_t(x), img.depth()));
  return out;
}

TEST(GifLzw, FullCodeTableKeepsTwelveBitCodesWithoutAClear) {
  // 6000 literals without a clear: the table fills at 4096 codes and the encoder goes on.
  std::vector<int> codes = {4};
  std::vector<uint8_t> expect;
  for (int i = 0; i < 6000; ++i) codes.push_back(i * 7 % 4), expect.push_back(uint8_t(i * 7 % 4));
  codes.push_back(5);
  const std::vector<uint8_t> bytes = GifBuilder(100, 60).image(0, 0, 100, 60, lzwData(2, codes)).done();
  ImagePtr img = gif(bytes);
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(indexes(*img), expect);
  const fs::path file = gallivo::test::freshDir("gif_lzw") / "full.gif";
  writeFile(file, bytes);
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(file)), 0u);
}

TEST(GifLzw, BrokenStreamsStopWithWhatWasDecoded) {
  struct Case {
    const char* fault;
    std::vector<int> codes;
    std::vector<uint8_t> decoded;  // the rest of the 2 x 3 frame stays index 0
  };
  const Case cases[] = {
      {"code beyond the table", {4, 1, 2, 3, 14, 1, 1}, {1, 2, 3}},
      {"no clear code at the start", {1, 2, 3, 1, 5}, {1, 2, 3, 1}},
      {"end code right away", {4, 5, 1, 1}, {}},
      {"data ends early (no end code)", {4, 3, 3}, {3, 3}},
      {"more pixels than the frame holds", {4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5}, {1, 1, 1, 1, 1, 1}},
      {"clear code in the middle", {4, 1, 2, 4, 3, 3, 5}, {1, 2, 3, 3}},
      {"first code after a clear is a table code", {4, 6, 1, 5}, {}},
  };
  for (const Case& c : cases) {
    ImagePtr img = gif(GifBuilder(2, 3).image(0, 0, 2, 3, lzwData(2, c.codes)).done());
    ASSERT_TRUE(img->valid()) << c.fault << ": " << img->lastError();
    std::vector<uint8_t> expect = c.decoded;
    expect.resize(6, 0);
    EXPECT_EQ(indexes(*img), expect) << c.fault;
  }
}

TEST(GifLzw, KwKwKCodeRepeatsThePreviousString) {
  // 1, then code 6 (not yet defined: "1" + first of "1") gives 1 1 1.
  ImagePtr img = gif(GifBuilder(3, 1).image(0, 0, 3, 1, lzwData(2, {4, 1, 6, 5})).done());
  ASSERT_TRUE(img->valid()) << img->lastError();
  EXPECT_EQ(indexes(*img), (std::vector<uint8_t>{1, 1, 1}));
}

TEST(GifScreen, FramesOutsideTheScreenAreClippedOrLeftOut) {
  const std::vector<uint8_t> ones = lzwData(2, {4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5});
  const std::vector<uint8_t> bytes = GifBuilder(4, 3)
                                         .control(0, 10)
                                         .image(0, 0, 4, 3, lzwData(2, {4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 5}))
                                         .control(0, 10)
                                         .image(2, 1, 4, 4, ones)  // hangs over the right and bottom
                                         .control(0, 10)
                                         .image(9, 0, 4, 4, ones)  // entirely outside
                                         .done();
  ImagePtr img = gif(bytes, true, 1);
  ASSERT_TRUE(img->valid()) << img->lastError();
  ASSERT_EQ(img->frames.size(), 2u);
  EXPECT_EQ(img->frames[1]->width(), 2);
  EXPECT_EQ(img->frames[1]->height(), 2);
  EXPECT_EQ(indexes(*img), (std::vector<uint8_t>{2, 2, 2, 2, 2, 2, 1, 1, 2, 2, 1, 1}));

  ImagePtr none = gif(GifBuilder(4, 3).image(5, 5, 4, 4, ones).done());
  EXPECT_FALSE(none->valid());
  EXPECT_STRNE(none->lastError(), "");
}

TEST(GifScreen, DisposalRestoresBackgroundAndPreviousArea) {
  // Frame 0 fills with 1; frame 1 paints 2 at (1,0) and is restored to previous; frame 2
  // paints 3 at (0,0) and is restored to background (index 0); frame 3 paints nothing new.
  const auto fill = [](int v, int n) {
    std::vector<int> c = {4};
    for (int i = 0; i < n; ++i) c.push_back(v);
    c.push_back(5);
    return lzwData(2, c);
  };
  const std::vector<uint8_t> bytes = GifBuilder(3, 1)
                                         .control(0, 5)
                                         .image(0, 0, 3, 1, fill(1, 3))
                                         .control(3, 5)
                                         .image(1, 0, 1, 1, fill(2, 1))
                                         .control(2, 5)
                                         .image(0, 0, 1, 1, fill(3, 1))
                                         .control(0, 5, 0)
                                         .image(2, 0, 1, 1, fill(0, 1))
                                         .done();
  const std::vector<std::vector<uint8_t>> shown = {{1, 1, 1}, {1, 2, 1}, {3, 1, 1}, {0, 1, 1}};
  for (int32_t n = 0; n < 4; ++n) {
    ImagePtr img = gif(bytes, false, n);
    ASSERT_TRUE(img->valid()) << img->lastError();
    EXPECT_EQ(indexes(*img), shown[size_t(n)]) << "frame " << n;
  }
}

TEST(GifBadInput, CutAndHostileFilesFailWithAMessage) {
  const std::vector<uint8_t> one = lzwData(2, {4, 1, 2, 3, 1, 2, 3, 5});
  const std::vector<uint8_t> good = GifBuilder(3, 2).control(0, 10).image(0, 0, 3, 2, one).control(0, 10).image(0, 0, 3, 2, one).done();
  ASSERT_EQ(gif(good, true)->frames.size(), 2u);

  struct Case {
    const char* fault;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  for (size_t cut : {size_t(3), size_t(6), size_t(12), size_t(20), size_t(30), size_t(40)})
    cases.push_back({"cut inside the header or the first picture", std::vector<uint8_t>(good.begin(), good.begin() + long(cut))});
  cases.push_back({"screen of 65535 x 65535", GifBuilder(65535, 65535).image(0, 0, 3, 2, one).done()});
  cases.push_back({"two frames of 40000 x 6000 exceed the shared budget",
                   GifBuilder(40000, 6000).control(0, 1).image(0, 0, 40000, 6000, one).control(0, 1).image(0, 0, 40000, 6000, one).done()});
  cases.push_back({"LZW code size 0", GifBuilder(3, 2).image(0, 0, 3, 2, {0, 1, 0x44, 0}).done()});
  cases.push_back({"LZW code size 12", GifBuilder(3, 2).image(0, 0, 3, 2, {12, 1, 0x44, 0}).done()});
  cases.push_back({"no picture at all", GifBuilder(3, 2).done()});
  for (const Case& c : cases) {
    ImagePtr img = gif(c.bytes, true);
    EXPECT_FALSE(img->valid()) << c.fault;
    EXPECT_EQ(std::string(img->lastError()).rfind("GIF: ", 0), 0u) << c.fault << ": " << img->lastError();
  }

  // Cut inside the second picture: the first one is kept.
  ImagePtr partial = gif(std::vector<uint8_t>(good.begin(), good.end() - 5), true);
  ASSERT_TRUE(partial->valid()) << partial->lastError();
  EXPECT_EQ(partial->frames.size(), 1u);
  // The header-only answer needs no pixels, however large the screen.
  ImagePtr info = decodeWith(decodeGIF, GifBuilder(65535, 65535).image(0, 0, 3, 2, one).done(), ZV_TYPE_GIF, true);
  EXPECT_EQ(info->width(), 65535);
  EXPECT_FALSE(info->valid());
}

// ---- through the engine's own slots, as the program calls them ----

TEST(GifThroughDispatch, LoadAllFramesFillsTheFrameArray) {
  const fs::path file = fixtures() / "anim.gif";
  ImagePtr img = Image::make(ZV_TYPE_GIF, ImageKind::Gif);
  img->ops->SetLoadAllFrames(img.get(), true);
  ASSERT_TRUE(img->ops->Load(img.get(), u16(file).c_str(), ZV_TYPE_UNKNOWN)) << img->lastError();
  EXPECT_EQ(img->ops->GetType(img.get()), uint32_t(ZV_TYPE_GIF));
  EXPECT_EQ(img->ops->GetFrameCount(img.get()), 3);
  ZvImage* last = img->ops->GetFrame(img.get(), -1);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(Image::from(last)->info.frameDelay, 30);
  EXPECT_EQ(differingPixels(rgba(*img), pilRgba(file)), 0u);

  ImagePtr info = Image::make();
  ASSERT_TRUE(info->ops->LoadInfo(info.get(), u16(file).c_str(), ZV_TYPE_GIF)) << info->lastError();
  EXPECT_EQ(info->width(), 30);
  EXPECT_EQ(info->height(), 20);
  EXPECT_FALSE(info->ops->IsValid(info.get()));
}

}  // namespace
}  // namespace zelvo

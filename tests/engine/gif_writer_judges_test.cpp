// GIF files we write, read back by tools nobody here wrote: giflib (giftext, gifbuild -d),
// python3 PIL and ImageMagick identify must agree on frames, delays, loop and pixels.
#include <filesystem>
#include <sstream>

#include "TestEnv.h"
#include "gif_writer_support.h"

namespace zelvo {
namespace {

using namespace giftest;
namespace fs = std::filesystem;
namespace test = gallivo::test;

constexpr const char* kPython = "/usr/bin/python3";

// Reads the GIF with PIL and compares it with the expectations in a small text file:
//   size W H / frames N / loop V|none / delay I D / rgb I PATH / last PATH /
//   indices PATH / transparency V
constexpr const char* kJudge = R"PY(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
errs = []
def same(what, got, want):
    if got != want: errs.append(f"{what}: got {got!r}, want {want!r}")
exp = [l.split() for l in open(sys.argv[2]) if l.strip()]
n = getattr(im, "n_frames", 1)
for e in exp:
    k = e[0]
    if k == "size": same("size", im.size, (int(e[1]), int(e[2])))
    elif k == "frames": same("frames", n, int(e[1]))
    elif k == "loop": same("loop", im.info.get("loop"), None if e[1] == "none" else int(e[1]))
    elif k == "transparency":
        im.seek(0); same("transparency", im.info.get("transparency"), int(e[1]))
    elif k == "delay":
        im.seek(int(e[1])); same(f"delay {e[1]}", im.info.get("duration", 0), int(e[2]) * 10)
    elif k in ("rgb", "last", "indices"):
        i = n - 1 if k == "last" else (0 if k == "indices" else int(e[1]))
        im.seek(i)
        got = im.tobytes() if k == "indices" else im.convert("RGB").tobytes()
        want = open(e[-1], "rb").read()
        if got != want:
            bad = next((j for j in range(min(len(got), len(want))) if got[j] != want[j]), None)
            errs.append(f"{k} frame {i}: {len(got)} vs {len(want)} bytes, first difference at {bad}")
print("\n".join(errs) if errs else "OK")
)PY";

Bytes rgbOf(const Image& img) {
  Bytes out;
  for (int32_t y = img.height() - 1; y >= 0; --y)
    for (int32_t x = 0; x < img.width(); ++x) {
      const ZvRGBQuad c = img.pixelColor(x, y, false);
      out.insert(out.end(), {c.red, c.green, c.blue});
    }
  return out;
}

Bytes indicesOf(const Image& img) {
  Bytes out;
  for (int32_t y = img.height() - 1; y >= 0; --y)
    for (int32_t x = 0; x < img.width(); ++x) out.push_back(img.pixelIndex(x, y));
  return out;
}

struct Expect {
  int32_t w = 0, h = 0;
  size_t frames = 0;
  std::vector<int32_t> delays;
  int loop = -1;  // value in the file; -1: no loop extension
  int transparency = -1;
};

class GifJudges : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::needTool("giftext", "giflib-tools"));
    ASSERT_TRUE(test::needTool("gifbuild", "giflib-tools"));
    ASSERT_TRUE(test::needTool("identify", "imagemagick"));
    ASSERT_TRUE(fs::exists(kPython)) << kPython << " is missing: install the Debian package python3-pil";
    dir_ = test::freshDir("gif-judges");
    std::ofstream(dir_ / "judge.py") << kJudge;
  }

  // Writes `img` and asks every judge; `pixelLines` are PIL comparisons (rgb, last, indices).
  // `dumps` runs the tools that print every pixel (gifbuild -d, identify -verbose).
  void judge(const std::string& name, Image& img, const Expect& e,
             const std::vector<std::string>& pixelLines, bool dumps = true) {
    SCOPED_TRACE(name);
    const std::string gif = (dir_ / (name + ".gif")).string();
    writeFile(gif, encodeOk(img));

    std::ostringstream exp;
    exp << "size " << e.w << " " << e.h << "\nframes " << e.frames << "\n";
    exp << "loop " << (e.loop < 0 ? std::string("none") : std::to_string(e.loop)) << "\n";
    for (size_t i = 0; i < e.delays.size(); ++i) exp << "delay " << i << " " << e.delays[i] << "\n";
    if (e.transparency >= 0) exp << "transparency " << e.transparency << "\n";
    for (const std::string& l : pixelLines) exp << l << "\n";
    const std::string expFile = (dir_ / (name + ".exp")).string();
    std::ofstream(expFile) << exp.str();

    std::string out;
    EXPECT_EQ(tool(std::string(kPython) + " " + (dir_ / "judge.py").string() + " " + gif + " " +
                            expFile, out), 0) << out;
    EXPECT_EQ(out, "OK\n") << "PIL";

    // giflib: the file parses, with one image per frame and the same delays.
    ASSERT_EQ(tool("giftext " + gif, out), 0) << out;
    EXPECT_EQ(count(out, "Image #"), e.frames) << "giftext";
    for (size_t i = 0; i < e.delays.size() && i < 40; ++i)
      EXPECT_NE(out.find("DelayTime: " + std::to_string(e.delays[i])), std::string::npos);
    if (e.transparency >= 0) {
      EXPECT_NE(out.find("Transparent Index: " + std::to_string(e.transparency)), std::string::npos);
    }
    if (!dumps) return;
    ASSERT_EQ(tool("gifbuild -d " + gif, out), 0) << out;
    EXPECT_EQ(count(out, "image # "), e.frames) << "gifbuild";
    EXPECT_EQ(out.find("netscape loop") != std::string::npos, e.loop >= 0) << "gifbuild";
    if (e.loop >= 0) {
      EXPECT_NE(out.find("netscape loop " + std::to_string(e.loop)), std::string::npos);
    }

    // ImageMagick: one line per frame with its delay and the screen size.
    ASSERT_EQ(tool("identify -format '%T %W %H\\n' " + gif, out), 0) << out;
    std::string want;
    for (size_t i = 0; i < e.frames; ++i)
      want += std::to_string(i < e.delays.size() ? e.delays[i] : 0) + " " + std::to_string(e.w) +
              " " + std::to_string(e.h) + "\n";
    EXPECT_EQ(out, want) << "identify";
    ASSERT_EQ(tool("identify -verbose " + gif + " | grep -m1 Iterations:", out), e.loop < 0 ? 1 : 0);
    if (e.loop >= 0) {
      EXPECT_NE(out.find("Iterations: " + std::to_string(e.loop == 0 ? 0 : e.loop + 1)),
                std::string::npos);
    }
  }

  // Runs a tool and returns its exit status; `out` holds only this run's output.
  static int tool(const std::string& command, std::string& out) {
    out.clear();
    return test::run(command, &out);
  }

  std::string pixelFile(const std::string& name, const Bytes& b) {
    const std::string p = (dir_ / name).string();
    writeFile(p, b);
    return p;
  }

  static size_t count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t i = s.find(what); i != std::string::npos; i = s.find(what, i + 1)) ++n;
    return n;
  }

  fs::path dir_;
};

ImagePtr animation(int n, int32_t w, int32_t h, uint32_t depth, int32_t loops) {
  ImagePtr canvas = noise(3, 3, depth, 1);
  canvas->info.loops = loops;
  for (int i = 0; i < n; ++i) {
    ImagePtr f = noise(w, h, depth, uint32_t(100 + i));
    f->info.frameDelay = 5 + 7 * i;
    canvas->frames.push_back(std::move(f));
  }
  return canvas;
}

TEST_F(GifJudges, SinglePictures) {
  for (uint32_t depth : {1u, 4u, 8u}) {
    ImagePtr img = noise(61, 47, depth, depth);
    img->info.frameDelay = 12;
    const std::string name = "single" + std::to_string(depth);
    judge(name, *img, {61, 47, 1, {12}, -1, -1}, {"rgb 0 " + pixelFile(name + ".rgb", rgbOf(*img))});
  }
}

TEST_F(GifJudges, Animations) {
  const struct {
    const char* name;
    int frames;
    uint32_t depth;
    int32_t loops;
    uint32_t option;
    int loopValue;
  } cases[] = {
      {"anim2", 2, 8, 0, 0, 0},          {"anim30", 30, 8, 3, 0, 2},
      {"anim-once", 3, 8, 1, 0, -1},     {"anim-4bit-local", 4, 4, 0, 3, 0},
      {"anim-literal", 3, 8, 0, 1, 0},   {"anim-rle-option", 2, 8, 0, 2, 0},
  };
  for (const auto& c : cases) {
    ImagePtr canvas = animation(c.frames, 40, 30, c.depth, c.loops);
    canvas->info.codecOptions[ZV_TYPE_GIF] = c.option;
    Expect e{40, 30, size_t(c.frames), {}, c.loopValue, -1};
    std::vector<std::string> lines;
    for (int i = 0; i < c.frames; ++i) {
      e.delays.push_back(canvas->frames[size_t(i)]->info.frameDelay);
      lines.push_back("rgb " + std::to_string(i) + " " +
                      pixelFile(std::string(c.name) + std::to_string(i) + ".rgb",
                                rgbOf(*canvas->frames[size_t(i)])));
    }
    judge(c.name, *canvas, e, lines);
  }
}

TEST_F(GifJudges, TransparentIndex) {
  ImagePtr img = noise(20, 10, 8, 4);
  img->info.transIndex = 5;
  judge("transparent", *img, {20, 10, 1, {0}, -1, 5},
        {"indices " + pixelFile("transparent.idx", indicesOf(*img))});
}

TEST_F(GifJudges, TrueColourTilesKeepEveryColour) {
  ImagePtr rgb = Image::make();
  ASSERT_TRUE(rgb->create(50, 40, 24, 0));
  std::mt19937 rng(11);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 50; ++x)
      rgb->setPixelColor(x, y, {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0}, false);
  // 3 x 3 tiles, each its own image block; the last composite is the whole picture.
  judge("truecolour", *rgb, {50, 40, 9, {}, -1, -1}, {"last " + pixelFile("truecolour.rgb", rgbOf(*rgb))});
}

TEST_F(GifJudges, LzwStressRoundTrips) {
  std::mt19937 rng(5);
  const struct {
    const char* name;
    std::function<uint8_t(int32_t, int32_t)> index;
  } cases[] = {
      {"noise3000", [&](int32_t, int32_t) { return uint8_t(rng()); }},
      {"flat3000", [](int32_t, int32_t) { return uint8_t(77); }},
      {"ramp3000", [](int32_t x, int32_t y) { return uint8_t((x / 7 + y / 13) & 255); }},
  };
  for (const auto& c : cases) {
    ImagePtr img = indexed(3000, 3000, 8, c.index);
    judge(c.name, *img, {3000, 3000, 1, {0}, -1, -1},
          {"indices " + pixelFile(std::string(c.name) + ".idx", indicesOf(*img))}, false);
  }
}

}  // namespace
}  // namespace zelvo

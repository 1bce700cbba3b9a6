// Helpers shared by the BMP, PNG and GIF codec tests: decode bytes with one codec, turn a
// picture into top-down RGBA, and ask python3 PIL for its reading of the same file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "TestFiles.h"
#include "core/Image.h"
#include "formats/Codecs.h"
#include "formats/Dispatch.h"
#include "formats/RasterIO.h"
#include "formats/Stream.h"

namespace zelvo::codectest {

namespace fs = std::filesystem;

using gallivo::test::readFile;
using gallivo::test::writeFile;

// Runs one decoder over the bytes; the result keeps the last-error text on failure.
inline ImagePtr decodeWith(DecodeFn fn, const std::vector<uint8_t>& bytes, uint32_t type,
                           bool headerOnly = false, bool allFrames = false, int32_t frameIndex = 0) {
  ImagePtr img = Image::make(type);
  img->info.escape = headerOnly ? -1 : 0;
  img->info.loadAllFrames = allFrames;
  img->info.frameIndex = frameIndex;
  StreamPtr s = makeMemoryReader(bytes.data(), bytes.size());
  img->info.type = fn(*img, StreamRef(s.get()), type) ? type : 0;
  return img;
}

inline std::vector<uint8_t> encodeWith(EncodeFn fn, Image& img, uint32_t type, bool* ok = nullptr) {
  StreamPtr s = makeMemoryWriter();
  const bool done = fn(img, StreamRef(s.get()), type);
  if (ok) *ok = done;
  size_t size = 0;
  uint8_t* buf = detachMemoryBuffer(s.get(), &size);
  std::vector<uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}

using gallivo::test::u16;

// Top-down RGBA; a pixel at the transparent index reads alpha 0, as PIL reports it.
inline std::vector<uint8_t> rgba(const Image& img) {
  std::vector<uint8_t> out;
  out.reserve(size_t(img.width()) * size_t(img.height()) * 4);
  for (int32_t yt = 0; yt < img.height(); ++yt)
    for (int32_t x = 0; x < img.width(); ++x) {
      ZvRGBQuad c = rio::colorAt(img, x, yt);
      if (img.depth() <= 8 && img.info.transIndex >= 0 &&
          rio::getIndex(img.row(img.height() - 1 - yt), uint32_t(x), img.depth()) == img.info.transIndex)
        c.reserved = 0;
      out.insert(out.end(), {c.red, c.green, c.blue, c.reserved});
    }
  return out;
}

// A python3 that has PIL (the Debian one when the first on PATH lacks it).
inline std::string python() {
  static const std::string py = gallivo::test::run("python3 -c 'import PIL' 2>/dev/null") == 0
                                    ? "python3"
                                    : "/usr/bin/python3";
  return py;
}

// Runs a python snippet with PIL; `script` may use the names in `args`.
inline bool runPython(const std::string& script, std::string* out = nullptr) {
  const fs::path file = gallivo::test::freshDir("py") / "s.py";
  std::ofstream(file) << "from PIL import Image\nimport sys\n" << script << "\n";
  return gallivo::test::run(python() + " " + file.string() + " 2>&1", out) == 0;
}

// PIL's reading of a file (frame `frame`) as top-down RGBA, plus its size.
inline std::vector<uint8_t> pilRgba(const fs::path& file, int32_t* w = nullptr, int32_t* h = nullptr, int frame = 0) {
  const fs::path raw = file.string() + ".rgba";
  std::string out;
  const bool ok = runPython("im = Image.open('" + file.string() + "')\nim.seek(" + std::to_string(frame) +
                                ")\nim = im.convert('RGBA')\nopen('" + raw.string() +
                                "','wb').write(im.tobytes())\nprint(im.size[0], im.size[1])",
                            &out);
  EXPECT_TRUE(ok) << out;
  int32_t pw = 0, ph = 0;
  std::sscanf(out.c_str(), "%d %d", &pw, &ph);
  if (w) *w = pw;
  if (h) *h = ph;
  return readFile(raw);
}

// ImageMagick's reading of a file as top-down RGBA, 8 bits a channel.
inline std::vector<uint8_t> imRgba(const fs::path& file) {
  const fs::path raw = file.string() + ".im.rgba";
  std::string out;
  EXPECT_EQ(gallivo::test::run("convert '" + file.string() + "[0]' -depth 8 rgba:'" + raw.string() + "'", &out), 0) << out;
  return readFile(raw);
}

// Number of pixels whose RGBA differ by more than `tolerance` in any channel.
inline size_t differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance = 0) {
  if (a.size() != b.size()) return SIZE_MAX;
  size_t n = 0;
  for (size_t i = 0; i < a.size(); i += 4)
    for (size_t c = 0; c < 4; ++c)
      if (std::abs(int(a[i + c]) - int(b[i + c])) > tolerance) {
        ++n;
        break;
      }
  return n;
}

// A 37 x 23 test picture (odd width: every depth has row padding) saved by PIL as p.png,
// and the same with a gradient alpha as pa.png, into `dir`.
inline std::string gradientScript(const fs::path& dir) {
  return "W,H=37,23\n"
         "im=Image.new('RGB',(W,H))\n"
         "im.putdata([((x*7+y*3)%256,(x*y)%256,(255-x*5)%256) for y in range(H) for x in range(W)])\n"
         "im.save('" + (dir / "p.png").string() + "')\n"
         "a=im.copy(); a.putalpha(Image.linear_gradient('L').resize((W,H)))\n"
         "a.save('" + (dir / "pa.png").string() + "')\n";
}

// A fresh folder named `name` holding the gradient pictures, made once per process.
inline fs::path gradientFixtures(const std::string& name) {
  fs::path d = gallivo::test::freshDir(name);
  EXPECT_TRUE(runPython(gradientScript(d)));
  return d;
}

}  // namespace zelvo::codectest

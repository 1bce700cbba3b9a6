// The GIF89a writer: a single palette picture, an animation from a list of palette frames,
// or a true-colour picture cut into small tiles that each carry their exact colours.
#include <algorithm>
#include <cstring>
#include <vector>

#include "Codecs.h"
#include "GifLzw.h"

namespace zelvo {
namespace {

constexpr char kWriteError[] = "Write Error in GIF file";
constexpr char kTooLarge[] = "GIF can't store pictures above 65535 pixels wide or high";
constexpr int32_t kTileWidth = 17;   // 17 x 15 = 255 colours, plus one for transparency
constexpr int32_t kTileHeight = 15;
constexpr uint32_t kOptionLocalTables = 1;
constexpr uint32_t kOptionUncompressed = 1;

uint16_t clamp16(int32_t v) { return uint16_t(std::clamp<int32_t>(v, 0, 0xFFFF)); }
bool fitsGif(const Image& img) { return img.width() <= 0xFFFF && img.height() <= 0xFFFF; }

// Option 1 writes literal codes; run-length (2) and every other value write LZW.
GifCoding codingFor(const Image& img) {
  return img.info.codecOptions[ZV_TYPE_GIF] == kOptionUncompressed ? GifCoding::Uncompressed
                                                                    : GifCoding::Lzw;
}

void writeColourTable(GifOutput& o, const ZvRGBQuad* pal, uint32_t count, int depth) {
  for (uint32_t i = 0; i < (1u << depth); ++i) {
    const ZvRGBQuad c = pal && i < count ? pal[i] : ZvRGBQuad{0, 0, 0, 0};
    o.byte(c.red);
    o.byte(c.green);
    o.byte(c.blue);
  }
}

// Header and logical screen; the global colour table comes from `colours` when it has one.
void writeHeader(GifOutput& o, int32_t w, int32_t h, const Image* colours) {
  o.bytes("GIF89a", 6);
  o.word(clamp16(w));
  o.word(clamp16(h));
  if (colours && colours->palette()) {
    const int d = colours->depth();
    o.byte(uint8_t(0x80 | uint8_t((d + 7) << 5) | (d - 1)));
    o.byte(0);
    o.byte(0);
    writeColourTable(o, colours->palette(), colours->numColors(), d);
  } else {
    o.byte(0x11);
    o.byte(0);
    o.byte(0);
  }
}

void writeLoop(GifOutput& o, int32_t loops) {
  if (loops == 1) return;  // play once: players repeat only when the extension is there
  o.bytes("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01", 16);
  o.word(clamp16(std::max(loops - 1, 0)));
  o.byte(0);
}

void writeComment(GifOutput& o, const char* comment) {
  const size_t n = strnlen(comment, 255);
  if (n == 0) return;
  o.byte(0x21);
  o.byte(0xFE);
  o.byte(uint8_t(n));
  o.bytes(comment, n);
  o.byte(0);
}

void writeControl(GifOutput& o, uint8_t disposal, int32_t delay, int32_t transIndex) {
  o.bytes("\x21\xF9\x04", 3);
  o.byte(uint8_t(((disposal & 7) << 2) | (transIndex != -1 ? 1 : 0)));
  o.word(clamp16(delay));
  o.byte(uint8_t(transIndex));
  o.byte(0);
}

// Palette indices of every row, top row first.
void writePixels(GifOutput& o, const Image& img, GifCoding coding) {
  const int d = img.depth();
  GifPixelEncoder enc(o, std::max(d, 2), coding);
  const int32_t w = img.width();
  std::vector<uint8_t> unpacked(d == 8 ? 0 : size_t(w));
  for (int32_t y = img.height() - 1; y >= 0; --y) {
    const uint8_t* src = img.row(y);
    if (d == 8) {
      enc.add({src, size_t(w)});
      continue;
    }
    const int perByte = 8 / d, mask = (1 << d) - 1;
    for (int32_t x = 0; x < w; ++x)
      unpacked[size_t(x)] = uint8_t((src[x / perByte] >> ((perByte - 1 - x % perByte) * d)) & mask);
    enc.add(unpacked);
  }
  enc.finish();
}

void writeImage(GifOutput& o, const Image& img, bool localTable, GifCoding coding) {
  o.byte(0x2C);
  o.word(clamp16(img.info.xOffset));
  o.word(clamp16(img.info.yOffset));
  o.word(clamp16(img.width()));
  o.word(clamp16(img.height()));
  const int d = img.depth();
  o.byte(localTable ? uint8_t(0x80 | (d - 1)) : 0);
  if (localTable) writeColourTable(o, img.palette(), img.numColors(), d);
  writePixels(o, img, coding);
}

bool samePalette(const Image& a, const Image& b) {
  if (a.depth() != b.depth() || a.numColors() != b.numColors()) return false;
  for (uint32_t i = 0; i < a.numColors(); ++i) {
    const ZvRGBQuad p = a.palette()[i], q = b.palette()[i];
    if (p.red != q.red || p.green != q.green || p.blue != q.blue) return false;
  }
  return true;
}

bool finishFile(GifOutput& o, Image& err) {
  o.byte(0x3B);
  if (o.commit()) return true;
  return fail(err, kWriteError);
}

// All frames are checked before the first byte is written.
const char* checkFrames(std::span<Image* const> frames) {
  if (frames.empty() || !frames[0]) return "multipage GIF, no images!";
  for (const Image* f : frames) {
    if (!f) return "Bad image pointer";
    if (!f->valid()) return "Empty image";
    if (!f->palette())
      return "ZvImageGIF::Encode cannot create animated GIFs with a true color frame. Use DecreaseBpp before";
    if (!fitsGif(*f)) return kTooLarge;
  }
  return nullptr;
}

// `enc` is the encoding image: it gives the loop count, comment, disposal and options, and
// receives the message.
bool writeAnimation(std::span<Image* const> frames, StreamRef out, Image& enc) {
  if (!out.get()) return fail(enc, "invalid file pointer");
  if (const char* message = checkFrames(frames)) return fail(enc, message);
  const Image& first = *frames[0];
  const bool localTables = (enc.info.codecOptions[ZV_TYPE_GIF] & kOptionLocalTables) != 0;
  const GifCoding coding = codingFor(enc);
  GifOutput o(out);
  writeHeader(o, first.width(), first.height(), &first);
  writeLoop(o, enc.info.loops);
  for (size_t i = 0; i < frames.size(); ++i) {
    const Image& f = *frames[i];
    writeControl(o, enc.info.disposal, f.info.frameDelay, f.info.transIndex);
    if (i == 0) writeComment(o, enc.info.comment);
    // A frame whose colours differ from the global table keeps its own, or it would show
    // the wrong colours.
    writeImage(o, f, localTables || (i > 0 && !samePalette(f, first)), coding);
  }
  return finishFile(o, enc);
}

bool writeSingle(Image& img, StreamRef out) {
  GifOutput o(out);
  writeHeader(o, img.width(), img.height(), &img);
  writeControl(o, img.info.disposal, img.info.frameDelay, img.info.transIndex);
  writeComment(o, img.info.comment);
  writeImage(o, img, false, codingFor(img));
  return finishFile(o, img);
}

// Each 17 x 15 tile is one image block whose local table lists its pixels' colours in
// order, so the picture keeps every colour exactly.
bool writeTrueColour(Image& img, StreamRef out) {
  const int32_t w = img.width(), h = img.height();
  const bool transparent = img.info.transIndex >= 0;
  const GifCoding coding = codingFor(img);
  GifOutput o(out);
  writeHeader(o, w, h, nullptr);
  ZvRGBQuad colours[256];
  uint8_t pixels[kTileWidth * kTileHeight];
  bool first = true;
  for (int32_t ty = 0; ty < h; ty += kTileHeight) {
    for (int32_t tx = 0; tx < w; tx += kTileWidth) {
      const int32_t tw = std::min(kTileWidth, w - tx), th = std::min(kTileHeight, h - ty);
      std::memset(colours, 0, sizeof colours);
      int next = 0;
      if (transparent) colours[next++] = img.info.transColor;
      int n = 0;
      for (int32_t j = 0; j < th; ++j) {
        const int32_t sy = h - 1 - (ty + j);
        const uint8_t* src = img.row(sy);
        for (int32_t k = 0; k < tw; ++k, ++n) {
          const int32_t x = tx + k;
          if (transparent && img.transparentAt(x, sy)) {
            pixels[n] = 0;
            continue;
          }
          colours[next] = ZvRGBQuad{src[3 * x], src[3 * x + 1], src[3 * x + 2], 0};
          pixels[n] = uint8_t(next++);
        }
      }
      writeControl(o, 0, 0, transparent ? 0 : -1);
      if (first) writeComment(o, img.info.comment);
      first = false;
      o.byte(0x2C);
      o.word(uint16_t(tx));
      o.word(uint16_t(ty));
      o.word(uint16_t(tw));
      o.word(uint16_t(th));
      o.byte(0x87);
      writeColourTable(o, colours, 256, 8);
      GifPixelEncoder enc(o, 8, coding);
      enc.add({pixels, size_t(n)});
      enc.finish();
    }
  }
  return finishFile(o, img);
}

}  // namespace

bool encodeGIF(Image& img, StreamRef out, uint32_t) {
  if (!out.get()) return fail(img, "null file handler");
  if (!img.valid()) return fail(img, "null image!!!");
  if (!fitsGif(img)) return fail(img, kTooLarge);
  if (img.depth() > 8) return writeTrueColour(img, out);
  if (img.frames.size() > 1) {
    std::vector<Image*> list;
    list.reserve(img.frames.size());
    for (const ImagePtr& f : img.frames) list.push_back(f.get());
    return writeAnimation(list, out, img);
  }
  return writeSingle(img, out);
}

bool encodeFramesGIF(std::span<Image* const> images, StreamRef out, Image& err) {
  return writeAnimation(images, out, err);
}

}  // namespace zelvo

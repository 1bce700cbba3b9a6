// GIF reading: every image block with its own colour table, transparency, interlace,
// delay and disposal; the loop count and the comment. Our own LZW decoder stops at the
// first code that makes no sense and never writes outside the frame.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

using rio::le16;

constexpr uint64_t kMaxFileBytes = 1ull << 30;
constexpr int kMaxCodes = 4096;

struct Block {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  const uint8_t* table = nullptr;  // red, green, blue triples (local, else global, else null)
  uint32_t tableSize = 0;
  uint8_t minCode = 0;
  size_t data = 0;  // first data sub-block
  int32_t delay = 0;
  uint8_t disposal = 0;
  int32_t trans = -1;
};

struct GifFile {
  int32_t screenW = 0, screenH = 0;
  uint8_t background = 0;
  const uint8_t* globalTable = nullptr;
  uint32_t globalSize = 0;
  bool hasLoop = false;
  int32_t loops = 1;  // no loop extension: played once
  std::string comment;
  std::vector<Block> blocks;
};

// Skips a chain of data sub-blocks; false when the file ends inside it.
bool skipSubBlocks(const std::vector<uint8_t>& d, size_t& p) {
  while (p < d.size()) {
    const uint8_t n = d[p++];
    if (n == 0) return true;
    p += n;
  }
  return false;
}

// Walks the block structure without decoding pixels. A block cut off by the end of the
// file is dropped; `truncatedFirst` says the very first picture was cut.
bool scan(const std::vector<uint8_t>& d, GifFile& g, Image& img) {
  if (d.size() < 13) return fail(img, "GIF: file is truncated");
  g.screenW = le16(&d[6]);
  g.screenH = le16(&d[8]);
  const uint8_t packed = d[10];
  g.background = d[11];
  size_t p = 13;
  if (packed & 0x80) {
    g.globalSize = 2u << (packed & 7);
    if (p + g.globalSize * 3 > d.size()) return fail(img, "GIF: file is truncated");
    g.globalTable = &d[p];
    p += g.globalSize * 3;
  }
  Block pending;  // carries the graphic control values to the next image
  bool sawComment = false;
  while (p < d.size() && g.blocks.size() < kMaxFrames) {
    const uint8_t intro = d[p++];
    if (intro == 0x3B) break;  // trailer
    if (intro == 0x21) {
      if (p >= d.size()) break;
      const uint8_t label = d[p++];
      const size_t body = p;
      if (!skipSubBlocks(d, p)) break;
      if (label == 0xF9 && d[body] >= 4 && body + 5 <= d.size()) {
        const uint8_t flags = d[body + 1];
        pending.disposal = uint8_t((flags >> 2) & 7);
        pending.delay = le16(&d[body + 2]);
        pending.trans = (flags & 1) ? d[body + 4] : -1;
      } else if (label == 0xFF && d[body] == 11 && body + 12 <= d.size() &&
                 (std::memcmp(&d[body + 1], "NETSCAPE2.0", 11) == 0 ||
                  std::memcmp(&d[body + 1], "ANIMEXTS1.0", 11) == 0)) {
        const size_t sub = body + 12;
        if (sub + 4 <= d.size() && d[sub] >= 3 && d[sub + 1] == 1) {
          const int32_t value = le16(&d[sub + 2]);
          g.hasLoop = true;
          g.loops = value == 0 ? 0 : value + 1;
        }
      } else if (label == 0xFE && !sawComment) {
        sawComment = true;
        for (size_t q = body; q < d.size() && d[q] != 0 && g.comment.size() < 255; q += size_t(d[q]) + 1)
          g.comment.append(reinterpret_cast<const char*>(&d[q + 1]),
                           std::min<size_t>({d[q], 255 - g.comment.size(), d.size() - q - 1}));
      } else if (label == 0x01) {
        pending = Block{};  // plain text consumes the control block
      }
      continue;
    }
    if (intro != 0x2C) break;  // garbage after the pictures: keep what we have
    if (p + 9 > d.size()) break;
    Block b = pending;
    pending = Block{};
    b.left = le16(&d[p]);
    b.top = le16(&d[p + 2]);
    b.width = le16(&d[p + 4]);
    b.height = le16(&d[p + 6]);
    const uint8_t flags = d[p + 8];
    p += 9;
    b.interlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
      b.tableSize = 2u << (flags & 7);
      if (p + b.tableSize * 3 > d.size()) break;
      b.table = &d[p];
      p += b.tableSize * 3;
    } else {
      b.table = g.globalTable;
      b.tableSize = g.globalSize;
    }
    if (p >= d.size()) break;
    b.minCode = d[p++];
    b.data = p;
    if (!skipSubBlocks(d, p)) {
      if (g.blocks.empty()) return fail(img, "GIF: file is truncated");
      break;
    }
    if (b.minCode < 1 || b.minCode > 8) {
      if (g.blocks.empty()) return fail(img, "GIF: bad LZW code size");
      continue;
    }
    g.blocks.push_back(b);
  }
  if (g.blocks.empty()) return fail(img, "GIF: no picture in the file");
  // A zero screen takes the first picture's extent.
  if (g.screenW == 0 || g.screenH == 0) {
    g.screenW = g.blocks[0].left + g.blocks[0].width;
    g.screenH = g.blocks[0].top + g.blocks[0].height;
  }
  return true;
}

// LZW over the data sub-blocks of one picture. Writes at most `count` indexes.
class LzwReader {
 public:
  LzwReader(const std::vector<uint8_t>& d, size_t pos, uint8_t minCode) : d_(d), pos_(pos), minCode_(minCode) {
    clearCode_ = 1 << minCode;
    reset();
  }

  // Fills `out` with up to out.size() indexes; returns how many were decoded.
  size_t decode(std::span<uint8_t> out) {
    size_t n = 0;
    std::array<uint8_t, kMaxCodes + 1> stack;
    while (n < out.size()) {
      const int code = nextCode();
      if (code < 0 || code == clearCode_ + 1) break;  // data ended, or end code
      if (code == clearCode_) {
        reset();
        continue;
      }
      int cur = code;
      if (old_ < 0) {
        // First code after a clear, or a stream that never sent one.
        if (code >= clearCode_) break;
        out[n++] = uint8_t(code);
        old_ = code;
        first_ = uint8_t(code);
        continue;
      }
      size_t depth = 0;
      if (code > next_) break;  // beyond the table
      if (code == next_) {
        stack[depth++] = first_;
        cur = old_;
      }
      while (cur >= clearCode_) {
        stack[depth++] = suffix_[size_t(cur)];
        cur = prefix_[size_t(cur)];
      }
      stack[depth++] = uint8_t(cur);
      first_ = uint8_t(cur);
      // A full table stays as it is until the encoder clears it.
      if (next_ < kMaxCodes) {
        prefix_[size_t(next_)] = uint16_t(old_);
        suffix_[size_t(next_)] = first_;
        ++next_;
        if (next_ == (1 << codeSize_) && codeSize_ < 12) ++codeSize_;
      }
      old_ = code;
      while (depth > 0 && n < out.size()) out[n++] = stack[--depth];
    }
    return n;
  }

 private:
  void reset() {
    codeSize_ = minCode_ + 1;
    next_ = clearCode_ + 2;
    old_ = -1;
  }

  // Next code, or -1 when the data sub-blocks end.
  int nextCode() {
    while (bits_ < codeSize_) {
      if (left_ == 0) {
        if (done_ || pos_ >= d_.size() || d_[pos_] == 0) {
          done_ = true;
          return -1;
        }
        left_ = d_[pos_++];
        if (pos_ + left_ > d_.size()) left_ = uint8_t(d_.size() - pos_);
        if (left_ == 0) {
          done_ = true;
          return -1;
        }
      }
      acc_ |= uint32_t(d_[pos_++]) << bits_;
      bits_ += 8;
      --left_;
    }
    const int code = int(acc_ & ((1u << codeSize_) - 1));
    acc_ >>= codeSize_;
    bits_ -= codeSize_;
    return code;
  }

  const std::vector<uint8_t>& d_;
  size_t pos_;
  uint8_t minCode_;
  int clearCode_ = 0, codeSize_ = 0, next_ = 0, old_ = -1;
  uint8_t first_ = 0;
  uint32_t acc_ = 0;
  int bits_ = 0;
  uint8_t left_ = 0;
  bool done_ = false;
  std::array<uint16_t, kMaxCodes> prefix_{};
  std::array<uint8_t, kMaxCodes> suffix_{};
};

void tablePalette(const Block& b, ZvRGBQuad (&pal)[256]) {
  std::memset(pal, 0, sizeof pal);
  for (uint32_t i = 0; i < b.tableSize && i < 256; ++i)
    pal[i] = {b.table[3 * i + 2], b.table[3 * i + 1], b.table[3 * i], 0};
}

// Rows of an interlaced picture in the order they are stored.
std::vector<int32_t> rowOrder(int32_t h, bool interlaced) {
  std::vector<int32_t> rows;
  rows.reserve(size_t(h));
  if (!interlaced) {
    for (int32_t y = 0; y < h; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int32_t start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int32_t y = start[pass]; y < h; y += step[pass]) rows.push_back(y);
  return rows;
}

// One image block as an indexed picture, clipped to the logical screen. Pixels the data
// does not reach keep the transparent index (else 0).
ImagePtr decodeBlock(const std::vector<uint8_t>& d, const GifFile& g, Block& b, int32_t index, Image& err) {
  // The table decides the depth; indexes beyond it are bad data and read as 0.
  const uint32_t colors = b.table ? b.tableSize : 1u << b.minCode;
  const uint32_t depth = rio::depthForColors(colors);
  const uint32_t limit = 1u << depth;
  std::vector<uint8_t> indexes(size_t(b.width) * size_t(b.height), uint8_t(b.trans >= 0 ? b.trans : 0));
  LzwReader lzw(d, b.data, b.minCode);
  lzw.decode(indexes);

  // Clip to the screen.
  const int32_t x0 = b.left, y0 = b.top;
  const int32_t x1 = std::min(b.left + b.width, g.screenW), y1 = std::min(b.top + b.height, g.screenH);
  ImagePtr f = Image::make(ZV_TYPE_GIF);
  if (!f || !f->create(uint32_t(x1 - x0), uint32_t(y1 - y0), depth, ZV_TYPE_GIF)) {
    err.setLastError("GIF: can't allocate memory");
    return nullptr;
  }
  ZvRGBQuad pal[256];
  if (b.table) {
    tablePalette(b, pal);
  } else {
    // No colour table at all: a grey ramp keeps the indexes visible.
    for (uint32_t i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
  }
  f->setPalette(pal, f->numColors());
  const std::vector<int32_t> rows = rowOrder(b.height, b.interlaced);
  for (size_t r = 0; r < rows.size(); ++r) {
    const int32_t y = rows[r];
    if (y >= y1 - y0) continue;
    uint8_t* dst = rio::topRow(*f, y);
    const uint8_t* src = &indexes[r * size_t(b.width)];
    for (int32_t x = 0; x < x1 - x0; ++x) rio::putIndex(dst, uint32_t(x), depth, src[x] < limit ? src[x] : 0);
  }
  f->info.xOffset = b.left;
  f->info.yOffset = b.top;
  f->info.frameDelay = b.delay;
  f->info.disposal = b.disposal;
  f->info.frameIndex = index;
  // An index beyond the table marks nothing.
  f->info.transIndex = b.trans >= 0 && uint32_t(b.trans) < f->numColors() ? b.trans : -1;
  if (f->info.transIndex >= 0) f->info.transColor = f->palette()[f->info.transIndex];
  f->info.loops = g.loops;
  std::snprintf(f->info.comment, sizeof f->info.comment, "%s", g.comment.c_str());
  return f;
}

bool sameTable(const Block& a, const Block& b) {
  return a.tableSize == b.tableSize && (a.table == b.table || (a.table && b.table && std::memcmp(a.table, b.table, a.tableSize * 3) == 0));
}

// The logical screen after pictures 0..n, with their disposal between them. Indexed with
// the shared table when every picture uses the same one, else true colour with alpha.
ImagePtr compose(const GifFile& g, const std::vector<ImagePtr>& frames, size_t n, Image& err) {
  bool oneTable = true;
  for (size_t i = 1; i <= n; ++i)
    if (!sameTable(g.blocks[i], g.blocks[0])) oneTable = false;
  const Image& first = *frames[0];
  const uint32_t depth = oneTable ? first.depth() : 24;
  ImagePtr canvas = Image::make(ZV_TYPE_GIF);
  if (!canvas || !canvas->create(uint32_t(g.screenW), uint32_t(g.screenH), depth, ZV_TYPE_GIF) ||
      (!oneTable && !canvas->allocAlpha(0))) {
    err.setLastError("GIF: can't allocate memory");
    return nullptr;
  }
  const bool bgInTable = g.globalTable && g.background < g.globalSize;
  uint8_t fillIndex = 0;
  ZvRGBQuad fillColor = {0, 0, 0, 0};
  if (oneTable) {
    canvas->setPalette(first.palette(), first.numColors());
    fillIndex = first.info.transIndex >= 0 ? uint8_t(first.info.transIndex) : bgInTable ? g.background : 0;
    canvas->info.transIndex = first.info.transIndex;
    if (first.info.transIndex >= 0) canvas->info.transColor = first.info.transColor;
  } else if (bgInTable) {
    fillColor = {g.globalTable[3 * g.background + 2], g.globalTable[3 * g.background + 1], g.globalTable[3 * g.background], 0};
  }

  const int32_t W = g.screenW, H = g.screenH;
  auto fillRect = [&](int32_t fx, int32_t fy, int32_t fw, int32_t fh) {
    for (int32_t y = fy; y < fy + fh && y < H; ++y) {
      uint8_t* row = rio::topRow(*canvas, y);
      uint8_t* a = canvas->alpha ? rio::topAlphaRow(*canvas, y) : nullptr;
      for (int32_t x = fx; x < fx + fw && x < W; ++x) {
        if (oneTable) {
          rio::putIndex(row, uint32_t(x), depth, fillIndex);
        } else {
          row[3 * x] = fillColor.blue, row[3 * x + 1] = fillColor.green, row[3 * x + 2] = fillColor.red;
          a[x] = 0;
        }
      }
    }
  };
  fillRect(0, 0, W, H);

  // Raw pixel access so that restoring an area gives back the very indexes it held.
  auto get = [&](int32_t x, int32_t yTop) -> uint32_t {
    const uint8_t* row = rio::topRow(*canvas, yTop);
    if (oneTable) return rio::getIndex(row, uint32_t(x), depth);
    const uint8_t* o = row + 3 * size_t(x);
    return uint32_t(o[0]) | uint32_t(o[1]) << 8 | uint32_t(o[2]) << 16 | uint32_t(rio::topAlphaRow(*canvas, yTop)[x]) << 24;
  };
  auto put = [&](int32_t x, int32_t yTop, uint32_t v) {
    uint8_t* row = rio::topRow(*canvas, yTop);
    if (oneTable) return rio::putIndex(row, uint32_t(x), depth, uint8_t(v));
    uint8_t* o = row + 3 * size_t(x);
    o[0] = uint8_t(v), o[1] = uint8_t(v >> 8), o[2] = uint8_t(v >> 16);
    rio::topAlphaRow(*canvas, yTop)[x] = uint8_t(v >> 24);
  };

  std::vector<uint32_t> saved;  // the area under a picture that restores to the previous state
  for (size_t i = 0; i <= n; ++i) {
    const Image& f = *frames[i];
    const int32_t fx = f.info.xOffset, fy = f.info.yOffset, fw = f.width(), fh = f.height();
    if (f.info.disposal == 3 && i < n) {
      saved.resize(size_t(fw) * size_t(fh));
      for (int32_t y = 0; y < fh; ++y)
        for (int32_t x = 0; x < fw; ++x) saved[size_t(y) * size_t(fw) + size_t(x)] = get(fx + x, fy + y);
    }
    const ZvRGBQuad* pal = f.palette();
    for (int32_t y = 0; y < fh; ++y) {
      const uint8_t* src = rio::topRow(f, y);
      for (int32_t x = 0; x < fw; ++x) {
        const uint8_t v = rio::getIndex(src, uint32_t(x), f.depth());
        if (v == f.info.transIndex) continue;
        put(fx + x, fy + y, oneTable ? v : uint32_t(pal[v].blue) | uint32_t(pal[v].green) << 8 |
                                                uint32_t(pal[v].red) << 16 | 0xFF000000u);
      }
    }
    if (i == n) break;
    if (f.info.disposal == 2) {
      fillRect(fx, fy, fw, fh);
    } else if (f.info.disposal == 3 && !saved.empty()) {
      for (int32_t y = 0; y < fh; ++y)
        for (int32_t x = 0; x < fw; ++x) put(fx + x, fy + y, saved[size_t(y) * size_t(fw) + size_t(x)]);
      saved.clear();
    }
  }
  if (canvas->alpha) {
    const size_t plane = size_t(W) * size_t(H);
    if (std::all_of(canvas->alpha.get(), canvas->alpha.get() + plane, [](uint8_t v) { return v == 255; }))
      canvas->alpha.reset();
  }
  return canvas;
}

bool decodeChecked(Image& img, StreamRef in) {
  uint8_t sig[6];
  if (!in.readExact(sig, sizeof sig) || std::memcmp(sig, "GIF8", 4) != 0 || (sig[4] != '7' && sig[4] != '9') ||
      sig[5] != 'a')
    return fail(img, "GIF: not a GIF file");
  std::vector<uint8_t> d(sig, sig + 6);
  std::vector<uint8_t> rest;
  if (!rio::readRest(in, rest, kMaxFileBytes)) return fail(img, "GIF: file is truncated");
  d.insert(d.end(), rest.begin(), rest.end());
  rest = {};

  GifFile g;
  if (!scan(d, g, img)) return false;
  const uint32_t screenDepth = g.globalTable ? rio::depthForColors(g.globalSize) : 8;
  if (img.info.escape == -1) return rio::headerOnly(img, g.screenW, g.screenH, uint16_t(screenDepth), ZV_TYPE_GIF);
  if (!checkDecodeSize(img, g.screenW, g.screenH, "GIF: image too large")) return false;

  // Pictures outside the screen paint nothing and are left out.
  std::erase_if(g.blocks, [&](const Block& b) {
    return b.width == 0 || b.height == 0 || b.left >= g.screenW || b.top >= g.screenH;
  });
  if (g.blocks.empty()) return fail(img, "GIF: no picture inside the screen");
  const size_t count = g.blocks.size();
  const int32_t index = img.info.frameIndex;
  if (index < 0 || size_t(index) >= count) return fail(img, "GIF: frame index out of range");

  // Several pictures without delays or a loop are one still picture (tiled true colour).
  const bool still = !g.hasLoop && std::all_of(g.blocks.begin(), g.blocks.end(), [](const Block& b) { return b.delay == 0; });
  const size_t shown = still ? count - 1 : size_t(index);
  const size_t decodeCount = img.info.loadAllFrames ? count : shown + 1;

  // The frames share one budget, checked before anything is allocated, so that many
  // large pictures cannot add up without bound.
  uint64_t pixels = 0;
  for (size_t i = 0; i < decodeCount; ++i) pixels += uint64_t(g.blocks[i].width) * uint64_t(g.blocks[i].height);
  if (pixels > kDecodeMaxPixels) return fail(img, "GIF: image too large");
  std::vector<ImagePtr> frames;
  frames.reserve(decodeCount);
  for (size_t i = 0; i < decodeCount; ++i) {
    ImagePtr f = decodeBlock(d, g, g.blocks[i], int32_t(i), img);
    if (!f) return false;
    frames.push_back(std::move(f));
  }

  ImagePtr canvas = compose(g, frames, shown, img);
  if (!canvas) return false;
  const ImageInfo callerInfo = img.info;
  img.transfer(*canvas, false);
  // Keep what the caller asked for; describe the shown picture.
  const Image& top = *frames[shown];
  const int32_t transIndex = img.info.transIndex;
  const ZvRGBQuad transColor = img.info.transColor;
  const uint32_t stride = img.info.stride;
  img.info = callerInfo;
  img.info.stride = stride;
  img.info.transIndex = transIndex;
  img.info.transColor = transColor;
  img.info.frameDelay = top.info.frameDelay;
  img.info.disposal = top.info.disposal;
  img.info.xOffset = 0;
  img.info.yOffset = 0;
  img.info.loops = g.loops;
  std::snprintf(img.info.comment, sizeof img.info.comment, "%s", g.comment.c_str());
  img.info.cacheValid = false;
  img.setType(ZV_TYPE_GIF);
  if (img.info.loadAllFrames) {
    img.destroyFrames();
    for (ImagePtr& f : frames)
      if (!img.appendFrame(std::move(f))) return fail(img, "GIF: can't allocate memory");
  }
  return true;
}

}  // namespace

bool decodeGIF(Image& img, StreamRef in, uint32_t) {
  if (decodeChecked(img, in)) return true;
  img.destroyPixels();
  img.destroyFrames();
  return false;
}

}  // namespace zelvo

// MNG and JNG through libmng. Decoding lets libmng play the file onto a BGRA canvas of
// ours: the first frame, or every frame libmng shows with load-all-frames (each frame
// ends where libmng asks for a timer wait). Encoding writes a single-image MNG whose
// IHDR/IDAT we compress with zlib.
// The shared library has write and chunk access; the header offers them only when told so.
#define MNG_USE_SO
#include <cstdio>  // jpeglib.h, included by libmng.h, needs FILE
#include <libmng.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Codecs.h"
#include "RasterIO.h"

namespace zelvo {
namespace {

constexpr uint64_t kMaxMngFile = 256ull << 20;
constexpr size_t kMaxMngFrames = 1000;
const uint8_t kMngMagic[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
const uint8_t kJngMagic[8] = {0x8B, 'J', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Every block libmng asks for is linked into the arena of the handle it serves, and
// whatever is still linked when the handle is gone is freed: libmng's cleanup forgets some
// buffers (a JNG whose stream breaks off between JDAT and IEND keeps its row buffer).
// libmng's allocator callbacks carry no handle, so the arena in use is the thread's
// current one; a handle lives and dies inside one call, on one thread.
struct alignas(std::max_align_t) MngBlock {
  MngBlock* prev;
  MngBlock* next;
};

class MngArena {
 public:
  MngArena() : outer_(current) { current = this; }
  ~MngArena() {
    while (head_.next != &head_) {
      MngBlock* b = head_.next;
      unlink(b);
      std::free(b);
    }
    current = outer_;
  }
  MngArena(const MngArena&) = delete;
  MngArena& operator=(const MngArena&) = delete;

  // libmng wants zeroed blocks.
  static mng_ptr alloc(mng_size_t n) {
    if (n > SIZE_MAX - sizeof(MngBlock)) return nullptr;
    auto* b = static_cast<MngBlock*>(std::calloc(1, sizeof(MngBlock) + n));
    if (!b) return nullptr;
    if (current) {
      MngBlock& head = current->head_;
      b->prev = &head;
      b->next = head.next;
      head.next->prev = b;
      head.next = b;
    } else {
      b->prev = b->next = b;  // outside an arena: a list of one
    }
    return b + 1;
  }
  static void release(mng_ptr p) {
    if (!p) return;
    MngBlock* b = static_cast<MngBlock*>(p) - 1;
    unlink(b);
    std::free(b);
  }

 private:
  static void unlink(MngBlock* b) {
    b->prev->next = b->next;
    b->next->prev = b->prev;
  }
  static thread_local MngArena* current;
  MngBlock head_{&head_, &head_};
  MngArena* outer_;
};
thread_local MngArena* MngArena::current = nullptr;

mng_ptr MNG_DECL mngAlloc(mng_size_t n) { return MngArena::alloc(n); }
void MNG_DECL mngFree(mng_ptr p, mng_size_t) { MngArena::release(p); }

struct Player {
  const std::vector<uint8_t>* data = nullptr;
  size_t pos = 0;
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> canvas;  // BGRA, top row first
  bool tooLarge = false;
  uint32_t ticks = 0;
  uint32_t lastDelay = 0;
  bool drawn = false;
  // Writing.
  std::vector<uint8_t>* out = nullptr;
};

Player& player(mng_handle h) { return *static_cast<Player*>(mng_get_userdata(h)); }

mng_bool MNG_DECL openStream(mng_handle) { return MNG_TRUE; }
mng_bool MNG_DECL closeStream(mng_handle) { return MNG_TRUE; }
mng_bool MNG_DECL readData(mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p got) {
  Player& p = player(h);
  const size_t n = std::min<size_t>(len, p.data->size() - p.pos);
  std::memcpy(buf, p.data->data() + p.pos, n);
  p.pos += n;
  *got = mng_uint32(n);
  return MNG_TRUE;
}
mng_bool MNG_DECL writeData(mng_handle h, mng_ptr buf, mng_uint32 len, mng_uint32p written) {
  Player& p = player(h);
  const uint8_t* b = static_cast<const uint8_t*>(buf);
  p.out->insert(p.out->end(), b, b + len);
  *written = len;
  return MNG_TRUE;
}
mng_bool MNG_DECL processHeader(mng_handle h, mng_uint32 w, mng_uint32 ht) {
  Player& p = player(h);
  // The canvas is ours to allocate: refuse absurd sizes before touching memory.
  if (w == 0 || ht == 0 || uint64_t(w) * ht > kDecodeMaxPixels || uint64_t(w) * ht * 4 > (1ull << 31)) {
    p.tooLarge = true;
    return MNG_FALSE;
  }
  p.w = w;
  p.h = ht;
  p.canvas.assign(size_t(w) * ht * 4, 0);
  return MNG_TRUE;
}
mng_ptr MNG_DECL canvasLine(mng_handle h, mng_uint32 y) {
  Player& p = player(h);
  if (y >= p.h) return nullptr;
  return p.canvas.data() + size_t(y) * p.w * 4;
}
mng_bool MNG_DECL refresh(mng_handle h, mng_uint32, mng_uint32, mng_uint32, mng_uint32) {
  player(h).drawn = true;
  return MNG_TRUE;
}
// Time runs only as fast as libmng asks, so playback never waits for real.
mng_uint32 MNG_DECL tickCount(mng_handle h) { return player(h).ticks; }
mng_bool MNG_DECL setTimer(mng_handle h, mng_uint32 ms) {
  Player& p = player(h);
  p.ticks += ms;
  p.lastDelay = ms;
  return MNG_TRUE;
}
mng_bool MNG_DECL quietError(mng_handle, mng_int32, mng_int8, mng_chunkid, mng_uint32, mng_int32, mng_int32,
                             mng_pchar) {
  return MNG_FALSE;
}

struct MngCloser {
  void operator()(mng_handle h) const {
    mng_handle copy = h;
    mng_cleanup(&copy);
  }
};
using MngPtr = std::unique_ptr<std::remove_pointer_t<mng_handle>, MngCloser>;

MngPtr openMng(Player& p) {
  MngPtr h(mng_initialize(&p, mngAlloc, mngFree, MNG_NULL));
  if (!h) return nullptr;
  mng_setcb_errorproc(h.get(), quietError);
  mng_setcb_openstream(h.get(), openStream);
  mng_setcb_closestream(h.get(), closeStream);
  return h;
}

bool toImage(const Player& p, Image& img) {
  if (!rio::createChecked(img, p.w, p.h, 24, ZV_TYPE_MNG)) return false;
  bool translucent = false;
  for (size_t i = 3; i < p.canvas.size() && !translucent; i += 4) translucent = p.canvas[i] != 255;
  if (translucent && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  for (uint32_t y = 0; y < p.h; ++y) {
    const uint8_t* src = p.canvas.data() + size_t(y) * p.w * 4;
    uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < p.w; ++x) std::memcpy(row + x * 3, src + x * 4, 3);
    if (translucent)
      for (uint32_t x = 0; x < p.w; ++x) rio::topAlphaRow(img, int32_t(y))[x] = src[x * 4 + 3];
  }
  return true;
}

// Embedded pictures (IHDR or JHDR chunks): the frames a simple animation shows.
size_t countPictures(const std::vector<uint8_t>& d) {
  size_t n = 0;
  for (size_t at = 8; at + 12 <= d.size();) {
    const uint64_t len = rio::be32(&d[at]);
    if (!std::memcmp(&d[at + 4], "IHDR", 4) || !std::memcmp(&d[at + 4], "JHDR", 4)) ++n;
    if (len > d.size()) break;
    at += size_t(len) + 12;
  }
  return std::max<size_t>(n, 1);
}

}  // namespace

bool decodeMNG(Image& img, StreamRef in, uint32_t) {
  uint8_t magic[8];
  auto looksMng = [](std::span<const uint8_t> h) {
    return h.size() == 8 && (!std::memcmp(h.data(), kMngMagic, 8) || !std::memcmp(h.data(), kJngMagic, 8));
  };
  std::vector<uint8_t> data;
  if (!rio::readWholeIf(img, in, magic, looksMng, kMaxMngFile, data, "Not a MNG")) return false;
  if (img.info.escape == -1) {
    // MHDR or JHDR: width and height follow the chunk length and name.
    if (data.size() < 24) return fail(img, "Truncated MNG");
    return rio::headerOnly(img, rio::be32(&data[16]), rio::be32(&data[20]), 24, ZV_TYPE_MNG);
  }
  Player p;
  p.data = &data;
  MngArena arena;  // outlives the handle
  MngPtr h = openMng(p);
  if (!h) return fail(img, "Can't allocate memory");
  mng_setcb_readdata(h.get(), readData);
  mng_setcb_processheader(h.get(), processHeader);
  mng_setcb_getcanvasline(h.get(), canvasLine);
  mng_setcb_refresh(h.get(), refresh);
  mng_setcb_gettickcount(h.get(), tickCount);
  mng_setcb_settimer(h.get(), setTimer);
  mng_set_canvasstyle(h.get(), MNG_CANVAS_BGRA8);
  mng_set_doprogressive(h.get(), MNG_FALSE);

  std::vector<ImagePtr> frames;
  const size_t pictures = countPictures(data);
  mng_retcode rc = mng_readdisplay(h.get());
  for (;;) {
    if (p.tooLarge) return fail(img, "Image too large");
    if (rc != MNG_NOERROR && rc != MNG_NEEDTIMERWAIT) {
      if (!p.drawn) return fail(img, "Corrupt MNG data");
      break;  // keep what was shown before the damage
    }
    if (!img.info.loadAllFrames) break;
    ImagePtr f = Image::make(ZV_TYPE_MNG);
    if (!f) return fail(img, "Can't allocate memory");
    f->copyInfo(img);
    if (!toImage(p, *f)) return fail(img, f->lastError());
    f->info.frameIndex = int32_t(frames.size());
    f->info.frameDelay = int32_t(p.lastDelay / 10);
    frames.push_back(std::move(f));
    if (rc == MNG_NOERROR || frames.size() >= kMaxMngFrames) break;
    // libmng plays a looping animation forever: stop after the pictures the file holds.
    if (frames.size() >= pictures) break;
    rc = mng_display_resume(h.get());
  }
  if (!p.drawn || p.canvas.empty()) return fail(img, "Corrupt MNG data");
  if (!frames.empty()) {
    // The image itself is the first frame.
    img.copy(*frames.front(), true, false, true, false);
    img.frames = std::move(frames);
    img.setType(ZV_TYPE_MNG);
    return true;
  }
  return toImage(p, img);
}

bool encodeMNG(Image& img, StreamRef out, uint32_t) {
  if (img.depth() != 24) return fail(img, "MNG encoder can save only RGB images");
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  const bool alpha = img.alpha != nullptr;
  const size_t px = alpha ? 4 : 3;
  // Filter type 0 rows, RGB(A) order, then one zlib stream.
  std::vector<uint8_t> raw;
  raw.reserve((size_t(w) * px + 1) * h);
  for (uint32_t y = 0; y < h; ++y) {
    raw.push_back(0);
    const uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < w; ++x) {
      raw.insert(raw.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
      if (alpha) raw.push_back(rio::topAlphaRow(img, int32_t(y))[x]);
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_BEST_COMPRESSION) != Z_OK ||
      packedSize > UINT32_MAX) {
    return fail(img, "MNG encoding failed");
  }
  std::vector<uint8_t> file;
  Player p;
  p.out = &file;
  MngArena arena;  // outlives the handle
  MngPtr hnd = openMng(p);
  if (!hnd) return fail(img, "Can't allocate memory");
  mng_setcb_writedata(hnd.get(), writeData);
  const bool ok = mng_create(hnd.get()) == MNG_NOERROR &&
                  mng_putchunk_mhdr(hnd.get(), w, h, 1000, 1, 1, 0, 0x3 | (alpha ? 0x8 : 0)) ==
                      MNG_NOERROR &&
                  mng_putchunk_ihdr(hnd.get(), w, h, 8, alpha ? 6 : 2, 0, 0, 0) == MNG_NOERROR &&
                  mng_putchunk_idat(hnd.get(), mng_uint32(packedSize), packed.data()) == MNG_NOERROR &&
                  mng_putchunk_iend(hnd.get()) == MNG_NOERROR && mng_putchunk_mend(hnd.get()) == MNG_NOERROR &&
                  mng_write(hnd.get()) == MNG_NOERROR;
  hnd.reset();
  if (!ok || file.empty()) return fail(img, "MNG encoding failed");
  if (!out.writeAll(file.data(), file.size())) return fail(img, "Write error");
  return true;
}

}  // namespace zelvo

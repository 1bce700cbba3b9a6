// Quarter and half turns, flip and mirror.
#include <algorithm>
#include <utility>

#include "Image.h"
#include "Rotate.h"
#include "TurnBlocks.h"

namespace zelvo {
namespace {

constexpr int32_t kTile = 64;

// A new image shaped w x h like `src` (information, depth, type, palette, planes).
ImagePtr turnedCopy(Image& src, int32_t w, int32_t h) {
  ImagePtr tmp = Image::make(src.info.type, src.kind);
  if (!tmp) return nullptr;
  tmp->copyInfo(src);
  // Turns write every pixel; packed depths are written bit by bit into a cleared block.
  if (!tmp->create(uint32_t(w), uint32_t(h), src.depth(), src.info.type, src.depth() < 8)) {
    src.setLastError(tmp->lastError());
    return nullptr;
  }
  if (const ZvRGBQuad* pal = src.palette()) tmp->setPalette(pal, 256);
  if ((src.alpha && !tmp->allocAlpha()) || (src.selection && !tmp->allocSelection())) {
    src.setLastError("ZvImage::Create can't allocate memory");
    return nullptr;
  }
  return tmp;
}

// Copies pixel, alpha and selection of every destination pixel from source(map(x, y)),
// tile by tile so that both pictures are walked in short row runs. Any depth; the
// reference the row-run turns below are held to.
template <typename Map>
void remap(const Image& src, Image& dst, Map map) {
  const int32_t w = dst.width(), h = dst.height();
  const uint16_t bpp = src.depth();
  const size_t sw = size_t(src.width()), dw = size_t(w);
  const int32_t tileColumns = (w + kTile - 1) / kTile;
  for (int32_t tx = 0; tx < w; tx += kTile) {
    const int32_t xEnd = std::min(tx + kTile, w);
    for (int32_t ty = 0; ty < h; ty += kTile) {
      const int32_t yEnd = std::min(ty + kTile, h);
      for (int32_t y = ty; y < yEnd; ++y) {
        uint8_t* out = dst.row(y);
        for (int32_t x = tx; x < xEnd; ++x) {
          const auto [ox, oy] = map(x, y);
          if (bpp == 24) {
            const uint8_t* p = src.row(oy) + size_t(ox) * 3;
            uint8_t* q = out + size_t(x) * 3;
            q[0] = p[0], q[1] = p[1], q[2] = p[2];
          } else if (bpp == 8) {
            out[x] = src.row(oy)[ox];
          } else {
            dst.setPixelIndex(x, y, src.pixelIndex(ox, oy));
          }
          if (dst.alpha) dst.alpha.get()[size_t(y) * dw + size_t(x)] = src.alpha.get()[size_t(oy) * sw + size_t(ox)];
          if (dst.selection)
            dst.selection.get()[size_t(y) * dw + size_t(x)] = src.selection.get()[size_t(oy) * sw + size_t(ox)];
        }
      }
    }
    const int32_t pct = int32_t(int64_t(tx / kTile) * 100 / tileColumns);
    dst.info.progress = pct;
    statusProgress(pct);
  }
}

// A quarter turn pixel by pixel through remap. Stored rows are bottom-up: turning right,
// new(x, y) = old(W - 1 - y, x); turning left, new(x, y) = old(y, H - 1 - x).
void remapQuarter(const Image& src, Image& dst, bool right) {
  const int32_t W = src.width(), H = src.height();
  if (right) {
    remap(src, dst, [W](int32_t x, int32_t y) { return std::pair{W - 1 - y, x}; });
  } else {
    remap(src, dst, [H](int32_t x, int32_t y) { return std::pair{y, H - 1 - x}; });
  }
}

// Destination columns x0 .. x1 of rows y0 .. y1 of a quarter turn, pixel by pixel: the
// stripes at the right and bottom edges that the 8 x 8 blocks leave, and the tiles below.
template <size_t B>
void turnRect(const TurnPlane& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  const ptrdiff_t step = t.right ? ptrdiff_t(t.srcStride) : -ptrdiff_t(t.srcStride);
  const uint8_t* firstRow = t.src + size_t(t.right ? x0 : t.srcH - 1 - x0) * t.srcStride;
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* p = firstRow + size_t(t.right ? t.srcW - 1 - y : y) * B;
    uint8_t* q = t.dst + size_t(y) * t.dstStride + size_t(x0) * B;
    for (int32_t x = x0; x < x1; ++x, p += step, q += B) std::memcpy(q, p, B);
  }
}

// One byte plane (pixels of B bytes) turned a quarter, where the processor lacks the block
// instructions: destination row y is source column `right ? W - 1 - y : y`, read from source
// row x upwards (right) or H - 1 - x downwards (left). Within a 64 x 64 tile the source rows
// stay in the first-level cache, so each destination row is a run of fixed-step reads and
// sequential writes.
template <size_t B>
void turnPlane(const TurnPlane& t, Image* progressOf) {
  const int32_t w = t.srcH, h = t.srcW;  // destination size
  const int32_t tileColumns = (w + kTile - 1) / kTile;
  for (int32_t tx = 0; tx < w; tx += kTile) {
    const int32_t txEnd = std::min(tx + kTile, w);
    for (int32_t ty = 0; ty < h; ty += kTile) turnRect<B>(t, tx, txEnd, ty, std::min(ty + kTile, h));
    if (progressOf) {
      const int32_t pct = int32_t(int64_t(tx / kTile) * 100 / tileColumns);
      progressOf->info.progress = pct;
      statusProgress(pct);
    }
  }
}

void reportTurn(void* img, int32_t pct) {
  static_cast<Image*>(img)->info.progress = pct;
  statusProgress(pct);
}

// One plane through the 8 x 8 blocks and the edge stripes; the tiles where the processor
// lacks the block instructions.
template <size_t B>
void turnPlaneFast(const TurnPlane& t, Image* progressOf) {
  if (!turnWholeBlocks(t, int(B), progressOf ? reportTurn : nullptr, progressOf)) {
    turnPlane<B>(t, progressOf);
    return;
  }
  const int32_t w = t.srcH, h = t.srcW, w8 = w / 8 * 8, h8 = h / 8 * 8;
  turnRect<B>(t, w8, w, 0, h);
  turnRect<B>(t, 0, w8, h8, h);
}

// Quarter turn of pixels, alpha and selection into `dst` (already shaped H x W).
void turnQuarter(const Image& src, Image& dst, bool right) {
  const int32_t W = src.width(), H = src.height();
  if (src.depth() < 8) {
    remapQuarter(src, dst, right);
    return;
  }
  const TurnPlane pixels{src.bits(), src.stride(), W, H, dst.bits(), dst.stride(), right};
  if (src.depth() == 24) {
    turnPlaneFast<3>(pixels, &dst);
  } else {
    turnPlaneFast<1>(pixels, &dst);
  }
  if (src.alpha && dst.alpha)
    turnPlaneFast<1>({src.alpha.get(), size_t(W), W, H, dst.alpha.get(), size_t(H), right}, nullptr);
  if (src.selection && dst.selection)
    turnPlaneFast<1>({src.selection.get(), size_t(W), W, H, dst.selection.get(), size_t(H), right}, nullptr);
}

// The selection box follows the picture: its corners go through the same mapping.
template <typename Map>
ZvRect turnBox(ZvRect r, Map toNew) {
  if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) return r;
  const auto [x0, y0] = toNew(r.left, r.top);
  const auto [x1, y1] = toNew(r.right, r.bottom);
  const bool topAbove = r.top >= r.bottom;
  ZvRect out;
  out.left = std::min(x0, x1);
  out.right = std::max(x0, x1);
  out.top = topAbove ? std::max(y0, y1) : std::min(y0, y1);
  out.bottom = topAbove ? std::min(y0, y1) : std::max(y0, y1);
  return out;
}

bool finish(Image& self, Image* dst, ImagePtr tmp) {
  Image& target = dst && dst != &self ? *dst : self;
  target.transfer(*tmp, false);
  statusEnd();
  return true;
}

}  // namespace

bool Image::rotateLeft(Image* dst) {
  if (!valid()) return false;
  const int32_t W = width(), H = height();
  ImagePtr tmp = turnedCopy(*this, H, W);
  if (!tmp) return false;
  statusBegin(u"旋转处理");
  // Stored rows are bottom-up: new(x, y) = old(y, H - 1 - x).
  turnQuarter(*this, *tmp, false);
  tmp->info.selectionBox = turnBox(info.selectionBox, [H](int32_t x, int32_t y) { return std::pair{H - 1 - y, x}; });
  return finish(*this, dst, std::move(tmp));
}

bool Image::rotateRight(Image* dst) {
  if (!valid()) return false;
  const int32_t W = width(), H = height();
  ImagePtr tmp = turnedCopy(*this, H, W);
  if (!tmp) return false;
  statusBegin(u"旋转处理");
  // Stored rows are bottom-up: new(x, y) = old(W - 1 - y, x).
  turnQuarter(*this, *tmp, true);
  tmp->info.selectionBox = turnBox(info.selectionBox, [W](int32_t x, int32_t y) { return std::pair{y, W - 1 - x}; });
  return finish(*this, dst, std::move(tmp));
}

bool turnByPixels(Image& self, Image& dst, bool right) {
  if (!self.valid()) return false;
  const int32_t W = self.width(), H = self.height();
  ImagePtr tmp = turnedCopy(self, H, W);
  if (!tmp) return false;
  remapQuarter(self, *tmp, right);
  dst.transfer(*tmp, false);
  return true;
}

bool Image::rotate180(Image* dst) {
  if (!valid()) return false;
  const int32_t W = width(), H = height();
  ImagePtr tmp = turnedCopy(*this, W, H);
  if (!tmp) return false;
  statusBegin(u"旋转处理");
  const size_t w = size_t(W);
  for (int32_t y = 0; y < H; ++y) {
    const int32_t oy = H - 1 - y;
    const uint8_t* in = row(oy);
    uint8_t* out = tmp->row(y);
    if (depth() == 24) {
      for (size_t x = 0; x < w; ++x) std::memcpy(out + x * 3, in + (w - 1 - x) * 3, 3);
    } else if (depth() == 8) {
      std::reverse_copy(in, in + w, out);
    } else {
      for (int32_t x = 0; x < W; ++x) tmp->setPixelIndex(x, y, pixelIndex(W - 1 - x, oy));
    }
    if (alpha) std::reverse_copy(alphaRow(oy), alphaRow(oy) + w, tmp->alphaRow(y));
    if (selection) {
      const uint8_t* s = selection.get() + size_t(oy) * w;
      std::reverse_copy(s, s + w, tmp->selection.get() + size_t(y) * w);
    }
    const int32_t pct = int32_t(int64_t(y) * 100 / H);
    tmp->info.progress = pct;
    statusProgress(pct);
  }
  tmp->info.selectionBox =
      turnBox(info.selectionBox, [W, H](int32_t x, int32_t y) { return std::pair{W - 1 - x, H - 1 - y}; });
  return finish(*this, dst, std::move(tmp));
}

namespace {

void flipPlane(uint8_t* plane, size_t rowBytes, int32_t rows, uint8_t* scratch) {
  for (int32_t k = 0; k < rows / 2; ++k) {
    uint8_t* a = plane + size_t(k) * rowBytes;
    uint8_t* b = plane + size_t(rows - 1 - k) * rowBytes;
    std::memcpy(scratch, a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, scratch, rowBytes);
  }
}

}  // namespace

bool Image::flip(bool flipSel, bool flipAlpha) {
  if (!valid()) return false;
  MallocPtr scratch = mallocBytes(std::max<size_t>(stride(), size_t(width())));
  if (!scratch) return false;
  flipPlane(bits(), stride(), height(), scratch.get());
  if (flipSel && selection) flipPlane(selection.get(), size_t(width()), height(), scratch.get());
  if (flipAlpha && alpha) flipPlane(alpha.get(), size_t(width()), height(), scratch.get());
  return true;
}

bool Image::mirror(bool mirrorSel, bool mirrorAlpha) {
  if (!valid()) return false;
  ImagePtr tmp = make(info.type, kind);
  if (!tmp) return false;
  tmp->copy(*this, false, true, true, false);
  if (!tmp->valid()) return false;
  const int32_t W = width();
  const size_t w = size_t(W);
  for (int32_t y = 0; y < height(); ++y) {
    const uint8_t* in = row(y);
    uint8_t* out = tmp->row(y);
    if (depth() == 24) {
      for (size_t x = 0; x < w; ++x) std::memcpy(out + x * 3, in + (w - 1 - x) * 3, 3);
    } else if (depth() == 8) {
      std::reverse_copy(in, in + w, out);
    } else {
      for (int32_t x = 0; x < W; ++x) tmp->setPixelIndex(x, y, pixelIndex(W - 1 - x, y));
    }
  }
  auto mirrorPlane = [&](uint8_t* plane) {
    for (int32_t y = 0; y < height(); ++y) std::reverse(plane + size_t(y) * w, plane + size_t(y + 1) * w);
  };
  if (mirrorSel && tmp->selection) mirrorPlane(tmp->selection.get());
  if (mirrorAlpha && tmp->alpha) mirrorPlane(tmp->alpha.get());
  transfer(*tmp, false);
  return true;
}

}  // namespace zelvo

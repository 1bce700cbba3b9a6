// The image object's state: construction, the pixel block, copies and moves, palette
// and pixel access. Everything here stays inside the object; nothing throws.
#include "Image.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace zelvo {

namespace {

constexpr size_t kHeaderSize = sizeof(ZvBitmapInfoHeader);

uint32_t roundedDepth(uint32_t bpp) {
  if (bpp <= 1) return 1;
  if (bpp <= 4) return 4;
  if (bpp <= 8) return 8;
  return 24;
}

int32_t pelsPerMetre(int32_t dpi) { return int32_t(std::floor(dpi * 39.37007874015748 + 0.5)); }

bool sameColor(ZvRGBQuad a, ZvRGBQuad b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red && a.reserved == b.reserved;
}

}  // namespace

void ImageDeleter::operator()(Image* img) const noexcept { delete img; }

Image::Image(uint32_t type, ImageKind k) : ZvImage{imageOps()}, kind(k) { info.type = type; }

Image::~Image() {
  destroyFrames();
  destroyPixels();
}

ImagePtr Image::make(uint32_t type, ImageKind kind) {
  return ImagePtr(new (std::nothrow) Image(type, kind));
}

ZvRGBQuad* Image::palette() const {
  if (!block || head.biClrUsed == 0) return nullptr;
  return reinterpret_cast<ZvRGBQuad*>(block.get() + kHeaderSize);
}

uint8_t* Image::bits() const {
  if (!block) return nullptr;
  return block.get() + kHeaderSize + size_t(head.biClrUsed) * sizeof(ZvRGBQuad);
}

void Image::setLastError(const char* text) {
  if (!text) text = "";
  std::strncpy(info.lastError, text, kLastErrorSize - 1);
  info.lastError[kLastErrorSize - 1] = '\0';
}

void Image::syncHeader() {
  if (block) std::memcpy(block.get(), &head, kHeaderSize);
}

void* Image::create(uint32_t w, uint32_t h, uint32_t bpp, uint32_t type, bool zeroPixels) {
  destroyPixels();
  if (w == 0 || h == 0) {
    setLastError("ZvImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  const uint32_t depth = roundedDepth(bpp);
  // 64-bit arithmetic: a 32-bit product can wrap below the limit.
  const uint64_t pixelBits = uint64_t(w) * uint64_t(h) * depth;
  if (w > uint32_t(INT32_MAX) || h > uint32_t(INT32_MAX) || (pixelBits & ~uint64_t(7)) > kMaxPixelBits) {
    setLastError("ZVIMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  const uint64_t stride64 = (uint64_t(w) * depth + 31) / 32 * 4;
  const uint64_t imageSize = stride64 * h;
  const uint32_t colors = depth == 24 ? 0u : (1u << depth);
  const uint64_t total = kHeaderSize + uint64_t(colors) * 4 + imageSize;
  // Zeroed unless the caller writes every pixel: one that reads before writing sees
  // black, never stale heap bytes.
  PixelBlock mem = allocPixels(size_t(total), zeroPixels);
  if (!mem) {
    setLastError("ZvImage::Create can't allocate memory");
    return nullptr;
  }
  head = {};
  head.biSize = kHeaderSize;
  head.biWidth = int32_t(w);
  head.biHeight = int32_t(h);
  head.biPlanes = 1;
  head.biBitCount = uint16_t(depth);
  head.biCompression = 0;
  head.biSizeImage = uint32_t(imageSize);
  head.biXPelsPerMeter = pelsPerMetre(info.xdpi);
  head.biYPelsPerMeter = pelsPerMetre(info.ydpi);
  head.biClrUsed = colors;
  head.biClrImportant = 0;
  info.stride = uint32_t(stride64);
  info.type = type;
  info.cacheValid = false;
  block = std::move(mem);
  if (!zeroPixels) {
    std::memset(block.get() + kHeaderSize, 0, size_t(colors) * 4);
    const size_t used = (size_t(w) * depth + 7) / 8;
    if (used < info.stride)
      for (uint32_t y = 0; y < h; ++y) std::memset(row(int32_t(y)) + used, 0, info.stride - used);
  }
  syncHeader();
  return block.get();
}

void Image::destroyPixels() {
  block.reset();
  selection.reset();
  alpha.reset();
  layers.clear();
  info.layerCount = 0;
  info.cacheValid = false;
}

void Image::destroyFrames() { frames.clear(); }

void Image::copy(const Image& src, bool pixels, bool sel, bool alphaPlane, bool copyFrames) {
  if (&src == this) return;
  if (!src.valid()) {
    destroyPixels();
    info = src.info;
    head = src.head;
    return;
  }
  info = src.info;
  if (!create(uint32_t(std::max(src.width(), 0)), uint32_t(std::max(src.height(), 0)), src.depth(),
              src.info.type, !pixels))
    return;
  if (pixels && src.valid()) {
    std::memcpy(block.get(), src.block.get(), size_t(getSize()));
  } else if (src.valid() && src.numColors()) {
    std::memcpy(palette(), src.palette(), src.numColors() * sizeof(ZvRGBQuad));
  }
  head = src.head;
  syncHeader();
  const size_t plane = size_t(width()) * size_t(height());
  if (sel && src.selection) {
    selection = mallocBytes(plane);
    if (selection) std::memcpy(selection.get(), src.selection.get(), plane);
  }
  if (alphaPlane && src.alpha) {
    alpha = mallocBytes(plane);
    if (alpha) std::memcpy(alpha.get(), src.alpha.get(), plane);
  }
  if (copyFrames && !src.frames.empty()) {
    destroyFrames();
    for (const auto& f : src.frames) {
      ImagePtr copyOf = make(f->info.type, f->kind);
      if (!copyOf) break;
      copyOf->copy(*f, true, false, true, false);
      if (!appendFrame(std::move(copyOf))) break;
    }
  }
}

bool Image::transfer(Image& src, bool takeFrames) {
  if (&src == this) return valid();
  destroyPixels();
  head = src.head;
  info = src.info;
  block = std::move(src.block);
  selection = std::move(src.selection);
  alpha = std::move(src.alpha);
  layers = std::move(src.layers);
  if (takeFrames) {
    destroyFrames();
    frames = std::move(src.frames);
  }
  const uint32_t srcType = src.info.type;
  src.head = {};
  src.info = ImageInfo{};
  src.info.type = srcType;
  src.layers.clear();
  if (takeFrames) src.frames.clear();
  return true;
}

bool Image::appendFrame(ImagePtr f) {
  if (!f || frames.size() >= kMaxFrames) return false;
  try {
    frames.push_back(std::move(f));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

uint32_t Image::getSize() const {
  if (!valid()) return 0;
  return uint32_t(kHeaderSize + head.biClrUsed * sizeof(ZvRGBQuad) + head.biSizeImage);
}

bool Image::allocAlpha(uint8_t fill) {
  if (!valid()) return false;
  if (alpha) return true;
  const size_t plane = size_t(width()) * size_t(height());
  alpha = mallocBytes(plane);
  if (!alpha) return false;
  std::memset(alpha.get(), fill, plane);
  return true;
}

bool Image::allocSelection(uint8_t fill) {
  if (!valid()) return false;
  if (selection) return true;
  const size_t plane = size_t(width()) * size_t(height());
  selection = mallocBytes(plane);
  if (!selection) return false;
  std::memset(selection.get(), fill, plane);
  return true;
}

// ---- palette ----

void Image::setPalette(const ZvRGBQuad* colors, uint32_t count) {
  ZvRGBQuad* pal = palette();
  if (!pal || !colors) return;
  std::memcpy(pal, colors, std::min(count, numColors()) * sizeof(ZvRGBQuad));
  info.cacheValid = false;
}

void Image::setGrayPalette() {
  ZvRGBQuad* pal = palette();
  if (!pal) return;
  const uint32_t n = numColors();
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t v = uint8_t(i * 255 / (n - 1));
    pal[i] = {v, v, v, 0};
  }
  info.cacheValid = false;
}

bool Image::isGray() const {
  const ZvRGBQuad* pal = palette();
  if (!pal) return false;
  for (uint32_t i = 0; i < numColors(); ++i)
    if (pal[i].blue != pal[i].green || pal[i].green != pal[i].red) return false;
  return true;
}

uint8_t Image::nearestIndex(ZvRGBQuad c) {
  const ZvRGBQuad* pal = palette();
  if (!pal) return 0;
  if (info.cacheValid && sameColor(info.cacheColor, c)) return info.cacheIndex;
  uint32_t n = numColors();
  if (head.biClrImportant != 0) n = std::min(n, head.biClrImportant);
  int32_t best = 200000;
  uint32_t bestIndex = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t db = int32_t(pal[i].blue) - c.blue;
    const int32_t dg = int32_t(pal[i].green) - c.green;
    const int32_t dr = int32_t(pal[i].red) - c.red;
    const int32_t d = db * db + dg * dg + dr * dr;
    if (d < best) {
      best = d;
      bestIndex = i;
      if (d == 0) break;
    }
  }
  info.cacheColor = c;
  info.cacheIndex = uint8_t(bestIndex);
  info.cacheValid = true;
  return uint8_t(bestIndex);
}

// ---- pixels ----

uint8_t Image::pixelIndex(int32_t x, int32_t y) const {
  if (!valid() || !inside(x, y) || numColors() == 0) return 0;
  const uint8_t* r = row(y);
  switch (depth()) {
    case 8: return r[x];
    case 4: return uint8_t((r[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
    case 1: return uint8_t((r[x >> 3] >> (7 - (x & 7))) & 0x01);
    default: return 0;
  }
}

void Image::setPixelIndex(int32_t x, int32_t y, uint8_t index) {
  if (!valid() || !inside(x, y) || numColors() == 0) return;
  uint8_t* r = row(y);
  switch (depth()) {
    case 8: r[x] = index; break;
    case 4: {
      const int shift = (x & 1) ? 0 : 4;
      r[x >> 1] = uint8_t((r[x >> 1] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
      break;
    }
    case 1: {
      const uint8_t mask = uint8_t(0x80 >> (x & 7));
      r[x >> 3] = (index & 1) ? uint8_t(r[x >> 3] | mask) : uint8_t(r[x >> 3] & ~mask);
      break;
    }
    default: break;
  }
}

ZvRGBQuad Image::pixelColor(int32_t x, int32_t y, bool withAlpha) const {
  ZvRGBQuad c = {0, 0, 0, 0};
  if (!valid() || !inside(x, y)) return c;
  if (const ZvRGBQuad* pal = palette()) {
    c = pal[pixelIndex(x, y)];
    if (!withAlpha || !info.paletteAlpha) c.reserved = 0;
  } else {
    const uint8_t* p = row(y) + size_t(x) * 3;
    c = {p[0], p[1], p[2], 0};
  }
  if (withAlpha && alpha) c.reserved = alphaRow(y)[x];
  return c;
}

void Image::setPixelColor(int32_t x, int32_t y, ZvRGBQuad c, bool setAlpha) {
  if (!valid() || !inside(x, y)) return;
  if (numColors()) {
    setPixelIndex(x, y, nearestIndex(c));
  } else {
    uint8_t* p = row(y) + size_t(x) * 3;
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
  }
  if (setAlpha && alpha) alphaRow(y)[x] = c.reserved;
}

uint8_t Image::pixelGray(int32_t x, int32_t y) const {
  const ZvRGBQuad c = pixelColor(x, y, false);
  return uint8_t((601 * c.green + 306 * c.red + 117 * c.blue) >> 10);
}

bool Image::transparentAt(int32_t x, int32_t y) const {
  if (!valid() || !inside(x, y)) return false;
  if (info.transIndex >= 0) {
    if (numColors()) {
      if (pixelIndex(x, y) == info.transIndex) return true;
    } else {
      ZvRGBQuad c = pixelColor(x, y, false);
      ZvRGBQuad t = info.transColor;
      t.reserved = 0;
      if (sameColor(c, t)) return true;
    }
  }
  return alpha && alphaRow(y)[x] == 0;
}

void Image::setDpi(int32_t x, int32_t y) {
  info.xdpi = x <= 0 ? 96 : x;
  info.ydpi = y <= 0 ? 96 : y;
  head.biXPelsPerMeter = pelsPerMetre(info.xdpi);
  head.biYPelsPerMeter = pelsPerMetre(info.ydpi);
  syncHeader();
}

bool Image::swapIndex(uint8_t a, uint8_t b) {
  ZvRGBQuad* pal = palette();
  if (!pal || a >= numColors() || b >= numColors()) return false;
  if (a == b) return true;
  std::swap(pal[a], pal[b]);
  for (int32_t y = 0; y < height(); ++y)
    for (int32_t x = 0; x < width(); ++x) {
      const uint8_t i = pixelIndex(x, y);
      if (i == a) setPixelIndex(x, y, b);
      else if (i == b) setPixelIndex(x, y, a);
    }
  info.cacheValid = false;
  return true;
}

Image* Image::frame(int32_t index) const {
  if (frames.empty()) return nullptr;
  if (index < 0) return frames.back().get();
  if (size_t(index) >= frames.size()) return nullptr;
  return frames[size_t(index)].get();
}

bool Image::createFrames(uint32_t count, uint32_t delay) {
  if (count == 0 || count > kMaxFrames) return false;
  destroyFrames();
  for (uint32_t n = 0; n < count; ++n) {
    ImagePtr f = make();
    if (!f) {
      destroyFrames();
      return false;
    }
    f->info.frameIndex = int32_t(n);
    f->info.frameDelay = int32_t(delay);
    if (!appendFrame(std::move(f))) {
      destroyFrames();
      return false;
    }
  }
  return true;
}

bool Image::setFrame(int32_t index, const Image& src) {
  if (index < 0 || size_t(index) > frames.size()) return false;
  ImagePtr f = make(src.info.type, src.kind);
  if (!f) return false;
  f->copy(src, true, true, true, false);
  if (size_t(index) == frames.size()) return appendFrame(std::move(f));
  frames[size_t(index)] = std::move(f);
  return true;
}

size_t Image::rawRowBytes() const { return (size_t(width()) * depth() + 7) / 8; }

bool Image::exportRaw(uint8_t* out, size_t capacity, bool topDown) const {
  if (!valid() || !out) return false;
  const size_t rowBytes = rawRowBytes();
  if (capacity / rowBytes < size_t(height())) return false;
  for (int32_t y = 0; y < height(); ++y) {
    const int32_t src = topDown ? height() - 1 - y : y;
    std::memcpy(out + size_t(y) * rowBytes, row(src), rowBytes);
  }
  return true;
}

bool Image::importRaw(const uint8_t* data, size_t size, bool topDown) {
  if (!valid() || !data) return false;
  const size_t rowBytes = rawRowBytes();
  if (size / rowBytes < size_t(height())) return false;
  for (int32_t y = 0; y < height(); ++y) {
    const int32_t dst = topDown ? height() - 1 - y : y;
    std::memcpy(row(dst), data + size_t(y) * rowBytes, rowBytes);
  }
  return true;
}

bool Image::setDecodeSizeHint(int32_t w, int32_t h) {
  if (valid()) return false;
  info.hintWidth = w;
  info.hintHeight = h;
  return true;
}

}  // namespace zelvo

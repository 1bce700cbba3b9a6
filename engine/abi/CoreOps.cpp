// Image-table slots for the destructor, creation, accessors, palette and pixels. Each thunk
// only forwards to zelvo::Image.
#include <cmath>
#include <cstring>

#include "abi/ImageOps.h"
#include "core/Image.h"

namespace zelvo {

namespace {

Image* I(ZvImage* s) { return Image::from(s); }

uint32_t codecWord(const Image& img, uint32_t format) {
  if (format == 0 || format >= uint32_t(kCodecWords)) format = img.info.type;
  return format < uint32_t(kCodecWords) ? format : uint32_t(kCodecWords);
}

void fillCreationOps(ZvImageOps& ops) {
  ops.Destroy = [](ZvImage* s, bool freeMemory) {
    if (!s) return;
    if (freeMemory) {
      ImageDeleter{}(I(s));
      return;
    }
    I(s)->destroyFrames();
    I(s)->destroyPixels();
  };
  ops.Create = [](ZvImage* s, uint32_t w, uint32_t h, uint32_t bpp, uint32_t type) {
    return I(s)->create(w, h, bpp, type);
  };
  ops.DestroyPixels = [](ZvImage* s) {
    I(s)->destroyPixels();
    return true;
  };
  ops.DestroyFrames = [](ZvImage* s) {
    I(s)->destroyFrames();
    return true;
  };
  ops.CopyInfo = [](ZvImage* s, const ZvImage* src) {
    if (src && src != s) I(s)->copyInfo(*Image::from(src));
  };
  ops.Copy = [](ZvImage* s, const ZvImage* src, bool pixels, bool sel, bool alpha, bool frames) {
    if (src) I(s)->copy(*Image::from(src), pixels, sel, alpha, frames);
  };
  ops.Transfer = [](ZvImage* s, ZvImage* src, bool takeFrames) {
    return src ? I(s)->transfer(*I(src), takeFrames) : false;
  };
  ops.GetPixelBlock = [](ZvImage* s) -> void* { return I(s)->block.get(); };
  ops.Alloc = [](ZvImage*, size_t bytes) -> void* { return std::malloc(bytes ? bytes : 1); };
  ops.Free = [](ZvImage*, void* p) { std::free(p); };
  ops.ExportRaw = [](ZvImage* s, uint8_t* out, size_t cap, bool topDown) {
    return I(s)->exportRaw(out, cap, topDown);
  };
  ops.ImportRaw = [](ZvImage* s, const uint8_t* data, size_t size, bool topDown) {
    return I(s)->importRaw(data, size, topDown);
  };
  ops.GetBits = [](ZvImage* s) { return I(s)->bits(); };
  ops.GetStride = [](ZvImage* s) { return I(s)->valid() ? I(s)->stride() : 0u; };
  ops.GetRow = [](ZvImage* s, int32_t y) -> uint8_t* {
    Image* img = I(s);
    if (!img->valid() || y < 0 || y >= img->height()) return nullptr;
    return img->row(y);
  };
  ops.GetSize = [](ZvImage* s) { return I(s)->getSize(); };
  ops.IsInside = [](ZvImage* s, int32_t x, int32_t y) { return I(s)->valid() && I(s)->inside(x, y); };
  ops.IsValid = [](ZvImage* s) { return I(s)->valid(); };
  // Ghost images are not reachable through this table: no object is ever one.
  ops.IsGhost = [](ZvImage*) { return false; };
}

// A header-only read (escape -1) leaves the size in the header without pixels; callers
// read it through these slots.
bool hasSize(const Image* img) { return img->valid() || img->info.escape == -1; }

void fillAttributeOps(ZvImageOps& ops) {
  ops.GetHeight = [](ZvImage* s) { return uint32_t(hasSize(I(s)) ? I(s)->height() : 0); };
  ops.GetWidth = [](ZvImage* s) { return uint32_t(hasSize(I(s)) ? I(s)->width() : 0); };
  ops.GetImageSize = [](ZvImage* s) { return I(s)->valid() ? I(s)->head.biSizeImage : 0u; };
  ops.GetNumColors = [](ZvImage* s) { return I(s)->valid() ? I(s)->numColors() : 0u; };
  ops.GetDepth = [](ZvImage* s) { return uint16_t(hasSize(I(s)) ? I(s)->depth() : 0); };
  ops.GetType = [](ZvImage* s) { return I(s)->info.type; };
  ops.GetLastError = [](ZvImage* s) -> const char* { return I(s)->lastError(); };
  ops.GetVersion = [](ZvImage*) -> const char* { return "zelvo 6.0"; };
  ops.SetLastError = [](ZvImage* s, const char* text) { I(s)->setLastError(text); };
  ops.GetFrameDelay = [](ZvImage* s) { return uint32_t(I(s)->info.frameDelay); };
  ops.SetFrameDelay = [](ZvImage* s, uint32_t d) { I(s)->info.frameDelay = int32_t(d); };
  ops.GetXOffset = [](ZvImage* s) { return I(s)->info.xOffset; };
  ops.GetYOffset = [](ZvImage* s) { return I(s)->info.yOffset; };
  ops.SetOffset = [](ZvImage* s, int32_t x, int32_t y) {
    I(s)->info.xOffset = x;
    I(s)->info.yOffset = y;
  };
  ops.GetJpegQuality = [](ZvImage* s) {
    const float q = I(s)->info.jpegQuality;
    return uint8_t(q <= 0.0f ? 0 : q >= 255.0f ? 255 : int(q + 0.5f));
  };
  ops.SetJpegQuality = [](ZvImage* s, uint8_t q) { I(s)->info.jpegQuality = float(q); };
  ops.GetJpegScale = [](ZvImage* s) { return I(s)->info.jpegScale; };
  ops.SetJpegScale = [](ZvImage* s, uint8_t v) { I(s)->info.jpegScale = v; };
  ops.GetFrameIndex = [](ZvImage* s) { return I(s)->info.frameIndex; };
  ops.SetFrameIndex = [](ZvImage* s, int32_t v) { I(s)->info.frameIndex = v; };
  ops.GetXDPI = [](ZvImage* s) { return I(s)->info.xdpi; };
  ops.GetYDPI = [](ZvImage* s) { return I(s)->info.ydpi; };
  ops.SetXDPI = [](ZvImage* s, int32_t v) { I(s)->setDpi(v, I(s)->info.ydpi); };
  ops.SetYDPI = [](ZvImage* s, int32_t v) { I(s)->setDpi(I(s)->info.xdpi, v); };
  ops.GetClrImportant = [](ZvImage* s) { return I(s)->head.biClrImportant; };
  ops.SetClrImportant = [](ZvImage* s, uint32_t n) {
    Image* img = I(s);
    img->head.biClrImportant = n > img->numColors() ? 0 : n;
    img->info.cacheValid = false;
    img->syncHeader();
  };
  ops.GetProgress = [](ZvImage* s) { return I(s)->info.progress; };
  ops.SetProgress = [](ZvImage* s, int32_t v) { I(s)->info.progress = v; };
  ops.GetEscape = [](ZvImage* s) { return I(s)->info.escape; };
  ops.SetEscape = [](ZvImage* s, int32_t v) { I(s)->info.escape = v; };
  ops.GetTransIndex = [](ZvImage* s) { return I(s)->info.transIndex; };
  ops.SetTransIndex = [](ZvImage* s, int32_t v) { I(s)->info.transIndex = v < 0 ? -1 : v; };
  ops.GetTransColor = [](ZvImage* s) { return I(s)->info.transColor; };
  ops.SetTransColor = [](ZvImage* s, ZvRGBQuad c) { I(s)->info.transColor = c; };
  ops.IsTransparentAt = [](ZvImage* s, int32_t x, int32_t y) { return I(s)->transparentAt(x, y); };
  ops.IsTransparent = [](ZvImage* s) { return I(s)->info.transIndex >= 0; };
  ops.GetCodecOption = [](ZvImage* s, uint32_t format) {
    const uint32_t w = codecWord(*I(s), format);
    return w < uint32_t(kCodecWords) ? I(s)->info.codecOptions[w] : 0u;
  };
  ops.SetCodecOption = [](ZvImage* s, uint32_t option, uint32_t format) {
    const uint32_t w = codecWord(*I(s), format);
    if (w >= uint32_t(kCodecWords)) return false;
    I(s)->info.codecOptions[w] = option;
    return true;
  };
  ops.GetFlags = [](ZvImage* s) { return I(s)->info.flags; };
  ops.SetFlags = [](ZvImage* s, uint32_t f) { I(s)->info.flags = f; };
  ops.GetLoadAllFrames = [](ZvImage* s) { return I(s)->info.loadAllFrames; };
  ops.SetLoadAllFrames = [](ZvImage* s, bool v) { I(s)->info.loadAllFrames = v; };
  ops.GetFrame = [](ZvImage* s, int32_t index) -> ZvImage* { return I(s)->frame(index); };
  ops.GetFrameCount = [](ZvImage* s) { return int32_t(I(s)->frames.size()); };
  ops.SetFrame = [](ZvImage* s, int32_t index, ZvImage* f) {
    return f && f != s ? I(s)->setFrame(index, *I(f)) : false;
  };
  ops.CreateFrames = [](ZvImage* s, uint32_t count, uint32_t delay) {
    return I(s)->createFrames(count, delay);
  };
  ops.IsGrayScale = [](ZvImage* s) { return I(s)->isGray(); };
  ops.IsIndexed = [](ZvImage* s) { return I(s)->palette() != nullptr; };
}

void fillPixelOps(ZvImageOps& ops) {
  ops.GetPalette = [](ZvImage* s) { return I(s)->palette(); };
  ops.GetPaletteSize = [](ZvImage* s) {
    return I(s)->palette() ? uint32_t(I(s)->numColors() * sizeof(ZvRGBQuad)) : 0u;
  };
  ops.GetPaletteColor = [](ZvImage* s, uint8_t index) {
    const ZvRGBQuad* pal = I(s)->palette();
    return pal && index < I(s)->numColors() ? pal[index] : ZvRGBQuad{0, 0, 0, 0};
  };
  ops.SetPaletteColor = [](ZvImage* s, uint8_t index, ZvRGBQuad c) {
    ZvRGBQuad* pal = I(s)->palette();
    if (!pal || index >= I(s)->numColors()) return false;
    pal[index] = c;
    I(s)->info.cacheValid = false;
    return true;
  };
  ops.SetPalette = [](ZvImage* s, const ZvRGBQuad* colors, uint32_t count) {
    I(s)->setPalette(colors, count);
  };
  ops.SetGrayPalette = [](ZvImage* s) { I(s)->setGrayPalette(); };
  ops.GetNearestIndex = [](ZvImage* s, ZvRGBQuad c) { return I(s)->nearestIndex(c); };
  ops.SwapIndex = [](ZvImage* s, uint8_t a, uint8_t b) { return I(s)->swapIndex(a, b); };
  ops.GetPixelIndex = [](ZvImage* s, int32_t x, int32_t y) { return I(s)->pixelIndex(x, y); };
  ops.GetPixelColor = [](ZvImage* s, int32_t x, int32_t y, bool withAlpha) {
    return I(s)->pixelColor(x, y, withAlpha);
  };
  ops.GetPixelGray = [](ZvImage* s, int32_t x, int32_t y) { return I(s)->pixelGray(x, y); };
  ops.SetPixelIndex = [](ZvImage* s, int32_t x, int32_t y, uint8_t i) { I(s)->setPixelIndex(x, y, i); };
  ops.SetPixelColor = [](ZvImage* s, int32_t x, int32_t y, ZvRGBQuad c, bool setAlpha) {
    I(s)->setPixelColor(x, y, c, setAlpha);
  };
}

}  // namespace

void fillCoreOps(ZvImageOps& ops) {
  fillCreationOps(ops);
  fillAttributeOps(ops);
  fillPixelOps(ops);
}

}  // namespace zelvo

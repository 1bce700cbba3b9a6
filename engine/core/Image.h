// The engine's image object: the state behind the ZvImage operation table, and the C++
// operations every engine module uses. The table (engine/abi) only forwards here; reading
// and writing files lives in engine/formats/Dispatch.h.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "PixelMemory.h"
#include "zelvo.h"

namespace zelvo {

struct Image;
class StreamRef;

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
// Buffers the engine allocates with malloc so that a failed allocation is a result, not a throw.
using MallocPtr = std::unique_ptr<uint8_t, FreeDeleter>;
inline MallocPtr mallocBytes(size_t n) { return MallocPtr(static_cast<uint8_t*>(std::malloc(n ? n : 1))); }

struct ImageDeleter {
  void operator()(Image* img) const noexcept;
};
using ImagePtr = std::unique_ptr<Image, ImageDeleter>;

// Which class the object was made as (export a): only the destructor and the format state differ.
enum class ImageKind : uint8_t { Plain, Jpeg, Gif, Raw };

// The largest picture Create accepts: 300 MiB of pixel data.
constexpr uint64_t kMaxPixelBits = 2516582400ull;
constexpr uint64_t kMaxPixelBytes = kMaxPixelBits / 8;
constexpr int kLastErrorSize = 256;
constexpr int kCodecWords = ZV_TYPE_COUNT;
// Frame arrays beyond this are refused: a hostile count must not allocate without bound.
constexpr size_t kMaxFrames = 65535;

// Extended information: plain data, copied as a whole by Copy and CopyInfo and moved by
// Transfer. Defaults as for a freshly constructed object.
struct ImageInfo {
  uint32_t stride = 0;
  uint32_t type = 0;
  char lastError[kLastErrorSize] = {};
  int32_t progress = 0;
  int32_t escape = 0;
  int32_t transIndex = -1;
  ZvRGBQuad transColor = {0, 0, 0, 0};
  float jpegQuality = 90.0f;
  uint8_t jpegScale = 0;
  int32_t frameIndex = 0;
  int32_t frameDelay = 0;
  int32_t xdpi = 96;
  int32_t ydpi = 96;
  ZvRect selectionBox = {0, 0, 0, 0};
  uint8_t alphaLimit = 0;
  bool paletteAlpha = true;
  int32_t xOffset = 0;
  int32_t yOffset = 0;
  uint32_t codecOptions[kCodecWords] = {0, 0, 0, ZV_JPEG_UPRIGHT};
  // Nearest-colour cache of the palette search; changing the palette clears `cacheValid`.
  ZvRGBQuad cacheColor = {0, 0, 0, 0};
  uint8_t cacheIndex = 0;
  bool cacheValid = false;
  int32_t layerCount = 0;
  uint32_t flags = 0;
  uint8_t disposal = 0;
  bool loadAllFrames = false;
  bool littleEndian = true;
  // GIF writer fields.
  int32_t loops = 0;
  char comment[256] = {};
  // Decode size hint (0 = none) and the stretch mode used when drawing.
  int32_t hintWidth = 0;
  int32_t hintHeight = 0;
  bool stretchHalftone = true;
};

struct Image : ZvImage {
  explicit Image(uint32_t type = 0, ImageKind kind = ImageKind::Plain);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  ImageKind kind = ImageKind::Plain;
  PixelBlock block;  // 40-byte header, palette, rows (bottom-up, padded to 4 bytes)
  ZvBitmapInfoHeader head = {};
  ImageInfo info;
  MallocPtr selection;  // width * height bytes or null
  MallocPtr alpha;      // width * height bytes, bottom-up, or null
  std::vector<ImagePtr> layers;
  std::vector<ImagePtr> frames;
  // JPEG state: the APP1 "Exif" payload of the last JPEG decode and its orientation (0 = none).
  std::vector<uint8_t> exif;
  int32_t exifOrientation = 0;
  ZvProgressCallback progressCallback = nullptr;
  void* progressUser = nullptr;

  static Image* from(ZvImage* p) { return static_cast<Image*>(p); }
  static const Image* from(const ZvImage* p) { return static_cast<const Image*>(p); }
  static ImagePtr make(uint32_t type = 0, ImageKind kind = ImageKind::Plain);

  // ---- state ----
  bool valid() const { return block != nullptr; }
  int32_t width() const { return head.biWidth; }
  int32_t height() const { return head.biHeight; }
  uint16_t depth() const { return head.biBitCount; }
  uint32_t stride() const { return info.stride; }
  uint32_t numColors() const { return head.biClrUsed; }
  ZvRGBQuad* palette() const;  // null for 24-bit
  uint8_t* bits() const;       // first (bottom) row
  uint8_t* row(int32_t y) const { return bits() + size_t(y) * info.stride; }
  bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }
  uint8_t* alphaRow(int32_t y) const { return alpha.get() + size_t(y) * size_t(width()); }
  void setLastError(const char* text);
  const char* lastError() const { return info.lastError; }
  void setType(uint32_t type) { info.type = type; }
  // Header + palette + rows in bytes (0 when empty).
  uint32_t getSize() const;
  // Writes `head` back into the pixel block after a header field changed.
  void syncHeader();

  // ---- creation and moves ----
  // The pixels start zeroed (black) by default: decoders rely on it for rows a short file
  // never reaches. `zeroPixels` false: the rows hold stale bytes (their padding is cleared),
  // for callers that write every pixel anyway.
  void* create(uint32_t w, uint32_t h, uint32_t bpp, uint32_t type, bool zeroPixels = true);
  void destroyPixels();  // pixels, selection, alpha, layers
  void destroyFrames();
  void copyInfo(const Image& src) { info = src.info; }
  void copy(const Image& src, bool pixels, bool sel, bool alphaPlane, bool copyFrames);
  bool transfer(Image& src, bool takeFrames);
  bool allocAlpha(uint8_t fill = 255);  // gives the image an alpha plane, false when invalid
  bool allocSelection(uint8_t fill = 0);
  bool appendFrame(ImagePtr frame);  // false when the array is full or memory runs out
  bool setFrame(int32_t index, const Image& src);

  // ---- palette and pixels ----
  void setPalette(const ZvRGBQuad* colors, uint32_t count);
  void setGrayPalette();
  bool isGray() const;
  uint8_t nearestIndex(ZvRGBQuad c);  // with the one-entry cache
  uint8_t pixelIndex(int32_t x, int32_t y) const;
  void setPixelIndex(int32_t x, int32_t y, uint8_t index);
  ZvRGBQuad pixelColor(int32_t x, int32_t y, bool withAlpha = true) const;
  void setPixelColor(int32_t x, int32_t y, ZvRGBQuad c, bool setAlpha);
  bool transparentAt(int32_t x, int32_t y) const;
  uint8_t pixelGray(int32_t x, int32_t y) const;
  bool swapIndex(uint8_t a, uint8_t b);
  size_t rawRowBytes() const;
  bool exportRaw(uint8_t* out, size_t capacity, bool topDown) const;
  bool importRaw(const uint8_t* data, size_t size, bool topDown);
  void setDpi(int32_t x, int32_t y);

  // ---- core operations ----
  bool resampleInterpolated(int32_t w, int32_t h, int32_t method, int32_t overflow, Image* dst,
                            bool noAveraging);
  bool rotateLeft(Image* dst);
  bool rotateRight(Image* dst);
  bool rotate180(Image* dst);
  bool flip(bool flipSel, bool flipAlpha);
  bool mirror(bool mirrorSel, bool mirrorAlpha);
  bool increaseBpp(uint32_t bpp);
  bool decreaseBpp(uint32_t bpp, bool errorDiffusion, const ZvRGBQuad* pal, uint32_t important);
  void pasteAt(const Image& src, int32_t xOffset, int32_t yOffset);
  bool blendLayer(Image& src, int32_t op, ZvRect rect, ZvPoint offset, bool useSrcAlpha, bool topDown);
  bool fillColor(ZvRGBQuad c, const ZvRect* rect, bool setAlpha);
  bool createFrames(uint32_t count, uint32_t delay);
  Image* frame(int32_t index) const;
  ZlvHBITMAP toBitmapHandle(ZlvHDC dc, bool withAlpha) const;
  bool fromBitmapHandle(ZlvHBITMAP bitmap, ZlvHPALETTE pal, bool withAlpha);

  // Stores a decode size hint (0 = none) for the next decode; false once pixels exist.
  bool setDecodeSizeHint(int32_t w, int32_t h);
};

// The operation table every image carries. The ABI layer (engine/abi) assembles it; core
// only stores the pointer in each image it makes.
const ZvImageOps* imageOps();

// Process-wide progress slot of exports i, j, k; operations publish through these.
void statusBegin(const char16_t* name);
void statusProgress(int32_t percent);
void statusEnd();

}  // namespace zelvo

/* zelvo.h - the whole binary interface of the image engine libzelvo.
 *
 * The library exports seventeen plain C functions named a to q. Every object it hands
 * out starts with a pointer to its operation table; callers reach operation N as entry N
 * of that table. The positions are a contract: image objects 394 entries, stream
 * objects 14, frame templates (and the frame manager) 28. Entries named reservedN are
 * engine facilities without a contract; they exist so that the positions stay fixed.
 *
 * Whatever the engine creates, the engine destroys: release images, streams and the
 * objects of e and m through b/f/h/n, frame templates through the frame manager. */
#ifndef ZELVO_H
#define ZELVO_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#ifndef __cplusplus
#include <stdbool.h>
#include <uchar.h>
#endif

#include "zlvplatform.h"

#ifdef __cplusplus
#define ZV_STATIC_ASSERT static_assert
extern "C" {
#else
#define ZV_STATIC_ASSERT _Static_assert
#endif

#define ZV_SLOT(table, op, n) \
  ZV_STATIC_ASSERT(offsetof(struct table, op) == (n) * sizeof(void*), #op " sits at slot " #n)
#define ZV_TABLE_SIZE(table, n) \
  ZV_STATIC_ASSERT(sizeof(struct table) == (n) * sizeof(void*), #table " has " #n " entries")

/* ---- Plain types -------------------------------------------------------------------- */

/* Colour: blue, green, red, reserved (alpha). As a 32-bit integer: 0x00RRGGBB, alpha on top. */
typedef struct ZvRGBQuad {
  uint8_t blue, green, red, reserved;
} ZvRGBQuad;
ZV_STATIC_ASSERT(sizeof(ZvRGBQuad) == 4, "colour is 4 bytes");

typedef struct ZvRect {
  int32_t left, top, right, bottom;
} ZvRect;
ZV_STATIC_ASSERT(sizeof(ZvRect) == 16, "rectangle is 16 bytes");

typedef struct ZvPoint {
  int32_t x, y;
} ZvPoint;
ZV_STATIC_ASSERT(sizeof(ZvPoint) == 8, "point is 8 bytes");

typedef ZlvBitmapInfoHeader ZvBitmapInfoHeader;

/* Progress callback: percent done; returning 0 cancels. */
typedef int32_t (*ZvProgressCallback)(void* user, int32_t percent);

/* Format identifiers (the image type). */
enum ZvImageType {
  ZV_TYPE_UNKNOWN = 0, ZV_TYPE_BMP = 1, ZV_TYPE_GIF = 2, ZV_TYPE_JPG = 3, ZV_TYPE_PNG = 4,
  ZV_TYPE_ICO = 5, ZV_TYPE_TIF = 6, ZV_TYPE_TGA = 7, ZV_TYPE_PCX = 8, ZV_TYPE_WBMP = 9,
  ZV_TYPE_WMF = 10, ZV_TYPE_JP2 = 11, ZV_TYPE_JPC = 12, ZV_TYPE_PGX = 13, ZV_TYPE_PNM = 14,
  ZV_TYPE_RAS = 15, ZV_TYPE_JBG = 16, ZV_TYPE_MNG = 17, ZV_TYPE_SKA = 18, ZV_TYPE_RAW = 19,
  ZV_TYPE_PSD = 20, ZV_TYPE_LJY = 21, ZV_TYPE_COUNT = 22
};

/* JPEG codec option bits. */
enum {
  ZV_JPEG_BASELINE = 0x1, ZV_JPEG_ARITHMETIC = 0x2, ZV_JPEG_GRAYSCALE = 0x4,
  ZV_JPEG_OPTIMIZE = 0x8, ZV_JPEG_PROGRESSIVE = 0x10, ZV_JPEG_SMOOTHING = 0x40,
  ZV_JPEG_SUBSAMPLE_422 = 0x1000, ZV_JPEG_SUBSAMPLE_444 = 0x2000, ZV_JPEG_KEEP_EXIF = 0x4000,
  ZV_JPEG_UPRIGHT = 0x20000
};

/* Interpolation methods of ResampleInterpolated and Rotate. Only bilinear is built; other
   codes sample the nearest pixel. */
enum ZvInterpolation { ZV_INTERPOLATE_BILINEAR = 2 };

/* Overflow methods: how ResampleInterpolated and Rotate read neighbours outside the picture. */
enum ZvOverflow {
  ZV_OVERFLOW_COLOR = 1,       /* the replacement colour (white, alpha 0, when none is given) */
  ZV_OVERFLOW_BACKGROUND = 2,  /* the transparent colour, else the replacement colour */
  ZV_OVERFLOW_TRANSPARENT = 3, /* alpha 0 (with an alpha plane), else the transparent colour */
  ZV_OVERFLOW_WRAP = 4,        /* coordinates modulo width and height */
  ZV_OVERFLOW_REPEAT = 5,      /* the nearest edge pixel */
  ZV_OVERFLOW_MIRROR = 6       /* mirrored at the edges */
};

/* BlendLayer operations (s = source, d = this image). Codes 9 and 13 to 33 have no formula
   and are refused. */
enum ZvBlendOp {
  ZV_BLEND_ADD = 1,              /* s + d, saturating */
  ZV_BLEND_AND = 2,              /* s AND d */
  ZV_BLEND_XOR = 3,              /* s XOR d */
  ZV_BLEND_OR = 4,               /* s OR d */
  ZV_BLEND_BLACK_KEY = 5,        /* d, or this image's transparent colour where s is black */
  ZV_BLEND_UNDER = 6,            /* s where this image is transparent, else d */
  ZV_BLEND_OVER_OPAQUE = 7,      /* s where the source is not transparent, else d */
  ZV_BLEND_SUBTRACT = 8,         /* d - s, floored at 0 */
  ZV_BLEND_SOURCE_ALPHA = 10,    /* the source over this image by the source's alpha */
  ZV_BLEND_AVERAGE = 11,         /* (s + d) / 2 */
  ZV_BLEND_DEST_ALPHA = 12,      /* this image over the source by this image's alpha */
  ZV_BLEND_GREY_TO_ALPHA = 34,   /* d with the source's grey as alpha */
  ZV_BLEND_COPY = 35             /* s unchanged */
};

/* Frame template kinds. */
enum ZvTemplateType {
  ZV_TEMPLATE_NONE = 0, ZV_TEMPLATE_SKIN = 257, ZV_TEMPLATE_GIF = 258, ZV_TEMPLATE_QLF = 259,
  ZV_TEMPLATE_QLF2 = 260, ZV_TEMPLATE_MULTI = 261, ZV_TEMPLATE_QUIFRAME = 262,
  ZV_TEMPLATE_COLLAGE = 263, ZV_TEMPLATE_PICTURE = 264, ZV_TEMPLATE_DECORATION = 265,
  ZV_TEMPLATE_SKIN_KEYS = 272, ZV_TEMPLATE_ZOF = 274, ZV_TEMPLATE_PLUGIN = 275
};

typedef struct ZvImage ZvImage;
typedef struct ZvStream ZvStream;
typedef struct ZvFrameTemplate ZvFrameTemplate;
typedef struct ZvImageOps ZvImageOps;
typedef struct ZvStreamOps ZvStreamOps;
typedef struct ZvFrameOps ZvFrameOps;

struct ZvImage { const ZvImageOps* ops; };
struct ZvStream { const ZvStreamOps* ops; };
struct ZvFrameTemplate { const ZvFrameOps* ops; };

/* One photo place of a frame template; the picture is the caller's. right == 0: not fitted. */
typedef struct ZvPhotoEntry {
  ZvImage* picture;
  ZvRect crop;
} ZvPhotoEntry;

/* A table entry without a contract. Never call it. */
typedef uintptr_t (*ZvReservedOp)(void* self);

/* ---- Operation tables ------------------------------------------------------------------ */
/* BEGIN image table */
struct ZvImageOps {
  void (*Destroy)(ZvImage* self, bool freeMemory);  /* 0: destroys frames, then pixels, selection, alpha, layers; frees the object when set */
  void* (*Create)(ZvImage* self, uint32_t width, uint32_t height, uint32_t bpp, uint32_t type);  /* 1: new pixel block (header, zeroed palette, rows) or null */
  bool (*DestroyPixels)(ZvImage* self);  /* 2: frees pixels, selection, alpha plane and layers */
  bool (*DestroyFrames)(ZvImage* self);  /* 3: frees the frame array */
  void (*CopyInfo)(ZvImage* self, const ZvImage* source);  /* 4: copies the extended information (not the pixels) */
  void (*Copy)(ZvImage* self, const ZvImage* source, bool pixels, bool selection, bool alpha, bool frames);  /* 5 */
  bool (*Transfer)(ZvImage* self, ZvImage* source, bool takeFrames);  /* 6: moves the source picture in and empties the source */
  void* (*GetPixelBlock)(ZvImage* self);  /* 7: header + palette + rows, or null */
  void* (*Alloc)(ZvImage* self, size_t bytes);  /* 8: engine allocator (for buffers handed to the caller) */
  void (*Free)(ZvImage* self, void* block);  /* 9: frees what the engine handed out (EncodeMemory buffers) */
  bool (*ExportRaw)(ZvImage* self, uint8_t* out, size_t capacity, bool topDown);  /* 10: rows as stored (24-bit BGR or indexes), unpadded */
  bool (*ImportRaw)(ZvImage* self, const uint8_t* data, size_t size, bool topDown);  /* 11: the inverse of ExportRaw on a valid image */
  uint8_t* (*GetBits)(ZvImage* self);  /* 12: first (bottom) pixel row */
  uint32_t (*GetStride)(ZvImage* self);  /* 13: row stride in bytes */
  uint8_t* (*GetRow)(ZvImage* self, int32_t row);  /* 14: row 0 is the bottom row; null when invalid or row >= height */
  uint32_t (*GetSize)(ZvImage* self);  /* 15: header + palette + rows in bytes */
  bool (*IsInside)(ZvImage* self, int32_t x, int32_t y);  /* 16 */
  uint32_t (*GetHeight)(ZvImage* self);  /* 17 */
  uint32_t (*GetWidth)(ZvImage* self);  /* 18 */
  uint32_t (*GetImageSize)(ZvImage* self);  /* 19: bytes of pixel rows */
  uint32_t (*GetNumColors)(ZvImage* self);  /* 20: palette entries */
  uint16_t (*GetDepth)(ZvImage* self);  /* 21 */
  uint32_t (*GetType)(ZvImage* self);  /* 22 */
  const char* (*GetLastError)(ZvImage* self);  /* 23: 256-byte last-error text */
  const char* (*GetVersion)(ZvImage* self);  /* 24: engine version text */
  void (*SetLastError)(ZvImage* self, const char* text);  /* 25 */
  uint32_t (*GetFrameDelay)(ZvImage* self);  /* 26: hundredths of a second */
  void (*SetFrameDelay)(ZvImage* self, uint32_t delay);  /* 27 */
  int32_t (*GetXOffset)(ZvImage* self);  /* 28: GIF frame offset */
  int32_t (*GetYOffset)(ZvImage* self);  /* 29 */
  uint8_t (*GetJpegQuality)(ZvImage* self);  /* 30: rounded half up */
  void (*SetJpegQuality)(ZvImage* self, uint8_t quality);  /* 31 */
  uint8_t (*GetJpegScale)(ZvImage* self);  /* 32 */
  void (*SetJpegScale)(ZvImage* self, uint8_t scale);  /* 33 */
  void (*SetOffset)(ZvImage* self, int32_t x, int32_t y);  /* 34: GIF frame offset */
  int32_t (*GetFrameIndex)(ZvImage* self);  /* 35 */
  int32_t (*GetXDPI)(ZvImage* self);  /* 36 */
  int32_t (*GetYDPI)(ZvImage* self);  /* 37 */
  void (*SetXDPI)(ZvImage* self, int32_t dpi);  /* 38: <= 0 stores 96; also pixels per metre */
  void (*SetYDPI)(ZvImage* self, int32_t dpi);  /* 39 */
  uint32_t (*GetClrImportant)(ZvImage* self);  /* 40 */
  void (*SetClrImportant)(ZvImage* self, uint32_t count);  /* 41 */
  int32_t (*GetProgress)(ZvImage* self);  /* 42 */
  void (*SetProgress)(ZvImage* self, int32_t progress);  /* 43 */
  int32_t (*GetEscape)(ZvImage* self);  /* 44 */
  void (*SetEscape)(ZvImage* self, int32_t escape);  /* 45: -1 asks decoders for the header only */
  int32_t (*GetTransIndex)(ZvImage* self);  /* 46 */
  void (*SetTransIndex)(ZvImage* self, int32_t index);  /* 47: -1 = none */
  ZvRGBQuad (*GetTransColor)(ZvImage* self);  /* 48 */
  void (*SetTransColor)(ZvImage* self, ZvRGBQuad color);  /* 49 */
  bool (*IsTransparentAt)(ZvImage* self, int32_t x, int32_t y);  /* 50 */
  bool (*IsTransparent)(ZvImage* self);  /* 51: transparent index >= 0 */
  uint32_t (*GetCodecOption)(ZvImage* self, uint32_t format);  /* 52: 0 or an unsupported id: the image own type */
  bool (*SetCodecOption)(ZvImage* self, uint32_t option, uint32_t format);  /* 53 */
  uint32_t (*GetFlags)(ZvImage* self);  /* 54 */
  void (*SetFlags)(ZvImage* self, uint32_t flags);  /* 55 */
  uint8_t (*GetDisposalMethod)(ZvImage* self);  /* 56: GIF disposal method */
  void (*SetDisposalMethod)(ZvImage* self, uint8_t method);  /* 57 */
  uint32_t (*GetTypeIdFromName)(ZvImage* self, const char16_t* extension);  /* 58: extension lookup (first three characters, case ignored); 0 none */
  uint32_t (*GetNumTypes)(ZvImage* self);  /* 59: number of format identifiers (22) */
  int32_t (*GetLoops)(ZvImage* self);  /* 60: GIF loop count (0 = forever) */
  void (*SetLoops)(ZvImage* self, int32_t loops);  /* 61 */
  void (*SetComment)(ZvImage* self, const char* comment);  /* 62: GIF comment, at most 255 bytes kept */
  bool (*GetLoadAllFrames)(ZvImage* self);  /* 63 */
  void (*SetLoadAllFrames)(ZvImage* self, bool all);  /* 64 */
  const char* (*GetComment)(ZvImage* self);  /* 65 */
  ZvImage* (*GetFrame)(ZvImage* self, int32_t index);  /* 66: negative: the last frame; owned by this image */
  void (*SetFrameIndex)(ZvImage* self, int32_t index);  /* 67: frame (page) to load */
  bool (*IsGrayScale)(ZvImage* self);  /* 68: palette of greys */
  bool (*SetFrame)(ZvImage* self, int32_t index, ZvImage* frame);  /* 69: stores a copy of frame at index of the frame array */
  bool (*IsIndexed)(ZvImage* self);  /* 70 */
  ZvRGBQuad* (*GetPalette)(ZvImage* self);  /* 71 */
  uint32_t (*GetPaletteSize)(ZvImage* self);  /* 72: bytes */
  ZvRGBQuad (*GetPaletteColor)(ZvImage* self, uint8_t index);  /* 73 */
  bool (*SetPaletteColor)(ZvImage* self, uint8_t index, ZvRGBQuad color);  /* 74 */
  void (*SetPalette)(ZvImage* self, const ZvRGBQuad* colors, uint32_t count);  /* 75 */
  void (*SetGrayPalette)(ZvImage* self);  /* 76 */
  uint8_t (*GetNearestIndex)(ZvImage* self, ZvRGBQuad color);  /* 77: nearest palette index with the one-entry cache */
  bool (*SwapIndex)(ZvImage* self, uint8_t a, uint8_t b);  /* 78 */
  ZvReservedOp reserved79;
  ZvReservedOp reserved80;
  ZvReservedOp reserved81;
  ZvReservedOp reserved82;
  ZvReservedOp reserved83;
  ZvReservedOp reserved84;
  ZvReservedOp reserved85;
  ZvReservedOp reserved86;
  ZvReservedOp reserved87;
  ZvReservedOp reserved88;
  ZvReservedOp reserved89;
  uint8_t (*GetPixelIndex)(ZvImage* self, int32_t x, int32_t y);  /* 90 */
  ZvRGBQuad (*GetPixelColor)(ZvImage* self, int32_t x, int32_t y, bool withAlpha);  /* 91 */
  uint8_t (*GetPixelGray)(ZvImage* self, int32_t x, int32_t y);  /* 92 */
  void (*SetPixelIndex)(ZvImage* self, int32_t x, int32_t y, uint8_t index);  /* 93 */
  void (*SetPixelColor)(ZvImage* self, int32_t x, int32_t y, ZvRGBQuad color, bool setAlpha);  /* 94 */
  ZvReservedOp reserved95;
  ZvReservedOp reserved96;
  ZvReservedOp reserved97;
  ZvReservedOp reserved98;
  ZvReservedOp reserved99;
  ZvReservedOp reserved100;
  ZvReservedOp reserved101;
  ZvReservedOp reserved102;
  ZvReservedOp reserved103;
  ZvReservedOp reserved104;
  ZvReservedOp reserved105;
  ZvReservedOp reserved106;
  ZvReservedOp reserved107;
  ZvReservedOp reserved108;
  ZvReservedOp reserved109;
  ZvReservedOp reserved110;
  ZvReservedOp reserved111;
  ZvReservedOp reserved112;
  ZvReservedOp reserved113;
  ZvReservedOp reserved114;
  ZvReservedOp reserved115;
  ZvReservedOp reserved116;
  ZvReservedOp reserved117;
  ZvReservedOp reserved118;
  ZvReservedOp reserved119;
  ZvReservedOp reserved120;
  ZvReservedOp reserved121;
  ZvReservedOp reserved122;
  ZvReservedOp reserved123;
  ZvReservedOp reserved124;
  ZvReservedOp reserved125;
  ZlvHBITMAP (*ToBitmapHandle)(ZvImage* self, ZlvHDC dc, bool withAlpha);  /* 126: caller deletes the handle */
  ZvReservedOp reserved127;
  ZvReservedOp reserved128;
  bool (*FromBitmapHandle)(ZvImage* self, ZlvHBITMAP bitmap, ZlvHPALETTE palette, bool withAlpha);  /* 129 */
  ZvReservedOp reserved130;
  ZvReservedOp reserved131;
  ZvReservedOp reserved132;
  ZvReservedOp reserved133;
  ZvReservedOp reserved134;
  ZvReservedOp reserved135;
  ZvReservedOp reserved136;
  ZvReservedOp reserved137;
  ZvReservedOp reserved138;
  ZvReservedOp reserved139;
  ZvReservedOp reserved140;
  ZvReservedOp reserved141;
  bool (*LoadResource)(ZvImage* self, const uint8_t* data, uint32_t size, uint32_t type, void* module);  /* 142: a resource is a byte range here */
  bool (*Load)(ZvImage* self, const char16_t* path, uint32_t type);  /* 143: 0 = detect */
  bool (*DecodeMemory)(ZvImage* self, const uint8_t* buffer, uint32_t size, uint32_t type);  /* 144 */
  bool (*Decode)(ZvImage* self, ZvStream* stream, uint32_t type);  /* 145 */
  bool (*DecodeFile)(ZvImage* self, FILE* file, uint32_t type);  /* 146 */
  bool (*CheckFormatMemory)(ZvImage* self, const uint8_t* buffer, uint32_t size, uint32_t type);  /* 147 */
  bool (*CheckFormat)(ZvImage* self, ZvStream* stream, uint32_t type);  /* 148 */
  bool (*Save)(ZvImage* self, const char16_t* path, uint32_t type);  /* 149 */
  bool (*EncodeMemory)(ZvImage* self, uint8_t** buffer, int32_t* size, uint32_t type);  /* 150: *buffer must be null; free with Free (slot 9) */
  bool (*EncodeFramesFile)(ZvImage* self, FILE* file, ZvImage** images, int32_t count, uint32_t type);  /* 151: TIFF, GIF and icon only */
  bool (*EncodeFrames)(ZvImage* self, ZvStream* stream, ZvImage** images, int32_t count, uint32_t type);  /* 152 */
  bool (*Encode)(ZvImage* self, ZvStream* stream, uint32_t type);  /* 153 */
  bool (*EncodeFile)(ZvImage* self, FILE* file, uint32_t type);  /* 154 */
  ZvReservedOp reserved155;
  ZvReservedOp reserved156;
  bool (*IsValid)(ZvImage* self);  /* 157 */
  bool (*IsGhost)(ZvImage* self);  /* 158 */
  ZvReservedOp reserved159;
  int32_t (*GetFrameCount)(ZvImage* self);  /* 160 */
  ZvReservedOp reserved161;
  ZvReservedOp reserved162;
  bool (*Flip)(ZvImage* self, bool flipSelection, bool flipAlpha);  /* 163 */
  bool (*Mirror)(ZvImage* self, bool mirrorSelection, bool mirrorAlpha);  /* 164 */
  ZvReservedOp reserved165;
  bool (*RotateLeft)(ZvImage* self, ZvImage* destination);  /* 166: null: in place */
  bool (*RotateRight)(ZvImage* self, ZvImage* destination);  /* 167 */
  ZvReservedOp reserved168;
  ZvReservedOp reserved169;
  bool (*Rotate180)(ZvImage* self, ZvImage* destination);  /* 170 */
  ZvReservedOp reserved171;
  bool (*ResampleInterpolated)(ZvImage* self, int32_t width, int32_t height, int32_t method, int32_t overflow, ZvImage* destination, bool noAveraging);  /* 172 */
  bool (*DecreaseBpp)(ZvImage* self, uint32_t bpp, bool errorDiffusion, const ZvRGBQuad* palette, uint32_t importantColors);  /* 173 */
  bool (*IncreaseBpp)(ZvImage* self, uint32_t bpp);  /* 174 */
  ZvReservedOp reserved175;
  ZvReservedOp reserved176;
  ZvReservedOp reserved177;
  ZvReservedOp reserved178;
  ZvReservedOp reserved179;
  ZvReservedOp reserved180;
  ZvReservedOp reserved181;
  ZvReservedOp reserved182;
  ZvReservedOp reserved183;
  ZvReservedOp reserved184;
  ZvReservedOp reserved185;
  ZvReservedOp reserved186;
  ZvReservedOp reserved187;
  ZvReservedOp reserved188;
  ZvReservedOp reserved189;
  bool (*CustomFilter)(ZvImage* self, const int32_t kernel[9], int32_t size, int32_t divisor, int32_t offset);  /* 190: 3 x 3 kernel rows from the top; sum / divisor + offset; divisor 0 = kernel sum */
  bool (*GaussianBlur)(ZvImage* self, float radius);  /* 191: reach in pixels (sigma = radius / 2) */
  bool (*Negative)(ZvImage* self);  /* 192 */
  bool (*GrayScale)(ZvImage* self);  /* 193: luminance into all channels (indexed: the palette) */
  bool (*Noise)(ZvImage* self, int32_t level);  /* 194: luminance noise +-level, same result every time */
  bool (*Splash)(ZvImage* self, int32_t radius);  /* 195: each pixel from a random neighbour within radius */
  bool (*Sketch)(ZvImage* self);  /* 196: pencil drawing in grey */
  bool (*SoftGlow)(ZvImage* self);  /* 197: screened with a blurred copy */
  bool (*Posterize)(ZvImage* self, int32_t bits);  /* 198: bits kept per channel, 1..8 */
  bool (*Rotate)(ZvImage* self, float angle, int32_t method, int32_t overflow, const ZvRGBQuad* fill, bool rightAngles, bool keepSize);  /* 199: counter-clockwise degrees; method 2 bilinear; overflow 3 transparent, 1 fill, 5 repeat; grows unless keepSize */
  ZvReservedOp reserved200;
  ZvReservedOp reserved201;
  ZvReservedOp reserved202;
  ZvReservedOp reserved203;
  ZvReservedOp reserved204;
  ZvReservedOp reserved205;
  ZvReservedOp reserved206;
  ZvReservedOp reserved207;
  ZvReservedOp reserved208;
  ZvReservedOp reserved209;
  ZvReservedOp reserved210;
  ZvReservedOp reserved211;
  ZvReservedOp reserved212;
  ZvReservedOp reserved213;
  void (*PasteAt)(ZvImage* self, const ZvImage* source, int32_t xOffset, int32_t yOffset);  /* 214: offsets from the bottom row */
  ZvReservedOp reserved215;
  ZvReservedOp reserved216;
  ZvReservedOp reserved217;
  ZvReservedOp reserved218;
  ZvReservedOp reserved219;
  ZvReservedOp reserved220;
  ZvReservedOp reserved221;
  ZvReservedOp reserved222;
  ZvReservedOp reserved223;
  ZvReservedOp reserved224;
  ZvReservedOp reserved225;
  ZvReservedOp reserved226;
  ZvReservedOp reserved227;
  ZvReservedOp reserved228;
  ZvReservedOp reserved229;
  ZvReservedOp reserved230;
  ZvReservedOp reserved231;
  ZvReservedOp reserved232;
  ZvReservedOp reserved233;
  ZvReservedOp reserved234;
  ZvReservedOp reserved235;
  ZvReservedOp reserved236;
  ZvReservedOp reserved237;
  ZvReservedOp reserved238;
  ZvReservedOp reserved239;
  ZvReservedOp reserved240;
  ZvReservedOp reserved241;
  ZvReservedOp reserved242;
  ZvReservedOp reserved243;
  ZvReservedOp reserved244;
  ZvReservedOp reserved245;
  ZvReservedOp reserved246;
  ZvReservedOp reserved247;
  ZvReservedOp reserved248;
  ZvReservedOp reserved249;
  ZvReservedOp reserved250;
  ZvReservedOp reserved251;
  ZvReservedOp reserved252;
  ZvReservedOp reserved253;
  ZvReservedOp reserved254;
  ZvReservedOp reserved255;
  ZvReservedOp reserved256;
  ZvReservedOp reserved257;
  ZvReservedOp reserved258;
  ZvReservedOp reserved259;
  ZvReservedOp reserved260;
  ZvReservedOp reserved261;
  ZvReservedOp reserved262;
  ZvReservedOp reserved263;
  ZvReservedOp reserved264;
  ZvReservedOp reserved265;
  ZvReservedOp reserved266;
  ZvReservedOp reserved267;
  ZvReservedOp reserved268;
  ZvReservedOp reserved269;
  ZvReservedOp reserved270;
  ZvReservedOp reserved271;
  ZvReservedOp reserved272;
  ZvReservedOp reserved273;
  ZvReservedOp reserved274;
  ZvReservedOp reserved275;
  ZvReservedOp reserved276;
  ZvReservedOp reserved277;
  ZvReservedOp reserved278;
  ZvReservedOp reserved279;
  ZvReservedOp reserved280;
  ZvReservedOp reserved281;
  ZvReservedOp reserved282;
  ZvReservedOp reserved283;
  ZvReservedOp reserved284;
  ZvReservedOp reserved285;
  ZvReservedOp reserved286;
  ZvReservedOp reserved287;
  ZvReservedOp reserved288;
  ZvReservedOp reserved289;
  ZvReservedOp reserved290;
  ZvReservedOp reserved291;
  ZvReservedOp reserved292;
  ZvReservedOp reserved293;
  ZvReservedOp reserved294;
  ZvReservedOp reserved295;
  ZvReservedOp reserved296;
  ZvReservedOp reserved297;
  ZvReservedOp reserved298;
  ZvReservedOp reserved299;
  ZvReservedOp reserved300;
  bool (*BlendLayer)(ZvImage* self, ZvImage* source, int32_t op, ZvRect sourceRect, ZvPoint offset, bool useSourceAlpha, bool topDown);  /* 301 */
  ZvReservedOp reserved302;
  bool (*FillColor)(ZvImage* self, ZvRGBQuad color, const ZvRect* rect, bool setAlpha);  /* 303: rect top-down, null = whole image */
  ZvReservedOp reserved304;
  ZvReservedOp reserved305;
  ZvReservedOp reserved306;
  ZvReservedOp reserved307;
  ZvReservedOp reserved308;
  ZvReservedOp reserved309;
  ZvReservedOp reserved310;
  ZvReservedOp reserved311;
  ZvReservedOp reserved312;
  ZvReservedOp reserved313;
  ZvReservedOp reserved314;
  ZvReservedOp reserved315;
  ZvReservedOp reserved316;
  ZvReservedOp reserved317;
  ZvReservedOp reserved318;
  ZvReservedOp reserved319;
  ZvReservedOp reserved320;
  ZvReservedOp reserved321;
  ZvReservedOp reserved322;
  ZvReservedOp reserved323;
  ZvReservedOp reserved324;
  ZvReservedOp reserved325;
  ZvReservedOp reserved326;
  bool (*CreateFrames)(ZvImage* self, uint32_t count, uint32_t delay);  /* 327 */
  ZvReservedOp reserved328;
  ZvReservedOp reserved329;
  ZvReservedOp reserved330;
  ZvReservedOp reserved331;
  ZvReservedOp reserved332;
  ZvReservedOp reserved333;
  ZvReservedOp reserved334;
  ZvReservedOp reserved335;
  ZvReservedOp reserved336;
  ZvReservedOp reserved337;
  ZvReservedOp reserved338;
  ZvReservedOp reserved339;
  bool (*ColorShift)(ZvImage* self, int32_t red, int32_t green, int32_t blue);  /* 340: added per channel */
  bool (*ToneAdjust)(ZvImage* self, int32_t red, int32_t green, int32_t blue, bool keepColor);  /* 341: duotone through the colour at mid grey; keepColor mixes half with the original */
  bool (*TonePreset)(ZvImage* self, int32_t value);  /* 342: tone of hue `value` degrees (23 = sepia); 0 = none */
  bool (*BrightnessContrast)(ZvImage* self, int32_t brightness, int32_t contrast);  /* 343: -255..255, -100..100 percent */
  bool (*Gamma)(ZvImage* self, float gamma);  /* 344: 1.0 = none; must be finite and > 0 */
  bool (*Solarize)(ZvImage* self, uint8_t threshold);  /* 345: channels above the threshold inverted */
  bool (*ColorStyle)(ZvImage* self, int32_t style);  /* 346: 0 sepia, 1 cool, 2 warm, 3 faded */
  bool (*RoundRectToAlpha)(ZvImage* self, ZvRect rect, int32_t ellipseWidth, int32_t ellipseHeight);  /* 347: outside the rounded rectangle (top-down) becomes transparent */
  bool (*DrawShadow)(ZvImage* self, ZvRect rect, float angle, int32_t softness, uint32_t color, int32_t strengthTenths, int32_t opacity256, int32_t dx, int32_t dy, int32_t cornerPercent);  /* 348: soft shadow of rect turned by angle; colour 0x00BBGGRR; colours only */
  ZvReservedOp reserved349;
  ZvReservedOp reserved350;
  ZvReservedOp reserved351;
  ZvReservedOp reserved352;
  ZvReservedOp reserved353;
  ZvReservedOp reserved354;
  ZvReservedOp reserved355;
  ZvReservedOp reserved356;
  ZvReservedOp reserved357;
  ZvReservedOp reserved358;
  ZvReservedOp reserved359;
  ZvReservedOp reserved360;
  ZvReservedOp reserved361;
  ZvReservedOp reserved362;
  ZvReservedOp reserved363;
  ZvReservedOp reserved364;
  ZvReservedOp reserved365;
  ZvReservedOp reserved366;
  ZvReservedOp reserved367;
  ZvReservedOp reserved368;
  ZvReservedOp reserved369;
  ZvReservedOp reserved370;
  ZvReservedOp reserved371;
  ZvReservedOp reserved372;
  ZvReservedOp reserved373;
  ZvReservedOp reserved374;
  ZvReservedOp reserved375;
  ZvReservedOp reserved376;
  bool (*SetDecodeSizeHint)(ZvImage* self, int32_t width, int32_t height);  /* 377: only on an image without pixels */
  bool (*LoadInfo)(ZvImage* self, const char16_t* path, uint32_t type);  /* 378: header only */
  void (*SetProgressCallback)(ZvImage* self, ZvProgressCallback callback, void* user);  /* 379 */
  ZvReservedOp reserved380;
  ZvReservedOp reserved381;
  ZvReservedOp reserved382;
  ZvReservedOp reserved383;
  ZvReservedOp reserved384;
  ZvReservedOp reserved385;
  ZvReservedOp reserved386;
  ZvReservedOp reserved387;
  ZvReservedOp reserved388;
  ZvReservedOp reserved389;
  ZvReservedOp reserved390;
  ZvReservedOp reserved391;
  ZvReservedOp reserved392;
  ZvReservedOp reserved393;
};
ZV_TABLE_SIZE(ZvImageOps, 394);
ZV_SLOT(ZvImageOps, Destroy, 0);
ZV_SLOT(ZvImageOps, Create, 1);
ZV_SLOT(ZvImageOps, DestroyPixels, 2);
ZV_SLOT(ZvImageOps, DestroyFrames, 3);
ZV_SLOT(ZvImageOps, CopyInfo, 4);
ZV_SLOT(ZvImageOps, Copy, 5);
ZV_SLOT(ZvImageOps, Transfer, 6);
ZV_SLOT(ZvImageOps, GetPixelBlock, 7);
ZV_SLOT(ZvImageOps, Alloc, 8);
ZV_SLOT(ZvImageOps, Free, 9);
ZV_SLOT(ZvImageOps, ExportRaw, 10);
ZV_SLOT(ZvImageOps, ImportRaw, 11);
ZV_SLOT(ZvImageOps, GetBits, 12);
ZV_SLOT(ZvImageOps, GetStride, 13);
ZV_SLOT(ZvImageOps, GetRow, 14);
ZV_SLOT(ZvImageOps, GetSize, 15);
ZV_SLOT(ZvImageOps, IsInside, 16);
ZV_SLOT(ZvImageOps, GetHeight, 17);
ZV_SLOT(ZvImageOps, GetWidth, 18);
ZV_SLOT(ZvImageOps, GetImageSize, 19);
ZV_SLOT(ZvImageOps, GetNumColors, 20);
ZV_SLOT(ZvImageOps, GetDepth, 21);
ZV_SLOT(ZvImageOps, GetType, 22);
ZV_SLOT(ZvImageOps, GetLastError, 23);
ZV_SLOT(ZvImageOps, GetVersion, 24);
ZV_SLOT(ZvImageOps, SetLastError, 25);
ZV_SLOT(ZvImageOps, GetFrameDelay, 26);
ZV_SLOT(ZvImageOps, SetFrameDelay, 27);
ZV_SLOT(ZvImageOps, GetXOffset, 28);
ZV_SLOT(ZvImageOps, GetYOffset, 29);
ZV_SLOT(ZvImageOps, GetJpegQuality, 30);
ZV_SLOT(ZvImageOps, SetJpegQuality, 31);
ZV_SLOT(ZvImageOps, GetJpegScale, 32);
ZV_SLOT(ZvImageOps, SetJpegScale, 33);
ZV_SLOT(ZvImageOps, SetOffset, 34);
ZV_SLOT(ZvImageOps, GetFrameIndex, 35);
ZV_SLOT(ZvImageOps, GetXDPI, 36);
ZV_SLOT(ZvImageOps, GetYDPI, 37);
ZV_SLOT(ZvImageOps, SetXDPI, 38);
ZV_SLOT(ZvImageOps, SetYDPI, 39);
ZV_SLOT(ZvImageOps, GetClrImportant, 40);
ZV_SLOT(ZvImageOps, SetClrImportant, 41);
ZV_SLOT(ZvImageOps, GetProgress, 42);
ZV_SLOT(ZvImageOps, SetProgress, 43);
ZV_SLOT(ZvImageOps, GetEscape, 44);
ZV_SLOT(ZvImageOps, SetEscape, 45);
ZV_SLOT(ZvImageOps, GetTransIndex, 46);
ZV_SLOT(ZvImageOps, SetTransIndex, 47);
ZV_SLOT(ZvImageOps, GetTransColor, 48);
ZV_SLOT(ZvImageOps, SetTransColor, 49);
ZV_SLOT(ZvImageOps, IsTransparentAt, 50);
ZV_SLOT(ZvImageOps, IsTransparent, 51);
ZV_SLOT(ZvImageOps, GetCodecOption, 52);
ZV_SLOT(ZvImageOps, SetCodecOption, 53);
ZV_SLOT(ZvImageOps, GetFlags, 54);
ZV_SLOT(ZvImageOps, SetFlags, 55);
ZV_SLOT(ZvImageOps, GetDisposalMethod, 56);
ZV_SLOT(ZvImageOps, SetDisposalMethod, 57);
ZV_SLOT(ZvImageOps, GetTypeIdFromName, 58);
ZV_SLOT(ZvImageOps, GetNumTypes, 59);
ZV_SLOT(ZvImageOps, GetLoops, 60);
ZV_SLOT(ZvImageOps, SetLoops, 61);
ZV_SLOT(ZvImageOps, SetComment, 62);
ZV_SLOT(ZvImageOps, GetLoadAllFrames, 63);
ZV_SLOT(ZvImageOps, SetLoadAllFrames, 64);
ZV_SLOT(ZvImageOps, GetComment, 65);
ZV_SLOT(ZvImageOps, GetFrame, 66);
ZV_SLOT(ZvImageOps, SetFrameIndex, 67);
ZV_SLOT(ZvImageOps, IsGrayScale, 68);
ZV_SLOT(ZvImageOps, SetFrame, 69);
ZV_SLOT(ZvImageOps, IsIndexed, 70);
ZV_SLOT(ZvImageOps, GetPalette, 71);
ZV_SLOT(ZvImageOps, GetPaletteSize, 72);
ZV_SLOT(ZvImageOps, GetPaletteColor, 73);
ZV_SLOT(ZvImageOps, SetPaletteColor, 74);
ZV_SLOT(ZvImageOps, SetPalette, 75);
ZV_SLOT(ZvImageOps, SetGrayPalette, 76);
ZV_SLOT(ZvImageOps, GetNearestIndex, 77);
ZV_SLOT(ZvImageOps, SwapIndex, 78);
ZV_SLOT(ZvImageOps, GetPixelIndex, 90);
ZV_SLOT(ZvImageOps, GetPixelColor, 91);
ZV_SLOT(ZvImageOps, GetPixelGray, 92);
ZV_SLOT(ZvImageOps, SetPixelIndex, 93);
ZV_SLOT(ZvImageOps, SetPixelColor, 94);
ZV_SLOT(ZvImageOps, ToBitmapHandle, 126);
ZV_SLOT(ZvImageOps, FromBitmapHandle, 129);
ZV_SLOT(ZvImageOps, LoadResource, 142);
ZV_SLOT(ZvImageOps, Load, 143);
ZV_SLOT(ZvImageOps, DecodeMemory, 144);
ZV_SLOT(ZvImageOps, Decode, 145);
ZV_SLOT(ZvImageOps, DecodeFile, 146);
ZV_SLOT(ZvImageOps, CheckFormatMemory, 147);
ZV_SLOT(ZvImageOps, CheckFormat, 148);
ZV_SLOT(ZvImageOps, Save, 149);
ZV_SLOT(ZvImageOps, EncodeMemory, 150);
ZV_SLOT(ZvImageOps, EncodeFramesFile, 151);
ZV_SLOT(ZvImageOps, EncodeFrames, 152);
ZV_SLOT(ZvImageOps, Encode, 153);
ZV_SLOT(ZvImageOps, EncodeFile, 154);
ZV_SLOT(ZvImageOps, IsValid, 157);
ZV_SLOT(ZvImageOps, IsGhost, 158);
ZV_SLOT(ZvImageOps, GetFrameCount, 160);
ZV_SLOT(ZvImageOps, Flip, 163);
ZV_SLOT(ZvImageOps, Mirror, 164);
ZV_SLOT(ZvImageOps, RotateLeft, 166);
ZV_SLOT(ZvImageOps, RotateRight, 167);
ZV_SLOT(ZvImageOps, Rotate180, 170);
ZV_SLOT(ZvImageOps, ResampleInterpolated, 172);
ZV_SLOT(ZvImageOps, DecreaseBpp, 173);
ZV_SLOT(ZvImageOps, IncreaseBpp, 174);
ZV_SLOT(ZvImageOps, PasteAt, 214);
ZV_SLOT(ZvImageOps, BlendLayer, 301);
ZV_SLOT(ZvImageOps, FillColor, 303);
ZV_SLOT(ZvImageOps, CreateFrames, 327);
ZV_SLOT(ZvImageOps, SetDecodeSizeHint, 377);
ZV_SLOT(ZvImageOps, LoadInfo, 378);
ZV_SLOT(ZvImageOps, SetProgressCallback, 379);
ZV_SLOT(ZvImageOps, CustomFilter, 190);
ZV_SLOT(ZvImageOps, GaussianBlur, 191);
ZV_SLOT(ZvImageOps, Negative, 192);
ZV_SLOT(ZvImageOps, GrayScale, 193);
ZV_SLOT(ZvImageOps, Noise, 194);
ZV_SLOT(ZvImageOps, Splash, 195);
ZV_SLOT(ZvImageOps, Sketch, 196);
ZV_SLOT(ZvImageOps, SoftGlow, 197);
ZV_SLOT(ZvImageOps, Posterize, 198);
ZV_SLOT(ZvImageOps, Rotate, 199);
ZV_SLOT(ZvImageOps, ColorShift, 340);
ZV_SLOT(ZvImageOps, ToneAdjust, 341);
ZV_SLOT(ZvImageOps, TonePreset, 342);
ZV_SLOT(ZvImageOps, BrightnessContrast, 343);
ZV_SLOT(ZvImageOps, Gamma, 344);
ZV_SLOT(ZvImageOps, Solarize, 345);
ZV_SLOT(ZvImageOps, ColorStyle, 346);
ZV_SLOT(ZvImageOps, RoundRectToAlpha, 347);
ZV_SLOT(ZvImageOps, DrawShadow, 348);
/* END image table */

struct ZvStreamOps {
  void (*Destroy)(ZvStream* self, bool freeMemory);  /* 0: closes first */
  bool (*Close)(ZvStream* self);  /* 1 */
  size_t (*Read)(ZvStream* self, void* buffer, size_t size, size_t count);  /* 2: whole elements read */
  size_t (*Write)(ZvStream* self, const void* buffer, size_t size, size_t count);  /* 3: count written, 0 on failure */
  bool (*Seek)(ZvStream* self, int64_t offset, int32_t origin);  /* 4: 0 start, 1 current, 2 end */
  int64_t (*Tell)(ZvStream* self);  /* 5: -1 when closed */
  int64_t (*Size)(ZvStream* self);  /* 6: -1 when closed */
  bool (*Flush)(ZvStream* self);  /* 7 */
  bool (*Eof)(ZvStream* self);  /* 8 */
  bool (*Error)(ZvStream* self);  /* 9 */
  bool (*PutC)(ZvStream* self, uint8_t byte);  /* 10 */
  int32_t (*GetC)(ZvStream* self);  /* 11: -1 at the end */
  char* (*GetS)(ZvStream* self, char* buffer, int32_t capacity);  /* 12: null at the end */
  int32_t (*Scanf)(ZvStream* self, const char* format, void* argument);  /* 13 */
};
ZV_TABLE_SIZE(ZvStreamOps, 14);
ZV_SLOT(ZvStreamOps, Destroy, 0);
ZV_SLOT(ZvStreamOps, Close, 1);
ZV_SLOT(ZvStreamOps, Read, 2);
ZV_SLOT(ZvStreamOps, Write, 3);
ZV_SLOT(ZvStreamOps, Seek, 4);
ZV_SLOT(ZvStreamOps, Tell, 5);
ZV_SLOT(ZvStreamOps, Size, 6);
ZV_SLOT(ZvStreamOps, Flush, 7);
ZV_SLOT(ZvStreamOps, Eof, 8);
ZV_SLOT(ZvStreamOps, Error, 9);
ZV_SLOT(ZvStreamOps, PutC, 10);
ZV_SLOT(ZvStreamOps, GetC, 11);
ZV_SLOT(ZvStreamOps, GetS, 12);
ZV_SLOT(ZvStreamOps, Scanf, 13);

struct ZvFrameOps {
  void (*Destroy)(ZvFrameTemplate* self, bool freeMemory);  /* 0 */
  bool (*Load)(ZvFrameTemplate* self, const char16_t* path);  /* 1: clears the error code first */
  bool (*Render)(ZvFrameTemplate* self, ZvImage* target);  /* 2 */
  void (*Reset)(ZvFrameTemplate* self);  /* 3: empties photo places, texts, frame picture; not loaded */
  int32_t (*Width)(ZvFrameTemplate* self);  /* 4 */
  int32_t (*Height)(ZvFrameTemplate* self);  /* 5 */
  int32_t (*WindowAt)(ZvFrameTemplate* self, int32_t x, int32_t y, ZvRect* out);  /* 6: window index or -1 */
  bool (*WindowRect)(ZvFrameTemplate* self, int32_t index, ZvRect* out);  /* 7 */
  ZvImage* (*FramePicture)(ZvFrameTemplate* self);  /* 8 */
  bool (*IsReady)(ZvFrameTemplate* self);  /* 9 */
  uint32_t (*GetType)(ZvFrameTemplate* self);  /* 10 */
  int32_t (*GetLastError)(ZvFrameTemplate* self);  /* 11 */
  char16_t* (*Text1)(ZvFrameTemplate* self);  /* 12: 100 units */
  char16_t* (*Text2)(ZvFrameTemplate* self);  /* 13: 100 units */
  int32_t (*AddPhoto)(ZvFrameTemplate* self, const ZvPhotoEntry* entry);  /* 14: place index or -1 */
  bool (*ClearPhoto)(ZvFrameTemplate* self, int32_t index);  /* 15 */
  void (*ClearAllPhotos)(ZvFrameTemplate* self);  /* 16 */
  ZvImage* (*GetPhoto)(ZvFrameTemplate* self, int32_t index, ZvRect** rect);  /* 17 */
  ZvPhotoEntry* (*PhotoPlace)(ZvFrameTemplate* self, int32_t index);  /* 18 */
  ZvPhotoEntry* (*LastPhotoPlace)(ZvFrameTemplate* self);  /* 19 */
  bool (*SetPhoto)(ZvFrameTemplate* self, int32_t index, const ZvPhotoEntry* entry);  /* 20 */
  int32_t (*PhotoCount)(ZvFrameTemplate* self);  /* 21 */
  int32_t (*WindowCount)(ZvFrameTemplate* self);  /* 22 */
  void (*SetValue64)(ZvFrameTemplate* self, uint32_t low, uint32_t high);  /* 23 */
  void (*ClearValue64)(ZvFrameTemplate* self);  /* 24 */
  uint32_t (*TypeFromExtension)(ZvFrameTemplate* self, const char16_t* extension);  /* 25: 0 = no template */
  ZvFrameTemplate* (*CreateTemplate)(ZvFrameTemplate* self, uint32_t type);  /* 26: null for numbers without a kind */
  void (*DestroyTemplate)(ZvFrameTemplate* self, ZvFrameTemplate* frameTemplate);  /* 27 */
};
ZV_TABLE_SIZE(ZvFrameOps, 28);
ZV_SLOT(ZvFrameOps, Destroy, 0);
ZV_SLOT(ZvFrameOps, Load, 1);
ZV_SLOT(ZvFrameOps, Render, 2);
ZV_SLOT(ZvFrameOps, Reset, 3);
ZV_SLOT(ZvFrameOps, Width, 4);
ZV_SLOT(ZvFrameOps, Height, 5);
ZV_SLOT(ZvFrameOps, WindowAt, 6);
ZV_SLOT(ZvFrameOps, WindowRect, 7);
ZV_SLOT(ZvFrameOps, FramePicture, 8);
ZV_SLOT(ZvFrameOps, IsReady, 9);
ZV_SLOT(ZvFrameOps, GetType, 10);
ZV_SLOT(ZvFrameOps, GetLastError, 11);
ZV_SLOT(ZvFrameOps, Text1, 12);
ZV_SLOT(ZvFrameOps, Text2, 13);
ZV_SLOT(ZvFrameOps, AddPhoto, 14);
ZV_SLOT(ZvFrameOps, ClearPhoto, 15);
ZV_SLOT(ZvFrameOps, ClearAllPhotos, 16);
ZV_SLOT(ZvFrameOps, GetPhoto, 17);
ZV_SLOT(ZvFrameOps, PhotoPlace, 18);
ZV_SLOT(ZvFrameOps, LastPhotoPlace, 19);
ZV_SLOT(ZvFrameOps, SetPhoto, 20);
ZV_SLOT(ZvFrameOps, PhotoCount, 21);
ZV_SLOT(ZvFrameOps, WindowCount, 22);
ZV_SLOT(ZvFrameOps, SetValue64, 23);
ZV_SLOT(ZvFrameOps, ClearValue64, 24);
ZV_SLOT(ZvFrameOps, TypeFromExtension, 25);
ZV_SLOT(ZvFrameOps, CreateTemplate, 26);
ZV_SLOT(ZvFrameOps, DestroyTemplate, 27);

/* ---- Exports ---------------------------------------------------------------------------- */

/* Function types for binding by name (dlsym). */
typedef ZvImage* (*ZvExportA)(const char16_t* typeName);     /* null, "", "JPG", "GIF", "RAW" */
typedef void (*ZvExportRelease)(void* objectPointerAddress); /* b, f, h, n: destroy, store null */
typedef ZvImage* (*ZvExportC)(void);                         /* shared empty image */
typedef ZvFrameTemplate* (*ZvExportD)(void);                 /* the frame manager */
typedef void* (*ZvExportE)(void);                            /* tracker object */
typedef ZvStream* (*ZvExportG)(const char16_t* kind);        /* "dummy", "stdio", "memory" */
typedef char16_t* (*ZvExportI)(const char16_t* text);        /* set status text */
typedef int32_t (*ZvExportJ)(int32_t* out, int32_t code);    /* set status code */
typedef int32_t (*ZvExportK)(char16_t* buffer200);           /* read status */
typedef int32_t (*ZvExportL)(void);                          /* version: 6 */
typedef void* (*ZvExportM)(void);                            /* plug-in host object */
typedef struct ZvComStream ZvComStream;
typedef ZvComStream* (*ZvExportO)(ZvImage* image, int32_t flag); /* read-only BMP stream */
typedef int32_t (*ZvExportP)(uint8_t* dest, uint32_t* destLen, const uint8_t* source,
                             uint32_t sourceLen, int32_t level);
typedef int32_t (*ZvExportQ)(uint8_t* dest, uint32_t* destLen, const uint8_t* source,
                             uint32_t sourceLen);

/* The read-only bitmap stream of export o: reference counted, released through Release. */
typedef struct ZvComStreamOps {
  int32_t (*QueryInterface)(ZvComStream* self, const void* iid, void** out); /* 0 */
  uint32_t (*AddRef)(ZvComStream* self);                                     /* 1 */
  uint32_t (*Release)(ZvComStream* self);                                    /* 2 */
  /* 3: reads up to count bytes; *read receives the number read; 0 = S_OK, 1 = S_FALSE */
  int32_t (*Read)(ZvComStream* self, void* buffer, uint32_t count, uint32_t* read);
  int32_t (*Write)(ZvComStream* self, const void* buffer, uint32_t count, uint32_t* written); /* 4: fails */
  /* 5: origin 0 set, 1 current, 2 end; *position (may be null) receives the new position */
  int32_t (*Seek)(ZvComStream* self, int64_t offset, int32_t origin, uint64_t* position);
  int32_t (*SetSize)(ZvComStream* self, uint64_t size);                      /* 6: fails */
  uint64_t (*Size)(ZvComStream* self);                                       /* 7 */
} ZvComStreamOps;
struct ZvComStream { const ZvComStreamOps* ops; };

/* The selection tracker of export e: a rectangle with eight sizing handles. Hit codes:
 * -1 outside, 0 inside (move), 1..8 handles clockwise from the top-left corner. */
enum ZvCursor {
  ZV_CURSOR_ARROW = 0, ZV_CURSOR_SIZEALL = 1, ZV_CURSOR_SIZENS = 2, ZV_CURSOR_SIZEWE = 3,
  ZV_CURSOR_SIZENWSE = 4, ZV_CURSOR_SIZENESW = 5
};
typedef struct ZvTracker ZvTracker;
typedef struct ZvTrackerOps {
  void (*Destroy)(ZvTracker* self, bool freeMemory);             /* 0: through b */
  void (*SetRect)(ZvTracker* self, ZvRect rect);                 /* 1: normalised */
  ZvRect (*GetRect)(ZvTracker* self);                            /* 2 */
  void (*SetHandleSize)(ZvTracker* self, int32_t pixels);        /* 3: default 6 */
  int32_t (*HitTest)(ZvTracker* self, ZvPoint point);            /* 4: hit code */
  int32_t (*CursorAt)(ZvTracker* self, ZvPoint point);           /* 5: ZvCursor */
  bool (*Track)(ZvTracker* self, int32_t hit, int32_t dx, int32_t dy); /* 6: move or size */
} ZvTrackerOps;
struct ZvTracker { const ZvTrackerOps* ops; };

/* The filter plug-in host of export m: filters registered by name, applied to an image. */
typedef bool (*ZvPluginFilter)(void* user, ZvImage* image);
typedef struct ZvPluginHost ZvPluginHost;
typedef struct ZvPluginHostOps {
  void (*Destroy)(ZvPluginHost* self, bool freeMemory);                        /* 0: through b */
  bool (*Register)(ZvPluginHost* self, const char16_t* name, ZvPluginFilter filter, void* user); /* 1 */
  bool (*Unregister)(ZvPluginHost* self, const char16_t* name);               /* 2 */
  int32_t (*Count)(ZvPluginHost* self);                                        /* 3 */
  const char16_t* (*NameAt)(ZvPluginHost* self, int32_t index);               /* 4: null past the end */
  bool (*Apply)(ZvPluginHost* self, const char16_t* name, ZvImage* image);    /* 5: false when unknown */
} ZvPluginHostOps;
struct ZvPluginHost { const ZvPluginHostOps* ops; };

/* Status text capacity of exports i and k, in UTF-16 units. */
#define ZV_STATUS_TEXT_UNITS 200

#if defined(ZELVO_BUILDING)
#define ZV_EXPORT __attribute__((visibility("default")))
ZV_EXPORT ZvImage* a(const char16_t* typeName);
ZV_EXPORT void b(void* objectPointerAddress);
ZV_EXPORT ZvImage* c(void);
ZV_EXPORT ZvFrameTemplate* d(void);
ZV_EXPORT void* e(void);
ZV_EXPORT void f(void* objectPointerAddress);
ZV_EXPORT ZvStream* g(const char16_t* kind);
ZV_EXPORT void h(void* objectPointerAddress);
ZV_EXPORT char16_t* i(const char16_t* text);
ZV_EXPORT int32_t j(int32_t* out, int32_t code);
ZV_EXPORT int32_t k(char16_t* buffer200);
ZV_EXPORT int32_t l(void);
ZV_EXPORT void* m(void);
ZV_EXPORT void n(void* objectPointerAddress);
ZV_EXPORT ZvComStream* o(ZvImage* image, int32_t flag);
ZV_EXPORT int32_t p(uint8_t* dest, uint32_t* destLen, const uint8_t* source, uint32_t sourceLen,
                    int32_t level);
ZV_EXPORT int32_t q(uint8_t* dest, uint32_t* destLen, const uint8_t* source, uint32_t sourceLen);
#endif

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZELVO_H */

/* zlvplatform.h - the small layer standing in for the Windows interfaces that the
 * engine, the updater and the program share. Plain C; every Linux-specific call of
 * the project lives behind it. */
#ifndef ZLVPLATFORM_H
#define ZLVPLATFORM_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#include <uchar.h>
#endif

#if defined(ZLV_PLATFORM_BUILDING)
#define ZLV_API __attribute__((visibility("default")))
#else
#define ZLV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Device-independent bitmaps and device contexts ------------------------------ */

/* The 40-byte Windows BITMAPINFOHEADER. */
typedef struct ZlvBitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight; /* > 0: rows bottom-up */
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} ZlvBitmapInfoHeader;
#ifdef __cplusplus
static_assert(sizeof(ZlvBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
#else
_Static_assert(sizeof(ZlvBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
#endif

typedef struct ZlvBitmapObject* ZlvHBITMAP;   /* a DIB section */
typedef struct ZlvDCObject* ZlvHDC;           /* a memory device context */
typedef struct ZlvPaletteObject* ZlvHPALETTE; /* a logical palette */

/* Creates a DIB section: 40-byte header, optional palette (biClrUsed entries of four
 * bytes blue, green, red, reserved; 2^bits when biClrUsed is 0 and bits <= 8), bottom-up
 * rows padded to 4 bytes. Depths 1, 4, 8, 24 and 32. *bits (when not null) receives the
 * first row. Null when the header is unusable or the size is beyond the platform limit. */
ZLV_API ZlvHBITMAP zlvCreateDIBSection(const ZlvBitmapInfoHeader* header, const void* palette,
                                       void** bits);
/* Copies the section's header (biSizeImage filled in) into *out. */
ZLV_API bool zlvGetBitmapHeader(ZlvHBITMAP bitmap, ZlvBitmapInfoHeader* out);
/* The section's palette (4 bytes per entry) and its entry count, or null. */
ZLV_API const void* zlvGetBitmapPalette(ZlvHBITMAP bitmap, uint32_t* count);
/* The first (bottom) row of the section's pixels. */
ZLV_API void* zlvGetBitmapBits(ZlvHBITMAP bitmap);
/* GetDIBits: copies `rows` rows from `startRow` (bottom-up) converted to the depth that
 * `format` asks for (1, 4, 8, 24 or 32; same size as the bitmap, a negative height for rows
 * top-down) into `bits`; for indexed targets the palette (2^bits entries, or biClrUsed of
 * `format` when that is smaller) goes to `paletteOut` when not null. Returns the rows copied, 0 on
 * failure. The device context may be null. */
ZLV_API int32_t zlvGetDIBits(ZlvHDC dc, ZlvHBITMAP bitmap, uint32_t startRow, uint32_t rows,
                             void* bits, const ZlvBitmapInfoHeader* format, void* paletteOut);
ZLV_API bool zlvDeleteBitmap(ZlvHBITMAP bitmap);

/* A palette of `count` entries (4 bytes each); selecting and realising it is a no-op here. */
ZLV_API ZlvHPALETTE zlvCreatePalette(const void* entries, uint32_t count);
ZLV_API bool zlvDeletePalette(ZlvHPALETTE palette);

/* Memory device context "compatible with the screen" (the screen is 24-bit here). */
ZLV_API ZlvHDC zlvCreateCompatibleDC(ZlvHDC reference);
ZLV_API ZlvHDC zlvGetScreenDC(void);
ZLV_API void zlvReleaseScreenDC(ZlvHDC dc);
/* Selects a bitmap into the context; returns the previously selected one (may be null). */
ZLV_API ZlvHBITMAP zlvSelectBitmap(ZlvHDC dc, ZlvHBITMAP bitmap);
ZLV_API ZlvHBITMAP zlvGetSelectedBitmap(ZlvHDC dc);
ZLV_API bool zlvDeleteDC(ZlvHDC dc);

/* ---- Window table: the stand-in for window handles and PostMessage -------------------- */

typedef void (*ZlvWindowCallback)(void* context, uint32_t msg, uintptr_t wparam, intptr_t lparam);
/* Returns a non-zero window id. The callback runs on the posting thread and only queues. */
ZLV_API uint32_t zlvRegisterWindow(ZlvWindowCallback callback, void* context);
ZLV_API void zlvUnregisterWindow(uint32_t window);
/* False when the window id is unknown (never registered or unregistered). */
ZLV_API bool zlvPostMessage(uint32_t window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

/* ---- Profile (ini) functions with Windows semantics ---------------------------------- */
/* Section and key names compare without case; a missing file or key reads as the default;
 * writing one key keeps the rest of the file. Files are UTF-8 on disk. */

/* Copies the value (or the default) into out (capacity in units, always terminated);
 * returns the number of units copied without the terminator. */
ZLV_API uint32_t zlvGetProfileString(const char16_t* section, const char16_t* key,
                                     const char16_t* def, char16_t* out, uint32_t capacity,
                                     const char16_t* file);
/* Leading decimal integer of the value (sign allowed); 0 when the value does not start with
 * one, the default when the key is missing. */
ZLV_API int32_t zlvGetProfileInt(const char16_t* section, const char16_t* key, int32_t def,
                                 const char16_t* file);
/* value null deletes the key; key null deletes the section. The file is replaced in one
 * rename so it is never half-written. False when the file cannot be written. */
ZLV_API bool zlvWriteProfileString(const char16_t* section, const char16_t* key,
                                   const char16_t* value, const char16_t* file);

/* ---- Registry stand-in ---------------------------------------------------------------- */
/* $XDG_CONFIG_HOME/registry/<key path>.ini (user) or <first of $XDG_CONFIG_DIRS>/registry/...
 * (machine); key path lower-cased, "\" becomes "/", values in section [values]. */
typedef enum ZlvHive { ZLV_HKEY_CURRENT_USER = 0, ZLV_HKEY_LOCAL_MACHINE = 1 } ZlvHive;
/* True when the value exists; copies it into out (terminated). */
ZLV_API bool zlvRegQueryString(int32_t hive, const char16_t* keyPath, const char16_t* valueName,
                               char16_t* out, uint32_t capacity);
ZLV_API bool zlvRegSetString(int32_t hive, const char16_t* keyPath, const char16_t* valueName,
                             const char16_t* value);

/* ---- Folders, files, processes -------------------------------------------------------- */
/* Each writes a NUL-terminated UTF-16 folder path ending in "/" and returns its length, 0 when
 * it does not fit. */
ZLV_API uint32_t zlvUserDataDir(char16_t* out, uint32_t capacity); /* $XDG_DATA_HOME or ~/.local/share */
/* Folder of the running executable, or $GALLIVO_PROGRAM_DIR when set (tests). */
ZLV_API uint32_t zlvProgramDir(char16_t* out, uint32_t capacity);
ZLV_API uint32_t zlvTempDir(char16_t* out, uint32_t capacity);     /* $TMPDIR or /tmp */
ZLV_API uint32_t zlvRuntimeDir(char16_t* out, uint32_t capacity);  /* $XDG_RUNTIME_DIR or /tmp */

/* mkstemp in the temp folder with the prefix; the created (empty, closed) file's path goes to out. */
ZLV_API bool zlvCreateTempFile(const char16_t* prefix, char16_t* out, uint32_t capacity);

/* Named lock (the stand-in for a named mutex): a lock file of that name in the runtime folder,
 * held with flock(LOCK_EX | LOCK_NB). Returns a handle >= 0, or -1 when another process (or
 * another handle) holds it. */
ZLV_API int32_t zlvTryLockNamed(const char16_t* name);
ZLV_API void zlvUnlockNamed(int32_t handle);

/* Online when a default route exists or a non-loopback interface is up. */
ZLV_API bool zlvIsOnline(void);

/* Opens a document, folder or address with xdg-open (or $ZLV_OPEN_COMMAND when set), detached. */
ZLV_API bool zlvShellOpen(const char16_t* target);

/* Reads the four version numbers embedded in an executable with ZLV_EMBED_VERSION. */
ZLV_API bool zlvReadFileVersion(const char16_t* path, uint16_t version[4]);

/* Embeds the version in an ELF note named "Gallivo" (type 1) of the executable. */
#define ZLV_VERSION_NOTE_NAME "Gallivo"
#define ZLV_EMBED_VERSION(a, b, c, d)                                                      \
  __attribute__((used, section(".note.gallivo.version"), aligned(4))) static const struct { \
    uint32_t namesz, descsz, type;                                                         \
    char name[8];                                                                          \
    uint16_t version[4];                                                                   \
  } zlv_version_note = {8, 8, 1, ZLV_VERSION_NOTE_NAME, {(a), (b), (c), (d)}}

/* ---- Memory ----------------------------------------------------------------------------- */
/* A block for a large picture, freed with free(). From 32 MiB up (photographs) aligned and
 * backed by huge pages where the system offers them, so that walking it across rows does not
 * miss the address cache on every row; smaller ones from malloc, whose heap reuses resident
 * pages. The content is unspecified. Null when memory runs out. */
ZLV_API void* zlvAllocLarge(size_t bytes);
/* The bytes a block from malloc, calloc or zlvAllocLarge can hold (0 for null). */
ZLV_API size_t zlvBlockSize(void* block);

/* ---- Text ------------------------------------------------------------------------------- */
/* UTF-16 <-> UTF-8; unpaired surrogates become U+FFFD. Return the length written without the
 * terminator (out always terminated when capacity > 0); the needed length when out is null. */
ZLV_API size_t zlvUtf16ToUtf8(const char16_t* in, char* out, size_t capacity);
ZLV_API size_t zlvUtf8ToUtf16(const char* in, char16_t* out, size_t capacity);
ZLV_API size_t zlvUtf16Length(const char16_t* text);

#ifdef __cplusplus
} /* extern "C" */

#include <string>
#include <string_view>
namespace zlv {
inline std::string toUtf8(std::u16string_view text) {
  std::u16string z(text);
  std::string out(zlvUtf16ToUtf8(z.c_str(), nullptr, 0), '\0');
  zlvUtf16ToUtf8(z.c_str(), out.data(), out.size() + 1);
  return out;
}
inline std::u16string toUtf16(std::string_view text) {
  std::string z(text);
  std::u16string out(zlvUtf8ToUtf16(z.c_str(), nullptr, 0), u'\0');
  zlvUtf8ToUtf16(z.c_str(), out.data(), out.size() + 1);
  return out;
}
}  // namespace zlv
#endif

#endif /* ZLVPLATFORM_H */

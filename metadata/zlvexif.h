/* zlvexif.h: what the program relies on in the optional EXIF helper library libzlvexif.so.
 * The library is not ours; any library exporting these names and filling the listed fields
 * of the record can stand in for it. Plain C, 64-bit layout.
 *
 * The record was laid out for 32-bit pointers (size at 88, pointer at 92, kind at 96,
 * orientation at 108). Here the pointer is 64 bits wide and naturally aligned, so it moves
 * to 96 and the fields after it move by 8:
 *
 *   offset  width   field
 *        0  32-bit  version: set to 2 by the caller, the rest of the record zeroed
 *       88  32-bit  thumbnailSize: bytes at thumbnail
 *       92  32-bit  (padding; held the 32-bit pointer)
 *       96  64-bit  thumbnail: owned by the library until fnFreeMem
 *      104  32-bit  kind (after fnGetExif2 only): 1 JPEG data, 2 PNM data
 *      116  16-bit  orientation: EXIF orientation 1..8, 0 none
 *   record size 128 bytes (the caller's buffer; the library writes within it)
 */
#ifndef ZLVEXIF_H
#define ZLVEXIF_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ZLVEXIF_RECORD_VERSION = 2, ZLVEXIF_KIND_JPEG = 1, ZLVEXIF_KIND_PNM = 2 };

typedef struct ZlvExifRecord {
  uint32_t version;        /* 0 */
  uint8_t reserved0[84];   /* 4 */
  uint32_t thumbnailSize;  /* 88 */
  uint32_t padding;        /* 92 */
  uint8_t* thumbnail;      /* 96 */
  uint32_t kind;           /* 104 */
  uint8_t reserved1[8];    /* 108 */
  uint16_t orientation;    /* 116 */
  uint8_t reserved2[10];   /* 118 */
} ZlvExifRecord;

/* Set 1 (JPEG pictures): loaded from the program folder, else from the editor folder. */
typedef int32_t (*ZlvFnGetExif)(const char* path, ZlvExifRecord* record); /* non-zero: success */
/* Set 2 (camera raw and TIFF): loaded by bare file name. The result is read from the record. */
typedef void (*ZlvFnGetExif2)(const char* path, ZlvExifRecord* record);
/* Releases a thumbnail buffer returned in a record. */
typedef void (*ZlvFnFreeMem)(void* buffer);
/* fnGetDetailInfo / fnGetDetailInfo2 must exist but are never called. */

#ifdef __cplusplus
}
static_assert(offsetof(ZlvExifRecord, version) == 0);
static_assert(offsetof(ZlvExifRecord, thumbnailSize) == 88);
static_assert(offsetof(ZlvExifRecord, thumbnail) == 96);
static_assert(offsetof(ZlvExifRecord, kind) == 104);
static_assert(offsetof(ZlvExifRecord, orientation) == 116);
static_assert(sizeof(ZlvExifRecord) == 128);
#endif

#endif

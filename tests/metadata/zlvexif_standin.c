/* A stand-in for the optional EXIF helper library, built only for the tests. Its "thumbnail"
 * is a copy of the whole file it is asked about, so the tests can tell its answer from the
 * program's own reader. It refuses records that the caller did not prepare as agreed (version 2,
 * everything else zero). Counters tell the tests how often it was called and freed.
 * Variants: STANDIN_NO_DETAIL leaves out fnGetDetailInfo, STANDIN_SET1_ONLY leaves out set 2. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "zlvexif.h"

#define EXPORT __attribute__((visibility("default")))

static int calls, freed;

static int prepared(const ZlvExifRecord* record) {
  const unsigned char* bytes = (const unsigned char*)record;
  if (record->version != ZLVEXIF_RECORD_VERSION) return 0;
  for (size_t i = sizeof record->version; i < sizeof *record; ++i)
    if (bytes[i]) return 0;
  return 1;
}

static unsigned char* readFile(const char* path, uint32_t* size) {
  FILE* f = fopen(path, "rb");
  if (!f) return NULL;
  unsigned char* data = NULL;
  long n = -1;
  if (fseek(f, 0, SEEK_END) == 0) n = ftell(f);
  if (n > 0 && n < (1L << 24) && fseek(f, 0, SEEK_SET) == 0 && (data = malloc((size_t)n)) &&
      fread(data, 1, (size_t)n, f) != (size_t)n) {
    free(data);
    data = NULL;
  }
  fclose(f);
  *size = data ? (uint32_t)n : 0;
  return data;
}

#ifndef STANDIN_SET1_ONLY
static int endsWith(const char* s, const char* tail) {
  size_t a = strlen(s), b = strlen(tail);
  return a >= b && strcmp(s + a - b, tail) == 0;
}
#endif

/* Paths containing "fail" fail; "empty" succeed with a zero-size buffer. */
EXPORT int32_t fnGetExif(const char* path, ZlvExifRecord* record) {
  ++calls;
  if (!prepared(record) || strstr(path, "fail")) return 0;
  record->thumbnail = readFile(path, &record->thumbnailSize);
  if (strstr(path, "empty")) record->thumbnailSize = 0;
  record->orientation = 6;
  return record->thumbnail != NULL;
}

#ifndef STANDIN_SET1_ONLY
/* Kind by extension: .ppm/.pgm PNM, .odd an unknown kind 7, anything else JPEG. */
EXPORT void fnGetExif2(const char* path, ZlvExifRecord* record) {
  ++calls;
  if (!prepared(record)) return;
  record->thumbnail = readFile(path, &record->thumbnailSize);
  record->kind = endsWith(path, ".ppm") || endsWith(path, ".pgm") ? ZLVEXIF_KIND_PNM
                 : endsWith(path, ".odd")                         ? 7
                                                                  : ZLVEXIF_KIND_JPEG;
  record->orientation = 8;
}
EXPORT int32_t fnGetDetailInfo2(void) { return 0; }
#endif

EXPORT void fnFreeMem(void* buffer) {
  if (buffer) ++freed;
  free(buffer);
}

#ifndef STANDIN_NO_DETAIL
EXPORT int32_t fnGetDetailInfo(void) { return 0; }
#endif

EXPORT int32_t standinCalls(void) { return calls; }
EXPORT int32_t standinFreed(void) { return freed; }

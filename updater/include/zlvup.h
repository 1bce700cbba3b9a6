/* zlvup.h - the whole ABI of libZlvUp.so, the updater library.
 * The host loads the library by file name and binds the five exports by name. */
#ifndef ZLVUP_H
#define ZLVUP_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(ZLVUP_BUILDING)
#define ZLVUP_API __attribute__((visibility("default")))
#else
#define ZLVUP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Posted to the window given to Check when a check has run: wparam = the parameter word,
 * lparam = 0. */
enum { UpdateResultMessage = 7544 };

/* Bit 0 of the parameter word: check even when the last check is less than a day old. */
enum { UpdateParamForceCheck = 1 };

typedef enum UpdateState {
  UpdateStateIdle = 0,            /* loaded, no check started */
  UpdateStateChecking = 1,        /* check accepted; running, or ended without checking */
  UpdateStateUpdateAvailable = 2, /* a newer version is published; text fields filled */
  UpdateStateUpToDate = 3,
  UpdateStateCheckFailed = 4,
  UpdateStateDone = 9 /* after Clear or a finished Update */
} UpdateState;

enum { UpdateRecordSize = 4240 };

/* Copied whole to the host by State. Integers little-endian, texts zero-terminated UTF-16. */
typedef struct UpdateRecord {
  uint32_t size;   /* always 4240; a caller of State stores 4240 here first */
  uint32_t window; /* window id given to Check */
  uint32_t state;  /* UpdateState */
  uint8_t reserved1[524];
  char16_t info[1024]; /* at most 1022 characters stored */
  char16_t currentVersion[20];
  char16_t newVersion[20];
  char16_t url[260];
  char16_t urlDownload[260];
  uint8_t reserved2[536];
} UpdateRecord;

#ifdef __cplusplus
#define ZLVUP_STATIC_ASSERT static_assert
#else
#define ZLVUP_STATIC_ASSERT _Static_assert
#endif
ZLVUP_STATIC_ASSERT(sizeof(UpdateRecord) == 4240, "UpdateRecord is 4240 bytes");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, window) == 4, "window at 4");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, state) == 8, "state at 8");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, reserved1) == 12, "reserved at 12");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, info) == 536, "info at 536");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, currentVersion) == 2584, "current version at 2584");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, newVersion) == 2624, "new version at 2624");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, url) == 2664, "url at 2664");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, urlDownload) == 3184, "urldownload at 3184");
ZLVUP_STATIC_ASSERT(offsetof(UpdateRecord, reserved2) == 3704, "reserved at 3704");
#undef ZLVUP_STATIC_ASSERT

/* Every export takes `selector` first: only 0 and 1 are accepted (the program passes 1);
 * any other value does nothing and returns 0. */

/* Starts a check in state Idle or Done; always 0. */
typedef int32_t (*ZlvUpCheckFn)(int32_t selector, uint32_t window);
/* Opens the new version's page and records it, in state UpdateAvailable; always 0. */
typedef int32_t (*ZlvUpUpdateFn)(int32_t selector);
/* Copies the record into *record (whose size field must hold 4240): 1 if copied, else 0. */
typedef int32_t (*ZlvUpStateFn)(int32_t selector, void* record);
/* Parameter word := 0, state := Done; 1. */
typedef int32_t (*ZlvUpClearFn)(int32_t selector);
/* Stores the parameter word in state Idle or Done; 1 either way. */
typedef int32_t (*ZlvUpSetParamFn)(int32_t selector, uint32_t value);

ZLVUP_API int32_t Check(int32_t selector, uint32_t window);
ZLVUP_API int32_t Update(int32_t selector);
ZLVUP_API int32_t State(int32_t selector, void* record);
ZLVUP_API int32_t Clear(int32_t selector);
ZLVUP_API int32_t SetParam(int32_t selector, uint32_t value);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZLVUP_H */

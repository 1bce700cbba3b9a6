// EngineApi: the program's table of libzelvo's seventeen one-letter exports, bound at start-up
// with dlopen/dlsym. The program calls a (create image), b (release), d (frame manager),
// g (create stream) and h (release stream); the rest are bound and never called.
#pragma once

#include <QString>

#include "zelvo.h"

struct EngineApi {
  void* module = nullptr;
  ZvImage* (*a)(const char16_t* typeName) = nullptr;
  void (*b)(void* objectPointerAddress) = nullptr;
  ZvImage* (*c)(void) = nullptr;
  ZvFrameTemplate* (*d)(void) = nullptr;
  void* (*e)(void) = nullptr;
  void (*f)(void* objectPointerAddress) = nullptr;
  ZvStream* (*g)(const char16_t* kind) = nullptr;
  void (*h)(void* objectPointerAddress) = nullptr;
  char16_t* (*i)(const char16_t* text) = nullptr;
  int32_t (*j)(int32_t* out, int32_t code) = nullptr;
  int32_t (*k)(char16_t* buffer200) = nullptr;
  int32_t (*l)(void) = nullptr;
  void* (*m)(void) = nullptr;
  void (*n)(void* objectPointerAddress) = nullptr;
  void* (*o)(ZvImage* image, int32_t flag) = nullptr;
  int32_t (*p)(uint8_t*, uint32_t*, const uint8_t*, uint32_t, int32_t) = nullptr;
  int32_t (*q)(uint8_t*, uint32_t*, const uint8_t*, uint32_t) = nullptr;
};

// The process-wide table; filled once by BindEngine before any worker thread exists.
const EngineApi& Engine();

// Loads CompanionLibraryPath(EngineLibrary) and binds a..q (null where absent). Returns true
// when the library loaded and every entry the program calls (a, b, d, g, h) is bound;
// otherwise false with one line naming the missing library or entry in *problem. Calling it
// again after success does nothing. UnbindEngine runs at process exit once bound.
bool BindEngine(QString* problem = nullptr);
// Same, from an explicit library file (tests).
bool BindEngineFrom(const QString& libraryPath, QString* problem = nullptr);
// Releases the library and clears the table; every engine object must be gone.
void UnbindEngine();
// True when a, b, d, g and h are all bound.
bool EngineReady();

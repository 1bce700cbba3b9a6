// Reading and writing pictures through the codec table: the engine's Load, Save, Decode and
// Encode with their file, memory and header-only variants. Messages go to img.lastError().
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/Image.h"

namespace zelvo {

// Reading (DispatchDecode.cpp). `type` 0 detects the format.
bool decode(Image& img, ZvStream* stream, uint32_t type);
bool decodeMemory(Image& img, const uint8_t* buf, uint32_t size, uint32_t type);
bool decodeFile(Image& img, FILE* file, uint32_t type);
bool load(Image& img, const char16_t* path, uint32_t type);
bool loadInfo(Image& img, const char16_t* path, uint32_t type);  // header only
bool loadResource(Image& img, const uint8_t* data, uint32_t size, uint32_t type);
bool checkFormat(Image& img, ZvStream* stream, uint32_t type);
bool checkFormatMemory(Image& img, const uint8_t* buf, uint32_t size, uint32_t type);

// Writing (DispatchEncode.cpp). `img` is read as it is; Save never truncates an existing
// file on failure.
bool encode(Image& img, ZvStream* stream, uint32_t type);
bool encodeFile(Image& img, FILE* file, uint32_t type);
bool encodeMemory(Image& img, uint8_t** buffer, int32_t* size, uint32_t type);
bool save(Image& img, const char16_t* path, uint32_t type);
// Several pictures in one file; `img` receives the message.
bool encodeFrames(Image& img, ZvStream* stream, ZvImage** images, int32_t count, uint32_t type);
bool encodeFramesFile(Image& img, FILE* file, ZvImage** images, int32_t count, uint32_t type);

}  // namespace zelvo

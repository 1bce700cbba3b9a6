// One codec per format: a decode and an encode entry over a stream, registered in the
// dispatch table of CodecTable.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/Image.h"
#include "Stream.h"

namespace zelvo {

// Decodes into `img`, a fresh image that already carries the caller's extended
// information (escape, codec options, load-all-frames, frame index, size hint). With
// escape == -1 only width, height and type are filled in (header only). On failure the
// codec returns fail(img, message). What a codec throws (a failed allocation in a
// container, say) is caught by the dispatcher alone, never by the codec.
// `type` is the identifier asked for, 0 while detecting. img.info.type is preset to the
// entry's identifier; a codec serving several identifiers sets the one it found.
using DecodeFn = bool (*)(Image& img, StreamRef in, uint32_t type);
// Encodes the valid image `img` (not modified) as `type`; messages as for decode.
using EncodeFn = bool (*)(Image& img, StreamRef out, uint32_t type);
// Writes several pictures into one file (TIFF, GIF, icon); `err` receives the message.
using EncodeFramesFn = bool (*)(std::span<Image* const> images, StreamRef out, Image& err);

struct Codec {
  uint32_t type;
  const char* name;
  DecodeFn decode;              // null: not decodable
  EncodeFn encode;              // null: "Encode: Unknown format" (or the entry's message)
  EncodeFramesFn encodeFrames;  // null: "Multipage Encode, Unsupported operation for this format"
  const char* encodeRefusal;    // message when encode is null and the format has its own
};

// Every codec failure: stores the message as the image's last error, answers false.
inline bool fail(Image& img, const char* message) {
  img.setLastError(message);
  return false;
}

// The entry for a type, or null for ids without a codec.
const Codec* codecFor(uint32_t type);
// The detection order of type 0.
std::span<const uint32_t> detectionOrder();

// Extension lookup (first three characters, case ignored, a leading dot skipped); 0 none.
uint32_t typeFromExtension(std::u16string_view ext);

// Largest width x height a decoder accepts: an 8-bit picture of it just fits Create's pixel
// limit (as many pixels as the limit has bytes; deeper pictures meet Create's own check).
// Lower in fuzz builds.
#if defined(ZELVO_FUZZ_LIMITS)
constexpr uint64_t kDecodeMaxPixels = 4096ull * 4096ull;
#else
constexpr uint64_t kDecodeMaxPixels = kMaxPixelBytes;
#endif
// True when w x h may be decoded (both > 0 and below the limit); else sets the message.
bool checkDecodeSize(Image& img, int64_t w, int64_t h, const char* message = "Image too large");

}  // namespace zelvo

// Image-table slots for load, save, decode, encode and the format helpers.
#include "abi/ImageOps.h"
#include "formats/Codec.h"
#include "formats/Dispatch.h"

namespace zelvo {

void fillFormatOps(ZvImageOps& ops) {
  ops.GetTypeIdFromName = [](ZvImage*, const char16_t* ext) -> uint32_t {
    return ext ? typeFromExtension(ext) : uint32_t(ZV_TYPE_UNKNOWN);
  };
  ops.GetNumTypes = [](ZvImage*) -> uint32_t { return ZV_TYPE_COUNT; };
  ops.LoadResource = [](ZvImage* s, const uint8_t* data, uint32_t size, uint32_t type, void*) {
    return loadResource(*Image::from(s), data, size, type);
  };
  ops.Load = [](ZvImage* s, const char16_t* path, uint32_t type) {
    return load(*Image::from(s), path, type);
  };
  ops.DecodeMemory = [](ZvImage* s, const uint8_t* buf, uint32_t size, uint32_t type) {
    return decodeMemory(*Image::from(s), buf, size, type);
  };
  ops.Decode = [](ZvImage* s, ZvStream* stream, uint32_t type) {
    return decode(*Image::from(s), stream, type);
  };
  ops.DecodeFile = [](ZvImage* s, FILE* file, uint32_t type) {
    return decodeFile(*Image::from(s), file, type);
  };
  ops.CheckFormatMemory = [](ZvImage* s, const uint8_t* buf, uint32_t size, uint32_t type) {
    return checkFormatMemory(*Image::from(s), buf, size, type);
  };
  ops.CheckFormat = [](ZvImage* s, ZvStream* stream, uint32_t type) {
    return checkFormat(*Image::from(s), stream, type);
  };
  ops.Save = [](ZvImage* s, const char16_t* path, uint32_t type) {
    return save(*Image::from(s), path, type);
  };
  ops.EncodeMemory = [](ZvImage* s, uint8_t** buffer, int32_t* size, uint32_t type) {
    return encodeMemory(*Image::from(s), buffer, size, type);
  };
  ops.EncodeFramesFile = [](ZvImage* s, FILE* file, ZvImage** images, int32_t count,
                            uint32_t type) {
    return encodeFramesFile(*Image::from(s), file, images, count, type);
  };
  ops.EncodeFrames = [](ZvImage* s, ZvStream* stream, ZvImage** images, int32_t count,
                        uint32_t type) {
    return encodeFrames(*Image::from(s), stream, images, count, type);
  };
  ops.Encode = [](ZvImage* s, ZvStream* stream, uint32_t type) {
    return encode(*Image::from(s), stream, type);
  };
  ops.EncodeFile = [](ZvImage* s, FILE* file, uint32_t type) {
    return encodeFile(*Image::from(s), file, type);
  };
  ops.SetDecodeSizeHint = [](ZvImage* s, int32_t w, int32_t h) {
    return Image::from(s)->setDecodeSizeHint(w, h);
  };
  ops.LoadInfo = [](ZvImage* s, const char16_t* path, uint32_t type) {
    return loadInfo(*Image::from(s), path, type);
  };
  ops.SetProgressCallback = [](ZvImage* s, ZvProgressCallback callback, void* user) {
    Image::from(s)->progressCallback = callback;
    Image::from(s)->progressUser = user;
  };
}

}  // namespace zelvo

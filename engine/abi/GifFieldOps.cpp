// Image-table slots of the GIF writer fields: disposal, loop count and comment.
#include <cstring>

#include "abi/ImageOps.h"
#include "core/Image.h"

namespace zelvo {

void fillGifFieldOps(ZvImageOps& ops) {
  ops.GetDisposalMethod = [](ZvImage* s) { return Image::from(s)->info.disposal; };
  ops.SetDisposalMethod = [](ZvImage* s, uint8_t method) { Image::from(s)->info.disposal = method; };
  ops.GetLoops = [](ZvImage* s) { return Image::from(s)->info.loops; };
  ops.SetLoops = [](ZvImage* s, int32_t loops) { Image::from(s)->info.loops = loops; };
  ops.SetComment = [](ZvImage* s, const char* text) {
    char* comment = Image::from(s)->info.comment;
    const size_t n = text ? strnlen(text, sizeof(Image::from(s)->info.comment) - 1) : 0;
    std::memcpy(comment, text ? text : "", n);
    comment[n] = '\0';
  };
  ops.GetComment = [](ZvImage* s) -> const char* { return Image::from(s)->info.comment; };
}

}  // namespace zelvo

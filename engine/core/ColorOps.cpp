// Image-table slots for DecreaseBpp and the GIF writer fields.
#include <cstring>

#include "Image.h"

namespace zelvo {

void fillColorOps(ZvImageOps& ops) {
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
  ops.DecreaseBpp = [](ZvImage* s, uint32_t bpp, bool errorDiffusion, const ZvRGBQuad* palette,
                       uint32_t important) {
    return Image::from(s)->decreaseBpp(bpp, errorDiffusion, palette, important);
  };
}

}  // namespace zelvo

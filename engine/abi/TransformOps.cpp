// Image-table slots of the core transforms: resampling, turns, depth changes, bitmap
// conversion and compositing.
#include "abi/ImageOps.h"
#include "core/Image.h"

namespace zelvo {
namespace {

Image* I(ZvImage* s) { return Image::from(s); }
Image* maybe(ZvImage* s) { return s ? Image::from(s) : nullptr; }

}  // namespace

void fillTransformOps(ZvImageOps& ops) {
  ops.ResampleInterpolated = [](ZvImage* s, int32_t w, int32_t h, int32_t method, int32_t overflow,
                                ZvImage* dst, bool noAveraging) {
    return I(s)->resampleInterpolated(w, h, method, overflow, maybe(dst), noAveraging);
  };
  ops.RotateLeft = [](ZvImage* s, ZvImage* dst) { return I(s)->rotateLeft(maybe(dst)); };
  ops.RotateRight = [](ZvImage* s, ZvImage* dst) { return I(s)->rotateRight(maybe(dst)); };
  ops.Rotate180 = [](ZvImage* s, ZvImage* dst) { return I(s)->rotate180(maybe(dst)); };
  ops.Flip = [](ZvImage* s, bool sel, bool alpha) { return I(s)->flip(sel, alpha); };
  ops.Mirror = [](ZvImage* s, bool sel, bool alpha) { return I(s)->mirror(sel, alpha); };
  ops.IncreaseBpp = [](ZvImage* s, uint32_t bpp) { return I(s)->increaseBpp(bpp); };
  ops.DecreaseBpp = [](ZvImage* s, uint32_t bpp, bool errorDiffusion, const ZvRGBQuad* palette,
                       uint32_t important) {
    return I(s)->decreaseBpp(bpp, errorDiffusion, palette, important);
  };
  ops.ToBitmapHandle = [](ZvImage* s, ZlvHDC dc, bool alpha) { return I(s)->toBitmapHandle(dc, alpha); };
  ops.FromBitmapHandle = [](ZvImage* s, ZlvHBITMAP bm, ZlvHPALETTE pal, bool alpha) {
    return I(s)->fromBitmapHandle(bm, pal, alpha);
  };
  ops.PasteAt = [](ZvImage* s, const ZvImage* src, int32_t x, int32_t y) {
    if (src) I(s)->pasteAt(*Image::from(src), x, y);
  };
  ops.BlendLayer = [](ZvImage* s, ZvImage* src, int32_t op, ZvRect rect, ZvPoint offset, bool useAlpha,
                      bool topDown) {
    return src ? I(s)->blendLayer(*I(src), op, rect, offset, useAlpha, topDown) : false;
  };
  ops.FillColor = [](ZvImage* s, ZvRGBQuad c, const ZvRect* rect, bool setAlpha) {
    return I(s)->fillColor(c, rect, setAlpha);
  };
}

}  // namespace zelvo

// Image-table slots for filters and photo effects: thin forwards to engine/core/Effects.h.
// Nothing may escape the table, so each forward answers false on an exception.
#include "abi/ImageOps.h"
#include "core/Effects.h"
#include "core/Image.h"

namespace zelvo {

namespace {
template <class Fn>
bool guarded(Fn fn) noexcept {
  try {
    return fn();
  } catch (...) {
    return false;
  }
}
Image& I(ZvImage* s) { return *Image::from(s); }
}  // namespace

void fillEffectOps(ZvImageOps& ops) {
  ops.CustomFilter = [](ZvImage* s, const int32_t k[9], int32_t size, int32_t div, int32_t off) {
    return guarded([&] { return fx::customFilter(I(s), k, size, div, off); });
  };
  ops.GaussianBlur = [](ZvImage* s, float r) { return guarded([&] { return fx::gaussianBlur(I(s), r); }); };
  ops.Negative = [](ZvImage* s) { return guarded([&] { return fx::negative(I(s)); }); };
  ops.GrayScale = [](ZvImage* s) { return guarded([&] { return fx::grayScale(I(s)); }); };
  ops.Noise = [](ZvImage* s, int32_t level) { return guarded([&] { return fx::noise(I(s), level); }); };
  ops.Splash = [](ZvImage* s, int32_t r) { return guarded([&] { return fx::splash(I(s), r); }); };
  ops.Sketch = [](ZvImage* s) { return guarded([&] { return fx::sketch(I(s)); }); };
  ops.SoftGlow = [](ZvImage* s) { return guarded([&] { return fx::softGlow(I(s)); }); };
  ops.Posterize = [](ZvImage* s, int32_t bits) { return guarded([&] { return fx::posterize(I(s), bits); }); };
  ops.Rotate = [](ZvImage* s, float angle, int32_t method, int32_t overflow, const ZvRGBQuad* fill,
                  bool rightAngles, bool keepSize) {
    return guarded([&] { return fx::rotate(I(s), angle, method, overflow, fill, rightAngles, keepSize); });
  };
  ops.ColorShift = [](ZvImage* s, int32_t r, int32_t g, int32_t b) {
    return guarded([&] { return fx::colorShift(I(s), r, g, b); });
  };
  ops.ToneAdjust = [](ZvImage* s, int32_t r, int32_t g, int32_t b, bool keep) {
    return guarded([&] { return fx::toneAdjust(I(s), r, g, b, keep); });
  };
  ops.TonePreset = [](ZvImage* s, int32_t v) { return guarded([&] { return fx::tonePreset(I(s), v); }); };
  ops.BrightnessContrast = [](ZvImage* s, int32_t b, int32_t c) {
    return guarded([&] { return fx::brightnessContrast(I(s), b, c); });
  };
  ops.Gamma = [](ZvImage* s, float g) { return guarded([&] { return fx::gamma(I(s), g); }); };
  ops.Solarize = [](ZvImage* s, uint8_t t) { return guarded([&] { return fx::solarize(I(s), t); }); };
  ops.ColorStyle = [](ZvImage* s, int32_t style) { return guarded([&] { return fx::colorStyle(I(s), style); }); };
  ops.RoundRectToAlpha = [](ZvImage* s, ZvRect r, int32_t ew, int32_t eh) {
    return guarded([&] { return fx::roundRectToAlpha(I(s), r, ew, eh); });
  };
  ops.DrawShadow = [](ZvImage* s, ZvRect r, float angle, int32_t soft, uint32_t color, int32_t strength,
                      int32_t opacity, int32_t dx, int32_t dy, int32_t corner) {
    return guarded([&] { return fx::drawShadow(I(s), r, angle, soft, color, strength, opacity, dx, dy, corner); });
  };
}

}  // namespace zelvo

// Choosing the part of a photo that fills a window.
#include <cstdint>

#include "FrameTemplate.h"

namespace zelvo {

void fitPhoto(const ZvRect& window, ZvRect& crop, const ZvRect* reference, int32_t photoW,
              int32_t photoH, bool useCropSize) {
  int64_t W = photoW, H = photoH;
  if (crop.right != 0) {
    if (!useCropSize) return;
    W = int64_t(crop.right) - crop.left;
    H = int64_t(crop.bottom) - crop.top;
  } else if (reference) {
    crop = *reference;
  } else {
    crop = ZvRect{0, 0, photoW, photoH};
  }
  const int64_t ww = int64_t(window.right) - window.left;
  const int64_t wh = int64_t(window.bottom) - window.top;
  // Degenerate windows or photos have no aspect ratio: keep the whole photo.
  if (ww <= 0 || wh <= 0 || W <= 0 || H <= 0) {
    if (!reference) crop = ZvRect{0, 0, photoW, photoH};
    return;
  }

  int64_t cw, ch;
  if (!reference) {
    if (double(ww) / double(wh) >= double(W) / double(H)) {
      cw = W;
      ch = wh * W / ww;
    } else {
      ch = H;
      cw = ww * H / wh;
    }
  } else {
    const int64_t rw = int64_t(reference->right) - reference->left;
    const int64_t rh = int64_t(reference->bottom) - reference->top;
    if (rw <= 0 || rh <= 0) {
      crop = ZvRect{0, 0, photoW, photoH};
      return;
    }
    if (double(ww) / double(wh) > double(rw) / double(rh)) {
      ch = rh;
      cw = ww * rh / wh;
    } else {
      cw = rw;
      ch = wh * rw / ww;
    }
    if (cw > W || ch > H) {
      if (double(cw) / double(ch) >= double(W) / double(H)) {
        ch = ch * W / cw;
        cw = W;
      } else {
        cw = cw * H / ch;
        ch = H;
      }
    }
    // Centred on the reference, but never past the photo's edges.
    int64_t left = int64_t(reference->left) - (cw - rw) / 2;
    int64_t top = int64_t(reference->top) - (ch - rh) / 2;
    if (left + cw > photoW) left = photoW - cw;
    if (top + ch > photoH) top = photoH - ch;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    crop = ZvRect{int32_t(left), int32_t(top), int32_t(left + cw), int32_t(top + ch)};
  }

  // Centre inside the current crop; the odd pixel goes to the top (or left) margin.
  const int64_t curH = int64_t(crop.bottom) - crop.top;
  if (ch < curH) {
    const int64_t d = curH - ch;
    crop.top = int32_t(crop.top + (d - (d >> 1)));
    crop.bottom = int32_t(crop.top + ch);
  }
  const int64_t curW = int64_t(crop.right) - crop.left;
  if (cw < curW) {
    const int64_t d = curW - cw;
    crop.left = int32_t(crop.left + (d - (d >> 1)));
    crop.right = int32_t(crop.left + cw);
  }

  // Tall photos keep their upper part (faces, heads).
  if (double(H) > 1.2 * double(W)) {
    crop.bottom -= crop.top;
    crop.top = 0;
  }
}

}  // namespace zelvo

// Painting on an engine picture with Qt: the engine hands out a bitmap handle of the picture
// (ToBitmapHandle, with alpha), a QImage wraps the handle's bits, QPainter draws on it, and the
// engine takes the bitmap back (FromBitmapHandle), so the picture keeps its own format and the
// steps never see the engine's pixel layout.
#pragma once

#include <QImage>
#include <QTransform>

#include "zelvo.h"
#include "zlvplatform.h"

class BitmapHandleCanvas {
 public:
  // Makes the bitmap handle of `image`; IsOpen() is false when there is nothing to paint on.
  explicit BitmapHandleCanvas(ZvImage* image);
  ~BitmapHandleCanvas();
  BitmapHandleCanvas(const BitmapHandleCanvas&) = delete;
  BitmapHandleCanvas& operator=(const BitmapHandleCanvas&) = delete;

  bool IsOpen() const { return !surface_.isNull(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The surface to paint on and the transform from picture coordinates (top-down) onto it: the
  // handle's rows are bottom-up, so a painter draws through a vertical flip.
  QImage& Surface() { return surface_; }
  QTransform PictureTransform() const { return toSurface_; }

  // Hands the painted bitmap back to the engine; the painter must have ended. False when the
  // engine refused it.
  bool Commit();

 private:
  ZvImage* image_ = nullptr;
  ZlvHDC dc_ = nullptr;
  ZlvHBITMAP bitmap_ = nullptr;
  ZlvHBITMAP previous_ = nullptr;
  QImage surface_;
  QTransform toSurface_;
  int width_ = 0;
  int height_ = 0;
  int depth_ = 0;  // of the handle: 24 and 32 are painted in place, 1, 4 and 8 through a copy
};

// A top-down copy of an engine picture (RGB32, or ARGB32 when it has alpha); null when the
// engine cannot make a bitmap of it. For tests, previews and benchmarks.
QImage EngineImageToQImage(ZvImage* image);

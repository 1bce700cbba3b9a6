// The two steps that end every picture's chain in a showcase run: fit the picture onto the
// common white canvas, then hand it to the GIF collector as its frame.
#pragma once

#include <QPoint>
#include <QSize>

#include "ProcessStep.h"

// Where a w x h picture goes on a canvas of cw x ch: its fitted size and paste offset.
struct CanvasPlace {
  QSize size;
  QPoint offset;
};
CanvasPlace FitOnCanvas(int32_t width, int32_t height, int32_t canvasWidth, int32_t canvasHeight);

class GifFitStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

class GifAddStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

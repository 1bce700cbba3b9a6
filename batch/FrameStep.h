// Puts the picture into the first window of the frame chosen from the frames catalogue,
// through the engine's frame manager (export d), cropping a picture taller than the window's
// shape to its middle band.
#pragma once

#include "ProcessStep.h"

// The crop of a w x h picture for a window rectangle: the middle band with the window's
// aspect ratio when the picture is taller than that, else {0, 0, 0, 0} (the whole picture,
// fitted by the template).
ZvRect FrameCrop(uint32_t width, uint32_t height, const ZvRect& window);

class FrameStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

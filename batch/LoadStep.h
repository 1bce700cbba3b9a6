// Opens the picture: a plain image object from the engine, the file decoded with its format
// detected (a JPEG is turned upright by its EXIF orientation), widened to 24 bits.
#pragma once

#include "ProcessStep.h"

class LoadStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

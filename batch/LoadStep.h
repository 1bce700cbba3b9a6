// Opens the picture: a plain image object from the engine, the file decoded with its format
// detected (a JPEG is turned upright by its EXIF orientation), widened to 24 bits. When the
// chain shrinks the picture anyway, a JPEG is decoded at a reduced scale (ShrinkOnLoad.h).
#pragma once

#include "ProcessStep.h"

class LoadStep : public ProcessStep {
 public:
  // `showcaseChain`: the chain ends by fitting the picture on the showcase canvas.
  explicit LoadStep(bool showcaseChain = false) : showcaseChain_(showcaseChain) {}
  bool Process(const PictureItem& item, ImageSlot& slot) override;

 private:
  bool showcaseChain_;
};

// Applies the quarter turns the user gave the picture in the list (clockwise, 0..3).
#pragma once

#include "ProcessStep.h"

class UserRotationStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

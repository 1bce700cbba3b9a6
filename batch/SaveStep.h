// Writes the picture as JPEG under a free name in the export folder (also when the name ends
// in ".pkv"), then releases it. A picture that cannot be written is reported, and its
// reserved name is given up again.
#pragma once

#include "ProcessStep.h"

class SaveStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

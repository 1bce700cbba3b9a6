// Slimming: shrinks the picture to the chosen width, never enlarging it.
#pragma once

#include "ProcessStep.h"

class CSetMgr;

// 310, 500 or 700 for the presets 0..2, else the custom nResizeWidth.
int32_t SlimWidth(const CSetMgr& settings);
// The new height for a width w shrunk to target (unsigned 32-bit, truncating).
uint32_t SlimHeight(uint32_t width, uint32_t height, uint32_t target);

class ResizeStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

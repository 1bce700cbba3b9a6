// The JPEG quality the picture is saved with: from the quality level of a custom size, 80 for
// the presets, the engine's default when slimming is off.
#pragma once

#include "ProcessStep.h"

class CSetMgr;

// The quality to set, or 0 to leave the engine's default.
int32_t SlimQuality(const CSetMgr& settings);

class JpegQualityStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

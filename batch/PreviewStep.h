// The last step of a preview chain: fits the picture into 320 x 320 (never enlarging) and
// hands it to the job context's refresher as a QImage.
#pragma once

#include <QSize>

#include "ProcessStep.h"

// The preview size of a w x h picture.
QSize PreviewSize(int32_t width, int32_t height);

class PreviewStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

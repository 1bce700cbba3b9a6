// Rounded corners: white, anti-aliased quarter-circle masks laid onto the chosen corners by
// saturating addition, so the corners blend into a white page.
#pragma once

#include <QImage>

#include "ProcessStep.h"

// 10, 20 or 30 pixels for nFrameRoundRize 0..2, else 0.
int32_t CornerRadius(int32_t choice);
// Bits of the corners of combination nFrameRoundPos 0..10 (none for any other value).
enum CornerBit { TopLeft = 1, TopRight = 2, BottomRight = 4, BottomLeft = 8 };
int CornerSet(int32_t combination);
// The top-left mask: white outside the quarter circle of radius r centred at (r, r), black
// inside, anti-aliased; r x r.
QImage CornerMask(int32_t radius);

class CornerStep : public ProcessStep {
 public:
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

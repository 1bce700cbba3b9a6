#include "UserRotationStep.h"

bool UserRotationStep::Process(const PictureItem& item, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  // A turn the engine cannot make leaves the picture as it is.
  switch (item.rotation) {
    case 1: image->ops->RotateRight(image, nullptr); break;
    case 2: image->ops->Rotate180(image, nullptr); break;
    case 3: image->ops->RotateLeft(image, nullptr); break;
    default: break;
  }
  if (item.rotation == 1 || item.rotation == 3) slot.fullSize.transpose();
  return true;
}

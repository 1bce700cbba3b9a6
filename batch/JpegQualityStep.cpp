#include "JpegQualityStep.h"

#include "SetMgr.h"

int32_t SlimQuality(const CSetMgr& settings) {
  if (settings.bPhotoResize() == 0) return 0;
  if (settings.nResizeSimpleType() != 3) return 80;
  constexpr int32_t kLevels[] = {85, 75, 65};
  const int32_t level = settings.nResizeQuality();
  return level >= 0 && level < 3 ? kLevels[level] : 80;
}

bool JpegQualityStep::Process(const PictureItem&, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  if (const int32_t quality = SlimQuality(CSetMgr::Instance()))
    image->ops->SetJpegQuality(image, uint8_t(quality));
  return true;
}

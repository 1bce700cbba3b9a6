#include "ResizeStep.h"

#include <utility>

#include "ImageCalls.h"
#include "SetMgr.h"

int32_t SlimWidth(const CSetMgr& settings) {
  constexpr int32_t kPresets[] = {310, 500, 700};
  const int32_t type = settings.nResizeSimpleType();
  return type >= 0 && type < 3 ? kPresets[type] : settings.nResizeWidth();
}

uint32_t SlimHeight(uint32_t width, uint32_t height, uint32_t target) {
  return width == 0 ? 0 : uint32_t(uint64_t(height) * target / width);
}

bool ResizeStep::Process(const PictureItem&, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  const int32_t target = SlimWidth(CSetMgr::Instance());
  // A picture decoded smaller takes its sizes from the full-scale picture.
  const QSize full = std::exchange(slot.fullSize, QSize());
  const int32_t w = full.isEmpty() ? zv::Width(image) : full.width();
  const int32_t h = full.isEmpty() ? zv::Height(image) : full.height();
  // A hand-edited width of 0 or less would make no picture at all: such a width is ignored.
  if (target <= 0 || w <= target) return true;
  uint32_t newHeight = SlimHeight(uint32_t(w), uint32_t(h), uint32_t(target));
  if (newHeight == 0) newHeight = 1;  // a thin strip keeps one row
  // A failed resample leaves the picture as it was.
  zv::Resample(image, target, int32_t(newHeight));
  return true;
}

#include "ShowcasePrePass.h"

#include <algorithm>

#include "GifCollector.h"
#include "ImageCalls.h"
#include "SetMgr.h"

int32_t ShowcaseLimit(const CSetMgr& settings) {
  if (settings.bPhotoResize() != 1) return 500;
  constexpr int32_t kPresets[] = {310, 500, 700};
  const int32_t type = settings.nResizeSimpleType();
  if (type >= 0 && type < 3) return kPresets[type];
  return type == 3 ? settings.nResizeWidth() : 500;
}

QSize ShowcaseFit(int32_t w, int32_t h, int32_t c) {
  if (w <= 0 || h <= 0) return {};
  if (w > h) {
    const int32_t fw = std::min(w, c);
    return {fw, int32_t(int64_t(h) * fw / w)};
  }
  const int32_t fh = std::min(h, c);
  return {int32_t(int64_t(w) * fh / h), fh};
}

void ShowcasePrePass(const std::vector<PictureItem>& items) {
  CSetMgr& settings = CSetMgr::Instance();
  const int32_t limit = ShowcaseLimit(settings);
  int32_t width = 0, height = 0;
  std::vector<int> readable;
  for (const PictureItem& item : items) {
    ImageOwner image = NewImage();
    if (!image) continue;
    const QString& path = item.OpenPath();
    if (!image->ops->Load(image.get(), reinterpret_cast<const char16_t*>(path.utf16()), 0) ||
        !zv::Valid(image.get()))
      continue;
    const QSize fit = ShowcaseFit(zv::Width(image.get()), zv::Height(image.get()), limit);
    width = std::max(width, fit.width());
    height = std::max(height, fit.height());
    readable.push_back(item.index);
  }
  settings.set_nGIFWidth(width);
  settings.set_nGIFHeight(height);
  settings.set_nGIFFrameCount(int32_t(readable.size()));
  GifCollector::Instance().Reset(readable);
}

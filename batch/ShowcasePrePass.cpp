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

namespace {

// The size a picture has once loaded: a JPEG's from its header alone (its upright size, as
// a full decode turns it), any other picture's by decoding it. Empty when unreadable. A JPEG
// whose header reads but whose data do not fails later in its chain and is left out of the
// animation then.
QSize LoadedSize(const QString& path) {
  const auto* file = reinterpret_cast<const char16_t*>(path.utf16());
  ImageOwner header = NewImage();
  if (!header) return {};
  if (header->ops->LoadInfo(header.get(), file, 0) && header->ops->GetType(header.get()) == ZV_TYPE_JPG) {
    const QSize size(zv::Width(header.get()), zv::Height(header.get()));
    if (!size.isEmpty()) return size;
  }
  ImageOwner image = NewImage();
  if (!image || !image->ops->Load(image.get(), file, 0) || !zv::Valid(image.get())) return {};
  return {zv::Width(image.get()), zv::Height(image.get())};
}

}  // namespace

void ShowcasePrePass(const std::vector<PictureItem>& items) {
  CSetMgr& settings = CSetMgr::Instance();
  const int32_t limit = ShowcaseLimit(settings);
  int32_t width = 0, height = 0;
  std::vector<int> readable;
  for (const PictureItem& item : items) {
    const QSize size = LoadedSize(item.OpenPath());
    if (size.isEmpty()) continue;
    const QSize fit = ShowcaseFit(size.width(), size.height(), limit);
    width = std::max(width, fit.width());
    height = std::max(height, fit.height());
    readable.push_back(item.index);
  }
  settings.set_nGIFWidth(width);
  settings.set_nGIFHeight(height);
  settings.set_nGIFFrameCount(int32_t(readable.size()));
  GifCollector::Instance().Reset(readable);
}

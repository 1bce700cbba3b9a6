#include "FrameStep.h"

#include <QFileInfo>

#include "FrameCatalogue.h"
#include "ImageCalls.h"
#include "SetMgr.h"

ZvRect FrameCrop(uint32_t w, uint32_t h, const ZvRect& window) {
  const int64_t ww = int64_t(window.right) - window.left;
  const int64_t wh = int64_t(window.bottom) - window.top;
  // A window without a positive size gives no shape to crop to.
  if (ww <= 0 || wh < 0) return ZvRect{0, 0, 0, 0};
  const int64_t band = int64_t(w) * wh / ww;
  if (band >= int64_t(h)) return ZvRect{0, 0, 0, 0};
  const int32_t top = int32_t((int64_t(h) - band) / 2);
  return ZvRect{0, top, int32_t(w), top + int32_t(band)};
}

namespace {

// Gives the template back to the manager however the step ends.
struct TemplateOwner {
  ZvFrameTemplate* manager;
  ZvFrameTemplate* frame;
  ~TemplateOwner() {
    if (frame) manager->ops->DestroyTemplate(manager, frame);
  }
};

}  // namespace

bool FrameStep::Process(const PictureItem&, ImageSlot& slot) {
  const int32_t index = CSetMgr::Instance().nFrameFileIndex();
  const QString path = FrameCatalogue::Instance().FrameFilePath(index);
  const QFileInfo file(path);
  if (path.isEmpty() || !file.isFile()) {
    slot.Fail(FailureKind::FrameMissing,
              path.isEmpty() ? QStringLiteral("frame %1 is not in the frames catalogue").arg(index)
                             : path);
    return false;
  }
  ZvImage* image = slot.image;
  if (!image) return false;
  ZvFrameTemplate* manager = Engine().d ? Engine().d() : nullptr;
  if (!manager) {
    slot.Fail(FailureKind::FrameMissing, QStringLiteral("the engine has no frame manager"));
    return false;
  }
  const QString extension = file.suffix();
  const uint32_t type = manager->ops->TypeFromExtension(
      manager, reinterpret_cast<const char16_t*>(extension.utf16()));
  if (type == 0) {
    slot.Fail(FailureKind::FrameMissing, QStringLiteral("%1: not a frame the engine knows").arg(path));
    return false;
  }
  TemplateOwner frame{manager, manager->ops->CreateTemplate(manager, type)};
  if (!frame.frame) return true;  // the picture stays unframed
  ZvFrameTemplate* t = frame.frame;
  if (!t->ops->Load(t, reinterpret_cast<const char16_t*>(path.utf16()))) return true;
  ZvRect window{};
  ZvRect crop{0, 0, 0, 0};
  if (t->ops->WindowRect(t, 0, &window))
    crop = FrameCrop(uint32_t(zv::Width(image)), uint32_t(zv::Height(image)), window);
  const ZvPhotoEntry photo{image, crop};
  if (t->ops->AddPhoto(t, &photo) >= 0) {
    ImageOwner framed = NewImage();
    if (framed && t->ops->Render(t, framed.get()) && zv::Valid(framed.get()) &&
        (framed->ops->GetDepth(framed.get()) == 24 || framed->ops->IncreaseBpp(framed.get(), 24))) {
      // The template only refers to the picture: it is emptied before the picture goes.
      t->ops->Reset(t);
      ReleaseImage(slot.image);
      slot.image = framed.release();
      return true;
    }
  }
  t->ops->Reset(t);
  return true;
}

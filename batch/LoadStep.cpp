#include "LoadStep.h"

#include <algorithm>

#include "ImageCalls.h"
#include "SetMgr.h"
#include "ShrinkOnLoad.h"

namespace {

// The decode size hint for shrink-on-load, and the full-scale size it replaces. Reads the
// file's header only; nothing when the picture is neither a JPEG nor a camera raw, or needs
// no shrinking. A camera raw develops at full or at half size (LibRaw's half size skips the
// demosaicing, several times faster), so 1/2 is as far as it goes.
QSize ShrinkHint(const QString& path, ShrinkTarget target, int userRotation, QSize* fullSize) {
  if (target.width <= 0) return {};
  ImageOwner header = NewImage();
  if (!header || !header->ops->LoadInfo(header.get(), reinterpret_cast<const char16_t*>(path.utf16()), 0)) return {};
  const auto type = header->ops->GetType(header.get());
  if (type != ZV_TYPE_JPG && type != ZV_TYPE_RAW) return {};
  // The header reports the upright size (the EXIF or camera turn applied).
  const QSize upright(zv::Width(header.get()), zv::Height(header.get()));
  const int scale = ShrinkScale(target, upright, userRotation);
  for (int d = type == ZV_TYPE_RAW ? std::min(scale, 2) : scale; d > 1; d /= 2) {
    const QSize hint = HintForScale(upright, d);
    if (hint.isEmpty()) continue;
    *fullSize = upright;
    return hint;
  }
  return {};
}

}  // namespace

bool LoadStep::Process(const PictureItem& item, ImageSlot& slot) {
  ReleaseImage(slot.image);
  ImageOwner image = NewImage();
  if (!image) {
    slot.Fail(FailureKind::Unreadable, QStringLiteral("the engine made no image object"));
    return false;
  }
  const QString& path = item.OpenPath();
  QSize fullSize;
  const QSize hint =
      ShrinkHint(path, ShrinkTargetFor(CSetMgr::Instance(), showcaseChain_), item.rotation, &fullSize);
  if (!hint.isEmpty()) image->ops->SetDecodeSizeHint(image.get(), hint.width(), hint.height());
  const bool loaded = image->ops->Load(image.get(), reinterpret_cast<const char16_t*>(path.utf16()), 0);
  if (!loaded || !zv::Valid(image.get())) {
    QString why = zv::LastError(image.get());
    slot.Fail(FailureKind::Unreadable, why.isEmpty() ? QStringLiteral("cannot be decoded") : why);
    return false;
  }
  // Every step works on 24 bits; a picture that cannot be widened is not usable.
  if (image->ops->GetDepth(image.get()) != 24 && !image->ops->IncreaseBpp(image.get(), 24)) {
    slot.Fail(FailureKind::Unreadable, zv::LastError(image.get()));
    return false;
  }
  if (!hint.isEmpty() && QSize(zv::Width(image.get()), zv::Height(image.get())) != fullSize) slot.fullSize = fullSize;
  slot.image = image.release();
  return true;
}

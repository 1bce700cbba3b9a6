#include "LoadStep.h"

#include "ImageCalls.h"

bool LoadStep::Process(const PictureItem& item, ImageSlot& slot) {
  ReleaseImage(slot.image);
  ImageOwner image = NewImage();
  if (!image) {
    slot.Fail(FailureKind::Unreadable, QStringLiteral("the engine made no image object"));
    return false;
  }
  const QString& path = item.OpenPath();
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
  slot.image = image.release();
  return true;
}

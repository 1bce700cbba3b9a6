#include "SaveStep.h"

#include <QFile>

#include "ImageCalls.h"
#include "OutputName.h"

bool SaveStep::Process(const PictureItem& item, ImageSlot& slot) {
  if (!slot.image) return false;
  QString why;
  const QString path = MakeOutputName(item.path, &why);
  if (path.isEmpty()) {
    slot.Fail(FailureKind::WriteFailed, why);
    return false;
  }
  ZvImage* image = slot.image;
  if (!image->ops->Save(image, reinterpret_cast<const char16_t*>(path.utf16()), ZV_TYPE_JPG)) {
    why = zv::LastError(image);
    // The empty file is ours: it was created for this picture a moment ago.
    QFile::remove(path);
    slot.Fail(FailureKind::WriteFailed,
              why.isEmpty() ? QStringLiteral("cannot write %1").arg(path)
                            : QStringLiteral("%1: %2").arg(path, why));
    return false;
  }
  slot.outputPath = path;
  ReleaseImage(slot.image);
  return true;
}

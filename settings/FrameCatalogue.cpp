#include "FrameCatalogue.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "zlvplatform.h"

namespace {

constexpr qint64 kMaxCatalogueBytes = 16 << 20;
// Previews are small pictures; a larger one is not loaded (the item shows its name only).
constexpr int kMaxPreviewMegabytes = 64;

QImage loadPreview(const QString& path) {
  QImageReader reader(path);
  reader.setAllocationLimit(kMaxPreviewMegabytes);
  reader.setAutoTransform(false);
  QImage image = reader.read();
  return image;
}

}  // namespace

QString portablePath(QString path) {
  path.replace(u'\\', u'/');
  return path;
}

FrameCatalogue& FrameCatalogue::Instance() {
  static FrameCatalogue catalogue;
  return catalogue;
}

QString FrameCatalogue::FramesFolder() {
  char16_t buf[4096];
  uint32_t n = zlvProgramDir(buf, 4096);
  return QString::fromUtf16(buf, n) + QStringLiteral("data/frames/");
}

bool FrameCatalogue::LoadCatalogue() {
  QString folder = FramesFolder();
  return LoadCatalogueFrom(folder + QStringLiteral("frames_config.xml"), folder);
}

bool FrameCatalogue::LoadCatalogueFrom(const QString& catalogueFile, const QString& framesFolder) {
  QFile file(catalogueFile);
  if (!QFileInfo(catalogueFile).isFile() || !file.open(QIODevice::ReadOnly) ||
      file.size() > kMaxCatalogueBytes)
    return false;
  QDomDocument doc;
  if (!doc.setContent(file.read(kMaxCatalogueBytes))) return false;
  folder_ = framesFolder;
  if (!folder_.isEmpty() && !folder_.endsWith(u'/')) folder_ += u'/';
  // Every "item" whose parent is a "frames" element, in document order.
  QDomNodeList items = doc.elementsByTagName(QStringLiteral("item"));
  for (int i = 0; i < items.count(); ++i) {
    QDomElement item = items.at(i).toElement();
    if (item.parentNode().nodeName() != QStringLiteral("frames")) continue;
    FrameEntry entry;
    entry.name = item.firstChildElement(QStringLiteral("frame_name")).text();
    entry.framePath = item.firstChildElement(QStringLiteral("frame_path")).text();
    QString preview = item.firstChildElement(QStringLiteral("preview_path")).text();
    entry.previewPath = folder_ + portablePath(preview);
    if (!preview.isEmpty() && QFileInfo(entry.previewPath).isFile()) entry.preview = loadPreview(entry.previewPath);
    entries_.push_back(std::move(entry));
  }
  return true;
}

void FrameCatalogue::ReleasePreviews() {
  for (FrameEntry& e : entries_) e.preview = QImage();
}

const FrameEntry* FrameCatalogue::Entry(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &entries_[size_t(index)];
}

QString FrameCatalogue::FrameFilePath(int index) const {
  const FrameEntry* e = Entry(index);
  return e ? (folder_.isEmpty() ? FramesFolder() : folder_) + portablePath(e->framePath) : QString();
}

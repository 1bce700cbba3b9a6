#include "ExifHelper.h"

#include <dlfcn.h>

#include <mutex>

#include <QFile>

#include "ProgramPaths.h"
#include "zlvexif.h"

namespace {

constexpr const char* kBareName = "libzlvexif.so";

struct EntrySet {
  void* module = nullptr;
  void* getExif = nullptr;  // fnGetExif or fnGetExif2
  ZlvFnFreeMem freeMem = nullptr;
  bool bound() const { return module != nullptr; }
};

std::mutex gLock;
EntrySet gJpegSet;
EntrySet gRawTiffSet;

// Loads the library and looks up the three names; all of them or none.
EntrySet bindSet(const QByteArray& file, const char* getName, const char* detailName) {
  EntrySet set;
  void* module = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return set;
  void* getExif = dlsym(module, getName);
  void* freeMem = dlsym(module, "fnFreeMem");
  void* detail = dlsym(module, detailName);
  if (!getExif || !freeMem || !detail) {
    dlclose(module);
    return set;
  }
  set.module = module;
  set.getExif = getExif;
  set.freeMem = reinterpret_cast<ZlvFnFreeMem>(freeMem);
  return set;
}

ZlvExifRecord freshRecord() {
  ZlvExifRecord record{};
  record.version = ZLVEXIF_RECORD_VERSION;
  return record;
}

// The record's buffer becomes ours; an unusable one goes straight back to the library.
std::optional<ExifThumbnail> takeThumbnail(const ZlvExifRecord& record, bool usable,
                                           ThumbnailKind kind, int orientation,
                                           ZlvFnFreeMem freeMem) {
  if (!record.thumbnail) return std::nullopt;
  if (!usable || record.thumbnailSize == 0) {
    freeMem(record.thumbnail);
    return std::nullopt;
  }
  return ExifThumbnail(record.thumbnail, record.thumbnailSize, kind, orientation, freeMem);
}

}  // namespace

namespace ExifHelper {

bool BindJpegSet() {
  std::lock_guard lock(gLock);
  if (!gJpegSet.bound())
    gJpegSet = bindSet(QFile::encodeName(CompanionLibraryPath(ExifHelperLibrary)), "fnGetExif",
                       "fnGetDetailInfo");
  return gJpegSet.bound();
}

bool BindRawTiffSet() {
  std::lock_guard lock(gLock);
  if (!gRawTiffSet.bound()) gRawTiffSet = bindSet(kBareName, "fnGetExif2", "fnGetDetailInfo2");
  return gRawTiffSet.bound();
}

std::optional<ExifThumbnail> GetExif(const QString& path) {
  EntrySet set;
  {
    std::lock_guard lock(gLock);
    set = gJpegSet;
  }
  if (!set.bound()) return std::nullopt;
  const QByteArray file = QFile::encodeName(path);
  ZlvExifRecord record = freshRecord();
  // A failed call owns nothing we could safely release: what it left in the record is ignored.
  if (reinterpret_cast<ZlvFnGetExif>(set.getExif)(file.constData(), &record) == 0)
    return std::nullopt;
  const int orientation = record.orientation <= 8 ? record.orientation : 0;
  return takeThumbnail(record, true, ThumbnailKind::Jpeg, orientation, set.freeMem);
}

std::optional<ExifThumbnail> GetExif2(const QString& path) {
  EntrySet set;
  {
    std::lock_guard lock(gLock);
    set = gRawTiffSet;
  }
  if (!set.bound()) return std::nullopt;
  const QByteArray file = QFile::encodeName(path);
  ZlvExifRecord record = freshRecord();
  reinterpret_cast<ZlvFnGetExif2>(set.getExif)(file.constData(), &record);
  const bool knownKind = record.kind == ZLVEXIF_KIND_JPEG || record.kind == ZLVEXIF_KIND_PNM;
  const ThumbnailKind kind =
      record.kind == ZLVEXIF_KIND_PNM ? ThumbnailKind::Pnm : ThumbnailKind::Jpeg;
  const int orientation = record.orientation <= 8 ? record.orientation : 0;
  return takeThumbnail(record, knownKind, kind, orientation, set.freeMem);
}

void UnbindForTests() {
  std::lock_guard lock(gLock);
  for (EntrySet* set : {&gJpegSet, &gRawTiffSet}) {
    if (set->module) dlclose(set->module);
    *set = {};
  }
}

}  // namespace ExifHelper

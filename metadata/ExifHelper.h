// The binding of the optional EXIF helper library (libzlvexif.so, interface in zlvexif.h).
// Two independent sets of entries, each bound all-or-nothing when first needed and tried
// again on every later request while absent; once bound they stay for the process.
// Called from the thumbnail worker; guarded all the same.
#pragma once

#include <optional>

#include <QString>

#include "ExifThumbnail.h"

namespace ExifHelper {

// Set 1 (fnGetExif, fnFreeMem, fnGetDetailInfo) from CompanionLibraryPath(ExifHelperLibrary):
// the program folder when the file is there, else the editor folder.
bool BindJpegSet();
// Set 2 (fnGetExif2, fnFreeMem, fnGetDetailInfo2) by bare file name (the loader's search).
bool BindRawTiffSet();

// Calls on a bound set; nothing when the call fails or returns no usable thumbnail.
std::optional<ExifThumbnail> GetExif(const QString& path);
std::optional<ExifThumbnail> GetExif2(const QString& path);

// Tests only: forgets both sets so that the next request binds again.
void UnbindForTests();

}  // namespace ExifHelper

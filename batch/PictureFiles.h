// Which files are pictures, and the folder scan as the picture list's folder browser does
// it: breadth-first, sub-folders only when asked, files whose lower-cased extension is one
// of the supported ones. Names within a folder come in sorted order, so a run over the same
// folder always lists the same pictures in the same order.
#pragma once

#include <QString>
#include <QStringList>

// "*.bmp;*.gif;...;*.pkv;": the 43 supported extensions in their fixed order.
const QString& SupportedPatterns();
// True when "." + the lower-cased extension + ";" occurs in the patterns (so a name without
// an extension never matches).
bool IsSupportedPicture(const QString& fileName);
// The picture files under a folder, as found on disk (not lower-cased).
QStringList ScanFolder(const QString& folder, bool subFolders);

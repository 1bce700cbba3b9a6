// One picture of a run, as the chain sees it. Handed out by value, so a worker never holds a
// pointer into a list that the user interface may change meanwhile.
#pragma once

#include <QString>

struct PictureItem {
  QString path;      // lower-cased: output names and extension tests
  QString filePath;  // the path as found on disk: the file is opened by this one
  int index = 0;     // position in the list when handed out
  int rotation = 0;  // quarter turns clockwise the user applied, 0..3

  // The file to open: filePath, or path when no separate on-disk path is known.
  const QString& OpenPath() const { return filePath.isEmpty() ? path : filePath; }
};

// Makes the list's 115-pixel thumbnail of one file through the engine. Runs on the thumbnail
// worker; touches no widget.
#pragma once

#include <QImage>
#include <QString>

constexpr int kThumbnailSize = 115;

// The thumbnail size for a picture of width x height: fitted into 115 x 115, aspect kept,
// never enlarged (integer arithmetic, truncating).
QSize FitThumbnail(int width, int height);

// The thumbnail of the file at filePath (the path as on disk), or a null image when the file
// cannot be read or decoded, or the engine is not bound.
QImage MakeThumbnail(const QString& filePath);

// The picture watermark: a picture file (a shop logo, often a PNG with alpha) drawn at its own
// size, its alpha scaled by the transparency, turned and placed like the text watermark.
#pragma once

#include <QImage>
#include <QString>
#include <QTransform>

#include "MarkPlacement.h"
#include "ProcessStep.h"

class QPainter;
class CSetMgr;

struct PictureMarkSettings {
  QString path;              // the watermark picture
  int32_t transparent = 20;  // percent
  int32_t rotate = 0;        // degrees, positive turns counter-clockwise on screen
  MarkLayout layout;

  static PictureMarkSettings FromSettings(const CSetMgr& settings);
};

// The largest watermark picture read, in pixels; a bigger one is treated as unreadable.
inline constexpr int64_t kMaxMarkPicturePixels = int64_t(8192) * 8192;

// Reads the watermark picture (PNG, JPEG, GIF, BMP, TIFF, ...) as premultiplied ARGB. Null when
// the file cannot be read or is larger than kMaxMarkPicturePixels; *why then says why.
QImage ReadMarkPicture(const QString& path, QString* why = nullptr);

// The box of the picture turned by -rotate degrees, and the transform that draws the picture
// with that box's top-left corner at (0, 0).
MarkBox TurnedPictureBox(int width, int height, int32_t rotate, QTransform* turn);

// Draws `logo` as the mark on a picture of width x height through `painter`; `toDevice` maps
// picture coordinates onto the painter's device. Returns how many marks were drawn.
int64_t StampPictureMark(QPainter& painter, const QTransform& toDevice, int width, int height, const QImage& logo,
                         const PictureMarkSettings& settings);

// Stamps an already read logo on an engine picture (the picture keeps its format).
bool StampPictureMarkOnImage(ZvImage* image, const QImage& logo, const PictureMarkSettings& settings);

class PictureMarkStep : public ProcessStep {
 public:
  // False with no picture, and false (WatermarkMissing) when no file exists at the watermark
  // path; a file that cannot be read is a 0 x 0 mark: nothing drawn, true.
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

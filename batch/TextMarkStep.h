// The text watermark: the text as a filled outline path, turned by the chosen angle, in the mark
// colour and transparency, once at a preset position or as tiles.
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include "MarkPlacement.h"
#include "ProcessStep.h"

class QPainter;
class CSetMgr;

struct TextMarkSettings {
  QString text = QStringLiteral("请在此处输入水印文字");
  QString face = QStringLiteral("黑体");
  int32_t size = 22;  // em size in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int32_t color = 0xFFFFFF;  // 0x00BBGGRR
  int32_t transparent = 20;  // percent
  int32_t rotate = 0;        // degrees, positive turns counter-clockwise on screen
  MarkLayout layout;

  static TextMarkSettings FromSettings(const CSetMgr& settings);
};

// The mark colour: red, green, blue from the low, middle and high byte of a 0x00BBGGRR value,
// alpha (100 - transparent) * 255 / 100.
QColor MarkColor(int32_t bgr, int32_t transparent);

// The text laid out as a path, turned by -rotate degrees about the origin and moved so that its
// box starts at (0, 0); *box gets that box (at (0, 0)).
QPainterPath TextMarkPath(const TextMarkSettings& settings, MarkBox* box);

// Draws the mark on a picture of width x height through `painter`; `toDevice` maps picture
// coordinates onto the painter's device. Returns how many marks were drawn.
int64_t StampTextMark(QPainter& painter, const QTransform& toDevice, int width, int height,
                      const TextMarkSettings& settings);

// Stamps the mark on an engine picture (the picture keeps its format). False when the engine
// could not make a bitmap of the picture or take it back.
bool StampTextMarkOnImage(ZvImage* image, const TextMarkSettings& settings);

class TextMarkStep : public ProcessStep {
 public:
  // False with no picture; otherwise stamps (a drawing that fails leaves the picture as it was).
  bool Process(const PictureItem& item, ImageSlot& slot) override;
};

// The texts of the settings lists, in the order their indexes are stored.
#pragma once

#include <QString>
#include <QStringList>

namespace settingsLists {

QStringList SizePresets();     // nResizeSimpleType
QStringList Qualities();       // nResizeQuality
QStringList Corners();         // nFrameRoundPos, as the panel shows them
QStringList PageCorners();     // the same on the frame page (its third entry ends in a blank)
QStringList Radii();           // nFrameRoundRize
QStringList Positions();       // nMarkPosSimple
QStringList Units();           // nMarkPosTopUnit / nMarkPosLeftUnit
QStringList FontSizes();       // the font size combo's choices
// The panel's one-line description of where the watermark goes.
QString PositionDescription(int posStyle, int posSimple);

// The margin rows of a watermark position: the label of each row, empty where it is hidden.
struct MarginRows {
  QString first;
  QString second;
};
MarginRows MarginRowsOf(int position);

// The custom size preset: only then the width, quality and estimate apply.
constexpr int kCustomSize = 3;
// "图片大小约 %d KB" of an encoded byte count.
QString EstimateText(int bytes);
// The JPEG quality an estimate is made with for nResizeQuality.
int EstimateQuality(int qualityLevel);

}  // namespace settingsLists

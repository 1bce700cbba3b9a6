// Control identifiers of the settings panel (144), the settings dialog (145) and its frame (147)
// and watermark (146) pages. Every control's objectName is its identifier in decimal. The
// pages reuse numbers of the panel, so each window keeps its own namespace.
#pragma once

#include "ControlNames.h"

namespace panelId {
constexpr int kPanel = 144;
constexpr int kResizeCheck = 1059;
constexpr int kSizePreset = 1087;
constexpr int kSizePresetLabel = 1094;
constexpr int kWidthEdit = 1096;
constexpr int kWidthLabel = 1095;
constexpr int kWidthUnitLabel = 1100;
constexpr int kQuality = 1075;
constexpr int kEstimate = 1098;
constexpr int kFramesCheck = 1062;
constexpr int kCorners = 1106;
constexpr int kCornersLabel = 1107;
constexpr int kRadiusLabel = 1108;
constexpr int kRadius = 1109;
constexpr int kFrameList = 1101;
constexpr int kFrameListLabel = 1110;
constexpr int kFrameButton = 1069;
constexpr int kMarkCheck = 1066;
constexpr int kMarkText = 1070;
constexpr int kMarkTextLabel = 1111;
constexpr int kMarkPath = 1114;
constexpr int kMarkPathLabel = 1113;
constexpr int kMarkPosition = 1112;
constexpr int kMarkButton = 1068;
constexpr int kGifCheck = 1037;
constexpr int kSpeedList = 1076;
constexpr int kSpeedEdit = 1036;
constexpr int kSpeedUpDown = 1040;
}  // namespace panelId

namespace dialogId {
constexpr int kDialog = 145;
constexpr int kTabs = 1071;
constexpr int kPreviewArea = 1135;
constexpr int kPrevious = 1035;
constexpr int kNext = 1038;
constexpr int kOk = 1;      // IDOK
constexpr int kCancel = 2;  // IDCANCEL
}  // namespace dialogId

namespace framePageId {
constexpr int kPage = 147;
constexpr int kUseCorners = 1102;
constexpr int kUseFrame = 1103;
constexpr int kCorners = 1104;
constexpr int kRadius = 1105;
// The catalogue view has no number of its own.
inline const char* const kFrameView = "frameView";
}  // namespace framePageId

namespace markPageId {
constexpr int kPage = 146;
constexpr int kTextMode = 1073;
constexpr int kPictureMode = 1077;
constexpr int kText = 1036;
constexpr int kFont = 1075;
constexpr int kFontLabel = 1115;
constexpr int kMoreFonts = 1131;
constexpr int kFontSize = 1076;
constexpr int kBold = 1037;
constexpr int kItalic = 1038;
constexpr int kUnderline = 1039;
constexpr int kColour = 1119;
constexpr int kPicturePath = 1042;
constexpr int kChooseFile = 1035;
constexpr int kAtPosition = 1078;
constexpr int kTiled = 1080;
constexpr int kPosition = 1065;
constexpr int kFirstMargin = 1043;
constexpr int kFirstUnit = 1072;
constexpr int kFirstLabel = 1123;
constexpr int kSecondMargin = 1044;
constexpr int kSecondUnit = 1074;
constexpr int kSecondLabel = 1124;
constexpr int kSpacing = 1081;
constexpr int kRows = 1082;
constexpr int kRotationSlider = 1083;
constexpr int kRotation = 1085;
constexpr int kTransparencySlider = 1084;
constexpr int kTransparency = 1086;
}  // namespace markPageId


#include "SettingsLists.h"

#include <iterator>

namespace settingsLists {
namespace {

template <size_t N>
QStringList listOf(const char16_t* const (&texts)[N]) {
  QStringList list;
  for (const char16_t* t : texts) list << QString::fromUtf16(t);
  return list;
}

const char16_t* const kSizePresets[] = {
    u"较小图片（310像素宽，约20KB，适合宝贝图片）", u"中等图片（500像素宽，约100KB，适合宝贝描述）",
    u"较大图片（700像素宽，约130KB，适合宽版宝贝描述）", u"自定义大小 ..."};
const char16_t* const kQualities[] = {u"高等质量", u"中等质量", u"低等质量"};
const char16_t* const kCorners[] = {u"四角",          u"左上角",        u"左下角",
                                    u"右上角",        u"右下角",        u"左上角+左下角",
                                    u"右上角+右下角", u"左上角+右上角", u"左下角+右下角",
                                    u"左上角+右下角", u"左下角+右上角"};
const char16_t* const kRadii[] = {u"小圆角（圆角半径为10像素）", u"中等圆角（圆角半径为20像素）",
                                  u"大圆角（圆角半径为30像素）"};
const char16_t* const kPositions[] = {u"右下角",         u"左下角",         u"左上角",
                                      u"右上角",         u"底部并左右居中", u"顶部并左右居中",
                                      u"左边并上下居中", u"右边并上下居中", u"图片中心"};
const char16_t* const kUnits[] = {u"百分比", u"像素"};
const char16_t* const kFontSizes[] = {u"8",  u"9",  u"10", u"11", u"12", u"14", u"16", u"18",
                                      u"20", u"22", u"24", u"26", u"28", u"36", u"48", u"72"};
const char16_t* const kDescriptions[] = {
    u"水印显示在图像右下角",         u"水印显示在图像左下角",         u"水印显示在图像左上角",
    u"水印显示在图像右上角",         u"水印显示在图像底部并左右居中", u"水印显示在图像顶部并左右居中",
    u"水印显示在图像左部并上下居中", u"水印显示在图像右部并上下居中", u"水印显示在图像中心"};

struct MarginRow {
  const char16_t* first;
  const char16_t* second;
};
const MarginRow kMarginRows[] = {
    {u"下边距", u"右边距"}, {u"下边距", u"左边距"}, {u"上边距", u"左边距"},
    {u"上边距", u"右边距"}, {u"下边距", u""},       {u"上边距", u""},
    {u"左边距", u""},       {u"右边距", u""},       {u"", u""}};

}  // namespace

QStringList SizePresets() { return listOf(kSizePresets); }
QStringList Qualities() { return listOf(kQualities); }
QStringList Corners() { return listOf(kCorners); }
QStringList PageCorners() {
  QStringList list = Corners();
  list[2] += u' ';
  return list;
}
QStringList Radii() { return listOf(kRadii); }
QStringList Positions() { return listOf(kPositions); }
QStringList Units() { return listOf(kUnits); }
QStringList FontSizes() { return listOf(kFontSizes); }

QString PositionDescription(int posStyle, int posSimple) {
  if (posStyle == 1) return QStringLiteral("平铺水印");
  if (posSimple < 0 || posSimple >= int(std::size(kDescriptions))) return QString();
  return QString::fromUtf16(kDescriptions[posSimple]);
}

MarginRows MarginRowsOf(int position) {
  // A hand-edited position outside the list has no rows to show.
  if (position < 0 || position >= int(std::size(kMarginRows))) return {};
  return {QString::fromUtf16(kMarginRows[position].first),
          QString::fromUtf16(kMarginRows[position].second)};
}

QString EstimateText(int bytes) {
  return QStringLiteral("图片大小约 %1 KB").arg(bytes / 1024 + 1);
}

int EstimateQuality(int qualityLevel) {
  static const int kQuality[] = {85, 75, 65};
  return qualityLevel >= 0 && qualityLevel < 3 ? kQuality[qualityLevel] : 0;
}

}  // namespace settingsLists

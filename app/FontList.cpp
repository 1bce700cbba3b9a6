#include "FontList.h"

#include <QFontDatabase>

#include "FontFaceMap.h"

namespace {

// The Windows faces a seller knows by their Chinese names.
const char16_t* const kChineseFaces[] = {u"黑体", u"宋体", u"新宋体", u"仿宋", u"楷体", u"微软雅黑",
                                         u"微软正黑体", u"等线", u"幼圆", u"华文黑体", u"华文宋体",
                                         u"华文楷体", u"新细明体", u"细明体", u"标楷体"};

// Those the watermark steps can draw with an installed family.
QStringList mappedChineseFaces() {
  QStringList names;
  for (const char16_t* face : kChineseFaces) {
    const QString name = QString::fromUtf16(face);
    if (!InstalledFamilyFor(name).isEmpty()) names << name;
  }
  return names;
}

// Adds name unless an entry already begins with it (case ignored).
void addUnlessCovered(QStringList& list, const QString& name) {
  if (name.isEmpty() || name.startsWith(u'@')) return;
  for (const QString& entry : list)
    if (entry.startsWith(name, Qt::CaseInsensitive)) return;
  list << name;
}

}  // namespace

QStringList FontListOf(const QStringList& mappedWindowsNames, const std::vector<FontFamily>& families) {
  QStringList list;
  for (const QString& name : mappedWindowsNames) addUnlessCovered(list, name);
  for (const FontFamily& family : families)
    if (family.chineseOrLatin) addUnlessCovered(list, family.name);
  return list;
}

QStringList FontList() {
  std::vector<FontFamily> families;
  for (const QString& name : QFontDatabase::families()) {
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(name);
    families.push_back({name, systems.contains(QFontDatabase::SimplifiedChinese) ||
                                  systems.contains(QFontDatabase::Latin)});
  }
  return FontListOf(mappedChineseFaces(), families);
}

#include "FontFaceMap.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

// Stand-ins for each kind of face, best first. WenQuanYi Zen Hei (fonts-wqy-zenhei) is the one
// the project installs; the others are used when present.
const QStringList kHei = {"WenQuanYi Zen Hei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC",
                          "Droid Sans Fallback"};
const QStringList kSong = {"Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN", "AR PL SungtiL GB"};
const QStringList kKai = {"AR PL UKai CN", "AR PL KaitiM GB"};
const QStringList kSans = {"Liberation Sans", "DejaVu Sans"};
const QStringList kSerif = {"Liberation Serif", "DejaVu Serif"};
const QStringList kMono = {"Liberation Mono", "DejaVu Sans Mono"};

struct FaceKind {
  const char16_t* face;
  const QStringList* primary;
  const QStringList* secondary;  // tried next (Song and Kai fall back to Hei: still Chinese)
};

// Windows face names, Chinese and English, compared without case.
const FaceKind kFaces[] = {
    {u"黑体", &kHei, nullptr},
    {u"SimHei", &kHei, nullptr},
    {u"微软雅黑", &kHei, nullptr},
    {u"Microsoft YaHei", &kHei, nullptr},
    {u"Microsoft YaHei UI", &kHei, nullptr},
    {u"微软正黑体", &kHei, nullptr},
    {u"Microsoft JhengHei", &kHei, nullptr},
    {u"等线", &kHei, nullptr},
    {u"DengXian", &kHei, nullptr},
    {u"幼圆", &kHei, nullptr},
    {u"YouYuan", &kHei, nullptr},
    {u"华文黑体", &kHei, nullptr},
    {u"STHeiti", &kHei, nullptr},
    {u"宋体", &kSong, &kHei},
    {u"SimSun", &kSong, &kHei},
    {u"新宋体", &kSong, &kHei},
    {u"NSimSun", &kSong, &kHei},
    {u"仿宋", &kSong, &kHei},
    {u"FangSong", &kSong, &kHei},
    {u"仿宋_GB2312", &kSong, &kHei},
    {u"华文宋体", &kSong, &kHei},
    {u"STSong", &kSong, &kHei},
    {u"新细明体", &kSong, &kHei},
    {u"PMingLiU", &kSong, &kHei},
    {u"细明体", &kSong, &kHei},
    {u"MingLiU", &kSong, &kHei},
    {u"楷体", &kKai, &kSong},
    {u"KaiTi", &kKai, &kSong},
    {u"楷体_GB2312", &kKai, &kSong},
    {u"华文楷体", &kKai, &kSong},
    {u"STKaiti", &kKai, &kSong},
    {u"标楷体", &kKai, &kSong},
    {u"DFKai-SB", &kKai, &kSong},
    {u"Arial", &kSans, &kHei},
    {u"Tahoma", &kSans, &kHei},
    {u"Verdana", &kSans, &kHei},
    {u"Segoe UI", &kSans, &kHei},
    {u"Helvetica", &kSans, &kHei},
    {u"Times New Roman", &kSerif, &kHei},
    {u"Georgia", &kSerif, &kHei},
    {u"Courier New", &kMono, &kHei},
    {u"Consolas", &kMono, &kHei},
};

QString FirstInstalled(const QStringList* families) {
  if (!families) return {};
  for (const QString& f : *families)
    if (QFontDatabase::hasFamily(f)) return f;
  return {};
}

}  // namespace

QString InstalledFamilyFor(const QString& face) {
  const QString name = face.trimmed();
  if (name.isEmpty()) return {};
  for (const FaceKind& k : kFaces) {
    if (name.compare(QString::fromUtf16(k.face), Qt::CaseInsensitive) != 0) continue;
    // A real font of that name (a seller who installed the Windows fonts) wins.
    if (QFontDatabase::hasFamily(name)) return name;
    QString found = FirstInstalled(k.primary);
    if (found.isEmpty()) found = FirstInstalled(k.secondary);
    if (found.isEmpty() && k.secondary != &kHei) found = FirstInstalled(&kHei);
    return found;
  }
  return QFontDatabase::hasFamily(name) ? name : QString();
}

QString SubstituteFamily() {
  const QString hei = FirstInstalled(&kHei);
  if (!hei.isEmpty()) return hei;
  return QFontInfo(QFont()).family();
}

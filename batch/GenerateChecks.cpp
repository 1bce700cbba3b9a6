#include "GenerateChecks.h"

#include "SetMgr.h"

QString GenerateRefusal(int pictures, const CSetMgr& s) {
  if (pictures == 0)
    return QStringLiteral(
        "您尚未添加需要处理的图片。请在左侧“添加图片”框内点击“添加图片...”或“添加文件夹...”按钮添加您要处理的图片。");
  if (s.bPhotoResize() == 0 && s.bPhotoMark() == 0 && s.bPhotoFrames() == 0 && s.bPhotoGIF() == 0)
    return QStringLiteral(
        "您尚未选择图片生成效果。请在右侧的“图片生成设置”框内选择生成图片效果。您可以选择配置 "
        "“图片瘦身”、“为图片增加边框/圆角”或“为图片增加水印”中的一种或多种效果组合。");
  if (s.bPhotoMark() == 1 && s.nMarkStyle() == 0 && s.strMarkText() == QStringLiteral("请在此处输入水印文字"))
    return QStringLiteral("您尚未输入水印文字。请在输入框中输入您想要显示的水印文字。");
  if (pictures == 1 && s.bPhotoGIF() == 1)
    return QStringLiteral("您只添加了一张图片，无法生成动态展示图片。");
  return {};
}

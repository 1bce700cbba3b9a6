// The rules of the generate command that need no window: the refusals in their order and the
// naming of the showcase GIF.
#pragma once

#include <QString>
#include <optional>

struct SettingsData;

namespace GenerateText {
inline const QString kNoPictures = QStringLiteral(
    "您尚未添加需要处理的图片。请在左侧“添加图片”框内点击“添加图片...”或“添加文件夹...”按钮添加您要处理的图片。");
inline const QString kNoEffect = QStringLiteral(
    "您尚未选择图片生成效果。请在右侧的“图片生成设置”框内选择生成图片效果。您可以选择配置 "
    "“图片瘦身”、“为图片增加边框/圆角”或“为图片增加水印”中的一种或多种效果组合。");
inline const QString kNoMarkText =
    QStringLiteral("您尚未输入水印文字。请在输入框中输入您想要显示的水印文字。");
inline const QString kOnePicture = QStringLiteral("您只添加了一张图片，无法生成动态展示图片。");
inline const QString kScanning = QStringLiteral("正在添加图片文件过程中……，请稍后点击。");
inline const QString kFolderTitle = QStringLiteral("将文件导出到：");
inline const QString kGifFilter = QStringLiteral("导出格式(*.gif)");
}  // namespace GenerateText

// The message of the first check the request fails, or nothing when it may run.
std::optional<QString> GenerateRefusal(int pictureCount, const SettingsData& settings, bool scanning);

// The chosen save name with ".gif" appended unless it already ends so (any case).
QString WithGifExtension(const QString& chosen);

// A folder path as the settings keep it: with one trailing "/".
QString AsExportFolder(const QString& folder);

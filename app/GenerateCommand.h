// The rules of the main window's generate command that need no window: the refusals in their
// order (the shared export checks, then a running folder scan) and the naming of the
// showcase GIF.
#pragma once

#include <QString>
#include <optional>

class CSetMgr;

namespace GenerateText {
inline const QString kScanning = QStringLiteral("正在添加图片文件过程中……，请稍后点击。");
inline const QString kFolderTitle = QStringLiteral("将文件导出到：");
inline const QString kGifFilter = QStringLiteral("导出格式(*.gif)");
}  // namespace GenerateText

// The message of the first check the request fails, or nothing when it may run.
std::optional<QString> MainWindowRefusal(int pictureCount, const CSetMgr& settings, bool scanning);

// The chosen save name with ".gif" appended unless it already ends so (any case).
QString WithGifExtension(const QString& chosen);

// A folder path as the settings keep it: with one trailing "/".
QString AsExportFolder(const QString& folder);

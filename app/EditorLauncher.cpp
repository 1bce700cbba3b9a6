#include "EditorLauncher.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

#include "ControlNames.h"
#include "IconMessageLayout.h"
#include "ProgramPaths.h"

bool LaunchEditor(const QString& picturePath) {
  const QString folder = EditorFolder();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  const QString editor = folder + QStringLiteral("zelvo");
  if (!QFileInfo(editor).isExecutable()) return false;
  return QProcess::startDetached(editor, {picturePath}, folder);
}

EditorOfferDialog::EditorOfferDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(idName(kId));
  setWindowTitle(QStringLiteral("编辑图片"));
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  auto* text = new QLabel(QStringLiteral("要编辑图片，需要先安装泽沃图片编辑器。\n\n"
                                         "泽沃图片编辑器可以裁剪、调色、修饰图片，编辑后的图片可直接在本程序中处理。\n"
                                         "现在打开下载页面吗？"),
                          this);
  text->setObjectName(QStringLiteral("EditorOfferText"));
  text->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* get = buttons->addButton(QStringLiteral("下载编辑器"), QDialogButtonBox::AcceptRole);
  get->setObjectName(idName(kGetEditorButton));
  get->setDefault(true);
  QPushButton* cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(idName(kCancelButton));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  LayOutIconMessage(this, icon, text, buttons, 360);
}

// The maker's host is a reserved name: its real site is not ours to point at.
QString EditorOfferDialog::EditorPage() { return QStringLiteral("https://www.gallivo.invalid/editor.html"); }

void OfferEditor(QWidget* parent) {
  EditorOfferDialog dialog(parent);
  if (dialog.exec() == QDialog::Accepted) QDesktopServices::openUrl(QUrl(EditorOfferDialog::EditorPage()));
}

#include "UserDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

class RealDialogs final : public UserDialogs {
 public:
  void Inform(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Gallivo"), text, QMessageBox::Ok, parent);
    box.exec();
  }
  bool Ask(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Gallivo"), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    return box.exec() == QMessageBox::Ok;
  }
  QString ChooseFolder(QWidget* parent, const QString& title) override {
    return QFileDialog::getExistingDirectory(parent, title);
  }
  QString SaveFile(QWidget* parent, const QString& title, const QString& filter) override {
    return QFileDialog::getSaveFileName(parent, title, QString(), filter);
  }
  QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) override {
    return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
  }
};

RealDialogs gReal;
UserDialogs* gCurrent = nullptr;

}  // namespace

UserDialogs& UserDialogs::Current() { return gCurrent ? *gCurrent : gReal; }

void UserDialogs::Install(UserDialogs* dialogs) { gCurrent = dialogs; }

QString UserDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QColor UserDialogs::ChooseColor(QWidget* parent, const QColor& initial) {
  return QColorDialog::getColor(initial, parent);
}

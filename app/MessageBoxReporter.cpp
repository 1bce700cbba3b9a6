#include <QApplication>
#include <QMessageBox>

#include "MessageBoxReporter.h"

std::unique_ptr<QMessageBox> MessageBoxReporter::MakeBox(const QString& text) {
  auto box = std::make_unique<QMessageBox>();
  box->setIcon(QMessageBox::NoIcon);
  box->setText(text);
  box->setStandardButtons(QMessageBox::Ok);
  box->setWindowTitle(QApplication::applicationDisplayName());
  return box;
}

void MessageBoxReporter::ShowMessage(const QString& text) {
  // Without a widget application there is no screen to show it on.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  MakeBox(text)->exec();
}

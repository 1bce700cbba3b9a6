// Windows find their controls, and tests find them, by identifier: every control carries its
// identifier in decimal as its objectName.
#pragma once

#include <QPushButton>
#include <QString>

inline QString idName(int id) { return QString::number(id); }

// A push button named by its identifier. It is never the dialog's automatic default, so Enter
// in a field does not press it.
inline QPushButton* MakeIdButton(QWidget* parent, int id, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(idName(id));
  button->setAutoDefault(false);
  return button;
}

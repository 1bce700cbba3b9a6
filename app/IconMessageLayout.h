// The layout of the program's small message dialogs: an icon beside the text, the buttons
// underneath.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

inline void LayOutIconMessage(QDialog* dialog, QLabel* icon, QLabel* text, QDialogButtonBox* buttons,
                              int minimumWidth) {
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(dialog);
  layout->addLayout(row);
  layout->addWidget(buttons);
  dialog->setMinimumWidth(minimumWidth);
}

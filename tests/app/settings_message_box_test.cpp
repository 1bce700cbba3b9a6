// The program's reporter of out-of-range settings: a plain box with only OK and no icon.
#include <gtest/gtest.h>

#include <QMessageBox>

#include "MessageBoxReporter.h"

TEST(SettingsMessageBox, OnlyOkAndNoIcon) {
  auto box = MessageBoxReporter::MakeBox(QStringLiteral("边距应该在0到1000之间"));
  EXPECT_EQ(box->text(), QStringLiteral("边距应该在0到1000之间"));
  EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
}

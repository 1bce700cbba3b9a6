// Starting the maker's picture editor on a picture, and the offer shown when it is missing.
#pragma once

#include <QDialog>
#include <QString>

// Starts "zelvo" from the editor folder (EditorFolder()) with the picture path as its one
// argument, detached. False when the folder is unset or missing, or the editor cannot be
// started there.
bool LaunchEditor(const QString& picturePath);

// Dialog 155: tells that the editor is not installed and offers the maker's page for it.
class EditorOfferDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kId = 155;
  static constexpr int kGetEditorButton = 1;  // IDOK
  static constexpr int kCancelButton = 2;     // IDCANCEL
  explicit EditorOfferDialog(QWidget* parent = nullptr);
  // The page opened on OK.
  static QString EditorPage();
};

// Runs the offer modally; on OK opens EditorPage() with the desktop's handler.
void OfferEditor(QWidget* parent);

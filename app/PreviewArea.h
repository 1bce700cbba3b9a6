// The settings dialog's preview area (1135): the processed picture centred at its own size on
// white with a 1-pixel black border, or a status text on a translucent box.
#pragma once

#include <QImage>
#include <QWidget>

class PreviewArea : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewArea(QWidget* parent = nullptr);

  // A status text over what is shown; an empty text clears it.
  void SetStatus(const QString& text);
  // The new picture; clears the status.
  void SetPicture(const QImage& picture);
  void ClearPicture();

  const QString& Status() const { return status_; }
  const QImage& Picture() const { return picture_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString status_;
  QImage picture_;
};

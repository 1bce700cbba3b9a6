#include "PreviewArea.h"

#include <QPainter>

namespace {
constexpr int kPreviewSide = 320;
// The status box: alpha 0x80 over red 0x39, green 0x80, blue 0xF4.
const QColor kStatusBox(0x39, 0x80, 0xF4, 0x80);
}  // namespace

PreviewArea::PreviewArea(QWidget* parent) : QWidget(parent) {
  setMinimumSize(kPreviewSide + 2, kPreviewSide + 2);
}

QSize PreviewArea::sizeHint() const { return {kPreviewSide + 12, kPreviewSide + 12}; }

void PreviewArea::SetStatus(const QString& text) {
  status_ = text;
  update();
}

void PreviewArea::SetPicture(const QImage& picture) {
  picture_ = picture;
  status_.clear();
  update();
}

void PreviewArea::ClearPicture() {
  picture_ = QImage();
  update();
}

void PreviewArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (!picture_.isNull()) {
    const QRect place(QPoint((width() - picture_.width()) / 2, (height() - picture_.height()) / 2),
                      picture_.size());
    painter.drawImage(place.topLeft(), picture_);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(place.adjusted(-1, -1, 0, 0));
  }
  if (!status_.isEmpty()) {
    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    const QSize text = painter.fontMetrics().size(Qt::TextSingleLine, status_);
    const QSize box = text + QSize(20, 10);
    const QRect boxRect(QPoint((width() - box.width()) / 2, (height() - box.height()) / 2), box);
    painter.fillRect(boxRect, kStatusBox);
    painter.setPen(Qt::white);
    painter.drawText(boxRect, Qt::AlignCenter | Qt::TextSingleLine, status_);
  }
}

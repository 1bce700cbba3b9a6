// Draws an entry of the frames catalogue as the frame choice shows it: 100 pixels high, the
// preview with a thin black frame, the name centred under it.
#pragma once

#include <QStyledItemDelegate>

class FrameItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

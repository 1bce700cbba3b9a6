#include "FrameItemDelegate.h"

#include <QPainter>

#include "FrameCatalogue.h"

namespace {
constexpr int kItemHeight = 100;
constexpr int kPreviewLeft = 32;
constexpr int kPreviewTop = 5;
constexpr int kNameTop = 85;
}  // namespace

void FrameItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QRect item = option.rect;
  painter->save();
  painter->fillRect(item, selected ? option.palette.highlight() : QBrush(Qt::white));
  if (const FrameEntry* entry = FrameCatalogue::Instance().Entry(index.row());
      entry && !entry->preview.isNull()) {
    const QPoint at = item.topLeft() + QPoint(kPreviewLeft, kPreviewTop);
    // Previews are small; one larger than the item is drawn clipped, not scaled.
    painter->setClipRect(item);
    painter->drawImage(at, entry->preview);
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRect(at - QPoint(2, 2), entry->preview.size() + QSize(2, 2)));
  }
  painter->setPen(selected ? Qt::white : Qt::black);
  const QRect band(item.left(), item.top() + kNameTop, item.width(), std::max(0, item.height() - kNameTop));
  painter->drawText(band, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

QSize FrameItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  return {size.width(), kItemHeight};
}

#include "PictureTileView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "PictureListModel.h"

namespace {

constexpr int kInsetX = 2;
constexpr int kInsetY = 3;
constexpr int kNameHeight = 15;
constexpr int kAboveName = 24;  // the thumbnail frame ends this far above the area's bottom
const QColor kFrameColor(0xdd, 0xe2, 0xcd);
const QColor kBand(TileArt::kBandColor);
const QColor kBackground(0xec, 0xef, 0xf3);
const QColor kTileBorder(0xd3, 0xd9, 0xe1);
const QColor kTileBorderHover(0x8c, 0xb4, 0xe6);
const QColor kNameColor(0x33, 0x33, 0x33);

constexpr const char* kButtonTips[kTileButtonCount] = {"左旋转图片", "右旋转图片", "编辑图片", "从列表中移除图片"};
constexpr const char* kEmptyText = "可以将图片文件拽进来，加入处理列表。";

}  // namespace

PictureTileView::PictureTileView(PictureListModel& model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model) {
  setObjectName(QStringLiteral("PictureTileView"));
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::StyledPanel);
  // Appending past the tiles shown changes only the scroll range.
  connect(&model_, &PictureListModel::appended, this, [this](int first, int) {
    const auto [shownFirst, shownLast] = VisibleRange();
    relayout(first <= shownLast || shownLast < shownFirst);
  });
  connect(&model_, &PictureListModel::removed, this, [this] {
    hoverIndex_ = -1, hoverButton_.reset(), pressIndex_ = -1;
    relayout(true);
  });
  connect(&model_, &PictureListModel::cleared, this, [this] {
    hoverIndex_ = -1, hoverButton_.reset(), pressIndex_ = -1;
    relayout(true);
  });
  connect(&model_, &PictureListModel::entryChanged, this, [this](int index) { updateTile(index); });
}

QRect PictureTileView::ButtonArea(TileButton button) { return QRect(TileArt::ButtonOrigin(button), QSize(18, 18)); }

int PictureTileView::columns() const {
  return std::max(1, (viewport()->width() - 2 * kMargin) / kCellWidth);
}

QRect PictureTileView::TileRect(int index) const {
  const int cols = columns();
  const int x = kMargin + (index % cols) * kCellWidth;
  const int y = kMargin + (index / cols) * kCellHeight - verticalScrollBar()->value();
  return QRect(x, y, kCellWidth, kCellHeight);
}

QRect PictureTileView::ButtonRect(int index, TileButton button) const {
  const QRect tile = TileRect(index);
  const QRect area = ButtonArea(button);
  return QRect(tile.left() + kInsetX + area.left(), tile.top() + kInsetY + area.top(), 18, 18);
}

int PictureTileView::IndexAt(const QPoint& point) const {
  const int x = point.x() - kMargin;
  const int y = point.y() - kMargin + verticalScrollBar()->value();
  if (x < 0 || y < 0) return -1;
  const int col = x / kCellWidth;
  if (col >= columns()) return -1;
  const qint64 index = qint64(y / kCellHeight) * columns() + col;
  return index < model_.Count() ? int(index) : -1;
}

std::pair<int, int> PictureTileView::VisibleRange() const {
  const int n = model_.Count();
  if (n == 0) return {0, -1};
  const int cols = columns();
  const int top = std::max(0, verticalScrollBar()->value() - kMargin);
  const int bottom = top + viewport()->height();
  const int first = std::min(n - 1, (top / kCellHeight) * cols);
  const int last = std::min(n - 1, (bottom / kCellHeight + 1) * cols - 1);
  return {first, last};
}

void PictureTileView::ScrollToIndex(int index) {
  if (index < 0 || index >= model_.Count()) return;
  verticalScrollBar()->setValue((index / columns()) * kCellHeight);
}

void PictureTileView::relayout(bool repaint) {
  const int rows = (model_.Count() + columns() - 1) / columns();
  const int content = 2 * kMargin + rows * kCellHeight;
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, content - viewport()->height()));
  bar->setPageStep(viewport()->height());
  bar->setSingleStep(kCellHeight / 4);
  if (repaint) viewport()->update();
  const auto [first, last] = VisibleRange();
  emit visibleRangeChanged(first, last);
}

void PictureTileView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  relayout(true);
}

void PictureTileView::scrollContentsBy(int, int) {
  viewport()->update();
  const auto [first, last] = VisibleRange();
  emit visibleRangeChanged(first, last);
}

void PictureTileView::updateTile(int index) {
  const QRect r = TileRect(index);
  if (r.intersects(viewport()->rect())) viewport()->update(r);
}

void PictureTileView::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), kBackground);
  const int n = model_.Count();
  if (n == 0) {
    p.setPen(QColor(0x80, 0x86, 0x8f));
    p.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
               QString::fromUtf8(kEmptyText));
    return;
  }
  const auto [first, last] = VisibleRange();
  for (int i = first; i <= last; ++i) {
    const QRect cell = TileRect(i);
    if (!cell.intersects(event->rect())) continue;
    const QRect area = cell.adjusted(kInsetX, kInsetY, -kInsetX, -kInsetY);
    p.setPen(i == hoverIndex_ ? kTileBorderHover : kTileBorder);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area.adjusted(-1, -1, 0, 0));
    p.save();
    p.translate(area.topLeft());
    p.setClipRect(QRect(QPoint(0, 0), area.size()));
    drawTile(p, i, QRect(QPoint(0, 0), area.size()));
    p.restore();
  }
}

// Draws one tile into its drawing area (origin at the area's top left).
void PictureTileView::drawTile(QPainter& p, int index, const QRect& area) const {
  const ListEntry& entry = model_.At(index);
  const TileArt& art = TileArt::Get();
  const bool hovered = index == hoverIndex_;
  p.fillRect(area, Qt::white);

  QFont nameFont = font();
  nameFont.setBold(hovered);
  p.setFont(nameFont);
  p.setPen(kNameColor);
  const QRect nameRect(3, area.height() - kNameHeight, area.width() - 6, kNameHeight);
  const QString name = entry.item.filePath.isEmpty() ? entry.item.path : entry.item.filePath;
  const QString fileName = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
  p.drawText(nameRect, Qt::AlignCenter, p.fontMetrics().elidedText(fileName, Qt::ElideRight, nameRect.width()));

  const QImage& picture = entry.state == kThumbMade    ? entry.thumbnail
                          : entry.state == kThumbFailed ? art.broken
                                                        : art.placeholder;
  const QPoint centre(area.width() / 2, area.height() / 2 - 12);
  p.drawImage(centre - QPoint(picture.width() / 2, picture.height() / 2), picture);
  if (entry.state == kThumbMade) {
    p.setPen(kFrameColor);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(0, 0), QPoint(area.width() - 1, area.height() - kAboveName)));
  }

  if (!hovered) {
    // Every tile but the hovered one: the band with its buttons faded, drawn in one go.
    p.drawImage(TileArt::kBandOrigin, art.fadedBand);
    return;
  }
  p.fillRect(QRect(TileArt::kBandOrigin, art.fadedBand.size()), kBand);
  for (int b = 0; b < kTileButtonCount; ++b) {
    const auto button = TileButton(b);
    QPoint at = ButtonArea(button).topLeft();
    if (hoverButton_ == button) at += QPoint(1, 1);
    p.drawImage(at, art.buttons[b]);
  }
}

std::optional<TileButton> PictureTileView::buttonAt(int index, const QPoint& point) const {
  if (index < 0) return std::nullopt;
  for (int b = 0; b < kTileButtonCount; ++b)
    if (ButtonRect(index, TileButton(b)).contains(point)) return TileButton(b);
  return std::nullopt;
}

void PictureTileView::setHover(int index, std::optional<TileButton> button) {
  if (index == hoverIndex_ && button == hoverButton_) return;
  const int old = hoverIndex_;
  hoverIndex_ = index;
  hoverButton_ = button;
  viewport()->setCursor(button ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (old >= 0 && old < model_.Count()) updateTile(old);
  if (index >= 0) updateTile(index);
}

void PictureTileView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int index = IndexAt(pos);
  setHover(index, buttonAt(index, pos));
}

void PictureTileView::leaveEvent(QEvent* event) {
  setHover(-1, std::nullopt);
  QAbstractScrollArea::leaveEvent(event);
}

void PictureTileView::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  pressIndex_ = event->button() == Qt::LeftButton ? IndexAt(pos) : -1;
  pressButton_ = buttonAt(pressIndex_, pos);
}

void PictureTileView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int index = IndexAt(pos);
  const auto button = buttonAt(index, pos);
  const bool click = event->button() == Qt::LeftButton && index >= 0 && index == pressIndex_ && button &&
                     button == pressButton_;
  pressIndex_ = -1;
  pressButton_.reset();
  if (click) emit buttonClicked(index, *button);
}

void PictureTileView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const int index = IndexAt(pos);
  if (event->button() == Qt::LeftButton && index >= 0 && !buttonAt(index, pos)) emit tileDoubleClicked(index);
}

QString PictureTileView::ToolTipAt(const QPoint& point) const {
  const int index = IndexAt(point);
  if (index < 0) return {};
  if (const auto button = buttonAt(index, point)) return QString::fromUtf8(kButtonTips[int(*button)]);
  const PictureItem& item = model_.At(index).item;
  return item.filePath.isEmpty() ? item.path : item.filePath;
}

bool PictureTileView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = IndexAt(help->pos());
    if (index < 0) {
      QToolTip::hideText();
      event->ignore();
      return true;
    }
    const auto button = buttonAt(index, help->pos());
    const QString text = ToolTipAt(help->pos());
    // Shown again only when the text changes (paths compared without case).
    if (QToolTip::isVisible() && QToolTip::text().compare(text, Qt::CaseInsensitive) == 0) return true;
    const QRect region = button ? ButtonRect(index, *button) : TileRect(index);
    QToolTip::showText(help->globalPos(), text, viewport(), region);
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

// The grid of tiles that shows the picture list: white tile, thumbnail (or placeholder, or the
// broken picture), file name, and a band of four buttons that light up on the hovered tile.
// It only draws and reports; the list widget acts.
#pragma once

#include <QAbstractScrollArea>
#include <optional>

#include "TileArt.h"

class PictureListModel;

class PictureTileView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // A tile's cell; the drawing area is the cell shrunk by 2 pixels left and right and 3 at the
  // top and bottom.
  static constexpr int kCellWidth = 122;
  static constexpr int kCellHeight = 146;
  static constexpr int kMargin = 6;

  explicit PictureTileView(PictureListModel& model, QWidget* parent = nullptr);

  // Tile geometry in viewport coordinates (also used by tests to aim the mouse).
  QRect TileRect(int index) const;
  QRect ButtonRect(int index, TileButton button) const;
  // Index under the viewport point, or -1.
  int IndexAt(const QPoint& point) const;
  // The range of tiles shown now (first > last when none).
  std::pair<int, int> VisibleRange() const;
  void ScrollToIndex(int index);
  // The tooltip at a viewport point: a button's name over a button, the file's path elsewhere
  // on a tile, empty off the tiles.
  QString ToolTipAt(const QPoint& point) const;

  // A button's 18 x 18 rectangle inside a tile's drawing area: (13, 100, 31, 118) for the
  // first, 26 pixels apart.
  static QRect ButtonArea(TileButton button);

 signals:
  void buttonClicked(int index, TileButton button);
  void tileDoubleClicked(int index);
  // Whenever what is shown may have changed (scroll, resize, list change).
  void visibleRangeChanged(int first, int last);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  int columns() const;
  void relayout(bool repaint);
  void setHover(int index, std::optional<TileButton> button);
  std::optional<TileButton> buttonAt(int index, const QPoint& point) const;
  void drawTile(QPainter& painter, int index, const QRect& area) const;
  void updateTile(int index);

  PictureListModel& model_;
  int hoverIndex_ = -1;
  std::optional<TileButton> hoverButton_;
  int pressIndex_ = -1;
  std::optional<TileButton> pressButton_;
};

// Where a watermark goes: one mark at a preset position with margins, or tiles over the whole
// picture. Shared by the text and the picture watermark; works on the turned mark's bounding box.
#pragma once

#include <QRectF>
#include <cstdint>
#include <functional>

class CSetMgr;

// The placement settings of a watermark.
struct MarkLayout {
  int32_t posStyle = 0;  // 1: tiles; anything else: one mark at `position`
  int32_t position = 0;  // 0..8 (右下角, 左下角, 左上角, 右上角, 底部, 顶部, 左边, 右边, 中心)
  int32_t top = 15;      // first margin
  int32_t topUnit = 1;   // 1: pixels; anything else: percent of the picture height
  int32_t left = 15;     // second margin
  int32_t leftUnit = 1;  // 1: pixels; anything else: percent of the picture width
  int32_t space = 20;    // gap between tiles, both directions
  int32_t rows = 0;      // tile rows; 0 fills the picture

  static MarkLayout FromSettings(const CSetMgr& settings);
};

// A mark's box in whole pixels: the smallest integer rectangle that holds it.
struct MarkBox {
  int64_t x = 0, y = 0, width = 0, height = 0;
  bool IsEmpty() const { return width <= 0 || height <= 0; }
};
MarkBox IntegerBounds(const QRectF& bounds);

// Called with the top-left corner of the mark's box for every mark to draw.
using DrawMarkAt = std::function<void(int64_t x, int64_t y)>;

// The origin of the one mark of a preset position (positions outside 0..8 give (0, 0)).
void PresetOrigin(const MarkLayout& layout, int64_t boxWidth, int64_t boxHeight, int64_t pictureWidth,
                  int64_t pictureHeight, int64_t* x, int64_t* y);

// Draws the mark once or as tiles over a picture of the given size; returns how many marks were
// drawn. An empty box draws nothing (its tiles would never advance). Tile rows lying wholly
// above the picture are skipped without drawing, so a huge row count cannot stall a run.
int64_t PlaceMarks(const MarkLayout& layout, int64_t boxWidth, int64_t boxHeight, int64_t pictureWidth,
                   int64_t pictureHeight, const DrawMarkAt& draw);

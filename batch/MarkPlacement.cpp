#include "MarkPlacement.h"

#include <algorithm>
#include <cmath>

#include "SetMgr.h"

MarkLayout MarkLayout::FromSettings(const CSetMgr& s) {
  MarkLayout l;
  l.posStyle = s.nMarkPosStyle();
  l.position = s.nMarkPosSimple();
  l.top = s.nMarkPosTop();
  l.topUnit = s.nMarkPosTopUnit();
  l.left = s.nMarkPosLeft();
  l.leftUnit = s.nMarkPosLeftUnit();
  l.space = s.nMarkSpace();
  l.rows = s.nMarkRows();
  return l;
}

MarkBox IntegerBounds(const QRectF& r) {
  // Snap values that are integers up to rounding noise, so a turn by 90 degrees does not grow
  // the box by a pixel.
  auto down = [](double v) { return int64_t(std::floor(v + 1e-6)); };
  auto up = [](double v) { return int64_t(std::ceil(v - 1e-6)); };
  if (r.isNull() || !std::isfinite(r.left()) || !std::isfinite(r.right()) || !std::isfinite(r.top()) ||
      !std::isfinite(r.bottom()))
    return {};
  MarkBox b;
  b.x = down(r.left());
  b.y = down(r.top());
  b.width = std::max<int64_t>(0, up(r.right()) - b.x);
  b.height = std::max<int64_t>(0, up(r.bottom()) - b.y);
  return b;
}

void PresetOrigin(const MarkLayout& l, int64_t bw, int64_t bh, int64_t W, int64_t H, int64_t* x, int64_t* y) {
  const int64_t T = l.topUnit == 1 ? l.top : H * l.top / 100;
  const int64_t L = l.leftUnit == 1 ? l.left : W * l.left / 100;
  struct Origin {
    int64_t x, y;
  };
  // The edge-centred positions 4 to 7 have one margin, the first.
  const Origin table[9] = {
      {W - L - bw, H - T - bh},    // 0 右下角
      {L, H - T - bh},             // 1 左下角
      {L, T},                      // 2 左上角
      {W - L - bw, T},             // 3 右上角
      {(W - bw) / 2, H - T - bh},  // 4 底部并左右居中
      {(W - bw) / 2, T},           // 5 顶部并左右居中
      {T, (H - bh) / 2},           // 6 左边并上下居中
      {W - T - bw, (H - bh) / 2},  // 7 右边并上下居中
      {(W - bw) / 2, (H - bh) / 2},  // 8 图片中心
  };
  const Origin o = l.position >= 0 && l.position <= 8 ? table[l.position] : Origin{0, 0};
  *x = o.x;
  *y = o.y;
}

int64_t PlaceMarks(const MarkLayout& l, int64_t bw, int64_t bh, int64_t W, int64_t H, const DrawMarkAt& draw) {
  if (bw <= 0 || bh <= 0) return 0;
  if (l.posStyle != 1) {
    int64_t x = 0, y = 0;
    PresetOrigin(l, bw, bh, W, H, &x, &y);
    draw(x, y);
    return 1;
  }
  const int64_t S = l.space;
  const int64_t R = l.rows;
  // A gap that swallows the whole mark would never advance: one mark per row, one row.
  const int64_t stepX = bw + S;
  const int64_t stepY = bh + S;
  int64_t y = R != 0 ? (H - stepY * R) / 2 : 0;
  int64_t rowsDone = 0;
  if (stepY > 0 && y + bh <= 0) {
    // Rows wholly above the picture draw nothing: skip them (a block of many rows starts far up).
    int64_t hidden = (-y - bh) / stepY + 1;
    if (R > 0) hidden = std::min(hidden, R);
    y += hidden * stepY;
    rowsDone = hidden;
  }
  int64_t drawn = 0;
  while (y < H && !(R > 0 && rowsDone >= R)) {
    if (W > 0) {
      for (int64_t x = 0; x < W; x += stepX) {
        draw(x, y);
        ++drawn;
        if (stepX <= 0) break;
      }
    }
    ++rowsDone;
    if (stepY <= 0) break;
    y += stepY;
  }
  return drawn;
}

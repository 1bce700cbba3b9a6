// Where marks land: the nine preset positions with both margin units, and the tile grid.
#include <gtest/gtest.h>

#include <QRectF>
#include <climits>
#include <set>
#include <utility>
#include <vector>

#include "MarkPlacement.h"

namespace {

using Origins = std::vector<std::pair<int64_t, int64_t>>;

Origins Place(const MarkLayout& layout, int64_t bw, int64_t bh, int64_t W, int64_t H) {
  Origins out;
  PlaceMarks(layout, bw, bh, W, H, [&](int64_t x, int64_t y) { out.emplace_back(x, y); });
  return out;
}

MarkLayout Preset(int position, int top, int topUnit, int left, int leftUnit) {
  MarkLayout l;
  l.posStyle = 0;
  l.position = position;
  l.top = top;
  l.topUnit = topUnit;
  l.left = left;
  l.leftUnit = leftUnit;
  return l;
}

struct PresetCase {
  const char* what;
  MarkLayout layout;
  int64_t W, H, bw, bh;
  int64_t x, y;
};

TEST(WatermarkPlacement, PresetPositionsWithBothMarginUnits) {
  const PresetCase cases[] = {
      {"0 bottom right, 15 px", Preset(0, 15, 1, 15, 1), 400, 300, 100, 20, 285, 265},
      {"1 bottom left", Preset(1, 15, 1, 10, 1), 400, 300, 100, 20, 10, 265},
      {"2 top left", Preset(2, 15, 1, 10, 1), 400, 300, 100, 20, 10, 15},
      {"3 top right", Preset(3, 15, 1, 10, 1), 400, 300, 100, 20, 290, 15},
      {"4 bottom centre, 10 % of 400 high", Preset(4, 10, 0, 99, 1), 300, 400, 100, 20, 100, 340},
      {"5 top centre ignores the second margin", Preset(5, 7, 1, 99, 1), 301, 300, 100, 20, 100, 7},
      {"6 left centre takes the first margin as x", Preset(6, 20, 1, 99, 1), 400, 300, 100, 21, 20, 139},
      {"7 right centre takes the first margin", Preset(7, 20, 1, 99, 1), 400, 300, 100, 20, 280, 140},
      {"7 right centre, percent of the height", Preset(7, 10, 0, 99, 0), 400, 300, 100, 20, 270, 140},
      {"8 centre", Preset(8, 15, 1, 15, 1), 400, 300, 101, 21, 149, 139},
      {"percent margins: top of height, left of width", Preset(2, 10, 0, 10, 5), 400, 300, 10, 10, 40, 30},
      {"any unit value but 1 is percent", Preset(0, 50, 2, 50, -1), 400, 300, 0 + 100, 20, 100, 130},
      {"position out of range stays at the origin", Preset(9, 15, 1, 15, 1), 400, 300, 100, 20, 0, 0},
      {"negative position stays at the origin", Preset(-1, 15, 1, 15, 1), 400, 300, 100, 20, 0, 0},
      {"a box larger than the picture goes negative", Preset(8, 0, 1, 0, 1), 100, 50, 301, 151, -100, -50},
      {"signed halves truncate towards zero", Preset(8, 0, 1, 0, 1), 10, 10, 13, 13, -1, -1},
  };
  for (const PresetCase& c : cases) {
    const Origins o = Place(c.layout, c.bw, c.bh, c.W, c.H);
    ASSERT_EQ(o.size(), 1u) << c.what;
    EXPECT_EQ(o[0], std::make_pair(c.x, c.y)) << c.what;
  }
}

MarkLayout Tiles(int space, int rows) {
  MarkLayout l;
  l.posStyle = 1;
  l.space = space;
  l.rows = rows;
  return l;
}

TEST(WatermarkPlacement, TilesFillThePictureRowByRowFromTheLeftEdge) {
  // 500 x 300, box 100 x 20, gap 20: rows at 0, 40 ... 280, marks at 0, 120 ... 480.
  const Origins o = Place(Tiles(20, 0), 100, 20, 500, 300);
  std::set<int64_t> xs, ys;
  for (auto [x, y] : o) xs.insert(x), ys.insert(y);
  EXPECT_EQ(xs, (std::set<int64_t>{0, 120, 240, 360, 480}));
  EXPECT_EQ(ys, (std::set<int64_t>{0, 40, 80, 120, 160, 200, 240, 280}));
  EXPECT_EQ(o.size(), 40u);
  EXPECT_EQ(o.front(), std::make_pair(int64_t(0), int64_t(0)));
  EXPECT_EQ(o[5], std::make_pair(int64_t(0), int64_t(40)));  // row by row
}

struct RowsCase {
  const char* what;
  int rows;
  int64_t H;
  std::set<int64_t> ys;
};

TEST(WatermarkPlacement, RowCountCentresTheBlockOfRows) {
  const RowsCase cases[] = {
      {"R = 2 on 300 high: y0 = (300 - 80) / 2", 2, 300, {110, 150}},
      {"R = 1", 1, 300, {130}},
      {"more rows than fit: y0 = -150; rows wholly above and below the picture are not drawn", 10, 100,
       {10, 50, 90}},
      {"negative R: y0 below the middle, rows until the bottom", -1, 300, {170, 210, 250, 290}},
      {"huge R: the block starts far above; hidden rows are skipped", INT_MAX, 300, {}},
  };
  for (const RowsCase& c : cases) {
    const Origins o = Place(Tiles(20, c.rows), 100, 20, 250, c.H);
    std::set<int64_t> ys;
    for (auto [x, y] : o) ys.insert(y);
    if (c.rows == INT_MAX) {
      // (300 - 40 * INT_MAX) / 2 lies on the 40-pixel grid shifted by 10 (from 300 / 2 = 150);
      // every visible row is drawn, none of the hidden ones.
      EXPECT_FALSE(ys.empty()) << c.what;
      for (int64_t y : ys) EXPECT_TRUE(y > -20 && y < 300) << c.what << " y=" << y;
      EXPECT_LE(ys.size(), 8u) << c.what;
      continue;
    }
    EXPECT_EQ(ys, c.ys) << c.what;
    // Three marks per row: 0, 120, 240 on a 250-wide picture.
    EXPECT_EQ(o.size(), 3 * c.ys.size()) << c.what;
  }
}

TEST(WatermarkPlacement, EmptyMarksAndDegenerateSizesEndAtOnce) {
  struct Case {
    const char* what;
    MarkLayout layout;
    int64_t bw, bh, W, H;
    size_t marks;
  };
  const Case cases[] = {
      {"zero width, gap 0: skipped", Tiles(0, 0), 0, 20, 500, 300, 0},
      {"zero height, gap 0: skipped", Tiles(0, 0), 100, 0, 500, 300, 0},
      {"empty box with a gap: nothing to draw", Tiles(20, 0), 0, 0, 500, 300, 0},
      {"empty box at a preset position", Preset(0, 15, 1, 15, 1), 0, 0, 500, 300, 0},
      {"1 x 1 mark, gap 0: every pixel", Tiles(0, 0), 1, 1, 7, 5, 35},
      {"zero-width picture: no marks in the rows", Tiles(20, 0), 10, 10, 0, 100, 0},
      {"zero-height picture: no rows", Tiles(20, 0), 10, 10, 100, 0, 0},
      {"a box wider than the picture: one mark per row", Tiles(0, 0), 600, 100, 500, 300, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(Place(c.layout, c.bw, c.bh, c.W, c.H).size(), c.marks) << c.what;
}

TEST(WatermarkPlacement, IntegerBoundsHoldTheMarkWithoutRoundingNoise) {
  struct Case {
    QRectF r;
    MarkBox box;
  };
  const Case cases[] = {
      {QRectF(0.5, 1.25, 10, 10), {0, 1, 11, 11}},
      {QRectF(-70.7107, 0, 141.4214, 141.4214), {-71, 0, 142, 142}},
      {QRectF(-20.0000000001, 0, 100.0000000002, 22), {-20, 0, 100, 22}},  // a turn by 90 degrees
      {QRectF(), {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const MarkBox b = IntegerBounds(c.r);
    EXPECT_EQ(b.x, c.box.x);
    EXPECT_EQ(b.y, c.box.y);
    EXPECT_EQ(b.width, c.box.width);
    EXPECT_EQ(b.height, c.box.height);
  }
}

}  // namespace

// The pictures of the list's tiles, drawn once at first use: the pending placeholder, the
// broken picture and the four 18 x 18 buttons (plain and pressed-in look alike; the hovered
// one is offset by the view).
#pragma once

#include <QImage>

enum class TileButton { RotateLeft = 0, RotateRight = 1, Edit = 2, Remove = 3 };
constexpr int kTileButtonCount = 4;

struct TileArt {
  QImage placeholder;
  QImage broken;
  QImage buttons[kTileButtonCount];

  static const TileArt& Get();
};

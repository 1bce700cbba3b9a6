// The pictures of the list's tiles, drawn once at first use: the pending placeholder, the
// broken picture and the four 18 x 18 buttons (plain and pressed-in look alike; the hovered
// one is offset by the view).
#pragma once

#include <QImage>
#include <QPoint>

enum class TileButton { RotateLeft = 0, RotateRight = 1, Edit = 2, Remove = 3 };
constexpr int kTileButtonCount = 4;

struct TileArt {
  QImage placeholder;
  QImage broken;
  QImage buttons[kTileButtonCount];
  // The translucent band (116 x 25 at kBandOrigin of the tile) with the four buttons on it and
  // a second band over them: how every tile but the hovered one shows its buttons.
  QImage fadedBand;
  static constexpr QPoint kBandOrigin{1, 95};
  static constexpr unsigned kBandColor = 0x80FFFFFF;  // translucent white
  // The buttons' places in the tile (left, top); each is 18 x 18.
  static QPoint ButtonOrigin(TileButton button) { return {13 + 26 * int(button), 100}; }

  static const TileArt& Get();
};

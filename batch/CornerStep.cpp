#include "CornerStep.h"

#include <QPainter>

#include "ImageCalls.h"
#include "SetMgr.h"

int32_t CornerRadius(int32_t choice) {
  constexpr int32_t kRadii[] = {10, 20, 30};
  return choice >= 0 && choice < 3 ? kRadii[choice] : 0;
}

int CornerSet(int32_t combination) {
  constexpr int kCombinations[] = {
      TopLeft | TopRight | BottomRight | BottomLeft,  // 0 四角
      TopLeft,                                        // 1 左上角
      BottomLeft,                                     // 2 左下角
      TopRight,                                       // 3 右上角
      BottomRight,                                    // 4 右下角
      TopLeft | BottomLeft,                           // 5
      TopRight | BottomRight,                         // 6
      TopLeft | TopRight,                             // 7
      BottomLeft | BottomRight,                       // 8
      TopLeft | BottomRight,                          // 9
      BottomLeft | TopRight,                          // 10
  };
  return combination >= 0 && combination < 11 ? kCombinations[combination] : 0;
}

QImage CornerMask(int32_t r) {
  QImage mask(r, r, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(-1, -1, r, r), Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QRectF(0, 0, 2.0 * r, 2.0 * r));
  }
  // On opaque black, as the mask is laid on by addition (premultiplied colours are exactly
  // the mask over black).
  return mask.convertToFormat(QImage::Format_RGB32);
}

namespace {

enum class Turn { None, Right, Half, Left };

struct Corner {
  CornerBit bit;
  Turn turn;
  bool right, bottom;  // where the mask goes: x = W - r when right, y = H - r when bottom
};

// In the order they are laid on.
constexpr Corner kCorners[] = {
    {TopLeft, Turn::None, false, false},
    {TopRight, Turn::Right, true, false},
    {BottomRight, Turn::Half, true, true},
    {BottomLeft, Turn::Left, false, true},
};

bool turn(ZvImage* image, Turn how) {
  switch (how) {
    case Turn::Right: return image->ops->RotateRight(image, nullptr);
    case Turn::Half: return image->ops->Rotate180(image, nullptr);
    case Turn::Left: return image->ops->RotateLeft(image, nullptr);
    case Turn::None: return true;
  }
  return true;
}

}  // namespace

bool CornerStep::Process(const PictureItem&, ImageSlot& slot) {
  ZvImage* image = slot.image;
  if (!image) return false;
  const CSetMgr& settings = CSetMgr::Instance();
  const int32_t r = CornerRadius(settings.nFrameRoundRize());
  const int corners = CornerSet(settings.nFrameRoundPos());
  if (r == 0 || corners == 0) return true;
  ImageOwner mask = zv::FromQImage(CornerMask(r));
  if (!mask) return true;  // no mask, no corners: the picture itself is fine
  const int32_t w = zv::Width(image), h = zv::Height(image);
  for (const Corner& corner : kCorners) {
    if (!(corners & corner.bit)) continue;
    ImageOwner turned;
    ZvImage* layer = mask.get();
    if (corner.turn != Turn::None) {
      turned = NewImage();
      if (!turned) continue;
      turned->ops->Copy(turned.get(), mask.get(), true, true, true, false);
      if (!turn(turned.get(), corner.turn)) continue;
      layer = turned.get();
    }
    const ZvPoint at{corner.right ? w - r : 0, corner.bottom ? h - r : 0};
    image->ops->BlendLayer(image, layer, 1, ZvRect{0, 0, r, r}, at, false, true);
  }
  return true;
}

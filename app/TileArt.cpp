#include "TileArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace {

QImage blank(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A photo card: rounded paper with a soft shadow, a sky, hills and a sun.
void drawPhotoCard(QPainter& p, const QRectF& card, const QColor& sky, const QColor& hill,
                   const QColor& hillFar, const QColor& sun) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 28));
  p.drawRoundedRect(card.translated(1.5, 2), 5, 5);
  p.setBrush(QColor(0xfb, 0xfc, 0xfd));
  p.setPen(QPen(QColor(0xc5, 0xcb, 0xd3), 1));
  p.drawRoundedRect(card, 5, 5);
  const QRectF inner = card.adjusted(5, 5, -5, -5);
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(inner, 2.5, 2.5);
  p.setClipPath(clip);
  QLinearGradient g(inner.topLeft(), inner.bottomLeft());
  g.setColorAt(0, sky.lighter(115));
  g.setColorAt(1, sky);
  p.setPen(Qt::NoPen);
  p.fillRect(inner, g);
  p.setBrush(sun);
  p.drawEllipse(QPointF(inner.right() - inner.width() * 0.27, inner.top() + inner.height() * 0.3),
                inner.height() * 0.13, inner.height() * 0.13);
  QPainterPath far;
  far.moveTo(inner.left(), inner.bottom());
  far.lineTo(inner.left(), inner.top() + inner.height() * 0.62);
  far.quadTo(inner.left() + inner.width() * 0.55, inner.top() + inner.height() * 0.28,
             inner.right(), inner.top() + inner.height() * 0.66);
  far.lineTo(inner.right(), inner.bottom());
  p.setBrush(hillFar);
  p.drawPath(far);
  QPainterPath near;
  near.moveTo(inner.left(), inner.bottom());
  near.lineTo(inner.left() + inner.width() * 0.08, inner.top() + inner.height() * 0.8);
  near.lineTo(inner.left() + inner.width() * 0.38, inner.top() + inner.height() * 0.45);
  near.lineTo(inner.left() + inner.width() * 0.7, inner.top() + inner.height() * 0.86);
  near.lineTo(inner.right(), inner.top() + inner.height() * 0.74);
  near.lineTo(inner.right(), inner.bottom());
  p.setBrush(hill);
  p.drawPath(near);
  p.restore();
}

QImage makePlaceholder() {
  QImage image = blank(64, 52);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawPhotoCard(p, QRectF(4.5, 4.5, 54, 42), QColor(0xd2, 0xdc, 0xe8), QColor(0x9f, 0xb0, 0xc3),
                QColor(0xbb, 0xc8, 0xd6), QColor(0xf6, 0xf8, 0xfb));
  return image;
}

QImage makeBroken() {
  QImage image = blank(64, 52);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The card torn in two along a zigzag, the halves a little apart.
  const QRectF card(4.5, 4.5, 54, 42);
  QPainterPath tear;
  tear.moveTo(card.left() + 27, card.top() - 2);
  const double steps[] = {6, 12, 18, 25, 31, 38, 46};
  double x = card.left() + 27;
  bool left = true;
  for (double y : steps) {
    x += left ? -4 : 4;
    left = !left;
    tear.lineTo(x, card.top() + y);
  }
  tear.lineTo(x, card.bottom() + 4);
  QPainterPath leftSide = tear;
  leftSide.lineTo(0, card.bottom() + 4);
  leftSide.lineTo(0, card.top() - 2);
  leftSide.closeSubpath();
  QPainterPath rightSide = tear;
  rightSide.lineTo(64, card.bottom() + 4);
  rightSide.lineTo(64, card.top() - 2);
  rightSide.closeSubpath();
  const QColor sky(0xe6, 0xe6, 0xe6), hill(0xbd, 0xbd, 0xbd), far(0xd2, 0xd2, 0xd2), sun(0xf7, 0xf7, 0xf7);
  p.save();
  p.translate(-2.5, 1.5);
  p.rotate(-4);
  p.setClipPath(leftSide);
  drawPhotoCard(p, card, sky, hill, far, sun);
  p.restore();
  p.save();
  p.translate(2.5, -0.5);
  p.rotate(2);
  p.setClipPath(rightSide);
  drawPhotoCard(p, card, sky, hill, far, sun);
  p.restore();
  // A red badge with a white cross.
  const QPointF c(49, 39);
  p.setPen(QPen(QColor(255, 255, 255), 1.5));
  QRadialGradient badge(c - QPointF(2, 2), 10);
  badge.setColorAt(0, QColor(0xf0, 0x5a, 0x4f));
  badge.setColorAt(1, QColor(0xc6, 0x28, 0x28));
  p.setBrush(badge);
  p.drawEllipse(c, 8.5, 8.5);
  p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(-3.3, -3.3), c + QPointF(3.3, 3.3));
  p.drawLine(c + QPointF(3.3, -3.3), c + QPointF(-3.3, 3.3));
  return image;
}

// A round-cornered button face with a vertical gradient.
void drawFace(QPainter& p, const QColor& top, const QColor& bottom) {
  QLinearGradient g(0, 0, 0, 18);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.setPen(QPen(bottom.darker(125), 1));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(0.5, 0.5, 17, 17), 4, 4);
  p.setPen(QPen(QColor(255, 255, 255, 70), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(1.5, 1.5, 15, 15), 3, 3);
}

// An open circle with an arrow head at its clockwise end; mirrored for the left turn.
QImage makeRotate(bool clockwise) {
  QImage image = blank(18, 18);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawFace(p, QColor(0x5b, 0x9b, 0xe0), QColor(0x2f, 0x6f, 0xbf));
  if (!clockwise) p.translate(18, 0), p.scale(-1, 1);
  const QPointF centre(9, 9.6);
  const double radius = 4.4;
  // The gap sits at the upper right, between 15 and 75 degrees; travelling clockwise, the arc
  // ends at 75 degrees, just right of the top.
  p.setPen(QPen(Qt::white, 1.9, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 75 * 16, 300 * 16);
  const double end = qDegreesToRadians(75.0);
  const QPointF at(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
  const QPointF along(std::sin(end), std::cos(end));  // clockwise tangent (y grows downwards)
  const QPointF across(-along.y(), along.x());
  QPainterPath head;
  head.moveTo(at + along * 3.6);
  head.lineTo(at + across * 3.1 - along * 0.6);
  head.lineTo(at - across * 3.1 - along * 0.6);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(head);
  return image;
}

QImage makeEdit() {
  QImage image = blank(18, 18);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawFace(p, QColor(0x6c, 0xc0, 0x6f), QColor(0x3a, 0x8e, 0x3f));
  p.translate(9, 9);
  p.rotate(45);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(-1.9, -6.5, 3.8, 9.5), 0.8, 0.8);  // the shaft
  QPainterPath tip;
  tip.moveTo(-1.9, 3.6);
  tip.lineTo(1.9, 3.6);
  tip.lineTo(0, 6.8);
  tip.closeSubpath();
  p.drawPath(tip);
  p.setBrush(QColor(0x3a, 0x8e, 0x3f));
  p.drawRect(QRectF(-1.9, -4.2, 3.8, 0.9));  // the band under the eraser
  return image;
}

QImage makeRemove() {
  QImage image = blank(18, 18);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawFace(p, QColor(0xee, 0x6a, 0x5f), QColor(0xc0, 0x39, 0x2b));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5.5, 5.5), QPointF(12.5, 12.5));
  p.drawLine(QPointF(12.5, 5.5), QPointF(5.5, 12.5));
  return image;
}

}  // namespace

const TileArt& TileArt::Get() {
  static const TileArt art = [] {
    TileArt a;
    a.placeholder = makePlaceholder();
    a.broken = makeBroken();
    a.buttons[int(TileButton::RotateLeft)] = makeRotate(false);
    a.buttons[int(TileButton::RotateRight)] = makeRotate(true);
    a.buttons[int(TileButton::Edit)] = makeEdit();
    a.buttons[int(TileButton::Remove)] = makeRemove();
    a.fadedBand = blank(116, 25);
    QPainter p(&a.fadedBand);
    const QColor band = QColor::fromRgba(kBandColor);
    p.fillRect(a.fadedBand.rect(), band);
    for (int b = 0; b < kTileButtonCount; ++b) p.drawImage(ButtonOrigin(TileButton(b)) - kBandOrigin, a.buttons[b]);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(a.fadedBand.rect(), band);
    return a;
  }();
  return art;
}

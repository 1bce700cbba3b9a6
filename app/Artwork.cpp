#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage Canvas(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A landscape photograph: frame, sky, a sun and two hills, in a unit square scaled to rect.
void PaintPhoto(QPainter& p, const QRectF& rect, qreal pen) {
  p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), pen));
  p.setBrush(QColor(0x7C, 0xC4, 0xF0));
  p.drawRoundedRect(rect, rect.width() * 0.08, rect.width() * 0.08);
  p.save();
  QPainterPath clip;
  clip.addRoundedRect(rect.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2), rect.width() * 0.06,
                      rect.width() * 0.06);
  p.setClipPath(clip);
  p.setPen(Qt::NoPen);
  const qreal w = rect.width(), h = rect.height();
  p.setBrush(QColor(0xFF, 0xD5, 0x4F));
  p.drawEllipse(QPointF(rect.left() + w * 0.72, rect.top() + h * 0.30), w * 0.11, w * 0.11);
  QPainterPath far;
  far.moveTo(rect.left(), rect.bottom());
  far.lineTo(rect.left() + w * 0.38, rect.top() + h * 0.42);
  far.lineTo(rect.left() + w * 0.75, rect.bottom());
  p.setBrush(QColor(0x3E, 0x9B, 0x5C));
  p.drawPath(far);
  QPainterPath near;
  near.moveTo(rect.left() + w * 0.35, rect.bottom());
  near.lineTo(rect.left() + w * 0.68, rect.top() + h * 0.58);
  near.lineTo(rect.right(), rect.bottom());
  p.setBrush(QColor(0x2C, 0x7A, 0x46));
  p.drawPath(near);
  p.restore();
}

}  // namespace

QImage DrawAppIcon(int size) {
  QImage image = Canvas(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // Warm tile with a stack of two photographs on it.
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, QColor(0xFF, 0x8A, 0x3D));
  tile.setColorAt(1, QColor(0xE8, 0x4E, 0x1B));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.2, s * 0.2);
  const qreal pen = qMax<qreal>(1.0, s * 0.035);
  p.save();
  p.translate(s * 0.5, s * 0.5);
  p.rotate(-12);
  p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 0xC0), pen));
  p.setBrush(QColor(0xFF, 0xE7, 0xD6));
  p.drawRoundedRect(QRectF(-s * 0.30, -s * 0.25, s * 0.56, s * 0.44), s * 0.04, s * 0.04);
  p.restore();
  PaintPhoto(p, QRectF(s * 0.22, s * 0.30, s * 0.60, s * 0.46), pen);
  return image;
}

QImage DrawHeaderPicture(HeaderPicture which, int size) {
  QImage image = Canvas(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  if (which == HeaderPicture::AddPictures) {
    PaintPhoto(p, QRectF(s * 0.04, s * 0.14, s * 0.80, s * 0.66), qMax<qreal>(1.0, s * 0.05));
    // A plus badge in the lower right corner.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF0, 0x6A, 0x22));
    p.drawEllipse(QPointF(s * 0.76, s * 0.74), s * 0.22, s * 0.22);
    p.setPen(QPen(Qt::white, qMax<qreal>(1.5, s * 0.08), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.76, s * 0.63), QPointF(s * 0.76, s * 0.85));
    p.drawLine(QPointF(s * 0.65, s * 0.74), QPointF(s * 0.87, s * 0.74));
  } else {
    // Three sliders: the settings of the effects.
    const QColor track(0xB8, 0xB0, 0xA0), knob(0xF0, 0x6A, 0x22);
    const qreal knobs[] = {0.30, 0.68, 0.45};
    for (int i = 0; i < 3; ++i) {
      const qreal y = s * (0.22 + 0.28 * i);
      p.setPen(QPen(track, qMax<qreal>(1.0, s * 0.08), Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(s * 0.10, y), QPointF(s * 0.90, y));
      p.setPen(QPen(Qt::white, qMax<qreal>(1.0, s * 0.05)));
      p.setBrush(knob);
      p.drawEllipse(QPointF(s * knobs[i], y), s * 0.12, s * 0.12);
    }
  }
  return image;
}

#include "PictureMarkStep.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>

#include "BitmapHandleCanvas.h"
#include "SetMgr.h"

PictureMarkSettings PictureMarkSettings::FromSettings(const CSetMgr& s) {
  PictureMarkSettings p;
  p.path = s.strMarkPicPath();
  p.transparent = s.nMarkTransparent();
  p.rotate = s.nMarkRotate();
  p.layout = MarkLayout::FromSettings(s);
  return p;
}

QImage ReadMarkPicture(const QString& path, QString* why) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  // Check the size the header announces before anything is decoded.
  if (size.isValid() && int64_t(size.width()) * size.height() > kMaxMarkPicturePixels) {
    if (why) *why = QStringLiteral("watermark picture too large: %1 x %2").arg(size.width()).arg(size.height());
    return {};
  }
  QImage logo;
  if (!reader.read(&logo) || logo.isNull()) {
    if (why) *why = reader.errorString();
    return {};
  }
  if (int64_t(logo.width()) * logo.height() > kMaxMarkPicturePixels) {
    if (why) *why = QStringLiteral("watermark picture too large");
    return {};
  }
  return logo.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

MarkBox TurnedPictureBox(int width, int height, int32_t rotate, QTransform* turn) {
  const QTransform rotation = QTransform().rotate(-rotate);
  const MarkBox box = IntegerBounds(rotation.map(QPolygonF(QRectF(0, 0, width, height))).boundingRect());
  if (turn) *turn = rotation * QTransform::fromTranslate(qreal(-box.x), qreal(-box.y));
  return {0, 0, box.width, box.height};
}

int64_t StampPictureMark(QPainter& painter, const QTransform& toDevice, int width, int height, const QImage& logo,
                         const PictureMarkSettings& s) {
  if (logo.isNull()) return 0;  // an unreadable picture is an empty mark
  const qreal opacity = std::clamp((100 - s.transparent) * 0.01, 0.0, 1.0);
  if (opacity <= 0) return 0;
  QTransform turn;
  const MarkBox box = TurnedPictureBox(logo.width(), logo.height(), s.rotate, &turn);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Only a turned picture is resampled; at right angles pixels map one to one.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, s.rotate % 90 != 0);
  painter.setOpacity(opacity);
  const QRectF source(0, 0, logo.width(), logo.height());
  const int64_t drawn = PlaceMarks(s.layout, box.width, box.height, width, height, [&](int64_t x, int64_t y) {
    painter.setTransform(turn * QTransform::fromTranslate(qreal(x), qreal(y)) * toDevice);
    painter.drawImage(source, logo, source);
  });
  painter.restore();
  return drawn;
}

bool StampPictureMarkOnImage(ZvImage* image, const QImage& logo, const PictureMarkSettings& s) {
  if (!image) return false;
  if (logo.isNull() || s.transparent >= 100) return true;  // nothing visible to draw
  BitmapHandleCanvas canvas(image);
  if (!canvas.IsOpen()) return false;
  {
    QPainter painter(&canvas.Surface());
    if (!painter.isActive()) return false;
    StampPictureMark(painter, canvas.PictureTransform(), canvas.Width(), canvas.Height(), logo, s);
  }
  return canvas.Commit();
}

bool PictureMarkStep::Process(const PictureItem&, ImageSlot& slot) {
  if (!slot.image) return false;
  const PictureMarkSettings s = PictureMarkSettings::FromSettings(CSetMgr::Instance());
  // The seller chose a file that is gone: the picture gets no output, and the run says why.
  if (s.path.isEmpty()) {
    slot.Fail(FailureKind::WatermarkMissing, QStringLiteral("no watermark picture chosen"));
    return false;
  }
  if (!QFileInfo(s.path).isFile()) {
    slot.Fail(FailureKind::WatermarkMissing, s.path);
    return false;
  }
  StampPictureMarkOnImage(slot.image, ReadMarkPicture(s.path), s);
  return true;
}

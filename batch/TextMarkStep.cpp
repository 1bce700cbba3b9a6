#include "TextMarkStep.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>
#include <algorithm>

#include "BitmapHandleCanvas.h"
#include "FontCache.h"
#include "GlyphOutlineText.h"
#include "SetMgr.h"

TextMarkSettings TextMarkSettings::FromSettings(const CSetMgr& s) {
  TextMarkSettings t;
  t.text = s.strMarkText();
  t.face = s.strMarkFont();
  t.size = s.nMarkFontSize();
  t.bold = s.bMarkFontBold() != 0;
  t.italic = s.bMarkFontIt() != 0;
  t.underline = s.bMarkFontUnder() != 0;
  t.color = s.nMarkColor();
  t.transparent = s.nMarkTransparent();
  t.rotate = s.nMarkRotate();
  t.layout = MarkLayout::FromSettings(s);
  return t;
}

QColor MarkColor(int32_t bgr, int32_t transparent) {
  const int alpha = std::clamp((100 - transparent) * 255 / 100, 0, 255);
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, alpha);
}

namespace {

// Lays the text out with Qt for an installed family, line by line, the first line's top at 0.
void AddTextLines(QPainterPath& path, const QFont& font, const QString& text) {
  const QFontMetricsF metrics(font);
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  qreal baseline = metrics.ascent();
  for (const QString& line : normalised.split(QLatin1Char('\n'))) {
    if (!line.isEmpty()) path.addText(QPointF(0, baseline), font, line);
    baseline += metrics.lineSpacing();
  }
}

}  // namespace

QPainterPath TextMarkPath(const TextMarkSettings& s, MarkBox* box) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  MarkFontKey key;
  key.face = s.face;
  key.size = std::max(1, s.size);
  key.bold = s.bold;
  key.italic = s.italic;
  key.underline = s.underline;
  const std::shared_ptr<const MarkFont> font = FontCache::Instance().Get(key);
  if (!s.text.isEmpty()) {
    if (font->faceKnown)
      AddTextLines(path, font->MakeFont(), s.text);
    else
      GlyphOutlineText(path, font->MakeFont(), s.text, 0, 0);
  }
  path = QTransform().rotate(-s.rotate).map(path);
  MarkBox b = IntegerBounds(path.isEmpty() ? QRectF() : path.boundingRect());
  path.translate(-b.x, -b.y);
  b.x = b.y = 0;
  if (box) *box = b;
  return path;
}

int64_t StampTextMark(QPainter& painter, const QTransform& toDevice, int width, int height,
                      const TextMarkSettings& s) {
  const QColor color = MarkColor(s.color, s.transparent);
  if (color.alpha() == 0) return 0;  // fully transparent: nothing would change
  MarkBox box;
  const QPainterPath path = TextMarkPath(s, &box);
  if (box.IsEmpty()) return 0;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  const int64_t drawn = PlaceMarks(s.layout, box.width, box.height, width, height, [&](int64_t x, int64_t y) {
    painter.setTransform(QTransform::fromTranslate(qreal(x), qreal(y)) * toDevice);
    painter.drawPath(path);
  });
  painter.restore();
  return drawn;
}

bool StampTextMarkOnImage(ZvImage* image, const TextMarkSettings& s) {
  // An invisible mark leaves the picture untouched: spare the bitmap round trip.
  if (s.text.isEmpty() || MarkColor(s.color, s.transparent).alpha() == 0) return image != nullptr;
  BitmapHandleCanvas canvas(image);
  if (!canvas.IsOpen()) return false;
  {
    QPainter painter(&canvas.Surface());
    if (!painter.isActive()) return false;
    StampTextMark(painter, canvas.PictureTransform(), canvas.Width(), canvas.Height(), s);
  }
  return canvas.Commit();
}

bool TextMarkStep::Process(const PictureItem&, ImageSlot& slot) {
  if (!slot.image) return false;
  StampTextMarkOnImage(slot.image, TextMarkSettings::FromSettings(CSetMgr::Instance()));
  return true;
}

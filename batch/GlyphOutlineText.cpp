#include "GlyphOutlineText.h"

#include <QRawFont>
#include <QStringList>
#include <QTransform>
#include <QVector>

namespace {

// Adds one line at the baseline; false when a character without a glyph ended the text.
bool AddLine(QPainterPath& path, const QRawFont& raw, const QString& line, qreal x, qreal baseline,
             bool underline) {
  const QVector<quint32> glyphs = raw.glyphIndexesForString(line);
  const QVector<QPointF> advances =
      raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::KernedAdvances);
  QPointF pen(x, baseline);
  bool complete = true;
  for (qsizetype i = 0; i < glyphs.size(); ++i) {
    if (glyphs[i] == 0) {  // the font lacks this character
      complete = false;
      break;
    }
    QPainterPath glyph = raw.pathForGlyph(glyphs[i]);
    if (!glyph.isEmpty()) path.addPath(glyph.translated(pen));
    if (i < advances.size()) pen += advances[i];
  }
  if (underline && pen.x() > x) {
    const qreal thickness = qMax<qreal>(1.0, raw.lineThickness());
    path.addRect(QRectF(x, baseline + raw.underlinePosition() - thickness / 2, pen.x() - x, thickness));
  }
  return complete;
}

}  // namespace

void GlyphOutlineText(QPainterPath& path, const QFont& font, const QString& text, qreal x, qreal y) {
  path.setFillRule(Qt::WindingFill);
  const QRawFont raw = QRawFont::fromFont(font);
  if (!raw.isValid()) return;
  QString normalised = text;
  normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QStringList lines = normalised.split(QLatin1Char('\n'));
  const qreal lineSpacing = raw.ascent() + raw.descent() + raw.leading();
  qreal baseline = y + raw.ascent();
  for (const QString& line : lines) {
    if (!AddLine(path, raw, line, x, baseline, font.underline())) return;
    baseline += lineSpacing;
  }
}

// Text to path from one font's own glyph outlines, for a face that is not installed: the
// substitute font's glyphs, advanced by their advances plus the kerning of each pair.
#pragma once

#include <QFont>
#include <QPainterPath>
#include <QString>

// Appends `text` to `path` (which gets the winding fill rule). The pen starts at (x, y), the top
// of the first line; y + ascent is the baseline. Lines split at line breaks go one below the
// other. Stops at the first character the font has no glyph for. An underlined font gets its
// underline under each line drawn so far.
void GlyphOutlineText(QPainterPath& path, const QFont& font, const QString& text, qreal x, qreal y);

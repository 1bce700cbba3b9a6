// Windows face names that sellers type ("黑体", "宋体", "微软雅黑", "楷体", "Arial", ...) do not
// exist on Linux. This maps them to installed families, so that the default watermark draws
// Chinese glyphs on a fresh machine instead of empty boxes.
#pragma once

#include <QString>

// The installed family to lay out `face` with: the face itself when installed, else the first
// installed family of its kind (hei, song, kai, sans, serif, mono). Empty when neither the face
// nor a stand-in is installed.
QString InstalledFamilyFor(const QString& face);

// The family whose glyph outlines stand in for a face that is not installed at all: the first
// installed CJK sans family (the default watermark text is Chinese), else the default family.
QString SubstituteFamily();

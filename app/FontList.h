// The faces the watermark page offers: installed families usable for Chinese or Latin text,
// without the vertical-writing "@" variants and without a name whose text an earlier entry
// already begins with (case ignored); the Windows names that map to an installed family come
// first, under their Chinese names.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct FontFamily {
  QString name;
  bool chineseOrLatin = false;  // has the Simplified Chinese or the Latin writing system
};

// The list from given inputs (the rule above).
QStringList FontListOf(const QStringList& mappedWindowsNames, const std::vector<FontFamily>& families);
// The list on this machine.
QStringList FontList();

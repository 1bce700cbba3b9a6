// Text conversions of the settings file.
#pragma once

#include <QString>
#include <cstdint>

namespace settingsText {

// Like the C library's wide string-to-int: leading white space, optional sign, decimal
// digits up to the first other character; no digits gives 0; saturates at the int32 limits.
int32_t toInt(const QString& text);

// The text without the characters XML 1.0 cannot hold (control characters other than tab,
// line feed and carriage return, unpaired surrogates, U+FFFE, U+FFFF), so that a saved file
// always reads back.
QString xmlSafe(const QString& text);

}  // namespace settingsText
